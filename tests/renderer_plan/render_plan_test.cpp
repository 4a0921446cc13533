#include "renderer/render_plan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/renderer_plan/test_util.h"

namespace {

constexpr int32_t i32_max = std::numeric_limits<int32_t>::max();
constexpr int32_t i32_min = std::numeric_limits<int32_t>::min();
const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

void expect_rect(const PF_LRect& r, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

RenderPlanRequest text_request(TextOutlines outlines) {
  RenderPlanRequest r;
  r.request_rect = {-1000, -1000, 1000, 1000};
  r.source.value = std::move(outlines);
  r.layer_width = 400;
  r.layer_height = 300;
  r.corner_angle_deg = 10;
  r.mode = extrusion_mode_directional;
  return r;
}

// A perspective layer transform (host space, z = depth): x and y stay, w = 1 + depth / 1000 and
// z = -0.01, so the eye sits 1000 pixels in front of the layer above the host origin and the
// near plane (z + w = 0) at depth -990.
dmat4 perspective_transform() {
  dmat4 m = dmat4_identity();
  m[10] = 0.0;
  m[11] = 1.0 / 1000.0;
  m[14] = -0.01;
  return m;
}

TEST(BuildRenderPlan, DirectionalSweptBounds) {
  RenderPlanRequest r = text_request({bezier_rect(0, 0, 200, 100)});
  r.direction_deg = 90;
  r.front = 0;
  r.back = 50;
  r.stroke_width = 4;
  r.request_rect = {0, 0, 100, 100};
  const RenderPlanResult result = build_render_plan(r);
  const PreRenderPlan& plan = result.plan;
  EXPECT_EQ(plan.bounds.left, 0.0);
  EXPECT_EQ(plan.bounds.top, -100.0);
  EXPECT_EQ(plan.bounds.right, 200.0);
  EXPECT_EQ(plan.bounds.bottom, 0.0);
  EXPECT_EQ(plan.extrusion_direction.x, 1.0);
  EXPECT_EQ(plan.extrusion_direction.y, 0.0);
  EXPECT_EQ(plan.face_to_draw, face_front);
  expect_rect(result.swept_bounds, -2, -2, 252, 102);
  expect_rect(result.clipped_bounds, 0, 0, 100, 100);
  expect_rect(result.face_rect, 0, 0, 0, 0);

  // The plan carries the request's values.
  EXPECT_DOUBLE_EQ(plan.corner_cos, std::cos(170.0 * M_PI / 180.0));
  EXPECT_EQ(plan.back_extrusion_amount, 50.0);
  EXPECT_EQ(plan.stroke_width, 4.0);
  ASSERT_EQ(plan.paths.size(), 1u);
  EXPECT_EQ(plan.paths[0].size(), 4u);
  for (double v : plan.path_to_screen) EXPECT_EQ(v, 0.0);
}

TEST(BuildRenderPlan, DirectionZeroPointsUp) {
  RenderPlanRequest r = text_request({bezier_rect(0, 0, 10, 10)});
  r.direction_deg = 0;
  r.back = 20;
  const RenderPlanResult result = build_render_plan(r);
  EXPECT_NEAR(result.plan.extrusion_direction.x, 0.0, 1e-15);
  EXPECT_EQ(result.plan.extrusion_direction.y, 1.0);
  // Upwards in path space is towards smaller host y. cos(90 degrees) is not exactly 0, which
  // the outward rounding turns into one more column.
  expect_rect(result.swept_bounds, 0, -20, 11, 10);
}

TEST(BuildRenderPlan, FaceRectFollowsRequestIntoDepth) {
  RenderPlanRequest r = text_request({bezier_rect(0, 0, 10, 10)});
  r.direction_deg = 90;
  r.front = 5;
  r.back = 30;
  r.inherit_layer_color = 1;
  r.request_rect = {0, 0, 100, 50};
  // The face at depth 5 samples the input 5 pixels to the left of the request.
  expect_rect(build_render_plan(r).face_rect, -5, 0, 95, 50);
  r.inner_extrusion = 1;
  expect_rect(build_render_plan(r).face_rect, -30, 0, 70, 50);
}

TEST(BuildRenderPlan, InnerExtrusionSweepsFrontImageOnly) {
  for (int32_t mode : {extrusion_mode_directional, extrusion_mode_vanishing}) {
    RenderPlanRequest r = text_request({bezier_rect(0, 0, 10, 10)});
    r.mode = mode;
    r.direction_deg = 90;
    r.vanishing_x = 500;
    r.vanishing_y = 500;
    r.front = 0;
    r.back = mode == extrusion_mode_vanishing ? 0.5 : 50;
    r.inner_extrusion = 1;
    const RenderPlanResult result = build_render_plan(r);
    EXPECT_EQ(result.plan.face_to_draw, face_front);
    expect_rect(result.swept_bounds, 0, 0, 10, 10);
  }
}

TEST(BuildRenderPlan, VanishingMode) {
  RenderPlanRequest r = text_request({bezier_rect(0, 0, 100, 100)});
  r.mode = extrusion_mode_vanishing;
  r.vanishing_x = 100;
  r.vanishing_y = 100;
  r.front = 0;
  r.back = 0.5;
  const RenderPlanResult result = build_render_plan(r);
  EXPECT_EQ(result.plan.vanishing_point.x, 100.0);
  EXPECT_EQ(result.plan.vanishing_point.y, -100.0);
  // Front image is the bounds; the back image shrinks towards the corner at the point.
  expect_rect(result.swept_bounds, 0, 0, 100, 100);

  DepthProjection p{extrusion_mode_vanishing, {}, {100, -100}, {}, 0.5};
  const RectD back = map_rect_at_depth(p, {0, -100, 100, 0});
  EXPECT_EQ(back.left, 50.0);
  EXPECT_EQ(back.top, -100.0);
  EXPECT_EQ(back.right, 100.0);
  EXPECT_EQ(back.bottom, -50.0);
  // A corner on the vanishing point stays whatever the factor, an infinite one included.
  p.depth = inf;
  const RectD far = map_rect_at_depth(p, {0, -100, 100, 0});
  EXPECT_EQ(far.right, 100.0);
  EXPECT_EQ(far.top, -100.0);
  EXPECT_EQ(far.left, inf);
}

TEST(BuildRenderPlan, InfiniteFaceRectSaturates) {
  // Vanishing mode with front 1: the unmapping factor is -infinity.
  RenderPlanRequest r = text_request({bezier_rect(0, 0, 10, 10)});
  r.mode = extrusion_mode_vanishing;
  r.vanishing_x = 50;
  r.vanishing_y = 50;
  r.front = 1;
  r.back = 1;
  r.inherit_layer_color = 1;
  r.request_rect = {0, 0, 100, 100};
  expect_rect(build_render_plan(r).face_rect, i32_min, i32_min, i32_max, i32_max);
  // The vanishing point on the request's corner keeps that coordinate.
  r.vanishing_x = 0;
  r.vanishing_y = 0;
  expect_rect(build_render_plan(r).face_rect, 0, 0, i32_max, i32_max);
}

TEST(BuildRenderPlan, NoOutlinesGivesEmptyRectanglesInEveryMode) {
  for (int32_t mode :
       {extrusion_mode_directional, extrusion_mode_vanishing, extrusion_mode_camera}) {
    for (uint8_t inner : {0, 1}) {
      RenderPlanRequest r = text_request({});
      r.mode = mode;
      r.inherit_layer_color = 1;
      r.inner_extrusion = inner;
      r.back = 0.5;
      r.stroke_width = 10;
      if (mode == extrusion_mode_camera) r.layer_transform = perspective_transform();
      if (mode == extrusion_mode_vanishing) r.request_rect = {0, 0, 0, 0};
      const RenderPlanResult result = build_render_plan(r);
      EXPECT_EQ(result.plan.bounds.left, inf);
      EXPECT_EQ(result.plan.bounds.bottom, -inf);
      if (mode == extrusion_mode_camera) expect_rect(result.face_rect, 0, 0, 0, 0);
      expect_rect(result.swept_bounds, 0, 0, 0, 0);
      expect_rect(result.clipped_bounds, 0, 0, 0, 0);
    }
  }
}

TEST(BuildRenderPlan, SourceAlternatives) {
  RenderPlanRequest r = text_request({});
  r.source.value = MaskPaths{{bezier_rect(10, 10, 30, 30), mask_mode_subtract, 0}};
  const RenderPlanResult masks = build_render_plan(r);
  EXPECT_DOUBLE_EQ(total_area(masks.plan.paths), 400.0 * 300.0 - 400.0);
  expect_rect(masks.swept_bounds, 0, 0, 400, 300);

  r.source.value = ShapeItems{{bezier_rect(0, 0, 20, 20)}, {ShapeFill{1}}};
  const RenderPlanResult shapes = build_render_plan(r);
  EXPECT_DOUBLE_EQ(total_area(shapes.plan.paths), 400.0);
  expect_rect(shapes.swept_bounds, 0, 0, 20, 20);
}

TEST(BuildRenderPlan, BadCoordinatesDoNotPoisonBounds) {
  BezierPath bad = bezier_rect(0, 0, 10, 10);
  bad.push_back({nan, nan, nan, nan, nan, nan});
  RenderPlanRequest r = text_request({bad, {}, {{5, 5, 5, 5, 5, 5}}});
  const RenderPlanResult result = build_render_plan(r);
  EXPECT_TRUE(std::isfinite(result.plan.bounds.left));
  EXPECT_TRUE(std::isfinite(result.plan.bounds.bottom));
  expect_rect(result.swept_bounds, 0, 0, 10, 10);
}

TEST(BuildRenderPlan, CameraModeMatrixAndVisibleCap) {
  RenderPlanRequest r = text_request({bezier_rect(0, 0, 100, 100)});
  r.mode = extrusion_mode_camera;
  r.layer_transform = perspective_transform();
  r.front = 0;
  r.back = 0;
  RenderPlanResult result = build_render_plan(r);
  // Path-space (x, y, z) is host (x, -y, depth -z); the output's y is flipped back up.
  const dvec4 p = transform_dvec4({10, -20, -30, 1}, result.plan.path_to_screen);
  EXPECT_DOUBLE_EQ(p.x, 10.0);
  EXPECT_DOUBLE_EQ(p.y, -20.0);
  EXPECT_DOUBLE_EQ(p.z, -0.01);
  EXPECT_DOUBLE_EQ(p.w, 1.03);
  EXPECT_EQ(result.plan.face_to_draw, face_front);
  expect_rect(result.swept_bounds, 0, 0, 100, 100);

  // A deep extrusion away from the viewer shrinks towards the eye's axis, inside the front.
  r.back = 1000;
  result = build_render_plan(r);
  expect_rect(result.swept_bounds, 0, 0, 100, 100);

  // Extrusion towards the viewer grows the image.
  r.front = -500;
  r.back = 0;
  result = build_render_plan(r);
  expect_rect(result.swept_bounds, 0, 0, 200, 200);

  // The eye between the cap planes.
  r.front = -2000;
  r.back = 100;
  result = build_render_plan(r);
  EXPECT_EQ(result.plan.face_to_draw, face_none);

  // The eye behind the back cap.
  r.layer_transform[11] = -1.0 / 1000.0;
  r.front = 0;
  r.back = 100;
  result = build_render_plan(r);
  EXPECT_EQ(result.plan.face_to_draw, face_back);
}

TEST(BuildRenderPlan, CameraInnerExtrusionUsesEyeWinding) {
  RenderPlanRequest r = text_request({bezier_rect(-50, -50, 50, 50)});
  r.mode = extrusion_mode_camera;
  r.layer_transform = perspective_transform();
  r.front = -2000;
  r.back = 100;
  r.inner_extrusion = 1;
  r.request_rect = {0, 0, 300, 200};
  RenderPlanResult result = build_render_plan(r);
  EXPECT_EQ(result.plan.face_to_draw, face_none);
  expect_rect(result.swept_bounds, -5000, -5000, 5000, 5000);
  expect_rect(result.clipped_bounds, 0, 0, 300, 200);

  r.source.value = TextOutlines{bezier_rect(100, 100, 200, 200)};
  result = build_render_plan(r);
  EXPECT_EQ(result.plan.face_to_draw, face_back);
  expect_rect(result.swept_bounds, 0, 0, 0, 0);
  expect_rect(result.clipped_bounds, 0, 0, 0, 0);
}

TEST(BuildRenderPlan, CameraPrismBehindNearPlaneIsEmpty) {
  RenderPlanRequest r = text_request({bezier_rect(0, 0, 100, 100)});
  r.mode = extrusion_mode_camera;
  r.layer_transform = perspective_transform();
  // Depths -1200 to -1100 lie beyond the near plane at depth -990, behind the eye.
  r.front = -1200;
  r.back = -1100;
  r.stroke_width = 6;
  const RenderPlanResult result = build_render_plan(r);
  expect_rect(result.swept_bounds, 0, 0, 0, 0);
  expect_rect(result.clipped_bounds, 0, 0, 0, 0);
}

TEST(ProjectSegmentBounds, ClipsAtNearPlane) {
  // Identity: d = z + 1, visible for z >= -1; projection is (x, y).
  const dmat4 m = dmat4_identity();
  const RectD all = project_segment_bounds(m, {0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0});
  EXPECT_EQ(all.left, 0.0);
  EXPECT_EQ(all.top, 0.0);
  EXPECT_EQ(all.right, 4.0);
  EXPECT_EQ(all.bottom, 2.0);

  // Corners 1 and 2 behind the plane: the edges are cut where they cross it.
  const RectD cut = project_segment_bounds(m, {0, 0, 0}, {4, 0, -3}, {4, 2, -3}, {0, 2, 0});
  EXPECT_EQ(cut.left, 0.0);
  EXPECT_DOUBLE_EQ(cut.right, 4.0 / 3.0);
  EXPECT_EQ(cut.top, 0.0);
  EXPECT_EQ(cut.bottom, 2.0);

  const RectD hidden = project_segment_bounds(m, {0, 0, -2}, {4, 0, -3}, {4, 2, -3}, {0, 2, -2});
  EXPECT_EQ(hidden.left, inf);
  EXPECT_EQ(hidden.right, -inf);

  const RectD bad = project_segment_bounds(m, {nan, 0, 0}, {nan, 0, 0}, {nan, 0, 0}, {nan, 0, 0});
  EXPECT_FALSE(bad.left < bad.right);
}

TEST(RectRounding, OutwardWithSaturation) {
  expect_rect(round_rect_outward({-0.5, -10.25, 3.5, 2.75}), -1, -3, 4, 11);
  expect_rect(round_rect_outward({0, 0, 0, 5}), 0, 0, 0, 0);
  expect_rect(round_rect_outward({5, 0, 1, 5}), 0, 0, 0, 0);
  expect_rect(round_rect_outward({nan, 0, 1, 5}), 0, 0, 0, 0);
  expect_rect(round_rect_outward(RectD::empty()), 0, 0, 0, 0);
  expect_rect(round_rect_outward({-inf, -inf, inf, inf}), i32_min, i32_min, i32_max, i32_max);
  expect_rect(round_rect_outward({-1e12, 3e9, 1e12, 4e9}), i32_min, i32_min, i32_max, i32_min);
  expect_rect(round_rect_outward({0, -2147483647.5, 1, 0}), 0, 0, 1, i32_max);
}

TEST(RectRounding, IntersectInt) {
  expect_rect(intersect_rect_int({0, 0, 10, 10}, {5, -5, 20, 8}), 5, 0, 10, 8);
  expect_rect(intersect_rect_int({0, 0, 0, 10}, {0, 0, 10, 10}), 0, 0, 0, 0);
  expect_rect(intersect_rect_int({0, 0, 10, 10}, {0, 5, 10, 5}), 0, 0, 0, 0);
  // Disjoint: not tested again, left >= right.
  const PF_LRect disjoint = intersect_rect_int({0, 0, 10, 10}, {20, 0, 30, 10});
  EXPECT_GE(disjoint.left, disjoint.right);
}

}  // namespace

namespace {

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
  std::vector<SourceGeometry> sources(3);
  sources[0].value = bad_outlines();
  MaskPaths masks;
  int32_t mode = mask_mode_add;
  for (BezierPath& p : bad_outlines()) {
    masks.push_back({std::move(p), mode, static_cast<uint8_t>(mode % 2)});
    mode = mode % 7 + 1;
  }
  sources[1].value = std::move(masks);
  ShapeItems items;
  for (BezierPath& p : bad_outlines()) items.push_back({std::move(p)});
  items.push_back({ShapeFill{1}});
  items.push_back({ShapeMerge{3}});
  items.push_back({ShapeFill{2}});
  sources[2].value = std::move(items);

