#include "host/png.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "host/replace_file.h"
#include "host/world.h"

namespace simhost {

RgbaImage rgba_image_of(const PF_EffectWorld& world) {
  RgbaImage image{std::max<A_long>(world.width, 0), std::max<A_long>(world.height, 0), {}};
  image.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
  auto* w = const_cast<PF_EffectWorld*>(&world);
  uint8_t* out = image.rgba.data();
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x, out += 4) {
      if (world.world_flags & PF_WorldFlag_FLOAT) {
        const PF_PixelFloat& p = *pixel_at<PF_PixelFloat>(w, x, y);
        out[0] = channel8(p.red);
        out[1] = channel8(p.green);
        out[2] = channel8(p.blue);
        out[3] = channel8(p.alpha);
      } else {
        const PF_Pixel8& p = *pixel_at<PF_Pixel8>(w, x, y);
        out[0] = p.red;
        out[1] = p.green;
        out[2] = p.blue;
        out[3] = p.alpha;
      }
    }
  }
  return image;
}

namespace {

// libpng's error callback must not return: libpng would print the message
// itself ("libpng error: ...") and end the process.
[[noreturn]] void on_png_error(png_structp png, png_const_charp message) {
  auto* why = static_cast<std::string*>(png_get_error_ptr(png));
  if (why != nullptr) *why = message;
  png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// Where the encoder's bytes go, and whether writing them failed (errno then
// tells why, which is the whole story).
struct PngOutput {
  std::FILE* file = nullptr;
  bool write_failed = false;
};

void write_bytes(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<PngOutput*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, out->file) != length) {
    out->write_failed = true;
    png_error(png, "the file could not be written");
  }
}

void flush_bytes(png_structp) {}

// The image as PNG rows through libpng. Frames are written by the hundred:
// zlib's fastest level with the "up" filter encodes several times faster
// than libpng's defaults, in files about a third larger.
bool encode_png(const RgbaImage& image, PngOutput& out, std::string* why) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, why, on_png_error, on_png_warning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, write_bytes, flush_bytes);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(image.width) * 4;
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, image.rgba.data() + static_cast<size_t>(y) * stride);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool write_png(const RgbaImage& image, const std::string& path, std::string* error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgba.size() != static_cast<size_t>(image.width) * image.height * 4) {
    if (error != nullptr) *error = "an image without pixels has no PNG";
    return false;
  }
  std::string encoder_message;
  bool write_failed = false;
  const bool ok = replace_file(
      path,
      [&](std::FILE* file) {
        PngOutput out{file};
        const bool encoded = encode_png(image, out, &encoder_message);
        write_failed = out.write_failed;
        return encoded;
      },
      error);
  // A write that failed is told by its reason alone; the encoder's own
  // complaints are added.
  if (!ok && error != nullptr && !write_failed && !encoder_message.empty()) {
    *error += " (" + encoder_message + ")";
  }
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
