#pragma once

// EffectMain's work: one handler per command, each run inside a catch that
// turns a thrown code into the command's result.

#include <mutex>

#include "effect/effect_hooks.h"
#include "gradient_wheel/wheel_sequence_data.h"
#include "host_api/ae_effect.h"

// Held for the whole of every smart render, so that smart renders never
// overlap. Constructed at load, before the host can call an export.
extern std::recursive_mutex command_mutex;

PF_Err dispatch_command(const EffectHooks& hooks, PF_Cmd cmd, PF_InData* in_data,
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
