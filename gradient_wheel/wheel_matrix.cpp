#include "gradient_wheel/wheel_matrix.h"

void mat3_identity(Mat3& m) {
  m = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

void mat3_concat(const Mat3& a, Mat3& m) {
  Mat3 product{};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += m[row][k] * a[k][col];
      product[row][col] = sum;
    }
  }
  m = product;
}

void mat3_translate(Mat3& m, double tx, double ty) {
  mat3_concat({{{1, 0, 0}, {0, 1, 0}, {tx, ty, 1}}}, m);
}

void mat3_rotate_about(Mat3& m, const PF_ANSICallbacksSuite1& ansi, double degrees, double cx,
                       double cy) {
  if (degrees == 0) return;
  const double radians = degrees * 0.017453292519943295;
  const double s = ansi.sin(radians);
  const double c = ansi.cos(radians);
  mat3_concat({{{c, s, 0}, {-s, c, 0}, {(1 - c) * cx + s * cy, (1 - c) * cy - s * cx, 1}}}, m);
}
