// Smart render: the frame's pixels. Not written yet: answers success and does nothing.

#include "effect/command_handlers.h"

PF_Err smart_render(PF_InData*, PF_OutData*, PF_SmartRenderExtra*) {
  return PF_Err_NONE;
}
