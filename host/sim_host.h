#pragma once

// The simulated host's core: the basic suite with its registry of suites by
// name and version, host memory handles and blocks, the accounting of
// everything given out and given back (suites, handles, named objects such as
// streams and paths, counted checkouts), the record of every call the host
// serves, and failures injected on request. The suites themselves live in
// host/suites/, one file per family; each serves its calls through HostCall
// (host/host_call.h) so that they are recorded and can be made to fail.
//
// The host's suites are plain C function tables without a context argument,
// so one SimHost is active per process at a time: the one most recently
// constructed and not yet destroyed.

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <typeindex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/injected_throw.h"
#include "host/world.h"
#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

namespace simhost {

// Host calls that tests often make fail, with the error each then gives.
// Any other served call can be made to fail by its function name
// (SimHost::fail_call).
enum class Fail {
  new_handle,      // host_new_handle gives null
  lock_handle,     // host_lock_handle gives null
  resize_handle,   // host_resize_handle gives PF_Err_OUT_OF_MEMORY
  allocate_block,  // allocate_block gives kSPOutOfMemoryError
  checkout_param,  // checkout_param gives PF_Err_INTERNAL_STRUCT_DAMAGED
  checkin_param,   // checkin_param gives PF_Err_INTERNAL_STRUCT_DAMAGED
  add_param,       // add_param gives PF_Err_OUT_OF_MEMORY
  register_ui,     // register_ui gives PF_Err_INTERNAL_STRUCT_DAMAGED
  iterate,         // an iterate stops after its first row with PF_Interrupt_CANCEL
  fill,            // fill gives PF_Err_INTERNAL_STRUCT_DAMAGED
};

// The function name under which a Fail kind is served and recorded.
const char* fail_function(Fail what);

// One call the host served.
struct CallRecord {
  uint64_t sequence = 0;
  std::string suite;    // registered name, or "in_data", "utils", "pre-render", ... for callbacks
  int32_t version = 0;  // 0 for callbacks
  std::string function;
  std::vector<std::string> args;  // readable: objects by name ("stream#3"), numbers, "text"
  long result = 0;
  std::string command;  // the command during which it was made, "" outside commands
  std::thread::id thread;

  // "AEGP Stream Suite v7 AEGP_DisposeStream(stream#3) -> 0 [PF_Cmd_SMART_PRE_RENDER]"
  std::string text() const;
};

// Whether a host keeps the record of the calls it serves: tests that check
// calls ask for it; a long run would hold every call of every frame.
enum class CallRecording { off, on };

class SimHost {
 public:
  explicit SimHost(CallRecording recording = CallRecording::off);
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
  // outlive the host. The suites of host/suites/ are registered at
  // construction.
  void register_suite(const std::string& name, int32_t version, const void* table);
  // The suite of that name and version cannot be acquired until cleared.
  void make_suite_missing(const std::string& name, int32_t version);
  long acquisitions(const std::string& name, int32_t version);

  // --- failures -------------------------------------------------------------
  // Calls of `what` fail: the first `skip` calls succeed, the next `times` fail.
  void fail(Fail what, int times = 1, int skip = 0);
  // Served calls of `function` (as recorded, e.g. "AEGP_GetNewStreamValue")
  // give `error`: the first `skip` calls succeed, the next `times` fail. So
  // the Nth call of a kind fails with skip = N - 1.
  void fail_call(const std::string& function, long error, int times = 1, int skip = 0);
  // The same, counting only calls made while the effect runs `command`
  // ("PF_Cmd_EVENT"): the host's own calls around it are left alone.
  void fail_call_during(const std::string& command, const std::string& function, long error,
                        int times = 1, int skip = 0);
  // Tests only, and apart from the failures above: the served call of
  // `function` made while the effect runs `command` throws InjectedThrow
  // into the plug-in instead of being served (the first `skip` such calls
  // are served, the next `times` throw), as a host that breaks the rule
  // that callbacks never throw would; a call that gives something back
  // (a release, disposal, check-in, unlock, the end of an undo group) is
  // served first and then throws, so that a second give-back of the same
  // thing shows as a misuse. The call is recorded with result -1.
  void throw_in_call_during(const std::string& command, const std::string& function, int times = 1,
                            int skip = 0);
  // The host's own work in served calls of `function` runs out of memory
  // (throws std::bad_alloc), which the call gives the plug-in as its
  // out-of-memory code; counted as fail_call counts.
  void run_out_of_memory_in(const std::string& function, int times = 1, int skip = 0);
  // Checkouts of this parameter index fail until cleared.
  void fail_checkout_of(PF_ParamIndex index);
  void clear_failures();
  // For the host's callbacks: whether this call of `what` is one to fail.
  bool should_fail(Fail what);
  bool should_fail_checkout_of(PF_ParamIndex index);
  // The error injected for this call of `function`, or 0 (HostCall asks);
  // throws std::bad_alloc where run_out_of_memory_in says so.
  long injected_failure(const std::string& function);
  // Whether this call of `function` is to throw (HostCall asks).
  bool injected_throw(const std::string& function);

