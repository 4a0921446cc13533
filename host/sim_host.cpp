#include "host/sim_host.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

std::atomic<SimHost*> active_host{nullptr};

// Fresh host memory is not zeroed: a plug-in that relies on zeroed memory
// shows up in tests.
constexpr unsigned char fresh_byte = 0xA5;

// Enough for any one test or frame.
constexpr size_t max_recorded_calls = 200000;

std::string suite_kind(const std::string& name, int32_t version) {
  return "suite " + name + " v" + std::to_string(version);
}

// --- basic suite -------------------------------------------------------------

constexpr const char* basic_suite_name = "SPBasicSuite";

SPErr sp_acquire_suite(const char* name, int32_t version, const void** suite) {
  HostCall call(basic_suite_name, 0, "AcquireSuite", name, version);
  if (call.host() == nullptr) return call.result(kSPBadParameterError);
  return call.result(call.host()->acquire_suite(name, version, suite));
}

SPErr sp_release_suite(const char* name, int32_t version) {
  HostCall call(basic_suite_name, 0, "ReleaseSuite", name, version);
  if (call.host() == nullptr) return call.result(kSPBadParameterError);
  return call.result(call.host()->release_suite(name, version));
}

SPBoolean sp_is_equal(const char* a, const char* b) {
  return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

SPErr sp_allocate_block(size_t size, void** block) {
  HostCall call(basic_suite_name, 0, "AllocateBlock", size);
  if (call.host() == nullptr) return call.result(kSPBadParameterError);
  if (block != nullptr) *block = nullptr;
  if (long err = call.injected()) return call.result(static_cast<SPErr>(err));
  return call.result(call.host()->allocate_block(size, block));
}

SPErr sp_free_block(void* block) {
  HostCall call(basic_suite_name, 0, "FreeBlock", block);
  if (call.host() == nullptr) return call.result(kSPBadParameterError);
  return call.result(call.host()->free_block(block));
}

SPErr sp_reallocate_block(void* block, size_t size, void** new_block) {
  HostCall call(basic_suite_name, 0, "ReallocateBlock", block, size);
  if (call.host() == nullptr) return call.result(kSPBadParameterError);
  return call.result(call.host()->reallocate_block(block, size, new_block));
}

SPErr sp_undefined() {
  return kSPNoError;
}

}  // namespace

namespace {

// What each Fail kind names: the function served and the error it gives, in
// the order of Fail.
struct FailKind {
  const char* function;
  long error;
};
constexpr FailKind fail_kinds[] = {
    {"host_new_handle", PF_Err_OUT_OF_MEMORY},
    {"host_lock_handle", PF_Err_OUT_OF_MEMORY},
    {"host_resize_handle", PF_Err_OUT_OF_MEMORY},
    {"AllocateBlock", kSPOutOfMemoryError},
    {"checkout_param", PF_Err_INTERNAL_STRUCT_DAMAGED},
    {"checkin_param", PF_Err_INTERNAL_STRUCT_DAMAGED},
    {"add_param", PF_Err_OUT_OF_MEMORY},
    {"register_ui", PF_Err_INTERNAL_STRUCT_DAMAGED},
    {"iterate", PF_Interrupt_CANCEL},
    {"fill", PF_Err_INTERNAL_STRUCT_DAMAGED},
};
static_assert(std::size(fail_kinds) == static_cast<size_t>(Fail::fill) + 1);

FailKind fail_kind(Fail what) {
  const auto index = static_cast<size_t>(what);
  return index < std::size(fail_kinds) ? fail_kinds[index]
                                       : FailKind{"", PF_Err_INTERNAL_STRUCT_DAMAGED};
}

}  // namespace

const char* fail_function(Fail what) {
  return fail_kind(what).function;
}

std::string CallRecord::text() const {
  std::string line = suite;
  if (version != 0) line += " v" + std::to_string(version);
  line += " " + function + "(";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i != 0) line += ", ";
    line += args[i];
  }
  line += ") -> " + std::to_string(result);
  if (!command.empty()) line += " [" + command + "]";
  return line;
}

// --- SimHost -------------------------------------------------------------------

