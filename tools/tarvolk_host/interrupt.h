#pragma once

// Ctrl-C while frames render: from then on the host's abort callback answers
// "cancelled" (PF_Interrupt_CANCEL), so the frame in flight ends with 517 at
// the effect's next poll and the tool winds down as after any failed frame,
// giving everything back. A second Ctrl-C ends the process at once. A
// process that shares a range out to others asks interrupted() and passes
// the cancel on to them.

#include <csignal>

namespace cli {

// Whether Ctrl-C came while a CancelOnInterrupt was in place.
bool interrupted();

// Catches SIGINT for the object's life; the handler before it comes back after.
class CancelOnInterrupt {
 public:
  CancelOnInterrupt();
  ~CancelOnInterrupt();
  CancelOnInterrupt(const CancelOnInterrupt&) = delete;
  CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;

 private:
  struct sigaction previous_ {};
};

}  // namespace cli
