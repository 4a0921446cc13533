#include "tools/tarvolk_host/interrupt.h"

#include "host/sim_host.h"

namespace cli {

namespace {

volatile std::sig_atomic_t interrupt_seen = 0;

// Only what is safe in a signal handler: atomic loads and stores.
void request_abort(int) {
  interrupt_seen = 1;
  if (simhost::SimHost* host = simhost::SimHost::current()) host->request_abort();
}

}  // namespace

bool interrupted() {
  return interrupt_seen != 0;
}

CancelOnInterrupt::CancelOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = request_abort;
  sigemptyset(&action.sa_mask);
  // The first Ctrl-C asks the frame to stop; the second is not caught.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, &previous_);
}

CancelOnInterrupt::~CancelOnInterrupt() {
  sigaction(SIGINT, &previous_, nullptr);
}

}  // namespace cli
