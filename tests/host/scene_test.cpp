// Scene files: what they make, mistakes reported at their place, pictures
// found beside them, and an effect instance placed in a scene with its
// values.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/plugin_module.h"
#include "host/png.h"
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

// What only scene files say: a comment, a parent by name, a start time,
// keyframes as objects, a turned group whose path is reversed until a
// keyframe (choices hold between keyframes) with tangents relative to its
// vertices, an even-odd fill of a colour in 0 to 255, merges and a stroke,
// and an inverted open subtracting mask; the effect's values as written,
// the time and one downsampling factor for both directions.
// (Text, solids, masks, nulls, cameras and shape groups: every frame drawn
// from a scene.)
TEST(SceneFile, MakesTheCompositionItDescribes) {
  const Scene scene = parse_scene(R"({
    "comment": "a shape layer under a null",
    "composition": {"width": 320, "height": 200, "frame_rate": 25, "name": "Main"},
    "layers": [
      {"name": "L", "kind": "shape", "parent": "N", "start_time": 0.5,
       "transform": {"position": {"keyframes": [{"time": 0, "value": [0, 0]},
                                               {"time": 1, "value": [10, 20, 30]}]}},
       "contents": [{"type": "group", "transform": {"rotation": 45}, "items": [
                      {"type": "path",
                       "path": {"vertices": [[0, 0], [10, 0, -1, 0, 1, 0], [5, 5]]}, "direction":
                       {"keyframes": [{"time": 0, "value": "reversed"},
                                      {"time": 1, "value": "normal"}]}},
                      {"type": "fill", "rule": "even-odd", "color": [0, 51, 255]},
                      {"type": "merge", "merge": {"keyframes": [{"time": 0, "value": "exclude"},
                                                               {"time": 1, "value": "add"}]}}]},
                    {"type": "merge", "merge": "subtract"}, {"type": "stroke", "width": 3}],
       "masks": [{"mode": "subtract", "inverted": true,
                  "path": {"closed": false, "vertices": [[1, 2]]}}]},
      {"name": "N", "kind": "null", "three_d": true}
    ],
    "effect": {"layer": "L", "parameters": {"Mode": "3D Camera"}},
    "time": 1.5, "downsample": 2})",
                                  "test.json");
  const Composition& comp = *scene.composition;
  EXPECT_EQ(comp.name(), "Main");
  ASSERT_EQ(comp.layers().size(), 2u);
  const Layer& layer = *comp.layers()[0];
  EXPECT_EQ(layer.kind, LayerKind::shape);
  EXPECT_EQ(layer.width, 320);
  EXPECT_EQ(layer.parent, comp.layers()[1]->id);
  EXPECT_EQ(layer.start_time, 0.5);
  EXPECT_EQ(layer.transform.position.at(0.5).y, 10.0);
  const StreamNode& group = layer.streams.children[0].children[0];
  EXPECT_EQ(group.match_name, "ADBE Vector Group");
  const StreamNode& items = *group.child("ADBE Vectors Group");
  const auto& direction =
      std::get<Animated<double>>(items.children[0].child("ADBE Vector Shape Direction")->value);
  const auto& merge =
      std::get<Animated<double>>(items.children[2].child("ADBE Vector Merge Type")->value);
  for (const double t : {0.0, 0.5, 0.99}) {
    EXPECT_EQ(direction.at(t), 3.0) << t;
    EXPECT_EQ(merge.at(t), 5.0) << t;
  }
  EXPECT_EQ(direction.at(1.0), 1.0);
  const PathShape path =
      std::get<Animated<PathShape>>(items.children[0].child("ADBE Vector Shape")->value).at(0);
  ASSERT_EQ(path.vertices.size(), 3u);
  EXPECT_EQ(path.vertices[1].in_x, -1.0);
  EXPECT_EQ(path.vertices[1].out_x, 1.0);
  EXPECT_EQ(path.vertices[0].in_x, 0.0);
  const Color fill =
      std::get<Animated<Color>>(items.children[1].child("ADBE Vector Fill Color")->value).at(0);
  EXPECT_EQ(fill.alpha, 1.0);
  EXPECT_EQ(fill.green, 0.2);
  EXPECT_EQ(fill.blue, 1.0);
  EXPECT_EQ(merge.at(1.0), 2.0);
  EXPECT_EQ(
      std::get<Animated<double>>(items.children[1].child("ADBE Vector Fill Rule")->value).at(0),
      2.0);
  ASSERT_EQ(layer.masks.size(), 1u);
  EXPECT_EQ(layer.masks[0].name, "Mask 1");
  EXPECT_EQ(layer.masks[0].mode, PF_MaskMode_SUBTRACT);
  EXPECT_TRUE(layer.masks[0].inverted);
  EXPECT_FALSE(layer.masks[0].shape.at(0).closed);
  EXPECT_EQ(scene.effect_layer, layer.id);
  EXPECT_EQ(scene.parameters, nlohmann::json({{"Mode", "3D Camera"}}));
  EXPECT_EQ(scene.time, 1.5);
  EXPECT_EQ(scene.downsample.x, 2);
  EXPECT_EQ(scene.downsample.y, 2);
}

