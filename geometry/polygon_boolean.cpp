#include "geometry/polygon_boolean.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <polyclipping/clipper.hpp>
#include <unordered_map>
#include <utility>

namespace {

// Kept well inside the library's 62-bit coordinate range.
constexpr double max_scaled_coordinate = 2305843009213693952.0;  // 2^61

struct IntPointHash {
  size_t operator()(const ClipperLib::IntPoint& p) const {
    const auto x = static_cast<uint64_t>(p.X);
    const auto y = static_cast<uint64_t>(p.Y);
    return std::hash<uint64_t>()(x * 0x9E3779B97F4A7C15ull ^ (y + 0x632BE59BD9B4E019ull));
  }
};

struct IntPointEqual {
  bool operator()(const ClipperLib::IntPoint& a, const ClipperLib::IntPoint& b) const {
    return a.X == b.X && a.Y == b.Y;
  }
};

using IntPath = ClipperLib::Path;

// The nearest point of `path` before (step -1) or after (step +1) point i that differs from it;
// point i itself when there is none.
ClipperLib::IntPoint distinct_neighbour(const IntPath& path, size_t i, int step) {
  const size_t n = path.size();
  size_t j = i;
  for (size_t k = 1; k < n; ++k) {
    j = step > 0 ? (j + 1) % n : (j + n - 1) % n;
    if (!(path[j] == path[i])) return path[j];
  }
  return path[i];
}

// True when the rays from a common point along u and v run the same way: v points along u,
// or u along v, the shorter one's end lying within one unit of the longer one's line. Both
// points are rounded to the integer grid, and a point the operation creates on an input edge
// lies off that edge by up to half a unit in each axis.
bool same_ray(const ClipperLib::IntPoint& u, const ClipperLib::IntPoint& v) {
  const long double ux = static_cast<long double>(u.X);
  const long double uy = static_cast<long double>(u.Y);
  const long double vx = static_cast<long double>(v.X);
  const long double vy = static_cast<long double>(v.Y);
  if (ux * vx + uy * vy <= 0) return false;
  const long double cross = ux * vy - uy * vx;
  const long double longer = std::max(ux * ux + uy * uy, vx * vx + vy * vy);
  return cross * cross <= longer;
}

ClipperLib::IntPoint minus(const ClipperLib::IntPoint& a, const ClipperLib::IntPoint& b) {
  return {a.X - b.X, a.Y - b.Y};
}

// The input points by position, each with its z and its two edges. A result point keeps an
// input point's z only where it is that input point: where an edge of the result leaves it
// along one of that input point's edges. Coinciding input points are told apart by their edges;
// a point the operation makes where outlines cross gets 0, even where an unrelated input point
// lies.
class InputPoints {
 public:
  void reserve(size_t points) {
    points_.reserve(points);
    first_at_.reserve(points);
  }

  void add_path(const IntPath& path, const std::vector<int64_t>& z) {
    for (size_t i = 0; i < path.size(); ++i) {
      const ClipperLib::IntPoint& p = path[i];
      const auto index = static_cast<uint32_t>(points_.size());
      auto [it, inserted] = first_at_.try_emplace(p, index);
      uint32_t next_same = none;
      if (!inserted) {
        // Kept in input order: the new point goes last in its position's list.
        uint32_t last = it->second;
        while (points_[last].next_same != none) last = points_[last].next_same;
        points_[last].next_same = index;
      }
      points_.push_back({minus(distinct_neighbour(path, i, -1), p),
                         minus(distinct_neighbour(path, i, +1), p), z[i], next_same});
    }
  }

  // z of point i of a result contour: that of the input point at its position with the most
  // result edges leaving along its own edges (the first such in input order), or 0.
  int64_t z_of(const IntPath& contour, size_t i) const {
    const ClipperLib::IntPoint& p = contour[i];
    const auto it = first_at_.find(p);
    if (it == first_at_.end()) return 0;
    const ClipperLib::IntPoint before = minus(distinct_neighbour(contour, i, -1), p);
    const ClipperLib::IntPoint after = minus(distinct_neighbour(contour, i, +1), p);
    int best_matches = 0;
    int64_t z = 0;
    for (uint32_t k = it->second; k != none; k = points_[k].next_same) {
      const InputPoint& q = points_[k];
      int matches = 0;
      for (const ClipperLib::IntPoint& edge : {before, after}) {
        if (same_ray(edge, q.before) || same_ray(edge, q.after)) ++matches;
      }
      if (matches > best_matches) {
        best_matches = matches;
        z = q.z;
      }
    }
    return z;
  }

 private:
  static constexpr uint32_t none = 0xFFFFFFFFu;

  struct InputPoint {
    ClipperLib::IntPoint before;  // towards the previous distinct point of its path
    ClipperLib::IntPoint after;   // towards the next one
    int64_t z;
    uint32_t next_same;  // the next input point at the same position, or none
  };

