#include "platform/wgl.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "platform/win32_state.h"

struct Win32GlContext {
  EGLContext egl = EGL_NO_CONTEXT;
  PlatformHooks::ContextAttributes attributes;
  // The thread that has it current, if any: a context is current on at most
  // one thread.
  std::thread::id current_on;
};

PFNWGLCREATECONTEXTATTRIBSARBPROC wglCreateContextAttribsARB = nullptr;

namespace {

using win32_state::state;
using Call = PlatformHooks::Call;

thread_local HGLRC current_context = nullptr;

std::set<HGLRC>& contexts() {
  static std::set<HGLRC> live;
  return live;
}

struct EglDisplay {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
  bool create_context = false;  // EGL_KHR_create_context or EGL 1.5
};

// One surfaceless display serves the process; it is never terminated, since
// contexts of other threads may outlive any owner we could give it.
const EglDisplay& egl() {
  static const EglDisplay display = [] {
    EglDisplay d;
    auto get_platform_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (get_platform_display == nullptr) return d;
    EGLDisplay display_handle =
        get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display_handle == EGL_NO_DISPLAY || !eglInitialize(display_handle, &major, &minor)) {
      return d;
    }
    const EGLint config_attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                        EGL_OPENGL_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display_handle, config_attributes, &d.config, 1, &count) || count < 1) {
      return d;
    }
    const char* extensions = eglQueryString(display_handle, EGL_EXTENSIONS);
    d.create_context = (major > 1 || (major == 1 && minor >= 5)) ||
                       (extensions != nullptr && std::strstr(extensions, "EGL_KHR_create_context"));
    d.display = display_handle;
    return d;
  }();
  return display;
}

bool valid_context_locked(HGLRC context) {
  return contexts().count(context) != 0;
}

// The lock is held; EGL binds the context to the calling thread.
HGLRC create_context_locked(const EGLint* egl_attributes,
                            const PlatformHooks::ContextAttributes& attributes, EGLContext share) {
  const EglDisplay& d = egl();
  if (d.display == EGL_NO_DISPLAY || !eglBindAPI(EGL_OPENGL_API)) {
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return nullptr;
  }
  EGLContext egl_context = eglCreateContext(d.display, d.config, share, egl_attributes);
  if (egl_context == EGL_NO_CONTEXT) {
    SetLastError(eglGetError() == EGL_BAD_MATCH ? ERROR_INVALID_VERSION_ARB
                                                : ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  HGLRC context = new Win32GlContext{egl_context, attributes, {}};
  contexts().insert(context);
  return context;
}

// The lock is held. Mesa keeps a destroyed context alive while it is current,
// so the thread lets go of it first.
void release_current_locked() {
  if (current_context == nullptr) return;
  eglMakeCurrent(egl().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (valid_context_locked(current_context)) current_context->current_on = {};
  current_context = nullptr;
}

HGLRC create_context_attribs(HDC dc, HGLRC share_context, const int* attribute_list) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::wglCreateContextAttribsARB)) return nullptr;
  if (!win32_state::valid_dc_locked(dc) || dc->window->pixel_format == 0) {
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return nullptr;
  }
  if (share_context != nullptr && !valid_context_locked(share_context)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  PlatformHooks::ContextAttributes attributes{1, 0, 0, WGL_CONTEXT_CORE_PROFILE_BIT_ARB};
  for (const int* a = attribute_list; a != nullptr && a[0] != 0; a += 2) {
    switch (a[0]) {
      case WGL_CONTEXT_MAJOR_VERSION_ARB:
        attributes.major = a[1];
        break;
      case WGL_CONTEXT_MINOR_VERSION_ARB:
        attributes.minor = a[1];
        break;
      case WGL_CONTEXT_FLAGS_ARB:
        attributes.flags = a[1];
        break;
      case WGL_CONTEXT_PROFILE_MASK_ARB:
        attributes.profile_mask = a[1];
        break;
      case WGL_CONTEXT_LAYER_PLANE_ARB:
        if (a[1] != 0) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return nullptr;
        }
        break;
      default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
  }
  const bool core = attributes.profile_mask == WGL_CONTEXT_CORE_PROFILE_BIT_ARB;
  const bool compatibility = attributes.profile_mask == WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB;
  if (!core && !compatibility) {
    SetLastError(ERROR_INVALID_PROFILE_ARB);
    return nullptr;
  }
  const int max_major = state().max_core_major;
  const int max_minor = state().max_core_minor;
  if (core && max_major > 0 &&
      (attributes.major > max_major ||
       (attributes.major == max_major && attributes.minor > max_minor))) {
    SetLastError(ERROR_INVALID_VERSION_ARB);
    return nullptr;
  }
  const EGLint egl_attributes[] = {
      EGL_CONTEXT_MAJOR_VERSION,
      attributes.major,
      EGL_CONTEXT_MINOR_VERSION,
      attributes.minor,
      EGL_CONTEXT_OPENGL_PROFILE_MASK,
      core ? EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT : EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
      EGL_CONTEXT_OPENGL_FORWARD_COMPATIBLE,
      (attributes.flags & WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB) ? EGL_TRUE : EGL_FALSE,
      EGL_CONTEXT_OPENGL_DEBUG,
      (attributes.flags & WGL_CONTEXT_DEBUG_BIT_ARB) ? EGL_TRUE : EGL_FALSE,
      EGL_NONE};
  return create_context_locked(egl_attributes, attributes,
                               share_context ? share_context->egl : EGL_NO_CONTEXT);
}

}  // namespace

