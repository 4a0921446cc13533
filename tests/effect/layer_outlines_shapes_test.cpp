// Shape layers: items in content order, group transforms, direction, and
// what is not read.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/effect/effect_world.h"

namespace effect_test {
namespace {

// One vertex, with its control points relative to it.
PathShape point_path(double x, double y, double in_x = 0, double in_y = 0) {
  return {{{x, y, in_x, in_y, 0, 0}}, true};
}

// A shape layer whose layer-to-world matrix is the identity.
Layer& identity_shape_layer(EffectWorld& world) {
  Layer& layer = world.effect_layer(LayerKind::Shape);
  layer.transform.position = Vec3{};
  return layer;
}

// The first path found depth first.
const BezierPath* first_path(const ShapeItems& items) {
  for (const ShapeItem& item : items) {
    if (const auto* path = std::get_if<BezierPath>(&item.value)) return path;
    if (const auto* group = std::get_if<ShapeGroup>(&item.value)) {
      if (const BezierPath* inner = first_path(group->items)) return inner;
    }
  }
  return nullptr;
}

TEST(ShapeLayer, PathsAreMappedThroughTheirGroupsAndTheLayer) {
  struct Expected {
    double x, y, in_x, in_y;
  };
  struct Case {
    const char* name;
    StreamNode contents;
    Vec3 layer_position;
    PF_RationalScale ds;
    A_long time;  // at 24 frames a second
    Expected vertex;
  };
  const StreamNode scaled =
      shape_group({shape_path(point_path(12, 3, -2, 0)), shape_fill()},
                  {.anchor = Vec2{10, 0}, .position = Vec2{110, 50}, .scale = Vec2{200, 200}});
  const StreamNode turned = shape_group({shape_path(point_path(1, 0))}, {.rotation = 90.0});
  const StreamNode skewed = shape_group({shape_path(point_path(0, 10))}, {.skew = 45.0});
  const StreamNode unskewed =
      shape_group({shape_path(point_path(3, 10))}, {.skew = 0.0, .skew_axis = 30.0});
  const StreamNode nested =
      shape_group({shape_group({shape_path(point_path(2, 2))}, {.position = Vec2{10, 10}})},
                  {.position = Vec2{100, 0}, .scale = Vec2{50, 50}});
  const StreamNode keyed =
      shape_group({shape_path(point_path(0, 0))},
                  {.position = Animated<Vec2>::keyed({{0.0, {0, 0}}, {2.0, {100, 0}}})});
  const Case cases[] = {
      {"anchor, position and scale", scaled, {}, {1, 1}, 0, {114, 56, 110, 56}},
      {"a quarter turn is clockwise on screen", turned, {}, {1, 1}, 0, {0, 1, 0, 1}},
      {"skew 45 degrees along x", skewed, {}, {1, 1}, 0, {-10, 10, -10, 10}},
      {"skew 0 on any axis changes nothing", unskewed, {}, {1, 1}, 0, {3, 10, 3, 10}},
      {"the inner group's transform first", nested, {}, {1, 1}, 0, {106, 6, 106, 6}},
      {"the layer-to-world matrix at half resolution",
       shape_path(point_path(12, 3)),
       {640, 360, 0},
       {1, 2},
       0,
       {326, 181.5, 326, 181.5}},
      {"a keyframed position at the frame's time", keyed, {}, {1, 1}, 24, {50, 0, 50, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EffectWorld world;
    Layer& layer = identity_shape_layer(world);
    layer.transform.position = c.layer_position;
    layer.set_contents(shape_contents({c.contents}));
    world.instance.current_time = c.time;
    SourceGeometry geometry;
    ASSERT_EQ(world.gather(geometry, c.ds), PF_Err_NONE);
    const BezierPath* path = first_path(holds<ShapeItems>(geometry));
    ASSERT_NE(path, nullptr);
    ASSERT_EQ(path->size(), 1u);
    EXPECT_NEAR((*path)[0].x, c.vertex.x, 1e-12);
    EXPECT_NEAR((*path)[0].y, c.vertex.y, 1e-12);
    EXPECT_NEAR((*path)[0].in_x, c.vertex.in_x, 1e-12);
    EXPECT_NEAR((*path)[0].in_y, c.vertex.in_y, 1e-12);
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

TEST(ShapeLayer, ItemsKeepTheContentOrderAndIgnoreWhatTheyDoNotRead) {
  EffectWorld world;
  identity_shape_layer(world).set_contents(shape_contents(
      {shape_path(point_path(1, 1)), shape_fill(2.0),
       shape_group({shape_path(point_path(2, 2)), shape_merge(3.0), shape_fill()}),
       shape_rectangle(Vec2{10, 10}), shape_ellipse(Vec2{5, 5}), shape_star(5.0, 20.0),
       shape_stroke(4.0), shape_gradient_fill(), shape_merge(5.9),
       // Values no integer holds: saturated, and NaN as 0.
       shape_merge(1e12), shape_fill(-1e12), shape_fill(std::nan(""))}));
  SourceGeometry geometry;
  ASSERT_EQ(world.gather(geometry), PF_Err_NONE);
  const ShapeItems& items = holds<ShapeItems>(geometry);
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(std::get<ShapeMerge>(items[4].value).type, 2147483647);
  EXPECT_EQ(std::get<ShapeFill>(items[5].value).rule, -2147483647 - 1);
  EXPECT_EQ(std::get<ShapeFill>(items[6].value).rule, 0);
  EXPECT_TRUE(std::holds_alternative<BezierPath>(items[0].value));
  EXPECT_EQ(std::get<ShapeFill>(items[1].value).rule, 2);
  const ShapeItems& group = std::get<ShapeGroup>(items[2].value).items;
  ASSERT_EQ(group.size(), 3u);
  EXPECT_EQ(std::get<ShapeMerge>(group[1].value).type, 3);
  EXPECT_EQ(std::get<ShapeFill>(group[2].value).rule, 1);
  EXPECT_EQ(std::get<ShapeMerge>(items[3].value).type, 5);  // truncated
  EXPECT_EQ(world.host.balance_report(), "");
}

TEST(ShapeLayer, OfParametricShapesAndStrokesOnlyGivesAnEmptyList) {
  EffectWorld world;
  identity_shape_layer(world).set_contents(
      shape_contents({shape_rectangle(Vec2{10, 10}), shape_ellipse(Vec2{5, 5}), shape_stroke(2.0),
                      shape_group({shape_star(5.0, 10.0), shape_stroke(1.0)})}));
  SourceGeometry geometry;
  ASSERT_EQ(world.gather(geometry), PF_Err_NONE);
  const ShapeItems& items = holds<ShapeItems>(geometry);
  ASSERT_EQ(items.size(), 1u);  // the group, holding nothing
  EXPECT_TRUE(std::get<ShapeGroup>(items[0].value).items.empty());

  EffectWorld bare;
  identity_shape_layer(bare).set_contents(shape_contents(
      {shape_rectangle(Vec2{10, 10}), shape_ellipse(Vec2{5, 5}), shape_stroke(2.0)}));
  SourceGeometry nothing;
  ASSERT_EQ(bare.gather(nothing), PF_Err_NONE);
  EXPECT_TRUE(holds<ShapeItems>(nothing).empty());
  EXPECT_EQ(world.host.balance_report(), "");
  EXPECT_EQ(bare.host.balance_report(), "");
}

TEST(ShapeLayer, AReversedPathIsTheSameCurveRunTheOtherWay) {
  const PathShape triangle{{{0, 0, -1, 0, 1, 0}, {10, 0, 0, -1, 0, 1}, {5, 8, 1, 1, -1, -1}}, true};
  SourceGeometry forward;
  SourceGeometry backward;
  for (double direction : {kPathDirectionNormal, kPathDirectionReversed}) {
    EffectWorld world;
    identity_shape_layer(world).set_contents(
        shape_contents({shape_path(triangle, direction), shape_path(square(0, 0, 4, false))}));
    ASSERT_EQ(world.gather(direction == kPathDirectionNormal ? forward : backward), PF_Err_NONE);
    EXPECT_EQ(world.host.balance_report(), "");
  }
  // The open square adds nothing.
  ASSERT_EQ(holds<ShapeItems>(forward).size(), 1u);
  ASSERT_EQ(holds<ShapeItems>(backward).size(), 1u);
  const BezierPath& a = std::get<BezierPath>(holds<ShapeItems>(forward)[0].value);
  const BezierPath& b = std::get<BezierPath>(holds<ShapeItems>(backward)[0].value);
  ASSERT_EQ(a.size(), 3u);
  ASSERT_EQ(b.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const BezierVertex& v = a[i];
    const BezierVertex& w = b[2 - i];
    EXPECT_TRUE(v.x == w.x && v.y == w.y && v.in_x == w.out_x && v.in_y == w.out_y &&
                v.out_x == w.in_x && v.out_y == w.in_y)
        << "vertex " << i;
  }
}

}  // namespace
}  // namespace effect_test
