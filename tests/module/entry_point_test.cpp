// The plug-in module loaded into the simulated host and driven through its
// exports, as the host drives it: global and sequence setup, the dynamic
// flags, commands it has nothing to do for or does not know, and smart
// renders on two threads, which wait for each other.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "host/frame/frame.h"
#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"
#include "host_api/ae_effect_suites.h"

namespace simhost {
namespace {

constexpr PF_ParamIndex mode_slot = 20;

class EntryPointTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.balance_report(), ""); }

  PF_Err run(PF_Cmd cmd, void* extra = nullptr) { return instance.run(module, cmd, extra); }

  SimHost host;
  PluginModule module{TARVOLK_MODULE_PATH};
  EffectInstance instance{host};
};

// Registration and global setup outside Premiere: tarvolk-host info's test.
TEST_F(EntryPointTest, InPremiereTheEffectIsObsolete) {
  instance.appl_id = PF_APPL_ID_PREMIERE;
  ASSERT_EQ(run(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  EXPECT_EQ(instance.out_flags, 0x200000);
  EXPECT_EQ(instance.out_flags2, 0x828140B);
  EXPECT_EQ(instance.my_version, 0x80001u);
}

TEST_F(EntryPointTest, SequenceRecordIsZeroedUnlockedAndDisposed) {
  ASSERT_EQ(run(PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);  // without a record: nothing
  ASSERT_EQ(run(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
  PF_Handle record = instance.sequence_data;
  ASSERT_NE(record, nullptr);
  // The host's fresh memory is never zero, so these zeros are the effect's.
  EXPECT_EQ(host.handle_bytes(record), std::vector<unsigned char>(12, 0));
  EXPECT_EQ(host.lock_count(record), 0);
  EXPECT_EQ(host.outstanding().count("suite PF Handle Suite v2"), 0u);

  // Commands in between leave the record alone.
  EXPECT_EQ(run(PF_Cmd_SEQUENCE_RESETUP), PF_Err_NONE);
  EXPECT_EQ(run(PF_Cmd_SEQUENCE_FLATTEN), PF_Err_NONE);
  EXPECT_EQ(instance.sequence_data, record);

  ASSERT_EQ(run(PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);
  EXPECT_FALSE(host.is_live_handle(record));
  EXPECT_EQ(instance.last_out_data().sequence_data, nullptr);
  EXPECT_EQ(instance.last_in_data().sequence_data, nullptr);
}

// A handle that cannot be locked is given back, not lost: the balance check
// of TearDown finds it.
TEST_F(EntryPointTest, SequenceSetupFailuresLeaveNoRecord) {
  const std::pair<std::function<void()>, PF_Err> failures[] = {
      {[this] { host.make_suite_missing(kPFHandleSuite, kPFHandleSuiteVersion1); }, 13},
      {[this] { host.fail(Fail::new_handle); }, PF_Err_OUT_OF_MEMORY},
      {[this] { host.fail(Fail::lock_handle); }, PF_Err_OUT_OF_MEMORY}};
  for (const auto& [fail, result] : failures) {
    host.clear_failures();
    fail();
    EXPECT_EQ(run(PF_Cmd_SEQUENCE_SETUP), result);
    EXPECT_EQ(instance.sequence_data, nullptr);
    EXPECT_EQ(instance.last_out_data().sequence_data, nullptr);
    // Only the missing suite is the effect's to report.
    EXPECT_STREQ(instance.last_out_data().return_msg,
                 result == 13 ? "Not able to acquire AEFX Suite." : "");
    EXPECT_EQ((instance.last_out_data().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) != 0,
              result == 13);
  }
}

TEST_F(EntryPointTest, DynamicFlagsFollowTheMode) {
  ASSERT_EQ(run(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  ASSERT_EQ(run(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
  for (PF_ParamValue mode : {1, 2, 3, 1}) {
    instance.set_value(mode_slot, mode);
    ASSERT_EQ(run(PF_Cmd_QUERY_DYNAMIC_FLAGS), PF_Err_NONE);
    const bool camera = (instance.out_flags2 & PF_OutFlag2_I_USE_3D_CAMERA) != 0;
    EXPECT_EQ(camera, mode == 3) << "mode " << mode;
    // The other bits stay as global setup set them.
    EXPECT_EQ(instance.out_flags2 | PF_OutFlag2_I_USE_3D_CAMERA, 0x828140B);
  }
  EXPECT_EQ(host.stray_checkins(), 0);
  // A mode that cannot be read clears the camera bit.
  instance.set_value("Mode", "3D Camera");
  host.fail_checkout_of(mode_slot);
  EXPECT_EQ(run(PF_Cmd_QUERY_DYNAMIC_FLAGS), PF_Err_NONE);
  EXPECT_EQ(instance.out_flags2 & PF_OutFlag2_I_USE_3D_CAMERA, 0);
}

// Commands with nothing to do succeed; those beyond the table touch nothing.
TEST_F(EntryPointTest, CommandsWithoutAHandler) {
  for (PF_Cmd cmd :
       {PF_Cmd_UNUSED_0, PF_Cmd_DO_DIALOG, PF_Cmd_FRAME_SETUP, PF_Cmd_RENDER, PF_Cmd_FRAME_SETDOWN,
        PF_Cmd_GET_EXTERNAL_DEPENDENCIES, PF_Cmd_COMPLETELY_GENERAL, PF_Cmd_AUDIO_RENDER,
        PF_Cmd_AUDIO_SETUP, PF_Cmd_AUDIO_SETDOWN}) {
    EXPECT_EQ(run(cmd), PF_Err_NONE) << "command " << cmd;
  }
  PF_InData in_data;
  PF_OutData out_data;
  std::memset(&in_data, 0x5c, sizeof in_data);
  std::memset(&out_data, 0x3a, sizeof out_data);
  const PF_InData in_before = in_data;
  const PF_OutData out_before = out_data;
  for (PF_Cmd cmd : {25, 26, 1000}) {
    EXPECT_EQ(module.effect_main(cmd, &in_data, &out_data, nullptr, nullptr, nullptr), PF_Err_NONE);
  }
  EXPECT_EQ(std::memcmp(&in_data, &in_before, sizeof in_data), 0);
  EXPECT_EQ(std::memcmp(&out_data, &out_before, sizeof out_data), 0);
}

// Two threads each pre-render and render frames of one instance. Every
// callback a smart render makes into the host is logged with the render it
// belongs to (pre-renders, which may overlap, are not); renders that
// overlapped would interleave in the log.
TEST_F(EntryPointTest, SmartRendersOnTwoThreadsNeverInterleave) {
  scene::Scene title = scene::parse_scene(R"({
    "composition": {"width": 160, "height": 90, "frame_rate": 24},
    "layers": [{"name": "Title", "kind": "text",
                "text": {"text": "Tv", "bold": true, "size": 60, "origin": [20, 70]}}],
    "effect": {"layer": "Title", "parameters": {"Inherit Layer Color": false,
                                                "Side Fill Mode": "Gradient"}}
  })",
                                          "two threads");
  scene::place_effect(title, instance);
  ASSERT_EQ(run(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  ASSERT_EQ(run(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
  ASSERT_EQ(run(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
  scene::set_scene_parameters(title, instance);

  thread_local int current_render = 0;
  std::mutex log_mutex;
  std::vector<int> log;
  instance.set_callback_observer([&] {
    if (current_render == 0) return;
    std::lock_guard lock(log_mutex);
    log.push_back(current_render);
  });
  std::atomic<int> failures{0};
  auto render = [&](int first_id) {
    for (int i = 0; i < 10; ++i) {
      Frame frame(instance, {});
      current_render = 0;
      if (frame.pre_render(module) != PF_Err_NONE) ++failures;
      current_render = first_id + 2 * i;
      if (frame.render(module) != PF_Err_NONE || frame.output() == nullptr) ++failures;
      current_render = 0;
    }
  };
  std::thread a(render, 1);
  std::thread b(render, 2);
  a.join();
  b.join();
  instance.set_callback_observer(nullptr);
  EXPECT_EQ(failures, 0);
  ASSERT_FALSE(log.empty());

  std::set<int> finished;
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(finished.count(log[i]), 0u) << "render " << log[i] << " resumed after another";
    if (i + 1 < log.size() && log[i + 1] != log[i]) finished.insert(log[i]);
  }
  EXPECT_EQ(std::set<int>(log.begin(), log.end()).size(), 20u);
  ASSERT_EQ(run(PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);
}

}  // namespace
}  // namespace simhost
