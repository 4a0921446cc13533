#pragma once

// Frames of small scenes through the loaded module, as the host asks for
// them: a scene read from JSON, the effect placed on its layer, global,
// params and sequence setup run, the scene's values set; then frames.

#include <gtest/gtest.h>

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "geometry/render_plan.h"
#include "host/frame/frame.h"
#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"

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

// A 3D null, "Rig", at `position` turned by `orientation` (degrees about x,
// y and z, or keyframes of them); its anchor is its origin.
inline json rig(json position, json orientation) {
  return {
      {"name", "Rig"},
      {"kind", "null"},
      {"three_d", true},
      {"transform", {{"anchor", {0, 0, 0}}, {"position", position}, {"orientation", orientation}}}};
}

// A solid with a frame added by one mask and a window subtracted by another,
// each a rectangle left, top, right, bottom.
inline json framed_solid(std::array<double, 4> frame, std::array<double, 4> window) {
  const auto mask = [](const char* mode, const std::array<double, 4>& r) {
    return json{{"mode", mode},
                {"path", {{"vertices", {{r[0], r[1]}, {r[2], r[1]}, {r[2], r[3]}, {r[0], r[3]}}}}}};
  };
  return {{"kind", "solid"}, {"masks", {mask("add", frame), mask("subtract", window)}}};
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

// A scene read from JSON, the effect placed on its layer and set up as the
// host does (global, params and sequence setup, then the scene's values);
// sequence setdown when it goes, the instance before the scene.
struct PlacedEffect {
  PlacedEffect(SimHost& host, PluginModule& module, const std::string& text,
               const std::string& name = "test scene")
      : module(module), scene(scene::parse_scene(text, name)), instance(host) {
    scene::place_effect(scene, instance);
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP}) {
      EXPECT_EQ(instance.run(module, cmd), PF_Err_NONE) << name << ", command " << cmd;
    }
    scene::set_scene_parameters(scene, instance);
  }
  ~PlacedEffect() {
    if (instance.sequence_data != nullptr) {
      EXPECT_EQ(instance.run(module, PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);
    }
  }

  void set_downsample(A_u_long factor) {
    instance.layer.downsample_x = {1, factor};
    instance.layer.downsample_y = {1, factor};
  }

  PluginModule& module;
  scene::Scene scene;
  EffectInstance instance;
};

class SceneFrames : public ::testing::Test {
 protected:
  void TearDown() override {
    finish();
    EXPECT_EQ(host.balance_report(), "");
  }

  void load(const std::string& text) {
    placed.emplace(host, module, text);
    instance = &placed->instance;
  }
  void set_downsample(A_u_long factor) { placed->set_downsample(factor); }
  const scene::Scene& scene() const { return placed->scene; }

  scene::Layer& layer(const std::string& name) {
    for (const auto& l : scene().composition->layers()) {
      if (l->name == name) return *l;
    }
    throw std::invalid_argument("no layer " + name);
  }

  // The plan a frame's pre-render left with the host.
  static const PreRenderPlan& plan_of(const Frame& frame) {
    return *static_cast<const PreRenderPlan*>(frame.pre_render_output().pre_render_data);
  }

  void finish() {
    instance = nullptr;
    placed.reset();
  }

  SimHost host{CallRecording::on};
  PluginModule module{TARVOLK_MODULE_PATH};
  std::optional<PlacedEffect> placed;
  EffectInstance* instance = nullptr;
};

}  // namespace simhost::test
