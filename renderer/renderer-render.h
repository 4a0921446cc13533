#pragma once

// The render routine: one frame of the effect from a render input, drawn with the calling
// thread's GL context into the host's output world.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/frame_geometry.h"
#include "geometry/render_plan.h"
#include "geometry/side_fill_stop.h"
#include "gl/gl_objects.h"
#include "host_api/ae_effect.h"
#include "renderer/frame_targets.h"

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

// The supersampling factor a frame renders at: input.ssaa, lowered until the face targets fit
// within `largest_size` on each side and all targets within `budget` bytes, but not below 1
// (a frame too large at 1 fails on the first or renders beyond the budget and keeps nothing).
// input.ssaa for a plan with a value that is not finite.
int32_t fitting_supersampling(const RenderInput& input, const PF_EffectWorld& output,
                              int32_t largest_size, size_t budget);

// fitting_supersampling for this thread's GL context and the process's memory budget; input.ssaa
// when that is 1 or less, or when the thread has no context. Leaves no context current.
int32_t supersampling_for_this_thread(const RenderInput& input, const PF_EffectWorld& output);

// ---------------------------------------------------------------------------------------------
// The steps of render_layer, for tests and benchmarks.

// What the frame's geometry is made from: the input's plan, layer, supersampling factor and
// side-fill stops, and where `output` lies. Both must outlive it.
FrameGeometryInput frame_geometry_input(const RenderInput& input, const PF_EffectWorld& output);

// The GL objects of one frame, named in creation order; each releases its name when the frame
// ends. The input texture and the render targets live on the thread's render state and are
// only pointed at. Needs the thread's context current.
struct FrameGlObjects {
  const GlTexture* in_tex = nullptr;  // set by run_frame_passes where the face samples the input
  GlVertexArray face_vertex_array;
  GlBuffer face_vertex_buffer;
  GlBuffer face_index_buffer;
  GlVertexArray side_vertex_array;
  GlBuffer side_vertex_buffer;
  GlBuffer side_index_buffer;
  GlVertexArray outline_vertex_array;
  GlBuffer outline_vertex_buffer;
  GlBuffer outline_index_buffer;
  GlBuffer side_fill_color_buffer;
  GlTexture side_fill_tex{GL_TEXTURE_BUFFER};
  // The stops in linear light, one texel each; made when there are stops and no more than a
  // texture's side.
  GlTexture decoded_side_fill{GL_TEXTURE_2D};
  GlFramebuffer decoded_side_fill_fb;
  bool side_fill_decoded = false;
  GlVertexArray empty_vertex_array;
  FrameTargets* targets = nullptr;  // set by run_frame_passes
};

struct LocalRenderData;

// Step 10: uploads the input where the face samples it, makes the frame's targets or takes
// those the thread kept from its last frame, and runs the four passes. For an 8-bit output the
// composite is an 8-bit target, quantised as the read-back would quantise it.
PF_Err run_frame_passes(const RenderInput& input, const PF_EffectWorld& output,
                        const FrameGeometry& geometry, LocalRenderData& render_data,
                        FrameGlObjects& gl, std::string& error_text);

// The two halves of run_frame_passes. Preparing needs only the frame's layout: it uploads the
// input, makes or takes the targets and clears the face targets (the cells the cover holds);
// GL does that clear with the face pass. Drawing needs the meshes too; it clears the stroke
// coverage at its pass.
PF_Err prepare_frame_targets(const RenderInput& input, const PF_EffectWorld& output,
                             const FrameGeometry& geometry, LocalRenderData& render_data,
                             FrameGlObjects& gl, std::string& error_text);
PF_Err draw_frame_passes(const RenderInput& input, const PF_EffectWorld& output,
                         const FrameGeometry& geometry, LocalRenderData& render_data,
                         FrameGlObjects& gl, std::string& error_text);

// Step 11: reads the composite back into the output world.
PF_Err read_back_frame(const RenderInput& input, const FrameGlObjects& gl, PF_EffectWorld* output,
                       std::string& error_text);

// The points at which render_layer polls GL for errors, in frame order.
enum class RenderCheck {
  input_texture,
  depth_texture,
  fill_texture,
  outline_vertex_array,
  outline_texture,
  composite_texture,
  all_objects,
  face_clear,
  face_pass,
  side_pass,
  outline_pass,
  composite_pass,
  read_back,
};

// Test seam: when set, called at each check before GL is polled; the codes it appends are
// reported as if GL had them pending ahead of its own. Not for use outside tests.
using RenderCheckHook = void (*)(RenderCheck check, std::vector<uint32_t>& injected_errors);
void set_render_check_hook(RenderCheckHook hook);
