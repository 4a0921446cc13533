#pragma once

// Cairo fills outlines in fixed point, and an outline that reaches far
// beyond the pixels it is drawn into comes out as something else entirely:
// a diagonal edge spanning some 130,000 pixels or more (measured on cairo
// 1.16) fills nothing or a strip, and beyond about 8.4 million pixels every
// coordinate wraps around. An outline that reaches beyond the reach below is
// therefore cut, before cairo sees it, to one near the pixels drawn that
// covers the same pixels there.

#include <vector>

#include "host/scene/values.h"

namespace simhost::scene {

// Outlines within +-2^15 pixels of the drawing's origin go to cairo as they
// are: well within what it fills right, and beyond the host's largest layer
// (30,000 pixels a side).
inline constexpr double cairo_reach = 32768.0;

// One piece of a closed outline, in the pixels cairo draws in: a cubic from
// `from` through the control points `c1`, `c2` to `to`, or a straight edge.
struct OutlinePiece {
  Vec2 from, c1, c2, to;
  bool straight = false;
};

// Whether every point of the pieces, control points included, is within
// +-cairo_reach.
bool within_cairo_reach(const std::vector<OutlinePiece>& outline);

// The closed outline (each piece starting where the one before it ends) cut
// to the area from (0, 0) to (width, height) grown by 64 pixels: within a
// pixel of the area it covers what the outline covers, up to cairo's
// flattening tolerance. Curves are split where they cross into that; straight
// edges, and curves away from the area as straight edges, are clipped to the
// grown area, the clipped stretches running along its sides. Infinite
// coordinates count as 1e300; an outline with a NaN gives nothing.
std::vector<OutlinePiece> cut_to_area(const std::vector<OutlinePiece>& outline, double width,
                                      double height);

}  // namespace simhost::scene
