// "AEGP Dynamic Stream Suite", versions 2 and 5: a layer's stream tree, walked
// by index or by match name, and the hidden and disabled flags of effect
// parameters' streams.

#include <algorithm>
#include <cstring>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/instance/undo_history.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kAEGPDynamicStreamSuite;

AEGP_StreamRefH hand_out_stream(SimHost& host, Layer& layer, const StreamNode& node) {
  auto object = std::make_unique<StreamObject>();
  object->composition = layer.composition;
  object->layer = &layer;
  object->node = &node;
  return reinterpret_cast<AEGP_StreamRefH>(HostObjects::instance().hand_out(
      host, std::move(object), stream_kind, "stream", node.match_name));
}

// A layer's stream that groups others.
StreamObject* group_of(AEGP_StreamRefH stream) {
  auto* found = HostObjects::instance().find<StreamObject>(stream);
  return found != nullptr && found->node != nullptr && found->node->is_group() ? found : nullptr;
}

template <int32_t V>
A_Err get_new_stream_ref_for_layer(AEGP_PluginID plugin_id, AEGP_LayerH layer,
                                   AEGP_StreamRefH* stream) {
  HostCall call(suite_name, V, "AEGP_GetNewStreamRefForLayer", plugin_id, layer);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Layer* found = Composition::layer_from_handle(layer);
  if (found == nullptr || stream == nullptr) return call.result(aegp_bad_argument);
  *stream = hand_out_stream(*call.host(), *found, found->streams);
  call.output(*stream);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err get_num_streams_in_group(AEGP_StreamRefH group, A_long* num_streams) {
  HostCall call(suite_name, V, "AEGP_GetNumStreamsInGroup", group);
  return answer(
      call, aegp_bad_argument, [&] { return group_of(group); }, num_streams,
      [](const StreamObject& g) { return static_cast<A_long>(g.node->children.size()); });
}

template <int32_t V>
A_Err get_new_stream_ref_by_index(AEGP_PluginID plugin_id, AEGP_StreamRefH parent, A_long index,
                                  AEGP_StreamRefH* stream) {
  HostCall call(suite_name, V, "AEGP_GetNewStreamRefByIndex", plugin_id, parent, index);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  StreamObject* found = group_of(parent);
  if (found == nullptr || stream == nullptr || index < 0 ||
      index >= static_cast<A_long>(found->node->children.size())) {
    return call.result(aegp_bad_argument);
  }
  *stream = hand_out_stream(*call.host(), *found->layer,
                            found->node->children[static_cast<size_t>(index)]);
  call.output(*stream);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err get_match_name(AEGP_StreamRefH stream, A_char* match_name) {
  HostCall call(suite_name, V, "AEGP_GetMatchName", stream);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  auto* found = HostObjects::instance().find<StreamObject>(stream);
  if (found == nullptr || found->node == nullptr || match_name == nullptr) {
    return call.result(aegp_bad_argument);
  }
  const std::string& name = found->node->match_name;
  const size_t length = std::min<size_t>(name.size(), AEGP_MAX_STREAM_MATCH_NAME_SIZE - 1);
  std::memcpy(match_name, name.data(), length);
  match_name[length] = '\0';
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err get_new_stream_ref_by_matchname(AEGP_PluginID plugin_id, AEGP_StreamRefH parent,
                                      const A_char* match_name, AEGP_StreamRefH* stream) {
  HostCall call(suite_name, V, "AEGP_GetNewStreamRefByMatchname", plugin_id, parent, match_name);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  StreamObject* found = group_of(parent);
  const StreamNode* child =
      found != nullptr && match_name != nullptr ? found->node->child(match_name) : nullptr;
  if (child == nullptr || stream == nullptr) return call.result(aegp_bad_argument);
  *stream = hand_out_stream(*call.host(), *found->layer, *child);
  call.output(*stream);
  return call.result(A_Err_NONE);
}

// The instance whose parameter the stream is; null for a layer's stream.
EffectInstance* param_instance(const StreamObject& stream) {
  return stream.layer == nullptr ? EffectInstance::from_ref(stream.effect_ref) : nullptr;
}

// The flags of effect parameters' streams, which the host keeps per
// parameter; those of a layer's streams are not served.
template <int32_t V>
A_Err get_dynamic_stream_flags(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags) {
  HostCall call(suite_name, V, "AEGP_GetDynamicStreamFlags", stream);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  auto* found = HostObjects::instance().find<StreamObject>(stream);
  if (found == nullptr || flags == nullptr) return call.result(aegp_bad_argument);
  EffectInstance* instance = param_instance(*found);
  if (instance == nullptr) return call.result(aegp_not_served);
  *flags = instance->dynamic_stream_flags(found->param_index);
  call.output(*flags);
  return call.result(A_Err_NONE);
}

// One flag at a time: hidden or disabled (the eyeball belongs to layers).
template <int32_t V>
A_Err set_dynamic_stream_flag(AEGP_StreamRefH stream, AEGP_DynStreamFlags one_flag,
                              A_Boolean undoable, A_Boolean set) {
  HostCall call(suite_name, V, "AEGP_SetDynamicStreamFlag", stream, one_flag, undoable, set);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  auto* found = HostObjects::instance().find<StreamObject>(stream);
  if (found == nullptr) return call.result(aegp_bad_argument);
  EffectInstance* instance = param_instance(*found);
  if (instance == nullptr) return call.result(aegp_not_served);
  const PF_ParamIndex slot = found->param_index;
  if (one_flag != AEGP_DynStreamFlag_HIDDEN && one_flag != AEGP_DynStreamFlag_DISABLED) {
    return call.result(aegp_bad_argument);
  }
  instance->set_dynamic_stream_flag(slot, one_flag, set != 0);
  if (undoable) {
    const char* what = one_flag == AEGP_DynStreamFlag_HIDDEN ? " hidden " : " disabled ";
    undo_history(*call.host()).record(instance->describe(slot) + what + (set ? "on" : "off"));
  }
  return call.result(A_Err_NONE);
}

template <int32_t V>
const AEGP_DynamicStreamSuite5 dynamic_stream_suite = {
    guarded<get_new_stream_ref_for_layer<V>>,    guarded<get_num_streams_in_group<V>>,
    guarded<get_new_stream_ref_by_index<V>>,     guarded<get_match_name<V>>,
    guarded<get_new_stream_ref_by_matchname<V>>, guarded<get_dynamic_stream_flags<V>>,
    guarded<set_dynamic_stream_flag<V>>};

}  // namespace

void install_dynamic_stream_suite(SimHost& host) {
  register_versions<kAEGPDynamicStreamSuiteVersion2, kAEGPDynamicStreamSuiteVersion5>(
      host, suite_name, [](auto v) { return &dynamic_stream_suite<decltype(v)::value>; });
}

}  // namespace simhost
