#include "renderer/input_texture.h"

#include <GL/glew.h>

#include <algorithm>

int32_t mip_level_count(int32_t width, int32_t height) {
  int32_t levels = 1;
  for (int32_t size = std::max(width, height); size > 1; size /= 2) ++levels;
  return levels;
}

InputTexture::InputTexture(int32_t width, int32_t height, float max_anisotropy)
    : width_(width), height_(height) {
  texture_.bind();
  const int32_t levels = mip_level_count(width, height);
  if (glTexStorage2D != nullptr) {
    glTexStorage2D(GL_TEXTURE_2D, levels, GL_RGBA32F, width, height);
  } else {
    // Without immutable storage (before GL 4.2) each level is specified once.
    for (int32_t level = 0; level < levels; ++level) {
      glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA32F, std::max(width >> level, 1),
                   std::max(height >> level, 1), 0, GL_RGBA, GL_FLOAT, nullptr);
    }
  }
  texture_.parameter_i(GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  texture_.parameter_i(GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // Filtering near the layer's edge takes in the edge's own texels, not those of the opposite
  // edge, which wrapping would bring in.
  texture_.parameter_i(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  texture_.parameter_i(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  if (max_anisotropy > 0.0f) texture_.parameter_f(GL_TEXTURE_MAX_ANISOTROPY_EXT, max_anisotropy);
}

size_t mip_chain_bytes(int32_t width, int32_t height) {
  size_t total = 0;
  const int32_t levels = mip_level_count(width, height);
  for (int32_t level = 0; level < levels; ++level) {
    total += static_cast<size_t>(std::max(width >> level, 1)) *
             static_cast<size_t>(std::max(height >> level, 1)) * 16;
  }
  return total;
}

size_t uploaded_pixels_bytes(int32_t width, int32_t height, int16_t bitdepth) {
  const size_t pixel_bytes = bitdepth == 32 ? 16 : 4;
  return static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0)) *
         pixel_bytes;
}

size_t InputTexture::bytes() const {
  return mip_chain_bytes(width_, height_) + uploaded_pixels_.bytes.capacity();
}

void InputTexture::replace(const float* pixels) {
  texture_.bind();
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width_, height_, GL_RGBA, GL_FLOAT, pixels);
  glGenerateMipmap(GL_TEXTURE_2D);
}
