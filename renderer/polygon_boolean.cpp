#include "renderer/polygon_boolean.h"

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

// Rounded input point -> its z. The library has no z of its own.
using ZMap = std::unordered_map<ClipperLib::IntPoint, int64_t, IntPointHash, IntPointEqual>;

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

ClipperLib::Paths to_int_paths(const PathsD& paths, const Scaler& scaler, ZMap& z_of) {
  ClipperLib::Paths result;
  result.reserve(paths.size());
  for (const PathD& path : paths) {
    ClipperLib::Path int_path;
    int_path.reserve(path.size());
    for (const PathVertexZ& v : path) {
      if (!std::isfinite(v.x) || !std::isfinite(v.y)) continue;
      const ClipperLib::IntPoint p(scaler.to_int(v.x), scaler.to_int(v.y));
      int_path.push_back(p);
      // Points that round together share one z: the first input point's, unless that is unset.
      auto [it, inserted] = z_of.try_emplace(p, v.z);
      if (!inserted && it->second == 0) it->second = v.z;
    }
    result.push_back(std::move(int_path));
  }
  return result;
}

PathD to_double_path(const ClipperLib::Path& path, const Scaler& scaler, const ZMap& z_of) {
  PathD result;
  result.reserve(path.size());
  for (const ClipperLib::IntPoint& p : path) {
    const auto it = z_of.find(p);
    result.push_back(
        {scaler.to_double(p.X), scaler.to_double(p.Y), it == z_of.end() ? 0 : it->second});
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

// Runs the operation into tree; false when nothing can be computed.
bool execute(ClipType clip_type, FillRule fill_rule, const PathsD& subjects, const PathsD& clips,
             const Scaler& scaler, ZMap& z_of, ClipperLib::PolyTree& tree) {
  ClipperLib::ClipType type;
  if (!to_clip_type(clip_type, type)) return false;
  size_t points = 0;
  for (const PathD& path : subjects) points += path.size();
  for (const PathD& path : clips) points += path.size();
  z_of.reserve(points);
  const ClipperLib::Paths int_subjects = to_int_paths(subjects, scaler, z_of);
  const ClipperLib::Paths int_clips = to_int_paths(clips, scaler, z_of);
  try {
    ClipperLib::Clipper clipper;
    clipper.PreserveCollinear(true);
    // Degenerate paths (fewer than three distinct points) are refused one by one; that is fine.
    clipper.AddPaths(int_subjects, ClipperLib::ptSubject, true);
    clipper.AddPaths(int_clips, ClipperLib::ptClip, true);
    const ClipperLib::PolyFillType fill = to_fill_type(fill_rule);
    return clipper.Execute(type, tree, fill, fill);
  } catch (const ClipperLib::clipperException&) {
    return false;
  }
}

void convert_tree(const ClipperLib::PolyNode& from, std::vector<PolyPathD>& to,
                  const Scaler& scaler, const ZMap& z_of) {
  to.reserve(from.Childs.size());
  for (const ClipperLib::PolyNode* child : from.Childs) {
    PolyPathD node;
    node.polygon = to_double_path(child->Contour, scaler, z_of);
    node.is_hole = child->IsHole();
    convert_tree(*child, node.children, scaler, z_of);
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
  ZMap z_of;
  ClipperLib::PolyTree tree;
  if (!execute(clip_type, fill_rule, subjects, clips, scaler, z_of, tree)) return;
  convert_tree(tree, result.children, scaler, z_of);
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
