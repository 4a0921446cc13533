// Content moved by whole pixels within its layer renders as the same pixels, moved: the
// supersampled face, the layer's colours it takes, the walls and the stroke depend on where the
// content lies only through the move itself, across and down alike.

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/module/frame_test_support.h"

namespace simhost::test {
namespace {

// A frame's output in the layer's pixels at the downsampling.
struct Output {
  A_long left = 0;
  A_long top = 0;
  A_long width = 0;
  A_long height = 0;
  std::vector<PF_Pixel8> pixels;

  // Transparent outside the output.
  PF_Pixel8 at(A_long x, A_long y) const {
    x -= left;
    y -= top;
    if (x < 0 || y < 0 || x >= width || y >= height) return {};
    return pixels[static_cast<size_t>(y * width + x)];
  }
};

// How far two pixels differ: alpha, and colour weighted by alpha, in 8-bit levels.
int difference(const PF_Pixel8& a, const PF_Pixel8& b) {
  int d = std::abs(a.alpha - b.alpha);
  for (const auto channel : {&PF_Pixel8::red, &PF_Pixel8::green, &PF_Pixel8::blue}) {
    d = std::max(d, std::abs(a.*channel * a.alpha - b.*channel * b.alpha) / 255);
  }
  return d;
}

class WholePixelMoves : public SceneFrames {
 protected:
  Output render(const json& layer, json parameters, A_u_long across = 1, A_u_long down = 1) {
    load(scene_json(200, 120, layer, std::move(parameters)));
    instance->layer.downsample_x = {1, across};
    instance->layer.downsample_y = {1, down};
    Frame frame(*instance, {});
    EXPECT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    Output out;
    if (World* world = frame.output()) {
      const PF_EffectWorld& w = *world->get();
      out = {w.origin_x, w.origin_y, w.width, w.height, {}};
      for (A_long y = 0; y < w.height; ++y) {
        for (A_long x = 0; x < w.width; ++x) out.pixels.push_back(world->pixel8(x, y));
      }
    }
    finish();
    return out;
  }

  // Every pixel of either output against the other's, `dx`, `dy` pixels on: the largest
  // difference, and where it is.
  static std::string worst_difference(const Output& still, const Output& moved, A_long dx,
                                      A_long dy, int& worst) {
    worst = 0;
    std::string where = "none";
    const A_long left = std::min(still.left, moved.left - dx);
    const A_long top = std::min(still.top, moved.top - dy);
    const A_long right = std::max(still.left + still.width, moved.left - dx + moved.width);
    const A_long bottom = std::max(still.top + still.height, moved.top - dy + moved.height);
    for (A_long y = top; y < bottom; ++y) {
      for (A_long x = left; x < right; ++x) {
        const int d = difference(still.at(x, y), moved.at(x + dx, y + dy));
        if (d > worst) {
          worst = d;
          where = std::to_string(x) + ", " + std::to_string(y);
        }
      }
    }
    return where;
  }
};

json text_at(double x, double y) {
  json layer = text_layer("Tg", 50, x, y);
  layer["text"]["color"] = {236, 228, 210};
  return layer;
}

// Its top left corner up and to the left of (x, y), where the text's baseline starts.
json masks_at(double x, double y) {
  return framed_solid({x - 20, y - 40, x + 70, y + 15}, {x + 5, y - 25, x + 40, y - 2});
}

json look(int master_resolution, bool inherit) {
  return {{"Master Resolution", master_resolution},
          {"Inherit Layer Color", inherit},
          {"Extrusion Direction", 120},
          {"Extrusion Length Back", 14},
          {"Side Fill Color", {60, 110, 170}},
          {"Stroke Width", 1.5},
          {"Stroke Color", {20, 20, 30}}};
}

constexpr std::array<std::array<A_long, 2>, 4> moves = {{{0, 1}, {1, 0}, {7, 3}, {-2, -5}}};

TEST_F(WholePixelMoves, MovedContentGivesTheSamePixelsMoved) {
  const struct {
    const char* name;
    json (*layer)(double, double);
    bool inherit;
  } scenes[] = {{"text in the layer's colours", text_at, true},
                {"text in its own colour", text_at, false},
                {"masks in the layer's colours", masks_at, true}};
  for (const auto& s : scenes) {
    for (const int master_resolution : {1, 2, 3}) {
      const Output still = render(s.layer(60, 70), look(master_resolution, s.inherit));
      ASSERT_FALSE(still.pixels.empty());
      for (const auto& [dx, dy] : moves) {
        SCOPED_TRACE(std::string(s.name) + ", Master Resolution " +
                     std::to_string(master_resolution) + ", moved by " + std::to_string(dx) + ", " +
                     std::to_string(dy));
        const Output moved =
            render(s.layer(60.0 + static_cast<double>(dx), 70.0 + static_cast<double>(dy)),
                   look(master_resolution, s.inherit));
        int worst = 0;
        const std::string where = worst_difference(still, moved, dx, dy, worst);
        EXPECT_LE(worst, 2) << "at " << where;
      }
    }
  }
}

// At a downsampling a move of one pixel there is one of the factor's pixels in the layer.
TEST_F(WholePixelMoves, DownsampledContentMovedByItsPixels) {
  const struct { A_u_long across, down; } factors[] = {{2, 2}, {4, 4}, {2, 4}};
  for (const auto& f : factors) {
    const Output still = render(text_at(60, 70), look(2, true), f.across, f.down);
    ASSERT_FALSE(still.pixels.empty());
    for (const auto& [dx, dy] : moves) {
      SCOPED_TRACE("1/" + std::to_string(f.across) + " across, 1/" + std::to_string(f.down) +
                   " down, moved by " + std::to_string(dx) + ", " + std::to_string(dy));
      const Output moved =
          render(text_at(60.0 + static_cast<double>(dx * static_cast<A_long>(f.across)),
                         70.0 + static_cast<double>(dy * static_cast<A_long>(f.down))),
                 look(2, true), f.across, f.down);
      int worst = 0;
      const std::string where = worst_difference(still, moved, dx, dy, worst);
      EXPECT_LE(worst, 2) << "at " << where;
    }
  }
}

}  // namespace
}  // namespace simhost::test
