#include "effect/pre_render_plan.h"

void delete_pre_render_plan(void* pre_render_data) {
  delete static_cast<PreRenderPlan*>(pre_render_data);
}
