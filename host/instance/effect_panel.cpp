#include "host/instance/effect_panel.h"

#include <algorithm>
#include <iterator>

namespace simhost {

EffectPanel::EffectPanel(EffectInstance& instance, PluginModule& module, DrawbotCanvas& canvas)
    : instance_(instance), module_(module), canvas_(canvas) {}

PF_Err EffectPanel::send(const PanelControl& control, PF_EventType type) {
  event_.contextH = canvas_.context();
  event_.e_type = type;
  event_.effect_win = {};
  event_.effect_win.index = control.index;
  event_.effect_win.area = control.area;
  event_.effect_win.current_frame = control.frame;
  event_.evt_out_flags = PF_EO_NONE;
  return instance_.run(module_, PF_Cmd_EVENT, &event_);
}

PF_Err EffectPanel::draw(const PanelControl& control) {
  event_.u = {};
  event_.u.draw.update_rect = control.frame;
  return send(control, PF_Event_DRAW);
}

PF_Err EffectPanel::click(const PanelControl& control, PF_Point point, A_long num_clicks) {
  dragging_ = false;
  event_.u = {};
  PF_DoClickEventInfo& click = event_.u.do_click;
  click.when = ++clock_;
  click.screen_point = point;
  click.num_clicks = num_clicks;
  const PF_Err err = send(control, PF_Event_DO_CLICK);
  // The effect tells in send_drag whether it wants the drags of this click.
  gesture_ = event_.u.do_click;
  gesture_control_ = control;
  dragging_ = err == PF_Err_NONE && gesture_.send_drag != 0;
  return err;
}

PF_Err EffectPanel::drag(PF_Point point, bool last) {
  if (!dragging_) return PF_Err_NONE;
  event_.u = {};
  PF_DoClickEventInfo& drag = event_.u.do_click;
  drag = gesture_;
  drag.when = ++clock_;
  drag.screen_point = point;
  drag.last_time = last ? 1 : 0;
  const PF_Err err = send(gesture_control_, PF_Event_DRAG);
  // What the effect left in the continuation words travels on.
  std::copy(std::begin(event_.u.do_click.continue_refcon),
            std::end(event_.u.do_click.continue_refcon), std::begin(gesture_.continue_refcon));
  if (last || err != PF_Err_NONE) dragging_ = false;
  return err;
}

PF_Err EffectPanel::adjust_cursor(const PanelControl& control, PF_Point point,
                                  PF_CursorType* cursor, PF_CursorType host_cursor) {
  event_.u = {};
  event_.u.adjust_cursor.screen_point = point;
  event_.u.adjust_cursor.set_cursor = host_cursor;
  const PF_Err err = send(control, PF_Event_ADJUST_CURSOR);
  if (cursor != nullptr) *cursor = event_.u.adjust_cursor.set_cursor;
  return err;
}

}  // namespace simhost
