#pragma once

// The offscreen OpenGL context of a thread: a hidden window with a pixel
// format, its device context and a core-profile context.

#include <memory>

#include "gl/gl_objects.h"
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

inline constexpr const char* gl_window_class_name = "TARVOLK_OpenGL_Win_Class";

// Creates the window, pixel format and a 4.1 core forward-compatible context
// (3.2 core as the fallback), leaves it current and initialises GLEW for it.
// Null on failure, with a message on the standard output stream; whatever
// was made before the failing step is released again.
std::unique_ptr<GlContext> create_gl_context();

// Makes `c`'s context current on this thread; with null, or no context,
// leaves the thread without a current context.
void make_gl_context_current(GlContext* c);

// Makes `c`'s context current on this thread without a message; false when it cannot be, as
// when it is current on another thread. After a failure the thread may be left without a current
// context (WGL releases it), so the caller makes its own current again.
bool try_make_gl_context_current(GlContext* c);

// Releases the context, device context and window, nulling each field; the
// record itself stays with the caller. Null does nothing.
void destroy_gl_context(GlContext* c);

// Whether the current context lists exactly this extension name.
bool current_context_has_extension(const char* name);

// Stands for the window system's framebuffer; never bound here.
extern GlFramebuffer default_framebuffer;
