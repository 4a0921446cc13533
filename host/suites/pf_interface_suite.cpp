// "AEGP PF Interface Suite": from an effect reference to the effect's layer,
// its AEGP effect reference, its composition time and the composition's
// camera.

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kAEGPPFInterfaceSuite;
constexpr int32_t suite_version = kAEGPPFInterfaceSuiteVersion1;

A_Err get_effect_layer(PF_ProgPtr effect_ref, AEGP_LayerH* layer) {
  HostCall call(suite_name, suite_version, "AEGP_GetEffectLayer", effect_ref);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Layer* found = nullptr;
  if (layer == nullptr || effect_scene(effect_ref, &found) == nullptr || found == nullptr) {
    return call.result(aegp_bad_argument);
  }
  *layer = found->handle();
  call.output(*layer);
  return call.result(A_Err_NONE);
}

A_Err get_new_effect_for_effect(AEGP_PluginID plugin_id, PF_ProgPtr effect_ref,
                                AEGP_EffectRefH* effect) {
  HostCall call(suite_name, suite_version, "AEGP_GetNewEffectForEffect", plugin_id, effect_ref);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Composition* comp = effect_scene(effect_ref);
  if (effect == nullptr || comp == nullptr) return call.result(aegp_bad_argument);
  auto object = std::make_unique<EffectObject>();
  object->composition = comp;
  object->effect_ref = effect_ref;
  *effect = reinterpret_cast<AEGP_EffectRefH>(
      HostObjects::instance().hand_out(*call.host(), std::move(object), effect_kind, "aegp effect",
                                       call.host()->name_of(effect_ref)));
  call.output(*effect);
  return call.result(A_Err_NONE);
}

A_Err convert_effect_to_comp_time(PF_ProgPtr effect_ref, A_long what_time, A_u_long time_scale,
                                  A_Time* comp_time) {
  HostCall call(suite_name, suite_version, "AEGP_ConvertEffectToCompTime", effect_ref, what_time,
                time_scale);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Layer* layer = nullptr;
  if (comp_time == nullptr || effect_scene(effect_ref, &layer) == nullptr || layer == nullptr) {
    return call.result(aegp_bad_argument);
  }
  *comp_time = comp_time_of(*layer, {what_time, time_scale});
  call.output(*comp_time);
  return call.result(A_Err_NONE);
}

A_Err get_effect_camera(PF_ProgPtr effect_ref, const A_Time* comp_time, AEGP_LayerH*) {
  HostCall call(suite_name, suite_version, "AEGP_GetEffectCamera", effect_ref, time_arg(comp_time));
  return call.result(aegp_not_served);
}

// The composition's camera at a composition time: its camera-to-world
// matrix, its zoom (the distance to the image plane) and the composition's
// size as the plane's.
A_Err get_effect_camera_matrix(PF_ProgPtr effect_ref, const A_Time* comp_time,
                               A_Matrix4* camera_transform, A_FpLong* dst_to_plane,
                               A_short* plane_width, A_short* plane_height) {
  HostCall call(suite_name, suite_version, "AEGP_GetEffectCameraMatrix", effect_ref,
                time_arg(comp_time));
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Composition* comp = effect_scene(effect_ref);
  double seconds = 0.0;
  if (comp == nullptr || camera_transform == nullptr || dst_to_plane == nullptr ||
      plane_width == nullptr || plane_height == nullptr || !to_seconds(comp_time, &seconds)) {
    return call.result(aegp_bad_argument);
  }
  const CameraView view = comp->camera_view(seconds);
  *camera_transform = view.camera_to_world;
  *dst_to_plane = view.zoom;
  *plane_width = static_cast<A_short>(comp->width());
  *plane_height = static_cast<A_short>(comp->height());
  call.output(view.zoom);
  return call.result(A_Err_NONE);
}

const AEGP_PFInterfaceSuite1 pf_interface_suite = {
    guarded<get_effect_layer>, guarded<get_new_effect_for_effect>,
    guarded<convert_effect_to_comp_time>, guarded<get_effect_camera>,
    guarded<get_effect_camera_matrix>};

}  // namespace

void install_pf_interface_suite(SimHost& host) {
  host.register_suite(suite_name, suite_version, &pf_interface_suite);
}

}  // namespace simhost
