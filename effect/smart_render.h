#pragma once

// The pieces of smart render that turn parameter values into the render
// input and into what the host is told afterwards. Smart pre-render asks for
// the input layer by the same rules.

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/side_fill_stop.h"
#include "gradient_wheel/gradient_value.h"
#include "host_api/ae_effect.h"

// Whether the input layer is composited in front of the solid: "Input
// Opacity" above 0.1 percent.
bool input_composited(double input_opacity_percent);

// Whether the input layer's pixels are needed: for the front face's colours,
// or to composite the layer in front of the solid.
bool input_layer_needed(PF_ParamValue inherit_layer_color, double input_opacity_percent);

// The stops of a "Gradient Wheel" value, in stored order, with angles in
// degrees: a stop at `position` turns sits at 180 - 360 (position - offset),
// or at -360 (position - offset) for an inner extrusion, where offset is the
// global offset in turns (keeping its sign).
std::vector<SideFillStop> gradient_side_fill_stops(const std::vector<GradientPoint>& points,
                                                   double global_offset_deg, bool inner_extrusion);

// The 8-bit opacity of the input composite: "Input Opacity" (percent) times
// 2.55, rounded up, kept within 0..255.
A_u_char input_composite_opacity(double input_opacity_percent);

// The supersampling factor: "Master Resolution", at least 1.
int32_t supersampling_factor(PF_ParamValue master_resolution);

// Tells the host what failed: for errors other than out of memory and
// cancel, the renderer's text (at most 255 characters) goes into return_msg
// through the host's strcpy. The display-error flag is left alone.
void report_render_error(PF_InData* in_data, PF_OutData* out_data, PF_Err err,
                         const std::string& error_text);
