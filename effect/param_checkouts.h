#pragma once

// The parameter copies of smart pre-render and smart render, at the current
// time. Every slot from the end of the "About & Support" group to the last is
// checked out in slot order, except the slots left out, and checked in again
// at once, except the kept slots: those stay checked out until `check_in`.
// Whatever is still out when the owner ends (an exception unwinding) is
// checked in then. Each slot is checked in once: a check-in that threw is
// not made again.
//
// The checkouts stop at the first error of the command's HostErrors. A slot
// is checked in whether or not its checkout succeeded, and every checkout's
// and check-in's result is noted.

#include <array>
#include <bitset>
#include <initializer_list>

#include "effect/param_slots.h"
#include "host_api/ae_effect.h"
#include "host_support/host_errors.h"

class ParamCheckouts {
 public:
  ParamCheckouts(PF_InData* in_data, HostErrors& errors,
                 std::initializer_list<PF_ParamIndex> left_out,
                 std::initializer_list<PF_ParamIndex> kept = {});
  ~ParamCheckouts();
  ParamCheckouts(const ParamCheckouts&) = delete;
  ParamCheckouts& operator=(const ParamCheckouts&) = delete;

  // The copy of a slot; zeros where nothing was checked out.
  const PF_ParamDef& operator[](PF_ParamIndex index) const { return params_[index]; }
  // The copies indexed by slot.
  const PF_ParamDef* data() const { return params_.data(); }

  // Whether a kept slot is checked out now and its checkout succeeded, so
  // that its value can be read.
  bool readable(PF_ParamIndex index) const {
    return kept_[index] && out_[index] && readable_[index];
  }
  // Checks in a slot that is still out (a kept one), noting the result;
  // nothing for any other slot.
  void check_in(PF_ParamIndex index);

 private:
  void check_out_all(std::initializer_list<PF_ParamIndex> left_out,
                     std::initializer_list<PF_ParamIndex> kept);
  // Checks in whatever is still out, quietly (give_back_quietly): the
  // command is leaving by an exception.
  void check_in_all_quietly() noexcept;

  PF_InData* in_data_;
  HostErrors& errors_;
  std::array<PF_ParamDef, slot::count> params_{};
  std::bitset<slot::count> out_;       // slots checked out and not yet in
  std::bitset<slot::count> kept_;      // slots held until check_in
  std::bitset<slot::count> readable_;  // kept slots whose checkout succeeded
};
