// The GL object wrappers: names owned and deleted, layouts, uniforms, and
// compile and link reports.

#include <gtest/gtest.h>

#include <string>

#include "gl/mesh_gl.h"
#include "gl_test_support.h"

namespace {

class GlObjects : public gl_test::DrawingTest {};

TEST_F(GlObjects, WrappersDeleteTheirNames) {
  GLuint buffer = 0, texture = 0, framebuffer = 0, vertex_array = 0, program = 0;
  {
    GlBuffer b;
    b.bind(GL_ARRAY_BUFFER);
    GlTexture t(GL_TEXTURE_2D);
    t.bind();
    GlFramebuffer f;
    f.bind();
    GlVertexArray v;
    v.bind();
    GlShader vs(GL_VERTEX_SHADER), fs(GL_FRAGMENT_SHADER);
    vs.compile("#version 330\nvoid main() { gl_Position = vec4(0.0); }\n");
    fs.compile("#version 330\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n");
    GlProgram p(vs, fs);
    buffer = b.id();
    texture = t.id();
    framebuffer = f.id();
    vertex_array = v.id();
    program = p.id();
    EXPECT_TRUE(glIsBuffer(buffer));
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_TRUE(glIsFramebuffer(framebuffer));
    EXPECT_TRUE(glIsVertexArray(vertex_array));
    EXPECT_TRUE(glIsProgram(program));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindVertexArray(0);
  }
  EXPECT_FALSE(glIsBuffer(buffer));
  EXPECT_FALSE(glIsTexture(texture));
  EXPECT_FALSE(glIsFramebuffer(framebuffer));
  EXPECT_FALSE(glIsVertexArray(vertex_array));
  EXPECT_FALSE(glIsProgram(program));
  gl_test::expect_no_gl_error();
}

PFNGLDELETEFRAMEBUFFERSPROC real_delete_framebuffers = nullptr;
int framebuffer_deletions = 0;
void GLAPIENTRY counting_delete_framebuffers(GLsizei n, const GLuint* ids) {
  ++framebuffer_deletions;
  real_delete_framebuffers(n, ids);
}

TEST_F(GlObjects, FramebufferZeroDeletesNothing) {
  real_delete_framebuffers = glDeleteFramebuffers;
  glDeleteFramebuffers = counting_delete_framebuffers;
  framebuffer_deletions = 0;
  { GlFramebuffer window_system(0u); }
  EXPECT_EQ(framebuffer_deletions, 0);
  { GlFramebuffer made; }
  EXPECT_EQ(framebuffer_deletions, 1);
  glDeleteFramebuffers = real_delete_framebuffers;
}

TEST_F(GlObjects, LayoutRefusesOtherTypesAndSizes) {
  GlVertexLayout layout;
  EXPECT_TRUE(layout.push(3, GL_FLOAT, false));
  EXPECT_TRUE(layout.push(2, GL_INT, true));
  EXPECT_FALSE(layout.push(1, GL_UNSIGNED_BYTE, false));
  EXPECT_FALSE(layout.push(0, GL_FLOAT, false));
  EXPECT_FALSE(layout.push(5, GL_FLOAT, false));
  ASSERT_EQ(layout.elements().size(), 2u);
  EXPECT_EQ(layout.elements()[1].normalized, GL_TRUE);
  EXPECT_EQ(layout.stride(), 20);
}

void expect_attribute(GLuint index, GLint size, GLint stride, uintptr_t offset, GLuint buffer) {
  GLint enabled = 0, got_size = 0, got_stride = -1, got_buffer = 0, type = 0;
  void* pointer = nullptr;
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_SIZE, &got_size);
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &got_stride);
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &got_buffer);
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
  glGetVertexAttribPointerv(index, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
  EXPECT_EQ(enabled, GL_TRUE) << index;
  EXPECT_EQ(got_size, size) << index;
  EXPECT_EQ(got_stride, stride) << index;
  EXPECT_EQ(reinterpret_cast<uintptr_t>(pointer), offset) << index;
  EXPECT_EQ(static_cast<GLuint>(got_buffer), buffer) << index;
  EXPECT_EQ(type, GL_FLOAT) << index;
}

TEST_F(GlObjects, SideWallLayoutGivesStride24AndOffsets) {
  GlVertexArray vertex_array;
  GlBuffer buffer;
  GlVertexLayout layout;
  ASSERT_TRUE(layout.push(3, GL_FLOAT, false));
  ASSERT_TRUE(layout.push(2, GL_FLOAT, false));
  ASSERT_TRUE(layout.push(1, GL_FLOAT, false));
  vertex_array.add_buffer(buffer, layout);
  expect_attribute(0, 3, 24, 0, buffer.id());
  expect_attribute(1, 2, 24, 12, buffer.id());
  expect_attribute(2, 1, 24, 20, buffer.id());
}

