// How a frame fails: the early exit, the renderer's report lines and error texts, bad input.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32_testing.h"
#include "renderer/renderer-render.h"
#include "tests/render/render_test_support.h"

namespace tarvolk::test {
namespace {

using simhost::PixelFormat;
using simhost::World;

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class RenderErrors : public ::testing::Test {
 protected:
  void SetUp() override { scene.outlines({rectangle(40, 30, 120, 100), ellipse(150, 80, 30, 40)}); }
  void TearDown() override {
    set_render_check_hook(nullptr);
    host.host().clear_failures();
    EXPECT_EQ(host.host().balance_report(), "");
  }

  // Renders and returns the result, keeping what went to the standard error stream.
  PF_Err render(const RenderInput& in, World& out) {
    ::testing::internal::CaptureStderr();
    const PF_Err err = render_layer(&in, out.get(), &text);
    report = ::testing::internal::GetCapturedStderr();
    return err;
  }

  Scene scene{200, 150};
  RenderHost host;
  std::string text;
  std::string report;
};

TEST_F(RenderErrors, InnerExtrusionSeenFromBehindClearsThroughTheHostWithoutGl) {
  // Runs on a thread of its own, so that no context of this process's other tests counts.
  PreRenderPlan plan = scene.plan();
  plan.inner_extrusion = 1;
  plan.face_to_draw = face_back;
  const RenderInput in = host.input(plan);
  World out(20, 10, PixelFormat::Argb8);
  out.pixel8(3, 4) = {255, 200, 100, 50};
  text = "untouched";

  PF_Err err = -1;
  win32_testing::reset();
  std::thread([&] { err = render_layer(&in, out.get(), &text); }).join();
  EXPECT_EQ(err, 0);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(out.pixel8(3, 4).alpha, 0);
  EXPECT_EQ(out.pixel8(3, 4).red, 0);
  EXPECT_EQ(win32_testing::call_count(win32_testing::Call::wglCreateContext), 0);
  EXPECT_EQ(win32_testing::call_count(win32_testing::Call::wglMakeCurrent), 0);

  // The host's fill failing changes nothing about the result; a host without one is an error.
  host.host().fail(simhost::Fail::Fill);
  EXPECT_EQ(render_layer(&in, out.get(), &text), 0);
  PF_InData no_utils = *host.in_data();
  no_utils.utils = nullptr;
  RenderInput without_fill = in;
  without_fill.in_data = &no_utils;
  EXPECT_EQ(render_layer(&without_fill, out.get(), &text), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(text, "the host gave no fill callback to clear the output");
  EXPECT_EQ(render_layer(nullptr, out.get(), &text), PF_Err_BAD_CALLBACK_PARAM);
}

TEST_F(RenderErrors, PlanWithoutPathsRunsEveryPassAndLeavesTheFrameEmpty) {
  static std::vector<RenderCheck> seen;
  seen.clear();
  set_render_check_hook([](RenderCheck check, std::vector<uint32_t>&) { seen.push_back(check); });
  scene.outlines({});
  World out(200, 150, PixelFormat::Argb8);
  out.pixel8(10, 10) = {255, 255, 255, 255};
  ASSERT_EQ(render(host.input(scene.plan()), out), 0) << text;
  EXPECT_EQ(report, "");
  EXPECT_EQ(seen.size(), 13u);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), RenderCheck::ReadBack);
  EXPECT_EQ(covered_fraction(image_of(out)), 0.0);
}

TEST_F(RenderErrors, EachPendingGlErrorGetsALineAndTheFrameFailsOnce) {
  static std::vector<RenderCheck> seen;
  seen.clear();
  set_render_check_hook([](RenderCheck check, std::vector<uint32_t>& injected) {
    seen.push_back(check);
    if (check == RenderCheck::SidePass) injected = {GL_INVALID_ENUM, GL_INVALID_OPERATION};
  });
  World out(200, 150, PixelFormat::Argb8);
  EXPECT_EQ(render(host.input(scene.plan()), out), 512);
  EXPECT_EQ(text, "GL error: 1280 1282");

  const std::string prefix = "[ERROR:renderer/renderer-render.cpp:";
  EXPECT_EQ(count_of(report, prefix), 3) << report;
  EXPECT_EQ(count_of(report, "]: OpenGL Error: 1280\n"), 1) << report;
  EXPECT_EQ(count_of(report, "]: OpenGL Error: 1282\n"), 1) << report;
  EXPECT_EQ(count_of(report, "]: PF_Err: 512, GL error: 1280 1282\n"), 1) << report;
  // The OpenGL lines come first; all three name the same check.
  EXPECT_LT(report.find("OpenGL Error: 1282"), report.find("PF_Err"));
  const std::string first_line = report.substr(0, report.find("]:"));
  EXPECT_EQ(count_of(report, first_line + "]: "), 3) << report;

  // Nothing runs after the failing pass.
  EXPECT_EQ(seen.back(), RenderCheck::SidePass);
}

TEST_F(RenderErrors, ARealGlErrorIsCaughtAtTheNextCheck) {
  set_render_check_hook([](RenderCheck check, std::vector<uint32_t>&) {
    if (check == RenderCheck::OutlinePass) glEnable(0xDEAD);  // not a capability
  });
  World out(200, 150, PixelFormat::Argb8);
  EXPECT_EQ(render(host.input(scene.plan()), out), 512);
  EXPECT_EQ(text, "GL error: 1280");
  EXPECT_EQ(count_of(report, "]: OpenGL Error: 1280\n"), 1) << report;

  // The next frame on the same context starts clean.
  set_render_check_hook(nullptr);
  EXPECT_EQ(render(host.input(scene.plan()), out), 0) << report;
}

TEST_F(RenderErrors, FailedReadBackNamesTheOutputSizeAndKeepsTheHostsCode) {
  // The upload's handle locks; the read-back's does not.
  host.host().fail(simhost::Fail::LockHandle, 1, 1);
  World out(200, 150, PixelFormat::Argb8);
  EXPECT_EQ(render(host.input(scene.plan()), out), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(text, "failed to download composite_fb into output texture (200x150)");
  EXPECT_EQ(count_of(report,
                     "]: PF_Err: 4, failed to download composite_fb into output "
                     "texture (200x150)\n"),
            1)
      << report;
}

TEST_F(RenderErrors, FailedUploadNamesTheUploadedSize) {
  host.host().fail(simhost::Fail::LockHandle);
  World out(200, 150, PixelFormat::Argb8);
  EXPECT_EQ(render(host.input(scene.plan()), out), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(text, "failed to upload input texture (1x1)");

  World layer(64, 48, PixelFormat::Argb8);
  RenderInput in = host.input(scene.plan());
  in.input = layer.get();
  host.host().fail(simhost::Fail::LockHandle);
  EXPECT_EQ(render(in, out), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(text, "failed to upload input texture (64x48)");
}

TEST_F(RenderErrors, CancelledIterateIsReturnedAsItCame) {
  host.host().fail(simhost::Fail::Iterate);
  World out(200, 150, PixelFormat::Argb8);
  EXPECT_EQ(render(host.input(scene.plan()), out), PF_Interrupt_CANCEL);
  EXPECT_EQ(text, "failed to download composite_fb into output texture (200x150)");
}

TEST_F(RenderErrors, EmptyOutputWorldFailsWithAText) {
  World out(0, 0, PixelFormat::Argb8);
  // Zero-sized attachments leave the first framebuffer incomplete (GL's incomplete attachment).
  EXPECT_EQ(render(host.input(scene.plan()), out), 512);
  EXPECT_EQ(text, "face_fb framebuffer incomplete: 36054");
  EXPECT_EQ(count_of(report, "]: Framebuffer Incomplete: 36054\n"), 1) << report;
  EXPECT_EQ(count_of(report, "]: PF_Err: 512, face_fb framebuffer incomplete: 36054\n"), 1)
      << report;
}

TEST_F(RenderErrors, FaceTexturesBeyondWhatGlCanHoldFailAtTheirCreation) {
  RenderInput in = host.input(scene.plan());
  in.ssaa = 200;
  World out(200, 150, PixelFormat::Argb8);
  EXPECT_EQ(render(in, out), 512);
  EXPECT_EQ(text, "failed to create depth_tex (40000x30000), GL error: 1281");

  // Sizes beyond the integer range reach GL as the largest size, which it refuses too.
  in.ssaa = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(render(in, out), 512);
  EXPECT_EQ(text.rfind("failed to create depth_tex (2147483647x2147483647), GL error:", 0), 0u)
      << text;
}

TEST_F(RenderErrors, NonFiniteValuesInThePlanAreRefusedBeforeAnyGeometry) {
  World out(200, 150, PixelFormat::Argb8);
  const double nan = std::numeric_limits<double>::quiet_NaN();

  PreRenderPlan plan = scene.plan();
  plan.paths[0][1].x = nan;
  EXPECT_EQ(render(host.input(plan), out), 512);
  EXPECT_EQ(text, "render plan holds a value that is not finite in paths");
  EXPECT_EQ(count_of(report, "]: PF_Err: 512, render plan holds"), 1) << report;

  plan = scene.plan();
  plan.extrusion_mode = extrusion_mode_camera;
  plan.path_to_screen[5] = nan;
  EXPECT_EQ(render(host.input(plan), out), 512);
  EXPECT_EQ(text, "render plan holds a value that is not finite in path_to_screen");

  plan = scene.plan();
  plan.back_extrusion_amount = std::numeric_limits<double>::infinity();
  EXPECT_EQ(render(host.input(plan), out), 512);
  EXPECT_EQ(text, "render plan holds a value that is not finite in back_extrusion_amount");

  plan = scene.plan();
  plan.vanishing_point.y = nan;
  EXPECT_EQ(render(host.input(plan), out), 512);
}

TEST_F(RenderErrors, UnknownOutputSelectorIsRefused) {
  RenderInput in = host.input(scene.plan());
  in.output_selector = 2;
  World out(200, 150, PixelFormat::Argb8);
  EXPECT_EQ(render(in, out), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(text, "output_selector 2 is not supported");
}

TEST_F(RenderErrors, ThreadWithoutContextFailsWithoutAReportLine) {
  const RenderInput in = host.input(scene.plan());
  World out(200, 150, PixelFormat::Argb8);
  PF_Err first = 0, second = 0;
  std::string first_text, second_text;
  win32_testing::reset();
  win32_testing::fail_call(win32_testing::Call::wglCreateContext);
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  std::thread([&] {
    first = render_layer(&in, out.get(), &first_text);
    second = render_layer(&in, out.get(), &second_text);
  }).join();
  const std::string out_text = ::testing::internal::GetCapturedStdout();
  report = ::testing::internal::GetCapturedStderr();
  win32_testing::reset();
  EXPECT_EQ(first, 512);
  EXPECT_EQ(first_text, "local_render_data was nullptr");
  EXPECT_EQ(second, 512);
  EXPECT_EQ(second_text, "local_render_data was nullptr");
  EXPECT_EQ(report.find("[ERROR:"), std::string::npos) << report;
  EXPECT_NE(out_text.find("Cannot create OPENGL Context."), std::string::npos) << out_text;
}

TEST_F(RenderErrors, GradientWithoutStopsStillRendersTheSolid) {
  RenderInput in = host.input(scene.plan());
  in.side_fill.clear();
  World out(200, 150, PixelFormat::Argb8);
  ASSERT_EQ(render(in, out), 0) << text;
  EXPECT_EQ(report, "");
  EXPECT_GT(covered_fraction(image_of(out)), 0.2);
}

TEST_F(RenderErrors, EyeAtInfinityRendersWithFiniteGeometry) {
  // Camera mode with a parallel, oblique view: the eye has no finite foot point on the layer.
  PreRenderPlan plan = scene.plan();
  plan.extrusion_mode = extrusion_mode_camera;
  plan.path_to_screen = {1, 0, 0, 0, 0, 1, 0, 0, -0.6, 0.8, 0.001, 0, 0, 0, 0.5, 1};
  plan.back_extrusion_amount = 30;
  const RenderInput in = host.input(plan);
  World out(200, 150, PixelFormat::Argb8);

  FrameGeometry geometry;
  ASSERT_EQ(build_frame_geometry(in, *out.get(), geometry, text), 0);
  ASSERT_FALSE(geometry.side_mesh.vertices.empty());
  for (const SideVertex& v : geometry.side_mesh.vertices) {
    ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.normal_x) &&
                std::isfinite(v.normal_y));
  }
  for (const OutlineVertex& v : geometry.outline_mesh.vertices) {
    ASSERT_TRUE(std::isfinite(v.p1_x) && std::isfinite(v.p1_y) && std::isfinite(v.p2_x) &&
                std::isfinite(v.p2_y));
  }
  ASSERT_EQ(render(in, out), 0) << text;
  EXPECT_GT(covered_fraction(image_of(out)), 0.2);
}

}  // namespace
}  // namespace tarvolk::test
