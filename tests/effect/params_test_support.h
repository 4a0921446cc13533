#pragma once

// An effect instance driven through the plug-in's EffectMain (linked in, so
// that tests can set what the Windows layer reports), with the balance
// checked after every test.

#include <gtest/gtest.h>

#include "effect/entry_point.h"
#include "host/instance/effect_instance.h"
#include "host/sim_host.h"
#include "platform/win32_testing.h"
#include "tests/support/gradient_bytes.h"

class ParamsTest : public ::testing::Test {
 protected:
  void SetUp() override { win32_testing::reset(); }
  void TearDown() override {
    win32_testing::reset();
    host.clear_failures();
    EXPECT_EQ(host.balance_report(), "");
  }

  PF_Err run(PF_Cmd cmd, void* extra = nullptr) { return instance.run(EffectMain, cmd, extra); }
  void set_up_effect() {
    ASSERT_EQ(run(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    ASSERT_EQ(run(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
  }
  // A checkout at a time in the instance's time scale, checked in at once;
  // arbitrary values are read before the check-in disposes of them.
  PF_ParamDef value_at(PF_ParamIndex slot, A_long time,
                       std::vector<unsigned char>* arbitrary_bytes = nullptr) {
    PF_InData in_data = instance.make_in_data();
    PF_ParamDef def{};
    EXPECT_EQ(in_data.inter.checkout_param(in_data.effect_ref, slot, time, 1, 24, &def),
              PF_Err_NONE);
    if (arbitrary_bytes != nullptr) *arbitrary_bytes = host.handle_bytes(def.u.arb_d.value);
    EXPECT_EQ(in_data.inter.checkin_param(in_data.effect_ref, &def), PF_Err_NONE);
    return def;
  }

  simhost::SimHost host;
  simhost::EffectInstance instance{host};
};
