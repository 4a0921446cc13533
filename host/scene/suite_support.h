#pragma once

// What the suites that serve the composition share: the errors they give,
// and times as they arrive.

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/scene/host_objects.h"

namespace simhost::scene {

// AEGP calls: a reference or argument the host cannot use, or an index or
// name that leads nowhere; a call this host does not serve yet.
inline constexpr A_Err aegp_bad_argument = A_Err_PARAMETER;
inline constexpr A_Err aegp_not_served = A_Err_GENERIC;
// PF calls, likewise.
inline constexpr PF_Err pf_bad_argument = PF_Err_BAD_CALLBACK_PARAM;
inline constexpr PF_Err pf_bad_index = PF_Err_INVALID_INDEX;
inline constexpr PF_Err pf_not_served = PF_Err_INVALID_CALLBACK;

// The error a test injected for this call; `no_host` when no host is active
// (a table kept after its host went).
inline long refusal(HostCall& call, long no_host) {
  return call.host() == nullptr ? no_host : call.injected();
}

// What a call that reads one value answers: refused as a test asked; a bad
// argument when `find` finds nothing (a handle or id that leads nowhere) or
// there is nowhere to write; else `value` of what it found, written to `out`
// and shown in the call's record. `bad_argument` is of the call's family
// (AEGP or PF), whose success is 0 in both.
template <class Err, class Find, class Out, class Value>
Err answer(HostCall& call, Err bad_argument, Find&& find, Out* out, Value&& value) {
  if (long err = refusal(call, bad_argument)) return call.result(static_cast<Err>(err));
  auto* found = find();
  if (found == nullptr || out == nullptr) return call.result(bad_argument);
  *out = value(*found);
  call.output(*out);
  return call.result(Err{0});
}

// An AEGP call that disposes of an object the host handed out: the object is
// given back even when the test injected an error for the call.
inline A_Err dispose_object(HostCall& call, const void* object, const char* kind) {
  if (call.host() == nullptr) return call.result(aegp_bad_argument);
  const bool given_back = HostObjects::instance().give_back(*call.host(), object, kind);
  if (long err = call.injected()) return call.result(static_cast<A_Err>(err));
  return call.result(given_back ? A_Err_NONE : aegp_bad_argument);
}

// The composition an effect sits in and its layer (null when unknown). Every
// served call that takes an effect reference comes through here, so that the
// instance's callback observer sees it.
inline Composition* effect_scene(PF_ProgPtr effect_ref, Layer** layer = nullptr) {
  EffectInstance::callback_target(effect_ref);
  return Composition::of_effect(effect_ref, layer);
}

// A time argument as the call record shows it.
inline A_Time time_arg(const A_Time* time) {
  return time != nullptr ? *time : A_Time{0, 0};
}

// Seconds of a host time; false for a missing time or a zero scale.
inline bool to_seconds(const A_Time* time, double* seconds) {
  if (time == nullptr || time->scale == 0) return false;
  *seconds = static_cast<double>(time->value) / static_cast<double>(time->scale);
  return true;
}

// A composition time as A_Time at the scale of a layer time; a count beyond
// 32 bits stops at the end of the range.
inline A_Time comp_time_of(const Layer& layer, const A_Time& layer_time) {
  const double offset = std::round(layer.start_time * static_cast<double>(layer_time.scale));
  const double value = std::clamp(static_cast<double>(layer_time.value) + offset,
                                  static_cast<double>(std::numeric_limits<A_long>::min()),
                                  static_cast<double>(std::numeric_limits<A_long>::max()));
  return {static_cast<A_long>(value), layer_time.scale};
}

}  // namespace simhost::scene
