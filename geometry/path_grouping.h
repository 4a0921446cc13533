#pragma once

#include <cstdint>
#include <vector>

#include "geometry/matrix.h"
#include "geometry/path_types.h"
#include "geometry/polygon_boolean.h"

struct PreRenderPlan;

// Bounding rectangles here are {min x, min y, max x, max y} in path space
// (left, top, right, bottom of RectD).

// (+inf, +inf, -inf, -inf).
RectD empty_rect();
// True when min x >= max x or min y >= max y.
bool rect_is_empty(const RectD& rect);

// One rectangle per path, covering its points; a path without points keeps
// the empty rectangle.
std::vector<RectD> compute_path_boxes(const PathsD& paths);

// Inclusive overlap test: boxes sharing only an edge or a corner overlap;
// empty boxes and boxes with a NaN coordinate overlap nothing.
bool boxes_overlap(const RectD& a, const RectD& b);

using PathGroup = std::vector<uint64_t>;

// Connected components of the overlap relation, in order of their smallest
// member. Within a group: the seed, its direct overlaps in index order, then
// each of those expanded depth first in turn.
std::vector<PathGroup> group_overlapping_paths(const std::vector<RectD>& boxes);

// The expansion step of the grouping: appends to `group` every path whose
// bit in `bits` is set (not yet grouped) and that overlaps path `index`,
// clears their bits, and expands each of them in turn, depth first. Runs on
// an explicit stack, so the depth of a group does not reach the call stack.
void extend_path_group(const std::vector<RectD>& boxes, uint64_t index, std::vector<bool>& bits,
                       PathGroup& group);

// The same groups, in the same order with the same member order, found
// through a uniform grid instead of a scan over all paths per expansion.
std::vector<PathGroup> group_overlapping_paths_indexed(const std::vector<RectD>& boxes);

struct UnitedPaths {
  // Every group's union, flattened depth first, groups in order; reversed
  // when inner extrusion is on.
  PathsD paths;
  // One union per group, in group order, exactly as the boolean operation
  // returned it (never reversed or flagged).
  std::vector<PolyTreeD> group_trees;
};

// Groups the paths whose boxes overlap and unites each group (NonZero,
// precision 2; geometry/group_union.h), on up to `threads` threads. Points
// the union creates carry flag 0. The result does not depend on the thread
// count. Within a frame the host may cancel, a cancel throws FrameCancelled.
UnitedPaths union_overlapping_paths(const PathsD& paths, bool inner_extrusion,
                                    unsigned threads = 1);
UnitedPaths union_overlapping_paths(const PreRenderPlan& plan, unsigned threads = 1);

// Gives every point with flag 0 a flag: 1 (corner) when the outline turns
// there by more than the corner threshold (the dot product of the unit edge
// vectors away from the point exceeds corner_cos), else 2. Points with a
// zero-length edge get 2. Other flags are kept.
void flag_union_points(PathsD& paths, double corner_cos);
