#pragma once

// Paths the geometry tests are made of, and their areas.

#include <cstddef>

#include "geometry/path_types.h"
#include "geometry/source_geometry.h"

// Axis-aligned rectangle in path space, counter-clockwise with y up, every point carrying `z`.
inline PathD rect_path(double left, double bottom, double right, double top,
                       int64_t z = path_flag_corner) {
  return {{left, bottom, z}, {right, bottom, z}, {right, top, z}, {left, top, z}};
}

inline PathD reversed(PathD path) {
  return PathD(path.rbegin(), path.rend());
}

// Rectangle of straight Bezier segments in host space (y down).
inline BezierPath bezier_rect(double left, double top, double right, double bottom) {
  const auto corner = [](double x, double y) { return BezierVertex{x, y, x, y, x, y}; };
  return {corner(left, top), corner(right, top), corner(right, bottom), corner(left, bottom)};
}

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