  std::vector<InputPoint> points_;
  std::unordered_map<ClipperLib::IntPoint, uint32_t, IntPointHash, IntPointEqual> first_at_;
};

class Scaler {
 public:
  explicit Scaler(int precision) : scale_(std::pow(10.0, precision)) {}

  // Half away from zero, as std::round does.
  ClipperLib::cInt to_int(double v) const {
    double scaled = std::round(v * scale_);
    if (scaled > max_scaled_coordinate) scaled = max_scaled_coordinate;
    if (scaled < -max_scaled_coordinate) scaled = -max_scaled_coordinate;
    return static_cast<ClipperLib::cInt>(scaled);
  }

  double to_double(ClipperLib::cInt v) const { return static_cast<double>(v) / scale_; }

 private:
  double scale_;
};

ClipperLib::Paths to_int_paths(const PathsD& paths, const Scaler& scaler, InputPoints& inputs) {
  ClipperLib::Paths result;
  result.reserve(paths.size());
  std::vector<int64_t> z;
  for (const PathD& path : paths) {
    IntPath int_path;
    int_path.reserve(path.size());
    z.clear();
    for (const PathVertexZ& v : path) {
      if (!std::isfinite(v.x) || !std::isfinite(v.y)) continue;
      int_path.emplace_back(scaler.to_int(v.x), scaler.to_int(v.y));
      z.push_back(v.z);
    }
    inputs.add_path(int_path, z);
    result.push_back(std::move(int_path));
  }
  return result;
}

PathD to_double_path(const IntPath& path, const Scaler& scaler, const InputPoints& inputs) {
  PathD result;
  result.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    result.push_back(
        {scaler.to_double(path[i].X), scaler.to_double(path[i].Y), inputs.z_of(path, i)});
  }
  return result;
}

ClipperLib::PolyFillType to_fill_type(FillRule rule) {
  return rule == FillRule::EvenOdd ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero;
}

bool to_clip_type(ClipType type, ClipperLib::ClipType& out) {
  switch (type) {
    case ClipType::Intersection:
      out = ClipperLib::ctIntersection;
      return true;
    case ClipType::Union:
      out = ClipperLib::ctUnion;
      return true;
    case ClipType::Difference:
      out = ClipperLib::ctDifference;
      return true;
    case ClipType::Xor:
      out = ClipperLib::ctXor;
      return true;
  }
  return false;
}

bool precision_in_range(int precision) {
  return precision >= -8 && precision <= 8;
}

// Runs one operation of Clipper on integer paths; false when nothing can be computed.
template <typename Solution>
bool run_clipper(ClipperLib::ClipType type, FillRule fill_rule, const ClipperLib::Paths& subjects,
                 const ClipperLib::Paths& clips, Solution& solution) {
  try {
    ClipperLib::Clipper clipper;
    clipper.PreserveCollinear(true);
    // Degenerate paths (fewer than three distinct points) are refused one by one; that is fine.
    clipper.AddPaths(subjects, ClipperLib::ptSubject, true);
    clipper.AddPaths(clips, ClipperLib::ptClip, true);
    const ClipperLib::PolyFillType fill = to_fill_type(fill_rule);
    return clipper.Execute(type, solution, fill, fill);
  } catch (const ClipperLib::clipperException&) {
    return false;
  }
}

size_t point_count(const PathsD& paths) {
  size_t points = 0;
  for (const PathD& path : paths) points += path.size();
  return points;
}

// Runs the operation into tree; false when nothing can be computed.
bool execute(ClipType clip_type, FillRule fill_rule, const PathsD& subjects, const PathsD& clips,
             const Scaler& scaler, InputPoints& inputs, ClipperLib::PolyTree& tree) {
  ClipperLib::ClipType type;
  if (!to_clip_type(clip_type, type)) return false;
  inputs.reserve(point_count(subjects) + point_count(clips));
  const ClipperLib::Paths int_subjects = to_int_paths(subjects, scaler, inputs);
  const ClipperLib::Paths int_clips = to_int_paths(clips, scaler, inputs);
  return run_clipper(type, fill_rule, int_subjects, int_clips, tree);
}

// Grid paths as Clipper's, their points noted as input points.
ClipperLib::Paths from_grid_paths(const GridPaths& paths, InputPoints& inputs) {
  ClipperLib::Paths result;
  result.reserve(paths.size());
  std::vector<int64_t> z;
  for (const GridPath& path : paths) {
    IntPath int_path;
    int_path.reserve(path.size());
    z.clear();
    for (const GridPoint& p : path) {
      int_path.emplace_back(p.x, p.y);
      z.push_back(p.z);
    }
    inputs.add_path(int_path, z);
    result.push_back(std::move(int_path));
  }
  return result;
}

GridPaths to_grid_paths(const ClipperLib::Paths& contours, const InputPoints& inputs) {
  GridPaths result;
  result.reserve(contours.size());
  for (const IntPath& contour : contours) {
    GridPath path;
    path.reserve(contour.size());
    for (size_t i = 0; i < contour.size(); ++i) {
      path.push_back({contour[i].X, contour[i].Y, inputs.z_of(contour, i)});
    }
    result.push_back(std::move(path));
  }
  return result;
}

