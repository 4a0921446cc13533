// One draw of the "Gradient Wheel" control: 360 gradient samples, the dial,
// the markers and the copy into a host handle, handed to the simulated
// host's Drawbot.

#include <benchmark/benchmark.h>

#include <vector>

#include "gradient_wheel/gradient_handle.h"
#include "gradient_wheel/gradient_ui.h"
#include "host/effect_instance.h"
#include "host/sim_host.h"
#include "host/suites/app_suite.h"
#include "host/suites/drawbot_canvas.h"

namespace {

void BM_DrawWheel(benchmark::State& state) {
  simhost::SimHost host;
  host.set_recording(false);
  simhost::EffectInstance instance(host, 83);
  std::vector<GradientPoint> stops;
  for (int i = 0; i < state.range(0); ++i) {
    stops.push_back({static_cast<double>(i) / static_cast<double>(state.range(0)), 1, 1, 0, 0});
  }
  const std::vector<std::byte> bytes = GradientBlob::encode(stops);
  instance.param(39).u.arb_d.value =
      host.new_kept_handle({reinterpret_cast<const unsigned char*>(bytes.data()),
                            reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size()});
  instance.param(40).u.sd.value = -1;
  instance.param(43).u.bd.value = static_cast<A_long>(state.range(1));
  simhost::DrawbotCanvas canvas(host, 350, 150, simhost::theme_background());
  PF_InData in_data = instance.make_in_data();
  PF_OutData out_data{};
  PF_EventExtra event{};
  event.contextH = canvas.context();
  event.e_type = PF_Event_DRAW;
  event.effect_win.index = 39;
  event.effect_win.area = PF_EA_CONTROL;
  event.effect_win.current_frame = {0, 0, 350, 150};
  for (auto _ : state) {
    JuceGradientParameter control(&in_data, &out_data, instance.param_list(), &event, 39);
    benchmark::DoNotOptimize(gradient_ui_handle_event(control));
  }
}
BENCHMARK(BM_DrawWheel)
    ->ArgNames({"stops", "interpolate"})
    ->Args({3, 1})
    ->Args({3, 0})
    ->Args({32, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
