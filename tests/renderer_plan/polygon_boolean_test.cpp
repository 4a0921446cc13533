#include "renderer/polygon_boolean.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "tests/renderer_plan/test_util.h"

namespace {

const PathVertexZ* find_point(const PathsD& paths, double x, double y) {
  for (const PathD& path : paths) {
    for (const PathVertexZ& v : path) {
      if (v.x == x && v.y == y) return &v;
    }
  }
  return nullptr;
}

TEST(PolygonBoolean, UnionKeepsInputZAndGivesCreatedPointsZero) {
  const PathsD subjects = {rect_path(0, 0, 10, 10, 1), rect_path(5, 5, 15, 15, 2)};
  const PathsD result = boolean_op(ClipType::Union, FillRule::NonZero, subjects, {}, 2);
  ASSERT_EQ(result.size(), 1u);
  EXPECT_EQ(result[0].size(), 8u);
  EXPECT_DOUBLE_EQ(signed_area(result[0]), 175.0);
  ASSERT_NE(find_point(result, 0, 0), nullptr);
  EXPECT_EQ(find_point(result, 0, 0)->z, 1);
  ASSERT_NE(find_point(result, 15, 15), nullptr);
  EXPECT_EQ(find_point(result, 15, 15)->z, 2);
  // Where the outlines cross.
  ASSERT_NE(find_point(result, 10, 5), nullptr);
  EXPECT_EQ(find_point(result, 10, 5)->z, 0);
  ASSERT_NE(find_point(result, 5, 10), nullptr);
  EXPECT_EQ(find_point(result, 5, 10)->z, 0);
}

TEST(PolygonBoolean, OuterContoursPositiveHolesNegative) {
  // Clockwise input: the result is still counter-clockwise.
  PathD clockwise = rect_path(0, 0, 30, 30);
  std::reverse(clockwise.begin(), clockwise.end());
  const PathsD subjects = {clockwise, rect_path(10, 10, 20, 20)};
  const PathsD result = boolean_op(ClipType::Union, FillRule::EvenOdd, subjects, {}, 2);
  ASSERT_EQ(result.size(), 2u);
  int outer = 0;
  int holes = 0;
  for (const PathD& p : result) {
    if (signed_area(p) == 900.0) ++outer;
    if (signed_area(p) == -100.0) ++holes;
  }
  EXPECT_EQ(outer, 1);
  EXPECT_EQ(holes, 1);
}

TEST(PolygonBoolean, ClipTypes) {
  const PathsD a = {rect_path(0, 0, 10, 10)};
  const PathsD b = {rect_path(5, 0, 15, 10)};
  EXPECT_DOUBLE_EQ(total_area(boolean_op(ClipType::Intersection, FillRule::NonZero, a, b, 2)),
                   50.0);
  EXPECT_DOUBLE_EQ(total_area(boolean_op(ClipType::Union, FillRule::NonZero, a, b, 2)), 150.0);
  EXPECT_DOUBLE_EQ(total_area(boolean_op(ClipType::Difference, FillRule::NonZero, a, b, 2)), 50.0);
  const PathsD x = boolean_op(ClipType::Xor, FillRule::NonZero, a, b, 2);
  EXPECT_EQ(x.size(), 2u);
  EXPECT_DOUBLE_EQ(total_area(x), 100.0);
}

TEST(PolygonBoolean, FillRuleAppliesWithinSubjects) {
  const PathsD subjects = {rect_path(0, 0, 10, 10), rect_path(5, 5, 15, 15)};
  EXPECT_DOUBLE_EQ(total_area(boolean_op(ClipType::Union, FillRule::EvenOdd, subjects, {}, 2)),
                   150.0);
  EXPECT_DOUBLE_EQ(total_area(boolean_op(ClipType::Union, FillRule::NonZero, subjects, {}, 2)),
                   175.0);
}

TEST(PolygonBoolean, RoundsHalfAwayFromZeroAtPrecision) {
  // 1.125 and -1.125 scale to exactly 112.5 and -112.5.
  const PathsD subjects = {
      {{-1.125, -1.125, 3}, {1.125, -1.125, 3}, {1.125, 1.125, 3}, {-1.125, 1.125, 3}}};
  const PathsD result = boolean_op(ClipType::Union, FillRule::NonZero, subjects, {}, 2);
  ASSERT_EQ(result.size(), 1u);
  for (const PathVertexZ& v : result[0]) {
    EXPECT_EQ(std::fabs(v.x), 1.13);
    EXPECT_EQ(std::fabs(v.y), 1.13);
    EXPECT_EQ(v.z, 3);
  }
  // Precision 0 rounds to whole units.
  const PathsD whole =
      boolean_op(ClipType::Union, FillRule::NonZero, {rect_path(0.4, 0.4, 9.6, 9.6)}, {}, 0);
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_DOUBLE_EQ(signed_area(whole[0]), 100.0);
}

TEST(PolygonBoolean, KeepsCollinearPoints) {
  const PathsD subjects = {{{0, 0, 1}, {5, 0, 2}, {10, 0, 1}, {10, 10, 1}, {0, 10, 1}}};
  const PathsD result = boolean_op(ClipType::Union, FillRule::NonZero, subjects, {}, 2);
  ASSERT_EQ(result.size(), 1u);
  EXPECT_EQ(result[0].size(), 5u);
  ASSERT_NE(find_point(result, 5, 0), nullptr);
  EXPECT_EQ(find_point(result, 5, 0)->z, 2);
}

TEST(PolygonBoolean, TreeAndDepthFirstFlattening) {
  // Outer ring with a hole, an island in the hole and a separate square.
  const PathsD subjects = {rect_path(0, 0, 30, 30), rect_path(5, 5, 25, 25),
                           rect_path(10, 10, 20, 20), rect_path(100, 0, 110, 10)};
  PolyTreeD tree;
  boolean_op(ClipType::Union, FillRule::EvenOdd, subjects, {}, tree, 2);
  ASSERT_EQ(tree.children.size(), 2u);
  const PolyPathD* ring = nullptr;
  for (const PolyPathD& node : tree.children) {
    EXPECT_FALSE(node.is_hole);
    EXPECT_GT(signed_area(node.polygon), 0.0);
    if (!node.children.empty()) ring = &node;
  }
  ASSERT_NE(ring, nullptr);
  ASSERT_EQ(ring->children.size(), 1u);
  const PolyPathD& hole = ring->children[0];
  EXPECT_TRUE(hole.is_hole);
  EXPECT_DOUBLE_EQ(signed_area(hole.polygon), -400.0);
  ASSERT_EQ(hole.children.size(), 1u);
  EXPECT_FALSE(hole.children[0].is_hole);
  EXPECT_DOUBLE_EQ(signed_area(hole.children[0].polygon), 100.0);

  const PathsD flat = poly_tree_to_paths(tree);
  ASSERT_EQ(flat.size(), 4u);
  // Each contour is followed by its own descendants before the next top-level contour.
  size_t ring_index = 0;
  while (signed_area(flat[ring_index]) != 900.0) ++ring_index;
  ASSERT_LE(ring_index, 1u);
  EXPECT_DOUBLE_EQ(signed_area(flat[ring_index + 1]), -400.0);
  EXPECT_DOUBLE_EQ(signed_area(flat[ring_index + 2]), 100.0);

  // The tree is replaced, not appended to.
  boolean_op(ClipType::Union, FillRule::EvenOdd, {rect_path(0, 0, 1, 1)}, {}, tree, 2);
  EXPECT_EQ(tree.children.size(), 1u);
}

TEST(PolygonBoolean, DegenerateInputGivesEmptyResult) {
  EXPECT_TRUE(boolean_op(ClipType::Union, FillRule::NonZero, {}, {}, 2).empty());
  EXPECT_TRUE(boolean_op(ClipType::Union, FillRule::NonZero, {PathD{}}, {}, 2).empty());
  EXPECT_TRUE(boolean_op(ClipType::Union, FillRule::NonZero, {{{1, 1, 1}}}, {}, 2).empty());
  EXPECT_TRUE(
      boolean_op(ClipType::Union, FillRule::NonZero, {{{1, 1, 1}, {2, 2, 1}}}, {}, 2).empty());
  // Duplicate points only.
  EXPECT_TRUE(
      boolean_op(ClipType::Union, FillRule::NonZero, {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}}, {}, 2)
          .empty());
  // Intersection with nothing.
  EXPECT_TRUE(boolean_op(ClipType::Intersection, FillRule::NonZero, {rect_path(0, 0, 1, 1)}, {}, 2)
                  .empty());
  // Precision outside the permitted range.
  EXPECT_TRUE(
      boolean_op(ClipType::Union, FillRule::NonZero, {rect_path(0, 0, 1, 1)}, {}, 9).empty());
  PolyTreeD tree;
  boolean_op(ClipType::Union, FillRule::NonZero, {}, {}, tree, 2);
  EXPECT_TRUE(tree.empty());
  EXPECT_TRUE(poly_tree_to_paths(tree).empty());
}

TEST(PolygonBoolean, NonFiniteAndHugeCoordinatesAreSafe) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // The non-finite points drop out; the rest of the square survives.
  PathD square = rect_path(0, 0, 10, 10, 1);
  square.insert(square.begin() + 2, {nan, 5, 2});
  square.insert(square.begin() + 1, {inf, -inf, 2});
  const PathsD result = boolean_op(ClipType::Union, FillRule::NonZero, {square}, {}, 2);
  ASSERT_EQ(result.size(), 1u);
  EXPECT_DOUBLE_EQ(signed_area(result[0]), 100.0);

  // Far beyond the integer range: clamped, no exception, no crash.
  const PathsD huge = {rect_path(-1e300, -1e300, 1e300, 1e300)};
  const PathsD clamped = boolean_op(ClipType::Union, FillRule::NonZero, huge, {}, 2);
  ASSERT_EQ(clamped.size(), 1u);
  EXPECT_GT(signed_area(clamped[0]), 0.0);
}

}  // namespace
