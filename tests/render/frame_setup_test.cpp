// The CPU side of a frame: chain parameters in each mode, regions and matrices, side-fill stops.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "renderer/renderer-render.h"
#include "tests/render/render_test_support.h"

namespace tarvolk::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

PF_EffectWorld world_of(int width, int height, int origin_x = 0, int origin_y = 0) {
  PF_EffectWorld w{};
  w.width = width;
  w.height = height;
  w.origin_x = origin_x;
  w.origin_y = origin_y;
  return w;
}

RenderInput input_for(const PreRenderPlan& plan, int ssaa = 1) {
  RenderInput in;
  in.plan = plan;
  in.ssaa = ssaa;
  return in;
}

PreRenderPlan plan_in_mode(int32_t mode, double stroke_width, dvec2 vanishing_point) {
  PreRenderPlan plan;
  plan.extrusion_mode = mode;
  plan.extrusion_direction = {0.0, 1.0};
  plan.vanishing_point = vanishing_point;
  plan.stroke_width = stroke_width;
  return plan;
}

void expect_rect(const RectD& r, double left, double top, double right, double bottom) {
  EXPECT_DOUBLE_EQ(r.left, left);
  EXPECT_DOUBLE_EQ(r.top, top);
  EXPECT_DOUBLE_EQ(r.right, right);
  EXPECT_DOUBLE_EQ(r.bottom, bottom);
}

// --- chain parameters -------------------------------------------------------------------------

TEST(ChainSetup, CameraLookingStraightOnNeedsNoRotation) {
  Scene scene(200, 150);
  scene.request.mode = extrusion_mode_camera;
  scene.request.layer_transform = camera_transform(100, 75, 300, 0, 0);
  scene.outlines({rectangle(40, 40, 160, 110)});
  const ChainSetup setup = compute_chain_setup(scene.plan());
  EXPECT_EQ(setup.params.mode, chain_mode_vanishing);
  EXPECT_FALSE(dvec4_not_equal(setup.rotation, dmat2_diagonal(1.0)));
  // The eye sits in front of the layer's centre: path space (100, -75).
  EXPECT_NEAR(setup.params.vanishing_point.x, 100.0, 1e-9);
  EXPECT_NEAR(setup.params.vanishing_point.y, -75.0, 1e-9);
  EXPECT_NEAR(setup.screen_vanishing_point.x, 100.0, 1e-9);
  EXPECT_NEAR(setup.screen_vanishing_point.y, -75.0, 1e-9);
}

TEST(ChainSetup, TurnedCameraRotatesTheVanishingDirectionOntoX) {
  Scene scene(200, 150);
  scene.request.mode = extrusion_mode_camera;
  scene.request.layer_transform = camera_transform(100, 75, 300, 35, 20, 25);
  const PreRenderPlan plan = scene.plan();
  const ChainSetup setup = compute_chain_setup(plan);
  ASSERT_TRUE(dvec4_not_equal(setup.rotation, dmat2_diagonal(1.0)));
  const dvec4 x_axis = transform_dvec4({1, 0, 0, 0}, mat4_inverse(plan.path_to_screen));
  const dvec2 turned = transform_dvec2(dvec2_normalize({x_axis.x, x_axis.y}), setup.rotation);
  EXPECT_NEAR(turned.x, 1.0, 1e-12);
  EXPECT_NEAR(turned.y, 0.0, 1e-12);
}

