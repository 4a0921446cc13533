// The composition's own sums, without a plug-in: a layer's place in the
// world, values between keyframes and the lines of a text. (The streams, outlines and masks it
// serves: the effect's outline tests, which read and give back every kind.)

#include "host/scene/composition.h"

#include <gtest/gtest.h>

#include <cmath>

namespace simhost::scene {
namespace {

TEST(Composition, LayerToWorldAppliesAnchorScaleRotationPositionThenTheParents) {
  const struct {
    const char* name;
    bool three_d;
    bool parented;  // under a parent moved by (1000, 0, 0) and scaled 50 %
    Vec3 point, expected;
    LayerTransform transform;
  } cases[] = {
      {"2D", false, false, Vec3{12, 1, 0}, Vec3{104, 53, 0},
       LayerTransform{
           .anchor = Vec3{10, 0, 0}, .position = Vec3{100, 50, 0}, .scale = Vec3{200, 300, 100}}},
      {"2D turned a quarter clockwise", false, false, Vec3{1, 0, 0}, Vec3{0, 1, 0},
       LayerTransform{.position = Vec3{}, .rotation = 90.0}},
      {"2D ignores z", false, false, Vec3{1, 0, 0}, Vec3{1, 0, 0},
       LayerTransform{.position = Vec3{0, 0, 500}, .orientation = Vec3{0, 90, 0}}},
      {"3D orientation about y", true, false, Vec3{1, 0, 0}, Vec3{0, 0, 499},
       LayerTransform{.position = Vec3{0, 0, 500}, .orientation = Vec3{0, 90, 0}}},
      {"under a parent", false, true, Vec3{2, 0, 0}, Vec3{1011, 0, 0},
       LayerTransform{.position = Vec3{20, 0, 0}}},
  };
  for (const auto& c : cases) {
    Composition comp(100, 100, 24);
    Layer& parent = comp.add_layer(LayerKind::null, "Parent");
    parent.transform = {.anchor = Vec3{}, .position = Vec3{1000, 0, 0}, .scale = Vec3{50, 50, 50}};
    Layer& layer = comp.add_layer(LayerKind::solid, "Layer");
    layer.three_d = c.three_d;
    layer.transform = c.transform;
    if (c.parented) layer.parent = parent.id;
    const A_Matrix4 m = comp.layer_to_world(layer, 0.0);
    const double p[3] = {c.point.x, c.point.y, c.point.z},
                 e[3] = {c.expected.x, c.expected.y, c.expected.z};
    for (int axis = 0; axis < 3; ++axis) {
      const double got =
          p[0] * m.mat[0][axis] + p[1] * m.mat[1][axis] + p[2] * m.mat[2][axis] + m.mat[3][axis];
      EXPECT_NEAR(got, e[axis], 1e-9) << c.name << ", axis " << axis;
    }
  }
}

TEST(Composition, KeyframesHoldOutsideAndInterpolateBetween) {
  const auto value = Animated<double>::keyed({{1.0, 10.0}, {3.0, 30.0}});
  EXPECT_EQ(value.at(0.0), 10.0);
  EXPECT_EQ(value.at(2.5), 25.0);
  EXPECT_EQ(value.at(9.0), 30.0);
  // Paths of different vertex counts hold until the next keyframe.
  const PathShape a{{{0, 0}}, true}, b{{{10, 0}, {0, 10}}, true};
  EXPECT_EQ(Animated<PathShape>::keyed({{0.0, a}, {1.0, b}}).at(0.5).vertices.size(), 1u);
}

// A line break starts a line 1.2 sizes below, at the origin's x; no glyph
// stands for the break itself.
TEST(Composition, ALineBreakStartsTheNextLine) {
  Composition comp(200, 200, 24);
  Layer& layer = comp.add_layer(LayerKind::text, "T");
  layer.set_text({.text = "I", .size = 50, .origin = {10, 60}});
  const PathShape one = layer.text_outlines().at(0);
  for (const char* text : {"I\nI", "I\rI", "I\r\nI"}) {
    layer.set_text({.text = text, .size = 50, .origin = {10, 60}});
    ASSERT_EQ(layer.text_outlines().size(), 2u) << text;
    const PathPoint& below = layer.text_outlines()[1].vertices.at(0);
    EXPECT_NEAR(below.x, one.vertices[0].x, 1e-9) << text;
    EXPECT_NEAR(below.y, one.vertices[0].y + 60.0, 1e-9) << text;
  }
}

}  // namespace
}  // namespace simhost::scene
