// Each program's maths checked on the pixels of small offscreen draws: stops
// sharing an angle, a chain's depth, equal stops through linear light, the
// input outside its texture, the outline's cuts and depth samples, the
// supersampled resolve and the one-sample composite, the drawn clear; the stop
// lookup across 2 pi, flat faces and the stroke over the fill.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "geometry/mesh.h"
#include "renderer/input_texture.h"
#include "renderer/mesh_upload.h"
#include "tests/renderer/gl_test_support.h"

namespace {

using gl_test::MeshBuffers;
using gl_test::ortho;
using gl_test::Target;

constexpr float two_pi = 6.2831855f;
constexpr float shader_tolerance = 2e-4f;

class ShaderPrograms : public gl_test::DrawingTest {};

void expect_rgba(const std::array<float, 4>& pixel, const std::array<float, 4>& rgba,
                 const std::string& what, float tolerance = shader_tolerance) {
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(pixel[c], rgba[c], tolerance) << what << " channel " << c;
}

// The displacement uniforms of the geometry programs: a sweep by `back`
// along `direction` (or camera mode through an identity path_to_screen).
void set_sweep(GlProgram& program, const std::array<float, 16>& mvp, int mode = 1,
               std::array<float, 2> direction = {0, 0}, float back = 0) {
  const auto identity = ortho(-1, 1, -1, 1);
  program.set_mat4("mvp", mvp.data());
  program.set_mat4("path_to_screen", identity.data());
  program.set_int("extrusion_mode", mode);
  program.set_vec2("extrusion_direction", direction.data());
  program.set_float("front_extrusion_amount", 0);
  program.set_float("back_extrusion_amount", back);
}

// --- side walls -------------------------------------------------------------

// Draws one wall facing `angle` with chain depth `a_z` over a 1 x 1 target
// (cleared to (0.1, 0.2, 0.3, 0.4) and depth 1), blending between stops or
// not; its pixel, and its depth.
std::array<float, 4> draw_wall(const std::vector<SideFillStop>& stops, float angle,
                               float a_z = -0.25f, float* depth = nullptr,
                               bool interpolate = true) {
  Target target(1, 1, GL_RGBA32F, true);
  GlProgram& program = gl_test::program(side_walls_program);
  set_sweep(program, ortho(0, 1, 0, 1));
  program.set_bool("interpolate_gradient", interpolate);
  program.set_int("side_fill_color_buffer", 0);
  GlBuffer stop_buffer;
  upload_vector_to_buffer(stop_buffer, GL_TEXTURE_BUFFER, stops, GL_DYNAMIC_DRAW);
  GlTexture stop_texture(GL_TEXTURE_BUFFER);
  glActiveTexture(GL_TEXTURE0);
  stop_texture.bind();
  glTexBuffer(GL_TEXTURE_BUFFER, GL_RGBA32F, stop_buffer.id());
  SideMesh mesh;
  mesh.mode = mesh_mode_triangle_strip;
  for (auto [x, y] : {std::pair{0.f, 0.f}, {1.f, 0.f}, {0.f, 1.f}, {1.f, 1.f}}) {
    mesh.vertices.push_back({x, y, 0, std::cos(angle), std::sin(angle), a_z});
    mesh.indices.push_back(static_cast<uint32_t>(mesh.indices.size()));
  }
  MeshBuffers buffers({3, 2, 1});
  target.begin({0.1f, 0.2f, 0.3f, 0.4f});
  glEnable(GL_DEPTH_TEST);
  draw_side_mesh(mesh, buffers.vertex_array, buffers.vertex_buffer, buffers.index_buffer);
  glDisable(GL_DEPTH_TEST);
  gl_test::expect_no_gl_error();
  if (depth != nullptr) *depth = target.depth(0, 0);
  return target.pixel(0, 0);
}

TEST_F(ShaderPrograms, SideWallStopsAtOneAngleRunOnceAroundAndTheChainDepthIsWritten) {
  // A (red) then B (green), both at angle a: just past a the colour is B's;
  // it reaches A's at a, one turn later, halfway (in linear light) opposite.
  const float a = 2.0f;
  const std::vector<SideFillStop> stops = {{1, 0, 0, a}, {0, 1, 0, a}};
  expect_rgba(draw_wall(stops, a + 0.02f), {0, 1, 0, 1}, "just past", 0.01f);
  expect_rgba(draw_wall(stops, a - 0.02f), {1, 0, 0, 1}, "just before", 0.01f);
  expect_rgba(draw_wall(stops, a + two_pi / 2), {0.7353569f, 0.7353569f, 0, 1}, "opposite");
  float depth = 0;
  draw_wall({{1, 1, 1, 0}}, 1.0f, -0.375f, &depth);
  EXPECT_FLOAT_EQ(depth, 0.375f);
  // An empty gradient has no colour to give: the target keeps its clear.
  expect_rgba(draw_wall({}, 1.0f, -0.375f, &depth), {0.1f, 0.2f, 0.3f, 0.4f}, "no stops", 0);
  EXPECT_FLOAT_EQ(depth, 1.0f);
}

TEST_F(ShaderPrograms, SideWallEqualStopsComeBackThroughLinearLightUnchanged) {
  // Decoded, mixed and encoded again: each side of the sRGB curve's knee at
  // 0.04045 must meet the other there.
  for (float c : {0.0f, 0.01f, 0.04f, 0.04045f, 0.0405f, 0.2f, 0.5f, 1.0f}) {
    expect_rgba(draw_wall({{c, c, c, 1.0f}, {c, c, c, 4.0f}}, 2.0f), {c, c, c, 1},
                "equal stops " + std::to_string(c));
  }
}

// Walls facing `angles`, one a pixel of an n x 1 float target, drawn by `index`; with the
// decoded program the stops are first decoded as the renderer does it. The pixels.
std::vector<std::array<float, 4>> draw_walls(const std::vector<SideFillStop>& stops,
                                             const std::vector<float>& angles, bool interpolate,
                                             ShaderProgramIndex index) {
  const int n = static_cast<int>(angles.size());
  GlBuffer stop_buffer;
  upload_vector_to_buffer(stop_buffer, GL_TEXTURE_BUFFER, stops, GL_DYNAMIC_DRAW);
  GlTexture stop_texture(GL_TEXTURE_BUFFER);
  glActiveTexture(GL_TEXTURE0);
  stop_texture.bind();
  glTexBuffer(GL_TEXTURE_BUFFER, GL_RGBA32F, stop_buffer.id());
  GlVertexArray empty;
  const int stop_count = static_cast<int>(stops.size());
  Target decoded(stop_count, 1);
  if (index == side_walls_decoded_program) {
    decoded.begin();
    GlProgram& decode = gl_test::program(side_fill_decode_program);
    decode.set_int("side_fill_color_buffer", 0);
    empty.bind();
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  }

  Target target(n, 1, GL_RGBA32F, true);
  GlProgram& program = gl_test::program(index);
  set_sweep(program, ortho(0, static_cast<float>(n), 0, 1));
  program.set_bool("interpolate_gradient", interpolate);
  program.set_int("side_fill_color_buffer", 0);
  program.set_int("decoded_side_fill", 1);
  glActiveTexture(GL_TEXTURE1);
  decoded.color_texture().bind();
  glActiveTexture(GL_TEXTURE0);
  SideMesh mesh;
  mesh.mode = mesh_mode_triangle_strip;
  for (int i = 0; i < n; ++i) {
    if (i > 0) mesh.indices.push_back(mesh_restart_index);
    const float c = std::cos(angles[i]), s = std::sin(angles[i]);
    for (auto [x, y] : {std::pair{0.f, 0.f}, {1.f, 0.f}, {0.f, 1.f}, {1.f, 1.f}}) {
      mesh.indices.push_back(static_cast<uint32_t>(mesh.vertices.size()));
      mesh.vertices.push_back({static_cast<float>(i) + x, y, 0, c, s, -0.5f});
    }
  }
  MeshBuffers buffers({3, 2, 1});
  target.begin({0.1f, 0.2f, 0.3f, 0.4f});
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_PRIMITIVE_RESTART);
  glPrimitiveRestartIndex(mesh_restart_index);
  draw_side_mesh(mesh, buffers.vertex_array, buffers.vertex_buffer, buffers.index_buffer);
  glDisable(GL_PRIMITIVE_RESTART);
  glDisable(GL_DEPTH_TEST);
  gl_test::expect_no_gl_error();
  std::vector<std::array<float, 4>> pixels;
  for (int x = 0; x < n; ++x) pixels.push_back(target.pixel(x, 0));
  return pixels;
}

