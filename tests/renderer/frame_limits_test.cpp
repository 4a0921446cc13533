// Frames against the GPU's largest texture and the memory budget: the supersampling a frame can
// have.

#include <limits>
#include <string>

#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

constexpr size_t no_budget = std::numeric_limits<size_t>::max();

TEST(FittingSupersampling, LowersTheFactorUntilTheFaceTargetsFit) {
  struct Case {
    const char* what;
    int width, height;
    ExtrusionMode mode;
    int32_t ssaa, largest;
    size_t budget;
    int32_t expected;
  };
  // 200 x 150 at 20 bytes a face sample, 8 an output pixel (8-bit).
  const auto bytes_at = [](int32_t ssaa) { return size_t{200 * 150} * (ssaa * ssaa * 20 + 8); };
  const Case cases[] = {
      {"fits", 200, 150, ExtrusionMode::directional, 3, 16384, no_budget, 3},
      {"exactly the largest side", 200, 150, ExtrusionMode::directional, 8, 1600, no_budget, 8},
      {"one sample too wide", 200, 150, ExtrusionMode::directional, 8, 1599, no_budget, 7},
      {"too tall", 150, 200, ExtrusionMode::directional, 8, 1000, no_budget, 5},
      // Near the vanishing point the face reaches 2 rows beyond the bottom edge: 8 times 150
      // rows would fit, 8 times 152 do not.
      {"the face beyond the output", 120, 150, ExtrusionMode::vanishing, 8, 1200, no_budget, 7},
      {"the budget", 200, 150, ExtrusionMode::directional, 8, 16384, bytes_at(4), 4},
      {"just over the budget", 200, 150, ExtrusionMode::directional, 8, 16384, bytes_at(4) - 1, 3},
      {"nothing fits: 1", 200, 150, ExtrusionMode::directional, 4, 100, no_budget, 1},
      {"a factor below 1 stays", 200, 150, ExtrusionMode::directional, 0, 16384, no_budget, 1},
  };
  for (const Case& c : cases) {
    Scene scene{c.width, c.height};
    scene.outlines({bezier_rect(20, 20, 80, 60)});
    scene.request.mode = c.mode;
    scene.request.back = c.mode == ExtrusionMode::vanishing ? 0.4 : 20;
    scene.request.vanishing_x = c.width / 2.0;
    scene.request.vanishing_y = c.height - 1;
    scene.request.stroke_width = 4;
    RenderInput in;
    in.plan = scene.plan();
    in.ssaa = c.ssaa;
    PF_EffectWorld out{};
    out.width = c.width;
    out.height = c.height;
    EXPECT_EQ(fitting_supersampling(in, out, c.largest, c.budget), c.expected) << c.what;
  }
  // A plan that cannot be drawn is left to the render routine to refuse.
  RenderInput in;
  in.ssaa = 6;
  in.plan.stroke_width = std::numeric_limits<double>::quiet_NaN();
  PF_EffectWorld out{};
  out.width = out.height = 100000;
  EXPECT_EQ(fitting_supersampling(in, out, 100, 1), 6);
}

}  // namespace
}  // namespace tarvolk::test
