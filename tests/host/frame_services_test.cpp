// The in-front composite the host serves for frames: placement, rounding
// and what it refuses. (Its arithmetic: the golden frame with the input in
// front. The default camera: pre-render's camera case; camera layers:
// tarvolk-host's camera example. Float worlds as pictures: the golden float
// frame.)

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "host/instance/effect_instance.h"
#include "host/png.h"
#include "host/scene/composition.h"
#include "host/sim_host.h"
#include "host_support/aegp_suite_handler.h"

namespace simhost {
namespace {

class FrameServices : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.balance_report(), ""); }

  PF_Err transfer(World& src, World& dst, PF_TransferMode xfer, A_u_char opacity, A_long x = 0,
                  A_long y = 0) {
    PF_InData in_data = instance.make_in_data();
    AEGP_SuiteHandler suites(in_data.pica_basicP);
    const PF_CompositeMode mode{xfer, 0, opacity, 0, 0};
    return suites.WorldTransformSuite1()->transfer_rect(instance.effect_ref(), 1, 0, 0,
                                                        &src.get()->extent_hint, src.get(), &mode,
                                                        nullptr, x, y, dst.get());
  }

  SimHost host;
  EffectInstance instance{host};
};

// In 8 bits: the source rectangle's corner lands at the destination offset,
// what falls outside is dropped, channels round to the nearest step. Other
// modes, and worlds of two depths, are refused.
TEST_F(FrameServices, TransferPlacesTheSourceAtTheOffset) {
  World src(3, 2, PixelFormat::Argb8), dst(4, 4, PixelFormat::Argb8);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) src.pixel8(x, y) = {255, static_cast<A_u_char>(100 * x + y), 0, 0};
  }
  dst.pixel8(3, 0) = {255, 0, 0, 255};
  ASSERT_EQ(transfer(src, dst, PF_Xfer_IN_FRONT, 128, 2, -1), PF_Err_NONE);
  EXPECT_EQ(dst.pixel8(2, 0).red, 1);  // source (0, 1), over nothing
  EXPECT_EQ(dst.pixel8(2, 0).alpha, 128);
  const PF_Pixel8 mixed = dst.pixel8(3, 0);  // source (1, 1) half over blue
  EXPECT_EQ(mixed.alpha, 255);
  EXPECT_EQ(mixed.red, 51);
  EXPECT_EQ(mixed.blue, 127);
  EXPECT_EQ(dst.pixel8(1, 0).alpha + dst.pixel8(2, 1).alpha, 0);
  EXPECT_EQ(transfer(src, dst, PF_Xfer_COPY, 255), PF_Err_BAD_CALLBACK_PARAM);
  World float_dst(4, 4, PixelFormat::ArgbFloat);
  EXPECT_EQ(transfer(src, float_dst, PF_Xfer_IN_FRONT, 255), PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
}  // namespace simhost
