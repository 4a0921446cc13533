// A frame's steps on the CPU: its regions, side-fill stops and meshes.

#include "geometry/frame_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

FrameRegions regions_of(ExtrusionMode chain_mode, dvec2 vanishing_point, int width, int height,
                        int origin_x = 0, int origin_y = 0, int32_t ssaa = 1) {
  PreRenderPlan plan;
  plan.stroke_width = 4.0;  // the vanishing band reaches 3 pixels either side
  PF_EffectWorld out{};
  out.width = width;
  out.height = height;
  out.origin_x = origin_x;
  out.origin_y = origin_y;
  const std::vector<SideFillStop> no_stops;
  return compute_frame_regions({.plan = plan, .output = out, .ssaa = ssaa, .side_fill = no_stops},
                               chain_mode, vanishing_point);
}

void expect_rect(const RectD& r, const RectD& expected) {
  EXPECT_DOUBLE_EQ(r.left, expected.left);
  EXPECT_DOUBLE_EQ(r.top, expected.top);
  EXPECT_DOUBLE_EQ(r.right, expected.right);
  EXPECT_DOUBLE_EQ(r.bottom, expected.bottom);
}

TEST(FrameRegions, FaceRegionFollowsTheVanishingBand) {
  // Directional: the output region, wherever the vanishing point lies.
  const FrameRegions directional =
      regions_of(ExtrusionMode::directional, {100, -21}, 200, 150, 10, 20);
  expect_rect(directional.output_region, {10, -170, 210, -20});
  expect_rect(directional.face_region, directional.output_region);
  // GL draws about the output's lower left corner.
  EXPECT_DOUBLE_EQ(directional.origin.x, 10);
  EXPECT_DOUBLE_EQ(directional.origin.y, -170);
  EXPECT_EQ(directional.face_width, 200);
  EXPECT_EQ(directional.face_height, 150);

  // Vanishing near the top or bottom edge: the face reaches beyond that edge.
  const FrameRegions top = regions_of(ExtrusionMode::vanishing, {100, -1}, 200, 150);
  expect_rect(top.face_region, {0, -150, 200, 2});
  EXPECT_EQ(top.face_offset.y, 0);
  EXPECT_EQ(top.face_height, 152);
  // At 2x supersampling only the face textures are twice the size.
  const FrameRegions bottom = regions_of(ExtrusionMode::vanishing, {100, -149}, 200, 150, 0, 0, 2);
  expect_rect(bottom.face_region, {0, -152, 200, 0});
  expect_rect(bottom.output_region, {0, -150, 200, 0});
  EXPECT_EQ(bottom.face_offset.y, 2);
  EXPECT_EQ(bottom.face_width, 400);
  EXPECT_EQ(bottom.face_height, 304);

  // Left of the output, or vertically beyond the band: unchanged.
  for (const dvec2 vp : {dvec2{0, -1}, dvec2{-50, -75}, dvec2{100, 4}, dvec2{100, -154},
                         dvec2{-std::numeric_limits<double>::infinity(), -75}}) {
    expect_rect(regions_of(ExtrusionMode::vanishing, vp, 200, 150).face_region, {0, -150, 200, 0});
  }
}

// A camera's projection for points about an origin: where the point about the layer's origin
// lands, moved by -origin, whatever its w.
TEST(FrameRegions, PathToScreenAboutAnOrigin) {
  const dmat4 m = {0.9, 0.1,  0.0, 0.0,    -0.2, 1.1, 0.0, 0.0,
                   0.3, -0.4, 1.0, -0.002, 12,   -7,  0.5, 1.0};
  const dvec2 origin{250, -430};
  const dmat4 about = path_to_screen_about(m, origin);
  for (const dvec4 p : {dvec4{0, 0, 0, 1}, dvec4{17.5, -3.25, -40, 1}, dvec4{-60, 80, 25, 1}}) {
    const dvec4 seen = transform_dvec4(dvec4{p.x + origin.x, p.y + origin.y, p.z, 1}, m);
    const dvec4 got = transform_dvec4(p, about);
    EXPECT_NEAR(got.x, seen.x - origin.x * seen.w, 1e-9);
    EXPECT_NEAR(got.y, seen.y - origin.y * seen.w, 1e-9);
    EXPECT_NEAR(got.z, seen.z, 1e-9);
    EXPECT_NEAR(got.w, seen.w, 1e-12);
  }
}

