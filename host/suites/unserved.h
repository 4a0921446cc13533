#pragma once

// Table entries for suite functions the effect never calls: each records its
// call like any other and answers PF_Err_INVALID_CALLBACK, so that a call
// nobody expected shows in the record instead of crashing the host.
//
//   Unserved<"DRAWBOT Path Suite", 1, "MoveTo", decltype(DRAWBOT_PathSuite1::MoveTo)>::call

#include <algorithm>
#include <cstddef>

#include "host/guarded_call.h"
#include "host/host_call.h"

namespace simhost {

template <std::size_t N>
struct LiteralName {
  constexpr LiteralName(const char (&text)[N]) { std::copy_n(text, N, chars); }
  char chars[N];
};

template <LiteralName Suite, int Version, LiteralName Function, class Pointer>
struct Unserved;

template <LiteralName Suite, int Version, LiteralName Function, class... Args>
struct Unserved<Suite, Version, Function, PF_Err (*)(Args...)> {
  static PF_Err call(Args...) {
    try {
      HostCall record(Suite.chars, Version, Function.chars);
      return record.result(PF_Err_INVALID_CALLBACK);
    } catch (const InjectedThrow&) {
      throw;  // a test's throw goes through, as everywhere
    } catch (...) {
      return result_of_throw<PF_Err, pf_thrown>();
    }
  }
};

}  // namespace simhost
