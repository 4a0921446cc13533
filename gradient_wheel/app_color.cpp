#include "gradient_wheel/app_color.h"

#include "host_support/reported_suite.h"

ThemeColor get_app_color(PF_InData* in_data, PF_OutData* out_data, PF_App_ColorType type) {
  ReportedSuite<PFAppSuite6> app(in_data, out_data, kPFAppSuite, kPFAppSuiteVersion6);
  if (app.error() != PF_Err_NONE) return {};
  PF_App_Color color{};
  if (app->PF_AppGetColor(type, &color) != PF_Err_NONE) return {};
  return {color.red / 65535.0f, color.green / 65535.0f, color.blue / 65535.0f, 1.0f};
}
