#include "geometry/frame_coverage.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "geometry/render_plan.h"

namespace {

// Wall and stroke extents are bounded per run of this many consecutive edges, so that a long
// outline is covered along its walls rather than by one box over its whole sweep.
constexpr size_t edges_per_run = 8;

// Past this share of the output's cells, or this many rectangles, clearing and compositing
// piece by piece costs more than it saves.
constexpr double whole_share = 0.85;
constexpr size_t most_rectangles = 64;

bool finite_rect(const RectD& r) {
  return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) &&
         std::isfinite(r.bottom);
}

// Box of points [first, last] of `path`; `last` may be the path's size, standing for its first
// point again (the closing edge).
RectD box_of(const PathD& path, size_t first, size_t last) {
  const PathVertexZ& start = path[first];
  double min_x = start.x, max_x = start.x, min_y = start.y, max_y = start.y;
  for (size_t k = first + 1; k <= last; ++k) {
    const PathVertexZ& p = path[k < path.size() ? k : 0];
    min_x = std::min(min_x, p.x);
    max_x = std::max(max_x, p.x);
    min_y = std::min(min_y, p.y);
    max_y = std::max(max_y, p.y);
  }
  return RectD{min_x, min_y, max_x, max_y};
}

// Through the camera the box's corners bound it as long as none lies at or behind the eye.
std::optional<RectD> box_through_camera(const RectD& b, double amount,
                                        const dmat4& path_to_screen) {
  RectD screen = RectD::empty();
  for (const double x : {b.left, b.right}) {
    for (const double y : {b.top, b.bottom}) {
      const dvec4 c = transform_dvec4(dvec4_from_values(x, y, -amount, 1.0), path_to_screen);
      if (!(c.w > 0.0)) return std::nullopt;
      screen = rect_extend(screen, RectD{c.x / c.w, c.y / c.w, c.x / c.w, c.y / c.w});
    }
  }
  return screen;
}

