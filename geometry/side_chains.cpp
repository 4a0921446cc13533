#include "geometry/side_chains.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

#include "host_support/frame_abort.h"

namespace {

struct ChainBreak {
  bool rising = false;  // the key rises after this point
  uint64_t index = 0;
  KeyedPoint exact;
  bool has_exact = false;
};

double sweep_key(const ChainParams& params, double x, double y) {
  if (sweeps_towards_point(params.mode)) {
    return -std::atan2(y - params.vanishing_point.y, x - params.vanishing_point.x);
  }
  return -params.direction.y * x + params.direction.x * y;
}

// Vanishing mode tests the clockwise turn about the vanishing point with a
// cross product, which has no wrap.
bool edge_rises(const ChainParams& params, const KeyedPoint& a, const KeyedPoint& b) {
  if (sweeps_towards_point(params.mode)) {
    const double vx = params.vanishing_point.x;
    const double vy = params.vanishing_point.y;
    return (b.x - vx) * (a.y - vy) > (a.x - vx) * (b.y - vy);
  }
  return b.key > a.key;
}

void split_path(const KeyedPath& path, const ChainParams& params, std::vector<SideChain>& chains,
                std::vector<ChainBreak>& breaks) {
  const uint64_t n = path.size();
  breaks.clear();
  for (uint64_t i = 0; i < n; ++i) {
    const KeyedPoint& prev = path[(i + n - 1) % n];
    const KeyedPoint& cur = path[i];
    const KeyedPoint& next = path[(i + 1) % n];
    const bool rising_in = edge_rises(params, prev, cur);
    const bool rising_out = edge_rises(params, cur, next);
    if (rising_in != rising_out) breaks.push_back({rising_out, i, {}, false});
    if (sweeps_towards_point(params.mode) && rising_out && cur.key > next.key) {
      // The edge crosses the ray left of the vanishing point, where the key
      // wraps from +pi to -pi. t is kept within the edge: on a nearly radial
      // edge the rounded cross product and atan2 can disagree, and the cut
      // point must stay finite there.
      const double vy = params.vanishing_point.y;
      double t = (vy - cur.y) / (next.y - cur.y);
      t = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
      const double x = (1.0 - t) * cur.x + t * next.x;
      breaks.push_back({false, i, {x, vy, std::numbers::pi}, true});
      breaks.push_back({true, i + 1, {x, vy, -std::numbers::pi}, true});
    }
  }
  if (breaks.empty()) return;
  const size_t skip = breaks.front().rising ? 0 : 1;
  if (skip == 1) breaks.front().index += n;
  for (size_t k = skip; k < breaks.size(); k += 2) {
    const ChainBreak& b0 = breaks[k];
    const ChainBreak& b1 = breaks[(k + 1) % breaks.size()];
    chains.push_back({&path, b0.index, b1.index, b0.exact, b0.has_exact, b1.exact, b1.has_exact});
  }
}

}  // namespace

uint64_t chain_point_count(const SideChain& chain) {
  return chain.end - chain.start + 1 + (chain.has_exact_start ? 1 : 0) +
         (chain.has_exact_end ? 1 : 0);
}

KeyedPoint chain_point_at(const SideChain& chain, uint64_t k) {
  if (chain.has_exact_start && k == 0) return chain.exact_start;
  const uint64_t i = chain.start - (chain.has_exact_start ? 1 : 0) + k;
  if (chain.has_exact_end && i == chain.end + 1) return chain.exact_end;
  const KeyedPath& path = *chain.path;
  return path[i % path.size()];
}

KeyedPoint chain_first_point(const SideChain& chain) {
  return chain_point_at(chain, 0);
}

KeyedPoint chain_last_point(const SideChain& chain) {
  return chain_point_at(chain, chain_point_count(chain) - 1);
}

SideChainSet split_paths_into_chains(const PathsD& paths, const ChainParams& params) {
  SideChainSet set;
  set.keyed_paths.resize(paths.size());
  for (size_t p = 0; p < paths.size(); ++p) {
    KeyedPath& keyed = set.keyed_paths[p];
    keyed.reserve(paths[p].size());
    for (const PathVertexZ& v : paths[p]) keyed.push_back({v.x, v.y, sweep_key(params, v.x, v.y)});
  }
  // The chains point into keyed_paths, which is not resized from here on.
  std::vector<ChainBreak> breaks;
  for (const KeyedPath& keyed : set.keyed_paths) {
    check_frame_abort_when_due();
    split_path(keyed, params, set.chains, breaks);
  }
  return set;
}

