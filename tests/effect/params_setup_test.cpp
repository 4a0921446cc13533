// Params setup through EffectMain: the list the host holds afterwards, the
// run-time names, the custom-UI registrations, the failure paths and the
// default gradient value's handles; and every command giving back what it
// took.

#include "effect/params_setup.h"

#include <GL/glew.h>

#include <cstdio>
#include <thread>
#include <utility>

#include "tests/effect/effect_world.h"

namespace effect_test {
namespace {

using ParamsSetup = EffectTest;

constexpr PF_ParamType GS = PF_Param_GROUP_START, GE = PF_Param_GROUP_END, BTN = PF_Param_BUTTON,
                       CB = PF_Param_CHECKBOX, POP = PF_Param_POPUP, FS = PF_Param_FLOAT_SLIDER,
                       SL = PF_Param_SLIDER, ANG = PF_Param_ANGLE, PT = PF_Param_POINT,
                       COL = PF_Param_COLOR;

struct Row {
  PF_ParamIndex slot;
  A_long id;
  PF_ParamType type;
  const char* name;  // null: the renderer's name, checked on its own
  PF_ParamUIFlags ui_flags;
  PF_ParamFlags flags;
  const char* rest;  // the type's part, as summary() writes it
};

// The list as the host holds it after params setup on a 1920 x 1080 layer
// (points in pixels) with the default Windows build.
const Row expected_list[] = {
    {1, 47, GS, "About & Support", 0, 0x20, ""},
    {2, 69, PF_Param_NO_DATA, "", 0x82, 0x200, "277x68"},
    {3, 51, GS, " v1.0.0", 0, 0x200, ""},
    {4, 52, GE, "", 0, 0, ""},
    {5, 48, BTN, "AE 13.28", 0, 0x40, "'Product Page'"},
    {6, 49, BTN, "OS Win 11 22631", 0, 0x40, "'Free Plugins'"},
    {7, 50, BTN, nullptr, 0, 0x40, "'Get Support'"},
    {8, 53, GS, "", 0, 0x200, ""},
    {9, 54, GE, "", 0, 0, ""},
    {10, 55, GE, "", 0, 0, ""},
    {11, 43, GS, "Warning: source layer", 0x20, 0, ""},
    {12, 44, GE, "", 0, 0, ""},
    {13, 45, GS, "must be text.", 0x20, 0, ""},
    {14, 46, GE, "", 0, 0, ""},
    {15, 34, GS, "Paths", 0, 0x220, ""},
    {16, 35, PF_Param_PATH, "Mask Path", 0, 0x200, "path 0"},
    {17, 36, CB, "", 0x220, 0x202, "on 'Use All Paths'"},
    {18, 37, GE, "", 0, 0, ""},
    {19, 38, GS, "Style", 0, 0x200, ""},
    {20, 2, POP, "Mode", 0, 0x242, "1 of 3 'Directional|Vanishing|3D Camera'"},
    {21, 10, CB, "Inner Tarvolk", 0, 0x200, "off ''"},
    {22, 2, ANG, "Extrusion Direction", 0, 0x220, "135 deg"},
    {23, 3, FS, "Extrusion Length Back", 0, 0x220, "100 valid -10000..10000 slider -1000..1000 p1"},
    {24, 4, FS, "Extrusion Length Front", 0, 0x220, "0 valid -10000..10000 slider -1000..1000 p1"},
    {25, 5, PT, "Vanishing Point", 0, 0x200, "1536,864 px"},
    {26, 6, FS, "Extrusion Amount Back", 0, 0x220, "20 valid -1000..100 slider -100..100 p1 %"},
    {27, 7, FS, "Extrusion Amount Front", 0, 0x220, "0 valid -1000..100 slider -100..100 p1 %"},
    {28, 8, FS, "Stroke Width", 0, 0x220, "2 valid 0..10000 slider 0..100 p1"},
    {29, 9, COL, "Stroke Color", 0, 0x200, "argb 255,0,0,0"},
    {30, 66, FS, "Stroke Opacity", 0, 0x220, "100 valid 0..100 slider 0..100 p1 %"},
    {31, 39, BTN, "", 0, 0x240, "'Reset Style'"},
    {32, 40, GE, "", 0, 0, ""},
    {33, 27, GS, "Fill Color", 0, 0x200, ""},
    {34, 11, CB, "Inherit Layer Color", 0, 0x200, "on ''"},
    {35, 12, COL, "Front Fill Color", 0, 0x200, "argb 255,255,0,0"},
    {36, 28, POP, "Side Fill Mode", 0, 0x242, "1 of 2 'Solid|Gradient'"},
    {37, 13, SL, "Number of Side Fill Colors", 0, 0x200, "1 valid 1..5 slider 1..5"},
    {38, 14, COL, "Side Fill Color", 0, 0x200, "argb 255,255,255,255"},
    {39, 32, PF_Param_ARBITRARY_DATA, "Gradient Wheel", 0x82, 0x220,
     "350x150 arbitrary 32 refcon 50784772"},
    {40, 33, SL, "Gradient Pt Select", 0x24, 0x242, "-1 valid -1..2048 slider 0..10"},
    {41, 17, ANG, "Point Angle", 0x4, 0x262, "0 deg"},
    {42, 15, ANG, "Global Offset", 0, 0x220, "0 deg"},
    {43, 58, CB, "", 0, 0x202, "on 'Interpolate Gradient'"},
    {44, 70, FS, "Fill Opacity", 0, 0x220, "100 valid 0..100 slider 0..100 p1 %"},
    {45, 16, COL, "Side Fill 2 Color", 0, 0x200, "argb 255,0,0,255"},
    {46, 18, COL, "Side Fill 3 Color", 0, 0x200, "argb 255,255,0,0"},
    {47, 19, ANG, "Side Fill 3 Angle", 0, 0x220, "144 deg"},
    {48, 20, COL, "Side Fill 4 Color", 0, 0x200, "argb 255,255,255,0"},
    {49, 21, ANG, "Side Fill 4 Angle", 0, 0x220, "216 deg"},
    {50, 22, COL, "Side Fill 5 Color", 0, 0x200, "argb 255,0,255,255"},
    {51, 23, ANG, "Side Fill 5 Angle", 0, 0x220, "288 deg"},
    {52, 56, BTN, "", 0, 0x240, "'Reset Gradient'"},
    {53, 41, BTN, "", 0, 0x240, "'Reset Fill Color'"},
    {54, 29, GE, "", 0, 0, ""},
    {55, 82, GS, "3D Transform", 0, 0x220, ""},
    {56, 80, PF_Param_LAYER, "Parent Layer", 0, 0x200, "layer none"},
    {57, 81, PT, "Anchor Point", 0, 0x200, "960,540 px"},
    {58, 83, BTN, "", 0, 0x240, "'Setup Null'"},
    {59, 85, BTN, "", 0, 0x240, "'Reset Transform'"},
    {60, 84, GE, "", 0, 0, ""},
    {61, 64, GS, "Compositing", 0, 0x220, ""},
    {62, 65, FS, "Input Opacity", 0, 0x220, "0 valid 0..100 slider 0..100 p1 %"},
    {63, 67, BTN, "", 0, 0x240, "'Reset Compositing'"},
    {64, 68, GE, "", 0, 0, ""},
    {65, 30, GS, "Quality", 0, 0x220, ""},
    {66, 57, SL, "Master Resolution", 0, 0x220, "1 valid 1..8 slider 1..3"},
    {67, 24, FS, "Corner Angle Threshold", 0, 0x220, "10 valid 0..180 slider 0..180 p1"},
    {68, 25, FS, "Flatness Threshold", 0, 0x220, "0.25 valid 0..10 slider 0..10 p1"},
    {69, 26, FS, "Front Mask Resolution Scale", 0, 0x220, "1 valid 1..10 slider 1..10 p1"},
    {70, 42, BTN, "", 0, 0x240, "'Reset Quality'"},
    {71, 31, GE, "", 0, 0, ""},
    {72, 86, BTN, "", 0, 0x240, "'Shape -> Mask'"},
    {73, 62, GS, "Debug", 0, 0x220, ""},
    {74, 59, POP, "Debug View", 0, 0x202,
     "5 of 5 'Front geometry|Front mask|Side geometry|Screenspace outlines|Composite'"},
    {75, 60, SL, "Debug View X-Offset", 0, 0x200, "0 valid -2000..2000 slider -1000..1000"},
    {76, 61, SL, "Debug View Y-Offset", 0, 0x200, "0 valid -2000..2000 slider -1000..1000"},
    {77, 71, FS, "Left", 0, 0x220, "0 valid -5000..5000 slider 0..5 p2"},
    {78, 72, FS, "Top", 0, 0x220, "0 valid -5000..5000 slider 0..5 p2"},
    {79, 73, FS, "Right", 0, 0x220, "0 valid -5000..5000 slider 0..5 p2"},
    {80, 74, FS, "Bottom", 0, 0x220, "0 valid -5000..5000 slider 0..5 p2"},
    {81, 75, CB, "", 0, 0x2, "off 'Sentinel Init Value'"},
    {82, 63, GE, "", 0, 0, ""},
};

std::string text(const char* s) {
  return s == nullptr ? "(null)" : "'" + std::string(s) + "'";
}

std::string format(const char* pattern, double a, double b = 0, double c = 0, double d = 0,
                   double e = 0) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, pattern, a, b, c, d, e);
  return buffer;
}

