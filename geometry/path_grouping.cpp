#include "geometry/path_grouping.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "geometry/group_union.h"
#include "geometry/render_plan.h"

RectD empty_rect() {
  return RectD::empty();
}

bool rect_is_empty(const RectD& rect) {
  return rect.left >= rect.right || rect.top >= rect.bottom;
}

std::vector<RectD> compute_path_boxes(const PathsD& paths) {
  std::vector<RectD> boxes(paths.size(), empty_rect());
  for (size_t i = 0; i < paths.size(); ++i) {
    for (const PathVertexZ& p : paths[i]) {
      boxes[i] = rect_extend(boxes[i], RectD{p.x, p.y, p.x, p.y});
    }
  }
  return boxes;
}

bool boxes_overlap(const RectD& a, const RectD& b) {
  return b.right >= a.left && a.right >= b.left && b.bottom >= a.top && a.bottom >= b.top;
}

namespace {

// One pending expansion: the group positions [next, end) found by one scan,
// still to be expanded in order.
struct ExpansionFrame {
  size_t next;
  size_t end;
};

// Expands `group` from path `index` depth first, as the recursive expansion
// would: `scan` appends the overlaps of one path whose bits are still set,
// in index order; their bits are then cleared, and each scan's finds are
// expanded in turn, each fully before the next.
template <typename Scan>
void expand_depth_first(PathGroup& group, uint64_t index, std::vector<bool>& bits, Scan&& scan) {
  std::vector<ExpansionFrame> stack;
  auto scan_and_claim = [&](uint64_t member) {
    const size_t first = group.size();
    scan(member);
    for (size_t p = first; p < group.size(); ++p) bits[group[p]] = false;
    stack.push_back({first, group.size()});
  };
  scan_and_claim(index);
  while (!stack.empty()) {
    ExpansionFrame& top = stack.back();
    if (top.next == top.end) {
      stack.pop_back();
      continue;
    }
    // `top` may dangle after this call's push; it is not used again.
    scan_and_claim(group[top.next++]);
  }
}

// Seeds a group at every path not yet grouped, in index order, and lets
// `extend(index, bits, group)` fill it.
template <typename Extend>
std::vector<PathGroup> group_paths(size_t count, Extend&& extend) {
  std::vector<bool> bits(count, true);
  std::vector<PathGroup> groups;
  for (size_t i = 0; i < count; ++i) {
    if (!bits[i]) continue;
    bits[i] = false;
    groups.push_back(PathGroup{i});
    extend(i, bits, groups.back());
  }
  return groups;
}

}  // namespace

void extend_path_group(const std::vector<RectD>& boxes, uint64_t index, std::vector<bool>& bits,
                       PathGroup& group) {
  expand_depth_first(group, index, bits, [&](uint64_t i) {
    for (size_t j = 0; j < boxes.size(); ++j) {
      if (bits[j] && boxes_overlap(boxes[i], boxes[j])) group.push_back(j);
    }
  });
}

std::vector<PathGroup> group_overlapping_paths(const std::vector<RectD>& boxes) {
  return group_paths(boxes.size(), [&](uint64_t i, std::vector<bool>& bits, PathGroup& group) {
    extend_path_group(boxes, i, bits, group);
  });
}

