#pragma once

// The simulated host's services: the basic suite with its registry of suites
// by name and version, host memory handles, the pixel-iteration suites, the
// in-data utility callbacks, pixel worlds, the accounting of everything given
// out and given back, and failures injected on request.
//
// The host's suites are plain C function tables without a context argument,
// so one SimHost is active per process at a time: the one most recently
// constructed and not yet destroyed.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

namespace simhost {

// Host calls that can be told to fail.
enum class Fail {
  NewHandle,      // host_new_handle gives null
  LockHandle,     // host_lock_handle gives null
  ResizeHandle,   // host_resize_handle gives PF_Err_OUT_OF_MEMORY
  AllocateBlock,  // AllocateBlock gives kSPOutOfMemoryError
  CheckoutParam,  // checkout_param gives PF_Err_INTERNAL_STRUCT_DAMAGED
  CheckinParam,   // checkin_param gives PF_Err_INTERNAL_STRUCT_DAMAGED
  AddParam,       // add_param gives PF_Err_OUT_OF_MEMORY
  RegisterUi,     // register_ui gives PF_Err_INTERNAL_STRUCT_DAMAGED
  Iterate,        // an iterate stops after its first row with PF_Interrupt_CANCEL
  Fill,           // fill gives PF_Err_INTERNAL_STRUCT_DAMAGED
};

enum class PixelFormat { Argb8, ArgbFloat };

// A pixel world owned by the host: 8-bit or float ARGB, top row first.
class World {
 public:
  World(A_long width, A_long height, PixelFormat format);
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  PF_EffectWorld* get() { return &world_; }
  PixelFormat format() const { return format_; }
  PF_Pixel8& pixel8(A_long x, A_long y);
  PF_PixelFloat& pixel_float(A_long x, A_long y);

 private:
  PF_EffectWorld world_{};
  PixelFormat format_;
  std::vector<unsigned char> bytes_;
};

class SimHost {
 public:
  SimHost();
  ~SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  // The active host, or null.
  static SimHost* current();

  SPBasicSuite* basic_suite();
  PF_UtilCallbacks* utils();

  // An in-data record with the basic suite and the utility callbacks and
  // nothing else; EffectInstance fills the rest for an effect instance.
  PF_InData make_in_data();

  // --- suites ---------------------------------------------------------------
  // Adds (or replaces) a suite that AcquireSuite hands out. The table must
  // outlive the host. Handle, Iterate8 and iterateFloat are registered at
  // construction.
  void register_suite(const std::string& name, int32_t version, const void* table);
  // The suite of that name and version cannot be acquired until cleared.
  void make_suite_missing(const std::string& name, int32_t version);

  // --- failures -------------------------------------------------------------
  // Calls of `what` fail: the first `skip` calls succeed, the next `times` fail.
  void fail(Fail what, int times = 1, int skip = 0);
  // Checkouts of this parameter index fail until cleared.
  void fail_checkout_of(PF_ParamIndex index);
  void clear_failures();
  // For the host's callbacks: whether this call of `what` is one to fail.
  bool should_fail(Fail what);
  bool should_fail_checkout_of(PF_ParamIndex index);

  // --- handles --------------------------------------------------------------
  PF_Handle new_handle(A_HandleSize size);
  void* lock_handle(PF_Handle handle);
  void unlock_handle(PF_Handle handle);
  void dispose_handle(PF_Handle handle);
  A_HandleSize handle_size(PF_Handle handle);
  PF_Err resize_handle(A_HandleSize size, PF_Handle* handle);
  bool is_live_handle(PF_Handle handle);
  int lock_count(PF_Handle handle);
  // A handle the host itself keeps (sequence data, a parameter's value) is
  // not counted as outstanding; release_handle makes it the plug-in's again.
  void keep_handle(PF_Handle handle);
  void release_handle(PF_Handle handle);
  // Reads a handle's bytes without locking it (for tests and the host).
  std::vector<unsigned char> handle_bytes(PF_Handle handle);
  // Disposes of a handle that the host keeps.
  void dispose_kept_handle(PF_Handle handle);

  // --- accounting -----------------------------------------------------------
  // Counts by kind ("handle", "suite PF Handle Suite v2", "param checkout",
  // "block", ...) of what was given out and not given back.
  std::map<std::string, long> outstanding();
  // Plug-in mistakes seen by the host (a dispose of an unknown handle, a
  // release of a suite never acquired, ...).
  std::vector<std::string> misuses();
  // Empty when everything given out was given back, no live handle is left
  // locked and no misuse was seen; otherwise one line per problem.
  std::string balance_report();
  void give(const std::string& kind);
  bool take_back(const std::string& kind);
  void misuse(const std::string& what);
  // Check-ins of parameter records that were not checked out (as after a
  // failed checkout); not a misuse, but counted.
  long stray_checkins();
  void count_stray_checkin();

  // --- blocks of the basic suite ---------------------------------------------
  SPErr allocate_block(size_t size, void** block);
  SPErr free_block(void* block);
  SPErr reallocate_block(void* block, size_t size, void** new_block);

  // --- suite calls ------------------------------------------------------------
  SPErr acquire_suite(const char* name, int32_t version, const void** suite);
  SPErr release_suite(const char* name, int32_t version);
  long acquisitions(const std::string& name, int32_t version);

 private:
  struct HandleRecord;
  struct FailPlan {
    int skip = 0;
    int times = 0;
  };

  HandleRecord* find_handle(PF_Handle handle);  // needs mutex_

  std::recursive_mutex mutex_;
  SimHost* previous_ = nullptr;
  std::map<std::pair<std::string, int32_t>, const void*> suites_;
  std::map<std::pair<std::string, int32_t>, bool> missing_suites_;
  std::map<std::pair<std::string, int32_t>, long> acquisitions_;
  std::map<Fail, FailPlan> fail_plans_;
  std::map<PF_ParamIndex, bool> failing_checkouts_;
  std::unordered_map<PF_Handle, std::unique_ptr<HandleRecord>> handles_;
  std::map<void*, size_t> blocks_;
  std::map<std::string, long> outstanding_;
  std::vector<std::string> misuses_;
  long stray_checkins_ = 0;
  SPBasicSuite basic_suite_{};
  PF_UtilCallbacks utils_{};
};

}  // namespace simhost
