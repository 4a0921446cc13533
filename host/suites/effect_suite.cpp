// "AEGP Effect Suite", versions 1, 2 and 3: giving back an AEGP effect
// reference.

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kAEGPEffectSuite;

template <int32_t V>
A_Err dispose_effect(AEGP_EffectRefH effect) {
  HostCall call(suite_name, V, "AEGP_DisposeEffect", effect);
  return dispose_object(call, effect, effect_kind);
}

template <int32_t V>
const AEGP_EffectSuite3 effect_suite = {guarded<dispose_effect<V>>};

}  // namespace

void install_effect_suite(SimHost& host) {
  register_versions<kAEGPEffectSuiteVersion1, kAEGPEffectSuiteVersion2, kAEGPEffectSuiteVersion3>(
      host, suite_name, [](auto v) { return &effect_suite<decltype(v)::value>; });
}

}  // namespace simhost
