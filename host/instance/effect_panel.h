#pragma once

// The effect's custom controls in the host's effect panel: each control has a
// frame in panel pixels, the host draws it into the panel's canvas and sends
// it the user's mouse as events, as the host's Effect Controls panel does.
//
// A gesture is a click followed, while the effect asks for them (send_drag),
// by drags that carry the click's continue_refcon back to the effect.

#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/suites/drawbot_canvas.h"
#include "host_api/ae_effect.h"

namespace simhost {

struct PanelControl {
  PF_ParamIndex index = 0;
  PF_Rect frame{};  // panel pixels
  PF_EffectArea area = PF_EA_CONTROL;
};

class EffectPanel {
 public:
  // Events go to the instance through the module; what the effect draws
  // lands in `canvas`.
  EffectPanel(EffectInstance& instance, PluginModule& module, DrawbotCanvas& canvas);

  // PF_Event_DRAW for the control; the command's result.
  PF_Err draw(const PanelControl& control);
  // PF_Event_DO_CLICK at a panel point. A new click ends any gesture before it.
  PF_Err click(const PanelControl& control, PF_Point point, A_long num_clicks = 1);
  // PF_Event_DRAG of the gesture at a panel point, `last` on the mouse-up.
  // Without a gesture that asked for drags nothing is sent and the result is
  // PF_Err_NONE.
  PF_Err drag(PF_Point point, bool last = false);
  // PF_Event_ADJUST_CURSOR at a panel point; the cursor the effect chose (or
  // the host's, `host_cursor`) in *cursor.
  PF_Err adjust_cursor(const PanelControl& control, PF_Point point, PF_CursorType* cursor,
                       PF_CursorType host_cursor = 0);

  // Whether drags of a gesture are being sent.
  bool dragging() const { return dragging_; }
  // The record of the last event sent, as the effect left it.
  const PF_EventExtra& last_event() const { return event_; }

 private:
  PF_Err send(const PanelControl& control, PF_EventType type);

  EffectInstance& instance_;
  PluginModule& module_;
  DrawbotCanvas& canvas_;
  PF_EventExtra event_{};
  PanelControl gesture_control_{};
  PF_DoClickEventInfo gesture_{};
  bool dragging_ = false;
  A_u_long clock_ = 0;
};

}  // namespace simhost
