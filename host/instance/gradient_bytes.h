#pragma once

// A "Gradient Wheel" value as bytes, as its handle holds it and as the effect
// flattens it: a 32-bit count of the stops' bytes, then 24 bytes a stop (the
// position in turns as a double, then alpha, red, green and blue as floats),
// and in the flattened form a zero byte after them.

#include <optional>
#include <vector>

namespace simhost {

struct GradientStop {
  double position = 0.0;  // in turns
  float alpha = 1.0f, red = 0.0f, green = 0.0f, blue = 0.0f;
};

// The stops the bytes hold, no more than both the count and the bytes allow;
// none when the bytes are too few for the count itself.
std::optional<std::vector<GradientStop>> gradient_stops(const std::vector<unsigned char>& bytes);

// The flattened form of `stops`.
std::vector<unsigned char> flat_gradient(const std::vector<GradientStop>& stops);

}  // namespace simhost
