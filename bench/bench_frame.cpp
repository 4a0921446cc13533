// Whole frames of the default scene scaled to 1920 x 1080 through the loaded module's EffectMain,
// as the host asks for them (smart pre-render, then smart render). Beside them, a plain cairo
// fill and stroke of the same flattened outlines, the reference a user would compare with.
//
// BM_FrameThroughEffectMain: 8-bit and float, "Master Resolution" 1 and 3, flat face or the
// face in the layer's colours (the host renders the text layer for every frame then).
//
// BM_Frame: the cases the renderer is judged by, each on a rendering thread of its own that
// starts without kept storage and renders one untimed frame first: the flat face at ssaa 1 and
// 3; the face in the layer's colours at ssaa 1, timed without the host's rendering of the layer
// (in its checkout_layer_pixels callback; the counter host_layer_ms), so that the time is the
// plug-in's pre-render and render alone; and an animation at ssaa 3 whose extrusion grows over
// 48 frames, so that the output's size changes every frame. Counters: x_cairo, the frame's time
// over the cairo reference's measured in the same run; peak_MiB, the most memory the process
// held during the case beyond what it held before (the thread's kept storage and one frame's
// work).
//
// The module is the build's, or the one TARVOLK_BENCH_MODULE names (to compare two builds).

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "bench/cairo_reference.h"
#include "geometry/render_plan.h"
#include "host/frame/frame.h"
#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/scene/default_scene.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"

namespace {

constexpr int frame_width = 1920;
constexpr int frame_height = 1080;
constexpr double default_length = 80.0;  // "Extrusion Length Back" of the default scene
constexpr double default_stroke_width = 3.0;

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
  values["Extrusion Length Back"] = default_length * k;
  values["Stroke Width"] = default_stroke_width * k;
  return scene.dump();
}

const char* module_path() {
  const char* path = std::getenv("TARVOLK_BENCH_MODULE");
  return path != nullptr && path[0] != '\0' ? path : TARVOLK_MODULE_PATH;
}

// The host with the effect set up on the scene, kept for every benchmark.
struct Session {
  simhost::SimHost host;
  simhost::PluginModule module{module_path()};
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

  // The values every case starts from.
  void reset_values() {
    instance->set_value("Extrusion Length Back", default_length * frame_width / 1280.0);
    instance->set_value("Master Resolution", 1);
    instance->set_value("Inherit Layer Color", false);
  }
};

Session& session() {
  static Session s;
  return s;
}

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename F>
double median_milliseconds(int runs, F f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    f();
    times.push_back(milliseconds_since(start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The flattened outlines of the scene's frame, as the effect plans them.
PathsD planned_paths() {
  Session& s = session();
  simhost::Frame planned(*s.instance, {});
  planned.pre_render(s.module);
  return static_cast<const PreRenderPlan*>(planned.pre_render_output().pre_render_data)->paths;
}

constexpr std::array<double, 3> cairo_fill = {1.0, 0.8, 0.36};
constexpr std::array<double, 3> cairo_stroke = {0.14, 0.05, 0.17};

// The cairo reference's time, measured now: the median of 31 fills and strokes.
double cairo_reference_milliseconds() {
  session().reset_values();
  const PathsD paths = planned_paths();
  const CairoCanvas canvas(frame_width, frame_height);
  return median_milliseconds(31, [&] {
    cairo_fill_and_stroke(canvas, paths, default_stroke_width * frame_width / 1280.0, cairo_fill,
                          cairo_stroke);
  });
}

// A line of /proc/self/status in KiB ("VmRSS:", "VmHWM:"), or 0.
double status_kib(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size()));
  }
  return 0.0;
}

// Starts the process's peak resident size afresh from its current size.
void reset_peak_memory() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// Runs one frame of the session's instance; false, with the host's message on `state`, when it
// fails.
bool run_frame(benchmark::State& state, const simhost::FrameSettings& settings) {
  Session& s = session();
  simhost::Frame frame(*s.instance, settings);
  if (frame.run(s.module) != PF_Err_NONE || frame.output() == nullptr) {
    state.SkipWithError(frame.out_data().return_msg);
    return false;
  }
  benchmark::DoNotOptimize(frame.output());
  return true;
}

// The host's checkout_layer_pixels, and the time the calling thread spent in it.
PF_Err (*host_checkout_layer_pixels)(PF_ProgPtr, A_long, PF_EffectWorld**) = nullptr;
thread_local double host_layer_milliseconds = 0.0;

PF_Err timed_checkout_layer_pixels(PF_ProgPtr effect_ref, A_long checkout_id,
                                   PF_EffectWorld** pixels) {
  const Clock::time_point start = Clock::now();
  const PF_Err err = host_checkout_layer_pixels(effect_ref, checkout_id, pixels);
  host_layer_milliseconds += milliseconds_since(start);
  return err;
}

