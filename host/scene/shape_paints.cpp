#include "host/scene/shape_paints.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string_view>
#include <utility>
#include <variant>

#include "host/scene/shape_contents.h"

namespace simhost::scene {

namespace {

constexpr double radians_per_degree = 0.017453292519943295;

// A stream's value at a time; `fallback` when the group has no such stream
// or it holds another kind of value.
template <class T>
T value_of(const StreamNode* group, std::string_view match_name, double seconds, T fallback) {
  const StreamNode* node = group != nullptr ? group->child(match_name) : nullptr;
  if (node == nullptr) return fallback;
  const auto* animated = std::get_if<Animated<T>>(&node->value);
  return animated != nullptr ? animated->at(seconds) : fallback;
}

// "ADBE Vector Transform Group": a point moves by -anchor, is scaled, skewed
// along the skew axis and turned (clockwise on screen), then moves by the
// position.
Affine group_transform(const StreamNode* t, double seconds) {
  const Vec2 anchor = value_of<Vec2>(t, "ADBE Vector Anchor", seconds, {});
  const Vec2 position = value_of<Vec2>(t, "ADBE Vector Position", seconds, {});
  const Vec2 scale = value_of<Vec2>(t, "ADBE Vector Scale", seconds, {100.0, 100.0});
  const double skew = value_of<double>(t, "ADBE Vector Skew", seconds, 0.0) * radians_per_degree;
  const double axis =
      value_of<double>(t, "ADBE Vector Skew Axis", seconds, 0.0) * radians_per_degree;
  const double turn =
      value_of<double>(t, "ADBE Vector Rotation", seconds, 0.0) * radians_per_degree;
  const double k = std::tan(skew);
  const double s = std::sin(axis);
  const double c = std::cos(axis);
  return Affine{1.0, 0.0, 0.0, 1.0, -anchor.x, -anchor.y}
      .then({scale.x / 100.0, 0.0, 0.0, scale.y / 100.0, 0.0, 0.0})
      .then({1.0 - s * c * k, s * s * k, -c * c * k, 1.0 + s * c * k, 0.0, 0.0})
      .then({std::cos(turn), std::sin(turn), -std::sin(turn), std::cos(turn), 0.0, 0.0})
      .then({1.0, 0.0, 0.0, 1.0, position.x, position.y});
}

// The same outline run the other way: the winding that counts for the
// non-zero rule turns over.
PathShape reversed(PathShape shape) {
  std::reverse(shape.vertices.begin(), shape.vertices.end());
  for (PathPoint& p : shape.vertices) {
    std::swap(p.in_x, p.out_x);
    std::swap(p.in_y, p.out_y);
  }
  return shape;
}

// Geometry on its way up through the groups: a path placed in the layer, or
// paths that a merge has already combined.
using Piece = std::variant<PlacedPath, Coverage>;

class ShapePainter {
 public:
  ShapePainter(double seconds, const PixelGrid& grid, DrawingCancel& cancel)
      : seconds_(seconds), grid_(grid), cancel_(cancel) {}

  // The items of a group in content order; gives the geometry they hold.
  std::vector<Piece> walk(const StreamNode& items, const Affine& to_layer, double opacity) {
    std::vector<Piece> pieces;
    // What this group's fills and inner groups paint from here on.
    const size_t first_paint = paints_.size();
    for (const StreamNode& item : items.children) {
      if (cancel_.poll()) break;
      const std::string& kind = item.match_name;
      if (kind == "ADBE Vector Group") {
        const StreamNode* contents = item.child("ADBE Vectors Group");
        const StreamNode* transform = item.child("ADBE Vector Transform Group");
        if (contents == nullptr) continue;
        const double group_opacity =
            value_of<double>(transform, "ADBE Vector Group Opacity", seconds_, 100.0) / 100.0;
        std::vector<Piece> inner =
            walk(*contents, group_transform(transform, seconds_).then(to_layer),
                 opacity * group_opacity);
        std::move(inner.begin(), inner.end(), std::back_inserter(pieces));
      } else if (kind == "ADBE Vector Shape - Group") {
        PathShape shape = value_of<PathShape>(&item, "ADBE Vector Shape", seconds_, {});
        const double direction =
            value_of<double>(&item, "ADBE Vector Shape Direction", seconds_, path_direction_normal);
        if (direction == path_direction_reversed) shape = reversed(std::move(shape));
        pieces.emplace_back(PlacedPath{std::move(shape), to_layer});
      } else if (kind == "ADBE Vector Graphic - Fill") {
        paint(item, pieces, opacity);
      } else if (kind == "ADBE Vector Filter - Merge") {
        // As the effect reads the contents: a merge takes over the paths
        // above it, and what fills above it in the group painted is gone.
        paints_.erase(paints_.begin() + static_cast<std::ptrdiff_t>(first_paint), paints_.end());
        merge(value_of<double>(&item, "ADBE Vector Merge Type", seconds_, 1.0), pieces);
      }
    }
    return pieces;
  }

