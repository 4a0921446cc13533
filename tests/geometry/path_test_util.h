#pragma once

// Paths and sweeps for the geometry tests of the plan and the frame.

#include <cmath>
#include <vector>

#include "geometry/path_types.h"
#include "geometry/side_chains.h"
#include "tests/support/test_paths.h"

// z of the point at (x, y); -1 when there is none.
inline int64_t z_at(const PathsD& paths, double x, double y) {
  for (const PathD& path : paths) {
    for (const PathVertexZ& v : path) {
      if (v.x == x && v.y == y) return v.z;
    }
  }
  return -1;
}

// A regular polygon of n points about (cx, cy), clockwise when asked.
inline PathD circle_path(double cx, double cy, double r, int n, bool clockwise,
                         int64_t flag = path_flag_smooth) {
  PathD p;
  for (int i = 0; i < n; ++i) {
    const double a = (clockwise ? -1.0 : 1.0) * 2.0 * M_PI * i / n + 0.1;
    p.push_back({cx + r * std::cos(a), cy + r * std::sin(a), flag});
  }
  return p;
}

inline ChainParams directional(double dx, double dy) {
  return {ExtrusionMode::directional, {dx, dy}, {}};
}

inline ChainParams vanishing(double vx, double vy) {
  return {ExtrusionMode::vanishing, {}, {vx, vy}};
}
