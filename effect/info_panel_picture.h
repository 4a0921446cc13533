#pragma once

// The picture of the info panel at the top of "About & Support": 555 x 127
// pixels, 8-bit BGRA with straight alpha, rows top to bottom. Made at build
// time by effect/tools/write_info_panel_picture.cpp.

#include <cstddef>

inline constexpr int kInfoPanelPictureWidth = 555;
inline constexpr int kInfoPanelPictureHeight = 127;
inline constexpr int kInfoPanelPictureRowBytes = kInfoPanelPictureWidth * 4;
inline constexpr std::size_t kInfoPanelPictureBytes =
    static_cast<std::size_t>(kInfoPanelPictureRowBytes) * kInfoPanelPictureHeight;

extern const unsigned char kInfoPanelPicture[kInfoPanelPictureBytes];
