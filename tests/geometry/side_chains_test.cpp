#include "geometry/side_chains.h"

#include <gtest/gtest.h>

#include <numbers>

#include "tests/geometry/path_test_util.h"

namespace {

std::vector<KeyedPoint> chain_points(const SideChain& chain) {
  std::vector<KeyedPoint> points;
  for (uint64_t k = 0; k < chain_point_count(chain); ++k) {
    points.push_back(chain_point_at(chain, k));
  }
  return points;
}

TEST(SideChains, UnitSquareRisesOnlyAlongItsTopEdge) {
  const SideChainSet set = split_paths_into_chains({rect_path(0, 0, 1, 1)}, directional(0, 1));
  EXPECT_EQ(set.keyed_paths[0][1].key, -1.0);  // keys are -x
  ASSERT_EQ(set.chains.size(), 1u);
  const SideChain& chain = set.chains[0];
  EXPECT_EQ(chain.path, &set.keyed_paths[0]);
  EXPECT_EQ(chain.start, 2u);
  EXPECT_EQ(chain.end, 3u);
  EXPECT_FALSE(chain.has_exact_start);
  EXPECT_FALSE(chain.has_exact_end);
}

TEST(SideChains, DegeneratePaths) {
  // A two-point path rises from its lower-key point to its higher-key one;
  // empty, single-point and flat paths give no chain.
  const PathsD paths{{{5, 0, 1}, {2, 0, 1}}, {}, {{1, 1, 1}}, {{0, 3, 1}, {0, 5, 1}, {0, 4, 1}}};
  const SideChainSet set = split_paths_into_chains(paths, directional(0, 1));
  EXPECT_EQ(set.keyed_paths.size(), 4u);
  ASSERT_EQ(set.chains.size(), 1u);
  EXPECT_EQ(chain_first_point(set.chains[0]).x, 5.0);
  EXPECT_EQ(chain_last_point(set.chains[0]).x, 2.0);
}

TEST(SideChains, ClockwiseAroundVanishingPointCutsAtTheWrap) {
  const PathD ring = circle_path(0.5, -0.25, 3, 16, /*clockwise=*/true);
  const SideChainSet set = split_paths_into_chains({ring}, vanishing(0.5, -0.25));
  ASSERT_EQ(set.chains.size(), 1u);
  const SideChain& chain = set.chains[0];
  ASSERT_TRUE(chain.has_exact_start);
  ASSERT_TRUE(chain.has_exact_end);
  EXPECT_EQ(chain.exact_start.key, -std::numbers::pi);
  EXPECT_EQ(chain.exact_end.key, std::numbers::pi);
  EXPECT_EQ(chain.exact_start.y, -0.25);
  EXPECT_EQ(chain.exact_end.y, -0.25);
  EXPECT_EQ(chain.exact_start.x, chain.exact_end.x);
  EXPECT_LT(chain.exact_start.x, 0.5 - 2.9);
  // Every vertex between the two cuts, keys rising throughout.
  const std::vector<KeyedPoint> points = chain_points(chain);
  EXPECT_EQ(points.size(), 18u);
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

}  // namespace
