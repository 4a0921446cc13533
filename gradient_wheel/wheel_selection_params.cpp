#include "gradient_wheel/wheel_selection_params.h"

#include <cmath>

#include "gradient_wheel/float_narrow.h"
#include "host_support/fixed_point.h"

PF_Fixed point_angle_value(double position) {
  const double v = std::fmod(position + 0.5, 1.0);
  const float turns = narrow_to_float(1.0 - v);
  const float degrees = narrow_to_float(turns * 360.0);
  return fixed_from_double(degrees);
}

void update_selection_params(const PF_ParamUtilsSuite3& param_utils, PF_ProgPtr effect_ref,
                             PF_ParamDef* params[], PF_ParamIndex select_slot,
                             PF_ParamIndex angle_slot, int selected,
                             const std::vector<GradientPoint>& stops) {
  PF_ParamDef select = *params[select_slot];
  select.u.sd.value = selected;
  param_utils.PF_UpdateParamUI(effect_ref, select_slot, &select);

  PF_ParamDef angle = *params[angle_slot];
  if (selected < 0 || static_cast<std::size_t>(selected) >= stops.size()) {
    angle.ui_flags |= PF_PUI_DISABLED;
  } else {
    angle.ui_flags &= ~PF_PUI_DISABLED;
    angle.u.ad.value = point_angle_value(stops[static_cast<std::size_t>(selected)].position);
  }
  param_utils.PF_UpdateParamUI(effect_ref, angle_slot, &angle);
}
