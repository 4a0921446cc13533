#pragma once

#include <cmath>
#include <vector>

#include "renderer/path_types.h"
#include "renderer/side_chains.h"
#include "tests/support/path_area.h"

// Axis-aligned rectangle as a closed path, counter-clockwise (y up) unless
// `clockwise`, every point carrying `flag`.
inline PathD rect_path(double x0, double y0, double x1, double y1, bool clockwise = false,
                       int64_t flag = path_flag_corner) {
  PathD p{{x0, y0, flag}, {x1, y0, flag}, {x1, y1, flag}, {x0, y1, flag}};
  if (clockwise) p = {p[0], p[3], p[2], p[1]};
  return p;
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
  return {chain_mode_directional, {dx, dy}, {}};
}

inline ChainParams vanishing(double vx, double vy) {
  return {chain_mode_vanishing, {}, {vx, vy}};
}
