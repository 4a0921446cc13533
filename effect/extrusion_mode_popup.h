#pragma once

// The renderer's extrusion mode chosen by the "Mode" popup. The popup's
// values (mode_*) are the effect's own; they reach the renderer only through
// this mapping.

#include "effect/param_slots.h"
#include "geometry/extrusion_mode.h"

// A value the popup does not have chooses no mode.
constexpr ExtrusionMode extrusion_mode_of_popup(PF_ParamValue value) {
  switch (value) {
    case mode_directional:
      return ExtrusionMode::directional;
    case mode_vanishing:
      return ExtrusionMode::vanishing;
    case mode_camera3d:
      return ExtrusionMode::camera;
    default:
      return ExtrusionMode::none;
  }
}
