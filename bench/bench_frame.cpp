// Whole frames of the default scene scaled to 1920 x 1080 through the loaded
// module's EffectMain, as the host asks for them (smart pre-render, then smart
// render): 8-bit and float, "Master Resolution" 1 and 3. Beside them, a plain
// cairo fill and stroke of the same flattened outlines, the reference a user
// would compare with.

#include <benchmark/benchmark.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "bench/cairo_reference.h"
#include "host/frame/frame.h"
#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/scene/default_scene.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"
#include "renderer/render_plan.h"

namespace {

constexpr int frame_width = 1920;
constexpr int frame_height = 1080;

// The default scene one and a half times as large: 1920 x 1080.
std::string full_hd_scene() {
  nlohmann::json scene = nlohmann::json::parse(simhost::default_scene_json());
  const double k = static_cast<double>(frame_width) / scene["composition"]["width"].get<double>();
  scene["composition"]["width"] = frame_width;
  scene["composition"]["height"] = frame_height;
  nlohmann::json& text = scene["layers"][0]["text"];
  text["size"] = text["size"].get<double>() * k;
  text["origin"] = {text["origin"][0].get<double>() * k, text["origin"][1].get<double>() * k};
  nlohmann::json& values = scene["effect"]["parameters"];
  for (const char* length : {"Extrusion Length Back", "Stroke Width"}) {
    values[length] = values[length].get<double>() * k;
  }
  return scene.dump();
}

// The host with the effect set up on the scene, kept for every benchmark.
struct Session {
  simhost::SimHost host;
  simhost::PluginModule module{TARVOLK_MODULE_PATH};
  simhost::scene::Scene scene = simhost::scene::parse_scene(full_hd_scene(), "bench");
  std::unique_ptr<simhost::EffectInstance> instance;

  Session() {
    host.set_recording(false);
    instance = std::make_unique<simhost::EffectInstance>(host);
    simhost::scene::place_effect(scene, *instance);
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP}) {
      instance->run(module, cmd);
    }
    simhost::scene::set_scene_parameters(scene, *instance);
  }
  ~Session() {
    instance->run(module, PF_Cmd_SEQUENCE_SETDOWN);
    instance.reset();
    scene.composition.reset();
  }
};

Session& session() {
  static Session s;
  return s;
}

void BM_FrameThroughEffectMain(benchmark::State& state) {
  Session& s = session();
  const auto ssaa = static_cast<int>(state.range(0));
  const auto bitdepth = static_cast<A_short>(state.range(1));
  const bool inherit = state.range(2) != 0;
  s.instance->set_value("Master Resolution", ssaa);
  s.instance->set_value("Inherit Layer Color", inherit);
  for (auto _ : state) {
    simhost::Frame frame(*s.instance, {.bitdepth = bitdepth});
    if (frame.run(s.module) != PF_Err_NONE || frame.output() == nullptr) {
      state.SkipWithError(frame.out_data().return_msg);
      break;
    }
    benchmark::DoNotOptimize(frame.output());
  }
  state.SetLabel("ssaa " + std::to_string(ssaa) + ", " + (bitdepth == 32 ? "float" : "8-bit") +
                 (inherit ? ", face in the layer's colours" : ", flat face"));
}

// Fills and strokes the frame's flattened outlines with cairo.
void BM_CairoFillAndStroke(benchmark::State& state) {
  Session& s = session();
  simhost::Frame planned(*s.instance, {});
  planned.pre_render(s.module);
  const auto* plan = static_cast<const PreRenderPlan*>(planned.pre_render_output().pre_render_data);
  run_cairo_fill_and_stroke(state, plan->paths, plan->stroke_width, frame_width, frame_height,
                            {1.0, 0.8, 0.36}, {0.14, 0.05, 0.17});
}

}  // namespace

// With "Inherit Layer Color" on, the host renders the text layer's own pixels
// for every frame and the effect uploads them; off, neither happens.
BENCHMARK(BM_FrameThroughEffectMain)
    ->ArgsProduct({{1, 3}, {8, 32}, {0, 1}})
    ->UseRealTime()  // llvmpipe draws on threads of its own
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoFillAndStroke)->Unit(benchmark::kMillisecond);
