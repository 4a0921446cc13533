#include "geometry/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "host_support/frame_abort.h"

unsigned default_geometry_threads() {
  return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

void parallel_for(size_t count, unsigned threads, size_t min_per_thread,
                  const std::function<void(size_t begin, size_t end)>& work) {
  const size_t useful = min_per_thread == 0 ? count : count / min_per_thread;
  const size_t thread_count = std::min<size_t>(std::max(threads, 1u), std::max<size_t>(useful, 1));
  if (thread_count <= 1) {
    if (count > 0) work(0, count);
    return;
  }
  // Several ranges per thread, so that a thread that drew cheap ranges takes more.
  const size_t range = std::max<size_t>(1, count / (thread_count * 8));
  std::atomic<size_t> next{0};
  std::exception_ptr failure;
  std::mutex failure_mutex;
  // A cancelled frame hands out no more ranges; only the calling thread asks the host.
  FrameAbort* const abort = current_frame_abort();
  auto run = [&] {
    try {
      for (;;) {
        if (abort != nullptr) {
          if (const PF_Err err = abort->poll_when_due()) throw FrameCancelled{err};
        }
        const size_t begin = next.fetch_add(range);
        if (begin >= count) return;
        work(begin, std::min(count, begin + range));
      }
    } catch (...) {
      const std::lock_guard lock(failure_mutex);
      if (!failure) failure = std::current_exception();
      next = count;
    }
  };
  {
    std::vector<std::jthread> helpers;
    helpers.reserve(thread_count - 1);
    for (size_t t = 1; t < thread_count; ++t) helpers.emplace_back(run);
    run();
  }
  if (failure) std::rethrow_exception(failure);
}
