#pragma once

// A pixel world owned by the host: 8-bit or float ARGB, top row first.
//
// Worlds hold straight (not premultiplied) alpha: the renderer writes its
// composite that way, the pixel transfers copy values unchanged, and the
// host's own compositing of worlds assumes it.

#include <array>
#include <vector>

#include "host_api/ae_effect.h"

namespace simhost {

enum class PixelFormat { argb8, argb_float };

class World {
 public:
  World(A_long width, A_long height, PixelFormat format);
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  PF_EffectWorld* get() { return &world_; }
  const PF_EffectWorld* get() const { return &world_; }
  PixelFormat format() const { return format_; }
  PF_Pixel8& pixel8(A_long x, A_long y);
  PF_PixelFloat& pixel_float(A_long x, A_long y);

 private:
  PF_EffectWorld world_{};
  PixelFormat format_;
  std::vector<unsigned char> bytes_;
};

// The pixel at (x, y) of any world, by its row bytes.
template <class Pixel>
Pixel* pixel_at(PF_EffectWorld* world, A_long x, A_long y) {
  auto* row =
      static_cast<unsigned char*>(world->data) + static_cast<std::ptrdiff_t>(y) * world->rowbytes;
  return reinterpret_cast<Pixel*>(row) + x;
}

// The area (the whole world when null) cut to the world's bounds.
PF_Rect clip_to_world(const PF_Rect* area, const PF_EffectWorld* world);

// Channels between the two depths: an 8-bit one over 255, and a float one
// rounded to 8 bits, cut to 0..1 (NaN as 0).
PF_PixelFloat to_float_pixel(const PF_Pixel8& p);
A_u_char channel8(float v);

// The pixel at (x, y) of an 8-bit or float world, as float; and a float
// pixel written there in the world's depth.
PF_PixelFloat read_float_pixel(const PF_EffectWorld& world, A_long x, A_long y);
void write_float_pixel(PF_EffectWorld& world, A_long x, A_long y, const PF_PixelFloat& p);

// Red, green, blue and alpha, the colour multiplied by the alpha.
using PremultipliedPixel = std::array<float, 4>;

// The pixel premultiplied, its alpha cut to 0..1 and then scaled by
// `opacity`.
PremultipliedPixel premultiplied(const PF_PixelFloat& p, float opacity = 1.0f);

// The host's compositing of straight-alpha pixels: `front` (premultiplied)
// over `back`, the result with straight alpha cut to 0..1 (transparent black
// where nothing covers).
PF_PixelFloat over(const PremultipliedPixel& front, const PF_PixelFloat& back);

}  // namespace simhost
