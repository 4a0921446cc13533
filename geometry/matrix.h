#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "geometry/path_types.h"
#include "geometry/side_fill_stop.h"

// 4x4 doubles, row-major ([r][c] at 4 * r + c), for row vectors: p' = p * M, translation in
// row 3. Read column-major the same memory is the usual column-vector matrix, so a float copy
// goes to GLSL mat4 uniforms untransposed.
using dmat4 = std::array<double, 16>;
// 2x2 doubles, row-major, for row vectors: p'.x = p.x * m0 + p.y * m2, p'.y = p.x * m1 + p.y * m3.
using dmat2 = std::array<double, 4>;
// Single-precision counterpart of dmat4 (GLSL mat4).
using mat4 = std::array<float, 16>;

struct dvec2 {
  double x = 0.0;
  double y = 0.0;
};

struct dvec4 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double w = 0.0;
};

struct vec2 {
  float x = 0.0f;
  float y = 0.0f;
};

struct vec4 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;
};

struct ivec2 {
  int32_t x = 0;
  int32_t y = 0;
};

// Double rectangle. In path space the top edge has the smaller y.
struct RectD {
  double left = 0.0;
  double top = 0.0;
  double right = 0.0;
  double bottom = 0.0;

  // (+inf, +inf, -inf, -inf): extending it by a point gives that point.
  static constexpr RectD empty() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    return {inf, inf, -inf, -inf};
  }
};

dmat4 dmat4_identity();

// Returns b * a: applied to a row vector, b acts first, then a.
dmat4 mat4_multiply(const dmat4& a, const dmat4& b);
// Inverse by cofactors; a singular matrix gives non-finite entries.
dmat4 mat4_inverse(const dmat4& m);
dmat4 ortho_dmat4(double left, double right, double bottom, double top, double near_plane,
                  double far_plane);

dvec4 transform_dvec4(const dvec4& v, const dmat4& m);
dvec2 transform_dvec2(const dvec2& v, const dmat2& m);

dmat2 dmat2_from_values(double m0, double m1, double m2, double m3);
dmat2 dmat2_diagonal(double s);
dmat2 dmat2_transpose(const dmat2& m);

dvec4 dvec4_from_values(double x, double y, double z, double w);
bool dvec4_not_equal(const dvec4& a, const dvec4& b);
bool dvec4_not_equal(const dmat2& a, const dmat2& b);
bool dvec2_not_equal(const dvec2& a, const dvec2& b);
dvec2 dvec2_from_ints(int32_t x, int32_t y);
dvec2 dvec2_add(const dvec2& a, const dvec2& b);
dvec2 dvec2_subtract(const dvec2& a, const dvec2& b);
dvec2 dvec2_multiply(const dvec2& a, const dvec2& b);
dvec2 vec2_divide(const dvec2& v, double s);
// No test for a zero vector: (0, 0) gives NaN components.
dvec2 dvec2_normalize(const dvec2& v);
dvec2 dvec2_floor(const dvec2& v);
dvec2 dvec2_ceil(const dvec2& v);

// Union; extending RectD::empty() by (x, y, x, y) gives that point.
RectD rect_extend(const RectD& a, const RectD& b);
// No test for emptiness.
RectD intersect_rect_double(const RectD& a, const RectD& b);
// p := (p - c) * r + c.
void rotate_about_point(dvec2& p, const dmat2& r, const dvec2& c);

mat4 mat4_to_float(const dmat4& m);
vec2 vec2_from_dvec2(const dvec2& v);
vec4 vec4_from_dvec2(const dvec2& v, float z, float w);
vec2 vec2_from_ints(int32_t x, int32_t y);
// Truncates toward zero; values beyond the i32 range saturate and NaN gives 0.
ivec2 ivec2_from_dvec2(const dvec2& v);
vec4 transform_vec4(const vec4& v, const mat4& m);
vec2 vec2_multiply(const vec2& a, const vec2& b);
vec2 vec2_scale(const vec2& v, float s);
vec2 vec2_add_scalar(const vec2& v, float s);
// x - floor(x / y) * y in single precision; in [0, y) for y > 0.
float float_mod(float x, float y);

// Reverses the point order; flags travel with their points.
void reverse_path(PathD& path);
// Stable, ascending by angle; stops with a NaN angle go last, in their order.
void sort_stops_by_angle(std::vector<SideFillStop>& stops);
