// The pixels the host renders for a layer before effects: a masked solid at
// the downsampling over the layer's extent, read back from a float world.
// (Text in its colour: smart render's test of the face in the layer's
// colours.)

#include "host/scene/layer_pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/sim_host.h"

namespace simhost::scene {
namespace {

PathShape rectangle(double left, double top, double right, double bottom) {
  return {{{left, top}, {right, top}, {right, bottom}, {left, bottom}}, true};
}

// A pixel of the world (from its top-left) and what it must hold; colour
// channels count only where alpha is not 0.
struct Probe {
  A_long x, y;
  PF_Pixel8 expected;
  int tolerance = 1;
};

void expect_pixels(World& world, const std::vector<Probe>& probes) {
  for (const Probe& p : probes) {
    PF_Pixel8 got = world.format() == PixelFormat::Argb8 ? world.pixel8(p.x, p.y) : PF_Pixel8{};
    if (world.format() == PixelFormat::ArgbFloat) {
      const PF_PixelFloat f = world.pixel_float(p.x, p.y);
      const auto byte = [](float v) { return static_cast<A_u_char>(std::lround(v * 255.0f)); };
      got = {byte(f.alpha), byte(f.red), byte(f.green), byte(f.blue)};
    }
    const std::string where = "at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
    EXPECT_NEAR(got.alpha, p.expected.alpha, p.tolerance) << where;
    if (p.expected.alpha == 0) continue;
    EXPECT_NEAR(got.red, p.expected.red, p.tolerance) << where;
    EXPECT_NEAR(got.green, p.expected.green, p.tolerance) << where;
    EXPECT_NEAR(got.blue, p.expected.blue, p.tolerance) << where;
  }
}

const PF_Pixel8 kClear = {0, 0, 0, 0};

// At half resolution a mask edge at x = 91 falls half way into pixel 45; a
// second mask over the bottom shows that a solid of 101 x 61 fills its
// extent of 51 x 31 and no more; the world sits at (40, 0).
TEST(LayerPixels, AMaskedSolidAtHalfResolution) {
  SimHost host;
  Composition comp(100, 120, 24);
  Layer& layer = comp.add_layer(LayerKind::Solid, "Small");
  layer.width = 101;
  layer.height = 61;
  layer.solid_color = Color{1.0, 90 / 255.0, 90 / 255.0, 90 / 255.0};
  layer.add_mask({.shape = rectangle(-1, -1, 91, 40), .mode = PF_MaskMode_ADD});
  layer.add_mask({.shape = rectangle(-1, 50, 200, 100), .mode = PF_MaskMode_ADD});
  World world(20, 40, PixelFormat::ArgbFloat);
  world.get()->origin_x = 40;
  render_layer_pixels(layer, 0.0, {1, 2}, {1, 2}, world);
  const PF_Pixel8 grey = {255, 90, 90, 90};
  expect_pixels(world, {{0, 10, grey},
                        {5, 10, {128, 90, 90, 90}, 2},
                        {6, 10, kClear},
                        {10, 30, grey},
                        {11, 30, kClear},
                        {10, 31, kClear}});
}

}  // namespace
}  // namespace simhost::scene
