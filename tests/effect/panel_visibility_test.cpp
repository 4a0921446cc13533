// Which parameters the panel shows after an update, and the first update of
// an instance.

#include <algorithm>
#include <set>

#include "tests/effect/effect_world.h"

namespace effect_test {
namespace {

// Every slot an update shows or hides: "Debug", then the rules in order.
constexpr PF_ParamIndex kDecided[] = {73, 40, 15, 11, 13, 69, 68, 72, 25, 26, 27, 22,
                                      23, 24, 61, 55, 56, 58, 57, 59, 35, 38, 39, 42,
                                      41, 52, 43, 37, 45, 46, 47, 48, 49, 50, 51};

struct VisibilityCase {
  const char* what;
  json settings;
  std::set<PF_ParamIndex> shown;  // of kDecided; the rest are hidden
};

TEST(Visibility, ModeSideFillAndInheritanceDecideWhatShows) {
  const VisibilityCase cases[] = {
      {"defaults", json::object(), {22, 23, 24, 61, 38}},
      {"vanishing", {{"Mode", "Vanishing"}}, {25, 26, 27, 61, 38}},
      {"3D camera", {{"Mode", "3D Camera"}}, {23, 24, 61, 55, 56, 57, 58, 59, 38}},
      {"gradient", {{"Side Fill Mode", "Gradient"}}, {22, 23, 24, 61, 39, 41, 42, 43, 52}},
      {"own front colour", {{"Inherit Layer Color", false}}, {22, 23, 24, 61, 35, 38}},
  };
  for (const VisibilityCase& c : cases) {
    PanelWorld world;
    for (const auto& [name, value] : c.settings.items()) world.set(name, value);
    ASSERT_EQ(world.update(), PF_Err_NONE) << c.what;
    for (PF_ParamIndex slot : kDecided) {
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
    if (call.command != "PF_Cmd_UPDATE_PARAMS_UI" || call.suite == "SPBasicSuite") continue;
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

}  // namespace
}  // namespace effect_test
