#pragma once

// Ctrl-C and SIGTERM while frames render.
//   - The first Ctrl-C (SIGINT) asks the frame in flight to stop: from then
//     on the host's abort callback answers "cancelled" (PF_Interrupt_CANCEL),
//     so the frame ends with 517 at the effect's next poll and the tool winds
//     down as after any failed frame, giving everything back.
//   - A second Ctrl-C, or SIGTERM, ends the process at once: it removes the
//     files it was writing (host/replace_file.h), ends the processes it
//     started (with SIGTERM, which does the same in them) and dies by the
//     signal.
// The processes that render the shares of a range have process groups of
// their own, so the terminal's Ctrl-C reaches only the process that started
// them; it asks interrupted() and passes one SIGINT on to each.

#include <sys/types.h>

#include <csignal>

namespace cli {

// Whether Ctrl-C came while a CancelOnInterrupt was in place.
bool interrupted();

// A process this one started, which ends with it when it ends at once;
// forgotten again once it has been waited for.
void end_along_with_this_process(pid_t pid);
void forget_process(pid_t pid);

// Catches SIGINT and SIGTERM for the object's life; the handlers before it
// come back after.
class CancelOnInterrupt {
 public:
  CancelOnInterrupt();
  ~CancelOnInterrupt();
  CancelOnInterrupt(const CancelOnInterrupt&) = delete;
  CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;

 private:
  struct sigaction previous_interrupt_ {};
  struct sigaction previous_terminate_ {};
};

}  // namespace cli
