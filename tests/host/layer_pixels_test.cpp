// The pixels the host renders for a layer before effects: what each kind
// draws, masks in mask order by the rules the effect reads them with, fills
// and merges of shape contents, pictures, the downsampling across and down
// and the layer's extent, read back from worlds of either depth.

#include "host/scene/layer_pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/scene/shape_contents.h"
#include "host/sim_host.h"

namespace simhost::scene {
namespace {

PathShape rectangle(double left, double top, double right, double bottom) {
  return {{{left, top}, {right, top}, {right, bottom}, {left, bottom}}, true};
}

Color rgb(int r, int g, int b) {
  return {1.0, r / 255.0, g / 255.0, b / 255.0};
}

// A grey solid of `width` x `height` under two masks: one from beyond its
// top-left corner to (right, bottom), the other over its rows from 50 down.
Layer& grey_solid_in_two_masks(Composition& comp, const char* name, int width, int height,
                               double right, double bottom) {
  Layer& layer = comp.add_layer(LayerKind::solid, name);
  layer.width = width;
  layer.height = height;
  layer.solid_color = rgb(90, 90, 90);
  layer.add_mask({.shape = rectangle(-1, -1, right, bottom), .mode = PF_MaskMode_ADD});
  layer.add_mask({.shape = rectangle(-1, 50, 200, 100), .mode = PF_MaskMode_ADD});
  return layer;
}

PF_Pixel8 pixel_of(World& world, A_long x, A_long y) {
  if (world.format() == PixelFormat::argb8) return world.pixel8(x, y);
  const PF_PixelFloat p = world.pixel_float(x, y);
  auto byte = [](float c) { return static_cast<A_u_char>(std::lround(c * 255.0f)); };
  return {byte(p.alpha), byte(p.red), byte(p.green), byte(p.blue)};
}

// A pixel of the world (counted from its top-left) and what it must hold;
// colour channels are checked only where alpha is not 0.
struct Probe {
  A_long x, y;
  PF_Pixel8 expected;
  int tolerance = 1;
};

struct Case {
  const char* name;
  std::function<Layer&(Composition&)> make;
  std::vector<Probe> probes;
  A_u_long downsample_x = 1, downsample_y = 1;
  PF_LRect area = {0, 0, 100, 60};  // the world's place in the layer, at the downsampling
  PixelFormat format = PixelFormat::argb8;
  double seconds = 0.0;
};

TEST(LayerPixels, EachKindDrawsWhatTheHostShowsBeforeEffects) {
  const PF_Pixel8 clear = {0, 0, 0, 0};
  const PF_Pixel8 grey = {255, 90, 90, 90};
  const std::vector<Case> cases = {
      {"a text layer: the glyph of \"I\" (x 29.19 to 47.98) in the text's colour",
       [](Composition& comp) -> Layer& {
         Layer& layer = comp.add_layer(LayerKind::text, "Title");
         layer.set_text({.text = "I",
                         .bold = true,
                         .size = 100,
                         .origin = {20, 110},
                         .fill_color = rgb(200, 40, 60)});
         return layer;
       },
       {{38, 73, {255, 200, 40, 60}}, {10, 73, clear}, {29, 73, {207, 200, 40, 60}, 8}},
       1,
       1,
       {0, 0, 100, 120}},
      {"a solid keyed from black to (20, 240, 200) over 2 s, seen at 1 s, under masks: a "
       "frame added, a window subtracted, an inverted mask subtracted (keeping x < 70.5), "
       "an open one ignored",
       [](Composition& comp) -> Layer& {
         Layer& layer = comp.add_layer(LayerKind::solid, "Plate");
         layer.width = 100;
         layer.height = 60;
         layer.solid_color =
             Animated<Color>::keyed({{0.0, rgb(0, 0, 0)}, {2.0, rgb(20, 240, 200)}});
         layer.add_mask({.shape = rectangle(10, 10, 90, 50), .mode = PF_MaskMode_ADD});
         layer.add_mask({.shape = rectangle(30, 20, 50, 40), .mode = PF_MaskMode_SUBTRACT});
         layer.add_mask(
             {.shape = rectangle(0, 0, 70.5, 60), .mode = PF_MaskMode_SUBTRACT, .inverted = true});
         PathShape open = rectangle(0, 0, 8, 8);
         open.closed = false;
         layer.add_mask({.shape = open, .mode = PF_MaskMode_ADD});
         return layer;
       },
       {{20, 30, {255, 10, 120, 100}},
        {40, 30, clear},
        {80, 30, clear},
        {4, 4, clear},
        {70, 15, {128, 10, 120, 100}, 2}},
       1,
       1,
       {0, 0, 100, 60},
       PixelFormat::argb8,
       1.0},
      {"a first mask in difference mode adds its area, as the effect counts it; a second one "
       "over its right half keeps one or the other, not both",
       [](Composition& comp) -> Layer& {
         Layer& layer = comp.add_layer(LayerKind::solid, "Plate");
         layer.width = 100;
         layer.height = 60;
         layer.solid_color = rgb(90, 90, 90);
         layer.add_mask({.shape = rectangle(10, 10, 50, 50), .mode = PF_MaskMode_DIFFERENCE});
         layer.add_mask({.shape = rectangle(30, 10, 70, 50), .mode = PF_MaskMode_DIFFERENCE});
         return layer;
       },
       {{20, 30, grey}, {40, 30, clear}, {60, 30, grey}, {5, 30, clear}, {80, 30, clear}}},
      {"a shape layer: a ring filled red by an even-odd fill, a blue non-zero fill behind "
       "it showing through the hole, in a group scaled 200 % and moved to (0, -30) from the "
       "contents' origin, the layer's middle (50, 60)",
       [](Composition& comp) -> Layer& {
         Layer& layer = comp.add_layer(LayerKind::shape, "Badge");
         layer.set_contents(shape_contents({shape_group(
             {shape_path(rectangle(-10, -10, 10, 10)), shape_path(rectangle(-5, -5, 5, 5)),
              shape_fill(2.0, rgb(255, 0, 0)), shape_fill(1.0, rgb(0, 0, 255))},
             {.position = Vec2{0, -30}, .scale = Vec2{200, 200}})}));
         return layer;
       },
       {{35, 30, {255, 255, 0, 0}}, {50, 30, {255, 0, 0, 255}}, {80, 30, clear}},
       1,
       1,
       {0, 0, 100, 60},
       PixelFormat::argb_float},
      {"a shape layer: a red fill of the left square above a merge that unites it with the "
       "right one is gone, as the effect reads it; the blue fill below the merge fills both",
       [](Composition& comp) -> Layer& {
         Layer& layer = comp.add_layer(LayerKind::shape, "Merged");
         layer.set_contents(shape_contents(
             {shape_group({shape_path(rectangle(-20, -20, 0, 20)), shape_fill(1.0, rgb(255, 0, 0)),
                           shape_path(rectangle(0, -20, 20, 20)), shape_merge(2.0),
                           shape_fill(1.0, rgb(0, 0, 255))},
                          {.position = Vec2{0, -30}})}));
         return layer;
       },
       {{40, 30, {255, 0, 0, 255}}, {60, 30, {255, 0, 0, 255}}, {80, 30, clear}}},
      {"an image layer: the picture at the layer's origin, straight alpha kept, nothing "
       "beyond it",
       [](Composition& comp) -> Layer& {
         Layer& layer = comp.add_layer(LayerKind::solid, "Picture");
         auto image = std::make_shared<RgbaImage>();
         image->width = 2;
         image->height = 1;
         image->rgba = {10, 20, 30, 255, 200, 100, 50, 128};
         layer.image = image;
         return layer;
       },
       {{0, 0, {255, 10, 20, 30}}, {1, 0, {128, 200, 100, 50}, 2}, {2, 0, clear}, {0, 1, clear}},
       1,
       1,
       {0, 0, 4, 2},
       PixelFormat::argb_float},
      {"half resolution: a mask edge at x = 91 falls half way into pixel 45; a second mask "
       "over the bottom shows that a solid of 101 x 61 fills its extent of 51 x 31 and no "
       "more; the world sits at (40, 0)",
       [](Composition& comp) -> Layer& {
         return grey_solid_in_two_masks(comp, "Small", 101, 61, 91, 40);
       },
       {{0, 10, grey},
        {5, 10, {128, 90, 90, 90}, 2},
        {6, 10, clear},
        {10, 30, grey},
        {11, 30, clear},
        {10, 31, clear}},
       2,
       2,
       {40, 0, 60, 40}},
      {"half across, a quarter down: mask edges at x = 51 and y = 41 cover half of column 25 "
       "and a quarter of row 10; a solid of 100 x 60 fills its extent of 50 x 15 and no more",
       [](Composition& comp) -> Layer& {
         return grey_solid_in_two_masks(comp, "Squeezed", 100, 60, 51, 41);
       },
       {{24, 5, grey},
        {25, 5, {128, 90, 90, 90}, 2},
        {26, 5, clear},
        {10, 9, grey},
        {10, 10, {64, 90, 90, 90}, 5},  // cairo samples down a pixel in fifteenths
        {10, 11, clear},
        {49, 14, grey},
        {50, 14, clear},
        {49, 15, clear}},
       2,
       4,
       {0, 0, 60, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimHost host;
    Composition comp(100, 120, 24);
    const Layer& layer = c.make(comp);
    World world(c.area.right - c.area.left, c.area.bottom - c.area.top, c.format);
    world.get()->origin_x = c.area.left;
    world.get()->origin_y = c.area.top;
    render_layer_pixels(layer, c.seconds, {1, c.downsample_x}, {1, c.downsample_y}, world);
    for (const Probe& p : c.probes) {
      const PF_Pixel8 got = pixel_of(world, p.x, p.y);
      const std::string where = "at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
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
