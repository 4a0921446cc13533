#pragma once

// The host's 16.16 fixed-point numbers (angles in degrees, points in pixels,
// fractions of a turn) to and from doubles.

#include <cmath>
#include <limits>

#include "host_api/ae_effect.h"

inline double fixed_to_double(PF_Fixed value) {
  return value / 65536.0;
}

// The nearest 16.16 value, halves away from zero. Values beyond the 32-bit
// range saturate and NaN gives 0: damaged values can carry such numbers.
inline PF_Fixed fixed_from_double(double value) {
  const double rounded = std::round(value * 65536.0);
  if (std::isnan(rounded)) return 0;
  if (rounded >= 2147483647.0) return std::numeric_limits<PF_Fixed>::max();
  if (rounded <= -2147483648.0) return std::numeric_limits<PF_Fixed>::min();
  return static_cast<PF_Fixed>(rounded);
}
