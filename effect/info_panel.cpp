// The info panel at the top of "About & Support". Not written yet: answers success and does
// nothing.

#include "effect/command_handlers.h"

PF_Err draw_info_panel(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*) {
  return PF_Err_NONE;
}
