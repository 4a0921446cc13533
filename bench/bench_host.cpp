// The simulated host's pixel iteration (which every frame's upload and
// read-back go through) and the entry point's dispatch of a cheap command.

#include <benchmark/benchmark.h>

#include "effect/entry_point.h"
#include "host/instance/effect_instance.h"
#include "host/sim_host.h"
#include "host_support/aegp_suite_handler.h"

namespace {

PF_Err touch8(void*, A_long x, A_long, PF_Pixel8*, PF_Pixel8* out) {
  out->red = static_cast<A_u_char>(x);
  return PF_Err_NONE;
}

PF_Err touch_float(void*, A_long x, A_long, PF_PixelFloat*, PF_PixelFloat* out) {
  out->red = static_cast<float>(x);
  return PF_Err_NONE;
}

// Every pixel of a world of the benchmark's size, through one of the host's
// iterate suites.
template <class Suite, class Touch>
void iterate_world(benchmark::State& state, simhost::PixelFormat format,
                   const Suite* (AEGP_SuiteHandler::*iterate_suite)(), Touch touch) {
  simhost::SimHost host;
  simhost::World world(static_cast<A_long>(state.range(0)), static_cast<A_long>(state.range(1)),
                       format);
  AEGP_SuiteHandler suites(host.basic_suite());
  const Suite* iterate = (suites.*iterate_suite)();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        iterate->iterate(nullptr, 0, 0, nullptr, nullptr, nullptr, touch, world.get()));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void BM_Iterate8(benchmark::State& state) {
  iterate_world(state, simhost::PixelFormat::argb8, &AEGP_SuiteHandler::Iterate8Suite1, touch8);
}
BENCHMARK(BM_Iterate8)->Args({256, 256})->Args({1920, 1080})->UseRealTime();

void BM_IterateFloat(benchmark::State& state) {
  iterate_world(state, simhost::PixelFormat::argb_float, &AEGP_SuiteHandler::IterateFloatSuite1,
                touch_float);
}
BENCHMARK(BM_IterateFloat)->Args({256, 256})->Args({1920, 1080})->UseRealTime();

// The dynamic-flags query: a parameter checkout and check-in through the
// host's callbacks, around the command boundary.
void BM_QueryDynamicFlags(benchmark::State& state) {
  simhost::SimHost host;
  simhost::EffectInstance instance(host);
  instance.run(EffectMain, PF_Cmd_GLOBAL_SETUP);
  instance.run(EffectMain, PF_Cmd_PARAMS_SETUP);
  instance.set_value("Mode", "3D Camera");
  PF_InData in_data = instance.make_in_data();
  PF_OutData out_data{};
  // The query reads "Mode" through a checkout, not through the array.
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        EffectMain(PF_Cmd_QUERY_DYNAMIC_FLAGS, &in_data, &out_data, nullptr, nullptr, nullptr));
  }
}
BENCHMARK(BM_QueryDynamicFlags);

}  // namespace
