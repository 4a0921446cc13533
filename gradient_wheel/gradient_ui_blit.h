#pragma once

// Drawing a picture into a custom control through the host's Drawbot.

#include "host_api/ae_effect.h"
#include "host_api/drawbot_suites.h"

// Draws `pixels` (width x height, `row_bytes` per row, in `layout`) into the
// event's context at `scale` times the panel's resolution: the picture's
// top-left lands at (rect.left, rect.top) in panel pixels, at 1/scale of its
// size and the given opacity. The first error of the drawing calls, else of
// releasing the image, else of releasing the suites; a missing suite is
// PF_Err_BAD_CALLBACK_PARAM with the host's error message.
PF_Err gradient_ui_blit(PF_InData* in_data, PF_OutData* out_data, const PF_EventExtra* event,
                        const DRAWBOT_RectF32& rect, const void* pixels, DRAWBOT_PixelLayout layout,
                        int width, int height, int row_bytes, float scale, float opacity);
