// The actions on the "Gradient Wheel" value: "Point Angle" moves the selected
// stop, "Reset Gradient" and "Reset Fill Color" put the default stops back.
//
// A new value goes into the record only once it is written whole, so that a
// failed write leaves the value as it was. The handle it replaces is the
// host's copy of the value for this command, which the host disposes of
// after the command whether or not the record still holds it: it is left to
// the host, as every handle of the command's array is.

#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

#include "effect/param_actions.h"
#include "effect/param_slots.h"
#include "gradient_wheel/gradient_handle.h"
#include "host_support/aegp_held.h"
#include "host_support/fixed_point.h"

namespace {

// True when the record now holds a handle with the stops; a failed write's
// error becomes the command's if it has none.
bool write_stops(const ParamActionContext& ctx, const GradientPoint* stops, std::size_t n) {
  const PF_HandleSuite1* handles = ctx.suites.HandleSuite1();
  PF_Handle fresh = nullptr;
  const PF_Err err = gradient_points_to_handle(handles, &fresh, n, stops);
  if (err != PF_Err_NONE || fresh == nullptr) {
    if (fresh != nullptr) handles->host_dispose_handle(fresh);
    ctx.errors.note(err);
    return false;
  }
  ctx.param(slot::gradient_wheel).u.arb_d.value = fresh;
  return true;
}

// Turns of the wheel for an angle in degrees (16.16): 0 degrees is half a
// turn, and an angle below -180 degrees gives more than one turn.
double stop_position(PF_Fixed angle) {
  const double degrees = fixed_to_double(angle);
  const double turns = std::fmod((degrees + 180.0) / 360.0, 1.0);
  return 1.0 - static_cast<double>(static_cast<float>(turns));
}

}  // namespace

void move_selected_stop(const ParamActionContext& ctx) {
  std::optional<std::vector<GradientPoint>> stops = gradient_points_if_whole(
      ctx.suites.HandleSuite1(), ctx.param(slot::gradient_wheel).u.arb_d.value);
  if (!stops) return;
  const PF_ParamValue selected = ctx.param(slot::gradient_point_select).u.sd.value;
  if (selected < 0 || static_cast<std::size_t>(selected) >= stops->size()) return;

  HeldUndoGroup undo(ctx.suites.UtilitySuite7());
  undo.start(ctx.errors, "Set Gradient Position");
  (*stops)[static_cast<std::size_t>(selected)].position =
      stop_position(ctx.param(slot::point_angle).u.ad.value);
  if (write_stops(ctx, stops->data(), stops->size())) {
    mark_changed(ctx.param(slot::gradient_wheel));
  }
  undo.end(ctx.errors);
}

void reset_gradient(const ParamActionContext& ctx, bool fill_colors) {
  reset_to_defaults(ctx, slot::gradient_point_select, slot::fill_opacity);
  // No stop is selected any more.
  ctx.param(slot::gradient_point_select).ui_flags |= PF_PUI_DISABLED;
  write_stops(ctx, default_gradient_points.data(), default_gradient_points.size());
  if (fill_colors) ctx.param(slot::gradient_wheel).flags |= PF_ParamFlag_COLLAPSE_TWIRLY;
  announce_changes(ctx, slot::gradient_wheel, slot::fill_opacity, true);
  if (!fill_colors) return;

  // "Number of Side Fill Colors", announced with its neighbours, keeps its
  // value.
  for (PF_ParamIndex index : {slot::inherit_layer_color, slot::fill_opacity, slot::side_fill_mode,
                              slot::front_fill_color, slot::side_fill_color}) {
    reset_to_default(ctx, index);
  }
  announce_changes(ctx, slot::inherit_layer_color, slot::side_fill_color, true);
}
