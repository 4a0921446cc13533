// Plan building on text-like outlines (flattening only) and on overlapping masks (flattening
// plus one boolean operation per mask).

#include <benchmark/benchmark.h>

#include <cmath>

#include "geometry/render_plan.h"

namespace {

// A glyph-sized closed outline of `count` smooth Bezier vertices around (cx, cy), host space:
// a wobbly loop about 30 pixels across, like a letter's outer contour.
BezierPath glyph_outline(double cx, double cy, int count, double radius) {
  BezierPath path;
  path.reserve(count);
  const double step = 2.0 * M_PI / count;
  const double handle = radius * step / 3.0;
  for (int i = 0; i < count; ++i) {
    const double a = i * step;
    const double r = radius * (1.0 + 0.25 * std::sin(5.0 * a));
    const double x = cx + r * std::cos(a);
    const double y = cy - r * std::sin(a);
    const double tx = -std::sin(a) * handle;
    const double ty = -std::cos(a) * handle;
    path.push_back({x, y, x - tx, y - ty, x + tx, y + ty});
  }
  return path;
}

RenderPlanRequest base_request() {
  RenderPlanRequest r;
  r.request_rect = {0, 0, 1920, 1080};
  r.layer_width = 1920;
  r.layer_height = 1080;
  r.corner_angle_deg = 10;
  r.mode = ExtrusionMode::directional;
  r.direction_deg = 135;
  r.front = 0;
  r.back = 40;
  r.stroke_width = 2;
  r.inherit_layer_color = 1;
  return r;
}

// Times build_render_plan on the request; items counts its outlines or masks.
void run_plan(benchmark::State& state, const RenderPlanRequest& request, int items) {
  size_t points = 0;
  for (auto _ : state) {
    RenderPlanResult result = build_render_plan(request);
    benchmark::DoNotOptimize(result.plan.paths.data());
    points = 0;
    for (const PathD& path : result.plan.paths) points += path.size();
  }
  state.SetItemsProcessed(state.iterations() * items);
  state.counters["result_points"] = static_cast<double>(points);
}

void BM_TextOutlines(benchmark::State& state) {
  const int outlines = static_cast<int>(state.range(0));
  RenderPlanRequest request = base_request();
  TextOutlines text;
  for (int i = 0; i < outlines; ++i) {
    // Rows of 50 glyphs, 36 pixels apart.
    text.push_back(glyph_outline(20 + 36 * (i % 50), 30 + 40 * (i / 50), 40, 15));
  }
  request.source.value = std::move(text);
  run_plan(state, request, outlines);
}
BENCHMARK(BM_TextOutlines)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_OverlappingMasks(benchmark::State& state) {
  const int masks = static_cast<int>(state.range(0));
  RenderPlanRequest request = base_request();
  MaskPaths list;
  for (int i = 0; i < masks; ++i) {
    // Large overlapping loops along a diagonal; every fifth one subtracts.
    const int32_t mode = i % 5 == 4 ? mask_mode_subtract : mask_mode_add;
    list.push_back({glyph_outline(400 + 20 * i, 300 + 8 * i, 40, 200), mode, 0});
  }
  request.source.value = std::move(list);
  run_plan(state, request, masks);
}
BENCHMARK(BM_OverlappingMasks)->Arg(50)->Unit(benchmark::kMillisecond);

}  // namespace