namespace {

// A uniform grid over the boxes. Boxes that overlap share at least one cell,
// because the cell of a coordinate is a non-decreasing function of it. Boxes
// that cannot be placed (non-finite, the empty one included, or spanning
// many cells) are "loose" and are tested by every query; boxes with a NaN
// overlap nothing and are left out altogether.
class BoxGrid {
 public:
  explicit BoxGrid(const std::vector<RectD>& boxes) : boxes_(boxes), stamp_(boxes.size(), 0) {
    RectD extent = empty_rect();
    double total_w = 0.0;
    double total_h = 0.0;
    size_t placeable = 0;
    for (const RectD& b : boxes) {
      if (!finite_box(b)) continue;
      extent = rect_extend(extent, b);
      total_w += b.right - b.left;
      total_h += b.bottom - b.top;
      ++placeable;
    }
    if (placeable > 0) {
      // Cells about the size of an average box, and no more than about four
      // cells per box in all.
      const double w = extent.right - extent.left;
      const double h = extent.bottom - extent.top;
      double cell = std::max(total_w, total_h) / static_cast<double>(placeable);
      const double max_cells = 4.0 * static_cast<double>(placeable) + 16.0;
      if (!(cell > 0.0) || (w / cell + 1.0) * (h / cell + 1.0) > max_cells) {
        cell = std::max(std::sqrt(std::max(w, 1e-300) * std::max(h, 1e-300) / max_cells),
                        std::max(w, h) / max_cells);
      }
      if (cell > 0.0 && std::isfinite(cell) && std::isfinite(w / cell) && std::isfinite(h / cell)) {
        origin_x_ = extent.left;
        origin_y_ = extent.top;
        cell_ = cell;
        columns_ = static_cast<size_t>(std::min(w / cell, max_cells)) + 1;
        rows_ = static_cast<size_t>(std::min(h / cell, max_cells)) + 1;
      }
    }
    // Cell lists in one array: count, then place (cell c holds entries
    // cell_start_[c] to cell_end_[c], at first cell_start_[c + 1]).
    std::vector<bool> placed(boxes.size(), false);
    if (columns_ > 0) cell_start_.assign(columns_ * rows_ + 1, 0);
    for (size_t i = 0; i < boxes.size(); ++i) {
      const RectD& b = boxes[i];
      if (overlaps_nothing(b)) continue;
      if (!finite_box(b) || columns_ == 0) {
        loose_.push_back(i);
        continue;
      }
      const CellRange r = range_of(b);
      if ((r.x1 - r.x0 + 1) * (r.y1 - r.y0 + 1) > max_cells_per_box) {
        loose_.push_back(i);
        continue;
      }
      placed[i] = true;
      for_each_cell(r, [&](size_t c) { ++cell_start_[c + 1]; });
    }
    for (size_t c = 1; c < cell_start_.size(); ++c) cell_start_[c] += cell_start_[c - 1];
    if (!cell_start_.empty()) entries_.resize(cell_start_.back());
    std::vector<uint64_t> fill = cell_start_;  // next free entry per cell
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (placed[i]) for_each_cell(range_of(boxes[i]), [&](size_t c) { entries_[fill[c]++] = i; });
    }
    if (!fill.empty()) fill.pop_back();
    cell_end_ = std::move(fill);
  }

  // Appends to `out`, in index order, every path whose bit is set and whose
  // box overlaps box i, exactly as a scan over all paths would. Bits are
  // only ever cleared from one query to the next.
  void query(size_t i, const std::vector<bool>& bits, PathGroup& out) {
    const RectD& b = boxes_[i];
    const size_t first = out.size();
    if (overlaps_nothing(b)) return;
    if (!finite_box(b) || columns_ == 0) {
      for (size_t j = 0; j < boxes_.size(); ++j) {
        if (bits[j] && boxes_overlap(b, boxes_[j])) out.push_back(j);
      }
      return;
    }
    ++query_id_;
    auto consider = [&](uint64_t j) {
      if (stamp_[j] == query_id_) return;
      stamp_[j] = query_id_;
      if (bits[j] && boxes_overlap(b, boxes_[j])) out.push_back(j);
    };
    // A path already grouped is never found again: it leaves the lists it is met in, so that
    // boxes piled on one spot are not scanned over and over (the finds are sorted anyway).
    for_each_cell(range_of(b), [&](size_t c) {
      uint64_t e = cell_start_[c];
      while (e < cell_end_[c]) {
        const uint64_t j = entries_[e];
        if (!bits[j]) {
          entries_[e] = entries_[--cell_end_[c]];
          continue;
        }
        consider(j);
        ++e;
      }
    });
    for (size_t k = 0; k < loose_.size();) {
      if (!bits[loose_[k]]) {
        loose_[k] = loose_.back();
        loose_.pop_back();
        continue;
      }
      consider(loose_[k++]);
    }
    std::sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end());
  }

 private:
  static constexpr size_t max_cells_per_box = 64;

  struct CellRange {
    size_t x0, y0, x1, y1;
  };

  static bool finite_box(const RectD& b) {
    return std::isfinite(b.left) && std::isfinite(b.top) && std::isfinite(b.right) &&
           std::isfinite(b.bottom) && b.left <= b.right && b.top <= b.bottom;
  }

  static bool overlaps_nothing(const RectD& b) {
    return std::isnan(b.left) || std::isnan(b.top) || std::isnan(b.right) || std::isnan(b.bottom);
  }

  static size_t cell_of(double c, double origin, double cell, size_t count) {
    const double f = std::floor((c - origin) / cell);
    if (!(f > 0.0)) return 0;
    if (f >= static_cast<double>(count - 1)) return count - 1;
    return static_cast<size_t>(f);
  }

  template <typename Visit>
  void for_each_cell(const CellRange& r, Visit&& visit) const {
    for (size_t y = r.y0; y <= r.y1; ++y) {
      for (size_t x = r.x0; x <= r.x1; ++x) visit(y * columns_ + x);
    }
  }

  CellRange range_of(const RectD& b) const {
    return {cell_of(b.left, origin_x_, cell_, columns_), cell_of(b.top, origin_y_, cell_, rows_),
            cell_of(b.right, origin_x_, cell_, columns_),
            cell_of(b.bottom, origin_y_, cell_, rows_)};
  }

  const std::vector<RectD>& boxes_;
  double origin_x_ = 0.0;
  double origin_y_ = 0.0;
  double cell_ = 1.0;
  size_t columns_ = 0;
  size_t rows_ = 0;
  std::vector<uint64_t> cell_start_;
  // The end of each cell's list of paths not yet grouped.
  std::vector<uint64_t> cell_end_;
  std::vector<uint64_t> entries_;
  std::vector<uint64_t> loose_;
  std::vector<uint64_t> stamp_;
  uint64_t query_id_ = 0;
};

}  // namespace

