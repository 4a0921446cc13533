#include "geometry/matrix.h"

#include <algorithm>
#include <cmath>

namespace {

int32_t saturate_to_i32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);  // truncates toward zero
}

}  // namespace

dmat4 dmat4_identity() {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

dmat4 mat4_multiply(const dmat4& a, const dmat4& b) {
  dmat4 r{};
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += b[4 * row + k] * a[4 * k + col];
      r[4 * row + col] = sum;
    }
  }
  return r;
}

dmat4 mat4_inverse(const dmat4& m) {
  // inv holds the adjugate (transposed cofactors).
  dmat4 inv;
  inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
           m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
  inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
           m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
  inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
           m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
  inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
            m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
  inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
           m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
  inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
           m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
  inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
           m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
  inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
            m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
  inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
           m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
  inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
           m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
  inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
            m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
  inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
            m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
  inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
           m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
  inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
           m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
  inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
            m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
  inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
            m[8] * m[1] * m[6] - m[8] * m[2] * m[5];

  // Expansion along row 0.
  const double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
  for (double& v : inv) v /= det;
  return inv;
}

dmat4 ortho_dmat4(double left, double right, double bottom, double top, double near_plane,
                  double far_plane) {
  dmat4 r{};
  r[0] = 2.0 / (right - left);
  r[5] = 2.0 / (top - bottom);
  r[10] = -2.0 / (far_plane - near_plane);
  r[12] = -(right + left) / (right - left);
  r[13] = -(top + bottom) / (top - bottom);
  r[14] = -(far_plane + near_plane) / (far_plane - near_plane);
  r[15] = 1.0;
  return r;
}

dvec4 transform_dvec4(const dvec4& v, const dmat4& m) {
  return {v.x * m[0] + v.y * m[4] + v.z * m[8] + v.w * m[12],
          v.x * m[1] + v.y * m[5] + v.z * m[9] + v.w * m[13],
          v.x * m[2] + v.y * m[6] + v.z * m[10] + v.w * m[14],
          v.x * m[3] + v.y * m[7] + v.z * m[11] + v.w * m[15]};
}

dvec2 transform_dvec2(const dvec2& v, const dmat2& m) {
  return {v.x * m[0] + v.y * m[2], v.x * m[1] + v.y * m[3]};
}

dmat2 dmat2_from_values(double m0, double m1, double m2, double m3) {
  return {m0, m1, m2, m3};
}

dmat2 dmat2_diagonal(double s) {
  return {s, 0.0, 0.0, s};
}

dmat2 dmat2_transpose(const dmat2& m) {
  return {m[0], m[2], m[1], m[3]};
}

dvec4 dvec4_from_values(double x, double y, double z, double w) {
  return {x, y, z, w};
}

bool dvec4_not_equal(const dvec4& a, const dvec4& b) {
  return a.x != b.x || a.y != b.y || a.z != b.z || a.w != b.w;
}

bool dvec4_not_equal(const dmat2& a, const dmat2& b) {
  return a[0] != b[0] || a[1] != b[1] || a[2] != b[2] || a[3] != b[3];
}

bool dvec2_not_equal(const dvec2& a, const dvec2& b) {
  return a.x != b.x || a.y != b.y;
}

dvec2 dvec2_from_ints(int32_t x, int32_t y) {
  return {static_cast<double>(x), static_cast<double>(y)};
}

dvec2 dvec2_add(const dvec2& a, const dvec2& b) {
  return {a.x + b.x, a.y + b.y};
}

dvec2 dvec2_subtract(const dvec2& a, const dvec2& b) {
  return {a.x - b.x, a.y - b.y};
}

dvec2 dvec2_multiply(const dvec2& a, const dvec2& b) {
  return {a.x * b.x, a.y * b.y};
}

dvec2 vec2_divide(const dvec2& v, double s) {
  return {v.x / s, v.y / s};
}

dvec2 dvec2_normalize(const dvec2& v) {
  const double length = std::sqrt(v.x * v.x + v.y * v.y);
  return {v.x / length, v.y / length};
}

dvec2 dvec2_floor(const dvec2& v) {
  return {std::floor(v.x), std::floor(v.y)};
}

dvec2 dvec2_ceil(const dvec2& v) {
  return {std::ceil(v.x), std::ceil(v.y)};
}

RectD rect_extend(const RectD& a, const RectD& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

RectD intersect_rect_double(const RectD& a, const RectD& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

void rotate_about_point(dvec2& p, const dmat2& r, const dvec2& c) {
  p = dvec2_add(transform_dvec2(dvec2_subtract(p, c), r), c);
}

mat4 mat4_to_float(const dmat4& m) {
  mat4 r;
  for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<float>(m[i]);
  return r;
}

vec2 vec2_from_dvec2(const dvec2& v) {
  return {static_cast<float>(v.x), static_cast<float>(v.y)};
}

vec4 vec4_from_dvec2(const dvec2& v, float z, float w) {
  return {static_cast<float>(v.x), static_cast<float>(v.y), z, w};
}

vec2 vec2_from_ints(int32_t x, int32_t y) {
  return {static_cast<float>(x), static_cast<float>(y)};
}

ivec2 ivec2_from_dvec2(const dvec2& v) {
  return {saturate_to_i32(v.x), saturate_to_i32(v.y)};
}

vec4 transform_vec4(const vec4& v, const mat4& m) {
  return {v.x * m[0] + v.y * m[4] + v.z * m[8] + v.w * m[12],
          v.x * m[1] + v.y * m[5] + v.z * m[9] + v.w * m[13],
          v.x * m[2] + v.y * m[6] + v.z * m[10] + v.w * m[14],
          v.x * m[3] + v.y * m[7] + v.z * m[11] + v.w * m[15]};
}

vec2 vec2_multiply(const vec2& a, const vec2& b) {
  return {a.x * b.x, a.y * b.y};
}

vec2 vec2_scale(const vec2& v, float s) {
  return {s * v.x, s * v.y};
}

vec2 vec2_add_scalar(const vec2& v, float s) {
  return {v.x + s, v.y + s};
}

float float_mod(float x, float y) {
  return x - std::floor(x / y) * y;
}

void reverse_path(PathD& path) {
  std::reverse(path.begin(), path.end());
}

void sort_stops_by_angle(std::vector<SideFillStop>& stops) {
  // NaN angles would break the ordering the sort relies on; they go last instead.
  std::stable_sort(stops.begin(), stops.end(), [](const SideFillStop& a, const SideFillStop& b) {
    const bool a_nan = std::isnan(a.angle);
    const bool b_nan = std::isnan(b.angle);
    if (a_nan || b_nan) return !a_nan && b_nan;
    return a.angle < b.angle;
  });
}
