#include "platform/win32.h"

#include <cstring>

#include "platform/win32_state.h"

namespace {

thread_local DWORD last_error = ERROR_SUCCESS;

// The one stock cursor and brush: identities only, never dereferenced.
Win32Cursor* const arrow_cursor = reinterpret_cast<Win32Cursor*>(static_cast<uintptr_t>(32512));
Win32GdiObject* const black_brush = reinterpret_cast<Win32GdiObject*>(static_cast<uintptr_t>(4));

// Class names may be atoms (small integers in the pointer); this layer only
// registers names.
bool is_atom(LPCSTR name) {
  return reinterpret_cast<uintptr_t>(name) <= 0xFFFF;
}

}  // namespace

namespace win32_state {

State& state() {
  static State instance;
  return instance;
}

bool injected_failure_locked(PlatformHooks::Call call) {
  State& s = state();
  const int index = static_cast<int>(call);
  ++s.calls[index];
  Fault& fault = s.faults[index];
  if (fault.times <= 0) return false;
  if (fault.skip > 0) {
    --fault.skip;
    return false;
  }
  --fault.times;
  last_error = fault.error;
  return true;
}

bool injected_failure(PlatformHooks::Call call) {
  std::lock_guard lock(state().mutex);
  return injected_failure_locked(call);
}

bool valid_dc_locked(HDC dc) {
  return dc != nullptr && state().device_contexts.count(dc) != 0;
}

}  // namespace win32_state

using win32_state::state;
using Call = PlatformHooks::Call;

extern "C" {

DWORD GetLastError() {
  return last_error;
}

void SetLastError(DWORD error) {
  last_error = error;
}

ATOM RegisterClassExA(const WNDCLASSEXA* window_class) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::RegisterClassExA)) return 0;
  if (window_class == nullptr || window_class->cbSize != sizeof(WNDCLASSEXA) ||
      window_class->lpszClassName == nullptr || is_atom(window_class->lpszClassName) ||
      window_class->lpfnWndProc == nullptr) {
    last_error = ERROR_INVALID_PARAMETER;
    return 0;
  }
  auto [it, inserted] = state().classes.try_emplace(window_class->lpszClassName);
  if (!inserted) {
    last_error = ERROR_CLASS_ALREADY_EXISTS;
    return 0;
  }
  it->second.description = *window_class;
  // Atoms of registered classes start at 0xC000; the value is not used here.
  return static_cast<ATOM>(0xC000 + state().classes.size());
}

BOOL UnregisterClassA(LPCSTR class_name, HINSTANCE) {
  std::lock_guard lock(state().mutex);
  if (class_name == nullptr || is_atom(class_name)) {
    last_error = ERROR_CLASS_DOES_NOT_EXIST;
    return FALSE;
  }
  auto it = state().classes.find(class_name);
  if (it == state().classes.end()) {
    last_error = ERROR_CLASS_DOES_NOT_EXIST;
    return FALSE;
  }
  if (it->second.windows > 0) {
    last_error = ERROR_CLASS_HAS_WINDOWS;
    return FALSE;
  }
  state().classes.erase(it);
  return TRUE;
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR, DWORD, int, int, int width, int height,
                     HWND parent, HMENU, HINSTANCE, LPVOID) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::CreateWindowExA)) return nullptr;
  if (class_name == nullptr || is_atom(class_name)) {
    last_error = ERROR_CANNOT_FIND_WND_CLASS;
    return nullptr;
  }
  auto it = state().classes.find(class_name);
  if (it == state().classes.end()) {
    last_error = ERROR_CANNOT_FIND_WND_CLASS;
    return nullptr;
  }
  if (width < 0 || height < 0 || (parent != nullptr && state().windows.count(parent) == 0)) {
    last_error = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  HWND window = new Win32Window{class_name};
  state().windows.insert(window);
  ++it->second.windows;
  return window;
}

BOOL DestroyWindow(HWND window) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::DestroyWindow)) return FALSE;
  auto it = state().windows.find(window);
  if (it == state().windows.end()) {
    last_error = ERROR_INVALID_WINDOW_HANDLE;
    return FALSE;
  }
  // Device contexts die with their window.
  for (auto dc = state().device_contexts.begin(); dc != state().device_contexts.end();) {
    if ((*dc)->window == window) {
      delete *dc;
      dc = state().device_contexts.erase(dc);
    } else {
      ++dc;
    }
  }
  auto cls = state().classes.find(window->class_name);
  if (cls != state().classes.end()) --cls->second.windows;
  state().windows.erase(it);
  delete window;
  return TRUE;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

HDC GetDC(HWND window) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::GetDC)) return nullptr;
  if (window == nullptr || state().windows.count(window) == 0) {
    last_error = ERROR_INVALID_WINDOW_HANDLE;
    return nullptr;
  }
  HDC dc = new Win32DeviceContext{window};
  state().device_contexts.insert(dc);
  return dc;
}

int ReleaseDC(HWND window, HDC dc) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::ReleaseDC)) return 0;
  auto it = state().device_contexts.find(dc);
  if (it == state().device_contexts.end() || dc->window != window) return 0;
  state().device_contexts.erase(it);
  delete dc;
  return 1;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::ChoosePixelFormat)) return 0;
  if (!win32_state::valid_dc_locked(dc) || descriptor == nullptr ||
      descriptor->nSize != sizeof(PIXELFORMATDESCRIPTOR) || descriptor->nVersion != 1) {
    last_error = ERROR_INVALID_PARAMETER;
    return 0;
  }
  // One format: RGBA with OpenGL support, which every request here is.
  if ((descriptor->dwFlags & PFD_SUPPORT_OPENGL) == 0 || descriptor->iPixelType != PFD_TYPE_RGBA) {
    last_error = ERROR_INVALID_PIXEL_FORMAT;
    return 0;
  }
  return 1;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
  std::lock_guard lock(state().mutex);
  if (win32_state::injected_failure_locked(Call::SetPixelFormat)) return FALSE;
  if (!win32_state::valid_dc_locked(dc)) {
    last_error = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  // A window's pixel format can be set once.
  if (format != 1 || dc->window->pixel_format != 0) {
    last_error = ERROR_INVALID_PIXEL_FORMAT;
    return FALSE;
  }
  dc->window->pixel_format = format;
  return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursor_name) {
  if (instance == nullptr && cursor_name == IDC_ARROW) return arrow_cursor;
  last_error = ERROR_INVALID_PARAMETER;
  return nullptr;
}

HGDIOBJ GetStockObject(int object) {
  return object == BLACK_BRUSH ? black_brush : nullptr;
}

}  // extern "C"

void PlatformHooks::fail_call(Call call, int skip, int times, DWORD error) {
  std::lock_guard lock(state().mutex);
  state().faults[static_cast<int>(call)] = {skip, times, error};
}

void PlatformHooks::set_create_context_attribs_supported(bool supported) {
  std::lock_guard lock(state().mutex);
  state().create_context_attribs_supported = supported;
}

void PlatformHooks::set_max_core_version(int major, int minor) {
  std::lock_guard lock(state().mutex);
  state().max_core_major = major;
  state().max_core_minor = minor;
}

void PlatformHooks::reset() {
  std::lock_guard lock(state().mutex);
  for (auto& fault : state().faults) fault = {};
  for (int& count : state().calls) count = 0;
  state().create_context_attribs_supported = true;
  state().max_core_major = 0;
  state().max_core_minor = 0;
  state().windows_build = default_windows_build;
}

int PlatformHooks::call_count(Call call) {
  std::lock_guard lock(state().mutex);
  return state().calls[static_cast<int>(call)];
}
