// Context creation and the per-thread render state, each case on threads of
// its own so that every thread starts without state.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32_testing.h"
#include "renderer/render_state.h"

namespace {

using win32_testing::Call;
using win32_testing::LiveObjects;

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
    win32_testing::reset();
    baseline_ = win32_testing::live_objects();
  }
  void TearDown() override {
    win32_testing::reset();
    expect_same(win32_testing::live_objects(), baseline_);
  }

  LiveObjects baseline_;
};

TEST_F(GlContextTest, FirstEnsureBuildsEverythingAndLaterOnesNothing) {
  run_on_new_thread([] {
    LocalRenderData* data = ensure_local_render_data();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), data->context->context);
    // Every program compiles and links on this driver.
    ASSERT_EQ(data->programs.size(), static_cast<size_t>(shader_program_count));
    for (const auto& program : data->programs) {
      GLint linked = 0;
      glGetProgramiv(program->id(), GL_LINK_STATUS, &linked);
      EXPECT_EQ(linked, GL_TRUE);
    }
    // llvmpipe offers anisotropic filtering; only whole names match.
    EXPECT_TRUE(data->has_anisotropic);
    EXPECT_FALSE(current_context_has_extension("GL_EXT_texture_filter"));
    EXPECT_FALSE(current_context_has_extension("gl_ext_texture_filter_anisotropic"));
    GLint flags = 0, profile = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_NE(flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT, 0);
    EXPECT_EQ(profile, GL_CONTEXT_CORE_PROFILE_BIT);
    win32_testing::ContextAttributes attributes;
    ASSERT_TRUE(win32_testing::context_attributes(data->context->context, &attributes));
    EXPECT_EQ(attributes.major * 10 + attributes.minor, 41);

    const int created = win32_testing::call_count(Call::wglCreateContext);
    const LiveObjects live = win32_testing::live_objects();
    wglMakeCurrent(nullptr, nullptr);
    EXPECT_EQ(ensure_local_render_data(), data);
    EXPECT_EQ(wglGetCurrentContext(), data->context->context);
    EXPECT_EQ(win32_testing::call_count(Call::wglCreateContext), created);
    expect_same(win32_testing::live_objects(), live);
  });
}

TEST_F(GlContextTest, TwoThreadsHoldDistinctContextsAndPrograms) {
  LocalRenderData* records[2] = {};
  HGLRC contexts[2] = {};
  const GlProgram* programs[2] = {};
  std::latch both_made(2);
  auto body = [&](int i) {
    records[i] = ensure_local_render_data();
    if (records[i] != nullptr) {
      contexts[i] = records[i]->context->context;
      programs[i] = records[i]->programs.at(0).get();
    }
    // Both states exist at the same time.
    both_made.arrive_and_wait();
  };
  std::thread a(body, 0), b(body, 1);
  a.join();
  b.join();
  ASSERT_NE(records[0], nullptr);
  ASSERT_NE(records[1], nullptr);
  EXPECT_NE(records[0], records[1]);
  EXPECT_NE(contexts[0], contexts[1]);
  EXPECT_NE(programs[0], programs[1]);
}

TEST_F(GlContextTest, DriverWithout41CoreFallsBackTo32Core) {
  win32_testing::set_max_core_version(3, 2);
  run_on_new_thread([] {
    LocalRenderData* data = ensure_local_render_data();
    ASSERT_NE(data, nullptr);
    win32_testing::ContextAttributes attributes;
    ASSERT_TRUE(win32_testing::context_attributes(data->context->context, &attributes));
    EXPECT_EQ(attributes.major, 3);
    EXPECT_EQ(attributes.minor, 2);
    EXPECT_EQ(attributes.flags, 0);
    EXPECT_EQ(attributes.profile_mask, WGL_CONTEXT_CORE_PROFILE_BIT_ARB);
    GLint flags = -1;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    EXPECT_EQ(flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT, 0);
    EXPECT_EQ(data->programs.size(), static_cast<size_t>(shader_program_count));
  });
  EXPECT_EQ(win32_testing::call_count(Call::wglCreateContextAttribsARB), 2);
}

