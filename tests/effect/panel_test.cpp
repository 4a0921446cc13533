// The Effect Controls panel through EffectMain: which parameters an update
// shows, what the buttons and the supervised controls do, and what the host
// keeps of it after the command.

#include <gmock/gmock.h>

#include <optional>
#include <set>

#include "platform/win32.h"
#include "tests/effect/effect_world.h"

namespace effect_test {
namespace {

// --- what an update shows -------------------------------------------------

// Every slot an update shows or hides: "Debug", then the rules in order.
constexpr PF_ParamIndex decided[] = {73, 40, 15, 11, 13, 69, 68, 72, 25, 26, 27, 22,
                                     23, 24, 61, 55, 56, 58, 57, 59, 35, 38, 39, 42,
                                     41, 52, 43, 37, 45, 46, 47, 48, 49, 50, 51};

TEST(Visibility, ModeSideFillAndInheritanceDecideWhatShows) {
  const struct {
    const char* what;
    json settings;
    std::set<PF_ParamIndex> shown;  // of decided; the rest are hidden
  } cases[] = {
      {"defaults", json::object(), {22, 23, 24, 61, 38}},
      {"vanishing", {{"Mode", "Vanishing"}}, {25, 26, 27, 61, 38}},
      {"3D camera", {{"Mode", "3D Camera"}}, {23, 24, 61, 55, 56, 57, 58, 59, 38}},
      {"gradient", {{"Side Fill Mode", "Gradient"}}, {22, 23, 24, 61, 39, 41, 42, 43, 52}},
      {"own front colour", {{"Inherit Layer Color", false}}, {22, 23, 24, 61, 35, 38}},
  };
  for (const auto& c : cases) {
    PanelWorld world;
    world.set(c.settings);
    ASSERT_EQ(world.update(), PF_Err_NONE) << c.what;
    for (PF_ParamIndex slot : decided) {
      EXPECT_EQ(world.hidden(slot), c.shown.count(slot) == 0) << c.what << ", slot " << slot;
    }
    // In Solid mode the wheel and "Point Angle" are pushed once more, the
    // angle's twirl closed; in Gradient mode only their visibility is.
    const bool solid = world.value(slot::side_fill_mode) == "Solid";
    std::vector<PF_ParamIndex> updates = world.ui_updates();
    EXPECT_EQ(std::count(updates.begin(), updates.end(), slot::gradient_wheel), solid ? 2 : 1);
    EXPECT_EQ(std::count(updates.begin(), updates.end(), slot::point_angle), solid ? 2 : 1);
    EXPECT_EQ(world.host.balance_report(), "") << c.what;
  }
}

TEST_F(PanelTest, FirstUpdateInitialisesTheInstanceOnceInAnUnnamedUndoGroup) {
  ASSERT_EQ(w.update(), PF_Err_NONE);
  EXPECT_EQ(w.value(slot::sentinel_init_value), true);
  EXPECT_EQ(w.instance.definition(slot::extrusion_direction).flags, PF_ParamFlag_NONE);
  ASSERT_EQ(w.undo().size(), 1u);
  EXPECT_TRUE(w.undo()[0].group);
  EXPECT_EQ(w.undo()[0].name, "");
  EXPECT_EQ(w.undo()[0].changes,
            std::vector<std::string>{"\"Sentinel Init Value\" (slot 81) true"});

  // The suites at the versions the host is asked for, nothing else.
  std::set<std::string> served;
  for (const simhost::CallRecord& call : w.host.calls()) {
    if (call.command != "PF_Cmd_UPDATE_PARAMS_UI" || call.function == "AcquireSuite" ||
        call.function == "ReleaseSuite")
      continue;
    served.insert(call.suite + " v" + std::to_string(call.version) + " " + call.function);
  }
  EXPECT_EQ(served, (std::set<std::string>{
                        "AEGP PF Interface Suite v1 AEGP_GetNewEffectForEffect",
                        "AEGP Stream Suite v7 AEGP_GetNewEffectStreamByIndex",
                        "AEGP Dynamic Stream Suite v2 AEGP_SetDynamicStreamFlag",
                        "PF Param Utils Suite v3 PF_UpdateParamUI",
                        "AEGP Stream Suite v7 AEGP_DisposeStream",
                        "AEGP Utility Suite v11 AEGP_StartUndoGroup",
                        "AEGP Stream Suite v9 AEGP_GetNewEffectStreamByIndex",
                        "AEGP Stream Suite v9 AEGP_SetStreamValue",
                        "AEGP Stream Suite v9 AEGP_DisposeStream",
                        "AEGP Utility Suite v11 AEGP_EndUndoGroup",
                        "AEGP Effect Suite v2 AEGP_DisposeEffect",
                    }));

  // A later update opens no undo group and leaves the twirl as the user's
  // change of mode left it.
  w.set("Mode", "Vanishing");
  ASSERT_EQ(w.change(slot::mode), PF_Err_NONE);
  ASSERT_EQ(w.update(), PF_Err_NONE);
  EXPECT_TRUE(w.twirl_closed(slot::extrusion_direction));
  EXPECT_EQ(w.undo().size(), 1u);
}

// --- buttons and supervised controls ---------------------------------------

using ::testing::ElementsAre;
TEST(PointAngle, MovesTheSelectedStopAndLeavesNoHandleBehind) {
  const struct {
    const char* what;
    double degrees;
    int selected;
    std::optional<double> moved_to;  // stop `selected`'s new position, or nothing changes
    bool damaged = false;            // three stops whose count claims four
  } cases[] = {
      {"0 degrees", 0, 1, 0.5},
      {"180 degrees", 180, 1, 1.0},
      {"-270 degrees", -270, 1, 1.25},
      {"no stop selected", 90, -1, std::nullopt},
      {"past the last stop", 90, 3, std::nullopt},
      {"damaged value", 90, 1, std::nullopt, true},
  };
  for (const auto& c : cases) {
    PanelWorld world;
    if (c.damaged)
      world.instance.unflatten_value(slot::gradient_wheel, blob(96, default_points, 1));
    world.set("Gradient Pt Select", c.selected);
    world.set("Point Angle", c.degrees);
    const Bytes before = world.wheel_bytes();
    const std::size_t live = world.host.live_handles();

    ASSERT_EQ(world.change(slot::point_angle), PF_Err_NONE) << c.what;
    if (c.moved_to) {
      const std::vector<GradientPoint> stops = world.stops();
      ASSERT_EQ(stops.size(), 3u) << c.what;
      EXPECT_EQ(stops[1].position, *c.moved_to) << c.what;
      EXPECT_EQ(stops[0].position, 0.0) << c.what;
      EXPECT_EQ(stops[1].green, 1.0f) << c.what;
      ASSERT_EQ(world.undo().size(), 1u) << c.what;
      EXPECT_EQ(world.undo()[0].name, "Set Gradient Position");
    } else {
      EXPECT_EQ(world.wheel_bytes(), before) << c.what;
      EXPECT_TRUE(world.undo().empty()) << c.what;
    }
    // The new value took the old one's place; the command's copy went once.
    EXPECT_EQ(world.host.live_handles(), live) << c.what;
    EXPECT_EQ(world.host.balance_report(), "") << c.what;
  }
}

TEST_F(PanelTest, ResetStyleWritesItsValuesAndRefreshesEachControl) {
  w.set({{"Mode", "3D Camera"},
         {"Vanishing Point", {10, 20}},
         {"Stroke Color", {9, 9, 9}},
         {"Inner Tarvolk", true},
         {"Extrusion Amount Back", -50}});
  ASSERT_EQ(w.change(slot::reset_style), PF_Err_NONE);
  w.expect_values({{"Mode", "Directional"},
                   {"Extrusion Direction", 135.0},
                   {"Extrusion Length Back", 100.0},
                   {"Extrusion Length Front", 0.0},
                   {"Vanishing Point", {0.0, 0.0}},
                   {"Extrusion Amount Back", 20.0},
                   {"Extrusion Amount Front", 0.0},
                   {"Stroke Width", 2.0},
                   {"Stroke Color", {0, 0, 0, 0}},
                   {"Inner Tarvolk", false},
                   {"Stroke Opacity", 100.0}},
                  "after Reset Style");
  EXPECT_FALSE(w.twirl_closed(slot::extrusion_direction));
  EXPECT_THAT(w.ui_updates(), ElementsAre(20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30));
}

// Run with the command's own array in hand, to see what the effect flagged.
TEST_F(PanelTest, GradientResetsFlagAllButTheStandardControlsAndRefreshEach) {
  const struct {
    PF_ParamIndex button;
    std::vector<PF_ParamIndex> flagged, refreshed;
  } cases[] = {
      {slot::reset_gradient, {39, 42, 43, 44}, {39, 40, 41, 42, 43, 44}},
      {slot::reset_fill_color,
       {34, 35, 36, 37, 38, 39, 42, 43, 44},
       {39, 40, 41, 42, 43, 44, 34, 35, 36, 37, 38}},
  };
  for (const auto& c : cases) {
    w.set({{"Gradient Wheel", {{"stops", {{0.1, 1, 1, 1}, {0.6, 0, 0, 0}}}}},
           {"Gradient Pt Select", 1},
           {"Point Angle", 90},
           {"Global Offset", 30},
           {"Interpolate Gradient", false},
           {"Fill Opacity", 40},
           {"Inherit Layer Color", false},
           {"Side Fill Mode", "Gradient"},
           {"Front Fill Color", {0, 0, 255}},
           {"Side Fill Color", {1, 2, 3}}});
    ASSERT_EQ(w.change(slot::side_fill_mode), PF_Err_NONE);  // opens the wheel's twirl
    w.host.clear_calls();
    PF_InData in_data = w.instance.make_in_data();
    PF_OutData out_data{};
    simhost::CommandParams params(w.instance, in_data);
    const PF_ParamFlags offset_flags = params.list()[slot::global_offset]->flags;
    PF_UserChangedParamExtra extra{c.button};
    ASSERT_EQ(
        EffectMain(PF_Cmd_USER_CHANGED_PARAM, &in_data, &out_data, params.list(), nullptr, &extra),
        PF_Err_NONE);
    std::vector<PF_ParamIndex> flagged;
    for (PF_ParamIndex slot = 1; slot < slot::count; ++slot) {
      if (params.list()[slot]->uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) {
        flagged.push_back(slot);
      }
    }
    EXPECT_EQ(flagged, c.flagged) << c.button;
    EXPECT_EQ(w.ui_updates(), c.refreshed) << c.button;
    const bool fill = c.button == slot::reset_fill_color;
    EXPECT_EQ(params.list()[slot::gradient_wheel]->flags & PF_ParamFlag_COLLAPSE_TWIRLY,
              fill ? PF_ParamFlag_COLLAPSE_TWIRLY : 0);
    EXPECT_EQ(params.list()[slot::global_offset]->flags, offset_flags);
    params.finish();

    EXPECT_EQ(w.stops().size(), 3u);
    EXPECT_EQ(w.stops()[2].position, 0.666);
    EXPECT_EQ(w.value(slot::gradient_point_select), -1);
    EXPECT_TRUE(w.instance.definition(slot::gradient_point_select).ui_flags & PF_PUI_DISABLED);
    w.expect_values({{"Point Angle", 0.0},
                     {"Global Offset", 0.0},
                     {"Interpolate Gradient", true},
                     {"Fill Opacity", 100.0},
                     {"Inherit Layer Color", fill},
                     {"Side Fill Mode", fill ? "Solid" : "Gradient"},
                     {"Front Fill Color", fill ? json{255, 255, 0, 0} : json{255, 0, 0, 255}},
                     {"Side Fill Color", fill ? json{255, 255, 255, 255} : json{255, 1, 2, 3}}},
                    "after button " + std::to_string(c.button));
  }
}

TEST(ResetTransform, PutsTheAnchorAtTheLayerCentreAndDropsTheParent) {
  const std::pair<int, double> widths[] = {{100, 50.0}, {101, 50.5}};
  for (const auto& [width, centre] : widths) {
    PanelWorld world(width, 81);
    world.set("Parent Layer", 1);
    ASSERT_EQ(world.change(slot::reset_transform), PF_Err_NONE);
    EXPECT_EQ(world.value(slot::anchor_point), json({centre, 40.5})) << width;
    EXPECT_EQ(world.value(slot::parent_layer), 0) << width;
    EXPECT_THAT(world.ui_updates(), ElementsAre(56, 57, 58));
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

// Each press makes a null of its own; the last one made is the parent.
TEST_F(PanelTest, SetupNullTwiceMakesTwoNullsAndLinksTheSecond) {
  ASSERT_EQ(w.change(slot::setup_null), PF_Err_NONE);
  ASSERT_EQ(w.change(slot::setup_null), PF_Err_NONE);

  ASSERT_EQ(w.comp.layers().size(), 3u);
  for (const auto& null : {w.comp.layers()[1].get(), w.comp.layers()[2].get()}) {
    EXPECT_EQ(null->kind, LayerKind::null);
    EXPECT_EQ(null->name, "Tarvolk Parent Null");
    EXPECT_TRUE(null->three_d);
    const Vec3 p = null->transform.position.at(0);
    EXPECT_EQ(std::vector<double>({p.x, p.y, p.z}), std::vector<double>({640, 360, 0}));
  }
  EXPECT_NE(w.comp.layers()[1]->id, w.comp.layers()[2]->id);
  EXPECT_EQ(w.value(slot::parent_layer), w.comp.layers()[2]->id);
  EXPECT_TRUE(w.undo().size() >= 2 && !w.undo()[0].group);
}

TEST_F(PanelTest, TwirlsFollowModeAndSideFillMode) {
  const struct {
    const char* popup;
    PF_ParamIndex changed;
    json value;
    std::vector<std::pair<PF_ParamIndex, bool>> closed;
  } cases[] = {
      {"Mode", slot::mode, "3D Camera", {{22, true}}},
      {"Mode", slot::mode, "Directional", {{22, false}}},
      {"Mode", slot::mode, "Vanishing", {{22, true}}},
      {"Side Fill Mode", slot::side_fill_mode, "Gradient", {{39, false}, {42, true}}},
      {"Side Fill Mode", slot::side_fill_mode, "Solid", {{39, true}, {42, true}}},
  };
  // The twirls move between keyframes of their animated parameters, and
  // no value is written: no keyframe is added, none changes.
  w.set({{"Extrusion Direction", {{"keyframes", {{0, 90}, {2, 180}}}}},
         {"Global Offset", {{"keyframes", {{0, 0}, {2, 45}}}}}});
  w.instance.current_time = 24;  // 1 s
  const json direction = w.value(slot::extrusion_direction);
  const json offset = w.value(slot::global_offset);
  const Bytes wheel = w.wheel_bytes();
  for (const auto& c : cases) {
    w.set(c.popup, c.value);
    ASSERT_EQ(w.change(c.changed), PF_Err_NONE);
    for (const auto& [slot, closed] : c.closed) {
      EXPECT_EQ(w.twirl_closed(slot), closed) << c.value << ", slot " << slot;
    }
    EXPECT_EQ(w.value(slot::extrusion_direction), direction) << c.value;
    EXPECT_EQ(w.value(slot::global_offset), offset) << c.value;
    EXPECT_EQ(w.wheel_bytes(), wheel) << c.value;
  }
  // Each twirl moves through a refresh of its own control, and no other
  // control is pushed.
  EXPECT_EQ(w.ui_updates(), (std::vector<PF_ParamIndex>{22, 22, 22, 39, 39, 42}));
}

TEST_F(PanelTest, ButtonsResetQualityAndCompositingAndOpenPages) {
  w.set({{"Master Resolution", 3},
         {"Corner Angle Threshold", 45},
         {"Flatness Threshold", 2},
         {"Front Mask Resolution Scale", 4},
         {"Input Opacity", 70}});
  for (PF_ParamIndex button :
       {slot::reset_quality, slot::reset_compositing, slot::product_page_button,
        slot::free_plugins_button, slot::get_support_button, slot::shape_to_mask}) {
    ASSERT_EQ(w.change(button), PF_Err_NONE) << button;
  }
  w.expect_values({{"Master Resolution", 1},
                   {"Corner Angle Threshold", 10.0},
                   {"Flatness Threshold", 0.25},
                   {"Front Mask Resolution Scale", 1.0},
                   {"Input Opacity", 0.0}},
                  "after the resets");
  std::vector<std::string> pages;
  for (const shell32_record::ShellExecution& call : shell32_record::executions()) {
    EXPECT_FALSE(call.window);
    EXPECT_EQ(call.operation, "open");
    EXPECT_EQ(call.parameters + call.directory, "");
    EXPECT_EQ(call.show_command, SW_SHOWNORMAL);
    pages.push_back(call.file);
  }
  EXPECT_THAT(pages, ElementsAre("https://brindlecast.example/tarvolk",
                                 "https://brindlecast.example/free-plugins",
                                 "https://brindlecast.example/tarvolk/support"));
}

// An array shorter than the effect's list is refused, not read past its end.
TEST_F(PanelTest, PanelCommandsRefuseAShortArray) {
  PF_InData in_data = w.instance.make_in_data();
  in_data.num_params = slot::count - 1;
  PF_OutData out_data{};
  simhost::CommandParams params(w.instance, in_data);
  PF_UserChangedParamExtra extra{slot::reset_style};
  EXPECT_EQ(
      EffectMain(PF_Cmd_UPDATE_PARAMS_UI, &in_data, &out_data, params.list(), nullptr, nullptr),
      PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(
      EffectMain(PF_Cmd_USER_CHANGED_PARAM, &in_data, &out_data, params.list(), nullptr, &extra),
      PF_Err_BAD_CALLBACK_PARAM);
  params.finish();
}

}  // namespace
}  // namespace effect_test
