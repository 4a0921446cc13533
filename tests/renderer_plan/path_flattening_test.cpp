#include "renderer/path_flattening.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "tests/renderer_plan/test_util.h"

namespace {

// cos(180 - 10 degrees): the default threshold of 10 degrees.
const double default_corner_cos = std::cos(170.0 * 0.017453292519943295);

// Circle of four cubic segments, counter-clockwise in host space (y down).
BezierPath circle(double cx, double cy, double r) {
  const double k = 0.5522847498 * r;
  return {{cx + r, cy, cx + r, cy + k, cx + r, cy - k},
          {cx, cy - r, cx + k, cy - r, cx - k, cy - r},
          {cx - r, cy, cx - r, cy - k, cx - r, cy + k},
          {cx, cy + r, cx - k, cy + r, cx + k, cy + r}};
}

TEST(FlattenBezierPath, EmptyPathGivesEmptyPolygon) {
  EXPECT_TRUE(flatten_bezier_path({}, default_corner_cos).empty());
}

TEST(FlattenBezierPath, StraightSquareGivesItsCornersWithYNegated) {
  const PathD flat = flatten_bezier_path(bezier_rect(0, 0, 10, 10), default_corner_cos);
  EXPECT_EQ(flat, (PathD{{0, 0, 1}, {10, 0, 1}, {10, -10, 1}, {0, -10, 1}}));
  // With a threshold of more than 90 degrees a right angle is not a corner.
  const PathD blunt = flatten_bezier_path(bezier_rect(0, 0, 10, 10), std::cos(60.0 * M_PI / 180));
  for (const PathVertexZ& v : blunt) EXPECT_EQ(v.z, path_flag_smooth);
}

TEST(FlattenBezierPath, CurvesGiveSmoothPointsOnTheCurve) {
  const BezierPath c = circle(50, 50, 20);
  const PathD flat = flatten_bezier_path(c, default_corner_cos);
  ASSERT_GT(flat.size(), 8u);
  // Each vertex starts its own run of interior points; the first point is vertex 0.
  EXPECT_EQ(flat[0].x, 70.0);
  EXPECT_EQ(flat[0].y, -50.0);
  size_t vertices = 0;
  for (const PathVertexZ& v : flat) {
    EXPECT_EQ(v.z, path_flag_smooth);  // tangents are continuous
    EXPECT_NEAR(std::hypot(v.x - 50, v.y + 50), 20.0, 0.15);
    for (const BezierVertex& b : c) vertices += (v.x == b.x && v.y == -b.y) ? 1 : 0;
  }
  EXPECT_EQ(vertices, 4u);
  EXPECT_GT(signed_area(flat), 0.0);  // y negated turns the orientation
}

TEST(FlattenBezierPath, OneVertexPathLoopsBackToItself) {
  const BezierPath loop = {{0, 0, -10, 10, 10, 10}};
  const PathD flat = flatten_bezier_path(loop, default_corner_cos);
  ASSERT_GT(flat.size(), 2u);
  EXPECT_EQ(flat[0], (PathVertexZ{0, 0, path_flag_corner}));
  for (size_t i = 1; i < flat.size(); ++i) {
    EXPECT_EQ(flat[i].z, path_flag_smooth);
    EXPECT_LT(flat[i].y, 0.0);
  }
}

TEST(FlattenBezierPath, CornerTestFallsBackToNeighbours) {
  // Vertex 1's control points sit on it; its directions come from the neighbours' control
  // points, which point straight through: smooth.
  const BezierPath through = {
      {0, 0, 0, 0, 5, 0}, {10, 0, 10, 0, 10, 0}, {20, 0, 15, 0, 20, 0}, {10, 10, 10, 10, 10, 10}};
  EXPECT_EQ(flatten_bezier_path(through, default_corner_cos)[1].z, path_flag_smooth);
  // The neighbours' control points also on their vertices: the neighbours' positions decide.
  const BezierPath bent = {{0, 0, 0, 0, 0, 0}, {10, 0, 10, 0, 10, 0}, {10, 10, 10, 10, 10, 10}};
  EXPECT_EQ(flatten_bezier_path(bent, default_corner_cos)[1].z, path_flag_corner);
  // An own control point wins over the neighbours: the in-handle turns a straight passage
  // into a right angle.
  const BezierPath handled = {
      {0, 0, 0, 0, 0, 0}, {10, 0, 10, 5, 10, 0}, {20, 0, 20, 0, 20, 0}, {10, 10, 10, 10, 10, 10}};
  const PathD flat = flatten_bezier_path(handled, default_corner_cos);
  const auto vertex_1 = std::find_if(
      flat.begin(), flat.end(), [](const PathVertexZ& v) { return v.x == 10.0 && v.y == 0.0; });
  ASSERT_NE(vertex_1, flat.end());
  EXPECT_EQ(vertex_1->z, path_flag_corner);
}

TEST(FlattenBezierPath, ZeroLengthSegmentKeepsBothCopies) {
  const BezierPath dup = {
      {0, 0, 0, 0, 0, 0}, {10, 0, 10, 0, 10, 0}, {10, 0, 10, 0, 10, 0}, {10, 10, 10, 10, 10, 10}};
  const PathD flat = flatten_bezier_path(dup, default_corner_cos);
  ASSERT_EQ(flat.size(), 4u);
  EXPECT_EQ(flat[1].x, 10.0);
  EXPECT_EQ(flat[2].x, 10.0);
  EXPECT_EQ(flat[1].y, flat[2].y);
  // Each copy has a zero direction on one side: smooth.
  EXPECT_EQ(flat[1].z, path_flag_smooth);
  EXPECT_EQ(flat[2].z, path_flag_smooth);
}

TEST(FlattenBezierPath, NonFiniteCoordinatesDoNotCrash) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  BezierPath bad = bezier_rect(0, 0, 10, 10);
  bad[0] = {nan, 0, nan, 0, nan, 0};
  bad[2].out_x = inf;
  const PathD flat = flatten_bezier_path(bad, default_corner_cos);
  ASSERT_FALSE(flat.empty());
  // NaN in the corner test gives smooth.
  EXPECT_EQ(flat[0].z, path_flag_smooth);
  // All-NaN path.
  const BezierPath all_nan = {{nan, nan, nan, nan, nan, nan}};
  flatten_bezier_path(all_nan, default_corner_cos);
}

