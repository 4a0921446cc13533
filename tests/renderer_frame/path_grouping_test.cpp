#include "renderer/path_grouping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "tests/renderer_frame/frame_test_util.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

RectD box(double x0, double y0, double x1, double y1) {
  return RectD{x0, y0, x1, y1};
}

using Groups = std::vector<PathGroup>;

TEST(PathBoxes, CoverEveryPointAndStayEmptyWithout) {
  const PathsD paths{rect_path(1, 2, 3, 5), {}, {{-1, 4, 1}}};
  const std::vector<RectD> boxes = compute_path_boxes(paths);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].left, 1);
  EXPECT_EQ(boxes[0].top, 2);
  EXPECT_EQ(boxes[0].right, 3);
  EXPECT_EQ(boxes[0].bottom, 5);
  EXPECT_TRUE(rect_is_empty(boxes[1]));
  EXPECT_EQ(boxes[1].left, inf);
  EXPECT_EQ(boxes[1].bottom, -inf);
  // A single point is a degenerate, "empty" rectangle that still overlaps.
  EXPECT_TRUE(rect_is_empty(boxes[2]));
  EXPECT_TRUE(boxes_overlap(boxes[2], box(-1, 4, -1, 4)));
}

TEST(PathBoxes, OverlapIsInclusiveAndNeverForEmptyOrNan) {
  EXPECT_TRUE(boxes_overlap(box(0, 0, 1, 1), box(1, 0, 2, 1)));  // shared edge
  EXPECT_TRUE(boxes_overlap(box(0, 0, 1, 1), box(1, 1, 2, 2)));  // shared corner
  EXPECT_FALSE(boxes_overlap(box(0, 0, 1, 1), box(1.001, 0, 2, 1)));
  EXPECT_FALSE(boxes_overlap(empty_rect(), box(0, 0, 1, 1)));
  EXPECT_FALSE(boxes_overlap(empty_rect(), empty_rect()));
  EXPECT_FALSE(boxes_overlap(box(nan, 0, 1, 1), box(0, 0, 1, 1)));
  EXPECT_FALSE(boxes_overlap(box(nan, 0, 1, 1), box(nan, 0, 1, 1)));
}

TEST(PathGrouping, OrdersMembersDepthFirst) {
  // 0 overlaps 2, 2 overlaps 1, 0 and 1 apart.
  const std::vector<RectD> chain{box(0, 0, 2, 2), box(4, 0, 6, 2), box(1.5, 0, 4.5, 2)};
  EXPECT_EQ(group_overlapping_paths(chain), (Groups{{0, 2, 1}}));

  // 0 overlaps 2 and 3, 2 overlaps 1, 3 overlaps 4, nothing else: 2 is
  // expanded (finding 1) before 3 is, and 3's finds come after.
  const std::vector<RectD> tree{box(0, 0, 2, 2), box(0, 5, 1, 6), box(0.5, 1.5, 1, 5.5),
                                box(1.5, 1.5, 3, 2.5), box(2.8, 2.4, 4, 4)};
  EXPECT_FALSE(boxes_overlap(tree[0], tree[1]));
  EXPECT_FALSE(boxes_overlap(tree[3], tree[1]));
  EXPECT_FALSE(boxes_overlap(tree[2], tree[4]));
  EXPECT_EQ(group_overlapping_paths(tree), (Groups{{0, 2, 3, 1, 4}}));
  EXPECT_EQ(group_overlapping_paths_indexed(tree), (Groups{{0, 2, 3, 1, 4}}));
}

TEST(PathGrouping, GroupsComeInOrderOfTheirSmallestMember) {
  const std::vector<RectD> boxes{box(0, 0, 2, 2), box(10, 10, 11, 11), box(1, 1, 3, 3),
                                 empty_rect(), box(nan, 0, 1, 1)};
  const Groups expected{{0, 2}, {1}, {3}, {4}};
  EXPECT_EQ(group_overlapping_paths(boxes), expected);
  EXPECT_EQ(group_overlapping_paths_indexed(boxes), expected);
  EXPECT_TRUE(group_overlapping_paths({}).empty());
}

// Random boxes of mixed sizes, with some empty, NaN, infinite and huge ones.
std::vector<RectD> random_boxes(std::mt19937& rng, size_t n, double spread) {
  std::uniform_real_distribution<double> pos(0.0, spread);
  std::exponential_distribution<double> size(0.5);
  std::uniform_int_distribution<int> kind(0, 199);
  std::vector<RectD> boxes;
  for (size_t i = 0; i < n; ++i) {
    const double x = pos(rng);
    const double y = pos(rng);
    switch (kind(rng)) {
      case 0:
        boxes.push_back(empty_rect());
        break;
      case 1:
        boxes.push_back(box(nan, y, x + 1, y + 1));
        break;
      case 2:
        boxes.push_back(box(-inf, y, x, y + 0.5));
        break;
      case 3:
        boxes.push_back(box(x, y, x + spread / 2, y + 1));
        break;
      case 4:
        boxes.push_back(box(x, y, x, y));
        break;
      case 5:
        boxes.push_back(box(-inf, -inf, inf, inf));
        break;
      default:
        boxes.push_back(box(x, y, x + size(rng), y + size(rng)));
        break;
    }
  }
  return boxes;
}

