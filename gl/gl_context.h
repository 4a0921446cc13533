#pragma once

// The offscreen OpenGL context of a thread and the thread's render state:
// its context, its compiled programs and the render targets its last frame
// kept, created on the thread's first use and released when the thread ends.

#include <memory>
#include <vector>

#include "gl/frame_targets.h"
#include "gl/gl_objects.h"
#include "gl/shader_sources.h"
#include "platform/wgl.h"

// A hidden window with a pixel format, its device context and a core-profile
// context. Its destructor destroys whatever is left of it.
struct GlContext {
  HWND window = nullptr;
  HGLRC context = nullptr;
  HDC device_context = nullptr;

  GlContext() = default;
  GlContext(HWND w, HGLRC c, HDC dc) : window(w), context(c), device_context(dc) {}
  ~GlContext();
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;
};

struct LocalRenderData {
  std::unique_ptr<GlContext> context;  // null when context creation failed
  // In ShaderProgramIndex order; empty when context creation failed.
  std::vector<std::unique_ptr<GlProgram>> programs;
  bool has_anisotropic = false;
  // The last frame's render targets, kept for the next while they fit under
  // frame_targets_memory_cap; null when none are kept.
  std::unique_ptr<FrameTargets> targets;
};

inline constexpr const char* gl_window_class_name = "TARVOLK_OpenGL_Win_Class";

// Creates the window, pixel format and a 4.1 core forward-compatible context
// (3.2 core as the fallback), leaves it current and initialises GLEW for it.
// Null on failure, with a message on the standard output stream; whatever
// was made before the failing step is released again.
std::unique_ptr<GlContext> create_gl_context();

// Makes `c`'s context current on this thread; with null, or no context,
// leaves the thread without a current context.
void make_gl_context_current(GlContext* c);

// Releases the context, device context and window, nulling each field; the
// record itself stays with the caller. Null does nothing.
void destroy_gl_context(GlContext* c);

// The render path's state of this thread, with its context current; null
// when the thread has no usable state (its context could not be created,
// which is tried once per thread).
LocalRenderData* ensure_local_render_data();

// The same on the params-setup path: its own slot, lock and context.
LocalRenderData* ensure_thread_gl_state();

// Thread-exit release of one slot's record: programs and kept targets
// deleted with the context current, then the context destroyed and the
// record freed.
void release_local_render_data(LocalRenderData* record);

// Whether the current context lists exactly this extension name.
bool current_context_has_extension(const char* name);

// Stands for the window system's framebuffer; never bound here.
extern GlFramebuffer default_framebuffer;
