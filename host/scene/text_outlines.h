#pragma once

// Glyph outlines of a text, line by line, made with cairo from an installed font:
// one closed path a contour, in the order cairo gives them, with the
// control points of each vertex relative to it.

#include <vector>

#include "host/scene/composition.h"

namespace simhost::scene {

// Throws std::runtime_error naming the font when that family and weight are
// not installed (no other font is taken in its place, nor the regular face
// made bolder) or the font is bitmap-only. A character the font has no glyph
// for, or that no font shows, is the font's missing-glyph box. An empty text
// gives no outlines.
std::vector<PathShape> glyph_outlines(const TextContent& text);

}  // namespace simhost::scene
