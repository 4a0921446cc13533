#pragma once

// The effect loaded into the simulated host, its parameters declared, with
// its panel: the "Gradient
// Wheel" control in a 350 x 150 frame at the panel's top-left (ring centre
// at (169, 75), ring radius 63 panel pixels, 126 canvas pixels) and the info
// panel below it, events sent as the host sends them, and the accounting
// checked after every test.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "host/instance/effect_instance.h"
#include "host/instance/effect_panel.h"
#include "host/plugin_module.h"
#include "host/sim_host.h"
#include "host/suites/app_suite.h"
#include "host/suites/drawbot_canvas.h"
#include "tests/support/golden_picture.h"
#include "tests/support/gradient_bytes.h"

namespace wheel_test {

constexpr PF_ParamIndex info_panel_slot = 2;
constexpr PF_ParamIndex wheel_slot = 39;
constexpr PF_ParamIndex point_select_slot = 40;
constexpr PF_ParamIndex point_angle_slot = 41;
constexpr PF_ParamIndex global_offset_slot = 42;
constexpr PF_ParamIndex interpolate_slot = 43;

inline GradientPoint stop(double position, float red, float green, float blue) {
  return {position, 1.0f, red, green, blue};
}

class PanelTest : public ::testing::Test {
 protected:
  PanelTest() {
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP}) {
      EXPECT_EQ(instance.run(module, cmd), PF_Err_NONE);
    }
    host.clear_calls();
  }

  void TearDown() override {
    host.clear_failures();
    EXPECT_EQ(instance.run(module, PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);
    EXPECT_EQ(host.balance_report(), "");
  }

  // --- the value --------------------------------------------------------------
  // A saved value, damaged or not, as the host would load it.
  void set_value(const Bytes& bytes) { instance.unflatten_value(wheel_slot, bytes); }
  void set_stops(const std::vector<GradientPoint>& stops) { set_value(saved_value(stops)); }
  PF_Handle value() { return instance.definition(wheel_slot).u.arb_d.value; }
  std::vector<GradientPoint> stops() { return points_in(host.handle_bytes(value())); }

  // --- events -------------------------------------------------------------------
  // Panel point at `turns` round the ring (0 below the centre, 0.25 right),
  // `from_centre` canvas pixels from the centre, to the nearest panel pixel.
  static PF_Point ring_point(double turns, double from_centre = 126) {
    const double a = 2 * std::numbers::pi * turns;
    return {static_cast<A_long>(std::lround(169 + from_centre / 2 * std::sin(a))),
            static_cast<A_long>(std::lround(75 + from_centre / 2 * std::cos(a)))};
  }

  PF_Err click(PF_Point p, A_long num_clicks = 1) {
    const PF_Handle before = value();
    const PF_Err err = panel.click(wheel_control, p, num_clicks);
    changed_ = value() != before;
    return err;
  }
  PF_Err drag(PF_Point p, bool last = false) {
    const PF_Handle before = value();
    const PF_Err err = panel.drag(p, last);
    changed_ = value() != before;
    return err;
  }
  PF_Err draw_wheel() { return panel.draw(wheel_control); }
  // What the effect left in the event record.
  const PF_EventExtra& event() { return panel.last_event(); }
  // Whether the last click or drag announced a new value: the host then
  // stores the event's handle in place of the value it had.
  bool value_changed() { return changed_; }
  PF_ParamDef param(PF_ParamIndex slot) { return instance.definition(slot); }
  // The calls the effect made during events (not the host's own copies of
  // the value through the arbitrary-data callbacks).
  std::vector<simhost::CallRecord> event_calls_of(const std::string& function) {
    std::vector<simhost::CallRecord> calls;
    for (const simhost::CallRecord& call : host.calls_of(function)) {
      if (call.command == "PF_Cmd_EVENT") calls.push_back(call);
    }
    return calls;
  }

  simhost::SimHost host{simhost::CallRecording::on};
  simhost::PluginModule module{TARVOLK_MODULE_PATH};
  simhost::EffectInstance instance{host};
  simhost::DrawbotCanvas canvas{host, 350, 240, simhost::theme_background()};
  simhost::EffectPanel panel{instance, module, canvas};
  simhost::PanelControl wheel_control{wheel_slot, {0, 0, 350, 150}, PF_EA_CONTROL};
  simhost::PanelControl info_control{info_panel_slot, {0, 160, 277, 228}, PF_EA_CONTROL};

 private:
  bool changed_ = false;
};

// The canvas compared with a reviewed picture in tests/module/golden (a
// channel may differ by 6, as fonts and filters round, on at most 0.2 % of
// the pixels); empty when they match.
inline std::string compare_with_golden(const simhost::DrawbotCanvas& canvas,
                                       const std::string& name) {
  // Cairo keeps premultiplied ARGB words; the picture is straight RGBA.
  simhost::RgbaImage image{canvas.width(), canvas.height(), {}};
  for (const std::uint32_t argb : canvas.argb()) {
    const unsigned alpha = argb >> 24;
    for (const int shift : {16, 8, 0}) {
      const unsigned c = (argb >> shift) & 255;
      image.rgba.push_back(static_cast<uint8_t>(alpha == 0 ? 0 : (c * 255 + alpha / 2) / alpha));
    }
    image.rgba.push_back(static_cast<uint8_t>(alpha));
  }
  return simhost::test::compare_with_golden(image, name, 6, 0.002);
}

}  // namespace wheel_test
