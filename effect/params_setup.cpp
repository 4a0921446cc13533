// The parameter list declared to the host. Not written yet: answers success and does nothing.

#include "effect/command_handlers.h"

PF_Err params_setup(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
  return PF_Err_NONE;
}