TEST(FlattenBezierPaths, AppendsOnePolygonPerOutlineInOrder) {
  PathsD out = {rect_path(0, 0, 1, 1)};
  flatten_bezier_paths({bezier_rect(0, 0, 10, 10), {}, bezier_rect(20, 0, 30, 10)},
                       default_corner_cos, out);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[1][0].x, 0.0);
  EXPECT_TRUE(out[2].empty());
  EXPECT_EQ(out[3][0].x, 20.0);
}

MaskPath mask(BezierPath path, int32_t mode, bool inverted = false) {
  return {std::move(path), mode, static_cast<uint8_t>(inverted ? 1 : 0)};
}

// Layer 100 x 100; mask 20 x 20 (area 400) inside it.
PathsD combine(const MaskPaths& masks) {
  return combine_mask_paths(masks, default_corner_cos, 100, 100);
}

TEST(CombineMasks, FirstMaskAlwaysContributes) {
  const BezierPath m = bezier_rect(10, 10, 30, 30);
  EXPECT_TRUE(combine({mask(m, mask_mode_none), mask(m, mask_mode_none)}).empty());
  EXPECT_DOUBLE_EQ(total_area(combine({mask(m, mask_mode_add)})), 400.0);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(m, mask_mode_subtract)})), 10000.0 - 400.0);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(m, mask_mode_intersect)})), 400.0);
  // A mode the host does not define still counts as the first mask.
  EXPECT_DOUBLE_EQ(total_area(combine({mask(m, 42)})), 400.0);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(m, mask_mode_none), mask(m, mask_mode_subtract)})),
                   10000.0 - 400.0);
}

TEST(CombineMasks, InvertedMasks) {
  const BezierPath m = bezier_rect(10, 10, 30, 30);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(m, mask_mode_add, true)})), 10000.0 - 400.0);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(m, mask_mode_intersect, true)})), 10000.0 - 400.0);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(m, mask_mode_subtract, true)})), 400.0);
  // Inverted difference: xor with the frame minus the mask.
  const BezierPath other = bezier_rect(50, 50, 60, 60);
  EXPECT_DOUBLE_EQ(
      total_area(combine({mask(other, mask_mode_add), mask(m, mask_mode_difference, true)})),
      10000.0 - 400.0 - 100.0);
}

TEST(CombineMasks, LaterMasksCombineWithTheResult) {
  const BezierPath a = bezier_rect(10, 10, 30, 30);
  const BezierPath b = bezier_rect(20, 20, 40, 40);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(a, mask_mode_add), mask(b, mask_mode_add)})), 700.0);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(a, mask_mode_add), mask(b, mask_mode_subtract)})),
                   300.0);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(a, mask_mode_add), mask(b, mask_mode_intersect)})),
                   100.0);
  EXPECT_DOUBLE_EQ(total_area(combine({mask(a, mask_mode_add), mask(b, mask_mode_difference)})),
                   600.0);
}

