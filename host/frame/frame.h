#pragma once

// One frame as the host asks an effect instance for it: the in-data of the
// frame (layer size, downsampling, time, bit depth), the pre-render record
// with its callbacks (checkout_layer, GuidMixInPtr) and the smart-render
// record with its callbacks (checkout_layer_pixels, checkout_output), the
// worlds the host gives out for them, and the pre-render data the effect
// leaves with the host, which the frame destroys with the effect's delete
// function after the render.
//
//   instance.layer = {640, 360, {1, 2}, {1, 2}};   // the layer at half resolution
//   simhost::Frame frame(instance, {.bitdepth = 32});
//   PF_Err err = frame.run(module);               // smart pre-render, then smart render
//   simhost::World& picture = frame.picture();
//
// The callbacks reach the frame running on the calling thread (Frame::Active),
// which Frame's commands set; a test that calls EffectMain itself with the
// frame's records sets it with a Frame::Active of its own.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/world.h"
#include "host_api/ae_effect.h"

namespace simhost {

// The layer's size and downsampling are the instance's (`instance.layer`),
// its time the instance's current time.
struct FrameSettings {
  // The area asked for, host space at the downsampling; none: the whole
  // layer.
  std::optional<PF_LRect> request;
  // Bits per channel of the worlds: 8 or 32 (float).
  A_short bitdepth = 8;
  // The input layer's pixels at the downsampling, top-left at the layer's
  // origin, in place of those the host renders; none: the layer's own
  // pixels at the time asked for (host/scene/layer_pixels.h), transparent
  // when the instance sits on no layer of a composition.
  const World* input_layer = nullptr;
};

// What one checkout_layer call asked for and what it was given.
struct LayerCheckout {
  PF_ParamIndex index = 0;
  A_long checkout_id = 0;
  PF_RenderRequest request{};
  A_long what_time = 0;  // the time asked for, in time_scale units
  A_u_long time_scale = 1;
  PF_CheckoutResult result{};
};

class Frame {
 public:
  Frame(EffectInstance& instance, const FrameSettings& settings);
  ~Frame();
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  // The in-data both commands are given (a fresh copy each), made by the
  // instance; tests may change it before the commands run.
  PF_InData& in_data() { return in_data_; }
  const FrameSettings& settings() const { return settings_; }
  EffectInstance& instance() { return instance_; }

  // PF_Cmd_SMART_PRE_RENDER with this frame's pre-render record. Pre-render
  // data of an earlier run is destroyed first.
  PF_Err pre_render(PluginModule& module);
  // PF_Cmd_SMART_RENDER with this frame's smart-render record. As the host
  // does, it is not sent after a failed pre-render (whose error it returns)
  // nor when the pre-render's result rectangle is empty (the frame is then
  // empty, and the result 0).
  PF_Err render(PluginModule& module);
  // Both, stopping at the first error.
  PF_Err run(PluginModule& module);

  // The smart render's record as EffectMain is given it; what the pre-render
  // answered.
  PF_SmartRenderExtra* smart_render_extra() { return &smart_render_extra_; }
  const PF_PreRenderOutput& pre_render_output() const { return pre_render_output_; }
  // The out-data of the last command this frame ran (return_msg, out_flags).
  const PF_OutData& out_data() const { return out_data_; }

  // Every checkout_layer call of the pre-render, in order.
  const std::vector<LayerCheckout>& layer_checkouts() const { return layer_checkouts_; }
  // The bytes of every GuidMixInPtr call, in order.
  const std::vector<std::vector<unsigned char>>& guid_mix_ins() const { return guid_mix_ins_; }
  // The output world the effect checked out, or null.
  World* output() { return output_.get(); }
  // The requested area (host space at the downsampling) with the output in
  // place; transparent where the output does not reach.
  World& picture();

  // --- the host's side of the frame callbacks ------------------------------
  PF_Err checkout_layer(PF_ParamIndex index, A_long checkout_id, const PF_RenderRequest& request,
                        A_long what_time, A_u_long time_scale, PF_CheckoutResult* result);
  PF_Err guid_mix_in(A_u_long size, const void* bytes);
  PF_Err checkout_layer_pixels(A_long checkout_id, PF_EffectWorld** pixels);
  PF_Err checkin_layer_pixels(A_long checkout_id);
  PF_Err checkout_output(PF_EffectWorld** output);

  // Makes `frame` the one whose callbacks the calling thread reaches, for
  // the object's lifetime.
  class Active {
   public:
    explicit Active(Frame& frame);
    ~Active();
    Active(const Active&) = delete;
    Active& operator=(const Active&) = delete;

   private:
    Frame* previous_;
  };
  // The frame active on this thread for `effect_ref`, or null.
  static Frame* active(PF_ProgPtr effect_ref);

 private:
  PF_Err run_command(PluginModule& module, PF_Cmd cmd, void* extra);
  void destroy_pre_render_data();
  PixelFormat pixel_format() const;

  EffectInstance& instance_;
  FrameSettings settings_;
  PF_InData in_data_{};
  PF_OutData out_data_{};
  PF_LRect layer_bounds_{};  // the layer at its downsampling, host space
  PF_LRect request_rect_{};

  PF_PreRenderInput pre_render_input_{};
  PF_PreRenderOutput pre_render_output_{};
  PF_PreRenderCallbacks pre_render_callbacks_{};
  PF_PreRenderExtra pre_render_extra_{};
  PF_Err pre_render_error_ = PF_Err_BAD_CALLBACK_PARAM;  // until it runs

  PF_SmartRenderInput smart_render_input_{};
  PF_SmartRenderCallbacks smart_render_callbacks_{};
  PF_SmartRenderExtra smart_render_extra_{};

  std::vector<LayerCheckout> layer_checkouts_;
  std::vector<std::vector<unsigned char>> guid_mix_ins_;
  std::vector<std::unique_ptr<World>> layer_pixels_;
  std::unique_ptr<World> output_;
  std::unique_ptr<World> picture_;
};

}  // namespace simhost
