#include "geometry/render_plan.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "tests/geometry/path_test_util.h"

namespace {

constexpr double i32_max = std::numeric_limits<int32_t>::max();
constexpr double i32_min = std::numeric_limits<int32_t>::min();
const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

// left, top, right, bottom of either kind of rectangle, for one-line comparisons.
using Quad = std::array<double, 4>;
Quad quad(const RectD& r) {
  return {r.left, r.top, r.right, r.bottom};
}
Quad quad(const PF_LRect& r) {
  return {double(r.left), double(r.top), double(r.right), double(r.bottom)};
}
const Quad zero_rect = {0, 0, 0, 0};

RenderPlanRequest text_request(TextOutlines outlines,
                               ExtrusionMode mode = ExtrusionMode::directional) {
  RenderPlanRequest r;
  r.request_rect = {-1000, -1000, 1000, 1000};
  r.source.value = std::move(outlines);
  r.layer_width = 400;
  r.layer_height = 300;
  r.corner_angle_deg = 10;
  r.mode = mode;
  return r;
}

// A perspective layer transform (host space, z = depth): x and y stay, w = 1 + depth / 1000 and
// z = -0.01, so the eye sits 1000 pixels in front of the layer above the host origin and the
// near plane (z + w = 0) at depth -990.
RenderPlanRequest camera_request(TextOutlines outlines) {
  RenderPlanRequest r = text_request(std::move(outlines), ExtrusionMode::camera);
  r.layer_transform = dmat4_identity();
  r.layer_transform[10] = 0.0;
  r.layer_transform[11] = 1.0 / 1000.0;
  r.layer_transform[14] = -0.01;
  return r;
}

TEST(BuildRenderPlan, DirectionalMode) {
  RenderPlanRequest r = text_request({bezier_rect(0, 0, 200, 100)});
  r.direction_deg = 90;
  r.front = 0;
  r.back = 50;
  r.stroke_width = 4;
  r.request_rect = {0, 0, 100, 100};
  RenderPlanResult result = build_render_plan(r);
  EXPECT_DOUBLE_EQ(result.plan.corner_cos, std::cos(170.0 * M_PI / 180.0));
  EXPECT_EQ(quad(result.plan.bounds), (Quad{0, -100, 200, 0}));
  EXPECT_EQ(result.plan.extrusion_direction.x, 1.0);
  EXPECT_EQ(result.plan.extrusion_direction.y, 0.0);
  EXPECT_EQ(quad(result.swept_bounds), (Quad{-2, -2, 252, 102}));
  EXPECT_EQ(quad(result.clipped_bounds), (Quad{0, 0, 100, 100}));
  EXPECT_EQ(quad(result.face_rect), zero_rect);

  // 0 degrees points up in path space, towards smaller host y.
  r.direction_deg = 0;
  r.stroke_width = 0;
  r.request_rect = {-1000, -1000, 1000, 1000};
  result = build_render_plan(r);
  EXPECT_EQ(result.plan.extrusion_direction.y, 1.0);
  EXPECT_EQ(quad(result.swept_bounds), (Quad{0, -50, 200, 100}));

  // The face at depth 5 samples the input 5 pixels left of the request; inner: at the back.
  r.direction_deg = 90;
  r.front = 5;
  r.inherit_layer_color = 1;
  r.request_rect = {0, 0, 100, 50};
  EXPECT_EQ(quad(build_render_plan(r).face_rect), (Quad{-5, 0, 95, 50}));
  // Inner extrusion: the face at the back; the sweep covers the front image only.
  r.inner_extrusion = 1;
  result = build_render_plan(r);
  EXPECT_EQ(quad(result.face_rect), (Quad{-50, 0, 50, 50}));
  EXPECT_EQ(quad(result.swept_bounds), (Quad{5, 0, 205, 100}));
  EXPECT_EQ(result.plan.face_to_draw, face_front);
}

TEST(BuildRenderPlan, VanishingMode) {
  RenderPlanRequest r = text_request({bezier_rect(0, 0, 100, 100)}, ExtrusionMode::vanishing);
  r.vanishing_x = 100;
  r.vanishing_y = 100;
  r.back = 0.5;
  const RenderPlanResult result = build_render_plan(r);
  EXPECT_EQ(result.plan.vanishing_point.y, -100.0);
  EXPECT_EQ(quad(result.swept_bounds), (Quad{0, 0, 100, 100}));

  // Halfway to the point; a corner on the point stays whatever the factor, even infinite.
  DepthProjection p{ExtrusionMode::vanishing, {}, {100, -100}, {}, 0.5};
  EXPECT_EQ(quad(map_rect_at_depth(p, {0, -100, 100, 0})), (Quad{50, -100, 100, -50}));
  p.depth = 0.1;  // the factor in single precision
  EXPECT_EQ(map_rect_at_depth(p, {0, -100, 100, 0}).left, 100.0 * 0.1f);
  p.depth = inf;
  EXPECT_EQ(quad(map_rect_at_depth(p, {0, -100, 100, 0})), (Quad{inf, -100, 100, -inf}));

  // Front 1: the unmapping factor is -infinity; the face rectangle saturates, except where the
  // request's edge lies on the vanishing point.
  r.front = 1;
  r.back = 1;
  r.inherit_layer_color = 1;
  r.request_rect = {0, 0, 100, 100};
  EXPECT_EQ(quad(build_render_plan(r).face_rect), (Quad{i32_min, i32_min, 100, 100}));
  r.vanishing_x = 50;
  r.vanishing_y = 50;
  EXPECT_EQ(quad(build_render_plan(r).face_rect), (Quad{i32_min, i32_min, i32_max, i32_max}));
}

TEST(BuildRenderPlan, NoOutlinesGivesEmptyRectanglesInEveryMode) {
  for (ExtrusionMode mode :
       {ExtrusionMode::directional, ExtrusionMode::vanishing, ExtrusionMode::camera}) {
    for (uint8_t inner : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "mode " << int(mode) << ", inner " << int(inner));
      RenderPlanRequest r = mode == ExtrusionMode::camera ? camera_request({}) : text_request({});
      r.mode = mode;
      r.inherit_layer_color = 1;
      r.inner_extrusion = inner;
      r.back = 0.5;
      r.stroke_width = 10;
      if (mode == ExtrusionMode::vanishing) r.request_rect = {0, 0, 0, 0};
      const RenderPlanResult result = build_render_plan(r);
      EXPECT_EQ(quad(result.plan.bounds), quad(RectD::empty()));
      // Modes 1 and 2 map the request rectangle, outlines or not.
      EXPECT_TRUE(mode != ExtrusionMode::camera || quad(result.face_rect) == zero_rect);
      EXPECT_EQ(quad(result.swept_bounds), zero_rect);
      EXPECT_EQ(quad(result.clipped_bounds), zero_rect);
    }
  }
}