// Runs one frame as run_frame does; adds the host's time rendering the layer to
// host_layer_milliseconds.
bool run_frame_timing_the_host(benchmark::State& state) {
  Session& s = session();
  simhost::Frame frame(*s.instance, {});
  PF_Err err = frame.pre_render(s.module);
  PF_SmartRenderCallbacks callbacks = *frame.smart_render_extra()->cb;
  host_checkout_layer_pixels = callbacks.checkout_layer_pixels;
  callbacks.checkout_layer_pixels = timed_checkout_layer_pixels;
  frame.smart_render_extra()->cb = &callbacks;
  if (err == PF_Err_NONE) err = frame.render(s.module);
  if (err != PF_Err_NONE || frame.output() == nullptr) {
    state.SkipWithError(frame.out_data().return_msg);
    return false;
  }
  benchmark::DoNotOptimize(frame.output());
  return true;
}

void BM_FrameThroughEffectMain(benchmark::State& state) {
  Session& s = session();
  s.reset_values();
  const auto ssaa = static_cast<int>(state.range(0));
  const auto bitdepth = static_cast<A_short>(state.range(1));
  const bool inherit = state.range(2) != 0;
  s.instance->set_value("Master Resolution", ssaa);
  s.instance->set_value("Inherit Layer Color", inherit);
  for (auto _ : state) {
    if (!run_frame(state, {.bitdepth = bitdepth})) break;
  }
  state.SetLabel("ssaa " + std::to_string(ssaa) + ", " + (bitdepth == 32 ? "float" : "8-bit") +
                 (inherit ? ", face in the layer's colours" : ", flat face"));
}

enum FrameCase { flat_ssaa1, flat_ssaa3, layer_colours_ssaa1, animated_ssaa3 };

// "Extrusion Length Back" of frame n of a 48-frame animation: from half the scene's length to
// twice it.
double animated_length(int64_t n) {
  const double base = default_length * frame_width / 1280.0;
  return base * (0.5 + 1.5 * static_cast<double>(n % 48) / 47.0);
}

void BM_Frame(benchmark::State& state) {
  Session& s = session();
  const auto kind = static_cast<FrameCase>(state.range(0));
  const double cairo_ms = cairo_reference_milliseconds();
  s.reset_values();
  s.instance->set_value("Master Resolution", kind == flat_ssaa3 || kind == animated_ssaa3 ? 3 : 1);

  if (kind == layer_colours_ssaa1) s.instance->set_value("Inherit Layer Color", true);

  // What the allocator holds unused would hide the case's own memory.
  malloc_trim(0);
  reset_peak_memory();
  const double memory_before = status_kib("VmRSS:");
  double frame_ms = 0.0;
  double host_ms = 0.0;
  // A thread of its own, as a host's rendering thread: its state is made by the first frame,
  // which is not timed, and released when the case ends. Each iteration's time leaves out the
  // host's rendering of the layer.
  std::thread([&] {
    if (!run_frame_timing_the_host(state)) return;
    int64_t n = 0;
    for (auto _ : state) {
      if (kind == animated_ssaa3) {
        s.instance->set_value("Extrusion Length Back", animated_length(n++));
      }
      host_layer_milliseconds = 0.0;
      const Clock::time_point start = Clock::now();
      if (!run_frame_timing_the_host(state)) return;
      const double ms = milliseconds_since(start) - host_layer_milliseconds;
      state.SetIterationTime(ms / 1000.0);
      frame_ms += ms;
      host_ms += host_layer_milliseconds;
    }
  }).join();
  const auto iterations =
      static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["peak_MiB"] = (status_kib("VmHWM:") - memory_before) / 1024.0;
  state.counters["x_cairo"] = frame_ms / iterations / cairo_ms;
  state.counters["cairo_ms"] = cairo_ms;
  if (kind == layer_colours_ssaa1) state.counters["host_layer_ms"] = host_ms / iterations;
  const char* labels[] = {"flat face, ssaa 1", "flat face, ssaa 3",
                          "face in the layer's colours, ssaa 1, without the host's layer",
                          "animated, output size changing, ssaa 3"};
  state.SetLabel(labels[kind]);
}

// Fills and strokes the frame's flattened outlines with cairo.
void BM_CairoFillAndStroke(benchmark::State& state) {
  session().reset_values();
  run_cairo_fill_and_stroke(state, planned_paths(), default_stroke_width * frame_width / 1280.0,
                            frame_width, frame_height, cairo_fill, cairo_stroke);
}

}  // namespace

// With "Inherit Layer Color" on, the host renders the text layer's own pixels
// for every frame and the effect uploads them; off, neither happens.
BENCHMARK(BM_FrameThroughEffectMain)
    ->ArgsProduct({{1, 3}, {8, 32}, {0, 1}})
    ->UseRealTime()  // llvmpipe draws on threads of its own
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame)
    ->DenseRange(flat_ssaa1, animated_ssaa3)
    ->UseManualTime()  // each frame's own time, without the host's rendering of the layer
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoFillAndStroke)->Unit(benchmark::kMillisecond);
