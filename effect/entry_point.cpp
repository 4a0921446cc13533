// The module's two exports.

#include "effect/entry_point.h"

#include "effect/command_dispatch.h"
#include "effect/registration.h"

namespace {

const A_u_char* bytes(const char* s) {
  return reinterpret_cast<const A_u_char*>(s);
}

}  // namespace

extern "C" {

PF_Err PluginDataEntryFunction2(PF_PluginDataPtr in_ptr, PF_PluginDataCB2 register_callback,
                                SPBasicSuite*, const char*, const char*) {
  if (register_callback == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return register_callback(in_ptr, bytes(effect_name), bytes(effect_match_name),
                           bytes(effect_category), bytes(effect_entry_point), PF_Kind_EFFECT,
                           effect_api_version_major, effect_api_version_minor, effect_reserved_info,
                           bytes(effect_support_url));
}

PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, void* extra) {
  return dispatch_command(default_effect_hooks(), cmd, in_data, out_data, params, output, extra);
}

}  // extern "C"
