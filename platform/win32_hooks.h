#pragma once

// The Windows layer's test seams, all in one place: make a given call fail,
// limit what the "driver" offers, and count the objects that are alive.
// Process-wide; the defaults are the product's behaviour, and nothing outside
// tests changes them.

#include "platform/win32.h"

struct PlatformHooks {
  enum class Call {
    RegisterClassExA,
    CreateWindowExA,
    GetDC,
    ReleaseDC,
    DestroyWindow,
    ChoosePixelFormat,
    SetPixelFormat,
    wglCreateContext,
    wglMakeCurrent,
    wglDeleteContext,
    wglCreateContextAttribsARB,
    glewInit,
    GetModuleHandleW,
    GetProcAddress,
    RtlGetVersion,  // a failure returns STATUS_INVALID_PARAMETER
  };
  static constexpr int call_kinds = 15;

  // Lets the next `skip` calls of `call` run, then fails the `times` calls
  // after them, setting `error` as the thread's last error.
  static void fail_call(Call call, int skip = 0, int times = 1,
                        DWORD error = ERROR_NOT_ENOUGH_MEMORY);

  // Whether the driver offers WGL_ARB_create_context (true by default).
  static void set_create_context_attribs_supported(bool supported);

  // The newest core profile that wglCreateContextAttribsARB creates; newer
  // requests fail with ERROR_INVALID_VERSION_ARB. Unlimited by default.
  static void set_max_core_version(int major, int minor);

  // The Windows build that RtlGetVersion reports (version 10.0 throughout).
  static constexpr DWORD default_windows_build = 22631;  // Windows 11 23H2
  static void set_windows_build(DWORD build);

  // Back to defaults: no pending failures, full driver offer, the default
  // Windows build, call counts 0.
  static void reset();

  // Calls made since the last reset, failed ones included.
  static int call_count(Call call);

  struct LiveObjects {
    int classes = 0;
    int windows = 0;
    int device_contexts = 0;
    int contexts = 0;  // each one an EGL context
  };
  static LiveObjects live_objects();

  // What a context was created with: version 0.0 and mask 0 for a legacy
  // wglCreateContext context.
  struct ContextAttributes {
    int major = 0;
    int minor = 0;
    int flags = 0;
    int profile_mask = 0;
  };
  // False when `context` is not a live context.
  static bool context_attributes(void* context, ContextAttributes* attributes);
};