TEST(SceneFile, MistakesAreReportedAtTheirPlace) {
  const struct {
    const char* name;
    std::string text;
    const char* message;
  } cases[] = {
      {"not JSON", "{\n  \"composition\": {,\n}", "test.json:2:19: not JSON: "},
      {"a number no double holds",
       scene_with(R"({"name": "L", "kind": "solid", "start_time": 1e999})"),
       "test.json:2:70: not JSON: the number 1e999 is beyond what a double holds"},
      {"an unknown layer kind", scene_with(R"({"name": "L", "kind": "vector"})"),
       "test.json: /layers/0/kind: unknown value \"vector\" (known: \"camera\", \"null\", "
       "\"shape\", \"solid\", \"text\")"},
      {"a font that is not installed",
       scene_with(R"({"name": "L", "kind": "text", "text": {"text": "a", "font": "Nope Sans"}})"),
       "test.json: /layers/0/text/font: font \"Nope Sans\" regular is not installed"},
      {"a path without vertices",
       scene_with(R"({"name": "L", "kind": "solid", "masks": [{"path": {"vertices": []}}]})"),
       "test.json: /layers/0/masks/0/path/vertices: a path needs at least one vertex"},
      {"a keyframed path without vertices",
       scene_with(R"({"name": "L", "kind": "shape", "contents": [{"type": "path", "path":
           {"keyframes": [{"time": 0, "value": {"vertices": [[0, 0]]}},
                          {"time": 1, "value": {"vertices": []}}]}}]})"),
       "test.json: /layers/0/contents/0/path/keyframes/1/value/vertices: a path needs at least "
       "one vertex"},
      {"a misspelt field", scene_with(R"({"name": "L", "kind": "solid", "postion": [1, 2]})"),
       "test.json: /layers/0/postion: unknown field (known: name, kind, start_time, size, "
       "three_d, transform, parent, text, contents, masks, camera, color, image)"},
      {"a colour on a text layer",
       scene_with(R"({"name": "L", "kind": "text", "color": [1, 2, 3]})"),
       "test.json: /layers/0/color: only a solid layer has a colour"},
      {"a channel beyond 255",
       scene_with(R"({"name": "L", "kind": "solid", "color": [255, 256, 0, 0]})"),
       "test.json: /layers/0/color/1: expected a channel from 0 to 255"},
      {"an image that is not there",
       scene_with(R"({"name": "L", "kind": "solid", "image": "no_such.png"})"),
       "test.json: /layers/0/image: \"no_such.png\" not found"},
      {"keyframes out of order",
       scene_with(R"({"name": "L", "kind": "solid", "transform": {"rotation":
           {"keyframes": [{"time": 1, "value": 0}, {"time": 1, "value": 5}]}}})"),
       "test.json: /layers/0/transform/rotation/keyframes/1/time: keyframe times must increase"},
      {"an unknown content type",
       scene_with(R"({"name": "L", "kind": "shape", "contents": [{"type": "trim paths"}]})"),
       "test.json: /layers/0/contents/0/type: unknown content type \"trim paths\" (known: "},
      {"text on a solid", scene_with(R"({"name": "L", "kind": "solid", "text": {"text": "a"}})"),
       "test.json: /layers/0/text: only a text layer has a text"},
      {"a parent loop", scene_with(R"({"name": "L", "kind": "null", "parent": "L"})"),
       "test.json: /layers/0/parent: a layer cannot be its own parent, even through others"},
      {"a parent loop through another layer",
       scene_with(R"({"name": "L", "kind": "null", "parent": "N"},
                     {"name": "N", "kind": "null", "parent": "L"})"),
       "test.json: /layers/0/parent: a layer cannot be its own parent, even through others"},
      {"the effect on a missing layer",
       R"({"composition": {"width": 1, "height": 1, "frame_rate": 1}, "layers": [],
           "effect": {"layer": "Gone"}})",
       "test.json: /effect/layer: no layer is named \"Gone\""},
      {"a zero frame rate",
       R"({"composition": {"width": 1, "height": 1, "frame_rate": 0}, "layers": []})",
       "test.json: /composition/frame_rate: expected a frame rate from 0.001 to 1000"},
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

// Pictures are found beside the scene file that names them; a file there
// that is not a PNG is refused at its place.
TEST(SceneFile, ImagesAreReadRelativeToTheSceneFile) {
  namespace fs = std::filesystem;
  const fs::path folder =
      fs::temp_directory_path() / ("tarvolk_scene_image_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  ASSERT_TRUE(
      write_png(RgbaImage{3, 2, std::vector<uint8_t>(24, 200)}, (folder / "pic.png").string()));
  std::ofstream(folder / "not_a.png") << "text";
  std::ofstream(folder / "scene.json")
      << scene_with(R"({"name": "L", "kind": "solid", "image": "pic.png"})");
  std::ofstream(folder / "bad.json")
      << scene_with(R"({"name": "L", "kind": "solid", "image": "not_a.png"})");
  const Scene scene = read_scene_file((folder / "scene.json").string());
  std::string refusal;
  try {
    read_scene_file((folder / "bad.json").string());
  } catch (const SceneError& e) {
    refusal = e.what();
  }
  fs::remove_all(folder);
  const Layer& layer = *scene.composition->layers()[0];
  ASSERT_NE(layer.image, nullptr);
  EXPECT_EQ(layer.image->width, 3);
  EXPECT_EQ(layer.image->height, 2);
  EXPECT_EQ(layer.image->rgba[5], 200);
  EXPECT_EQ(refusal, (folder / "bad.json").string() + ": /layers/0/image: cannot read \"" +
                         (folder / "not_a.png").string() + "\" as a PNG file");
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
      {R"({"Stroke Width": -5})",
       "Stroke Width: parameter \"Stroke Width\" (slot 28): -5 is outside the valid range 0 to "
       "10000"},
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
