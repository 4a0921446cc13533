#pragma once

// The render targets of a frame: the supersampled face colour and depth, the stroke coverage
// and the composite. A thread keeps them on its render state from one frame to the next, since
// making storage this large costs more than drawing into it; all that threads keep is held to
// one budget (renderer/kept_storage.h).

#include <cstddef>
#include <cstdint>

#include "gl/gl_objects.h"

// Storage sizes of a frame's targets.
struct TargetSizes {
  int32_t face_width = 0;  // depth_tex and fill_tex
  int32_t face_height = 0;
  int32_t width = 0;  // outline_tex and composite_tex
  int32_t height = 0;
  int32_t composite_format = 0;  // GL_RGBA8 for 8-bit output, GL_RGBA32F for float

  // Bytes of texture storage: 16 per fill sample and 4 per depth sample, 4 per coverage pixel,
  // 4 or 16 per composite pixel.
  size_t bytes() const;
};

// Sizes for a frame that needs `needed` when `kept` (zero sizes for none) are too small: each
// size grown to the larger of the two with room to grow further (a sixteenth, in steps of 64),
// so that frames growing a little at a time do not each make new storage; no side beyond
// `largest_size`, and the frame's own sizes when the grown ones would take more than
// `budget` bytes. A size beyond `largest_size` is left for GL to refuse.
TargetSizes grown_target_sizes(const TargetSizes& kept, const TargetSizes& needed,
                               int32_t largest_size, size_t budget);

struct FrameTargets {
  // What the storage was made for. The face targets and the composite serve any frame that
  // needs no more than that, drawn into their lower left part: the passes address them in
  // texels from the origin. The stroke coverage is kept at exactly the output's size, since the
  // composite samples it at coordinates relative to its size.
  int32_t face_width = 0;
  int32_t face_height = 0;
  int32_t width = 0;  // composite_tex
  int32_t height = 0;
  int32_t outline_width = 0;
  int32_t outline_height = 0;
  int32_t composite_format = 0;  // GL_RGBA8 for 8-bit output, GL_RGBA32F for float

  GlFramebuffer face_fb;
  GlTexture depth_tex{GL_TEXTURE_2D};
  GlTexture fill_tex{GL_TEXTURE_2D};
  GlFramebuffer outline_fb;
  GlTexture outline_tex{GL_TEXTURE_2D};
  GlFramebuffer composite_fb;
  GlTexture composite_tex{GL_TEXTURE_2D};

  // Whether the face targets and the composite are large enough for a frame with these sizes
  // and of its composite format.
  bool fits(int32_t fw, int32_t fh, int32_t w, int32_t h, int32_t format) const {
    return fw <= face_width && fh <= face_height && w <= width && h <= height &&
           format == composite_format;
  }

  // The sizes the face targets and the composite were made for.
  TargetSizes sizes() const { return {face_width, face_height, width, height, composite_format}; }
  // Bytes of texture storage.
  size_t bytes() const;
};
