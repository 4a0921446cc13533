#include "geometry/chain_order.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <set>
#include <string>

#include "geometry/path_grouping.h"
#include "tests/geometry/path_test_util.h"

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

// Every pair of chains whose key ranges overlap (by more than a touch) and
// that chain_before orders one way only must come out in that order.
void expect_order_follows_chain_before(const PathsD& outlines, const ChainParams& params,
                                       const std::string& what) {
  const UnitedPaths united = union_overlapping_paths(outlines, false);
  const SideChainSet set = split_paths_into_chains(united.paths, params);
  const Order result = order(set, params);
  ASSERT_EQ(result.size(), set.chains.size()) << what;
  std::vector<size_t> position(result.size());
  for (size_t i = 0; i < result.size(); ++i) position[result[i]] = i;
  for (uint64_t a = 0; a < result.size(); ++a) {
    for (uint64_t b = 0; b < result.size(); ++b) {
      const SideChain& ca = set.chains[a];
      const SideChain& cb = set.chains[b];
      const double overlap = std::min(chain_last_point(ca).key, chain_last_point(cb).key) -
                             std::max(chain_first_point(ca).key, chain_first_point(cb).key);
      if (overlap > 1e-9 && chain_before(params, set.chains, a, b) &&
          !chain_before(params, set.chains, b, a)) {
        EXPECT_LT(position[a], position[b]) << what << ": chain " << a << " before " << b;
      }
    }
  }
}

TEST(ChainOrder, FollowsChainBeforeWhereOutlinesTouchOrCross) {
  // Outlines that touch at corners give keys that are equal in geometry but
  // not in their last bits, zero-length chains where the vanishing wrap runs
  // along an edge, and probes that meet a vertex exactly; crossing walls
  // make chain_before inconsistent. Each layout is swept in directions all
  // around and towards vanishing points among and around its squares.
  std::mt19937 rng(17);
  PathsD pixel_font;
  for (int i = 0; i < 7; ++i) {
    for (int j = 0; j < 7; ++j) {
      if (rng() % 2 != 0)
        pixel_font.push_back(
            rect_path(100.37 + 0.37 * i, 0.37 * j, 100.37 + 0.37 * (i + 1), 0.37 * (j + 1)));
    }
  }
  PathsD checkerboard;
  PathsD bricks;
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 6; ++j) {
      if ((i + j) % 2 == 0)
        checkerboard.push_back(rect_path(2.5 * i, 2.5 * j, 2.5 * i + 2.5, 2.5 * j + 2.5));
      const double shift = j % 2 == 0 ? 0.0 : 0.5;
      bricks.push_back(rect_path(i + shift, -53.9 + 0.5 * j, i + shift + 1, -53.4 + 0.5 * j));
    }
  }
  // Vanishing points lie on a grid of half the squares' size, so that many
  // fall on the squares' edges and corners.
  const struct {
    const char* name;
    PathsD outlines;
    double grid;
  } layouts[] = {
      {"four squares",
       {rect_path(6, 6, 7, 7), rect_path(4, 6, 5, 7), rect_path(5, 3, 6, 4), rect_path(5, 7, 6, 8)},
       0.5},
      {"crossing",
       {rect_path(2, 5, 4, 10), rect_path(7, 1, 11, 6), rect_path(7, 5, 10, 7),
        rect_path(5, 5, 6, 8)},
       0.5},
      {"pixel font", pixel_font, 0.185},
      {"checkerboard", checkerboard, 1.25},
      {"bricks", bricks, 0.25},
  };
  for (const auto& [name, outlines, grid] : layouts) {
    RectD extent = empty_rect();
    for (const RectD& box : compute_path_boxes(outlines)) extent = rect_extend(extent, box);
    for (int degrees = 0; degrees < 360; degrees += 5) {
      const double angle = degrees * M_PI / 180.0;
      expect_order_follows_chain_before(outlines, directional(std::cos(angle), std::sin(angle)),
                                        std::string(name) + " at " + std::to_string(degrees));
    }
    for (double vx = extent.left - 4 * grid; vx <= extent.right + 4 * grid; vx += grid) {
      for (double vy = extent.top - 4 * grid; vy <= extent.bottom + 4 * grid; vy += grid) {
        expect_order_follows_chain_before(
            outlines, vanishing(vx, vy),
            std::string(name) + " towards " + std::to_string(vx) + ", " + std::to_string(vy));
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

TEST(ChainSearchTree, BehavesLikeAnOrderedMultisetForAConsistentOrder) {
  // Ids ordered by value / 3: ids 0, 1, 2 are equivalent, and so on. Each
  // goes in at its lower bound and leaves alone.
  auto before = [](uint32_t a, uint32_t b) { return a / 3 < b / 3; };
  constexpr uint32_t n = 600;
  ChainSearchTree<decltype(before)> tree(n, before);
  std::multiset<uint32_t, decltype(before)> reference(before);
  std::mt19937 rng(7);
  for (int step = 0; step < 5000; ++step) {
    const uint32_t id = rng() % n;
    if (rng() % 3 != 0) {
      if (tree.contains(id)) continue;
      tree.insert(id);
      reference.insert(reference.lower_bound(id), id);
    } else {
      if (!tree.contains(id)) continue;
      tree.erase(id);
      auto it = reference.lower_bound(id);
      while (*it != id) ++it;
      reference.erase(it);
    }
    if (step % 250 == 0) {
      ASSERT_EQ(checked_in_order(tree), std::vector<uint32_t>(reference.begin(), reference.end()));
    }
  }
}

// An order neither transitive nor asymmetric, as the crossing layouts above
// give chain_before: a standard set would have undefined behaviour; the tree
// must stay a well-formed tree whatever it answers.
TEST(ChainSearchTree, SurvivesAnInconsistentPredicate) {
  auto before = [](uint32_t a, uint32_t b) {
    const uint32_t h = (a * 2654435761u) ^ (b * 40503u);
    return ((h >> 7) & 3) == 1;
  };
  constexpr uint32_t n = 400;
  ChainSearchTree<decltype(before)> tree(n, before);
  std::mt19937 rng(99);
  for (int step = 0; step < 20000; ++step) {
    const uint32_t id = rng() % n;
    if (tree.contains(id)) {
      tree.erase(id);
    } else {
      tree.insert(id);
      ASSERT_TRUE(tree.contains(id));
    }
    if (step % 1000 == 0) checked_in_order(tree);
  }
}

}  // namespace