TEST_F(ShaderPrograms, SideWallsFromStopsDecodedOnceGiveTheSameBits) {
  // Stop sets: a five-stop wheel, two stops at one angle, one stop, colours about the sRGB knee
  // and beyond 0..1; angles all around the circle, the stops' own among them.
  const std::vector<std::vector<SideFillStop>> stop_sets = {
      {{0.72f, 0.13f, 0.38f, 0.4f},
       {0.94f, 0.36f, 0.32f, 1.2f},
       {0.99f, 0.6f, 0.2f, 2.0f},
       {0.25f, 0.72f, 0.78f, 3.6f},
       {0.42f, 0.3f, 0.78f, 5.1f}},
      {{1, 0, 0, 2.0f}, {0, 1, 0, 2.0f}},
      {{0.3f, 0.6f, 0.9f, 1.5707964f}},
      {{0.04045f, 0.0404f, 0.0405f, 1.0f}, {0.0031308f, 1.5f, -0.2f, 4.0f}},
  };
  for (const auto& stops : stop_sets) {
    std::vector<float> angles;
    for (int i = 0; i < 61; ++i) angles.push_back(-0.3f + static_cast<float>(i) * 0.11f);
    for (const SideFillStop& stop : stops) angles.push_back(stop.angle);
    for (const bool interpolate : {true, false}) {
      const auto plain = draw_walls(stops, angles, interpolate, side_walls_program);
      const auto decoded = draw_walls(stops, angles, interpolate, side_walls_decoded_program);
      EXPECT_EQ(plain[0][3], 1.0f) << "a wall drawn";
      EXPECT_EQ(std::memcmp(plain.data(), decoded.data(), plain.size() * sizeof(plain[0])), 0)
          << stops.size() << " stops, interpolated " << interpolate;
    }
  }
}