TEST_F(GlObjects, AttributesNumberOnAcrossBuffers) {
  GlVertexArray vertex_array;
  GlBuffer first, second;
  GlVertexLayout three, two;
  ASSERT_TRUE(three.push(3, GL_FLOAT, false));
  ASSERT_TRUE(two.push(2, GL_FLOAT, false));
  vertex_array.add_buffer(first, three);
  vertex_array.add_buffer(second, two);
  expect_attribute(0, 3, 12, 0, first.id());
  expect_attribute(1, 2, 8, 0, second.id());
  GLint third_enabled = 1;
  glGetVertexAttribiv(2, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &third_enabled);
  EXPECT_EQ(third_enabled, GL_FALSE);
}

TEST_F(GlObjects, IndexBufferIsRecordedInTheVertexArray) {
  GlVertexArray vertex_array, other;
  GlBuffer indices;
  vertex_array.bind_with_index_buffer(indices);
  other.bind();
  vertex_array.bind();
  GLint bound = 0;
  glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), indices.id());
}

TEST_F(GlObjects, TextureStorageAndFramebufferAttachment) {
  GlTexture texture(GL_TEXTURE_2D);
  texture.image_2d(0, GL_RGBA32F, 3, 2, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  texture.parameter_i(GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  texture.parameter_f(GL_TEXTURE_MAX_ANISOTROPY_EXT, 2.0f);
  GLint width = 0, filter = 0;
  GLfloat anisotropy = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
  EXPECT_EQ(width, 3);
  EXPECT_EQ(filter, GL_NEAREST);
  EXPECT_EQ(anisotropy, 2.0f);

  GlFramebuffer framebuffer;
  EXPECT_NE(framebuffer.status(), static_cast<uint32_t>(GL_FRAMEBUFFER_COMPLETE));
  framebuffer.attach_texture(GL_COLOR_ATTACHMENT0, texture, 0);
  EXPECT_EQ(framebuffer.status(), static_cast<uint32_t>(GL_FRAMEBUFFER_COMPLETE));
  GLint bound = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), framebuffer.id());
  gl_test::expect_no_gl_error();
}

// A program with one uniform of each setter's type, all used.
std::unique_ptr<GlProgram> uniform_program() {
  GlShader vertex(GL_VERTEX_SHADER), fragment(GL_FRAGMENT_SHADER);
  vertex.compile(R"(#version 330
uniform mat4 m;
uniform vec2 v2;
void main() { gl_Position = m * vec4(v2, 0.0, 1.0); })");
  fragment.compile(R"(#version 330
uniform ivec2 i2;
uniform vec3 v3;
uniform int i;
uniform float f;
uniform bool b;
out vec4 c;
void main() { c = vec4(v3, f) * float(i + i2.x + i2.y) * (b ? 1.0 : 0.5); })");
  return std::make_unique<GlProgram>(vertex, fragment);
}

TEST_F(GlObjects, UniformSettersUseTheProgramAndSetByName) {
  auto program = uniform_program();
  glUseProgram(0);
  float m[16] = {};
  for (int k = 0; k < 16; ++k) m[k] = static_cast<float>(k);
  program->set_mat4("m", m);
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(static_cast<GLuint>(current), program->id());

  const int32_t i2[2] = {3, -4};
  const float v2[2] = {0.5f, 1.5f}, v3[3] = {1, 2, 3};
  program->set_ivec2("i2", i2);
  program->set_vec2("v2", v2);
  program->set_vec3("v3", v3);
  program->set_int("i", 7);
  program->set_float("f", 0.25f);
  program->set_bool("b", true);
  gl_test::expect_no_gl_error();

  const GLuint id = program->id();
  float got_m[16] = {};
  glGetUniformfv(id, glGetUniformLocation(id, "m"), got_m);
  EXPECT_EQ(got_m[13], 13.0f);
  GLint got_i2[2] = {};
  glGetUniformiv(id, glGetUniformLocation(id, "i2"), got_i2);
  EXPECT_EQ(got_i2[1], -4);
  float got_v3[3] = {};
  glGetUniformfv(id, glGetUniformLocation(id, "v3"), got_v3);
  EXPECT_EQ(got_v3[2], 3.0f);
  GLint got_i = 0, got_b = 0;
  glGetUniformiv(id, glGetUniformLocation(id, "i"), &got_i);
  glGetUniformiv(id, glGetUniformLocation(id, "b"), &got_b);
  EXPECT_EQ(got_i, 7);
  EXPECT_EQ(got_b, 1);
  float got_f = 0;
  glGetUniformfv(id, glGetUniformLocation(id, "f"), &got_f);
  EXPECT_EQ(got_f, 0.25f);
}

TEST_F(GlObjects, MisspelledUniformIsIgnoredWithoutError) {
  auto program = uniform_program();
  program->set_float("f", 0.5f);
  program->set_float("ff", 9.0f);
  program->set_int("no_such_uniform", 3);
  gl_test::expect_no_gl_error();
  float got_f = 0;
  glGetUniformfv(program->id(), glGetUniformLocation(program->id(), "f"), &got_f);
  EXPECT_EQ(got_f, 0.5f);
}

