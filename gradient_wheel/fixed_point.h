#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// v x 65536 in floats, then rounded to the nearest integer with halves away
// from zero (0.5 added or subtracted in doubles, then truncated). Values
// beyond the 32-bit range saturate and NaN gives 0: damaged values can carry
// such numbers.
inline std::int32_t to_fixed_16_16(float v) {
  const float scaled = v * 65536.0f;
  if (std::isnan(scaled)) return 0;
  const double rounded =
      v < 0 ? static_cast<double>(scaled) - 0.5 : static_cast<double>(scaled) + 0.5;
  if (rounded >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (rounded <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(rounded);
}