extern "C" {

HGLRC wglCreateContext(HDC dc) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::wglCreateContext)) return nullptr;
  if (!win32_state::valid_dc_locked(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (dc->window->pixel_format == 0) {
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return nullptr;
  }
  // A legacy context: whatever version the driver gives without a request.
  const EGLint none[] = {EGL_NONE};
  return create_context_locked(none, {}, EGL_NO_CONTEXT);
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::wglMakeCurrent)) return FALSE;
  if (context == nullptr) {
    release_current_locked();
    return TRUE;
  }
  if (!valid_context_locked(context) || !win32_state::valid_dc_locked(dc) ||
      dc->window->pixel_format == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (context->current_on != std::thread::id{} &&
      context->current_on != std::this_thread::get_id()) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  if (!eglMakeCurrent(egl().display, EGL_NO_SURFACE, EGL_NO_SURFACE, context->egl)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (current_context != nullptr && current_context != context &&
      valid_context_locked(current_context)) {
    current_context->current_on = {};
  }
  context->current_on = std::this_thread::get_id();
  current_context = context;
  return TRUE;
}

BOOL wglDeleteContext(HGLRC context) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::wglDeleteContext)) return FALSE;
  if (!valid_context_locked(context)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (context == current_context) {
    release_current_locked();
  } else if (context->current_on != std::thread::id{}) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  eglDestroyContext(egl().display, context->egl);
  contexts().erase(context);
  delete context;
  return TRUE;
}

HGLRC wglGetCurrentContext() {
  return current_context;
}

PROC wglGetProcAddress(LPCSTR name) {
  if (name == nullptr || current_context == nullptr) return nullptr;
  if (std::strcmp(name, "wglCreateContextAttribsARB") == 0) {
    std::lock_guard lock(state().mutex);
    if (!state().create_context_attribs_supported || !egl().create_context) return nullptr;
    return reinterpret_cast<PROC>(&create_context_attribs);
  }
  return reinterpret_cast<PROC>(eglGetProcAddress(name));
}

}  // extern "C"

GLenum platform_glew_init() {
  if (win32_state::injected_failure(Call::glewInit)) return GLEW_ERROR_NO_GL_VERSION;
  glewExperimental = GL_TRUE;
  GLenum result = glewInit();
  if (result == GLEW_ERROR_NO_GLX_DISPLAY && eglGetCurrentContext() != EGL_NO_CONTEXT) {
    result = GLEW_OK;
  }
  wglCreateContextAttribsARB = reinterpret_cast<PFNWGLCREATECONTEXTATTRIBSARBPROC>(
      wglGetProcAddress("wglCreateContextAttribsARB"));
  return result;
}

PlatformHooks::LiveObjects PlatformHooks::live_objects() {
  std::lock_guard lock(state().mutex);
  LiveObjects live;
  live.classes = static_cast<int>(state().classes.size());
  live.windows = static_cast<int>(state().windows.size());
  live.device_contexts = static_cast<int>(state().device_contexts.size());
  live.contexts = static_cast<int>(contexts().size());
  return live;
}

bool PlatformHooks::context_attributes(void* context, ContextAttributes* attributes) {
  std::lock_guard lock(state().mutex);
  auto* c = static_cast<HGLRC>(context);
  if (!valid_context_locked(c)) return false;
  if (attributes) *attributes = c->attributes;
  return true;
}
