#pragma once

#include <cstdint>
#include <vector>

#include "geometry/path_types.h"

// Boolean operations on double-precision polygons whose points carry a 64-bit z.
//
// Coordinates are scaled by 10^precision and rounded half away from zero to integers before the
// operation and scaled back afterwards. A result point that is an input point (it lies where the
// input point lies, after rounding, and an edge of the result leaves it along one of that input
// point's edges, either way round) keeps that point's z; a point the operation creates gets z 0,
// even where an unrelated input point lies. Collinear points are kept. Outer contours come out
// with positive area (counter-clockwise with y up), holes with negative area.
// Points with a non-finite coordinate are left out of the input; coordinates beyond the integer
// range are clamped to it. A precision outside [-8, 8] gives an empty result.

enum class ClipType : int { Intersection = 1, Union = 2, Difference = 3, Xor = 4 };

// Applies to subjects and clips alike. In the order of the host's fill rule values (1 non-zero,
// 2 even-odd), as host/scene's FillRule; chosen by comparison, never converted by value.
enum class FillRule : int { NonZero, EvenOdd };

// One contour of a polygon tree: an outer contour's children are its holes, a hole's children
// are the outer contours (islands) inside it.
struct PolyPathD {
  PathD polygon;
  bool is_hole = false;
  std::vector<PolyPathD> children;
};

// The root of a polygon tree; its children are the top-level outer contours.
struct PolyTreeD {
  std::vector<PolyPathD> children;

  void clear() { children.clear(); }
  bool empty() const { return children.empty(); }
};

PathsD boolean_op(ClipType clip_type, FillRule fill_rule, const PathsD& subjects,
                  const PathsD& clips, int precision);

// The same operation with the result as a polygon tree (replacing the tree's contents).
void boolean_op(ClipType clip_type, FillRule fill_rule, const PathsD& subjects, const PathsD& clips,
                PolyTreeD& result, int precision);

// Depth-first flattening: each contour before its children, children in tree order.
PathsD poly_tree_to_paths(const PolyTreeD& tree);
// The same, appended to `out`.
void append_poly_tree_paths(const PolyTreeD& tree, PathsD& out);

// Unions built in steps. A partial result stays on the integer grid of the precision (coordinates
// times 10^precision, rounded once on the way in) with the z of every point, so that uniting it
// further rounds nothing again and treats its points as input points, as above.
struct GridPoint {
  int64_t x = 0;
  int64_t y = 0;
  int64_t z = 0;

  friend bool operator==(const GridPoint&, const GridPoint&) = default;
};
using GridPath = std::vector<GridPoint>;
using GridPaths = std::vector<GridPath>;

// The union of `paths` split by the sign of their winding number: the region where it is
// positive and the region where it is negative, each as outer contours and holes (oriented as
// above). Together they are the NonZero union. Empty for a precision outside [-8, 8].
struct SignedUnion {
  GridPaths positive;
  GridPaths negative;
};
SignedUnion unite_by_winding_sign(const PathsD& paths, int precision);

// The union (NonZero) of partial results on one grid.
GridPaths unite_grid_paths(const GridPaths& a, const GridPaths& b);
// The same as a polygon tree, scaled back from the grid of `precision` (replacing the tree's
// contents).
void unite_grid_paths(const GridPaths& a, const GridPaths& b, PolyTreeD& result, int precision);