// The grouping written out recursively, step by step, as the reference for
// the stack-based versions.
void reference_extend(const std::vector<RectD>& boxes, uint64_t i, std::vector<bool>& bits,
                      PathGroup& group) {
  const size_t first = group.size();
  const std::vector<bool> before = bits;
  for (size_t j = 0; j < boxes.size(); ++j) {
    if (before[j] && boxes_overlap(boxes[i], boxes[j])) group.push_back(j);
  }
  const size_t last = group.size();
  for (size_t p = first; p < last; ++p) bits[group[p]] = false;
  for (size_t p = first; p < last; ++p) reference_extend(boxes, group[p], bits, group);
}

Groups reference_groups(const std::vector<RectD>& boxes) {
  std::vector<bool> bits(boxes.size(), true);
  Groups groups;
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (!bits[i]) continue;
    bits[i] = false;
    groups.push_back({i});
    reference_extend(boxes, i, bits, groups.back());
  }
  return groups;
}

TEST(PathGrouping, ExpandsDepthFirstNotBreadthFirst) {
  // 0 overlaps 1 and 2, 1 overlaps 3, 3 overlaps 4, 2 overlaps 5: 3 is
  // expanded (finding 4) before 2 is (finding 5).
  const std::vector<RectD> boxes{box(0, 0, 1, 1),       box(0.5, 0.9, 0.6, 3),
                                 box(0.9, 0.5, 3, 0.6), box(0.5, 2.9, 0.6, 5),
                                 box(0.5, 4.9, 0.6, 7), box(2.9, 0.5, 5, 0.6)};
  const Groups expected{{0, 1, 2, 3, 4, 5}};
  EXPECT_EQ(reference_groups(boxes), expected);
  EXPECT_EQ(group_overlapping_paths(boxes), expected);
  EXPECT_EQ(group_overlapping_paths_indexed(boxes), expected);
}

TEST(PathGrouping, ScanAndGridMatchTheRecursiveDefinition) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 200; ++round) {
    const size_t n = 1 + rng() % 300;
    const double spread = 1.0 + static_cast<double>(rng() % 200);
    const std::vector<RectD> boxes = random_boxes(rng, n, spread);
    const Groups expected = reference_groups(boxes);
    ASSERT_EQ(group_overlapping_paths(boxes), expected) << "round " << round;
    ASSERT_EQ(group_overlapping_paths_indexed(boxes), expected) << "round " << round;
  }
  // Boxes whose extent overflows a double difference.
  const std::vector<RectD> huge{box(-1e308, 0, -1e308, 1), box(1e308, 0, 1e308, 1),
                                box(-1e308, 0.5, 1e308, 0.5), box(5, 5, 6, 6)};
  EXPECT_EQ(group_overlapping_paths_indexed(huge), group_overlapping_paths(huge));
}

TEST(PathGrouping, DeepGroupDoesNotExhaustTheStack) {
  // Each box overlaps only its neighbours, listed so that every expansion
  // finds exactly one new member: the expansion is 100,000 levels deep.
  constexpr size_t n = 100000;
  std::vector<RectD> boxes;
  for (size_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i);
    boxes.push_back(box(x, 0, x + 1, 1));
  }
  const Groups groups = group_overlapping_paths_indexed(boxes);
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_EQ(groups[0].size(), n);
  for (size_t i = 0; i < n; ++i) ASSERT_EQ(groups[0][i], i);
}

TEST(PathUnion, TouchingSquaresBecomeOneOutline) {
  const UnitedPaths united =
      union_overlapping_paths(PathsD{rect_path(0, 0, 1, 1), rect_path(1, 0, 2, 1)}, false);
  ASSERT_EQ(united.group_trees.size(), 1u);
  ASSERT_EQ(united.paths.size(), 1u);
  EXPECT_DOUBLE_EQ(path_area(united.paths[0]), 2.0);
}

TEST(PathUnion, GroupsAreUnitedInGroupOrder) {
  // 0 and 2 overlap; 1 stands apart.
  const PathsD paths{rect_path(0, 0, 2, 2), rect_path(10, 0, 11, 1), rect_path(1, 1, 3, 3)};
  const UnitedPaths united = union_overlapping_paths(paths, false);
  ASSERT_EQ(united.group_trees.size(), 2u);
  ASSERT_EQ(united.paths.size(), 2u);
  EXPECT_DOUBLE_EQ(path_area(united.paths[0]), 7.0);
  EXPECT_DOUBLE_EQ(path_area(united.paths[1]), 1.0);
  // The two points where the outlines cross are new and unflagged.
  int created = 0;
  for (const PathVertexZ& p : united.paths[0]) created += p.z == path_flag_unset;
  EXPECT_EQ(created, 2);
}

