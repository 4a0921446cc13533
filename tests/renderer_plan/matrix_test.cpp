#include "renderer/matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

dmat4 translate(double x, double y, double z) {
  dmat4 m = dmat4_identity();
  m[12] = x;
  m[13] = y;
  m[14] = z;
  return m;
}

dmat4 scale(double x, double y, double z) {
  dmat4 m = dmat4_identity();
  m[0] = x;
  m[5] = y;
  m[10] = z;
  return m;
}

dmat4 sample_matrix() {
  return {2, 0.5, 0, 0.1, -1, 3, 0.25, 0, 0, 1, 4, -0.2, 7, -3, 2, 1};
}

TEST(MatrixProducts, MultiplyAppliesSecondArgumentFirst) {
  const dmat4 a = sample_matrix();
  EXPECT_EQ(mat4_multiply(a, dmat4_identity()), a);
  EXPECT_EQ(mat4_multiply(dmat4_identity(), a), a);

  // Scale first, then translate.
  const dmat4 m = mat4_multiply(translate(10, 20, 30), scale(2, 3, 4));
  const dvec4 p = transform_dvec4({1, 1, 1, 1}, m);
  EXPECT_DOUBLE_EQ(p.x, 12.0);
  EXPECT_DOUBLE_EQ(p.y, 23.0);
  EXPECT_DOUBLE_EQ(p.z, 34.0);
  EXPECT_DOUBLE_EQ(p.w, 1.0);

  // Chained: p * b * a equals (p * b) * a.
  const dvec4 q = {0.5, -2, 3, 1};
  const dvec4 chained = transform_dvec4(transform_dvec4(q, scale(2, 3, 4)), a);
  const dvec4 direct = transform_dvec4(q, mat4_multiply(a, scale(2, 3, 4)));
  EXPECT_DOUBLE_EQ(chained.x, direct.x);
  EXPECT_DOUBLE_EQ(chained.y, direct.y);
  EXPECT_DOUBLE_EQ(chained.z, direct.z);
  EXPECT_DOUBLE_EQ(chained.w, direct.w);
}

TEST(MatrixProducts, InverseUndoesMatrix) {
  const dmat4 a = sample_matrix();
  const dmat4 product = mat4_multiply(a, mat4_inverse(a));
  const dmat4 identity = dmat4_identity();
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(product[i], identity[i], 1e-12) << i;

  const dmat4 singular = scale(1, 0, 1);
  bool non_finite = false;
  for (double v : mat4_inverse(singular)) non_finite = non_finite || !std::isfinite(v);
  EXPECT_TRUE(non_finite);
}

TEST(MatrixProducts, OrthoMapsBoxToClipCube) {
  const dmat4 m = ortho_dmat4(10, 50, -20, 20, 0, 1);
  const dvec4 lo = transform_dvec4({10, -20, 0, 1}, m);
  const dvec4 hi = transform_dvec4({50, 20, -1, 1}, m);
  EXPECT_DOUBLE_EQ(lo.x, -1.0);
  EXPECT_DOUBLE_EQ(lo.y, -1.0);
  EXPECT_DOUBLE_EQ(lo.z, -1.0);
  EXPECT_DOUBLE_EQ(hi.x, 1.0);
  EXPECT_DOUBLE_EQ(hi.y, 1.0);
  EXPECT_DOUBLE_EQ(hi.z, 1.0);
  EXPECT_EQ(m[3], 0.0);
  EXPECT_EQ(m[15], 1.0);
}

TEST(MatrixVectors, TwoByTwoConvention) {
  // 90 degrees counter-clockwise for row vectors.
  const dmat2 r = dmat2_from_values(0, 1, -1, 0);
  const dvec2 p = transform_dvec2({1, 0}, r);
  EXPECT_EQ(p.x, 0.0);
  EXPECT_EQ(p.y, 1.0);
  EXPECT_EQ(dmat2_transpose(r), (dmat2{0, -1, 1, 0}));
  EXPECT_EQ(dmat2_diagonal(3), (dmat2{3, 0, 0, 3}));
  EXPECT_FALSE(dvec4_not_equal(dmat2_diagonal(1), dmat2_from_values(1, 0, 0, 1)));
  EXPECT_TRUE(dvec4_not_equal(dmat2_diagonal(1), r));

  dvec2 q = {3, 2};
  rotate_about_point(q, r, {2, 2});
  EXPECT_EQ(q.x, 2.0);
  EXPECT_EQ(q.y, 3.0);
}

TEST(MatrixVectors, ComponentOperations) {
  EXPECT_FALSE(dvec2_not_equal({1, 2}, {1, 2}));
  EXPECT_TRUE(dvec2_not_equal({1, 2}, {1, 3}));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(dvec2_not_equal({nan, 0}, {nan, 0}));
  EXPECT_TRUE(dvec4_not_equal(dvec4_from_values(1, 2, 3, 4), dvec4_from_values(1, 2, 3, 5)));
  EXPECT_FALSE(dvec4_not_equal(dvec4_from_values(1, 2, 3, 4), dvec4_from_values(1, 2, 3, 4)));

  const dvec2 s = dvec2_add({1, 2}, {3, 5});
  const dvec2 d = dvec2_subtract({1, 2}, {3, 5});
  const dvec2 m = dvec2_multiply({1, 2}, {3, 5});
  const dvec2 v = vec2_divide({3, 6}, 3);
  EXPECT_EQ(s.x, 4.0);
  EXPECT_EQ(s.y, 7.0);
  EXPECT_EQ(d.x, -2.0);
  EXPECT_EQ(d.y, -3.0);
  EXPECT_EQ(m.x, 3.0);
  EXPECT_EQ(m.y, 10.0);
  EXPECT_EQ(v.x, 1.0);
  EXPECT_EQ(v.y, 2.0);

  const dvec2 n = dvec2_normalize({3, -4});
  EXPECT_DOUBLE_EQ(n.x, 0.6);
  EXPECT_DOUBLE_EQ(n.y, -0.8);
  const dvec2 zero = dvec2_normalize({0, 0});
  EXPECT_FALSE(std::isfinite(zero.x));
  EXPECT_FALSE(std::isfinite(zero.y));

  EXPECT_EQ(dvec2_floor({-1.5, 1.5}).x, -2.0);
  EXPECT_EQ(dvec2_ceil({-1.5, 1.5}).y, 2.0);
  EXPECT_EQ(dvec2_from_ints(-7, 9).x, -7.0);
}

