// "PF Param Utils Suite" v3: PF_UpdateParamUI takes the record's value,
// flags, ui_flags and name over into the instance's stored definition.

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/instance/param_values.h"
#include "host/suites/suites.h"
#include "host/suites/unserved.h"

namespace simhost {

namespace {

constexpr const char* suite_name = kPFParamUtilsSuite;
constexpr int32_t suite_version = kPFParamUtilsSuiteVersion3;

// The value a record pushes, as the record of the call shows it: the JSON
// form of host/instance/param_values.h (popups by number, points in pixels), an
// arbitrary value by its handle; "-" for types without a value.
std::string pushed_value(SimHost* host, const PF_ParamDef* def) {
  if (def == nullptr || host == nullptr) return "-";
  if (def->param_type == PF_Param_ARBITRARY_DATA) return host->name_of(def->u.arb_d.value);
  if (def->param_type == PF_Param_LAYER) return "-";
  StoredParam shown;
  shown.def = *def;
  const nlohmann::json value = value_to_json(shown, {def->u, 0});
  return value.is_null() ? "-" : value.dump();
}

// Recorded: the name, ui_flags (disabled 0x20), flags (twirl closed 0x20)
// and the value pushed.
PF_Err update_param_ui(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef* def) {
  HostCall call(suite_name, suite_version, "PF_UpdateParamUI", effect_ref, index, param_name(def),
                def != nullptr ? def->ui_flags : 0, def != nullptr ? def->flags : 0,
                pushed_value(SimHost::current(), def));
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  EffectInstance* instance = EffectInstance::callback_target(effect_ref);
  if (instance == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(instance->update_param_ui(index, def));
}

#define TARVOLK_UNSERVED(function)                                    \
  Unserved<kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, #function, \
           decltype(PF_ParamUtilsSuite3::function)>::call

const PF_ParamUtilsSuite3 param_utils_suite = {guarded<update_param_ui>,
                                               TARVOLK_UNSERVED(PF_GetCurrentState),
                                               TARVOLK_UNSERVED(PF_AreStatesIdentical)};

#undef TARVOLK_UNSERVED

}  // namespace

void install_param_utils_suite(SimHost& host) {
  host.register_suite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, &param_utils_suite);
}

}  // namespace simhost
