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

}  // namespace simhost
