// The per-thread render state: made once per thread with every program (on
// a 4.1 or a 3.2 context), one per thread and kept apart per path, tried once
// when the context cannot be made, and released when the thread ends. Each
// case runs on a thread of its own, which starts without state. (Eight
// threads rendering side by side: the stress test.)

#include "renderer/render_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <latch>
#include <thread>
#include <vector>

#include "platform/win32_hooks.h"

namespace {

using Call = PlatformHooks::Call;
using LiveObjects = PlatformHooks::LiveObjects;

bool same(const LiveObjects& a, const LiveObjects& b) {
  return a.classes == b.classes && a.windows == b.windows &&
         a.device_contexts == b.device_contexts && a.contexts == b.contexts;
}

class RenderState : public ::testing::Test {
 protected:
  void SetUp() override {
    PlatformHooks::reset();
    baseline_ = PlatformHooks::live_objects();
  }
  void TearDown() override {
    PlatformHooks::reset();
    EXPECT_TRUE(same(PlatformHooks::live_objects(), baseline_));
  }

  LiveObjects baseline_;
};

TEST_F(RenderState, FirstEnsureBuildsEverythingAndLaterOnesNothing) {
  // On a driver without a 4.1 core context the state is built on a 3.2 one.
  for (const bool old_driver : {false, true}) {
    SCOPED_TRACE(old_driver ? "driver without 4.1 core" : "current driver");
    PlatformHooks::reset();
    if (old_driver) PlatformHooks::set_max_core_version(3, 2);
    std::thread([old_driver] {
      LocalRenderData* data = ensure_local_render_data();
      ASSERT_NE(data, nullptr);
      EXPECT_EQ(wglGetCurrentContext(), data->context->context);
      PlatformHooks::ContextAttributes attributes;
      ASSERT_TRUE(PlatformHooks::context_attributes(data->context->context, &attributes));
      EXPECT_EQ(attributes.major * 10 + attributes.minor, old_driver ? 32 : 41);
      // Every program compiles and links on this driver.
      ASSERT_EQ(data->programs.size(), static_cast<size_t>(shader_program_count));
      for (const auto& program : data->programs) {
        GLint linked = 0;
        glGetProgramiv(program->id(), GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
      }
      EXPECT_TRUE(data->has_anisotropic);

      const int created = PlatformHooks::call_count(Call::wglCreateContext);
      const LiveObjects live = PlatformHooks::live_objects();
      wglMakeCurrent(nullptr, nullptr);
      EXPECT_EQ(ensure_local_render_data(), data);
      EXPECT_EQ(wglGetCurrentContext(), data->context->context);
      EXPECT_EQ(PlatformHooks::call_count(Call::wglCreateContext), created);
      EXPECT_TRUE(same(PlatformHooks::live_objects(), live));
    }).join();
  }
}

TEST_F(RenderState, TwoThreadsHoldDistinctContextsAndPrograms) {
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

TEST_F(RenderState, WithoutAContextTheThreadHasNoStateAndTriesOnce) {
  PlatformHooks::set_create_context_attribs_supported(false);
  testing::internal::CaptureStdout();
  std::thread([this] {
    EXPECT_EQ(ensure_local_render_data(), nullptr);
    EXPECT_TRUE(same(PlatformHooks::live_objects(), baseline_));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    // No second attempt on this thread.
    EXPECT_EQ(ensure_local_render_data(), nullptr);
    EXPECT_EQ(PlatformHooks::call_count(Call::wglCreateContext), 1);
  }).join();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "WGL Create Context Attrib isn't supported.\n");
}

// Counts program deletions through GLEW's entry point.
PFNGLDELETEPROGRAMPROC real_delete_program = nullptr;
std::vector<GLuint> deleted_programs;
void GLAPIENTRY counting_delete_program(GLuint program) {
  deleted_programs.push_back(program);
  real_delete_program(program);
}

TEST_F(RenderState, ThreadExitReleasesContextsAndPrograms) {
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
  const LiveObjects during = PlatformHooks::live_objects();
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
}

}  // namespace
