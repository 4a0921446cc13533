// The layer's outlines as smart pre-render reads them through the host:
// masks, text and shape layers, the layer chosen in a layer parameter, and
// every host call failing.

#include <cmath>
#include <functional>
#include <map>
#include <set>

#include "geometry/path_flattening.h"
#include "tests/effect/effect_world.h"
#include "tests/support/test_paths.h"

namespace effect_test {
namespace {

// --- masks, text and the layer parameter -------------------------------------

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
    Layer& layer = world.effect_layer(LayerKind::solid);
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
  for (LayerKind kind : {LayerKind::text, LayerKind::shape}) {
    EffectWorld world;
    Layer& layer = world.effect_layer(kind);
    if (kind == LayerKind::text) layer.set_text({.text = "I", .size = 40});
    for (Mask& mask : three_masks()) layer.add_mask(mask);
    SourceGeometry geometry;
    ASSERT_EQ(world.gather(geometry), PF_Err_NONE);
    EXPECT_EQ(geometry.value.index(), kind == LayerKind::text ? 0u : 2u);
    EXPECT_TRUE(world.host.calls_of("PF_NumPaths").empty());
    EXPECT_TRUE(world.host.calls_of("PF_CheckoutPath").empty());
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

TEST(TextOutlines, TarvolkInDejaVuSansBoldHasItsContoursWoundByKind) {
  EffectWorld world;
  world.effect_layer(LayerKind::text)
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
  EXPECT_EQ(outer, 7);
  EXPECT_EQ(holes, 2);

  // At half resolution every coordinate is halved, y included.
  SourceGeometry half;
  ASSERT_EQ(world.gather(half, {1, 2}), PF_Err_NONE);
  const TextOutlines& halved = holds<TextOutlines>(half);
  ASSERT_EQ(halved.size(), outlines.size());
  for (size_t i = 0; i < outlines.size(); ++i) {
    ASSERT_EQ(halved[i].size(), outlines[i].size());
    for (size_t j = 0; j < outlines[i].size(); ++j) {
      const BezierVertex& a = outlines[i][j];
      const BezierVertex& b = halved[i][j];
      EXPECT_TRUE(b.x == a.x / 2 && b.y == a.y / 2 && b.in_x == a.in_x / 2 &&
                  b.in_y == a.in_y / 2 && b.out_x == a.out_x / 2 && b.out_y == a.out_y / 2)
          << "outline " << i << " vertex " << j;
    }
  }
  EXPECT_EQ(world.host.calls_of("AEGP_DisposeTextOutlines").size(), 2u);
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
    world.effect_layer(LayerKind::text);
    Layer& parent = world.comp.add_layer(LayerKind::null, "Parent");
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

// --- shape layers ----------------------------------------------------------

// One vertex, with its control points relative to it.
PathShape point_path(double x, double y, double in_x = 0, double in_y = 0) {
  return {{{x, y, in_x, in_y, 0, 0}}, true};
}

// A shape layer of 200 x 100 pixels: its contents' origin lies at (100, 50)
// of its pixels, wherever its transform puts it.
Layer& shape_layer(EffectWorld& world) {
  return world.effect_layer(LayerKind::shape, 200, 100);
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

// Paths come in the layer's own pixels, as the host draws the layer and as
// text outlines and masks come: the layer's own transform is the host's to
// apply when it composites the layer, so it changes nothing here.
TEST(ShapeLayer, PathsAreMappedThroughTheirGroupsIntoTheLayersPixels) {
  struct Expected {
    double x, y, in_x, in_y;  // in the contents, before the move to the layer's middle
  };
  struct Case {
    const char* name;
    StreamNode contents;
    std::function<void(Layer&)> move_layer;
    PF_RationalScale ds_x, ds_y;
    A_long time;  // at 24 frames a second
    Expected vertex;
  };
  const auto unmoved = [](Layer&) {};
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
  const auto moved_turned_scaled = [](Layer& layer) {
    layer.transform.anchor = Vec3{30, -20, 0};
    layer.transform.position = Vec3{900, 100, 0};
    layer.transform.scale = Vec3{50, 50, 100};
    layer.transform.rotation = 30.0;
  };
  const Case cases[] = {
      {"anchor, position and scale", scaled, unmoved, {1, 1}, {1, 1}, 0, {114, 56, 110, 56}},
      {"a quarter turn is clockwise on screen", turned, unmoved, {1, 1}, {1, 1}, 0, {0, 1, 0, 1}},
      {"skew 45 degrees along x", skewed, unmoved, {1, 1}, {1, 1}, 0, {-10, 10, -10, 10}},
      {"skew 0 on any axis changes nothing", unskewed, unmoved, {1, 1}, {1, 1}, 0, {3, 10, 3, 10}},
      {"the inner group's transform first", nested, unmoved, {1, 1}, {1, 1}, 0, {106, 6, 106, 6}},
      {"a moved, turned and scaled layer at 1/2 across and 1/4 down",
       shape_path(point_path(12, 3, -2, 4)),
       moved_turned_scaled,
       {1, 2},
       {1, 4},
       0,
       {12, 3, 10, 7}},
      {"a keyframed position at the frame's time",
       keyed,
       unmoved,
       {1, 1},
       {1, 1},
       24,
       {50, 0, 50, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EffectWorld world;
    Layer& layer = shape_layer(world);
    c.move_layer(layer);
    layer.set_contents(shape_contents({c.contents}));
    world.instance.current_time = c.time;
    SourceGeometry geometry;
    ASSERT_EQ(world.gather(geometry, c.ds_x, c.ds_y), PF_Err_NONE);
    const BezierPath* path = first_path(holds<ShapeItems>(geometry));
    ASSERT_NE(path, nullptr);
    ASSERT_EQ(path->size(), 1u);
    const double sx = static_cast<double>(c.ds_x.num) / c.ds_x.den;
    const double sy = static_cast<double>(c.ds_y.num) / c.ds_y.den;
    EXPECT_NEAR((*path)[0].x, (c.vertex.x + 100) * sx, 1e-12);
    EXPECT_NEAR((*path)[0].y, (c.vertex.y + 50) * sy, 1e-12);
    EXPECT_NEAR((*path)[0].in_x, (c.vertex.in_x + 100) * sx, 1e-12);
    EXPECT_NEAR((*path)[0].in_y, (c.vertex.in_y + 50) * sy, 1e-12);
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

TEST(ShapeLayer, ItemsKeepTheContentOrderAndIgnoreWhatTheyDoNotRead) {
  EffectWorld world;
  shape_layer(world).set_contents(shape_contents(
      {shape_path(point_path(1, 1)), shape_fill(2.0),
       shape_group({shape_path(point_path(2, 2)), shape_merge(3.0), shape_fill()}),
       shape_rectangle(Vec2{10, 10}), shape_ellipse(Vec2{5, 5}), shape_star(5.0, 20.0),
       shape_stroke(4.0), shape_gradient_fill(), shape_merge(5.9),
       // Values no integer holds: saturated, and NaN as 0.
       shape_merge(1e12), shape_fill(-1e12), shape_fill(std::nan("")),
       // A group of nothing read stays, empty.
       shape_group({shape_star(5.0, 10.0), shape_stroke(1.0)})}));
  SourceGeometry geometry;
  ASSERT_EQ(world.gather(geometry), PF_Err_NONE);
  const ShapeItems& items = holds<ShapeItems>(geometry);
  ASSERT_EQ(items.size(), 8u);
  EXPECT_TRUE(std::get<ShapeGroup>(items[7].value).items.empty());
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
  shape_layer(world).set_contents(shape_contents(
      {shape_rectangle(Vec2{10, 10}), shape_ellipse(Vec2{5, 5}), shape_stroke(2.0)}));
  SourceGeometry nothing;
  ASSERT_EQ(world.gather(nothing), PF_Err_NONE);
  EXPECT_TRUE(holds<ShapeItems>(nothing).empty());
  EXPECT_EQ(world.host.balance_report(), "");
}

TEST(ShapeLayer, AReversedPathIsTheSameCurveRunTheOtherWay) {
  const PathShape triangle{{{0, 0, -1, 0, 1, 0}, {10, 0, 0, -1, 0, 1}, {5, 8, 1, 1, -1, -1}}, true};
  SourceGeometry forward;
  SourceGeometry backward;
  for (double direction : {path_direction_normal, path_direction_reversed}) {
    EffectWorld world;
    shape_layer(world).set_contents(
        shape_contents({shape_path(triangle, direction), shape_path(square(0, 0, 4, false))}));
    ASSERT_EQ(world.gather(direction == path_direction_normal ? forward : backward), PF_Err_NONE);
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

// --- failures: the first error is the result, no call follows it but those
// that give something back, and everything taken is given back --------------

constexpr PF_Err injected_error = 0x7A11;

const std::set<std::string> give_backs = {"AEGP_DisposeStream", "AEGP_DisposeStreamValue",
                                          "AEGP_DisposeTextOutlines", "PF_CheckinPath",
                                          "AEGP_DisposeEffect"};

// Every kind of layer the effect reads, and the layer parameter: how each is
// built, and how the effect reads it.
struct Scenario {
  std::function<void(EffectWorld&)> build;
  std::function<PF_Err(EffectWorld&)> run = [](EffectWorld& w) {
    SourceGeometry geometry;
    return w.gather(geometry);
  };
};

const std::map<std::string, Scenario>& scenarios() {
  static const std::map<std::string, Scenario> all = {
      {"text", {[](EffectWorld& w) { w.effect_layer(LayerKind::text).set_text({.text = "ab"}); }}},
      {"shape", {[](EffectWorld& w) {
         w.effect_layer(LayerKind::shape)
             .set_contents(
                 shape_contents({shape_group({shape_path(square(0, 0, 5), path_direction_reversed),
                                              shape_fill(), shape_path(square(1, 1, 5, false))},
                                             {.rotation = 30.0}),
                                 shape_merge(2.0), shape_stroke(1.0)}));
       }}},
      {"masks", {[](EffectWorld& w) {
         Layer& solid = w.effect_layer(LayerKind::solid);
         solid.add_mask({.shape = square(0, 0, 5)});
         solid.add_mask({.shape = square(0, 0, 5, false)});
         solid.add_mask({.shape = square(2, 2, 5), .mode = PF_MaskMode_SUBTRACT});
       }}},
      {"layer parameter",
       {[](EffectWorld& w) {
          w.effect_layer(LayerKind::solid);
          w.comp.add_layer(LayerKind::null, "Parent");
          w.instance.set_value("Parent Layer", 2);
        },
        [](EffectWorld& w) {
          const PF_InData in = w.in_data();
          AEGP_LayerH layer = nullptr;
          return layer_param_layer(&in, slot::parent_layer, layer);
        }}},
  };
  return all;
}

// The suite calls the effect makes, by function, with how often each is made.
std::map<std::string, int> calls_made(const Scenario& scenario) {
  EffectWorld world;
  scenario.build(world);
  EXPECT_EQ(scenario.run(world), PF_Err_NONE);
  std::map<std::string, int> counts;
  for (const simhost::CallRecord& call : world.host.calls()) {
    if (call.suite != "SPBasicSuite" && call.suite != "in_data") ++counts[call.function];
  }
  return counts;
}

TEST(HostCallFailures, EachKindFailingFirstOrLastGivesItsErrorAndLeavesNothingOut) {
  int cases = 0;
  for (const auto& [name, scenario] : scenarios()) {
    for (const auto& [function, count] : calls_made(scenario)) {
      for (int skip : std::set<int>{0, count - 1}) {
        SCOPED_TRACE(name + ": " + function + " call " + std::to_string(skip + 1) + " of " +
                     std::to_string(count));
        ++cases;
        EffectWorld world;
        scenario.build(world);
        world.host.fail_call(function, injected_error, 1, skip);
        EXPECT_EQ(scenario.run(world), injected_error);
        EXPECT_EQ(world.host.balance_report(), "");
        // After the failure only give-backs reach the host.
        bool failed = false;
        for (const simhost::CallRecord& call : world.host.calls()) {
          if (failed && call.suite != "SPBasicSuite" && call.suite != "in_data") {
            EXPECT_TRUE(give_backs.count(call.function) != 0) << call.text();
          }
          failed = failed || call.result == injected_error;
        }
      }
    }
  }
  EXPECT_GT(cases, 40);
}

TEST(HostCallFailures, TheFirstErrorWinsOverAGiveBacksError) {
  const struct {
    const char* scenario;
    const char* first;  // null: only the give-back fails
    const char* give_back;
    PF_Err expected;
  } cases[] = {
      {"masks", "PF_PathVertexInfo", "PF_CheckinPath", 1},
      {"masks", nullptr, "PF_CheckinPath", 2},
      {"shape", "AEGP_GetNewStreamValue", "AEGP_DisposeStream", 1},
      {"shape", nullptr, "AEGP_DisposeStreamValue", 2},
      {"text", "PF_PathVertexInfo", "AEGP_DisposeTextOutlines", 1},
      {"layer parameter", "AEGP_GetLayerFromLayerID", "AEGP_DisposeEffect", 1},
      {"layer parameter", nullptr, "AEGP_DisposeStream", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.scenario) + ": " + (c.first ? c.first : "") + " " + c.give_back);
    const Scenario& scenario = scenarios().at(c.scenario);
    EffectWorld world;
    scenario.build(world);
    if (c.first != nullptr) world.host.fail_call(c.first, 1);
    world.host.fail_call(c.give_back, 2, 100);
    EXPECT_EQ(scenario.run(world), c.expected);
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

// A suite the host lacks is found before anything is taken from the host.
TEST(HostCallFailures, AMissingSuiteThrowsWithNothingLeftOut) {
  const struct {
    const char* scenario;
    const char* suite;
    int32_t version;
  } cases[] = {
      {"text", kPFPathDataSuite, 1},
      {"shape", kAEGPMaskOutlineSuite, 5},
      {"shape", kAEGPStreamSuite, 7},
      {"masks", kPFPathDataSuite, 1},
      {"layer parameter", kAEGPLayerSuite, 11},
      {"layer parameter", kAEGPEffectSuite, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.scenario) + ": " + c.suite);
    const Scenario& scenario = scenarios().at(c.scenario);
    EffectWorld world;
    scenario.build(world);
    world.host.make_suite_missing(c.suite, c.version);
    try {
      scenario.run(world);
      ADD_FAILURE() << "no exception";
    } catch (PF_Err err) {
      EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    }
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

}  // namespace
}  // namespace effect_test
