// "PF Path Query Suite": the masks of the effect's own layer, in the host's
// mask order, checked out as paths at a time. Paths are served at the
// downsampling of the command being run, as every effect-level value is.

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kPFPathQuerySuite;
constexpr int32_t suite_version = kPFPathQuerySuiteVersion1;

double scale_of(const PF_RationalScale& scale) {
  return scale.den != 0 ? static_cast<double>(scale.num) / static_cast<double>(scale.den) : 1.0;
}

PF_Err num_paths(PF_ProgPtr effect_ref, A_long* count) {
  HostCall call(suite_name, suite_version, "PF_NumPaths", effect_ref);
  const auto find = [&] {
    Layer* layer = nullptr;
    effect_scene(effect_ref, &layer);
    return layer;
  };
  return answer(call, pf_bad_argument, find, count,
                [](const Layer& l) { return static_cast<A_long>(l.masks.size()); });
}

PF_Err path_info(PF_ProgPtr effect_ref, A_long index, PF_PathID* unique_id) {
  HostCall call(suite_name, suite_version, "PF_PathInfo", effect_ref, index);
  if (long err = refusal(call, pf_bad_argument)) return call.result(static_cast<PF_Err>(err));
  Layer* layer = nullptr;
  effect_scene(effect_ref, &layer);
  if (layer == nullptr || unique_id == nullptr) return call.result(pf_bad_argument);
  if (index < 0 || index >= static_cast<A_long>(layer->masks.size())) {
    return call.result(pf_bad_index);
  }
  *unique_id = layer->masks[static_cast<size_t>(index)].id;
  call.output(*unique_id);
  return call.result(PF_Err_NONE);
}

// Path id 0 (no mask chosen) gives no path and no error.
PF_Err checkout_path(PF_ProgPtr effect_ref, PF_PathID unique_id, A_long what_time, A_long time_step,
                     A_u_long time_scale, PF_PathOutlinePtr* path) {
  HostCall call(suite_name, suite_version, "PF_CheckoutPath", effect_ref, unique_id, what_time,
                time_step, time_scale);
  if (long err = refusal(call, pf_bad_argument)) return call.result(static_cast<PF_Err>(err));
  Layer* layer = nullptr;
  Composition* comp = effect_scene(effect_ref, &layer);
  if (layer == nullptr || path == nullptr || time_scale == 0) return call.result(pf_bad_argument);
  *path = nullptr;
  if (unique_id == 0) return call.result(PF_Err_NONE);
  const Mask* mask = layer->mask_by_id(unique_id);
  if (mask == nullptr) return call.result(pf_bad_argument);
  const EffectInstance* instance = EffectInstance::from_ref(effect_ref);
  const InstanceLayer downsampling = instance != nullptr ? instance->layer : InstanceLayer{};
  const double seconds = static_cast<double>(what_time) / static_cast<double>(time_scale);
  auto object = std::make_unique<PathObject>(path_object(mask->shape.at(seconds),
                                                         scale_of(downsampling.downsample_x),
                                                         scale_of(downsampling.downsample_y)));
  object->composition = comp;
  *path = reinterpret_cast<PF_PathOutlinePtr>(HostObjects::instance().hand_out(
      *call.host(), std::move(object), path_kind, "path", mask->name));
  call.output(*path);
  return call.result(PF_Err_NONE);
}

// Checking in no path (after a checkout that gave none) is harmless. Give-backs
// fail only after taking the object back, as every give-back of this host does.
PF_Err checkin_path(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_Boolean changed,
                    PF_PathOutlinePtr path) {
  HostCall call(suite_name, suite_version, "PF_CheckinPath", effect_ref, unique_id, changed, path);
  if (call.host() == nullptr) return call.result(pf_bad_argument);
  const bool given_back =
      path == nullptr || HostObjects::instance().give_back(*call.host(), path, path_kind);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  return call.result(given_back ? PF_Err_NONE : pf_bad_argument);
}

const PF_PathQuerySuite1 path_query_suite = {guarded<num_paths>, guarded<path_info>,
                                             guarded<checkout_path>, guarded<checkin_path>};

}  // namespace

void install_path_query_suite(SimHost& host) {
  host.register_suite(suite_name, suite_version, &path_query_suite);
}

}  // namespace simhost
