// Smart pre-render: the frame's plan. Not written yet: answers success and does nothing.

#include "effect/command_handlers.h"

PF_Err smart_pre_render(PF_InData*, PF_OutData*, PF_PreRenderExtra*) {
  return PF_Err_NONE;
}
