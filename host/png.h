#pragma once

// PNG files of the host's worlds, as a viewer shows them, and of plain 8-bit
// RGBA images (the golden pictures of the tests).

#include <cstdint>
#include <string>
#include <vector>

#include "host_api/ae_effect.h"

namespace simhost {

// 8 bits per channel, red, green, blue, alpha; straight alpha; top row first.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
};

// A world as a viewer shows it. 8-bit channels are taken as they are; float
// channels hold the same encoded colour at 0..1 and are clamped to that range
// and rounded to 8 bits (NaN gives 0). Worlds hold straight alpha, as PNG does.
RgbaImage rgba_image_of(const PF_EffectWorld& world);

// Writes an 8-bit RGBA PNG. On failure returns false with the reason in
// *error (when given).
bool write_png(const RgbaImage& image, const std::string& path, std::string* error = nullptr);
bool write_png(const PF_EffectWorld& world, const std::string& path, std::string* error = nullptr);

// Reads any PNG as 8-bit RGBA; an image of width 0 when the file is missing
// or unreadable.
RgbaImage read_png(const std::string& path);

}  // namespace simhost
