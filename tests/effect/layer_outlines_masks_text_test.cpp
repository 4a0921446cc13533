// Masks and text outlines of the effect's layer, and the layer chosen in a
// layer parameter.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "renderer/path_flattening.h"
#include "tests/effect/effect_world.h"
#include "tests/support/test_paths.h"

namespace effect_test {
namespace {

struct MaskCase {
  const char* name;
  int use_all_paths;
  int chosen;  // index of the mask chosen in "Mask Path", -1 for none
  PF_RationalScale ds;
  A_long time;                // at 24 frames a second
  std::vector<int> expected;  // indices of the masks read, in order
};

// Three masks: an added square, an open subtracting one, an inverted
// intersecting one moving over two seconds.
std::vector<Mask> three_masks() {
  return {
      {.shape = square(10, 20, 100), .mode = PF_MaskMode_ADD},
      {.shape = square(50, 60, 30, false), .mode = PF_MaskMode_SUBTRACT},
      {.shape = Animated<PathShape>::keyed({{0.0, square(200, 40, 80)}, {2.0, square(0, 0, 80)}}),
       .mode = PF_MaskMode_INTERSECT,
       .inverted = true}};
}

TEST(Masks, ReadInMaskOrderAsTheHostDeliversThem) {
  const MaskCase cases[] = {
      {"solid without masks", 1, -1, {1, 1}, 0, {}},
      {"no mask chosen", 0, -1, {1, 1}, 0, {}},
      {"every mask but the open one", 1, -1, {1, 1}, 0, {0, 2}},
      {"every mask at half resolution", 1, -1, {1, 2}, 0, {0, 2}},
      {"every mask at the frame's time", 1, -1, {1, 1}, 24, {0, 2}},
      {"the chosen mask", 0, 2, {1, 1}, 0, {2}},
      {"a chosen open mask", 0, 1, {1, 1}, 0, {}},
  };
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(c.name);
    EffectWorld world;
    Layer& layer = world.effect_layer(LayerKind::Solid);
    if (std::string(c.name) != "solid without masks") {
      for (Mask& mask : three_masks()) layer.add_mask(mask);
    }
    world.instance.set_value("Use All Paths", c.use_all_paths != 0);
    world.instance.set_value("Mask Path", c.chosen < 0 ? 0 : layer.masks[c.chosen].id);
    world.instance.current_time = c.time;

    SourceGeometry geometry;
    ASSERT_EQ(world.gather(geometry, c.ds), PF_Err_NONE);
    const MaskPaths& masks = holds<MaskPaths>(geometry);
    ASSERT_EQ(masks.size(), c.expected.size());
    // The host serves masks at the frame's downsampling; the effect takes
    // them as delivered, without scaling them again.
    const double ds = static_cast<double>(c.ds.num) / c.ds.den;
    for (size_t i = 0; i < masks.size(); ++i) {
      const Mask& source = layer.masks[c.expected[i]];
      const PathShape shape = source.shape.at(c.time / 24.0);
      EXPECT_EQ(masks[i].mode, source.mode);
      EXPECT_EQ(masks[i].inverted, source.inverted ? 1 : 0);
      ASSERT_EQ(masks[i].path.size(), shape.vertices.size());
      for (size_t j = 0; j < shape.vertices.size(); ++j) {
        EXPECT_EQ(masks[i].path[j].x, shape.vertices[j].x * ds);
        EXPECT_EQ(masks[i].path[j].y, shape.vertices[j].y * ds);
        EXPECT_EQ(masks[i].path[j].out_y, shape.vertices[j].y * ds);
      }
    }
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

TEST(Masks, OfTextAndShapeLayersAreNotRead) {
  for (LayerKind kind : {LayerKind::Text, LayerKind::Shape}) {
    EffectWorld world;
    Layer& layer = world.effect_layer(kind);
    if (kind == LayerKind::Text) layer.set_text({.text = "I", .size = 40});
    for (Mask& mask : three_masks()) layer.add_mask(mask);
    SourceGeometry geometry;
    ASSERT_EQ(world.gather(geometry), PF_Err_NONE);
    EXPECT_EQ(geometry.value.index(), kind == LayerKind::Text ? 0u : 2u);
    EXPECT_TRUE(world.host.calls_of("PF_NumPaths").empty());
    EXPECT_TRUE(world.host.calls_of("PF_CheckoutPath").empty());
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

TEST(TextOutlines, TarvolkInDejaVuSansBoldHasItsContoursWoundByKind) {
  EffectWorld world;
  world.effect_layer(LayerKind::Text)
      .set_text({.text = "Tarvolk", .bold = true, .size = 100, .origin = {40, 200}});
  SourceGeometry full;
  ASSERT_EQ(world.gather(full), PF_Err_NONE);
  const TextOutlines& outlines = holds<TextOutlines>(full);
  // T, a (2), r, v, o (2), l, k: seven outer contours and the holes of a and o.
  ASSERT_EQ(outlines.size(), 9u);
  int outer = 0;
  int holes = 0;
  for (const BezierPath& outline : outlines) {
    const double area = signed_area(flatten_bezier_path(outline, -0.98));
    (area < 0 ? outer : holes) += 1;
    EXPECT_GT(std::abs(area), 50.0);
  }
  // In path space (y up) outer contours run clockwise and holes the other way.
  // (At half resolution every coordinate is halved: the golden frame at half
  // resolution.)
  EXPECT_EQ(outer, 7);
  EXPECT_EQ(holes, 2);
  // An empty text gives none.
  world.comp.layers()[0]->set_text({.text = ""});
  SourceGeometry none;
  ASSERT_EQ(world.gather(none), PF_Err_NONE);
  EXPECT_TRUE(holds<TextOutlines>(none).empty());
  EXPECT_EQ(world.host.balance_report(), "");
}

TEST(LayerParamLayer, FindsTheChosenLayerOrNone) {
  const struct {
    const char* name;
    AEGP_LayerIDVal chosen;
    A_Err expected_err;
    bool found;
  } cases[] = {
      {"no layer chosen", 0, A_Err_NONE, false},
      {"a layer of the composition", 2, A_Err_NONE, true},
      {"a layer that is gone", 99, A_Err_PARAMETER, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EffectWorld world;
    world.effect_layer(LayerKind::Text);
    Layer& parent = world.comp.add_layer(LayerKind::Null, "Parent");
    world.instance.set_value("Parent Layer", c.chosen);
    const PF_InData in = world.in_data();
    AEGP_LayerH layer = nullptr;
    EXPECT_EQ(layer_param_layer(&in, slot::parent_layer, layer), c.expected_err);
    EXPECT_EQ(layer, c.found ? parent.handle() : nullptr);
    // Its own value at time 0, expressions not applied.
    const auto reads = world.host.calls_of("AEGP_GetNewStreamValue");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].version, 4);
    EXPECT_EQ(reads[0].args[3], "0/1");
    EXPECT_EQ(reads[0].args[4], "1");
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

}  // namespace
}  // namespace effect_test
