#include "host/frame/frame.h"

#include <algorithm>
#include <stdexcept>

#include "host/frame/frame_callbacks.h"
#include "host/host_call.h"

namespace simhost {

namespace {

thread_local Frame* active_frame = nullptr;

bool is_empty(const PF_LRect& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

}  // namespace

Frame::Active::Active(Frame& frame) : previous_(active_frame) {
  active_frame = &frame;
}

Frame::Active::~Active() {
  active_frame = previous_;
}

Frame* Frame::active(PF_ProgPtr effect_ref) {
  if (active_frame == nullptr || active_frame->instance_.effect_ref() != effect_ref) return nullptr;
  return active_frame;
}

Frame::Frame(EffectInstance& instance, const FrameSettings& settings)
    : instance_(instance), settings_(settings) {
  if (settings.bitdepth != 8 && settings.bitdepth != 32) {
    throw std::invalid_argument("bit depth other than 8 or 32");
  }
  in_data_ = instance.make_in_data();
  in_data_.pixel_aspect_ratio = {1, 1};
  in_data_.quality = 1;  // high
  in_data_.field = 0;    // whole frames
  layer_bounds_ = in_data_.extent_hint;
  request_rect_ = settings.request.value_or(layer_bounds_);

  pre_render_input_.output_request = {request_rect_, 0, PF_ChannelMask_ARGB, 0};
  pre_render_input_.bitdepth = settings.bitdepth;
  pre_render_callbacks_ = frame_pre_render_callbacks();
  pre_render_extra_ = {&pre_render_input_, &pre_render_output_, &pre_render_callbacks_};

  smart_render_input_.output_request = pre_render_input_.output_request;
  smart_render_input_.bitdepth = settings.bitdepth;
  smart_render_callbacks_ = frame_smart_render_callbacks();
  smart_render_extra_ = {&smart_render_input_, &smart_render_callbacks_};
}

Frame::~Frame() {
  destroy_pre_render_data();
}

PixelFormat Frame::pixel_format() const {
  return settings_.bitdepth == 32 ? PixelFormat::argb_float : PixelFormat::argb8;
}

void Frame::destroy_pre_render_data() {
  void* data = pre_render_output_.pre_render_data;
  PF_DeletePreRenderDataFunc destroy = pre_render_output_.delete_pre_render_data_func;
  pre_render_output_.pre_render_data = nullptr;
  pre_render_output_.delete_pre_render_data_func = nullptr;
  smart_render_input_.pre_render_data = nullptr;
  if (data == nullptr) return;
  if (destroy == nullptr) {
    instance_.host().misuse("pre-render data left without a delete function");
    return;
  }
  destroy(data);
}

PF_Err Frame::run_command(PluginModule& module, PF_Cmd cmd, void* extra) {
  PF_InData in_data = in_data_;
  out_data_ = PF_OutData{};
  out_data_.my_version = instance_.my_version;
  out_data_.out_flags = instance_.out_flags;
  out_data_.out_flags2 = instance_.out_flags2;
  out_data_.sequence_data = instance_.sequence_data;
  out_data_.num_params = instance_.num_params();
  Active active(*this);
  CommandScope scope(cmd);
  // The smart commands get no parameter array: they check out what they read.
  return module.effect_main(cmd, &in_data, &out_data_, nullptr, nullptr, extra);
}

PF_Err Frame::pre_render(PluginModule& module) {
  destroy_pre_render_data();
  pre_render_output_ = PF_PreRenderOutput{};
  layer_checkouts_.clear();
  guid_mix_ins_.clear();
  pre_render_error_ = run_command(module, PF_Cmd_SMART_PRE_RENDER, &pre_render_extra_);
  smart_render_input_.pre_render_data = pre_render_output_.pre_render_data;
  return pre_render_error_;
}

PF_Err Frame::render(PluginModule& module) {
  if (pre_render_error_ != PF_Err_NONE) return pre_render_error_;
  output_.reset();
  picture_.reset();
  layer_pixels_.clear();
  if (is_empty(pre_render_output_.result_rect)) return PF_Err_NONE;
  return run_command(module, PF_Cmd_SMART_RENDER, &smart_render_extra_);
}

PF_Err Frame::run(PluginModule& module) {
  const PF_Err err = pre_render(module);
  return err != PF_Err_NONE ? err : render(module);
}

World& Frame::picture() {
  if (picture_ != nullptr) return *picture_;
  const A_long width = std::max<A_long>(0, request_rect_.right - request_rect_.left);
  const A_long height = std::max<A_long>(0, request_rect_.bottom - request_rect_.top);
  picture_ = std::make_unique<World>(width, height, pixel_format());
  if (output_ == nullptr) return *picture_;
  PF_EffectWorld* from = output_->get();
  PF_EffectWorld* to = picture_->get();
  const size_t pixel_size = settings_.bitdepth == 32 ? sizeof(PF_PixelFloat) : sizeof(PF_Pixel8);
  for (A_long y = 0; y < from->height; ++y) {
    const A_long to_y = y + from->origin_y - request_rect_.top;
    if (to_y < 0 || to_y >= height) continue;
    for (A_long x = 0; x < from->width; ++x) {
      const A_long to_x = x + from->origin_x - request_rect_.left;
      if (to_x < 0 || to_x >= width) continue;
      const auto* source = static_cast<const unsigned char*>(from->data) +
                           static_cast<size_t>(y) * from->rowbytes + x * pixel_size;
      auto* target = static_cast<unsigned char*>(to->data) +
                     static_cast<size_t>(to_y) * to->rowbytes + to_x * pixel_size;
      std::copy(source, source + pixel_size, target);
    }
  }
  return *picture_;
}

}  // namespace simhost
