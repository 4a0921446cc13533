// Whole frames of the render routine compared with reviewed pictures (tests/renderer/golden), each
// scene described with its case.

#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

constexpr int frame_width = 200;
constexpr int frame_height = 150;

class GoldenFrames : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.host.balance_report(), ""); }

  RgbaImage render(const RenderInput& in, PixelFormat format = PixelFormat::argb8) {
    World out(frame_width, frame_height, format);
    std::string text;
    EXPECT_EQ(render_layer(&in, out.get(), &text), 0) << text;
    return simhost::rgba_image_of(*out.get());
  }

  static void expect_golden(const RgbaImage& image, const std::string& name) {
    EXPECT_EQ(compare_with_golden(image, name), "") << name;
  }

  // A block letter and a ring, as a text layer would give them.
  void block_and_ring() {
    scene.outlines({polygon({25, 30, 95, 30, 95, 50, 70, 50, 70, 115, 50, 115, 50, 50, 25, 50}),
                    ellipse(140, 72, 38, 42), ellipse(140, 72, -18, 22)});
    scene.request.back = 25;
  }

  RenderInput input(int16_t bitdepth = 8) { return host.input(scene.plan(), bitdepth); }

  Scene scene{frame_width, frame_height};
  RenderHost host;
};

// A "T" and an "O" pushed 25 pixels down and to the right: yellow faces over terracotta walls,
// dark 2-pixel stroke on every visible edge. Read back as float, the same picture.
TEST_F(GoldenFrames, DirectionalSolidIn8BitAndFloat) {
  block_and_ring();
  expect_golden(render(input()), "directional_solid");
  expect_golden(render(input(32), PixelFormat::argb_float), "directional_solid");
}

// Walls running 35% of the way towards a vanishing point at the top right (180, 15).
TEST_F(GoldenFrames, Vanishing) {
  block_and_ring();
  scene.request.mode = ExtrusionMode::vanishing;
  scene.request.direction_deg = 0;
  scene.request.vanishing_x = 180;
  scene.request.vanishing_y = 15;
  scene.request.back = 0.35;
  expect_golden(render(input()), "vanishing");
}

// Through a perspective camera 300 pixels away, the layer turned 30 degrees about the vertical
// axis, tilted 20 and rolled 10: the solid recedes 40 pixels behind the layer, with converging
// walls.
TEST_F(GoldenFrames, Camera) {
  block_and_ring();
  scene.request.mode = ExtrusionMode::camera;
  scene.request.direction_deg = 0;
  scene.request.layer_transform = camera_transform(100, 75, 300, 30, -20, 10);
  scene.request.back = 40;
  expect_golden(render(input()), "camera");
}

// Inner extrusion seen from the front: the outlines are holes cut into the front cap, through
// which the walls inside and the yellow back cap show; the stroke follows the visible edges.
TEST_F(GoldenFrames, InnerExtrusionFront) {
  block_and_ring();
  scene.request.inner_extrusion = 1;
  const RenderInput in = input();
  ASSERT_EQ(in.plan.face_to_draw, face_front);
  expect_golden(render(in), "inner_front");
}

// Inner extrusion with the camera inside a square tunnel that starts behind the eye and ends 60
// pixels behind the layer: no cap faces the eye, the four inner walls run to the yellow far
// cap in the middle.
TEST_F(GoldenFrames, InnerExtrusionFromInside) {
  scene.outlines({bezier_rect(30, 20, 170, 130)});
  scene.request.mode = ExtrusionMode::camera;
  scene.request.direction_deg = 0;
  scene.request.layer_transform = camera_transform(100, 75, 300, 0, 0);
  scene.request.inner_extrusion = 1;
  scene.request.front = -350;
  scene.request.back = 60;
  const RenderInput in = input();
  ASSERT_EQ(in.plan.face_to_draw, face_none);
  expect_golden(render(in), "inner_open");
}

