// Scene files, what a reader must get right beyond the form of each field:
// a sized layer's default anchor, chains of parents (too deep, looping,
// long), and keyframes written either way for layer values and effect
// parameters alike.

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <tuple>

#include "host/plugin_module.h"
#include "host/scene/composition_frame.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"

namespace simhost::scene {
namespace {

using nlohmann::json;

std::string scene_of(const json& layers, int width = 640, int height = 360) {
  return json{{"composition", {{"width", width}, {"height", height}, {"frame_rate", 24}}},
              {"layers", layers},
              {"effect", {{"layer", layers.back()["name"]}}}}
      .dump();
}

// Where the layer's pixel (x, y) lands in the composition.
Vec2 placed(const Scene& scene, const std::string& name, double x, double y) {
  for (const auto& layer : scene.composition->layers()) {
    if (layer->name != name) continue;
    const A_Matrix4 m = scene.composition->layer_to_world(*layer, 0.0);
    return {x * m.mat[0][0] + y * m.mat[1][0] + m.mat[3][0],
            x * m.mat[0][1] + y * m.mat[1][1] + m.mat[3][1]};
  }
  throw std::invalid_argument("no layer " + name);
}

// A layer given a size keeps its anchor at its own centre, as a new layer
// of the host has it, so it sits in the middle of the composition; a shape
// layer's anchor stays at its origin, and an anchor written is kept.
TEST(SceneReading, ASizedLayersAnchorIsItsCentre) {
  const struct {
    const char* name;
    json layer;
    Vec2 top_left;  // where its pixel (0, 0) lands
  } cases[] = {
      {"a solid", {{"kind", "solid"}, {"size", {400, 300}}}, {120, 30}},
      {"a text layer",
       {{"kind", "text"}, {"size", {40, 20}}, {"text", {{"text", "A"}}}},
       {300, 170}},
      {"a null", {{"kind", "null"}, {"size", {100, 100}}}, {270, 130}},
      {"a shape layer: its origin", {{"kind", "shape"}, {"size", {400, 300}}}, {320, 180}},
      {"an anchor written",
       {{"kind", "solid"}, {"size", {400, 300}}, {"transform", {{"anchor", {0, 0}}}}},
       {320, 180}},
      {"no size: the composition's",
       {{"kind", "solid"}, {"transform", {{"position", {330, 180}}}}},
       {10, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    json layer = c.layer;
    layer["name"] = "L";
    const Scene scene = parse_scene(scene_of(json::array({layer})), "scene.json");
    const Vec2 at = placed(scene, "L", 0, 0);
    EXPECT_DOUBLE_EQ(at.x, c.top_left.x);
    EXPECT_DOUBLE_EQ(at.y, c.top_left.y);
  }

  // As the viewer shows it: a 400 x 300 white solid from (120, 30) to
  // (519, 329) on black.
  const Scene scene =
      parse_scene(scene_of(json::array({{{"name", "L"}, {"kind", "solid"}, {"size", {400, 300}}}})),
                  "scene.json");
  const auto frame = composition_frame(*scene.composition, 0.0, 0, nullptr,
                                       {.background = scene.composition->background()});
  for (const auto& [x, y, white] :
       {std::tuple{120, 30, true}, std::tuple{519, 329, true}, std::tuple{119, 30, false},
        std::tuple{120, 29, false}, std::tuple{520, 329, false}, std::tuple{519, 330, false}}) {
    EXPECT_EQ(frame->pixel8(x, y).red, white ? 255 : 0) << x << ", " << y;
  }
}

// A chain of `levels` parents: layer Lk (k from 1) has L(k-1) as parent and
// moves it one pixel right; listed deepest first when `reversed`.
std::string chain(int levels, bool reversed) {
  json layers = json::array();
  for (int k = 0; k <= levels; ++k) {
    json layer = {{"name", "L" + std::to_string(k)},
                  {"kind", "null"},
                  {"transform", {{"anchor", {0, 0}}, {"position", {k == 0 ? 0 : 1, 0}}}}};
    if (k > 0) layer["parent"] = "L" + std::to_string(k - 1);
    layers.push_back(layer);
  }
  if (reversed) std::reverse(layers.begin(), layers.end());
  return scene_of(layers);
}

std::string refusal_of(const std::string& text) {
  try {
    parse_scene(text, "scene.json");
  } catch (const SceneError& e) {
    return e.what();
  }
  return "accepted";
}

// The host follows 64 parents up from a layer; a deeper chain is refused at
// reading, naming the first layer beyond the limit, however long the chain
// (20,000 levels are read in one walk over them) and in whatever order the
// layers are listed. A chain that comes back to a layer is refused too.
TEST(SceneReading, ChainsOfParentsDeeperThanTheHostFollowsAreRefused) {
  const Scene deepest = parse_scene(chain(max_parent_depth, false), "scene.json");
  EXPECT_DOUBLE_EQ(placed(deepest, "L64", 0, 0).x, 64.0);

  const std::string too_deep =
      "scene.json: /layers/65/parent: layer \"L65\" has 65 parents above it; the host follows "
      "at most 64";
  EXPECT_EQ(refusal_of(chain(65, false)), too_deep);
  EXPECT_EQ(refusal_of(chain(20000, false)), too_deep);
  EXPECT_EQ(refusal_of(chain(20000, true)),
            "scene.json: /layers/19935/parent: layer \"L65\" has 65 parents above it; the host "
            "follows at most 64");

  const json loop = json::array({{{"name", "A"}, {"kind", "null"}, {"parent", "C"}},
                                 {{"name", "B"}, {"kind", "null"}, {"parent", "A"}},
                                 {{"name", "C"}, {"kind", "null"}, {"parent", "B"}}});
  EXPECT_EQ(refusal_of(scene_of(loop)),
            "scene.json: /layers/0/parent: a layer cannot be its own parent, even through others");
  const json own = json::array({{{"name", "A"}, {"kind", "null"}, {"parent", "A"}}});
  EXPECT_EQ(refusal_of(scene_of(own)),
            "scene.json: /layers/0/parent: a layer cannot be its own parent, even through others");
}

// Keyframes as {"time": t, "value": v} and as [t, v] read the same, for a
// layer's values (a number, a point, a mask's path) and for the effect's
// parameters (a number, a layer by name).
class SceneKeyframes : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.balance_report(), ""); }

