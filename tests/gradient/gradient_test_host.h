#pragma once

// A simulated host for the gradient value's tests: its handle suite, handles
// made from bytes, and a balance check at the end of every test.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gradient_wheel/gradient_value.h"
#include "host/sim_host.h"
#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

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

  // A handle holding exactly these bytes, as the host would make it.
  PF_Handle handle_of(const std::vector<unsigned char>& bytes) {
    PF_Handle h = host_.new_handle(bytes.size());
    void* p = host_.lock_handle(h);
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    host_.unlock_handle(h);
    return h;
  }

  std::vector<unsigned char> bytes_of(PF_Handle h) { return host_.handle_bytes(h); }

  void dispose(PF_Handle h) {
    if (h != nullptr) host_.dispose_handle(h);
  }

  static std::vector<unsigned char> blob(std::uint32_t count,
                                         const std::vector<GradientPoint>& points,
                                         std::size_t extra_bytes = 0) {
    std::vector<unsigned char> bytes(4 + 24 * points.size() + extra_bytes, 0);
    std::memcpy(bytes.data(), &count, 4);
    if (!points.empty()) std::memcpy(bytes.data() + 4, points.data(), 24 * points.size());
    return bytes;
  }

  static std::vector<unsigned char> default_blob() {
    std::vector<GradientPoint> points(default_gradient_points.begin(),
                                      default_gradient_points.end());
    return blob(72, points, 1);
  }

  simhost::SimHost host_;
  PF_InData in_data_{};
  const PF_HandleSuite1* suite_ = nullptr;
};
