#pragma once

// 3 x 3 matrices of doubles for points of the plane as row vectors: a point
// (x, y) maps to (x, y, 1) · M, so the translation is the third row. The one
// way to combine two is `first.then(second)`, the product first · second: a
// point mapped through it goes through `first`, then through `second`.
//
// The sums run in a fixed order (left to right over the inner index, from
// 0.0), so a product of the same factors grouped the same way always gives
// the same bits.

#include <array>
#include <cmath>

struct Point2d {
  double x = 0.0;
  double y = 0.0;
};

struct Matrix3 {
  // m[row][column].
  std::array<std::array<double, 3>, 3> m{};

  // This matrix, then `next`: the product this · next.
  Matrix3 then(const Matrix3& next) const {
    Matrix3 product;
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) {
        double sum = 0.0;
        for (int k = 0; k < 3; ++k) sum += m[row][k] * next.m[k][col];
        product.m[row][col] = sum;
      }
    }
    return product;
  }

  // (x, y) mapped: (x m00 + y m10 + m20, x m01 + y m11 + m21).
  Point2d map(double x, double y) const {
    return {x * m[0][0] + y * m[1][0] + m[2][0], x * m[0][1] + y * m[1][1] + m[2][1]};
  }
};

// The affine map (x, y) -> (x xx + y yx + tx, x xy + y yy + ty).
inline Matrix3 matrix3_affine(double xx, double xy, double yx, double yy, double tx, double ty) {
  return {{{{xx, xy, 0.0}, {yx, yy, 0.0}, {tx, ty, 1.0}}}};
}

inline Matrix3 matrix3_translation(double tx, double ty) {
  return matrix3_affine(1.0, 0.0, 0.0, 1.0, tx, ty);
}

inline Matrix3 matrix3_scale(double sx, double sy) {
  return matrix3_affine(sx, 0.0, 0.0, sy, 0.0, 0.0);
}

// The rotation by the angle of that cosine and sine about the origin: from
// +x towards +y, which is clockwise on a screen whose y grows downwards.
inline Matrix3 matrix3_rotation(double cosine, double sine) {
  return matrix3_affine(cosine, sine, -sine, cosine, 0.0, 0.0);
}

// The same rotation about (cx, cy).
inline Matrix3 matrix3_rotation_about(double cosine, double sine, double cx, double cy) {
  return matrix3_affine(cosine, sine, -sine, cosine, (1 - cosine) * cx + sine * cy,
                        (1 - cosine) * cy - sine * cx);
}

// The skew by the angle `skew` along the direction `axis` (both in radians).
inline Matrix3 matrix3_skew(double axis, double skew) {
  const double t = std::tan(skew);
  const double s = std::sin(axis);
  const double c = std::cos(axis);
  return matrix3_affine(1 - s * c * t, s * s * t, -c * c * t, 1 + s * c * t, 0.0, 0.0);
}
