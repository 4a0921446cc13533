#include "geometry/path_flattening.h"

#include <cairo.h>

#include <cmath>
#include <cstddef>
#include <utility>

#include "geometry/flattening_range.h"
#include "geometry/polygon_boolean.h"
#include "host_support/frame_abort.h"

namespace {

constexpr int boolean_precision = 2;

// Exactly (0, 0); a NaN component does not count as zero.
bool is_zero(double x, double y) {
  return x == 0.0 && y == 0.0;
}

// Direction from p towards the first of three candidates that is not exactly on p: p's own
// control point, the neighbour's control point facing p, the neighbour itself. (0, 0) when all
// three sit on p.
void direction_away(const BezierVertex& p, const double (&candidates)[3][2], double& dx,
                    double& dy) {
  for (const auto& c : candidates) {
    dx = c[0] - p.x;
    dy = c[1] - p.y;
    if (!is_zero(dx, dy)) return;
  }
}

// Corner test of vertex k on the input values (host space): both directions point away from the
// vertex.
int64_t vertex_flag(const BezierPath& path, size_t k, double corner_cos) {
  const size_t n = path.size();
  const BezierVertex& p = path[k];
  const BezierVertex& prev = path[(k + n - 1) % n];
  const BezierVertex& next = path[(k + 1) % n];

  double ax, ay, bx, by;
  direction_away(p, {{p.in_x, p.in_y}, {prev.out_x, prev.out_y}, {prev.x, prev.y}}, ax, ay);
  direction_away(p, {{p.out_x, p.out_y}, {next.in_x, next.in_y}, {next.x, next.y}}, bx, by);
  if (is_zero(ax, ay) || is_zero(bx, by)) return path_flag_smooth;

  const double a_length = std::sqrt(ax * ax + ay * ay);
  const double b_length = std::sqrt(bx * bx + by * by);
  const double d = (ax / a_length) * (bx / b_length) + (ay / a_length) * (by / b_length);
  // NaN compares false: smooth.
  return d > corner_cos ? path_flag_corner : path_flag_smooth;
}

// Owns the cairo objects of one flattening.
class CairoFlattener {
 public:
  CairoFlattener()
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_A1, 0, 0)), cr_(cairo_create(surface_)) {}
  ~CairoFlattener() {
    if (path_ != nullptr) cairo_path_destroy(path_);
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  CairoFlattener(const CairoFlattener&) = delete;
  CairoFlattener& operator=(const CairoFlattener&) = delete;

  cairo_t* context() { return cr_; }

  // The flattened path; null or empty when cairo has nothing to give.
  const cairo_path_t* flat_path() {
    path_ = cairo_copy_path_flat(cr_);
    return path_;
  }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
  cairo_path_t* path_ = nullptr;
};

}  // namespace

PathD flatten_bezier_path(const BezierPath& original, double corner_cos) {
  // Beyond cairo's fixed-point range coordinates would wrap: such a path is cut down first.
  const bool within_range = within_flattening_range(original);
  const BezierPath cut = within_range ? BezierPath{} : cut_to_flattening_range(original);
  const BezierPath& path = within_range ? original : cut;

  PathD result;
  const size_t n = path.size();
  if (n == 0) return result;

  CairoFlattener flattener;
  cairo_t* cr = flattener.context();
  // Each segment is a sub-path of its own, y negated.
  for (size_t i = 0; i < n; ++i) {
    const BezierVertex& a = path[i];
    const BezierVertex& b = path[(i + 1) % n];
    cairo_move_to(cr, a.x, -a.y);
    cairo_curve_to(cr, a.out_x, -a.out_y, b.in_x, -b.in_y, b.x, -b.y);
  }

  const cairo_path_t* flat = flattener.flat_path();
  if (flat == nullptr || flat->status != CAIRO_STATUS_SUCCESS || flat->data == nullptr) {
    return result;
  }

  size_t k = 0;  // move-to elements seen, i.e. the input vertex that starts the segment
  for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
    const cairo_path_data_t& element = flat->data[i];
    if (element.header.length < 1 || i + element.header.length > flat->num_data) break;
    switch (element.header.type) {
      case CAIRO_PATH_MOVE_TO: {
        if (element.header.length < 2) break;
        // The previous segment ended on this vertex; the move-to brings it again with its flag.
        if (!result.empty()) result.pop_back();
        const cairo_path_data_t& point = flat->data[i + 1];
        const int64_t flag = k < n ? vertex_flag(path, k, corner_cos) : path_flag_smooth;
        result.push_back({point.point.x, point.point.y, flag});
        ++k;
        break;
      }
      case CAIRO_PATH_LINE_TO: {
        if (element.header.length < 2) break;
        const cairo_path_data_t& point = flat->data[i + 1];
        result.push_back({point.point.x, point.point.y, path_flag_smooth});
        break;
      }
      default:
        break;
    }
  }
  // The last segment ends on a copy of vertex 0.
  if (!result.empty()) result.pop_back();
  return result;
}

void flatten_bezier_paths(const TextOutlines& outlines, double corner_cos, PathsD& out) {
  out.reserve(out.size() + outlines.size());
  for (const BezierPath& outline : outlines) {
    check_frame_abort_when_due();
    out.push_back(flatten_bezier_path(outline, corner_cos));
  }
}

