// The three ways of acquiring a host suite, against the simulated host's
// registry: a scope that throws 13 and reports it, a reporting acquisition
// that gives 516, and the suite table that acquires each suite once.

#include <gtest/gtest.h>

#include "host/sim_host.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/suite_scope.h"

namespace {

constexpr const char* suite_name = "PF Handle Suite";

class SuiteAcquisition : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.balance_report(), ""); }

  // Whether the acquisition threw `err`.
  template <class Acquire>
  static bool throws(PF_Err err, Acquire acquire) {
    try {
      acquire();
    } catch (PF_Err thrown) {
      return thrown == err;
    }
    return false;
  }

  simhost::SimHost host;
  PF_InData in_data = host.make_in_data();
  PF_OutData out_data{};
};

TEST_F(SuiteAcquisition, AScopedSuiteIsHeldForItsScopeAndAMissingOneThrows13) {
  {
    SuiteScope<PF_HandleSuite1> suite(&in_data, &out_data, suite_name, 2);
    EXPECT_NE(suite->host_new_handle, nullptr);
    EXPECT_EQ(host.outstanding()["suite PF Handle Suite v2"], 1);
  }
  EXPECT_EQ(out_data.out_flags, 0);
  host.make_suite_missing(suite_name, 2);
  EXPECT_TRUE(throws(13, [&] { SuiteScope<PF_HandleSuite1>(&in_data, &out_data, suite_name, 2); }));
  EXPECT_EQ(out_data.out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE);
  EXPECT_STREQ(out_data.return_msg, "Not able to acquire AEFX Suite.");
  // Without out_data, or without a basic suite, it still throws.
  EXPECT_TRUE(throws(13, [&] { SuiteScope<PF_HandleSuite1>(&in_data, nullptr, suite_name, 2); }));
  in_data.pica_basicP = nullptr;
  EXPECT_THROW((SuiteScope<PF_HandleSuite1>(&in_data, &out_data, suite_name, 2)), PF_Err);
}

TEST_F(SuiteAcquisition, AReportingAcquisitionGives516) {
  const void* suite = nullptr;
  ASSERT_EQ(acquire_suite_reporting(&in_data, &out_data, suite_name, 2, &suite), PF_Err_NONE);
  EXPECT_NE(suite, nullptr);
  in_data.pica_basicP->ReleaseSuite(suite_name, 2);
  EXPECT_EQ(acquire_suite_reporting(&in_data, &out_data, suite_name, 1, &suite),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(suite, nullptr);
  EXPECT_TRUE(out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
  EXPECT_STREQ(out_data.return_msg, "Not able to acquire AEFX Suite.");
}

// Each suite once, all released at the end, also when one is missing (516)
// or the host says yes but hands out no table.
const void* null_table = nullptr;

TEST_F(SuiteAcquisition, TheSuiteTableAcquiresOnceAndReleasesEverything) {
  host.make_suite_missing("PF iterateFloat Suite", 1);
  host.register_suite("Empty Suite", 1, null_table);
  {
    AEGP_SuiteHandler suites(in_data.pica_basicP);
    const PF_HandleSuite1* a = suites.HandleSuite1();
    EXPECT_EQ(suites.HandleSuite1(), a);
    EXPECT_NE(suites.Iterate8Suite1(), nullptr);
    EXPECT_EQ(host.acquisitions(suite_name, 2), 1);
    EXPECT_EQ(host.outstanding().size(), 2u);
    EXPECT_TRUE(throws(PF_Err_BAD_CALLBACK_PARAM, [&] { suites.IterateFloatSuite1(); }));
    EXPECT_THROW(suites.acquire<PF_HandleSuite1>("Empty Suite", 1), PF_Err);
  }
  EXPECT_THROW((SuiteScope<PF_HandleSuite1>(&in_data, &out_data, "Empty Suite", 1)), PF_Err);
  EXPECT_TRUE(host.outstanding().empty());
  AEGP_SuiteHandler without_host(nullptr);
  EXPECT_THROW(without_host.HandleSuite1(), PF_Err);
}

}  // namespace
