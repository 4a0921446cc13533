// "PF AE App Suite" v6: the theme's colours and the colour picker; the
// functions the effect does not call are recorded and refused.

#include "host/suites/app_suite.h"

#include <cstdio>
#include <deque>
#include <mutex>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/suites.h"
#include "host/suites/unserved.h"

namespace simhost {

inline std::string describe(SimHost&, const PF_PixelFloat& c) {
  char text[96];
  std::snprintf(text, sizeof text, "argb(%g, %g, %g, %g)", c.alpha, c.red, c.green, c.blue);
  return text;
}

namespace {

constexpr const char* suite_name = kPFAppSuite;
constexpr int32_t suite_version = kPFAppSuiteVersion6;

constexpr PF_App_Color grey(A_u_short level) {
  return {static_cast<A_u_short>(level * 257), static_cast<A_u_short>(level * 257),
          static_cast<A_u_short>(level * 257)};
}

struct ThemeEntry {
  PF_App_ColorType type;
  PF_App_Color color;
};

// A dark theme: 8-bit levels widened to 16 bits.
constexpr PF_App_Color background_grey = grey(35);
constexpr ThemeEntry theme_colors[] = {
    {49, {0x2d * 257, 0x8c * 257, 0xeb * 257}},  // selection and focus highlight
    {1000, grey(24)},                            // behind markers and knobs
};

struct ColorPickerScript {
  std::mutex mutex;
  std::deque<ColorPickerAnswer> answers;
};

PF_Err get_bg_color(PF_App_Color* color) {
  HostCall call(suite_name, suite_version, "PF_AppGetBgColor");
  if (color == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  *color = background_grey;
  return call.result(PF_Err_NONE);
}

PF_Err get_color(PF_App_ColorType type, PF_App_Color* color) {
  HostCall call(suite_name, suite_version, "PF_AppGetColor", type);
  if (color == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  return call.result(theme_color(type, color) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM);
}

PF_Err color_picker_dialog(const A_char* title, const PF_PixelFloat* sample, PF_Boolean use_ws,
                           PF_PixelFloat* result) {
  HostCall call(suite_name, suite_version, "PF_AppColorPickerDialog", title,
                sample != nullptr ? *sample : PF_PixelFloat{}, use_ws);
  if (call.host() == nullptr || sample == nullptr || result == nullptr) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  ColorPickerScript& script = call.host()->family_state<ColorPickerScript>();
  ColorPickerAnswer answer{PF_Interrupt_CANCEL, {}};
  {
    std::lock_guard lock(script.mutex);
    if (!script.answers.empty()) {
      answer = script.answers.front();
      script.answers.pop_front();
    }
  }
  if (answer.result != PF_Err_NONE) return call.result(answer.result);
  *result = answer.color;
  call.output(*result);
  return call.result(PF_Err_NONE);
}

#define TARVOLK_UNSERVED(function) \
  Unserved<"PF AE App Suite", 6, #function, decltype(PFAppSuite6::function)>::call

const PFAppSuite6 app_suite = {
    guarded<get_bg_color>,
    guarded<get_color>,
    TARVOLK_UNSERVED(PF_GetPersonalInfo),
    TARVOLK_UNSERVED(PF_GetFontStyleSheet),
    TARVOLK_UNSERVED(PF_SetCursor),
    TARVOLK_UNSERVED(PF_IsRenderEngine),
    guarded<color_picker_dialog>,
    TARVOLK_UNSERVED(PF_GetMouse),
    TARVOLK_UNSERVED(PF_InvalidateRect),
    TARVOLK_UNSERVED(PF_ConvertLocalToGlobal),
};

#undef TARVOLK_UNSERVED

}  // namespace

void script_color_picker(SimHost& host, ColorPickerAnswer answer) {
  ColorPickerScript& script = host.family_state<ColorPickerScript>();
  std::lock_guard lock(script.mutex);
  script.answers.push_back(answer);
}

std::size_t queued_color_picker_answers(SimHost& host) {
  ColorPickerScript& script = host.family_state<ColorPickerScript>();
  std::lock_guard lock(script.mutex);
  return script.answers.size();
}

PF_App_Color theme_background() {
  return background_grey;
}

bool theme_color(PF_App_ColorType type, PF_App_Color* color) {
  for (const ThemeEntry& entry : theme_colors) {
    if (entry.type == type) {
      *color = entry.color;
      return true;
    }
  }
  return false;
}

void install_app_suite(SimHost& host) {
  host.register_suite(kPFAppSuite, kPFAppSuiteVersion6, &app_suite);
}

}  // namespace simhost
