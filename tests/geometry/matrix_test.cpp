// The matrix helpers: values that are not finite or do not fit, the orders
// they sort and reverse into, and the order of products, inverses, the
// orthographic projection in single precision and rotations about a point.

#include "geometry/matrix.h"

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

dmat4 translate_scale(double t, double s) {
  dmat4 m = dmat4_identity();
  for (int i : {0, 5, 10}) m[i] = s;
  for (int i : {12, 13, 14}) m[i] = t;
  return m;
}

TEST(MatrixHelpers, MultiplyAppliesSecondArgumentFirstAndInverse) {
  const dmat4 sample = {2, 0.5, 0, 0.1, -1, 3, 0.25, 0, 0, 1, 4, -0.2, 7, -3, 2, 1};
  // Scale by 2 first, then translate by 10.
  const dvec4 p =
      transform_dvec4({1, 2, 3, 1}, mat4_multiply(translate_scale(10, 1), translate_scale(0, 2)));
  EXPECT_EQ(p.x, 12.0);
  EXPECT_EQ(p.y, 14.0);
  EXPECT_EQ(p.z, 16.0);
  EXPECT_EQ(p.w, 1.0);

  const dmat4 product = mat4_multiply(sample, mat4_inverse(sample));
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(product[i], dmat4_identity()[i], 1e-12) << i;
  EXPECT_FALSE(std::isfinite(mat4_inverse(translate_scale(1, 0))[0]));
}

TEST(MatrixHelpers, OrthoAndSinglePrecisionChain) {
  // The outline pass's vanishing point in output pixels, on an output from
  // (10, -20) to (210, 80).
  const mat4 out = mat4_to_float(ortho_dmat4(10, 210, -20, 80, 0, 1));
  const vec4 clip = transform_vec4(vec4_from_dvec2({60, 55}, 0, 1), out);
  const vec2 pixel =
      vec2_multiply(vec2_add_scalar(vec2_scale({clip.x, clip.y}, 0.5f), 0.5f), {200, 100});
  EXPECT_FLOAT_EQ(pixel.x, 50.0f);
  EXPECT_FLOAT_EQ(pixel.y, 75.0f);
  EXPECT_EQ(clip.z, -1.0f);
  EXPECT_EQ(transform_vec4({0, 0, -1, 1}, out).z, 1.0f);
}

TEST(MatrixHelpers, RotationAboutPoint) {
  // 90 degrees counter-clockwise for row vectors: p'.x = p.x m0 + p.y m2.
  const dmat2 r = dmat2_from_values(0, 1, -1, 0);
  dvec2 q = {3, 2};
  rotate_about_point(q, r, {2, 2});
  EXPECT_EQ(q.x, 2.0);
  EXPECT_EQ(q.y, 3.0);
  rotate_about_point(q, dmat2_transpose(r), {2, 2});
  EXPECT_EQ(q.x, 3.0);
  EXPECT_EQ(q.y, 2.0);
  EXPECT_FALSE(dvec4_not_equal(dmat2_diagonal(1), dmat2_from_values(1, 0, 0, 1)));
  EXPECT_TRUE(dvec4_not_equal(dmat2_diagonal(1), r));
}

}  // namespace
