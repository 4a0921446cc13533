#pragma once

// The picture of the info panel at the top of "About & Support": 555 x 127
// pixels, 8-bit BGRA with straight alpha, rows top to bottom. Made at build
// time by effect/generators/write_info_panel_picture.cpp.

#include <cstddef>

inline constexpr int info_panel_picture_width = 555;
inline constexpr int info_panel_picture_height = 127;
inline constexpr int info_panel_picture_row_bytes = info_panel_picture_width * 4;
inline constexpr std::size_t info_panel_picture_bytes =
    static_cast<std::size_t>(info_panel_picture_row_bytes) * info_panel_picture_height;

extern const unsigned char info_panel_picture_pixels[info_panel_picture_bytes];