// --- face -------------------------------------------------------------------

TEST_F(ShaderPrograms, FaceInheritedColourIsTransparentOutsideTheInputTexture) {
  // The 4 x 4 square of path space over a 4 x 4 target; a 2 x 2 input whose
  // lower left corner sits at (1, 1) of the face.
  auto in_tex = gl_test::rgba_texture(2, 2,
                                      {1, 0, 0, 1, 0, 1, 0, 1,      // bottom row
                                       0, 0, 1, 1, 1, 1, 1, 0.5f},  // top row
                                      GL_LINEAR);
  Target target(4, 4);
  GlProgram& program = gl_test::program(face_program);
  set_sweep(program, ortho(0, 4, 0, 4));
  program.set_int("face_to_draw", 1);
  program.set_bool("inner_extrusion", false);
  program.set_bool("inherit_layer_color", true);
  program.set_int("in_tex", 0);
  const float offset[2] = {1, 1};
  program.set_vec2("in_tex_offset", offset);
  glActiveTexture(GL_TEXTURE0);
  in_tex->bind();
  FaceMesh mesh;
  mesh.mode = mesh_mode_triangles;
  mesh.vertices = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
  mesh.indices = {0, 1, 2, 2, 1, 3};
  MeshBuffers buffers({2});
  target.begin({0.5f, 0.5f, 0.5f, 0.5f});
  draw_face_mesh(mesh, buffers.vertex_array, buffers.vertex_buffer, buffers.index_buffer);
  gl_test::expect_no_gl_error();
  expect_rgba(target.pixel(1, 1), {1, 0, 0, 1}, "inside", 1e-6f);
  expect_rgba(target.pixel(2, 2), {1, 1, 1, 0.5f}, "inside", 1e-6f);
  // Outside the input: transparent black, not the edge texels.
  for (auto [x, y] : {std::pair{0, 0}, {3, 1}, {1, 3}, {3, 3}}) {
    expect_rgba(target.pixel(x, y), {0, 0, 0, 0}, "outside", 0);
  }
}

