#pragma once

// What a call made to throw (SimHost::throw_in_call_during, for tests only)
// throws into the plug-in, as a host that breaks the rule that callbacks
// never throw would. Not a std::exception, so that nothing but a catch-all
// takes it for something the host meant; the guard around every callback
// lets it through.

#include <string>

namespace simhost {

struct InjectedThrow {
  std::string function;
};

// One callback's run on this thread (guarded_call.h makes one for each).
// Callbacks nest when the host, serving one, calls the plug-in, which calls
// the host again (a check-in disposing of an arbitrary value): a give-back
// made to throw is served first and throws as its own callback returns, not
// as one within it returns.
class CallbackRun {
 public:
  CallbackRun();
  ~CallbackRun();
  CallbackRun(const CallbackRun&) = delete;
  CallbackRun& operator=(const CallbackRun&) = delete;

  // Throws the InjectedThrow of a give-back served in this run, if any.
  void throw_once_served();

 private:
  int depth_;
};

}  // namespace simhost
