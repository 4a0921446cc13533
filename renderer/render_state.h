#pragma once

// The render state of a thread: its GL context, its compiled programs and
// the render targets and input texture its last frame kept, created on the
// thread's first use and released when the thread ends.

#include <memory>
#include <vector>

#include "gl/gl_context.h"
#include "gl/gl_objects.h"
#include "renderer/frame_targets.h"
#include "renderer/input_texture.h"
#include "renderer/shader_programs.h"

struct LocalRenderData {
  std::unique_ptr<GlContext> context;  // null when context creation failed
  // In ShaderProgramIndex order; empty when context creation failed.
  std::vector<std::unique_ptr<GlProgram>> programs;
  bool has_anisotropic = false;
  // The largest width or height of a render target: GL_MAX_TEXTURE_SIZE, or the
  // viewport's limit where that is smaller; read once, when the context is made.
  int32_t largest_target_size = 0;
  // The render targets of the frames so far, kept for the next while they fit
  // under frame_targets_memory_cap and grown when a frame needs more; null
  // when none are kept.
  std::unique_ptr<FrameTargets> targets;
  // The last frame's input texture, kept for the next as the targets are;
  // null when none is kept.
  std::unique_ptr<InputTexture> input_texture;
};

// The render path's state of this thread, with its context current; null
// when the thread has no usable state (its context could not be created,
// which is tried once per thread).
LocalRenderData* ensure_local_render_data();

// The same on the params-setup path: its own slot, lock and context.
LocalRenderData* ensure_thread_gl_state();

// Thread-exit release of one slot's record: programs, kept targets and
// input texture deleted with the context current, then the context destroyed and the
// record freed.
void release_local_render_data(LocalRenderData* record);
