#pragma once

// 3 x 3 matrices of doubles for the wheel's tick marks, row-major for row
// vectors: a point (x, y) maps to (x, y, 1) x M, the translation in the
// third row.

#include <array>

#include "host_api/ae_effect_suites.h"

using Mat3 = std::array<std::array<double, 3>, 3>;

// M = identity.
void mat3_identity(Mat3& m);
// M = M x A.
void mat3_concat(const Mat3& a, Mat3& m);
// M = M x T, T the translation by (tx, ty).
void mat3_translate(Mat3& m, double tx, double ty);
// M = M x R, R the rotation by `degrees` about (cx, cy), clockwise on a
// screen whose y grows downwards; the sine and cosine come from the host's
// ANSI suite. No change for 0 degrees.
void mat3_rotate_about(Mat3& m, const PF_ANSICallbacksSuite1& ansi, double degrees, double cx,
                       double cy);
