// The text of the host's About box.

#include <string>

#include "effect/command_handlers.h"
#include "effect/registration.h"
#include "host_support/aegp_suite_handler.h"

std::string about_text() {
  return std::string("Tarvolks shape layers, mask paths & text layers.\n\n") + effect_name +
         " 1.0 by " + effect_category +
         "\n"
         "Outlines combined with Clipper and tessellated with libtess2\n"
         "Drawn with OpenGL\n"
         "Support: " +
         effect_support_url + "\n";
}

PF_Err about_command(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
  if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (in_data->appl_id == PF_APPL_ID_PREMIERE) return PF_Err_NONE;
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  // The text is an argument, never the format: a '%' in it stays a '%'.
  suites.ANSICallbacksSuite1()->sprintf(out_data->return_msg, "%s", about_text().c_str());
  return PF_Err_NONE;
}
