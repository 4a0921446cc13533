#pragma once

// WGL over EGL: a rendering context is an EGL context on Mesa's surfaceless
// platform; making it current binds it without a surface, so drawing goes to
// framebuffer objects only.

#include <GL/glew.h>

#include "platform/win32.h"

struct Win32GlContext;
using HGLRC = Win32GlContext*;
using PROC = void (*)();

// WGL_ARB_create_context and WGL_ARB_create_context_profile.
inline constexpr int WGL_CONTEXT_MAJOR_VERSION_ARB = 0x2091;
inline constexpr int WGL_CONTEXT_MINOR_VERSION_ARB = 0x2092;
inline constexpr int WGL_CONTEXT_LAYER_PLANE_ARB = 0x2093;
inline constexpr int WGL_CONTEXT_FLAGS_ARB = 0x2094;
inline constexpr int WGL_CONTEXT_PROFILE_MASK_ARB = 0x9126;
inline constexpr int WGL_CONTEXT_DEBUG_BIT_ARB = 0x0001;
inline constexpr int WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB = 0x0002;
inline constexpr int WGL_CONTEXT_CORE_PROFILE_BIT_ARB = 0x00000001;
inline constexpr int WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB = 0x00000002;
inline constexpr unsigned ERROR_INVALID_VERSION_ARB = 0x2095;
inline constexpr unsigned ERROR_INVALID_PROFILE_ARB = 0x2096;

using PFNWGLCREATECONTEXTATTRIBSARBPROC = HGLRC (*)(HDC dc, HGLRC share_context,
                                                    const int* attributes);

extern "C" {
HGLRC wglCreateContext(HDC dc);
BOOL wglMakeCurrent(HDC dc, HGLRC context);
BOOL wglDeleteContext(HGLRC context);
HGLRC wglGetCurrentContext();
PROC wglGetProcAddress(LPCSTR name);
}

// Loaded by platform_glew_init, as GLEW loads it on Windows; null when the
// driver does not offer WGL_ARB_create_context.
extern PFNWGLCREATECONTEXTATTRIBSARBPROC wglCreateContextAttribsARB;

// glewInit for the current context, plus the WGL extension entry points.
// Debian's GLEW is built for GLX and reports GLEW_ERROR_NO_GLX_DISPLAY after
// loading every GL entry point on an EGL context; that counts as success
// here. Returns GLEW_OK or GLEW's error code.
GLenum platform_glew_init();
