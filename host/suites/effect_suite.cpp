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
  host.register_suite(suite_name, kAEGPEffectSuiteVersion1,
                      &effect_suite<kAEGPEffectSuiteVersion1>);
  host.register_suite(suite_name, kAEGPEffectSuiteVersion2,
                      &effect_suite<kAEGPEffectSuiteVersion2>);
  host.register_suite(suite_name, kAEGPEffectSuiteVersion3,
                      &effect_suite<kAEGPEffectSuiteVersion3>);
}

}  // namespace simhost