// The box `b` of path space pushed to sweep amount `amount` as the geometry programs displace
// it, as a box on screen (path-space units); none when a corner lies at or behind the eye.
std::optional<RectD> displaced_box(const RectD& b, double amount, const PreRenderPlan& plan) {
  // Directional and vanishing sweeps move every point by the same affine map of its axis, so
  // the box's sides map onto the displaced box's sides.
  const auto sides = [&](double x0, double x1, double y0, double y1) {
    return RectD{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
  };
  switch (plan.extrusion_mode) {
    case ExtrusionMode::directional: {
      const double dx = plan.extrusion_direction.x * amount;
      const double dy = plan.extrusion_direction.y * amount;
      return RectD{b.left + dx, b.top + dy, b.right + dx, b.bottom + dy};
    }
    case ExtrusionMode::vanishing: {
      const dvec2 v = plan.vanishing_point;
      return sides(b.left + (v.x - b.left) * amount, b.right + (v.x - b.right) * amount,
                   b.top + (v.y - b.top) * amount, b.bottom + (v.y - b.bottom) * amount);
    }
    case ExtrusionMode::camera:
      return box_through_camera(b, amount, plan.path_to_screen);
    case ExtrusionMode::none:
      break;
  }
  return std::nullopt;
}

// Marks of cells over the face region, in cells of the output grid (cell 0 starts at the
// output's lower left corner).
class CellGrid {
 public:
  CellGrid(const RectD& output_region, const RectD& face_region, double margin)
      : origin_x_(output_region.left), origin_y_(output_region.top), margin_(margin) {
    const double cell = coverage_cell_size;
    x0_ = static_cast<int32_t>(std::floor((face_region.left - origin_x_) / cell));
    y0_ = static_cast<int32_t>(std::floor((face_region.top - origin_y_) / cell));
    x1_ = static_cast<int32_t>(std::ceil((face_region.right - origin_x_) / cell));
    y1_ = static_cast<int32_t>(std::ceil((face_region.bottom - origin_y_) / cell));
    output_columns_ = static_cast<int32_t>(std::ceil((output_region.right - origin_x_) / cell));
    output_rows_ = static_cast<int32_t>(std::ceil((output_region.bottom - origin_y_) / cell));
    marks_.assign(static_cast<size_t>(x1_ - x0_) * static_cast<size_t>(y1_ - y0_), 0);
  }

  // Marks every cell that `screen` (path-space units), grown by the margin, touches; false
  // when the box is not finite.
  bool mark(const RectD& screen) {
    if (!finite_rect(screen)) return false;
    const double cell = coverage_cell_size;
    const auto first = [&](double v, int32_t lo, int32_t hi) {
      return static_cast<int32_t>(std::clamp(std::floor(v / cell), double(lo), double(hi)));
    };
    const int32_t cx0 = first(screen.left - origin_x_ - margin_, x0_, x1_);
    const int32_t cx1 = first(screen.right - origin_x_ + margin_, x0_ - 1, x1_ - 1);
    const int32_t cy0 = first(screen.top - origin_y_ - margin_, y0_, y1_);
    const int32_t cy1 = first(screen.bottom - origin_y_ + margin_, y0_ - 1, y1_ - 1);
    for (int32_t cy = cy0; cy <= cy1; ++cy) {
      for (int32_t cx = cx0; cx <= cx1; ++cx) marks_[index(cx, cy)] = 1;
    }
    return true;
  }

  bool marked(int32_t cx, int32_t cy) const { return marks_[index(cx, cy)] != 0; }

  // The composite reads the stroke coverage with a bilinear filter that wraps around the
  // output's edges: a pixel in the first column takes a sliver of the last column's value, and
  // so on. Marks on either edge of the output are copied to the opposite edge.
  void wrap_output_edges() {
    const int32_t last_column = output_columns_ - 1;
    const int32_t last_row = output_rows_ - 1;
    for (int32_t cy = 0; cy <= last_row; ++cy) {
      const bool either = marked(0, cy) || marked(last_column, cy);
      marks_[index(0, cy)] = marks_[index(last_column, cy)] = either;
    }
    for (int32_t cx = 0; cx <= last_column; ++cx) {
      const bool either = marked(cx, 0) || marked(cx, last_row);
      marks_[index(cx, 0)] = marks_[index(cx, last_row)] = either;
    }
  }

  size_t marked_output_cells() const {
    size_t count = 0;
    for (int32_t cy = 0; cy < output_rows_; ++cy) {
      for (int32_t cx = 0; cx < output_columns_; ++cx) count += marked(cx, cy);
    }
    return count;
  }
  size_t output_cells() const {
    return static_cast<size_t>(output_columns_) * static_cast<size_t>(output_rows_);
  }

  // Rectangles of whole cells within [cx0, cx1) x [cy0, cy1) whose mark is `value`: runs of
  // each row, merged with the run just below when both span the same columns.
  std::vector<PixelRect> rects(bool value, int32_t cx0, int32_t cy0, int32_t cx1,
                               int32_t cy1) const {
    std::vector<PixelRect> done;
    std::vector<PixelRect> open;  // rectangles that reach the row below the current one
    for (int32_t cy = cy0; cy < cy1; ++cy) {
      std::vector<PixelRect> next;
      for (int32_t cx = cx0; cx < cx1;) {
        if (marked(cx, cy) != value) {
          ++cx;
          continue;
        }
        const int32_t start = cx;
        while (cx < cx1 && marked(cx, cy) == value) ++cx;
        PixelRect run{start, cy, cx, cy + 1};
        const auto below = std::find_if(open.begin(), open.end(), [&](const PixelRect& r) {
          return r.x0 == run.x0 && r.x1 == run.x1;
        });
        if (below != open.end()) {
          run.y0 = below->y0;
          open.erase(below);
        }
        next.push_back(run);
      }
      done.insert(done.end(), open.begin(), open.end());
      open = std::move(next);
    }
    done.insert(done.end(), open.begin(), open.end());
    for (PixelRect& r : done) {
      r = {r.x0 * coverage_cell_size, r.y0 * coverage_cell_size, r.x1 * coverage_cell_size,
           r.y1 * coverage_cell_size};
    }
    return done;
  }

  int32_t x0() const { return x0_; }
  int32_t y0() const { return y0_; }
  int32_t x1() const { return x1_; }
  int32_t y1() const { return y1_; }
  int32_t output_columns() const { return output_columns_; }
  int32_t output_rows() const { return output_rows_; }

 private:
  size_t index(int32_t cx, int32_t cy) const {
    return static_cast<size_t>(cy - y0_) * static_cast<size_t>(x1_ - x0_) +
           static_cast<size_t>(cx - x0_);
  }

  double origin_x_;
  double origin_y_;
  double margin_;
  int32_t x0_ = 0;
  int32_t y0_ = 0;
  int32_t x1_ = 0;
  int32_t y1_ = 0;
  int32_t output_columns_ = 0;
  int32_t output_rows_ = 0;
  std::vector<uint8_t> marks_;
};

// The frame's cells from the faces (each outline's box at either depth) and the walls with
// their stroke (each run of edges swept from the front to the back depth); false when some
// part cannot be bounded.
bool mark_swept_outlines(CellGrid& grid, const PathsD& paths, const PreRenderPlan& plan) {
  const double front = plan.front_extrusion_amount;
  const double back = plan.back_extrusion_amount;
  for (const PathD& path : paths) {
    if (path.empty()) continue;
    RectD box = box_of(path, 0, 0);
    for (size_t first = 0; first < path.size(); first += edges_per_run) {
      const RectD run = box_of(path, first, std::min(first + edges_per_run, path.size()));
      box = rect_extend(box, run);
      const std::optional<RectD> near = displaced_box(run, front, plan);
      const std::optional<RectD> far = displaced_box(run, back, plan);
      if (!near || !far) return false;
      if (!grid.mark(rect_extend(*near, *far))) return false;
    }
    const std::optional<RectD> face_front = displaced_box(box, front, plan);
    const std::optional<RectD> face_back = displaced_box(box, back, plan);
    if (!face_front || !face_back || !grid.mark(*face_front) || !grid.mark(*face_back)) {
      return false;
    }
  }
  return true;
}

}  // namespace

