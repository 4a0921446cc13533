#pragma once

// One effect instance as the host keeps it: its parameter array, its
// sequence data, the capability flags the effect declared, and the in-data
// record built for each command, whose callbacks reach this instance through
// its effect reference.

#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "host/sim_host.h"
#include "host_api/ae_effect.h"

namespace simhost {

class PluginModule;

class EffectInstance {
 public:
  // `num_params` slots, slot 0 being the input layer; params setup adds the
  // rest through add_param.
  explicit EffectInstance(SimHost& host, A_long num_params = 1);
  ~EffectInstance();
  EffectInstance(const EffectInstance&) = delete;
  EffectInstance& operator=(const EffectInstance&) = delete;

  static EffectInstance* from_ref(PF_ProgPtr effect_ref);
  PF_ProgPtr effect_ref() { return reinterpret_cast<PF_ProgPtr>(this); }
  SimHost& host() { return host_; }

  // --- parameters ---------------------------------------------------------
  A_long num_params() const;
  void resize_params(A_long num_params);
  PF_ParamDef& param(PF_ParamIndex index);
  // The parameter array handed to EffectMain.
  PF_ParamDef** param_list();
  const std::vector<PF_CustomUIInfo>& registered_ui() const { return registered_ui_; }

  // Called on the calling thread at the start of every callback the effect
  // makes into this instance (tests watch the order of callbacks across
  // threads with it). Set it before commands run.
  void set_callback_observer(std::function<void()> observer) { observer_ = std::move(observer); }
  void observe_callback() {
    if (observer_) observer_();
  }

  // --- the host's side of the in-data callbacks --------------------------
  PF_Err checkout_param(PF_ParamIndex index, A_long what_time, A_long time_step,
                        A_u_long time_scale, PF_ParamDef* param);
  PF_Err checkin_param(PF_ParamDef* param);
  PF_Err add_param(PF_ParamIndex index, const PF_ParamDef* def);
  PF_Err register_ui(const PF_CustomUIInfo* info);

  // --- commands -----------------------------------------------------------
  // A fresh in-data record for one command.
  PF_InData make_in_data();
  // Runs one command through the module's EffectMain with fresh in/out
  // records and takes back what the host keeps: capability flags, the
  // sequence data handle, the parameter count.
  PF_Err run(PluginModule& module, PF_Cmd cmd, void* extra = nullptr,
             PF_LayerDef* output = nullptr);
  const PF_InData& last_in_data() const { return last_in_data_; }
  const PF_OutData& last_out_data() const { return last_out_data_; }

  // What the host keeps between commands.
  A_long appl_id = PF_APPL_ID_AFTER_EFFECTS;
  PF_SpecVersion version = {13, 28};
  A_long current_time = 0;
  A_long time_step = 1;
  A_u_long time_scale = 24;
  A_u_long my_version = 0;
  PF_OutFlags out_flags = 0;
  PF_OutFlags2 out_flags2 = 0;
  PF_Handle sequence_data = nullptr;

 private:
  void rebuild_param_list();

  SimHost& host_;
  std::recursive_mutex mutex_;
  std::vector<PF_ParamDef> params_;
  std::vector<PF_ParamDef*> param_ptrs_;
  std::multiset<const PF_ParamDef*> checked_out_;
  std::vector<PF_CustomUIInfo> registered_ui_;
  std::function<void()> observer_;
  PF_InData last_in_data_{};
  PF_OutData last_out_data_{};
};

}  // namespace simhost
