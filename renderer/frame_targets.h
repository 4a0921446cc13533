#pragma once

// The render targets of a frame: the supersampled face colour and depth, the stroke coverage
// and the composite. A thread keeps them on its render state from one frame to the next, since
// making storage this large costs more than drawing into it.

#include <cstddef>
#include <cstdint>

#include "gl/gl_objects.h"

// Targets larger than this (in bytes of texture storage) are released after their frame
// instead of being kept for the next: a 1920 x 1080 frame at ssaa 3 (about 390 MB) is kept,
// one at ssaa 4 (about 670 MB) is not.
inline constexpr size_t frame_targets_memory_cap = size_t{512} << 20;

struct FrameTargets {
  // What the storage was made for; a frame with other sizes or another composite format needs
  // new storage.
  int32_t face_width = 0;
  int32_t face_height = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t composite_format = 0;  // GL_RGBA8 for 8-bit output, GL_RGBA32F for float

  GlFramebuffer face_fb;
  GlTexture depth_tex{GL_TEXTURE_2D};
  GlTexture fill_tex{GL_TEXTURE_2D};
  GlFramebuffer outline_fb;
  GlTexture outline_tex{GL_TEXTURE_2D};
  GlFramebuffer composite_fb;
  GlTexture composite_tex{GL_TEXTURE_2D};

  bool fits(int32_t fw, int32_t fh, int32_t w, int32_t h, int32_t format) const {
    return fw == face_width && fh == face_height && w == width && h == height &&
           format == composite_format;
  }

  // Bytes of texture storage: 16 per fill sample and 4 per depth sample, 4 per coverage pixel,
  // 4 or 16 per composite pixel.
  size_t bytes() const {
    const size_t samples = static_cast<size_t>(face_width) * static_cast<size_t>(face_height);
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    return samples * (16 + 4) + pixels * (4 + (composite_format == GL_RGBA8 ? 4 : 16));
  }
};
