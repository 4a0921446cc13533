#pragma once

// The wheel's picture on its canvas: a dial of tick marks, a centre cross,
// the colour ring and one marker per stop. Coordinates are canvas pixels, y
// downwards, with the ring's centre at (w, 150).

#include <cairo.h>

#include <vector>

#include "gradient_wheel/app_color.h"
#include "gradient_wheel/gradient_value.h"
#include "host_api/ae_effect_suites.h"

struct WheelPicture {
  float width = 0;   // w, half the canvas width
  float radius = 0;  // r
  // Stops at their drawn positions, in [0, 1) with "Global Offset" taken off.
  std::vector<GradientPoint> stops;
  bool interpolate = true;  // "Interpolate Gradient"
  int selected = -1;        // "Gradient Pt Select"
  ThemeColor marker_background;
  ThemeColor selection_outline;
};

// The stops as drawn: each position p becomes fmod(p - offset, 1), plus 1
// when negative.
std::vector<GradientPoint> drawn_stops(std::vector<GradientPoint> stops, float offset);

// Paints the picture; the tick marks are placed with the ANSI suite's sine
// and cosine.
void paint_wheel(cairo_t* cr, const WheelPicture& picture, const PF_ANSICallbacksSuite1& ansi);
