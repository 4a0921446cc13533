#include "geometry/path_grouping.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "tests/geometry/path_test_util.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

using Groups = std::vector<PathGroup>;

TEST(PathGrouping, OrdersMembersDepthFirst) {
  // 0 overlaps 2, 2 overlaps 1, 0 and 1 apart.
  const std::vector<RectD> line{{0, 0, 2, 2}, {4, 0, 6, 2}, {1.5, 0, 4.5, 2}};
  // 0 overlaps 2 and 3, 2 overlaps 1, 3 overlaps 4, nothing else.
  const std::vector<RectD> tree{
      {0, 0, 2, 2}, {0, 5, 1, 6}, {0.5, 1.5, 1, 5.5}, {1.5, 1.5, 3, 2.5}, {2.8, 2.4, 4, 4}};
  // 0 overlaps 1 and 2, 1 overlaps 3, 3 overlaps 4, 2 overlaps 5: 3 is
  // expanded (finding 4) before 2 is (finding 5); breadth first would not.
  const std::vector<RectD> deep{{0, 0, 1, 1},       {0.5, 0.9, 0.6, 3}, {0.9, 0.5, 3, 0.6},
                                {0.5, 2.9, 0.6, 5}, {0.5, 4.9, 0.6, 7}, {2.9, 0.5, 5, 0.6}};
  // Groups in order of their smallest member; empty and NaN boxes alone.
  const std::vector<RectD> apart{
      {0, 0, 2, 2}, {10, 10, 11, 11}, {1, 1, 3, 3}, empty_rect(), {nan, 0, 1, 1}};
  const std::pair<std::vector<RectD>, Groups> cases[] = {
      {line, {{0, 2, 1}}},
      {tree, {{0, 2, 3, 1, 4}}},
      {deep, {{0, 1, 2, 3, 4, 5}}},
      {apart, {{0, 2}, {1}, {3}, {4}}},
      {{}, {}},
  };
  for (const auto& [boxes, expected] : cases) {
    EXPECT_EQ(group_overlapping_paths(boxes), expected);
    EXPECT_EQ(group_overlapping_paths_indexed(boxes), expected);
  }
}

TEST(PathGrouping, GridMatchesThePlainScan) {
  // Random boxes of mixed sizes, with some empty, NaN, infinite, wide and
  // point boxes among them.
  std::mt19937 rng(1234);
  for (int round = 0; round < 200; ++round) {
    const size_t n = 1 + rng() % 300;
    const double spread = 1.0 + static_cast<double>(rng() % 200);
    std::uniform_real_distribution<double> pos(0.0, spread);
    std::exponential_distribution<double> size(0.5);
    std::vector<RectD> boxes;
    for (size_t i = 0; i < n; ++i) {
      const double x = pos(rng);
      const double y = pos(rng);
      const RectD special[] = {empty_rect(),          {nan, y, x + 1, y + 1},
                               {-inf, y, x, y + 0.5}, {x, y, x + spread / 2, y + 1},
                               {x, y, x, y},          {-inf, -inf, inf, inf}};
      const size_t kind = rng() % 200;
      boxes.push_back(kind < 6 ? special[kind] : RectD{x, y, x + size(rng), y + size(rng)});
    }
    ASSERT_EQ(group_overlapping_paths_indexed(boxes), group_overlapping_paths(boxes))
        << "round " << round;
  }
  // An extent that overflows a double difference.
  const std::vector<RectD> huge{
      {-1e308, 0, -1e308, 1}, {1e308, 0, 1e308, 1}, {-1e308, 0.5, 1e308, 0.5}, {5, 5, 6, 6}};
  EXPECT_EQ(group_overlapping_paths_indexed(huge), group_overlapping_paths(huge));
}

TEST(PathGrouping, DeepGroupDoesNotExhaustTheStack) {
  // Each box overlaps only its neighbours: the expansion is 100,000 deep.
  constexpr size_t n = 100000;
  std::vector<RectD> boxes;
  for (size_t i = 0; i < n; ++i) boxes.push_back({double(i), 0, double(i) + 1, 1});
  const Groups groups = group_overlapping_paths_indexed(boxes);
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_EQ(groups[0].size(), n);
  for (size_t i = 0; i < n; ++i) ASSERT_EQ(groups[0][i], i);
}

