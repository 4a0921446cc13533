#pragma once

// Where the wheel lies in the effect panel, shared by clicks, drags, cursor
// feedback and drawing. The wheel is painted on a canvas of 2w x 300 canvas
// pixels shown at half size in the w x 150 rectangle at (L, top) of the
// panel; the ring is centred at (w, 150) on the canvas.

#include <cstdint>
#include <vector>

#include "gradient_wheel/gradient_value.h"
#include "host_api/ae_effect.h"

// Canvas height in canvas pixels, and the vertical centre of the ring on it.
inline constexpr float wheel_canvas_height = 300.0f;
inline constexpr float wheel_centre_y = 150.0f;
// A pointer closer than this to the ring (canvas pixels) is on the ring.
inline constexpr float ring_hit_distance = 15.0f;

struct WheelGeometry {
  float left = 0;    // L: the left edge of the wheel's rectangle, panel pixels
  float top = 0;     // the frame's top, panel pixels
  float width = 0;   // w: the rectangle's width in panel pixels, half the canvas width
  float radius = 0;  // r: ring radius, canvas pixels (below 0 for a very narrow frame)
  float offset = 0;  // g: "Global Offset" in turns, in (-1, 1)
  A_long frame_left = 0;
  A_long frame_top = 0;

  // Canvas width in whole pixels.
  int canvas_width() const { return static_cast<int>(2.0f * width); }
};

// The geometry of the wheel in an event's effect window, with "Global Offset"
// as 16.16 fixed-point degrees. In the parameter's title row the wheel takes
// the right half of the frame.
WheelGeometry wheel_geometry(const PF_EffectWindowInfo& window, PF_Fixed global_offset);

// A point of the panel in canvas pixels, relative to the canvas's top-left.
struct CanvasPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};
CanvasPoint canvas_point(const WheelGeometry& geometry, PF_Point screen_point);

// Distance of a canvas point from the ring's centre, canvas pixels.
float distance_from_centre(const WheelGeometry& geometry, CanvasPoint point);

// Whether a canvas point lies within 15 canvas pixels of the ring.
bool on_ring(const WheelGeometry& geometry, CanvasPoint point);

// Direction from (cx, cy) to (px, py) in turns, y growing downwards: 0 below
// the centre, 0.25 right, 0.5 above, 0.75 left; plus `offset`, reduced by
// fmod into (-1, 1).
float angle_turns_about(float cx, float cy, float px, float py, float offset);

// The pointer's direction from the ring's centre in turns, "Global Offset"
// added.
float pointer_turns(const WheelGeometry& geometry, CanvasPoint point);

// The panel point at the centre of the marker of a stop at `position`, with
// the ring's centre at `centre_y` in panel pixels.
struct PanelPointF {
  float x = 0;
  float y = 0;
};
PanelPointF marker_centre(const WheelGeometry& geometry, double position, float centre_y);

// Index of the last stop, in stored order, whose 13 x 13 marker box holds the
// panel point (edges included); -1 when none does.
int last_marker_hit(const WheelGeometry& geometry, const std::vector<GradientPoint>& stops,
                    PF_Point screen_point, float centre_y);
