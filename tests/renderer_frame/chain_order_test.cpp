#include "renderer/chain_order.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

namespace {

using Successors = std::vector<std::vector<uint64_t>>;

TEST(DepthFirstOrder, SuccessorsComeBeforeTheirChain) {
  // 0 -> 2 -> 1, 3 -> 0.
  EXPECT_EQ(depth_first_chain_order(Successors{{2}, {}, {1}, {0}}),
            (std::vector<uint64_t>{1, 2, 0, 3}));
  EXPECT_TRUE(depth_first_chain_order({}).empty());
}

TEST(DepthFirstOrder, CycleStillListsEveryChainOnce) {
  // 0 -> 1 -> 2 -> 0: the edge back to 0 is skipped.
  EXPECT_EQ(depth_first_chain_order(Successors{{1}, {2}, {0}}), (std::vector<uint64_t>{2, 1, 0}));
  // A self loop and a two-cycle next to a chain that depends on both.
  EXPECT_EQ(depth_first_chain_order(Successors{{0, 1}, {0}, {1, 0}}),
            (std::vector<uint64_t>{1, 0, 2}));
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
  auto less = [](uint32_t a, uint32_t b) { return a / 3 < b / 3; };
  constexpr uint32_t n = 600;
  ChainSearchTree<decltype(before)> tree(n, before);
  std::set<uint32_t, decltype(less)> reference(less);
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
      const std::vector<uint32_t> in_order = checked_in_order(tree);
      ASSERT_EQ(in_order, std::vector<uint32_t>(reference.begin(), reference.end()));
    }
  }
  EXPECT_EQ(checked_in_order(tree), std::vector<uint32_t>(reference.begin(), reference.end()));
}

TEST(ChainSearchTree, StaysBalancedOnSortedInsertions) {
  auto before = [](uint32_t a, uint32_t b) { return a < b; };
  constexpr uint32_t n = 100000;
  ChainSearchTree<decltype(before)> tree(n, before);
  for (uint32_t i = 0; i < n; ++i) tree.insert(i);
  EXPECT_LT(tree.height(), 4 * static_cast<size_t>(std::log2(n)));
  for (uint32_t i = 0; i < n; i += 2) tree.erase(i);
  EXPECT_EQ(tree.size(), n / 2);
  EXPECT_LT(tree.height(), 4 * static_cast<size_t>(std::log2(n)));
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
    if (rng() % 2 == 0) {
      if (!tree.contains(id)) {
        const uint32_t at = tree.insert(id);
        ASSERT_TRUE(tree.contains(at));
      }
    } else {
      tree.erase_equal_range(id);
    }
    if (step % 1000 == 0) checked_in_order(tree);
  }
  checked_in_order(tree);
}

TEST(ChainSearchTree, EqualRangeTakesNeighboursThatAreNeitherBeforeNorAfter) {
  // Ids 10..19 are "keys" 1; the rest compare by value.
  auto key = [](uint32_t id) { return id >= 10 && id < 20 ? 15u : id; };
  auto before = [key](uint32_t a, uint32_t b) { return key(a) < key(b); };
  ChainSearchTree<decltype(before)> tree(30, before);
  for (uint32_t id : {5u, 25u, 12u, 14u, 3u}) tree.insert(id);
  EXPECT_EQ(tree.insert(17), 12u);  // present already through 12
  EXPECT_EQ(checked_in_order(tree), (std::vector<uint32_t>{3, 5, 12, 25}));
  tree.erase_equal_range(17);  // 12 goes, though 17 was never inserted
  EXPECT_EQ(checked_in_order(tree), (std::vector<uint32_t>{3, 5, 25}));
  tree.erase_equal_range(17);
  EXPECT_EQ(tree.size(), 3u);
}

}  // namespace
