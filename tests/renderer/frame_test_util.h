#pragma once

#include <cmath>
#include <vector>

#include "renderer/path_types.h"
#include "renderer/side_chains.h"
#include "tests/support/test_paths.h"

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
  return {chain_mode_directional, {dx, dy}, {}};
}

inline ChainParams vanishing(double vx, double vy) {
  return {chain_mode_vanishing, {}, {vx, vy}};
}
