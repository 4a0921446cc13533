#pragma once

#include <cstdint>
#include <vector>

// One polygon point in path space (y up). z carries the point's flag.
struct PathVertexZ {
  double x = 0.0;
  double y = 0.0;
  int64_t z = 0;

  friend bool operator==(const PathVertexZ&, const PathVertexZ&) = default;
};

// A closed polygon: the last point connects to the first, which is not repeated.
using PathD = std::vector<PathVertexZ>;
using PathsD = std::vector<PathD>;

// Values of PathVertexZ::z.
inline constexpr int64_t path_flag_unset = 0;   // made by a boolean operation, not classified yet
inline constexpr int64_t path_flag_corner = 1;  // hard edge
inline constexpr int64_t path_flag_smooth = 2;  // point on a smooth passage
