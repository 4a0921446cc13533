#include "renderer/render_state.h"

#include <algorithm>
#include <mutex>

namespace {

// One per path and thread; the thread-exit destructor releases the record.
struct RenderDataSlot {
  LocalRenderData* record = nullptr;
  ~RenderDataSlot() {
    release_local_render_data(record);
    record = nullptr;
  }
};

thread_local RenderDataSlot local_render_data;
thread_local RenderDataSlot thread_gl_state;

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

LocalRenderData* ensure_local_render_data() {
  static std::mutex local_render_data_mutex;
  return ensure(local_render_data, local_render_data_mutex);
}

LocalRenderData* ensure_thread_gl_state() {
  static std::mutex thread_gl_state_mutex;
  return ensure(thread_gl_state, thread_gl_state_mutex);
}

void release_local_render_data(LocalRenderData* record) {
  if (record == nullptr) return;
  if (record->context && record->context->context != nullptr) {
    make_gl_context_current(record->context.get());
    record->programs.clear();
    record->targets.reset();
    record->input_texture.reset();
    destroy_gl_context(record->context.get());
  }
  delete record;
}