TEST(BuildRenderPlan, MaskAndShapeSources) {
  RenderPlanRequest r = text_request({});
  r.source.value = MaskPaths{{bezier_rect(10, 10, 30, 30), mask_mode_subtract, 0}};
  RenderPlanResult result = build_render_plan(r);
  EXPECT_DOUBLE_EQ(total_area(result.plan.paths), 400.0 * 300.0 - 400.0);

  r.source.value = ShapeItems{{bezier_rect(0, 0, 20, 20)}, {ShapeFill{1}}};
  result = build_render_plan(r);
  EXPECT_DOUBLE_EQ(total_area(result.plan.paths), 400.0);
}

TEST(BuildRenderPlan, CameraMode) {
  RenderPlanRequest r = camera_request({bezier_rect(0, 0, 100, 100)});
  RenderPlanResult result = build_render_plan(r);
  // Path-space (x, y, z) is host (x, -y, depth -z); the output's y is flipped back up.
  const dvec4 p = transform_dvec4({10, -20, -30, 1}, result.plan.path_to_screen);
  EXPECT_EQ((Quad{p.x, p.y, p.z}), (Quad{10, -20, -0.01}));
  EXPECT_DOUBLE_EQ(p.w, 1.03);
  EXPECT_EQ(result.plan.face_to_draw, face_front);
  EXPECT_EQ(quad(result.swept_bounds), (Quad{0, 0, 100, 100}));

  // Extrusion towards the viewer grows the image.
  r.front = -500;
  EXPECT_EQ(quad(build_render_plan(r).swept_bounds), (Quad{0, 0, 200, 200}));

  // Depths -1200 to -1100 lie beyond the near plane at depth -990, behind the eye.
  r.front = -1200;
  r.back = -1100;
  r.stroke_width = 6;
  result = build_render_plan(r);
  EXPECT_EQ(quad(result.swept_bounds), zero_rect);
  EXPECT_EQ(quad(result.clipped_bounds), zero_rect);

  // The eye between the cap planes; with inner extrusion it sees into the outline around it
  // (anything may show) or, outside every outline, the back cap (nothing sweeps).
  r.source.value = TextOutlines{bezier_rect(-50, -50, 50, 50)};
  r.front = -2000;
  r.back = 100;
  r.request_rect = {0, 0, 300, 200};
  EXPECT_EQ(build_render_plan(r).plan.face_to_draw, face_none);
  r.inner_extrusion = 1;
  result = build_render_plan(r);
  EXPECT_EQ(result.plan.face_to_draw, face_none);
  EXPECT_EQ(quad(result.swept_bounds), (Quad{-5000, -5000, 5000, 5000}));
  EXPECT_EQ(quad(result.clipped_bounds), (Quad{0, 0, 300, 200}));
  r.source.value = TextOutlines{bezier_rect(100, 100, 200, 200)};
  result = build_render_plan(r);
  EXPECT_EQ(result.plan.face_to_draw, face_back);
  EXPECT_EQ(quad(result.swept_bounds), zero_rect);
  EXPECT_EQ(quad(result.clipped_bounds), zero_rect);

  // The eye behind the back cap.
  r.inner_extrusion = 0;
  r.layer_transform[11] = -1.0 / 1000.0;
  r.front = 0;
  EXPECT_EQ(build_render_plan(r).plan.face_to_draw, face_back);
}

