// One custom-UI event of the "Gradient Wheel", handed to the control's
// handler for its type.

#include "gradient_wheel/gradient_ui.h"

PF_Err gradient_ui_handle_event(JuceGradientParameter& control) {
  PF_EventExtra* event = control.event();
  if (event == nullptr) return PF_Err_NONE;
  switch (event->e_type) {
    case PF_Event_DO_CLICK:
      return control.handle_mouse(false);
    case PF_Event_DRAG:
      return control.handle_mouse(true);
    case PF_Event_DRAW: {
      const PF_Err err = control.draw();
      event->evt_out_flags = PF_EO_HANDLED_EVENT;
      return err;
    }
    case PF_Event_ADJUST_CURSOR:
      return control.adjust_cursor();
    default:
      return PF_Err_NONE;
  }
}
