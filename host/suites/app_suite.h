#pragma once

// "PF AE App Suite" v6 as the host serves it: colours of a dark theme, and a
// colour picker that answers from a script instead of a user.

#include "host/sim_host.h"
#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

namespace simhost {

// What the user does with the next colour picker: picks `color` (result 0),
// cancels (PF_Interrupt_CANCEL) or the dialog fails with another error.
struct ColorPickerAnswer {
  PF_Err result = PF_Err_NONE;
  PF_PixelFloat color{};
};

// Queues an answer; pickers take them in order, and one opened with none
// queued is cancelled.
void script_color_picker(SimHost& host, ColorPickerAnswer answer);
// Answers still queued.
std::size_t queued_color_picker_answers(SimHost& host);

// The panel's background in the dark theme.
PF_App_Color theme_background();
// The theme's colour of `type`; false for a type the theme does not have.
bool theme_color(PF_App_ColorType type, PF_App_Color* color);

}  // namespace simhost
