#pragma once

// The union of each group of overlapping paths (NonZero, precision 2).
//
// One boolean operation over many mutually overlapping paths grows about quadratically with
// their number, most of it spent on crossings deep inside the result. A large group is therefore
// united as a balanced tree of partial unions: leaves of a few paths each, then pairs of leaves,
// pairs of those results and so on, spread over the frame's threads (the leaves one by one, the
// upper levels in blocks of 16 nodes a thread unites alone). A partial result is only the outline
// of its region, so later levels never see the crossings inside it.
//
// Uniting the leaves' regions gives the NonZero union of all paths only when no point is covered
// with a positive winding by one leaf and a negative one by another (a clockwise outline over a
// counter-clockwise one cancels under NonZero). A path is therefore kept in one leaf with the
// nearest path of opposite orientation whose box holds its box (a glyph's hole with its outline),
// and each leaf is united by the sign of its winding. Leaves that cover with both signs, or with
// the sign fewer leaves cover with, are merged with their neighbours and united again, until all
// cover with one sign; a group whose leaves come to one is united by one operation after all.
//
// Points keep their z as one operation would give it: a point the result takes over from an
// input path keeps that path's z through every level, a point a union creates gets 0 and keeps it.

#include <cstddef>
#include <vector>

#include "geometry/path_grouping.h"
#include "geometry/path_types.h"
#include "geometry/polygon_boolean.h"

struct GroupUnionLimits {
  // Groups of fewer paths are united by one operation.
  size_t min_tree_paths = 32;
  // Paths per leaf, at least (a leaf ends with a whole outline and the paths kept with it).
  size_t leaf_paths = 4;
};

// The leaves of a group's tree: the group's paths in index order, each path joined to the nearest
// path of opposite orientation, before or after it, whose box holds its box, cut into runs of at
// least `leaf_paths` paths that never separate joined paths.
std::vector<PathGroup> tree_union_leaves(const PathsD& paths, const PathGroup& group,
                                         size_t leaf_paths);

// Unites every group into its polygon tree (`trees` is resized to the groups, in group order),
// on up to `threads` threads. The host's abort is polled between the levels of the trees and
// between unions; a cancel throws FrameCancelled (host_support/frame_abort.h) once every
// thread has stopped. The trees do not depend on the thread count.
void unite_groups(const PathsD& paths, const std::vector<PathGroup>& groups,
                  std::vector<PolyTreeD>& trees, unsigned threads,
                  const GroupUnionLimits& limits = {});
