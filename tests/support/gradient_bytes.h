#pragma once

// Saved "Gradient Wheel" values as bytes: a 32-bit count of stop bytes, the
// stops (24 bytes each), then anything after them.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gradient_wheel/gradient_value.h"

using Bytes = std::vector<unsigned char>;

// A count, the stops, then extra zero bytes.
inline Bytes blob(std::uint32_t count, const std::vector<GradientPoint>& points,
                  std::size_t extra = 0) {
  Bytes bytes(4 + 24 * points.size() + extra, 0);
  std::memcpy(bytes.data(), &count, 4);
  if (!points.empty()) std::memcpy(bytes.data() + 4, points.data(), 24 * points.size());
  return bytes;
}

// As the plug-in writes a value: the count of the stops, one zero byte.
inline Bytes saved_value(const std::vector<GradientPoint>& points) {
  return blob(static_cast<std::uint32_t>(24 * points.size()), points, 1);
}

inline const std::vector<GradientPoint> default_points(default_gradient_points.begin(),
                                                       default_gradient_points.end());

// The default as the plug-in writes it: count 72, the stops, one zero byte.
inline Bytes default_blob() {
  return saved_value(default_points);
}

// The whole stops that saved bytes hold, read without the plug-in's reader.
inline std::vector<GradientPoint> points_in(const Bytes& bytes) {
  if (bytes.size() < 4) return {};
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data(), 4);
  std::vector<GradientPoint> points(std::min<std::size_t>(count / 24, (bytes.size() - 4) / 24));
  if (!points.empty()) std::memcpy(points.data(), bytes.data() + 4, 24 * points.size());
  return points;
}
