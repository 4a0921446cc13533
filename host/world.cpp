#include "host/world.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace simhost {

World::World(A_long width, A_long height, PixelFormat format) : format_(format) {
  if (width < 0 || height < 0) throw std::invalid_argument("negative world size");
  const A_long pixel_size = format == PixelFormat::argb_float ? 16 : 4;
  world_.width = width;
  world_.height = height;
  world_.rowbytes = width * pixel_size;
  bytes_.assign(static_cast<size_t>(world_.rowbytes) * height + 1, 0);
  world_.data = bytes_.data();
  world_.world_flags =
      PF_WorldFlag_WRITEABLE | (format == PixelFormat::argb_float ? PF_WorldFlag_FLOAT : 0);
  world_.extent_hint = {0, 0, width, height};
  world_.pix_aspect_ratio = {1, 1};
}

PF_Pixel8& World::pixel8(A_long x, A_long y) {
  if (format_ != PixelFormat::argb8) throw std::logic_error("not an 8-bit world");
  return *pixel_at<PF_Pixel8>(&world_, x, y);
}

PF_PixelFloat& World::pixel_float(A_long x, A_long y) {
  if (format_ != PixelFormat::argb_float) throw std::logic_error("not a float world");
  return *pixel_at<PF_PixelFloat>(&world_, x, y);
}

PF_Rect clip_to_world(const PF_Rect* area, const PF_EffectWorld* world) {
  PF_Rect r = {0, 0, world->width, world->height};
  if (area != nullptr) {
    r.left = std::max(area->left, A_long{0});
    r.top = std::max(area->top, A_long{0});
    r.right = std::min(area->right, world->width);
    r.bottom = std::min(area->bottom, world->height);
  }
  return r;
}

PF_PixelFloat to_float_pixel(const PF_Pixel8& p) {
  return {p.alpha / 255.0f, p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f};
}

A_u_char channel8(float v) {
  if (!(v > 0.0f)) return 0;
  return static_cast<A_u_char>(std::lround(std::min(v, 1.0f) * 255.0f));
}

PF_PixelFloat read_float_pixel(const PF_EffectWorld& world, A_long x, A_long y) {
  auto* w = const_cast<PF_EffectWorld*>(&world);
  if (world.world_flags & PF_WorldFlag_FLOAT) return *pixel_at<PF_PixelFloat>(w, x, y);
  return to_float_pixel(*pixel_at<PF_Pixel8>(w, x, y));
}

void write_float_pixel(PF_EffectWorld& world, A_long x, A_long y, const PF_PixelFloat& p) {
  if (world.world_flags & PF_WorldFlag_FLOAT) {
    *pixel_at<PF_PixelFloat>(&world, x, y) = p;
  } else {
    *pixel_at<PF_Pixel8>(&world, x, y) = {channel8(p.alpha), channel8(p.red), channel8(p.green),
                                          channel8(p.blue)};
  }
}

PremultipliedPixel premultiplied(const PF_PixelFloat& p, float opacity) {
  const float a = std::clamp(p.alpha, 0.0f, 1.0f) * opacity;
  return {p.red * a, p.green * a, p.blue * a, a};
}

PF_PixelFloat over(const PremultipliedPixel& front, const PF_PixelFloat& back) {
  PremultipliedPixel sum = premultiplied(back);
  const float keep = 1.0f - front[3];
  for (int k = 0; k < 4; ++k) sum[k] = front[k] + sum[k] * keep;
  const float alpha = std::clamp(sum[3], 0.0f, 1.0f);
  const float unpremultiply = alpha > 0.0f ? 1.0f / alpha : 0.0f;
  return {alpha, sum[0] * unpremultiply, sum[1] * unpremultiply, sum[2] * unpremultiply};
}

}  // namespace simhost