struct SimHost::HandleRecord {
  void* data = nullptr;  // first member: the PF_Handle points here
  A_HandleSize size = 0;
  int locks = 0;
  bool kept = false;
  uint64_t number = 0;
};

SimHost::SimHost(CallRecording recording) : recording_(recording == CallRecording::on) {
  basic_suite_ = {guarded<sp_acquire_suite, sp_thrown>, guarded<sp_release_suite, sp_thrown>,
                  guarded<sp_is_equal, sp_thrown>,      guarded<sp_allocate_block, sp_thrown>,
                  guarded<sp_free_block, sp_thrown>,    guarded<sp_reallocate_block, sp_thrown>,
                  guarded<sp_undefined, sp_thrown>};
  install_utility_callbacks(utils_);
  install_suites(*this);
  previous_ = active_host.exchange(this);
}

SimHost::~SimHost() {
  active_host.store(previous_);
  for (auto& [handle, record] : handles_) std::free(record->data);
  for (auto& [block, size] : blocks_) std::free(block);
}

SimHost* SimHost::current() {
  return active_host.load();
}

SPBasicSuite* SimHost::basic_suite() {
  return &basic_suite_;
}
PF_UtilCallbacks* SimHost::utils() {
  return &utils_;
}

PF_InData SimHost::make_in_data() {
  PF_InData in_data{};
  in_data.utils = &utils_;
  in_data.pica_basicP = &basic_suite_;
  in_data.appl_id = PF_APPL_ID_AFTER_EFFECTS;
  in_data.version = {13, 28};
  in_data.quality = 1;
  in_data.time_step = 1;
  in_data.local_time_step = 1;
  in_data.time_scale = 24;
  in_data.downsample_x = {1, 1};
  in_data.downsample_y = {1, 1};
  in_data.pixel_aspect_ratio = {1, 1};
  return in_data;
}

// --- suites --------------------------------------------------------------------

void SimHost::register_suite(const std::string& name, int32_t version, const void* table) {
  std::lock_guard lock(mutex_);
  suites_[{name, version}] = table;
}

void SimHost::make_suite_missing(const std::string& name, int32_t version) {
  std::lock_guard lock(mutex_);
  missing_suites_[{name, version}] = true;
}

SPErr SimHost::acquire_suite(const char* name, int32_t version, const void** suite) {
  if (suite == nullptr) return kSPBadParameterError;
  *suite = nullptr;
  if (name == nullptr) return kSPBadParameterError;
  std::lock_guard lock(mutex_);
  const std::pair<std::string, int32_t> key{name, version};
  auto it = suites_.find(key);
  if (it == suites_.end() || missing_suites_.count(key) != 0) return kSPSuiteNotFoundError;
  *suite = it->second;
  ++acquisitions_[key];
  give(suite_kind(name, version));
  return kSPNoError;
}

SPErr SimHost::release_suite(const char* name, int32_t version) {
  if (name == nullptr) return kSPBadParameterError;
  std::lock_guard lock(mutex_);
  if (!take_back(suite_kind(name, version))) {
    misuse("release of " + suite_kind(name, version) + " that was not acquired");
    return kSPBadParameterError;
  }
  return kSPNoError;
}

long SimHost::acquisitions(const std::string& name, int32_t version) {
  std::lock_guard lock(mutex_);
  auto it = acquisitions_.find({name, version});
  return it == acquisitions_.end() ? 0 : it->second;
}

// --- failures ------------------------------------------------------------------

void SimHost::fail(Fail what, int times, int skip) {
  fail_call(fail_kind(what).function, fail_kind(what).error, times, skip);
}

void SimHost::fail_call(const std::string& function, long error, int times, int skip) {
  std::lock_guard lock(mutex_);
  fail_plans_[function] = {error, skip, times};
}

void SimHost::fail_call_during(const std::string& command, const std::string& function, long error,
                               int times, int skip) {
  std::lock_guard lock(mutex_);
  fail_plans_[function] = {error, skip, times, command};
}

