// Scene files: what they make, mistakes reported at their place, and an
// effect instance placed in a scene with its values.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/plugin_module.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"

namespace simhost::scene {
namespace {

// A scene around one layer.
std::string scene_with(const std::string& layer, const std::string& extra = "") {
  return R"({"composition": {"width": 320, "height": 200, "frame_rate": 25},
             "layers": [)" +
         layer + R"(],
             "effect": {"layer": "L"})" +
         extra + "}";
}

// What only scene files say: a parent by name, a start time, keyframes as
// objects, a path reversed until a keyframe (choices hold between
// keyframes), an even-odd fill, a merge and an inverted open mask.
// (Text, solids, masks, nulls, cameras and shape groups: every frame drawn
// from a scene.)
TEST(SceneFile, MakesTheCompositionItDescribes) {
  const Scene scene = parse_scene(R"({
    "composition": {"width": 320, "height": 200, "frame_rate": 25, "name": "Main"},
    "layers": [
      {"name": "L", "kind": "shape", "parent": "N", "start_time": 0.5,
       "transform": {"position": {"keyframes": [{"time": 0, "value": [0, 0]},
                                               {"time": 1, "value": [10, 20, 30]}]}},
       "contents": [{"type": "group", "items": [
                      {"type": "path", "path": {"vertices": [[0, 0]]}, "direction":
                       {"keyframes": [{"time": 0, "value": "reversed"},
                                      {"time": 1, "value": "normal"}]}},
                      {"type": "fill", "rule": "even-odd"},
                      {"type": "merge", "merge": {"keyframes": [{"time": 0, "value": "exclude"},
                                                               {"time": 1, "value": "add"}]}}]}],
       "masks": [{"mode": "subtract", "inverted": true,
                  "path": {"closed": false, "vertices": [[1, 2]]}}]},
      {"name": "N", "kind": "null", "three_d": true}
    ],
    "effect": {"layer": "L"}})",
                                  "test.json");
  const Composition& comp = *scene.composition;
  EXPECT_EQ(comp.name(), "Main");
  const Layer& layer = *comp.layers()[0];
  EXPECT_EQ(layer.parent, comp.layers()[1]->id);
  EXPECT_EQ(layer.start_time, 0.5);
  EXPECT_EQ(layer.transform.position.at(0.5).y, 10.0);
  const StreamNode& items = *layer.streams.children[0].children[0].child("ADBE Vectors Group");
  const auto& direction =
      std::get<Animated<double>>(items.children[0].child("ADBE Vector Shape Direction")->value);
  const auto& merge =
      std::get<Animated<double>>(items.children[2].child("ADBE Vector Merge Type")->value);
  for (const double t : {0.0, 0.5, 0.99}) {
    EXPECT_EQ(direction.at(t), 3.0) << t;
    EXPECT_EQ(merge.at(t), 5.0) << t;
  }
  EXPECT_EQ(direction.at(1.0), 1.0);
  EXPECT_EQ(merge.at(1.0), 2.0);
  EXPECT_EQ(
      std::get<Animated<double>>(items.children[1].child("ADBE Vector Fill Rule")->value).at(0),
      2.0);
  ASSERT_EQ(layer.masks.size(), 1u);
  EXPECT_EQ(layer.masks[0].name, "Mask 1");
  EXPECT_TRUE(layer.masks[0].inverted);
  EXPECT_FALSE(layer.masks[0].shape.at(0).closed);
  EXPECT_EQ(scene.effect_layer, layer.id);
}

TEST(SceneFile, MistakesAreReportedAtTheirPlace) {
  const struct {
    const char* name;
    std::string text;
    const char* message;
  } cases[] = {
      {"not JSON", "{\n  \"composition\": {,\n}", "test.json:2:19: not JSON: "},
      {"an unknown layer kind", scene_with(R"({"name": "L", "kind": "vector"})"),
       "test.json: /layers/0/kind: unknown value \"vector\" (known: \"camera\", \"null\", "
       "\"shape\", \"solid\", \"text\")"},
      {"a font that is not installed",
       scene_with(R"({"name": "L", "kind": "text", "text": {"text": "a", "font": "Nope Sans"}})"),
       "test.json: /layers/0/text/font: font \"Nope Sans\" regular is not installed"},
      {"a path without vertices",
       scene_with(R"({"name": "L", "kind": "solid", "masks": [{"path": {"vertices": []}}]})"),
       "test.json: /layers/0/masks/0/path/vertices: a path needs at least one vertex"},
      {"a misspelt field", scene_with(R"({"name": "L", "kind": "solid", "postion": [1, 2]})"),
       "test.json: /layers/0/postion: unknown field (known: name, kind, start_time, size, "
       "three_d, transform, parent, text, contents, masks, camera, color, image)"},
      {"keyframes out of order",
       scene_with(R"({"name": "L", "kind": "solid", "transform": {"rotation":
           {"keyframes": [{"time": 1, "value": 0}, {"time": 1, "value": 5}]}}})"),
       "test.json: /layers/0/transform/rotation/keyframes/1/time: keyframe times must increase"},
      {"the effect on a missing layer",
       R"({"composition": {"width": 1, "height": 1, "frame_rate": 1}, "layers": [],
           "effect": {"layer": "Gone"}})",
       "test.json: /effect/layer: no layer is named \"Gone\""},
      {"a fractional downsampling",
       scene_with(R"({"name": "L", "kind": "solid"})", R"(, "downsample": 1.5)"),
       "test.json: /downsample: expected a whole number from 1 to 64"},
      {"a downsampling of three factors",
       scene_with(R"({"name": "L", "kind": "solid"})", R"(, "downsample": [2, 4, 8])"),
       "test.json: /downsample: expected a whole number from 1 to 64 or [across, down]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      parse_scene(c.text, "test.json");
      ADD_FAILURE() << "accepted";
    } catch (const SceneError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, std::string(c.message).size()), c.message)
          << e.what();
    }
  }
}

