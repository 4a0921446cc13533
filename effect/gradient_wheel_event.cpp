// Events of the "Gradient Wheel" control. Not written yet: answers success and does nothing.

#include "effect/command_handlers.h"

PF_Err gradient_wheel_event(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_EventExtra*) {
  return PF_Err_NONE;
}
