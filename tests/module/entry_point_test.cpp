// The plug-in module loaded into the simulated host and driven through its
// exports, as the host drives it: global and sequence setup, the dynamic
// flags, and commands it has nothing to do for. (Renders on two threads wait
// for each other: the dispatch's held-mutex test and the stress test.)

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
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

// Commands with nothing to do succeed. (Those beyond the table: the
// dispatch's tests.)
TEST_F(EntryPointTest, CommandsWithoutAHandler) {
  for (PF_Cmd cmd :
       {PF_Cmd_UNUSED_0, PF_Cmd_DO_DIALOG, PF_Cmd_FRAME_SETUP, PF_Cmd_RENDER, PF_Cmd_FRAME_SETDOWN,
        PF_Cmd_GET_EXTERNAL_DEPENDENCIES, PF_Cmd_COMPLETELY_GENERAL, PF_Cmd_AUDIO_RENDER,
        PF_Cmd_AUDIO_SETUP, PF_Cmd_AUDIO_SETDOWN}) {
    EXPECT_EQ(run(cmd), PF_Err_NONE) << "command " << cmd;
  }
}

}  // namespace
}  // namespace simhost