// Four stops, red at the top, green to the right, blue at the bottom, yellow to the left:
// blended smoothly around the walls by their facing direction, or without interpolation each
// wall in the nearest stop's colour.
TEST_F(GoldenFrames, GradientWithAndWithoutInterpolation) {
  block_and_ring();
  RenderInput in = input();
  in.side_fill = {{0.9f, 0.1f, 0.1f, 0.0f},
                  {0.1f, 0.8f, 0.2f, 90.0f},
                  {0.1f, 0.2f, 0.9f, 180.0f},
                  {0.9f, 0.85f, 0.1f, 270.0f}};
  in.interpolate_gradient = 1;
  expect_golden(render(in), "gradient_smooth");
  in.interpolate_gradient = 0;
  expect_golden(render(in), "gradient_steps");
}

// A 6-pixel light blue stroke at 80% over a fill at 60%: the stroke stays strong, the fill
// half transparent.
TEST_F(GoldenFrames, StrokeOverFill) {
  block_and_ring();
  scene.request.stroke_width = 6;
  RenderInput in = input();
  in.stroke_color = {0.55f, 0.8f, 1.0f};
  in.stroke_opacity = 0.8f;
  in.fill_opacity = 0.6f;
  expect_golden(render(in), "stroke_over_fill");
}

// A thin sliver and a star without stroke, so that only supersampling smooths the edges: at 3x
// smooth outer edges and a smooth seam between face and walls, at 1x stair-stepped edges with
// every pixel in or out.
TEST_F(GoldenFrames, SupersampledThreeAndOne) {
  scene.outlines({polygon({20, 120, 180, 100, 180, 108}),
                  polygon({100, 10, 112, 45,  150, 45, 120, 65, 132, 100,
                           100, 78, 68,  100, 80,  65, 50,  45, 88,  45})});
  scene.request.back = 12;
  scene.request.stroke_width = 0;
  RenderInput in = input();
  in.ssaa = 3;
  const RgbaImage smooth = render(in);
  expect_golden(smooth, "ssaa3");
  EXPECT_GT(count_alpha(smooth, 1, 254), 300u);

  const RgbaImage stepped = render(input());
  expect_golden(stepped, "ssaa1");
  EXPECT_EQ(count_alpha(stepped, 1, 254), 0u);
}

// The face takes the input layer's own colours: a checkerboard of 10-pixel squares, white and
// coloured, the coloured ones running from blue on the left to orange on the right and greener
// towards the bottom, seen through the "T" and the "O"; the walls stay solid. The face maps the
// layer pixel for pixel, so inside the stroke every pixel of the "T"'s bar is the layer's own
// (anisotropic filtering used to blur the squares into their neighbours).
TEST_F(GoldenFrames, FaceSamplesTheInputLayer) {
  block_and_ring();
  scene.request.inherit_layer_color = 1;
  World layer(frame_width, frame_height, PixelFormat::argb8);
  for (int y = 0; y < frame_height; ++y) {
    for (int x = 0; x < frame_width; ++x) {
      const auto ramp = [](int v, int size) { return static_cast<A_u_char>(v * 255 / (size - 1)); };
      const bool light = ((x / 10) + (y / 10)) % 2 == 0;
      layer.pixel8(x, y) = light ? PF_Pixel8{255, 255, 255, 255}
                                 : PF_Pixel8{255, ramp(x, frame_width), ramp(y, frame_height),
                                             static_cast<A_u_char>(255 - ramp(x, frame_width))};
    }
  }
  RenderInput in = input();
  in.input = layer.get();
  const RgbaImage picture = render(in);
  expect_golden(picture, "inherit_input");
  int differing = 0;
  for (int y = 32; y < 48; ++y) {
    for (int x = 27; x < 93; ++x) {
      const uint8_t* p = &picture.rgba[(static_cast<size_t>(y) * frame_width + x) * 4];
      const PF_Pixel8& q = layer.pixel8(x, y);
      differing += p[0] != q.red || p[1] != q.green || p[2] != q.blue || p[3] != q.alpha;
    }
  }
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace tarvolk::test
