#pragma once

// Host callbacks as the plug-in calls them: the host's own work may throw
// (std::bad_alloc above all), but no C++ exception crosses into the
// plug-in, whose side of the interface is C. Every suite function and
// callback the host hands out is wrapped once where its table is filled:
//
//   const PF_PathQuerySuite1 path_query_suite = {guarded<num_paths>, ...};
//
// A thrown std::bad_alloc becomes the family's out-of-memory code, anything
// else its internal-error code; a call that returns a pointer gives null,
// one that returns another value gives zero, and a void call just returns.
// Only a test's InjectedThrow goes through, as it is meant to, a give-back's
// once the give-back is done.

#include <cstdint>
#include <new>
#include <type_traits>

#include "host/injected_throw.h"
#include "host_api/ae_effect.h"
#include "host_api/sp_basic_suite.h"

namespace simhost {

// The codes a call of a family returns when the host's work threw.
struct ThrownCodes {
  int32_t out_of_memory;
  int32_t other;
};
// Effect and AEGP calls (A_Err_ALLOC is PF_Err_OUT_OF_MEMORY) and the basic
// suite's calls.
inline constexpr ThrownCodes pf_thrown{PF_Err_OUT_OF_MEMORY, PF_Err_INTERNAL_STRUCT_DAMAGED};
inline constexpr ThrownCodes sp_thrown{kSPOutOfMemoryError, kSPBadParameterError};

// What a call returns instead of the exception being handled; only within
// a catch block.
template <class R, ThrownCodes Codes>
R result_of_throw() noexcept {
  if constexpr (std::is_void_v<R>) {
    return;
  } else if constexpr (std::is_same_v<R, int32_t>) {
    try {
      throw;
    } catch (const std::bad_alloc&) {
      return Codes.out_of_memory;
    } catch (...) {
      return Codes.other;
    }
  } else {
    return R{};
  }
}

template <auto Function, ThrownCodes Codes = pf_thrown>
struct Guarded;

template <class R, class... Args, R (*Function)(Args...), ThrownCodes Codes>
struct Guarded<Function, Codes> {
  static R call(Args... args) {
    CallbackRun run;
    try {
      if constexpr (std::is_void_v<R>) {
        Function(args...);
        run.throw_once_served();
      } else {
        R result = Function(args...);
        run.throw_once_served();
        return result;
      }
    } catch (const InjectedThrow&) {
      throw;
    } catch (...) {
      return result_of_throw<R, Codes>();
    }
  }
};

template <auto Function, ThrownCodes Codes = pf_thrown>
inline constexpr auto guarded = &Guarded<Function, Codes>::call;

}  // namespace simhost
