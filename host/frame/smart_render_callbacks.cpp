// The smart-render record's callbacks: the input layer's pixels for a
// checkout the pre-render made, rendered when asked for, and the output
// world. The worlds are the host's: it keeps them until the frame ends, and
// the effect gives none back.

#include <algorithm>

#include "host/frame/frame.h"
#include "host/frame/frame_callbacks.h"
#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/scene/layer_pixels.h"
#include "host/sim_host.h"

namespace simhost {

namespace {

constexpr const char* smart_render_name = "smart render";

PF_Err cb_checkout_layer_pixels(PF_ProgPtr effect_ref, A_long checkout_id,
                                PF_EffectWorld** pixels) {
  HostCall call(smart_render_name, 0, "checkout_layer_pixels", effect_ref, checkout_id);
  Frame* frame = frame_for(effect_ref);
  if (frame == nullptr || pixels == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  *pixels = nullptr;
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  const PF_Err err = frame->checkout_layer_pixels(checkout_id, pixels);
  call.output(*pixels);
  return call.result(err);
}

PF_Err cb_checkin_layer_pixels(PF_ProgPtr effect_ref, A_long checkout_id) {
  HostCall call(smart_render_name, 0, "checkin_layer_pixels", effect_ref, checkout_id);
  Frame* frame = frame_for(effect_ref);
  if (frame == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  return call.result(frame->checkin_layer_pixels(checkout_id));
}

PF_Err cb_checkout_output(PF_ProgPtr effect_ref, PF_EffectWorld** output) {
  HostCall call(smart_render_name, 0, "checkout_output", effect_ref);
  Frame* frame = frame_for(effect_ref);
  if (frame == nullptr || output == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  *output = nullptr;
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  const PF_Err err = frame->checkout_output(output);
  call.output(*output);
  return call.result(err);
}

// The part of `from` (host space, top-left at the layer's origin) that
// `to` covers at its origin; pixels outside `from` stay transparent.
void copy_layer_area(const PF_EffectWorld& from, World& to) {
  PF_EffectWorld* target = to.get();
  for (A_long y = 0; y < target->height; ++y) {
    const A_long from_y = y + target->origin_y;
    if (from_y < 0 || from_y >= from.height) continue;
    for (A_long x = 0; x < target->width; ++x) {
      const A_long from_x = x + target->origin_x;
      if (from_x < 0 || from_x >= from.width) continue;
      write_float_pixel(*target, x, y, read_float_pixel(from, from_x, from_y));
    }
  }
}

std::unique_ptr<World> world_over(const PF_LRect& area, PixelFormat format) {
  auto world = std::make_unique<World>(std::max<A_long>(0, area.right - area.left),
                                       std::max<A_long>(0, area.bottom - area.top), format);
  world->get()->origin_x = area.left;
  world->get()->origin_y = area.top;
  return world;
}

}  // namespace

PF_SmartRenderCallbacks frame_smart_render_callbacks() {
  return {guarded<cb_checkout_layer_pixels>, guarded<cb_checkin_layer_pixels>,
          guarded<cb_checkout_output>};
}

// The pixels of the checkout's result rectangle, placed by the world's
// origin in the layer: the layer rendered as the host renders it before
// effects, at the checkout's time and the frame's downsampling, unless the
// frame was given pixels of its own. The host's abort request is asked
// between the drawing's items: once made, the checkout ends with
// PF_Interrupt_CANCEL and hands out nothing.
PF_Err Frame::checkout_layer_pixels(A_long checkout_id, PF_EffectWorld** pixels) {
  *pixels = nullptr;
  auto checkout =
      std::find_if(layer_checkouts_.rbegin(), layer_checkouts_.rend(),
                   [&](const LayerCheckout& c) { return c.checkout_id == checkout_id; });
  if (checkout == layer_checkouts_.rend()) return PF_Err_BAD_CALLBACK_PARAM;
  std::unique_ptr<World> world = world_over(checkout->result.result_rect, pixel_format());
  scene::Layer* layer = nullptr;
  if (settings_.input_layer != nullptr) {
    copy_layer_area(*const_cast<World*>(settings_.input_layer)->get(), *world);
  } else if (scene::Composition::of_effect(instance_.effect_ref(), &layer) != nullptr &&
             layer != nullptr) {
    const double seconds =
        static_cast<double>(checkout->what_time) / static_cast<double>(checkout->time_scale);
    SimHost& host = instance_.host();
    scene::DrawingCancel cancel([&host] { return host.abort_requested(); });
    if (!scene::render_layer_pixels(*layer, seconds, in_data_.downsample_x, in_data_.downsample_y,
                                    *world, cancel)) {
      return PF_Interrupt_CANCEL;
    }
  }
  *pixels = world->get();
  layer_pixels_.push_back(std::move(world));
  return PF_Err_NONE;
}

PF_Err Frame::checkin_layer_pixels(A_long checkout_id) {
  const bool known =
      std::any_of(layer_checkouts_.begin(), layer_checkouts_.end(),
                  [&](const LayerCheckout& c) { return c.checkout_id == checkout_id; });
  return known ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

// The output covers the result rectangle of the pre-render.
PF_Err Frame::checkout_output(PF_EffectWorld** output) {
  if (output_ == nullptr) output_ = world_over(pre_render_output_.result_rect, pixel_format());
  *output = output_->get();
  return PF_Err_NONE;
}

}  // namespace simhost
