// Frame geometry on the CPU: union and corner flags, side chains and their
// order, and the three meshes, for glyph-like outlines, on 8 and on 2 threads.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>

#include "geometry/chain_order.h"
#include "geometry/frame_geometry.h"
#include "geometry/mesh_builders.h"
#include "geometry/parallel_for.h"
#include "geometry/path_grouping.h"
#include "geometry/side_chains.h"

namespace {

// A glyph-sized outline of about 40 points: a wobbly ring, with a hole
// (wound the other way) in every other glyph, like an "o" or an "e".
void add_glyph(PathsD& paths, double cx, double cy, double size, std::mt19937& rng) {
  std::uniform_real_distribution<double> wobble(0.85, 1.0);
  PathD outer;
  for (int i = 0; i < 28; ++i) {
    const double a = 2.0 * M_PI * i / 28;
    const double r = 0.5 * size * wobble(rng);
    outer.push_back({cx + r * std::cos(a), cy + 1.2 * r * std::sin(a),
                     i % 7 == 0 ? path_flag_corner : path_flag_smooth});
  }
  paths.push_back(std::move(outer));
  if (rng() % 2 == 0) {
    PathD hole;
    for (int i = 0; i < 12; ++i) {
      const double a = -2.0 * M_PI * i / 12;
      hole.push_back(
          {cx + 0.2 * size * std::cos(a), cy + 0.25 * size * std::sin(a), path_flag_smooth});
    }
    paths.push_back(std::move(hole));
  }
}

// Rows of 50 glyphs, every tenth kerned into its neighbour.
PathsD text_rows(int glyphs) {
  std::mt19937 rng(42);
  PathsD paths;
  for (int g = 0; g < glyphs; ++g) {
    const int column = g % 50;
    const int row = g / 50;
    const double kern = column % 10 == 9 ? -6.0 : 0.0;
    add_glyph(paths, column * 24.0 + kern, -row * 36.0, 20.0, rng);
  }
  return paths;
}

// Glyphs scattered over one small area, all overlapping each other.
PathsD overlapping(int glyphs) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> offset(-8.0, 8.0);
  PathsD paths;
  for (int g = 0; g < glyphs; ++g) add_glyph(paths, offset(rng), offset(rng), 20.0, rng);
  return paths;
}

ChainParams params_for(ExtrusionMode mode, const PathsD& paths) {
  if (mode == ExtrusionMode::directional) {
    return {ExtrusionMode::directional, {std::cos(1.1), std::sin(1.1)}, {}};
  }
  // Vanishing point off to the right of the outlines' middle.
  RectD all = empty_rect();
  for (const RectD& b : compute_path_boxes(paths)) all = rect_extend(all, b);
  const double w = all.right - all.left;
  const double h = all.bottom - all.top;
  return {ExtrusionMode::vanishing, {}, {all.left + 1.25 * w, all.top + 0.75 * h}};
}

// The render routine's geometry step on these outlines: union, flags, chains and their order,
// the three meshes, with the frame's storage kept from one frame to the next as the render
// routine keeps it.
void run_frame_geometry(benchmark::State& state, const PathsD& source, ExtrusionMode mode,
                        unsigned threads) {
  const ChainParams params = params_for(mode, source);
  PreRenderPlan plan;
  plan.paths = source;
  plan.corner_cos = std::cos((180.0 - 10.0) * M_PI / 180.0);
  plan.extrusion_mode = mode;
  plan.extrusion_direction = params.direction;
  plan.vanishing_point = params.vanishing_point;
  plan.face_to_draw = face_front;
  PF_EffectWorld output{};
  output.width = 1920;
  output.height = 1080;
  const std::vector<SideFillStop> no_stops;
  const FrameGeometryInput in{.plan = plan, .output = output, .side_fill = no_stops};
  FrameGeometry geometry;
  std::string text;
  for (auto _ : state) {
    if (build_frame_geometry(in, geometry, text, threads) != 0) {
      state.SkipWithError(text.c_str());
    }
    benchmark::DoNotOptimize(geometry.outline_mesh.indices.data());
  }
  state.counters["paths"] = static_cast<double>(source.size());
  state.counters["chains"] = static_cast<double>(geometry.chain_set.chains.size());
}

// The modes as benchmark arguments.
constexpr int64_t directional_mode_arg = static_cast<int64_t>(ExtrusionMode::directional);
constexpr int64_t vanishing_mode_arg = static_cast<int64_t>(ExtrusionMode::vanishing);

void BM_TextRows(benchmark::State& state) {
  run_frame_geometry(state, text_rows(static_cast<int>(state.range(0))),
                     static_cast<ExtrusionMode>(state.range(1)),
                     static_cast<unsigned>(state.range(2)));
}
BENCHMARK(BM_TextRows)
    ->ArgsProduct({{100, 1000, 10000}, {directional_mode_arg, vanishing_mode_arg}, {8, 2}})
    ->ArgNames({"glyphs", "mode", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Overlapping(benchmark::State& state) {
  run_frame_geometry(state, overlapping(static_cast<int>(state.range(0))),
                     static_cast<ExtrusionMode>(state.range(1)), default_geometry_threads());
}
BENCHMARK(BM_Overlapping)
    ->ArgsProduct({{1000, 2000}, {directional_mode_arg, vanishing_mode_arg}})
    ->ArgNames({"glyphs", "mode"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The grouping alone: the plain scan against the grid.
void BM_GroupingScan(benchmark::State& state) {
  const std::vector<RectD> boxes = compute_path_boxes(text_rows(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(group_overlapping_paths(boxes).data());
}
BENCHMARK(BM_GroupingScan)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_GroupingGrid(benchmark::State& state) {
  const std::vector<RectD> boxes = compute_path_boxes(text_rows(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(group_overlapping_paths_indexed(boxes).data());
}
BENCHMARK(BM_GroupingGrid)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Where the time of a frame goes: 10,000 glyphs in rows, or 1,000
// overlapping ones.
void BM_Stages(benchmark::State& state) {
  const PathsD source = state.range(1) == 0 ? text_rows(10000) : overlapping(1000);
  const ChainParams params = params_for(ExtrusionMode::directional, source);
  UnitedPaths united = union_overlapping_paths(source, false);
  flag_union_points(united.paths, -0.98);
  SideChainSet set = split_paths_into_chains(united.paths, params);
  const int stage = static_cast<int>(state.range(0));
  const auto threads = static_cast<unsigned>(state.range(2));
  OutlineMesh outline;
  for (auto _ : state) {
    switch (stage) {
      case 0:
        benchmark::DoNotOptimize(union_overlapping_paths(source, false, threads).paths.data());
        break;
      case 1:
        benchmark::DoNotOptimize(split_paths_into_chains(united.paths, params).chains.data());
        break;
      case 2:
        benchmark::DoNotOptimize(order_chains_front_to_back(set.chains, params).data());
        break;
      case 3:
        benchmark::DoNotOptimize(build_face_mesh(united.group_trees, threads).indices.data());
        break;
      case 4:
        benchmark::DoNotOptimize(build_side_mesh(set.chains, united.paths, set).indices.data());
        break;
      default:
        build_outline_mesh(outline, 1, set.chains, united.paths, set);
        benchmark::DoNotOptimize(outline.indices.data());
        break;
    }
  }
}
// Stages: 0 union, 1 chains, 2 order, 3 face mesh, 4 side mesh, 5 outline
// mesh (into storage kept between iterations); inputs: 0 text rows, 1
// overlapping; threads for the union and the face mesh.
BENCHMARK(BM_Stages)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}, {8, 2}})
    ->ArgNames({"stage", "input", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
