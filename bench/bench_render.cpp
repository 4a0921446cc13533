// One 1920x1080 frame of a text-like outline set (20 glyphs of 40 Bezier vertices, directional,
// back length 100, stroke 2): the CPU geometry, the GL passes and the read-back timed apart, the
// whole render routine, and a plain cairo fill and stroke of the same flattened outlines as the
// reference.

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/cairo_reference.h"
#include "geometry/render_plan.h"
#include "host/sim_host.h"
#include "renderer/frame_steps.h"
#include "renderer/render_state.h"
#include "renderer/renderer_hooks.h"

namespace {

constexpr int frame_width = 1920;
constexpr int frame_height = 1080;

// A glyph like an "O" of a bold face: a wavy outer contour of 28 vertices with four corners and
// a counter of 12, host space, 150 x 300 pixels at (x, y).
void add_glyph(TextOutlines& outlines, double x, double y, int seed) {
  const auto ring = [&](int count, double rx, double ry, double wobble, bool clockwise) {
    BezierPath path;
    const double cx = x + 75;
    const double cy = y + 150;
    for (int i = 0; i < count; ++i) {
      const int k = clockwise ? i : count - i;
      const double a = 2 * M_PI * k / count;
      const double r = 1.0 + wobble * std::sin(3 * a + seed);
      const double px = cx + rx * r * std::cos(a);
      const double py = cy + ry * r * std::sin(a);
      // Tangent handles a third of the way to the neighbours; every seventh vertex a corner.
      const double step = (clockwise ? 1 : -1) * 2 * M_PI / count;
      const double tx = -rx * r * std::sin(a) * step / 3;
      const double ty = ry * r * std::cos(a) * step / 3;
      const bool corner = i % 7 == 0;
      path.push_back({px, py, corner ? px : px - tx, corner ? py : py - ty, px + tx, py + ty});
    }
    outlines.push_back(path);
  };
  ring(28, 70, 140, 0.08, true);
  ring(12, 30, 80, 0.05, false);
}

struct Frame {
  simhost::SimHost host;
  PF_InData in_data = host.make_in_data();
  PreRenderPlan plan;

  Frame() {
    RenderPlanRequest request;
    request.request_rect = {0, 0, frame_width, frame_height};
    request.layer_width = frame_width;
    request.layer_height = frame_height;
    request.corner_angle_deg = 60;
    request.mode = ExtrusionMode::directional;
    request.direction_deg = 135;
    request.front = 0;
    request.back = 100;
    request.stroke_width = 2;
    TextOutlines outlines;
    for (int i = 0; i < 20; ++i) add_glyph(outlines, 60 + (i % 10) * 180, 80 + (i / 10) * 460, i);
    request.source.value = outlines;
    plan = build_render_plan(request).plan;
  }

  RenderInput input(int ssaa, int16_t bitdepth) {
    RenderInput in;
    in.in_data = &in_data;
    in.bitdepth = bitdepth;
    in.plan = plan;
    in.stroke_color = {0.1f, 0.1f, 0.1f};
    in.front_fill_color = {0.95f, 0.8f, 0.3f};
    in.side_fill = {{0.8f, 0.3f, 0.2f, 0.0f}, {0.2f, 0.3f, 0.8f, 180.0f}};
    in.interpolate_gradient = 1;
    in.ssaa = ssaa;
    return in;
  }
};

Frame& frame() {
  static Frame f;
  return f;
}

simhost::PixelFormat format_of(int16_t bitdepth) {
  return bitdepth == 32 ? simhost::PixelFormat::argb_float : simhost::PixelFormat::argb8;
}

void label(benchmark::State& state) {
  state.SetLabel("ssaa " + std::to_string(state.range(0)) + ", " +
                 (state.range(1) == 32 ? "float" : "8-bit"));
}

void BM_CpuGeometry(benchmark::State& state) {
  const RenderInput in = frame().input(static_cast<int>(state.range(0)), 8);
  simhost::World out(frame_width, frame_height, simhost::PixelFormat::argb8);
  std::string text;
  for (auto _ : state) {
    FrameGeometry geometry;
    if (build_frame_geometry(frame_geometry_input(in, *out.get()), geometry, text) != 0)
      state.SkipWithError(text.c_str());
    benchmark::DoNotOptimize(geometry.side_mesh.vertices.data());
  }
  state.SetLabel("ssaa " + std::to_string(state.range(0)));
}

// A frame of the benchmark's (ssaa, bitdepth) arguments with its geometry computed, ready for
// the GL passes on this thread's context.
struct PreparedFrame {
  RenderInput in;
  simhost::World out;
  FrameGeometry geometry;
  LocalRenderData* render_data = nullptr;
  std::string text;

