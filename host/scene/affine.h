#pragma once

// A 2D affine map of pixels, as layers and their contents are placed.

#include <cmath>

#include "host/scene/values.h"

namespace simhost::scene {

// x' = xx x + xy y + x0, y' = yx x + yy y + y0.
struct Affine {
  double xx = 1.0, yx = 0.0, xy = 0.0, yy = 1.0, x0 = 0.0, y0 = 0.0;

  // This map, then `outer`.
  Affine then(const Affine& o) const {
    return {o.xx * xx + o.xy * yx, o.yx * xx + o.yy * yx,        o.xx * xy + o.xy * yy,
            o.yx * xy + o.yy * yy, o.xx * x0 + o.xy * y0 + o.x0, o.yx * x0 + o.yy * y0 + o.y0};
  }
  Vec2 apply(Vec2 p) const { return {xx * p.x + xy * p.y + x0, yx * p.x + yy * p.y + y0}; }

  double determinant() const { return xx * yy - yx * xy; }
  bool is_finite() const {
    return std::isfinite(xx) && std::isfinite(yx) && std::isfinite(xy) && std::isfinite(yy) &&
           std::isfinite(x0) && std::isfinite(y0);
  }
  // Whether it moves pixels by whole pixels and nothing else.
  bool is_whole_pixel_shift() const {
    return xx == 1.0 && yy == 1.0 && yx == 0.0 && xy == 0.0 && x0 == std::floor(x0) &&
           y0 == std::floor(y0);
  }
  // Of a map whose determinant is not 0.
  Affine inverse() const {
    const double det = determinant();
    Affine inv{yy / det, -yx / det, -xy / det, xx / det, 0.0, 0.0};
    inv.x0 = -(inv.xx * x0 + inv.xy * y0);
    inv.y0 = -(inv.yx * x0 + inv.yy * y0);
    return inv;
  }
};

}  // namespace simhost::scene
