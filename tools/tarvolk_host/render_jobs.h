#pragma once

// A frame range rendered in several processes of this tool, as a host
// renders frames in background processes. Each process is this tool run
// again with the same arguments and "--share K/N": it sets the effect up on
// its own and renders frames A+K, A+K+N, ... of the range, so that frames
// next to each other, which cost about the same, go to different processes.
// Each tells the frames it has written on its standard output, one line
// each; this process prints a progress line for each as it comes, counting
// the frames of all. The first process that fails stops the others (an
// interrupt, as a user's), and its status is the run's.

#include <array>
#include <cstddef>
#include <string>

#include "host_api/ae_effect.h"
#include "tools/tarvolk_host/cli.h"

namespace simhost::scene {
class Composition;
}

namespace cli {

constexpr int max_jobs = 64;

// Frames A+index, A+index+count, ... of a range.
struct FrameShare {
  int index = 0;
  int count = 1;
};

// The processes a range gets unless told: one a core this process may run
// on, no more than the memory now available holds at the composition's size
// and depth.
int default_jobs(const simhost::scene::Composition& comp, A_short bitdepth);

// Renders composition frames `frames` in `jobs` processes, each given the
// render verb's arguments of `options` and its share, and returns the
// status: 0 when all were written.
int render_in_processes(const Options& options, std::array<long, 2> frames, int jobs,
                        double frame_rate);

// What a process rendering a share prints once a frame's file is written.
void print_share_progress(long frame, const std::string& path);

// The line a frame of a range prints once its file is written: the frame's
// number and time, how many of the range's `total` frames are written with
// it, and its file.
void print_frame_progress(long frame, size_t written, size_t total, double seconds,
                          const char* path);

}  // namespace cli
