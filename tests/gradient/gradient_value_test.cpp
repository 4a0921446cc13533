#include "gradient_wheel/gradient_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

void expect_color(const PF_PixelFloat& c, float alpha, float red, float green, float blue,
                  float tolerance = 1e-4f) {
  EXPECT_NEAR(c.alpha, alpha, tolerance);
  EXPECT_NEAR(c.red, red, tolerance);
  EXPECT_NEAR(c.green, green, tolerance);
  EXPECT_NEAR(c.blue, blue, tolerance);
}

void expect_zero(const PF_PixelFloat& c) {
  expect_color(c, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
}

const GradientPoint* defaults() {
  return default_gradient_points.data();
}

}  // namespace

TEST(GradientBlob, DefaultValueLayoutIsLittleEndianCountThenStops) {
  const std::vector<std::byte> bytes = GradientBlob::encode(default_gradient_points);
  ASSERT_EQ(bytes.size(), 76u);
  const auto u8 = [&](std::size_t i) { return std::to_integer<unsigned>(bytes[i]); };
  EXPECT_EQ(u8(0), 72u);
  EXPECT_EQ(u8(1) | u8(2) | u8(3), 0u);

  // Second stop: 0.333 as a double at 4 + 24, then alpha, red, green, blue floats.
  double position = 0;
  std::memcpy(&position, bytes.data() + 28, 8);
  EXPECT_EQ(position, 0.333);
  float channels[4] = {};
  std::memcpy(channels, bytes.data() + 36, 16);
  EXPECT_EQ(channels[0], 1.0f);
  EXPECT_EQ(channels[1], 0.0f);
  EXPECT_EQ(channels[2], 1.0f);
  EXPECT_EQ(channels[3], 0.0f);

  const std::vector<GradientPoint> back = GradientBlob::decode(bytes);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[2].position, 0.666);
  EXPECT_EQ(back[2].blue, 1.0f);
}

TEST(GradientColorAt, InterpolatesWithinTheSegmentAndOverTheWrap) {
  // 0.5 lies between 0.333 and 0.666 at t = 0.167 / 0.333.
  expect_color(gradient_color_at(3, defaults(), 0.5), 1.0f, 0.0f, 0.4985f, 0.5015f);
  // 0.9 lies between 0.666 and the first stop raised to 1.0, t = 0.234 / 0.334.
  expect_color(gradient_color_at(3, defaults(), 0.9), 1.0f, 0.7006f, 0.0f, 0.2994f);
  // 1.0 is the end of the wrap segment, which is red again.
  expect_color(gradient_color_at(3, defaults(), 1.0), 1.0f, 1.0f, 0.0f, 0.0f);
  // -0.5 is raised to 0.5 below the first stop.
  expect_color(gradient_color_at(3, defaults(), -0.5), 1.0f, 0.0f, 0.4985f, 0.5015f);
  // A position exactly on a stop gives that stop.
  expect_color(gradient_color_at(3, defaults(), 0.333), 1.0f, 0.0f, 1.0f, 0.0f, 0.0f);
}

