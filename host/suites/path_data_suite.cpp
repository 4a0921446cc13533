// "PF Path Data Suite": what a checked-out mask or a text outline holds, and
// the mode, inversion and name of a mask of the effect's layer.

#include <algorithm>
#include <cstring>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kPFPathDataSuite;
constexpr int32_t suite_version = kPFPathDataSuiteVersion1;

// Names are written with at most this many characters and a zero.
constexpr size_t max_path_name_length = 31;

// A path the host handed out, as a call of the effect names it.
PathObject* effect_path(PF_ProgPtr effect_ref, PF_PathOutlinePtr path) {
  EffectInstance::callback_target(effect_ref);
  return HostObjects::instance().find<PathObject>(path);
}

const Mask* effect_mask(PF_ProgPtr effect_ref, PF_PathID unique_id) {
  Layer* layer = nullptr;
  effect_scene(effect_ref, &layer);
  return layer != nullptr ? layer->mask_by_id(unique_id) : nullptr;
}

PF_Err path_is_open(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, PF_Boolean* open) {
  HostCall call(suite_name, suite_version, "PF_PathIsOpen", effect_ref, path);
  return answer(
      call, pf_bad_argument, [&] { return effect_path(effect_ref, path); }, open,
      [](const PathObject& p) -> PF_Boolean { return p.open ? 1 : 0; });
}

PF_Err path_num_segments(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long* num_segments) {
  HostCall call(suite_name, suite_version, "PF_PathNumSegments", effect_ref, path);
  return answer(
      call, pf_bad_argument, [&] { return effect_path(effect_ref, path); }, num_segments,
      [](const PathObject& p) { return static_cast<A_long>(p.num_segments()); });
}

PF_Err path_vertex_info(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long which_point,
                        PF_PathVertex* vertex) {
  HostCall call(suite_name, suite_version, "PF_PathVertexInfo", effect_ref, path, which_point);
  if (long err = refusal(call, pf_bad_argument)) return call.result(static_cast<PF_Err>(err));
  auto* found = effect_path(effect_ref, path);
  if (found == nullptr || vertex == nullptr) return call.result(pf_bad_argument);
  if (which_point < 0 || which_point >= static_cast<A_long>(found->vertices.size())) {
    return call.result(pf_bad_index);
  }
  *vertex = found->vertices[static_cast<size_t>(which_point)];
  return call.result(PF_Err_NONE);
}

PF_Err path_is_inverted(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_Boolean* inverted) {
  HostCall call(suite_name, suite_version, "PF_PathIsInverted", effect_ref, unique_id);
  return answer(
      call, pf_bad_argument, [&] { return effect_mask(effect_ref, unique_id); }, inverted,
      [](const Mask& m) -> PF_Boolean { return m.inverted ? 1 : 0; });
}

PF_Err path_get_mask_mode(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_MaskMode* mode) {
  HostCall call(suite_name, suite_version, "PF_PathGetMaskMode", effect_ref, unique_id);
  return answer(
      call, pf_bad_argument, [&] { return effect_mask(effect_ref, unique_id); }, mode,
      [](const Mask& m) { return m.mode; });
}

PF_Err path_get_name(PF_ProgPtr effect_ref, PF_PathID unique_id, A_char* name) {
  HostCall call(suite_name, suite_version, "PF_PathGetName", effect_ref, unique_id);
  if (long err = refusal(call, pf_bad_argument)) return call.result(static_cast<PF_Err>(err));
  const Mask* mask = effect_mask(effect_ref, unique_id);
  if (mask == nullptr || name == nullptr) return call.result(pf_bad_argument);
  const size_t length = std::min(mask->name.size(), max_path_name_length);
  std::memcpy(name, mask->name.data(), length);
  name[length] = '\0';
  return call.result(PF_Err_NONE);
}

const PF_PathDataSuite1 path_data_suite = {guarded<path_is_open>,       guarded<path_num_segments>,
                                           guarded<path_vertex_info>,   guarded<path_is_inverted>,
                                           guarded<path_get_mask_mode>, guarded<path_get_name>};

}  // namespace

void install_path_data_suite(SimHost& host) {
  host.register_suite(suite_name, suite_version, &path_data_suite);
}

}  // namespace simhost
