#pragma once

// The effect's parameter list: one row per slot from 1 to 82, in the order
// params setup adds them. Ids, types and order are part of every saved
// project.

#include <span>

#include "host_api/ae_effect.h"

// The four names that are made when params setup runs.
enum class RuntimeName {
  none,
  version_text,     // " v1.0.0"
  host_version,     // "AE 13.28"
  windows_version,  // "OS Win 11 22631"
  renderer,         // the OpenGL renderer, or "NULL"
};

// What one add gives the host. Fields a type does not use stay zero.
struct ParamRow {
  PF_ParamIndex slot = 0;
  A_long id = 0;
  PF_ParamType type = PF_Param_GROUP_END;
  const char* name = "";
  RuntimeName runtime_name = RuntimeName::none;
  PF_ParamUIFlags ui_flags = 0;
  PF_ParamFlags flags = 0;
  A_short ui_width = 0;  // custom controls only
  A_short ui_height = 0;
  // Value and default of checkboxes, popups, sliders, float sliders and
  // angles (in degrees).
  double value = 0;
  float valid_min = 0;
  float valid_max = 0;
  float slider_min = 0;
  float slider_max = 0;
  A_short precision = 0;
  PF_ValueDisplayFlags display_flags = 0;
  // Popup items separated by '|', or the label of a checkbox or button.
  const char* text = nullptr;
  A_short num_choices = 0;
  PF_Pixel color{};
  // Points, in percent of the layer's width and height.
  A_long x_percent = 0;
  A_long y_percent = 0;
};

// Rows for slots 1 to 82 in slot order.
std::span<const ParamRow> param_rows();
// The row of one slot from 1 to 82.
const ParamRow& param_row(PF_ParamIndex slot);

// The custom-UI events of the two registrations: composition, layer and
// effect panel after slot 2, then the effect panel alone before slot 39.
inline constexpr PF_CustomEventFlags first_ui_events =
    PF_CustomEFlag_COMP | PF_CustomEFlag_LAYER | PF_CustomEFlag_EFFECT;
inline constexpr PF_CustomEventFlags second_ui_events = PF_CustomEFlag_EFFECT;

// The refcon of the "Gradient Wheel" parameter, the four characters 'PxGr'.
inline constexpr A_u_long gradient_refcon = 0x50784772;
