// The host's services for one frame, reached through the records and suites
// the effect is given: the input layer's checkout and pixels, the output
// world, the GUID mix-in, colour conversion, the in-front composite and PNG
// files of worlds.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "effect/aegp_suite_handler.h"
#include "host/effect_instance.h"
#include "host/frame.h"
#include "host/png.h"
#include "host/scene/composition.h"
#include "host/sim_host.h"

namespace simhost {
namespace {

class FrameServices : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.balance_report(), ""); }

  SimHost host;
  EffectInstance instance{host};
};

TEST_F(FrameServices, InDataCarriesTheLayerAndItsDownsampling) {
  struct Case {
    A_long downsample;
    PF_LRect request;  // the whole layer at that resolution
  };
  for (const Case& c : std::vector<Case>{
           {1, {0, 0, 101, 50}}, {2, {0, 0, 51, 25}}, {3, {0, 0, 34, 17}}, {4, {0, 0, 26, 13}}}) {
    instance.layer = {101,
                      50,
                      {1, static_cast<A_u_long>(c.downsample)},
                      {1, static_cast<A_u_long>(c.downsample)}};
    Frame frame(instance, {});
    const PF_InData& in = frame.in_data();
    EXPECT_EQ(in.width, 101);
    EXPECT_EQ(in.height, 50);
    EXPECT_EQ(in.downsample_x.num, 1);
    EXPECT_EQ(in.downsample_x.den, static_cast<A_u_long>(c.downsample));
    EXPECT_EQ(in.downsample_y.den, static_cast<A_u_long>(c.downsample));
    const PF_LRect r = frame.pre_render_extra()->input->output_request.rect;
    EXPECT_EQ(r.right, c.request.right) << "downsample " << c.downsample;
    EXPECT_EQ(r.bottom, c.request.bottom) << "downsample " << c.downsample;
  }
}

// The checkout is the request within the layer; its pixels arrive placed by
// their origin, in the frame's depth.
TEST_F(FrameServices, LayerCheckoutGivesTheRequestedAreaOfTheLayer) {
  World layer(40, 30, PixelFormat::Argb8);
  layer.pixel8(12, 7) = {255, 10, 20, 30};
  instance.layer = {40, 30, {1, 1}, {1, 1}};
  for (A_short bitdepth : {8, 32}) {
    Frame frame(instance, {.bitdepth = bitdepth, .input_layer = &layer});
    Frame::Active active(frame);
    PF_PreRenderCallbacks* cb = frame.pre_render_extra()->cb;
    PF_RenderRequest request{{10, -5, 60, 20}, 0, PF_ChannelMask_ARGB, 0};
    PF_CheckoutResult result{};
    ASSERT_EQ(cb->checkout_layer(instance.effect_ref(), 0, 7, &request, 0, 1, 24, &result), 0);
    EXPECT_EQ(result.result_rect.left, 10);
    EXPECT_EQ(result.result_rect.top, 0);
    EXPECT_EQ(result.result_rect.right, 40);
    EXPECT_EQ(result.result_rect.bottom, 20);
    EXPECT_EQ(result.max_result_rect.right, 40);
    EXPECT_EQ(result.max_result_rect.bottom, 30);
    EXPECT_EQ(cb->checkout_layer(instance.effect_ref(), 3, 8, &request, 0, 1, 24, &result),
              PF_Err_INVALID_INDEX);

    PF_SmartRenderCallbacks* rcb = frame.smart_render_extra()->cb;
    PF_EffectWorld* pixels = nullptr;
    EXPECT_EQ(rcb->checkout_layer_pixels(instance.effect_ref(), 8, &pixels),
              PF_Err_BAD_CALLBACK_PARAM);
    ASSERT_EQ(rcb->checkout_layer_pixels(instance.effect_ref(), 7, &pixels), 0);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels->width, 30);
    EXPECT_EQ(pixels->height, 20);
    EXPECT_EQ(pixels->origin_x, 10);
    EXPECT_EQ(pixels->origin_y, 0);
    if (bitdepth == 8) {
      EXPECT_EQ(pixel_at<PF_Pixel8>(pixels, 2, 7)->blue, 30);
    } else {
      EXPECT_TRUE(pixels->world_flags & PF_WorldFlag_FLOAT);
      EXPECT_FLOAT_EQ(pixel_at<PF_PixelFloat>(pixels, 2, 7)->blue, 30 / 255.0f);
    }
  }
  // Outside a frame's command the callbacks have no frame to serve.
  Frame frame(instance, {});
  PF_RenderRequest request{};
  PF_CheckoutResult result{};
  EXPECT_EQ(frame.pre_render_extra()->cb->checkout_layer(instance.effect_ref(), 0, 0, &request, 0,
                                                         1, 24, &result),
            PF_Err_BAD_CALLBACK_PARAM);
}

