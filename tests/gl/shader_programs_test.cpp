// Each program's maths checked on the pixels of small offscreen draws.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gl/mesh_gl.h"
#include "gl/shader_sources.h"
#include "gl_test_support.h"
#include "renderer/mesh.h"

namespace {

using gl_test::ortho;
using gl_test::srgb_decode;
using gl_test::srgb_encode;
using gl_test::Target;

constexpr float kTwoPi = 6.2831855f;
constexpr float kTolerance = 2e-4f;

// Every test draws with the test thread's context and programs.
class ShaderPrograms : public gl_test::DrawingTest {};
class SideWallProgram : public gl_test::DrawingTest {};
class FaceProgram : public gl_test::DrawingTest {};
class FrontMaskProgram : public gl_test::DrawingTest {};
class OutlineProgram : public gl_test::DrawingTest {};
class CompositeProgram : public gl_test::DrawingTest {};

TEST(ShaderSources, EachStartsWithAnEmptyLineAndTheVersion) {
  for (int i = 0; i < shader_program_count; ++i) {
    for (const char* source :
         {shader_program_sources(i).vertex, shader_program_sources(i).fragment}) {
      EXPECT_EQ(std::string(source).rfind("\n#version 330\n", 0), 0u) << "program " << i;
    }
  }
}

TEST_F(ShaderPrograms, AllFiveLinkOnThisDriver) {
  LocalRenderData& data = gl_test::render_data();
  ASSERT_EQ(data.programs.size(), 5u);
  for (const auto& program : data.programs) {
    GLint linked = 0;
    glGetProgramiv(program->id(), GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE);
  }
}

// --- side walls -------------------------------------------------------------

SideFillStop stop(float r, float g, float b, float angle) {
  return {r, g, b, angle};
}

// The colour the side-wall program gives a wall facing `angle`.
std::array<float, 3> expected_side_color(const std::vector<SideFillStop>& stops, float angle,
                                         bool interpolate) {
  const size_t n = stops.size();
  size_t k = 0;
  while (k < n && stops[k].angle < angle) ++k;
  SideFillStop s1, s2;
  if (k == n) {
    s1 = stops[n - 1];
    s2 = stops[0];
    s2.angle += kTwoPi;
  } else if (k == 0) {
    s1 = stops[n - 1];
    s1.angle -= kTwoPi;
    s2 = stops[0];
  } else {
    s1 = stops[k - 1];
    s2 = stops[k];
  }
  float t = s1.angle != s2.angle ? (angle - s1.angle) / (s2.angle - s1.angle) : 0.0f;
  t = interpolate ? t * t * (3 - 2 * t) : std::round(t);
  auto channel = [&](float a, float b) {
    return srgb_encode(srgb_decode(a) + (srgb_decode(b) - srgb_decode(a)) * t);
  };
  return {channel(s1.r, s2.r), channel(s1.g, s2.g), channel(s1.b, s2.b)};
}

// Draws one wall over a 1 x 1 target (depth included) with the given stops
// and a normal at `angle`, and returns the target.
class SideWallDraw {
 public:
  SideWallDraw() : target_(1, 1, GL_RGBA32F, true) {}

  std::array<float, 4> draw(const std::vector<SideFillStop>& stops, float angle, bool interpolate,
                            float a_z = -0.25f) {
    GlProgram& program = gl_test::program(side_walls_program);
    const auto mvp = ortho(0, 1, 0, 1);
    program.set_mat4("mvp", mvp.data());
    program.set_int("extrusion_mode", 1);
    const float zero[2] = {0, 0};
    program.set_vec2("extrusion_direction", zero);
    program.set_float("front_extrusion_amount", 0);
    program.set_float("back_extrusion_amount", 0);
    program.set_bool("interpolate_gradient", interpolate);
    program.set_int("side_fill_color_buffer", 0);

    GlBuffer stop_buffer;
    upload_vector_to_buffer(stop_buffer, GL_TEXTURE_BUFFER, stops, GL_DYNAMIC_DRAW);
    GlTexture stop_texture(GL_TEXTURE_BUFFER);
    glActiveTexture(GL_TEXTURE0);
    stop_texture.bind();
    glTexBuffer(GL_TEXTURE_BUFFER, GL_RGBA32F, stop_buffer.id());

    const float nx = std::cos(angle), ny = std::sin(angle);
    SideMesh mesh;
    mesh.mode = mesh_mode_triangle_strip;
    for (auto [x, y] : {std::pair{0.f, 0.f}, {1.f, 0.f}, {0.f, 1.f}, {1.f, 1.f}}) {
      mesh.vertices.push_back({x, y, 0, nx, ny, a_z});
      mesh.indices.push_back(static_cast<uint32_t>(mesh.indices.size()));
    }
    GlVertexArray vertex_array;
    GlBuffer vertex_buffer, index_buffer;
    GlVertexLayout layout;
    EXPECT_TRUE(layout.push(3, GL_FLOAT, false));
    EXPECT_TRUE(layout.push(2, GL_FLOAT, false));
    EXPECT_TRUE(layout.push(1, GL_FLOAT, false));
    vertex_array.add_buffer(vertex_buffer, layout);
    vertex_array.bind_with_index_buffer(index_buffer);

    target_.begin({0.1f, 0.2f, 0.3f, 0.4f});
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    draw_side_mesh(mesh, vertex_array, vertex_buffer, index_buffer);
    glDisable(GL_DEPTH_TEST);
    gl_test::expect_no_gl_error();
    return target_.pixel(0, 0);
  }