std::vector<PathGroup> group_overlapping_paths_indexed(const std::vector<RectD>& boxes) {
  BoxGrid grid(boxes);
  return group_paths(boxes.size(), [&](uint64_t i, std::vector<bool>& bits, PathGroup& group) {
    expand_depth_first(group, i, bits, [&](uint64_t member) { grid.query(member, bits, group); });
  });
}

namespace {

// Below this many paths the plain scan is as fast as building the grid.
constexpr size_t indexed_grouping_threshold = 64;

}  // namespace

UnitedPaths union_overlapping_paths(const PathsD& paths, bool inner_extrusion, unsigned threads) {
  UnitedPaths result;
  const std::vector<RectD> boxes = compute_path_boxes(paths);
  const std::vector<PathGroup> groups = paths.size() < indexed_grouping_threshold
                                            ? group_overlapping_paths(boxes)
                                            : group_overlapping_paths_indexed(boxes);
  unite_groups(paths, groups, result.group_trees, threads);
  for (const PolyTreeD& tree : result.group_trees) append_poly_tree_paths(tree, result.paths);
  if (inner_extrusion) {
    for (PathD& path : result.paths) reverse_path(path);
  }
  return result;
}

UnitedPaths union_overlapping_paths(const PreRenderPlan& plan, unsigned threads) {
  return union_overlapping_paths(plan.paths, plan.inner_extrusion != 0, threads);
}

void flag_union_points(PathsD& paths, double corner_cos) {
  for (PathD& path : paths) {
    const size_t n = path.size();
    for (size_t i = 0; i < n; ++i) {
      PathVertexZ& c = path[i];
      if (c.z != path_flag_unset) continue;
      const PathVertexZ& a = path[(i + n - 1) % n];
      const PathVertexZ& b = path[(i + 1) % n];
      const dvec2 e1 = dvec2_subtract({a.x, a.y}, {c.x, c.y});
      const dvec2 e2 = dvec2_subtract({b.x, b.y}, {c.x, c.y});
      const dvec2 zero{0.0, 0.0};
      if (!dvec2_not_equal(e1, zero) || !dvec2_not_equal(e2, zero)) {
        c.z = path_flag_smooth;
        continue;
      }
      const dvec2 product = dvec2_multiply(dvec2_normalize(e2), dvec2_normalize(e1));
      const double d = product.x + product.y;
      c.z = d > corner_cos ? path_flag_corner : path_flag_smooth;
    }
  }
}
