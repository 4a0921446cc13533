// The matrix helpers where they decide something themselves: values that
// are not finite or do not fit, and the orders they sort and reverse into.
// (Products, inverses, projections and rotations: the plan's camera cases,
// which check path_to_screen, and every frame drawn.)

#include "renderer/matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(MatrixHelpers, EdgeValues) {
  EXPECT_FALSE(std::isfinite(dvec2_normalize({0, 0}).x));

  EXPECT_NEAR(float_mod(-0.5f, 6.2831855f), 5.7831855f, 1e-6f);
  EXPECT_EQ(float_mod(2.0f * 6.2831855f, 6.2831855f), 0.0f);

  const ivec2 t = ivec2_from_dvec2({-1.5, 1.5});
  EXPECT_EQ(t.x, -1);
  EXPECT_EQ(t.y, 1);
  // NaN: 0 (saturation beyond the i32 range is tested through the plan's rectangles).
  EXPECT_EQ(ivec2_from_dvec2({std::numeric_limits<double>::quiet_NaN(), 0}).x, 0);
}

TEST(MatrixHelpers, SequenceOperations) {
  PathD path = {{0, 0, 1}, {1, 0, 2}, {1, 1, 0}};
  reverse_path(path);
  EXPECT_EQ(path, (PathD{{1, 1, 0}, {1, 0, 2}, {0, 0, 1}}));

  const auto reds_after_sort = [](std::vector<SideFillStop> stops) {
    sort_stops_by_angle(stops);
    std::vector<float> r;
    for (const SideFillStop& s : stops) r.push_back(s.r);
    return r;
  };
  EXPECT_EQ(reds_after_sort({{1, 0, 0, 1}, {2, 0, 0, 0}, {3, 0, 0, 1}, {4, 0, 0, 0}}),
            (std::vector<float>{2, 4, 1, 3}));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(reds_after_sort({{1, 0, 0, nan}, {2, 0, 0, 3}, {3, 0, 0, nan}, {4, 0, 0, 1}}),
            (std::vector<float>{4, 2, 1, 3}));
}

}  // namespace
