// The system module lookup: "ntdll.dll" and its RtlGetVersion, which reports
// the Windows version a test chose (a Windows 11 build by default).

#include <cstring>

#include "platform/win32.h"
#include "platform/win32_state.h"

namespace {

// The one system module; an identity only, never dereferenced.
Win32Module* const ntdll_module = reinterpret_cast<Win32Module*>(static_cast<uintptr_t>(0x7ff0));

// Module names compare without regard to ASCII case, as on Windows.
bool names_ntdll(LPCWSTR name) {
  static constexpr char expected[] = "ntdll.dll";
  for (std::size_t i = 0; i < sizeof expected; ++i) {
    char16_t c = name[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != static_cast<char16_t>(expected[i])) return false;
    if (c == u'\0') return true;
  }
  return false;
}

NTSTATUS rtl_get_version(RTL_OSVERSIONINFOW* info) {
  std::lock_guard lock(win32_state::state().mutex);
  if (win32_state::injected_failure_locked(PlatformHooks::Call::RtlGetVersion)) {
    return STATUS_INVALID_PARAMETER;
  }
  if (info == nullptr || info->dwOSVersionInfoSize != sizeof(RTL_OSVERSIONINFOW)) {
    return STATUS_INVALID_PARAMETER;
  }
  info->dwMajorVersion = 10;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = win32_state::state().windows_build;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return STATUS_SUCCESS;
}

}  // namespace

extern "C" {

HMODULE GetModuleHandleW(LPCWSTR module_name) {
  if (win32_state::injected_failure(PlatformHooks::Call::GetModuleHandleW)) return nullptr;
  if (module_name == nullptr || !names_ntdll(module_name)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return ntdll_module;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name) {
  if (win32_state::injected_failure(PlatformHooks::Call::GetProcAddress)) return nullptr;
  if (module != ntdll_module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Names only: an ordinal (a small number in the pointer) finds nothing.
  if (reinterpret_cast<uintptr_t>(proc_name) <= 0xFFFF ||
      std::strcmp(proc_name, "RtlGetVersion") != 0) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  // Callers cast the address back to the function's own type, as on Windows.
  return reinterpret_cast<FARPROC>(rtl_get_version);
}

}  // extern "C"

void PlatformHooks::set_windows_build(DWORD build) {
  std::lock_guard lock(win32_state::state().mutex);
  win32_state::state().windows_build = build;
}
