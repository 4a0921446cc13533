#pragma once

// The input layer's texture, which a rendering thread keeps from one frame to the next.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gl/gl_objects.h"

// The number of mip levels of a full chain for a width x height level 0.
int32_t mip_level_count(int32_t width, int32_t height);

// Bytes of a full RGBA32F chain for a width x height level 0, 16 a texel.
size_t mip_chain_bytes(int32_t width, int32_t height);

// The layer's pixels as the input texture was last filled from them, as the host's world holds
// them (top row first, 4 bytes a pixel at bit depth 8, 16 at 32), so that a frame whose layer is
// the same need not fill the texture and make its mip levels again.
struct UploadedPixels {
  int16_t bitdepth = 0;  // of `bytes`; 0 while they are not the texture's pixels
  std::vector<unsigned char> bytes;
};

// Bytes of the UploadedPixels of a width x height world at `bitdepth`.
size_t uploaded_pixels_bytes(int32_t width, int32_t height, int16_t bitdepth);

// A GL_RGBA32F texture with storage for its whole mip chain, made once for one size. A frame whose
// layer changed replaces level 0 and regenerates the levels below it, which costs far less than
// making the storage afresh (a new chain is faulted in page by page). The size is exactly the
// input's: the face samples the texture at coordinates relative to its size, and the mip levels of
// a larger texture would be averaged over other texels, so a frame whose input has another size
// needs another texture. Sampled as the face pass wants it: trilinear, anisotropic where the
// context can, clamped to its edges. Needs the thread's context current, also when it is destroyed.
class InputTexture {
 public:
  // `max_anisotropy` is set on the texture when above 0.
  InputTexture(int32_t width, int32_t height, float max_anisotropy);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  const GlTexture& texture() const { return texture_; }
  // Bytes of storage of the whole chain, 16 per texel, and of the pixels it was filled from.
  size_t bytes() const;
  UploadedPixels& uploaded_pixels() { return uploaded_pixels_; }

  // Level 0 from `pixels` (width x height RGBA floats, bottom row first), then every level
  // below it from level 0.
  void replace(const float* pixels);

 private:
  GlTexture texture_{GL_TEXTURE_2D};
  int32_t width_ = 0;
  int32_t height_ = 0;
  UploadedPixels uploaded_pixels_;
};
