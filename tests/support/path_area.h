#pragma once

#include <cstddef>

#include "renderer/path_types.h"

// Signed area (shoelace); positive for counter-clockwise with y up.
inline double signed_area(const PathD& path) {
  double twice = 0.0;
  const size_t n = path.size();
  for (size_t i = 0; i < n; ++i) {
    const PathVertexZ& a = path[i];
    const PathVertexZ& b = path[(i + 1) % n];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice * 0.5;
}

inline double total_area(const PathsD& paths) {
  double area = 0.0;
  for (const PathD& p : paths) area += signed_area(p);
  return area;
}
