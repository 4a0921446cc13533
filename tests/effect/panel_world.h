#pragma once

// The effect on a solid layer of a composition, set up through its entry
// point (linked in) as the host sets it up before the panel opens, with the
// user's changes as the host sends them and what they left in the host.

#include <gtest/gtest.h>

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "effect/entry_point.h"
#include "effect/param_slots.h"
#include "gradient_wheel/gradient_value.h"
#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/instance/undo_history.h"
#include "host/scene/composition.h"
#include "host/sim_host.h"
#include "host_api/aegp_suites.h"
#include "platform/shell32_record.h"

namespace panel_test {

using nlohmann::json;

struct PanelWorld {
  explicit PanelWorld(int width = 1280, int height = 720) {
    shell32_record::reset();
    simhost::scene::Layer& plate = comp.add_layer(simhost::scene::LayerKind::Solid, "Plate");
    plate.width = width;
    plate.height = height;
    comp.attach_effect(instance.effect_ref(), plate.id);
    instance.layer.width = width;
    instance.layer.height = height;
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP}) {
      EXPECT_EQ(run(cmd), PF_Err_NONE) << simhost::command_name(cmd);
    }
    host.clear_calls();
  }

  PF_Err run(PF_Cmd cmd, void* extra = nullptr) { return instance.run(EffectMain, cmd, extra); }
  PF_Err update() { return run(PF_Cmd_UPDATE_PARAMS_UI); }
  // The user changed the slot, or pressed it.
  PF_Err change(PF_ParamIndex slot) {
    PF_UserChangedParamExtra extra{slot};
    return run(PF_Cmd_USER_CHANGED_PARAM, &extra);
  }
  void set(const std::string& name, const json& value) { instance.set_value(name, value); }
  json value(PF_ParamIndex slot) { return instance.value_json(slot); }

  bool hidden(PF_ParamIndex slot) {
    return (instance.dynamic_stream_flags(slot) & AEGP_DynStreamFlag_HIDDEN) != 0;
  }
  bool twirl_closed(PF_ParamIndex slot) {
    return (instance.definition(slot).flags & PF_ParamFlag_COLLAPSE_TWIRLY) != 0;
  }
  std::vector<unsigned char> wheel_bytes() {
    return host.handle_bytes(instance.definition(slot::gradient_wheel).u.arb_d.value);
  }
  std::vector<GradientPoint> stops() {
    const std::vector<unsigned char> bytes = wheel_bytes();
    return GradientBlob::decode(std::as_bytes(std::span(bytes)));
  }
  std::vector<simhost::UndoEntry> undo() { return simhost::undo_history(host).entries(); }

  // The calls the effect made during `command`, suites' acquisitions aside.
  std::vector<simhost::CallRecord> calls_during(const std::string& command) {
    std::vector<simhost::CallRecord> made;
    for (const simhost::CallRecord& call : host.calls()) {
      if (call.command == command && call.function != "AcquireSuite" &&
          call.function != "ReleaseSuite") {
        made.push_back(call);
      }
    }
    return made;
  }
  // The slots PF_UpdateParamUI was called for, in order.
  std::vector<PF_ParamIndex> ui_updates() {
    std::vector<PF_ParamIndex> slots;
    for (const simhost::CallRecord& call : host.calls_of("PF_UpdateParamUI")) {
      slots.push_back(std::stoi(call.args.at(1)));
    }
    return slots;
  }

  simhost::SimHost host;
  simhost::scene::Composition comp{1280, 720, 24};
  simhost::EffectInstance instance{host};
};

// A world whose accounting is checked after every test.
class PanelTest : public ::testing::Test {
 protected:
  void TearDown() override {
    w.host.clear_failures();
    EXPECT_EQ(w.host.balance_report(), "");
  }
  PanelWorld w;
};

}  // namespace panel_test
