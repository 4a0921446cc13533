#pragma once

// The handlers that EffectMain hands commands to.

#include <string>

#include "host_api/ae_effect.h"

// The About box's text: what the effect does, then the credit lines.
std::string about_text();
PF_Err about_command(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                     PF_LayerDef* output);
PF_Err params_setup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                    PF_LayerDef* output);
PF_Err user_changed_param(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                          PF_LayerDef* output, PF_UserChangedParamExtra* extra);
PF_Err update_params_ui(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);
// Events of the "Gradient Wheel" control.
PF_Err gradient_wheel_event(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                            PF_EventExtra* extra);
PF_Err draw_info_panel(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                       PF_LayerDef* output, PF_EventExtra* extra);
PF_Err smart_pre_render(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);
PF_Err smart_render(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);
