// The host's services for frames that the frames through EffectMain do not
// show on their own: the in-front composite's arithmetic and placement, PNG
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

  PF_Err transfer(World& src, World& dst, PF_TransferMode xfer, A_u_char opacity, A_long x,
                  A_long y, const PF_MaskWorld* mask = nullptr) {
    PF_InData in_data = instance.make_in_data();
    AEGP_SuiteHandler suites(in_data.pica_basicP);
    const PF_CompositeMode mode{xfer, 0, opacity, 0, 0};
    return suites.WorldTransformSuite1()->transfer_rect(instance.effect_ref(), 1, 0, 0,
                                                        &src.get()->extent_hint, src.get(), &mode,
                                                        mask, x, y, dst.get());
  }

  SimHost host{CallRecording::on};
  EffectInstance instance{host};
};

// One float source pixel in front of one destination pixel: straight alpha,
// the source's alpha scaled by the opacity.
TEST_F(FrameServices, InFrontTransferIsAStraightAlphaOver) {
  struct Case {
    PF_PixelFloat source, dest;
    A_u_char opacity;
    PF_PixelFloat expected;
  };
  for (const Case& c : std::vector<Case>{
           {{1, 1, 0, 0}, {1, 0, 0, 1}, 255, {1, 1, 0, 0}},                 // opaque source covers
           {{1, 1, 0, 0}, {1, 0, 0, 1}, 0, {1, 0, 0, 1}},                   // no opacity: the dest
           {{1, 1, 0, 0}, {1, 0, 0, 1}, 51, {1, 0.2f, 0, 0.8f}},            // a fifth over opaque
           {{0.5f, 0, 1, 0}, {0, 0.3f, 0.3f, 0.3f}, 255, {0.5f, 0, 1, 0}},  // over nothing
           {{0.5f, 1, 1, 1}, {0.5f, 0, 0, 0}, 255, {0.75f, 2 / 3.0f, 2 / 3.0f, 2 / 3.0f}},
           {{0, 1, 1, 1}, {0, 0, 0, 0}, 255, {0, 0, 0, 0}}}) {  // nothing over nothing
    World src(1, 1, PixelFormat::argb_float), dst(1, 1, PixelFormat::argb_float);
    src.pixel_float(0, 0) = c.source;
    dst.pixel_float(0, 0) = c.dest;
    ASSERT_EQ(transfer(src, dst, PF_Xfer_IN_FRONT, c.opacity, 0, 0), PF_Err_NONE);
    const PF_PixelFloat got = dst.pixel_float(0, 0);
    const std::string where =
        "opacity " + std::to_string(c.opacity) + ", source alpha " + std::to_string(c.source.alpha);
    EXPECT_NEAR(got.alpha, c.expected.alpha, 1e-6) << where;
    EXPECT_NEAR(got.red, c.expected.red, 1e-6) << where;
    EXPECT_NEAR(got.green, c.expected.green, 1e-6) << where;
    EXPECT_NEAR(got.blue, c.expected.blue, 1e-6) << where;
  }
}

