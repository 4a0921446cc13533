// Which parameters the Effect Controls panel shows. Not written yet: answers success and does
// nothing.

#include "effect/command_handlers.h"

PF_Err update_params_ui(PF_InData*, PF_OutData*, PF_ParamDef*[]) {
  return PF_Err_NONE;
}