TEST(MatrixRects, ExtendAndIntersect) {
  const RectD point = rect_extend(RectD::empty(), {3, -4, 3, -4});
  EXPECT_EQ(point.left, 3.0);
  EXPECT_EQ(point.top, -4.0);
  EXPECT_EQ(point.right, 3.0);
  EXPECT_EQ(point.bottom, -4.0);

  const RectD u = rect_extend({0, 0, 10, 10}, {5, -5, 20, 8});
  EXPECT_EQ(u.left, 0.0);
  EXPECT_EQ(u.top, -5.0);
  EXPECT_EQ(u.right, 20.0);
  EXPECT_EQ(u.bottom, 10.0);

  // No emptiness test: disjoint rectangles give an inverted one.
  const RectD i = intersect_rect_double({0, 0, 10, 10}, {20, 20, 30, 30});
  EXPECT_EQ(i.left, 20.0);
  EXPECT_EQ(i.right, 10.0);
}

TEST(MatrixSinglePrecision, Conversions) {
  const mat4 f = mat4_to_float(sample_matrix());
  EXPECT_EQ(f[1], 0.5f);
  EXPECT_EQ(f[3], 0.1f);

  const ivec2 t = ivec2_from_dvec2({-1.5, 1.5});
  EXPECT_EQ(t.x, -1);
  EXPECT_EQ(t.y, 1);
  // Out of range saturates; NaN gives 0.
  const ivec2 big = ivec2_from_dvec2({1e20, -std::numeric_limits<double>::infinity()});
  EXPECT_EQ(big.x, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(big.y, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ivec2_from_dvec2({std::numeric_limits<double>::quiet_NaN(), 0}).x, 0);

  EXPECT_EQ(vec2_from_ints(-3, 4).x, -3.0f);
  const vec4 v = vec4_from_dvec2({1.25, -2.5}, 0.0f, 1.0f);
  EXPECT_EQ(v.x, 1.25f);
  EXPECT_EQ(v.y, -2.5f);
  EXPECT_EQ(v.w, 1.0f);

  // The outline pass's vanishing point in output pixels.
  const mat4 out = mat4_to_float(ortho_dmat4(0, 200, 0, 100, 0, 1));
  const vec4 clip = transform_vec4(vec4_from_dvec2({50, 75}, 0, 1), out);
  const vec2 pixel =
      vec2_multiply(vec2_add_scalar(vec2_scale({clip.x, clip.y}, 0.5f), 0.5f), {200, 100});
  EXPECT_FLOAT_EQ(pixel.x, 50.0f);
  EXPECT_FLOAT_EQ(pixel.y, 75.0f);
}

TEST(MatrixSinglePrecision, FloatMod) {
  EXPECT_NEAR(float_mod(-0.5f, 6.2831855f), 5.7831855f, 1e-6f);
  EXPECT_EQ(float_mod(2.0f * 6.2831855f, 6.2831855f), 0.0f);
  EXPECT_EQ(float_mod(0.0f, 6.2831855f), 0.0f);
  const float r = float_mod(1000.5f, 6.2831855f);
  EXPECT_GE(r, 0.0f);
  EXPECT_LT(r, 6.2831855f);
}

TEST(MatrixSequences, ReversePathKeepsFlagsWithPoints) {
  PathD path = {{0, 0, 1}, {1, 0, 2}, {1, 1, 0}};
  reverse_path(path);
  EXPECT_EQ(path, (PathD{{1, 1, 0}, {1, 0, 2}, {0, 0, 1}}));
  PathD empty;
  reverse_path(empty);
  EXPECT_TRUE(empty.empty());
}

TEST(MatrixSequences, SortStopsIsStable) {
  std::vector<SideFillStop> stops = {{1, 0, 0, 1}, {2, 0, 0, 0}, {3, 0, 0, 1}, {4, 0, 0, 0}};
  sort_stops_by_angle(stops);
  EXPECT_EQ(stops[0].r, 2.0f);
  EXPECT_EQ(stops[1].r, 4.0f);
  EXPECT_EQ(stops[2].r, 1.0f);
  EXPECT_EQ(stops[3].r, 3.0f);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<SideFillStop> with_nan = {{1, 0, 0, nan}, {2, 0, 0, 3}, {3, 0, 0, nan}, {4, 0, 0, 1}};
  sort_stops_by_angle(with_nan);
  EXPECT_EQ(with_nan[0].r, 4.0f);
  EXPECT_EQ(with_nan[1].r, 2.0f);
  EXPECT_EQ(with_nan[2].r, 1.0f);
  EXPECT_EQ(with_nan[3].r, 3.0f);
}

}  // namespace
