// The host's services for frames: the in-front composite's placement and
// rounding (its arithmetic: the golden frame with the input in front), PNG
// files of float worlds, and the composition's camera.

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

// Float worlds are written as a viewer shows them: clamped, 8 bits.
TEST_F(FrameServices, PngOfAFloatWorldIsClampedToEightBits) {
  World world(2, 1, PixelFormat::ArgbFloat);
  world.pixel_float(0, 0) = {1.0f, 2.0f, -1.0f, 0.5f};
  world.pixel_float(1, 0) = {0.25f, NAN, 0.2f, 1.0f};
  const std::string path =
      (std::filesystem::temp_directory_path() / "tarvolk_frame_services.png").string();
  std::string error;
  ASSERT_TRUE(write_png(*world.get(), path, &error)) << error;
  const RgbaImage image = read_png(path);
  std::filesystem::remove(path);
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.rgba, std::vector<uint8_t>({255, 0, 128, 255, 0, 51, 255, 64}));
  World empty(0, 0, PixelFormat::Argb8);
  EXPECT_FALSE(write_png(*empty.get(), path, &error));
  EXPECT_EQ(read_png(path).width, 0);
}

// The default camera and a camera layer facing the composition's centre both
// show the plane z = 0 at its own size; one aimed elsewhere moves it, until
// it starts.
TEST_F(FrameServices, CameraMatrixIsTheCompositionsCamera) {
  scene::Composition comp(400, 200, 24);
  comp.attach_effect(instance.effect_ref(), comp.add_layer(scene::LayerKind::Solid, "Plate").id);
  const PF_InData in_data = instance.make_in_data();
  // Where (300, 150, 0) appears: world to camera space (the rows of the
  // camera-to-world matrix are its axes, its bottom row its place), then the
  // pinhole projection onto the plane at the zoom distance.
  const auto expect_seen = [&](const char* what, double x, double y) {
    AEGP_SuiteHandler suites(in_data.pica_basicP);
    A_Matrix4 camera{};
    A_FpLong zoom = 0;
    A_short w = 0, h = 0;
    const A_Time time{0, 24};
    ASSERT_EQ(suites.PFInterfaceSuite1()->AEGP_GetEffectCameraMatrix(in_data.effect_ref, &time,
                                                                     &camera, &zoom, &w, &h),
              A_Err_NONE);
    const double d[3] = {300 - camera.mat[3][0], 150 - camera.mat[3][1], -camera.mat[3][2]};
    double local[3] = {};
    for (int axis = 0; axis < 3; ++axis) {
      for (int k = 0; k < 3; ++k) local[axis] += d[k] * camera.mat[axis][k];
    }
    EXPECT_NEAR(zoom * local[0] / local[2] + w / 2.0, x, 1e-9) << what;
    EXPECT_NEAR(zoom * local[1] / local[2] + h / 2.0, y, 1e-9) << what;
  };
  expect_seen("default camera", 300, 150);
  scene::Layer& camera = comp.add_layer(scene::LayerKind::Camera, "Camera");
  expect_seen("new camera layer", 300, 150);
  camera.camera.point_of_interest = scene::Vec3{100, 100, 0};
  camera.transform.position = scene::Vec3{100, 100, -comp.default_camera_zoom()};
  expect_seen("camera moved with its aim", 400, 150);
  camera.start_time = 1.0;
  expect_seen("camera not started yet", 300, 150);
  comp.detach_effect(instance.effect_ref());
}

}  // namespace
}  // namespace simhost
