// The GL object wrappers: names owned and deleted, vertex layouts, and
// compile and link reports.

#include <gtest/gtest.h>

#include <string>

#include "gl_test_support.h"

namespace {

class GlObjects : public gl_test::DrawingTest {};

PFNGLDELETEFRAMEBUFFERSPROC real_delete_framebuffers = nullptr;
int framebuffer_deletions = 0;
void GLAPIENTRY counting_delete_framebuffers(GLsizei n, const GLuint* ids) {
  ++framebuffer_deletions;
  real_delete_framebuffers(n, ids);
}

TEST_F(GlObjects, WrappersDeleteTheirNamesAndFramebufferZeroNothing) {
  GLuint buffer = 0, texture = 0, framebuffer = 0, vertex_array = 0, program = 0;
  real_delete_framebuffers = glDeleteFramebuffers;
  glDeleteFramebuffers = counting_delete_framebuffers;
  framebuffer_deletions = 0;
  {
    GlBuffer b;
    b.bind(GL_ARRAY_BUFFER);
    GlTexture t(GL_TEXTURE_2D);
    t.bind();
    GlFramebuffer f;
    f.bind();
    GlFramebuffer window_system(0u);
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
    EXPECT_TRUE(glIsBuffer(buffer) && glIsTexture(texture) && glIsFramebuffer(framebuffer) &&
                glIsVertexArray(vertex_array) && glIsProgram(program));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindVertexArray(0);
  }
  glDeleteFramebuffers = real_delete_framebuffers;
  EXPECT_EQ(framebuffer_deletions, 1);
  EXPECT_FALSE(glIsBuffer(buffer));
  EXPECT_FALSE(glIsTexture(texture));
  EXPECT_FALSE(glIsFramebuffer(framebuffer));
  EXPECT_FALSE(glIsVertexArray(vertex_array));
  EXPECT_FALSE(glIsProgram(program));
  gl_test::expect_no_gl_error();
}

TEST_F(GlObjects, LayoutRefusesOtherTypesAndSizes) {
  GlVertexLayout layout;
  EXPECT_TRUE(layout.push(3, GL_FLOAT, false));
  EXPECT_TRUE(layout.push(2, GL_INT, true));
  EXPECT_FALSE(layout.push(1, GL_UNSIGNED_BYTE, false));
  EXPECT_FALSE(layout.push(0, GL_FLOAT, false));
  EXPECT_FALSE(layout.push(5, GL_FLOAT, false));
  EXPECT_EQ(layout.elements().size(), 2u);
  EXPECT_EQ(layout.stride(), 20);
}

void expect_attribute(GLuint index, GLint size, GLint stride, uintptr_t offset, GLuint buffer) {
  GLint enabled = 0, got_size = 0, got_stride = -1, got_buffer = 0;
  void* pointer = nullptr;
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_SIZE, &got_size);
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &got_stride);
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &got_buffer);
  glGetVertexAttribPointerv(index, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
  EXPECT_EQ(enabled, GL_TRUE) << index;
  EXPECT_EQ(got_size, size) << index;
  EXPECT_EQ(got_stride, stride) << index;
  EXPECT_EQ(reinterpret_cast<uintptr_t>(pointer), offset) << index;
  EXPECT_EQ(static_cast<GLuint>(got_buffer), buffer) << index;
}

TEST_F(GlObjects, AttributesGetOffsetsAndNumberOnAcrossBuffers) {
  GlVertexArray vertex_array;
  GlBuffer first, second;
  GlVertexLayout side, two;
  ASSERT_TRUE(side.push(3, GL_FLOAT, false) && side.push(2, GL_FLOAT, false) &&
              side.push(1, GL_FLOAT, false));
  ASSERT_TRUE(two.push(2, GL_FLOAT, false));
  vertex_array.add_buffer(first, side);
  vertex_array.add_buffer(second, two);
  expect_attribute(0, 3, 24, 0, first.id());
  expect_attribute(1, 2, 24, 12, first.id());
  expect_attribute(2, 1, 24, 20, first.id());
  expect_attribute(3, 2, 8, 0, second.id());
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
  EXPECT_TRUE(glIsProgram(program.id()));

  testing::internal::CaptureStderr();
  GlShader geometry(GL_GEOMETRY_SHADER);
  geometry.compile("#version 330\nnot glsl\n");
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(report.rfind("Failed to compile unkown type (36313) shader:\n", 0), 0u) << report;
}

}  // namespace
