#pragma once

// The effect loaded into the simulated host with its panel: the "Gradient
// Wheel" control in a 350 x 150 frame at the panel's top-left (ring centre
// at (169, 75), ring radius 63 panel pixels, 126 canvas pixels) and the info
// panel below it, events sent as the host sends them, and the accounting
// checked after every test.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "host/effect_instance.h"
#include "host/effect_panel.h"
#include "host/plugin_module.h"
#include "host/sim_host.h"
#include "host/suites/app_suite.h"
#include "host/suites/drawbot_canvas.h"
#include "tests/gradient/gradient_test_host.h"

namespace wheel_test {

constexpr PF_ParamIndex kInfoPanel = 2;
constexpr PF_ParamIndex kWheel = 39;
constexpr PF_ParamIndex kPtSelect = 40;
constexpr PF_ParamIndex kPointAngle = 41;
constexpr PF_ParamIndex kGlobalOffset = 42;
constexpr PF_ParamIndex kInterpolate = 43;

inline GradientPoint stop(double position, float red, float green, float blue) {
  return {position, 1.0f, red, green, blue};
}

// Stands in for the host's "PF Param Utils Suite" until the host serves it:
// PF_UpdateParamUI writes the value and UI flags into the instance's slot.
inline PF_Err update_param_ui(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef* def) {
  simhost::EffectInstance* instance = simhost::EffectInstance::from_ref(effect_ref);
  if (instance == nullptr || def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  PF_ParamDef& param = instance->param(index);
  param.ui_flags = def->ui_flags;
  param.u = def->u;
  return PF_Err_NONE;
}
inline const PF_ParamUtilsSuite3 param_utils_suite{update_param_ui, nullptr, nullptr};

class PanelTest : public ::testing::Test {
 protected:
  PanelTest() {
    host.register_suite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, &param_utils_suite);
    // The parameters the controls read, as params setup declares them.
    PF_ParamDef& wheel = instance.param(kWheel);
    wheel.param_type = PF_Param_ARBITRARY_DATA;
    wheel.ui_flags = PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL;
    wheel.u.arb_d.id = 32;
    instance.param(kPtSelect).param_type = PF_Param_SLIDER;
    instance.param(kPtSelect).u.sd.value = -1;
    instance.param(kPointAngle).param_type = PF_Param_ANGLE;
    instance.param(kGlobalOffset).param_type = PF_Param_ANGLE;
    instance.param(kInterpolate).param_type = PF_Param_CHECKBOX;
    instance.param(kInterpolate).u.bd.value = 1;
    set_value(default_blob());
    EXPECT_EQ(instance.run(module, PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    host.clear_calls();
  }

  void TearDown() override {
    host.clear_failures();
    EXPECT_EQ(instance.run(module, PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);
    EXPECT_EQ(host.balance_report(), "");
  }

  // --- the value --------------------------------------------------------------
  void set_value(const Bytes& bytes) {
    PF_ParamDef& wheel = instance.param(kWheel);
    if (wheel.u.arb_d.value != nullptr) host.dispose_kept_handle(wheel.u.arb_d.value);
    wheel.u.arb_d.value = host.new_kept_handle(bytes);
  }
  void set_stops(const std::vector<GradientPoint>& stops) {
    set_value(blob(static_cast<std::uint32_t>(24 * stops.size()), stops, 1));
  }
  PF_Handle value() { return instance.param(kWheel).u.arb_d.value; }
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
    return after_event(panel.click(wheel_control, p, num_clicks));
  }
  PF_Err drag(PF_Point p, bool last = false) { return after_event(panel.drag(p, last)); }
  PF_Err draw_wheel() { return panel.draw(wheel_control); }
  // What the effect left in the event record.
  const PF_EventExtra& event() { return panel.last_event(); }
  bool value_changed() { return changed_; }

  // --- the host's side of a command's parameter changes ---------------------
  PF_Err after_event(PF_Err err) {
    PF_ParamDef& wheel = instance.param(kWheel);
    changed_ = (wheel.uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) != 0;
    wheel.uu.change_flags = 0;
    if (changed_) host.keep_handle(wheel.u.arb_d.value);
    return err;
  }

  simhost::SimHost host;
  simhost::PluginModule module{TARVOLK_MODULE_PATH};
  simhost::EffectInstance instance{host, 83};
  simhost::DrawbotCanvas canvas{host, 350, 240, simhost::theme_background()};
  simhost::EffectPanel panel{instance, module, canvas};
  simhost::PanelControl wheel_control{kWheel, {0, 0, 350, 150}, PF_EA_CONTROL};
  simhost::PanelControl info_control{kInfoPanel, {0, 160, 277, 228}, PF_EA_CONTROL};

 private:
  bool changed_ = false;
};

// The canvas compared with a reviewed picture in tests/wheel/golden; with
// TARVOLK_UPDATE_GOLDEN=1 the picture is written instead. Empty when they
// match within the tolerance.
std::string compare_with_golden(const simhost::DrawbotCanvas& canvas, const std::string& name);

}  // namespace wheel_test
