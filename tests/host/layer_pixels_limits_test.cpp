// A layer's own pixels at the edges of what the host draws: outlines that
// reach far beyond the layer (past where cairo fills right, and past its
// fixed-point range at about 8.4 million pixels) still cover what they cover
// on the layer, and a long drawing (many masks or shape items) gives up
// between its items once the host is asked to.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/scene/layer_pixels.h"
#include "host/scene/shape_contents.h"

namespace simhost::scene {
namespace {

constexpr A_long width = 100;
constexpr A_long height = 60;

// A circle of radius r around (cx, cy) as four cubics, clockwise on screen.
PathShape circle(double cx, double cy, double r) {
  const double k = 0.5523 * r;
  return {{{cx, cy - r, -k, 0, k, 0},
           {cx + r, cy, 0, -k, 0, k},
           {cx, cy + r, k, 0, -k, 0},
           {cx - r, cy, 0, k, 0, -k}}};
}

// The alpha the layer shows at each pixel, rendered whole at full size.
std::vector<A_u_char> alphas(const Layer& layer) {
  World world(width, height, PixelFormat::argb8);
  render_layer_pixels(layer, 0.0, {1, 1}, {1, 1}, world);
  std::vector<A_u_char> a;
  for (A_long y = 0; y < height; ++y) {
    for (A_long x = 0; x < width; ++x) a.push_back(world.pixel8(x, y).alpha);
  }
  return a;
}

// Each mask reaches `far` pixels from the layer; on the layer it shows a
// simple edge: what a host shows is that part, whatever cairo's range.
TEST(LayerPixelsLimits, MasksReachingBeyondCairosRangeCoverWhatTheyCoverOnTheLayer) {
  const struct {
    const char* name;
    PathShape (*mask)(double far);
    bool inverted;
    // The alpha expected at a pixel, or -1 where the edge runs through it.
    int (*expected)(A_long x, A_long y);
  } shapes[] = {
      // Everything at and below the diagonal through the layer's origin.
      {"a triangle",
       [](double far) {
         return PathShape{{{-far, -far}, {far, far}, {-far, far}}};
       },
       false, [](A_long x, A_long y) { return y > x   ? 255
                                              : y < x ? 0
                                                      : -1; }},
      // The same, inverted: above the diagonal.
      {"a triangle, inverted",
       [](double far) {
         return PathShape{{{-far, -far}, {far, far}, {-far, far}}};
       },
       true, [](A_long x, A_long y) { return y > x   ? 0
                                             : y < x ? 255
                                                     : -1; }},
      // A circle whose rightmost point is at (50, 30): on the layer its
      // edge is straight to far below a pixel, so left of x = 50.
      {"a circle's edge", [](double far) { return circle(50 - far, 30, far); }, false,
       [](A_long x, A_long) { return x < 50 ? 255 : 0; }},
  };
  for (const double far : {2e5, 8.4e6, 2e7, 1e9}) {
    for (const auto& s : shapes) {
      SCOPED_TRACE(std::string(s.name) + " reaching " + std::to_string(far));
      Composition comp(width, height, 24);
      Layer& solid = comp.add_layer(LayerKind::solid, "Solid");
      solid.add_mask({.shape = s.mask(far), .mode = PF_MaskMode_ADD, .inverted = s.inverted});
      const std::vector<A_u_char> a = alphas(solid);
      int wrong = 0;
      for (A_long y = 0; y < height; ++y) {
        for (A_long x = 0; x < width; ++x) {
          const int expected = s.expected(x, y);
          const int got = a[static_cast<size_t>(y * width + x)];
          if (expected >= 0 ? std::abs(got - expected) > 2 : std::abs(got - 128) > 16) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
}

// The host's abort request answered yes at the Nth question: the drawing
// stops there, asks nothing more and says it gave up; never answered yes,
// it asks once per item (mask, shape item) or so and finishes.
TEST(LayerPixelsLimits, ALongDrawingGivesUpBetweenItsItems) {
  constexpr int items = 200;
  Composition comp(width, height, 24);
  Layer& masked = comp.add_layer(LayerKind::solid, "Masked");
  for (int i = 0; i < items; ++i) {
    masked.add_mask(
        {.shape = PathShape{{{0, 0}, {double(i % width), 0}, {0, 50}}}, .mode = PF_MaskMode_ADD});
  }
  Layer& shapes = comp.add_layer(LayerKind::shape, "Shapes");
  std::vector<StreamNode> contents;
  for (int i = 0; i < items; ++i) {
    contents.push_back(shape_path(PathShape{{{-40, -20}, {40, -20}, {double(i % 40), 20}}}));
    contents.push_back(shape_fill(Animated<double>(1.0), Animated<Color>(Color{1, 1, 0, 0})));
  }
  shapes.set_contents(shape_contents(std::move(contents)));

  for (const Layer* layer : {&masked, &shapes}) {
    SCOPED_TRACE(layer->name);
    int asked = 0;
    DrawingCancel never([&] { return ++asked, false; });
    World world(width, height, PixelFormat::argb8);
    EXPECT_TRUE(render_layer_pixels(*layer, 0.0, {1, 1}, {1, 1}, world, never));
    EXPECT_GE(asked, items);
    for (const int yes_at : {1, 2, items / 2}) {
      int questions = 0;
      DrawingCancel cancel([&] { return ++questions >= yes_at; });
      EXPECT_FALSE(render_layer_pixels(*layer, 0.0, {1, 1}, {1, 1}, world, cancel));
      EXPECT_EQ(questions, yes_at);
      EXPECT_TRUE(cancel.given_up());
    }
  }
}

}  // namespace
}  // namespace simhost::scene
