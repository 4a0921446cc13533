#include "tests/render/golden_image.h"

#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace tarvolk::test {
namespace {

std::string env_or(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

uint8_t premultiply(uint8_t c, uint8_t a) {
  return static_cast<uint8_t>((c * a + 127) / 255);
}

}  // namespace

bool write_png(const Rgba8Image& image, const std::string& path) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return false;
  }
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < image.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.at(x, y);
      const uint8_t a = p[3];
      row[x] = (uint32_t{a} << 24) | (uint32_t{premultiply(p[0], a)} << 16) |
               (uint32_t{premultiply(p[1], a)} << 8) | premultiply(p[2], a);
    }
  }
  cairo_surface_mark_dirty(surface);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

Rgba8Image read_png(const std::string& path) {
  Rgba8Image image;
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(surface);
    image.width = cairo_image_surface_get_width(surface);
    image.height = cairo_image_surface_get_height(surface);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 4);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    for (int y = 0; y < image.height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
      for (int x = 0; x < image.width; ++x) {
        const uint32_t v = row[x];
        const uint8_t a = format == CAIRO_FORMAT_RGB24 ? 255 : static_cast<uint8_t>(v >> 24);
        uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
        // Kept premultiplied, as compare_with_golden compares.
        p[0] = static_cast<uint8_t>(v >> 16);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v);
        p[3] = a;
      }
    }
  }
  cairo_surface_destroy(surface);
  return image;
}

std::string compare_with_golden(const Rgba8Image& actual, const std::string& name,
                                int channel_tolerance, double max_differing_fraction) {
  namespace fs = std::filesystem;
  const fs::path golden_path = fs::path(TARVOLK_GOLDEN_DIR) / (name + ".png");
  if (env_or("TARVOLK_UPDATE_GOLDEN", "0") == "1") {
    return write_png(actual, golden_path.string()) ? "" : "cannot write " + golden_path.string();
  }

  std::ostringstream why;
  const Rgba8Image golden = read_png(golden_path.string());
  if (golden.width == 0) {
    why << "missing golden " << golden_path.string();
  } else if (golden.width != actual.width || golden.height != actual.height) {
    why << "size " << actual.width << "x" << actual.height << " differs from the golden "
        << golden.width << "x" << golden.height;
  } else {
    size_t differing = 0;
    int worst = 0;
    for (int y = 0; y < actual.height; ++y) {
      for (int x = 0; x < actual.width; ++x) {
        const uint8_t* a = actual.at(x, y);
        const uint8_t* g = golden.at(x, y);
        const uint8_t pa[4] = {premultiply(a[0], a[3]), premultiply(a[1], a[3]),
                               premultiply(a[2], a[3]), a[3]};
        int diff = 0;
        for (int c = 0; c < 4; ++c) diff = std::max(diff, std::abs(int{pa[c]} - int{g[c]}));
        worst = std::max(worst, diff);
        if (diff > channel_tolerance) ++differing;
      }
    }
    const double fraction =
        static_cast<double>(differing) / (static_cast<double>(actual.width) * actual.height);
    if (fraction <= max_differing_fraction) return "";
    why << differing << " pixels differ by more than " << channel_tolerance
        << " (largest difference " << worst << ")";
  }

  const fs::path actual_dir = fs::path(TARVOLK_GOLDEN_ACTUAL_DIR);
  std::error_code ignored;
  fs::create_directories(actual_dir, ignored);
  const fs::path actual_path = actual_dir / (name + ".png");
  write_png(actual, actual_path.string());
  why << "; actual image written to " << actual_path.string();
  return why.str();
}

}  // namespace tarvolk::test