TEST(GradientColorAt, SortsACopyAndKeepsStoredOrderOfEqualPositions) {
  std::vector<GradientPoint> stops = {
      {0.666, 1.0f, 0.0f, 0.0f, 1.0f},
      {0.0, 1.0f, 1.0f, 0.0f, 0.0f},
      {0.333, 1.0f, 0.0f, 1.0f, 0.0f},
  };
  const std::vector<GradientPoint> before = stops;
  expect_color(gradient_color_at(stops.size(), stops.data(), 0.5), 1.0f, 0.0f, 0.4985f, 0.5015f);
  EXPECT_EQ(std::memcmp(stops.data(), before.data(), 24 * stops.size()), 0);

  // Two stops at 0.5: the segment from 0.0 ends on the first one stored.
  const std::vector<GradientPoint> equal = {
      {0.5, 1.0f, 1.0f, 0.0f, 0.0f},
      {0.0, 1.0f, 0.0f, 0.0f, 0.0f},
      {0.5, 1.0f, 0.0f, 1.0f, 0.0f},
  };
  expect_color(gradient_color_at(equal.size(), equal.data(), 0.5), 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
}

TEST(GradientColorAt, ZeroWhenNoSegmentHoldsThePosition) {
  expect_zero(gradient_color_at(0, nullptr, 0.5));
  expect_zero(gradient_color_at(0, defaults(), 0.5));

  // The wrap segment runs from 0.666 to 0.8 only, so nothing holds 0.9.
  const std::vector<GradientPoint> shifted = {
      {-0.2, 1.0f, 1.0f, 0.0f, 0.0f},
      {0.333, 1.0f, 0.0f, 1.0f, 0.0f},
      {0.666, 1.0f, 0.0f, 0.0f, 1.0f},
  };
  expect_zero(gradient_color_at(3, shifted.data(), 0.9));
  expect_zero(gradient_sample(3, shifted.data(), 0.9, true));

  // A single stop holds only its own position, as a segment of zero length.
  const GradientPoint single{0.25, 0.5f, 0.1f, 0.2f, 0.3f};
  expect_color(gradient_color_at(1, &single, 0.25), 0.5f, 0.1f, 0.2f, 0.3f, 0.0f);
  expect_zero(gradient_color_at(1, &single, 0.3));
}

TEST(GradientSample, NearestStopWithTiesToTheLowerNeighbour) {
  // 0.666 is 0.166 away from 0.5, 0.333 is 0.167 away: blue.
  expect_color(gradient_sample(3, defaults(), 0.5, false), 1.0f, 0.0f, 0.0f, 1.0f, 0.0f);
  // 0.1665 is exactly as far from 0.0 as from 0.333: the lower stop, red.
  expect_color(gradient_sample(3, defaults(), 0.1665, false), 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
  // Above the last stop the neighbours are the last and the first: 0.95 is near 0.0.
  expect_color(gradient_sample(3, defaults(), 0.95, false), 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
  // A negative position (a click with a negative global offset) is the same place a turn on:
  // -0.9 is 0.1, nearest to red, not to green 1.233 away.
  expect_color(gradient_sample(3, defaults(), -0.9, false), 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
}

TEST(GradientSample, GammaPowersAreNotExactInverses) {
  const GradientPoint grey{0.4, 0.75f, 0.5f, 0.5f, 0.5f};
  const PF_PixelFloat c = gradient_sample(1, &grey, 0.9, false);
  expect_color(c, 0.75f, 0.4969f, 0.4969f, 0.4969f);
  EXPECT_NE(c.red, 0.5f);

  // Interpolation runs between the raised colours: halfway from black to white is
  // 0.5 raised to 0.4545, brighter than the plain mix.
  const std::vector<GradientPoint> black_white = {
      {0.0, 1.0f, 0.0f, 0.0f, 0.0f},
      {0.5, 0.0f, 1.0f, 1.0f, 1.0f},
  };
  const PF_PixelFloat mid = gradient_sample(2, black_white.data(), 0.25, true);
  expect_color(mid, 0.5f, 0.7298f, 0.7298f, 0.7298f);
}

TEST(GradientSample, EmptyListInNearestModeSaysSoAndGivesZero) {
  testing::internal::CaptureStderr();
  const PF_PixelFloat c = gradient_sample(0, nullptr, 0.5, false);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Gradient points vector is empty.\n");
  expect_zero(c);

  testing::internal::CaptureStderr();
  expect_zero(gradient_sample(0, nullptr, 0.5, true));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(GradientSample, DamagedPositionsStayDefined) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<GradientPoint> odd = {
      {nan, 1.0f, 1.0f, 0.0f, 0.0f}, {0.25, 1.0f, 0.0f, 1.0f, 0.0f},  {inf, 1.0f, 0.0f, 0.0f, 1.0f},
      {nan, 1.0f, 0.0f, 0.0f, 1.0f}, {0.75, 1.0f, 3e38f, 0.0f, 0.0f},
  };
  // Only that the calls return; their colours are whatever the arithmetic gives.
  for (const double q : {0.0, 0.25, 0.5, 1.0, -1.0, nan, inf}) {
    (void)gradient_color_at(odd.size(), odd.data(), q);
    (void)gradient_sample(odd.size(), odd.data(), q, true);
    (void)gradient_sample(odd.size(), odd.data(), q, false);
  }
  // The finite stops are still found between the others.
  expect_color(gradient_color_at(odd.size(), odd.data(), 0.25), 1.0f, 0.0f, 1.0f, 0.0f, 0.0f);
}
