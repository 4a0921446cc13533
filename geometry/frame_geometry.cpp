#include "geometry/frame_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "geometry/mesh_builders.h"
#include "geometry/path_grouping.h"
#include "host_support/frame_abort.h"

namespace {

constexpr double screen_vanishing_point_at_infinity = -1000000.0;

bool is_finite(double v) {
  return std::isfinite(v);
}
bool is_finite(const dvec2& v) {
  return is_finite(v.x) && is_finite(v.y);
}
bool is_finite(const dmat4& m) {
  return std::all_of(m.begin(), m.end(), [](double v) { return is_finite(v); });
}

bool is_identity(const dmat2& r) {
  return !dvec4_not_equal(r, dmat2_diagonal(1.0));
}

// Turns the x and y of a path vertex or keyed point; its flag or key stays.
template <typename Point>
void rotate_point(Point& p, const dmat2& r, const dvec2& center) {
  dvec2 q{p.x, p.y};
  rotate_about_point(q, r, center);
  p.x = q.x;
  p.y = q.y;
}

// Step 5: the side chains in occlusion order. A camera-mode rotation turns the paths about the
// vanishing point so that the angle wrap of the sweep falls where the chains expect it; the keyed
// points and exact chain ends are turned back afterwards, keys unchanged.
SideChainSet build_chains(PathsD& paths, const ChainSetup& setup) {
  const dmat2& r = setup.rotation;
  if (is_identity(r)) {
    SideChainSet set = split_paths_into_chains(paths, setup.params);
    build_side_chain_order(set.chains, setup.params);
    return set;
  }
  const dvec2 center = setup.params.vanishing_point;
  PathsD unrotated = paths;
  for (PathD& path : paths) {
    for (PathVertexZ& p : path) rotate_point(p, r, center);
  }
  SideChainSet set = split_paths_into_chains(paths, setup.params);
  build_side_chain_order(set.chains, setup.params);
  paths = std::move(unrotated);

  const dmat2 back = dmat2_transpose(r);
  for (KeyedPath& keyed : set.keyed_paths) {
    for (KeyedPoint& p : keyed) rotate_point(p, back, center);
  }
  for (SideChain& chain : set.chains) {
    if (chain.has_exact_start) rotate_point(chain.exact_start, back, center);
    if (chain.has_exact_end) rotate_point(chain.exact_end, back, center);
  }
  return set;
}

}  // namespace

const char* non_finite_plan_field(const PreRenderPlan& plan) {
  for (const PathD& path : plan.paths) {
    for (const PathVertexZ& p : path) {
      if (!is_finite(p.x) || !is_finite(p.y)) return "paths";
    }
  }
  if (!is_finite(plan.corner_cos)) return "corner_cos";
  if (!is_finite(plan.extrusion_direction)) return "extrusion_direction";
  if (!is_finite(plan.vanishing_point)) return "vanishing_point";
  if (!is_finite(plan.path_to_screen)) return "path_to_screen";
  if (!is_finite(plan.front_extrusion_amount)) return "front_extrusion_amount";
  if (!is_finite(plan.back_extrusion_amount)) return "back_extrusion_amount";
  if (!is_finite(plan.stroke_width)) return "stroke_width";
  return nullptr;
}