// The type's part of a definition in a line; value and default must agree.
std::string summary(const PF_ParamDef& def) {
  std::string s;
  if (def.ui_width != 0 || def.ui_height != 0) {
    s = std::to_string(def.ui_width) + "x" + std::to_string(def.ui_height);
  }
  const PF_ParamDefUnion& u = def.u;
  switch (def.param_type) {
    case PF_Param_BUTTON:
      EXPECT_EQ(u.button_d.value, 0);
      return text(u.button_d.u.namesptr);
    case PF_Param_CHECKBOX:
      EXPECT_EQ(u.bd.value, u.bd.dephault);
      return (u.bd.value ? "on " : "off ") + text(u.bd.u.nameptr);
    case PF_Param_POPUP:
      EXPECT_EQ(u.pd.value, u.pd.dephault);
      return std::to_string(u.pd.value) + " of " + std::to_string(u.pd.num_choices) + " " +
             text(u.pd.u.namesptr);
    case PF_Param_FLOAT_SLIDER:
      EXPECT_EQ(static_cast<float>(u.fs_d.value), u.fs_d.dephault);
      EXPECT_EQ(u.fs_d.curve_tolerance, 0.05f);
      EXPECT_EQ(u.fs_d.fs_flags, 0u);
      return format("%g valid %g..%g slider %g..%g", u.fs_d.value, u.fs_d.valid_min,
                    u.fs_d.valid_max, u.fs_d.slider_min, u.fs_d.slider_max) +
             " p" + std::to_string(u.fs_d.precision) +
             (u.fs_d.display_flags == PF_ValueDisplayFlag_PERCENT ? " %" : "");
    case PF_Param_SLIDER:
      EXPECT_EQ(u.sd.value, u.sd.dephault);
      return format("%g valid %g..%g slider %g..%g", u.sd.value, u.sd.valid_min, u.sd.valid_max,
                    u.sd.slider_min, u.sd.slider_max);
    case PF_Param_ANGLE:
      EXPECT_EQ(u.ad.value, u.ad.dephault);
      return format("%g deg", u.ad.value / 65536.0);
    case PF_Param_POINT:
      EXPECT_EQ(u.td.x_value, u.td.x_dephault);
      EXPECT_EQ(u.td.y_value, u.td.y_dephault);
      EXPECT_EQ(u.td.restrict_bounds, 0);
      return format("%g,%g px", u.td.x_value / 65536.0, u.td.y_value / 65536.0);
    case PF_Param_COLOR:
      EXPECT_EQ(std::memcmp(&u.cd.value, &u.cd.dephault, sizeof u.cd.value), 0);
      return format("argb %g,%g,%g,%g", u.cd.value.alpha, u.cd.value.red, u.cd.value.green,
                    u.cd.value.blue);
    case PF_Param_LAYER:
      return u.ld.dephault == PF_LayerDefault_NONE ? "layer none" : "layer ?";
    case PF_Param_PATH:
      return "path " + std::to_string(u.path_d.dephault);
    case PF_Param_ARBITRARY_DATA: {
      char refcon[16];
      std::snprintf(refcon, sizeof refcon, "%lx",
                    reinterpret_cast<unsigned long>(u.arb_d.refconPV));
      EXPECT_EQ(u.arb_d.pad, 0);
      return s + " arbitrary " + std::to_string(u.arb_d.id) + " refcon " + refcon;
    }
    default:
      return s;
  }
}

