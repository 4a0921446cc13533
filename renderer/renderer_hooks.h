#pragma once

// The renderer's test seams, all in one place: tests set them to reach failures and limits that
// a working GL and an ordinary machine never show. Each is process-wide and off (the product's
// behaviour) until set; nothing outside tests sets one.

#include <cstddef>
#include <cstdint>
#include <vector>

// The points at which render_layer polls GL for errors, in frame order.
enum class RenderCheck {
  input_texture,
  depth_texture,
  fill_texture,
  outline_vertex_array,
  outline_texture,
  composite_texture,
  all_objects,
  face_clear,
  face_pass,
  side_pass,
  outline_pass,
  composite_pass,
  read_back,
};

struct RendererHooks {
  // Called at each check before GL is polled; the codes it appends are reported as if GL had
  // them pending ahead of its own. Null: GL alone.
  using RenderCheckHook = void (*)(RenderCheck check, std::vector<uint32_t>& injected_errors);
  static void set_render_check_hook(RenderCheckHook hook);

  // Another memory budget for what the threads keep (renderer/kept_storage.h); 0 restores the
  // default.
  static void set_kept_storage_budget(size_t bytes);
};