PathD make_layer_frame(double layer_width, double layer_height) {
  return {{0.0, 0.0, path_flag_unset},
          {layer_width, 0.0, path_flag_unset},
          {layer_width, -layer_height, path_flag_unset},
          {0.0, -layer_height, path_flag_unset}};
}

PathsD combine_mask_paths(const MaskPaths& masks, double corner_cos, double layer_width,
                          double layer_height) {
  std::vector<FlatMaskPath> flat;
  flat.reserve(masks.size());
  for (const MaskPath& mask : masks) {
    check_frame_abort_when_due();
    if (mask.mode == mask_mode_none) continue;
    flat.push_back({flatten_bezier_path(mask.path, corner_cos), mask.mode, mask.inverted});
  }
  return combine_masks(std::move(flat), make_layer_frame(layer_width, layer_height));
}

PathsD combine_masks(std::vector<FlatMaskPath> masks, const PathD& layer_frame) {
  PathsD result;
  for (size_t position = 0; position < masks.size(); ++position) {
    check_frame_abort_when_due();
    FlatMaskPath& mask = masks[position];
    bool has_operation = true;
    ClipType operation = ClipType::Union;
    switch (mask.mode) {
      case mask_mode_add:
      case mask_mode_lighten:
      case mask_mode_accumulate:
        operation = ClipType::Union;
        break;
      case mask_mode_subtract:
        operation = ClipType::Difference;
        break;
      case mask_mode_intersect:
      case mask_mode_darken:
        operation = ClipType::Intersection;
        break;
      case mask_mode_difference:
        operation = ClipType::Xor;
        break;
      default:
        has_operation = false;
        break;
    }

    PathsD polygon{std::move(mask.path)};
    if (has_operation && mask.inverted != 0) {
      if (operation == ClipType::Intersection) {
        operation = ClipType::Difference;
      } else if (operation == ClipType::Difference) {
        operation = ClipType::Intersection;
      } else {
        polygon = boolean_op(ClipType::Difference, FillRule::EvenOdd, {layer_frame}, polygon,
                             boolean_precision);
      }
    }

    // The first mask always contributes: subtracting it cuts it out of the layer frame.
    if (position == 0) {
      if (has_operation && operation == ClipType::Difference) {
        result = {layer_frame};
      } else {
        operation = ClipType::Union;
        has_operation = true;
      }
    }

    if (has_operation) {
      result = boolean_op(operation, FillRule::EvenOdd, result, polygon, boolean_precision);
    }
  }
  return result;
}

void add_shape_path(ShapeGroupPaths& level, const BezierPath& path, double corner_cos) {
  level.pending.push_back(PathsD{flatten_bezier_path(path, corner_cos)});
}

void union_group_paths(ShapeGroupPaths& level, int32_t fill_rule) {
  PathsD all;
  for (const PathsD& shape : level.pending) all.insert(all.end(), shape.begin(), shape.end());
  // 2 is even-odd; 1, and any rule the host does not define, non-zero (its default).
  const FillRule rule = fill_rule == 2 ? FillRule::EvenOdd : FillRule::NonZero;
  const PathsD painted = boolean_op(ClipType::Union, rule, all, {}, boolean_precision);
  level.filled =
      boolean_op(ClipType::Union, FillRule::NonZero, level.filled, painted, boolean_precision);
}

void merge_paths(ShapeGroupPaths& level, int32_t merge_type) {
  level.filled.clear();
  PathsD acc;
  if (merge_type == 1) {
    for (const PathsD& shape : level.pending) acc.insert(acc.end(), shape.begin(), shape.end());
  } else if (merge_type >= 2 && merge_type <= 5 && !level.pending.empty()) {
    static constexpr ClipType chain_ops[] = {ClipType::Union, ClipType::Difference,
                                             ClipType::Intersection, ClipType::Xor};
    const ClipType op = chain_ops[merge_type - 2];
    acc = std::move(level.pending.front());
    for (size_t i = 1; i < level.pending.size(); ++i) {
      acc = boolean_op(op, FillRule::NonZero, acc, level.pending[i], boolean_precision);
    }
  }
  level.pending.clear();
  level.pending.push_back(std::move(acc));
}

ShapeGroupPaths merge_group_paths(const ShapeItems& items, double corner_cos) {
  ShapeGroupPaths level;
  for (const ShapeItem& item : items) {
    check_frame_abort_when_due();
    if (const auto* path = std::get_if<BezierPath>(&item.value)) {
      add_shape_path(level, *path, corner_cos);
    } else if (const auto* fill = std::get_if<ShapeFill>(&item.value)) {
      union_group_paths(level, fill->rule);
    } else if (const auto* merge = std::get_if<ShapeMerge>(&item.value)) {
      merge_paths(level, merge->type);
    } else if (const auto* group = std::get_if<ShapeGroup>(&item.value)) {
      ShapeGroupPaths sub = merge_group_paths(group->items, corner_cos);
      for (PathsD& shape : sub.pending) level.pending.push_back(std::move(shape));
      level.filled = boolean_op(ClipType::Union, FillRule::NonZero, level.filled, sub.filled,
                                boolean_precision);
    }
  }
  return level;
}
