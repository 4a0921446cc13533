#pragma once

// What the host keeps of an effect instance's parameters: each slot's
// definition as the effect added it (a copy, with the host's own copies of
// its texts), and its value over time, a constant or keyframes. Numeric
// values between keyframes are interpolated linearly; checkboxes, popups,
// layers and paths hold the earlier keyframe's value. Arbitrary-data values
// are host handles that only the effect's callbacks make, copy, interpolate
// and dispose of: the store holds them, EffectInstance handles them.
//
// The store is not locked: EffectInstance guards it with its own lock.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host_api/ae_effect.h"

namespace simhost {

// One value of a parameter: the value fields of its type in `u` (for an
// arbitrary parameter the handle in u.arb_d.value), and for a layer
// parameter the chosen layer's id (0: none).
struct ParamValue {
  PF_ParamDefUnion u{};
  A_long layer_id = 0;
};

struct Keyframe {
  double seconds = 0;
  ParamValue value;
};

struct StoredParam {
  // As added, with the value fields holding the constant value. Text
  // pointers are reset to `text` whenever the record is handed out.
  PF_ParamDef def{};
  std::string text;  // popup items, or the label of a checkbox or button
  A_long layer_id = 0;
  std::vector<Keyframe> keyframes;  // empty: the value is constant
};

// Where a time falls among keyframes: between `before` and `after` at
// fraction t (before == after on a keyframe and outside the keyframed range).
struct KeyframeSpan {
  std::size_t before = 0;
  std::size_t after = 0;
  double t = 0;
};
KeyframeSpan find_keyframe_span(const std::vector<Keyframe>& keyframes, double seconds);

class ParamStore {
 public:
  // Slot 0, the input layer, alone.
  ParamStore();

  A_long size() const { return static_cast<A_long>(params_.size()); }
  bool contains(PF_ParamIndex slot) const { return slot >= 0 && slot < size(); }
  StoredParam& at(PF_ParamIndex slot) { return params_.at(static_cast<std::size_t>(slot)); }
  const StoredParam& at(PF_ParamIndex slot) const {
    return params_.at(static_cast<std::size_t>(slot));
  }

  // Appends a copy of `def`. A point's default and value, given in percent
  // of the layer's size, are turned into layer pixels (16.16) here.
  void append(const PF_ParamDef& def, A_long layer_width, A_long layer_height);
  // Back to slot 0 alone. Arbitrary handles must have been disposed of.
  void clear();

  // The definition as the host hands it out: texts pointing at the store's
  // copies, change flags cleared, the value at `seconds`. Arbitrary values
  // are left as stored (the caller makes the handle it hands out).
  PF_ParamDef handed_out(PF_ParamIndex slot, double seconds) const;
  // The value at `seconds` (non-arbitrary types).
  ParamValue value_at(PF_ParamIndex slot, double seconds) const;
  // Stores `value` as the constant value, or as a keyframe at `seconds`
  // when the parameter has keyframes. Returns what it replaced.
  ParamValue store_value(PF_ParamIndex slot, double seconds, const ParamValue& value);

  // The slot whose name is `name`, else the unnamed checkbox or button
  // whose label is; the first match in slot order.
  std::optional<PF_ParamIndex> find(std::string_view name) const;

  // How messages name a parameter: "\"Mode\" (slot 20)".
  std::string describe(PF_ParamIndex slot) const;

 private:
  std::vector<StoredParam> params_;
};

}  // namespace simhost
