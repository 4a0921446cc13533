#include "tools/tarvolk_host/render_jobs.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "host/scene/composition.h"
#include "tools/tarvolk_host/interrupt.h"

extern char** environ;

namespace cli {

namespace {

constexpr const char* verb_name = "render";
constexpr const char* share_progress_word = "written";

// What one process is reckoned to hold at most: the module, its GL context
// and the host, and for each pixel of the composition the worlds a frame
// makes (input, output, the composition's frame, the renderer's targets),
// four times as much in float. Measured at 1280 x 720: 175 to 215 MB a
// process at 8 bits, about 260 MB in float; these reckon 315 and 490.
constexpr double process_base_bytes = 256.0 * 1024 * 1024;
constexpr double bytes_per_pixel_8 = 64.0;

long available_memory_bytes() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  long kilobytes = 0;
  std::string unit;
  while (meminfo >> key >> kilobytes >> unit) {
    if (key == "MemAvailable:") return kilobytes * 1024;
  }
  return 0;
}

struct Job {
  pid_t pid = -1;
  int out = -1;          // the read end of its standard output
  std::string pending;   // a line not yet complete
  bool stopped = false;  // sent its one SIGINT
  bool reaped = false;
};

// This tool's own program, the one this process runs even when a new build
// has replaced its file since.
constexpr const char* own_program = "/proc/self/exe";

// Starts one process of the range; false (and a message) when it cannot be.
bool spawn(Job& job, const std::vector<std::string>& arguments) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) {
    print_error(verb_name, "no pipe for a process: %s", std::strerror(errno));
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  // A group of its own: the terminal's Ctrl-C reaches this process alone,
  // which passes it on to each process once (a second SIGINT would end it
  // at once).
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int err = posix_spawn(&job.pid, own_program, &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (err != 0) {
    close(pipe_ends[0]);
    print_error(verb_name, "cannot start a process: %s", std::strerror(err));
    return false;
  }
  job.out = pipe_ends[0];
  end_along_with_this_process(job.pid);
  return true;
}

// A process's status as the run's; one that ended by a signal other than
// the ones that stop it has failed, and says so.
int status_of(const Job& job, int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  const int signal = WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : 0;
  if (signal == SIGINT || signal == SIGTERM) return status_cancelled;
  print_error(verb_name, "the process rendering a share of the frames (%d) ended by signal %d (%s)",
              static_cast<int>(job.pid), signal, strsignal(signal));
  return status_failed;
}

// Waits for a process that has ended or is about to.
int wait_for(Job& job) {
  int wait_status = 0;
  while (waitpid(job.pid, &wait_status, 0) < 0 && errno == EINTR) {
  }
  job.reaped = true;
  forget_process(job.pid);
  return status_of(job, wait_status);
}

}  // namespace

int default_jobs(const simhost::scene::Composition& comp, A_short bitdepth) {
  cpu_set_t cpus;
  const int cores = sched_getaffinity(0, sizeof cpus, &cpus) == 0
                        ? CPU_COUNT(&cpus)
                        : static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
  const double per_process = process_base_bytes + static_cast<double>(comp.width()) *
                                                      comp.height() * bytes_per_pixel_8 *
                                                      (bitdepth == 32 ? 4.0 : 1.0);
  const long fit = static_cast<long>(static_cast<double>(available_memory_bytes()) / per_process);
  return static_cast<int>(std::clamp<long>(std::min<long>(cores, fit), 1, max_jobs));
}

void print_share_progress(long frame, const std::string& path) {
  std::printf("%s %ld %s\n", share_progress_word, frame, path.c_str());
}

void print_frame_progress(long frame, size_t written, size_t total, double seconds,
                          const char* path) {
  std::printf("frame %ld (%zu of %zu, %.3f s): %s\n", frame, written, total, seconds, path);
}

namespace {

// The processes of one range: started, their output passed on as it comes,
// then waited for.
class RangeProcesses {
 public:
  RangeProcesses(std::array<long, 2> frames, int jobs, double frame_rate)
      : jobs_(static_cast<size_t>(jobs)),
        total_(static_cast<size_t>(frames[1] - frames[0] + 1)),
        frame_rate_(frame_rate) {}

