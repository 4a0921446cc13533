#include "geometry/flattening_range.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

// Beyond this many halvings a curve piece that still straddles the exact square's edge is taken
// as straight; it is then smaller than 2^-64 of the curve, far below a pixel for any path whose
// coordinates a double holds to a pixel.
constexpr int max_split_depth = 64;
constexpr double largest_coordinate = 1e300;

struct Point {
  double x = 0.0;
  double y = 0.0;
  friend bool operator==(const Point&, const Point&) = default;
};

// One segment of the closed path: a cubic from p0 to p3, or a straight edge (controls on its ends).
struct Segment {
  Point p0, c1, c2, p3;
  bool straight = false;
};

Segment line(Point a, Point b) {
  return {a, a, b, b, true};
}

// Halfway between, without overflowing near the largest doubles.
Point midpoint(Point a, Point b) {
  return {a.x * 0.5 + b.x * 0.5, a.y * 0.5 + b.y * 0.5};
}

struct Box {
  double left, top, right, bottom;
};

Box hull_box(const Segment& s) {
  return {std::min({s.p0.x, s.c1.x, s.c2.x, s.p3.x}), std::min({s.p0.y, s.c1.y, s.c2.y, s.p3.y}),
          std::max({s.p0.x, s.c1.x, s.c2.x, s.p3.x}), std::max({s.p0.y, s.c1.y, s.c2.y, s.p3.y})};
}

bool box_within(const Box& b, double range) {
  return b.left >= -range && b.top >= -range && b.right <= range && b.bottom <= range;
}

bool box_misses(const Box& b, double range) {
  return b.left > range || b.top > range || b.right < -range || b.bottom < -range;
}

// Appends the pieces of a curve: kept as curves where cairo can take them and the exact square
// needs them, straight where the curve keeps out of the exact square. A piece and its chord
// differ only inside the piece's control hull, so a hull that misses the exact square changes
// nothing there.
void split_curve(const Segment& s, int depth, std::vector<Segment>& out) {
  const Box hull = hull_box(s);
  if (box_misses(hull, exact_flattening_range)) {
    out.push_back(line(s.p0, s.p3));
  } else if (box_within(hull, flattening_range)) {
    out.push_back(s);
  } else if (depth >= max_split_depth) {
    out.push_back(line(s.p0, s.p3));
  } else {
    // De Casteljau at t = 1/2.
    const Point a = midpoint(s.p0, s.c1);
    const Point b = midpoint(s.c1, s.c2);
    const Point c = midpoint(s.c2, s.p3);
    const Point ab = midpoint(a, b);
    const Point bc = midpoint(b, c);
    const Point mid = midpoint(ab, bc);
    split_curve({s.p0, a, ab, mid, false}, depth + 1, out);
    split_curve({mid, bc, c, s.p3, false}, depth + 1, out);
  }
}

double& coordinate(Point& p, int axis) {
  return axis == 0 ? p.x : p.y;
}

// Clips the closed run of segments to the half-plane sign * coordinate <= flattening_range
// (Sutherland-Hodgman). Curves are left alone: by now they lie within the square. A stretch that
// leaves the half-plane is replaced by the straight line along its edge from where it left to
// where it came back; the two differ by a loop outside the half-plane, which winds around no
// point inside it.
std::vector<Segment> clip_to_half_plane(const std::vector<Segment>& in, int axis, double sign) {
  const double edge = sign * flattening_range;
  const auto inside = [&](Point p) { return sign * coordinate(p, axis) <= flattening_range; };
  const auto crossing = [&](Point a, Point b) {
    const int other = 1 - axis;
    const double t = (edge - coordinate(a, axis)) / (coordinate(b, axis) - coordinate(a, axis));
    Point p;
    coordinate(p, axis) = edge;
    coordinate(p, other) = coordinate(a, other) + t * (coordinate(b, other) - coordinate(a, other));
    return p;
  };

  std::vector<Segment> kept;
  for (const Segment& s : in) {
    if (!s.straight) {
      kept.push_back(s);
      continue;
    }
    const bool start_inside = inside(s.p0);
    const bool end_inside = inside(s.p3);
    if (start_inside && end_inside) {
      kept.push_back(s);
    } else if (start_inside) {
      kept.push_back(line(s.p0, crossing(s.p0, s.p3)));
    } else if (end_inside) {
      kept.push_back(line(crossing(s.p0, s.p3), s.p3));
    }
  }
  // Where a stretch was left out, its ends (both on the edge) are joined along the edge.
  std::vector<Segment> out;
  out.reserve(kept.size() * 2);
  for (size_t i = 0; i < kept.size(); ++i) {
    out.push_back(kept[i]);
    const Point from = kept[i].p3;
    const Point to = kept[(i + 1) % kept.size()].p0;
    if (!(from == to)) out.push_back(line(from, to));
  }
  return out;
}

Point clamped(double x, double y) {
  return {std::clamp(x, -largest_coordinate, largest_coordinate),
          std::clamp(y, -largest_coordinate, largest_coordinate)};
}

}  // namespace

bool within_flattening_range(const BezierPath& path) {
  const auto within = [](double c) { return !(std::abs(c) > flattening_range); };
  return std::all_of(path.begin(), path.end(), [&](const BezierVertex& v) {
    return within(v.x) && within(v.y) && within(v.in_x) && within(v.in_y) && within(v.out_x) &&
           within(v.out_y);
  });
}

BezierPath cut_to_flattening_range(const BezierPath& path) {
  const bool has_nan = std::any_of(path.begin(), path.end(), [](const BezierVertex& v) {
    return std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.in_x) || std::isnan(v.in_y) ||
           std::isnan(v.out_x) || std::isnan(v.out_y);
  });
  if (has_nan) return path;

  std::vector<Segment> segments;
  const size_t n = path.size();
  for (size_t i = 0; i < n; ++i) {
    const BezierVertex& a = path[i];
    const BezierVertex& b = path[(i + 1) % n];
    const Segment s{clamped(a.x, a.y), clamped(a.out_x, a.out_y), clamped(b.in_x, b.in_y),
                    clamped(b.x, b.y), false};
    if (s.c1 == s.p0 && s.c2 == s.p3) {
      segments.push_back(line(s.p0, s.p3));
    } else {
      split_curve(s, 0, segments);
    }
  }
  for (int axis = 0; axis < 2; ++axis) {
    for (const double sign : {1.0, -1.0}) segments = clip_to_half_plane(segments, axis, sign);
  }

  // Back to vertices; straight edges of no length add nothing.
  std::erase_if(segments, [](const Segment& s) { return s.straight && s.p0 == s.p3; });
  BezierPath cut;
  cut.reserve(segments.size());
  for (size_t i = 0; i < segments.size(); ++i) {
    const Segment& s = segments[i];
    const Segment& previous = segments[(i + segments.size() - 1) % segments.size()];
    cut.push_back({s.p0.x, s.p0.y, previous.c2.x, previous.c2.y, s.c1.x, s.c1.y});
  }
  return cut;
}
