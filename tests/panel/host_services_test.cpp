// The host's side of the panel: parameter values set through streams, undo
// groups kept balanced, and what it refuses of a command's array.

#include <cmath>

#include "host_support/aegp_suite_handler.h"
#include "tests/panel/panel_world.h"

namespace panel_test {
namespace {

// The effect's AEGP reference and the suites, as the effect's commands take them.
struct Aegp {
  explicit Aegp(PanelWorld& world) : in_data(world.instance.make_in_data()) {
    suites.PFInterfaceSuite1()->AEGP_GetNewEffectForEffect(0, in_data.effect_ref, &effect);
  }
  ~Aegp() { suites.EffectSuite3()->AEGP_DisposeEffect(effect); }

  A_Err set(PF_ParamIndex slot, const AEGP_StreamVal2& val) {
    const AEGP_StreamSuite9* streams = suites.StreamSuite9();
    AEGP_StreamRefH stream = nullptr;
    EXPECT_EQ(streams->AEGP_GetNewEffectStreamByIndex(0, effect, slot, &stream), A_Err_NONE);
    AEGP_StreamValue2 value{stream, val};
    const A_Err err = streams->AEGP_SetStreamValue(0, stream, &value);
    streams->AEGP_DisposeStream(stream);
    return err;
  }

  PF_InData in_data;
  AEGP_SuiteHandler suites{in_data.pica_basicP};
  AEGP_EffectRefH effect = nullptr;
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

TEST_F(PanelTest, StreamValuesReachTheStoreOnlyWhenTheParameterTakesThem) {
  w.set("Extrusion Length Back", {{"keyframes", {{0, 10}, {1, 20}}}});
  struct Case {
    PF_ParamIndex slot;
    AEGP_StreamVal2 val;
    A_Err result;
    json stored;
  };
  const Case cases[] = {
      {slot::stroke_width, one_d(12), A_Err_NONE, 12.0},
      {slot::stroke_width, one_d(20000), A_Err_PARAMETER, 12.0},  // beyond its valid range
      {slot::stroke_width, one_d(std::nan("")), A_Err_PARAMETER, 12.0},
      {slot::mode, one_d(2), A_Err_NONE, "Vanishing"},
      {slot::inherit_layer_color, one_d(0), A_Err_NONE, false},
      {slot::parent_layer, layer(1), A_Err_NONE, 1},
      {slot::parent_layer, layer(7), A_Err_PARAMETER, 1},  // no such layer
      {slot::extrusion_length_back,
       one_d(5),
       A_Err_PARAMETER,
       {{"keyframes", {{0.0, 10.0}, {1.0, 20.0}}}}},
  };
  Aegp aegp(w);
  for (const Case& c : cases) {
    EXPECT_EQ(aegp.set(c.slot, c.val), c.result) << c.slot;
    EXPECT_EQ(w.value(c.slot), c.stored) << c.slot;
  }
}

// An entry point that opens an undo group and never closes it.
PF_Err leaves_undo_group_open(PF_Cmd, PF_InData* in_data, PF_OutData*, PF_ParamDef**, PF_LayerDef*,
                              void*) {
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  return suites.UtilitySuite7()->AEGP_StartUndoGroup("Forgotten");
}

TEST(UndoHistory, GroupsFoldWhenNestedAndAnUnbalancedOneIsAMisuse) {
  PanelWorld world;
  {
    AEGP_SuiteHandler suites(world.host.basic_suite());
    const AEGP_UtilitySuite11* undo = suites.UtilitySuite11();
    EXPECT_EQ(undo->AEGP_StartUndoGroup("Outer"), A_Err_NONE);
    EXPECT_EQ(undo->AEGP_StartUndoGroup(nullptr), A_Err_NONE);
    simhost::undo_history(world.host).record("a change");
    EXPECT_EQ(undo->AEGP_EndUndoGroup(), A_Err_NONE);
    EXPECT_EQ(undo->AEGP_EndUndoGroup(), A_Err_NONE);
    EXPECT_FALSE(simhost::undo_history(world.host).group_open());
    EXPECT_EQ(undo->AEGP_EndUndoGroup(), A_Err_PARAMETER);
  }
  // A command without a parameter array, so that no value is copied through it.
  EXPECT_EQ(world.instance.run(leaves_undo_group_open, PF_Cmd_SMART_PRE_RENDER), PF_Err_NONE);
  EXPECT_EQ(world.run(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
  ASSERT_EQ(world.undo().size(), 2u);
  EXPECT_EQ(simhost::undo_entry_text(world.undo()[0]), "\"Outer\": a change");
  EXPECT_FALSE(simhost::undo_history(world.host).group_open());
  EXPECT_EQ(world.host.balance_report(),
            "misuse: end of an undo group that was not started\n"
            "misuse: undo group \"Forgotten\" left open by PF_Cmd_SMART_PRE_RENDER\n");
}

// A flagged value the effect left without a handle keeps the value it had.
TEST(CommandArray, AChangedValueWithoutAHandleIsRefused) {
  PanelWorld world;
  const std::vector<unsigned char> before = world.wheel_bytes();
  {
    simhost::CommandParams params(world.instance, world.instance.make_in_data());
    PF_ParamDef& wheel = *params.list()[slot::gradient_wheel];
    wheel.u.arb_d.value = nullptr;
    wheel.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
  }
  EXPECT_EQ(world.wheel_bytes(), before);
  EXPECT_EQ(world.host.balance_report(),
            "misuse: no handle announced as the new value of parameter \"Gradient Wheel\" (slot "
            "39)\n");
}

// An array shorter than the effect's list is refused, not read past its end.
TEST(CommandArray, PanelCommandsRefuseAShortArray) {
  PanelWorld world;
  PF_InData in_data = world.instance.make_in_data();
  in_data.num_params = slot::count - 1;
  PF_OutData out_data{};
  simhost::CommandParams params(world.instance, in_data);
  PF_UserChangedParamExtra extra{slot::reset_style};
  EXPECT_EQ(
      EffectMain(PF_Cmd_UPDATE_PARAMS_UI, &in_data, &out_data, params.list(), nullptr, nullptr),
      PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(
      EffectMain(PF_Cmd_USER_CHANGED_PARAM, &in_data, &out_data, params.list(), nullptr, &extra),
      PF_Err_BAD_CALLBACK_PARAM);
  params.finish();
  EXPECT_EQ(world.host.balance_report(), "");
}

}  // namespace
}  // namespace panel_test