// The front face over the whole of a 4 x 4 layer, showing the layer's pixels from `in_tex`, drawn
// into `target` cleared to grey.
void draw_face_over_layer(const InputTexture& in_tex, Target& target) {
  GlProgram& program = gl_test::program(face_program);
  set_sweep(program, ortho(0, 4, 0, 4));
  program.set_int("face_to_draw", 1);
  program.set_bool("inner_extrusion", false);
  program.set_bool("inherit_layer_color", true);
  program.set_int("in_tex", 0);
  const float offset[2] = {0, 0};
  program.set_vec2("in_tex_offset", offset);
  glActiveTexture(GL_TEXTURE0);
  in_tex.texture().bind();
  FaceMesh mesh;
  mesh.mode = mesh_mode_triangles;
  mesh.vertices = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
  mesh.indices = {0, 1, 2, 2, 1, 3};
  MeshBuffers buffers({2});
  target.begin({0.5f, 0.5f, 0.5f, 0.5f});
  draw_face_mesh(mesh, buffers.vertex_array, buffers.vertex_buffer, buffers.index_buffer);
  gl_test::expect_no_gl_error();
}

// Supersampled, the face enlarges the layer: each sample blends the four texels around it
// linearly, from the input texture as the renderer keeps it (mipmapped and, as llvmpipe allows,
// anisotropic), whose filtering reaches further and shifts as the face moves by whole pixels.
TEST_F(ShaderPrograms, FaceEnlargingTheLayerBlendsTheFourTexelsAroundEachSample) {
  // A 4 x 4 layer, its texel (1, 2) lit, under a face over an 8 x 8 target: two samples a texel.
  std::vector<float> texels(4 * 4 * 4, 0.0f);
  std::fill_n(texels.begin() + (2 * 4 + 1) * 4, 4, 1.0f);
  float max_anisotropy = 0.0f;
  glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max_anisotropy);
  InputTexture in_tex(4, 4, max_anisotropy);
  in_tex.replace(texels.data());
  Target target(8, 8);
  draw_face_over_layer(in_tex, target);
  const auto weight = [](int pixel, int lit) {
    return std::max(0.0f, 1.0f - std::abs((static_cast<float>(pixel) + 0.5f) / 2 - 0.5f -
                                          static_cast<float>(lit)));
  };
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const float w = weight(x, 1) * weight(y, 2);
      expect_rgba(target.pixel(x, y), {w, w, w, w},
                  "sample " + std::to_string(x) + ", " + std::to_string(y), 1e-5f);
    }
  }
}

// Shrunk, the face filters the layer between its mip levels; next to the layer's top edge that
// takes in the rows below it, never the bottom row from beyond the edge.
TEST_F(ShaderPrograms, FaceShrinkingTheLayerStaysWithinItsEdges) {
  // A 4 x 4 layer whose bottom row alone is lit, under a face over a 3 x 3 target.
  std::vector<float> texels(4 * 4 * 4, 0.0f);
  std::fill_n(texels.begin(), 4 * 4, 1.0f);
  InputTexture in_tex(4, 4, 0.0f);
  in_tex.replace(texels.data());
  Target target(3, 3);
  draw_face_over_layer(in_tex, target);
  for (int x = 0; x < 3; ++x) {
    EXPECT_GT(target.pixel(x, 0)[3], 0.5f) << x;
    expect_rgba(target.pixel(x, 2), {0, 0, 0, 0}, "top row " + std::to_string(x), 1e-6f);
  }
}

// --- outline ----------------------------------------------------------------

struct Edge {
  std::array<float, 3> p1, p2;
  float a_z = 0;
};