  // --- handles --------------------------------------------------------------
  PF_Handle new_handle(A_HandleSize size);
  void* lock_handle(PF_Handle handle);
  void unlock_handle(PF_Handle handle);
  void dispose_handle(PF_Handle handle);
  A_HandleSize handle_size(PF_Handle handle);
  PF_Err resize_handle(A_HandleSize size, PF_Handle* handle);
  bool is_live_handle(PF_Handle handle);
  // Every handle alive, the host's own included: what a command leaves in
  // it tells a handle lost from one freed twice or left behind.
  std::size_t live_handles();
  int lock_count(PF_Handle handle);
  // The handle's number ("handle#N"), never reused: 0 once it is disposed
  // of, so a handle made later at the same address tells itself apart.
  uint64_t handle_serial(PF_Handle handle);
  // A handle the host itself keeps (sequence data, a parameter's value) is
  // not counted as outstanding; release_handle makes it the plug-in's again.
  void keep_handle(PF_Handle handle);
  void release_handle(PF_Handle handle);
  bool is_kept_handle(PF_Handle handle);
  // Reads a handle's bytes without locking it (for tests and the host).
  std::vector<unsigned char> handle_bytes(PF_Handle handle);
  // A new handle the host keeps, holding these bytes.
  PF_Handle new_kept_handle(const std::vector<unsigned char>& bytes);
  // Disposes of a handle that the host keeps.
  void dispose_kept_handle(PF_Handle handle);

  // --- objects handed out by reference --------------------------------------
  // Streams, stream values, paths, outlines, effect references and the like:
  // `ref` is the opaque reference the plug-in holds, `kind` what it is
  // ("stream", "stream value", ...) and `name` how records and reports show
  // it. Each must be given back once, as the same kind.
  void hand_out(const void* ref, const std::string& kind, const std::string& name);
  // False, and a misuse, when `ref` is not out or is out as another kind.
  bool give_back(const void* ref, const std::string& kind);
  bool is_out(const void* ref);
  // A name for a reference the host does not count (layers, compositions).
  void name_object(const void* ref, const std::string& name);
  // The name of an object that is gone, so that what comes later at its
  // address is not shown under it.
  void forget_name(const void* ref);
  // How records show a reference: its name, "handle#N", "null", or its address.
  std::string name_of(const void* ref);

  // --- accounting -----------------------------------------------------------
  // Counts by kind ("handle", "suite PF Handle Suite v2", "param checkout",
  // "stream", "block", ...) of what was given out and not given back.
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

  // --- the record of served calls ---------------------------------------------
  // Kept only while recording (CallRecording::on, or set_recording);
  // calls() and calls_of() throw std::logic_error while it is off, so that a
  // test never reads an empty record it did not ask for.
  void record_call(CallRecord record);
  std::vector<CallRecord> calls();
  // The recorded calls of one function, in order.
  std::vector<CallRecord> calls_of(const std::string& function);
  void clear_calls();
  void set_recording(bool on);
  bool recording() const { return recording_; }

  // --- the user's cancel -------------------------------------------------------
  // From now on the abort callback (in-data's inter.abort, recorded as "abort")
  // answers PF_Interrupt_CANCEL, as after the user pressed Escape. Safe to
  // call from a signal handler. Tests that want it to answer after N calls
  // use fail_call("abort", PF_Interrupt_CANCEL, times, N).
  void request_abort();
  bool abort_requested() const;

  // --- state of suite families --------------------------------------------------
  // What a suite family keeps for as long as the host lives (the Drawbot
  // images it gave out, the colour picker's scripted answers, ...): one T per
  // host, made on first use. T guards its own data against other threads.
  template <class T>
  T& family_state() {
    std::lock_guard lock(mutex_);
    std::shared_ptr<void>& state = family_states_[std::type_index(typeid(T))];
    if (!state) state = std::make_shared<T>();
    return *static_cast<T*>(state.get());
  }

  // --- blocks of the basic suite ---------------------------------------------
  SPErr allocate_block(size_t size, void** block);
  SPErr free_block(void* block);
  SPErr reallocate_block(void* block, size_t size, void** new_block);

  // --- suite calls ------------------------------------------------------------
  SPErr acquire_suite(const char* name, int32_t version, const void** suite);
  SPErr release_suite(const char* name, int32_t version);

 private:
  struct HandleRecord;
  struct FailPlan {
    long error = 0;
    int skip = 0;
    int times = 0;
    std::string command;  // empty: any
    bool out_of_memory = false;
  };
  struct OutObject {
    std::string kind;
    std::string name;
  };

  HandleRecord* find_handle(PF_Handle handle);  // needs mutex_

  std::recursive_mutex mutex_;
  SimHost* previous_ = nullptr;
  std::map<std::pair<std::string, int32_t>, const void*> suites_;
  std::map<std::pair<std::string, int32_t>, bool> missing_suites_;
  std::map<std::pair<std::string, int32_t>, long> acquisitions_;
  // Counts a call against the plan: true when it is one to act on.
  static bool plan_acts(FailPlan& plan);

  std::map<std::string, FailPlan> fail_plans_;
  std::map<std::string, FailPlan> throw_plans_;  // error unused
  std::map<PF_ParamIndex, bool> failing_checkouts_;
  std::unordered_map<PF_Handle, std::unique_ptr<HandleRecord>> handles_;
  uint64_t next_handle_number_ = 1;
  std::unordered_map<const void*, OutObject> objects_out_;
  std::unordered_map<const void*, std::string> object_names_;
  std::map<void*, size_t> blocks_;
  std::map<std::string, long> outstanding_;
  std::vector<std::string> misuses_;
  long stray_checkins_ = 0;
  std::deque<CallRecord> calls_;
  uint64_t next_call_ = 1;
  std::atomic<bool> recording_;
  std::atomic<bool> abort_requested_{false};
  static_assert(std::atomic<bool>::is_always_lock_free, "request_abort runs in signal handlers");
  SPBasicSuite basic_suite_{};
  PF_UtilCallbacks utils_{};
  std::map<std::type_index, std::shared_ptr<void>> family_states_;
};

}  // namespace simhost
