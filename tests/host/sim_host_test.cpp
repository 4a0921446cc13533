// The simulated host's own services, without a plug-in: the suite registry,
// the balance and its report, handles, injected failures (out of memory
// among them), iteration over pixels, the utility callbacks' fill and
// sprintf, and parameter checkouts. The services of frames (the in-front
// composite, PNG files, the camera) are in frame_services_test.cpp, a
// layer's own pixels in layer_pixels_test.cpp.

#include "host/sim_host.h"

#include <gtest/gtest.h>

#include <atomic>
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
  // A suite not found leaves the caller's pointer null, whatever it held.
  const void* const stale = &host;
  const void* suite = stale;
  EXPECT_EQ(basic->AcquireSuite(kPFHandleSuite, 1, &suite), kSPSuiteNotFoundError);
  EXPECT_EQ(suite, nullptr);
  suite = stale;
  EXPECT_EQ(basic->AcquireSuite("PF Handle suite", 2, &suite), kSPSuiteNotFoundError);
  EXPECT_EQ(suite, nullptr);
  ASSERT_EQ(basic->AcquireSuite(kPFIterate8Suite, 1, &suite), kSPNoError);
  EXPECT_NE(suite, nullptr);
  EXPECT_EQ(host.outstanding()["suite PF Iterate8 Suite v1"], 1);
  EXPECT_EQ(basic->ReleaseSuite(kPFIterate8Suite, 1), kSPNoError);
  EXPECT_EQ(host.acquisitions(kPFIterate8Suite, 1), 1);
  // A suite made missing cannot be had until failures are cleared.
  host.make_suite_missing(kPFHandleSuite, 2);
  suite = stale;
  EXPECT_EQ(basic->AcquireSuite(kPFHandleSuite, 2, &suite), kSPSuiteNotFoundError);
  EXPECT_EQ(suite, nullptr);
  host.clear_failures();
  EXPECT_EQ(basic->AcquireSuite(kPFHandleSuite, 2, &suite), kSPNoError);
  EXPECT_NE(suite, nullptr);
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
  int value = 0;
  host.hand_out(&value, "stream value", "value#1");
  EXPECT_EQ(host.outstanding()["stream value"], 1);
  const std::string report = host.balance_report();
  for (const char* line :
       {"misuse: release of suite PF Handle Suite v2", "1 x handle not given back",
        "1 x handle left locked", "1 x stream value not given back", "still out: value#1"}) {
    EXPECT_NE(report.find(line), std::string::npos) << report;
  }
}

// The utility callbacks of in-data and the "PF Handle Suite" serve the same
// handle calls, under their own names.
template <class HandleCalls>
void expect_handles_counted_locked_and_resized(SimHost& host, const HandleCalls& calls,
                                               const std::string& served_as) {
  host.clear_calls();
  PF_Handle h = calls.host_new_handle(5);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(calls.host_get_handle_size(h), 5u);
  // Fresh memory is not zeroed.
  EXPECT_EQ(host.handle_bytes(h), std::vector<unsigned char>(5, 0xA5));
  std::memcpy(calls.host_lock_handle(h), "abcde", 5);
  EXPECT_EQ(host.lock_count(h), 1);
  EXPECT_NE(host.balance_report().find("left locked"), std::string::npos);
  calls.host_unlock_handle(h);
  calls.host_unlock_handle(h);  // a second unlock is harmless
  EXPECT_EQ(host.lock_count(h), 0);
  ASSERT_EQ(calls.host_resize_handle(8, &h), PF_Err_NONE);
  const std::vector<unsigned char> resized = host.handle_bytes(h);
  ASSERT_EQ(resized.size(), 8u);
  EXPECT_EQ(std::string(resized.begin(), resized.begin() + 5), "abcde");
  EXPECT_EQ(host.outstanding()["handle"], 1);
  calls.host_dispose_handle(h);
  EXPECT_FALSE(host.is_live_handle(h));
  for (const CallRecord& call : host.calls()) EXPECT_EQ(call.suite, served_as) << call.text();
  EXPECT_EQ(host.calls().size(), 7u);
}

