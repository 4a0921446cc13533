#pragma once

// The "Gradient Wheel" control in the effect panel: a colour ring with one
// marker per stop. A click on a marker selects its stop, a drag moves it
// round the ring or, far outside the ring, removes it, a double click opens
// the host's colour picker for it, and a click on the ring where there is no
// marker adds a stop. The selection is mirrored into "Gradient Pt Select" and
// "Point Angle".
//
// One object serves one PF_Cmd_EVENT. What outlives an event travels in the
// click's continue_refcon (grab offset and edited stop), in "Gradient Pt
// Select" and in the sequence record.

#include "host_api/ae_effect.h"

// Where the control finds its parameters in the array of a command: the
// effect that owns the parameter list hands them over.
struct WheelSlots {
  PF_ParamIndex wheel;          // the "Gradient Wheel" value
  PF_ParamIndex point_select;   // "Gradient Pt Select"
  PF_ParamIndex point_angle;    // "Point Angle"
  PF_ParamIndex global_offset;  // "Global Offset"
  PF_ParamIndex interpolate;    // "Interpolate Gradient"
};

// Cursors of the host's PF_CursorType numbering.
inline constexpr PF_CursorType ring_cursor = 16;
inline constexpr PF_CursorType marker_cursor = 23;

// Stop counts the control keeps to.
inline constexpr int max_wheel_stops = 32;
inline constexpr int min_wheel_stops = 2;

class JuceGradientParameter {
 public:
  JuceGradientParameter(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                        PF_EventExtra* event, const WheelSlots& slots);
  virtual ~JuceGradientParameter() = default;
  JuceGradientParameter(const JuceGradientParameter&) = delete;
  JuceGradientParameter& operator=(const JuceGradientParameter&) = delete;

  // Sets the cursor and the two auxiliary slots to their fixed values (the
  // constructor already does).
  virtual void init();
  // A click (drag false) or a drag (drag true) on the control.
  virtual PF_Err handle_mouse(bool drag);
  // The cursor over the ring or a marker.
  virtual PF_Err adjust_cursor();
  // Paints the wheel and hands it to the host's Drawbot.
  virtual PF_Err draw();

  PF_InData* in_data() const { return in_data_; }
  PF_OutData* out_data() const { return out_data_; }
  PF_ParamDef** params() const { return params_; }
  PF_EventExtra* event() const { return event_; }
  PF_ParamIndex slot() const { return slots_.wheel; }
  const WheelSlots& slots() const { return slots_; }

  // Whether the parameter array holds every slot the control reads.
  bool has_params() const;

 private:
  PF_InData* in_data_;
  PF_OutData* out_data_;
  PF_ParamDef** params_;
  PF_EventExtra* event_;
  WheelSlots slots_;
  PF_CursorType marker_cursor_ = marker_cursor;
  PF_ParamIndex select_slot_ = slots_.point_select;
  PF_ParamIndex angle_slot_ = slots_.point_angle;
};

// Dispatches the event by type: click and drag to handle_mouse, draw to draw
// (the event is then marked handled whatever the draw gave), cursor to
// adjust_cursor; other types do nothing. The handler's result.
PF_Err gradient_ui_handle_event(JuceGradientParameter& control);
