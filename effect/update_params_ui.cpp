// Which parameters the Effect Controls panel shows. Visibility is the hidden
// flag of each parameter's stream in the host, set one parameter at a time;
// "Mode", "Side Fill Mode" and "Inherit Layer Color" decide it, and the
// auxiliary and superseded slots are always hidden. The first update of a
// new instance marks it initialised ("Sentinel Init Value") and opens the
// "Extrusion Direction" twirl.

#include <array>
#include <vector>

#include "effect/command_handlers.h"
#include "effect/param_slots.h"
#include "host_support/aegp_held.h"
#include "host_support/aegp_suite_handler.h"

namespace {

// Local copies of the host's records: flag changes are made on these and
// pushed with PF_UpdateParamUI.
using LocalParams = std::vector<PF_ParamDef>;

struct Visibility {
  PF_ParamIndex slot;
  bool hidden;
};

// In the order they are set.
std::array<Visibility, 34> visibility(PF_ParamDef* const params[]) {
  const PF_ParamValue mode = params[slot::mode]->u.pd.value;
  const PF_ParamValue side_fill = params[slot::side_fill_mode]->u.pd.value;
  const bool inherit_color = (params[slot::inherit_layer_color]->u.bd.value & 0xFF) != 0;
  const bool solid = side_fill == side_fill_solid;
  return {{
      {slot::gradient_point_select, true},
      {slot::paths_group, true},
      {slot::warning_group, true},
      {slot::warning_text_group, true},
      {slot::front_mask_resolution_scale, true},
      {slot::flatness_threshold, true},
      {slot::shape_to_mask, true},
      {slot::vanishing_point, mode != mode_vanishing},
      {slot::extrusion_amount_back, mode != mode_vanishing},
      {slot::extrusion_amount_front, mode != mode_vanishing},
      {slot::extrusion_direction, mode != mode_directional},
      {slot::extrusion_length_back, mode == mode_vanishing},
      {slot::extrusion_length_front, mode == mode_vanishing},
      {slot::compositing_group, false},
      {slot::transform_group, mode != mode_camera3d},
      {slot::parent_layer, mode != mode_camera3d},
      {slot::setup_null, mode != mode_camera3d},
      {slot::anchor_point, mode != mode_camera3d},
      {slot::reset_transform, mode != mode_camera3d},
      {slot::front_fill_color, inherit_color},
      {slot::side_fill_color, side_fill == side_fill_gradient},
      {slot::gradient_wheel, solid},
      {slot::global_offset, solid},
      {slot::point_angle, solid},
      {slot::reset_gradient, solid},
      {slot::interpolate_gradient, solid},
      {slot::side_fill_color_count, true},
      {slot::side_fill_2_color, true},
      {slot::side_fill_3_color, true},
      {slot::side_fill_3_angle, true},
      {slot::side_fill_4_color, true},
      {slot::side_fill_4_angle, true},
      {slot::side_fill_5_color, true},
      {slot::side_fill_5_angle, true},
  }};
}

PF_Err push_ui(PF_InData* in_data, AEGP_SuiteHandler& suites, LocalParams& local,
               PF_ParamIndex index) {
  return suites.ParamUtilsSuite3()->PF_UpdateParamUI(in_data->effect_ref, index, &local[index]);
}

// Shows or hides one parameter through its stream; the stream, once
// obtained, is given back whatever failed.
PF_Err set_param_hidden(PF_InData* in_data, AEGP_SuiteHandler& suites, AEGP_EffectRefH effect,
                        LocalParams& local, PF_ParamIndex index, bool hide) {
  if (effect == nullptr) return PF_Err_NONE;
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  HeldStream stream(streams->AEGP_DisposeStream);
  HostErrors errors;
  errors.run([&] {
    return streams->AEGP_GetNewEffectStreamByIndex(aegp_plugin_id, effect, index, stream.out());
  });
  errors.run([&] {
    return suites.DynamicStreamSuite2()->AEGP_SetDynamicStreamFlag(
        stream.get(), AEGP_DynStreamFlag_HIDDEN, false, hide ? 1 : 0);
  });
  errors.run([&] { return push_ui(in_data, suites, local, index); });
  stream.give_back(errors);
  return errors.code();
}

// The first update of an instance, in one unnamed undo group: "Sentinel
// Init Value" becomes 1 and the "Extrusion Direction" twirl opens.
void mark_initialised(PF_InData* in_data, AEGP_SuiteHandler& suites, AEGP_EffectRefH effect,
                      LocalParams& local, HostErrors& errors) {
  HeldUndoGroup undo(suites.UtilitySuite11());
  undo.start(errors, nullptr);
  const AEGP_StreamSuite9* streams = suites.StreamSuite9();
  HeldStream sentinel(streams->AEGP_DisposeStream);
  errors.run([&] {
    return streams->AEGP_GetNewEffectStreamByIndex(aegp_plugin_id, effect,
                                                   slot::sentinel_init_value, sentinel.out());
  });
  errors.run([&] {
    AEGP_StreamValue2 value{};
    value.streamH = sentinel.get();
    value.val.one_d = 1.0;
    return streams->AEGP_SetStreamValue(aegp_plugin_id, sentinel.get(), &value);
  });
  local[slot::extrusion_direction].flags = PF_ParamFlag_NONE;
  errors.run([&] { return push_ui(in_data, suites, local, slot::extrusion_direction); });
  sentinel.give_back(errors);
  undo.end(errors);
}

}  // namespace

PF_Err update_params_ui(PF_InData* in_data, PF_OutData*, PF_ParamDef* params[]) {
  // The array must hold every slot read below.
  if (in_data == nullptr || params == nullptr || in_data->num_params < slot::count) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  LocalParams local(slot::count);
  for (PF_ParamIndex index = 0; index < slot::count; ++index) {
    if (params[index] == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    local[index] = *params[index];
  }

  AEGP_SuiteHandler suites(in_data->pica_basicP);
  HeldEffect effect(suites.EffectSuite2()->AEGP_DisposeEffect);
  HostErrors errors;
  errors.run([&] {
    return suites.PFInterfaceSuite1()->AEGP_GetNewEffectForEffect(
        aegp_plugin_id, in_data->effect_ref, effect.out());
  });
  errors.run([&] {
    return set_param_hidden(in_data, suites, effect.get(), local, slot::debug_group, true);
  });
  if (errors.ok() && params[slot::sentinel_init_value]->u.bd.value == 0) {
    mark_initialised(in_data, suites, effect.get(), local, errors);
  }
  for (const Visibility& rule : visibility(params)) {
    errors.run([&] {
      return set_param_hidden(in_data, suites, effect.get(), local, rule.slot, rule.hidden);
    });
  }
  if (params[slot::side_fill_mode]->u.pd.value == side_fill_solid) {
    local[slot::point_angle].flags |= PF_ParamFlag_COLLAPSE_TWIRLY;
    local[slot::gradient_wheel].uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
    errors.run([&] { return push_ui(in_data, suites, local, slot::gradient_wheel); });
    errors.run([&] { return push_ui(in_data, suites, local, slot::point_angle); });
  }
  effect.give_back(errors);
  return errors.code();
}
