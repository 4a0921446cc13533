#include "renderer/pixel_transfer.h"

#include <array>
#include <cmath>
#include <cstring>

#include "host_support/aegp_suite_handler.h"
#include "host_support/host_handles.h"

namespace {

const SPBasicSuite* basic_suite(const PF_InData* in_data) {
  return in_data != nullptr ? in_data->pica_basicP : nullptr;
}

A_HandleSize transfer_size(A_long width, A_long height, A_HandleSize bytes_per_texel = 16) {
  return static_cast<A_HandleSize>(width) * static_cast<A_HandleSize>(height) * bytes_per_texel;
}

// The texel of world pixel (x, y) in the buffer of `refcon` (a PixelTransferRef or a
// PixelBytesRef), or null for a pixel outside the world.
template <typename Ref>
auto texel_of(void* refcon, A_long x, A_long y) -> decltype(Ref::buffer) {
  const auto* ref = static_cast<const Ref*>(refcon);
  const A_long width = ref->world->width;
  const A_long height = ref->world->height;
  if (x < 0 || y < 0 || x >= width || y >= height) return nullptr;
  const size_t row = static_cast<size_t>(height - 1 - y);
  return ref->buffer + (row * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
}

}  // namespace

uint8_t float_to_channel8(float v) {
  if (std::isnan(v)) return 0;
  if (0 > v) v = 0;
  if (1 < v) v = 1;
  // Within [0, 255] adding a half and truncating rounds halves up, as std::round does there.
  return static_cast<uint8_t>(static_cast<int>(v * 255.0 + 0.5));
}

namespace {

// Each 8-bit channel value over 255.0, as a float: the same numbers the division gives, looked up
// rather than divided four times a pixel.
const std::array<float, 256>& channel8_to_float() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> values{};
    for (size_t v = 0; v < values.size(); ++v) values[v] = static_cast<float>(v / 255.0);
    return values;
  }();
  return table;
}

// Compares the pixel at (x, y) with its copy in ref.previous, when there is one, and puts it
// there; sets ref.changed when they differ, bit for bit.
template <typename Pixel>
void compare_with_previous(const PixelTransferRef& ref, A_long x, A_long y, const Pixel& pixel) {
  if (ref.previous == nullptr) return;
  unsigned char* copy =
      ref.previous +
      (static_cast<size_t>(y) * static_cast<size_t>(ref.world->width) + static_cast<size_t>(x)) *
          sizeof(Pixel);
  if (std::memcmp(copy, &pixel, sizeof(Pixel)) == 0) return;
  std::memcpy(copy, &pixel, sizeof(Pixel));
  ref.changed->store(true, std::memory_order_relaxed);
}

}  // namespace

PF_Err pixel8_to_buffer(void* refcon, A_long x, A_long y, PF_Pixel8*, PF_Pixel8* out) {
  float* texel = texel_of<PixelTransferRef>(refcon, x, y);
  if (texel == nullptr) return PF_Err_NONE;
  compare_with_previous(*static_cast<const PixelTransferRef*>(refcon), x, y, *out);
  const std::array<float, 256>& to_float = channel8_to_float();
  texel[0] = to_float[out->red];
  texel[1] = to_float[out->green];
  texel[2] = to_float[out->blue];
  texel[3] = to_float[out->alpha];
  return PF_Err_NONE;
}

PF_Err pixel_float_to_buffer(void* refcon, A_long x, A_long y, PF_PixelFloat*, PF_PixelFloat* out) {
  float* texel = texel_of<PixelTransferRef>(refcon, x, y);
  if (texel == nullptr) return PF_Err_NONE;
  compare_with_previous(*static_cast<const PixelTransferRef*>(refcon), x, y, *out);
  texel[0] = out->red;
  texel[1] = out->green;
  texel[2] = out->blue;
  texel[3] = out->alpha;
  return PF_Err_NONE;
}

PF_Err buffer_to_pixel8(void* refcon, A_long x, A_long y, PF_Pixel8*, PF_Pixel8* out) {
  const float* texel = texel_of<PixelTransferRef>(refcon, x, y);
  if (texel == nullptr) return PF_Err_NONE;
  out->red = float_to_channel8(texel[0]);
  out->green = float_to_channel8(texel[1]);
  out->blue = float_to_channel8(texel[2]);
  out->alpha = float_to_channel8(texel[3]);
  return PF_Err_NONE;
}

PF_Err bytes_to_pixel8(void* refcon, A_long x, A_long y, PF_Pixel8*, PF_Pixel8* out) {
  const uint8_t* texel = texel_of<PixelBytesRef>(refcon, x, y);
  if (texel == nullptr) return PF_Err_NONE;
  out->red = texel[0];
  out->green = texel[1];
  out->blue = texel[2];
  out->alpha = texel[3];
  return PF_Err_NONE;
}

PF_Err buffer_to_pixel_float(void* refcon, A_long x, A_long y, PF_PixelFloat*, PF_PixelFloat* out) {
  const float* texel = texel_of<PixelTransferRef>(refcon, x, y);
  if (texel == nullptr) return PF_Err_NONE;
  out->red = texel[0];
  out->green = texel[1];
  out->blue = texel[2];
  out->alpha = texel[3];
  return PF_Err_NONE;
}

