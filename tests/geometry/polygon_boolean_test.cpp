#include "geometry/polygon_boolean.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "tests/geometry/path_test_util.h"

namespace {

PathsD unite(FillRule rule, const PathsD& subjects) {
  return boolean_op(ClipType::Union, rule, subjects, {}, 2);
}

TEST(PolygonBoolean, InputPointsKeepZCreatedPointsGetZeroCollinearPointsStay) {
  PathD a = rect_path(0, 0, 10, 10, 1);
  a.insert(a.begin() + 1, {5, 0, 3});  // collinear
  const PathsD result = unite(FillRule::NonZero, {a, rect_path(5, 5, 15, 15, 2)});
  ASSERT_EQ(result.size(), 1u);
  EXPECT_EQ(result[0].size(), 9u);
  EXPECT_DOUBLE_EQ(signed_area(result[0]), 175.0);
  EXPECT_EQ(z_at(result, 0, 0), 1);
  EXPECT_EQ(z_at(result, 5, 0), 3);
  EXPECT_EQ(z_at(result, 15, 15), 2);
  // Where the outlines cross.
  EXPECT_EQ(z_at(result, 10, 5), 0);
  EXPECT_EQ(z_at(result, 5, 10), 0);
}

// The z of every result point at (x, y), in result order.
std::vector<int64_t> zs_at(const PathsD& paths, double x, double y) {
  std::vector<int64_t> zs;
  for (const PathD& path : paths) {
    for (const PathVertexZ& v : path) {
      if (v.x == x && v.y == y) zs.push_back(v.z);
    }
  }
  return zs;
}

TEST(PolygonBoolean, PointsKeepZOnlyWhereTheyAreThatInputPoint) {
  // A triangle inside the first square with a z-4 corner on its right edge, where the second
  // square's edge crosses: the crossing is made by the union, not the triangle's corner.
  const PathD triangle = {{10, 5, 4}, {6, 7, 4}, {6, 3, 4}};
  const PathsD crossing =
      unite(FillRule::NonZero, {rect_path(0, 0, 10, 10, 1), triangle, rect_path(5, 5, 15, 15, 2)});
  EXPECT_EQ(zs_at(crossing, 10, 5), (std::vector<int64_t>{0}));
  // A corner of the rectangle lying on the square's edge is still the rectangle's corner.
  const PathsD tee =
      unite(FillRule::NonZero, {rect_path(0, 0, 10, 10, 1), rect_path(10, 2, 20, 8, 3)});
  EXPECT_EQ(zs_at(tee, 10, 2), (std::vector<int64_t>{3}));
  EXPECT_EQ(zs_at(tee, 10, 8), (std::vector<int64_t>{3}));
  // Squares touching at a corner: each of the two result points there is its own square's.
  std::vector<int64_t> corner = zs_at(
      unite(FillRule::NonZero, {rect_path(0, 0, 10, 10, 1), rect_path(10, 10, 20, 20, 2)}), 10, 10);
  std::sort(corner.begin(), corner.end());
  EXPECT_EQ(corner, (std::vector<int64_t>{1, 2}));
  // Clockwise input comes out counter-clockwise, its points still its own.
  EXPECT_EQ(zs_at(unite(FillRule::NonZero, {reversed(rect_path(0, 0, 10, 10, 5))}), 10, 0),
            (std::vector<int64_t>{5}));
}

TEST(PolygonBoolean, ClipTypesAndFillRules) {
  const PathsD a = {rect_path(0, 0, 10, 10)};
  const PathsD b = {rect_path(5, 0, 15, 10)};
  for (const auto& [type, area] : {std::pair{ClipType::Intersection, 50.0},
                                   {ClipType::Union, 150.0},
                                   {ClipType::Difference, 50.0},
                                   {ClipType::Xor, 100.0}}) {
    EXPECT_DOUBLE_EQ(total_area(boolean_op(type, FillRule::NonZero, a, b, 2)), area)
        << static_cast<int>(type);
  }
  const PathsD overlapping = {rect_path(0, 0, 10, 10), rect_path(5, 5, 15, 15)};
  EXPECT_DOUBLE_EQ(total_area(unite(FillRule::EvenOdd, overlapping)), 150.0);
  EXPECT_DOUBLE_EQ(total_area(unite(FillRule::NonZero, overlapping)), 175.0);
}

TEST(PolygonBoolean, RoundsHalfAwayFromZeroAtPrecision) {
  // 1.125 and -1.125 scale to exactly 112.5 and -112.5.
  const PathsD result = unite(FillRule::NonZero, {rect_path(-1.125, -1.125, 1.125, 1.125, 3)});
  EXPECT_EQ(z_at(result, 1.13, 1.13), 3);
  EXPECT_EQ(z_at(result, -1.13, -1.13), 3);
  const PathsD whole =
      boolean_op(ClipType::Union, FillRule::NonZero, {rect_path(0.4, 0.4, 9.6, 9.6)}, {}, 0);
  EXPECT_DOUBLE_EQ(total_area(whole), 100.0);
}

TEST(PolygonBoolean, OrientationTreeAndDepthFirstFlattening) {
  // Outer ring with a hole, an island in the hole and a separate square; the ring clockwise.
  const PathsD subjects = {reversed(rect_path(0, 0, 30, 30)), rect_path(5, 5, 25, 25),
                           rect_path(10, 10, 20, 20), rect_path(100, 0, 110, 10)};
  // Outer contours positive, holes negative: 900 - 400 + 100 + 100.
  EXPECT_DOUBLE_EQ(total_area(unite(FillRule::EvenOdd, subjects)), 700.0);
  PolyTreeD tree;
  boolean_op(ClipType::Union, FillRule::EvenOdd, subjects, {}, tree, 2);
  ASSERT_EQ(tree.children.size(), 2u);
  const size_t r = tree.children[0].children.empty() ? 1 : 0;
  const PolyPathD& ring = tree.children[r];
  EXPECT_FALSE(ring.is_hole);
  EXPECT_DOUBLE_EQ(signed_area(ring.polygon), 900.0);
  ASSERT_EQ(ring.children.size(), 1u);
  const PolyPathD& hole = ring.children[0];
  EXPECT_TRUE(hole.is_hole);
  ASSERT_EQ(hole.children.size(), 1u);
  EXPECT_FALSE(hole.children[0].is_hole);

  // Each contour before its own descendants, then the next top-level contour.
  const PathsD flat = poly_tree_to_paths(tree);
  ASSERT_EQ(flat.size(), 4u);
  EXPECT_DOUBLE_EQ(signed_area(flat[r]), 900.0);
  EXPECT_DOUBLE_EQ(signed_area(flat[r + 1]), -400.0);
  EXPECT_DOUBLE_EQ(signed_area(flat[r + 2]), 100.0);

  // The tree is replaced, not appended to.
  boolean_op(ClipType::Union, FillRule::EvenOdd, {}, {}, tree, 2);
  EXPECT_TRUE(tree.empty());
}

TEST(PolygonBoolean, DegenerateAndNonFiniteInput) {
  for (const PathsD& degenerate :
       {PathsD{}, PathsD{PathD{}}, PathsD{{{1, 1, 1}}}, PathsD{{{1, 1, 1}, {2, 2, 1}}},
        PathsD{{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}}}) {
    EXPECT_TRUE(unite(FillRule::NonZero, degenerate).empty());
  }
  EXPECT_TRUE(
      boolean_op(ClipType::Union, FillRule::NonZero, {rect_path(0, 0, 1, 1)}, {}, 9).empty());

  // Non-finite points drop out; the rest of the square survives.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  PathD square = rect_path(0, 0, 10, 10, 1);
  square.insert(square.begin() + 2, {nan, 5, 2});
  square.insert(square.begin() + 1, {inf, -inf, 2});
  EXPECT_DOUBLE_EQ(total_area(unite(FillRule::NonZero, {square})), 100.0);

  // Far beyond the integer range: clamped, no exception.
  const PathsD clamped = unite(FillRule::NonZero, {rect_path(-1e300, -1e300, 1e300, 1e300)});
  ASSERT_EQ(clamped.size(), 1u);
  EXPECT_GT(signed_area(clamped[0]), 0.0);
}

}  // namespace
