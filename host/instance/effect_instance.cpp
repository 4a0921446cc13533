#include "host/instance/effect_instance.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include <optional>
#include <set>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/instance/param_type_traits.h"
#include "host/instance/undo_history.h"
#include "host/plugin_module.h"
#include "host/quoted.h"

namespace simhost {

namespace {

std::mutex instances_mutex;
std::set<EffectInstance*> live_instances;
std::atomic<int> instance_count{0};

constexpr const char* param_checkout = "param checkout";
constexpr const char* in_data_name = "in_data";

PF_Err cb_checkout_param(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                         A_long time_step, A_u_long time_scale, PF_ParamDef* param) {
  HostCall call(in_data_name, 0, "checkout_param", effect_ref, index, what_time, time_step,
                time_scale);
  EffectInstance* instance = EffectInstance::callback_target(effect_ref);
  if (instance == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(instance->checkout_param(index, what_time, time_step, time_scale, param));
}

PF_Err cb_checkin_param(PF_ProgPtr effect_ref, PF_ParamDef* param) {
  HostCall call(in_data_name, 0, "checkin_param", effect_ref, param);
  EffectInstance* instance = EffectInstance::callback_target(effect_ref);
  if (instance == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(instance->checkin_param(param));
}

PF_Err cb_add_param(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def) {
  HostCall call(in_data_name, 0, "add_param", effect_ref, index, param_name(def));
  EffectInstance* instance = EffectInstance::callback_target(effect_ref);
  if (instance == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(instance->add_param(index, def));
}

// What the user wants of the command running: 0 to go on, PF_Interrupt_CANCEL
// once the host was asked to abort.
PF_Err user_interrupt(PF_ProgPtr effect_ref, SimHost* host) {
  if (EffectInstance::callback_target(effect_ref) == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return host != nullptr && host->abort_requested() ? PF_Interrupt_CANCEL : PF_Err_NONE;
}

PF_Err cb_abort(PF_ProgPtr effect_ref) {
  HostCall call(in_data_name, 0, "abort", effect_ref);
  if (const long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  return call.result(user_interrupt(effect_ref, call.host()));
}

PF_Err cb_progress(PF_ProgPtr effect_ref, A_long, A_long) {
  return user_interrupt(effect_ref, SimHost::current());
}

PF_Err cb_register_ui(PF_ProgPtr effect_ref, PF_CustomUIInfo* info) {
  HostCall call(in_data_name, 0, "register_ui", effect_ref, info != nullptr ? info->events : -1);
  EffectInstance* instance = EffectInstance::callback_target(effect_ref);
  if (instance == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(instance->register_ui(info));
}

// The smart-render commands read parameters through checkouts, and an
// arbitrary-data callback concerns one value: none of them gets the array.
bool gets_param_array(PF_Cmd cmd) {
  return cmd != PF_Cmd_SMART_PRE_RENDER && cmd != PF_Cmd_SMART_RENDER &&
         cmd != PF_Cmd_ARBITRARY_CALLBACK;
}

// A coordinate at the layer's full size to one at its downsampling, and back.
PF_Fixed downsampled(PF_Fixed v, PF_RationalScale scale) {
  if (scale.den == 0) return v;
  return static_cast<PF_Fixed>(std::llround(static_cast<double>(v) * scale.num / scale.den));
}
PF_Fixed full_size(PF_Fixed v, PF_RationalScale scale) {
  if (scale.num == 0) return v;
  return static_cast<PF_Fixed>(std::llround(static_cast<double>(v) * scale.den / scale.num));
}
A_long downsampled_length(A_long length, PF_RationalScale scale) {
  if (scale.den == 0) return length;
  return static_cast<A_long>(std::ceil(static_cast<double>(length) * scale.num / scale.den));
}

// Frames are made at the layer's downsampling, and so are calls made outside
// any command (as tests make them); the panel's commands see the layer at its
// full size, so values written there are not scaled.
bool at_downsampling() {
  const PF_Cmd cmd = CommandScope::current_cmd();
  return cmd < 0 || cmd == PF_Cmd_SMART_PRE_RENDER || cmd == PF_Cmd_SMART_RENDER ||
         cmd == PF_Cmd_RENDER || cmd == PF_Cmd_FRAME_SETUP || cmd == PF_Cmd_FRAME_SETDOWN;
}

PF_RationalScale scale_now(PF_RationalScale layer_scale) {
  return at_downsampling() ? layer_scale : PF_RationalScale{1, 1};
}

bool is_arbitrary(const PF_ParamDef& def) {
  return def.param_type == PF_Param_ARBITRARY_DATA;
}

// A handle an arbitrary-data callback made: the host keeps it, or lets it go
// when the callback failed, since an unfilled handle is no value. Without a
// value, *error (when asked for) tells why: the callback's error, or out of
// memory when it made no handle.
PF_Handle made_value(SimHost& host, PF_Err err, PF_Handle made, PF_Err* error) {
  if (made != nullptr && err == PF_Err_NONE) {
    host.keep_handle(made);
    return made;
  }
  if (made != nullptr) host.dispose_handle(made);
  if (error != nullptr) *error = err != PF_Err_NONE ? err : PF_Err_OUT_OF_MEMORY;
  return nullptr;
}

}  // namespace

EffectInstance::EffectInstance(SimHost& host) : host_(host) {
  host_.name_object(effect_ref(), "effect#" + std::to_string(++instance_count));
  std::lock_guard lock(instances_mutex);
  live_instances.insert(this);
}

EffectInstance::~EffectInstance() {
  {
    std::lock_guard lock(mutex_);
    dispose_stored_arbitrary();
  }
  std::lock_guard lock(instances_mutex);
  live_instances.erase(this);
}

EffectInstance* EffectInstance::from_ref(PF_ProgPtr effect_ref) {
  auto* instance = reinterpret_cast<EffectInstance*>(effect_ref);
  std::lock_guard lock(instances_mutex);
  return live_instances.count(instance) ? instance : nullptr;
}

EffectInstance* EffectInstance::callback_target(PF_ProgPtr effect_ref) {
  EffectInstance* instance = from_ref(effect_ref);
  if (instance != nullptr) instance->observe_callback();
  return instance;
}

double EffectInstance::seconds(A_long time, A_u_long scale) const {
  return scale == 0 ? 0.0 : static_cast<double>(time) / scale;
}

// --- parameters ----------------------------------------------------------------

A_long EffectInstance::num_params() {
  std::lock_guard lock(mutex_);
  return store_.size();
}

PF_ParamDef EffectInstance::definition(PF_ParamIndex slot) {
  std::lock_guard lock(mutex_);
  if (!store_.contains(slot)) {
    throw ParamValueError("parameter " + store_.describe(slot) + ": there is no such parameter");
  }
  PF_ParamDef def = store_.handed_out(slot, current_seconds());
  def.uu.id = store_.at(slot).def.uu.id;
  return def;
}

PF_ParamIndex EffectInstance::find_param(const std::string& name_or_slot) {
  std::lock_guard lock(mutex_);
  if (std::optional<PF_ParamIndex> slot = store_.find(name_or_slot)) return *slot;
  const bool number = !name_or_slot.empty() && name_or_slot.size() < 6 &&
                      std::all_of(name_or_slot.begin(), name_or_slot.end(),
                                  [](unsigned char c) { return std::isdigit(c) != 0; });
  if (number && store_.contains(std::stoi(name_or_slot))) return std::stoi(name_or_slot);
  throw ParamValueError("parameter " + in_quotes(name_or_slot) + ": there is no such parameter");
}

void EffectInstance::set_value(const std::string& name_or_slot, const nlohmann::json& value) {
  set_value(find_param(name_or_slot), value);
}

void EffectInstance::set_value(PF_ParamIndex slot, const nlohmann::json& value) {
  std::lock_guard lock(mutex_);
  SettingFromJson setting = setting_from_json(store_, slot, value);
  StoredParam& param = store_.at(slot);

  if (is_arbitrary(param.def)) {
    // Every handle is made before anything is replaced.
    std::vector<ValueFromJson*> values;
    if (setting.keyframed) {
      for (auto& [seconds, key] : setting.keyframes) values.push_back(&key);
    } else {
      values.push_back(&setting.constant);
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
      PF_Handle made = unflatten_arbitrary(slot, values[i]->flat);
      if (made == nullptr) {
        for (std::size_t j = 0; j < i; ++j) dispose_arbitrary(slot, values[j]->value.u.arb_d.value);
        throw ParamValueError("parameter " + store_.describe(slot) +
                              ": the effect could not make a value of these bytes");
      }
      values[i]->value.u.arb_d.value = made;
    }
    if (param.def.u.arb_d.value != param.def.u.arb_d.dephault) {
      dispose_arbitrary(slot, param.def.u.arb_d.value);
    }
    for (const Keyframe& key : param.keyframes) dispose_arbitrary(slot, key.value.u.arb_d.value);
    param.def.u.arb_d.value = nullptr;
  }

  param.keyframes.clear();
  if (setting.keyframed) {
    for (const auto& [seconds, key] : setting.keyframes) {
      Keyframe keyframe{seconds, {param.def.u, key.value.layer_id}};
      copy_value_fields(param.def.param_type, key.value.u, keyframe.value.u);
      param.keyframes.push_back(keyframe);
    }
  } else {
    copy_value_fields(param.def.param_type, setting.constant.value.u, param.def.u);
    param.layer_id = setting.constant.value.layer_id;
  }
}

nlohmann::json EffectInstance::value_json(PF_ParamIndex slot) {
  std::lock_guard lock(mutex_);
  const StoredParam& param = store_.at(slot);
  auto one = [&](const ParamValue& value) -> nlohmann::json {
    if (!is_arbitrary(param.def)) return value_to_json(param, value);
    if (value.u.arb_d.value == nullptr) return nullptr;
    return {{"flat", hex_from_bytes(flatten_arbitrary(slot, value.u.arb_d.value))}};
  };
  if (param.keyframes.empty()) return one({param.def.u, param.layer_id});
  nlohmann::json keys = nlohmann::json::array();
  for (const Keyframe& key : param.keyframes) {
    keys.push_back({{"time", key.seconds}, {"value", one(key.value)}});
  }
  return {{"keyframes", keys}};
}

nlohmann::json EffectInstance::default_json(PF_ParamIndex slot) {
  std::lock_guard lock(mutex_);
  const StoredParam& param = store_.at(slot);
  if (!is_arbitrary(param.def)) return default_to_json(param);
  if (param.def.u.arb_d.dephault == nullptr) return nullptr;
  return {{"flat", hex_from_bytes(flatten_arbitrary(slot, param.def.u.arb_d.dephault))}};
}

A_long EffectInstance::layer_id(PF_ParamIndex slot, A_long time, A_u_long time_scale) {
  std::lock_guard lock(mutex_);
  return store_.value_at(slot, seconds(time, time_scale)).layer_id;
}

bool EffectInstance::is_keyframed(PF_ParamIndex slot) {
  std::lock_guard lock(mutex_);
  return store_.contains(slot) && !store_.at(slot).keyframes.empty();
}

std::string EffectInstance::describe(PF_ParamIndex slot) {
  std::lock_guard lock(mutex_);
  return store_.describe(slot);
}

A_long EffectInstance::dynamic_stream_flags(PF_ParamIndex slot) {
  std::lock_guard lock(mutex_);
  auto it = dynamic_flags_.find(slot);
  return it == dynamic_flags_.end() ? 0 : it->second;
}

void EffectInstance::set_dynamic_stream_flag(PF_ParamIndex slot, A_long flag, bool on) {
  std::lock_guard lock(mutex_);
  A_long& flags = dynamic_flags_[slot];
  flags = on ? (flags | flag) : (flags & ~flag);
}

std::vector<unsigned char> EffectInstance::flatten_value(PF_ParamIndex slot) {
  std::lock_guard lock(mutex_);
  if (!store_.contains(slot) || !is_arbitrary(store_.at(slot).def)) {
    throw ParamValueError("parameter " + store_.describe(slot) + ": it holds no arbitrary data");
  }
  const PF_ParamDef def = hand_out(slot, current_seconds());
  std::vector<unsigned char> bytes = flatten_arbitrary(slot, def.u.arb_d.value);
  dispose_arbitrary(slot, def.u.arb_d.value);
  return bytes;
}

void EffectInstance::unflatten_value(PF_ParamIndex slot, const std::vector<unsigned char>& bytes) {
  set_value(slot, nlohmann::json{{"flat", hex_from_bytes(bytes)}});
}

PF_ParamDef EffectInstance::hand_out(PF_ParamIndex slot, double at, PF_Err* error) {
  PF_ParamDef def = store_.handed_out(slot, at);
  if (def.param_type == PF_Param_POINT) {
    def.u.td.x_value = downsampled(def.u.td.x_value, scale_now(layer.downsample_x));
    def.u.td.y_value = downsampled(def.u.td.y_value, scale_now(layer.downsample_y));
  } else if (is_arbitrary(def)) {
    const StoredParam& param = store_.at(slot);
    if (param.keyframes.empty()) {
      def.u.arb_d.value = copy_arbitrary(slot, param.def.u.arb_d.value, error);
    } else {
      const KeyframeSpan span = find_keyframe_span(param.keyframes, at);
      PF_Handle before = param.keyframes[span.before].value.u.arb_d.value;
      PF_Handle after = param.keyframes[span.after].value.u.arb_d.value;
      def.u.arb_d.value = span.before == span.after
                              ? copy_arbitrary(slot, before, error)
                              : interpolate_arbitrary(slot, before, after, span.t, error);
    }
  }
  return def;
}

void EffectInstance::take_value(PF_ParamIndex slot, double at, const PF_ParamDef& def) {
  ParamValue value{def.u, store_.value_at(slot, at).layer_id};
  if (def.param_type == PF_Param_POINT) {
    value.u.td.x_value = full_size(def.u.td.x_value, scale_now(layer.downsample_x));
    value.u.td.y_value = full_size(def.u.td.y_value, scale_now(layer.downsample_y));
  }
  if (!is_arbitrary(def)) {
    store_.store_value(slot, at, value);
    return;
  }
  PF_Handle taken = def.u.arb_d.value;
  if (taken != nullptr) host_.keep_handle(taken);
  const ParamValue replaced = store_.store_value(slot, at, value);
  PF_Handle old = replaced.u.arb_d.value;
  if (old != nullptr && old != taken && old != store_.at(slot).def.u.arb_d.dephault) {
    dispose_arbitrary(slot, old);
  }
}

// --- arbitrary values through the effect ------------------------------------------

PF_Err EffectInstance::arbitrary_callback(PF_ParamIndex slot, PF_ArbParamsExtra& extra) {
  const PF_EffectMainPtr entry = entry_.load();
  if (entry == nullptr) return PF_Err_INVALID_CALLBACK;
  PF_InData in_data = make_in_data();
  PF_OutData out_data{};
  {
    std::lock_guard lock(mutex_);
    const PF_ArbitraryDef& arb = store_.at(slot).def.u.arb_d;
    extra.id = arb.id;
    // Every function's record starts with the refcon.
    extra.u.new_func_params.refconPV = arb.refconPV;
  }
  CommandScope scope(PF_Cmd_ARBITRARY_CALLBACK);
  return entry(PF_Cmd_ARBITRARY_CALLBACK, &in_data, &out_data, nullptr, nullptr, &extra);
}

PF_Handle EffectInstance::copy_arbitrary(PF_ParamIndex slot, PF_Handle source, PF_Err* error) {
  if (source == nullptr) return nullptr;
  PF_Handle copy = nullptr;
  PF_ArbParamsExtra extra{};
  extra.which_function = PF_Arbitrary_COPY_FUNC;
  extra.u.copy_func_params.src_arbH = source;
  extra.u.copy_func_params.dst_arbPH = &copy;
  const PF_Err err = arbitrary_callback(slot, extra);
  return made_value(host_, err, copy, error);
}

PF_Handle EffectInstance::interpolate_arbitrary(PF_ParamIndex slot, PF_Handle left, PF_Handle right,
                                                double t, PF_Err* error) {
  PF_Handle result = nullptr;
  PF_ArbParamsExtra extra{};
  extra.which_function = PF_Arbitrary_INTERP_FUNC;
  extra.u.interp_func_params.left_arbH = left;
  extra.u.interp_func_params.right_arbH = right;
  extra.u.interp_func_params.tF = t;
  extra.u.interp_func_params.interpPH = &result;
  const PF_Err err = arbitrary_callback(slot, extra);
  return made_value(host_, err, result, error);
}

PF_Handle EffectInstance::unflatten_arbitrary(PF_ParamIndex slot,
                                              const std::vector<unsigned char>& bytes) {
  static const unsigned char nothing = 0;
  PF_Handle value = nullptr;
  PF_ArbParamsExtra extra{};
  extra.which_function = PF_Arbitrary_UNFLATTEN_FUNC;
  extra.u.unflatten_func_params.buf_sizeLu = static_cast<A_u_long>(bytes.size());
  extra.u.unflatten_func_params.flat_dataPV = bytes.empty() ? &nothing : bytes.data();
  extra.u.unflatten_func_params.arbPH = &value;
  const PF_Err err = arbitrary_callback(slot, extra);
  return made_value(host_, err, value, nullptr);
}

std::vector<unsigned char> EffectInstance::flatten_arbitrary(PF_ParamIndex slot, PF_Handle value) {
  if (value == nullptr) return {};
  A_u_long size = 0;
  PF_ArbParamsExtra extra{};
  extra.which_function = PF_Arbitrary_FLAT_SIZE_FUNC;
  extra.u.flat_size_func_params.arbH = value;
  extra.u.flat_size_func_params.flat_data_sizePLu = &size;
  if (arbitrary_callback(slot, extra) != PF_Err_NONE) return {};
  std::vector<unsigned char> bytes(size);
  unsigned char nothing = 0;
  extra = {};
  extra.which_function = PF_Arbitrary_FLATTEN_FUNC;
  extra.u.flatten_func_params.arbH = value;
  extra.u.flatten_func_params.buf_sizeLu = size;
  extra.u.flatten_func_params.flat_dataPV = bytes.empty() ? &nothing : bytes.data();
  if (arbitrary_callback(slot, extra) != PF_Err_NONE) return {};
  return bytes;
}

bool EffectInstance::arbitrary_equal(PF_ParamIndex slot, PF_Handle a, PF_Handle b) {
  PF_ArbCompareResult result = PF_ArbCompare_NOT_EQUAL;
  PF_ArbParamsExtra extra{};
  extra.which_function = PF_Arbitrary_COMPARE_FUNC;
  extra.u.compare_func_params.a_arbH = a;
  extra.u.compare_func_params.b_arbH = b;
  extra.u.compare_func_params.compareP = &result;
  return arbitrary_callback(slot, extra) == PF_Err_NONE && result == PF_ArbCompare_EQUAL;
}

void EffectInstance::dispose_arbitrary(PF_ParamIndex slot, PF_Handle value) {
  if (value == nullptr) return;
  PF_ArbParamsExtra extra{};
  extra.which_function = PF_Arbitrary_DISPOSE_FUNC;
  extra.u.dispose_func_params.arbH = value;
  arbitrary_callback(slot, extra);
  // Without an effect to ask, the host lets go of its memory itself.
  if (host_.is_live_handle(value)) host_.dispose_kept_handle(value);
}

void EffectInstance::dispose_stored_arbitrary() {
  for (PF_ParamIndex slot = 1; slot < store_.size(); ++slot) {
    StoredParam& param = store_.at(slot);
    if (!is_arbitrary(param.def)) continue;
    PF_ArbitraryDef& arb = param.def.u.arb_d;
    if (arb.value != arb.dephault) dispose_arbitrary(slot, arb.value);
    for (Keyframe& key : param.keyframes) dispose_arbitrary(slot, key.value.u.arb_d.value);
    dispose_arbitrary(slot, arb.dephault);
    arb.value = arb.dephault = nullptr;
    param.keyframes.clear();
  }
}

void EffectInstance::make_values_from_defaults() {
  std::lock_guard lock(mutex_);
  for (PF_ParamIndex slot = 1; slot < store_.size(); ++slot) {
    PF_ArbitraryDef& arb = store_.at(slot).def.u.arb_d;
    if (is_arbitrary(store_.at(slot).def) && arb.value == nullptr && arb.dephault != nullptr) {
      arb.value = copy_arbitrary(slot, arb.dephault);
    }
  }
}

// --- the host's side of the callbacks ---------------------------------------------

PF_Err EffectInstance::checkout_param(PF_ParamIndex index, A_long what_time, A_long,
                                      A_u_long time_scale, PF_ParamDef* param) {
  if (param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  std::lock_guard lock(mutex_);
  if (!store_.contains(index)) return PF_Err_INVALID_INDEX;
  if (host_.should_fail(Fail::checkout_param) || host_.should_fail_checkout_of(index)) {
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  // A value the host cannot copy is the checkout's failure, not a record
  // without its value.
  PF_Err copy_error = PF_Err_NONE;
  const PF_ParamDef def = hand_out(index, seconds(what_time, time_scale), &copy_error);
  if (copy_error != PF_Err_NONE) return copy_error;
  *param = def;
  const PF_Handle given = is_arbitrary(*param) ? param->u.arb_d.value : nullptr;
  checked_out_.emplace(param, CheckedOut{index, given, host_.handle_serial(given)});
  host_.give(param_checkout);
  return PF_Err_NONE;
}

PF_Err EffectInstance::checkin_param(PF_ParamDef* param) {
  std::lock_guard lock(mutex_);
  auto it = checked_out_.find(param);
  if (it == checked_out_.end()) {
    host_.count_stray_checkin();
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const CheckedOut given = it->second;
  checked_out_.erase(it);
  host_.take_back(param_checkout);
  if (given.handle != nullptr && host_.handle_serial(given.handle) == given.serial) {
    dispose_arbitrary(given.slot, given.handle);
  }
  if (host_.should_fail(Fail::checkin_param)) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  return PF_Err_NONE;
}

PF_Err EffectInstance::add_param(PF_ParamIndex index, const PF_ParamDef* def) {
  if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (host_.should_fail(Fail::add_param)) return PF_Err_OUT_OF_MEMORY;
  std::lock_guard lock(mutex_);
  // Parameters are added in order: -1 appends, or the next slot by number.
  if (index != -1 && index != store_.size()) return PF_Err_INVALID_INDEX;
  store_.append(*def, layer.width, layer.height);
  // The default is the host's from now on; the value is made from it once
  // params setup has succeeded.
  if (is_arbitrary(*def)) {
    PF_ArbitraryDef& arb = store_.at(store_.size() - 1).def.u.arb_d;
    if (arb.dephault != nullptr) host_.keep_handle(arb.dephault);
    arb.value = nullptr;
  }
  return PF_Err_NONE;
}

PF_Err EffectInstance::register_ui(const PF_CustomUIInfo* info) {
  if (info == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (host_.should_fail(Fail::register_ui)) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  std::lock_guard lock(mutex_);
  registered_ui_.push_back(*info);
  return PF_Err_NONE;
}

PF_Err EffectInstance::update_param_ui(PF_ParamIndex index, const PF_ParamDef* def) {
  if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  std::lock_guard lock(mutex_);
  if (index <= 0 || !store_.contains(index)) return PF_Err_INVALID_INDEX;
  StoredParam& param = store_.at(index);
  if (def->param_type != param.def.param_type) return PF_Err_BAD_CALLBACK_PARAM;
  param.def.ui_flags = def->ui_flags;
  param.def.flags = def->flags;
  std::memcpy(param.def.name, def->name, sizeof param.def.name);
  param.def.name[PF_MAX_EFFECT_PARAM_NAME_LEN] = '\0';

  // The value only when it differs, so that updating the look of a
  // keyframed parameter adds no keyframe.
  const double at = current_seconds();
  if (is_arbitrary(*def)) {
    PF_Handle shown = def->u.arb_d.value;
    if (shown == nullptr || !host_.is_live_handle(shown)) return PF_Err_NONE;
    const PF_ParamDef current = hand_out(index, at);
    const bool same =
        current.u.arb_d.value != nullptr && arbitrary_equal(index, current.u.arb_d.value, shown);
    dispose_arbitrary(index, current.u.arb_d.value);
    if (same) return PF_Err_NONE;
    PF_ParamDef copy = *def;
    PF_Err copy_error = PF_Err_NONE;
    copy.u.arb_d.value = copy_arbitrary(index, shown, &copy_error);
    if (copy_error != PF_Err_NONE) return copy_error;  // the stored value stays
    take_value(index, at, copy);
    return PF_Err_NONE;
  }
  const PF_ParamDef current = hand_out(index, at);
  if (!same_value_fields(def->param_type, current.u, def->u)) take_value(index, at, *def);
  return PF_Err_NONE;
}

// --- commands ----------------------------------------------------------------------

PF_InData EffectInstance::make_in_data() {
  PF_InData in_data = host_.make_in_data();
  in_data.inter.checkout_param = guarded<cb_checkout_param>;
  in_data.inter.checkin_param = guarded<cb_checkin_param>;
  in_data.inter.add_param = guarded<cb_add_param>;
  in_data.inter.abort = guarded<cb_abort>;
  in_data.inter.progress = guarded<cb_progress>;
  in_data.inter.register_ui = guarded<cb_register_ui>;
  in_data.effect_ref = effect_ref();
  in_data.appl_id = appl_id;
  in_data.version = version;
  in_data.num_params = num_params();
  in_data.current_time = current_time;
  in_data.time_step = time_step;
  in_data.local_time_step = time_step;
  in_data.time_scale = time_scale;
  in_data.sequence_data = sequence_data;
  in_data.width = layer.width;
  in_data.height = layer.height;
  in_data.downsample_x = scale_now(layer.downsample_x);
  in_data.downsample_y = scale_now(layer.downsample_y);
  in_data.extent_hint = {0, 0, downsampled_length(layer.width, in_data.downsample_x),
                         downsampled_length(layer.height, in_data.downsample_y)};
  return in_data;
}

PF_Err EffectInstance::run(PluginModule& module, PF_Cmd cmd, void* extra, PF_LayerDef* output) {
  return run(module.entry(), cmd, extra, output);
}

PF_Err EffectInstance::run(PF_EffectMainPtr entry, PF_Cmd cmd, void* extra, PF_LayerDef* output) {
  entry_ = entry;
  if (cmd == PF_Cmd_PARAMS_SETUP) {
    // The list is declared afresh.
    std::lock_guard lock(mutex_);
    dispose_stored_arbitrary();
    store_.clear();
    registered_ui_.clear();
    dynamic_flags_.clear();
  }
  // The array and in-data are made for this command, under its name.
  CommandScope scope(cmd);
  PF_InData in_data = make_in_data();
  PF_OutData out_data{};
  out_data.my_version = my_version;
  out_data.out_flags = out_flags;
  out_data.out_flags2 = out_flags2;
  out_data.sequence_data = sequence_data;
  out_data.num_params = in_data.num_params;

  std::optional<CommandParams> params;
  if (gets_param_array(cmd)) params.emplace(*this, in_data);
  // A command whose array the host could not make whole is not sent: the
  // effect would take a missing value for an empty one. Setdowns are sent
  // all the same, so that the effect can free what it holds.
  if (params && params->error() != PF_Err_NONE && cmd != PF_Cmd_SEQUENCE_SETDOWN &&
      cmd != PF_Cmd_GLOBAL_SETDOWN) {
    last_in_data_ = in_data;
    last_out_data_ = out_data;
    return params->error();
  }
  const PF_Err err =
      entry(cmd, &in_data, &out_data, params ? params->list() : nullptr, output, extra);
  if (params) params->finish();
  undo_history(host_).close_after_command(host_, command_name(cmd));

  switch (cmd) {
    case PF_Cmd_GLOBAL_SETUP:
      if (err == PF_Err_NONE) {
        my_version = out_data.my_version;
        out_flags = out_data.out_flags;
        out_flags2 = out_data.out_flags2;
      }
      break;
    case PF_Cmd_PARAMS_SETUP:
      if (err == PF_Err_NONE) {
        if (out_data.num_params != num_params()) {
          host_.misuse("params setup declared " + std::to_string(out_data.num_params) +
                       " parameters but added " + std::to_string(num_params()));
        }
        make_values_from_defaults();
      }
      break;
    case PF_Cmd_QUERY_DYNAMIC_FLAGS:
      if (err == PF_Err_NONE) out_flags2 = out_data.out_flags2;
      break;
    case PF_Cmd_SEQUENCE_SETUP:
    case PF_Cmd_SEQUENCE_RESETUP:
      if (err == PF_Err_NONE && out_data.sequence_data != nullptr) {
        sequence_data = out_data.sequence_data;
        host_.keep_handle(sequence_data);
      }
      break;
    case PF_Cmd_SEQUENCE_SETDOWN:
      // Whatever the effect did, the host no longer keeps the record: one
      // it did not dispose of counts as not given back.
      if (sequence_data != nullptr) host_.release_handle(sequence_data);
      sequence_data = nullptr;
      break;
    default:
      break;
  }
  last_in_data_ = in_data;
  last_out_data_ = out_data;
  return err;
}

// --- a command's parameter array ---------------------------------------------------

CommandParams::CommandParams(EffectInstance& instance, const PF_InData& in_data)
    : instance_(instance), seconds_(instance.seconds(in_data.current_time, in_data.time_scale)) {
  std::lock_guard lock(instance_.mutex_);
  const A_long count = instance_.store_.size();
  params_.reserve(static_cast<std::size_t>(count));
  given_.resize(static_cast<std::size_t>(count));
  for (PF_ParamIndex slot = 0; slot < count; ++slot) {
    PF_Err copy_error = PF_Err_NONE;
    params_.push_back(instance_.hand_out(slot, seconds_, &copy_error));
    if (error_ == PF_Err_NONE) error_ = copy_error;
    if (is_arbitrary(params_.back())) {
      PF_Handle handle = params_.back().u.arb_d.value;
      given_[slot] = {handle, instance_.host_.handle_serial(handle)};
    }
  }
  for (PF_ParamDef& def : params_) pointers_.push_back(&def);
}

CommandParams::~CommandParams() {
  finish();
}

void CommandParams::finish() {
  if (finished_) return;
  finished_ = true;
  std::lock_guard lock(instance_.mutex_);
  SimHost& host = instance_.host_;
  ParamStore& store = instance_.store_;
  const A_long count = std::min(store.size(), static_cast<A_long>(params_.size()));
  for (PF_ParamIndex slot = 1; slot < count; ++slot) {
    const PF_ParamDef& def = params_[slot];
    if (def.param_type != store.at(slot).def.param_type) continue;
    const bool changed = (def.uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) != 0;
    if (changed) {
      store.at(slot).def.flags = def.flags;
      store.at(slot).def.ui_flags = def.ui_flags;
    }
    if (!is_arbitrary(def)) {
      if (changed) instance_.take_value(slot, seconds_, def);
      continue;
    }
    const GivenHandle given = given_[slot];
    PF_Handle written = def.u.arb_d.value;
    if (changed) {
      if (written == nullptr) {
        host.misuse("no handle announced as the new value of parameter " + store.describe(slot));
      } else if (!host.is_live_handle(written)) {
        host.misuse("a disposed handle announced as the new value of parameter " +
                    store.describe(slot));
      } else {
        instance_.take_value(slot, seconds_, def);
      }
    }
    const bool kept = changed && written == given.handle;
    if (!kept && given.handle != nullptr && host.handle_serial(given.handle) == given.serial) {
      instance_.dispose_arbitrary(slot, given.handle);
    }
  }
}

}  // namespace simhost
