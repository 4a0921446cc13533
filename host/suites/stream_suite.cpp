// "AEGP Stream Suite", versions 4, 7 and 9: the type and the value at a time
// of a layer's stream or of an effect parameter's stream, and their disposal.

#include <type_traits>
#include <variant>

#include "host/effect_instance.h"
#include "host/host_call.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* kSuite = kAEGPStreamSuite;

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

AEGP_StreamType param_stream_type(PF_ParamType type) {
  switch (type) {
    case PF_Param_LAYER:
      return AEGP_StreamType_LAYER_ID;
    case PF_Param_SLIDER:
    case PF_Param_FIX_SLIDER:
    case PF_Param_ANGLE:
    case PF_Param_CHECKBOX:
    case PF_Param_POPUP:
    case PF_Param_FLOAT_SLIDER:
      return AEGP_StreamType_OneD;
    case PF_Param_POINT:
      return AEGP_StreamType_TwoD_SPATIAL;
    case PF_Param_COLOR:
      return AEGP_StreamType_COLOR;
    case PF_Param_PATH:
      return AEGP_StreamType_MASK_ID;
    case PF_Param_ARBITRARY_DATA:
      return AEGP_StreamType_ARB;
    default:
      return AEGP_StreamType_NO_DATA;
  }
}

AEGP_StreamType stream_type(const StreamObject& stream) {
  if (stream.node != nullptr) return stream.node->type;
  PF_ParamType type = 0;
  return param_type(stream, type) ? param_stream_type(type) : AEGP_StreamType_NO_DATA;
}

// An effect parameter's value at a time as its stream gives it: the layer
// chosen in a layer parameter. Values of other types are not served yet.
A_Err param_value(const StreamObject& stream, const A_Time& time, AEGP_StreamVal2& val) {
  PF_ParamType type = 0;
  if (!param_type(stream, type)) return kAegpBadArgument;
  if (type != PF_Param_LAYER) return kAegpNotServed;
  val.layer_id = EffectInstance::from_ref(stream.effect_ref)
                     ->layer_id(stream.param_index, time.value, time.scale);
  return A_Err_NONE;
}

template <int32_t V>
A_Err get_new_layer_stream(AEGP_PluginID plugin_id, AEGP_LayerH layer, AEGP_LayerStream which,
                           AEGP_StreamRefH*) {
  HostCall call(kSuite, V, "AEGP_GetNewLayerStream", plugin_id, layer, which);
  return call.result(kAegpNotServed);
}

