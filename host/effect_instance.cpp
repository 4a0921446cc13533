#include "host/effect_instance.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "host/host_call.h"
#include "host/plugin_module.h"

namespace simhost {

namespace {

std::mutex instances_mutex;
std::set<EffectInstance*> live_instances;
std::atomic<int> instance_count{0};

constexpr const char* kParamCheckout = "param checkout";

// The instance a callback is for, after telling its observer of the call.
EffectInstance* callback_target(PF_ProgPtr effect_ref) {
  EffectInstance* instance = EffectInstance::from_ref(effect_ref);
  if (instance != nullptr) instance->observe_callback();
  return instance;
}

constexpr const char* kInData = "in_data";

PF_Err cb_checkout_param(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                         A_long time_step, A_u_long time_scale, PF_ParamDef* param) {
  HostCall call(kInData, 0, "checkout_param", effect_ref, index, what_time, time_step, time_scale);
  EffectInstance* instance = callback_target(effect_ref);
  if (instance == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(instance->checkout_param(index, what_time, time_step, time_scale, param));
}

PF_Err cb_checkin_param(PF_ProgPtr effect_ref, PF_ParamDef* param) {
  HostCall call(kInData, 0, "checkin_param", effect_ref, param);
  EffectInstance* instance = callback_target(effect_ref);
  if (instance == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(instance->checkin_param(param));
}

PF_Err cb_add_param(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def) {
  HostCall call(kInData, 0, "add_param", effect_ref, index);
  EffectInstance* instance = callback_target(effect_ref);
  if (instance == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(instance->add_param(index, def));
}

PF_Err cb_abort(PF_ProgPtr effect_ref) {
  return callback_target(effect_ref) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err cb_progress(PF_ProgPtr effect_ref, A_long, A_long) {
  return cb_abort(effect_ref);
}

PF_Err cb_register_ui(PF_ProgPtr effect_ref, PF_CustomUIInfo* info) {
  HostCall call(kInData, 0, "register_ui", effect_ref, info != nullptr ? info->events : -1);
  EffectInstance* instance = callback_target(effect_ref);
  if (instance == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(instance->register_ui(info));
}

}  // namespace

EffectInstance::EffectInstance(SimHost& host, A_long num_params) : host_(host) {
  resize_params(std::max<A_long>(num_params, 1));
  params_[0].param_type = PF_Param_LAYER;
  host_.name_object(effect_ref(), "effect#" + std::to_string(++instance_count));
  std::lock_guard lock(instances_mutex);
  live_instances.insert(this);
}

EffectInstance::~EffectInstance() {
  {
    std::lock_guard lock(instances_mutex);
    live_instances.erase(this);
  }
  // Arbitrary-data defaults and values are the host's once added.
  for (PF_ParamDef& def : params_) {
    if (def.param_type != PF_Param_ARBITRARY_DATA) continue;
    if (def.u.arb_d.dephault) host_.dispose_kept_handle(def.u.arb_d.dephault);
    if (def.u.arb_d.value && def.u.arb_d.value != def.u.arb_d.dephault) {
      host_.dispose_kept_handle(def.u.arb_d.value);
    }
  }
}

EffectInstance* EffectInstance::from_ref(PF_ProgPtr effect_ref) {
  auto* instance = reinterpret_cast<EffectInstance*>(effect_ref);
  std::lock_guard lock(instances_mutex);
  return live_instances.count(instance) ? instance : nullptr;
}

A_long EffectInstance::num_params() const {
  return static_cast<A_long>(params_.size());
}

void EffectInstance::resize_params(A_long num_params) {
  std::lock_guard lock(mutex_);
  params_.resize(static_cast<size_t>(std::max<A_long>(num_params, 1)));
  rebuild_param_list();
}

// Rebuilt only when the array changes, so that commands running on several
// threads share one stable list.
void EffectInstance::rebuild_param_list() {
  param_ptrs_.clear();
  for (PF_ParamDef& def : params_) param_ptrs_.push_back(&def);
}

PF_ParamDef& EffectInstance::param(PF_ParamIndex index) {
  return params_.at(index);
}

PF_ParamDef** EffectInstance::param_list() {
  std::lock_guard lock(mutex_);
  return param_ptrs_.data();
}

PF_Err EffectInstance::checkout_param(PF_ParamIndex index, A_long, A_long, A_u_long,
                                      PF_ParamDef* param) {
  if (param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= num_params()) return PF_Err_INVALID_INDEX;
  if (host_.should_fail(Fail::CheckoutParam) || host_.should_fail_checkout_of(index)) {
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  *param = params_[index];
  checked_out_.insert(param);
  host_.give(kParamCheckout);
  return PF_Err_NONE;
}

PF_Err EffectInstance::checkin_param(PF_ParamDef* param) {
  std::lock_guard lock(mutex_);
  auto it = checked_out_.find(param);
  if (it == checked_out_.end()) {
    host_.count_stray_checkin();
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  checked_out_.erase(it);
  host_.take_back(kParamCheckout);
  if (host_.should_fail(Fail::CheckinParam)) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  return PF_Err_NONE;
}

PF_Err EffectInstance::add_param(PF_ParamIndex index, const PF_ParamDef* def) {
  if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (host_.should_fail(Fail::AddParam)) return PF_Err_OUT_OF_MEMORY;
  std::lock_guard lock(mutex_);
  // Parameters are added in order: -1 or the next slot.
  if (index != -1 && index != num_params()) return PF_Err_INVALID_INDEX;
  PF_ParamDef added = *def;
  if (added.param_type == PF_Param_ARBITRARY_DATA && added.u.arb_d.dephault != nullptr) {
    host_.keep_handle(added.u.arb_d.dephault);
  }
  params_.push_back(added);
  rebuild_param_list();
  return PF_Err_NONE;
}

PF_Err EffectInstance::register_ui(const PF_CustomUIInfo* info) {
  if (info == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (host_.should_fail(Fail::RegisterUi)) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  std::lock_guard lock(mutex_);
  registered_ui_.push_back(*info);
  return PF_Err_NONE;
}

PF_InData EffectInstance::make_in_data() {
  PF_InData in_data = host_.make_in_data();
  in_data.inter.checkout_param = cb_checkout_param;
  in_data.inter.checkin_param = cb_checkin_param;
  in_data.inter.add_param = cb_add_param;
  in_data.inter.abort = cb_abort;
  in_data.inter.progress = cb_progress;
  in_data.inter.register_ui = cb_register_ui;
  in_data.effect_ref = effect_ref();
  in_data.appl_id = appl_id;
  in_data.version = version;
  in_data.num_params = num_params();
  in_data.current_time = current_time;
  in_data.time_step = time_step;
  in_data.local_time_step = time_step;
  in_data.time_scale = time_scale;
  in_data.sequence_data = sequence_data;
  return in_data;
}

PF_Err EffectInstance::run(PluginModule& module, PF_Cmd cmd, void* extra, PF_LayerDef* output) {
  PF_InData in_data = make_in_data();
  PF_OutData out_data{};
  out_data.my_version = my_version;
  out_data.out_flags = out_flags;
  out_data.out_flags2 = out_flags2;
  out_data.sequence_data = sequence_data;
  out_data.num_params = num_params();

  PF_Err err;
  {
    CommandScope scope(cmd);
    err = module.effect_main(cmd, &in_data, &out_data, param_list(), output, extra);
  }

  switch (cmd) {
    case PF_Cmd_GLOBAL_SETUP:
      if (err == PF_Err_NONE) {
        my_version = out_data.my_version;
        out_flags = out_data.out_flags;
        out_flags2 = out_data.out_flags2;
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

}  // namespace simhost
