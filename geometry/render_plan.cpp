#include "geometry/render_plan.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <variant>

#include "geometry/path_flattening.h"

namespace {

constexpr double degrees_to_radians = 0.017453292519943295;

PathsD plan_paths(const RenderPlanRequest& request, double corner_cos) {
  PathsD paths;
  const auto& source = request.source.value;
  if (const auto* outlines = std::get_if<TextOutlines>(&source)) {
    flatten_bezier_paths(*outlines, corner_cos, paths);
  } else if (const auto* masks = std::get_if<MaskPaths>(&source)) {
    paths = combine_mask_paths(*masks, corner_cos, request.layer_width, request.layer_height);
  } else if (const auto* items = std::get_if<ShapeItems>(&source)) {
    paths = std::move(merge_group_paths(*items, corner_cos).filled);
  }
  return paths;
}

RectD path_bounds(const PathsD& paths) {
  RectD bounds = RectD::empty();
  for (const PathD& path : paths) {
    for (const PathVertexZ& v : path) bounds = rect_extend(bounds, {v.x, v.y, v.x, v.y});
  }
  return bounds;
}

// Winding number of the paths around (x, y).
int winding_number(const PathsD& paths, double x, double y) {
  int winding = 0;
  for (const PathD& path : paths) {
    const size_t n = path.size();
    for (size_t i = 0; i < n; ++i) {
      const PathVertexZ& p = path[i];
      const PathVertexZ& q = path[(i + 1) % n];
      if (y == std::max(p.y, q.y)) continue;
      const double t = (y - p.y) / (q.y - p.y);
      if (!(t >= 0.0 && t <= 1.0)) continue;
      const double crossing_x = t * q.x + (1.0 - t) * p.x;
      if (crossing_x > x) winding += q.y > p.y ? 1 : -1;
    }
  }
  return winding;
}

int32_t visible_cap(const PreRenderPlan& plan) {
  if (!sweeps_through_camera(plan.extrusion_mode)) return face_front;
  // The path-space point that the matrix sends to infinity along z: the eye.
  const dvec4 eye_h =
      transform_dvec4(dvec4_from_values(0.0, 0.0, 1.0, 0.0), mat4_inverse(plan.path_to_screen));
  const double eye_x = eye_h.x / eye_h.w;
  const double eye_y = eye_h.y / eye_h.w;
  const double eye_z = eye_h.z / eye_h.w;
  int32_t face = face_none;
  if (eye_z > -plan.front_extrusion_amount) {
    face = face_front;
  } else if (eye_z < -plan.back_extrusion_amount) {
    face = face_back;
  }
  // Looking into an inner extrusion from between the caps: the back cap shows unless the eye
  // is over an outline.
  if (plan.inner_extrusion != 0 && face == face_none &&
      winding_number(plan.paths, eye_x, eye_y) == 0) {
    face = face_back;
  }
  return face;
}

DepthProjection projection_at(const PreRenderPlan& plan, double depth) {
  return {plan.extrusion_mode, plan.extrusion_direction, plan.vanishing_point, plan.path_to_screen,
          depth};
}

}  // namespace

RectD map_rect_at_depth(const DepthProjection& projection, const RectD& rect) {
  const double d = projection.depth;
  switch (projection.mode) {
    case ExtrusionMode::directional: {
      const double dx = d * projection.direction.x;
      const double dy = d * projection.direction.y;
      return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
    }
    case ExtrusionMode::vanishing: {
      const double f = static_cast<float>(d);
      // A coordinate on the vanishing point stays put whatever the factor, infinite included.
      const auto toward = [f](double c, double v) {
        const double diff = v - c;
        return diff == 0.0 ? c : c + diff * f;
      };
      const dvec2 v = projection.vanishing_point;
      return {toward(rect.left, v.x), toward(rect.top, v.y), toward(rect.right, v.x),
              toward(rect.bottom, v.y)};
    }
    case ExtrusionMode::camera:
      return project_segment_bounds(projection.path_to_screen, {rect.left, rect.top, -d},
                                    {rect.right, rect.top, -d}, {rect.right, rect.bottom, -d},
                                    {rect.left, rect.bottom, -d});
    case ExtrusionMode::none:
      break;
  }
  return RectD::empty();
}

RectD unmap_rect_at_depth(const DepthProjection& projection, const RectD& rect) {
  DepthProjection inverse = projection;
  switch (projection.mode) {
    case ExtrusionMode::directional:
      inverse.depth = -projection.depth;
      break;
    case ExtrusionMode::vanishing:
      inverse.depth = 1.0 - 1.0 / (1.0 - projection.depth);
      break;
    case ExtrusionMode::camera:
    case ExtrusionMode::none:
      break;
  }
  return map_rect_at_depth(inverse, rect);
}

RectD project_segment_bounds(const dmat4& m, const PathPoint3& q0, const PathPoint3& q1,
                             const PathPoint3& q2, const PathPoint3& q3) {
  const PathPoint3* corners[4] = {&q0, &q1, &q2, &q3};
  dvec4 c[4];
  dvec2 n[4];
  double d[4];
  for (int i = 0; i < 4; ++i) {
    c[i] = transform_dvec4({corners[i]->x, corners[i]->y, corners[i]->z, 1.0}, m);
    n[i] = {c[i].x / c[i].w, c[i].y / c[i].w};
    d[i] = c[i].z + c[i].w;  // >= 0 on the visible side of the near plane
  }

  RectD bounds = RectD::empty();
  const auto extend = [&bounds](const dvec2& p) {
    bounds = rect_extend(bounds, {p.x, p.y, p.x, p.y});
  };
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    const double t = d[i] / (d[i] - d[j]);
    const double s = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    const double w = (1.0 - s) * c[i].w + s * c[j].w;
    const dvec2 crossing = {((1.0 - s) * c[i].x + s * c[j].x) / w,
                            ((1.0 - s) * c[i].y + s * c[j].y) / w};
    if (d[j] > d[i]) {
      if (t < 1.0) {
        extend(n[j]);
        extend(crossing);
      }
    } else if (d[i] > d[j]) {
      if (t > 0.0) {
        extend(n[i]);
        extend(crossing);
      }
    } else if (d[i] == d[j] && d[i] >= 0.0) {
      extend(n[i]);
      extend(n[j]);
    }
  }
  return bounds;
}

