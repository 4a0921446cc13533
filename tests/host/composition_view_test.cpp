// What the composition's view asks of the effect's layer (the part of the
// layer's pixels the frame shows), and layers placed beyond any integer
// pixel, which the frame must clip before it counts in integers.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "host/scene/composition_frame.h"

namespace simhost::scene {
namespace {

using Quad = std::array<A_long, 4>;  // left, top, right, bottom

Quad quad(const PF_LRect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// A 20 x 10 layer in a 40 x 30 composition, under a null moved 5 pixels
// right when parented.
TEST(CompositionView, AsksForWhatTheFrameShowsOfTheLayer) {
  const struct {
    const char* name;
    LayerTransform transform;
    bool parented = false;
    A_u_long across = 1;
    A_u_long down = 1;
    Quad expected;
    A_long tolerance = 0;  // for turns, which cosines do not make exact
  } cases[] = {
      {.name = "at the composition's origin",
       .transform = {.anchor = Vec3{}, .position = Vec3{}},
       .expected = {0, 0, 40, 30}},
      {.name = "moved",
       .transform = {.anchor = Vec3{}, .position = Vec3{10, 10, 0}},
       .expected = {-10, -10, 30, 20}},
      {.name = "under a moved parent",
       .transform = {.anchor = Vec3{}, .position = Vec3{}},
       .parented = true,
       .expected = {-5, 0, 35, 30}},
      // Sampled between pixels: one more pixel on each side.
      {.name = "scaled 50 %",
       .transform = {.anchor = Vec3{}, .position = Vec3{}, .scale = Vec3{50, 50, 100}},
       .expected = {-1, -1, 81, 61}},
      {.name = "turned a quarter clockwise",
       .transform = {.anchor = Vec3{}, .position = Vec3{30, 0, 0}, .rotation = 90.0},
       .expected = {-1, -11, 31, 31},
       .tolerance = 1},
      {.name = "half across, a quarter down",
       .transform = {.anchor = Vec3{}, .position = Vec3{4, 8, 0}},
       .across = 2,
       .down = 4,
       .expected = {-2, -2, 18, 6}},
      {.name = "placed at a fraction of a pixel",
       .transform = {.anchor = Vec3{}, .position = Vec3{0.5, 0, 0}},
       .expected = {-2, -1, 41, 31}},
      // The view 40,000 by 30,000 layer pixels: 30,000 around the layer's
      // middle across, and down all of it but what sampling adds.
      {.name = "scaled to 0.1 %, the host's longest side",
       .transform = {.anchor = Vec3{10, 5, 0},
                     .position = Vec3{20, 15, 0},
                     .scale = Vec3{0.1, 0.1, 100}},
       .expected = {-14990, -14995, 15010, 15005}},
      {.name = "scaled to nothing: its extent",
       .transform = {.anchor = Vec3{}, .position = Vec3{}, .scale = Vec3{0, 100, 100}},
       .expected = {0, 0, 20, 10}},
      {.name = "beyond 2^31 pixels: nothing",
       .transform = {.anchor = Vec3{}, .position = Vec3{2200000000.0, 0, 0}},
       .expected = {0, 0, 0, 0}},
      {.name = "at 1e18: nothing",
       .transform = {.anchor = Vec3{}, .position = Vec3{1e18, 1e18, 0}},
       .expected = {0, 0, 0, 0}},
      {.name = "far to the left, within reach of the layer",
       .transform = {.anchor = Vec3{}, .position = Vec3{-29980, 0, 0}},
       .expected = {29980, 0, 30020, 30}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Composition comp(40, 30, 24);
    Layer& parent = comp.add_layer(LayerKind::null, "Parent");
    parent.transform = {.anchor = Vec3{}, .position = Vec3{5, 0, 0}};
    Layer& layer = comp.add_layer(LayerKind::text, "Effect");
    layer.width = 20;
    layer.height = 10;
    layer.transform = c.transform;
    if (c.parented) layer.parent = parent.id;
    const Quad asked = quad(composition_request(
        comp, 0.0, layer.id, {.downsample_x = {1, c.across}, .downsample_y = {1, c.down}}));
    for (int k = 0; k < 4; ++k) {
      EXPECT_LE(std::abs(asked[k] - c.expected[k]), c.tolerance)
          << "side " << k << ": " << asked[k] << ", expected " << c.expected[k];
    }
  }
  Composition comp(40, 30, 24);
  EXPECT_EQ(quad(composition_request(comp, 0.0, 7, {})), (Quad{0, 0, 0, 0})) << "no such layer";
}

// A 64 x 64 solid, and the effect's output, placed beyond any integer
// pixel (a whole pixel, so copied, or turned, so sampled): the frame shows
// the background alone, and nothing is written outside it.
TEST(CompositionView, LayersPlacedBeyondIntegersLeaveTheFrameAlone) {
  const struct {
    const char* name;
    Vec3 position;
    double rotation = 0.0;
  } cases[] = {
      {"2,200,000,000 across", {2200000000.0, 0, 0}},
      {"-2,200,000,000 across", {-2200000000.0, 0, 0}},
      {"1e18 both ways", {1e18, 1e18, 0}},
      {"-1e18 down, turned", {0, -1e18, 0}, 30.0},
      {"1e300 across, turned", {1e300, 0, 0}, 45.0},
  };
  const PF_Pixel8 navy{255, 0, 0, 102};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Composition comp(40, 30, 24);
    for (const char* name : {"Solid", "Effect"}) {
      Layer& layer = comp.add_layer(LayerKind::solid, name);
      layer.width = layer.height = 64;
      layer.transform = {.anchor = Vec3{}, .position = c.position, .rotation = c.rotation};
    }
    World output(64, 64, PixelFormat::argb8);
    for (A_long y = 0; y < 64; ++y) {
      for (A_long x = 0; x < 64; ++x) output.pixel8(x, y) = {255, 255, 0, 0};
    }
    const std::unique_ptr<World> frame = composition_frame(
        comp, 0.0, comp.layers().back()->id, &output, {.background = Color{1.0, 0.0, 0.0, 0.4}});
    for (A_long y = 0; y < 30; ++y) {
      for (A_long x = 0; x < 40; ++x) {
        const PF_Pixel8 p = frame->pixel8(x, y);
        ASSERT_TRUE(p.alpha == navy.alpha && p.red == 0 && p.green == 0 && p.blue == navy.blue)
            << x << ", " << y;
      }
    }
  }
}

}  // namespace
}  // namespace simhost::scene
