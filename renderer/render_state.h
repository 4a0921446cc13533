#pragma once

// The render state of a thread: its GL context, its compiled programs and
// the storage its frames keep for the next (render targets, input texture,
// mesh storage), created on the thread's first use and released when the
// thread ends.
//
// What the threads keep is held to one budget for the process
// (renderer/kept_storage.h). A thread that would take the sum beyond it
// releases other threads' storage, least recently used first. A thread can
// only delete GL objects with a context current, and a context can be
// current on one thread at a time: so the render routine lets go of its
// context when its frame ends, and the releasing thread makes the other
// thread's context current on itself, deletes that thread's storage and
// makes its own context current again. It does so holding the lock that
// every ensure call takes, so that the owner cannot take its context back
// meanwhile, and the lock of the thread list, which a thread's exit takes
// too. A context still current on its thread (in a frame, or held outside
// the render routine) cannot be taken: that thread is asked to release its
// storage at its next frame start, and a frame that still finds the sum
// beyond the budget when it ends releases its own.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "gl/gl_context.h"
#include "gl/gl_objects.h"
#include "renderer/frame_targets.h"
#include "renderer/input_texture.h"
#include "renderer/shader_programs.h"

struct FrameGeometry;

struct LocalRenderData {
  LocalRenderData();
  ~LocalRenderData();
  LocalRenderData(const LocalRenderData&) = delete;
  LocalRenderData& operator=(const LocalRenderData&) = delete;

  std::unique_ptr<GlContext> context;  // null when context creation failed
  // In ShaderProgramIndex order; empty when context creation failed.
  std::vector<std::unique_ptr<GlProgram>> programs;
  bool has_anisotropic = false;
  // The largest width or height of a render target: GL_MAX_TEXTURE_SIZE, or the
  // viewport's limit where that is smaller; read once, when the context is made.
  int32_t largest_target_size = 0;

  // Kept from one frame to the next; null when none is kept.
  // The render targets, grown when a frame needs more.
  std::unique_ptr<FrameTargets> targets;
  // The input texture, for inputs of its size.
  std::unique_ptr<InputTexture> input_texture;
  // The frame's CPU work, whose mesh storage the next frame fills again.
  std::unique_ptr<FrameGeometry> geometry;

  // Set when another thread needed this thread's kept storage released while
  // this thread's context was in use; the render routine releases it at its
  // next frame start.
  std::atomic<bool> release_requested{false};

  // The bytes the kept storage was last accounted at and when, both under the
  // lock of the thread list.
  size_t kept_bytes = 0;
  uint64_t last_used = 0;
};

// The render path's state of this thread, with its context current; null
// when the thread has no usable state (its context could not be created,
// which is tried once per thread).
LocalRenderData* ensure_local_render_data();

// The same on the params-setup path: its own slot, lock and context.
LocalRenderData* ensure_thread_gl_state();

// Thread-exit release of one slot's record: programs and kept storage deleted
// with the context current, then the context destroyed and the record freed.
void release_local_render_data(LocalRenderData* record);

// --- kept storage -----------------------------------------------------------

// Bytes of the record's kept storage: targets, input texture and meshes.
size_t kept_storage_bytes(const LocalRenderData& record);

// Deletes the record's kept storage; its context must be current on the
// calling thread.
void release_kept_storage(LocalRenderData& record);

// Accounts `own_bytes` as what `self` keeps, as most recently used, and
// releases other threads' storage, least recently used first, while the sum
// over the threads exceeds the budget. Returns whether the sum now fits.
// Needs self's context current and leaves it current.
bool make_room_for_kept_storage(LocalRenderData& self, size_t own_bytes);

// At a frame's end: accounts what `self` keeps and makes room for it; when the
// sum still exceeds the budget, self's own storage is released. Needs self's
// context current.
void settle_kept_storage(LocalRenderData& self);

// The sum over the threads of their kept storage as last accounted.
size_t kept_storage_total();