// Draws edges into an 8 x 8 coverage target over path space [0, 8]^2 in
// directional mode (or camera mode with an identity path_to_screen), tested
// against a 16 x 16 face depth of 1 or of the given rows, bottom first,
// reached through ssaa and face_offset.
class OutlineDraw {
 public:
  void draw(const std::vector<Edge>& edges, float stroke_width, int mode = 1,
            float back_amount = 0) {
    face_.begin();
    if (!depth_rows.empty()) {
      std::vector<float> depths(16 * 16, 1.0f);
      for (size_t row = 0; row < depth_rows.size(); ++row) {
        std::fill_n(depths.begin() + static_cast<std::ptrdiff_t>(16 * row), 16, depth_rows[row]);
      }
      face_.depth_texture().image_2d(0, GL_DEPTH_COMPONENT32F, 16, 16, GL_DEPTH_COMPONENT, GL_FLOAT,
                                     depths.data());
    }

    GlProgram& program = gl_test::program(outline_program);
    set_sweep(program, ortho(0, 8, 0, 8), mode, {0, 0}, back_amount);
    program.set_float("stroke_width", stroke_width);
    const float resolution[2] = {8, 8};
    program.set_vec2("resolution", resolution);
    program.set_bool("is_vanishing_mode", vanishing_point.has_value());
    const std::array<float, 2> point = vanishing_point.value_or(std::array<float, 2>{-100, -100});
    program.set_vec2("output_vanishing_point", point.data());
    program.set_int("ssaa", ssaa);
    program.set_ivec2("face_offset", face_offset.data());
    program.set_int("depth_tex", 0);
    glActiveTexture(GL_TEXTURE0);
    face_.depth_texture().bind();

    // Each edge four vertices and the two triangles of their strip, as the mesh builder
    // writes them.
    OutlineMesh mesh;
    mesh.mode = mesh_mode_triangles;
    for (const Edge& e : edges) {
      const auto base = static_cast<uint32_t>(mesh.vertices.size());
      for (uint32_t i = 0; i < 4; ++i) {
        mesh.vertices.push_back({e.p1[0], e.p1[1], e.p1[2], e.p2[0], e.p2[1], e.p2[2], e.a_z});
      }
      for (const uint32_t i : {0u, 1u, 2u, 2u, 1u, 3u}) mesh.indices.push_back(base + i);
    }
    MeshBuffers buffers({3, 3, 1});
    coverage_.begin();
    glEnable(GL_BLEND);
    glBlendEquation(GL_MAX);
    draw_outline_mesh(mesh, buffers.vertex_array, buffers.vertex_buffer, buffers.index_buffer);
    glDisable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    gl_test::expect_no_gl_error();
  }

  float at(int x, int y) const { return coverage_.pixel(x, y)[0]; }

  float total() const {
    float sum = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) sum += at(x, y);
    return sum;
  }

  std::vector<float> depth_rows;
  std::optional<std::array<float, 2>> vanishing_point;
  int ssaa = 1;
  std::array<int32_t, 2> face_offset = {0, 0};

 private:
  Target coverage_{8, 8, GL_R32F};
  Target face_{16, 16, GL_RGBA32F, true};
};

// A horizontal edge along y = 4, between pixel rows 3 and 4.
constexpr Edge middle_edge = {{1, 4, 0}, {7, 4, 0}, 0};

TEST_F(ShaderPrograms, OutlineOfNoLengthOrBehindTheEyeDrawsNothingAndTheNearPlaneCutsIt) {
  OutlineDraw outline;
  outline.draw({{{4, 4, 0}, {4, 4, -1}}}, 3.0f);
  EXPECT_FLOAT_EQ(outline.total(), 0.0f);
  // Camera mode with an identity path_to_screen: depth z maps to clip z =
  // -amount, so the back (amount 2) lies behind the near plane.
  outline.draw({{{1, 4, -1}, {7, 4, -1}}}, 2.0f, 3, 2.0f);
  EXPECT_FLOAT_EQ(outline.total(), 0.0f);
  // From the front to the back: cut halfway, at x 4.
  outline.draw({{{1, 4, 0}, {7, 4, -1}}}, 2.0f, 3, 2.0f);
  EXPECT_NEAR(outline.at(2, 3), 1.0f, 0.01f);
  EXPECT_NEAR(outline.at(6, 3), 0.0f, 0.01f);
}

// GL shades pixels in 2 x 2 blocks from the target's corner. An edge between the two rows (or
// columns) of a block is as far from both, so differences across the block see no slope; the
// band of a 2-pixel stroke still covers both whole, as it does one pixel further on.
TEST_F(ShaderPrograms, OutlineCoverageDoesNotDependOnTheEdgesPlaceInABlock) {
  const struct {
    const char* name;
    Edge edge;
    std::array<int, 2> first, second;  // the two pixels on either side of the edge
  } cases[] = {{"across a block", {{1, 4, 0}, {7, 4, 0}}, {{3, 3}}, {{3, 4}}},
               {"within a block, across", {{1, 3, 0}, {7, 3, 0}}, {{3, 2}}, {{3, 3}}},
               {"within a block, upright", {{5, 1, 0}, {5, 7, 0}}, {{4, 3}}, {{5, 3}}}};
  for (const auto& c : cases) {
    OutlineDraw outline;
    outline.draw({c.edge}, 2.0f);
    EXPECT_NEAR(outline.at(c.first[0], c.first[1]), 1.0f, 1e-4f) << c.name;
    EXPECT_NEAR(outline.at(c.second[0], c.second[1]), 1.0f, 1e-4f) << c.name;
  }
}

