#pragma once

// The host's 16.16 fixed-point numbers (angles in degrees, points in pixels)
// to and from doubles.

#include <cmath>

#include "host_api/ae_effect.h"

inline double fixed_to_double(PF_Fixed value) {
  return value / 65536.0;
}

// The nearest 16.16 value, halves away from zero.
inline PF_Fixed fixed_from_double(double value) {
  return static_cast<PF_Fixed>(std::llround(value * 65536.0));
}
