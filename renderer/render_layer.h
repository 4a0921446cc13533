#pragma once

// The renderer's face: one frame of the effect from a render input, drawn with the calling
// thread's GL context into the host's output world. No GL type shows here.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/render_plan.h"
#include "geometry/side_fill_stop.h"
#include "host_api/ae_effect.h"

// The only framebuffer smart render reads back: the composite.
inline constexpr int32_t output_selector_composite = 5;

// What smart render hands the render routine for one frame.
struct RenderInput {
  PF_InData* in_data = nullptr;
  int16_t bitdepth = 8;  // of the input and output worlds: 8 or 32
  PreRenderPlan plan;
  float stroke_opacity = 1.0f;                 // 0..1
  std::array<float, 3> stroke_color = {};      // sRGB-encoded red, green, blue, 0..1
  PF_EffectWorld* input = nullptr;             // the input layer, or null
  float fill_opacity = 1.0f;                   // 0..1
  std::array<float, 3> front_fill_color = {};  // sRGB-encoded red, green, blue, 0..1
  std::vector<SideFillStop> side_fill;         // angles in degrees
  uint8_t interpolate_gradient = 0;
  int32_t ssaa = 1;  // supersampling factor, at least 1
  int32_t output_selector = output_selector_composite;
  int32_t read_x = 0;  // origin of the read-back rectangle in the composite
  int32_t read_y = 0;
};

// Renders one frame into `output`. Returns 0, 512 for any GL failure, an incomplete framebuffer,
// a missing per-thread render state, a plan that cannot be drawn or a frame or input layer
// larger than the GPU's largest texture even at ssaa 1, or the error of the input
// upload or of the read-back as it came. On failure `error_text` says what failed. Between its
// stages the host is asked whether it still wants the frame (host_support/frame_abort.h); when it
// answers non-zero (517, cancelled) the frame ends with that answer and no error text.
PF_Err render_layer(const RenderInput* input, PF_EffectWorld* output, std::string* error_text);

// fitting_supersampling for this thread's GL context and the process's memory budget; input.ssaa
// when that is 1 or less, or when the thread has no context. Leaves no context current.
int32_t supersampling_for_this_thread(const RenderInput& input, const PF_EffectWorld& output);

// The GL renderer's name (GL_RENDERER) as this thread's params-setup context reports it, which
// stays current; null when the thread has no context (its creation failed, which is tried once
// per thread) or GL names none.
const char* gl_renderer_name();
