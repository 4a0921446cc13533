#pragma once

#include <cstdint>

#include "geometry/extrusion_mode.h"
#include "geometry/matrix.h"
#include "geometry/path_types.h"
#include "geometry/source_geometry.h"
#include "host_api/ae_effect.h"

// Visible cap (PreRenderPlan::face_to_draw).
inline constexpr int32_t face_none = 0;
inline constexpr int32_t face_front = 1;
inline constexpr int32_t face_back = 2;

// What smart pre-render asks the renderer to plan. Host space unless stated.
struct RenderPlanRequest {
  PF_LRect request_rect = {0, 0, 0, 0};
  SourceGeometry source;
  double layer_width = 0.0;
  double layer_height = 0.0;
  double corner_angle_deg = 0.0;
  ExtrusionMode mode = ExtrusionMode::directional;
  double direction_deg = 0.0;  // clockwise from straight up
  double vanishing_x = 0.0;
  double vanishing_y = 0.0;
  dmat4 layer_transform =
      {};              // camera mode only: host-space point to homogeneous output coordinates
  double front = 0.0;  // front <= back
  double back = 0.0;
  double stroke_width = 0.0;
  uint8_t inner_extrusion = 0;
  uint8_t inherit_layer_color = 0;
};

// The frame plan, in path space (y up, z = -depth). Kept by the host between the smart commands.
struct PreRenderPlan {
  PathsD paths;
  RectD bounds = RectD::empty();  // of every vertex of paths
  double corner_cos = 0.0;
  ExtrusionMode extrusion_mode = ExtrusionMode::directional;
  dvec2 extrusion_direction;  // unit vector, path space
  dvec2 vanishing_point;      // path space
  dmat4 path_to_screen =
      {};  // path space to homogeneous output coordinates, y up; zero unless camera mode
  int32_t face_to_draw = face_front;
  double front_extrusion_amount = 0.0;
  double back_extrusion_amount = 0.0;
  double stroke_width = 0.0;
  uint8_t inner_extrusion = 0;
  uint8_t inherit_layer_color = 0;
};

struct RenderPlanResult {
  PF_LRect face_rect = {0, 0, 0, 0};       // input area the face samples; zero unless inheriting
  PF_LRect swept_bounds = {0, 0, 0, 0};    // area the solid and its stroke can cover
  PF_LRect clipped_bounds = {0, 0, 0, 0};  // swept_bounds clipped to the request
  PreRenderPlan plan;
};

// A path-space point.
struct PathPoint3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// The plan's projection at one depth.
struct DepthProjection {
  ExtrusionMode mode = ExtrusionMode::directional;
  dvec2 direction;
  dvec2 vanishing_point;
  dmat4 path_to_screen = {};
  double depth = 0.0;
};

RenderPlanResult build_render_plan(const RenderPlanRequest& request);

// Image of a path-space rectangle at the projection's depth; each corner mapped on its own.
RectD map_rect_at_depth(const DepthProjection& projection, const RectD& rect);
// The path-space rectangle whose image at the depth is rect (directional and vanishing modes).
RectD unmap_rect_at_depth(const DepthProjection& projection, const RectD& rect);
// Bounds of the projected quadrilateral q0..q3 (path space, x y z each), clipped at the near plane.
RectD project_segment_bounds(const dmat4& m, const PathPoint3& q0, const PathPoint3& q1,
                             const PathPoint3& q2, const PathPoint3& q3);
// Intersection; an empty operand gives {0, 0, 0, 0}, disjoint operands an empty result.
PF_LRect intersect_rect_int(const PF_LRect& a, const PF_LRect& b);
// Outward rounding to host space (y flipped back); anything but l < r and t < b gives
// {0, 0, 0, 0}. Coordinates beyond the i32 range saturate.
PF_LRect round_rect_outward(const RectD& rect);