TEST_F(ShaderPrograms, OutlineDepthTestAndItsSampleNearTheVanishingPoint) {
  OutlineDraw outline;
  // Row 3 is covered by a face in front of the edge, row 4 is not.
  outline.depth_rows = {1, 1, 1, 0.3f, 1, 1, 1, 1};
  Edge edge = middle_edge;
  edge.a_z = -0.5f;
  outline.draw({edge}, 2.0f);
  EXPECT_FLOAT_EQ(outline.at(2, 3), 0.0f);
  EXPECT_NEAR(outline.at(2, 4), 1.0f, 0.01f);
  edge.a_z = -0.2f;
  outline.draw({edge}, 2.0f);
  EXPECT_NEAR(outline.at(2, 3), 1.0f, 0.01f);

  // Left of a vanishing point on the edge's row, the pixel takes its depth
  // from the edge, pushed to the row above the vanishing point.
  edge.a_z = -0.5f;
  outline.vanishing_point = {{6, 4}};
  outline.draw({edge}, 2.0f);
  EXPECT_NEAR(outline.at(2, 3), 1.0f, 0.01f);
  // Right of it the pixel's own depth counts again.
  EXPECT_FLOAT_EQ(outline.at(6, 3), 0.0f);

  // Supersampled depth, the output starting 2 pixels into it: output row 3 is depth row
  // (2 + 3.5) * 2 = 11.
  outline.vanishing_point.reset();
  outline.ssaa = 2;
  outline.face_offset = {0, 2};
  outline.depth_rows.assign(12, 1.0f);
  outline.depth_rows[11] = 0.3f;
  outline.draw({edge}, 2.0f);
  EXPECT_FLOAT_EQ(outline.at(2, 3), 0.0f);
  EXPECT_NEAR(outline.at(2, 4), 1.0f, 0.01f);
}

// --- composite --------------------------------------------------------------

