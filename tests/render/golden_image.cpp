#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/render/render_test_support.h"

namespace tarvolk::test {
namespace {

bool write_png(const Image& image, const std::string& path) {
  std::vector<uint32_t> pixels = image.argb;  // cairo wants writable data
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(pixels.data()), CAIRO_FORMAT_ARGB32, image.width,
      image.height, image.width * 4);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

// An empty image when the file is missing or unreadable.
Image read_png(const std::string& path) {
  Image image;
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    image.width = cairo_image_surface_get_width(surface);
    image.height = cairo_image_surface_get_height(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint32_t opaque =
        cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24 ? 0xFF000000u : 0u;
    for (int y = 0; y < image.height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
      for (int x = 0; x < image.width; ++x) image.argb.push_back(row[x] | opaque);
    }
  }
  cairo_surface_destroy(surface);
  return image;
}

}  // namespace

std::string compare_with_golden(const Image& actual, const std::string& name, int channel_tolerance,
                                double max_differing_fraction) {
  namespace fs = std::filesystem;
  const fs::path golden_path = fs::path(TARVOLK_GOLDEN_DIR) / (name + ".png");
  const char* update = std::getenv("TARVOLK_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    return write_png(actual, golden_path.string()) ? "" : "cannot write " + golden_path.string();
  }

  std::ostringstream why;
  const Image golden = read_png(golden_path.string());
  if (golden.width != actual.width || golden.height != actual.height) {
    why << "size " << actual.width << "x" << actual.height << " differs from the golden's "
        << golden.width << "x" << golden.height << " (" << golden_path.string() << ")";
  } else {
    size_t differing = 0;
    int worst = 0;
    for (size_t i = 0; i < actual.argb.size(); ++i) {
      int diff = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        diff = std::max(diff, std::abs(static_cast<int>((actual.argb[i] >> shift) & 255) -
                                       static_cast<int>((golden.argb[i] >> shift) & 255)));
      }
      worst = std::max(worst, diff);
      differing += diff > channel_tolerance;
    }
    if (differing <= max_differing_fraction * static_cast<double>(actual.argb.size())) return "";
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
