#pragma once

// Runs independent pieces of one frame's geometry on a few threads that live only inside the
// call: no thread outlasts it, and nothing is left running when the module unloads.

#include <cstddef>
#include <functional>

// The threads a frame's geometry uses by default: the machine's cores, at most 8.
unsigned default_geometry_threads();

// Calls work(begin, end) for consecutive ranges that together cover [0, count), on up to
// `threads` threads (the calling thread among them), and returns when all are done. Ranges are
// handed out in order as threads become free; each index is in exactly one range. With one
// thread, or fewer than `min_per_thread` indices per extra thread, everything runs on the
// calling thread as one range. An exception from any range is rethrown here. Within a frame that
// the host may cancel (host_support/frame_abort.h), ranges stop being handed out once it does, and
// FrameCancelled is thrown here.
void parallel_for(size_t count, unsigned threads, size_t min_per_thread,
                  const std::function<void(size_t begin, size_t end)>& work);
