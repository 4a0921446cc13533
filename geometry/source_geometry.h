#pragma once

#include <cstdint>
#include <variant>
#include <vector>

// One vertex of a closed cubic Bezier path in host space (y down); control points are absolute.
// in_* belongs to the segment arriving at the vertex, out_* to the one leaving it.
struct BezierVertex {
  double x = 0.0;
  double y = 0.0;
  double in_x = 0.0;
  double in_y = 0.0;
  double out_x = 0.0;
  double out_y = 0.0;
};

// Always closed: segment i runs from vertex i to vertex (i + 1) mod n.
using BezierPath = std::vector<BezierVertex>;

// Host mask modes.
inline constexpr int32_t mask_mode_none = 0;
inline constexpr int32_t mask_mode_add = 1;
inline constexpr int32_t mask_mode_subtract = 2;
inline constexpr int32_t mask_mode_intersect = 3;
inline constexpr int32_t mask_mode_lighten = 4;
inline constexpr int32_t mask_mode_darken = 5;
inline constexpr int32_t mask_mode_difference = 6;
inline constexpr int32_t mask_mode_accumulate = 7;

struct MaskPath {
  BezierPath path;
  int32_t mode = mask_mode_none;
  uint8_t inverted = 0;
};

// "ADBE Vector Fill Rule": 1 non-zero winding, 2 even-odd.
struct ShapeFill {
  int32_t rule = 1;
};

// "ADBE Vector Merge Type": 1 merge, 2 add, 3 subtract, 4 intersect, 5 exclude intersections.
struct ShapeMerge {
  int32_t type = 1;
};

struct ShapeItem;

struct ShapeGroup {
  std::vector<ShapeItem> items;
};

// One entry of a shape layer's contents, in the host's content order. A path already carries
// the transforms of every group holding it.
struct ShapeItem {
  std::variant<BezierPath, ShapeFill, ShapeMerge, ShapeGroup> value;
};

using TextOutlines = std::vector<BezierPath>;
using MaskPaths = std::vector<MaskPath>;
using ShapeItems = std::vector<ShapeItem>;

// The layer's outlines. A new value holds text outlines with no outline.
struct SourceGeometry {
  std::variant<TextOutlines, MaskPaths, ShapeItems> value;
};
