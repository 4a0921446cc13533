// Frames that draw on part of the output clear and composite only the cells the solid can
// reach (geometry/frame_coverage.h): such frames give exactly the pixels of frames cleared and
// composited whole, even over targets a previous frame left holding other values.

#include <GL/glew.h>

#include <cstring>

#include "renderer/render_state.h"
#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

constexpr int frame_width = 480;
constexpr int frame_height = 320;

// --- the same pixels on the GPU ------------------------------------------------------------

TEST(PartlyCoveredFrames, GiveThePixelsOfFramesDrawnWhole) {
  RenderHost host;
  // A bar and a ring in the middle of the output, most of which stays empty.
  const auto block_and_ring = [](Scene& s) {
    s.outlines(
        {bezier_rect(125, 130, 195, 215), ellipse(240, 172, 38, 42), ellipse(240, 172, -18, 22)});
    s.request.back = 25;
    s.request.stroke_width = 3;
  };
  std::vector<std::pair<std::string, Scene>> scenes;
  const auto add = [&](const std::string& name, auto&& setup) {
    Scene s{frame_width, frame_height};
    block_and_ring(s);
    setup(s);
    scenes.emplace_back(name, s);
  };
  add("directional", [](Scene&) {});
  add("wide stroke", [](Scene& s) { s.request.stroke_width = 20, s.request.direction_deg = 300; });
  // The vanishing point near the bottom edge: the face targets reach below the output.
  add("vanishing", [](Scene& s) {
    RenderPlanRequest& r = s.request;
    r.mode = ExtrusionMode::vanishing, r.vanishing_x = 420, r.vanishing_y = 316, r.back = 0.5;
    r.stroke_width = 12;
  });
  add("camera", [](Scene& s) {
    RenderPlanRequest& r = s.request;
    r.mode = ExtrusionMode::camera, r.direction_deg = 0, r.back = 60;
    r.layer_transform = camera_transform(240, 160, 500, 25, -15, 5);
  });
  add("inner", [](Scene& s) { s.request.inner_extrusion = 1; });
  // Across the right and bottom edges, where the stroke's bilinear read wraps around.
  add("at the edges", [](Scene& s) {
    s.outlines({bezier_rect(440, 60, 500, 100), bezier_rect(200, 300, 260, 340)});
  });

  for (const auto& [name, scene] : scenes) {
    for (const int ssaa : {1, 3}) {
      for (const int16_t bitdepth : {int16_t{8}, int16_t{32}}) {
        const std::string what =
            name + ", ssaa " + std::to_string(ssaa) + ", " + std::to_string(bitdepth) + " bits";
        const PixelFormat format = bitdepth == 8 ? PixelFormat::argb8 : PixelFormat::argb_float;
        RenderInput in = host.input(scene.plan(), bitdepth);
        in.ssaa = ssaa;
        in.stroke_opacity = 0.8f;

        // The frame cleared and composited whole, through the render routine's steps.
        World whole(frame_width, frame_height, format);
        std::string text;
        FrameGeometry geometry;
        ASSERT_EQ(build_frame_geometry(frame_geometry_input(in, *whole.get()), geometry, text), 0)
            << text;
        ASSERT_FALSE(geometry.coverage.whole) << what;
        geometry.coverage = FrameCoverage();
        LocalRenderData* render_data = ensure_local_render_data();
        ASSERT_NE(render_data, nullptr);
        {
          FrameGlObjects gl;
          ASSERT_EQ(run_frame_passes(in, *whole.get(), geometry, *render_data, gl, text), 0);
          ASSERT_EQ(read_back_frame(in, gl, whole.get(), text), 0) << text;
        }

        spoil_kept_targets();
        World part(frame_width, frame_height, format);
        ASSERT_EQ(render_layer(&in, part.get(), &text), 0) << text;
        EXPECT_TRUE(bytes_of(part) == bytes_of(whole)) << what;
      }
    }
  }
  EXPECT_EQ(host.host.balance_report(), "");
}

}  // namespace
}  // namespace tarvolk::test
