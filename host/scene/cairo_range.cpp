#include "host/scene/cairo_range.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace simhost::scene {

namespace {

// Where a cut outline is exact: the area and a pixel around it, which
// anti-aliasing reads no further than.
constexpr double exact_margin = 1.0;
// Where a cut outline stays: far enough beyond the exact area that a curve
// piece straddling its edge, once split to this size, lies within.
constexpr double kept_margin = 64.0;
// Beyond this many halvings a curve piece still straddling the exact area's
// edge is taken as straight: it is then smaller than 2^-64 of the curve, far
// below a pixel.
constexpr int max_split_depth = 64;
constexpr double largest_coordinate = 1e300;

struct Box {
  double left, top, right, bottom;
};

Box grown(double width, double height, double margin) {
  return {-margin, -margin, width + margin, height + margin};
}

bool same(Vec2 a, Vec2 b) {
  return a.x == b.x && a.y == b.y;
}

OutlinePiece line(Vec2 a, Vec2 b) {
  return {a, a, b, b, true};
}

// Halfway between, without overflowing near the largest doubles.
Vec2 midpoint(Vec2 a, Vec2 b) {
  return {a.x * 0.5 + b.x * 0.5, a.y * 0.5 + b.y * 0.5};
}

Box hull_box(const OutlinePiece& p) {
  return {
      std::min({p.from.x, p.c1.x, p.c2.x, p.to.x}), std::min({p.from.y, p.c1.y, p.c2.y, p.to.y}),
      std::max({p.from.x, p.c1.x, p.c2.x, p.to.x}), std::max({p.from.y, p.c1.y, p.c2.y, p.to.y})};
}

bool box_within(const Box& b, const Box& area) {
  return b.left >= area.left && b.top >= area.top && b.right <= area.right &&
         b.bottom <= area.bottom;
}

bool box_misses(const Box& b, const Box& area) {
  return b.left > area.right || b.top > area.bottom || b.right < area.left || b.bottom < area.top;
}

// The pieces of a curve: curves where the exact area needs them (split until
// they lie within the kept area), straight where the curve keeps out of the
// exact area. A curve and its chord differ only inside its control hull, so
// a hull that misses the exact area changes nothing there.
void split_curve(const OutlinePiece& p, const Box& exact, const Box& kept, int depth,
                 std::vector<OutlinePiece>& out) {
  const Box hull = hull_box(p);
  if (box_misses(hull, exact)) {
    out.push_back(line(p.from, p.to));
  } else if (box_within(hull, kept)) {
    out.push_back(p);
  } else if (depth >= max_split_depth) {
    out.push_back(line(p.from, p.to));
  } else {
    // De Casteljau at t = 1/2.
    const Vec2 a = midpoint(p.from, p.c1);
    const Vec2 b = midpoint(p.c1, p.c2);
    const Vec2 c = midpoint(p.c2, p.to);
    const Vec2 ab = midpoint(a, b);
    const Vec2 bc = midpoint(b, c);
    const Vec2 mid = midpoint(ab, bc);
    split_curve({p.from, a, ab, mid, false}, exact, kept, depth + 1, out);
    split_curve({mid, bc, c, p.to, false}, exact, kept, depth + 1, out);
  }
}

double& coordinate(Vec2& p, int axis) {
  return axis == 0 ? p.x : p.y;
}

// Clips the closed run of pieces to the half-plane where the coordinate on
// `axis` is at most `bound` (`sign` 1) or at least it (`sign` -1), as
// Sutherland-Hodgman does. Curves lie within the kept area by now. A stretch
// that leaves the half-plane is replaced by the straight line along its edge
// from where it left to where it came back; the two differ by a loop outside
// the half-plane, which winds around no point inside it.
std::vector<OutlinePiece> clip_to_half_plane(const std::vector<OutlinePiece>& in, int axis,
                                             double sign, double bound) {
  const auto inside = [&](Vec2 p) { return sign * coordinate(p, axis) <= sign * bound; };
  const auto crossing = [&](Vec2 a, Vec2 b) {
    const int other = 1 - axis;
    const double t = (bound - coordinate(a, axis)) / (coordinate(b, axis) - coordinate(a, axis));
    Vec2 p;
    coordinate(p, axis) = bound;
    coordinate(p, other) = coordinate(a, other) + t * (coordinate(b, other) - coordinate(a, other));
    return p;
  };

  std::vector<OutlinePiece> kept;
  for (const OutlinePiece& p : in) {
    if (!p.straight) {
      kept.push_back(p);
      continue;
    }
    const bool from_inside = inside(p.from);
    const bool to_inside = inside(p.to);
    if (from_inside && to_inside) {
      kept.push_back(p);
    } else if (from_inside) {
      kept.push_back(line(p.from, crossing(p.from, p.to)));
    } else if (to_inside) {
      kept.push_back(line(crossing(p.from, p.to), p.to));
    }
  }
  // Where a stretch was left out, its ends (both on the edge) are joined
  // along the edge.
  std::vector<OutlinePiece> out;
  out.reserve(kept.size() * 2);
  for (size_t i = 0; i < kept.size(); ++i) {
    out.push_back(kept[i]);
    const Vec2 from = kept[i].to;
    const Vec2 to = kept[(i + 1) % kept.size()].from;
    if (!same(from, to)) out.push_back(line(from, to));
  }
  return out;
}

Vec2 clamped(Vec2 p) {
  return {std::clamp(p.x, -largest_coordinate, largest_coordinate),
          std::clamp(p.y, -largest_coordinate, largest_coordinate)};
}

}  // namespace

bool within_cairo_reach(const std::vector<OutlinePiece>& outline) {
  const auto within = [](Vec2 p) {
    return std::abs(p.x) <= cairo_reach && std::abs(p.y) <= cairo_reach;
  };
  return std::all_of(outline.begin(), outline.end(), [&](const OutlinePiece& p) {
    return within(p.from) && within(p.c1) && within(p.c2) && within(p.to);
  });
}

std::vector<OutlinePiece> cut_to_area(const std::vector<OutlinePiece>& outline, double width,
                                      double height) {
  const Box exact = grown(width, height, exact_margin);
  const Box kept = grown(width, height, kept_margin);
  std::vector<OutlinePiece> pieces;
  for (const OutlinePiece& given : outline) {
    for (const Vec2 v : {given.from, given.c1, given.c2, given.to}) {
      if (std::isnan(v.x) || std::isnan(v.y)) return {};
    }
    const OutlinePiece p{clamped(given.from), clamped(given.c1), clamped(given.c2),
                         clamped(given.to), given.straight};
    if (p.straight || (same(p.c1, p.from) && same(p.c2, p.to))) {
      pieces.push_back(line(p.from, p.to));
    } else {
      split_curve(p, exact, kept, 0, pieces);
    }
  }
  pieces = clip_to_half_plane(pieces, 0, 1.0, kept.right);
  pieces = clip_to_half_plane(pieces, 0, -1.0, kept.left);
  pieces = clip_to_half_plane(pieces, 1, 1.0, kept.bottom);
  pieces = clip_to_half_plane(pieces, 1, -1.0, kept.top);
  // Straight edges of no length add nothing.
  std::erase_if(pieces, [](const OutlinePiece& p) { return p.straight && same(p.from, p.to); });
  return pieces;
}

}  // namespace simhost::scene
