// Commands whose handlers are not written yet answer success and do nothing.

#include "effect/command_handlers.h"

PF_Err about_command(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
  return PF_Err_NONE;
}

PF_Err params_setup(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
  return PF_Err_NONE;
}

PF_Err user_changed_param(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*,
                          PF_UserChangedParamExtra*) {
  return PF_Err_NONE;
}

PF_Err update_params_ui(PF_InData*, PF_OutData*, PF_ParamDef*[]) {
  return PF_Err_NONE;
}

PF_Err gradient_wheel_event(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_EventExtra*) {
  return PF_Err_NONE;
}

PF_Err draw_info_panel(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*) {
  return PF_Err_NONE;
}

PF_Err smart_pre_render(PF_InData*, PF_OutData*, PF_PreRenderExtra*) {
  return PF_Err_NONE;
}

PF_Err smart_render(PF_InData*, PF_OutData*, PF_SmartRenderExtra*) {
  return PF_Err_NONE;
}
