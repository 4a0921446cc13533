#include "renderer/render_state.h"

#include <algorithm>
#include <mutex>

#include "geometry/frame_geometry.h"
#include "renderer/kept_storage.h"

namespace {

// One per path and thread; the thread-exit destructor releases the record.
struct RenderDataSlot {
  LocalRenderData* record = nullptr;
  ~RenderDataSlot() {
    release_local_render_data(record);
    record = nullptr;
  }
};

// Everything the renderer keeps for a thread, in one place: a record for the render path and
// one for the params-setup path, each with its own context. (The frame's abort, which a thread
// holds only while a command runs, is host_support/frame_abort.h's.)
struct ThreadRecords {
  RenderDataSlot render;
  RenderDataSlot params_setup;
};

thread_local ThreadRecords thread_records;

// Held by every ensure call of the render path; and while one thread has another's render
// context current, so that the owner does not make it current meanwhile.
std::mutex& local_render_data_mutex() {
  static std::mutex mutex;
  return mutex;
}

// The records that keep storage, and a clock for their use; one lock for both and for each
// record's kept_bytes and last_used.
struct KeptStorageThreads {
  std::mutex mutex;
  std::vector<LocalRenderData*> records;
  uint64_t clock = 0;
};

KeptStorageThreads& kept_storage_threads() {
  static KeptStorageThreads threads;
  return threads;
}

size_t total_locked(const KeptStorageThreads& threads) {
  size_t total = 0;
  for (const LocalRenderData* record : threads.records) total += record->kept_bytes;
  return total;
}

void build_programs(LocalRenderData& record) {
  record.programs.clear();
  record.programs.reserve(shader_program_count);
  for (int index = 0; index < shader_program_count; ++index) {
    const ShaderProgramSources& sources = shader_program_sources(index);
    GlShader vertex(GL_VERTEX_SHADER);
    vertex.compile(sources.vertex);
    GlShader fragment(GL_FRAGMENT_SHADER);
    fragment.compile(sources.fragment);
    // A failed compile or link has been reported; the program is kept so
    // that the list always has every program.
    record.programs.push_back(std::make_unique<GlProgram>(vertex, fragment));
  }
}

LocalRenderData* ensure(RenderDataSlot& slot, std::mutex& mutex) {
  std::lock_guard lock(mutex);
  if (slot.record != nullptr) {
    make_gl_context_current(slot.record->context.get());
    return slot.record->context ? slot.record : nullptr;
  }
  // Stored first, so that a failed creation is not tried again.
  slot.record = new LocalRenderData();
  LocalRenderData& record = *slot.record;
  record.context = create_gl_context();
  if (!record.context) return nullptr;
  make_gl_context_current(record.context.get());
  build_programs(record);
  record.has_anisotropic = current_context_has_extension("GL_EXT_texture_filter_anisotropic");
  GLint max_texture_size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture_size);
  GLint max_viewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, max_viewport);
  record.largest_target_size = std::min({max_texture_size, max_viewport[0], max_viewport[1]});
  return &record;
}

}  // namespace

LocalRenderData::LocalRenderData() = default;
LocalRenderData::~LocalRenderData() = default;

LocalRenderData* ensure_local_render_data() {
  return ensure(thread_records.render, local_render_data_mutex());
}

LocalRenderData* ensure_thread_gl_state() {
  static std::mutex thread_gl_state_mutex;
  return ensure(thread_records.params_setup, thread_gl_state_mutex);
}

void release_local_render_data(LocalRenderData* record) {
  if (record == nullptr) return;
  {
    // No other thread reaches the record once it has left the list; one that is releasing its
    // storage now is waited for.
    KeptStorageThreads& threads = kept_storage_threads();
    std::lock_guard lock(threads.mutex);
    std::erase(threads.records, record);
  }
  if (record->context && record->context->context != nullptr) {
    make_gl_context_current(record->context.get());
    record->programs.clear();
    release_kept_storage(*record);
    destroy_gl_context(record->context.get());
  }
  delete record;
}

size_t kept_storage_bytes(const LocalRenderData& record) {
  return (record.targets ? record.targets->bytes() : 0) +
         (record.input_texture ? record.input_texture->bytes() : 0) +
         (record.geometry ? kept_geometry_bytes(*record.geometry) : 0);
}

void release_kept_storage(LocalRenderData& record) {
  record.targets.reset();
  record.input_texture.reset();
  record.geometry.reset();
}

bool make_room_for_kept_storage(LocalRenderData& self, size_t own_bytes) {
  std::lock_guard contexts_lock(local_render_data_mutex());
  KeptStorageThreads& threads = kept_storage_threads();
  std::lock_guard lock(threads.mutex);
  if (std::find(threads.records.begin(), threads.records.end(), &self) == threads.records.end()) {
    threads.records.push_back(&self);
  }
  self.kept_bytes = own_bytes;
  self.last_used = ++threads.clock;
  const size_t budget = kept_storage_budget();
  size_t total = total_locked(threads);
  if (total <= budget) return true;

  std::vector<LocalRenderData*> others;
  for (LocalRenderData* record : threads.records) {
    if (record != &self && record->kept_bytes > 0) others.push_back(record);
  }
  std::sort(others.begin(), others.end(), [](const LocalRenderData* a, const LocalRenderData* b) {
    return a->last_used < b->last_used;
  });
  bool switched = false;
  for (LocalRenderData* other : others) {
    if (total <= budget) break;
    switched = true;
    if (try_make_gl_context_current(other->context.get())) {
      release_kept_storage(*other);
      total -= other->kept_bytes;
      other->kept_bytes = 0;
    } else {
      other->release_requested = true;
    }
  }
  if (switched) make_gl_context_current(self.context.get());
  return total <= budget;
}

void settle_kept_storage(LocalRenderData& self) {
  if (make_room_for_kept_storage(self, kept_storage_bytes(self))) return;
  release_kept_storage(self);
  self.release_requested = false;
  KeptStorageThreads& threads = kept_storage_threads();
  std::lock_guard lock(threads.mutex);
  self.kept_bytes = 0;
}

size_t kept_storage_total() {
  KeptStorageThreads& threads = kept_storage_threads();
  std::lock_guard lock(threads.mutex);
  return total_locked(threads);
}