TEST(SimHost, HandlesAreCountedLockedAndResized) {
  SimHost host{CallRecording::on};
  {
    SCOPED_TRACE("utility callbacks");
    expect_handles_counted_locked_and_resized(host, *host.utils(), "utils");
  }
  {
    SCOPED_TRACE("PF Handle Suite");
    AEGP_SuiteHandler suites(host.basic_suite());
    const PF_HandleSuite1& suite = *suites.HandleSuite1();
    expect_handles_counted_locked_and_resized(host, suite, kPFHandleSuite);
  }
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
  // A failure asked for twice fails the next two calls, then lets them through.
  host.fail(Fail::lock_handle, 2);
  EXPECT_EQ(utils->host_lock_handle(first), nullptr);
  EXPECT_EQ(utils->host_lock_handle(first), nullptr);
  EXPECT_NE(utils->host_lock_handle(first), nullptr);
  utils->host_unlock_handle(first);
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

// --- iteration ---------------------------------------------------------------

struct Visits {
  std::atomic<int> count{0};
  std::vector<std::atomic<int>> per_pixel;
  A_long width;
  explicit Visits(A_long w, A_long h) : per_pixel(static_cast<size_t>(w * h)), width(w) {}
};

PF_Err count_visit8(void* refcon, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out) {
  auto* visits = static_cast<Visits*>(refcon);
  ++visits->count;
  ++visits->per_pixel[static_cast<size_t>(y * visits->width + x)];
  out->red = static_cast<A_u_char>(x);
  out->green = static_cast<A_u_char>(y);
  out->blue = in->blue;
  return PF_Err_NONE;
}

TEST(SimHost, Iterate8VisitsEachPixelOfTheAreaOnceWithItsPosition) {
  SimHost host;
  World world(7, 9, PixelFormat::argb8);
  world.pixel8(3, 4).blue = 200;
  Visits visits(7, 9);
  AEGP_SuiteHandler suites(host.basic_suite());
  PF_InData in_data = host.make_in_data();
  ASSERT_EQ(suites.Iterate8Suite1()->iterate(&in_data, 0, 9, nullptr, nullptr, &visits,
                                             count_visit8, world.get()),
            PF_Err_NONE);
  EXPECT_EQ(visits.count, 63);
  for (auto& v : visits.per_pixel) EXPECT_EQ(v, 1);
  EXPECT_EQ(world.pixel8(6, 8).red, 6);
  EXPECT_EQ(world.pixel8(6, 8).green, 8);
  // Without a source world the callback sees the destination pixel as input.
  EXPECT_EQ(world.pixel8(3, 4).blue, 200);

  // With a source and an area, clipped to the world.
  World src(4, 4, PixelFormat::argb8);
  World dst(4, 4, PixelFormat::argb8);
  src.pixel8(2, 1).blue = 77;
  Visits in_area(4, 4);
  const PF_Rect area{1, 1, 3, 10};
  ASSERT_EQ(suites.Iterate8Suite1()->iterate(nullptr, 0, 0, src.get(), &area, &in_area,
                                             count_visit8, dst.get()),
            PF_Err_NONE);
  EXPECT_EQ(in_area.count, 6);
  EXPECT_EQ(in_area.per_pixel[0], 0);
  EXPECT_EQ(dst.pixel8(2, 1).blue, 77);
}

PF_Err fail_on_row_5(void*, A_long, A_long y, PF_PixelFloat*, PF_PixelFloat* out) {
  out->alpha = 1.0f;
  return y == 5 ? PF_Err_OUT_OF_MEMORY : PF_Err_NONE;
}

// The first callback error, a world of the other depth, a source smaller
// than the destination, an injected cancel.
TEST(SimHost, IterationStopsWithItsError) {
  SimHost host;
  World eight(5, 5, PixelFormat::argb8);
  World flt(3, 40, PixelFormat::argb_float);
  AEGP_SuiteHandler suites(host.basic_suite());
  const PF_iterateFloatSuite1* iterate_float = suites.IterateFloatSuite1();
  const PF_Iterate8Suite1* iterate8 = suites.Iterate8Suite1();
  EXPECT_EQ(
      iterate_float->iterate(nullptr, 0, 40, nullptr, nullptr, nullptr, fail_on_row_5, flt.get()),
      PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(
      iterate_float->iterate(nullptr, 0, 2, nullptr, nullptr, nullptr, fail_on_row_5, eight.get()),
      PF_Err_BAD_CALLBACK_PARAM);
  Visits visits(5, 5);
  EXPECT_EQ(iterate8->iterate(nullptr, 0, 2, nullptr, nullptr, &visits, count_visit8, flt.get()),
            PF_Err_BAD_CALLBACK_PARAM);
  World small(4, 5, PixelFormat::argb8);
  EXPECT_EQ(
      iterate8->iterate(nullptr, 0, 2, small.get(), nullptr, &visits, count_visit8, eight.get()),
      PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(visits.count, 0);
  host.fail(Fail::iterate);
  EXPECT_EQ(iterate8->iterate(nullptr, 0, 5, nullptr, nullptr, &visits, count_visit8, eight.get()),
            PF_Interrupt_CANCEL);
  EXPECT_EQ(visits.count, 5);  // the first row
}

// --- utility callbacks -------------------------------------------------------

TEST(SimHost, FillWithoutColourOrRectClearsTheWholeWorld) {
  SimHost host;
  World eight(3, 2, PixelFormat::argb8);
  World flt(3, 2, PixelFormat::argb_float);
  const PF_Pixel white{255, 255, 255, 255};
  ASSERT_EQ(host.utils()->fill(nullptr, &white, nullptr, eight.get()), PF_Err_NONE);
  ASSERT_EQ(host.utils()->fill(nullptr, &white, nullptr, flt.get()), PF_Err_NONE);
  EXPECT_EQ(eight.pixel8(2, 1).red, 255);
  EXPECT_EQ(flt.pixel_float(2, 1).alpha, 1.0f);

  const PF_Rect corner{0, 0, 1, 1};
  const PF_Pixel red{255, 255, 0, 0};
  ASSERT_EQ(host.utils()->fill(nullptr, &red, &corner, eight.get()), PF_Err_NONE);
  EXPECT_EQ(eight.pixel8(0, 0).green, 0);
  EXPECT_EQ(eight.pixel8(1, 0).green, 255);

  ASSERT_EQ(host.utils()->fill(nullptr, nullptr, nullptr, eight.get()), PF_Err_NONE);
  ASSERT_EQ(host.utils()->fill(nullptr, nullptr, nullptr, flt.get()), PF_Err_NONE);
  for (const A_long x : {0, 2}) {
    EXPECT_EQ(eight.pixel8(x, 1).alpha + eight.pixel8(x, 1).red + eight.pixel8(x, 0).green, 0);
    EXPECT_EQ(flt.pixel_float(x, 1).alpha + flt.pixel_float(x, 0).blue, 0.0f);
  }
  EXPECT_EQ(host.utils()->fill(nullptr, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
}

TEST(SimHost, SprintfStaysWithinTheHostsMessageLength) {
  SimHost host;
  PF_OutData out{};
  std::memset(out.return_msg, 'x', sizeof out.return_msg);
  const std::string long_text(400, 'a');
  EXPECT_EQ(host.utils()->ansi.sprintf(out.return_msg, "%s", long_text.c_str()), 255);
  EXPECT_EQ(std::strlen(out.return_msg), 255u);
  host.utils()->ansi.sprintf(out.return_msg, "%d-%s", 13, "x");
  EXPECT_STREQ(out.return_msg, "13-x");
  char buffer[8];
  EXPECT_EQ(host.utils()->ansi.strcpy(buffer, "copy"), buffer);
  EXPECT_STREQ(buffer, "copy");
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
  EXPECT_EQ(def.u.pd.value, 0);  // nothing handed out
  EXPECT_NE(in_data.inter.checkin_param(in_data.effect_ref, &def), PF_Err_NONE);
  EXPECT_EQ(host.stray_checkins(), 1);
  EXPECT_EQ(host.balance_report(), "");
}

// Objects handed out are named and counted by their kind until given back;
// once all are back the report is empty again.
TEST(SimHost, ObjectsHandedOutAreNamedUntilGivenBack) {
  SimHost host;
  int stream = 0, value = 0;
  host.hand_out(&stream, "stream", "stream#1 (ADBE Root Vectors Group)");
  host.hand_out(&value, "stream value", "value#1");
  EXPECT_EQ(host.name_of(&stream), "stream#1 (ADBE Root Vectors Group)");
  EXPECT_EQ(host.outstanding()["stream"], 1);
  EXPECT_NE(host.balance_report().find("still out: value#1"), std::string::npos);
  EXPECT_TRUE(host.give_back(&stream, "stream"));
  EXPECT_TRUE(host.give_back(&value, "stream value"));
  EXPECT_EQ(host.balance_report(), "");
}

}  // namespace
}  // namespace simhost
