#pragma once

// Cairo flattens in 24.8 fixed point: a coordinate beyond about +-8.4 million pixels wraps
// around, and the polygon that comes back covers something else entirely (a huge mask gives
// nothing, everything or a strip, depending on how far it reaches). A path that reaches beyond
// the range below is therefore cut down before it is flattened, to a path that cairo holds
// exactly and that covers the same pixels wherever a frame can see them.

#include "geometry/source_geometry.h"

// Coordinates within +-2^21 go to cairo as they are: a quarter of cairo's range, so that its own
// sums and differences of coordinates stay within it too.
inline constexpr double flattening_range = 2097152.0;

// Within +-2^20 a cut path covers exactly what the path covers (points and winding), up to
// cairo's flattening tolerance. That is far beyond any frame of the host (at most 30,000 pixels
// across), so the face, the stroke and the walls are as the path makes them. Beyond it the cut
// path is only a closed stand-in: curves there become straight, and what reaches beyond
// +-2^21 ends on the square of that size. Walls of those far edges would show only in a view
// that reaches that far: a vanishing point with an amount within a fraction of a percent of
// 100 %, or a camera looking along the layer.
inline constexpr double exact_flattening_range = 1048576.0;

// Whether every coordinate of the path, control points included, is within +-flattening_range.
// A NaN counts as within: such a path is flattened as it is.
bool within_flattening_range(const BezierPath& path);

// A path within +-flattening_range that covers what `path` covers within +-exact_flattening_range
// (see above). Curves are split where they cross into the exact square; straight edges, and the
// curves outside the exact square as straight edges, are clipped to the square of
// +-flattening_range, the clipped stretches running along its sides. An infinite coordinate
// counts as 1e300; a path with a NaN is given back unchanged. Vertices are flagged afresh by the
// flattening: a cut edge meets the square's side at a corner.
BezierPath cut_to_flattening_range(const BezierPath& path);
