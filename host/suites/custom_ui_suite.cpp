// "PF Effect Custom UI Suite" v1: the Drawbot drawing reference of an
// event's context.

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/drawbot_canvas.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

PF_Err get_drawing_reference(const PF_ContextH context, DRAWBOT_DrawRef* reference) {
  HostCall call(kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1, "PF_GetDrawingReference",
                context);
  if (reference == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  *reference = nullptr;
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  DrawbotCanvas* canvas = DrawbotCanvas::from_context(context);
  if (canvas == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  *reference = canvas->draw_ref();
  call.output(*reference);
  return call.result(PF_Err_NONE);
}

const PF_EffectCustomUISuite1 custom_ui_suite = {guarded<get_drawing_reference>};

}  // namespace

void install_custom_ui_suite(SimHost& host) {
  host.register_suite(kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1, &custom_ui_suite);
}

}  // namespace simhost
