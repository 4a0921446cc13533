#pragma once

// Scenes for the render routine's tests: outlines in host space, plans made by the plan builder,
// a simulated host with its worlds, and what the frames' tests compare and spoil.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "geometry/matrix.h"
#include "geometry/render_plan.h"
#include "host/sim_host.h"
#include "renderer/frame_steps.h"
#include "renderer/render_state.h"
#include "renderer/renderer_hooks.h"
#include "tests/support/golden_picture.h"
#include "tests/support/test_paths.h"

namespace tarvolk::test {

using simhost::PixelFormat;
using simhost::RgbaImage;
using simhost::World;
using simhost::test::compare_with_golden;
using simhost::test::count_alpha;

// A closed polygon with straight segments (control points on the vertices) through the points
// x0, y0, x1, y1, ..., host space.
inline BezierPath polygon(std::initializer_list<double> xy) {
  BezierPath path;
  for (auto it = xy.begin(); it + 1 < xy.end(); it += 2) {
    path.push_back({it[0], it[1], it[0], it[1], it[0], it[1]});
  }
  return path;
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
    request.mode = ExtrusionMode::directional;
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

// The output's pixels, row by row without the rows' padding.
inline std::vector<unsigned char> bytes_of(World& world) {
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

// Fills every target the thread keeps with values no frame writes, the parts beyond the last
// frame's included; the thread's render state must keep targets.
inline void spoil_kept_targets() {
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

}  // namespace tarvolk::test
