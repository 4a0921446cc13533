#include "renderer/chain_order.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "renderer/side_chains.h"
#include "tests/renderer_frame/frame_test_util.h"

namespace {

using Order = std::vector<uint64_t>;

Order order(const SideChainSet& set, const ChainParams& params) {
  return order_chains_front_to_back(set.chains, params);
}

TEST(ChainOrder, NearerChainsComeFirst) {
  // Directional, up: the upper square's top edge is in front.
  const ChainParams up = directional(0, 1);
  SideChainSet set = split_paths_into_chains({rect_path(0, 0, 1, 1), rect_path(0, 3, 1, 4)}, up);
  ASSERT_EQ(set.chains.size(), 2u);
  EXPECT_TRUE(chain_before(up, set.chains, 1, 0));
  EXPECT_FALSE(chain_before(up, set.chains, 0, 1));
  build_side_chain_order(set.chains, up);
  ASSERT_EQ(set.chains.size(), 2u);
  EXPECT_EQ(set.chains[0].path, &set.keyed_paths[1]);
  EXPECT_EQ(set.chains[1].path, &set.keyed_paths[0]);

  // Vanishing: of two bars above the point, the nearer one is in front.
  const ChainParams vp = vanishing(0, 0);
  const SideChainSet bars =
      split_paths_into_chains({rect_path(-5, 10, 5, 11), rect_path(-5, 2, 5, 3)}, vp);
  ASSERT_EQ(bars.chains.size(), 2u);
  EXPECT_EQ(order(bars, vp), (Order{1, 0}));
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
  EXPECT_EQ(order(set, params), (Order{0, 1, 2}));
}

TEST(ChainOrder, StackOfManyChainsIsSortedWithoutDeepRecursion) {
  // 100,000 equal squares stacked upwards: every pair overlaps in key, so
  // the order is total (highest first) and the graph one long path.
  constexpr int n = 100000;
  PathsD paths;
  for (int i = 0; i < n; ++i) paths.push_back(rect_path(0, 2.0 * i, 1, 2.0 * i + 1));
  const ChainParams params = directional(0, 1);
  const Order result = order(split_paths_into_chains(paths, params), params);
  ASSERT_EQ(result.size(), static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) ASSERT_EQ(result[i], static_cast<uint64_t>(n - 1 - i));
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
  const Order result = order(set, params);
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

TEST(DepthFirstOrder, CyclesAreBrokenAndEveryChainListedOnce) {
  using Successors = std::vector<std::vector<uint64_t>>;
  // 0 -> 1 -> 2 -> 0: the edge back to 0 is skipped.
  EXPECT_EQ(depth_first_chain_order(Successors{{1}, {2}, {0}}), (Order{2, 1, 0}));
  // A self loop and a two-cycle next to a chain that depends on both.
  EXPECT_EQ(depth_first_chain_order(Successors{{0, 1}, {0}, {1, 0}}), (Order{1, 0, 2}));
}

// The in-order walk, checked against contains, size, predecessor and
// successor.
template <typename Tree>
std::vector<uint32_t> checked_in_order(const Tree& tree) {
  const std::vector<uint32_t> forward = tree.in_order();
  EXPECT_EQ(forward.size(), tree.size());
  for (size_t i = 0; i < forward.size(); ++i) {
    EXPECT_TRUE(tree.contains(forward[i]));
    EXPECT_EQ(tree.predecessor(forward[i]), i == 0 ? Tree::none : forward[i - 1]);
    EXPECT_EQ(tree.successor(forward[i]), i + 1 == forward.size() ? Tree::none : forward[i + 1]);
  }
  return forward;
}

TEST(ChainSearchTree, BehavesLikeAnOrderedSetForAConsistentOrder) {
  // Ids ordered by value / 3: ids 0, 1, 2 are equivalent, and so on.
  auto before = [](uint32_t a, uint32_t b) { return a / 3 < b / 3; };
  constexpr uint32_t n = 600;
  ChainSearchTree<decltype(before)> tree(n, before);
  std::set<uint32_t, decltype(before)> reference(before);
  std::mt19937 rng(7);
  for (int step = 0; step < 5000; ++step) {
    const uint32_t id = rng() % n;
    if (rng() % 3 != 0) {
      if (tree.contains(id)) continue;
      const uint32_t at = tree.insert(id);
      const auto [it, inserted] = reference.insert(id);
      ASSERT_EQ(at, *it);
      ASSERT_EQ(at == id, inserted);
    } else {
      tree.erase_equal_range(id);
      reference.erase(id);
    }
    if (step % 250 == 0) {
      ASSERT_EQ(checked_in_order(tree), std::vector<uint32_t>(reference.begin(), reference.end()));
    }
  }
}

TEST(ChainSearchTree, SurvivesAnInconsistentPredicate) {
  // Neither transitive nor asymmetric: a standard set would have undefined
  // behaviour. The tree must stay a well-formed tree whatever it answers.
  auto before = [](uint32_t a, uint32_t b) {
    const uint32_t h = (a * 2654435761u) ^ (b * 40503u);
    return ((h >> 7) & 3) == 1;
  };
  constexpr uint32_t n = 400;
  ChainSearchTree<decltype(before)> tree(n, before);
  std::mt19937 rng(99);
  for (int step = 0; step < 20000; ++step) {
    const uint32_t id = rng() % n;
    if (rng() % 2 != 0) {
      tree.erase_equal_range(id);
    } else if (!tree.contains(id)) {
      ASSERT_TRUE(tree.contains(tree.insert(id)));
    }
    if (step % 1000 == 0) checked_in_order(tree);
  }
}

}  // namespace
