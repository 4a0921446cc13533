#pragma once

// Scenes for the render routine's tests: outlines in host space, plans made by the plan builder,
// a simulated host with its worlds, and conversion of an output world to an RGBA image.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/sim_host.h"
#include "renderer/render_plan.h"
#include "renderer/renderer-render.h"
#include "tests/render/golden_image.h"

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

// An ellipse of four cubic segments, host space; clockwise on screen when `clockwise`.
inline BezierPath ellipse(double cx, double cy, double rx, double ry, bool clockwise = true) {
  constexpr double k = 0.5522847498;
  BezierPath path = {
      {cx + rx, cy, cx + rx, cy - k * ry, cx + rx, cy + k * ry},
      {cx, cy + ry, cx + k * rx, cy + ry, cx - k * rx, cy + ry},
      {cx - rx, cy, cx - rx, cy + k * ry, cx - rx, cy - k * ry},
      {cx, cy - ry, cx - k * rx, cy - ry, cx + k * rx, cy - ry},
  };
  if (!clockwise) {
    std::reverse(path.begin(), path.end());
    for (BezierVertex& v : path) {
      std::swap(v.in_x, v.out_x);
      std::swap(v.in_y, v.out_y);
    }
  }
  return path;
}

// Row-vector 4x4 product a * b (a acts first).
inline dmat4 then(const dmat4& a, const dmat4& b) {
  dmat4 r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      double s = 0.0;
      for (int k = 0; k < 4; ++k) s += a[4 * i + k] * b[4 * k + j];
      r[4 * i + j] = s;
    }
  }
  return r;
}

inline dmat4 translation(double x, double y, double z) {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
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
  // Perspective with the focal length equal to the distance, so the layer plane keeps its scale;
  // points less than 1 pixel in front of the eye lie behind the near plane.
  const dmat4 perspective = {distance, 0, 0, 0, 0, distance, 0, 0, cx, cy, 1, 1, 0, 0, -2, 0};
  return then(then(then(then(then(translation(-cx, -cy, 0), roll), yaw), pitch),
                   translation(0, 0, distance)),
              perspective);
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
    request.front = 0.0;
    request.back = 20.0;
    request.stroke_width = 2.0;
  }

  void outlines(std::vector<BezierPath> paths) { request.source.value = TextOutlines(paths); }

  PreRenderPlan plan() const { return build_render_plan(request).plan; }
};

// A simulated host with in-data for the render routine and worlds of the given size.
class RenderHost {
 public:
  RenderHost() : in_data_(host_.make_in_data()) {}

  simhost::SimHost& host() { return host_; }
  PF_InData* in_data() { return &in_data_; }

  RenderInput input(const PreRenderPlan& plan, int16_t bitdepth = 8) {
    RenderInput in;
    in.in_data = &in_data_;
    in.bitdepth = bitdepth;
    in.plan = plan;
    in.stroke_opacity = 1.0f;
    in.stroke_color = {0.1f, 0.1f, 0.15f};
    in.fill_opacity = 1.0f;
    in.front_fill_color = {0.95f, 0.8f, 0.3f};
    in.side_fill = {{0.75f, 0.3f, 0.2f, 0.0f}};
    in.ssaa = 1;
    return in;
  }

 private:
  simhost::SimHost host_;
  PF_InData in_data_;
};

inline uint8_t to_channel8(float v) {
  if (!(v > 0.0f)) return 0;
  if (v > 1.0f) return 255;
  return static_cast<uint8_t>(std::lround(v * 255.0f));
}

inline Rgba8Image image_of(simhost::World& world) {
  Rgba8Image image;
  const PF_EffectWorld* w = world.get();
  image.width = w->width;
  image.height = w->height;
  image.pixels.resize(static_cast<size_t>(w->width) * w->height * 4);
  for (int y = 0; y < w->height; ++y) {
    for (int x = 0; x < w->width; ++x) {
      uint8_t* p = &image.pixels[(static_cast<size_t>(y) * w->width + x) * 4];
      if (world.format() == simhost::PixelFormat::Argb8) {
        const PF_Pixel8& q = world.pixel8(x, y);
        p[0] = q.red;
        p[1] = q.green;
        p[2] = q.blue;
        p[3] = q.alpha;
      } else {
        const PF_PixelFloat& q = world.pixel_float(x, y);
        p[0] = to_channel8(q.red);
        p[1] = to_channel8(q.green);
        p[2] = to_channel8(q.blue);
        p[3] = to_channel8(q.alpha);
      }
    }
  }
  return image;
}

// Fraction of the image's pixels with alpha above 0.
inline double covered_fraction(const Rgba8Image& image) {
  size_t covered = 0;
  for (size_t i = 3; i < image.pixels.size(); i += 4) covered += image.pixels[i] > 0;
  return static_cast<double>(covered) / (static_cast<double>(image.width) * image.height);
}

}  // namespace tarvolk::test
