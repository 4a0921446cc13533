#include "host/sim_host.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>

namespace simhost {

namespace {

std::atomic<SimHost*> active_host{nullptr};

// Fresh host memory is not zeroed: a plug-in that relies on zeroed memory
// shows up in tests.
constexpr unsigned char kFreshByte = 0xA5;

std::string suite_kind(const std::string& name, int32_t version) {
  return "suite " + name + " v" + std::to_string(version);
}

// --- basic suite -------------------------------------------------------------

SPErr sp_acquire_suite(const char* name, int32_t version, const void** suite) {
  SimHost* host = SimHost::current();
  if (host == nullptr) return kSPBadParameterError;
  return host->acquire_suite(name, version, suite);
}

SPErr sp_release_suite(const char* name, int32_t version) {
  SimHost* host = SimHost::current();
  if (host == nullptr) return kSPBadParameterError;
  return host->release_suite(name, version);
}

SPBoolean sp_is_equal(const char* a, const char* b) {
  return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

SPErr sp_allocate_block(size_t size, void** block) {
  SimHost* host = SimHost::current();
  if (host == nullptr) return kSPBadParameterError;
  return host->allocate_block(size, block);
}

SPErr sp_free_block(void* block) {
  SimHost* host = SimHost::current();
  if (host == nullptr) return kSPBadParameterError;
  return host->free_block(block);
}

SPErr sp_reallocate_block(void* block, size_t size, void** new_block) {
  SimHost* host = SimHost::current();
  if (host == nullptr) return kSPBadParameterError;
  return host->reallocate_block(block, size, new_block);
}

SPErr sp_undefined() {
  return kSPNoError;
}

// --- handles -----------------------------------------------------------------

PF_Handle cb_new_handle(A_HandleSize size) {
  SimHost* host = SimHost::current();
  return host ? host->new_handle(size) : nullptr;
}

void* cb_lock_handle(PF_Handle handle) {
  SimHost* host = SimHost::current();
  return host ? host->lock_handle(handle) : nullptr;
}

void cb_unlock_handle(PF_Handle handle) {
  if (SimHost* host = SimHost::current()) host->unlock_handle(handle);
}

void cb_dispose_handle(PF_Handle handle) {
  if (SimHost* host = SimHost::current()) host->dispose_handle(handle);
}

A_HandleSize cb_get_handle_size(PF_Handle handle) {
  SimHost* host = SimHost::current();
  return host ? host->handle_size(handle) : 0;
}

PF_Err cb_resize_handle(A_HandleSize size, PF_Handle* handle) {
  SimHost* host = SimHost::current();
  return host ? host->resize_handle(size, handle) : PF_Err_BAD_CALLBACK_PARAM;
}

const PF_HandleSuite1 handle_suite = {cb_new_handle,     cb_lock_handle,     cb_unlock_handle,
                                      cb_dispose_handle, cb_get_handle_size, cb_resize_handle};

// --- iteration ---------------------------------------------------------------

template <class Pixel>
Pixel* pixel_at(PF_EffectWorld* world, A_long x, A_long y) {
  auto* row =
      static_cast<unsigned char*>(world->data) + static_cast<std::ptrdiff_t>(y) * world->rowbytes;
  return reinterpret_cast<Pixel*>(row) + x;
}

// The area (the whole world when null) cut to the world's bounds.
PF_Rect clip_to_world(const PF_Rect* area, const PF_EffectWorld* world) {
  PF_Rect r = {0, 0, world->width, world->height};
  if (area != nullptr) {
    r.left = std::max(area->left, A_long{0});
    r.top = std::max(area->top, A_long{0});
    r.right = std::min(area->right, world->width);
    r.bottom = std::min(area->bottom, world->height);
  }
  return r;
}

bool world_is_usable(const PF_EffectWorld* world, bool is_float) {
  return world != nullptr && world->data != nullptr && world->width >= 0 && world->height >= 0 &&
         ((world->world_flags & PF_WorldFlag_FLOAT) != 0) == is_float;
}

// Calls `pix_fn` for every pixel of the area, with the rows split over a few
// threads as a real host does.
template <class Pixel, class Func>
PF_Err iterate_world(PF_EffectWorld* src, const PF_Rect* area, void* refcon, Func pix_fn,
                     PF_EffectWorld* dst, bool is_float) {
  SimHost* host = SimHost::current();
  if (host == nullptr || pix_fn == nullptr || !world_is_usable(dst, is_float)) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  if (src != nullptr &&
      (!world_is_usable(src, is_float) || src->width < dst->width || src->height < dst->height)) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PF_Rect r = clip_to_world(area, dst);
  if (r.left >= r.right || r.top >= r.bottom) return PF_Err_NONE;

  PF_Err cancel = PF_Err_NONE;
  A_long bottom = r.bottom;
  if (host->should_fail(Fail::Iterate)) {
    bottom = r.top + 1;
    cancel = PF_Interrupt_CANCEL;
  }

  std::atomic<PF_Err> first_error{PF_Err_NONE};
  auto run_rows = [&](A_long y0, A_long y1) {
    for (A_long y = y0; y < y1; ++y) {
      if (first_error.load(std::memory_order_relaxed) != PF_Err_NONE) return;
      for (A_long x = r.left; x < r.right; ++x) {
        Pixel* out = pixel_at<Pixel>(dst, x, y);
        Pixel* in = src != nullptr ? pixel_at<Pixel>(src, x, y) : out;
        PF_Err err = pix_fn(refcon, x, y, in, out);
        if (err != PF_Err_NONE) {
          PF_Err expected = PF_Err_NONE;
          first_error.compare_exchange_strong(expected, err);
          return;
        }
      }
    }
  };

  const A_long rows = bottom - r.top;
  const A_long workers = std::min<A_long>(4, rows);
  if (workers <= 1) {
    run_rows(r.top, bottom);
  } else {
    std::vector<std::thread> threads;
    const A_long per = (rows + workers - 1) / workers;
    for (A_long y = r.top; y < bottom; y += per) {
      threads.emplace_back(run_rows, y, std::min(bottom, y + per));
    }
    for (std::thread& t : threads) t.join();
  }
  PF_Err err = first_error.load();
  return err != PF_Err_NONE ? err : cancel;
}

PF_Err cb_iterate8(PF_InData*, A_long, A_long, PF_EffectWorld* src, const PF_Rect* area,
                   void* refcon, PF_IteratePixel8Func pix_fn, PF_EffectWorld* dst) {
  return iterate_world<PF_Pixel8>(src, area, refcon, pix_fn, dst, false);
}

PF_Err cb_iterate_float(PF_InData*, A_long, A_long, PF_EffectWorld* src, const PF_Rect* area,
                        void* refcon, PF_IteratePixelFloatFunc pix_fn, PF_EffectWorld* dst) {
  return iterate_world<PF_PixelFloat>(src, area, refcon, pix_fn, dst, true);
}

const PF_Iterate8Suite1 iterate8_suite = {cb_iterate8};
const PF_iterateFloatSuite1 iterate_float_suite = {cb_iterate_float};

// --- utility callbacks -------------------------------------------------------

PF_Err cb_fill(PF_ProgPtr, const PF_Pixel* color, const PF_Rect* rect, PF_EffectWorld* world) {
  SimHost* host = SimHost::current();
  if (host == nullptr || world == nullptr || world->data == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  if (host->should_fail(Fail::Fill)) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  const PF_Pixel c = color != nullptr ? *color : PF_Pixel{0, 0, 0, 0};
  const PF_Rect r = clip_to_world(rect, world);
  for (A_long y = r.top; y < r.bottom; ++y) {
    for (A_long x = r.left; x < r.right; ++x) {
      if (world->world_flags & PF_WorldFlag_FLOAT) {
        *pixel_at<PF_PixelFloat>(world, x, y) = {c.alpha / 255.0f, c.red / 255.0f, c.green / 255.0f,
                                                 c.blue / 255.0f};
      } else if (world->world_flags & PF_WorldFlag_DEEP) {
        auto deep = [](A_u_char v) { return static_cast<A_u_short>((v * 32768 + 127) / 255); };
        *pixel_at<PF_Pixel16>(world, x, y) = {deep(c.alpha), deep(c.red), deep(c.green),
                                              deep(c.blue)};
      } else {
        *pixel_at<PF_Pixel8>(world, x, y) = c;
      }
    }
  }
  return PF_Err_NONE;
}

// The host's message buffers hold PF_MAX_EFFECT_MSG_LEN characters; longer
// texts are cut there rather than written past the buffer.
A_long cb_sprintf(A_char* buffer, const A_char* format, ...) {
  if (buffer == nullptr || format == nullptr) return 0;
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, PF_MAX_EFFECT_MSG_LEN + 1, format, args);
  va_end(args);
  return std::min(n, PF_MAX_EFFECT_MSG_LEN);
}

A_char* cb_strcpy(A_char* dest, const A_char* src) {
  if (dest == nullptr || src == nullptr) return dest;
  return std::strcpy(dest, src);
}

}  // namespace

// --- World ---------------------------------------------------------------------

World::World(A_long width, A_long height, PixelFormat format) : format_(format) {
  if (width < 0 || height < 0) throw std::invalid_argument("negative world size");
  const A_long pixel_size = format == PixelFormat::ArgbFloat ? 16 : 4;
  world_.width = width;
  world_.height = height;
  world_.rowbytes = width * pixel_size;
  bytes_.assign(static_cast<size_t>(world_.rowbytes) * height + 1, 0);
  world_.data = bytes_.data();
  world_.world_flags =
      PF_WorldFlag_WRITEABLE | (format == PixelFormat::ArgbFloat ? PF_WorldFlag_FLOAT : 0);
  world_.extent_hint = {0, 0, width, height};
  world_.pix_aspect_ratio = {1, 1};
}

PF_Pixel8& World::pixel8(A_long x, A_long y) {
  if (format_ != PixelFormat::Argb8) throw std::logic_error("not an 8-bit world");
  return *pixel_at<PF_Pixel8>(&world_, x, y);
}

PF_PixelFloat& World::pixel_float(A_long x, A_long y) {
  if (format_ != PixelFormat::ArgbFloat) throw std::logic_error("not a float world");
  return *pixel_at<PF_PixelFloat>(&world_, x, y);
}

// --- SimHost -------------------------------------------------------------------

struct SimHost::HandleRecord {
  void* data = nullptr;  // first member: the PF_Handle points here
  A_HandleSize size = 0;
  int locks = 0;
  bool kept = false;
};

SimHost::SimHost() {
  basic_suite_ = {sp_acquire_suite, sp_release_suite,    sp_is_equal, sp_allocate_block,
                  sp_free_block,    sp_reallocate_block, sp_undefined};
  utils_.fill = cb_fill;
  utils_.host_new_handle = cb_new_handle;
  utils_.host_lock_handle = cb_lock_handle;
  utils_.host_unlock_handle = cb_unlock_handle;
  utils_.host_dispose_handle = cb_dispose_handle;
  utils_.host_get_handle_size = cb_get_handle_size;
  utils_.host_resize_handle = cb_resize_handle;
  utils_.ansi.sprintf = cb_sprintf;
  utils_.ansi.strcpy = cb_strcpy;
  register_suite(kPFHandleSuite, kPFHandleSuiteVersion1, &handle_suite);
  register_suite(kPFIterate8Suite, kPFIterate8SuiteVersion1, &iterate8_suite);
  register_suite(kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1, &iterate_float_suite);
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

void SimHost::fail(Fail what, int times, int skip) {
  std::lock_guard lock(mutex_);
  fail_plans_[what] = {skip, times};
}

void SimHost::fail_checkout_of(PF_ParamIndex index) {
  std::lock_guard lock(mutex_);
  failing_checkouts_[index] = true;
}

void SimHost::clear_failures() {
  std::lock_guard lock(mutex_);
  fail_plans_.clear();
  failing_checkouts_.clear();
  missing_suites_.clear();
}

bool SimHost::should_fail(Fail what) {
  std::lock_guard lock(mutex_);
  auto it = fail_plans_.find(what);
  if (it == fail_plans_.end()) return false;
  FailPlan& plan = it->second;
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

bool SimHost::should_fail_checkout_of(PF_ParamIndex index) {
  std::lock_guard lock(mutex_);
  return failing_checkouts_.count(index) != 0;
}

SimHost::HandleRecord* SimHost::find_handle(PF_Handle handle) {
  auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : it->second.get();
}

PF_Handle SimHost::new_handle(A_HandleSize size) {
  if (should_fail(Fail::NewHandle)) return nullptr;
  auto record = std::make_unique<HandleRecord>();
  record->data = std::malloc(std::max<A_HandleSize>(size, 1));
  if (record->data == nullptr) return nullptr;
  std::memset(record->data, kFreshByte, std::max<A_HandleSize>(size, 1));
  record->size = size;
  PF_Handle handle = &record->data;
  std::lock_guard lock(mutex_);
  handles_.emplace(handle, std::move(record));
  return handle;
}

void* SimHost::lock_handle(PF_Handle handle) {
  if (should_fail(Fail::LockHandle)) return nullptr;
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
  if (should_fail(Fail::ResizeHandle)) return PF_Err_OUT_OF_MEMORY;
  std::lock_guard lock(mutex_);
  HandleRecord* record = find_handle(*handle);
  if (record == nullptr) {
    misuse("resize of an unknown handle");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  void* data = std::realloc(record->data, std::max<A_HandleSize>(size, 1));
  if (data == nullptr) return PF_Err_OUT_OF_MEMORY;
  if (size > record->size) {
    std::memset(static_cast<unsigned char*>(data) + record->size, kFreshByte, size - record->size);
  }
  record->data = data;
  record->size = size;
  return PF_Err_NONE;
}

bool SimHost::is_live_handle(PF_Handle handle) {
  std::lock_guard lock(mutex_);
  return find_handle(handle) != nullptr;
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

SPErr SimHost::allocate_block(size_t size, void** block) {
  if (block == nullptr) return kSPBadParameterError;
  *block = nullptr;
  if (should_fail(Fail::AllocateBlock)) return kSPOutOfMemoryError;
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
  long locked = 0;
  for (const auto& [handle, record] : handles_) {
    if (record->locks > 0) ++locked;
  }
  if (locked != 0) report += std::to_string(locked) + " x handle left locked\n";
  for (const std::string& what : misuses_) report += "misuse: " + what + "\n";
  return report;
}

}  // namespace simhost
