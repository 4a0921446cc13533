#include "gradient_wheel/wheel_canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "gradient_wheel/wheel_geometry.h"
#include "host_support/matrix3.h"

namespace {

constexpr int dial_rings = 5;
constexpr int ticks_of_first_ring = 64;
constexpr double tick_length = 20.0;
constexpr double tick_length_step = 5.0;
constexpr double cross_half = 24.0;
constexpr double centre_circle = 12.0;
constexpr double ring_width = 20.0;
constexpr double marker_outer = 18.0;
constexpr double marker_inner = 12.0;
constexpr double mid_grey = 0.5;
constexpr double light_grey = 0.75;

// A damaged value can carry colours outside [0, 1] or not numbers at all.
double channel(float v) {
  return std::isfinite(v) ? std::clamp(static_cast<double>(v), 0.0, 1.0) : 0.0;
}

void set_color(cairo_t* cr, const ThemeColor& c) {
  cairo_set_source_rgb(cr, channel(c.red), channel(c.green), channel(c.blue));
}

// A point rotated clockwise by `degrees` about the ring's centre; the sine
// and cosine come from the host's ANSI suite. No change for 0 degrees.
void rotated_point(const PF_ANSICallbacksSuite1& ansi, double x, double y, float degrees, float cx,
                   double* out_x, double* out_y) {
  Point2d p{x, y};
  if (degrees != 0) {
    const double radians = degrees * 0.017453292519943295;
    const double sine = ansi.sin(radians);
    const double cosine = ansi.cos(radians);
    p = matrix3_rotation_about(cosine, sine, cx, wheel_centre_y).map(x, y);
  }
  *out_x = p.x;
  *out_y = p.y;
}

void paint_dial(cairo_t* cr, const WheelPicture& p, const PF_ANSICallbacksSuite1& ansi) {
  const double cx = p.width;
  const double outer_y = wheel_centre_y - p.radius;
  for (int ring = 0; ring < dial_rings; ++ring) {
    const int count = ticks_of_first_ring >> ring;
    const double length = tick_length + tick_length_step * ring;
    const float step = 360.0f / static_cast<float>(count);
    float angle = 0;
    for (int tick = 0; tick < count; ++tick) {
      double x0, y0, x1, y1;
      rotated_point(ansi, cx, outer_y + length, angle, p.width, &x0, &y0);
      rotated_point(ansi, cx, outer_y, angle, p.width, &x1, &y1);
      cairo_move_to(cr, x0, y0);
      cairo_line_to(cr, x1, y1);
      angle += step;
    }
    cairo_set_source_rgba(cr, mid_grey, mid_grey, mid_grey, 1);
    cairo_stroke(cr);
  }
}

void paint_centre(cairo_t* cr, double cx) {
  cairo_move_to(cr, cx - cross_half, wheel_centre_y);
  cairo_line_to(cr, cx + cross_half, wheel_centre_y);
  cairo_move_to(cr, cx, wheel_centre_y - cross_half);
  cairo_line_to(cr, cx, wheel_centre_y + cross_half);
  cairo_stroke(cr);
  cairo_arc(cr, cx, wheel_centre_y, centre_circle, 0, 2 * std::numbers::pi);
  cairo_stroke(cr);
}

// 360 arcs of one degree, each overlapping its neighbours by 0.01 radian;
// cairo's angles run clockwise from the right, so the first arc (position
// 1.0, the same place as 0.0) is at the bottom.
void paint_ring(cairo_t* cr, const WheelPicture& p) {
  constexpr float k = 0.017453292f;
  constexpr float h = 1.5707964f;
  cairo_set_line_width(cr, ring_width);
  for (int i = 0; i < 360; ++i) {
    const float q = 1.0f - static_cast<float>(i) / 360.0f;
    const PF_PixelFloat c = gradient_sample(p.stops.size(), p.stops.data(), q, p.interpolate);
    cairo_set_source_rgb(cr, channel(c.red), channel(c.green), channel(c.blue));
    const float from = static_cast<float>(i) * k + h - 0.01f;
    const float to = static_cast<float>(i + 1) * k + h + 0.01f;
    cairo_arc(cr, p.width, wheel_centre_y, p.radius, from, to);
    cairo_stroke(cr);
  }
}

void paint_markers(cairo_t* cr, const WheelPicture& p) {
  cairo_set_line_width(cr, 2);
  for (std::size_t i = 0; i < p.stops.size(); ++i) {
    const GradientPoint& stop = p.stops[i];
    // A stop that cannot be placed (a damaged value) has no marker.
    if (!std::isfinite(stop.position)) continue;
    const float theta = 2 * std::numbers::pi_v<float> * static_cast<float>(stop.position) -
                        std::numbers::pi_v<float> / 2;
    const float x = p.radius * std::cos(theta) + p.width;
    const float y = wheel_centre_y - p.radius * std::sin(theta);

    set_color(cr, p.marker_background);
    cairo_arc(cr, x, y, marker_outer, 0, 2 * std::numbers::pi);
    cairo_fill(cr);
    if (static_cast<int>(i) == p.selected) {
      set_color(cr, p.selection_outline);
      cairo_arc(cr, x, y, marker_outer, 0, 2 * std::numbers::pi);
      cairo_stroke(cr);
    }
    // The stored colour exactly, without the ring's gamma steps.
    cairo_set_source_rgb(cr, channel(stop.red), channel(stop.green), channel(stop.blue));
    cairo_arc(cr, x, y, marker_inner, 0, 2 * std::numbers::pi);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, light_grey, light_grey, light_grey);
    cairo_stroke(cr);
  }
}

}  // namespace

std::vector<GradientPoint> drawn_stops(std::vector<GradientPoint> stops, float offset) {
  for (GradientPoint& stop : stops) {
    double p = std::fmod(stop.position - offset, 1.0);
    if (p < 0) p += 1;
    stop.position = p;
  }
  return stops;
}

void paint_wheel(cairo_t* cr, const WheelPicture& picture, const PF_ANSICallbacksSuite1& ansi) {
  cairo_set_line_width(cr, 2);
  paint_dial(cr, picture, ansi);
  paint_centre(cr, picture.width);
  paint_ring(cr, picture);
  paint_markers(cr, picture);
}
