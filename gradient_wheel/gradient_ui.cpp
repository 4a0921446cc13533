#include "gradient_wheel/gradient_ui.h"

#include <initializer_list>

JuceGradientParameter::JuceGradientParameter(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* params[], PF_EventExtra* event,
                                             const WheelSlots& slots)
    : in_data_(in_data), out_data_(out_data), params_(params), event_(event), slots_(slots) {}

void JuceGradientParameter::init() {
  marker_cursor_ = marker_cursor;
  select_slot_ = slots_.point_select;
  angle_slot_ = slots_.point_angle;
}

bool JuceGradientParameter::has_params() const {
  if (in_data_ == nullptr || params_ == nullptr || event_ == nullptr) return false;
  for (PF_ParamIndex i :
       {slots_.wheel, select_slot_, angle_slot_, slots_.global_offset, slots_.interpolate}) {
    if (i < 0 || i >= in_data_->num_params || params_[i] == nullptr) return false;
  }
  return true;
}