int32_t texture_extent(double size) {
  const double t = std::trunc(size);
  if (!(t > 0.0)) return 0;
  if (t >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(t);
}

ChainSetup compute_chain_setup(const PreRenderPlan& plan) {
  ChainSetup setup;
  setup.params.mode = plan.extrusion_mode;
  setup.params.direction = plan.extrusion_direction;
  setup.params.vanishing_point = plan.vanishing_point;
  setup.screen_vanishing_point = plan.vanishing_point;
  if (!sweeps_through_camera(plan.extrusion_mode)) return setup;

  setup.params.mode = ExtrusionMode::vanishing;
  const dmat4 inverse = mat4_inverse(plan.path_to_screen);
  const dvec4 q = transform_dvec4(dvec4_from_values(0.0, 0.0, 1.0, 0.0), inverse);
  const dvec2 local = vec2_divide(dvec2{q.x, q.y}, q.w);

  const dvec4 s = transform_dvec4(dvec4_from_values(0.0, 0.0, 1.0, 0.0), plan.path_to_screen);
  const bool screen_at_infinity = s.w == 0.0;
  setup.screen_vanishing_point = screen_at_infinity ? dvec2{screen_vanishing_point_at_infinity,
                                                            screen_vanishing_point_at_infinity}
                                                    : vec2_divide(dvec2{s.x, s.y}, s.w);

  if (!is_finite(local)) {
    // The eye lies at infinity (a parallel view) or the matrix is singular. Walls recede towards
    // the eye's foot point, which has moved out to infinity along the eye's direction (taken on
    // the viewer's side, z > 0) projected onto the layer: the directional limit of the
    // vanishing sweep. A view straight along z leaves no direction; any one will do, since the
    // walls then have no extent on screen.
    const double side = q.z < 0.0 ? -1.0 : 1.0;
    dvec2 direction = dvec2{q.x * side, q.y * side};
    const double length = std::hypot(direction.x, direction.y);
    direction =
        length > 0.0 && std::isfinite(length) ? vec2_divide(direction, length) : dvec2{0.0, 1.0};
    setup.params.mode = ExtrusionMode::directional;
    setup.params.direction = direction;
    return setup;
  }
  setup.params.vanishing_point = local;
  if (screen_at_infinity) return setup;

  const dvec4 x_axis = transform_dvec4(dvec4_from_values(1.0, 0.0, 0.0, 0.0), inverse);
  const dvec2 cs = dvec2_normalize(dvec2{x_axis.x, x_axis.y});
  if (is_finite(cs)) setup.rotation = dmat2_from_values(cs.x, -cs.y, cs.y, cs.x);
  return setup;
}

FrameRegions compute_frame_regions(const FrameGeometryInput& input, ExtrusionMode chain_mode,
                                   const dvec2& screen_vanishing_point) {
  FrameRegions regions;
  const PF_EffectWorld& output = input.output;
  const double w = output.width;
  const double h = output.height;
  const double ox = output.origin_x;
  const double oy = output.origin_y;

  regions.output_region = RectD{ox, -(oy + h), ox + w, -oy};
  const dvec2 origin{ox, -(oy + h)};
  regions.origin = origin;

  const double margin = 0.5 * input.plan.stroke_width + 1.0;
  const dvec2 v = screen_vanishing_point;
  const RectD band{-std::numeric_limits<double>::infinity(), v.y - margin, v.x, v.y + margin};

  RectD face = regions.output_region;
  if (sweeps_towards_point(chain_mode)) {
    const RectD inside = intersect_rect_double(regions.output_region, band);
    if (!rect_is_empty(inside)) {
      RectD grown{inside.left, inside.top - margin, inside.right, inside.bottom + margin};
      grown = intersect_rect_double(grown, band);
      const dvec2 lo = dvec2_floor(dvec2{grown.left, grown.top});
      const dvec2 hi = dvec2_ceil(dvec2{grown.right, grown.bottom});
      face = rect_extend(face, RectD{lo.x, lo.y, hi.x, hi.y});
    }
  }
  regions.face_region = face;
  regions.face_offset = ivec2_from_dvec2(dvec2_subtract(
      dvec2{regions.output_region.left, regions.output_region.top}, dvec2{face.left, face.top}));
  regions.face_matrix =
      mat4_to_float(ortho_dmat4(face.left - origin.x, face.right - origin.x, face.top - origin.y,
                                face.bottom - origin.y, 0.0, 1.0));
  regions.face_width = texture_extent(input.ssaa * (face.right - face.left));
  regions.face_height = texture_extent(input.ssaa * (face.bottom - face.top));

  if (input.plan.inherit_layer_color && input.layer != nullptr) {
    const double in_x = input.layer->origin_x;
    const double in_y = -(static_cast<double>(input.layer->origin_y) + input.layer->height);
    regions.in_tex_offset = vec2_from_dvec2(dvec2{in_x - origin.x, in_y - origin.y});
  }
  return regions;
}

dmat4 path_to_screen_about(const dmat4& path_to_screen, const dvec2& origin) {
  dmat4 to_layer = dmat4_identity();
  to_layer[12] = origin.x;
  to_layer[13] = origin.y;
  dmat4 to_frame = dmat4_identity();
  to_frame[12] = -origin.x;
  to_frame[13] = -origin.y;
  // Moved back into the layer, projected, then moved by -origin again.
  return mat4_multiply(mat4_multiply(to_frame, path_to_screen), to_layer);
}

std::vector<SideFillStop> convert_side_fill_stops(const std::vector<SideFillStop>& stops) {
  std::vector<SideFillStop> converted;
  converted.reserve(stops.size());
  for (const SideFillStop& stop : stops) {
    SideFillStop s = stop;
    s.angle = float_mod((90.0f - stop.angle) * 0.017453292f, 6.2831855f);
    converted.push_back(s);
  }
  sort_stops_by_angle(converted);
  return converted;
}

PF_Err build_frame_layout(const FrameGeometryInput& input, FrameGeometry& geometry,
                          std::string& error_text) {
  const PreRenderPlan& plan = input.plan;
  if (const char* field = non_finite_plan_field(plan)) {
    error_text = std::string("render plan holds a value that is not finite in ").append(field);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  geometry.chain_setup = compute_chain_setup(plan);
  geometry.regions = compute_frame_regions(input, geometry.chain_setup.params.mode,
                                           geometry.chain_setup.screen_vanishing_point);
  // The plan's paths bound the combined ones: a union's edges are pieces of its paths' edges.
  geometry.coverage = compute_frame_coverage(plan.paths, plan, geometry.regions.output_region,
                                             geometry.regions.face_region, input.colors_finite);
  geometry.side_fill = convert_side_fill_stops(input.side_fill);
  return PF_Err_NONE;
}

void build_frame_meshes(const PreRenderPlan& plan, FrameGeometry& geometry, unsigned threads) {
  UnitedPaths united = union_overlapping_paths(plan, threads);
  geometry.combined_paths = std::move(united.paths);
  geometry.group_trees = std::move(united.group_trees);
  flag_union_points(geometry.combined_paths, plan.corner_cos);
  check_frame_abort();

  geometry.chain_set = build_chains(geometry.combined_paths, geometry.chain_setup);
  check_frame_abort();

  const dvec2& origin = geometry.regions.origin;
  geometry.face_mesh = build_face_mesh(geometry.group_trees, threads, origin);
  check_frame_abort();
  build_side_mesh(geometry.side_mesh, geometry.chain_set.chains, geometry.combined_paths,
                  geometry.chain_set, origin);
  check_frame_abort();
  build_outline_mesh(geometry.outline_mesh, plan.face_to_draw, geometry.chain_set.chains,
                     geometry.combined_paths, geometry.chain_set, origin);
}

namespace {

template <typename Vertex>
size_t mesh_bytes(const Mesh<Vertex>& mesh) {
  return mesh.vertices.capacity() * sizeof(Vertex) + mesh.indices.capacity() * sizeof(uint32_t);
}

}  // namespace

size_t kept_geometry_bytes(const FrameGeometry& geometry) {
  return mesh_bytes(geometry.face_mesh) + mesh_bytes(geometry.side_mesh) +
         mesh_bytes(geometry.outline_mesh);
}

PF_Err build_frame_geometry(const FrameGeometryInput& input, FrameGeometry& geometry,
                            std::string& error_text, unsigned threads) {
  if (const PF_Err err = build_frame_layout(input, geometry, error_text)) return err;
  build_frame_meshes(input.plan, geometry, threads);
  return PF_Err_NONE;
}