  float depth() const { return target_.depth(0, 0); }

 private:
  Target target_;
};

void expect_color(const std::array<float, 4>& pixel, const std::array<float, 3>& rgb,
                  const std::string& what) {
  EXPECT_NEAR(pixel[0], rgb[0], kTolerance) << what;
  EXPECT_NEAR(pixel[1], rgb[1], kTolerance) << what;
  EXPECT_NEAR(pixel[2], rgb[2], kTolerance) << what;
  EXPECT_EQ(pixel[3], 1.0f) << what;
}

TEST_F(SideWallProgram, OneStopColoursEveryAngle) {
  SideWallDraw wall;
  const std::vector<SideFillStop> stops = {stop(0.8f, 0.3f, 0.1f, 1.0f)};
  for (bool interpolate : {false, true}) {
    for (float angle : {0.1f, 1.0f, 2.5f, 4.0f, 6.2f}) {
      expect_color(wall.draw(stops, angle, interpolate), {0.8f, 0.3f, 0.1f},
                   "angle " + std::to_string(angle));
    }
  }
}

TEST_F(SideWallProgram, BlendsInLinearLightAcrossTheWrap) {
  SideWallDraw wall;
  // Red at 1 rad, blue at 5 rad: an angle above 5 or below 1 blends from
  // blue to red across 2 pi.
  const std::vector<SideFillStop> stops = {stop(1, 0, 0, 1.0f), stop(0, 0, 1, 5.0f)};
  for (float angle : {0.2f, 0.9f, 1.5f, 3.0f, 4.9f, 5.5f, 6.2f}) {
    const auto expected = expected_side_color(stops, angle, true);
    expect_color(wall.draw(stops, angle, true), expected, "angle " + std::to_string(angle));
  }
  // Halfway across the wrap (at 2 pi - 0.07 + ... i.e. 6.1416 + 0.0 ) the
  // smooth step is at 0.5: both channels encode half the light.
  const float halfway = 5.0f + (kTwoPi + 1.0f - 5.0f) / 2;
  const auto pixel = wall.draw(stops, halfway - kTwoPi * (halfway >= kTwoPi), true);
  EXPECT_NEAR(pixel[0], srgb_encode(0.5f), 1e-3f);
  EXPECT_NEAR(pixel[2], srgb_encode(0.5f), 1e-3f);
}

TEST_F(SideWallProgram, TwoStopsAtOneAngleRunOnceAroundTheCircle) {
  SideWallDraw wall;
  const float a = 2.0f;
  // A (red) then B (green), both at angle a.
  const std::vector<SideFillStop> stops = {stop(1, 0, 0, a), stop(0, 1, 0, a)};
  // Just past a the colour is B's ...
  const auto just_past = wall.draw(stops, a + 0.02f, true);
  EXPECT_GT(just_past[1], 0.99f);
  EXPECT_LT(just_past[0], 0.01f);
  // ... and it reaches A's just before a, one turn later.
  const auto just_before = wall.draw(stops, a - 0.02f, true);
  EXPECT_GT(just_before[0], 0.99f);
  EXPECT_LT(just_before[1], 0.01f);
  // Half a turn on it is halfway.
  expect_color(wall.draw(stops, a + kTwoPi / 2, true),
               expected_side_color(stops, a + kTwoPi / 2, true), "opposite");
}

TEST_F(SideWallProgram, WithoutInterpolationTakesTheNearerStop) {
  SideWallDraw wall;
  const std::vector<SideFillStop> stops = {stop(1, 0, 0, 1.0f), stop(0, 0, 1, 3.0f)};
  expect_color(wall.draw(stops, 1.8f, false), {1, 0, 0}, "nearer the first");
  expect_color(wall.draw(stops, 2.2f, false), {0, 0, 1}, "nearer the second");
  // Below the first stop the last one, shifted back a turn, is the other end.
  expect_color(wall.draw(stops, 0.1f, false), expected_side_color(stops, 0.1f, false), "wrap");
}

TEST_F(SideWallProgram, WritesTheChainDepth) {
  SideWallDraw wall;
  wall.draw({stop(1, 1, 1, 0)}, 1.0f, true, -0.375f);
  EXPECT_FLOAT_EQ(wall.depth(), 0.375f);
}

TEST_F(SideWallProgram, WithoutStopsDrawsNothing) {
  SideWallDraw wall;
  const auto pixel = wall.draw({}, 1.0f, true);
  EXPECT_FLOAT_EQ(pixel[0], 0.1f);
  EXPECT_FLOAT_EQ(pixel[1], 0.2f);
  EXPECT_FLOAT_EQ(pixel[2], 0.3f);
  EXPECT_FLOAT_EQ(pixel[3], 0.4f);
  EXPECT_FLOAT_EQ(wall.depth(), 1.0f);
}

TEST_F(SideWallProgram, SrgbRoundTripKeepsTheColour) {
  SideWallDraw wall;
  // Two equal stops: decoded, mixed and encoded again.
  for (float c : {0.0f, 0.01f, 0.04045f, 0.2f, 0.5f, 0.75f, 1.0f}) {
    const std::vector<SideFillStop> stops = {stop(c, c, c, 1.0f), stop(c, c, c, 4.0f)};
    const auto pixel = wall.draw(stops, 2.0f, true);
    EXPECT_NEAR(pixel[0], c, kTolerance) << c;
  }
  // Halfway between black and white is half the light, not half the code.
  const std::vector<SideFillStop> grey = {stop(0, 0, 0, 1.0f), stop(1, 1, 1, 3.0f)};
  EXPECT_NEAR(wall.draw(grey, 2.0f, true)[0], 0.7353569f, 1e-3f);
}

// --- face -------------------------------------------------------------------

struct FaceDraw {
  Target target{4, 4, GL_RGBA32F, true};

