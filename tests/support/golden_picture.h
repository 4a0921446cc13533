#pragma once

// Pictures compared with reviewed golden PNGs in the test's
// TARVOLK_GOLDEN_DIR. Regenerate them with TARVOLK_UPDATE_GOLDEN=1 and look
// at every one before committing it; a failing comparison leaves the actual
// picture in TARVOLK_GOLDEN_ACTUAL_DIR.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "host/png.h"

namespace simhost::test {

// A pixel differs when a channel differs by more than `tolerance` (colour
// weighted by alpha, so that nearly transparent pixels count for little); at
// most `max_differing_fraction` of the pixels may. Empty when equal enough,
// else why not.
inline std::string compare_with_golden(const RgbaImage& actual, const std::string& name,
                                       int tolerance = 6, double max_differing_fraction = 0.004) {
  namespace fs = std::filesystem;
  const fs::path golden_path = fs::path(TARVOLK_GOLDEN_DIR) / (name + ".png");
  const char* update = std::getenv("TARVOLK_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::string why;
    return write_png(actual, golden_path.string(), &why) ? "" : why;
  }
  const RgbaImage golden = read_png(golden_path.string());
  std::ostringstream why;
  if (golden.width != actual.width || golden.height != actual.height) {
    why << "size " << actual.width << "x" << actual.height << " differs from the golden's "
        << golden.width << "x" << golden.height << " (" << golden_path.string() << ")";
  } else {
    size_t differing = 0;
    int worst = 0;
    for (size_t i = 0; i < actual.rgba.size(); i += 4) {
      int diff = std::abs(actual.rgba[i + 3] - golden.rgba[i + 3]);
      for (size_t k = 0; k < 3; ++k) {
        diff = std::max(diff, std::abs(actual.rgba[i + k] * actual.rgba[i + 3] -
                                       golden.rgba[i + k] * golden.rgba[i + 3]) /
                                  255);
      }
      worst = std::max(worst, diff);
      differing += diff > tolerance;
    }
    if (differing <= max_differing_fraction * static_cast<double>(actual.rgba.size() / 4)) {
      return "";
    }
    why << differing << " pixels differ by more than " << tolerance << " (largest difference "
        << worst << ")";
  }
  const fs::path actual_dir(TARVOLK_GOLDEN_ACTUAL_DIR);
  std::error_code ignored;
  fs::create_directories(actual_dir, ignored);
  const fs::path actual_path = actual_dir / (name + ".png");
  write_png(actual, actual_path.string());
  why << "; actual picture written to " << actual_path.string();
  return why.str();
}

inline std::string compare_with_golden(const PF_EffectWorld& world, const std::string& name) {
  return compare_with_golden(rgba_image_of(world), name);
}

// Pixels of the picture whose alpha lies in [lo, hi].
inline size_t count_alpha(const RgbaImage& image, int lo, int hi) {
  size_t n = 0;
  for (size_t i = 3; i < image.rgba.size(); i += 4) n += image.rgba[i] >= lo && image.rgba[i] <= hi;
  return n;
}

}  // namespace simhost::test
