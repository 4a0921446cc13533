// The host's parameter values on the module's list: values set from their
// JSON forms and refused, keyframes interpolated by the host and (the
// arbitrary value) by the effect, points at the layer's downsampling, saved
// values, the arrays commands get, what the host takes back from them and
// what PF_UpdateParamUI takes over.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/sim_host.h"
#include "host_api/ae_effect_suites.h"
#include "tests/support/gradient_bytes.h"

namespace simhost {
namespace {

using nlohmann::json;

// The module's effect with its list on a 1000 x 500 layer, the balance
// checked after every test.
class ParamValues : public ::testing::Test {
 protected:
  ParamValues() {
    instance.layer = {1000, 500, {1, 2}, {1, 4}};
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP}) {
      EXPECT_EQ(instance.run(module, cmd), PF_Err_NONE);
    }
  }
  void TearDown() override {
    host.clear_failures();
    EXPECT_EQ(host.balance_report(), "");
  }

  // A checkout at a time in 1/24 s, checked in at once; arbitrary values
  // are read before the check-in disposes of them.
  PF_ParamDef value_at(PF_ParamIndex slot, A_long time, Bytes* arbitrary_bytes = nullptr) {
    PF_InData in_data = instance.make_in_data();
    PF_ParamDef def{};
    EXPECT_EQ(in_data.inter.checkout_param(in_data.effect_ref, slot, time, 1, 24, &def),
              PF_Err_NONE);
    if (arbitrary_bytes != nullptr) *arbitrary_bytes = host.handle_bytes(def.u.arb_d.value);
    EXPECT_EQ(in_data.inter.checkin_param(in_data.effect_ref, &def), PF_Err_NONE);
    return def;
  }

  SimHost host;
  PluginModule module{TARVOLK_MODULE_PATH};
  EffectInstance instance{host};
};

