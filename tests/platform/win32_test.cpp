// The Windows calls of context creation, implemented over EGL.

#include "platform/win32.h"

#include <gtest/gtest.h>

#include "platform/win32_hooks.h"

namespace {

constexpr const char* test_window_class = "Win32Test_Class";

TEST(Win32, WindowClassRegistry) {
  PlatformHooks::reset();
  WNDCLASSEXA c{};
  c.cbSize = sizeof(WNDCLASSEXA);
  c.lpfnWndProc = DefWindowProcA;
  c.lpszClassName = test_window_class;
  ASSERT_NE(RegisterClassExA(&c), 0);
  EXPECT_EQ(RegisterClassExA(&c), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

  HWND window = CreateWindowExA(0, test_window_class, "", 0, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  // A class with a window stays registered.
  EXPECT_FALSE(UnregisterClassA(test_window_class, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_TRUE(UnregisterClassA(test_window_class, nullptr));
  EXPECT_FALSE(UnregisterClassA(test_window_class, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
  EXPECT_EQ(CreateWindowExA(0, test_window_class, "", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(PlatformHooks::live_objects().windows, 0);
}

// The lookup as callers other than params setup (whose tests cover the
// chosen build and the failures) meet it.
TEST(Win32, NtdllLookup) {
  PlatformHooks::reset();
  HMODULE ntdll = GetModuleHandleW(u"NTDLL.dll");  // names compare without case
  ASSERT_NE(ntdll, nullptr);
  auto get_version =
      reinterpret_cast<RtlGetVersionFunction>(GetProcAddress(ntdll, "RtlGetVersion"));
  ASSERT_NE(get_version, nullptr);
  RTL_OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = 100;  // a record of another size is refused
  EXPECT_EQ(get_version(&info), STATUS_INVALID_PARAMETER);
  EXPECT_EQ(GetModuleHandleW(u"kernel32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(GetProcAddress(ntdll, "RtlGetVersionEx"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
}

}  // namespace
