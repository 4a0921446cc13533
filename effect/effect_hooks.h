#pragma once

// The effect's test seam: the handlers that EffectMain's dispatch hands the later stages of a
// command to. EffectMain dispatches through default_effect_hooks(); a test hands
// dispatch_command (effect/command_dispatch.h) a copy with some handlers replaced, to reach the
// routing, cancel and failure paths without a host behind them.

#include <functional>

#include "host_api/ae_effect.h"

struct EffectHooks {
  std::function<PF_Err(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*)> about;
  std::function<PF_Err(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*)> params_setup;
  std::function<PF_Err(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*,
                       PF_UserChangedParamExtra*)>
      user_changed_param;
  std::function<PF_Err(PF_InData*, PF_OutData*, PF_ParamDef*[])> update_params_ui;
  std::function<PF_Err(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_EventExtra*)>
      gradient_wheel_event;
  std::function<PF_Err(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*)>
      draw_info_panel;
  std::function<PF_Err(PF_InData*, PF_ArbParamsExtra*)> arbitrary_callback;
  std::function<PF_Err(PF_InData*, PF_OutData*, PF_PreRenderExtra*)> smart_pre_render;
  std::function<PF_Err(PF_InData*, PF_OutData*, PF_SmartRenderExtra*)> smart_render;
};

// The effect's own handlers (effect/command_handlers.h).
const EffectHooks& default_effect_hooks();
