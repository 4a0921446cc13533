#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvolk::test {

// Straight-alpha RGBA, 8 bits per channel, top row first.
struct Rgba8Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 4: r, g, b, a

  const uint8_t* at(int x, int y) const {
    return &pixels[(static_cast<size_t>(y) * width + x) * 4];
  }
};

// Writes a PNG through cairo (un-premultiplied by cairo's PNG writer).
bool write_png(const Rgba8Image& image, const std::string& path);

// Reads a PNG through cairo; an empty image when the file is missing or unreadable.
Rgba8Image read_png(const std::string& path);

// Compares `actual` with tests/render/golden/<name>.png. Pixels are compared premultiplied, so
// the colour of nearly transparent pixels does not count. A pixel differs when any channel
// differs by more than `channel_tolerance`; the comparison passes while at most
// `max_differing_fraction` of the pixels differ. With TARVOLK_UPDATE_GOLDEN=1 in the
// environment the golden file is rewritten instead. On failure the actual image is written to
// golden_actual/<name>.png in the test's build directory and the returned text says where;
// on success the text is empty.
std::string compare_with_golden(const Rgba8Image& actual, const std::string& name,
                                int channel_tolerance = 6, double max_differing_fraction = 0.004);

}  // namespace tarvolk::test
