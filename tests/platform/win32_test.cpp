// The Windows calls of context creation, implemented over EGL.

#include "platform/win32.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/wgl.h"
#include "platform/win32_testing.h"

namespace {

using win32_testing::Call;

constexpr const char* kClass = "Win32Test_Class";

WNDCLASSEXA window_class(const char* name = kClass) {
  WNDCLASSEXA c{};
  c.cbSize = sizeof(WNDCLASSEXA);
  c.style = CS_HREDRAW | CS_VREDRAW;
  c.lpfnWndProc = DefWindowProcA;
  c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  c.lpszClassName = name;
  return c;
}

PIXELFORMATDESCRIPTOR pixel_format() {
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 8;
  return pfd;
}

class Win32Test : public ::testing::Test {
 protected:
  void SetUp() override { win32_testing::reset(); }
  void TearDown() override {
    wglMakeCurrent(nullptr, nullptr);
    if (context_) wglDeleteContext(context_);
    if (dc_) ReleaseDC(window_, dc_);
    if (window_) DestroyWindow(window_);
    UnregisterClassA(kClass, nullptr);
    win32_testing::reset();
    const auto live = win32_testing::live_objects();
    EXPECT_EQ(live.windows, 0);
    EXPECT_EQ(live.device_contexts, 0);
    EXPECT_EQ(live.contexts, 0);
  }

