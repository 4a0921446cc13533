#pragma once

// Helpers for tests that draw: the test thread's context with its programs,
// small float render targets and reads of their pixels.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "gl/gl_objects.h"
#include "renderer/render_state.h"

namespace gl_test {

// Makes sure the thread's context exists before a test makes GL objects.
class DrawingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(ensure_local_render_data(), nullptr); }
};

// A program of the test thread's render state.
inline GlProgram& program(ShaderProgramIndex index) {
  return *ensure_local_render_data()->programs[index];
}

// Column-major orthographic projection of [left, right] x [bottom, top]
// onto clip space; z passes through.
inline std::array<float, 16> ortho(float left, float right, float bottom, float top) {
  std::array<float, 16> m{};
  m[0] = 2.0f / (right - left);
  m[5] = 2.0f / (top - bottom);
  m[10] = 1.0f;
  m[12] = -(right + left) / (right - left);
  m[13] = -(top + bottom) / (top - bottom);
  m[15] = 1.0f;
  return m;
}

// A vertex array over one buffer of float attributes (one per count) and an
// index buffer, set up as the render passes do.
struct MeshBuffers {
  GlVertexArray vertex_array;
  GlBuffer vertex_buffer;
  GlBuffer index_buffer;

  explicit MeshBuffers(std::initializer_list<int32_t> counts) {
    GlVertexLayout layout;
    for (int32_t count : counts) EXPECT_TRUE(layout.push(count, GL_FLOAT, false));
    vertex_array.add_buffer(vertex_buffer, layout);
    vertex_array.bind_with_index_buffer(index_buffer);
  }
};

// A framebuffer with one float colour texture and, if asked, a depth
// texture, both width x height.
class Target {
 public:
  Target(int width, int height, GLint color_format = GL_RGBA32F, bool with_depth = false)
      : width_(width),
        height_(height),
        color_(GL_TEXTURE_2D, 0, color_format, width, height, GL_RGBA, GL_FLOAT, nullptr) {
    color_.parameter_i(GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    framebuffer_.attach_texture(GL_COLOR_ATTACHMENT0, color_, 0);
    if (with_depth) {
      depth_ = std::make_unique<GlTexture>(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, width, height,
                                           GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
      depth_->parameter_i(GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      framebuffer_.attach_texture(GL_DEPTH_ATTACHMENT, *depth_, 0);
    }
    EXPECT_EQ(framebuffer_.status(), static_cast<uint32_t>(GL_FRAMEBUFFER_COMPLETE));
  }

  // Binds the target, sets the viewport and clears colour (and depth).
  void begin(std::array<float, 4> clear = {0, 0, 0, 0}, float clear_depth = 1.0f) {
    framebuffer_.bind();
    glViewport(0, 0, width_, height_);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glClearDepth(clear_depth);
    glClear(GL_COLOR_BUFFER_BIT | (depth_ ? GL_DEPTH_BUFFER_BIT : 0));
  }

  std::array<float, 4> pixel(int x, int y) const {
    std::array<float, 4> rgba{};
    framebuffer_.bind();
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, rgba.data());
    return rgba;
  }

  float depth(int x, int y) const {
    float value = -1.0f;
    framebuffer_.bind();
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &value);
    return value;
  }

  GlFramebuffer& framebuffer() { return framebuffer_; }
  GlTexture& color_texture() { return color_; }
  GlTexture& depth_texture() { return *depth_; }

 private:
  int width_;
  int height_;
  GlFramebuffer framebuffer_;
  GlTexture color_;
  std::unique_ptr<GlTexture> depth_;
};

// A 2-D float texture from RGBA texels, bottom row first.
inline std::unique_ptr<GlTexture> rgba_texture(int width, int height,
                                               const std::vector<float>& texels,
                                               GLint filter = GL_NEAREST) {
  auto texture = std::make_unique<GlTexture>(GL_TEXTURE_2D, 0, GL_RGBA32F, width, height, GL_RGBA,
                                             GL_FLOAT, texels.data());
  texture->parameter_i(GL_TEXTURE_MIN_FILTER, filter);
  texture->parameter_i(GL_TEXTURE_MAG_FILTER, filter);
  return texture;
}

// Fails on any pending GL error.
inline void expect_no_gl_error() {
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
    ADD_FAILURE() << "GL error " << error;
  }
}

}  // namespace gl_test
