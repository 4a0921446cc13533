// "PF ANSI Suite" v1: the C library's maths, sprintf and strcpy, each call
// recorded. sprintf writes at most the host's message length, as the utility
// callbacks' does.

#include <cmath>
#include <cstdarg>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

constexpr const char* suite_name = kPFANSISuite;
constexpr int32_t suite_version = kPFANSISuiteVersion1;

template <A_FpLong (*F)(A_FpLong)>
A_FpLong unary(const char* name, A_FpLong x) {
  HostCall call(suite_name, suite_version, name, x);
  const A_FpLong y = F(x);
  call.output(y);
  return y;
}

template <A_FpLong (*F)(A_FpLong, A_FpLong)>
A_FpLong binary(const char* name, A_FpLong x, A_FpLong y) {
  HostCall call(suite_name, suite_version, name, x, y);
  const A_FpLong z = F(x, y);
  call.output(z);
  return z;
}

#define TARVOLK_UNARY(f)                                              \
  A_FpLong ansi_##f(A_FpLong x) {                                     \
    return unary<static_cast<A_FpLong (*)(A_FpLong)>(std::f)>(#f, x); \
  }
#define TARVOLK_BINARY(f)                                                           \
  A_FpLong ansi_##f(A_FpLong x, A_FpLong y) {                                       \
    return binary<static_cast<A_FpLong (*)(A_FpLong, A_FpLong)>(std::f)>(#f, x, y); \
  }
TARVOLK_UNARY(atan)
TARVOLK_BINARY(atan2)
TARVOLK_UNARY(ceil)
TARVOLK_UNARY(cos)
TARVOLK_UNARY(exp)
TARVOLK_UNARY(fabs)
TARVOLK_UNARY(floor)
TARVOLK_BINARY(fmod)
TARVOLK_BINARY(hypot)
TARVOLK_UNARY(log)
TARVOLK_UNARY(log10)
TARVOLK_BINARY(pow)
TARVOLK_UNARY(sin)
TARVOLK_UNARY(sqrt)
TARVOLK_UNARY(tan)
TARVOLK_UNARY(asin)
TARVOLK_UNARY(acos)
#undef TARVOLK_UNARY
#undef TARVOLK_BINARY

A_long ansi_sprintf(A_char* buffer, const A_char* format, ...) {
  va_list args;
  va_start(args, format);
  A_long n = 0;
  try {
    n = serve_vsprintf(suite_name, suite_version, buffer, format, args);
  } catch (...) {  // only a test's InjectedThrow comes through
    va_end(args);
    throw;
  }
  va_end(args);
  return n;
}

A_char* ansi_strcpy(A_char* dest, const A_char* src) {
  return serve_strcpy(suite_name, suite_version, dest, src);
}

const PF_ANSICallbacksSuite1 ansi_suite = {
    guarded<ansi_atan>,   guarded<ansi_atan2>, guarded<ansi_ceil>,  guarded<ansi_cos>,
    guarded<ansi_exp>,    guarded<ansi_fabs>,  guarded<ansi_floor>, guarded<ansi_fmod>,
    guarded<ansi_hypot>,  guarded<ansi_log>,   guarded<ansi_log10>, guarded<ansi_pow>,
    guarded<ansi_sin>,    guarded<ansi_sqrt>,  guarded<ansi_tan>,   ansi_sprintf,
    guarded<ansi_strcpy>, guarded<ansi_asin>,  guarded<ansi_acos>,
};

}  // namespace

void install_ansi_suite(SimHost& host) {
  host.register_suite(kPFANSISuite, kPFANSISuiteVersion1, &ansi_suite);
}

}  // namespace simhost
