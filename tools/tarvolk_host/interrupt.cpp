#include "tools/tarvolk_host/interrupt.h"

#include <signal.h>

#include <atomic>
#include <iterator>

#include "host/replace_file.h"
#include "host/sim_host.h"

namespace cli {

namespace {

volatile std::sig_atomic_t interrupt_seen = 0;

// The processes this one started and has not yet waited for (0: a free slot).
std::atomic<pid_t> started[64];

// Only what is safe in a signal handler: atomic loads and stores, unlink,
// kill, sigaction and raise.
void end_now(int signal) {
  simhost::remove_unfinished_files();
  for (std::atomic<pid_t>& pid : started) {
    const pid_t p = pid.load();
    if (p > 0) kill(p, SIGTERM);
  }
  // The process ends by the signal, as whoever sent it expects: once this
  // handler returns, the signal it raised is delivered with the default
  // action.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(signal, &default_action, nullptr);
  raise(signal);
}

void on_interrupt(int signal) {
  if (interrupt_seen != 0) {
    end_now(signal);
    return;
  }
  interrupt_seen = 1;
  if (simhost::SimHost* host = simhost::SimHost::current()) host->request_abort();
}

}  // namespace

bool interrupted() {
  return interrupt_seen != 0;
}

void end_along_with_this_process(pid_t pid) {
  for (std::atomic<pid_t>& slot : started) {
    pid_t free_slot = 0;
    if (slot.compare_exchange_strong(free_slot, pid)) return;
  }
}

void forget_process(pid_t pid) {
  for (std::atomic<pid_t>& slot : started) {
    pid_t known = pid;
    slot.compare_exchange_strong(known, 0);
  }
}

CancelOnInterrupt::CancelOnInterrupt() {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = on_interrupt;
  sigaction(SIGINT, &action, &previous_interrupt_);
  action.sa_handler = end_now;
  sigaction(SIGTERM, &action, &previous_terminate_);
}

CancelOnInterrupt::~CancelOnInterrupt() {
  sigaction(SIGINT, &previous_interrupt_, nullptr);
  sigaction(SIGTERM, &previous_terminate_, nullptr);
}

}  // namespace cli