TEST_F(ParamsSetup, TheHostHoldsTheWholeList) {
  ASSERT_EQ(w.instance.num_params(), 83);
  ASSERT_EQ(std::size(expected_list), 82u);
  for (const Row& row : expected_list) {
    SCOPED_TRACE("slot " + std::to_string(row.slot));
    const PF_ParamDef def = w.instance.definition(row.slot);
    EXPECT_EQ(def.uu.id, row.id);
    EXPECT_EQ(def.param_type, row.type);
    if (row.name != nullptr) {
      EXPECT_STREQ(def.name, row.name);
    }
    EXPECT_EQ(def.ui_flags, row.ui_flags);
    EXPECT_EQ(def.flags, row.flags);
    EXPECT_EQ(summary(def), row.rest);
  }
  // The "Debug" group closes the list; "Mode" and "Extrusion Direction"
  // share their persistent id.
  EXPECT_EQ(w.instance.definition(82).param_type, PF_Param_GROUP_END);
  EXPECT_EQ(w.instance.definition(20).uu.id, w.instance.definition(22).uu.id);
  EXPECT_EQ(w.instance.last_out_data().num_params, 83);
}

// The first registration right after slot 2, the second right before slot
// 39; the effect-panel events alone the second time.
TEST_F(ParamsSetup, CustomUiIsRegisteredTwiceBetweenTheRightAdds) {
  ASSERT_EQ(w.run(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
  ASSERT_EQ(w.instance.registered_ui().size(), 2u);
  EXPECT_EQ(w.instance.registered_ui()[0].events, 7);
  EXPECT_EQ(w.instance.registered_ui()[1].events, 4);
  std::vector<int> adds_before_registration;
  int adds = 0;
  for (const simhost::CallRecord& call : w.host.calls()) {
    if (call.function == "add_param") ++adds;
    if (call.function == "register_ui") adds_before_registration.push_back(adds);
  }
  EXPECT_EQ(adds_before_registration, (std::vector<int>{2, 38}));
  EXPECT_EQ(adds, 82);
}

TEST_F(ParamsSetup, FailuresOfTheHost) {
  const struct {
    const char* what;
    simhost::Fail fail;
    int skip;
    PF_Err result;
    A_long slots;               // held afterwards, the input layer included
    std::size_t registrations;  // calls made
    A_long num_params;          // what out_data says: 1 when the effect did not set it
  } failures[] = {
      // A failed registration neither stops the list nor is made again.
      {"first registration", simhost::Fail::register_ui, 0, PF_Err_INTERNAL_STRUCT_DAMAGED, 83, 1,
       83},
      {"second registration", simhost::Fail::register_ui, 1, PF_Err_INTERNAL_STRUCT_DAMAGED, 83, 2,
       83},
      // A failed add ends the list there.
      {"add of slot 20", simhost::Fail::add_param, 19, PF_Err_OUT_OF_MEMORY, 20, 1, 1},
      {"add of slot 39", simhost::Fail::add_param, 38, PF_Err_OUT_OF_MEMORY, 39, 2, 1},
      {"add of slot 82", simhost::Fail::add_param, 81, PF_Err_OUT_OF_MEMORY, 82, 2, 1},
      // A default gradient that cannot be written whole is not added.
      {"default gradient's handle", simhost::Fail::new_handle, 0, PF_Err_OUT_OF_MEMORY, 39, 2, 1},
      {"default gradient's lock", simhost::Fail::lock_handle, 0, PF_Err_OUT_OF_MEMORY, 39, 2, 1},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.what);
    w.host.clear_calls();
    w.host.fail(f.fail, 1, f.skip);
    EXPECT_EQ(w.run(PF_Cmd_PARAMS_SETUP), f.result);
    w.host.clear_failures();
    EXPECT_EQ(w.instance.num_params(), f.slots);
    EXPECT_EQ(w.host.calls_of("register_ui").size(), f.registrations);
    EXPECT_EQ(w.instance.last_out_data().num_params, f.num_params);
    // The default gradient of a failed add is not left behind.
    EXPECT_EQ(w.host.balance_report(), "");
  }
}

TEST_F(ParamsSetup, AMissingHandleSuiteStopsBeforeTheGradient) {
  w.host.make_suite_missing(kPFHandleSuite, kPFHandleSuiteVersion1);
  EXPECT_EQ(w.run(PF_Cmd_PARAMS_SETUP), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(w.instance.num_params(), 39);
  EXPECT_EQ(w.instance.registered_ui().size(), 2u);
}

TEST_F(ParamsSetup, WindowsNameFromTheBuild) {
  using Call = PlatformHooks::Call;
  const struct {
    DWORD build;
    Call failing;  // RegisterClassExA: none of the three fails
    const char* name;
  } cases[] = {
      {22000, Call::RegisterClassExA, "OS Win 11 22000"},
      {21999, Call::RegisterClassExA, "OS Win 10 21999"},
      {19041, Call::RegisterClassExA, "OS Win 10 19041"},
      {19040, Call::RegisterClassExA, "OS Win 8.1 19040"},
      {22000, Call::GetModuleHandleW, "OS Win 8.1 0"},
      {22000, Call::GetProcAddress, "OS Win 8.1 0"},
      {22000, Call::RtlGetVersion, "OS Win 8.1 0"},
  };
  for (const auto& c : cases) {
    PlatformHooks::reset();
    PlatformHooks::set_windows_build(c.build);
    if (c.failing != Call::RegisterClassExA) PlatformHooks::fail_call(c.failing);
    ASSERT_EQ(w.run(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    EXPECT_STREQ(w.instance.definition(6).name, c.name);
  }
}

// Cut to the name field; "NULL" when there is none, or on a thread whose
// context cannot be made.
TEST_F(ParamsSetup, RendererName) {
  // Read on this thread's params-setup context, still current.
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  ASSERT_NE(renderer, nullptr);
  EXPECT_EQ(w.instance.definition(7).name, std::string(renderer).substr(0, 31));

  PF_ParamDef def{};
  const std::string forty = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
  set_param_name(def, renderer_name(forty.c_str()));
  EXPECT_EQ(std::string(def.name), forty.substr(0, 31));
  EXPECT_EQ(renderer_name(""), "NULL");
  EXPECT_EQ(renderer_name(nullptr), "NULL");

  PlatformHooks::fail_call(PlatformHooks::Call::CreateWindowExA);
  std::thread other([&] { EXPECT_EQ(w.run(PF_Cmd_PARAMS_SETUP), PF_Err_NONE); });
  other.join();
  EXPECT_STREQ(w.instance.definition(7).name, "NULL");
  EXPECT_EQ(w.instance.num_params(), 83);
}

// The default (count 72, red at 0, green at 0.333, blue at 0.666, one zero
// byte) is the host's, and so is the value made from it with the effect's
// COPY callback; a checkout gets a copy of its own. All go with the instance.
TEST_F(ParamsSetup, TheGradientValueIsMadeFromItsDefaultAndGoesWithTheInstance) {
  PF_Handle default_handle = nullptr;
  PF_Handle value_handle = nullptr;
  {
    simhost::EffectInstance own{w.host};
    ASSERT_EQ(own.run(EffectMain, PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    const PF_ParamDef def = own.definition(39);
    default_handle = def.u.arb_d.dephault;
    value_handle = def.u.arb_d.value;
    EXPECT_EQ(w.host.handle_bytes(default_handle), default_blob());
    ASSERT_NE(value_handle, nullptr);
    EXPECT_NE(value_handle, default_handle);
    EXPECT_EQ(w.host.handle_bytes(value_handle), default_blob());
    EXPECT_EQ(own.flatten_value(39), default_blob());

    PF_InData in_data = own.make_in_data();
    PF_ParamDef checked_out{};
    ASSERT_EQ(in_data.inter.checkout_param(in_data.effect_ref, 39, 0, 1, 24, &checked_out),
              PF_Err_NONE);
    EXPECT_NE(checked_out.u.arb_d.value, value_handle);
    EXPECT_EQ(w.host.handle_bytes(checked_out.u.arb_d.value), default_blob());
    EXPECT_EQ(in_data.inter.checkin_param(in_data.effect_ref, &checked_out), PF_Err_NONE);
    EXPECT_FALSE(w.host.is_live_handle(checked_out.u.arb_d.value));
  }
  EXPECT_FALSE(w.host.is_live_handle(default_handle));
  EXPECT_FALSE(w.host.is_live_handle(value_handle));
}

// Every command the effect handles, in the order the host sends them, gives
// back everything it took before it returns.
TEST_F(ParamsSetup, EveryCommandBalances) {
  simhost::EffectInstance own{w.host};
  // The panel's commands reach the effect's layer in its composition.
  Composition comp(1920, 1080, 24);
  comp.attach_effect(own.effect_ref(), comp.add_layer(LayerKind::solid, "Plate").id);
  PF_UserChangedParamExtra changed{20};
  PF_EventExtra event{};
  event.effect_win.index = 39;
  event.e_type = PF_Event_DRAW;
  const std::pair<PF_Cmd, void*> commands[] = {
      {PF_Cmd_GLOBAL_SETUP, nullptr},        {PF_Cmd_PARAMS_SETUP, nullptr},
      {PF_Cmd_SEQUENCE_SETUP, nullptr},      {PF_Cmd_UPDATE_PARAMS_UI, nullptr},
      {PF_Cmd_USER_CHANGED_PARAM, &changed}, {PF_Cmd_EVENT, &event},
      {PF_Cmd_QUERY_DYNAMIC_FLAGS, nullptr}, {PF_Cmd_ABOUT, nullptr},
      {PF_Cmd_SEQUENCE_SETDOWN, nullptr},    {PF_Cmd_GLOBAL_SETDOWN, nullptr},
  };
  for (const auto& [cmd, extra] : commands) {
    EXPECT_EQ(own.run(EffectMain, cmd, extra), PF_Err_NONE) << simhost::command_name(cmd);
    EXPECT_EQ(w.host.balance_report(), "") << simhost::command_name(cmd);
  }
}

}  // namespace
}  // namespace effect_test
