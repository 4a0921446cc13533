#include "host_support/frame_abort.h"

namespace {

thread_local FrameAbort* current_abort = nullptr;

}  // namespace

FrameAbort::FrameAbort(const PF_InData* in_data)
    : owner_(std::this_thread::get_id()), last_asked_(std::chrono::steady_clock::now()) {
  if (in_data != nullptr) {
    abort_ = in_data->inter.abort;
    effect_ref_ = in_data->effect_ref;
  }
}

PF_Err FrameAbort::poll() {
  const PF_Err seen = answer();
  if (seen != PF_Err_NONE || abort_ == nullptr || std::this_thread::get_id() != owner_) {
    return seen;
  }
  last_asked_ = std::chrono::steady_clock::now();
  const PF_Err err = abort_(effect_ref_);
  if (err != PF_Err_NONE) answer_.store(err, std::memory_order_relaxed);
  return err;
}

PF_Err FrameAbort::poll_when_due() {
  if (std::this_thread::get_id() == owner_ &&
      std::chrono::steady_clock::now() - last_asked_ >= poll_interval) {
    return poll();
  }
  return answer();
}

FrameAbortScope::FrameAbortScope(FrameAbort& abort) : previous_(current_abort) {
  current_abort = &abort;
}

FrameAbortScope::~FrameAbortScope() {
  current_abort = previous_;
}

FrameAbort* current_frame_abort() {
  return current_abort;
}

void check_frame_abort() {
  if (const PF_Err err = poll_frame_abort()) throw FrameCancelled{err};
}

void check_frame_abort_when_due() {
  if (const PF_Err err = poll_frame_abort_when_due()) throw FrameCancelled{err};
}

PF_Err poll_frame_abort() {
  return current_abort != nullptr ? current_abort->poll() : PF_Err_NONE;
}

PF_Err poll_frame_abort_when_due() {
  return current_abort != nullptr ? current_abort->poll_when_due() : PF_Err_NONE;
}
