// The pre-render record's callbacks: the input layer checked out for an area
// of it, and bytes mixed into the render GUID.

#include <algorithm>

#include "host/frame/frame.h"
#include "host/frame/frame_callbacks.h"
#include "host/guarded_call.h"
#include "host/host_call.h"

namespace simhost {

namespace {

constexpr const char* pre_render_name = "pre-render";

PF_Err cb_checkout_layer(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_id,
                         const PF_RenderRequest* request, A_long what_time, A_long time_step,
                         A_u_long time_scale, PF_CheckoutResult* result) {
  HostCall call(pre_render_name, 0, "checkout_layer", effect_ref, index, checkout_id,
                request != nullptr ? request->rect : PF_LRect{}, what_time, time_step, time_scale);
  Frame* frame = frame_for(effect_ref);
  if (frame == nullptr || request == nullptr || result == nullptr) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  const PF_Err err =
      frame->checkout_layer(index, checkout_id, *request, what_time, time_scale, result);
  if (err == PF_Err_NONE) call.output(result->result_rect);
  return call.result(err);
}

PF_Err cb_guid_mix_in(PF_ProgPtr effect_ref, A_u_long size, const void* bytes) {
  HostCall call(pre_render_name, 0, "GuidMixInPtr", effect_ref, size);
  Frame* frame = frame_for(effect_ref);
  if (frame == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  return call.result(frame->guid_mix_in(size, bytes));
}

PF_LRect intersection(const PF_LRect& a, const PF_LRect& b) {
  PF_LRect r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) r = {0, 0, 0, 0};
  return r;
}

}  // namespace

PF_PreRenderCallbacks frame_pre_render_callbacks() {
  return {guarded<cb_checkout_layer>, guarded<cb_guid_mix_in>};
}

// Only the input layer (slot 0) has pixels to give here; its checkout is what
// the request asks for within the layer's extent, which is all the layer's
// pixels can cover (host/scene/layer_pixels.h).
PF_Err Frame::checkout_layer(PF_ParamIndex index, A_long checkout_id,
                             const PF_RenderRequest& request, A_long what_time, A_u_long time_scale,
                             PF_CheckoutResult* result) {
  if (index != 0) return PF_Err_INVALID_INDEX;
  if (time_scale == 0) return PF_Err_BAD_CALLBACK_PARAM;
  *result = PF_CheckoutResult{};
  result->max_result_rect = layer_bounds_;
  result->result_rect = intersection(request.rect, result->max_result_rect);
  result->par = {1, 1};
  result->ref_width = in_data_.width;
  result->ref_height = in_data_.height;
  layer_checkouts_.push_back({index, checkout_id, request, what_time, time_scale, *result});
  return PF_Err_NONE;
}

// Hosts before effect API 13.11 have no GUID mix-in; an effect that calls it
// there relies on a callback such a host does not have.
PF_Err Frame::guid_mix_in(A_u_long size, const void* bytes) {
  const PF_SpecVersion v = in_data_.version;
  if (v.major < 13 || (v.major == 13 && v.minor < 11)) {
    instance_.host().misuse("GuidMixInPtr called by a host of effect API " +
                            std::to_string(v.major) + "." + std::to_string(v.minor));
  }
  if (bytes == nullptr && size != 0) return PF_Err_BAD_CALLBACK_PARAM;
  const auto* begin = static_cast<const unsigned char*>(bytes);
  guid_mix_ins_.emplace_back(begin, begin + size);
  return PF_Err_NONE;
}

}  // namespace simhost
