// One draw of the "Gradient Wheel" control: 360 gradient samples, the dial,
// the markers and the copy into a host handle, handed to the simulated
// host's Drawbot.

#include <benchmark/benchmark.h>

#include <vector>

#include "effect/entry_point.h"
#include "host/instance/effect_instance.h"
#include "host/sim_host.h"
#include "host/suites/app_suite.h"
#include "host/suites/drawbot_canvas.h"

namespace {

void BM_DrawWheel(benchmark::State& state) {
  simhost::SimHost host;
  host.set_recording(false);
  simhost::EffectInstance instance(host);
  instance.run(EffectMain, PF_Cmd_GLOBAL_SETUP);
  instance.run(EffectMain, PF_Cmd_PARAMS_SETUP);
  nlohmann::json stops = nlohmann::json::array();
  for (int i = 0; i < state.range(0); ++i) {
    stops.push_back({static_cast<double>(i) / static_cast<double>(state.range(0)), 1, 0, 0});
  }
  instance.set_value(39, {{"stops", stops}});
  instance.set_value(43, state.range(1) != 0);
  simhost::DrawbotCanvas canvas(host, 350, 150, simhost::theme_background());
  PF_EventExtra event{};
  event.contextH = canvas.context();
  event.e_type = PF_Event_DRAW;
  event.effect_win.index = 39;
  event.effect_win.area = PF_EA_CONTROL;
  event.effect_win.current_frame = {0, 0, 350, 150};
  for (auto _ : state) {
    benchmark::DoNotOptimize(instance.run(EffectMain, PF_Cmd_EVENT, &event));
  }
}
BENCHMARK(BM_DrawWheel)
    ->ArgNames({"stops", "interpolate"})
    ->Args({3, 1})
    ->Args({3, 0})
    ->Args({32, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