  std::vector<ShapePaint> take_paints() { return std::move(paints_); }

 private:
  void paint(const StreamNode& fill, const std::vector<Piece>& pieces, double opacity) {
    if (pieces.empty()) return;
    const FillRule rule = value_of<double>(&fill, "ADBE Vector Fill Rule", seconds_, 1.0) == 2.0
                              ? FillRule::even_odd
                              : FillRule::non_zero;
    const Color color =
        value_of<Color>(&fill, "ADBE Vector Fill Color", seconds_, default_fill_color);
    const double fill_opacity =
        value_of<double>(&fill, "ADBE Vector Fill Opacity", seconds_, 100.0) / 100.0;
    paints_.push_back({coverage_of(pieces, rule), color,
                       std::clamp(opacity * fill_opacity * color.alpha, 0.0, 1.0)});
  }

  // The paths as one outline by the rule, with what merges combined.
  Coverage coverage_of(const std::vector<Piece>& pieces, FillRule rule) const {
    std::vector<PlacedPath> paths;
    for (const Piece& piece : pieces) {
      if (const auto* path = std::get_if<PlacedPath>(&piece)) paths.push_back(*path);
    }
    Coverage coverage = fill_coverage(grid_, paths, rule);
    for (const Piece& piece : pieces) {
      if (const auto* merged = std::get_if<Coverage>(&piece)) {
        coverage.combine(*merged, CoverageOp::add);
      }
    }
    return coverage;
  }

  // Type 1 keeps the paths as one compound outline for the fills below it;
  // 2 unites them, 3 cuts the later ones out of the first, 4 keeps what all
  // share, 5 what an odd number of them covers; any other type leaves
  // nothing.
  void merge(double type, std::vector<Piece>& pieces) {
    CoverageOp op = CoverageOp::add;
    if (type == 1.0) {
      return;
    } else if (type == 3.0) {
      op = CoverageOp::subtract;
    } else if (type == 4.0) {
      op = CoverageOp::intersect;
    } else if (type == 5.0) {
      op = CoverageOp::exclude;
    } else if (type != 2.0) {
      pieces.clear();
      return;
    }
    if (pieces.empty()) return;
    Coverage combined;
    for (size_t i = 0; i < pieces.size(); ++i) {
      // Each piece is drawn over the whole grid: many make a long drawing.
      if (cancel_.poll()) {
        pieces.clear();
        return;
      }
      Coverage own = coverage_of({pieces[i]}, FillRule::non_zero);
      if (i == 0) {
        combined = std::move(own);
      } else {
        combined.combine(own, op);
      }
    }
    pieces.clear();
    pieces.emplace_back(std::move(combined));
  }

  double seconds_;
  PixelGrid grid_;
  DrawingCancel& cancel_;
  std::vector<ShapePaint> paints_;
};

}  // namespace

std::vector<ShapePaint> shape_paints(const StreamNode& root_vectors_group, double layer_seconds,
                                     const Affine& to_layer, const PixelGrid& grid,
                                     DrawingCancel& cancel) {
  ShapePainter painter(layer_seconds, grid, cancel);
  painter.walk(root_vectors_group, to_layer, 1.0);
  return painter.take_paints();
}

}  // namespace simhost::scene
