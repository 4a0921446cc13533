// "AEGP Layer Suite", versions 5, 11 and 13: layers of the composition, their
// kind, ids, times, layer-to-world matrices and 3D switch.

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/instance/undo_history.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kAEGPLayerSuite;

AEGP_ObjectType object_type(LayerKind kind) {
  switch (kind) {
    case LayerKind::text:
      return AEGP_ObjectType_TEXT;
    case LayerKind::shape:
      return AEGP_ObjectType_VECTOR;
    case LayerKind::camera:
      return AEGP_ObjectType_CAMERA;
    case LayerKind::solid:
    case LayerKind::null:
      return AEGP_ObjectType_AV;
  }
  return AEGP_ObjectType_NONE;
}

template <int32_t V>
A_Err get_layer_parent_comp(AEGP_LayerH layer, AEGP_CompH* comp) {
  HostCall call(suite_name, V, "AEGP_GetLayerParentComp", layer);
  return answer(
      call, aegp_bad_argument, [&] { return Composition::layer_from_handle(layer); }, comp,
      [](const Layer& l) { return l.composition->handle(); });
}

template <int32_t V>
A_Err get_layer_object_type(AEGP_LayerH layer, AEGP_ObjectType* type) {
  HostCall call(suite_name, V, "AEGP_GetLayerObjectType", layer);
  return answer(
      call, aegp_bad_argument, [&] { return Composition::layer_from_handle(layer); }, type,
      [](const Layer& l) { return object_type(l.kind); });
}

template <int32_t V>
A_Err get_layer_from_layer_id(AEGP_CompH comp, AEGP_LayerIDVal id, AEGP_LayerH* layer) {
  HostCall call(suite_name, V, "AEGP_GetLayerFromLayerID", comp, id);
  const auto find = [&]() -> Layer* {
    Composition* found = Composition::from_handle(comp);
    return found != nullptr ? found->layer_by_id(id) : nullptr;
  };
  return answer(call, aegp_bad_argument, find, layer, [](Layer& l) { return l.handle(); });
}

template <int32_t V>
A_Err get_layer_id(AEGP_LayerH layer, AEGP_LayerIDVal* id) {
  HostCall call(suite_name, V, "AEGP_GetLayerID", layer);
  return answer(
      call, aegp_bad_argument, [&] { return Composition::layer_from_handle(layer); }, id,
      [](const Layer& l) { return l.id; });
}

template <int32_t V>
A_Err convert_layer_to_comp_time(AEGP_LayerH layer, const A_Time* layer_time, A_Time* comp_time) {
  HostCall call(suite_name, V, "AEGP_ConvertLayerToCompTime", layer, time_arg(layer_time));
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Layer* found = Composition::layer_from_handle(layer);
  double seconds = 0.0;
  if (found == nullptr || comp_time == nullptr || !to_seconds(layer_time, &seconds)) {
    return call.result(aegp_bad_argument);
  }
  *comp_time = comp_time_of(*found, *layer_time);
  call.output(*comp_time);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err get_layer_to_world_xform(AEGP_LayerH layer, const A_Time* comp_time, A_Matrix4* transform) {
  HostCall call(suite_name, V, "AEGP_GetLayerToWorldXform", layer, time_arg(comp_time));
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Layer* found = Composition::layer_from_handle(layer);
  double seconds = 0.0;
  if (found == nullptr || transform == nullptr || !to_seconds(comp_time, &seconds)) {
    return call.result(aegp_bad_argument);
  }
  *transform = found->composition->layer_to_world(*found, seconds);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err get_layer_flags(AEGP_LayerH layer, AEGP_LayerFlags* flags) {
  HostCall call(suite_name, V, "AEGP_GetLayerFlags", layer);
  return answer(
      call, aegp_bad_argument, [&] { return Composition::layer_from_handle(layer); }, flags,
      [](const Layer& l) -> AEGP_LayerFlags {
        return l.three_d ? AEGP_LayerFlag_LAYER_IS_3D : AEGP_LayerFlag_NONE;
      });
}

// The 3D switch; other switches are not served.
template <int32_t V>
A_Err set_layer_flag(AEGP_LayerH layer, AEGP_LayerFlags single_flag, A_Boolean value) {
  HostCall call(suite_name, V, "AEGP_SetLayerFlag", layer, single_flag, value);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Layer* found = Composition::layer_from_handle(layer);
  if (found == nullptr) return call.result(aegp_bad_argument);
  if (single_flag != AEGP_LayerFlag_LAYER_IS_3D) return call.result(aegp_not_served);
  found->three_d = value != 0;
  undo_history(*call.host())
      .record("layer " + std::to_string(found->id) + " 3D " + (found->three_d ? "on" : "off"));
  return call.result(A_Err_NONE);
}

// One table per version, so that records tell which version was called.
template <int32_t V>
const AEGP_LayerSuite13 layer_suite = {guarded<get_layer_parent_comp<V>>,
                                       guarded<get_layer_object_type<V>>,
                                       guarded<get_layer_from_layer_id<V>>,
                                       guarded<get_layer_id<V>>,
                                       guarded<convert_layer_to_comp_time<V>>,
                                       guarded<get_layer_to_world_xform<V>>,
                                       guarded<get_layer_flags<V>>,
                                       guarded<set_layer_flag<V>>};

}  // namespace

void install_layer_suite(SimHost& host) {
  register_versions<kAEGPLayerSuiteVersion5, kAEGPLayerSuiteVersion11, kAEGPLayerSuiteVersion13>(
      host, suite_name, [](auto v) { return &layer_suite<decltype(v)::value>; });
}

}  // namespace simhost
