// "PF ColorParamSuite" v1: a colour parameter's 8-bit value as float colour,
// each channel divided by 255 as the host converts it.

#include <string>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

std::string describe_color(const PF_ParamDef* param) {
  if (param == nullptr) return "null";
  const PF_Pixel& c = param->u.cd.value;
  return "argb(" + std::to_string(c.alpha) + "," + std::to_string(c.red) + "," +
         std::to_string(c.green) + "," + std::to_string(c.blue) + ")";
}

constexpr const char* suite_name = kPFColorParamSuite;
constexpr int32_t suite_version = kPFColorParamSuiteVersion1;

PF_Err get_floating_point_color(PF_ProgPtr effect_ref, const PF_ParamDef* color_param,
                                PF_PixelFloat* float_color) {
  HostCall call(suite_name, suite_version, "PF_GetFloatingPointColorFromColorDef", effect_ref,
                describe_color(color_param));
  if (color_param == nullptr || float_color == nullptr ||
      color_param->param_type != PF_Param_COLOR) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  *float_color = to_float_pixel(color_param->u.cd.value);
  return call.result(PF_Err_NONE);
}

const PF_ColorParamSuite1 color_param_suite = {guarded<get_floating_point_color>};

}  // namespace

void install_color_param_suite(SimHost& host) {
  host.register_suite(suite_name, suite_version, &color_param_suite);
}

}  // namespace simhost
