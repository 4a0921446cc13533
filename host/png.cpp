#include "host/png.h"

#include <png.h>

#include <algorithm>

#include "host/world.h"

namespace simhost {

RgbaImage rgba_image_of(const PF_EffectWorld& world) {
  RgbaImage image{std::max<A_long>(world.width, 0), std::max<A_long>(world.height, 0), {}};
  image.rgba.reserve(static_cast<size_t>(image.width) * image.height * 4);
  auto* w = const_cast<PF_EffectWorld*>(&world);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (world.world_flags & PF_WorldFlag_FLOAT) {
        const PF_PixelFloat& p = *pixel_at<PF_PixelFloat>(w, x, y);
        image.rgba.insert(image.rgba.end(), {channel8(p.red), channel8(p.green), channel8(p.blue),
                                             channel8(p.alpha)});
      } else {
        const PF_Pixel8& p = *pixel_at<PF_Pixel8>(w, x, y);
        image.rgba.insert(image.rgba.end(), {p.red, p.green, p.blue, p.alpha});
      }
    }
  }
  return image;
}

bool write_png(const RgbaImage& image, const std::string& path, std::string* error) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  const bool ok =
      image.width > 0 && image.height > 0 &&
      image.rgba.size() == static_cast<size_t>(image.width) * image.height * 4 &&
      png_image_write_to_file(&png, path.c_str(), 0, image.rgba.data(), 0, nullptr) != 0;
  if (!ok && error != nullptr) {
    *error = image.width <= 0 || image.height <= 0 ? "an image without pixels has no PNG"
                                                   : std::string(png.message);
  }
  png_image_free(&png);
  return ok;
}

bool write_png(const PF_EffectWorld& world, const std::string& path, std::string* error) {
  return write_png(rgba_image_of(world), path, error);
}

RgbaImage read_png(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  RgbaImage image;
  if (png_image_begin_read_from_file(&png, path.c_str()) == 0) return image;
  png.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr) == 0) {
    png_image_free(&png);
    return image;
  }
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgba = std::move(pixels);
  return image;
}

}  // namespace simhost