  for (const SourceGeometry& source : sources) {
    for (int32_t extrusion :
         {extrusion_mode_directional, extrusion_mode_vanishing, extrusion_mode_camera}) {
      for (uint8_t inner : {0, 1}) {
        for (bool singular : {false, true}) {
          RenderPlanRequest r = text_request({});
          r.source = source;
          r.mode = extrusion;
          r.vanishing_x = 5;
          r.vanishing_y = 5;
          r.front = extrusion == extrusion_mode_vanishing ? 1 : -3000;
          r.back = extrusion == extrusion_mode_vanishing ? 1 : 100;
          r.inner_extrusion = inner;
          r.inherit_layer_color = 1;
          r.stroke_width = singular ? nan : 2.0;
          if (extrusion == extrusion_mode_camera && !singular) {
            r.layer_transform = perspective_transform();
          }
          const RenderPlanResult result = build_render_plan(r);
          for (const PF_LRect& rect : {result.face_rect, result.swept_bounds}) {
            EXPECT_TRUE((rect.left < rect.right && rect.top < rect.bottom) ||
                        (rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0));
          }
          EXPECT_GE(result.plan.face_to_draw, face_none);
          EXPECT_LE(result.plan.face_to_draw, face_back);
        }
      }
    }
  }
}

}  // namespace