TEST(ChainSetup, ScreenVanishingPointAtInfinityKeepsTheIdentity) {
  // Depth moves points along screen x only: (0, 0, 1, 0) maps to w = 0 on screen, while the
  // eye's foot point is the origin.
  PreRenderPlan plan = plan_in_mode(extrusion_mode_camera, 2.0, {0, 0});
  plan.path_to_screen = {0, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
  const ChainSetup setup = compute_chain_setup(plan);
  EXPECT_EQ(setup.params.mode, chain_mode_vanishing);
  EXPECT_EQ(setup.screen_vanishing_point.x, -1000000.0);
  EXPECT_EQ(setup.screen_vanishing_point.y, -1000000.0);
  EXPECT_FALSE(dvec4_not_equal(setup.rotation, dmat2_diagonal(1.0)));
  EXPECT_EQ(setup.params.vanishing_point.x, 0.0);
  EXPECT_EQ(setup.params.vanishing_point.y, 0.0);
}

TEST(ChainSetup, EyeAtInfinityCutsChainsAlongTheRecedingDirection) {
  // An oblique parallel view: a point at depth s is drawn shifted by s * (3, -4).
  PreRenderPlan plan = plan_in_mode(extrusion_mode_camera, 2.0, {0, 0});
  plan.path_to_screen = {1, 0, 0, 0, 0, 1, 0, 0, -3, 4, 1, 0, 0, 0, 0, 1};
  const ChainSetup setup = compute_chain_setup(plan);
  EXPECT_EQ(setup.params.mode, chain_mode_directional);
  EXPECT_NEAR(setup.params.direction.x, 0.6, 1e-12);
  EXPECT_NEAR(setup.params.direction.y, -0.8, 1e-12);
  EXPECT_FALSE(dvec4_not_equal(setup.rotation, dmat2_diagonal(1.0)));
  EXPECT_TRUE(std::isfinite(setup.screen_vanishing_point.x));

  // Looking straight along depth from infinitely far: walls have no extent, any direction does.
  plan.path_to_screen = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const ChainSetup straight = compute_chain_setup(plan);
  EXPECT_EQ(straight.params.mode, chain_mode_directional);
  EXPECT_TRUE(std::isfinite(straight.params.direction.x));
  EXPECT_TRUE(std::isfinite(straight.params.direction.y));
}

TEST(FrameGeometry, RotatedChainsComeBackInPathCoordinates) {
  Scene scene(200, 150);
  scene.request.mode = extrusion_mode_camera;
  scene.request.layer_transform = camera_transform(100, 75, 300, 35, 20, 25);
  scene.request.back = 40;
  scene.outlines({rectangle(30, 30, 90, 120), ellipse(140, 70, 35, 30)});
  RenderHost host;
  const RenderInput in = host.input(scene.plan());
  const PF_EffectWorld out = world_of(200, 150);
  FrameGeometry geometry;
  std::string text;
  ASSERT_EQ(build_frame_geometry(in, out, geometry, text), 0) << text;
  ASSERT_TRUE(dvec4_not_equal(geometry.chain_setup.rotation, dmat2_diagonal(1.0)));
  ASSERT_FALSE(geometry.chain_set.chains.empty());

  ASSERT_EQ(geometry.chain_set.keyed_paths.size(), geometry.combined_paths.size());
  for (size_t i = 0; i < geometry.combined_paths.size(); ++i) {
    const PathD& path = geometry.combined_paths[i];
    const KeyedPath& keyed = geometry.chain_set.keyed_paths[i];
    ASSERT_EQ(keyed.size(), path.size());
    for (size_t j = 0; j < path.size(); ++j) {
      EXPECT_NEAR(keyed[j].x, path[j].x, 1e-9);
      EXPECT_NEAR(keyed[j].y, path[j].y, 1e-9);
    }
  }
  // The paths themselves are the plan's union again, not the rotated copy.
  for (const PathD& path : geometry.combined_paths) {
    for (const PathVertexZ& p : path) {
      EXPECT_GE(p.x, 29.99);
      EXPECT_LE(p.x, 175.01);
    }
  }
}

// --- regions ----------------------------------------------------------------------------------

TEST(FrameRegions, DirectionalModeDrawsTheFaceOverTheOutputRegion) {
  const PreRenderPlan plan = plan_in_mode(extrusion_mode_directional, 4.0, {100.0, -1.0});
  const PF_EffectWorld out = world_of(200, 150, 10, 20);
  const FrameRegions r =
      compute_frame_regions(input_for(plan), out, chain_mode_directional, plan.vanishing_point);
  expect_rect(r.output_region, 10, -170, 210, -20);
  expect_rect(r.face_region, 10, -170, 210, -20);
  EXPECT_EQ(r.face_offset.x, 0);
  EXPECT_EQ(r.face_offset.y, 0);
  EXPECT_EQ(r.face_width, 200);
  EXPECT_EQ(r.face_height, 150);

  // The output matrix puts the output region's corners on the clip square.
  const vec4 lo = transform_vec4({10.0f, -170.0f, 0.0f, 1.0f}, r.output_matrix);
  const vec4 hi = transform_vec4({210.0f, -20.0f, 0.0f, 1.0f}, r.output_matrix);
  EXPECT_FLOAT_EQ(lo.x, -1.0f);
  EXPECT_FLOAT_EQ(lo.y, -1.0f);
  EXPECT_FLOAT_EQ(hi.x, 1.0f);
  EXPECT_FLOAT_EQ(hi.y, 1.0f);
}

TEST(FrameRegions, VanishingPointNearAnEdgeWidensTheFaceBeyondIt) {
  const PF_EffectWorld out = world_of(200, 150);
  // Stroke 4: the band reaches 3 pixels either side of the vanishing point's row.
  const PreRenderPlan near_top = plan_in_mode(extrusion_mode_vanishing, 4.0, {100.0, -1.0});
  const FrameRegions top = compute_frame_regions(input_for(near_top), out, chain_mode_vanishing,
                                                 near_top.vanishing_point);
  expect_rect(top.face_region, 0, -150, 200, 2);
  EXPECT_EQ(top.face_offset.y, 0);
  EXPECT_EQ(top.face_height, 152);

  const PreRenderPlan near_bottom = plan_in_mode(extrusion_mode_vanishing, 4.0, {100.0, -149.0});
  const FrameRegions bottom = compute_frame_regions(
      input_for(near_bottom, 2), out, chain_mode_vanishing, near_bottom.vanishing_point);
  expect_rect(bottom.face_region, 0, -152, 200, 0);
  EXPECT_EQ(bottom.face_offset.x, 0);
  EXPECT_EQ(bottom.face_offset.y, 2);
  EXPECT_EQ(bottom.face_width, 400);
  EXPECT_EQ(bottom.face_height, 304);
}

TEST(FrameRegions, VanishingPointAwayFromTheOutputLeavesTheFaceAlone) {
  const PF_EffectWorld out = world_of(200, 150);
  for (const dvec2 vp : {dvec2{0.0, -1.0}, dvec2{-50.0, -75.0}, dvec2{100.0, 4.0},
                         dvec2{100.0, -154.0}, dvec2{-kInf, -75.0}}) {
    const PreRenderPlan plan = plan_in_mode(extrusion_mode_vanishing, 4.0, vp);
    const FrameRegions r = compute_frame_regions(input_for(plan), out, chain_mode_vanishing, vp);
    expect_rect(r.face_region, 0, -150, 200, 0);
  }
}

TEST(FrameRegions, SupersamplingScalesOnlyTheFaceTextures) {
  const PreRenderPlan plan = plan_in_mode(extrusion_mode_directional, 2.0, {0, 0});
  const PF_EffectWorld out = world_of(101, 50);
  const FrameRegions r =
      compute_frame_regions(input_for(plan, 3), out, chain_mode_directional, plan.vanishing_point);
  EXPECT_EQ(r.face_width, 303);
  EXPECT_EQ(r.face_height, 150);
  expect_rect(r.output_region, 0, -50, 101, 0);
}

TEST(FrameRegions, InputOffsetOnlyWhenTheFaceSamplesTheInput) {
  PreRenderPlan plan = plan_in_mode(extrusion_mode_directional, 2.0, {0, 0});
  const PF_EffectWorld out = world_of(200, 150);
  PF_EffectWorld layer = world_of(80, 40, 5, 7);
  RenderInput in = input_for(plan);
  in.input = &layer;
  EXPECT_EQ(compute_frame_regions(in, out, 1, {}).in_tex_offset.x, 0.0f);

  in.plan.inherit_layer_color = 1;
  const FrameRegions r = compute_frame_regions(in, out, 1, {});
  EXPECT_EQ(r.in_tex_offset.x, 5.0f);
  EXPECT_EQ(r.in_tex_offset.y, -47.0f);

  in.input = nullptr;
  EXPECT_EQ(compute_frame_regions(in, out, 1, {}).in_tex_offset.y, 0.0f);
}

// --- side-fill stops --------------------------------------------------------------------------

TEST(SideFillStops, AnglesTurnIntoRadiansFromTheTop) {
  const std::vector<SideFillStop> converted = convert_side_fill_stops({
      {0.1f, 0.2f, 0.3f, 180.0f},
      {0.4f, 0.5f, 0.6f, 90.0f},
      {0.7f, 0.8f, 0.9f, 0.0f},
  });
  ASSERT_EQ(converted.size(), 3u);
  EXPECT_EQ(converted[0].angle, 0.0f);  // 90 degrees
  EXPECT_EQ(converted[0].r, 0.4f);
  EXPECT_NEAR(converted[1].angle, M_PI / 2, 1e-6);  // 0 degrees
  EXPECT_EQ(converted[1].g, 0.8f);
  EXPECT_NEAR(converted[2].angle, 3 * M_PI / 2, 1e-6);  // 180 degrees, not -pi/2
  EXPECT_EQ(converted[2].b, 0.3f);
}

TEST(SideFillStops, FullTurnsWrapAndEqualAnglesKeepTheirOrder) {
  const std::vector<SideFillStop> converted = convert_side_fill_stops({
      {1, 0, 0, 450.0f},
      {0, 1, 0, -90.0f},
      {0, 0, 1, 270.0f},
      {1, 1, 0, 90.0f},
  });
  ASSERT_EQ(converted.size(), 4u);
  for (const SideFillStop& s : converted) {
    EXPECT_GE(s.angle, 0.0f);
    EXPECT_LT(s.angle, 6.2831855f);
  }
  // 450 degrees lands on 0 up to rounding, either just above 0 or just below 2 pi.
  const auto near_zero = [](float a) { return a < 1e-5f || a > 6.2831855f - 1e-5f; };
  int green_at = -1, blue_at = -1;
  for (int i = 0; i < 4; ++i) {
    if (converted[i].r == 0 && converted[i].g == 1) green_at = i;
    if (converted[i].b == 1) blue_at = i;
    if (converted[i].r == 1 && converted[i].g == 0) {
      EXPECT_TRUE(near_zero(converted[i].angle));
    }
  }
  // -90 and 270 degrees give the same angle: the first given stays first.
  EXPECT_EQ(converted[green_at].angle, converted[blue_at].angle);
  EXPECT_EQ(blue_at, green_at + 1);
  EXPECT_NEAR(converted[green_at].angle, M_PI, 1e-6);
}

}  // namespace
}  // namespace tarvolk::test
