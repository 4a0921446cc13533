#pragma once

// How much of each pixel a shape covers, from 0 to 1: the host's
// anti-aliased rasterizing of outlines (with cairo) into the pixels of an
// area of a layer at a downsampling, and the ways coverages combine (masks,
// merged shape paths).

#include <vector>

#include "host/scene/affine.h"
#include "host/scene/values.h"
#include "host_api/ae_effect.h"

namespace simhost::scene {

// The pixels being made: an area of the layer in host space at the
// downsampling (`left`, `top` place it in the layer) and the downsampling,
// pixels made per layer pixel.
struct PixelGrid {
  A_long left = 0;
  A_long top = 0;
  A_long width = 0;
  A_long height = 0;
  double scale_x = 1.0;
  double scale_y = 1.0;
};

// A path and the map that puts it in the layer.
struct PlacedPath {
  PathShape shape;
  Affine transform;
};

// In the order of the host's fill rule values (1 non-zero, 2 even-odd), as geometry/'s FillRule;
// chosen by comparison, never converted by value.
enum class FillRule { non_zero, even_odd };

// How a coverage `m` combines into `a`.
enum class CoverageOp {
  add,        // min(1, a + m)
  subtract,   // a (1 - m)
  intersect,  // a m
  exclude,    // a + m - 2 a m: one or the other, not both
  lighten,    // max(a, m)
  darken,     // min(a, m)
};

class Coverage {
 public:
  Coverage() = default;
  Coverage(const PixelGrid& grid, float value);

  A_long width() const { return width_; }
  A_long height() const { return height_; }
  // At (x, y) of the grid, counted from its top-left pixel.
  float at(A_long x, A_long y) const { return values_[static_cast<size_t>(y) * width_ + x]; }
  float& at(A_long x, A_long y) { return values_[static_cast<size_t>(y) * width_ + x]; }

  void combine(const Coverage& m, CoverageOp op);
  void invert();

 private:
  A_long width_ = 0;
  A_long height_ = 0;
  std::vector<float> values_;
};

// The closed paths as one outline filled by the rule, anti-aliased; open
// paths cover nothing.
Coverage fill_coverage(const PixelGrid& grid, const std::vector<PlacedPath>& paths, FillRule rule);

// The rectangle from the layer's origin to (right, bottom), pixels of the
// grid counted from the layer's origin: 1 inside, 0 outside.
Coverage rectangle_coverage(const PixelGrid& grid, A_long right, A_long bottom);

}  // namespace simhost::scene
