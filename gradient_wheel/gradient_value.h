#pragma once

// The "Gradient Wheel" value: colour stops on a circle, their flattened byte
// form, and the two colour lookups on a list of stops.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "host_api/ae_effect.h"

// One colour stop. The in-memory layout is the flattened one: 24 bytes,
// position in turns (0.0 and 1.0 are the same place), then the colour laid
// out as PF_PixelFloat.
struct GradientPoint {
  double position;
  float alpha;
  float red;
  float green;
  float blue;
};
static_assert(sizeof(GradientPoint) == 24);
static_assert(offsetof(GradientPoint, alpha) == 8);
static_assert(offsetof(GradientPoint, blue) == 20);

// The flattened value: an unsigned 32-bit byte count (24 per stop), then the
// stops, little-endian. Handles written by the plug-in carry one extra zero
// byte after the stops.
struct GradientBlob {
  static constexpr std::size_t count_size = 4;
  static constexpr std::size_t point_size = sizeof(GradientPoint);

  // Count and stops, without the trailing byte of a handle.
  static std::vector<std::byte> encode(std::span<const GradientPoint> points);

  // The whole stops that the bytes hold: floor(count / 24) of them, cut to
  // those actually present when the count claims more. Fewer than 4 bytes
  // read as the empty value.
  static std::vector<GradientPoint> decode(std::span<const std::byte> bytes);
};

// The default value, in stored order: red at 0.0, green at 0.333, blue at 0.666.
inline constexpr std::array<GradientPoint, 3> default_gradient_points{{
    {0.0, 1.0f, 1.0f, 0.0f, 0.0f},
    {0.333, 1.0f, 0.0f, 1.0f, 0.0f},
    {0.666, 1.0f, 0.0f, 0.0f, 1.0f},
}};

// Linear colour at a position, no gamma. A single stop gives its colour
// everywhere and an empty list opaque white; otherwise zero in all channels
// when no segment of the sorted stops holds the position.
PF_PixelFloat gradient_color_at(std::size_t n, const GradientPoint* points, double position);

// Display colour at a position: channels raised to 2.22, then interpolated
// (interpolate set) or taken from the nearest stop, then raised to 0.4545.
// A single stop and an empty list give what gradient_color_at gives.
PF_PixelFloat gradient_sample(std::size_t n, const GradientPoint* points, double position,
                              bool interpolate);
