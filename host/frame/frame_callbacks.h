#pragma once

// The callback tables of a frame's records, each served in a file of its own:
// pre-render (checkout_layer, GuidMixInPtr) and smart render
// (checkout_layer_pixels, checkin_layer_pixels, checkout_output).

#include "host/frame/frame.h"
#include "host_api/ae_effect.h"

namespace simhost {

// The frame running on this thread for the effect, after telling the
// instance's observer of the call.
inline Frame* frame_for(PF_ProgPtr effect_ref) {
  EffectInstance::callback_target(effect_ref);
  return Frame::active(effect_ref);
}

PF_PreRenderCallbacks frame_pre_render_callbacks();
PF_SmartRenderCallbacks frame_smart_render_callbacks();

}  // namespace simhost