  // A process for each share, given the render verb's arguments of
  // `options` and its share; the first that cannot be started fails the
  // run and stops those started.
  void start(const Options& options) {
    const int count = static_cast<int>(jobs_.size());
    for (int k = 0; k < count && status_ == status_ok; ++k) {
      std::vector<std::string> arguments = {"tarvolk-host", "render"};
      arguments.insert(arguments.end(), options.args.begin(), options.args.end());
      arguments.insert(arguments.end(),
                       {"--jobs", "1", "--share", std::to_string(k) + "/" + std::to_string(count),
                        "--module", options.module_path});
      if (!spawn(jobs_[static_cast<size_t>(k)], arguments)) {
        status_ = status_failed;
        stop_all();
      }
    }
  }

  // Passes the processes' lines on until each has closed its output,
  // waiting for each as it does; the first that fails stops the others, and
  // so does Ctrl-C, passed on once.
  void pump() {
    for (;;) {
      if (interrupted() && !cancel_passed_on_) {
        cancel_passed_on_ = true;
        stop_all();
      }
      std::vector<pollfd> watched;
      std::vector<Job*> owners;
      for (Job& job : jobs_) {
        if (job.out >= 0) {
          watched.push_back({job.out, POLLIN, 0});
          owners.push_back(&job);
        }
      }
      if (watched.empty()) return;
      // Woken by Ctrl-C too, or at the latest after a while to look for it.
      if (poll(watched.data(), watched.size(), 100) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      for (size_t i = 0; i < watched.size(); ++i) {
        if (watched[i].revents != 0) read_from(*owners[i]);
      }
    }
  }

  // Waits for the processes still running; the run's status.
  int reap() {
    for (Job& job : jobs_) {
      if (job.pid > 0 && !job.reaped) {
        const int ended = wait_for(job);
        if (ended != status_ok && status_ == status_ok) status_ = ended;
      }
    }
    // The processes said nothing of what they cancelled: this one speaks
    // for the range.
    if (cancel_passed_on_) {
      print_error(verb_name, "cancelled; %zu of %zu frames were written", written_, total_);
      status_ = status_cancelled;
    }
    return status_;
  }

 private:
  // Each process is stopped once, as a user's first Ctrl-C stops it; it
  // says nothing of the frame it cancels.
  void stop_all() {
    for (Job& job : jobs_) {
      if (job.pid > 0 && !job.reaped && !job.stopped) {
        job.stopped = true;
        kill(job.pid, SIGINT);
      }
    }
  }

  // What a process has read: its complete lines passed on; at the end of
  // its output, the rest, and the process waited for.
  void read_from(Job& job) {
    char buffer[4096];
    const ssize_t n = read(job.out, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return;
    if (n > 0) {
      job.pending.append(buffer, static_cast<size_t>(n));
      for (size_t end; (end = job.pending.find('\n')) != std::string::npos;) {
        tell(job.pending.substr(0, end));
        job.pending.erase(0, end + 1);
      }
      return;
    }
    // Its output ended: it has finished, or is about to.
    if (!job.pending.empty()) tell(job.pending);
    close(job.out);
    job.out = -1;
    const int ended = wait_for(job);
    if (ended != status_ok && status_ == status_ok) {
      status_ = ended;
      stop_all();
    }
  }

  // A frame a process has written as a progress line counting the frames
  // of the range; any other line as it is.
  void tell(const std::string& line) {
    long frame = 0;
    int used = 0;
    const std::string prefix = std::string(share_progress_word) + " ";
    if (line.rfind(prefix, 0) == 0 &&
        std::sscanf(line.c_str() + prefix.size(), "%ld %n", &frame, &used) == 1) {
      print_frame_progress(frame, ++written_, total_, static_cast<double>(frame) / frame_rate_,
                           line.c_str() + prefix.size() + used);
    } else {
      std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
  }

  std::vector<Job> jobs_;
  size_t total_;
  double frame_rate_;
  size_t written_ = 0;
  int status_ = status_ok;
  bool cancel_passed_on_ = false;
};

}  // namespace

int render_in_processes(const Options& options, std::array<long, 2> frames, int jobs,
                        double frame_rate) {
  RangeProcesses processes(frames, jobs, frame_rate);
  processes.start(options);
  processes.pump();
  return processes.reap();
}

}  // namespace cli
