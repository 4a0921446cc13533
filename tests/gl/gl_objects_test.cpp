// The GL object wrappers where they decide something themselves: which
// vertex layouts they take, and how compile and link failures are reported.
// Attribute offsets are exercised by every draw of the program tests.

#include "gl/gl_objects.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gl/gl_context.h"

namespace {

// The GL objects are made with a context of the test's own current.
class GlObjects : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(context_, nullptr); }
  std::unique_ptr<GlContext> context_ = create_gl_context();
};

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
  GlShader geometry(GL_GEOMETRY_SHADER);
  geometry.compile("#version 330\nnot glsl\n");
  const std::string geometry_report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(geometry_report.rfind("Failed to compile unkown type (36313) shader:\n", 0), 0u)
      << geometry_report;

  testing::internal::CaptureStderr();
  GlProgram program(vertex, fragment);
  const std::string link_report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(link_report.rfind("Failed to link program", 0), 0u) << link_report;
  EXPECT_TRUE(glIsProgram(program.id()));
}

}  // namespace