TEST(PathUnion, TouchingOverlappingAndApartGroups) {
  const UnitedPaths touching =
      union_overlapping_paths(PathsD{rect_path(0, 0, 1, 1), rect_path(1, 0, 2, 1)}, false);
  ASSERT_EQ(touching.group_trees.size(), 1u);
  ASSERT_EQ(touching.paths.size(), 1u);
  EXPECT_DOUBLE_EQ(signed_area(touching.paths[0]), 2.0);

  // 0 and 2 overlap; 1 stands apart and comes second; the empty path 3 is
  // a group of its own whose union adds nothing.
  const UnitedPaths united = union_overlapping_paths(
      PathsD{rect_path(0, 0, 2, 2), rect_path(10, 0, 11, 1), rect_path(1, 1, 3, 3), {}}, false);
  ASSERT_EQ(united.group_trees.size(), 3u);
  EXPECT_TRUE(united.group_trees[2].empty());
  ASSERT_EQ(united.paths.size(), 2u);
  EXPECT_DOUBLE_EQ(signed_area(united.paths[0]), 7.0);
  EXPECT_DOUBLE_EQ(signed_area(united.paths[1]), 1.0);
  // The two points where the outlines cross are new and unflagged.
  int created = 0;
  for (const PathVertexZ& p : united.paths[0]) created += p.z == path_flag_unset;
  EXPECT_EQ(created, 2);
}

TEST(PathUnion, HoleKeptAndInnerExtrusionReversesPathsOnly) {
  // An outer square, a hole wound the other way, an island in the hole, and
  // a lone square.
  const PathsD paths{rect_path(0, 0, 10, 10), reversed(rect_path(3, 3, 7, 7)),
                     rect_path(4, 4, 6, 6), rect_path(20, 0, 21, 3)};
  const UnitedPaths plain = union_overlapping_paths(paths, false);
  ASSERT_EQ(plain.group_trees.size(), 2u);
  const PolyTreeD& tree = plain.group_trees[0];
  ASSERT_EQ(tree.children.size(), 1u);
  ASSERT_EQ(tree.children[0].children.size(), 1u);
  EXPECT_TRUE(tree.children[0].children[0].is_hole);
  // Flattened depth first: outer, hole, island, then the next group.
  ASSERT_EQ(plain.paths.size(), 4u);
  const double areas[] = {100, -16, 4, 3};
  for (size_t i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(signed_area(plain.paths[i]), areas[i]);

  const UnitedPaths inner = union_overlapping_paths(paths, true);
  ASSERT_EQ(inner.paths.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(inner.paths[i], reversed(plain.paths[i]));
  }
  ASSERT_EQ(inner.group_trees.size(), 2u);
  for (size_t g = 0; g < 2; ++g) {
    EXPECT_EQ(poly_tree_to_paths(plain.group_trees[g]), poly_tree_to_paths(inner.group_trees[g]));
  }
}

TEST(CornerFlags, CrossingPointsAreCornersAtRightAngles) {
  const UnitedPaths united =
      union_overlapping_paths(PathsD{rect_path(0, 0, 2, 2), rect_path(1, 1, 3, 3)}, false);
  // Thresholds of 89 and 91 degrees.
  for (const auto& [threshold, expected] :
       {std::pair{89.0, path_flag_corner}, std::pair{91.0, path_flag_smooth}}) {
    PathsD flagged = united.paths;
    flag_union_points(flagged, std::cos((180.0 - threshold) * M_PI / 180.0));
    for (size_t i = 0; i < flagged[0].size(); ++i) {
      const int64_t before = united.paths[0][i].z;
      EXPECT_EQ(flagged[0][i].z, before == path_flag_unset ? expected : before);
    }
  }
  // A point equal to a neighbour is smooth; exactly at the threshold is not
  // a corner (the comparison is strict).
  PathsD paths{{{0, 0, 0}, {2, 0, 0}, {2, 0, 0}, {0, 2, 0}}};
  flag_union_points(paths, 0.0);
  EXPECT_EQ(paths[0][0].z, path_flag_smooth);
  EXPECT_EQ(paths[0][1].z, path_flag_smooth);
  EXPECT_EQ(paths[0][2].z, path_flag_smooth);
  EXPECT_EQ(paths[0][3].z, path_flag_corner);
}

}  // namespace
