// The composition's own sums, without a plug-in: a layer's place in the
// world, values between keyframes, the glyphs and lines of a text; and what
// its suites serve at layer or composition time, and refuse once given back.
// (Outlines and masks of every kind, read and given back: the effect's
// outline tests.)

#include "host/scene/composition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/instance/effect_instance.h"
#include "host/scene/shape_contents.h"
#include "host/scene/text_outlines.h"
#include "host/sim_host.h"
#include "host_support/aegp_suite_handler.h"

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

// Each contour is closed, its closing segment ending on the first vertex,
// which is not repeated; the weight picks the face.
TEST(Composition, GlyphsAreClosedContoursOfTheNamedFontAndWeight) {
  const std::vector<PathShape> o = glyph_outlines({.text = "o", .size = 50});
  ASSERT_EQ(o.size(), 2u);
  for (const PathShape& contour : o) {
    EXPECT_TRUE(contour.closed);
    EXPECT_FALSE(contour.vertices.front().x == contour.vertices.back().x &&
                 contour.vertices.front().y == contour.vertices.back().y);
  }
  const std::vector<PathShape> bold = glyph_outlines({.text = "o", .bold = true, .size = 50});
  ASSERT_FALSE(bold.empty());
  EXPECT_NE(bold[0].vertices[0].x, o[0].vertices[0].x);
  EXPECT_TRUE(glyph_outlines({.text = ""}).empty());
}

// --- what the composition's suites serve ----------------------------------

class ServedComposition : public ::testing::Test {
 protected:
  void TearDown() override {
    handler.reset();
    EXPECT_EQ(host.balance_report(), "");
  }

  SimHost host{CallRecording::on};
  EffectInstance instance{host};
  Composition comp{640, 360, 24, "Main"};
  PF_InData in_data = instance.make_in_data();
  std::unique_ptr<AEGP_SuiteHandler> handler =
      std::make_unique<AEGP_SuiteHandler>(in_data.pica_basicP);
  AEGP_SuiteHandler& suites = *handler;
};

// A layer that starts at 1 s: 2 s of layer time is 3 s of composition time,
// and 2 s of composition time is 1 s of the layer's. (The fill's opacity, as
// its rule is a choice that holds between keyframes.)
TEST_F(ServedComposition, StreamValuesAtLayerOrCompositionTime) {
  Layer& layer = comp.add_layer(LayerKind::shape, "Shapes");
  layer.start_time = 1.0;
  layer.set_contents(shape_contents(
      {shape_fill(Animated<double>::keyed({{0.0, 1.0}, {2.0, 2.0}}), default_fill_color,
                  Animated<double>::keyed({{0.0, 0.0}, {2.0, 100.0}}))}));
  comp.attach_effect(instance.effect_ref(), layer.id);

  AEGP_StreamRefH root = nullptr, fill = nullptr, opacity = nullptr;
  const AEGP_DynamicStreamSuite5* dynamic = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite9* streams = suites.StreamSuite9();
  ASSERT_EQ(dynamic->AEGP_GetNewStreamRefForLayer(0, layer.handle(), &root), A_Err_NONE);
  ASSERT_EQ(dynamic->AEGP_GetNewStreamRefByMatchname(0, root, "ADBE Root Vectors Group", &fill),
            A_Err_NONE);
  AEGP_StreamRefH group = fill;
  ASSERT_EQ(dynamic->AEGP_GetNewStreamRefByIndex(0, group, 0, &fill), A_Err_NONE);
  ASSERT_EQ(dynamic->AEGP_GetNewStreamRefByMatchname(0, fill, "ADBE Vector Fill Opacity", &opacity),
            A_Err_NONE);
  AEGP_StreamRefH nothing = nullptr;
  EXPECT_EQ(dynamic->AEGP_GetNewStreamRefByMatchname(0, fill, "ADBE Vector Nothing", &nothing),
            A_Err_PARAMETER);
  EXPECT_EQ(nothing, nullptr);

  const A_Time two_seconds{48, 24};
  AEGP_StreamValue2 value{};
  for (auto [mode, expected] :
       {std::pair{AEGP_LTimeMode_LayerTime, 100.0}, {AEGP_LTimeMode_CompTime, 50.0}}) {
    ASSERT_EQ(streams->AEGP_GetNewStreamValue(0, opacity, mode, &two_seconds, false, &value),
              A_Err_NONE);
    EXPECT_EQ(value.val.one_d, expected);
    EXPECT_EQ(streams->AEGP_DisposeStreamValue(&value), A_Err_NONE);
  }
  // The fill's rule is a choice, which holds until its next keyframe: at 1 s
  // of the layer's time it is still the first keyframe's.
  AEGP_StreamRefH rule = nullptr;
  ASSERT_EQ(dynamic->AEGP_GetNewStreamRefByMatchname(0, fill, "ADBE Vector Fill Rule", &rule),
            A_Err_NONE);
  for (auto [mode, expected] :
       {std::pair{AEGP_LTimeMode_LayerTime, 2.0}, {AEGP_LTimeMode_CompTime, 1.0}}) {
    ASSERT_EQ(streams->AEGP_GetNewStreamValue(0, rule, mode, &two_seconds, false, &value),
              A_Err_NONE);
    EXPECT_EQ(value.val.one_d, expected);
    EXPECT_EQ(streams->AEGP_DisposeStreamValue(&value), A_Err_NONE);
  }
  A_Time comp_time{};
  ASSERT_EQ(
      suites.LayerSuite13()->AEGP_ConvertLayerToCompTime(layer.handle(), &two_seconds, &comp_time),
      A_Err_NONE);
  EXPECT_EQ(comp_time.value, 72);
  EXPECT_EQ(comp_time.scale, 24u);

  // Records name what the host handed out, and the version called.
  EXPECT_EQ(
      host.calls_of("AEGP_DisposeStreamValue").at(0).text(),
      "AEGP Stream Suite v9 AEGP_DisposeStreamValue(value#1 (ADBE Vector Fill Opacity)) -> 0");
  for (AEGP_StreamRefH stream : {rule, opacity, fill, group, root}) {
    EXPECT_EQ(streams->AEGP_DisposeStream(stream), A_Err_NONE);
  }
}

