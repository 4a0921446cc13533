// What the effect does when the user changes a supervised parameter: the
// buttons' resets, "Setup Null", the web pages, "Point Angle" and the twirls
// that follow "Mode" and "Side Fill Mode". Values are written into the
// command's records in place and announced with the changed flag and, where
// the panel must show them at once, a UI refresh; a twirl alone is moved by
// the UI refresh, with no value written.

#include "effect/command_handlers.h"
#include "effect/param_actions.h"
#include "effect/param_slots.h"
#include "effect/web_pages.h"
#include "host_support/aegp_held.h"
#include "platform/win32.h"

namespace {

void set_twirl_closed(PF_ParamDef& param, bool closed) {
  if (closed) {
    param.flags |= PF_ParamFlag_COLLAPSE_TWIRLY;
  } else {
    param.flags &= ~PF_ParamFlag_COLLAPSE_TWIRLY;
  }
}

// A twirl that follows a popup moves through the UI refresh alone: announced
// as a changed value, the parameter's value would be written back, which on
// an animated parameter is a new keyframe.
void move_twirl(const ParamActionContext& ctx, PF_ParamIndex index, bool closed) {
  set_twirl_closed(ctx.param(index), closed);
  refresh_ui(ctx, index);
}

// "Extrusion Direction" is open only where it counts, in Directional mode.
void follow_mode(const ParamActionContext& ctx) {
  move_twirl(ctx, slot::extrusion_direction, ctx.param(slot::mode).u.pd.value != mode_directional);
}

void follow_side_fill_mode(const ParamActionContext& ctx) {
  const PF_ParamValue mode = ctx.param(slot::side_fill_mode).u.pd.value;
  if (mode == side_fill_gradient) move_twirl(ctx, slot::gradient_wheel, false);
  if (mode == side_fill_solid) {
    move_twirl(ctx, slot::gradient_wheel, true);
    move_twirl(ctx, slot::global_offset, true);
  }
}

void reset_style(const ParamActionContext& ctx) {
  reset_to_defaults(ctx, slot::mode, slot::stroke_opacity);
  // Two values are not the table's defaults: the button puts the vanishing
  // point at the layer's top-left corner (the table's is 80%, 80%) and the
  // stroke colour at transparent black (the table's is opaque).
  ctx.param(slot::vanishing_point).u.td.x_value = 0;
  ctx.param(slot::vanishing_point).u.td.y_value = 0;
  ctx.param(slot::stroke_color).u.cd.value = {0, 0, 0, 0};
  set_twirl_closed(ctx.param(slot::extrusion_direction), false);
  announce_changes(ctx, slot::mode, slot::stroke_opacity, false);
}

void reset_quality(const ParamActionContext& ctx) {
  reset_to_defaults(ctx, slot::master_resolution, slot::front_mask_resolution_scale);
  announce_changes(ctx, slot::master_resolution, slot::front_mask_resolution_scale, false);
}

void reset_compositing(const ParamActionContext& ctx) {
  reset_to_default(ctx, slot::input_opacity);
  announce_changes(ctx, slot::input_opacity, slot::input_opacity, false);
}

// Whether the page opened is the shell's business, not the command's.
void open_page(const char* address) {
  ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

void run_action(const ParamActionContext& ctx, PF_ParamIndex changed) {
  switch (changed) {
    case slot::product_page_button:
      return open_page(product_page_url);
    case slot::free_plugins_button:
      return open_page(free_plugins_page_url);
    case slot::get_support_button:
      return open_page(support_page_url);
    case slot::mode:
      return follow_mode(ctx);
    case slot::reset_style:
      return reset_style(ctx);
    case slot::side_fill_mode:
      return follow_side_fill_mode(ctx);
    case slot::point_angle:
      return move_selected_stop(ctx);
    case slot::reset_gradient:
      return reset_gradient(ctx, false);
    case slot::reset_fill_color:
      return reset_gradient(ctx, true);
    case slot::setup_null:
      return setup_parent_null(ctx);
    case slot::reset_transform:
      return reset_transform(ctx);
    case slot::reset_compositing:
      return reset_compositing(ctx);
    case slot::reset_quality:
      return reset_quality(ctx);
    default:
      // "Shape -> Mask", "Gradient Pt Select" and the rest have no action.
      return;
  }
}

}  // namespace

void refresh_ui(const ParamActionContext& ctx, PF_ParamIndex index) {
  ctx.errors.run([&] {
    return ctx.suites.ParamUtilsSuite3()->PF_UpdateParamUI(ctx.in_data->effect_ref, index,
                                                           ctx.params[index]);
  });
}

void announce_changes(const ParamActionContext& ctx, PF_ParamIndex first, PF_ParamIndex last,
                      bool skip_std_control_only) {
  for (PF_ParamIndex index = first; index <= last; ++index) {
    PF_ParamDef& param = ctx.param(index);
    if (!skip_std_control_only || (param.ui_flags & PF_PUI_STD_CONTROL_ONLY) == 0) {
      mark_changed(param);
    }
    refresh_ui(ctx, index);
  }
}

PF_Err user_changed_param(PF_InData* in_data, PF_OutData*, PF_ParamDef* params[], PF_LayerDef*,
                          PF_UserChangedParamExtra* extra) {
  // The array must hold every slot an action writes.
  if (in_data == nullptr || params == nullptr || extra == nullptr ||
      in_data->num_params < slot::count) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  for (PF_ParamIndex index = 0; index < slot::count; ++index) {
    if (params[index] == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  }
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  HeldEffect effect(suites.EffectSuite3()->AEGP_DisposeEffect);
  const A_Err obtained = suites.PFInterfaceSuite1()->AEGP_GetNewEffectForEffect(
      aegp_plugin_id, in_data->effect_ref, effect.out());
  if (!effect) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  HostErrors errors(obtained);
  run_action({in_data, params, suites, effect.get(), errors}, extra->param_index);
  effect.give_back(errors);
  return errors.code();
}
