#pragma once

// Shared state of the Windows layer's implementation files.

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/win32.h"
#include "platform/win32_hooks.h"

struct Win32Window {
  std::string class_name;
  int pixel_format = 0;
};

struct Win32DeviceContext {
  HWND window = nullptr;
};

namespace win32_state {

struct ClassRecord {
  WNDCLASSEXA description{};
  int windows = 0;
};

struct Fault {
  int skip = 0;
  int times = 0;
  DWORD error = ERROR_SUCCESS;
};

struct State {
  std::mutex mutex;
  std::map<std::string, ClassRecord> classes;
  std::set<HWND> windows;
  std::set<HDC> device_contexts;
  Fault faults[PlatformHooks::call_kinds];
  int calls[PlatformHooks::call_kinds] = {};
  bool create_context_attribs_supported = true;
  int max_core_major = 0;  // 0: no limit
  int max_core_minor = 0;
  DWORD windows_build = PlatformHooks::default_windows_build;
};

State& state();

// Counts the call and tells whether a test asked for it to fail, in which
// case the thread's last error is set. Takes the state's lock itself.
bool injected_failure(PlatformHooks::Call call);

// Same, for a caller that already holds the lock.
bool injected_failure_locked(PlatformHooks::Call call);

// Lock held by the caller.
bool valid_dc_locked(HDC dc);

}  // namespace win32_state