// Outlines given back twice, a path read after its outlines are gone and a
// mask checked in twice are refused and the give-backs reported as misuses;
// nothing is freed twice or left out.
TEST(ServedCompositionMisuse, GivingBackTwiceOrReadingWhatIsGoneIsRefused) {
  SimHost host;
  EffectInstance instance(host);
  Composition comp(100, 100, 24);
  Layer& text = comp.add_layer(LayerKind::text, "Text");
  text.set_text({.text = "i", .size = 20});
  text.add_mask({.shape = PathShape{{{1, 1}, {5, 1}, {5, 5}}, true}});
  comp.attach_effect(instance.effect_ref(), text.id);
  PF_InData in_data = instance.make_in_data();
  {
    AEGP_SuiteHandler suites(in_data.pica_basicP);
    const AEGP_TextLayerSuite1* text_suite = suites.TextLayerSuite1();
    AEGP_TextOutlinesH outlines = nullptr;
    const A_Time zero{0, 24};
    ASSERT_EQ(text_suite->AEGP_GetNewTextOutlines(text.handle(), &zero, &outlines), A_Err_NONE);
    PF_PathOutlinePtr path = nullptr;
    ASSERT_EQ(text_suite->AEGP_GetIndexedTextOutline(outlines, 0, &path), A_Err_NONE);
    EXPECT_EQ(host.name_of(path), "outline 0 of text outlines#1 (Text)");
    EXPECT_EQ(text_suite->AEGP_DisposeTextOutlines(outlines), A_Err_NONE);
    // Gone with its outlines, so what comes later at its address is not
    // reported under its name.
    EXPECT_EQ(host.name_of(path).find("outline"), std::string::npos);
    EXPECT_EQ(text_suite->AEGP_DisposeTextOutlines(outlines), A_Err_PARAMETER);
    const PF_PathDataSuite1* path_data = suites.PathDataSuite1();
    A_long segments = 0;
    EXPECT_EQ(path_data->PF_PathNumSegments(instance.effect_ref(), path, &segments),
              PF_Err_BAD_CALLBACK_PARAM);

    const PF_PathQuerySuite1* query = suites.PathQuerySuite1();
    PF_PathOutlinePtr mask = nullptr;
    ASSERT_EQ(query->PF_CheckoutPath(instance.effect_ref(), text.masks[0].id, 0, 1, 24, &mask),
              PF_Err_NONE);
    EXPECT_EQ(path_data->PF_PathNumSegments(instance.effect_ref(), mask, &segments), PF_Err_NONE);
    EXPECT_EQ(segments, 3);
    EXPECT_EQ(query->PF_CheckinPath(instance.effect_ref(), 1, false, mask), PF_Err_NONE);
    EXPECT_EQ(query->PF_CheckinPath(instance.effect_ref(), 1, false, mask),
              PF_Err_BAD_CALLBACK_PARAM);
  }
  const std::vector<std::string> misuses = host.misuses();
  ASSERT_EQ(misuses.size(), 2u);
  EXPECT_EQ(misuses[0].rfind("give-back of a text outlines that is not out (", 0), 0u)
      << misuses[0];
  EXPECT_EQ(misuses[1].rfind("give-back of a path that is not out (", 0), 0u) << misuses[1];
  EXPECT_EQ(host.outstanding(), (std::map<std::string, long>{}));
}

}  // namespace
}  // namespace simhost::scene