TEST_F(GlContextTest, WithoutCreateContextAttribsTheThreadHasNoState) {
  win32_testing::set_create_context_attribs_supported(false);
  testing::internal::CaptureStdout();
  run_on_new_thread([this] {
    EXPECT_EQ(ensure_local_render_data(), nullptr);
    // What the failed attempt made is released again at once.
    expect_same(win32_testing::live_objects(), baseline_);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    // No second attempt on this thread.
    EXPECT_EQ(ensure_local_render_data(), nullptr);
    EXPECT_EQ(win32_testing::call_count(Call::wglCreateContext), 1);
  });
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "WGL Create Context Attrib isn't supported.\n");
}

TEST_F(GlContextTest, EachFailingStepPrintsItsMessageAndLeavesNothingBehind) {
  const struct {
    Call call;
    int skip;
    int times;
    const char* message;
  } failures[] = {
      {Call::RegisterClassExA, 0, 1, "Can't Register Window Class"},
      {Call::CreateWindowExA, 0, 1, "Window Creation Failed"},
      {Call::GetDC, 0, 1, "Cannot create Drawing Context."},
      {Call::wglCreateContext, 0, 1, "Cannot create OPENGL Context."},
      {Call::wglMakeCurrent, 0, 1, "Cannot Make Temp Context Current."},
      {Call::glewInit, 0, 1, "Glew isn't initialized."},
      {Call::wglCreateContextAttribsARB, 0, 2, "OpenGL 4.1/3.2 Ctx can't be initialized."},
      {Call::glewInit, 1, 1, "Core Profile Glew isn't initialized."},
  };
  for (const auto& failure : failures) {
    win32_testing::reset();
    win32_testing::fail_call(failure.call, failure.skip, failure.times);
    testing::internal::CaptureStdout();
    run_on_new_thread([this] {
      EXPECT_EQ(create_gl_context(), nullptr);
      expect_same(win32_testing::live_objects(), baseline_);
      EXPECT_EQ(wglGetCurrentContext(), nullptr);
    });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(failure.message) + "\n");
  }
}

TEST_F(GlContextTest, MakeCurrentAndDeletionFailuresAreReportedAndGoOn) {
  run_on_new_thread([] {
    auto context = create_gl_context();
    ASSERT_NE(context, nullptr);
    make_gl_context_current(nullptr);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    win32_testing::fail_call(Call::wglMakeCurrent);
    testing::internal::CaptureStdout();
    make_gl_context_current(context.get());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Cannot Set OpenGL Context\n");
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    make_gl_context_current(context.get());
    EXPECT_EQ(wglGetCurrentContext(), context->context);

    // Destruction releases every other part all the same.
    HGLRC kept = context->context;
    win32_testing::fail_call(Call::wglDeleteContext);
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

// Counts program deletions through GLEW's entry point.
PFNGLDELETEPROGRAMPROC real_delete_program = nullptr;
std::vector<GLuint> deleted_programs;
void GLAPIENTRY counting_delete_program(GLuint program) {
  deleted_programs.push_back(program);
  real_delete_program(program);
}

TEST_F(GlContextTest, ThreadExitReleasesContextsAndPrograms) {
  std::vector<GLuint> program_ids;
  std::latch created(1), watching(1);
  std::thread worker([&] {
    // The render and params-setup paths keep separate states.
    LocalRenderData* render = ensure_local_render_data();
    LocalRenderData* params = ensure_thread_gl_state();
    if (render == nullptr || params == nullptr) {
      ADD_FAILURE() << "no state";
      created.count_down();
      return;
    }
    EXPECT_EQ(wglGetCurrentContext(), params->context->context);
    EXPECT_EQ(ensure_local_render_data(), render);
    EXPECT_EQ(wglGetCurrentContext(), render->context->context);
    for (LocalRenderData* data : {render, params}) {
      for (const auto& program : data->programs) program_ids.push_back(program->id());
    }
    created.count_down();
    watching.wait();
  });
  created.wait();
  const LiveObjects during = win32_testing::live_objects();
  EXPECT_EQ(during.contexts, baseline_.contexts + 2);
  EXPECT_EQ(during.windows, baseline_.windows + 2);
  EXPECT_GE(during.classes, 1);

  deleted_programs.clear();
  real_delete_program = glDeleteProgram;
  glDeleteProgram = counting_delete_program;
  watching.count_down();
  worker.join();
  glDeleteProgram = real_delete_program;

  std::sort(program_ids.begin(), program_ids.end());
  std::sort(deleted_programs.begin(), deleted_programs.end());
  EXPECT_EQ(program_ids.size(), 2u * shader_program_count);
  EXPECT_EQ(deleted_programs, program_ids);
  expect_same(win32_testing::live_objects(), baseline_);
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
