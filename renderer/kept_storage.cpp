#include "renderer/kept_storage.h"

#include <atomic>

#include "renderer/renderer_hooks.h"

namespace {

std::atomic<size_t> budget_override{0};

}  // namespace

size_t kept_storage_budget() {
  const size_t bytes = budget_override.load();
  return bytes != 0 ? bytes : default_kept_storage_budget;
}

void RendererHooks::set_kept_storage_budget(size_t bytes) {
  budget_override = bytes;
}
