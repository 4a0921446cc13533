// Clicks and drags on the wheel: selecting, adding, moving, removing and
// recolouring stops.

#include <cmath>
#include <optional>
#include <vector>

#include "gradient_wheel/float_narrow.h"
#include "gradient_wheel/gradient_handle.h"
#include "gradient_wheel/gradient_ui.h"
#include "gradient_wheel/wheel_geometry.h"
#include "gradient_wheel/wheel_selection_params.h"
#include "gradient_wheel/wheel_sequence_data.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/fixed_point.h"

namespace {

// Words of the click's continue_refcon, which the host hands back with every
// drag of the same gesture.
constexpr int grab_offset_word = 0;  // pointer turns minus the stop's position, 1/65536 turn
constexpr int edited_stop_word = 2;  // -1 for none

constexpr const char* color_picker_title = "Pick Color";

// Marker boxes of clicks and drags are centred on this row below the frame's top.
constexpr float marker_row_offset = 75.0f;

// Asks the host's colour picker for a new colour of the stop; true when the
// user picked one.
bool pick_color(const PFAppSuite6& app, GradientPoint& stop) {
  const PF_PixelFloat sample{stop.alpha, stop.red, stop.green, stop.blue};
  PF_PixelFloat picked = sample;
  if (app.PF_AppColorPickerDialog(color_picker_title, &sample, 1, &picked) != PF_Err_NONE) {
    return false;  // cancelled (PF_Interrupt_CANCEL) or failed: the stop keeps its colour
  }
  stop.alpha = picked.alpha;
  stop.red = picked.red;
  stop.green = picked.green;
  stop.blue = picked.blue;
  return true;
}

// Replaces the parameter's value by a handle holding `stops` and announces
// the change; false when the new value could not be written. The old value
// goes only once the new one is written, so a failed write leaves the
// parameter as it was; an empty list has nothing to write.
bool write_value(const PF_HandleSuite1* handles, PF_ParamDef& param,
                 const std::vector<GradientPoint>& stops) {
  if (stops.empty()) return true;
  PF_Handle fresh = nullptr;
  const PF_Err err = gradient_points_to_handle(handles, &fresh, stops.size(), stops.data());
  if (err != PF_Err_NONE) {
    if (fresh != nullptr) handles->host_dispose_handle(fresh);
    return false;
  }
  PF_Handle old = param.u.arb_d.value;
  if (old != nullptr) arb_handle_dispose(handles, &old);
  param.u.arb_d.value = fresh;
  param.uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
  return true;
}

}  // namespace

PF_Err JuceGradientParameter::handle_mouse(bool drag) {
  if (!has_params()) return PF_Err_BAD_CALLBACK_PARAM;
  PF_DoClickEventInfo& click = event()->u.do_click;
  PF_ParamDef& value_param = *params()[slot()];
  const WheelGeometry geometry =
      wheel_geometry(event()->effect_win, params()[slots().global_offset]->u.ad.value);
  const CanvasPoint pointer = canvas_point(geometry, click.screen_point);

  SequenceDataLock sequence(in_data());
  sequence.set_pointer(pointer.x, pointer.y);

  AEGP_SuiteHandler suites(in_data()->pica_basicP);
  const PF_HandleSuite1* handles = suites.HandleSuite1();
  // A value that is there but cannot be read is not taken for an empty one
  // and overwritten.
  const std::optional<std::vector<GradientPoint>> read =
      gradient_points_if_readable(handles, value_param.u.arb_d.value);
  std::vector<GradientPoint> stops = read.value_or(std::vector<GradientPoint>{});
  const std::size_t count = stops.size();
  const float turns = pointer_turns(geometry, pointer);

  A_long& edited = click.continue_refcon[edited_stop_word];
  float grab_offset = 0;
  if (!drag) {
    edited = -1;
    click.send_drag = click.num_clicks > 1 ? 0 : 1;  // a double click wants no drags
    edited = last_marker_hit(geometry, stops, click.screen_point, geometry.top + marker_row_offset);
    if (edited >= 0) {
      const float offset =
          turns - narrow_to_float(stops[static_cast<std::size_t>(edited)].position);
      click.continue_refcon[grab_offset_word] = fixed_from_double(offset);
    }
  } else {
    grab_offset = static_cast<float>(fixed_to_double(click.continue_refcon[grab_offset_word]));
  }
  // A gesture's word may name a stop that is no longer there.
  const bool stop_edited = edited >= 0 && static_cast<std::size_t>(edited) < count;
  const A_long edited_before = edited;

  bool changed = false;
  if (edited == -1 && !drag && click.num_clicks == 1 && count < max_wheel_stops &&
      read.has_value()) {
    // A click beside the markers rewrites the value; on the ring it adds a stop.
    changed = true;
    if (on_ring(geometry, pointer)) {
      const bool interpolate = params()[slots().interpolate]->u.bd.value != 0;
      const PF_PixelFloat c = gradient_sample(count, stops.data(), turns, interpolate);
      stops.push_back({turns, c.alpha, c.red, c.green, c.blue});
      edited = static_cast<A_long>(count);
      click.continue_refcon[grab_offset_word] = 0;
    }
  } else if (stop_edited && click.num_clicks > 1) {
    changed = pick_color(*suites.AppSuite6(), stops[static_cast<std::size_t>(edited)]);
  } else if (stop_edited && drag) {
    double position = std::fmod(static_cast<double>(turns) - grab_offset, 1.0);
    if (position < 0) position += 1;
    stops[static_cast<std::size_t>(edited)].position = position;
    // Dragged far outside the ring, a stop goes, as long as two remain.
    if (distance_from_centre(geometry, pointer) > 2 * geometry.radius &&
        count > static_cast<std::size_t>(min_wheel_stops)) {
      stops.erase(stops.begin() + edited);
      edited = -1;
    }
    changed = true;
  }

  // The selection shows the value as stored: when the edit could not be
  // written, the stored stops and the stop the gesture began with. (The
  // suite is taken first, so that a missing one leaves the value alone.)
  const PF_ParamUtilsSuite3& param_utils = *suites.ParamUtilsSuite3();
  if (changed && !write_value(handles, value_param, stops)) {
    stops = read.value_or(std::vector<GradientPoint>{});
    edited = edited_before;
  }
  if (edited < 0 || edited >= static_cast<A_long>(stops.size())) edited = -1;
  sequence.set_selected_stop(edited);
  update_selection_params(param_utils, in_data()->effect_ref, params(), select_slot_, angle_slot_,
                          edited, stops);
  event()->evt_out_flags = drag ? PF_EO_NEVER_UPDATE : PF_EO_HANDLED_EVENT;
  return PF_Err_NONE;
}