  void draw(bool inherit, bool inner, std::array<float, 2> in_tex_offset, GlTexture* in_tex,
            int face_to_draw = 1, float back_amount = 0) {
    GlProgram& program = gl_test::program(face_program);
    const auto mvp = ortho(0, 4, 0, 4);
    program.set_mat4("mvp", mvp.data());
    program.set_int("face_to_draw", face_to_draw);
    program.set_bool("inner_extrusion", inner);
    program.set_int("extrusion_mode", 1);
    const float direction[2] = {1, 0};
    program.set_vec2("extrusion_direction", direction);
    program.set_float("front_extrusion_amount", 0);
    program.set_float("back_extrusion_amount", back_amount);
    program.set_bool("inherit_layer_color", inherit);
    program.set_int("in_tex", 0);
    program.set_vec2("in_tex_offset", in_tex_offset.data());
    const float fill[3] = {0.25f, 0.5f, 0.75f};
    program.set_vec3("front_fill_color", fill);
    glActiveTexture(GL_TEXTURE0);
    if (in_tex) in_tex->bind();

    FaceMesh mesh;
    mesh.mode = mesh_mode_triangles;
    mesh.vertices = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
    mesh.indices = {0, 1, 2, 2, 1, 3};
    GlVertexArray vertex_array;
    GlBuffer vertex_buffer, index_buffer;
    GlVertexLayout layout;
    EXPECT_TRUE(layout.push(2, GL_FLOAT, false));
    vertex_array.add_buffer(vertex_buffer, layout);
    vertex_array.bind_with_index_buffer(index_buffer);

    target.begin({0.5f, 0.5f, 0.5f, 0.5f}, 0.5f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    draw_face_mesh(mesh, vertex_array, vertex_buffer, index_buffer);
    glDepthFunc(GL_LESS);
    glDisable(GL_DEPTH_TEST);
    gl_test::expect_no_gl_error();
  }
};

TEST_F(FaceProgram, FlatColourAndDepthByInnerExtrusion) {
  FaceDraw face;
  face.draw(false, false, {0, 0}, nullptr);
  const auto pixel = face.target.pixel(2, 2);
  EXPECT_FLOAT_EQ(pixel[0], 0.25f);
  EXPECT_FLOAT_EQ(pixel[1], 0.5f);
  EXPECT_FLOAT_EQ(pixel[2], 0.75f);
  EXPECT_FLOAT_EQ(pixel[3], 1.0f);
  EXPECT_FLOAT_EQ(face.target.depth(2, 2), 0.0f);

  face.draw(false, true, {0, 0}, nullptr);
  EXPECT_FLOAT_EQ(face.target.depth(2, 2), 1.0f);
}

TEST_F(FaceProgram, InheritedColourIsTransparentOutsideTheInputTexture) {
  // A 2 x 2 input whose lower left corner sits at (1, 1) of the face.
  auto in_tex = gl_test::rgba_texture(2, 2,
                                      {1, 0, 0, 1, 0, 1, 0, 1,      // bottom row
                                       0, 0, 1, 1, 1, 1, 1, 0.5f},  // top row
                                      GL_LINEAR);
  FaceDraw face;
  face.draw(true, false, {1, 1}, in_tex.get());
  const auto expect_pixel = [&](int x, int y, std::array<float, 4> rgba) {
    const auto pixel = face.target.pixel(x, y);
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(pixel[c], rgba[c], 1e-6f) << x << "," << y;
  };
  expect_pixel(1, 1, {1, 0, 0, 1});
  expect_pixel(2, 1, {0, 1, 0, 1});
  expect_pixel(1, 2, {0, 0, 1, 1});
  expect_pixel(2, 2, {1, 1, 1, 0.5f});
  // Outside the input: transparent black, not the edge texels.
  for (auto [x, y] : {std::pair{0, 0}, {3, 1}, {1, 3}, {3, 3}, {0, 2}}) {
    expect_pixel(x, y, {0, 0, 0, 0});
  }
}

TEST_F(FaceProgram, BackFaceIsDisplacedByTheBackAmount) {
  FaceDraw face;
  // Directional sweep to the right: the back face moves 2 pixels.
  face.draw(false, false, {0, 0}, nullptr, 1, 2.0f);
  EXPECT_FLOAT_EQ(face.target.pixel(0, 0)[3], 1.0f);
  face.draw(false, false, {0, 0}, nullptr, 2, 2.0f);
  EXPECT_FLOAT_EQ(face.target.pixel(0, 0)[3], 0.5f);  // the clear colour
  EXPECT_FLOAT_EQ(face.target.pixel(3, 0)[3], 1.0f);
}

// --- front mask -------------------------------------------------------------

TEST_F(FrontMaskProgram, MapsTheRectangleOntoTheTarget) {
  Target target(4, 4, GL_R32F);
  GlProgram& program = gl_test::program(front_mask_program);
  const float min[2] = {10, 20}, max[2] = {14, 22};
  program.set_vec2("front_mask_min", min);
  program.set_vec2("front_mask_max", max);
  FaceMesh mesh;
  mesh.vertices = {{10, 20}, {12, 20}, {10, 22}};  // the lower left half
  mesh.indices = {0, 1, 2};
  GlVertexArray vertex_array;
  GlBuffer vertex_buffer, index_buffer;
  GlVertexLayout layout;
  EXPECT_TRUE(layout.push(2, GL_FLOAT, false));
  vertex_array.add_buffer(vertex_buffer, layout);
  vertex_array.bind_with_index_buffer(index_buffer);
  target.begin();
  draw_face_mesh(mesh, vertex_array, vertex_buffer, index_buffer);
  gl_test::expect_no_gl_error();
  EXPECT_FLOAT_EQ(target.pixel(0, 0)[0], 1.0f);
  EXPECT_FLOAT_EQ(target.pixel(0, 3)[0], 0.0f);
  EXPECT_FLOAT_EQ(target.pixel(3, 3)[0], 0.0f);
}

// --- outline ----------------------------------------------------------------

struct Edge {
  std::array<float, 3> p1, p2;
  float a_z = 0;
};

// Draws edges into an 8 x 8 coverage target over path space [0, 8]^2,
// tested against a depth texture cleared to `face_depth`.
class OutlineDraw {
 public:
  OutlineDraw() : coverage_(8, 8, GL_R32F), face_(8, 8, GL_RGBA32F, true) {}

