// A thread's offscreen context: what it is, each step's failure, making it
// current and destroying it, and contexts made while other threads tear
// theirs down. Each case runs on threads of its own, which start without a
// context.

#include "gl/gl_context.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32_hooks.h"

namespace {

using Call = PlatformHooks::Call;
using LiveObjects = PlatformHooks::LiveObjects;

void run_on_new_thread(const std::function<void()>& body) {
  std::thread(body).join();
}

void expect_same(const LiveObjects& a, const LiveObjects& b) {
  EXPECT_EQ(a.classes, b.classes);
  EXPECT_EQ(a.windows, b.windows);
  EXPECT_EQ(a.device_contexts, b.device_contexts);
  EXPECT_EQ(a.contexts, b.contexts);
}

class GlContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PlatformHooks::reset();
    baseline_ = PlatformHooks::live_objects();
  }
  void TearDown() override {
    PlatformHooks::reset();
    expect_same(PlatformHooks::live_objects(), baseline_);
  }

  LiveObjects baseline_;
};

TEST_F(GlContextTest, A41CoreForwardCompatibleContextOrElse32Core) {
  for (const bool old_driver : {false, true}) {
    SCOPED_TRACE(old_driver ? "driver without 4.1 core" : "current driver");
    PlatformHooks::reset();
    if (old_driver) PlatformHooks::set_max_core_version(3, 2);
    run_on_new_thread([old_driver] {
      const std::unique_ptr<GlContext> context = create_gl_context();
      ASSERT_NE(context, nullptr);
      EXPECT_EQ(wglGetCurrentContext(), context->context);
      PlatformHooks::ContextAttributes attributes;
      ASSERT_TRUE(PlatformHooks::context_attributes(context->context, &attributes));
      EXPECT_EQ(attributes.major * 10 + attributes.minor, old_driver ? 32 : 41);
      EXPECT_EQ(attributes.profile_mask, WGL_CONTEXT_CORE_PROFILE_BIT_ARB);
      // A 3.2 context is asked for with no flags, not forward compatible.
      if (old_driver) {
        EXPECT_EQ(attributes.flags, 0);
      }
      GLint flags = -1, profile = 0;
      glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
      glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
      EXPECT_EQ((flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT) != 0, !old_driver);
      EXPECT_EQ(profile, GL_CONTEXT_CORE_PROFILE_BIT);
      // llvmpipe offers anisotropic filtering; only whole names match.
      EXPECT_TRUE(current_context_has_extension("GL_EXT_texture_filter_anisotropic"));
      EXPECT_FALSE(current_context_has_extension("GL_EXT_texture_filter"));
      EXPECT_FALSE(current_context_has_extension("gl_ext_texture_filter_anisotropic"));
    });
    EXPECT_EQ(PlatformHooks::call_count(Call::wglCreateContextAttribsARB), old_driver ? 2 : 1);
  }
}

TEST_F(GlContextTest, EachFailingStepPrintsItsMessageAndLeavesNothingBehind) {
  const std::pair<std::function<void()>, const char*> failures[] = {
      {[] { PlatformHooks::fail_call(Call::RegisterClassExA); }, "Can't Register Window Class"},
      {[] { PlatformHooks::fail_call(Call::CreateWindowExA); }, "Window Creation Failed"},
      {[] { PlatformHooks::fail_call(Call::GetDC); }, "Cannot create Drawing Context."},
      {[] { PlatformHooks::fail_call(Call::wglCreateContext); }, "Cannot create OPENGL Context."},
      {[] { PlatformHooks::fail_call(Call::wglMakeCurrent); }, "Cannot Make Temp Context Current."},
      {[] { PlatformHooks::fail_call(Call::glewInit); }, "Glew isn't initialized."},
      {[] { PlatformHooks::set_create_context_attribs_supported(false); },
       "WGL Create Context Attrib isn't supported."},
      {[] { PlatformHooks::fail_call(Call::wglCreateContextAttribsARB, 0, 2); },
       "OpenGL 4.1/3.2 Ctx can't be initialized."},
      {[] { PlatformHooks::fail_call(Call::glewInit, 1); }, "Core Profile Glew isn't initialized."},
  };
  for (const auto& [fail, message] : failures) {
    PlatformHooks::reset();
    fail();
    testing::internal::CaptureStdout();
    run_on_new_thread([this] {
      EXPECT_EQ(create_gl_context(), nullptr);
      expect_same(PlatformHooks::live_objects(), baseline_);
      EXPECT_EQ(wglGetCurrentContext(), nullptr);
    });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(message) + "\n");
  }
}

TEST_F(GlContextTest, MakeCurrentAndDeletionFailuresAreReportedAndGoOn) {
  run_on_new_thread([] {
    auto context = create_gl_context();
    ASSERT_NE(context, nullptr);
    make_gl_context_current(nullptr);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    PlatformHooks::fail_call(Call::wglMakeCurrent);
    testing::internal::CaptureStdout();
    make_gl_context_current(context.get());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Cannot Set OpenGL Context\n");
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    make_gl_context_current(context.get());
    EXPECT_EQ(wglGetCurrentContext(), context->context);

    // Destruction releases every other part all the same.
    HGLRC kept = context->context;
    PlatformHooks::fail_call(Call::wglDeleteContext);
    testing::internal::CaptureStdout();
    destroy_gl_context(context.get());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "GL Context Destruction Failed\n");
    EXPECT_EQ(context->context, nullptr);
    EXPECT_EQ(context->device_context, nullptr);
    EXPECT_EQ(context->window, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_TRUE(wglDeleteContext(kept));
  });
}

TEST_F(GlContextTest, ContextsMadeWhileOtherThreadsTearDownAllSucceed) {
  // Each teardown unregisters the shared window class; a creation on another
  // thread must never find it gone between registering and making its window.
  constexpr int thread_count = 4;
  constexpr int rounds = 12;
  std::vector<int> failures(thread_count, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < thread_count; ++t) {
    threads.emplace_back([&failures, t] {
      for (int round = 0; round < rounds; ++round) {
        if (!create_gl_context()) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(thread_count, 0));
}

}  // namespace
