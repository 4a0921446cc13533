#include "host_support/frame_abort.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "geometry/parallel_for.h"
#include "geometry/path_grouping.h"
#include "tests/geometry/path_test_util.h"

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

// 600 rings piled on a small spot: one group, united as a tree of partial unions.
PathsD piled_rings() {
  PathsD paths;
  for (int i = 0; i < 600; ++i) {
    paths.push_back(circle_path(0.03 * (i % 40), 0.05 * (i / 40), 10.0, 24, false));
    if (i % 3 == 0) paths.push_back(circle_path(0.03 * (i % 40), 0.05 * (i / 40), 3.0, 8, true));
  }
  return paths;
}

PF_Err unite_in_frame(FrameAbort& abort, const PathsD& paths, UnitedPaths& united) {
  const FrameAbortScope scope(abort);
  return run_until_cancelled([&] { united = union_overlapping_paths(paths, false, 8); });
}

TEST(FrameAbort, UnionOfALargeGroupStopsAtEveryPoll) {
  const PathsD paths = piled_rings();
  AbortHost whole_host;
  const PF_InData whole_in = whole_host.in_data();
  FrameAbort whole_abort(&whole_in);
  UnitedPaths whole;
  ASSERT_EQ(unite_in_frame(whole_abort, paths, whole), PF_Err_NONE);
  // Between the levels of the tree at least.
  ASSERT_GE(whole_host.calls, 2);

  for (int n = 1; n <= whole_host.calls + 1; ++n) {
    SCOPED_TRACE("cancelled at poll " + std::to_string(n));
    AbortHost host{n};
    const PF_InData in = host.in_data();
    FrameAbort abort(&in);
    UnitedPaths united;
    const PF_Err err = unite_in_frame(abort, paths, united);
    // Polls within the unions come with time, so a run may poll more often than the first.
    EXPECT_EQ(err, host.calls >= n ? PF_Interrupt_CANCEL : PF_Err_NONE);
    if (err != PF_Err_NONE) {
      EXPECT_EQ(host.calls, n);
      EXPECT_TRUE(united.group_trees.empty());
    } else {
      EXPECT_EQ(united.paths, whole.paths);
    }
    for (const std::thread::id thread : host.threads) {
      EXPECT_EQ(thread, std::this_thread::get_id());
    }
  }
}

TEST(FrameAbort, UnionCancelledWhileItsLeavesAreUnited) {
  // The host's first answer is a cancel, and it is due as the unions start: the first union on
  // the frame's thread asks, and the workers stop at what it learned.
  const PathsD paths = piled_rings();
  AbortHost host{1};
  const PF_InData in = host.in_data();
  FrameAbort abort(&in);
  std::this_thread::sleep_for(FrameAbort::poll_interval + std::chrono::milliseconds(1));
  UnitedPaths united;
  EXPECT_EQ(unite_in_frame(abort, paths, united), PF_Interrupt_CANCEL);
  EXPECT_EQ(host.calls, 1);
  EXPECT_TRUE(united.group_trees.empty());
  // The next frame is whole.
  AbortHost next_host;
  const PF_InData next_in = next_host.in_data();
  FrameAbort next(&next_in);
  EXPECT_EQ(unite_in_frame(next, paths, united), PF_Err_NONE);
  EXPECT_FALSE(united.paths.empty());
}

}  // namespace
