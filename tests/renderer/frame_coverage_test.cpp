// Frames that draw on part of the output clear and composite only the cells the solid can
// reach: which cells those are, and that such frames give exactly the pixels of frames cleared
// and composited whole, even over targets a previous frame left holding other values.

#include <GL/glew.h>

#include <cstring>

#include "renderer/render_state.h"
#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

constexpr int frame_width = 480;
constexpr int frame_height = 320;

// --- the cover on the CPU ----------------------------------------------------------------------

bool inside(const std::vector<PixelRect>& rects, int x, int y) {
  for (const PixelRect& r : rects) {
    if (x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1) return true;
  }
  return false;
}

// A square of path space whose lower left corner lies at output pixel (x, y).
PathsD square_at(double x, double y, double side = 40) {
  const double py = y - frame_height;
  return {{{x, py, 1}, {x + side, py, 1}, {x + side, py + side, 1}, {x, py + side, 1}}};
}

TEST(FrameCoverage, CoversTheSweptOutlinesAndTilesTheRestOfTheOutput) {
  PreRenderPlan directional;
  directional.extrusion_direction = {1, 0};
  directional.back_extrusion_amount = 60;
  directional.stroke_width = 4;
  PreRenderPlan vanishing = directional;
  vanishing.extrusion_mode = ExtrusionMode::vanishing;
  vanishing.vanishing_point = {300, 120 - frame_height};
  vanishing.back_extrusion_amount = 1.5;  // past the vanishing point, mirrored
  PreRenderPlan camera = directional;
  camera.extrusion_mode = ExtrusionMode::camera;
  // Depth s pushes a point by (s, 0) and shrinks it about the origin by 1 + s / 1000.
  camera.path_to_screen = {1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, -0.001, 0, 0, 0, 1};
  PreRenderPlan behind_the_eye = camera;
  // w = 1 - depth / 100: the back outline, 200 deep, lies behind the eye.
  behind_the_eye.path_to_screen = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0.01, 0, 0, 0, 1};
  behind_the_eye.back_extrusion_amount = 200;

  const struct {
    const char* name;
    PathsD paths;
    PreRenderPlan plan;
    bool whole;
    std::vector<std::pair<int, int>> drawn;  // output pixels the cover must hold
    bool colors_finite = true;
  } cases[] = {
      // The square, its walls 60 pixels to the right, the stroke around both.
      {"directional", square_at(100, 100), directional, false, {{98, 120}, {200, 120}, {150, 142}}},
      // Back depth 1.5: the back outline lies mirrored beyond the vanishing point.
      {"vanishing beyond the point",
       square_at(100, 100),
       vanishing,
       false,
       {{120, 120}, {390, 120}}},
      {"camera", square_at(100, 100), camera, false, {{120, 120}, {200, 100}}},
      // Walls on the right edge: the composite's bilinear read wraps to the left edge.
      {"at the right edge", square_at(430, 200), directional, false, {{470, 220}, {0, 220}}},
      {"nothing", {}, directional, false, {}},
      {"behind the eye", square_at(100, 100), behind_the_eye, true, {}},
      {"most of the output", square_at(10, 10, 440), directional, true, {}},
      // Where nothing is drawn the composite is then not transparent.
      {"colour not finite", square_at(100, 100), directional, true, {}, false},
  };
  const RectD output{0, -frame_height, frame_width, 0};
  for (const auto& c : cases) {
    const FrameCoverage coverage =
        compute_frame_coverage(c.paths, c.plan, output, output, c.colors_finite);
    ASSERT_EQ(coverage.whole, c.whole) << c.name;
    if (c.whole) continue;
    for (const auto& [x, y] : c.drawn) {
      EXPECT_TRUE(inside(coverage.drawn, x, y)) << c.name << " at " << x << ", " << y;
    }
    // Every output pixel is either drawn or empty, never both.
    for (int y = 0; y < frame_height; y += 4) {
      for (int x = 0; x < frame_width; x += 4) {
        EXPECT_NE(inside(coverage.drawn, x, y), inside(coverage.empty, x, y))
            << c.name << " at " << x << ", " << y;
      }
    }
    EXPECT_TRUE(inside(coverage.empty, 300, 20)) << c.name;
  }
}

// --- the same pixels on the GPU ------------------------------------------------------------

std::vector<unsigned char> bytes_of(simhost::World& world) {
  const PF_EffectWorld& w = *world.get();
  const size_t row = static_cast<size_t>(w.width) * (world.format() == PixelFormat::argb8 ? 4 : 16);
  std::vector<unsigned char> bytes;
  for (int y = 0; y < w.height; ++y) {
    const auto* data =
        static_cast<const unsigned char*>(w.data) + static_cast<size_t>(y) * w.rowbytes;
    bytes.insert(bytes.end(), data, data + row);
  }
  return bytes;
}

// Fills every target the thread keeps with values no frame writes.
void spoil_kept_targets() {
  FrameTargets& targets = *ensure_local_render_data()->targets;
  glDisable(GL_SCISSOR_TEST);
  targets.face_fb.bind();
  glClearColor(7.0f, -3.0f, 0.5f, 2.0f);
  glClearDepth(0.3);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  targets.outline_fb.bind();
  glClearColor(9.0f, 9.0f, 9.0f, 9.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  targets.composite_fb.bind();
  glClear(GL_COLOR_BUFFER_BIT);
}

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
        ASSERT_EQ(build_frame_geometry(in, *whole.get(), geometry, text), 0) << text;
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
