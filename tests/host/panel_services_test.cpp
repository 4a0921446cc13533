// The host's side of the panel: parameter values set through the effect's
// streams, undo groups kept balanced, and a changed value the effect left
// without a handle.

#include <gtest/gtest.h>

#include <cmath>

#include "host/instance/effect_instance.h"
#include "host/instance/undo_history.h"
#include "host/plugin_module.h"
#include "host/scene/composition.h"
#include "host/sim_host.h"
#include "host_support/aegp_suite_handler.h"

namespace simhost {
namespace {

using nlohmann::json;

// The module's effect on a solid of a composition, its list set up.
class PanelServices : public ::testing::Test {
 protected:
  PanelServices() {
    comp.attach_effect(instance.effect_ref(), comp.add_layer(scene::LayerKind::solid, "Plate").id);
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP}) {
      EXPECT_EQ(instance.run(module, cmd), PF_Err_NONE);
    }
  }

  SimHost host;
  PluginModule module{TARVOLK_MODULE_PATH};
  scene::Composition comp{1280, 720, 24};
  EffectInstance instance{host};
};

AEGP_StreamVal2 one_d(double v) {
  AEGP_StreamVal2 val{};
  val.one_d = v;
  return val;
}
AEGP_StreamVal2 layer(AEGP_LayerIDVal id) {
  AEGP_StreamVal2 val{};
  val.layer_id = id;
  return val;
}

TEST_F(PanelServices, StreamValuesReachTheStoreOnlyWhenTheParameterTakesThem) {
  instance.set_value("Extrusion Length Back", {{"keyframes", {{0, 10}, {1, 20}}}});
  const struct {
    PF_ParamIndex slot;
    AEGP_StreamVal2 val;
    A_Err result;
    json stored;
  } cases[] = {
      {28, one_d(12), A_Err_NONE, 12.0},                 // "Stroke Width"
      {28, one_d(20000), A_Err_PARAMETER, 12.0},         // beyond its valid range
      {28, one_d(std::nan("")), A_Err_PARAMETER, 12.0},  //
      {20, one_d(2), A_Err_NONE, "Vanishing"},           // "Mode"
      {34, one_d(0), A_Err_NONE, false},                 // "Inherit Layer Color"
      {56, layer(1), A_Err_NONE, 1},                     // "Parent Layer"
      {56, layer(7), A_Err_PARAMETER, 1},                // no such layer
      {23,
       one_d(5),
       A_Err_PARAMETER,
       {{"keyframes", {{{"time", 0.0}, {"value", 10.0}}, {{"time", 1.0}, {"value", 20.0}}}}}},
  };
  PF_InData in_data = instance.make_in_data();
  {
    AEGP_SuiteHandler suites(in_data.pica_basicP);
    AEGP_EffectRefH effect = nullptr;
    suites.PFInterfaceSuite1()->AEGP_GetNewEffectForEffect(0, in_data.effect_ref, &effect);
    const AEGP_StreamSuite9* streams = suites.StreamSuite9();
    for (const auto& c : cases) {
      AEGP_StreamRefH stream = nullptr;
      ASSERT_EQ(streams->AEGP_GetNewEffectStreamByIndex(0, effect, c.slot, &stream), A_Err_NONE);
      AEGP_StreamValue2 value{stream, c.val};
      EXPECT_EQ(streams->AEGP_SetStreamValue(0, stream, &value), c.result) << c.slot;
      EXPECT_EQ(instance.value_json(c.slot), c.stored) << c.slot;
      streams->AEGP_DisposeStream(stream);
    }
    suites.EffectSuite3()->AEGP_DisposeEffect(effect);
  }
  EXPECT_EQ(host.balance_report(), "");
}

// An entry point that opens an undo group and never closes it.
PF_Err leaves_undo_group_open(PF_Cmd, PF_InData* in_data, PF_OutData*, PF_ParamDef**, PF_LayerDef*,
                              void*) {
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  return suites.UtilitySuite7()->AEGP_StartUndoGroup("Forgotten");
}

TEST_F(PanelServices, UndoGroupsFoldWhenNestedAndAnUnbalancedOneIsAMisuse) {
  {
    AEGP_SuiteHandler suites(host.basic_suite());
    const AEGP_UtilitySuite11* undo = suites.UtilitySuite11();
    EXPECT_EQ(undo->AEGP_StartUndoGroup("Outer"), A_Err_NONE);
    EXPECT_EQ(undo->AEGP_StartUndoGroup(nullptr), A_Err_NONE);
    undo_history(host).record("a change");
    EXPECT_EQ(undo->AEGP_EndUndoGroup(), A_Err_NONE);
    EXPECT_EQ(undo->AEGP_EndUndoGroup(), A_Err_NONE);
    EXPECT_FALSE(undo_history(host).group_open());
    EXPECT_EQ(undo->AEGP_EndUndoGroup(), A_Err_PARAMETER);
  }
  // A command without a parameter array, so that no value is copied through it.
  EXPECT_EQ(instance.run(leaves_undo_group_open, PF_Cmd_SMART_PRE_RENDER), PF_Err_NONE);
  EXPECT_EQ(instance.run(module, PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
  ASSERT_EQ(undo_history(host).entries().size(), 2u);
  EXPECT_EQ(undo_entry_text(undo_history(host).entries()[0]), "\"Outer\": a change");
  EXPECT_FALSE(undo_history(host).group_open());
  EXPECT_EQ(host.balance_report(),
            "misuse: end of an undo group that was not started\n"
            "misuse: undo group \"Forgotten\" left open by PF_Cmd_SMART_PRE_RENDER\n");
}

// A flagged value the effect left without a handle keeps the value it had.
TEST_F(PanelServices, AChangedValueWithoutAHandleIsRefused) {
  const json before = instance.value_json(39);
  {
    CommandParams params(instance, instance.make_in_data());
    PF_ParamDef& wheel = *params.list()[39];
    wheel.u.arb_d.value = nullptr;
    wheel.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
  }
  EXPECT_EQ(instance.value_json(39), before);
  EXPECT_EQ(host.balance_report(),
            "misuse: no handle announced as the new value of parameter \"Gradient Wheel\" (slot "
            "39)\n");
}

}  // namespace
}  // namespace simhost
