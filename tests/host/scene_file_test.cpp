// Scene files: what they make, and mistakes reported at their place.

#include "host/scene/scene_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(SceneFile, MakesTheCompositionItDescribes) {
  SimHost host;
  const Scene scene = parse_scene(R"({
    "comment": "a shape layer under a null",
    "composition": {"width": 320, "height": 200, "frame_rate": 25, "name": "Main"},
    "layers": [
      {"name": "L", "kind": "shape", "parent": "N", "start_time": 0.5,
       "transform": {"position": {"keyframes": [{"time": 0, "value": [0, 0]},
                                               {"time": 1, "value": [10, 20, 30]}]}},
       "contents": [{"type": "group", "transform": {"rotation": 45},
                     "items": [{"type": "path", "direction": "reversed",
                                "path": {"vertices": [[0, 0], [10, 0, -1, 0, 1, 0], [5, 5]]}},
                               {"type": "fill", "rule": "even-odd", "color": [0, 51, 255]}]},
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
  EXPECT_EQ(layer.kind, LayerKind::Shape);
  EXPECT_EQ(layer.parent, comp.layers()[1]->id);
  EXPECT_EQ(layer.start_time, 0.5);
  EXPECT_EQ(layer.transform.position.at(0.5).y, 10.0);
  EXPECT_EQ(layer.width, 320);
  const StreamNode& group = layer.streams.children[0].children[0];
  EXPECT_EQ(group.match_name, "ADBE Vector Group");
  const StreamNode& path = group.child("ADBE Vectors Group")->children[0];
  EXPECT_EQ(std::get<Animated<double>>(path.child("ADBE Vector Shape Direction")->value).at(0),
            3.0);
  EXPECT_EQ(
      std::get<Animated<PathShape>>(path.child("ADBE Vector Shape")->value).at(0).vertices[1].in_x,
      -1.0);
  const Color fill =
      std::get<Animated<Color>>(
          group.child("ADBE Vectors Group")->children[1].child("ADBE Vector Fill Color")->value)
          .at(0);
  EXPECT_EQ(fill.alpha, 1.0);
  EXPECT_EQ(fill.green, 0.2);
  ASSERT_EQ(layer.masks.size(), 1u);
  EXPECT_EQ(layer.masks[0].name, "Mask 1");
  EXPECT_EQ(layer.masks[0].mode, PF_MaskMode_SUBTRACT);
  EXPECT_FALSE(layer.masks[0].shape.at(0).closed);
  EXPECT_EQ(scene.effect_layer, layer.id);
  EXPECT_EQ(scene.parameters["Mode"], "3D Camera");
  EXPECT_EQ(scene.time, 1.5);
  EXPECT_EQ(scene.downsample, 2);
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

}  // namespace
}  // namespace simhost::scene