void SimHost::throw_in_call_during(const std::string& command, const std::string& function,
                                   int times, int skip) {
  std::lock_guard lock(mutex_);
  throw_plans_[function] = {0, skip, times, command};
}

void SimHost::run_out_of_memory_in(const std::string& function, int times, int skip) {
  std::lock_guard lock(mutex_);
  fail_plans_[function] = {0, skip, times, "", true};
}

void SimHost::fail_checkout_of(PF_ParamIndex index) {
  std::lock_guard lock(mutex_);
  failing_checkouts_[index] = true;
}

void SimHost::clear_failures() {
  std::lock_guard lock(mutex_);
  fail_plans_.clear();
  throw_plans_.clear();
  failing_checkouts_.clear();
  missing_suites_.clear();
}

bool SimHost::plan_acts(FailPlan& plan) {
  if (!plan.command.empty()) {
    const char* running = CommandScope::current();
    if (running == nullptr || plan.command != running) return false;
  }
  if (plan.skip > 0) {
    --plan.skip;
    return false;
  }
  if (plan.times > 0) {
    --plan.times;
    return true;
  }
  return false;
}

long SimHost::injected_failure(const std::string& function) {
  std::lock_guard lock(mutex_);
  auto it = fail_plans_.find(function);
  if (it == fail_plans_.end() || !plan_acts(it->second)) return 0;
  if (it->second.out_of_memory) throw std::bad_alloc();
  return it->second.error;
}

bool SimHost::injected_throw(const std::string& function) {
  std::lock_guard lock(mutex_);
  auto it = throw_plans_.find(function);
  return it != throw_plans_.end() && plan_acts(it->second);
}

bool SimHost::should_fail(Fail what) {
  return injected_failure(fail_function(what)) != 0;
}

bool SimHost::should_fail_checkout_of(PF_ParamIndex index) {
  std::lock_guard lock(mutex_);
  return failing_checkouts_.count(index) != 0;
}

// --- handles -------------------------------------------------------------------

SimHost::HandleRecord* SimHost::find_handle(PF_Handle handle) {
  auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : it->second.get();
}

PF_Handle SimHost::new_handle(A_HandleSize size) {
  auto record = std::make_unique<HandleRecord>();
  record->data = std::malloc(std::max<A_HandleSize>(size, 1));
  if (record->data == nullptr) return nullptr;
  std::memset(record->data, fresh_byte, std::max<A_HandleSize>(size, 1));
  record->size = size;
  PF_Handle handle = &record->data;
  std::lock_guard lock(mutex_);
  record->number = next_handle_number_++;
  handles_.emplace(handle, std::move(record));
  return handle;
}

PF_Handle SimHost::new_kept_handle(const std::vector<unsigned char>& bytes) {
  PF_Handle handle = new_handle(bytes.size());
  if (handle == nullptr) return nullptr;
  if (!bytes.empty()) std::memcpy(*handle, bytes.data(), bytes.size());
  keep_handle(handle);
  return handle;
}

void* SimHost::lock_handle(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  HandleRecord* record = find_handle(handle);
  if (record == nullptr) {
    misuse("lock of an unknown handle");
    return nullptr;
  }
  ++record->locks;
  return record->data;
}

void SimHost::unlock_handle(PF_Handle handle) {
  if (handle == nullptr) return;
  std::lock_guard lock(mutex_);
  HandleRecord* record = find_handle(handle);
  if (record == nullptr) {
    misuse("unlock of an unknown handle");
    return;
  }
  // Unlocking an unlocked handle is harmless, as on the real host.
  if (record->locks > 0) --record->locks;
}

void SimHost::dispose_handle(PF_Handle handle) {
  if (handle == nullptr) return;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    misuse("dispose of an unknown or already disposed handle");
    return;
  }
  std::free(it->second->data);
  handles_.erase(it);
}

A_HandleSize SimHost::handle_size(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  HandleRecord* record = find_handle(handle);
  if (record == nullptr) {
    misuse("size of an unknown handle");
    return 0;
  }
  return record->size;
}

