#pragma once

#include <cstdint>
#include <vector>

#include "geometry/path_types.h"
#include "geometry/source_geometry.h"

// A mask whose Bezier path has been flattened.
struct FlatMaskPath {
  PathD path;
  int32_t mode = mask_mode_none;
  uint8_t inverted = 0;
};

// One level of shape items while it is combined.
struct ShapeGroupPaths {
  std::vector<PathsD> pending;  // one entry per shape that later fills of the level paint
  PathsD filled;                // what the level's fills and sub-groups have painted so far
};

// Flattens one closed Bezier path (host space) into a polygon in path space (y negated), each
// vertex flagged corner or smooth by corner_cos, the curve points in between smooth. A path that
// reaches beyond cairo's fixed-point range is cut down first (geometry/flattening_range.h).
PathD flatten_bezier_path(const BezierPath& path, double corner_cos);

// Within a frame the host may cancel, the conversions of whole outline lists below check between
// outlines, masks and items whether it did, and throw FrameCancelled (host_support/frame_abort.h).

// Appends one flattened polygon per outline to out.
void flatten_bezier_paths(const TextOutlines& outlines, double corner_cos, PathsD& out);

// The layer rectangle (0, 0)-(width, height) in path space, flags 0.
PathD make_layer_frame(double layer_width, double layer_height);
PathsD combine_mask_paths(const MaskPaths& masks, double corner_cos, double layer_width,
                          double layer_height);
PathsD combine_masks(std::vector<FlatMaskPath> masks, const PathD& layer_frame);

ShapeGroupPaths merge_group_paths(const ShapeItems& items, double corner_cos);
void add_shape_path(ShapeGroupPaths& level, const BezierPath& path, double corner_cos);
void union_group_paths(ShapeGroupPaths& level, int32_t fill_rule);
void merge_paths(ShapeGroupPaths& level, int32_t merge_type);
