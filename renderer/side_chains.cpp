#include "renderer/side_chains.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

struct ChainBreak {
  bool rising = false;  // the key rises after this point
  uint64_t index = 0;
  KeyedPoint exact;
  bool has_exact = false;
};

double sweep_key(const ChainParams& params, double x, double y) {
  if (params.mode == chain_mode_vanishing) {
    return -std::atan2(y - params.vanishing_point.y, x - params.vanishing_point.x);
  }
  return -params.direction.y * x + params.direction.x * y;
}

// Vanishing mode tests the clockwise turn about the vanishing point with a
// cross product, which has no wrap.
bool edge_rises(const ChainParams& params, const KeyedPoint& a, const KeyedPoint& b) {
  if (params.mode == chain_mode_vanishing) {
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
    if (params.mode == chain_mode_vanishing && rising_out && cur.key > next.key) {
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
  for (const KeyedPath& keyed : set.keyed_paths) split_path(keyed, params, set.chains, breaks);
  return set;
}

int segment_side(const ChainParams& params, const KeyedPoint& a, const KeyedPoint& b,
                 const KeyedPoint& p, double reach) {
  const double vx = params.vanishing_point.x;
  const double vy = params.vanishing_point.y;
  double v_x;
  double v_y;
  if (params.mode == chain_mode_vanishing) {
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

uint64_t find_chain_segment(const SideChain& chain, double key) {
  const uint64_t count = chain_point_count(chain);
  // Lower bound over [1, count - 1): the first point whose key is not below.
  uint64_t lo = 1;
  uint64_t hi = count > 1 ? count - 1 : 1;
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    if (chain_point_at(chain, mid).key < key) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

int chain_point_side(const ChainParams& params, const SideChain& chain, const KeyedPoint& p) {
  const uint64_t count = chain_point_count(chain);
  if (count < 2) return 0;
  if (chain_point_at(chain, 0).key > p.key || p.key > chain_point_at(chain, count - 1).key) {
    return 0;
  }
  const uint64_t i = find_chain_segment(chain, p.key);
  // The segment is chosen by key, so p's ray crosses it; where p's key is a
  // vertex's key the crossing lies on the segment's end, and rounding must
  // not make the ray miss it.
  constexpr double rounding_reach = 1e-9;
  return segment_side(params, chain_point_at(chain, i - 1), chain_point_at(chain, i), p,
                      rounding_reach);
}

bool chain_before(const ChainParams& params, const std::vector<SideChain>& chains, uint64_t a,
                  uint64_t b) {
  if (a == b) return false;
  const SideChain& ca = chains[a];
  const SideChain& cb = chains[b];
  return chain_point_side(params, cb, chain_first_point(ca)) > 0 ||
         chain_point_side(params, cb, chain_last_point(ca)) > 0 ||
         chain_point_side(params, ca, chain_first_point(cb)) < 0 ||
         chain_point_side(params, ca, chain_last_point(cb)) < 0;
}
