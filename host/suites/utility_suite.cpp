// "AEGP Utility Suite", versions 7 and 11: undo groups, kept in the host's
// undo history (host/instance/undo_history.h).

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/instance/undo_history.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kAEGPUtilitySuite;

template <int32_t V>
A_Err start_undo_group(const A_char* undo_name) {
  HostCall call(suite_name, V, "AEGP_StartUndoGroup", undo_name);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  undo_history(*call.host()).start_group(*call.host(), undo_name);
  return call.result(A_Err_NONE);
}

// Closing a group gives it back: made to fail, it closes the group all the
// same, so that a second close shows as a misuse.
template <int32_t V>
A_Err end_undo_group() {
  HostCall call(suite_name, V, "AEGP_EndUndoGroup");
  if (call.host() == nullptr) return call.result(aegp_bad_argument);
  const bool closed = undo_history(*call.host()).end_group(*call.host());
  if (long err = call.injected()) return call.result(static_cast<A_Err>(err));
  return call.result(closed ? A_Err_NONE : aegp_bad_argument);
}

template <int32_t V>
const AEGP_UtilitySuite11 utility_suite = {guarded<start_undo_group<V>>,
                                           guarded<end_undo_group<V>>};

}  // namespace

void install_utility_suite(SimHost& host) {
  register_versions<kAEGPUtilitySuiteVersion7, kAEGPUtilitySuiteVersion11>(
      host, suite_name, [](auto v) { return &utility_suite<decltype(v)::value>; });
}

}  // namespace simhost