// --- an effect instance placed in a scene, its values through the module ---

std::string scene_text(const std::string& parameters, double frame_rate = 25) {
  return R"({"composition": {"width": 320, "height": 200, "frame_rate": )" +
         std::to_string(frame_rate) + R"(},
    "layers": [{"name": "Plate", "kind": "solid", "start_time": 0.5, "size": [100, 80],
                "masks": [{"name": "Window", "path": {"vertices": [[0, 0], [5, 0], [5, 5]]}}]},
               {"name": "Null", "kind": "null"}],
    "effect": {"layer": "Plate", "parameters": )" +
         parameters + R"(}, "time": 1.5, "downsample": [2, 4]})";
}

class SceneEffect : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.balance_report(), ""); }

  // The instance must go before the module it ran.
  void place(Scene& scene, EffectInstance& instance) {
    place_effect(scene, instance);
    ASSERT_EQ(instance.run(module, PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    ASSERT_EQ(instance.run(module, PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
  }

  SimHost host;
  PluginModule module{TARVOLK_MODULE_PATH};
};

TEST_F(SceneEffect, TheInstanceSitsOnTheLayerAtTheScenesTimeWithItsValues) {
  Scene scene = parse_scene(scene_text(R"({"Use All Paths": false, "Mask Path": "Window",
      "Parent Layer": {"keyframes": [[0, 0], [0.5, "Null"]]}, "Mode": "3D Camera"})"),
                            "scene.json");
  EffectInstance instance(host);
  place(scene, instance);
  set_scene_parameters(scene, instance);
  EXPECT_EQ(Composition::of_effect(instance.effect_ref()), scene.composition.get());
  EXPECT_EQ(instance.layer.width, 100);
  EXPECT_EQ(instance.layer.downsample_x.den, 2u);
  EXPECT_EQ(instance.layer.downsample_y.den, 4u);
  // 1.5 s of composition time is 1 s of the layer's, 25 frames.
  EXPECT_EQ(instance.time_scale, 25u);
  EXPECT_EQ(instance.current_time, 25);
  EXPECT_EQ(instance.value_json(17), false);
  EXPECT_EQ(instance.value_json(16), scene.composition->layers()[0]->masks[0].id);
  EXPECT_EQ(instance.layer_id(56, 25, 25), scene.composition->layers()[1]->id);
  EXPECT_EQ(instance.layer_id(56, 0, 25), 0);
  EXPECT_EQ(instance.value_json(20), "3D Camera");

  // A fractional frame rate counts in hundredths.
  Scene ntsc = parse_scene(scene_text("{}", 29.97), "scene.json");
  EffectInstance other(host);
  place(ntsc, other);
  EXPECT_EQ(other.time_scale, 2997u);
  EXPECT_EQ(other.time_step, 100);
  EXPECT_EQ(other.current_time, 2997);
}

TEST_F(SceneEffect, ValuesTheEffectCannotTakeAreReportedAtTheirPlace) {
  const std::pair<const char*, std::string> cases[] = {
      {R"({"Nope": 1})", "Nope: parameter \"Nope\": there is no such parameter"},
      {R"({"Mask Path": "Door"})", "Mask Path: the effect's layer has no mask named \"Door\""},
      {R"({"Parent Layer": "Ghost"})", "Parent Layer: no layer is named \"Ghost\""},
  };
  for (const auto& [parameters, message] : cases) {
    Scene scene = parse_scene(scene_text(parameters), "scene.json");
    EffectInstance instance(host);
    place(scene, instance);
    try {
      set_scene_parameters(scene, instance);
      ADD_FAILURE() << parameters << " accepted";
    } catch (const SceneError& e) {
      EXPECT_EQ(std::string(e.what()), "scene.json: /effect/parameters/" + message);
    }
  }
}

}  // namespace
}  // namespace simhost::scene