  explicit PreparedFrame(benchmark::State& state)
      : in(frame().input(static_cast<int>(state.range(0)), static_cast<int16_t>(state.range(1)))),
        out(frame_width, frame_height, format_of(in.bitdepth)) {
    build_frame_geometry(frame_geometry_input(in, *out.get()), geometry, text);
    render_data = ensure_local_render_data();
    if (render_data == nullptr) state.SkipWithError("no GL context");
  }

  bool run_passes(benchmark::State& state, FrameGlObjects& gl) {
    const bool ok = run_frame_passes(in, *out.get(), geometry, *render_data, gl, text) == 0;
    if (!ok) state.SkipWithError(text.c_str());
    glFinish();
    return ok;
  }
};

void BM_GlPasses(benchmark::State& state) {
  PreparedFrame f(state);
  if (f.render_data == nullptr) return;
  for (auto _ : state) {
    FrameGlObjects gl;
    f.run_passes(state, gl);
  }
  label(state);
}

// Where the passes' time goes: at each of the routine's error checks GL is made to finish, and
// the time since the previous check is charged to the step that ended there. Finishing at every
// step keeps llvmpipe from overlapping them, so the parts add up to more than BM_GlPasses.
struct StepClock {
  using Clock = std::chrono::steady_clock;
  static constexpr int render_check_count = static_cast<int>(RenderCheck::read_back) + 1;
  Clock::time_point last;
  std::array<double, render_check_count> ms_at = {};

  static StepClock& instance() {
    static StepClock clock;
    return clock;
  }
  static void on_check(RenderCheck check, std::vector<uint32_t>&) {
    StepClock& c = instance();
    glFinish();
    const Clock::time_point now = Clock::now();
    c.ms_at[static_cast<int>(check)] +=
        std::chrono::duration<double, std::milli>(now - c.last).count();
    c.last = now;
  }
};

void BM_PassBreakdown(benchmark::State& state) {
  PreparedFrame f(state);
  if (f.render_data == nullptr) return;
  StepClock& clock = StepClock::instance();
  clock = StepClock();
  RendererHooks::set_render_check_hook(&StepClock::on_check);
  for (auto _ : state) {
    FrameGlObjects gl;
    clock.last = StepClock::Clock::now();
    f.run_passes(state, gl);
  }
  RendererHooks::set_render_check_hook(nullptr);
  const double n = static_cast<double>(state.iterations());
  double setup = 0;
  for (int i = 0; i <= static_cast<int>(RenderCheck::all_objects); ++i) setup += clock.ms_at[i];
  state.counters["setup_ms"] = setup / n;
  const std::pair<const char*, RenderCheck> steps[] = {
      {"clear_ms", RenderCheck::face_clear},
      {"face_ms", RenderCheck::face_pass},
      {"side_ms", RenderCheck::side_pass},
      {"outline_ms", RenderCheck::outline_pass},
      {"composite_ms", RenderCheck::composite_pass}};
  for (const auto& [name, check] : steps) {
    state.counters[name] = clock.ms_at[static_cast<int>(check)] / n;
  }
  label(state);
}

void BM_ReadBack(benchmark::State& state) {
  PreparedFrame f(state);
  FrameGlObjects gl;
  if (f.render_data == nullptr || !f.run_passes(state, gl)) return;
  for (auto _ : state) {
    if (read_back_frame(f.in, gl, f.out.get(), f.text) != 0) state.SkipWithError(f.text.c_str());
  }
  label(state);
}

void BM_RenderLayer(benchmark::State& state) {
  const auto bitdepth = static_cast<int16_t>(state.range(1));
  const RenderInput in = frame().input(static_cast<int>(state.range(0)), bitdepth);
  simhost::World out(frame_width, frame_height, format_of(bitdepth));
  std::string text;
  for (auto _ : state) {
    if (render_layer(&in, out.get(), &text) != 0) state.SkipWithError(text.c_str());
  }
  label(state);
}

void BM_CairoFillAndStroke(benchmark::State& state) {
  const PreRenderPlan& plan = frame().plan;
  run_cairo_fill_and_stroke(state, plan.paths, plan.stroke_width, frame_width, frame_height,
                            {0.95, 0.8, 0.3}, {0.1, 0.1, 0.1});
}

void frame_args(benchmark::internal::Benchmark* b) {
  for (const int ssaa : {1, 3}) {
    for (const int bitdepth : {8, 32}) b->Args({ssaa, bitdepth});
  }
}

BENCHMARK(BM_CpuGeometry)->Args({1, 8})->Args({3, 8})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlPasses)->Apply(frame_args)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PassBreakdown)->Apply(frame_args)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBack)->Apply(frame_args)->Unit(benchmark::kMillisecond)->UseRealTime();
// The CPU column of these two is the time of all the process's threads: on a shared machine
// llvmpipe's threads compete for cores, so their CPU time is the steadier figure of work done.
BENCHMARK(BM_RenderLayer)
    ->Apply(frame_args)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_CairoFillAndStroke)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
