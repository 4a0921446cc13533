#pragma once

// The module's exports, as the host calls them.

#include "host_api/ae_effect.h"

extern "C" {

PF_Err PluginDataEntryFunction2(PF_PluginDataPtr in_ptr, PF_PluginDataCB2 register_callback,
                                SPBasicSuite* basic_suite, const char* host_name,
                                const char* host_version);

PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, void* extra);

}  // extern "C"
