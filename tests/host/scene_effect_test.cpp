// An effect instance placed in a scene: its layer, time and downsampling,
// and the scene's parameter values set through the loaded module's list.

#include "host/scene/scene_effect.h"

#include <gtest/gtest.h>

#include <string>

#include "host/plugin_module.h"
#include "host/sim_host.h"

namespace simhost::scene {
namespace {

std::string scene_text(const std::string& parameters, double frame_rate = 25) {
  return R"({"composition": {"width": 320, "height": 200, "frame_rate": )" +
         std::to_string(frame_rate) + R"(},
    "layers": [{"name": "Plate", "kind": "solid", "start_time": 0.5, "size": [100, 80],
                "masks": [{"name": "Window", "path": {"vertices": [[0, 0], [5, 0], [5, 5]]}}]},
               {"name": "Null", "kind": "null"}],
    "effect": {"layer": "Plate", "parameters": )" +
         parameters + R"(}, "time": 1.5, "downsample": 2})";
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
