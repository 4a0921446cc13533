// The cells of the output a frame's passes clear and composite: the solid's reach, and the rest
// of the output tiled.

#include "geometry/frame_coverage.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "geometry/render_plan.h"

namespace {

constexpr int frame_width = 480;
constexpr int frame_height = 320;

bool inside(const std::vector<PixelRect>& rects, int x, int y) {
  for (const PixelRect& r : rects) {
    if (x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1) return true;
  }
  return false;
}

// A square of path space whose lower left corner lies at output pixel (x, y).
PathsD square_at(double x, double y, double side = 40) {
  const double py = y - frame_height;
  return {{{x, py, 1}, {x + side, py, 1}, {x + side, py + side, 1}, {x, py + side, 1}}};
}

TEST(FrameCoverage, CoversTheSweptOutlinesAndTilesTheRestOfTheOutput) {
  PreRenderPlan directional;
  directional.extrusion_direction = {1, 0};
  directional.back_extrusion_amount = 60;
  directional.stroke_width = 4;
  PreRenderPlan vanishing = directional;
  vanishing.extrusion_mode = ExtrusionMode::vanishing;
  vanishing.vanishing_point = {300, 120 - frame_height};
  vanishing.back_extrusion_amount = 1.5;  // past the vanishing point, mirrored
  PreRenderPlan camera = directional;
  camera.extrusion_mode = ExtrusionMode::camera;
  // Depth s pushes a point by (s, 0) and shrinks it about the origin by 1 + s / 1000.
  camera.path_to_screen = {1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, -0.001, 0, 0, 0, 1};
  PreRenderPlan behind_the_eye = camera;
  // w = 1 - depth / 100: the back outline, 200 deep, lies behind the eye.
  behind_the_eye.path_to_screen = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0.01, 0, 0, 0, 1};
  behind_the_eye.back_extrusion_amount = 200;

  const struct {
    const char* name;
    PathsD paths;
    PreRenderPlan plan;
    bool whole;
    std::vector<std::pair<int, int>> drawn;  // output pixels the cover must hold
    bool colors_finite = true;
  } cases[] = {
      // The square, its walls 60 pixels to the right, the stroke around both.
      {"directional", square_at(100, 100), directional, false, {{98, 120}, {200, 120}, {150, 142}}},
      // Back depth 1.5: the back outline lies mirrored beyond the vanishing point.
      {"vanishing beyond the point",
       square_at(100, 100),
       vanishing,
       false,
       {{120, 120}, {390, 120}}},
      {"camera", square_at(100, 100), camera, false, {{120, 120}, {200, 100}}},
      // Walls on the right edge: the composite's bilinear read wraps to the left edge.
      {"at the right edge", square_at(430, 200), directional, false, {{470, 220}, {0, 220}}},
      {"nothing", {}, directional, false, {}},
      {"behind the eye", square_at(100, 100), behind_the_eye, true, {}},
      {"most of the output", square_at(10, 10, 440), directional, true, {}},
      // Where nothing is drawn the composite is then not transparent.
      {"colour not finite", square_at(100, 100), directional, true, {}, false},
  };
  const RectD output{0, -frame_height, frame_width, 0};
  for (const auto& c : cases) {
    const FrameCoverage coverage =
        compute_frame_coverage(c.paths, c.plan, output, output, c.colors_finite);
    ASSERT_EQ(coverage.whole, c.whole) << c.name;
    if (c.whole) continue;
    for (const auto& [x, y] : c.drawn) {
      EXPECT_TRUE(inside(coverage.drawn, x, y)) << c.name << " at " << x << ", " << y;
    }
    // Every output pixel is either drawn or empty, never both.
    for (int y = 0; y < frame_height; y += 4) {
      for (int x = 0; x < frame_width; x += 4) {
        EXPECT_NE(inside(coverage.drawn, x, y), inside(coverage.empty, x, y))
            << c.name << " at " << x << ", " << y;
      }
    }
    EXPECT_TRUE(inside(coverage.empty, 300, 20)) << c.name;
  }
}

}  // namespace
