#pragma once

// Stopping a frame that the host no longer wants (the user pressed Escape, or went on to another
// frame). The host is asked through its abort callback of in-data (PF_ABORT) between the costly
// stages of smart pre-render and smart render, and within long loops every few milliseconds; a
// non-zero answer (PF_Interrupt_CANCEL) ends the command with that answer, everything taken
// given back.
//
// Only the thread that runs the command asks the host: a frame's geometry also runs on worker
// threads (parallel_for), which never call the host and stop at what that thread learned.
//
// The command's thread makes a FrameAbort and a FrameAbortScope over the stages. Code with an
// error code of its own polls the FrameAbort; deep loops without one call check_frame_abort
// (or its timed form), which throws FrameCancelled, and the stage that runs them converts it
// back with run_until_cancelled.
//
// Two channels run beside the parameter lists on purpose, so that the geometry's many loops
// need no abort argument and no error code:
//  - ambient: the scope makes its FrameAbort the calling thread's own, in a thread_local
//    pointer that check_frame_abort and poll_frame_abort read. A thread without a scope (a
//    worker of parallel_for, which carries the caller's FrameAbort itself, or code run outside
//    a frame) reads null and is never stopped.
//  - an exception: check_frame_abort throws FrameCancelled through code that has no error code
//    of its own; run_until_cancelled, around each such stage, turns it back into the code. No
//    FrameCancelled may leave a stage run without it.

#include <atomic>
#include <chrono>
#include <thread>

#include "host_api/ae_effect.h"

class FrameAbort {
 public:
  // A frame of `in_data`'s host; without a host, or one without an abort callback, the frame is
  // never stopped.
  explicit FrameAbort(const PF_InData* in_data);
  FrameAbort(const FrameAbort&) = delete;
  FrameAbort& operator=(const FrameAbort&) = delete;

  // Asks the host now and gives its answer. Once it answered non-zero it is not asked again and
  // that answer stays. On any other thread than the one that made the object, only the answer
  // so far.
  PF_Err poll();
  // The same when at least poll_interval has passed since the host was last asked; otherwise the
  // answer so far.
  PF_Err poll_when_due();
  // The answer so far: 0 until the host asked to stop. Any thread.
  PF_Err answer() const { return answer_.load(std::memory_order_relaxed); }

  static constexpr std::chrono::milliseconds poll_interval{10};

 private:
  PF_Err (*abort_)(PF_ProgPtr effect_ref) = nullptr;
  PF_ProgPtr effect_ref_ = nullptr;
  std::thread::id owner_;
  std::chrono::steady_clock::time_point last_asked_;
  std::atomic<PF_Err> answer_{PF_Err_NONE};
};

// Makes `abort` the calling thread's frame abort for the scope's life (the one before it after).
class FrameAbortScope {
 public:
  explicit FrameAbortScope(FrameAbort& abort);
  ~FrameAbortScope();
  FrameAbortScope(const FrameAbortScope&) = delete;
  FrameAbortScope& operator=(const FrameAbortScope&) = delete;

 private:
  FrameAbort* previous_;
};

// The calling thread's frame abort, or null outside any FrameAbortScope.
FrameAbort* current_frame_abort();

// The host's non-zero answer, thrown through stages that have no error code of their own.
struct FrameCancelled {
  PF_Err err;
};

// Between stages: throws FrameCancelled when the calling thread's frame abort answers non-zero
// (asking the host now). Nothing outside a FrameAbortScope.
void check_frame_abort();
// Within long loops: the same, asking the host only when due.
void check_frame_abort_when_due();
// The code forms of the above, for code that keeps an error code: the answer, or 0.
PF_Err poll_frame_abort();
PF_Err poll_frame_abort_when_due();

// Runs `stage`; a FrameCancelled out of it becomes its code.
template <class Stage>
PF_Err run_until_cancelled(Stage&& stage) {
  try {
    stage();
  } catch (const FrameCancelled& cancelled) {
    return cancelled.err;
  }
  return PF_Err_NONE;
}
