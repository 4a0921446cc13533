// The "Gradient Wheel" value's callbacks reached as the host reaches them:
// PF_Cmd_ARBITRARY_CALLBACK with arbitrary id 32 through the loaded module.

#include <gtest/gtest.h>

#include <vector>

#include "host/effect_instance.h"
#include "host/plugin_module.h"
#include "tests/gradient/gradient_test_host.h"

namespace {

class GradientThroughEffectMain : public GradientHostTest {
 protected:
  GradientThroughEffectMain() {
    entry_ = [this](PF_ArbParamsExtra& e) {
      return instance_.run(module_, PF_Cmd_ARBITRARY_CALLBACK, &e);
    };
  }

  simhost::PluginModule module_{TARVOLK_MODULE_PATH};
  simhost::EffectInstance instance_{host_};
};

}  // namespace

TEST_F(GradientThroughEffectMain, NewCopyCompareInterpolate) {
  PF_Handle h = nullptr;
  ASSERT_EQ(new_value(&h), PF_Err_NONE);
  A_u_long size = 0;
  ASSERT_EQ(flat_size(h, &size), PF_Err_NONE);
  EXPECT_EQ(size, 5u);
  Bytes flat(5, 0xee);
  ASSERT_EQ(flatten(h, flat), PF_Err_NONE);
  EXPECT_EQ(flat, Bytes(5, 0));

  // Copied over the new value, which goes.
  PF_Handle left = saved(default_blob());
  ASSERT_EQ(copy(left, &h), PF_Err_NONE);
  EXPECT_EQ(host_.handle_bytes(h), default_blob());
  PF_ArbCompareResult result = PF_ArbCompare_LESS;
  ASSERT_EQ(compare(left, h, &result), PF_Err_NONE);
  EXPECT_EQ(result, PF_ArbCompare_EQUAL);

  // Keyframes: halfway between the value and itself.
  PF_Handle between = nullptr;
  ASSERT_EQ(interpolate(left, h, 0.5, &between), PF_Err_NONE);
  ASSERT_EQ(host_.handle_bytes(between).size(), 77u);
  EXPECT_NEAR(points_in(host_.handle_bytes(between))[2].position, 0.666, 1e-12);
  for (PF_Handle v : {h, left, between}) EXPECT_EQ(dispose_value(v), PF_Err_NONE);
}

TEST_F(GradientThroughEffectMain, MissingHandleSuiteIsReported) {
  host_.make_suite_missing(kPFHandleSuite, kPFHandleSuiteVersion1);
  PF_Handle h = nullptr;
  EXPECT_EQ(new_value(&h), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(interpolate(nullptr, nullptr, 0.5, &h), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(h, nullptr);
}
