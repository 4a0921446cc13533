#pragma once

// Colours of the host's user-interface theme.

#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

struct ThemeColor {
  float red = 0;
  float green = 0;
  float blue = 0;
  float alpha = 0;
};

// Theme colour types the wheel draws with.
inline constexpr PF_App_ColorType marker_background_color = 1000;
inline constexpr PF_App_ColorType selection_outline_color = 49;

// The theme colour of `type` through "PF AE App Suite" v6, each channel
// scaled from 16 bits to [0, 1], alpha 1. All four components are 0 when the
// suite (reported in out_data) or the call fails.
ThemeColor get_app_color(PF_InData* in_data, PF_OutData* out_data, PF_App_ColorType type);
