#pragma once

#include <limits>

// Rounds a double to float. Finite doubles beyond the float range saturate to
// infinity instead of leaving the conversion undefined; damaged values can
// carry such numbers.
inline float narrow_to_float(double v) {
  constexpr double max = std::numeric_limits<float>::max();
  if (v > max) return std::numeric_limits<float>::infinity();
  if (v < -max) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}