  void draw(const std::vector<Edge>& edges, float stroke_width, float face_depth = 1.0f,
            int mode = 1, float back_amount = 0) {
    face_.begin({0, 0, 0, 0}, face_depth);
    if (!depth_rows_.empty()) {
      std::vector<float> depths;
      for (float row : depth_rows_) depths.insert(depths.end(), 8, row);
      face_.depth_texture().image_2d(0, GL_DEPTH_COMPONENT32F, 8, 8, GL_DEPTH_COMPONENT, GL_FLOAT,
                                     depths.data());
    }

    GlProgram& program = gl_test::program(outline_program);
    const auto mvp = ortho(0, 8, 0, 8);
    const auto path_to_screen = gl_test::identity();
    program.set_mat4("mvp", mvp.data());
    program.set_float("stroke_width", stroke_width);
    const float resolution[2] = {8, 8};
    program.set_vec2("resolution", resolution);
    program.set_bool("is_vanishing_mode", vanishing_);
    program.set_vec2("output_vanishing_point", vanishing_point_.data());
    program.set_int("ssaa", 1);
    const int32_t offset[2] = {0, 0};
    program.set_ivec2("face_offset", offset);
    program.set_int("extrusion_mode", mode);
    const float zero[2] = {0, 0};
    program.set_vec2("extrusion_direction", zero);
    program.set_vec2("extrusion_vanishing_point", zero);
    program.set_float("front_extrusion_amount", 0);
    program.set_float("back_extrusion_amount", back_amount);
    program.set_mat4("path_to_screen", path_to_screen.data());
    program.set_int("depth_tex", 0);
    glActiveTexture(GL_TEXTURE0);
    face_.depth_texture().bind();

    OutlineMesh mesh;
    mesh.mode = mesh_mode_triangle_strip;
    for (const Edge& e : edges) {
      const auto base = static_cast<uint32_t>(mesh.vertices.size());
      for (int i = 0; i < 4; ++i) {
        mesh.vertices.push_back({e.p1[0], e.p1[1], e.p1[2], e.p2[0], e.p2[1], e.p2[2], e.a_z});
        mesh.indices.push_back(base + i);
      }
      mesh.indices.push_back(mesh_restart_index);
    }
    GlVertexArray vertex_array;
    GlBuffer vertex_buffer, index_buffer;
    GlVertexLayout layout;
    EXPECT_TRUE(layout.push(3, GL_FLOAT, false));
    EXPECT_TRUE(layout.push(3, GL_FLOAT, false));
    EXPECT_TRUE(layout.push(1, GL_FLOAT, false));
    vertex_array.add_buffer(vertex_buffer, layout);
    vertex_array.bind_with_index_buffer(index_buffer);

    coverage_.begin();
    glEnable(GL_BLEND);
    glBlendEquation(GL_MAX);
    glEnable(GL_PRIMITIVE_RESTART);
    glPrimitiveRestartIndex(mesh_restart_index);
    draw_outline_mesh(mesh, vertex_array, vertex_buffer, index_buffer);
    glDisable(GL_PRIMITIVE_RESTART);
    glDisable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    gl_test::expect_no_gl_error();
  }

