// A frame's steps: its regions, side-fill stops and meshes on the CPU, and
// pixels of whole frames where they follow from the scene.

#include <array>
#include <cstring>
#include <limits>

#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

// --- the CPU side ------------------------------------------------------------------------------

FrameRegions regions_of(ExtrusionMode chain_mode, dvec2 vanishing_point, int width, int height,
                        int origin_x = 0, int origin_y = 0, int32_t ssaa = 1) {
  RenderInput in;
  in.plan.stroke_width = 4.0;  // the vanishing band reaches 3 pixels either side
  in.ssaa = ssaa;
  PF_EffectWorld out{};
  out.width = width;
  out.height = height;
  out.origin_x = origin_x;
  out.origin_y = origin_y;
  return compute_frame_regions(in, out, chain_mode, vanishing_point);
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
  RenderInput in;
  for (int i = 0; i < 600; ++i) {
    const double x = (i % 30) * 10.0 - (i % 5 == 4 ? 3.0 : 0.0);
    const double y = -(i / 30) * 12.0;
    in.plan.paths.push_back({{x, y, 1},
                             {x + 8, y, 2},
                             {x + 9, y + 4, 2},
                             {x + 8, y + 9, 1},
                             {x, y + 9, 1},
                             {x + 4, y + 5, 2}});
  }
  in.plan.corner_cos = -0.5;
  in.plan.extrusion_mode = ExtrusionMode::directional;
  in.plan.extrusion_direction = {0.6, -0.8};
  in.plan.face_to_draw = face_front;
  PF_EffectWorld out{};
  out.width = 300;
  out.height = 250;
  std::string text;
  FrameGeometry one;
  ASSERT_EQ(build_frame_geometry(in, out, one, text, 1), 0);
  FrameGeometry many;
  for (int frame = 0; frame < 2; ++frame) {
    ASSERT_EQ(build_frame_geometry(in, out, many, text, 8), 0);
    EXPECT_EQ(many.combined_paths, one.combined_paths);
    EXPECT_TRUE(same_bytes(many.face_mesh, one.face_mesh));
    EXPECT_TRUE(same_bytes(many.side_mesh, one.side_mesh));
    EXPECT_TRUE(same_bytes(many.outline_mesh, one.outline_mesh));
  }
  EXPECT_GT(one.face_mesh.indices.size(), 3000u);
}

// --- whole frames (the face showing the layer's pixels unchanged: its golden frame) ------------

class FramePixels : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.host.balance_report(), ""); }

  void render(const RenderInput& in, World& out) {
    std::string text;
    ASSERT_EQ(render_layer(&in, out.get(), &text), 0) << text;
  }

  Scene scene{200, 150};
  RenderHost host;
};

// The first and last row of column x whose alpha is 255.
std::pair<int, int> opaque_rows(World& out, int x) {
  int first = -1;
  int last = -1;
  for (int y = 0; y < out.get()->height; ++y) {
    if (out.pixel8(x, y).alpha != 255) continue;
    if (first < 0) first = y;
    last = y;
  }
  return {first, last};
}

TEST_F(FramePixels, SupersampledFillStaysWhereItIsAtOnce) {
  // A rectangle from (40, 40) to (120, 100) running 30% of the way towards a vanishing point just
  // above the bottom edge, with a 20-pixel stroke left out (opacity 0): the face targets reach 9
  // pixels below the output, so the output starts 9 pixels into them, 27 samples at 3x. The
  // fill is opaque in the same rows of column 60 at 1x and 3x: the face from row 40, the walls
  // down to row 106.
  scene.outlines({bezier_rect(40, 40, 120, 100)});
  scene.request.mode = ExtrusionMode::vanishing;
  scene.request.direction_deg = 0;
  scene.request.vanishing_x = 180;
  scene.request.vanishing_y = 148;
  scene.request.back = 0.3;
  scene.request.stroke_width = 20;
  RenderInput in = host.input(scene.plan());
  in.stroke_opacity = 0.0f;
  for (const int ssaa : {1, 3}) {
    in.ssaa = ssaa;
    World out(200, 150, PixelFormat::argb8);
    render(in, out);
    EXPECT_EQ(opaque_rows(out, 60), (std::pair<int, int>{40, 106})) << "ssaa " << ssaa;
  }
}

TEST_F(FramePixels, EdgePixelsHoldStraightAlpha) {
  // A star in one colour (face and walls alike), without stroke, smoothed at 3x: a pixel the
  // outline crosses is partly transparent and keeps the full colour, in 8-bit and float alike.
  scene.outlines({polygon({100, 10, 150, 45, 132, 100, 68, 100, 50, 45})});
  scene.request.stroke_width = 0;
  const std::array<float, 3> colour = {0.9f, 0.4f, 0.2f};
  for (const int16_t bitdepth : {8, 32}) {
    RenderInput in = host.input(scene.plan(), bitdepth);
    in.ssaa = 3;
    in.front_fill_color = colour;
    in.side_fill = {{colour[0], colour[1], colour[2], 0.0f}};
    World out(200, 150, bitdepth == 8 ? PixelFormat::argb8 : PixelFormat::argb_float);
    render(in, out);
    int edge_pixels = 0;
    for (int y = 0; y < 150; ++y) {
      for (int x = 0; x < 200; ++x) {
        std::array<float, 4> argb;
        if (bitdepth == 8) {
          const PF_Pixel8& p = out.pixel8(x, y);
          argb = {p.alpha / 255.0f, p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f};
        } else {
          const PF_PixelFloat& p = out.pixel_float(x, y);
          argb = {p.alpha, p.red, p.green, p.blue};
        }
        if (argb[0] < 0.1f || argb[0] > 0.9f) continue;
        ++edge_pixels;
        for (int c = 0; c < 3; ++c) {
          ASSERT_NEAR(argb[c + 1], colour[c], 0.6f / 255) << x << ", " << y << " at " << bitdepth;
        }
      }
    }
    EXPECT_GT(edge_pixels, 100) << bitdepth;
  }
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
}  // namespace tarvolk::test
