#include "gl/gl_context.h"

#include <cstdio>
#include <cstring>
#include <mutex>

GlFramebuffer default_framebuffer{0u};

namespace {

// Deletes the temporary legacy context on every way out of creation.
struct TemporaryContext {
  HGLRC context = nullptr;
  ~TemporaryContext() {
    if (context == nullptr) return;
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
  }
};

// The window class is shared by every thread's context. Registering it and
// creating a window of it must not interleave with another thread's
// unregistering at thread exit, or the window creation fails and that thread
// is left without a context for good.
std::mutex& window_class_mutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

GlContext::~GlContext() {
  if (window != nullptr || context != nullptr || device_context != nullptr) {
    destroy_gl_context(this);
  }
}

std::unique_ptr<GlContext> create_gl_context() {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof(WNDCLASSEXA);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = gl_window_class_name;
  std::unique_lock class_lock(window_class_mutex());
  // Another thread may have registered the class already; it is shared.
  const bool registered_here = RegisterClassExA(&window_class) != 0;
  if (!registered_here && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    std::printf("Can't Register Window Class\n");
    return nullptr;
  }

  // From here on, the record releases what has been made if a step fails.
  auto gl_context = std::make_unique<GlContext>();
  gl_context->window = CreateWindowExA(0, gl_window_class_name, "OpenGL-using FBOs in AE", 0, 0, 0,
                                       50, 50, nullptr, nullptr, nullptr, nullptr);
  if (gl_context->window == nullptr) {
    std::printf("Window Creation Failed");
    std::printf("\n");
    // A class registered by another thread may be about to get its window.
    if (registered_here) UnregisterClassA(gl_window_class_name, nullptr);
    return nullptr;
  }
  // The class now has a window, so no other thread can unregister it.
  class_lock.unlock();

  HDC dc = GetDC(gl_context->window);
  gl_context->device_context = dc;
  if (dc == nullptr) {
    std::printf("Cannot create Drawing Context.\n");
    return nullptr;
  }

  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 8;
  pfd.iLayerType = PFD_MAIN_PLANE;
  SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd);

  // The core-profile entry points come through a legacy context.
  TemporaryContext temporary;
  temporary.context = wglCreateContext(dc);
  if (temporary.context == nullptr) {
    std::printf("Cannot create OPENGL Context.\n");
    return nullptr;
  }
  if (!wglMakeCurrent(dc, temporary.context)) {
    std::printf("Cannot Make Temp Context Current.\n");
    return nullptr;
  }
  if (platform_glew_init() != GLEW_OK) {
    std::printf("Glew isn't initialized.\n");
    return nullptr;
  }
  if (wglCreateContextAttribsARB == nullptr) {
    std::printf("WGL Create Context Attrib isn't supported.\n");
    return nullptr;
  }

  const int core_41[] = {WGL_CONTEXT_MAJOR_VERSION_ARB,
                         4,
                         WGL_CONTEXT_MINOR_VERSION_ARB,
                         1,
                         WGL_CONTEXT_FLAGS_ARB,
                         WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB,
                         WGL_CONTEXT_PROFILE_MASK_ARB,
                         WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
                         0};
  HGLRC context = wglCreateContextAttribsARB(dc, nullptr, core_41);
  if (context == nullptr) {
    const int core_32[] = {WGL_CONTEXT_MAJOR_VERSION_ARB,
                           3,
                           WGL_CONTEXT_MINOR_VERSION_ARB,
                           2,
                           WGL_CONTEXT_PROFILE_MASK_ARB,
                           WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
                           0};
    context = wglCreateContextAttribsARB(dc, nullptr, core_32);
  }
  gl_context->context = context;

  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(temporary.context);
  temporary.context = nullptr;

  if (context == nullptr) {
    std::printf("OpenGL 4.1/3.2 Ctx can't be initialized.\n");
    return nullptr;
  }

  wglMakeCurrent(dc, context);
  if (platform_glew_init() != GLEW_OK) {
    std::printf("Core Profile Glew isn't initialized.\n");
    return nullptr;
  }
  return gl_context;
}

void make_gl_context_current(GlContext* c) {
  if (c != nullptr && c->context != nullptr) {
    if (!wglMakeCurrent(c->device_context, c->context)) {
      std::printf("Cannot Set OpenGL Context\n");
    }
  } else {
    wglMakeCurrent(nullptr, nullptr);
  }
}

bool try_make_gl_context_current(GlContext* c) {
  return c != nullptr && c->context != nullptr && wglMakeCurrent(c->device_context, c->context);
}

void destroy_gl_context(GlContext* c) {
  if (c == nullptr) return;
  if (c->context != nullptr) {
    wglMakeCurrent(nullptr, nullptr);
    if (!wglDeleteContext(c->context)) {
      std::printf("GL Context Destruction Failed\n");
    }
    c->context = nullptr;
  }
  if (c->device_context != nullptr) {
    ReleaseDC(c->window, c->device_context);
    c->device_context = nullptr;
  }
  std::lock_guard class_lock(window_class_mutex());
  if (c->window != nullptr) {
    DestroyWindow(c->window);
    c->window = nullptr;
  }
  // Fails while another thread's window still uses the class; that thread
  // unregisters it later.
  UnregisterClassA(gl_window_class_name, nullptr);
}

bool current_context_has_extension(const char* name) {
  GLint count = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; ++i) {
    const auto* extension = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
    if (extension != nullptr && std::strcmp(extension, name) == 0) return true;
  }
  return false;
}