FrameCoverage compute_frame_coverage(const PathsD& paths, const PreRenderPlan& plan,
                                     const RectD& output_region, const RectD& face_region,
                                     bool colors_finite) {
  FrameCoverage whole;
  if (!colors_finite || !finite_rect(output_region) || !finite_rect(face_region)) return whole;
  const double cells = std::ceil((face_region.right - face_region.left) / coverage_cell_size) *
                       std::ceil((face_region.bottom - face_region.top) / coverage_cell_size);
  if (!(cells >= 1.0 && cells <= double(1 << 22))) return whole;

  // The stroke reaches about 0.7 of its width past an edge's box, and the depth it is tested
  // against is read up to half its width further (near a vanishing point); a few pixels more
  // cover rounding, rasterisation and the composite's bilinear read of the stroke.
  const double stroke = std::abs(plan.stroke_width);
  CellGrid grid(output_region, face_region, 2.0 * stroke + 8.0);
  if (!mark_swept_outlines(grid, paths, plan)) return whole;
  grid.wrap_output_edges();
  if (grid.marked_output_cells() >= whole_share * static_cast<double>(grid.output_cells())) {
    return whole;
  }

  FrameCoverage coverage;
  coverage.whole = false;
  coverage.drawn = grid.rects(true, grid.x0(), grid.y0(), grid.x1(), grid.y1());
  coverage.empty = grid.rects(false, 0, 0, grid.output_columns(), grid.output_rows());
  const auto width = static_cast<int32_t>(output_region.right - output_region.left);
  const auto height = static_cast<int32_t>(output_region.bottom - output_region.top);
  for (PixelRect& r : coverage.empty) {
    r.x1 = std::min(r.x1, width);
    r.y1 = std::min(r.y1, height);
  }
  if (coverage.drawn.size() + coverage.empty.size() > most_rectangles) return whole;
  return coverage;
}
