// What the effect does when the user changes a supervised parameter. Not written yet: answers
// success and does nothing.

#include "effect/command_handlers.h"

PF_Err user_changed_param(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*,
                          PF_UserChangedParamExtra*) {
  return PF_Err_NONE;
}
