#pragma once

// Frames of small scenes through the loaded module, as the host asks for
// them: a scene read from JSON, the effect placed on its layer, global,
// params and sequence setup run, the scene's values set; then frames.

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "host/frame/frame.h"
#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"
#include "renderer/render_plan.h"

namespace simhost::test {

using nlohmann::json;

// A composition of `width` x `height` with one layer, "Layer", that the
// effect sits on, given as the scene file's layer object (without its name);
// `more_layers` come before it; `parameters` are the effect's values.
inline std::string scene_json(int width, int height, json layer, json parameters,
                              json more_layers = json::array()) {
  layer["name"] = "Layer";
  more_layers.push_back(layer);
  return json{{"composition", {{"width", width}, {"height", height}, {"frame_rate", 24}}},
              {"layers", more_layers},
              {"effect", {{"layer", "Layer"}, {"parameters", parameters}}}}
      .dump();
}

// A text layer of one word in DejaVu Sans Bold.
inline json text_layer(const std::string& text, double size, double x, double y) {
  return {{"kind", "text"},
          {"text", {{"text", text}, {"bold", true}, {"size", size}, {"origin", {x, y}}}}};
}

// Values that make a frame easy to read: a face colour of its own rather
// than the layer's pixels, a blue side fill.
inline json plain_look(json more = json::object()) {
  json values = {{"Inherit Layer Color", false},
                 {"Front Fill Color", {240, 200, 80}},
                 {"Side Fill Color", {60, 110, 170}},
                 {"Stroke Color", {20, 20, 30}}};
  values.update(more);
  return values;
}

class SceneFrames : public ::testing::Test {
 protected:
  void TearDown() override {
    finish();
    EXPECT_EQ(host.balance_report(), "");
  }

  // Reads and places the scene and sets the instance up as the host does.
  void load(const std::string& text) {
    scene = scene::parse_scene(text, "test scene");
    instance = std::make_unique<EffectInstance>(host);
    scene::place_effect(scene, *instance);
    ASSERT_EQ(instance->run(module, PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    ASSERT_EQ(instance->run(module, PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    ASSERT_EQ(instance->run(module, PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    scene::set_scene_parameters(scene, *instance);
  }

  void set_downsample(A_u_long factor) {
    instance->layer.downsample_x = {1, factor};
    instance->layer.downsample_y = {1, factor};
  }

  scene::Layer& layer(const std::string& name) {
    for (const auto& l : scene.composition->layers()) {
      if (l->name == name) return *l;
    }
    throw std::invalid_argument("no layer " + name);
  }

  // The plan a frame's pre-render left with the host.
  static const PreRenderPlan& plan_of(const Frame& frame) {
    return *static_cast<const PreRenderPlan*>(frame.pre_render_output().pre_render_data);
  }

  // Sequence setdown, then the instance before the module and the scene.
  void finish() {
    if (instance != nullptr) {
      if (instance->sequence_data != nullptr) {
        EXPECT_EQ(instance->run(module, PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);
      }
      instance.reset();
    }
    scene.composition.reset();
  }

  SimHost host;
  PluginModule module{TARVOLK_MODULE_PATH};
  scene::Scene scene;
  std::unique_ptr<EffectInstance> instance;
};

}  // namespace simhost::test