TEST(PathUnion, HoleSurvivesNonZeroUnion) {
  const PathsD paths{rect_path(0, 0, 10, 10), rect_path(3, 3, 7, 7, /*clockwise=*/true)};
  const UnitedPaths united = union_overlapping_paths(paths, false);
  ASSERT_EQ(united.group_trees.size(), 1u);
  const PolyTreeD& tree = united.group_trees[0];
  ASSERT_EQ(tree.children.size(), 1u);
  ASSERT_EQ(tree.children[0].children.size(), 1u);
  EXPECT_TRUE(tree.children[0].children[0].is_hole);
  ASSERT_EQ(united.paths.size(), 2u);
  EXPECT_DOUBLE_EQ(path_area(united.paths[0]), 100.0);
  EXPECT_DOUBLE_EQ(path_area(united.paths[1]), -16.0);
}

TEST(PathUnion, InnerExtrusionReversesPathsButNotTrees) {
  const PathsD paths{rect_path(0, 0, 10, 10), rect_path(3, 3, 7, 7, true), rect_path(4, 4, 6, 6),
                     rect_path(20, 0, 21, 3)};
  const UnitedPaths plain = union_overlapping_paths(paths, false);
  const UnitedPaths inner = union_overlapping_paths(paths, true);
  ASSERT_EQ(plain.paths.size(), inner.paths.size());
  for (size_t i = 0; i < plain.paths.size(); ++i) {
    PathD reversed(plain.paths[i].rbegin(), plain.paths[i].rend());
    EXPECT_EQ(inner.paths[i], reversed);
  }
  ASSERT_EQ(plain.group_trees.size(), inner.group_trees.size());
  for (size_t g = 0; g < plain.group_trees.size(); ++g) {
    EXPECT_EQ(poly_tree_to_paths(plain.group_trees[g]), poly_tree_to_paths(inner.group_trees[g]));
  }
}

TEST(PathUnion, EmptyAndSelfIntersectingPaths) {
  EXPECT_TRUE(union_overlapping_paths(PathsD{}, false).paths.empty());
  // A bow tie resolves into two triangles; the empty path forms a group of
  // its own that adds nothing.
  const PathD bow{{0, 0, 1}, {2, 2, 1}, {2, 0, 1}, {0, 2, 1}};
  const UnitedPaths united = union_overlapping_paths(PathsD{bow, {}}, false);
  EXPECT_EQ(united.group_trees.size(), 2u);
  ASSERT_EQ(united.paths.size(), 2u);
  for (const PathD& p : united.paths) EXPECT_DOUBLE_EQ(path_area(p), 1.0);
  EXPECT_TRUE(united.group_trees[1].empty());
}

TEST(CornerFlags, CrossingPointsAreCornersAtRightAngles) {
  UnitedPaths united =
      union_overlapping_paths(PathsD{rect_path(0, 0, 2, 2), rect_path(1, 1, 3, 3)}, false);
  PathsD flagged = united.paths;
  flag_union_points(flagged, std::cos((180.0 - 89.0) * M_PI / 180.0));
  for (size_t i = 0; i < flagged[0].size(); ++i) {
    const PathVertexZ& before = united.paths[0][i];
    if (before.z == path_flag_unset) {
      EXPECT_EQ(flagged[0][i].z, path_flag_corner);
    } else {
      EXPECT_EQ(flagged[0][i].z, before.z);
    }
  }
  // A threshold above 90 degrees leaves the right angles smooth.
  flagged = united.paths;
  flag_union_points(flagged, std::cos((180.0 - 91.0) * M_PI / 180.0));
  for (size_t i = 0; i < flagged[0].size(); ++i) {
    if (united.paths[0][i].z == path_flag_unset) {
      EXPECT_EQ(flagged[0][i].z, path_flag_smooth);
    }
  }
}

TEST(CornerFlags, OnlyUnsetPointsChange) {
  const double cos10 = std::cos(170.0 * M_PI / 180.0);
  PathsD paths{{{0, 0, 0}, {1, 0.01, 0}, {2, 0, 0}, {2, 0, 0}, {1, 5, 2}, {0, 5, 1}}};
  flag_union_points(paths, cos10);
  EXPECT_EQ(paths[0][0].z, path_flag_corner);  // right angle
  EXPECT_EQ(paths[0][1].z, path_flag_smooth);  // almost straight
  EXPECT_EQ(paths[0][2].z, path_flag_smooth);  // equal to its successor
  EXPECT_EQ(paths[0][3].z, path_flag_smooth);  // equal to its predecessor
  EXPECT_EQ(paths[0][4].z, 2);                 // kept, though a sharp turn
  EXPECT_EQ(paths[0][5].z, 1);
  // Exactly at the threshold is not a corner: d > corner_cos is strict.
  PathsD right{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}};
  flag_union_points(right, 0.0);
  EXPECT_EQ(right[0][1].z, path_flag_smooth);
}

}  // namespace