  float at(int x, int y) const { return coverage_.pixel(x, y)[0]; }

  // The face depth of each of the 8 rows, bottom first, instead of a clear.
  void set_depth_rows(std::vector<float> rows) { depth_rows_ = std::move(rows); }
  void set_vanishing_point(bool vanishing, std::array<float, 2> point) {
    vanishing_ = vanishing;
    vanishing_point_ = point;
  }

  float total() const {
    float sum = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) sum += at(x, y);
    return sum;
  }

 private:
  Target coverage_;
  Target face_;
  std::vector<float> depth_rows_;
  bool vanishing_ = false;
  std::array<float, 2> vanishing_point_ = {-100, -100};
};

TEST_F(OutlineProgram, CoversABandOfTheStrokeWidth) {
  OutlineDraw outline;
  // A horizontal edge along y = 4 (between pixel rows 3 and 4).
  outline.draw({{{1, 4, 0}, {7, 4, 0}}}, 2.0f);
  EXPECT_NEAR(outline.at(4, 3), 1.0f, 0.01f);
  EXPECT_NEAR(outline.at(4, 4), 1.0f, 0.01f);
  EXPECT_NEAR(outline.at(4, 2), 0.0f, 0.01f);
  EXPECT_NEAR(outline.at(4, 5), 0.0f, 0.01f);

  // One pixel wide: the band covers half of each of the two rows.
  outline.draw({{{1, 4, 0}, {7, 4, 0}}}, 1.0f);
  EXPECT_NEAR(outline.at(4, 3), 0.5f, 0.01f);
  EXPECT_NEAR(outline.at(4, 4), 0.5f, 0.01f);
}

TEST_F(OutlineProgram, EdgesBehindTheFacesAreDiscarded) {
  OutlineDraw outline;
  outline.draw({{{1, 4, 0}, {7, 4, 0}, -0.5f}}, 2.0f, 0.3f);
  EXPECT_FLOAT_EQ(outline.total(), 0.0f);
  outline.draw({{{1, 4, 0}, {7, 4, 0}, -0.2f}}, 2.0f, 0.3f);
  EXPECT_NEAR(outline.at(4, 3), 1.0f, 0.01f);
}

TEST_F(OutlineProgram, ZeroLengthEdgeDrawsNothing) {
  OutlineDraw outline;
  outline.draw({{{4, 4, 0}, {4, 4, -1}}}, 3.0f);
  EXPECT_FLOAT_EQ(outline.total(), 0.0f);
}

TEST_F(OutlineProgram, NearPlaneCutsOrDropsTheEdge) {
  OutlineDraw outline;
  // Camera mode with an identity path_to_screen: depth z maps to clip z =
  // -amount, so the back (amount 2) lies behind the near plane.
  outline.draw({{{1, 4, -1}, {7, 4, -1}}}, 2.0f, 1.0f, 3, 2.0f);
  EXPECT_FLOAT_EQ(outline.total(), 0.0f);

  // From the front (in front of the plane) to the back: cut halfway, at x 4.
  outline.draw({{{1, 4, 0}, {7, 4, -1}}}, 2.0f, 1.0f, 3, 2.0f);
  EXPECT_NEAR(outline.at(2, 3), 1.0f, 0.01f);
  EXPECT_NEAR(outline.at(6, 3), 0.0f, 0.01f);
}

TEST_F(OutlineProgram, NearTheVanishingPointDepthIsTestedOffItsRow) {
  OutlineDraw outline;
  // Row 3 is covered by a face in front of the edge, row 4 is not.
  outline.set_depth_rows({1, 1, 1, 0, 1, 1, 1, 1});
  const std::vector<Edge> edge = {{{1, 4, 0}, {7, 4, 0}, -0.5f}};
  outline.draw(edge, 2.0f);
  EXPECT_FLOAT_EQ(outline.at(2, 3), 0.0f);
  EXPECT_NEAR(outline.at(2, 4), 1.0f, 0.01f);

  // Left of a vanishing point on the edge's row, the pixel takes its depth
  // from the edge, pushed to the row above the vanishing point.
  outline.set_vanishing_point(true, {6, 4});
  outline.draw(edge, 2.0f);
  EXPECT_NEAR(outline.at(2, 3), 1.0f, 0.01f);
  // Right of it the pixel's own depth counts again.
  EXPECT_FLOAT_EQ(outline.at(6, 3), 0.0f);
}

// --- composite --------------------------------------------------------------

// Composites `fill` (ssaa-times the output size, plus margins reached through
// face_offset) and `coverage` into a w x h output.
std::vector<std::array<float, 4>> composite(int w, int h, int ssaa, std::array<int, 2> face_offset,
                                            int fill_w, int fill_h, const std::vector<float>& fill,
                                            const std::vector<float>& coverage, float fill_opacity,
                                            std::array<float, 3> stroke_color,
                                            float stroke_opacity) {
  auto fill_tex = gl_test::rgba_texture(fill_w, fill_h, fill, GL_LINEAR);
  GlTexture outline_tex(GL_TEXTURE_2D, 0, GL_R32F, w, h, GL_RED, GL_FLOAT, coverage.data());
  outline_tex.parameter_i(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  outline_tex.parameter_i(GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  Target target(w, h);

  GlProgram& program = gl_test::program(composite_program);
  program.set_int("ssaa", ssaa);
  program.set_ivec2("face_offset", face_offset.data());
  program.set_int("fill_tex", 0);
  glActiveTexture(GL_TEXTURE0);
  fill_tex->bind();
  program.set_float("fill_opacity", fill_opacity);
  program.set_int("outline_tex", 1);
  glActiveTexture(GL_TEXTURE1);
  outline_tex.bind();
  glActiveTexture(GL_TEXTURE0);
  program.set_vec3("stroke_color", stroke_color.data());
  program.set_float("stroke_opacity", stroke_opacity);

  GlVertexArray empty;
  empty.bind();
  target.begin({0.3f, 0.3f, 0.3f, 0.3f});
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  gl_test::expect_no_gl_error();
  std::vector<std::array<float, 4>> pixels;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels.push_back(target.pixel(x, y));
  return pixels;
}

TEST_F(CompositeProgram, StrokeOverFillWithStraightAlpha) {
  // Opaque red fill at half opacity under a blue stroke of coverage 0.5.
  const auto pixels = composite(1, 1, 1, {0, 0}, 1, 1, {1, 0, 0, 1}, {0.5f}, 0.5f, {0, 0, 1}, 1.0f);
  const auto& p = pixels[0];
  // a = 0.5 + 0.5 * 0.5; colour = (blue * 0.5 + red * 0.25) / 0.75.
  EXPECT_NEAR(p[3], 0.75f, 1e-5f);
  EXPECT_NEAR(p[0], 1.0f / 3, 1e-5f);
  EXPECT_NEAR(p[1], 0.0f, 1e-5f);
  EXPECT_NEAR(p[2], 2.0f / 3, 1e-5f);
}

TEST_F(CompositeProgram, TransparentFillLeavesTheStrokeAlone) {
  const auto stroked =
      composite(1, 1, 1, {0, 0}, 1, 1, {0, 0, 0, 0}, {0.4f}, 1.0f, {0.2f, 0.6f, 1.0f}, 0.5f);
  EXPECT_NEAR(stroked[0][3], 0.2f, 1e-6f);
  EXPECT_NEAR(stroked[0][0], 0.2f, 1e-5f);
  EXPECT_NEAR(stroked[0][1], 0.6f, 1e-5f);
  EXPECT_NEAR(stroked[0][2], 1.0f, 1e-5f);
  // Nothing at all: transparent black, not the clear colour.
  const auto empty = composite(1, 1, 1, {0, 0}, 1, 1, {0, 0, 0, 0}, {0}, 1.0f, {1, 1, 1}, 1.0f);
  for (float c : empty[0]) EXPECT_EQ(c, 0.0f);
}

TEST_F(CompositeProgram, BoxResolveAveragesCoverageAndWeightsColourByAlpha) {
  // ssaa 2 over one output pixel, reached at face offset (1, 0) of a 3 x 2
  // fill: samples opaque white, opaque black, and two transparent ones.
  const std::vector<float> fill = {
      9, 9, 9, 1, 1, 1, 1, 1, 0, 0, 0, 1,  // bottom row; (0, 0) lies outside the pixel
      9, 9, 9, 1, 0, 0, 0, 0, 5, 5, 5, 0,  // top row
  };
  const auto pixels = composite(1, 1, 2, {1, 0}, 3, 2, fill, {0}, 1.0f, {0, 0, 0}, 0.0f);
  EXPECT_NEAR(pixels[0][3], 0.5f, 1e-6f);
  // Mean of white and black in linear light, sRGB-encoded.
  EXPECT_NEAR(pixels[0][0], srgb_encode(0.5f), 1e-4f);
  EXPECT_NEAR(pixels[0][1], srgb_encode(0.5f), 1e-4f);
}

TEST_F(CompositeProgram, EachOutputPixelReadsItsOwnSamples) {
  // Two output pixels, ssaa 1: left opaque green, right transparent.
  const auto pixels =
      composite(2, 1, 1, {0, 0}, 2, 1, {0, 1, 0, 1, 0, 0, 0, 0}, {0, 0}, 1.0f, {0, 0, 0}, 0.0f);
  EXPECT_NEAR(pixels[0][1], 1.0f, 1e-5f);
  EXPECT_NEAR(pixels[0][3], 1.0f, 1e-6f);
  EXPECT_EQ(pixels[1][3], 0.0f);
}

}  // namespace