PF_LRect intersect_rect_int(const PF_LRect& a, const PF_LRect& b) {
  if (a.left >= a.right || a.top >= a.bottom || b.left >= b.right || b.top >= b.bottom) {
    return {0, 0, 0, 0};
  }
  PF_LRect r;
  r.left = std::max(a.left, b.left);
  r.top = std::max(a.top, b.top);
  r.right = std::min(a.right, b.right);
  r.bottom = std::min(a.bottom, b.bottom);
  return r;
}

PF_LRect round_rect_outward(const RectD& rect) {
  if (!(rect.left < rect.right && rect.top < rect.bottom)) return {0, 0, 0, 0};
  // ivec2_from_dvec2 saturates beyond the i32 range, infinite values included.
  const ivec2 low = ivec2_from_dvec2(dvec2_floor({rect.left, -rect.bottom}));
  const ivec2 high = ivec2_from_dvec2(dvec2_ceil({rect.right, -rect.top}));
  return {low.x, low.y, high.x, high.y};
}

RenderPlanResult build_render_plan(const RenderPlanRequest& request) {
  RenderPlanResult result;
  PreRenderPlan& plan = result.plan;

  plan.corner_cos = std::cos((180.0 - request.corner_angle_deg) * degrees_to_radians);
  plan.paths = plan_paths(request, plan.corner_cos);
  plan.bounds = path_bounds(plan.paths);

  const double theta = (90.0 - request.direction_deg) * degrees_to_radians;
  plan.extrusion_direction = {std::cos(theta), std::sin(theta)};
  plan.vanishing_point = {request.vanishing_x, -request.vanishing_y};

  // Path space -> host space with z = depth, then the layer transform, then y up again.
  dmat4 flip_y = dmat4_identity();
  flip_y[5] = -1.0;
  dmat4 flip_yz = flip_y;
  flip_yz[10] = -1.0;
  plan.path_to_screen = mat4_multiply(mat4_multiply(flip_y, request.layer_transform), flip_yz);

  plan.extrusion_mode = request.mode;
  plan.front_extrusion_amount = request.front;
  plan.back_extrusion_amount = request.back;
  plan.stroke_width = request.stroke_width;
  plan.inner_extrusion = request.inner_extrusion;
  plan.inherit_layer_color = request.inherit_layer_color;
  plan.face_to_draw = visible_cap(plan);

  const bool camera = sweeps_through_camera(plan.extrusion_mode);
  const bool inner = plan.inner_extrusion != 0;

  if (plan.inherit_layer_color != 0) {
    RectD face = plan.bounds;
    if (!camera) {
      const PF_LRect& r = request.request_rect;
      const RectD request_path = {static_cast<double>(r.left), -static_cast<double>(r.bottom),
                                  static_cast<double>(r.right), -static_cast<double>(r.top)};
      face = unmap_rect_at_depth(projection_at(plan, inner ? request.back : request.front),
                                 request_path);
    }
    result.face_rect = round_rect_outward(face);
  }

  RectD swept = map_rect_at_depth(projection_at(plan, request.front), plan.bounds);
  if (!inner) {
    swept = rect_extend(map_rect_at_depth(projection_at(plan, request.back), plan.bounds), swept);
    if (camera) {
      const RectD& b = plan.bounds;
      const double f = -request.front;
      const double k = -request.back;
      const PathPoint3 lt_f{b.left, b.top, f}, lt_k{b.left, b.top, k};
      const PathPoint3 rt_f{b.right, b.top, f}, rt_k{b.right, b.top, k};
      const PathPoint3 rb_f{b.right, b.bottom, f}, rb_k{b.right, b.bottom, k};
      const PathPoint3 lb_f{b.left, b.bottom, f}, lb_k{b.left, b.bottom, k};
      const dmat4& m = plan.path_to_screen;
      swept = rect_extend(swept, project_segment_bounds(m, lt_f, lt_k, rt_k, rt_f));
      swept = rect_extend(swept, project_segment_bounds(m, rt_f, rt_k, rb_k, rb_f));
      swept = rect_extend(swept, project_segment_bounds(m, rb_f, rb_k, lb_k, lb_f));
      swept = rect_extend(swept, project_segment_bounds(m, lb_f, lb_k, lt_k, lt_f));
    }
  }

  const double h = request.stroke_width * 0.5;
  swept = {swept.left - h, swept.top - h, swept.right + h, swept.bottom + h};
  if (inner) {
    if (plan.face_to_draw == face_none) {
      swept = {-5000.0, -5000.0, 5000.0, 5000.0};
    } else if (plan.face_to_draw == face_back) {
      swept = RectD::empty();
    }
  }

  result.swept_bounds = round_rect_outward(swept);
  result.clipped_bounds = intersect_rect_int(result.swept_bounds, request.request_rect);
  return result;
}
