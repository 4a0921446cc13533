// "AEGP Stream Suite", versions 4, 7 and 9: the type and the value at a time
// of a layer's stream or of an effect parameter's stream, and their disposal;
// a layer's position and anchor point; new values of effect parameters
// (written into the parameter store, checked as any value set by name) and
// of a layer's position or anchor point.

#include <cmath>
#include <cstdio>
#include <type_traits>
#include <variant>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/instance/param_type_traits.h"
#include "host/instance/undo_history.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kAEGPStreamSuite;

// The effect parameter's type, or false for a slot the effect does not have.
bool param_type(const StreamObject& stream, PF_ParamType& type) {
  EffectInstance* instance = EffectInstance::from_ref(stream.effect_ref);
  if (instance == nullptr || stream.param_index < 0 ||
      stream.param_index >= instance->num_params()) {
    return false;
  }
  type = instance->definition(stream.param_index).param_type;
  return true;
}

// The value of a layer's transform stream.
Animated<Vec3>& transform_value(const StreamObject& stream) {
  return stream.transform == AEGP_LayerStream_POSITION ? stream.layer->transform.position
                                                       : stream.layer->transform.anchor;
}

const char* transform_name(AEGP_LayerStream which) {
  return which == AEGP_LayerStream_POSITION ? "position" : "anchor point";
}

AEGP_StreamType stream_type(const StreamObject& stream) {
  if (stream.node != nullptr) return stream.node->type;
  if (stream.transform >= 0) return AEGP_StreamType_ThreeD_SPATIAL;
  PF_ParamType type = 0;
  return param_type(stream, type) ? param_type_traits(type).stream_type : AEGP_StreamType_NO_DATA;
}

// An effect parameter's value at a time as its stream gives it: the layer
// chosen in a layer parameter. Values of other types are not served yet.
A_Err param_value(const StreamObject& stream, const A_Time& time, AEGP_StreamVal2& val) {
  PF_ParamType type = 0;
  if (!param_type(stream, type)) return aegp_bad_argument;
  if (type != PF_Param_LAYER) return aegp_not_served;
  val.layer_id = EffectInstance::from_ref(stream.effect_ref)
                     ->layer_id(stream.param_index, time.value, time.scale);
  return A_Err_NONE;
}

// An effect parameter's value from a stream value, in the form
// EffectInstance::set_value takes; null for a type not served.
nlohmann::json param_json(PF_ParamType type, const AEGP_StreamVal2& val) {
  const ParamTypeTraits& traits = param_type_traits(type);
  return traits.from_stream != nullptr ? traits.from_stream(val) : nullptr;
}

std::string vec3_text(const Vec3& v) {
  char text[96];
  std::snprintf(text, sizeof text, "[%g, %g, %g]", v.x, v.y, v.z);
  return text;
}

// How the record shows a value set on a stream.
std::string value_text(const StreamObject* stream, const AEGP_StreamValue2* value) {
  if (stream == nullptr || value == nullptr) return "?";
  const AEGP_StreamVal2& val = value->val;
  if (stream->transform >= 0) return vec3_text({val.three_d.x, val.three_d.y, val.three_d.z});
  PF_ParamType type = 0;
  if (stream->node != nullptr || !param_type(*stream, type)) return "?";
  if (type == PF_Param_LAYER) return "layer " + std::to_string(val.layer_id);
  if (!param_type_traits(type).stream_value_finite(val)) return "not finite";
  const nlohmann::json shown = param_json(type, val);
  return shown.is_null() ? "?" : shown.dump();
}

