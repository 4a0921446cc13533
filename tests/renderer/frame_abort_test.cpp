#include "renderer/frame_abort.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "renderer/parallel_for.h"

namespace {

// A host's abort callback that answers 517 from its `cancel_from`-th call on and notes the
// threads it was called from.
struct AbortHost {
  int cancel_from = 1 << 30;
  int calls = 0;
  std::vector<std::thread::id> threads;

  static PF_Err abort(PF_ProgPtr effect_ref) {
    auto* host = reinterpret_cast<AbortHost*>(effect_ref);
    host->threads.push_back(std::this_thread::get_id());
    return ++host->calls >= host->cancel_from ? PF_Interrupt_CANCEL : PF_Err_NONE;
  }
  PF_InData in_data() {
    PF_InData in{};
    in.inter.abort = abort;
    in.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    return in;
  }
};

// 400 indices of a millisecond each on 8 threads: far longer than the polling interval.
constexpr size_t indices = 400;

PF_Err run_ranges(std::atomic<size_t>& done) {
  return run_until_cancelled([&] {
    parallel_for(indices, 8, 1, [&](size_t begin, size_t end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(end - begin));
      done += end - begin;
    });
  });
}

TEST(FrameAbort, WorkersStopAtWhatTheCallingThreadLearned) {
  const struct {
    const char* what;
    bool scoped;
    bool poll_first;  // the host asked once before the ranges start
    int cancel_from;
    PF_Err result;
  } cases[] = {
      {"outside a frame", false, true, 1, PF_Err_NONE},
      {"a host that lets the frame run", true, false, 1 << 30, PF_Err_NONE},
      {"cancelled before the ranges", true, true, 1, PF_Interrupt_CANCEL},
      {"cancelled while they run", true, false, 1, PF_Interrupt_CANCEL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AbortHost host{c.cancel_from};
    const PF_InData in = host.in_data();
    FrameAbort abort(&in);
    std::atomic<size_t> done{0};
    PF_Err result = PF_Err_NONE;
    if (c.poll_first) abort.poll();
    if (c.scoped) {
      const FrameAbortScope scope(abort);
      result = run_ranges(done);
      EXPECT_EQ(current_frame_abort(), &abort);
    } else {
      result = run_ranges(done);
    }
    EXPECT_EQ(current_frame_abort(), nullptr);
    EXPECT_EQ(result, c.result);
    if (c.result == PF_Err_NONE) {
      EXPECT_EQ(done, indices);
    } else {
      EXPECT_LT(done, indices);
      // Once answered, the host is not asked again.
      EXPECT_EQ(host.calls, 1);
      EXPECT_EQ(abort.poll(), c.result);
      EXPECT_EQ(host.calls, 1);
    }
    for (const std::thread::id thread : host.threads) {
      EXPECT_EQ(thread, std::this_thread::get_id());
    }
  }
  // Without an abort callback nothing stops.
  const PF_InData none{};
  FrameAbort never(&none);
  EXPECT_EQ(never.poll(), PF_Err_NONE);
}

}  // namespace