TEST(SideFillStops, AnglesBecomeRadiansFromTheTopSortedStably) {
  const std::vector<SideFillStop> converted = convert_side_fill_stops({
      {1, 0, 0, 180.0f},
      {2, 0, 0, 90.0f},
      {3, 0, 0, -90.0f},
      {4, 0, 0, 270.0f},
  });
  // 90 degrees is 0; -90 and 270 give the same angle, pi, and keep their order; 180 degrees is
  // 3 pi / 2, not -pi / 2.
  const double expected[][2] = {{2, 0.0}, {3, M_PI}, {4, M_PI}, {1, 3 * M_PI / 2}};
  ASSERT_EQ(converted.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(converted[i].r, expected[i][0]) << i;
    EXPECT_NEAR(converted[i].angle, expected[i][1], 1e-6) << i;
  }
  EXPECT_EQ(converted[1].angle, converted[2].angle);
}

template <typename Vertex>
bool same_bytes(const Mesh<Vertex>& a, const Mesh<Vertex>& b) {
  return a.mode == b.mode && a.vertices.size() == b.vertices.size() && a.indices == b.indices &&
         std::memcmp(a.vertices.data(), b.vertices.data(), a.vertices.size() * sizeof(Vertex)) == 0;
}

TEST(FrameGeometry, SameMeshesOnOneThreadOrMany) {
  // 600 rings in rows, every fifth overlapping its neighbour, enough groups for the union and
  // the face triangulation to be shared out; the storage of one frame is reused by the next.
  PreRenderPlan plan;
  for (int i = 0; i < 600; ++i) {
    const double x = (i % 30) * 10.0 - (i % 5 == 4 ? 3.0 : 0.0);
    const double y = -(i / 30) * 12.0;
    plan.paths.push_back({{x, y, 1},
                          {x + 8, y, 2},
                          {x + 9, y + 4, 2},
                          {x + 8, y + 9, 1},
                          {x, y + 9, 1},
                          {x + 4, y + 5, 2}});
  }
  plan.corner_cos = -0.5;
  plan.extrusion_mode = ExtrusionMode::directional;
  plan.extrusion_direction = {0.6, -0.8};
  plan.face_to_draw = face_front;
  PF_EffectWorld out{};
  out.width = 300;
  out.height = 250;
  const std::vector<SideFillStop> no_stops;
  const FrameGeometryInput in{.plan = plan, .output = out, .side_fill = no_stops};
  std::string text;
  FrameGeometry one;
  ASSERT_EQ(build_frame_geometry(in, one, text, 1), 0);
  FrameGeometry many;
  for (int frame = 0; frame < 2; ++frame) {
    ASSERT_EQ(build_frame_geometry(in, many, text, 8), 0);
    EXPECT_EQ(many.combined_paths, one.combined_paths);
    EXPECT_TRUE(same_bytes(many.face_mesh, one.face_mesh));
    EXPECT_TRUE(same_bytes(many.side_mesh, one.side_mesh));
    EXPECT_TRUE(same_bytes(many.outline_mesh, one.outline_mesh));
  }
  EXPECT_GT(one.face_mesh.indices.size(), 3000u);
}

// At 3x only the face textures are three times the size, an odd width
// included; the output region stays the output's.
TEST(FrameRegions, SupersamplingScalesOnlyTheFaceTextures) {
  const FrameRegions r = regions_of(ExtrusionMode::directional, {0, 0}, 101, 50, 0, 0, 3);
  EXPECT_EQ(r.face_width, 303);
  EXPECT_EQ(r.face_height, 150);
  expect_rect(r.output_region, {0, -50, 101, 0});
}

}  // namespace
