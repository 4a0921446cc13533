// "PF ANSI Suite" v1: the C library's maths, sprintf and strcpy. sprintf
// writes at most the host's message length, as the utility callbacks' does.

#include <cmath>
#include <cstdarg>

#include "host/host_call.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

constexpr const char* kSuite = kPFANSISuite;
constexpr int32_t kVersion = kPFANSISuiteVersion1;

template <A_FpLong (*f)(A_FpLong)>
A_FpLong unary(A_FpLong x) {
  return f(x);
}
template <A_FpLong (*f)(A_FpLong, A_FpLong)>
A_FpLong binary(A_FpLong x, A_FpLong y) {
  return f(x, y);
}

A_long ansi_sprintf(A_char* buffer, const A_char* format, ...) {
  va_list args;
  va_start(args, format);
  const A_long n = serve_vsprintf(kSuite, kVersion, buffer, format, args);
  va_end(args);
  return n;
}

A_char* ansi_strcpy(A_char* dest, const A_char* src) {
  return serve_strcpy(kSuite, kVersion, dest, src);
}

const PF_ANSICallbacksSuite1 ansi_suite = {
    unary<std::atan>,  binary<std::atan2>, unary<std::ceil>,  unary<std::cos>,    unary<std::exp>,
    unary<std::fabs>,  unary<std::floor>,  binary<std::fmod>, binary<std::hypot>, unary<std::log>,
    unary<std::log10>, binary<std::pow>,   unary<std::sin>,   unary<std::sqrt>,   unary<std::tan>,
    ansi_sprintf,      ansi_strcpy,        unary<std::asin>,  unary<std::acos>,
};

}  // namespace

void install_ansi_suite(SimHost& host) {
  host.register_suite(kPFANSISuite, kPFANSISuiteVersion1, &ansi_suite);
}

}  // namespace simhost