  SimHost host;
  PluginModule module{TARVOLK_MODULE_PATH};
};

TEST_F(SceneKeyframes, BothSpellingsReadTheSameForLayersAndParameters) {
  const json square_1 = {{"vertices", {{0, 0}, {10, 0}, {10, 10}}}};
  const json square_2 = {{"vertices", {{0, 0}, {30, 0}, {30, 30}}}};
  const auto keyed = [](bool pairs, const json& a, const json& b) {
    return pairs ? json{{"keyframes", {{0, a}, {2, b}}}}
                 : json{{"keyframes", {{{"time", 0}, {"value", a}}, {{"time", 2}, {"value", b}}}}};
  };
  json values[2];
  for (const bool pairs : {false, true}) {
    SCOPED_TRACE(pairs ? "[time, value]" : "{time, value}");
    const json layers = json::array(
        {{{"name", "Null"}, {"kind", "null"}},
         {{"name", "L"},
          {"kind", "solid"},
          {"transform",
           {{"rotation", keyed(pairs, 10, 30)}, {"position", keyed(pairs, {0, 0}, {100, 50})}}},
          {"masks", {{{"path", keyed(pairs, square_1, square_2)}}}}}});
    json text = json::parse(scene_of(layers));
    text["effect"]["parameters"] = {{"Stroke Width", keyed(pairs, 2, 12)},
                                    {"Parent Layer", keyed(pairs, 0, "Null")}};
    Scene scene = parse_scene(text.dump(), "scene.json");
    const Layer& layer = *scene.composition->layers().back();
    EXPECT_EQ(layer.transform.rotation.at(1.0), 20.0);
    EXPECT_EQ(layer.transform.position.at(1.0).x, 50.0);
    EXPECT_EQ(layer.masks[0].shape.at(1.0).vertices[1].x, 20.0);

    EffectInstance instance(host);
    place_effect(scene, instance);
    ASSERT_EQ(instance.run(module, PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    ASSERT_EQ(instance.run(module, PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    set_scene_parameters(scene, instance);
    values[pairs] = {instance.value_json(instance.find_param("Stroke Width")),
                     instance.value_json(instance.find_param("Parent Layer"))};
  }
  EXPECT_EQ(values[0], values[1]);
  // Printed in the clearer spelling, with the layer by its id.
  EXPECT_EQ(values[0][0], keyed(false, 2.0, 12.0));
  EXPECT_EQ(values[0][1], keyed(false, 0, 1));
}

}  // namespace
}  // namespace simhost::scene