// Hosts before effect API 13.11 have no GUID mix-in: a call there is the
// effect's mistake.
TEST_F(FrameServices, GuidMixInIsKeptAndMisusedOnOldHosts) {
  const unsigned char bytes[4] = {1, 2, 3, 4};
  for (PF_SpecVersion version : {PF_SpecVersion{13, 11}, PF_SpecVersion{14, 0}}) {
    Frame frame(instance, {});
    frame.in_data().version = version;
    Frame::Active active(frame);
    EXPECT_EQ(frame.pre_render_extra()->cb->GuidMixInPtr(instance.effect_ref(), 4, bytes), 0);
    ASSERT_EQ(frame.guid_mix_ins().size(), 1u);
    EXPECT_EQ(frame.guid_mix_ins()[0], std::vector<unsigned char>({1, 2, 3, 4}));
  }
  EXPECT_TRUE(host.misuses().empty());

  SimHost old_host;
  EffectInstance old_instance(old_host);
  Frame frame(old_instance, {});
  frame.in_data().version = {13, 10};
  Frame::Active active(frame);
  frame.pre_render_extra()->cb->GuidMixInPtr(old_instance.effect_ref(), 4, bytes);
  ASSERT_EQ(old_host.misuses().size(), 1u);
  EXPECT_NE(old_host.misuses()[0].find("13.10"), std::string::npos);
}

TEST_F(FrameServices, ColorParametersConvertAsTheHostDoes) {
  PF_InData in_data = instance.make_in_data();
  AEGP_SuiteHandler suites(in_data.pica_basicP);
  const PF_ColorParamSuite1* colors = suites.ColorParamSuite1();
  PF_ParamDef param{};
  param.param_type = PF_Param_COLOR;
  param.u.cd.value = {255, 0, 51, 128};
  PF_PixelFloat c{};
  ASSERT_EQ(colors->PF_GetFloatingPointColorFromColorDef(instance.effect_ref(), &param, &c), 0);
  EXPECT_FLOAT_EQ(c.alpha, 1.0f);
  EXPECT_FLOAT_EQ(c.red, 0.0f);
  EXPECT_FLOAT_EQ(c.green, 0.2f);
  EXPECT_FLOAT_EQ(c.blue, 128 / 255.0f);
  param.param_type = PF_Param_SLIDER;
  EXPECT_EQ(colors->PF_GetFloatingPointColorFromColorDef(instance.effect_ref(), &param, &c),
            PF_Err_BAD_CALLBACK_PARAM);
}