template <int32_t V>
A_Err get_new_effect_stream_by_index(AEGP_PluginID plugin_id, AEGP_EffectRefH effect,
                                     PF_ParamIndex param_index, AEGP_StreamRefH* stream) {
  HostCall call(kSuite, V, "AEGP_GetNewEffectStreamByIndex", plugin_id, effect, param_index);
  if (long err = refusal(call, kAegpBadArgument)) return call.result(static_cast<A_Err>(err));
  auto* found = HostObjects::instance().find<EffectObject>(effect);
  if (found == nullptr || stream == nullptr) return call.result(kAegpBadArgument);
  auto object = std::make_unique<StreamObject>();
  object->composition = found->composition;
  object->effect_ref = found->effect_ref;
  object->param_index = param_index;
  PF_ParamType type = 0;
  if (!param_type(*object, type)) return call.result(kAegpBadArgument);
  *stream = reinterpret_cast<AEGP_StreamRefH>(
      HostObjects::instance().hand_out(*call.host(), std::move(object), kStreamKind, "stream",
                                       "parameter " + std::to_string(param_index)));
  call.output(*stream);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err dispose_stream(AEGP_StreamRefH stream) {
  HostCall call(kSuite, V, "AEGP_DisposeStream", stream);
  if (call.host() == nullptr) return call.result(kAegpBadArgument);
  const bool given_back = HostObjects::instance().give_back(*call.host(), stream, kStreamKind);
  if (long err = call.injected()) return call.result(static_cast<A_Err>(err));
  return call.result(given_back ? A_Err_NONE : kAegpBadArgument);
}

template <int32_t V>
A_Err get_stream_type(AEGP_StreamRefH stream, AEGP_StreamType* type) {
  HostCall call(kSuite, V, "AEGP_GetStreamType", stream);
  if (long err = refusal(call, kAegpBadArgument)) return call.result(static_cast<A_Err>(err));
  auto* found = HostObjects::instance().find<StreamObject>(stream);
  if (found == nullptr || type == nullptr) return call.result(kAegpBadArgument);
  *type = stream_type(*found);
  call.output(*type);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err get_new_stream_value(AEGP_PluginID plugin_id, AEGP_StreamRefH stream,
                           AEGP_LTimeMode time_mode, const A_Time* time, A_Boolean pre_expression,
                           AEGP_StreamValue2* value) {
  HostCall call(kSuite, V, "AEGP_GetNewStreamValue", plugin_id, stream, time_mode, time_arg(time),
                pre_expression);
  if (long err = refusal(call, kAegpBadArgument)) return call.result(static_cast<A_Err>(err));
  auto* found = HostObjects::instance().find<StreamObject>(stream);
  double seconds = 0.0;
  if (found == nullptr || value == nullptr || !to_seconds(time, &seconds)) {
    return call.result(kAegpBadArgument);
  }
  SimHost& host = *call.host();
  AEGP_StreamVal2 val{};
  std::string detail;
  auto object = std::make_unique<StreamValueObject>();
  object->composition = found->composition;
  if (found->node != nullptr) {
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
          } else if constexpr (std::is_same_v<T, Animated<PathShape>>) {
            auto outline = std::make_unique<MaskOutlineObject>();
            outline->composition = found->composition;
            outline->shape = animated.at(seconds);
            object->mask_outline =
                reinterpret_cast<AEGP_MaskOutlineValH>(HostObjects::instance().hand_out(
                    host, std::move(outline), kMaskOutlineKind, "mask outline", detail));
            val.mask = object->mask_outline;
          } else {
            return false;
          }
          return true;
        },
        found->node->value);
    if (!has_value) return call.result(kAegpBadArgument);
  } else {
    detail = "parameter " + std::to_string(found->param_index);
    if (const A_Err err = param_value(*found, *time, val)) return call.result(err);
  }
  value->streamH = stream;
  value->val = val;
  HostObjects::instance().hand_out(host, std::move(object), kStreamValueKind, "value", detail,
                                   value);
  call.output(value);
  return call.result(A_Err_NONE);
}

template <int32_t V>
A_Err dispose_stream_value(AEGP_StreamValue2* value) {
  HostCall call(kSuite, V, "AEGP_DisposeStreamValue", value);
  if (call.host() == nullptr) return call.result(kAegpBadArgument);
  auto* found = HostObjects::instance().find<StreamValueObject>(value);
  const AEGP_MaskOutlineValH mask_outline = found != nullptr ? found->mask_outline : nullptr;
  const bool given_back = HostObjects::instance().give_back(*call.host(), value, kStreamValueKind);
  if (given_back && mask_outline != nullptr) {
    HostObjects::instance().give_back(*call.host(), mask_outline, kMaskOutlineKind);
  }
  if (long err = call.injected()) return call.result(static_cast<A_Err>(err));
  return call.result(given_back ? A_Err_NONE : kAegpBadArgument);
}

template <int32_t V>
A_Err set_stream_value(AEGP_PluginID plugin_id, AEGP_StreamRefH stream, AEGP_StreamValue2*) {
  HostCall call(kSuite, V, "AEGP_SetStreamValue", plugin_id, stream);
  return call.result(kAegpNotServed);
}

template <int32_t V>
const AEGP_StreamSuite9 stream_suite = {get_new_layer_stream<V>, get_new_effect_stream_by_index<V>,
                                        dispose_stream<V>,       get_stream_type<V>,
                                        get_new_stream_value<V>, dispose_stream_value<V>,
                                        set_stream_value<V>};

}  // namespace

void install_stream_suite(SimHost& host) {
  host.register_suite(kSuite, kAEGPStreamSuiteVersion4, &stream_suite<kAEGPStreamSuiteVersion4>);
  host.register_suite(kSuite, kAEGPStreamSuiteVersion7, &stream_suite<kAEGPStreamSuiteVersion7>);
  host.register_suite(kSuite, kAEGPStreamSuiteVersion9, &stream_suite<kAEGPStreamSuiteVersion9>);
}

}  // namespace simhost
