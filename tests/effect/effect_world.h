#pragma once

// The effect, linked in so that tests can reach its internals and choose
// what the Windows layer reports, in a simulated host with a composition:
// set up through EffectMain as the host sets it up, with the user's changes
// as the host sends them and what they left in the host.

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <variant>

#include "effect/entry_point.h"
#include "effect/layer_outlines.h"
#include "effect/param_slots.h"
#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/instance/undo_history.h"
#include "host/scene/composition.h"
#include "host/scene/shape_contents.h"
#include "host/sim_host.h"
#include "host_api/aegp_suites.h"
#include "platform/shell32_record.h"
#include "platform/win32_hooks.h"
#include "tests/support/gradient_bytes.h"

namespace effect_test {

using nlohmann::json;
using namespace simhost::scene;

// Global and params setup done, the calls they made forgotten.
struct EffectWorld {
  EffectWorld() {
    PlatformHooks::reset();
    shell32_record::reset();
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP}) {
      EXPECT_EQ(run(cmd), PF_Err_NONE) << simhost::command_name(cmd);
    }
    host.clear_calls();
  }
  ~EffectWorld() { PlatformHooks::reset(); }

  PF_Err run(PF_Cmd cmd, void* extra = nullptr) { return instance.run(EffectMain, cmd, extra); }

  // The layer the effect sits on.
  Layer& effect_layer(LayerKind kind, int width = 1280, int height = 720) {
    Layer& layer = comp.add_layer(kind, "Effect layer");
    layer.width = instance.layer.width = width;
    layer.height = instance.layer.height = height;
    comp.attach_effect(instance.effect_ref(), layer.id);
    return layer;
  }

  // --- the panel -------------------------------------------------------------
  PF_Err update() { return run(PF_Cmd_UPDATE_PARAMS_UI); }
  // The user changed the slot, or pressed it.
  PF_Err change(PF_ParamIndex slot) {
    PF_UserChangedParamExtra extra{slot};
    return run(PF_Cmd_USER_CHANGED_PARAM, &extra);
  }
  void set(const std::string& name, const json& value) { instance.set_value(name, value); }
  void set(const json& values) {
    for (const auto& [name, value] : values.items()) set(name, value);
  }
  json value(PF_ParamIndex slot) { return instance.value_json(slot); }
  // Each of the values, by name, as expected.
  void expect_values(const json& expected, const std::string& when) {
    for (const auto& [name, value] : expected.items()) {
      EXPECT_EQ(instance.value_json(instance.find_param(name)), value) << name << " " << when;
    }
  }
  bool hidden(PF_ParamIndex slot) {
    return (instance.dynamic_stream_flags(slot) & AEGP_DynStreamFlag_HIDDEN) != 0;
  }
  bool twirl_closed(PF_ParamIndex slot) {
    return (instance.definition(slot).flags & PF_ParamFlag_COLLAPSE_TWIRLY) != 0;
  }
  Bytes wheel_bytes() {
    return host.handle_bytes(instance.definition(slot::gradient_wheel).u.arb_d.value);
  }
  std::vector<GradientPoint> stops() { return points_in(wheel_bytes()); }
  std::vector<simhost::UndoEntry> undo() { return simhost::undo_history(host).entries(); }
  // The slots PF_UpdateParamUI was called for, in order.
  std::vector<PF_ParamIndex> ui_updates() {
    std::vector<PF_ParamIndex> slots;
    for (const simhost::CallRecord& call : host.calls_of("PF_UpdateParamUI")) {
      slots.push_back(std::stoi(call.args.at(1)));
    }
    return slots;
  }

  // --- the layer's outlines --------------------------------------------------
  PF_InData in_data(PF_RationalScale ds_x = {1, 1}, PF_RationalScale ds_y = {0, 0}) {
    instance.layer.downsample_x = ds_x;
    instance.layer.downsample_y = ds_y.den == 0 ? ds_x : ds_y;
    return instance.make_in_data();
  }
  // As smart pre-render reads them: with copies of the parameters checked
  // out at the frame's time; the factor down is the one across unless given.
  PF_Err gather(SourceGeometry& out, PF_RationalScale ds_x = {1, 1},
                PF_RationalScale ds_y = {0, 0}) {
    const PF_InData in = in_data(ds_x, ds_y);
    PF_ParamDef copies[slot::count] = {};
    for (PF_ParamIndex index : {slot::mask_path, slot::use_all_paths}) {
      EXPECT_EQ(in.inter.checkout_param(in.effect_ref, index, in.current_time, in.time_step,
                                        in.time_scale, &copies[index]),
                PF_Err_NONE);
      EXPECT_EQ(in.inter.checkin_param(in.effect_ref, &copies[index]), PF_Err_NONE);
    }
    return gather_source_geometry(&in, copies, out);
  }

  simhost::SimHost host{simhost::CallRecording::on};
  Composition comp{1280, 720, 24};
  simhost::EffectInstance instance{host};
};

// The effect on a solid of `width` x `height` with its sequence set up, as
// the host sets it up before the panel opens.
struct PanelWorld : EffectWorld {
  explicit PanelWorld(int width = 1280, int height = 720) {
    effect_layer(LayerKind::solid, width, height);
    EXPECT_EQ(run(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    host.clear_calls();
  }
};

// A world whose accounting is checked after every test.
template <class World>
class WorldTest : public ::testing::Test {
 protected:
  void TearDown() override {
    w.host.clear_failures();
    EXPECT_EQ(w.host.balance_report(), "");
  }
  World w;
};
using EffectTest = WorldTest<EffectWorld>;
using PanelTest = WorldTest<PanelWorld>;

// A square with straight sides, corner at (x, y).
inline PathShape square(double x, double y, double size, bool closed = true) {
  return {{{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}}, closed};
}

// The alternative the outlines hold, or a failure and an empty one.
template <class Alternative>
const Alternative& holds(const SourceGeometry& geometry) {
  static const Alternative none{};
  EXPECT_TRUE(std::holds_alternative<Alternative>(geometry.value))
      << "alternative " << geometry.value.index();
  return std::holds_alternative<Alternative>(geometry.value) ? std::get<Alternative>(geometry.value)
                                                             : none;
}

}  // namespace effect_test
