#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "host/png.h"
#include "tests/render/render_test_support.h"

namespace tarvolk::test {
namespace {

// Between premultiplied ARGB and the straight alpha of PNG files, rounded as
// cairo rounds, so that pictures written before keep comparing equal.
bool write_png(const Image& image, const std::string& path) {
  simhost::RgbaImage png{image.width, image.height, {}};
  for (uint32_t p : image.argb) {
    const uint32_t a = p >> 24;
    for (int shift : {16, 8, 0}) {
      const uint32_t c = (p >> shift) & 255;
      png.rgba.push_back(static_cast<uint8_t>(a == 0 ? 0 : (c * 255 + a / 2) / a));
    }
    png.rgba.push_back(static_cast<uint8_t>(a));
  }
  return simhost::write_png(png, path);
}

// An empty image when the file is missing or unreadable.
Image read_png(const std::string& path) {
  const simhost::RgbaImage png = simhost::read_png(path);
  Image image{png.width, png.height, {}};
  for (size_t i = 0; i + 3 < png.rgba.size(); i += 4) {
    const uint32_t a = png.rgba[i + 3];
    uint32_t p = a << 24;
    for (int k = 0; k < 3; ++k) {
      const uint32_t t = a * png.rgba[i + k] + 0x80;
      p |= ((t + (t >> 8)) >> 8) << (16 - 8 * k);
    }
    image.argb.push_back(p);
  }
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
