// "AEGP Effect Suite", versions 1, 2 and 3: giving back an AEGP effect
// reference.

#include "host/host_call.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* kSuite = kAEGPEffectSuite;

template <int32_t V>
A_Err dispose_effect(AEGP_EffectRefH effect) {
  HostCall call(kSuite, V, "AEGP_DisposeEffect", effect);
  if (call.host() == nullptr) return call.result(kAegpBadArgument);
  const bool given_back = HostObjects::instance().give_back(*call.host(), effect, kEffectKind);
  if (long err = call.injected()) return call.result(static_cast<A_Err>(err));
  return call.result(given_back ? A_Err_NONE : kAegpBadArgument);
}

template <int32_t V>
const AEGP_EffectSuite3 effect_suite = {dispose_effect<V>};

}  // namespace

void install_effect_suite(SimHost& host) {
  host.register_suite(kSuite, kAEGPEffectSuiteVersion1, &effect_suite<kAEGPEffectSuiteVersion1>);
  host.register_suite(kSuite, kAEGPEffectSuiteVersion2, &effect_suite<kAEGPEffectSuiteVersion2>);
  host.register_suite(kSuite, kAEGPEffectSuiteVersion3, &effect_suite<kAEGPEffectSuiteVersion3>);
}

}  // namespace simhost
