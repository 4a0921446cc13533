// The sanitizers' options for a test executable built with them. The test
// environment's ASAN_OPTIONS and UBSAN_OPTIONS do not reach tests that
// gtest_discover_tests registers (it passes on only the first entry of a
// list of variables), so the executables carry them; the environment's
// still win where they reach.

extern "C" {

// Leaks are looked for; the tracking of __tls_get_addr stays off (see
// TARVOLK_TEST_ENV in the top CMakeLists.txt).
const char* __asan_default_options() {
  return "detect_odr_violation=0:detect_leaks=1:intercept_tls_get_addr=0";
}

const char* __ubsan_default_options() {
  return "print_stacktrace=1:halt_on_error=1";
}

}  // extern "C"
