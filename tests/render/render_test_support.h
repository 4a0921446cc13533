#pragma once

// Scenes for the render routine's tests: outlines in host space, plans made by the plan builder,
// a simulated host with its worlds, output worlds as images and their golden comparison.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "host/sim_host.h"
#include "renderer/matrix.h"
#include "renderer/render_plan.h"
#include "renderer/renderer-render.h"

namespace tarvolk::test {

// A closed polygon with straight segments (control points on the vertices), host space.
inline BezierPath polygon(std::initializer_list<std::pair<double, double>> points) {
  BezierPath path;
  for (const auto& [x, y] : points) path.push_back({x, y, x, y, x, y});
  return path;
}

inline BezierPath rectangle(double left, double top, double right, double bottom) {
  return polygon({{left, top}, {right, top}, {right, bottom}, {left, bottom}});
}

// An ellipse of four cubic segments, host space: clockwise on screen, or anticlockwise (a hole)
// when `rx` is negative.
inline BezierPath ellipse(double cx, double cy, double rx, double ry) {
  constexpr double k = 0.5522847498;
  return {
      {cx + rx, cy, cx + rx, cy - k * ry, cx + rx, cy + k * ry},
      {cx, cy + ry, cx + k * rx, cy + ry, cx - k * rx, cy + ry},
      {cx - rx, cy, cx - rx, cy + k * ry, cx - rx, cy - k * ry},
      {cx, cy - ry, cx - k * rx, cy - ry, cx + k * rx, cy - ry},
  };
}

// A camera `distance` in front of the layer looking at host point (cx, cy), after turning the
// layer by `roll_deg` in its plane, `yaw_deg` about the vertical axis through that point and
// `pitch_deg` about the horizontal one: host (x, y, depth, 1) to homogeneous output
// coordinates, host space.
inline dmat4 camera_transform(double cx, double cy, double distance, double yaw_deg,
                              double pitch_deg, double roll_deg = 0.0) {
  const double a = yaw_deg * M_PI / 180.0;
  const double b = pitch_deg * M_PI / 180.0;
  const double c = roll_deg * M_PI / 180.0;
  const dmat4 roll = {std::cos(c), std::sin(c), 0, 0, -std::sin(c), std::cos(c), 0, 0, 0, 0, 1, 0,
                      0,           0,           0, 1};
  const dmat4 yaw = {std::cos(a), 0, -std::sin(a), 0, 0, 1, 0, 0,
                     std::sin(a), 0, std::cos(a),  0, 0, 0, 0, 1};
  const dmat4 pitch = {1, 0, 0, 0, 0, std::cos(b), -std::sin(b), 0, 0, std::sin(b), std::cos(b),
                       0, 0, 0, 0, 1};
  const dmat4 push_back = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, distance, 1};
  // Perspective with the focal length equal to the distance, so the layer plane keeps its scale;
  // points less than 1 pixel in front of the eye lie behind the near plane.
  const dmat4 perspective = {distance, 0, 0, 0, 0, distance, 0, 0, cx, cy, 1, 1, 0, 0, -2, 0};
  dmat4 m = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -cx, -cy, 0, 1};
  for (const dmat4& next : {roll, yaw, pitch, push_back, perspective}) m = mat4_multiply(next, m);
  return m;
}

struct Scene {
  RenderPlanRequest request;

  Scene(int width, int height) {
    request.request_rect = {0, 0, width, height};
    request.layer_width = width;
    request.layer_height = height;
    request.corner_angle_deg = 60.0;
    request.mode = extrusion_mode_directional;
    request.direction_deg = 135.0;
    request.back = 20.0;
    request.stroke_width = 2.0;
  }

  void outlines(std::vector<BezierPath> paths) { request.source.value = TextOutlines(paths); }

  PreRenderPlan plan() const { return build_render_plan(request).plan; }
};

// A simulated host with in-data for the render routine.
struct RenderHost {
  simhost::SimHost host;
  PF_InData in_data = host.make_in_data();

  RenderInput input(const PreRenderPlan& plan, int16_t bitdepth = 8) {
    RenderInput in;
    in.in_data = &in_data;
    in.bitdepth = bitdepth;
    in.plan = plan;
    in.stroke_color = {0.1f, 0.1f, 0.15f};
    in.front_fill_color = {0.95f, 0.8f, 0.3f};
    in.side_fill = {{0.75f, 0.3f, 0.2f, 0.0f}};
    return in;
  }
};

// 8-bit ARGB, top row first, premultiplied only because cairo's image surfaces and its PNG
// writer and reader take premultiplied pixels (the worlds themselves hold straight alpha); it
// also makes the colour of nearly transparent pixels count for little in comparisons.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;

  uint32_t at(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
  // Pixels whose alpha lies in [lo, hi].
  size_t count_alpha(uint32_t lo, uint32_t hi) const {
    return std::count_if(argb.begin(), argb.end(),
                         [&](uint32_t p) { return p >> 24 >= lo && p >> 24 <= hi; });
  }
};

inline uint32_t channel8(float v) {
  return v > 0.0f ? static_cast<uint32_t>(std::lround(std::min(v, 1.0f) * 255.0f)) : 0u;
}

inline Image image_of(simhost::World& world) {
  Image image{world.get()->width, world.get()->height, {}};
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      uint32_t c[4];  // a, r, g, b
      if (world.format() == simhost::PixelFormat::Argb8) {
        const PF_Pixel8& q = world.pixel8(x, y);
        c[0] = q.alpha, c[1] = q.red, c[2] = q.green, c[3] = q.blue;
      } else {
        const PF_PixelFloat& q = world.pixel_float(x, y);
        c[0] = channel8(q.alpha), c[1] = channel8(q.red), c[2] = channel8(q.green);
        c[3] = channel8(q.blue);
      }
      uint32_t p = c[0] << 24;
      for (int i = 1; i < 4; ++i) p |= (c[i] * c[0] + 127) / 255 << (8 * (3 - i));
      image.argb.push_back(p);
    }
  }
  return image;
}

// Compares `actual` with tests/render/golden/<name>.png: a pixel differs when any channel
// differs by more than `channel_tolerance`, and at most `max_differing_fraction` of the pixels
// may. With TARVOLK_UPDATE_GOLDEN=1 the golden file is rewritten instead. On failure the actual
// image goes to golden_actual/<name>.png in the test's build directory and the returned text
// says why; on success it is empty.
std::string compare_with_golden(const Image& actual, const std::string& name,
                                int channel_tolerance = 6, double max_differing_fraction = 0.004);

}  // namespace tarvolk::test
