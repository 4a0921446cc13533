#pragma once

// The two parameters that mirror the wheel's selection: "Gradient Pt Select"
// (the selected stop's index, -1 for none) and "Point Angle" (the selected
// stop's angle, disabled when nothing is selected).

#include <vector>

#include "gradient_wheel/gradient_value.h"
#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

// "Point Angle" of a stop in 16.16 fixed-point degrees: clockwise from the
// top of the wheel, from the stored position without "Global Offset"; a stop
// at the bottom (0.0) shows 180, one at the top 360.
PF_Fixed point_angle_value(double position);

// Pushes copies of the two parameters to the host with PF_UpdateParamUI: the
// index `selected` into "Gradient Pt Select", and into "Point Angle" the
// angle of stops[selected], or the disabled flag when `selected` names no
// stop. The host's results are not the event's business and are ignored.
void update_selection_params(const PF_ParamUtilsSuite3& param_utils, PF_ProgPtr effect_ref,
                             PF_ParamDef* params[], PF_ParamIndex select_slot,
                             PF_ParamIndex angle_slot, int selected,
                             const std::vector<GradientPoint>& stops);
