#pragma once

// Pixels between the host's worlds (top row first, 8-bit or float ARGB) and
// RGBA float GL images (bottom row first), through a host handle filled and
// emptied by the host's iterate suites.
//
// Host worlds hold straight (not premultiplied) alpha: a pixel's colour is
// its colour at full opacity, whatever its alpha. The transfers copy values
// as they are, and the composite pass writes straight alpha, so neither
// direction multiplies or divides by alpha.

#include <atomic>
#include <cstdint>

#include "gl/gl_objects.h"
#include "host_api/ae_effect.h"
#include "renderer/input_texture.h"

// Reference data of the pixel callbacks: the locked transfer buffer (RGBA
// floats, bottom row first) and the world being iterated, whose size is the
// buffer's. For an upload into a kept texture also the pixels it was last
// filled from (the world's size and row order): each pixel the callback reads
// is compared with its copy there, which it then replaces, and `changed` is
// set where they differ.
struct PixelTransferRef {
  float* buffer;
  PF_EffectWorld* world;
  unsigned char* previous = nullptr;
  std::atomic<bool>* changed = nullptr;
};

// Reference data of the byte read-back: the locked buffer (RGBA bytes,
// bottom row first) and the 8-bit world being iterated.
struct PixelBytesRef {
  const uint8_t* buffer;
  PF_EffectWorld* world;
};

// Fills `texture` with `input` as GL_RGBA32F with linear filtering; without
// an input (or with an empty one) a 1 x 1 transparent black texture. Returns
// PF_Err_OUT_OF_MEMORY when the transfer handle cannot be had, else the
// iterate's result. A missing suite throws PF_Err_BAD_CALLBACK_PARAM.
PF_Err upload_input_pixels(PF_InData* in_data, int16_t bitdepth, PF_EffectWorld* input,
                           GlTexture& texture);

// The size of the texture `input` is uploaded into: the world's, or 1 x 1 without a world or
// with an empty one.
struct TexelExtent {
  int32_t width = 1;
  int32_t height = 1;
};
TexelExtent input_pixels_extent(const PF_EffectWorld* input);

// The same into a texture the thread keeps, which must have input_pixels_extent(input) as its
// size (else PF_Err_BAD_CALLBACK_PARAM and nothing is uploaded): level 0 is replaced and the
// mip chain regenerated. The iterate runs every time; when it reads the same pixels at the same
// depth as the texture's last complete upload, the texture already holds them and GL is not
// given them again.
PF_Err upload_input_pixels(PF_InData* in_data, int16_t bitdepth, PF_EffectWorld* input,
                           InputTexture& texture);

// Reads the output world's size from `framebuffer` at (x, y) and writes it
// into every pixel of `output`. Results as for the upload.
PF_Err read_back_pixels(const GlFramebuffer& framebuffer, int32_t x, int32_t y, PF_InData* in_data,
                        int16_t bitdepth, PF_EffectWorld* output);

// The 8-bit read-back from a framebuffer whose colour is already 8 bits a
// channel (GL_RGBA8): the bytes are copied as GL gives them, a quarter of the
// float read-back's traffic. Results as for the float read-back.
PF_Err read_back_pixels8(const GlFramebuffer& framebuffer, int32_t x, int32_t y, PF_InData* in_data,
                         PF_EffectWorld* output);

// The iterate callbacks: each touches only its destination pixel and the
// texel at (x, height - 1 - y); always 0.
PF_Err pixel8_to_buffer(void* refcon, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out);
PF_Err pixel_float_to_buffer(void* refcon, A_long x, A_long y, PF_PixelFloat* in,
                             PF_PixelFloat* out);
PF_Err buffer_to_pixel8(void* refcon, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out);
PF_Err buffer_to_pixel_float(void* refcon, A_long x, A_long y, PF_PixelFloat* in,
                             PF_PixelFloat* out);
PF_Err bytes_to_pixel8(void* refcon, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out);

// One channel to 8 bits: clamped to [0, 1], times 255, rounded half away from
// zero. NaN gives 0.
uint8_t float_to_channel8(float v);
