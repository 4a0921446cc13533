#include "effect/pre_render_plan.h"

void copy_pre_render_plan(PreRenderPlan& destination, const PreRenderPlan& source) {
  if (&destination == &source) return;
  destination = source;
}

void delete_pre_render_plan(void* pre_render_data) {
  delete static_cast<PreRenderPlan*>(pre_render_data);
}
