// "AEGP PF Interface Suite": from an effect reference to the effect's layer,
// its AEGP effect reference and its composition time.

#include "host/host_call.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* kSuite = kAEGPPFInterfaceSuite;
constexpr int32_t kVersion = kAEGPPFInterfaceSuiteVersion1;

A_Err get_effect_layer(PF_ProgPtr effect_ref, AEGP_LayerH* layer) {
  HostCall call(kSuite, kVersion, "AEGP_GetEffectLayer", effect_ref);
  if (long err = refusal(call, kAegpBadArgument)) return call.result(static_cast<A_Err>(err));
  Layer* found = nullptr;
  if (layer == nullptr || effect_scene(effect_ref, &found) == nullptr || found == nullptr) {
    return call.result(kAegpBadArgument);
  }
  *layer = found->handle();
  call.output(*layer);
  return call.result(A_Err_NONE);
}

A_Err get_new_effect_for_effect(AEGP_PluginID plugin_id, PF_ProgPtr effect_ref,
                                AEGP_EffectRefH* effect) {
  HostCall call(kSuite, kVersion, "AEGP_GetNewEffectForEffect", plugin_id, effect_ref);
  if (long err = refusal(call, kAegpBadArgument)) return call.result(static_cast<A_Err>(err));
  Composition* comp = effect_scene(effect_ref);
  if (effect == nullptr || comp == nullptr) return call.result(kAegpBadArgument);
  auto object = std::make_unique<EffectObject>();
  object->composition = comp;
  object->effect_ref = effect_ref;
  *effect = reinterpret_cast<AEGP_EffectRefH>(
      HostObjects::instance().hand_out(*call.host(), std::move(object), kEffectKind, "aegp effect",
                                       call.host()->name_of(effect_ref)));
  call.output(*effect);
  return call.result(A_Err_NONE);
}

A_Err convert_effect_to_comp_time(PF_ProgPtr effect_ref, A_long what_time, A_u_long time_scale,
                                  A_Time* comp_time) {
  HostCall call(kSuite, kVersion, "AEGP_ConvertEffectToCompTime", effect_ref, what_time,
                time_scale);
  if (long err = refusal(call, kAegpBadArgument)) return call.result(static_cast<A_Err>(err));
  Layer* layer = nullptr;
  if (comp_time == nullptr || effect_scene(effect_ref, &layer) == nullptr || layer == nullptr) {
    return call.result(kAegpBadArgument);
  }
  *comp_time = comp_time_of(*layer, {what_time, time_scale});
  call.output(*comp_time);
  return call.result(A_Err_NONE);
}

A_Err get_effect_camera(PF_ProgPtr effect_ref, const A_Time* comp_time, AEGP_LayerH*) {
  HostCall call(kSuite, kVersion, "AEGP_GetEffectCamera", effect_ref, time_arg(comp_time));
  return call.result(kAegpNotServed);
}

A_Err get_effect_camera_matrix(PF_ProgPtr effect_ref, const A_Time* comp_time, A_Matrix4*,
                               A_FpLong*, A_short*, A_short*) {
  HostCall call(kSuite, kVersion, "AEGP_GetEffectCameraMatrix", effect_ref, time_arg(comp_time));
  return call.result(kAegpNotServed);
}

const AEGP_PFInterfaceSuite1 pf_interface_suite = {get_effect_layer, get_new_effect_for_effect,
                                                   convert_effect_to_comp_time, get_effect_camera,
                                                   get_effect_camera_matrix};

}  // namespace

void install_pf_interface_suite(SimHost& host) {
  host.register_suite(kSuite, kVersion, &pf_interface_suite);
}

}  // namespace simhost
