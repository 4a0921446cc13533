#pragma once

// EffectMain's work: one handler per command, each run inside a catch that
// turns a thrown code into the command's result.

#include <functional>
#include <mutex>

#include "gradient_wheel/wheel_sequence_data.h"
#include "host_api/ae_effect.h"

// Held for the whole of every smart render, so that smart renders never
// overlap. Constructed at load, before the host can call an export.
extern std::recursive_mutex command_mutex;

// The handlers that later stages of a command reach. EffectMain uses
// default_command_handlers(); tests substitute their own.
struct CommandHandlers {
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

const CommandHandlers& default_command_handlers();

PF_Err dispatch_command(const CommandHandlers& handlers, PF_Cmd cmd, PF_InData* in_data,
                        PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                        void* extra);

// The commands EffectMain answers itself.
PF_Err global_setup(PF_InData* in_data, PF_OutData* out_data);
PF_Err sequence_setup(PF_InData* in_data, PF_OutData* out_data);
PF_Err sequence_setdown(PF_InData* in_data, PF_OutData* out_data);
PF_Err query_dynamic_flags(PF_InData* in_data, PF_OutData* out_data);

// Size of the effect instance's sequence record (pointer position and
// selected stop of the wheel).
inline constexpr A_HandleSize sequence_record_size = sizeof(GradientUiSequenceData);
