#pragma once

// A simulated host for the gradient value's tests: the arbitrary-data
// callbacks by selector, reached directly or through the loaded module, and a
// balance check after every test.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "gradient_wheel/gradient_value.h"
#include "host/sim_host.h"
#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"
#include "tests/support/gradient_bytes.h"

class GradientHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    in_data_ = host_.make_in_data();
    const void* table = nullptr;
    ASSERT_EQ(host_.basic_suite()->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion1, &table),
              kSPNoError);
    suite_ = static_cast<const PF_HandleSuite1*>(table);
  }

  void TearDown() override {
    host_.clear_failures();
    host_.basic_suite()->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1);
    EXPECT_EQ(host_.balance_report(), "");
  }

  PF_Err call(PF_FunctionSelector which, PF_ArbParamsExtra e = {}) {
    e.which_function = which;
    e.id = 32;
    return entry_(e);
  }
  PF_Err new_value(PF_Handle* out) {
    return call(PF_Arbitrary_NEW_FUNC, {.u = {.new_func_params = {.arbPH = out}}});
  }
  PF_Err dispose_value(PF_Handle h) {
    return call(PF_Arbitrary_DISPOSE_FUNC, {.u = {.dispose_func_params = {.arbH = h}}});
  }
  PF_Err copy(PF_Handle src, PF_Handle* dst) {
    return call(PF_Arbitrary_COPY_FUNC,
                {.u = {.copy_func_params = {.src_arbH = src, .dst_arbPH = dst}}});
  }
  PF_Err flat_size(PF_Handle h, A_u_long* size) {
    return call(PF_Arbitrary_FLAT_SIZE_FUNC,
                {.u = {.flat_size_func_params = {.arbH = h, .flat_data_sizePLu = size}}});
  }
  // Empty byte strings still come with a buffer, as from the host.
  PF_Err flatten(PF_Handle h, Bytes& buffer) {
    return call(PF_Arbitrary_FLATTEN_FUNC,
                {.u = {.flatten_func_params = {
                           .arbH = h,
                           .buf_sizeLu = static_cast<A_u_long>(buffer.size()),
                           .flat_dataPV = buffer.empty() ? &nothing_ : buffer.data()}}});
  }
  PF_Err unflatten(const Bytes& bytes, PF_Handle* out) {
    return call(
        PF_Arbitrary_UNFLATTEN_FUNC,
        {.u = {.unflatten_func_params = {.buf_sizeLu = static_cast<A_u_long>(bytes.size()),
                                         .flat_dataPV = bytes.empty() ? &nothing_ : bytes.data(),
                                         .arbPH = out}}});
  }
  PF_Err compare(PF_Handle a, PF_Handle b, PF_ArbCompareResult* result) {
    return call(PF_Arbitrary_COMPARE_FUNC,
                {.u = {.compare_func_params = {.a_arbH = a, .b_arbH = b, .compareP = result}}});
  }
  PF_Err interpolate(PF_Handle left, PF_Handle right, double tF, PF_Handle* out) {
    return call(PF_Arbitrary_INTERP_FUNC,
                {.u = {.interp_func_params = {
                           .left_arbH = left, .right_arbH = right, .tF = tF, .interpPH = out}}});
  }

  // A handle holding exactly these bytes, made by the callbacks.
  PF_Handle saved(const Bytes& bytes) {
    PF_Handle h = nullptr;
    EXPECT_EQ(unflatten(bytes, &h), PF_Err_NONE);
    return h;
  }

  unsigned char nothing_ = 0;
  simhost::SimHost host_;
  PF_InData in_data_{};
  const PF_HandleSuite1* suite_ = nullptr;
  // How the callbacks are reached: set by each test's fixture.
  std::function<PF_Err(PF_ArbParamsExtra&)> entry_;
};
