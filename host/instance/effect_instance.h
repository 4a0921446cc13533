#pragma once

// One effect instance as the host keeps it: its parameters (definitions as
// added and values over time, host/instance/param_store.h), the layer it is applied
// to, its sequence data, the capability flags the effect declared, and the
// in-data record built for each command, whose callbacks reach this
// instance through its effect reference.
//
// Arbitrary-data values ("Gradient Wheel") are made, copied, interpolated,
// compared, flattened and disposed of only through the effect's own
// callbacks (PF_Cmd_ARBITRARY_CALLBACK through the entry point the instance
// last ran). Every such handle is the host's: the stored value and each
// keyframe's, the default, and the copies handed to commands and checkouts.

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/instance/param_store.h"
#include "host/instance/param_values.h"
#include "host/sim_host.h"
#include "host_api/ae_effect.h"

namespace simhost {

class PluginModule;
class CommandParams;

// The layer the effect is applied to, as in-data describes it. Points are
// turned from percent into pixels of this size when they are added; values
// handed out are scaled by the downsample factors.
struct InstanceLayer {
  A_long width = 1920;
  A_long height = 1080;
  PF_RationalScale downsample_x = {1, 1};
  PF_RationalScale downsample_y = {1, 1};
};

class EffectInstance {
 public:
  // Slot 0, the input layer, alone: params setup adds the rest.
  explicit EffectInstance(SimHost& host);
  // Disposes of every arbitrary value through the effect's callbacks: the
  // instance must go before the module it ran.
  ~EffectInstance();
  EffectInstance(const EffectInstance&) = delete;
  EffectInstance& operator=(const EffectInstance&) = delete;

  static EffectInstance* from_ref(PF_ProgPtr effect_ref);
  // The instance a callback is for, after telling its observer of the call.
  // Every callback that takes an effect reference goes through here.
  static EffectInstance* callback_target(PF_ProgPtr effect_ref);
  PF_ProgPtr effect_ref() { return reinterpret_cast<PF_ProgPtr>(this); }
  SimHost& host() { return host_; }

  InstanceLayer layer;

  // --- parameters ---------------------------------------------------------
  A_long num_params();
  // The stored definition with its value at the instance's current time
  // (arbitrary data: the stored handle itself, for reading).
  PF_ParamDef definition(PF_ParamIndex slot);
  const std::vector<PF_CustomUIInfo>& registered_ui() const { return registered_ui_; }
  // The slot of a parameter by name, else by the label of an unnamed
  // checkbox or button, else a slot number in decimal; ParamValueError
  // when there is none.
  PF_ParamIndex find_param(const std::string& name_or_slot);

  // Sets a value from its JSON form (host/README.md): a constant, or
  // {"keyframes": [{"time": seconds, "value": value}, ...]} (or the older
  // [seconds, value] per keyframe). Replaces what the slot held.
  // ParamValueError, naming the parameter, for an unknown parameter, a
  // wrong form or a value out of range; then nothing is stored.
  void set_value(const std::string& name_or_slot, const nlohmann::json& value);
  void set_value(PF_ParamIndex slot, const nlohmann::json& value);
  // The value and default in the same JSON form (arbitrary data as
  // {"flat": "hex"}); keyframed values as {"keyframes": [{"time": seconds,
  // "value": value}, ...]}.
  nlohmann::json value_json(PF_ParamIndex slot);
  nlohmann::json default_json(PF_ParamIndex slot);
  // The layer chosen in a layer parameter at a time (0: none).
  A_long layer_id(PF_ParamIndex slot, A_long time, A_u_long time_scale);
  bool is_keyframed(PF_ParamIndex slot);
  // How messages and records name a parameter: "\"Mode\" (slot 20)".
  std::string describe(PF_ParamIndex slot);

  // The dynamic flags of a parameter's stream (AEGP_DynStreamFlag_HIDDEN,
  // ...), kept per parameter until params setup declares the list afresh.
  A_long dynamic_stream_flags(PF_ParamIndex slot);
  void set_dynamic_stream_flag(PF_ParamIndex slot, A_long flag, bool on);

  // A saved arbitrary value: the stored constant flattened by the effect
  // (flat size, then flatten), and a saved one unflattened into the slot.
  std::vector<unsigned char> flatten_value(PF_ParamIndex slot);
  void unflatten_value(PF_ParamIndex slot, const std::vector<unsigned char>& bytes);

  // Called on the calling thread at the start of every callback the effect
  // makes into this instance (tests watch the order of callbacks across
  // threads with it). Set it before commands run.
  void set_callback_observer(std::function<void()> observer) { observer_ = std::move(observer); }
  void observe_callback() {
    if (observer_) observer_();
  }

  // --- the host's side of the in-data callbacks and PF_UpdateParamUI -----
  PF_Err checkout_param(PF_ParamIndex index, A_long what_time, A_long time_step,
                        A_u_long time_scale, PF_ParamDef* param);
  PF_Err checkin_param(PF_ParamDef* param);
  PF_Err add_param(PF_ParamIndex index, const PF_ParamDef* def);
  PF_Err register_ui(const PF_CustomUIInfo* info);
  // Takes over the record's value, flags, ui_flags and name.
  PF_Err update_param_ui(PF_ParamIndex index, const PF_ParamDef* def);