  // A window with a pixel format and its device context.
  void make_window() {
    const WNDCLASSEXA c = window_class();
    ASSERT_NE(RegisterClassExA(&c), 0);
    window_ =
        CreateWindowExA(0, kClass, "test", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    dc_ = GetDC(window_);
    ASSERT_NE(dc_, nullptr);
    const PIXELFORMATDESCRIPTOR pfd = pixel_format();
    ASSERT_TRUE(SetPixelFormat(dc_, ChoosePixelFormat(dc_, &pfd), &pfd));
  }

  // wglCreateContextAttribsARB as GLEW loads it, through a legacy context.
  PFNWGLCREATECONTEXTATTRIBSARBPROC load_create_context_attribs() {
    HGLRC legacy = wglCreateContext(dc_);
    EXPECT_NE(legacy, nullptr);
    EXPECT_TRUE(wglMakeCurrent(dc_, legacy));
    EXPECT_EQ(platform_glew_init(), static_cast<GLenum>(GLEW_OK));
    PFNWGLCREATECONTEXTATTRIBSARBPROC create = wglCreateContextAttribsARB;
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(legacy);
    return create;
  }

  HWND window_ = nullptr;
  HDC dc_ = nullptr;
  HGLRC context_ = nullptr;
};

TEST_F(Win32Test, WindowClassRegistry) {
  const WNDCLASSEXA c = window_class();
  ASSERT_NE(RegisterClassExA(&c), 0);
  EXPECT_EQ(RegisterClassExA(&c), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

  EXPECT_EQ(
      CreateWindowExA(0, "No_Such_Class", "", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);

  window_ = CreateWindowExA(0, kClass, "", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window_, nullptr);
  // A class with a window stays registered.
  EXPECT_FALSE(UnregisterClassA(kClass, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
  EXPECT_TRUE(DestroyWindow(window_));
  window_ = nullptr;
  EXPECT_FALSE(DestroyWindow(reinterpret_cast<HWND>(&window_)));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_TRUE(UnregisterClassA(kClass, nullptr));
  EXPECT_FALSE(UnregisterClassA(kClass, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
  EXPECT_EQ(win32_testing::live_objects().classes, 0);
}

TEST_F(Win32Test, ContextNeedsAPixelFormatSetOnce) {
  const WNDCLASSEXA c = window_class();
  ASSERT_NE(RegisterClassExA(&c), 0);
  window_ = CreateWindowExA(0, kClass, "", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  dc_ = GetDC(window_);
  EXPECT_EQ(wglCreateContext(dc_), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PIXEL_FORMAT);
  const PIXELFORMATDESCRIPTOR pfd = pixel_format();
  EXPECT_EQ(ChoosePixelFormat(dc_, &pfd), 1);
  EXPECT_TRUE(SetPixelFormat(dc_, 1, &pfd));
  EXPECT_FALSE(SetPixelFormat(dc_, 1, &pfd));
  context_ = wglCreateContext(dc_);
  EXPECT_NE(context_, nullptr);
}

TEST_F(Win32Test, LegacyContextGoesCurrentAndGlewLoads) {
  make_window();
  context_ = wglCreateContext(dc_);
  ASSERT_NE(context_, nullptr);
  EXPECT_EQ(wglGetProcAddress("wglCreateContextAttribsARB"), nullptr);  // nothing current
  ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  EXPECT_EQ(wglGetCurrentContext(), context_);
  ASSERT_EQ(platform_glew_init(), static_cast<GLenum>(GLEW_OK));
  EXPECT_NE(wglCreateContextAttribsARB, nullptr);
  EXPECT_NE(glGenFramebuffers, nullptr);
  EXPECT_NE(glGetString(GL_VERSION), nullptr);
  win32_testing::ContextAttributes attributes;
  ASSERT_TRUE(win32_testing::context_attributes(context_, &attributes));
  EXPECT_EQ(attributes.major, 0);
  // Deleting the current context lets go of it first.
  EXPECT_TRUE(wglDeleteContext(context_));
  context_ = nullptr;
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(Win32Test, CoreForwardCompatibleRequestMapsOntoEgl) {
  make_window();
  auto create = load_create_context_attribs();
  ASSERT_NE(create, nullptr);
  const int attributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB,
                            4,
                            WGL_CONTEXT_MINOR_VERSION_ARB,
                            1,
                            WGL_CONTEXT_FLAGS_ARB,
                            WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB,
                            WGL_CONTEXT_PROFILE_MASK_ARB,
                            WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
                            0};
  context_ = create(dc_, nullptr, attributes);
  ASSERT_NE(context_, nullptr);
  ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  ASSERT_EQ(platform_glew_init(), static_cast<GLenum>(GLEW_OK));
  GLint flags = 0, profile = 0, major = 0;
  glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
  glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  EXPECT_TRUE(flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT);
  EXPECT_EQ(profile, GL_CONTEXT_CORE_PROFILE_BIT);
  EXPECT_GE(major, 4);
}

TEST_F(Win32Test, Core32WithoutFlagsIsNotForwardCompatible) {
  make_window();
  auto create = load_create_context_attribs();
  ASSERT_NE(create, nullptr);
  const int attributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB,
                            3,
                            WGL_CONTEXT_MINOR_VERSION_ARB,
                            2,
                            WGL_CONTEXT_PROFILE_MASK_ARB,
                            WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
                            0};
  context_ = create(dc_, nullptr, attributes);
  ASSERT_NE(context_, nullptr);
  ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  ASSERT_EQ(platform_glew_init(), static_cast<GLenum>(GLEW_OK));
  GLint flags = -1, profile = 0;
  glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
  glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
  EXPECT_EQ(flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT, 0);
  EXPECT_EQ(profile, GL_CONTEXT_CORE_PROFILE_BIT);
}

TEST_F(Win32Test, DriverLimitsRefuseNewerVersionsAndTheExtension) {
  make_window();
  win32_testing::set_max_core_version(3, 2);
  auto create = load_create_context_attribs();
  ASSERT_NE(create, nullptr);
  const int core41[] = {WGL_CONTEXT_MAJOR_VERSION_ARB, 4, WGL_CONTEXT_MINOR_VERSION_ARB, 1, 0};
  EXPECT_EQ(create(dc_, nullptr, core41), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_VERSION_ARB);
  const int unknown[] = {0x1234, 1, 0};
  EXPECT_EQ(create(dc_, nullptr, unknown), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  win32_testing::set_create_context_attribs_supported(false);
  EXPECT_EQ(load_create_context_attribs(), nullptr);
}

TEST_F(Win32Test, AContextIsCurrentOnOneThreadAtATime) {
  make_window();
  context_ = wglCreateContext(dc_);
  ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  DWORD error = 0;
  BOOL made = TRUE, deleted = TRUE;
  std::thread([&] {
    made = wglMakeCurrent(dc_, context_);
    error = GetLastError();
    deleted = wglDeleteContext(context_);
  }).join();
  EXPECT_FALSE(made);
  EXPECT_EQ(error, ERROR_BUSY);
  EXPECT_FALSE(deleted);
  // Released here, it can go current on another thread.
  ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
  std::thread([&] {
    made = wglMakeCurrent(dc_, context_);
    wglMakeCurrent(nullptr, nullptr);
  }).join();
  EXPECT_TRUE(made);
}

}  // namespace
