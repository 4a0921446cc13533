#include "host/scene/coverage.h"

#include <cairo.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "host/cairo_ptr.h"
#include "host/scene/cairo_range.h"

namespace simhost::scene {

namespace {

using SurfacePtr = CairoSurfacePtr;
using ContextPtr = CairoContextPtr;

// Layer pixels to the grid's pixels.
Affine grid_map(const PixelGrid& grid) {
  return {grid.scale_x,
          0.0,
          0.0,
          grid.scale_y,
          -static_cast<double>(grid.left),
          -static_cast<double>(grid.top)};
}

// Each segment a cubic from a vertex along its outgoing control point to the
// next vertex along that one's incoming control point; the last closes. An
// outline beyond cairo's reach is cut to the grid first (cairo_range.h).
void add_path(cairo_t* cr, const PathShape& shape, const Affine& map, const PixelGrid& grid) {
  const std::vector<PathPoint>& v = shape.vertices;
  std::vector<OutlinePiece> outline;
  outline.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    const PathPoint& from = v[i];
    const PathPoint& to = v[(i + 1) % v.size()];
    outline.push_back({map.apply({from.x, from.y}),
                       map.apply({from.x + from.out_x, from.y + from.out_y}),
                       map.apply({to.x + to.in_x, to.y + to.in_y}), map.apply({to.x, to.y})});
  }
  if (!within_cairo_reach(outline)) outline = cut_to_area(outline, grid.width, grid.height);
  if (outline.empty()) return;
  cairo_move_to(cr, outline[0].from.x, outline[0].from.y);
  for (const OutlinePiece& piece : outline) {
    if (piece.straight) {
      cairo_line_to(cr, piece.to.x, piece.to.y);
    } else {
      cairo_curve_to(cr, piece.c1.x, piece.c1.y, piece.c2.x, piece.c2.y, piece.to.x, piece.to.y);
    }
  }
  cairo_close_path(cr);
}

}  // namespace

Coverage::Coverage(const PixelGrid& grid, float value)
    : width_(std::max<A_long>(grid.width, 0)),
      height_(std::max<A_long>(grid.height, 0)),
      values_(static_cast<size_t>(width_) * height_, value) {}

void Coverage::combine(const Coverage& m, CoverageOp op) {
  if (m.width_ != width_ || m.height_ != height_) {
    throw std::logic_error("coverages of two grids combined");
  }
  for (size_t i = 0; i < values_.size(); ++i) {
    const float a = values_[i];
    const float b = m.values_[i];
    switch (op) {
      case CoverageOp::add:
        values_[i] = std::min(1.0f, a + b);
        break;
      case CoverageOp::subtract:
        values_[i] = a * (1.0f - b);
        break;
      case CoverageOp::intersect:
        values_[i] = a * b;
        break;
      case CoverageOp::exclude:
        values_[i] = std::clamp(a + b - 2.0f * a * b, 0.0f, 1.0f);
        break;
      case CoverageOp::lighten:
        values_[i] = std::max(a, b);
        break;
      case CoverageOp::darken:
        values_[i] = std::min(a, b);
        break;
    }
  }
}

void Coverage::invert() {
  for (float& v : values_) v = 1.0f - v;
}

Coverage fill_coverage(const PixelGrid& grid, const std::vector<PlacedPath>& paths, FillRule rule) {
  Coverage coverage(grid, 0.0f);
  if (coverage.width() == 0 || coverage.height() == 0) return coverage;
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_A8, grid.width, grid.height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error("cairo cannot make a surface of the layer's pixels");
  }
  ContextPtr cr(cairo_create(surface.get()));
  cairo_set_fill_rule(
      cr.get(), rule == FillRule::even_odd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  const Affine to_grid = grid_map(grid);
  for (const PlacedPath& path : paths) {
    if (path.shape.closed && !path.shape.vertices.empty()) {
      add_path(cr.get(), path.shape, path.transform.then(to_grid), grid);
    }
  }
  cairo_set_source_rgba(cr.get(), 0.0, 0.0, 0.0, 1.0);
  cairo_fill(cr.get());
  cairo_surface_flush(surface.get());
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (A_long y = 0; y < grid.height; ++y) {
    for (A_long x = 0; x < grid.width; ++x) {
      coverage.at(x, y) = data[static_cast<size_t>(y) * stride + x] / 255.0f;
    }
  }
  return coverage;
}

Coverage rectangle_coverage(const PixelGrid& grid, A_long right, A_long bottom) {
  Coverage coverage(grid, 0.0f);
  for (A_long y = 0; y < coverage.height(); ++y) {
    const A_long layer_y = y + grid.top;
    if (layer_y < 0 || layer_y >= bottom) continue;
    for (A_long x = 0; x < coverage.width(); ++x) {
      const A_long layer_x = x + grid.left;
      if (layer_x >= 0 && layer_x < right) coverage.at(x, y) = 1.0f;
    }
  }
  return coverage;
}

}  // namespace simhost::scene