  // --- commands -----------------------------------------------------------
  // A fresh in-data record for one command.
  PF_InData make_in_data();
  // Runs one command through the entry point with fresh in/out records and
  // the command's own parameter array (none for the smart-render commands
  // and arbitrary-data callbacks), applies what the effect announced as
  // changed, and takes back what the host keeps: capability flags, the
  // sequence data handle, the parameter list. Params setup starts the list
  // afresh; when it succeeds the host checks num_params against what was
  // added and makes each arbitrary value from its default.
  PF_Err run(PluginModule& module, PF_Cmd cmd, void* extra = nullptr,
             PF_LayerDef* output = nullptr);
  PF_Err run(PF_EffectMainPtr entry, PF_Cmd cmd, void* extra = nullptr,
             PF_LayerDef* output = nullptr);
  const PF_InData& last_in_data() const { return last_in_data_; }
  const PF_OutData& last_out_data() const { return last_out_data_; }

  // One arbitrary-data callback through the entry point, for the host's own
  // use of a value (id and refcon filled from the slot's definition).
  PF_Err arbitrary_callback(PF_ParamIndex slot, PF_ArbParamsExtra& extra);

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
  friend class CommandParams;

  double seconds(A_long time, A_u_long scale) const;
  double current_seconds() const { return seconds(current_time, time_scale); }
  // The definition with its value at `at`, scaled for the layer's
  // downsampling; an arbitrary value is a new handle the caller owns. When
  // the host cannot copy an arbitrary value, the record holds none and
  // *error (when given) says why.
  PF_ParamDef hand_out(PF_ParamIndex slot, double at, PF_Err* error = nullptr);
  // Stores a value written by the effect (points still scaled) at `at`,
  // disposing of an arbitrary value it replaces.
  void take_value(PF_ParamIndex slot, double at, const PF_ParamDef& def);

  // Arbitrary values through the effect's callbacks; handles made are kept
  // by the host. Null when the effect made none, with the reason in *error
  // (when given).
  PF_Handle copy_arbitrary(PF_ParamIndex slot, PF_Handle source, PF_Err* error = nullptr);
  PF_Handle interpolate_arbitrary(PF_ParamIndex slot, PF_Handle left, PF_Handle right, double t,
                                  PF_Err* error = nullptr);
  PF_Handle unflatten_arbitrary(PF_ParamIndex slot, const std::vector<unsigned char>& bytes);
  std::vector<unsigned char> flatten_arbitrary(PF_ParamIndex slot, PF_Handle value);
  bool arbitrary_equal(PF_ParamIndex slot, PF_Handle a, PF_Handle b);
  void dispose_arbitrary(PF_ParamIndex slot, PF_Handle value);
  // Every arbitrary handle the store holds, disposed of.
  void dispose_stored_arbitrary();
  void make_values_from_defaults();

  SimHost& host_;
  std::recursive_mutex mutex_;
  ParamStore store_;
  // Checked-out records and the arbitrary copy each was given.
  struct CheckedOut {
    PF_ParamIndex slot = 0;
    PF_Handle handle = nullptr;
    std::uint64_t serial = 0;
  };
  std::multimap<const PF_ParamDef*, CheckedOut> checked_out_;
  std::vector<PF_CustomUIInfo> registered_ui_;
  std::map<PF_ParamIndex, A_long> dynamic_flags_;
  std::function<void()> observer_;
  std::atomic<PF_EffectMainPtr> entry_{nullptr};
  PF_InData last_in_data_{};
  PF_OutData last_out_data_{};
};

// A command's own parameter array, built from the store at the command's
// time: the effect may write it freely. finish() (or the destructor) applies,
// under the instance's lock, the slots flagged PF_ChangeFlag_CHANGED_VALUE:
// their value, and their flags and ui_flags (a twirl opened or closed).
// Arbitrary values in it are copies made for the command: a flagged slot's
// handle becomes the stored value (the old one is disposed of); a copy the
// effect did not keep is disposed of only if it is still alive, so an effect
// may or may not dispose of a handle it replaces. A flagged slot whose handle
// is null or already disposed of keeps its value (a misuse). When the host
// cannot copy an arbitrary value for the array, error() says why: the
// command must not be sent (its slot holds no value), and nothing of the
// array is stored.
class CommandParams {
 public:
  CommandParams(EffectInstance& instance, const PF_InData& in_data);
  ~CommandParams();
  CommandParams(const CommandParams&) = delete;
  CommandParams& operator=(const CommandParams&) = delete;

  PF_ParamDef** list() { return pointers_.data(); }
  PF_Err error() const { return error_; }
  void finish();

 private:
  struct GivenHandle {
    PF_Handle handle = nullptr;
    std::uint64_t serial = 0;  // tells a disposed handle from a new one at the same address
  };

  EffectInstance& instance_;
  double seconds_;
  std::vector<PF_ParamDef> params_;
  std::vector<PF_ParamDef*> pointers_;
  std::vector<GivenHandle> given_;
  PF_Err error_ = PF_Err_NONE;
  bool finished_ = false;
};

}  // namespace simhost
