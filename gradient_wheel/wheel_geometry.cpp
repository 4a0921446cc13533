#include "gradient_wheel/wheel_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "gradient_wheel/float_narrow.h"
#include "host_support/fixed_point.h"

namespace {

constexpr float frame_margin = 12.0f;
constexpr double ring_inset = 24.0;
constexpr double max_ring_radius = 126.0;
constexpr float marker_half_box = 7.0f;
constexpr float marker_box = 13.0f;

std::int32_t saturate_to_int32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

WheelGeometry wheel_geometry(const PF_EffectWindowInfo& window, PF_Fixed global_offset) {
  const PF_Rect& frame = window.current_frame;
  WheelGeometry g;
  float left = static_cast<float>(frame.left);
  float width = static_cast<float>(frame.right) - left;
  if (window.area == PF_EA_PARAM_TITLE) {
    left = left + width * 0.5f;
    width = static_cast<float>(frame.right) - left;
  }
  g.left = left;
  g.top = static_cast<float>(frame.top);
  g.width = width - frame_margin > 0 ? width - frame_margin : 0.0f;
  g.radius = narrow_to_float(std::min(static_cast<double>(g.width) - ring_inset, max_ring_radius));
  g.offset = narrow_to_float(std::fmod(fixed_to_double(global_offset) / 360.0, 1.0));
  g.frame_left = frame.left;
  g.frame_top = frame.top;
  return g;
}

CanvasPoint canvas_point(const WheelGeometry& geometry, PF_Point screen_point) {
  // 64-bit differences: far-off points must not overflow.
  return {saturate_to_int32(2 * (std::int64_t{screen_point.h} - geometry.frame_left)),
          saturate_to_int32(2 * (std::int64_t{screen_point.v} - geometry.frame_top))};
}

float distance_from_centre(const WheelGeometry& geometry, CanvasPoint point) {
  const double dx = static_cast<double>(point.x) - geometry.width;
  const double dy = static_cast<double>(point.y) - wheel_centre_y;
  return narrow_to_float(std::sqrt(dx * dx + dy * dy));
}

bool on_ring(const WheelGeometry& geometry, CanvasPoint point) {
  return std::fabs(distance_from_centre(geometry, point) - geometry.radius) < ring_hit_distance;
}

float angle_turns_about(float cx, float cy, float px, float py, float offset) {
  const float arc = std::atan2(py - cy, px - cx);
  float degrees = narrow_to_float((std::numbers::pi / 2 - arc) * 57.29577951308232);
  if (degrees < 0) degrees = narrow_to_float(degrees + 360.0);
  const float turns = narrow_to_float(degrees / 360.0) + offset;
  return std::fmod(turns, 1.0f);
}

float pointer_turns(const WheelGeometry& geometry, CanvasPoint point) {
  return angle_turns_about(geometry.width, wheel_centre_y, static_cast<float>(point.x),
                           static_cast<float>(point.y), geometry.offset);
}

PanelPointF marker_centre(const WheelGeometry& geometry, double position, float centre_y) {
  const double turns = std::fmod(position - geometry.offset, 1.0);
  const float theta = narrow_to_float(2 * std::numbers::pi * turns - std::numbers::pi / 2);
  const float half_radius = geometry.radius / 2;
  return {geometry.left + geometry.width / 2 + half_radius * std::cos(theta),
          centre_y - half_radius * std::sin(theta)};
}

int last_marker_hit(const WheelGeometry& geometry, const std::vector<GradientPoint>& stops,
                    PF_Point screen_point, float centre_y) {
  const float h = static_cast<float>(screen_point.h);
  const float v = static_cast<float>(screen_point.v);
  int hit = -1;
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const PanelPointF c = marker_centre(geometry, stops[i].position, centre_y);
    const float x = c.x - marker_half_box;
    const float y = c.y - marker_half_box;
    if (x <= h && h <= x + marker_box && y <= v && v <= y + marker_box) hit = static_cast<int>(i);
  }
  return hit;
}
