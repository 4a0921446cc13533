// The Windows calls of context creation, implemented over EGL.

#include "platform/win32.h"

#include <gtest/gtest.h>

#include "platform/win32_testing.h"

namespace {

constexpr const char* kClass = "Win32Test_Class";

TEST(Win32, WindowClassRegistry) {
  win32_testing::reset();
  WNDCLASSEXA c{};
  c.cbSize = sizeof(WNDCLASSEXA);
  c.lpfnWndProc = DefWindowProcA;
  c.lpszClassName = kClass;
  ASSERT_NE(RegisterClassExA(&c), 0);
  EXPECT_EQ(RegisterClassExA(&c), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

  HWND window = CreateWindowExA(0, kClass, "", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  // A class with a window stays registered.
  EXPECT_FALSE(UnregisterClassA(kClass, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_TRUE(UnregisterClassA(kClass, nullptr));
  EXPECT_FALSE(UnregisterClassA(kClass, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
  EXPECT_EQ(CreateWindowExA(0, kClass, "", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(win32_testing::live_objects().windows, 0);
}

// What a caller of RtlGetVersion sees: the chosen build, or a failure at
// each of the three steps.
TEST(Win32, WindowsVersionThroughNtdll) {
  struct Case {
    const char* what;
    win32_testing::Call failing;  // RegisterClassExA: nothing fails
    DWORD build;
    bool found;
    NTSTATUS status;
  };
  const Case cases[] = {
      {"default build", win32_testing::Call::RegisterClassExA, 0, true, STATUS_SUCCESS},
      {"chosen build", win32_testing::Call::RegisterClassExA, 19041, true, STATUS_SUCCESS},
      {"no module", win32_testing::Call::GetModuleHandleW, 0, false, STATUS_SUCCESS},
      {"no function", win32_testing::Call::GetProcAddress, 0, false, STATUS_SUCCESS},
      {"failing call", win32_testing::Call::RtlGetVersion, 0, true, STATUS_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    win32_testing::reset();
    if (c.build != 0) win32_testing::set_windows_build(c.build);
    if (c.failing != win32_testing::Call::RegisterClassExA) win32_testing::fail_call(c.failing);
    HMODULE ntdll = GetModuleHandleW(u"NTDLL.dll");
    auto get_version = reinterpret_cast<RtlGetVersionFunction>(
        ntdll != nullptr ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr);
    ASSERT_EQ(get_version != nullptr, c.found);
    if (get_version == nullptr) continue;
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_EQ(get_version(&info), c.status);
    if (c.status != STATUS_SUCCESS) continue;
    EXPECT_EQ(info.dwMajorVersion, 10u);
    EXPECT_EQ(info.dwBuildNumber, c.build != 0 ? c.build : win32_testing::default_windows_build);
    // A record of another size is refused.
    info.dwOSVersionInfoSize = 100;
    EXPECT_EQ(get_version(&info), STATUS_INVALID_PARAMETER);
  }
  win32_testing::reset();
  EXPECT_EQ(GetModuleHandleW(u"kernel32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(GetProcAddress(GetModuleHandleW(u"ntdll.dll"), "RtlGetVersionEx"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
}

}  // namespace
