// Layers placed beyond any integer pixel, which the composition's frame must
// clip before it counts in integers.

#include <gtest/gtest.h>


#include "host/scene/composition_frame.h"

namespace simhost::scene {
namespace {

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