int segment_side(const ChainParams& params, const KeyedPoint& a, const KeyedPoint& b,
                 const KeyedPoint& p, double reach) {
  const double vx = params.vanishing_point.x;
  const double vy = params.vanishing_point.y;
  double v_x;
  double v_y;
  if (sweeps_towards_point(params.mode)) {
    if (p.x == vx && p.y == vy) return 1;
    v_x = p.x - vx;
    v_y = p.y - vy;
  } else {
    v_x = -params.direction.x;
    v_y = -params.direction.y;
  }
  double d;
  if (a.x == b.x && a.y == b.y) {
    d = ((a.x - vx) * (a.x - vx) + (a.y - vy) * (a.y - vy)) -
        ((p.x - vx) * (p.x - vx) + (p.y - vy) * (p.y - vy));
  } else {
    const double e_x = a.x - b.x;
    const double e_y = a.y - b.y;
    const double det = v_x * e_y - e_x * v_y;
    const double t = ((a.x - p.x) * e_y - e_x * (a.y - p.y)) / det;
    const double s = (v_x * (a.y - p.y) - v_y * (a.x - p.x)) / det;
    if (s < -reach || s > 1.0 + reach) return 0;
    d = t;
  }
  if (d == 0.0) return 0;
  return d > 0.0 ? 1 : -1;
}

namespace {

// The first index in [1, count - 2] whose key is not below `key`, or count - 1, over the points
// at(0) .. at(count - 1) of one chain.
template <typename PointAt>
uint64_t find_segment(uint64_t count, const PointAt& at, double key) {
  uint64_t lo = 1;
  uint64_t hi = count > 1 ? count - 1 : 1;
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    if (at(mid).key < key) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

template <typename PointAt>
int point_side(const ChainParams& params, uint64_t count, const PointAt& at, const KeyedPoint& p) {
  if (count < 2) return 0;
  if (at(0).key > p.key || p.key > at(count - 1).key) return 0;
  const uint64_t i = find_segment(count, at, p.key);
  // The segment is chosen by key, so p's ray crosses it; where p's key is a
  // vertex's key the crossing lies on the segment's end, and rounding must
  // not make the ray miss it.
  constexpr double rounding_reach = 1e-9;
  return segment_side(params, at(i - 1), at(i), p, rounding_reach);
}

// chain_before on two chains given as their point counts and point accessors.
template <typename PointAtA, typename PointAtB>
bool before(const ChainParams& params, uint64_t count_a, const PointAtA& at_a, uint64_t count_b,
            const PointAtB& at_b) {
  if (count_a == 0 || count_b == 0) return false;
  return point_side(params, count_b, at_b, at_a(0)) > 0 ||
         point_side(params, count_b, at_b, at_a(count_a - 1)) > 0 ||
         point_side(params, count_a, at_a, at_b(0)) < 0 ||
         point_side(params, count_a, at_a, at_b(count_b - 1)) < 0;
}

auto accessor(const SideChain& chain) {
  return [&chain](uint64_t k) { return chain_point_at(chain, k); };
}

auto accessor(std::span<const KeyedPoint> points) {
  return [points](uint64_t k) -> const KeyedPoint& { return points[k]; };
}

}  // namespace

uint64_t find_chain_segment(const SideChain& chain, double key) {
  return find_segment(chain_point_count(chain), accessor(chain), key);
}

int chain_point_side(const ChainParams& params, const SideChain& chain, const KeyedPoint& p) {
  return point_side(params, chain_point_count(chain), accessor(chain), p);
}

bool chain_before(const ChainParams& params, const std::vector<SideChain>& chains, uint64_t a,
                  uint64_t b) {
  if (a == b) return false;
  return before(params, chain_point_count(chains[a]), accessor(chains[a]),
                chain_point_count(chains[b]), accessor(chains[b]));
}

ChainPoints::ChainPoints(const std::vector<SideChain>& chains) {
  start_.reserve(chains.size() + 1);
  start_.push_back(0);
  for (const SideChain& chain : chains) start_.push_back(start_.back() + chain_point_count(chain));
  points_.reserve(start_.back());
  for (const SideChain& chain : chains) {
    const uint64_t count = chain_point_count(chain);
    for (uint64_t k = 0; k < count; ++k) points_.push_back(chain_point_at(chain, k));
  }
}

bool chain_before(const ChainParams& params, const ChainPoints& points, uint64_t a, uint64_t b) {
  if (a == b) return false;
  const std::span<const KeyedPoint> pa = points.of(a);
  const std::span<const KeyedPoint> pb = points.of(b);
  return before(params, pa.size(), accessor(pa), pb.size(), accessor(pb));
}
