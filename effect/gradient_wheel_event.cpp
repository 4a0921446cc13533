// Events of the "Gradient Wheel" control, served by the control itself.

#include "effect/command_handlers.h"
#include "effect/param_slots.h"
#include "gradient_wheel/gradient_ui.h"

PF_Err gradient_wheel_event(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                            PF_EventExtra* extra) {
  static constexpr WheelSlots slots{slot::gradient_wheel, slot::gradient_point_select,
                                    slot::point_angle, slot::global_offset,
                                    slot::interpolate_gradient};
  JuceGradientParameter control(in_data, out_data, params, extra, slots);
  return gradient_ui_handle_event(control);
}