// Composites `fill` (fill_w x fill_h, reached through face_offset) and the
// outline `coverage` into a w x 1 output.
std::vector<std::array<float, 4>> composite(int w, int ssaa, std::array<int, 2> face_offset,
                                            int fill_w, int fill_h, const std::vector<float>& fill,
                                            const std::vector<float>& coverage, float fill_opacity,
                                            std::array<float, 3> stroke_color, float stroke_opacity,
                                            ShaderProgramIndex index = composite_program) {
  auto fill_tex = gl_test::rgba_texture(fill_w, fill_h, fill, GL_LINEAR);
  GlTexture outline_tex(GL_TEXTURE_2D, 0, GL_R32F, w, 1, GL_RED, GL_FLOAT, coverage.data());
  outline_tex.parameter_i(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  Target target(w, 1);

  GlProgram& program = gl_test::program(index);
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
  for (int x = 0; x < w; ++x) pixels.push_back(target.pixel(x, 0));
  return pixels;
}

TEST_F(ShaderPrograms, CompositeBoxResolvePerOutputPixel) {
  // ssaa 2, two output pixels whose region starts one output pixel (two
  // samples) into a 6 x 2 fill. Pixel 0: opaque white, opaque black and two
  // transparent samples; pixel 1: four transparent ones. Columns 0 and 1 lie
  // outside both.
  const std::vector<float> fill = {
      9, 9, 9, 1, 9, 9, 9, 1, 1, 1, 1, 1, 0, 0, 0, 1, 7, 7, 7, 0, 7, 7, 7, 0,  // bottom row
      9, 9, 9, 1, 9, 9, 9, 1, 0, 0, 0, 0, 5, 5, 5, 0, 7, 7, 7, 0, 7, 7, 7, 0,  // top row
  };
  const auto pixels = composite(2, 2, {1, 0}, 6, 2, fill, {0, 0}, 1.0f, {0, 0, 0}, 0.0f);
  // Mean of white and black in linear light, sRGB-encoded; mean coverage.
  const float grey = 0.7353569f;
  expect_rgba(pixels[0], {grey, grey, grey, 0.5f}, "resolved", 1e-4f);
  EXPECT_EQ(pixels[1][3], 0.0f);
}

TEST_F(ShaderPrograms, SingleSampleCompositeGivesTheGeneralOnesPixelsAtSsaa1) {
  // Per pixel a fill texel and a coverage: opaque, partly and fully
  // transparent (with colour left in it), beyond 0..1, a negative channel.
  const std::vector<float> fill = {0.95f, 0.8f, 0.3f, 1, 0.2f,  0.7f, 0.1f, 0.35f,
                                   0.6f,  0.6f, 0.6f, 0, 1.5f,  0.5f, 2.0f, 1,
                                   0,     0,    0,    0, -0.2f, 0.3f, 0.4f, 1};
  const std::vector<float> coverage = {0, 0.5f, 0.25f, 1, 0, 0.03f};
  const struct {
    float fill_opacity;
    float stroke_opacity;
  } cases[] = {{1, 1}, {0.6f, 0.8f}, {0, 0.5f}, {1, 0}};
  for (const auto& c : cases) {
    const auto general = composite(6, 1, {0, 0}, 6, 1, fill, coverage, c.fill_opacity,
                                   {0.1f, 0.2f, 0.9f}, c.stroke_opacity);
    const auto single =
        composite(6, 1, {0, 0}, 6, 1, fill, coverage, c.fill_opacity, {0.1f, 0.2f, 0.9f},
                  c.stroke_opacity, composite_single_sample_program);
    // Bit for bit, so that choosing the program by ssaa changes no output.
    EXPECT_EQ(std::memcmp(general.data(), single.data(), general.size() * sizeof(general[0])), 0)
        << "fill opacity " << c.fill_opacity << ", stroke opacity " << c.stroke_opacity;
  }
}

// --- the stop lookup, flat faces and the stroke over the fill ----------------

// The sRGB transfer functions as the programs apply them.
float srgb_decode(float c) {
  return c < 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}
float srgb_encode(float c) {
  return c < 0.0031308f ? 12.92f * c : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f;
}

// Opaque sRGB colour blended in linear light: a + (b - a) * t per channel.
std::array<float, 4> blend(std::array<float, 3> a, std::array<float, 3> b, float t) {
  std::array<float, 4> out{0, 0, 0, 1};
  for (int c = 0; c < 3; ++c) {
    out[c] = srgb_encode(srgb_decode(a[c]) + (srgb_decode(b[c]) - srgb_decode(a[c])) * t);
  }
  return out;
}

float smoothstep(float t) {
  return t * t * (3 - 2 * t);
}

TEST_F(ShaderPrograms, SideWallStopLookupWrapsAcross2Pi) {
  const std::array<float, 3> red = {1, 0, 0}, blue = {0, 0, 1};
  // Red at 1 rad, blue at 5 rad: 2pi + 1 - 5 rad from blue to red across
  // the wrap, 4 rad from red to blue inside.
  const std::vector<SideFillStop> stops = {{1, 0, 0, 1.0f}, {0, 0, 1, 5.0f}};
  const float across = two_pi + 1.0f - 5.0f;
  const struct {
    float angle;
    float t;  // position between the two stops the angle lies between
    bool from_blue;
  } cases[] = {
      {2.6f, 0.4f, false}, {5.5f, 0.5f / across, true}, {0.5f, (across - 0.5f) / across, true}};
  for (const auto& c : cases) {
    const auto& from = c.from_blue ? blue : red;
    const auto& to = c.from_blue ? red : blue;
    const std::string what = "angle " + std::to_string(c.angle);
    expect_rgba(draw_wall(stops, c.angle, -0.25f, nullptr, true), blend(from, to, smoothstep(c.t)),
                what);
    expect_rgba(draw_wall(stops, c.angle, -0.25f, nullptr, false), blend(from, to, std::round(c.t)),
                what);
  }
  // One stop colours every angle.
  for (float angle : {0.1f, 2.5f, 6.2f}) {
    expect_rgba(draw_wall({{0.8f, 0.3f, 0.1f, 1.0f}}, angle), {0.8f, 0.3f, 0.1f, 1}, "one stop");
  }
}

// The 4 x 4 square of path space over a 4 x 4 target (cleared to 0.5 in
// colour and depth), swept 2 to the right at the back.
struct FaceDraw {
  Target target{4, 4, GL_RGBA32F, true};

  void draw(bool inner, int face_to_draw) {
    GlProgram& program = gl_test::program(face_program);
    set_sweep(program, ortho(0, 4, 0, 4), 1, {1, 0}, 2);
    program.set_int("face_to_draw", face_to_draw);
    program.set_bool("inner_extrusion", inner);
    program.set_bool("inherit_layer_color", false);
    program.set_int("in_tex", 0);
    const float no_offset[2] = {0, 0};
    program.set_vec2("in_tex_offset", no_offset);
    const float fill[3] = {0.25f, 0.5f, 0.75f};
    program.set_vec3("front_fill_color", fill);
    FaceMesh mesh;
    mesh.mode = mesh_mode_triangles;
    mesh.vertices = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
    mesh.indices = {0, 1, 2, 2, 1, 3};
    MeshBuffers buffers({2});
    target.begin({0.5f, 0.5f, 0.5f, 0.5f}, 0.5f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    draw_face_mesh(mesh, buffers.vertex_array, buffers.vertex_buffer, buffers.index_buffer);
    glDepthFunc(GL_LESS);
    glDisable(GL_DEPTH_TEST);
    gl_test::expect_no_gl_error();
  }
};

TEST_F(ShaderPrograms, FaceFlatColourDepthAndBackDisplacement) {
  FaceDraw face;
  face.draw(false, 1);
  expect_rgba(face.target.pixel(0, 0), {0.25f, 0.5f, 0.75f, 1}, "front", 0);
  EXPECT_FLOAT_EQ(face.target.depth(2, 2), 0.0f);

  face.draw(true, 2);
  EXPECT_FLOAT_EQ(face.target.depth(2, 2), 1.0f);
  // The back face lies 2 pixels to the right.
  EXPECT_FLOAT_EQ(face.target.pixel(1, 0)[3], 0.5f);
  EXPECT_FLOAT_EQ(face.target.pixel(3, 0)[3], 1.0f);
}

TEST_F(ShaderPrograms, CompositeStrokeOverFillWithStraightAlpha) {
  // Opaque red fill at half opacity under a blue stroke of coverage 0.5:
  // a = 0.5 + 0.5 * 0.5; colour = (blue * 0.5 + red * 0.25) / 0.75.
  expect_rgba(composite(1, 1, {0, 0}, 1, 1, {1, 0, 0, 1}, {0.5f}, 0.5f, {0, 0, 1}, 1.0f)[0],
              {1.0f / 3, 0, 2.0f / 3, 0.75f}, "stroke over fill", 1e-5f);
  // A transparent fill leaves the stroke alone; nothing at all is
  // transparent black, not the clear colour.
  expect_rgba(composite(1, 1, {0, 0}, 1, 1, {0, 0, 0, 0}, {0.4f}, 1.0f, {0.2f, 0.6f, 1}, 0.5f)[0],
              {0.2f, 0.6f, 1, 0.2f}, "stroke alone", 1e-5f);
  expect_rgba(composite(1, 1, {0, 0}, 1, 1, {0, 0, 0, 0}, {0}, 1.0f, {1, 1, 1}, 1.0f)[0],
              {0, 0, 0, 0}, "nothing", 0);
}

}  // namespace

// --- clear ------------------------------------------------------------------

TEST_F(ShaderPrograms, ClearProgramWritesExactZerosWithinTheScissorAndLeavesDepth) {
  Target target(4, 2, GL_RGBA32F, /*with_depth=*/true);
  target.begin({0.5f, -2.0f, 7.0f, 1.0f}, 0.25f);
  gl_test::program(clear_program).use();
  GlVertexArray empty;
  empty.bind();
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, 3, 2);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glDisable(GL_SCISSOR_TEST);
  gl_test::expect_no_gl_error();
  const std::array<float, 4> zeros{};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      const std::array<float, 4> pixel = target.pixel(x, y);
      if (x < 3) {
        // Bit for bit: as glClear would leave it, not merely near it.
        EXPECT_EQ(std::memcmp(pixel.data(), zeros.data(), sizeof(pixel)), 0) << x << ", " << y;
      } else {
        expect_rgba(pixel, {0.5f, -2.0f, 7.0f, 1.0f}, "outside the scissor", 0.0f);
      }
      EXPECT_EQ(target.depth(x, y), 0.25f) << x << ", " << y;
    }
  }
}
