#pragma once

// The frame's plan as the host keeps it between smart pre-render and smart
// render: a heap PreRenderPlan handed over as pre-render data, with the
// function the host calls to destroy it.

#include "geometry/render_plan.h"

// The host's delete function for the pre-render data: destroys the plan's
// paths and frees the record. Null is ignored.
void delete_pre_render_plan(void* pre_render_data);
