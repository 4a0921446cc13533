#pragma once

#include "renderer/path_types.h"
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