TEST(RectHelpers, ProjectionRoundingAndIntersection) {
  // Identity: d = z + 1, visible for z >= -1. Corners 1 and 2 behind the plane: the edges are
  // cut where they cross it; all behind: nothing.
  const dmat4 m = dmat4_identity();
  EXPECT_EQ(quad(project_segment_bounds(m, {0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0})),
            (Quad{0, 0, 4, 2}));
  EXPECT_EQ(quad(project_segment_bounds(m, {0, 0, 0}, {3, 0, -3}, {3, 2, -3}, {0, 2, 0})),
            (Quad{0, 0, 1, 2}));
  EXPECT_EQ(quad(project_segment_bounds(m, {0, 0, -2}, {4, 0, -3}, {4, 2, -3}, {0, 2, -2})),
            quad(RectD::empty()));

  EXPECT_EQ(quad(round_rect_outward({-0.5, -10.25, 3.5, 2.75})), (Quad{-1, -3, 4, 11}));
  for (const RectD& empty : {RectD{0, 0, 0, 5}, RectD{5, 0, 1, 5}, RectD{nan, 0, 1, 5}}) {
    EXPECT_EQ(quad(round_rect_outward(empty)), zero_rect);
  }
  // Beyond the i32 range: saturated (infinite values in VanishingMode).
  EXPECT_EQ(quad(round_rect_outward({-1e12, 3e9, 1e12, 4e9})),
            (Quad{i32_min, i32_min, i32_max, i32_min}));

  EXPECT_EQ(quad(intersect_rect_int({0, 0, 10, 10}, {5, -5, 20, 8})), (Quad{5, 0, 10, 8}));
  EXPECT_EQ(quad(intersect_rect_int({0, 0, 0, 10}, {0, 0, 10, 10})), zero_rect);
  // Disjoint: not tested again, left >= right.
  EXPECT_EQ(quad(intersect_rect_int({0, 0, 10, 10}, {20, 0, 30, 10})), (Quad{20, 0, 10, 10}));
}

// Outlines that must not crash any step: empty, one vertex, NaN, infinite, zero-length segments
// and duplicate points, next to one ordinary square.
TextOutlines bad_outlines() {
  const BezierVertex at_origin = {0, 0, 0, 0, 0, 0};
  BezierPath infinite = bezier_rect(0, 0, 10, 10);
  infinite[1] = {inf, -inf, inf, inf, -inf, inf};
  return {{},
          {at_origin},
          {{nan, nan, nan, nan, nan, nan}, {1, 1, 1, 1, 1, 1}, {2, 0, 2, 0, 2, 0}},
          infinite,
          {at_origin, at_origin, at_origin},
          {at_origin, at_origin, {5, 5, 5, 5, 5, 5}, {5, 5, 5, 5, 5, 5}, {0, 5, 0, 5, 0, 5}},
          bezier_rect(20, 20, 40, 40)};
}

TEST(BuildRenderPlan, BadInputInEverySourceAndMode) {
  MaskPaths masks;
  ShapeItems items;
  int32_t mode = mask_mode_add;
  for (BezierPath& p : bad_outlines()) {
    masks.push_back({p, mode, static_cast<uint8_t>(mode % 2)});
    items.push_back({std::move(p)});
    mode = mode % 7 + 1;
  }
  items.insert(items.end(), {{ShapeFill{1}}, {ShapeMerge{3}}, {ShapeFill{2}}});
  const SourceGeometry sources[] = {{bad_outlines()}, {std::move(masks)}, {std::move(items)}};

  for (const SourceGeometry& source : sources) {
    for (ExtrusionMode extrusion :
         {ExtrusionMode::directional, ExtrusionMode::vanishing, ExtrusionMode::camera}) {
      for (uint8_t inner : {0, 1}) {
        for (bool singular : {false, true}) {
          RenderPlanRequest r = extrusion == ExtrusionMode::camera && !singular
                                    ? camera_request({})
                                    : text_request({}, extrusion);
          r.source = source;
          r.vanishing_x = 5;
          r.vanishing_y = 5;
          r.front = extrusion == ExtrusionMode::vanishing ? 1 : -3000;
          r.back = extrusion == ExtrusionMode::vanishing ? 1 : 100;
          r.inner_extrusion = inner;
          r.inherit_layer_color = 1;
          r.stroke_width = singular ? nan : 2.0;
          const RenderPlanResult result = build_render_plan(r);
          for (const PF_LRect& rect : {result.face_rect, result.swept_bounds}) {
            EXPECT_TRUE((rect.left < rect.right && rect.top < rect.bottom) ||
                        quad(rect) == zero_rect);
          }
          EXPECT_GE(result.plan.face_to_draw, face_none);
          EXPECT_LE(result.plan.face_to_draw, face_back);
        }
      }
    }
  }
}

}  // namespace
