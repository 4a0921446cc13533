#pragma once

#include <cstddef>

#include "renderer/path_types.h"
#include "renderer/source_geometry.h"
#include "tests/support/path_area.h"

// z of the point at (x, y); -1 when there is none.
inline int64_t z_at(const PathsD& paths, double x, double y) {
  for (const PathD& path : paths) {
    for (const PathVertexZ& v : path) {
      if (v.x == x && v.y == y) return v.z;
    }
  }
  return -1;
}

// Axis-aligned rectangle in path space, counter-clockwise, every point with flag z.
inline PathD rect_path(double left, double bottom, double right, double top, int64_t z = 0) {
  return {{left, bottom, z}, {right, bottom, z}, {right, top, z}, {left, top, z}};
}

// Rectangle of straight Bezier segments in host space (y down).
inline BezierPath bezier_rect(double left, double top, double right, double bottom) {
  const auto corner = [](double x, double y) { return BezierVertex{x, y, x, y, x, y}; };
  return {corner(left, top), corner(right, top), corner(right, bottom), corner(left, bottom)};
}
