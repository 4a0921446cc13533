#include "renderer/side_chains.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "renderer/chain_order.h"
#include "tests/renderer_frame/frame_test_util.h"

namespace {

constexpr double pi = std::numbers::pi;

ChainParams directional(double dx, double dy) {
  return {chain_mode_directional, {dx, dy}, {}};
}
ChainParams vanishing(double vx, double vy) {
  return {chain_mode_vanishing, {}, {vx, vy}};
}

std::vector<KeyedPoint> chain_points(const SideChain& chain) {
  std::vector<KeyedPoint> points;
  for (uint64_t k = 0; k < chain_point_count(chain); ++k)
    points.push_back(chain_point_at(chain, k));
  return points;
}

TEST(SideChains, UnitSquareRisesOnlyAlongItsTopEdge) {
  const SideChainSet set = split_paths_into_chains({rect_path(0, 0, 1, 1)}, directional(0, 1));
  ASSERT_EQ(set.keyed_paths.size(), 1u);
  EXPECT_EQ(set.keyed_paths[0][1].key, -1.0);  // keys are -x
  ASSERT_EQ(set.chains.size(), 1u);
  const SideChain& chain = set.chains[0];
  EXPECT_EQ(chain.path, &set.keyed_paths[0]);
  EXPECT_EQ(chain.start, 2u);
  EXPECT_EQ(chain.end, 3u);
  EXPECT_FALSE(chain.has_exact_start);
  EXPECT_FALSE(chain.has_exact_end);
  EXPECT_EQ(set.path_index(chain), 0u);
}

TEST(SideChains, ConvexOutlineGivesOneChainFromLowestToHighestKey) {
  // The lowest key sits at the last vertex, so the chain wraps past the end.
  const PathD hexagon = circle_path(3, 4, 10, 6, false);
  const ChainParams params = directional(std::cos(0.3), std::sin(0.3));
  const SideChainSet set = split_paths_into_chains({hexagon}, params);
  ASSERT_EQ(set.chains.size(), 1u);
  const std::vector<KeyedPoint> points = chain_points(set.chains[0]);
  const KeyedPath& keyed = set.keyed_paths[0];
  auto by_key = [](const KeyedPoint& a, const KeyedPoint& b) { return a.key < b.key; };
  EXPECT_EQ(points.front().key, std::min_element(keyed.begin(), keyed.end(), by_key)->key);
  EXPECT_EQ(points.back().key, std::max_element(keyed.begin(), keyed.end(), by_key)->key);
  for (size_t k = 1; k < points.size(); ++k) EXPECT_GT(points[k].key, points[k - 1].key);
}

TEST(SideChains, TwoPointPathRisesFromLowerToHigherKey) {
  const PathD segment{{5, 0, 1}, {2, 0, 1}};
  const SideChainSet set = split_paths_into_chains({segment}, directional(0, 1));
  ASSERT_EQ(set.chains.size(), 1u);
  EXPECT_EQ(chain_first_point(set.chains[0]).x, 5.0);
  EXPECT_EQ(chain_last_point(set.chains[0]).x, 2.0);
}

TEST(SideChains, FlatOrEmptyPathsGiveNoChain) {
  const PathsD paths{{}, {{1, 1, 1}}, {{0, 3, 1}, {0, 5, 1}, {0, 4, 1}}};
  const SideChainSet set = split_paths_into_chains(paths, directional(0, 1));
  EXPECT_EQ(set.keyed_paths.size(), 3u);
  EXPECT_TRUE(set.chains.empty());
}

TEST(SideChains, ClockwiseAroundVanishingPointCutsAtTheWrap) {
  const PathD ring = circle_path(0.5, -0.25, 3, 16, /*clockwise=*/true);
  const SideChainSet set = split_paths_into_chains({ring}, vanishing(0.5, -0.25));
  ASSERT_EQ(set.chains.size(), 1u);
  const SideChain& chain = set.chains[0];
  ASSERT_TRUE(chain.has_exact_start);
  ASSERT_TRUE(chain.has_exact_end);
  EXPECT_EQ(chain.exact_start.key, -pi);
  EXPECT_EQ(chain.exact_end.key, pi);
  EXPECT_EQ(chain.exact_start.y, -0.25);
  EXPECT_EQ(chain.exact_end.y, -0.25);
  EXPECT_EQ(chain.exact_start.x, chain.exact_end.x);
  EXPECT_LT(chain.exact_start.x, 0.5 - 2.9);
  // Every vertex between the two cuts, keys rising throughout.
  EXPECT_EQ(chain_point_count(chain), 18u);
  const std::vector<KeyedPoint> points = chain_points(chain);
  for (size_t k = 1; k < points.size(); ++k) EXPECT_GT(points[k].key, points[k - 1].key);

  const PathD reversed(ring.rbegin(), ring.rend());
  EXPECT_TRUE(split_paths_into_chains({reversed}, vanishing(0.5, -0.25)).chains.empty());
}

TEST(SegmentSide, RayAheadBehindOrMissing) {
  const ChainParams params = directional(0, 1);  // sweep rays point down
  const KeyedPoint a{0, 0, 0};
  const KeyedPoint b{2, 0, -2};
  EXPECT_EQ(segment_side(params, a, b, {1, 1, -1}), 1);    // segment below p
  EXPECT_EQ(segment_side(params, a, b, {1, -1, -1}), -1);  // segment above p
  EXPECT_EQ(segment_side(params, a, b, {1, 0, -1}), 0);    // p on it
  EXPECT_EQ(segment_side(params, a, b, {3, 1, -3}), 0);    // ray misses
  // A degenerate segment compares distances from the vanishing point.
  const ChainParams vp = vanishing(0, 0);
  EXPECT_EQ(segment_side(vp, {3, 0, 0}, {3, 0, 0}, {1, 0, 0}), 1);
  EXPECT_EQ(segment_side(vp, {1, 0, 0}, {1, 0, 0}, {3, 0, 0}), -1);
  // A probe exactly at the vanishing point lies behind everything.
  EXPECT_EQ(segment_side(vp, {5, 5, 0}, {6, 5, 0}, {0, 0, 0}), 1);
}

TEST(ChainPointSide, ZeroOutsideTheKeyRange) {
  const SideChainSet set = split_paths_into_chains({rect_path(0, 0, 1, 1)}, directional(0, 1));
  const ChainParams params = directional(0, 1);
  const SideChain& top = set.chains[0];                         // x from 1 to 0 at y 1, keys -1..0
  EXPECT_EQ(chain_point_side(params, top, {0.5, 2, -0.5}), 1);  // edge below the probe
  EXPECT_EQ(chain_point_side(params, top, {0.5, 0, -0.5}), -1);
  EXPECT_EQ(chain_point_side(params, top, {1.5, 2, -1.5}), 0);
  EXPECT_EQ(chain_point_side(params, top, {-0.5, 2, 0.5}), 0);
  EXPECT_EQ(chain_point_side(params, top, {1, 2, -1}), 1);  // the range is inclusive
}

TEST(ChainPointSide, FindsTheSegmentByBisection) {
  // A zig-zag rising in key -x: y alternates, so the side depends on which
  // segment holds the probe's key.
  const PathD zig{{0, 0, 1},  {-1, 2, 1},   {-2, 0, 1}, {-3, 2, 1},
                  {-4, 0, 1}, {-4, -10, 1}, {0, -10, 1}};
  const ChainParams params = directional(0, 1);
  const SideChainSet set = split_paths_into_chains({zig}, params);
  ASSERT_EQ(set.chains.size(), 1u);
  const SideChain& chain = set.chains[0];
  ASSERT_EQ(chain_first_point(chain).x, 0.0);
  ASSERT_EQ(chain_last_point(chain).x, -4.0);
  EXPECT_EQ(find_chain_segment(chain, 0.0), 1u);
  EXPECT_EQ(find_chain_segment(chain, 1.5), 2u);
  EXPECT_EQ(find_chain_segment(chain, 2.0), 2u);
  EXPECT_EQ(find_chain_segment(chain, 9.0), 4u);
  // At y 1 the probe is below the rising segment at key 0.9 but above the
  // falling one at key 1.9.
  EXPECT_EQ(chain_point_side(params, chain, {-0.9, 1, 0.9}), -1);
  EXPECT_EQ(chain_point_side(params, chain, {-1.9, 1, 1.9}), 1);
}

std::vector<uint64_t> order(const SideChainSet& set, const ChainParams& params) {
  return order_chains_front_to_back(set.chains, params);
}

TEST(ChainOrder, UpperSquareComesFirst) {
  const ChainParams params = directional(0, 1);
  const SideChainSet set =
      split_paths_into_chains({rect_path(0, 0, 1, 1), rect_path(0, 3, 1, 4)}, params);
  ASSERT_EQ(set.chains.size(), 2u);
  EXPECT_TRUE(chain_before(params, set.chains, 1, 0));
  EXPECT_FALSE(chain_before(params, set.chains, 0, 1));
  EXPECT_FALSE(chain_before(params, set.chains, 0, 0));
  EXPECT_EQ(order(set, params), (std::vector<uint64_t>{1, 0}));

  std::vector<SideChain> chains = set.chains;
  build_side_chain_order(chains, params);
  ASSERT_EQ(chains.size(), 2u);
  EXPECT_EQ(chains[0].path, &set.keyed_paths[1]);
  EXPECT_EQ(chains[1].path, &set.keyed_paths[0]);
}

TEST(ChainOrder, VanishingModePutsNearerChainsFirst) {
  // Two arcs above the vanishing point; the inner one lies nearer to it, so
  // in front.
  const ChainParams params = vanishing(0, 0);
  const SideChainSet set =
      split_paths_into_chains({rect_path(-5, 10, 5, 11), rect_path(-5, 2, 5, 3)}, params);
  ASSERT_EQ(set.chains.size(), 2u);
  EXPECT_EQ(order(set, params), (std::vector<uint64_t>{1, 0}));
}

TEST(ChainOrder, DisjointKeyRangesAreUnordered) {
  // Side by side: neither is before the other; both are listed.
  const ChainParams params = directional(0, 1);
  const SideChainSet set =
      split_paths_into_chains({rect_path(0, 0, 1, 1), rect_path(5, 3, 6, 4)}, params);
  EXPECT_FALSE(chain_before(params, set.chains, 0, 1));
  EXPECT_FALSE(chain_before(params, set.chains, 1, 0));
  std::vector<uint64_t> result = order(set, params);
  std::sort(result.begin(), result.end());
  EXPECT_EQ(result, (std::vector<uint64_t>{0, 1}));
}

TEST(ChainOrder, ChainsMeetingAtOneKeyAreNotLinked) {
  // Chain 1 (upper, keys -1..0) ends at key 0 where chain 0 (lower, keys
  // 0..1) begins; chain 2 spans both and lies lowest. Had 0 been inserted
  // while 1 was still active, 0 would point at 1 and the depth-first order
  // would list 1 before 0.
  const ChainParams params = directional(0, 1);
  const SideChainSet set = split_paths_into_chains(
      {rect_path(-1, 3, 0, 4), rect_path(0, 5, 1, 6), rect_path(-1, 0, 1, 1)}, params);
  ASSERT_EQ(set.chains.size(), 3u);
  EXPECT_EQ(chain_last_point(set.chains[1]).key, chain_first_point(set.chains[0]).key);
  EXPECT_TRUE(chain_before(params, set.chains, 1, 0));
  EXPECT_EQ(order(set, params), (std::vector<uint64_t>{0, 1, 2}));
}

TEST(ChainOrder, StackOfManyChainsIsSortedWithoutDeepRecursion) {
  // 100,000 equal squares stacked upwards: every pair overlaps in key, so
  // the order is total (highest first) and the graph one long path.
  constexpr int n = 100000;
  PathsD paths;
  for (int i = 0; i < n; ++i) paths.push_back(rect_path(0, 2.0 * i, 1, 2.0 * i + 1));
  const ChainParams params = directional(0, 1);
  const SideChainSet set = split_paths_into_chains(paths, params);
  ASSERT_EQ(set.chains.size(), static_cast<size_t>(n));
  const std::vector<uint64_t> result = order(set, params);
  ASSERT_EQ(result.size(), static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) ASSERT_EQ(result[i], static_cast<uint64_t>(n - 1 - i));
}

TEST(ChainOrder, CrossingChainsAreEachListedOnce) {
  // Walls that cross each other cannot be ordered consistently; three of
  // them, each crossing the others, still come out once each.
  const ChainParams params = directional(0, 1);
  const PathsD paths{
      {{0, 0, 1}, {-10, 10, 1}}, {{0, 10, 1}, {-10, 0, 1}}, {{0, 5, 1}, {-5, 11, 1}, {-10, 5, 1}}};
  const SideChainSet set = split_paths_into_chains(paths, params);
  std::vector<uint64_t> result = order(set, params);
  ASSERT_EQ(result.size(), set.chains.size());
  std::sort(result.begin(), result.end());
  for (size_t i = 0; i < result.size(); ++i) EXPECT_EQ(result[i], i);
}

TEST(ChainOrder, EndedChainsLeaveTheSweep) {
  // The walls of overlapping outlines cross, which makes chain_before
  // inconsistent, and the descent at a chain's end can then miss the chain.
  // Were it left in the set it would count as equal to every later chain
  // and keep those from being linked; as it is, every pair that is ordered
  // one way only still comes out in that order.
  const ChainParams params = directional(0.6, 0.8);
  const SideChainSet set = split_paths_into_chains({rect_path(2, 5, 4, 10), rect_path(7, 1, 11, 6),
                                                    rect_path(7, 5, 10, 7), rect_path(5, 5, 6, 8)},
                                                   params);
  const std::vector<uint64_t> result = order(set, params);
  ASSERT_EQ(result.size(), set.chains.size());
  std::vector<size_t> position(result.size());
  for (size_t i = 0; i < result.size(); ++i) position[result[i]] = i;
  for (uint64_t a = 0; a < result.size(); ++a) {
    for (uint64_t b = 0; b < result.size(); ++b) {
      if (chain_before(params, set.chains, a, b) && !chain_before(params, set.chains, b, a)) {
        EXPECT_LT(position[a], position[b]) << a << " before " << b;
      }
    }
  }
}

TEST(ChainOrder, NoChainsGiveAnEmptyOrder) {
  std::vector<SideChain> chains;
  build_side_chain_order(chains, directional(0, 1));
  EXPECT_TRUE(chains.empty());
}

}  // namespace
