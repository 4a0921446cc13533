// Cursor feedback over the wheel: one cursor over the ring, another over a
// marker, which wins.

#include "gradient_wheel/gradient_handle.h"
#include "gradient_wheel/gradient_ui.h"
#include "gradient_wheel/wheel_geometry.h"
#include "gradient_wheel/wheel_sequence_data.h"
#include "host_support/aegp_suite_handler.h"

PF_Err JuceGradientParameter::adjust_cursor() {
  if (!has_params()) return PF_Err_BAD_CALLBACK_PARAM;
  PF_AdjustCursorEventInfo& cursor = event()->u.adjust_cursor;
  const PF_EffectWindowInfo& window = event()->effect_win;
  const WheelGeometry geometry =
      wheel_geometry(window, params()[slots().global_offset]->u.ad.value);
  const CanvasPoint pointer = canvas_point(geometry, cursor.screen_point);

  SequenceDataLock sequence(in_data());
  sequence.set_pointer(pointer.x, pointer.y);
  if (on_ring(geometry, pointer)) cursor.set_cursor = ring_cursor;

  AEGP_SuiteHandler suites(in_data()->pica_basicP);
  const std::vector<GradientPoint> stops =
      gradient_points_from_handle(suites.HandleSuite1(), params()[slot()]->u.arb_d.value);
  // The marker boxes here are centred on the frame's middle row.
  const PF_Rect& frame = window.current_frame;
  float height = static_cast<float>(frame.bottom) - static_cast<float>(frame.top);
  if (window.area == PF_EA_PARAM_TITLE) height += 1;
  if (last_marker_hit(geometry, stops, cursor.screen_point, geometry.top + height / 2) >= 0) {
    cursor.set_cursor = marker_cursor_;
  }
  return PF_Err_NONE;
}