PF_Err SimHost::resize_handle(A_HandleSize size, PF_Handle* handle) {
  if (handle == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  std::lock_guard lock(mutex_);
  HandleRecord* record = find_handle(*handle);
  if (record == nullptr) {
    misuse("resize of an unknown handle");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  void* data = std::realloc(record->data, std::max<A_HandleSize>(size, 1));
  if (data == nullptr) return PF_Err_OUT_OF_MEMORY;
  if (size > record->size) {
    std::memset(static_cast<unsigned char*>(data) + record->size, fresh_byte, size - record->size);
  }
  record->data = data;
  record->size = size;
  return PF_Err_NONE;
}

bool SimHost::is_live_handle(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  return find_handle(handle) != nullptr;
}

std::size_t SimHost::live_handles() {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

uint64_t SimHost::handle_serial(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  HandleRecord* record = find_handle(handle);
  return record ? record->number : 0;
}

int SimHost::lock_count(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  HandleRecord* record = find_handle(handle);
  return record ? record->locks : 0;
}

void SimHost::keep_handle(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  if (HandleRecord* record = find_handle(handle)) record->kept = true;
}

void SimHost::release_handle(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  if (HandleRecord* record = find_handle(handle)) record->kept = false;
}

bool SimHost::is_kept_handle(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  HandleRecord* record = find_handle(handle);
  return record != nullptr && record->kept;
}

void SimHost::dispose_kept_handle(PF_Handle handle) {
  release_handle(handle);
  dispose_handle(handle);
}

std::vector<unsigned char> SimHost::handle_bytes(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  HandleRecord* record = find_handle(handle);
  if (record == nullptr) return {};
  auto* bytes = static_cast<unsigned char*>(record->data);
  return {bytes, bytes + record->size};
}

// --- objects -------------------------------------------------------------------

void SimHost::hand_out(const void* ref, const std::string& kind, const std::string& name) {
  std::lock_guard lock(mutex_);
  if (objects_out_.count(ref) != 0) misuse("host handed out " + name + " twice");
  objects_out_[ref] = {kind, name};
  give(kind);
}

bool SimHost::give_back(const void* ref, const std::string& kind) {
  std::lock_guard lock(mutex_);
  auto it = objects_out_.find(ref);
  if (it == objects_out_.end()) {
    misuse("give-back of a " + kind + " that is not out (" + name_of(ref) + ")");
    return false;
  }
  if (it->second.kind != kind) {
    misuse("give-back of " + it->second.name + " as a " + kind);
    return false;
  }
  take_back(kind);
  objects_out_.erase(it);
  return true;
}

bool SimHost::is_out(const void* ref) {
  std::lock_guard lock(mutex_);
  return objects_out_.count(ref) != 0;
}

void SimHost::name_object(const void* ref, const std::string& name) {
  std::lock_guard lock(mutex_);
  object_names_[ref] = name;
}

void SimHost::forget_name(const void* ref) {
  std::lock_guard lock(mutex_);
  object_names_.erase(ref);
}

std::string SimHost::name_of(const void* ref) {
  if (ref == nullptr) return "null";
  std::lock_guard lock(mutex_);
  if (auto it = objects_out_.find(ref); it != objects_out_.end()) return it->second.name;
  if (auto it = object_names_.find(ref); it != object_names_.end()) return it->second;
  if (HandleRecord* record = find_handle(static_cast<PF_Handle>(const_cast<void*>(ref)))) {
    return "handle#" + std::to_string(record->number);
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%p", ref);
  return buffer;
}

// --- blocks --------------------------------------------------------------------

SPErr SimHost::allocate_block(size_t size, void** block) {
  if (block == nullptr) return kSPBadParameterError;
  *block = nullptr;
  void* memory = std::malloc(std::max<size_t>(size, 1));
  if (memory == nullptr) return kSPOutOfMemoryError;
  std::lock_guard lock(mutex_);
  blocks_[memory] = size;
  *block = memory;
  return kSPNoError;
}

SPErr SimHost::free_block(void* block) {
  if (block == nullptr) return kSPNoError;
  std::lock_guard lock(mutex_);
  auto it = blocks_.find(block);
  if (it == blocks_.end()) {
    misuse("free of an unknown block");
    return kSPBadParameterError;
  }
  std::free(block);
  blocks_.erase(it);
  return kSPNoError;
}

SPErr SimHost::reallocate_block(void* block, size_t size, void** new_block) {
  if (new_block == nullptr) return kSPBadParameterError;
  if (block == nullptr) return allocate_block(size, new_block);
  std::lock_guard lock(mutex_);
  auto it = blocks_.find(block);
  if (it == blocks_.end()) {
    misuse("reallocation of an unknown block");
    return kSPBadParameterError;
  }
  void* memory = std::realloc(block, std::max<size_t>(size, 1));
  if (memory == nullptr) return kSPOutOfMemoryError;
  blocks_.erase(it);
  blocks_[memory] = size;
  *new_block = memory;
  return kSPNoError;
}

// --- accounting ----------------------------------------------------------------

void SimHost::give(const std::string& kind) {
  std::lock_guard lock(mutex_);
  ++outstanding_[kind];
}

bool SimHost::take_back(const std::string& kind) {
  std::lock_guard lock(mutex_);
  auto it = outstanding_.find(kind);
  if (it == outstanding_.end() || it->second == 0) return false;
  --it->second;
  return true;
}

void SimHost::misuse(const std::string& what) {
  std::lock_guard lock(mutex_);
  misuses_.push_back(what);
}

long SimHost::stray_checkins() {
  std::lock_guard lock(mutex_);
  return stray_checkins_;
}

void SimHost::count_stray_checkin() {
  std::lock_guard lock(mutex_);
  ++stray_checkins_;
}

std::map<std::string, long> SimHost::outstanding() {
  std::lock_guard lock(mutex_);
  std::map<std::string, long> result;
  for (const auto& [kind, count] : outstanding_) {
    if (count != 0) result[kind] = count;
  }
  long handles = 0;
  for (const auto& [handle, record] : handles_) {
    if (!record->kept) ++handles;
  }
  if (handles != 0) result["handle"] = handles;
  if (!blocks_.empty()) result["block"] = static_cast<long>(blocks_.size());
  return result;
}

std::vector<std::string> SimHost::misuses() {
  std::lock_guard lock(mutex_);
  return misuses_;
}

std::string SimHost::balance_report() {
  std::lock_guard lock(mutex_);
  std::string report;
  for (const auto& [kind, count] : outstanding()) {
    report += std::to_string(count) + " x " + kind + " not given back\n";
  }
  for (const auto& [ref, object] : objects_out_) report += "  still out: " + object.name + "\n";
  long locked = 0;
  for (const auto& [handle, record] : handles_) {
    if (record->locks > 0) ++locked;
  }
  if (locked != 0) report += std::to_string(locked) + " x handle left locked\n";
  for (const std::string& what : misuses_) report += "misuse: " + what + "\n";
  return report;
}

// --- calls ---------------------------------------------------------------------

void SimHost::record_call(CallRecord record) {
  std::lock_guard lock(mutex_);
  if (!recording_) return;
  record.sequence = next_call_++;
  if (calls_.size() == max_recorded_calls) calls_.pop_front();
  calls_.push_back(std::move(record));
}

std::vector<CallRecord> SimHost::calls() {
  std::lock_guard lock(mutex_);
  if (!recording_) throw std::logic_error("the host records no calls: ask for CallRecording::on");
  return {calls_.begin(), calls_.end()};
}

std::vector<CallRecord> SimHost::calls_of(const std::string& function) {
  std::lock_guard lock(mutex_);
  if (!recording_) throw std::logic_error("the host records no calls: ask for CallRecording::on");
  std::vector<CallRecord> result;
  for (const CallRecord& call : calls_) {
    if (call.function == function) result.push_back(call);
  }
  return result;
}

void SimHost::clear_calls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

void SimHost::set_recording(bool on) {
  std::lock_guard lock(mutex_);
  recording_ = on;
}

// --- the user's cancel -----------------------------------------------------------

void SimHost::request_abort() {
  abort_requested_.store(true);
}

bool SimHost::abort_requested() const {
  return abort_requested_.load();
}

}  // namespace simhost
