#include "gradient_wheel/gradient_value.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void expect_color(const PF_PixelFloat& c, float alpha, float red, float green, float blue) {
  EXPECT_NEAR(c.alpha, alpha, 1e-4f);
  EXPECT_NEAR(c.red, red, 1e-4f);
  EXPECT_NEAR(c.green, green, 1e-4f);
  EXPECT_NEAR(c.blue, blue, 1e-4f);
}

const GradientPoint* const defaults = default_gradient_points.data();

}  // namespace

TEST(GradientColorAt, FindsTheSegmentOrGivesZero) {
  // 0.5 lies between 0.333 and 0.666; 0.9 between 0.666 and the first stop raised to 1.0.
  expect_color(gradient_color_at(3, defaults, 0.5), 1, 0, 0.4985f, 0.5015f);
  expect_color(gradient_color_at(3, defaults, 0.9), 1, 0.7006f, 0, 0.2994f);
  expect_color(gradient_color_at(3, defaults, -0.5), 1, 0, 0.4985f, 0.5015f);  // raised to 0.5
  // The stops are looked up sorted, whatever their stored order.
  const std::vector<GradientPoint> reversed(default_gradient_points.rbegin(),
                                            default_gradient_points.rend());
  expect_color(gradient_color_at(3, reversed.data(), 0.5), 1, 0, 0.4985f, 0.5015f);

  // With a stop at -0.2 the wrap segment ends at 0.8: nothing holds 0.9.
  std::vector<GradientPoint> shifted = reversed;
  shifted[2].position = -0.2;
  expect_color(gradient_color_at(3, shifted.data(), 0.9), 0, 0, 0, 0);
  expect_color(gradient_sample(3, shifted.data(), 0.9, true), 0, 0, 0, 0);
}

TEST(GradientSample, NearestStopAndGamma) {
  // 0.666 is 0.166 from 0.5, 0.333 is 0.167 away: blue.
  expect_color(gradient_sample(3, defaults, 0.5, false), 1, 0, 0, 1);
  // 0.1665 is exactly as far from 0.0 as from 0.333: the tie goes to the lower stop, red.
  expect_color(gradient_sample(3, defaults, 0.1665, false), 1, 1, 0, 0);
  // -0.9 (a click with a negative global offset) is 0.1 on the circle: red, not green.
  expect_color(gradient_sample(3, defaults, -0.9, false), 1, 1, 0, 0);

  // 2.22 and 0.4545 are not inverses; alpha takes no power.
  const GradientPoint greys[] = {{0.4, 0.75f, 0.5f, 0.5f, 0.5f}, {0.6, 0.75f, 0.5f, 0.5f, 0.5f}};
  expect_color(gradient_sample(2, greys, 0.9, false), 0.75f, 0.4969f, 0.4969f, 0.4969f);
  // Interpolation mixes the raised colours: halfway from black to white is 0.5^0.4545.
  const GradientPoint black_white[] = {{0.0, 1, 0, 0, 0}, {0.5, 1, 1, 1, 1}};
  expect_color(gradient_sample(2, black_white, 0.25, true), 1, 0.7298f, 0.7298f, 0.7298f);
}

// One stop is its own colour everywhere, exactly, and an empty value opaque
// white, in every lookup, wherever asked, and without a word.
TEST(GradientLookups, OneStopOrNoneIsOneColourEverywhere) {
  const GradientPoint grey{0.4, 0.75f, 0.5f, 0.5f, 0.5f};
  const GradientPoint outside{-0.2, 1.0f, 0.2f, 0.6f, 0.9f};
  const struct {
    std::size_t n;
    const GradientPoint* stop;
    PF_PixelFloat expected;
  } cases[] = {{1, &grey, {0.75f, 0.5f, 0.5f, 0.5f}},
               {1, &outside, {1.0f, 0.2f, 0.6f, 0.9f}},
               {0, nullptr, {1.0f, 1.0f, 1.0f, 1.0f}}};
  testing::internal::CaptureStderr();
  for (const auto& c : cases) {
    for (const double q : {-0.9, 0.0, 0.4, 0.5, 0.9, 1.0}) {
      SCOPED_TRACE(std::to_string(c.n) + " stop(s) at " + std::to_string(q));
      const PF_PixelFloat& e = c.expected;
      expect_color(gradient_color_at(c.n, c.stop, q), e.alpha, e.red, e.green, e.blue);
      expect_color(gradient_sample(c.n, c.stop, q, true), e.alpha, e.red, e.green, e.blue);
      expect_color(gradient_sample(c.n, c.stop, q, false), e.alpha, e.red, e.green, e.blue);
    }
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
