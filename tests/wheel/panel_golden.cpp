#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/wheel/panel_fixture.h"

namespace wheel_test {

namespace {

// A channel may differ by this much (font and filter rounding), and only a
// small share of the pixels by more.
constexpr int kChannelTolerance = 6;
constexpr double kMaxDifferingFraction = 0.002;

std::vector<std::uint32_t> read_png(const std::string& path, int* width, int* height) {
  std::vector<std::uint32_t> argb;
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  *width = *height = 0;
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    *width = cairo_image_surface_get_width(surface);
    *height = cairo_image_surface_get_height(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const std::uint32_t opaque =
        cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24 ? 0xff000000u : 0u;
    for (int y = 0; y < *height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * stride);
      for (int x = 0; x < *width; ++x) argb.push_back(row[x] | opaque);
    }
  }
  cairo_surface_destroy(surface);
  return argb;
}

}  // namespace

std::string compare_with_golden(const simhost::DrawbotCanvas& canvas, const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path golden = fs::path(TARVOLK_WHEEL_GOLDEN_DIR) / (name + ".png");
  const char* update = std::getenv("TARVOLK_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    return canvas.write_png(golden.string()) ? "" : "cannot write " + golden.string();
  }
  int width = 0, height = 0;
  const std::vector<std::uint32_t> expected = read_png(golden.string(), &width, &height);
  const std::vector<std::uint32_t> actual = canvas.argb();
  std::ostringstream why;
  if (width != canvas.width() || height != canvas.height()) {
    why << "size " << canvas.width() << "x" << canvas.height() << " differs from the golden's "
        << width << "x" << height;
  } else {
    std::size_t differing = 0;
    int worst = 0;
    for (std::size_t i = 0; i < actual.size(); ++i) {
      int diff = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        diff = std::max(
            diff, std::abs(int((actual[i] >> shift) & 255) - int((expected[i] >> shift) & 255)));
      }
      worst = std::max(worst, diff);
      differing += diff > kChannelTolerance;
    }
    if (differing <= kMaxDifferingFraction * double(actual.size())) return "";
    why << differing << " pixels differ by more than " << kChannelTolerance << " (largest " << worst
        << ")";
  }
  const fs::path actual_dir(TARVOLK_WHEEL_GOLDEN_ACTUAL_DIR);
  std::error_code ignored;
  fs::create_directories(actual_dir, ignored);
  canvas.write_png((actual_dir / (name + ".png")).string());
  why << "; actual picture in " << (actual_dir / (name + ".png")).string();
  return why.str();
}

}  // namespace wheel_test