TEST(CombineMasks, VerticesKeepFlagsAndFrameCornersHaveNone) {
  const PathsD r = combine({mask(bezier_rect(10, 10, 30, 30), mask_mode_subtract)});
  bool saw_corner = false;
  bool saw_frame = false;
  for (const PathD& p : r) {
    for (const PathVertexZ& v : p) {
      if (v.x == 10 && v.y == -10) saw_corner = v.z == path_flag_corner;
      if (v.x == 100 && v.y == -100) saw_frame = v.z == path_flag_unset;
    }
  }
  EXPECT_TRUE(saw_corner);
  EXPECT_TRUE(saw_frame);
  // Masks with empty paths.
  EXPECT_TRUE(combine({mask({}, mask_mode_add), mask({}, mask_mode_intersect)}).empty());
}

ShapeItem path_item(BezierPath p) {
  return {std::move(p)};
}
ShapeItem fill_item(int32_t rule) {
  return {ShapeFill{rule}};
}
ShapeItem merge_item(int32_t type) {
  return {ShapeMerge{type}};
}

double filled_area(const ShapeItems& items) {
  return total_area(merge_group_paths(items, default_corner_cos).filled);
}

TEST(MergeGroupPaths, FillsPaintThePathsBeforeThem) {
  const BezierPath a = bezier_rect(0, 0, 20, 20);
  const BezierPath b = bezier_rect(10, 10, 30, 30);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), fill_item(1)}), 400.0);
  EXPECT_DOUBLE_EQ(filled_area({fill_item(1), path_item(a)}), 0.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a)}), 0.0);
  EXPECT_DOUBLE_EQ(filled_area({}), 0.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), path_item(b), fill_item(1)}), 700.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), path_item(b), fill_item(2)}), 600.0);
  // An undefined rule paints like the default non-zero rule.
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), path_item(b), fill_item(0)}), 700.0);
  // A second fill paints the same paths again: no change.
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), fill_item(1), fill_item(2)}), 400.0);
}

TEST(MergeGroupPaths, MergeClearsEarlierFillsAndCombinesShapes) {
  const BezierPath a = bezier_rect(0, 0, 20, 20);
  const BezierPath b = bezier_rect(10, 10, 30, 30);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), fill_item(1), path_item(b), merge_item(2)}), 0.0);
  EXPECT_DOUBLE_EQ(
      filled_area({path_item(a), fill_item(1), path_item(b), merge_item(2), fill_item(1)}), 700.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), path_item(b), merge_item(1), fill_item(2)}), 600.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), path_item(b), merge_item(3), fill_item(1)}), 300.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), path_item(b), merge_item(4), fill_item(1)}), 100.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), path_item(b), merge_item(5), fill_item(1)}), 600.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(a), path_item(b), merge_item(9), fill_item(1)}), 0.0);
  EXPECT_DOUBLE_EQ(filled_area({merge_item(2), fill_item(1)}), 0.0);

  ShapeGroupPaths level;
  merge_paths(level, 2);
  ASSERT_EQ(level.pending.size(), 1u);
  EXPECT_TRUE(level.pending[0].empty());
}

TEST(MergeGroupPaths, GroupsPaintInsideAndLendPathsToLaterFills) {
  const BezierPath a = bezier_rect(0, 0, 20, 20);
  const BezierPath b = bezier_rect(40, 0, 50, 10);
  // The group's own fill paints its path.
  EXPECT_DOUBLE_EQ(filled_area({ShapeItem{ShapeGroup{{path_item(a), fill_item(1)}}}}), 400.0);
  // A fill after the group paints the group's paths too.
  EXPECT_DOUBLE_EQ(filled_area({ShapeItem{ShapeGroup{{path_item(a)}}}, fill_item(1)}), 400.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(b), ShapeItem{ShapeGroup{{path_item(a), fill_item(1)}}}}),
                   400.0);
  EXPECT_DOUBLE_EQ(filled_area({path_item(b), ShapeItem{ShapeGroup{{path_item(a)}}}, fill_item(1)}),
                   500.0);
  const ShapeGroupPaths nested = merge_group_paths(
      {ShapeItem{ShapeGroup{{ShapeItem{ShapeGroup{{path_item(a)}}}}}}}, default_corner_cos);
  EXPECT_EQ(nested.pending.size(), 1u);
  EXPECT_TRUE(nested.filled.empty());
}

}  // namespace
