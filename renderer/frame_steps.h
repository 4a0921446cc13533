#pragma once

// The steps of render_layer (renderer/render_layer.h), for tests and benchmarks: the frame's
// geometry, its targets and passes with the thread's render state, and the read-back.

#include <cstddef>
#include <cstdint>
#include <string>

#include "geometry/frame_geometry.h"
#include "gl/gl_objects.h"
#include "host_api/ae_effect.h"
#include "renderer/frame_targets.h"
#include "renderer/render_layer.h"

// The supersampling factor a frame renders at: input.ssaa, lowered until the face targets fit
// within `largest_size` on each side and all targets within `budget` bytes, but not below 1
// (a frame too large at 1 fails on the first or renders beyond the budget and keeps nothing).
// input.ssaa for a plan with a value that is not finite.
int32_t fitting_supersampling(const RenderInput& input, const PF_EffectWorld& output,
                              int32_t largest_size, size_t budget);

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
