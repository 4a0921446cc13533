// The simulated host's own services, without a plug-in: the suite registry,
// the balance and its report, handles, injected failures (out of memory
// among them) and parameter
// checkouts. What frames take from the host is judged by the frames: the
// in-front composite by the golden frame with the input in front, the
// camera by pre-render's camera case and tarvolk-host's camera example, a
// layer's own pixels by smart render's face in the layer's colours at full
// and half size, float worlds as pictures by the golden float frame,
// iteration by the pixel transfer tests, which copy every value through it
// and cancel it.

#include "host/sim_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "host/instance/effect_instance.h"
#include "host_api/ae_effect_suites.h"
#include "host_support/aegp_suite_handler.h"

namespace simhost {
namespace {

TEST(SimHost, SuitesAreFoundByNameAndVersionAndCounted) {
  SimHost host;
  SPBasicSuite* basic = host.basic_suite();
  const void* suite = nullptr;
  EXPECT_EQ(basic->AcquireSuite(kPFHandleSuite, 1, &suite), kSPSuiteNotFoundError);
  EXPECT_EQ(basic->AcquireSuite("PF Handle suite", 2, &suite), kSPSuiteNotFoundError);
  EXPECT_EQ(suite, nullptr);
  ASSERT_EQ(basic->AcquireSuite(kPFIterate8Suite, 1, &suite), kSPNoError);
  EXPECT_EQ(host.outstanding()["suite PF Iterate8 Suite v1"], 1);
  EXPECT_EQ(basic->ReleaseSuite(kPFIterate8Suite, 1), kSPNoError);
  EXPECT_EQ(host.acquisitions(kPFIterate8Suite, 1), 1);
  // A suite made missing cannot be had until failures are cleared.
  host.make_suite_missing(kPFHandleSuite, 2);
  EXPECT_EQ(basic->AcquireSuite(kPFHandleSuite, 2, &suite), kSPSuiteNotFoundError);
  host.clear_failures();
  EXPECT_EQ(basic->AcquireSuite(kPFHandleSuite, 2, &suite), kSPNoError);
  EXPECT_EQ(basic->ReleaseSuite(kPFHandleSuite, 2), kSPNoError);
  // Blocks of the basic suite are counted too.
  void *block = nullptr, *bigger = nullptr;
  ASSERT_EQ(basic->AllocateBlock(16, &block), kSPNoError);
  ASSERT_EQ(basic->ReallocateBlock(block, 64, &bigger), kSPNoError);
  EXPECT_EQ(host.outstanding()["block"], 1);
  EXPECT_EQ(basic->FreeBlock(bigger), kSPNoError);
  EXPECT_EQ(host.balance_report(), "");
  // Served calls are not recorded unless asked for.
  EXPECT_THROW(host.calls(), std::logic_error);
}

TEST(SimHost, MistakesAndLeftoversAreNamedInTheReport) {
  SimHost host;
  EXPECT_NE(host.basic_suite()->ReleaseSuite(kPFHandleSuite, 2), kSPNoError);
  PF_Handle gone = host.utils()->host_new_handle(1);
  host.utils()->host_dispose_handle(gone);
  host.utils()->host_dispose_handle(gone);
  host.utils()->host_dispose_handle(nullptr);  // ignored, like free(nullptr)
  // Objects handed out come back once, and as their kind.
  int stream = 0;
  host.hand_out(&stream, "stream", "stream#1 (ADBE Root Vectors Group)");
  EXPECT_EQ(host.name_of(&stream), "stream#1 (ADBE Root Vectors Group)");
  EXPECT_FALSE(host.give_back(&stream, "stream value"));
  EXPECT_TRUE(host.give_back(&stream, "stream"));
  EXPECT_FALSE(host.give_back(&stream, "stream"));
  EXPECT_EQ(host.misuses().size(), 4u);

  PF_Handle h = host.utils()->host_new_handle(1);
  host.utils()->host_lock_handle(h);
  const std::string report = host.balance_report();
  for (const char* line : {"misuse: release of suite PF Handle Suite v2",
                           "1 x handle not given back", "1 x handle left locked"}) {
    EXPECT_NE(report.find(line), std::string::npos) << report;
  }
}

TEST(SimHost, HandlesAreCountedLockedAndResized) {
  SimHost host;
  PF_UtilCallbacks* utils = host.utils();
  PF_Handle h = utils->host_new_handle(5);
  EXPECT_EQ(utils->host_get_handle_size(h), 5u);
  // Fresh memory is not zeroed.
  EXPECT_EQ(host.handle_bytes(h), std::vector<unsigned char>(5, 0xA5));
  std::memcpy(utils->host_lock_handle(h), "abcde", 5);
  EXPECT_EQ(host.lock_count(h), 1);
  utils->host_unlock_handle(h);
  utils->host_unlock_handle(h);  // a second unlock is harmless
  EXPECT_EQ(host.lock_count(h), 0);
  ASSERT_EQ(utils->host_resize_handle(8, &h), PF_Err_NONE);
  const std::vector<unsigned char> resized = host.handle_bytes(h);
  ASSERT_EQ(resized.size(), 8u);
  EXPECT_EQ(std::string(resized.begin(), resized.begin() + 5), "abcde");
  utils->host_dispose_handle(h);
  EXPECT_FALSE(host.is_live_handle(h));
  EXPECT_EQ(host.balance_report(), "");
}

TEST(SimHost, InjectedFailuresSkipCountAndAreRecorded) {
  SimHost host{CallRecording::on};
  void* block = nullptr;
  AEGP_LayerIDVal id = 0;
  PF_UtilCallbacks* utils = host.utils();
  host.fail(Fail::new_handle, 1, 1);
  PF_Handle first = utils->host_new_handle(4);
  EXPECT_EQ(utils->host_new_handle(4), nullptr);
  PF_Handle third = utils->host_new_handle(4);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(third, nullptr);
  // Any served call fails by its function name, with the error asked for.
  host.fail_call("host_resize_handle", PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(utils->host_resize_handle(8, &first), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(utils->host_resize_handle(8, &first), PF_Err_NONE);
  utils->host_dispose_handle(first);
  utils->host_dispose_handle(third);
  const std::vector<CallRecord> resizes = host.calls_of("host_resize_handle");
  ASSERT_EQ(resizes.size(), 2u);
  EXPECT_EQ(resizes[0].text(), "utils host_resize_handle(8, handle#1) -> 512");
  EXPECT_EQ(resizes[0].thread, std::this_thread::get_id());
  EXPECT_LT(resizes[0].sequence, resizes[1].sequence);

  // Where the host's own work runs out of memory, the call gives its
  // family's out-of-memory code, as a C caller takes it: no exception
  // leaves a served call.
  host.run_out_of_memory_in("host_new_handle");
  EXPECT_EQ(utils->host_new_handle(4), nullptr);
  host.run_out_of_memory_in("AllocateBlock");
  EXPECT_EQ(host.basic_suite()->AllocateBlock(8, &block), kSPOutOfMemoryError);
  host.run_out_of_memory_in("AEGP_GetLayerID");
  EXPECT_EQ(AEGP_SuiteHandler(host.basic_suite()).LayerSuite13()->AEGP_GetLayerID(nullptr, &id),
            A_Err_ALLOC);
}

// A checkout is a copy, counted until checked in; a check-in after a failed
// checkout is refused and counted, not unbalanced.
TEST(SimHost, CheckoutsAreCopiesCountedUntilCheckedIn) {
  SimHost host;
  EffectInstance instance(host);
  PF_InData in_data = instance.make_in_data();
  PF_ParamDef def{};
  def.param_type = PF_Param_POPUP;
  def.u.pd.value = def.u.pd.dephault = 2;
  def.u.pd.num_choices = 3;
  ASSERT_EQ(in_data.inter.add_param(in_data.effect_ref, -1, &def), PF_Err_NONE);
  EXPECT_EQ(in_data.inter.add_param(in_data.effect_ref, 5, &def), PF_Err_INVALID_INDEX);
  def = {};
  ASSERT_EQ(in_data.inter.checkout_param(in_data.effect_ref, 1, 0, 1, 24, &def), PF_Err_NONE);
  EXPECT_EQ(def.u.pd.value, 2);
  def.u.pd.value = 3;
  EXPECT_EQ(instance.definition(1).u.pd.value, 2);
  EXPECT_EQ(host.outstanding()["param checkout"], 1);
  EXPECT_EQ(in_data.inter.checkin_param(in_data.effect_ref, &def), PF_Err_NONE);
  EXPECT_EQ(in_data.inter.checkout_param(in_data.effect_ref, 2, 0, 1, 24, &def),
            PF_Err_INVALID_INDEX);
  EXPECT_EQ(in_data.inter.checkout_param(nullptr, 1, 0, 1, 24, &def), PF_Err_BAD_CALLBACK_PARAM);

  host.fail_checkout_of(1);
  def = {};
  EXPECT_NE(in_data.inter.checkout_param(in_data.effect_ref, 1, 0, 1, 24, &def), PF_Err_NONE);
  EXPECT_NE(in_data.inter.checkin_param(in_data.effect_ref, &def), PF_Err_NONE);
  EXPECT_EQ(host.stray_checkins(), 1);
  EXPECT_EQ(host.balance_report(), "");
}

}  // namespace
}  // namespace simhost