TEST_F(ParamValues, RefusedValuesNameTheParameterAndStoreNothing) {
  // "Stroke Width" 20000: tarvolk-host panel's test.
  const struct {
    const char* param;
    json value;
    const char* message;
  } cases[] = {
      {"Nope", 1, "parameter \"Nope\": there is no such parameter"},
      {"0", 1, "parameter slot 0: there is no such parameter"},
      {"Stroke Width", "wide", "parameter \"Stroke Width\" (slot 28): \"wide\" is not a number"},
      {"Mode", "Sideways", "\"Sideways\" is not one of \"Directional|Vanishing|3D Camera\""},
      {"Mode", 4, "4 is outside the items 1 to 3"},
      {"Mode", {{"keyframes", {{0, 1}, {1, 2}}}}, "\"Mode\" (slot 20): it cannot vary over time"},
      {"Number of Side Fill Colors", 2.5, "2.5 is not an integer"},
      {"Stroke Color", {256, 0, 0}, "has a channel outside 0 to 255"},
      {"Vanishing Point", {1}, "[1] is not a point [x, y]"},
      {"Vanishing Point", {40000, 0}, "beyond what 16.16 fixed point holds"},
      {"Inner Tarvolk", 1, "1 is not true or false"},
      {"Reset Style", true, "\"Reset Style\" (slot 31): it has no value to set"},
      {"Parent Layer", -1, "-1 is not a layer id"},
      {"Gradient Wheel", {{"stops", {{0, 2, 0, 0}}}}, "has a channel outside 0 to 1"},
      {"Gradient Wheel", 5, "is not {\"stops\": [...]} or {\"flat\": \"hex\"}"},
      {"Stroke Width", {{"keyframes", {{0, 1}, {0, 2}}}}, "two keyframes at 0 s"},
      {"Stroke Width", {{"keyframes", json::array()}}, "is not {\"keyframes\""},
      {"Number of Side Fill Colors", 6, "6 is outside the valid range 1 to 5"},
      {"Style", 1, "\"Style\" (slot 19): it has no value to set"},
      {"Stroke Width", {{"keyframes", {{0, 1}, {1, 20000}}}}, "20000 is outside"},
  };
  const json before_width = instance.value_json(28), before_wheel = instance.value_json(39);
  for (const auto& c : cases) {
    try {
      instance.set_value(c.param, c.value);
      ADD_FAILURE() << c.param << " = " << c.value << " accepted";
    } catch (const ParamValueError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(instance.value_json(28), before_width);
  EXPECT_EQ(instance.value_json(39), before_wheel);
  EXPECT_EQ(instance.value_json(20), "Directional");
}

TEST_F(ParamValues, ValuesSetInTheirJsonForms) {
  const struct {
    const char* param;
    json value, stored;
  } cases[] = {
      {"Mode", "Vanishing", "Vanishing"},
      {"Mode", 3, "3D Camera"},
      {"Stroke Width", 12.5, 12.5},
      {"Extrusion Direction", -45, -45.0},
      {"Vanishing Point", {100.5, -20}, {100.5, -20.0}},  // stored at the layer's full size
      {"Stroke Color", {10, 20, 30}, {255, 10, 20, 30}},
      {"Stroke Color", {128, 10, 20, 30}, {128, 10, 20, 30}},
      {"Inner Tarvolk", true, true},
      {"Use All Paths", false, false},  // an unnamed checkbox, by its label
      {"Number of Side Fill Colors", 5, 5},
      {"Parent Layer", 7, 7},
      {"Mask Path", 3, 3},
      {"40", -1, -1},  // by slot
      {"Stroke Width",
       {{"keyframes", {{1, 3}, {0, 4.5}}}},
       {{"keyframes", {{{"time", 0.0}, {"value", 4.5}}, {{"time", 1.0}, {"value", 3.0}}}}}},
      {"Gradient Wheel", {{"flat", "0000000000"}}, {{"flat", "0000000000"}}},
  };
  for (const auto& c : cases) {
    instance.set_value(c.param, c.value);
    EXPECT_EQ(instance.value_json(instance.find_param(c.param)), c.stored)
        << c.param << " = " << c.value;
  }
}

// The host interpolates numbers, angles, points, colours and integer
// sliders linearly and holds a checkbox until its next keyframe; before the
// first and after the last keyframe the value holds. Points are handed out
// at the layer's downsampling, x 1/2 and y 1/4.
TEST_F(ParamValues, KeyframesInterpolateNumbersAndHoldTheRest) {
  using Read = double (*)(const PF_ParamDef&);
  const Read fs = [](const PF_ParamDef& d) { return d.u.fs_d.value; };
  const Read degrees = [](const PF_ParamDef& d) { return d.u.ad.value / 65536.0; };
  const Read x = [](const PF_ParamDef& d) { return d.u.td.x_value / 65536.0; };
  const Read y = [](const PF_ParamDef& d) { return d.u.td.y_value / 65536.0; };
  const Read green = [](const PF_ParamDef& d) { return double(d.u.cd.value.green); };
  const Read slider = [](const PF_ParamDef& d) { return double(d.u.sd.value); };
  const Read checkbox = [](const PF_ParamDef& d) { return double(d.u.bd.value); };
  const json width = {{0, 2}, {1, 12}}, point = {{0, {0, 0}}, {1, {100, 50}}},
             flag = {{0, false}, {1, true}};
  const struct {
    const char* param;
    json keyframes;
    A_long time;  // in 1/24 s
    Read read;
    double expected;
  } cases[] = {
      {"Stroke Width", width, 6, fs, 4.5},
      {"Stroke Width", width, -24, fs, 2},
      {"Stroke Width", width, 48, fs, 12},
      {"Extrusion Direction", {{0, 0}, {2, 90}}, 24, degrees, 45},
      {"Vanishing Point", point, 12, x, 25},
      {"Vanishing Point", point, 12, y, 6.25},
      {"Stroke Color", {{0, {0, 0, 0}}, {1, {255, 255, 0}}}, 12, green, 128},
      {"Number of Side Fill Colors", {{0, 1}, {1, 5}}, 12, slider, 3},
      {"Inner Tarvolk", flag, 23, checkbox, 0},
      {"Inner Tarvolk", flag, 24, checkbox, 1},
  };
  for (const auto& c : cases) {
    instance.set_value(c.param, {{"keyframes", c.keyframes}});
    EXPECT_DOUBLE_EQ(c.read(value_at(instance.find_param(c.param), c.time)), c.expected)
        << c.param << " at " << c.time;
  }
}

// Between keyframes the effect's own interpolation makes the value; a
// damaged saved keyframe is read safely.
TEST_F(ParamValues, GradientKeyframesInterpolateThroughTheEffect) {
  const auto one_stop = [](double position, double red, double blue) {
    return json{{"stops", {{position, red, 0, blue}}}};
  };
  instance.set_value("Gradient Wheel",
                     {{"keyframes", {{0, one_stop(0.1, 1, 0)}, {1, one_stop(0.3, 0, 1)}}}});
  host.set_recording(true);
  Bytes bytes;
  value_at(39, 12, &bytes);
  const std::vector<GradientPoint> stops = points_in(bytes);
  ASSERT_EQ(stops.size(), 1u);
  EXPECT_NEAR(stops[0].position, 0.2, 1e-12);
  EXPECT_FLOAT_EQ(stops[0].red, 0.5f);
  EXPECT_FLOAT_EQ(stops[0].blue, 0.5f);
  // The effect interpolates without checking out values of its own.
  EXPECT_EQ(host.calls_of("checkout_param").size(), 1u);

  instance.set_value(
      "Gradient Wheel",
      {{"keyframes", {{0, {{"flat", "ffffff7f010203"}}}, {1, one_stop(0.3, 0, 1)}}}});
  value_at(39, 12, &bytes);
  value_at(39, 0, &bytes);
  EXPECT_EQ(bytes, (Bytes{0xff, 0xff, 0xff, 0x7f, 1, 2, 3}));
}

TEST_F(ParamValues, SavedGradientValuesRoundTrip) {
  const Bytes saved = instance.flatten_value(39);
  EXPECT_EQ(saved, default_blob());
  const Bytes two_stops = blob(48, {{0.5, 0, 0, 0, 0}, {0.25, 0, 0, 0, 0}});  // no trailing byte
  for (const Bytes& bytes : {two_stops, Bytes{1, 2, 3}, Bytes{}, saved}) {
    instance.unflatten_value(39, bytes);
    EXPECT_EQ(instance.flatten_value(39), bytes);
    Bytes checked_out;
    value_at(39, 0, &checked_out);
    EXPECT_EQ(checked_out, bytes);
  }
}

// Points are added at the layer's size and handed out at its downsampling,
// each direction by its own factor; in-data tells both.
TEST_F(ParamValues, PointsFollowTheLayerAndItsDownsampling) {
  EXPECT_EQ(instance.value_json(25), json({800.0, 400.0}));
  const PF_ParamDef point = value_at(25, 0);
  EXPECT_EQ(point.u.td.x_value, 400 << 16);
  EXPECT_EQ(point.u.td.y_value, 100 << 16);
  const PF_InData in_data = instance.make_in_data();
  EXPECT_EQ(in_data.width, 1000);
  EXPECT_EQ(in_data.height, 500);
  EXPECT_EQ(in_data.extent_hint.right, 500);
  EXPECT_EQ(in_data.extent_hint.bottom, 125);
  EXPECT_EQ(in_data.downsample_x.den, 2u);
  EXPECT_EQ(in_data.downsample_y.den, 4u);
}

// --- what commands do with their arrays ---------------------------------------------

// Stands for the effect in user-changed-param commands, forwarding every
// other command (the value callbacks among them) to the module.
std::function<void(PF_InData*, PF_ParamDef**)> user_change;
PF_EffectMainPtr module_main = nullptr;

PF_Err scripted_effect_main(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                            PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
  if (cmd == PF_Cmd_USER_CHANGED_PARAM) {
    user_change(in_data, params);
    return PF_Err_NONE;
  }
  return module_main(cmd, in_data, out_data, params, output, extra);
}

class CommandArrays : public ParamValues {
 protected:
  CommandArrays() { module_main = module.entry(); }
  PF_Err user_changed(std::function<void(PF_InData*, PF_ParamDef**)> script) {
    user_change = std::move(script);
    PF_UserChangedParamExtra extra{20};
    return instance.run(scripted_effect_main, PF_Cmd_USER_CHANGED_PARAM, &extra);
  }
  // A new handle holding these bytes, made as the effect makes its own.
  static PF_Handle new_value(PF_InData* in_data, const Bytes& bytes) {
    PF_Handle h = in_data->utils->host_new_handle(bytes.size());
    std::memcpy(*h, bytes.data(), bytes.size());
    return h;
  }
};

// Only announced changes are taken. The panel's commands see the layer at
// full size whatever resolution frames are made at, so a point written there
// is stored as written.
TEST_F(CommandArrays, OnlyAnnouncedChangesAreTakenInFullSizePixels) {
  instance.layer.downsample_x = {1, 2};
  instance.layer.downsample_y = {1, 2};
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(user_changed([](PF_InData*, PF_ParamDef** params) {
                // Change flags start cleared, not as the persistent id.
                EXPECT_EQ(params[20]->uu.change_flags, 0);
                EXPECT_EQ(params[23]->uu.change_flags, 0);
                params[28]->u.fs_d.value = 7;  // unannounced
                params[23]->u.fs_d.value = 50;
                params[57]->u.td.x_value = 100 << 16;
                params[57]->u.td.y_value = 10 << 16;
                params[23]->uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
                params[57]->uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
              }),
              PF_Err_NONE);
  }
  EXPECT_EQ(instance.value_json(28), 2.0);
  EXPECT_EQ(instance.value_json(23), 50.0);
  EXPECT_EQ(instance.value_json(57), json({100.0, 10.0}));
}

// Whether the effect disposes of the handle it replaces or not, nothing
// leaks and nothing is freed twice; an unannounced new handle stays the
// effect's and shows as not given back.
TEST_F(CommandArrays, ArbitraryHandlesChangeOwnerOnlyWhenAnnounced) {
  const Bytes written(5, 0);
  const struct {
    const char* what;
    bool dispose_old, in_place;
  } cases[] = {{"disposes of the old one", true, false},
               {"keeps the old one", false, false},
               {"writes into the handle", false, true}};
  for (const auto& c : cases) {
    instance.unflatten_value(39, Bytes(77, 1));
    ASSERT_EQ(user_changed([&](PF_InData* in_data, PF_ParamDef** params) {
                PF_Handle& value = params[39]->u.arb_d.value;
                if (c.in_place) {
                  in_data->utils->host_resize_handle(written.size(), &value);
                  std::memcpy(*value, written.data(), written.size());
                } else {
                  if (c.dispose_old) in_data->utils->host_dispose_handle(value);
                  value = new_value(in_data, written);
                }
                params[39]->uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
              }),
              PF_Err_NONE);
    EXPECT_EQ(instance.flatten_value(39), written) << c.what;
    EXPECT_EQ(host.balance_report(), "") << c.what;
  }

  PF_Handle unannounced = nullptr;
  ASSERT_EQ(user_changed([&](PF_InData* in_data, PF_ParamDef** params) {
              unannounced = params[39]->u.arb_d.value = new_value(in_data, Bytes(9, 2));
            }),
            PF_Err_NONE);
  EXPECT_EQ(instance.flatten_value(39), written);
  EXPECT_EQ(host.balance_report(), "1 x handle not given back\n");
  host.dispose_handle(unannounced);
}

TEST_F(CommandArrays, EachCommandHasItsOwnArray) {
  const PF_InData in_data = instance.make_in_data();
  CommandParams first(instance, in_data), second(instance, in_data);
  EXPECT_NE(first.list()[28], second.list()[28]);
  first.list()[28]->u.fs_d.value = 99;
  EXPECT_EQ(second.list()[28]->u.fs_d.value, 2);
  // Even the arbitrary value is each command's own copy.
  EXPECT_NE(first.list()[39]->u.arb_d.value, second.list()[39]->u.arb_d.value);
  first.finish();
  second.finish();
  EXPECT_EQ(instance.value_json(28), 2.0);
}

// PF_UpdateParamUI (PF Param Utils Suite v3) takes over the record's value,
// flags, ui_flags and name, and an arbitrary value as a copy of its own.
TEST_F(CommandArrays, UpdateParamUiTakesOverValueFlagsAndName) {
  host.set_recording(true);
  ASSERT_EQ(user_changed([](PF_InData* in_data, PF_ParamDef** params) {
              const void* table = nullptr;
              ASSERT_EQ(in_data->pica_basicP->AcquireSuite(kPFParamUtilsSuite,
                                                           kPFParamUtilsSuiteVersion3, &table),
                        kSPNoError);
              const auto* suite = static_cast<const PF_ParamUtilsSuite3*>(table);
              PF_ParamDef angle = *params[41];
              angle.u.ad.value = 90 << 16;
              angle.ui_flags |= PF_PUI_DISABLED;
              angle.flags = 0;
              std::strcpy(angle.name, "Stop Angle");
              EXPECT_EQ(suite->PF_UpdateParamUI(in_data->effect_ref, 41, &angle), PF_Err_NONE);
              PF_ParamDef wheel = *params[39];
              wheel.u.arb_d.value = new_value(in_data, Bytes(5, 0));
              EXPECT_EQ(suite->PF_UpdateParamUI(in_data->effect_ref, 39, &wheel), PF_Err_NONE);
              in_data->utils->host_dispose_handle(wheel.u.arb_d.value);
              EXPECT_EQ(suite->PF_UpdateParamUI(in_data->effect_ref, 83, &angle),
                        PF_Err_INVALID_INDEX);
              in_data->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3);
            }),
            PF_Err_NONE);
  const PF_ParamDef angle = instance.definition(41);
  EXPECT_EQ(angle.u.ad.value, 90 << 16);
  EXPECT_EQ(angle.ui_flags, PF_PUI_STD_CONTROL_ONLY | PF_PUI_DISABLED);
  EXPECT_EQ(angle.flags, 0);
  EXPECT_STREQ(angle.name, "Stop Angle");
  EXPECT_EQ(instance.flatten_value(39), Bytes(5, 0));
  const std::vector<CallRecord> calls = host.calls_of("PF_UpdateParamUI");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].suite, "PF Param Utils Suite");
  EXPECT_EQ(calls[0].version, 3);
  EXPECT_EQ(calls[0].command, "PF_Cmd_USER_CHANGED_PARAM");
}

}  // namespace
}  // namespace simhost