// In 8 bits: the source rectangle's corner lands at the destination offset,
// what falls outside is dropped, channels round to the nearest step. Other
// modes, a mask, worlds of two depths and an injected failure are refused
// and leave the destination as it was.
TEST_F(FrameServices, TransferPlacesTheSourceAtTheOffset) {
  World src(3, 2, PixelFormat::argb8), dst(4, 4, PixelFormat::argb8);
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
  EXPECT_EQ(dst.pixel8(1, 0).alpha, 0);
  EXPECT_EQ(dst.pixel8(2, 1).alpha, 0);

  EXPECT_EQ(transfer(src, dst, PF_Xfer_COPY, 255, 0, 0), PF_Err_BAD_CALLBACK_PARAM);
  World float_dst(4, 4, PixelFormat::argb_float);
  EXPECT_EQ(transfer(src, float_dst, PF_Xfer_IN_FRONT, 255, 0, 0), PF_Err_BAD_CALLBACK_PARAM);
  World mask_pixels(3, 2, PixelFormat::argb8);
  const PF_MaskWorld mask{*mask_pixels.get(), {0, 0}, 0};
  EXPECT_EQ(transfer(src, dst, PF_Xfer_IN_FRONT, 255, 0, 0, &mask), PF_Err_BAD_CALLBACK_PARAM);
  host.fail_call("transfer_rect", PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(transfer(src, dst, PF_Xfer_IN_FRONT, 255, 0, 0), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(dst.pixel8(0, 0).alpha, 0);
  EXPECT_EQ(dst.pixel8(3, 0).red, 51);
  EXPECT_EQ(host.calls_of("transfer_rect").size(), 5u);
}

// Float worlds are written as a viewer shows them: clamped, 8 bits.
TEST_F(FrameServices, PngOfAFloatWorldIsClampedToEightBits) {
  World world(2, 1, PixelFormat::argb_float);
  world.pixel_float(0, 0) = {1.0f, 2.0f, -1.0f, 0.5f};
  world.pixel_float(1, 0) = {0.25f, NAN, 0.2f, 1.0f};
  const std::string path =
      (std::filesystem::temp_directory_path() / "tarvolk_frame_services.png").string();
  std::string error;
  ASSERT_TRUE(write_png(*world.get(), path, &error)) << error;
  const RgbaImage image = read_png(path);
  std::filesystem::remove(path);
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 1);
  EXPECT_EQ(image.rgba, std::vector<uint8_t>({255, 0, 128, 255, 0, 51, 255, 64}));
  World empty(0, 0, PixelFormat::argb8);
  EXPECT_FALSE(write_png(*empty.get(), path, &error));
  EXPECT_EQ(read_png(path).width, 0);
}

// A world point seen by the camera: world to camera space, then the pinhole
// projection onto the plane at the zoom distance, in composition pixels.
std::array<double, 2> project(const PF_InData& in_data, double x, double y, double z) {
  AEGP_SuiteHandler suites(in_data.pica_basicP);
  A_Matrix4 camera{};
  A_FpLong zoom = 0;
  A_short w = 0;
  A_short h = 0;
  const A_Time time{0, 24};
  EXPECT_EQ(suites.PFInterfaceSuite1()->AEGP_GetEffectCameraMatrix(in_data.effect_ref, &time,
                                                                   &camera, &zoom, &w, &h),
            A_Err_NONE);
  // Rows of the camera-to-world matrix are its axes; its bottom row is its place.
  const double d[3] = {x - camera.mat[3][0], y - camera.mat[3][1], z - camera.mat[3][2]};
  double local[3];
  for (int axis = 0; axis < 3; ++axis) {
    local[axis] =
        d[0] * camera.mat[axis][0] + d[1] * camera.mat[axis][1] + d[2] * camera.mat[axis][2];
  }
  return {zoom * local[0] / local[2] + w / 2.0, zoom * local[1] / local[2] + h / 2.0};
}

// The default camera and a camera layer facing the composition's centre both
// show the plane z = 0 at its own size; one aimed elsewhere moves it.
TEST_F(FrameServices, CameraMatrixIsTheCompositionsCamera) {
  scene::Composition comp(400, 200, 24);
  scene::Layer& layer = comp.add_layer(scene::LayerKind::solid, "Plate");
  comp.attach_effect(instance.effect_ref(), layer.id);
  const PF_InData in_data = instance.make_in_data();
  struct Case {
    const char* what;
    std::array<double, 2> seen;  // where (300, 150, 0) appears
  };
  auto expect_seen = [&](const Case& c) {
    const std::array<double, 2> p = project(in_data, 300, 150, 0);
    EXPECT_NEAR(p[0], c.seen[0], 1e-9) << c.what;
    EXPECT_NEAR(p[1], c.seen[1], 1e-9) << c.what;
  };
  expect_seen({"default camera", {300, 150}});
  scene::Layer& camera = comp.add_layer(scene::LayerKind::camera, "Camera");
  expect_seen({"new camera layer", {300, 150}});
  camera.camera.point_of_interest = scene::Vec3{100, 100, 0};
  camera.transform.position = scene::Vec3{100, 100, -comp.default_camera_zoom()};
  expect_seen({"camera moved with its aim", {400, 150}});
  camera.start_time = 1.0;
  expect_seen({"camera not started yet", {300, 150}});
  comp.detach_effect(instance.effect_ref());
}

}  // namespace
}  // namespace simhost
