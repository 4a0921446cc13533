// How a frame fails: the early exit, the renderer's report lines and error texts, bad input.

#include <GL/glew.h>

#include <limits>
#include <thread>

#include "platform/win32_hooks.h"
#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::vector<RenderCheck> checks_seen;

class RenderErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    scene.outlines({bezier_rect(40, 30, 120, 100), ellipse(150, 80, 30, 40)});
    checks_seen.clear();
  }
  void TearDown() override {
    RendererHooks::set_render_check_hook(nullptr);
    host.host.clear_failures();
    EXPECT_EQ(host.host.balance_report(), "");
  }

  // Renders and returns the result, keeping what went to the standard error stream.
  PF_Err render(const RenderInput& in, World& out) {
    ::testing::internal::CaptureStderr();
    const PF_Err err = render_layer(&in, out.get(), &text);
    report = ::testing::internal::GetCapturedStderr();
    return err;
  }
  PF_Err render(const RenderInput& in) { return render(in, out); }
  size_t drawn_pixels() { return count_alpha(simhost::rgba_image_of(*out.get()), 1, 255); }

  Scene scene{200, 150};
  RenderHost host;
  World out{200, 150, PixelFormat::argb8};
  std::string text;
  std::string report;
};

TEST_F(RenderErrors, InnerExtrusionSeenFromBehindClearsThroughTheHostWithoutGl) {
  PreRenderPlan plan = scene.plan();
  plan.inner_extrusion = 1;
  plan.face_to_draw = face_back;
  const RenderInput in = host.input(plan);
  out.pixel8(3, 4) = {255, 200, 100, 50};
  text = "untouched";
  // On a thread of its own, so that no context of this process's other tests counts.
  PF_Err err = -1;
  PlatformHooks::reset();
  std::thread([&] { err = render_layer(&in, out.get(), &text); }).join();
  EXPECT_EQ(err, 0);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(out.pixel8(3, 4).alpha, 0);
  EXPECT_EQ(PlatformHooks::call_count(PlatformHooks::Call::wglCreateContext), 0);
  EXPECT_EQ(PlatformHooks::call_count(PlatformHooks::Call::wglMakeCurrent), 0);

  // A host without a fill callback cannot clear the output: an error, not a silent success.
  PF_InData no_utils = host.in_data;
  no_utils.utils = nullptr;
  RenderInput without_fill = in;
  without_fill.in_data = &no_utils;
  EXPECT_EQ(render_layer(&without_fill, out.get(), &text), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(text, "the host gave no fill callback to clear the output");
}

TEST_F(RenderErrors, PlanWithoutPathsRunsEveryPassAndLeavesTheFrameEmpty) {
  RendererHooks::set_render_check_hook(
      [](RenderCheck check, std::vector<uint32_t>&) { checks_seen.push_back(check); });
  scene.outlines({});
  out.pixel8(10, 10) = {255, 255, 255, 255};
  ASSERT_EQ(render(host.input(scene.plan())), 0) << text;
  EXPECT_EQ(report, "");
  EXPECT_EQ(checks_seen.size(), 13u);
  EXPECT_EQ(drawn_pixels(), 0u);
}

TEST_F(RenderErrors, EachPendingGlErrorGetsALineAndTheFrameFailsOnce) {
  RendererHooks::set_render_check_hook([](RenderCheck check, std::vector<uint32_t>& injected) {
    checks_seen.push_back(check);
    if (check == RenderCheck::side_pass) injected = {GL_INVALID_ENUM, GL_INVALID_OPERATION};
  });
  EXPECT_EQ(render(host.input(scene.plan())), 512);
  EXPECT_EQ(text, "GL error: 1280 1282");
  // Three lines naming the same check, the OpenGL ones first; nothing runs after the pass.
  const std::string line_start = report.substr(0, report.find("]: ") + 3);
  EXPECT_EQ(line_start.rfind("[ERROR:renderer/render_layer.cpp:", 0), 0u) << report;
  EXPECT_EQ(report, line_start + "OpenGL Error: 1280\n" + line_start + "OpenGL Error: 1282\n" +
                        line_start + "PF_Err: 512, GL error: 1280 1282\n");
  EXPECT_EQ(checks_seen.back(), RenderCheck::side_pass);

  // A real GL error is caught at the next check, and the next frame starts clean.
  RendererHooks::set_render_check_hook([](RenderCheck check, std::vector<uint32_t>&) {
    if (check == RenderCheck::outline_pass) glEnable(0xDEAD);  // not a capability
  });
  EXPECT_EQ(render(host.input(scene.plan())), 512);
  EXPECT_EQ(text, "GL error: 1280");
  RendererHooks::set_render_check_hook(nullptr);
  EXPECT_EQ(render(host.input(scene.plan())), 0) << report;
}

TEST_F(RenderErrors, FailedTransfersNameTheirSizeAndKeepTheHostsCode) {
  // The read-back's handle does not lock. Without "Inherit Layer Color" nothing samples the
  // input, so nothing is uploaded and the read-back's is the frame's first handle.
  host.host.fail(simhost::Fail::lock_handle);
  EXPECT_EQ(render(host.input(scene.plan())), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(text, "failed to download composite_fb into output texture (200x150)");
  EXPECT_EQ(count_of(report, "]: PF_Err: 4, " + text + "\n"), 1) << report;

  // The upload's handle does not lock.
  scene.request.inherit_layer_color = 1;
  World layer(64, 48, PixelFormat::argb8);
  RenderInput in = host.input(scene.plan());
  in.input = layer.get();
  host.host.fail(simhost::Fail::lock_handle);
  EXPECT_EQ(render(in), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(text, "failed to upload input texture (64x48)");
}

TEST_F(RenderErrors, OutputsAndPlansThatCannotBeDrawnFailWithAText) {
  // Zero-sized attachments leave the first framebuffer incomplete.
  World empty(0, 0, PixelFormat::argb8);
  EXPECT_EQ(render(host.input(scene.plan()), empty), 512);
  EXPECT_EQ(text, "face_fb framebuffer incomplete: 36054");
  EXPECT_EQ(count_of(report, "]: Framebuffer Incomplete: 36054\n"), 1) << report;

  // Face textures beyond what GL can hold; sizes beyond the integer range reach GL as the
  // largest size, which it refuses too.
  RenderInput in = host.input(scene.plan());
  in.ssaa = 200;
  EXPECT_EQ(render(in), 512);
  EXPECT_EQ(text, "failed to create depth_tex (40000x30000), GL error: 1281");
  in.ssaa = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(render(in), 512);
  EXPECT_EQ(text.rfind("failed to create depth_tex (2147483647x2147483647), GL error:", 0), 0u)
      << text;

  // Values that are not finite are refused before any geometry.
  PreRenderPlan plan = scene.plan();
  plan.paths[0][1].x = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(render(host.input(plan)), 512);
  EXPECT_EQ(text, "render plan holds a value that is not finite in paths");
  plan = scene.plan();
  plan.path_to_screen[5] = std::numeric_limits<double>::infinity();
  EXPECT_EQ(render(host.input(plan)), 512);
  EXPECT_EQ(text, "render plan holds a value that is not finite in path_to_screen");
}

TEST_F(RenderErrors, ThreadWithoutContextFailsWithoutAReportLine) {
  const RenderInput in = host.input(scene.plan());
  PF_Err err = 0;
  PlatformHooks::reset();
  PlatformHooks::fail_call(PlatformHooks::Call::wglCreateContext);
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  std::thread([&] { err = render_layer(&in, out.get(), &text); }).join();
  (void)::testing::internal::GetCapturedStdout();
  report = ::testing::internal::GetCapturedStderr();
  PlatformHooks::reset();
  EXPECT_EQ(err, 512);
  EXPECT_EQ(text, "local_render_data was nullptr");
  EXPECT_EQ(report, "");
}

TEST_F(RenderErrors, GradientWithoutStopsStillRendersTheSolid) {
  RenderInput in = host.input(scene.plan());
  in.side_fill.clear();
  ASSERT_EQ(render(in), 0) << text;
  EXPECT_GT(drawn_pixels(), 6000u);
}

TEST_F(RenderErrors, EyeAtInfinityRendersWithFiniteGeometry) {
  // Camera mode with a parallel, oblique view: a point at depth s is drawn shifted by
  // s * (0.6, -0.8), the eye has no finite foot point on the layer, and depth maps to w = 0 on
  // screen. Chains are cut as in directional mode, along the receding direction.
  PreRenderPlan plan = scene.plan();
  plan.extrusion_mode = ExtrusionMode::camera;
  plan.path_to_screen = {1, 0, 0, 0, 0, 1, 0, 0, -0.6, 0.8, 0.001, 0, 0, 0, 0.5, 1};
  plan.back_extrusion_amount = 30;
  const RenderInput in = host.input(plan);

  FrameGeometry geometry;
  ASSERT_EQ(build_frame_geometry(frame_geometry_input(in, *out.get()), geometry, text), 0);
  const ChainSetup& setup = geometry.chain_setup;
  EXPECT_EQ(setup.params.mode, ExtrusionMode::directional);
  EXPECT_NEAR(setup.params.direction.x, 0.6, 1e-12);
  EXPECT_NEAR(setup.params.direction.y, -0.8, 1e-12);
  EXPECT_FALSE(dvec4_not_equal(setup.rotation, dmat2_diagonal(1.0)));
  EXPECT_EQ(setup.screen_vanishing_point.x, -1000000.0);
  ASSERT_FALSE(geometry.side_mesh.vertices.empty());
  for (const SideVertex& v : geometry.side_mesh.vertices) {
    ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.normal_x) &&
                std::isfinite(v.normal_y));
  }
  for (const OutlineVertex& v : geometry.outline_mesh.vertices) {
    ASSERT_TRUE(std::isfinite(v.p1_x) && std::isfinite(v.p1_y) && std::isfinite(v.p2_x) &&
                std::isfinite(v.p2_y));
  }
  ASSERT_EQ(render(in), 0) << text;
  EXPECT_GT(drawn_pixels(), 6000u);
}

}  // namespace
}  // namespace tarvolk::test
