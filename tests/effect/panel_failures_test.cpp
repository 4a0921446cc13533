// Each host call of the panel's commands made to fail in turn, and each suite
// they acquire made missing: the command gives the failure's code, gives
// back all it took, closes the undo group it opened and leaves the
// "Gradient Wheel" value whole.

#include <gmock/gmock.h>

#include <functional>
#include <set>

#include "tests/effect/effect_world.h"

namespace effect_test {
namespace {

// No call gives this code by itself.
constexpr long injected_error = 1234;

struct Scenario {
  const char* what;
  std::function<void(PanelWorld&)> prepare;
  PF_ParamIndex changed;  // 0: the panel's first update
};

PF_Err run(PanelWorld& world, const Scenario& s) {
  return s.changed == 0 ? world.update() : world.change(s.changed);
}

std::string command_of(const Scenario& s) {
  return s.changed == 0 ? "PF_Cmd_UPDATE_PARAMS_UI" : "PF_Cmd_USER_CHANGED_PARAM";
}

// What the command may give when this call fails.
std::set<long> allowed_results(const std::string& function, const Scenario& s) {
  if (function == "AEGP_GetNewEffectForEffect" && s.changed != 0) {
    return {PF_Err_INTERNAL_STRUCT_DAMAGED};  // no effect reference
  }
  if (function == "host_new_handle") return {PF_Err_OUT_OF_MEMORY};
  // Reading a value that cannot be locked changes nothing; writing one fails.
  if (function == "host_lock_handle") return {PF_Err_NONE, PF_Err_OUT_OF_MEMORY};
  // Calls the host serves without fail.
  if (function == "host_unlock_handle" || function == "host_get_handle_size" ||
      function == "host_dispose_handle") {
    return {PF_Err_NONE};
  }
  return {injected_error};
}

void expect_whole_value(PanelWorld& world, const std::string& where) {
  const std::vector<unsigned char> bytes = world.wheel_bytes();
  ASSERT_GE(bytes.size(), 4u) << where;
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data(), 4);
  EXPECT_TRUE(count > 0 && count % 24 == 0 && count <= bytes.size() - 4) << where;
}

const Scenario failure_scenarios[] = {
    {"first update", [](PanelWorld&) {}, 0},
    {"Point Angle",
     [](PanelWorld& w) {
       w.set("Gradient Pt Select", 1);
       w.set("Point Angle", 90);
     },
     slot::point_angle},
    {"Reset Gradient", [](PanelWorld&) {}, slot::reset_gradient},
    {"Reset Fill Color", [](PanelWorld&) {}, slot::reset_fill_color},
    {"Setup Null", [](PanelWorld&) {}, slot::setup_null},
    {"Reset Transform", [](PanelWorld& w) { w.set("Parent Layer", 1); }, slot::reset_transform},
    {"Reset Style", [](PanelWorld&) {}, slot::reset_style},
};

// The handle suite stays: without it the host could not copy the values it
// hands to the command in the first place.
TEST(PanelFailures, EachHostCallFailingAndEachSuiteMissingInTurnLeavesTheHostBalanced) {
  for (const Scenario& s : failure_scenarios) {
    std::vector<simhost::CallRecord> calls;
    {
      PanelWorld world;
      s.prepare(world);
      world.host.clear_calls();
      ASSERT_EQ(run(world, s), PF_Err_NONE) << s.what;
      for (const simhost::CallRecord& call : world.host.calls()) {
        if (call.command == command_of(s)) calls.push_back(call);
      }
    }
    std::map<std::string, int> seen;
    std::set<std::pair<std::string, int32_t>> missing_suites;
    for (const simhost::CallRecord& call : calls) {
      const bool acquisition = call.function == "AcquireSuite";
      std::string suite;
      int32_t version = 0;
      if (acquisition) {
        suite = call.args[0].substr(1, call.args[0].size() - 2);
        version = std::stoi(call.args[1]);
        if (suite == kPFHandleSuite || !missing_suites.insert({suite, version}).second) continue;
      } else if (call.function == "ReleaseSuite") {
        continue;
      }
      const int occurrence = seen[call.function]++;
      const std::string where =
          std::string(s.what) + ", " +
          (acquisition ? "missing " + suite
                       : call.function + " #" + std::to_string(occurrence + 1));
      PanelWorld world;
      s.prepare(world);
      if (acquisition) {
        world.host.make_suite_missing(suite, version);
      } else {
        world.host.fail_call_during(command_of(s), call.function, injected_error, 1, occurrence);
      }
      const PF_Err err = run(world, s);
      if (acquisition) {
        EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM) << where;
      } else {
        EXPECT_THAT(allowed_results(call.function, s), ::testing::Contains(err)) << where;
      }
      EXPECT_FALSE(simhost::undo_history(world.host).group_open()) << where;
      expect_whole_value(world, where);
      world.host.clear_failures();
      EXPECT_EQ(world.host.balance_report(), "") << where;
    }
    EXPECT_FALSE(missing_suites.empty()) << s.what;
  }
}

}  // namespace
}  // namespace effect_test