namespace {

// Fills a transfer handle with `input` (or one transparent texel) through the host's iterate
// suites and hands the buffer to `store(buffer, width, height)`, even after a failed iterate.
// With `uploaded`, the pixels the destination was last filled from: the iterate compares the
// world with them, and when it read the same pixels the buffer is not stored.
template <typename Store>
PF_Err upload_through_handle(PF_InData* in_data, int16_t bitdepth, PF_EffectWorld* input,
                             UploadedPixels* uploaded, Store store) {
  // An empty world has no texel to give; it is treated like a missing one.
  if (input != nullptr && (input->width <= 0 || input->height <= 0)) input = nullptr;
  const TexelExtent extent = input_pixels_extent(input);
  const A_long width = extent.width;
  const A_long height = extent.height;

  AEGP_SuiteHandler suites(basic_suite(in_data));
  const LockedScopedHandle handle(suites.HandleSuite1(), transfer_size(width, height));
  if (handle.data() == nullptr) return PF_Err_OUT_OF_MEMORY;
  float* buffer = handle.data_as<float>();
  buffer[0] = buffer[1] = buffer[2] = buffer[3] = 0.0f;

  // The copy is the destination's pixels again only once an iterate has read all of them.
  const bool comparing =
      uploaded != nullptr && input != nullptr && (bitdepth == 8 || bitdepth == 32);
  bool copy_was_current = false;
  if (comparing) {
    const size_t bytes = uploaded_pixels_bytes(width, height, bitdepth);
    copy_was_current = uploaded->bitdepth == bitdepth && uploaded->bytes.size() == bytes;
    if (uploaded->bytes.size() != bytes) uploaded->bytes.assign(bytes, 0);
  }
  if (uploaded != nullptr) uploaded->bitdepth = 0;
  std::atomic<bool> changed{false};

  PF_Err err = PF_Err_NONE;
  if (input != nullptr) {
    PixelTransferRef ref{buffer, input, comparing ? uploaded->bytes.data() : nullptr, &changed};
    if (bitdepth == 8) {
      err = suites.Iterate8Suite1()->iterate(in_data, 0, height, nullptr, nullptr, &ref,
                                             pixel8_to_buffer, input);
    } else if (bitdepth == 32) {
      err = suites.IterateFloatSuite1()->iterate(in_data, 0, height, nullptr, nullptr, &ref,
                                                 pixel_float_to_buffer, input);
    } else {
      // A depth we cannot read gives a transparent picture, not whatever
      // the handle's memory held.
      std::memset(buffer, 0, static_cast<size_t>(transfer_size(width, height)));
    }
  }
  if (comparing && err == PF_Err_NONE) {
    uploaded->bitdepth = bitdepth;
    // The destination holds these pixels already.
    if (copy_was_current && !changed.load()) return err;
  }
  // Defined even after a failed iterate, from what the buffer holds.
  store(buffer, width, height);
  return err;
}

}  // namespace

TexelExtent input_pixels_extent(const PF_EffectWorld* input) {
  if (input == nullptr || input->width <= 0 || input->height <= 0) return {};
  return {input->width, input->height};
}

PF_Err upload_input_pixels(PF_InData* in_data, int16_t bitdepth, PF_EffectWorld* input,
                           GlTexture& texture) {
  return upload_through_handle(
      in_data, bitdepth, input, nullptr, [&](const float* buffer, A_long width, A_long height) {
        texture.image_2d(0, GL_RGBA32F, width, height, GL_RGBA, GL_FLOAT, buffer);
        texture.parameter_i(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        texture.parameter_i(GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      });
}

PF_Err upload_input_pixels(PF_InData* in_data, int16_t bitdepth, PF_EffectWorld* input,
                           InputTexture& texture) {
  const TexelExtent extent = input_pixels_extent(input);
  if (extent.width != texture.width() || extent.height != texture.height()) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  return upload_through_handle(
      in_data, bitdepth, input, &texture.uploaded_pixels(),
      [&](const float* buffer, A_long, A_long) { texture.replace(buffer); });
}

PF_Err read_back_pixels(const GlFramebuffer& framebuffer, int32_t x, int32_t y, PF_InData* in_data,
                        int16_t bitdepth, PF_EffectWorld* output) {
  if (output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  const A_long width = output->width;
  const A_long height = output->height;
  if (width <= 0 || height <= 0) return PF_Err_NONE;

  AEGP_SuiteHandler suites(basic_suite(in_data));
  const LockedScopedHandle handle(suites.HandleSuite1(), transfer_size(width, height));
  if (handle.data() == nullptr) return PF_Err_OUT_OF_MEMORY;
  float* buffer = handle.data_as<float>();

  framebuffer.bind();
  glReadPixels(x, y, width, height, GL_RGBA, GL_FLOAT, buffer);

  PixelTransferRef ref{buffer, output};
  if (bitdepth == 8) {
    return suites.Iterate8Suite1()->iterate(in_data, 0, height, nullptr, nullptr, &ref,
                                            buffer_to_pixel8, output);
  }
  if (bitdepth == 32) {
    return suites.IterateFloatSuite1()->iterate(in_data, 0, height, nullptr, nullptr, &ref,
                                                buffer_to_pixel_float, output);
  }
  return PF_Err_NONE;
}

PF_Err read_back_pixels8(const GlFramebuffer& framebuffer, int32_t x, int32_t y, PF_InData* in_data,
                         PF_EffectWorld* output) {
  if (output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  const A_long width = output->width;
  const A_long height = output->height;
  if (width <= 0 || height <= 0) return PF_Err_NONE;

  AEGP_SuiteHandler suites(basic_suite(in_data));
  const LockedScopedHandle handle(suites.HandleSuite1(), transfer_size(width, height, 4));
  if (handle.data() == nullptr) return PF_Err_OUT_OF_MEMORY;
  auto* buffer = handle.data_as<uint8_t>();

  framebuffer.bind();
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, buffer);

  PixelBytesRef ref{buffer, output};
  return suites.Iterate8Suite1()->iterate(in_data, 0, height, nullptr, nullptr, &ref,
                                          bytes_to_pixel8, output);
}
