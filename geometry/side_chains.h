#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "geometry/extrusion_mode.h"
#include "geometry/matrix.h"
#include "geometry/path_types.h"

// The extrusion settings the chain and mesh steps read. mode is directional
// or vanishing; camera mode arrives here as vanishing.
struct ChainParams {
  ExtrusionMode mode = ExtrusionMode::directional;
  dvec2 direction;
  dvec2 vanishing_point;
};

// A point with its sweep key: its position across the extrusion
// (directional), or minus its angle about the vanishing point (vanishing).
struct KeyedPoint {
  double x = 0.0;
  double y = 0.0;
  double key = 0.0;
};

using KeyedPath = std::vector<KeyedPoint>;

// A maximal run of points of one path along which the key rises. Vertex
// indices are taken modulo the path length, so end may exceed it. Exact
// points lie on an edge where vanishing mode cuts the path at the angle wrap.
struct SideChain {
  const KeyedPath* path = nullptr;
  uint64_t start = 0;
  uint64_t end = 0;
  KeyedPoint exact_start;
  bool has_exact_start = false;
  KeyedPoint exact_end;
  bool has_exact_end = false;
};

// The keyed copies (one per combined path, in path order) and the chains
// that point into them. Copying would leave the chains pointing into the
// original, so the set only moves (a moved vector keeps its storage).
struct SideChainSet {
  std::vector<KeyedPath> keyed_paths;
  std::vector<SideChain> chains;

  SideChainSet() = default;
  SideChainSet(const SideChainSet&) = delete;
  SideChainSet& operator=(const SideChainSet&) = delete;
  SideChainSet(SideChainSet&&) = default;
  SideChainSet& operator=(SideChainSet&&) = default;

  // The index of the combined path the chain runs along.
  size_t path_index(const SideChain& chain) const {
    return static_cast<size_t>(chain.path - keyed_paths.data());
  }
};

uint64_t chain_point_count(const SideChain& chain);
KeyedPoint chain_point_at(const SideChain& chain, uint64_t k);
KeyedPoint chain_first_point(const SideChain& chain);
KeyedPoint chain_last_point(const SideChain& chain);

// Keys every point and cuts every path into its rising chains, path by path.
SideChainSet split_paths_into_chains(const PathsD& paths, const ChainParams& params);

// +1 when the segment a-b lies ahead of p on p's sweep ray (against the
// direction, or away from the vanishing point), -1 behind, 0 when the ray
// misses it or meets it at p. The ray meets the segment where it crosses it
// between its ends, or within `reach` (a fraction of its length) beyond them.
int segment_side(const ChainParams& params, const KeyedPoint& a, const KeyedPoint& b,
                 const KeyedPoint& p, double reach = 0.0);

// The first index in [1, count - 2] whose key is not below `key`, or
// count - 1 when there is none.
uint64_t find_chain_segment(const SideChain& chain, double key);

// The side of p relative to the chain at p's key; 0 outside the chain's key
// range.
int chain_point_side(const ChainParams& params, const SideChain& chain, const KeyedPoint& p);

// True when chain a lies beyond chain b along the extrusion, where their key
// ranges overlap. Not a strict weak ordering: chains with disjoint key ranges
// are neither before nor after each other.
bool chain_before(const ChainParams& params, const std::vector<SideChain>& chains, uint64_t a,
                  uint64_t b);

// Every chain's points, in chain order, in one array: what the order's many
// comparisons read, without the index arithmetic of chain_point_at.
class ChainPoints {
 public:
  explicit ChainPoints(const std::vector<SideChain>& chains);
  std::span<const KeyedPoint> of(uint64_t chain) const {
    return {points_.data() + start_[chain], start_[chain + 1] - start_[chain]};
  }

 private:
  std::vector<KeyedPoint> points_;
  std::vector<uint64_t> start_;  // chain c's points are [start_[c], start_[c + 1])
};

// chain_before on the chains' points gathered by ChainPoints; the same answers.
bool chain_before(const ChainParams& params, const ChainPoints& points, uint64_t a, uint64_t b);

// Chain indices front to back, each chain exactly once.
std::vector<uint64_t> order_chains_front_to_back(const std::vector<SideChain>& chains,
                                                 const ChainParams& params);

// Puts the chains into occlusion order, frontmost first.
void build_side_chain_order(std::vector<SideChain>& chains, const ChainParams& params);
