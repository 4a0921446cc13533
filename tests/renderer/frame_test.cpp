// Pixels of whole frames where they follow from the scene.

#include <array>
#include <cstring>
#include <limits>

#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

// --- whole frames (the face showing the layer's pixels unchanged: its golden frame) ------------

class FramePixels : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.host.balance_report(), ""); }

  void render(const RenderInput& in, World& out) {
    std::string text;
    ASSERT_EQ(render_layer(&in, out.get(), &text), 0) << text;
  }

  Scene scene{200, 150};
  RenderHost host;
};

// The first and last row of column x whose alpha is 255.
std::pair<int, int> opaque_rows(World& out, int x) {
  int first = -1;
  int last = -1;
  for (int y = 0; y < out.get()->height; ++y) {
    if (out.pixel8(x, y).alpha != 255) continue;
    if (first < 0) first = y;
    last = y;
  }
  return {first, last};
}

TEST_F(FramePixels, SupersampledFillStaysWhereItIsAtOnce) {
  // A rectangle from (40, 40) to (120, 100) running 30% of the way towards a vanishing point just
  // above the bottom edge, with a 20-pixel stroke left out (opacity 0): the face targets reach 9
  // pixels below the output, so the output starts 9 pixels into them, 27 samples at 3x. The
  // fill is opaque in the same rows of column 60 at 1x and 3x: the face from row 40, the walls
  // down to row 106.
  scene.outlines({bezier_rect(40, 40, 120, 100)});
  scene.request.mode = ExtrusionMode::vanishing;
  scene.request.direction_deg = 0;
  scene.request.vanishing_x = 180;
  scene.request.vanishing_y = 148;
  scene.request.back = 0.3;
  scene.request.stroke_width = 20;
  RenderInput in = host.input(scene.plan());
  in.stroke_opacity = 0.0f;
  for (const int ssaa : {1, 3}) {
    in.ssaa = ssaa;
    World out(200, 150, PixelFormat::argb8);
    render(in, out);
    EXPECT_EQ(opaque_rows(out, 60), (std::pair<int, int>{40, 106})) << "ssaa " << ssaa;
  }
}

TEST_F(FramePixels, EdgePixelsHoldStraightAlpha) {
  // A star in one colour (face and walls alike), without stroke, smoothed at 3x: a pixel the
  // outline crosses is partly transparent and keeps the full colour, in 8-bit and float alike.
  scene.outlines({polygon({100, 10, 150, 45, 132, 100, 68, 100, 50, 45})});
  scene.request.stroke_width = 0;
  const std::array<float, 3> colour = {0.9f, 0.4f, 0.2f};
  for (const int16_t bitdepth : {8, 32}) {
    RenderInput in = host.input(scene.plan(), bitdepth);
    in.ssaa = 3;
    in.front_fill_color = colour;
    in.side_fill = {{colour[0], colour[1], colour[2], 0.0f}};
    World out(200, 150, bitdepth == 8 ? PixelFormat::argb8 : PixelFormat::argb_float);
    render(in, out);
    int edge_pixels = 0;
    for (int y = 0; y < 150; ++y) {
      for (int x = 0; x < 200; ++x) {
        std::array<float, 4> argb;
        if (bitdepth == 8) {
          const PF_Pixel8& p = out.pixel8(x, y);
          argb = {p.alpha / 255.0f, p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f};
        } else {
          const PF_PixelFloat& p = out.pixel_float(x, y);
          argb = {p.alpha, p.red, p.green, p.blue};
        }
        if (argb[0] < 0.1f || argb[0] > 0.9f) continue;
        ++edge_pixels;
        for (int c = 0; c < 3; ++c) {
          ASSERT_NEAR(argb[c + 1], colour[c], 0.6f / 255) << x << ", " << y << " at " << bitdepth;
        }
      }
    }
    EXPECT_GT(edge_pixels, 100) << bitdepth;
  }
}

}  // namespace
}  // namespace tarvolk::test
