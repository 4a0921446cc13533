// The pixels the host renders for a layer before effects: text, a solid
// under masks in mask order, the downsampling and the layer's extent.

#include "host/scene/layer_pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "host/sim_host.h"

namespace simhost::scene {
namespace {

PathShape rectangle(double left, double top, double right, double bottom) {
  return {{{left, top}, {right, top}, {right, bottom}, {left, bottom}}, true};
}

Color rgb(int r, int g, int b) {
  return {1.0, r / 255.0, g / 255.0, b / 255.0};
}

// A pixel of the world (from its top-left) and what it must hold; colour
// channels count only where alpha is not 0.
struct Probe {
  A_long x, y;
  PF_Pixel8 expected;
  int tolerance = 1;
};

TEST(LayerPixels, EachKindDrawsWhatTheHostShowsBeforeEffects) {
  const PF_Pixel8 clear = {0, 0, 0, 0};
  const struct {
    const char* name;
    std::function<void(Layer&)> make;
    LayerKind kind;
    std::vector<Probe> probes;
    A_u_long downsample = 1;
    PF_LRect area = {0, 0, 100, 60};  // the world's place in the layer, downsampled
    PixelFormat format = PixelFormat::Argb8;
    double seconds = 0.0;
  } cases[] = {
      // The glyph "I" runs from x 29.19 to 47.98.
      {"text in its colour",
       [](Layer& l) {
         l.set_text({.text = "I",
                     .bold = true,
                     .size = 100,
                     .origin = {20, 110},
                     .fill_color = rgb(200, 40, 60)});
       },
       LayerKind::Text,
       {{38, 73, {255, 200, 40, 60}}, {10, 73, clear}, {29, 73, {207, 200, 40, 60}, 8}},
       1,
       {0, 0, 100, 120}},
      // Keyed from black to (20, 240, 200) over 2 s, seen at 1 s; a frame
      // added, a window subtracted, an inverted mask subtracted (keeping
      // x < 70.5), an open one ignored.
      {"a solid under masks",
       [](Layer& l) {
         l.width = 100;
         l.height = 60;
         l.solid_color = Animated<Color>::keyed({{0.0, rgb(0, 0, 0)}, {2.0, rgb(20, 240, 200)}});
         l.add_mask({.shape = rectangle(10, 10, 90, 50), .mode = PF_MaskMode_ADD});
         l.add_mask({.shape = rectangle(30, 20, 50, 40), .mode = PF_MaskMode_SUBTRACT});
         l.add_mask(
             {.shape = rectangle(0, 0, 70.5, 60), .mode = PF_MaskMode_SUBTRACT, .inverted = true});
         l.add_mask(
             {.shape = PathShape{rectangle(0, 0, 8, 8).vertices, false}, .mode = PF_MaskMode_ADD});
       },
       LayerKind::Solid,
       {{20, 30, {255, 10, 120, 100}},
        {40, 30, clear},
        {80, 30, clear},
        {4, 4, clear},
        {70, 15, {128, 10, 120, 100}, 2}},
       1,
       {0, 0, 100, 60},
       PixelFormat::Argb8,
       1.0},
      // A mask edge at x = 91 falls half way into pixel 45; a second mask
      // over the bottom shows that a solid of 101 x 61 fills its extent of
      // 51 x 31 and no more; the world, in float, sits at (40, 0).
      {"half resolution",
       [](Layer& l) {
         l.width = 101;
         l.height = 61;
         l.solid_color = rgb(90, 90, 90);
         l.add_mask({.shape = rectangle(-1, -1, 91, 40), .mode = PF_MaskMode_ADD});
         l.add_mask({.shape = rectangle(-1, 50, 200, 100), .mode = PF_MaskMode_ADD});
       },
       LayerKind::Solid,
       {{0, 10, {255, 90, 90, 90}},
        {5, 10, {128, 90, 90, 90}, 2},
        {6, 10, clear},
        {10, 30, {255, 90, 90, 90}},
        {11, 30, clear},
        {10, 31, clear}},
       2,
       {40, 0, 60, 40},
       PixelFormat::ArgbFloat},
  };
  for (const auto& c : cases) {
    SimHost host;
    Composition comp(100, 120, 24);
    Layer& layer = comp.add_layer(c.kind, "Layer");
    c.make(layer);
    World world(c.area.right - c.area.left, c.area.bottom - c.area.top, c.format);
    world.get()->origin_x = c.area.left;
    world.get()->origin_y = c.area.top;
    const PF_RationalScale downsample{1, c.downsample};
    render_layer_pixels(layer, c.seconds, downsample, downsample, world);
    for (const Probe& p : c.probes) {
      PF_Pixel8 got = world.format() == PixelFormat::Argb8 ? world.pixel8(p.x, p.y) : PF_Pixel8{};
      if (world.format() == PixelFormat::ArgbFloat) {
        const PF_PixelFloat f = world.pixel_float(p.x, p.y);
        const auto byte = [](float v) { return static_cast<A_u_char>(std::lround(v * 255.0f)); };
        got = {byte(f.alpha), byte(f.red), byte(f.green), byte(f.blue)};
      }
      const std::string where =
          std::string(c.name) + " at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
      EXPECT_NEAR(got.alpha, p.expected.alpha, p.tolerance) << where;
      if (p.expected.alpha == 0) continue;
      EXPECT_NEAR(got.red, p.expected.red, p.tolerance) << where;
      EXPECT_NEAR(got.green, p.expected.green, p.tolerance) << where;
      EXPECT_NEAR(got.blue, p.expected.blue, p.tolerance) << where;
    }
  }
}

}  // namespace
}  // namespace simhost::scene