TEST_F(GlObjects, CompileAndLinkFailuresAreReportedWithTheirLogs) {
  testing::internal::CaptureStderr();
  GlShader vertex(GL_VERTEX_SHADER), fragment(GL_FRAGMENT_SHADER);
  vertex.compile("#version 330\nvoid main() { gl_Position = vec4(0.0); }\n");
  fragment.compile("#version 330\nout vec4 c;\nvoid main() { c = vec4(1.0) }\n");
  const std::string compile_report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(compile_report.rfind("Failed to compile fragment shader:\n", 0), 0u) << compile_report;
  EXPECT_GT(compile_report.size(), std::string("Failed to compile fragment shader:\n\n").size());
  EXPECT_EQ(compile_report.back(), '\n');

  testing::internal::CaptureStderr();
  GlProgram program(vertex, fragment);
  const std::string link_report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(link_report.rfind("Failed to link program", 0), 0u) << link_report;
  GLint linked = 1;
  glGetProgramiv(program.id(), GL_LINK_STATUS, &linked);
  EXPECT_EQ(linked, GL_FALSE);
  EXPECT_TRUE(glIsProgram(program.id()));
  // The failed program is still a program: using it is only a GL error.
  program.set_float("f", 1.0f);
  while (glGetError() != GL_NO_ERROR) {
  }
}

TEST_F(GlObjects, ShaderOfAnotherTypeIsNamedByNumber) {
  testing::internal::CaptureStderr();
  GlShader geometry(GL_GEOMETRY_SHADER);
  geometry.compile("#version 330\nnot glsl\n");
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(report.rfind("Failed to compile unkown type (36313) shader:\n", 0), 0u) << report;
}

// --- mesh upload and draw -----------------------------------------------------

TEST_F(GlObjects, UploadMeshFillsBothBuffersDynamically) {
  SideMesh mesh;
  mesh.mode = mesh_mode_triangle_strip;
  mesh.vertices = {{0, 0, 0, 1, 0, -0.5f}, {0, 0, -1, 1, 0, -0.5f}, {1, 0, 0, 1, 0, -0.5f}};
  mesh.indices = {0, 1, mesh_restart_index, 2};
  GlVertexArray vertex_array;
  GlBuffer vertex_buffer, index_buffer;
  upload_mesh(mesh, vertex_array, vertex_buffer, index_buffer);

  GLint size = 0, usage = 0;
  vertex_buffer.bind(GL_ARRAY_BUFFER);
  glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_USAGE, &usage);
  EXPECT_EQ(size, 72);
  EXPECT_EQ(usage, GL_DYNAMIC_DRAW);
  SideVertex back{};
  glGetBufferSubData(GL_ARRAY_BUFFER, 24, 24, &back);
  EXPECT_EQ(back.z, -1.0f);
  EXPECT_EQ(back.a_z, -0.5f);

  // The index buffer went into the vertex array.
  GlVertexArray other;
  other.bind();
  vertex_array.bind();
  GLint bound = 0;
  glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), index_buffer.id());
  glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  EXPECT_EQ(size, 16);
  uint32_t restart = 0;
  glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 8, 4, &restart);
  EXPECT_EQ(restart, mesh_restart_index);
}

TEST_F(GlObjects, EmptyMeshUploadsAndDrawsNothing) {
  FaceMesh mesh;
  GlVertexArray vertex_array;
  GlBuffer vertex_buffer, index_buffer;
  GlVertexLayout layout;
  ASSERT_TRUE(layout.push(2, GL_FLOAT, false));
  vertex_array.add_buffer(vertex_buffer, layout);
  vertex_array.bind_with_index_buffer(index_buffer);
  gl_test::Target target(1, 1);
  target.begin();
  gl_test::program(face_program).use();
  draw_face_mesh(mesh, vertex_array, vertex_buffer, index_buffer);
  gl_test::expect_no_gl_error();
}

TEST_F(GlObjects, StopsUploadAs16BytesEach) {
  const std::vector<SideFillStop> stops = {{1, 0, 0, 0.5f}, {0, 1, 0, 2.0f}};
  GlBuffer buffer;
  upload_vector_to_buffer(buffer, GL_TEXTURE_BUFFER, stops, GL_DYNAMIC_DRAW);
  GLint size = 0;
  glGetBufferParameteriv(GL_TEXTURE_BUFFER, GL_BUFFER_SIZE, &size);
  EXPECT_EQ(size, 32);
  float second[4] = {};
  glGetBufferSubData(GL_TEXTURE_BUFFER, 16, 16, second);
  EXPECT_EQ(second[1], 1.0f);
  EXPECT_EQ(second[3], 2.0f);
}

}  // namespace