template <int32_t V>
A_Err get_new_layer_stream(AEGP_PluginID plugin_id, AEGP_LayerH layer, AEGP_LayerStream which,
                           AEGP_StreamRefH* stream) {
  HostCall call(suite_name, V, "AEGP_GetNewLayerStream", plugin_id, layer, which);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Layer* found = Composition::layer_from_handle(layer);
  if (found == nullptr || stream == nullptr) return call.result(aegp_bad_argument);
  if (which != AEGP_LayerStream_POSITION && which != AEGP_LayerStream_ANCHORPOINT) {
    return call.result(aegp_not_served);
  }
  auto object = std::make_unique<StreamObject>();
  object->composition = found->composition;
  object->layer = found;
  object->transform = which;
  *stream = reinterpret_cast<AEGP_StreamRefH>(HostObjects::instance().hand_out(
      *call.host(), std::move(object), stream_kind, "stream",
      std::string(transform_name(which)) + " of layer " + std::to_string(found->id)));
  call.output(*stream);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err get_new_effect_stream_by_index(AEGP_PluginID plugin_id, AEGP_EffectRefH effect,
                                     PF_ParamIndex param_index, AEGP_StreamRefH* stream) {
  HostCall call(suite_name, V, "AEGP_GetNewEffectStreamByIndex", plugin_id, effect, param_index);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  auto* found = HostObjects::instance().find<EffectObject>(effect);
  if (found == nullptr || stream == nullptr) return call.result(aegp_bad_argument);
  auto object = std::make_unique<StreamObject>();
  object->composition = found->composition;
  object->effect_ref = found->effect_ref;
  object->param_index = param_index;
  PF_ParamType type = 0;
  if (!param_type(*object, type)) return call.result(aegp_bad_argument);
  *stream = reinterpret_cast<AEGP_StreamRefH>(
      HostObjects::instance().hand_out(*call.host(), std::move(object), stream_kind, "stream",
                                       "parameter " + std::to_string(param_index)));
  call.output(*stream);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err dispose_stream(AEGP_StreamRefH stream) {
  HostCall call(suite_name, V, "AEGP_DisposeStream", stream);
  return dispose_object(call, stream, stream_kind);
}

template <int32_t V>
A_Err get_stream_type(AEGP_StreamRefH stream, AEGP_StreamType* type) {
  HostCall call(suite_name, V, "AEGP_GetStreamType", stream);
  return answer(
      call, aegp_bad_argument, [&] { return HostObjects::instance().find<StreamObject>(stream); },
      type, [](const StreamObject& s) { return stream_type(s); });
}

template <int32_t V>
A_Err get_new_stream_value(AEGP_PluginID plugin_id, AEGP_StreamRefH stream,
                           AEGP_LTimeMode time_mode, const A_Time* time, A_Boolean pre_expression,
                           AEGP_StreamValue2* value) {
  HostCall call(suite_name, V, "AEGP_GetNewStreamValue", plugin_id, stream, time_mode,
                time_arg(time), pre_expression);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  auto* found = HostObjects::instance().find<StreamObject>(stream);
  double seconds = 0.0;
  if (found == nullptr || value == nullptr || !to_seconds(time, &seconds)) {
    return call.result(aegp_bad_argument);
  }
  SimHost& host = *call.host();
  AEGP_StreamVal2 val{};
  std::string detail;
  auto object = std::make_unique<StreamValueObject>();
  object->composition = found->composition;
  if (found->transform >= 0) {
    if (time_mode == AEGP_LTimeMode_CompTime) seconds = found->layer->layer_time(seconds);
    detail = transform_name(found->transform);
    const Vec3 v = transform_value(*found).at(seconds);
    val.three_d = {v.x, v.y, v.z};
  } else if (found->node != nullptr) {
    if (time_mode == AEGP_LTimeMode_CompTime) seconds = found->layer->layer_time(seconds);
    detail = found->node->match_name;
    const bool has_value = std::visit(
        [&](const auto& animated) {
          using T = std::decay_t<decltype(animated)>;
          if constexpr (std::is_same_v<T, Animated<double>>) {
            val.one_d = animated.at(seconds);
          } else if constexpr (std::is_same_v<T, Animated<Vec2>>) {
            const Vec2 v = animated.at(seconds);
            val.two_d = {v.x, v.y};
          } else if constexpr (std::is_same_v<T, Animated<Color>>) {
            const Color c = animated.at(seconds);
            val.color = {c.alpha, c.red, c.green, c.blue};
          } else if constexpr (std::is_same_v<T, Animated<PathShape>>) {
            auto outline = std::make_unique<MaskOutlineObject>();
            outline->composition = found->composition;
            outline->shape = animated.at(seconds);
            object->mask_outline =
                reinterpret_cast<AEGP_MaskOutlineValH>(HostObjects::instance().hand_out(
                    host, std::move(outline), mask_outline_kind, "mask outline", detail));
            val.mask = object->mask_outline;
          } else {
            return false;
          }
          return true;
        },
        found->node->value);
    if (!has_value) return call.result(aegp_bad_argument);
  } else {
    detail = "parameter " + std::to_string(found->param_index);
    if (const A_Err err = param_value(*found, *time, val)) return call.result(err);
  }
  value->streamH = stream;
  value->val = val;
  HostObjects::instance().hand_out(host, std::move(object), stream_value_kind, "value", detail,
                                   value);
  call.output(value);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err dispose_stream_value(AEGP_StreamValue2* value) {
  HostCall call(suite_name, V, "AEGP_DisposeStreamValue", value);
  if (call.host() == nullptr) return call.result(aegp_bad_argument);
  auto* found = HostObjects::instance().find<StreamValueObject>(value);
  const AEGP_MaskOutlineValH mask_outline = found != nullptr ? found->mask_outline : nullptr;
  const bool given_back = HostObjects::instance().give_back(*call.host(), value, stream_value_kind);
  if (given_back && mask_outline != nullptr) {
    HostObjects::instance().give_back(*call.host(), mask_outline, mask_outline_kind);
  }
  if (long err = call.injected()) return call.result(static_cast<A_Err>(err));
  return call.result(given_back ? A_Err_NONE : aegp_bad_argument);
}

// A stream with keyframes takes no single value, as in the host.
template <int32_t V>
A_Err set_stream_value(AEGP_PluginID plugin_id, AEGP_StreamRefH stream, AEGP_StreamValue2* value) {
  auto* found = HostObjects::instance().find<StreamObject>(stream);
  HostCall call(suite_name, V, "AEGP_SetStreamValue", plugin_id, stream, value_text(found, value));
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  if (found == nullptr || value == nullptr) return call.result(aegp_bad_argument);
  UndoHistory& undo = undo_history(*call.host());
  const AEGP_StreamVal2& val = value->val;
  if (found->transform >= 0) {
    Animated<Vec3>& target = transform_value(*found);
    const Vec3 v{val.three_d.x, val.three_d.y, val.three_d.z};
    if (target.is_keyframed() || !std::isfinite(v.x) || !std::isfinite(v.y) ||
        !std::isfinite(v.z)) {
      return call.result(aegp_bad_argument);
    }
    target = v;
    undo.record("layer " + std::to_string(found->layer->id) + " " +
                transform_name(found->transform) + " " + vec3_text(v));
    return call.result(A_Err_NONE);
  }
  PF_ParamType type = 0;
  if (found->node != nullptr) return call.result(aegp_not_served);
  if (!param_type(*found, type)) return call.result(aegp_bad_argument);
  const nlohmann::json setting =
      param_type_traits(type).stream_value_finite(val) ? param_json(type, val) : nullptr;
  if (setting.is_null()) return call.result(aegp_bad_argument);
  EffectInstance* instance = EffectInstance::from_ref(found->effect_ref);
  const PF_ParamIndex slot = found->param_index;
  if (type == PF_Param_LAYER && val.layer_id != 0 &&
      found->composition->layer_by_id(val.layer_id) == nullptr) {
    call.output(std::string("no such layer"));
    return call.result(aegp_bad_argument);
  }
  if (instance->is_keyframed(slot)) {
    call.output(std::string("the stream has keyframes"));
    return call.result(aegp_bad_argument);
  }
  try {
    instance->set_value(slot, setting);
  } catch (const ParamValueError& e) {
    call.output(std::string(e.what()));
    return call.result(aegp_bad_argument);
  }
  undo.record(instance->describe(slot) + " " + setting.dump());
  return call.result(A_Err_NONE);
}

template <int32_t V>
const AEGP_StreamSuite9 stream_suite = {
    guarded<get_new_layer_stream<V>>, guarded<get_new_effect_stream_by_index<V>>,
    guarded<dispose_stream<V>>,       guarded<get_stream_type<V>>,
    guarded<get_new_stream_value<V>>, guarded<dispose_stream_value<V>>,
    guarded<set_stream_value<V>>};

}  // namespace

void install_stream_suite(SimHost& host) {
  register_versions<kAEGPStreamSuiteVersion4, kAEGPStreamSuiteVersion7, kAEGPStreamSuiteVersion9>(
      host, suite_name, [](auto v) { return &stream_suite<decltype(v)::value>; });
}

}  // namespace simhost
