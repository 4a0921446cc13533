#include "gradient_wheel/gradient_handle.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/gradient/gradient_test_host.h"

using GradientHandle = GradientHostTest;
using simhost::Fail;

namespace {

std::vector<GradientPoint> two_points() {
  return {{0.25, 1.0f, 0.5f, 0.5f, 0.5f}, {0.75, 0.5f, 0.0f, 0.25f, 1.0f}};
}

}  // namespace

TEST_F(GradientHandle, DefaultValueMakesA77ByteHandleThatReadsBack) {
  PF_Handle h = nullptr;
  ASSERT_EQ(gradient_points_to_handle(suite_, &h, 3, default_gradient_points.data()), PF_Err_NONE);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(bytes_of(h), default_blob());  // count 72, the stops, one zero byte
  EXPECT_EQ(host_.lock_count(h), 0);

  const std::vector<GradientPoint> back = gradient_points_from_handle(suite_, h);
  ASSERT_EQ(back.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(std::memcmp(&back[i], &default_gradient_points[i], 24), 0) << i;
  }
  EXPECT_EQ(host_.lock_count(h), 0);
  dispose(h);
}

TEST_F(GradientHandle, NoStopsWriteNothing) {
  PF_Handle existing = handle_of({1, 2, 3});
  PF_Handle h = existing;
  EXPECT_EQ(gradient_points_to_handle(suite_, &h, 0, default_gradient_points.data()), PF_Err_NONE);
  EXPECT_EQ(h, existing);
  EXPECT_EQ(gradient_points_to_handle(suite_, &h, 3, nullptr), PF_Err_NONE);
  EXPECT_EQ(h, existing);
  EXPECT_EQ(bytes_of(existing), (std::vector<unsigned char>{1, 2, 3}));
  dispose(existing);
}

TEST_F(GradientHandle, ReadsFloorOfCountOverTwentyFourStops) {
  const struct {
    std::uint32_t count;
    std::size_t extra;
    std::size_t expected;
  } cases[] = {{50, 3, 2}, {0, 49, 0}, {23, 24, 0}, {48, 1, 2}};
  for (const auto& c : cases) {
    PF_Handle h = handle_of(GradientHostTest::blob(c.count, two_points(), c.extra));
    EXPECT_EQ(gradient_points_from_handle(suite_, h).size(), c.expected) << c.count;
    dispose(h);
  }
}

TEST_F(GradientHandle, DamagedValueReadsOnlyTheStopsItHolds) {
  // Shorter than the count itself.
  for (const std::vector<unsigned char>& bytes :
       {std::vector<unsigned char>{}, std::vector<unsigned char>{72}, {72, 0, 0}}) {
    PF_Handle h = handle_of(bytes);
    EXPECT_TRUE(gradient_points_from_handle(suite_, h).empty());
    dispose(h);
  }

  // A count of three stops over two and a half (a cut-off save): the two whole ones.
  std::vector<unsigned char> cut = default_blob();
  cut.resize(4 + 24 * 2 + 12);
  PF_Handle h = handle_of(cut);
  const std::vector<GradientPoint> points = gradient_points_from_handle(suite_, h);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[1].position, 0.333);
  EXPECT_EQ(points[1].green, 1.0f);
  dispose(h);

  // The largest count over one stop.
  h = handle_of(GradientHostTest::blob(0xffffffffu, two_points()));
  EXPECT_EQ(gradient_points_from_handle(suite_, h).size(), 2u);
  dispose(h);

  EXPECT_TRUE(gradient_points_from_handle(suite_, nullptr).empty());
}

TEST_F(GradientHandle, FailedLockReadsEmptyAndLeavesNothingLocked) {
  PF_Handle h = handle_of(default_blob());
  host_.fail(Fail::LockHandle);
  EXPECT_TRUE(gradient_points_from_handle(suite_, h).empty());
  EXPECT_EQ(host_.lock_count(h), 0);
  dispose(h);
}

TEST_F(GradientHandle, FromBytesAddsAZeroByteAndReportsFailures) {
  const unsigned char bytes[] = {9, 8, 7};
  PF_Handle h = nullptr;
  ASSERT_EQ(arb_handle_from_bytes(suite_, &h, bytes, 3), PF_Err_NONE);
  EXPECT_EQ(bytes_of(h), (std::vector<unsigned char>{9, 8, 7, 0}));
  dispose(h);

  // Without bytes the handle is all zeros.
  ASSERT_EQ(arb_handle_from_bytes(suite_, &h, nullptr, 4), PF_Err_NONE);
  EXPECT_EQ(bytes_of(h), std::vector<unsigned char>(5, 0));
  dispose(h);

  // Without a variable nothing is made.
  EXPECT_EQ(arb_handle_from_bytes(suite_, nullptr, bytes, 3), PF_Err_NONE);
  EXPECT_EQ(host_.outstanding().count("handle"), 0u);

  // A handle that cannot be locked stays in the variable, unlocked, for its owner to dispose of.
  host_.fail(Fail::LockHandle);
  h = nullptr;
  EXPECT_EQ(arb_handle_from_bytes(suite_, &h, bytes, 3), PF_Err_OUT_OF_MEMORY);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(host_.is_live_handle(h));
  EXPECT_EQ(host_.lock_count(h), 0);
  dispose(h);

  host_.fail(Fail::NewHandle);
  h = nullptr;
  EXPECT_EQ(gradient_points_to_handle(suite_, &h, 3, default_gradient_points.data()),
            PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(h, nullptr);
}

TEST_F(GradientHandle, DisposeReleasesALockedHandleAndClearsTheVariable) {
  PF_Handle h = handle_of(default_blob());
  host_.lock_handle(h);
  PF_Handle variable = h;
  EXPECT_EQ(arb_handle_dispose(suite_, &variable), PF_Err_NONE);
  EXPECT_FALSE(host_.is_live_handle(h));
  EXPECT_EQ(variable, nullptr);

  EXPECT_EQ(arb_handle_dispose(suite_, &variable), PF_Err_NONE);  // nothing left to dispose of
  EXPECT_EQ(arb_handle_dispose(suite_, nullptr), PF_Err_INTERNAL_STRUCT_DAMAGED);
}
