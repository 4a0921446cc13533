#include "geometry/path_flattening.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/polygon_boolean.h"
#include "tests/geometry/path_test_util.h"

namespace {

// cos(180 - 10 degrees): the default threshold of 10 degrees.
const double default_corner_cos = std::cos(170.0 * 0.017453292519943295);

PathD flatten(const BezierPath& path) {
  return flatten_bezier_path(path, default_corner_cos);
}

TEST(FlattenBezierPath, StraightSegmentsGiveTheVerticesWithYNegated) {
  EXPECT_EQ(flatten(bezier_rect(0, 0, 10, 10)),
            (PathD{{0, 0, 1}, {10, 0, 1}, {10, -10, 1}, {0, -10, 1}}));
  // With a threshold of more than 90 degrees a right angle is not a corner.
  for (const PathVertexZ& v : flatten_bezier_path(bezier_rect(0, 0, 10, 10), 0.5)) {
    EXPECT_EQ(v.z, path_flag_smooth);
  }
  // Outlines in order, an empty one giving an empty polygon.
  PathsD out;
  flatten_bezier_paths({{}, bezier_rect(20, 0, 30, 10)}, default_corner_cos, out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_TRUE(out[0].empty());
  EXPECT_EQ(out[1][0].x, 20.0);
}

TEST(FlattenBezierPath, CurvesGiveSmoothPointsOnTheCurve) {
  // Circle of radius 20 about (50, 50) in four cubic segments, counter-clockwise with y down.
  const double k = 0.5522847498 * 20;
  const BezierPath circle = {{70, 50, 70, 50 + k, 70, 50 - k},
                             {50, 30, 50 + k, 30, 50 - k, 30},
                             {30, 50, 30, 50 - k, 30, 50 + k},
                             {50, 70, 50 - k, 70, 50 + k, 70}};
  const PathD flat = flatten(circle);
  ASSERT_GT(flat.size(), 8u);
  EXPECT_EQ(flat[0], (PathVertexZ{70, -50, path_flag_smooth}));
  for (const PathVertexZ& v : flat) {
    EXPECT_EQ(v.z, path_flag_smooth);
    EXPECT_NEAR(std::hypot(v.x - 50, v.y + 50), 20.0, 0.15);
  }
  EXPECT_GT(signed_area(flat), 0.0);  // y negated turns the orientation
}

TEST(FlattenBezierPath, OneVertexPathLoopsBackToItself) {
  const PathD flat = flatten({{0, 0, -10, 10, 10, 10}});
  ASSERT_GT(flat.size(), 2u);
  EXPECT_EQ(flat[0], (PathVertexZ{0, 0, path_flag_corner}));
  for (size_t i = 1; i < flat.size(); ++i) {
    EXPECT_EQ(flat[i].z, path_flag_smooth);
    EXPECT_LT(flat[i].y, 0.0);
  }
}

TEST(FlattenBezierPath, CornerTestFallsBackToNeighbours) {
  // Vertex 1's control points sit on it; the neighbours' control points line up through it
  // while the neighbours themselves would make a corner.
  const BezierPath handles = {
      {0, 0, 0, 0, 0, 10}, {10, 0, 10, 0, 10, 0}, {20, 10, 20, -10, 20, 10}};
  EXPECT_EQ(z_at({flatten(handles)}, 10, 0), path_flag_smooth);
  // The neighbours' control points also on their vertices: the neighbours' positions decide.
  EXPECT_EQ(flatten({{0, 0, 0, 0, 0, 0}, {10, 0, 10, 0, 10, 0}, {10, 10, 10, 10, 10, 10}})[1].z,
            path_flag_corner);
  // An own control point wins: the in-handle turns a straight passage into a right angle.
  const PathD handled = flatten(
      {{0, 0, 0, 0, 0, 0}, {10, 0, 10, 5, 10, 0}, {20, 0, 20, 0, 20, 0}, {10, 10, 10, 10, 10, 10}});
  EXPECT_EQ(z_at({handled}, 10, 0), path_flag_corner);
}

TEST(FlattenBezierPath, ZeroLengthSegmentAndNonFiniteCoordinates) {
  // Vertex 1 repeated: both copies stay, each smooth (a zero direction on one side).
  const PathD dup = flatten(
      {{0, 0, 0, 0, 0, 0}, {10, 0, 10, 0, 10, 0}, {10, 0, 10, 0, 10, 0}, {10, 10, 10, 10, 10, 10}});
  EXPECT_EQ(dup, (PathD{{0, 0, 1}, {10, 0, 2}, {10, 0, 2}, {10, -10, 1}}));

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  BezierPath bad = bezier_rect(0, 0, 10, 10);
  bad[0] = {nan, 0, nan, 0, nan, 0};
  bad[2].out_x = inf;
  const PathD flat = flatten(bad);
  ASSERT_FALSE(flat.empty());
  EXPECT_EQ(flat[0].z, path_flag_smooth);  // a NaN product
}

MaskPath mask(BezierPath path, int32_t mode, uint8_t inverted = 0) {
  return {std::move(path), mode, inverted};
}

// Circle of radius r about (cx, cy) in four cubic segments.
BezierPath bezier_circle(double cx, double cy, double r) {
  const double k = 0.5522847498 * r;
  return {{cx + r, cy, cx + r, cy + k, cx + r, cy - k},
          {cx, cy - r, cx + k, cy - r, cx - k, cy - r},
          {cx - r, cy, cx - r, cy - k, cx - r, cy + k},
          {cx, cy + r, cx - k, cy + r, cx + k, cy + r}};
}

TEST(FlattenBezierPath, OutlinesBeyondCairosRangeCoverWhatTheyCoverInTheFrame) {
  // A 1280 x 720 layer under masks reaching x out to +-far: the whole layer; the layer below the
  // line y = x / 2 + 100; the layer right of x = 500 (the left edge of a circle of radius far).
  const PathD frame = make_layer_frame(1280, 720);
  for (const double far : {8.4e6, 2e7, 1e9}) {
    const struct {
      BezierPath path;
      double area;  // of the layer covered
    } cases[] = {
        {bezier_rect(-far, -far, far, far), 1280.0 * 720.0},
        {{{-far, 100 - far / 2, -far, 100 - far / 2, -far, 100 - far / 2},
          {far, 100 + far / 2, far, 100 + far / 2, far, 100 + far / 2},
          {-far, 3 * far, -far, 3 * far, -far, 3 * far}},
         620.0 * 1240.0 - 1240.0 * 1240.0 / 4.0},
        {bezier_circle(500 + far, 360, far), 780.0 * 720.0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
      const PathD flat = flatten(cases[i].path);
      for (const PathVertexZ& v : flat) {
        ASSERT_LE(std::max(std::abs(v.x), std::abs(v.y)), 2097152.0) << far << ", case " << i;
      }
      const PathsD covered = boolean_op(
          ClipType::Intersection, FillRule::NonZero,
          combine_mask_paths({mask(cases[i].path, mask_mode_add)}, default_corner_cos, 1280, 720),
          {frame}, 2);
      EXPECT_NEAR(total_area(covered), cases[i].area, 100.0) << far << ", case " << i;
    }
  }
  // Cut straight edges meet the square they are cut to at corners; infinity is only farther.
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(flatten(bezier_rect(-inf, -inf, inf, 0)), flatten(bezier_rect(-1e9, -1e9, 1e9, 0)));
  EXPECT_EQ(
      flatten(bezier_rect(-1e9, -1e9, 1e9, 0)),
      (PathD{{2097152, 2097152, 1}, {2097152, 0, 1}, {-2097152, 0, 1}, {-2097152, 2097152, 1}}));
}

TEST(CombineMasks, ModesInversionAndOrder) {
  // Layer 100 x 100 (area 10000); a is 20 x 20, b overlaps it by 10 x 10, c lies apart (10 x 10).
  const BezierPath a = bezier_rect(10, 10, 30, 30);
  const BezierPath b = bezier_rect(20, 20, 40, 40);
  const BezierPath c = bezier_rect(50, 50, 60, 60);
  const struct {
    MaskPaths masks;
    double area;
  } cases[] = {
      {{mask(a, mask_mode_none), mask(b, mask_mode_none)}, 0},
      {{mask(a, mask_mode_add)}, 400},
      {{mask(a, mask_mode_subtract)}, 9600},
      {{mask(a, mask_mode_intersect)}, 400},
      {{mask(a, mask_mode_darken)}, 400},
      {{mask(a, 42)}, 400},
      {{mask(a, mask_mode_none), mask(a, mask_mode_subtract)}, 9600},
      {{mask(a, mask_mode_add, 1)}, 9600},
      {{mask(a, mask_mode_intersect, 1)}, 9600},
      {{mask(a, mask_mode_subtract, 1)}, 400},
      {{mask(c, mask_mode_add), mask(a, mask_mode_difference, 1)}, 9500},
      {{mask(a, mask_mode_add), mask(b, mask_mode_add)}, 700},
      {{mask(a, mask_mode_add), mask(b, mask_mode_subtract)}, 300},
      {{mask(a, mask_mode_add), mask(b, mask_mode_intersect)}, 100},
      {{mask(a, mask_mode_add), mask(b, mask_mode_difference)}, 600},
      {{mask({}, mask_mode_add), mask({}, mask_mode_intersect)}, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_DOUBLE_EQ(total_area(combine_mask_paths(cases[i].masks, default_corner_cos, 100, 100)),
                     cases[i].area)
        << "case " << i;
  }

  // Mask vertices keep their flags; the frame's corners have none.
  const PathsD r = combine_mask_paths({mask(a, mask_mode_subtract)}, default_corner_cos, 100, 100);
  EXPECT_EQ(z_at(r, 10, -10), path_flag_corner);
  EXPECT_EQ(z_at(r, 100, -100), path_flag_unset);
}

TEST(MergeGroupPaths, FillsMergesAndGroups) {
  const ShapeItem a = {bezier_rect(0, 0, 20, 20)};
  const ShapeItem b = {bezier_rect(10, 10, 30, 30)};  // overlaps a by 100
  const ShapeItem c = {bezier_rect(40, 0, 50, 10)};   // apart, 100
  const auto fill = [](int32_t rule) { return ShapeItem{ShapeFill{rule}}; };
  const auto merge = [](int32_t type) { return ShapeItem{ShapeMerge{type}}; };
  const auto group = [](ShapeItems items) { return ShapeItem{ShapeGroup{std::move(items)}}; };
  const struct {
    ShapeItems items;
    double area;
  } cases[] = {
      {{a, fill(1)}, 400},
      {{fill(1), a}, 0},
      {{a}, 0},
      {{}, 0},
      {{a, b, fill(1)}, 700},
      {{a, b, fill(2)}, 600},
      {{a, b, fill(0)}, 700},  // an undefined rule paints like non-zero
      {{a, fill(1), b, merge(2)}, 0},
      {{a, fill(1), b, merge(2), fill(1)}, 700},
      {{a, b, merge(1), fill(2)}, 600},
      {{a, b, merge(3), fill(1)}, 300},
      {{a, b, merge(4), fill(1)}, 100},
      {{a, b, merge(5), fill(1)}, 600},
      {{a, b, merge(9), fill(1)}, 0},
      {{merge(2), fill(1)}, 0},
      {{group({a, fill(1)})}, 400},
      {{group({a}), fill(1)}, 400},
      {{c, group({a, fill(1)})}, 400},
      {{c, group({a}), fill(1)}, 500},
      {{group({group({a})}), fill(1)}, 400},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_DOUBLE_EQ(total_area(merge_group_paths(cases[i].items, default_corner_cos).filled),
                     cases[i].area)
        << "case " << i;
  }
}

}  // namespace