// One source pixel composited in front of one destination pixel: straight
// alpha, the source's alpha scaled by the opacity.
TEST_F(FrameServices, InFrontTransferIsAStraightAlphaOver) {
  struct Case {
    PF_PixelFloat source, dest;
    A_u_char opacity;
    PF_PixelFloat expected;
  };
  const std::vector<Case> cases = {
      {{1, 1, 0, 0}, {1, 0, 0, 1}, 255, {1, 1, 0, 0}},                 // opaque source covers
      {{1, 1, 0, 0}, {1, 0, 0, 1}, 0, {1, 0, 0, 1}},                   // no opacity leaves the dest
      {{1, 1, 0, 0}, {1, 0, 0, 1}, 128, {1, 0.502f, 0, 0.498f}},       // half over opaque
      {{0.5f, 0, 1, 0}, {0, 0.3f, 0.3f, 0.3f}, 255, {0.5f, 0, 1, 0}},  // over nothing: source
      {{0.5f, 1, 1, 1}, {0.5f, 0, 0, 0}, 255, {0.75f, 0.6667f, 0.6667f, 0.6667f}},
      {{0, 1, 1, 1}, {0, 0, 0, 0}, 255, {0, 0, 0, 0}},  // nothing over nothing
  };
  PF_InData in_data = instance.make_in_data();
  AEGP_SuiteHandler suites(in_data.pica_basicP);
  const PF_WorldTransformSuite1* transform = suites.WorldTransformSuite1();
  const PF_CompositeMode mode_base{PF_Xfer_IN_FRONT, 0, 255, 0, 0};
  for (PixelFormat format : {PixelFormat::Argb8, PixelFormat::ArgbFloat}) {
    const bool is_float = format == PixelFormat::ArgbFloat;
    const float tolerance = is_float ? 1e-3f : 1.0f / 255;
    for (size_t i = 0; i < cases.size(); ++i) {
      const Case& c = cases[i];
      World src(1, 1, format), dst(1, 1, format);
      auto put = [&](World& w, const PF_PixelFloat& p) {
        if (is_float) {
          w.pixel_float(0, 0) = p;
        } else {
          auto q = [](float v) { return static_cast<A_u_char>(std::lround(v * 255)); };
          w.pixel8(0, 0) = {q(p.alpha), q(p.red), q(p.green), q(p.blue)};
        }
      };
      put(src, c.source);
      put(dst, c.dest);
      PF_CompositeMode mode = mode_base;
      mode.opacity = c.opacity;
      const PF_Rect all = {0, 0, 1, 1};
      ASSERT_EQ(transform->transfer_rect(instance.effect_ref(), 1, 0, 0, &all, src.get(), &mode,
                                         nullptr, 0, 0, dst.get()),
                0);
      PF_PixelFloat got;
      if (is_float) {
        got = dst.pixel_float(0, 0);
      } else {
        const PF_Pixel8 p = dst.pixel8(0, 0);
        got = {p.alpha / 255.0f, p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f};
      }
      const std::string where = "case " + std::to_string(i) + (is_float ? " float" : " 8-bit");
      EXPECT_NEAR(got.alpha, c.expected.alpha, tolerance) << where;
      EXPECT_NEAR(got.red, c.expected.red, tolerance) << where;
      EXPECT_NEAR(got.green, c.expected.green, tolerance) << where;
      EXPECT_NEAR(got.blue, c.expected.blue, tolerance) << where;
    }
  }
}

// The source rectangle's corner lands at the destination offset; what falls
// outside the destination is dropped; other modes and masks are refused.
TEST_F(FrameServices, TransferPlacesTheSourceAtTheOffset) {
  PF_InData in_data = instance.make_in_data();
  AEGP_SuiteHandler suites(in_data.pica_basicP);
  const PF_WorldTransformSuite1* transform = suites.WorldTransformSuite1();
  World src(3, 2, PixelFormat::Argb8), dst(4, 4, PixelFormat::Argb8);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) src.pixel8(x, y) = {255, static_cast<A_u_char>(10 * x + y), 0, 0};
  }
  PF_CompositeMode mode{PF_Xfer_IN_FRONT, 0, 255, 0, 0};
  ASSERT_EQ(transform->transfer_rect(instance.effect_ref(), 1, 0, 0, &src.get()->extent_hint,
                                     src.get(), &mode, nullptr, 2, -1, dst.get()),
            0);
  EXPECT_EQ(dst.pixel8(2, 0).red, 1);   // source (0, 1)
  EXPECT_EQ(dst.pixel8(3, 0).red, 11);  // source (1, 1)
  EXPECT_EQ(dst.pixel8(1, 0).alpha, 0);
  EXPECT_EQ(dst.pixel8(2, 1).alpha, 0);

  mode.xfer = PF_Xfer_COPY;
  EXPECT_EQ(transform->transfer_rect(instance.effect_ref(), 1, 0, 0, nullptr, src.get(), &mode,
                                     nullptr, 0, 0, dst.get()),
            PF_Err_BAD_CALLBACK_PARAM);
  World float_dst(4, 4, PixelFormat::ArgbFloat);
  mode.xfer = PF_Xfer_IN_FRONT;
  EXPECT_EQ(transform->transfer_rect(instance.effect_ref(), 1, 0, 0, nullptr, src.get(), &mode,
                                     nullptr, 0, 0, float_dst.get()),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host.calls_of("transfer_rect").size(), 3u);
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
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 1);
  EXPECT_EQ(image.rgba, std::vector<uint8_t>({255, 0, 128, 255, 0, 51, 255, 64}));
  World empty(0, 0, PixelFormat::Argb8);
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
  scene::Layer& layer = comp.add_layer(scene::LayerKind::Solid, "Plate");
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
  scene::Layer& camera = comp.add_layer(scene::LayerKind::Camera, "Camera");
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