size_t point_count(const GridPaths& paths) {
  size_t points = 0;
  for (const GridPath& path : paths) points += path.size();
  return points;
}

// The two partial results on the grid, as one union's subjects and clips.
struct GridUnionInput {
  InputPoints inputs;
  ClipperLib::Paths subjects;
  ClipperLib::Paths clips;

  GridUnionInput(const GridPaths& a, const GridPaths& b) {
    inputs.reserve(point_count(a) + point_count(b));
    subjects = from_grid_paths(a, inputs);
    clips = from_grid_paths(b, inputs);
  }
};

void convert_tree(const ClipperLib::PolyNode& from, std::vector<PolyPathD>& to,
                  const Scaler& scaler, const InputPoints& inputs) {
  to.reserve(from.Childs.size());
  for (const ClipperLib::PolyNode* child : from.Childs) {
    PolyPathD node;
    node.polygon = to_double_path(child->Contour, scaler, inputs);
    node.is_hole = child->IsHole();
    convert_tree(*child, node.children, scaler, inputs);
    to.push_back(std::move(node));
  }
}

void append_depth_first(const std::vector<PolyPathD>& nodes, PathsD& out) {
  // Explicit stack: nesting depth is bounded only by the input.
  std::vector<std::pair<const std::vector<PolyPathD>*, size_t>> stack;
  stack.emplace_back(&nodes, 0);
  while (!stack.empty()) {
    auto& [list, index] = stack.back();
    if (index == list->size()) {
      stack.pop_back();
      continue;
    }
    const PolyPathD& node = (*list)[index++];
    out.push_back(node.polygon);
    if (!node.children.empty()) stack.emplace_back(&node.children, 0);
  }
}

}  // namespace

void boolean_op(ClipType clip_type, FillRule fill_rule, const PathsD& subjects, const PathsD& clips,
                PolyTreeD& result, int precision) {
  result.clear();
  if (!precision_in_range(precision)) return;
  const Scaler scaler(precision);
  InputPoints inputs;
  ClipperLib::PolyTree tree;
  if (!execute(clip_type, fill_rule, subjects, clips, scaler, inputs, tree)) return;
  convert_tree(tree, result.children, scaler, inputs);
}

PathsD boolean_op(ClipType clip_type, FillRule fill_rule, const PathsD& subjects,
                  const PathsD& clips, int precision) {
  PolyTreeD tree;
  boolean_op(clip_type, fill_rule, subjects, clips, tree, precision);
  return poly_tree_to_paths(tree);
}

PathsD poly_tree_to_paths(const PolyTreeD& tree) {
  PathsD result;
  append_depth_first(tree.children, result);
  return result;
}

void append_poly_tree_paths(const PolyTreeD& tree, PathsD& out) {
  append_depth_first(tree.children, out);
}

SignedUnion unite_by_winding_sign(const PathsD& paths, int precision) {
  SignedUnion result;
  if (!precision_in_range(precision)) return result;
  const Scaler scaler(precision);
  InputPoints inputs;
  inputs.reserve(point_count(paths));
  const ClipperLib::Paths int_paths = to_int_paths(paths, scaler, inputs);
  ClipperLib::Paths positive;
  ClipperLib::Paths negative;
  try {
    // One sweep structure, run once for each sign.
    ClipperLib::Clipper clipper;
    clipper.PreserveCollinear(true);
    clipper.AddPaths(int_paths, ClipperLib::ptSubject, true);
    if (!clipper.Execute(ClipperLib::ctUnion, positive, ClipperLib::pftPositive,
                         ClipperLib::pftPositive) ||
        !clipper.Execute(ClipperLib::ctUnion, negative, ClipperLib::pftNegative,
                         ClipperLib::pftNegative)) {
      return result;
    }
  } catch (const ClipperLib::clipperException&) {
    return result;
  }
  result.positive = to_grid_paths(positive, inputs);
  result.negative = to_grid_paths(negative, inputs);
  return result;
}

GridPaths unite_grid_paths(const GridPaths& a, const GridPaths& b) {
  const GridUnionInput input(a, b);
  ClipperLib::Paths contours;
  if (!run_clipper(ClipperLib::ctUnion, FillRule::NonZero, input.subjects, input.clips, contours)) {
    return {};
  }
  return to_grid_paths(contours, input.inputs);
}

void unite_grid_paths(const GridPaths& a, const GridPaths& b, PolyTreeD& result, int precision) {
  result.clear();
  if (!precision_in_range(precision)) return;
  const GridUnionInput input(a, b);
  ClipperLib::PolyTree tree;
  if (!run_clipper(ClipperLib::ctUnion, FillRule::NonZero, input.subjects, input.clips, tree)) {
    return;
  }
  convert_tree(tree, result.children, Scaler(precision), input.inputs);
}
