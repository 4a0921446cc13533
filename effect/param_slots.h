#pragma once

// Positions in the host's parameter array (slot 0 is the input layer).

#include "host_api/ae_effect.h"

namespace slot {
inline constexpr PF_ParamIndex info_panel = 2;
inline constexpr PF_ParamIndex mode = 20;
inline constexpr PF_ParamIndex gradient_wheel = 39;
}  // namespace slot

// Values of the "Mode" popup ("Directional|Vanishing|3D Camera").
inline constexpr PF_ParamValue kModeDirectional = 1;
inline constexpr PF_ParamValue kModeVanishing = 2;
inline constexpr PF_ParamValue kModeCamera3d = 3;

// The arbitrary id of the "Gradient Wheel" value.
inline constexpr A_short kGradientArbId = 32;
