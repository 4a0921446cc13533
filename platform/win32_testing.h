#pragma once

// Test controls of the Windows layer: make a given call fail, limit what the
// "driver" offers, and count the objects that are alive. Process-wide.

#include "platform/win32.h"

namespace win32_testing {

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
inline constexpr int call_kinds = 15;

// Lets the next `skip` calls of `call` run, then fails the `times` calls
// after them, setting `error` as the thread's last error.
void fail_call(Call call, int skip = 0, int times = 1, DWORD error = ERROR_NOT_ENOUGH_MEMORY);

// Whether the driver offers WGL_ARB_create_context (true by default).
void set_create_context_attribs_supported(bool supported);

// The newest core profile that wglCreateContextAttribsARB creates; newer
// requests fail with ERROR_INVALID_VERSION_ARB. Unlimited by default.
void set_max_core_version(int major, int minor);

// The Windows build that RtlGetVersion reports (version 10.0 throughout).
inline constexpr DWORD default_windows_build = 22631;  // Windows 11 23H2
void set_windows_build(DWORD build);

// Back to defaults: no pending failures, full driver offer, the default
// Windows build, call counts 0.
void reset();

// Calls made since the last reset, failed ones included.
int call_count(Call call);

struct LiveObjects {
  int classes = 0;
  int windows = 0;
  int device_contexts = 0;
  int contexts = 0;  // each one an EGL context
};
LiveObjects live_objects();

// What a context was created with: version 0.0 and mask 0 for a legacy
// wglCreateContext context.
struct ContextAttributes {
  int major = 0;
  int minor = 0;
  int flags = 0;
  int profile_mask = 0;
};
// False when `context` is not a live context.
bool context_attributes(void* context, ContextAttributes* attributes);

}  // namespace win32_testing
