#pragma once

// The frame's plan as the host keeps it between smart pre-render and smart
// render: a heap PreRenderPlan handed over as pre-render data, with the
// function the host calls to destroy it.

#include "renderer/render_plan.h"

// Assigns `source` to `destination`, paths copied deeply (every point with its
// flag); assigning a plan to itself changes nothing.
void copy_pre_render_plan(PreRenderPlan& destination, const PreRenderPlan& source);

// The host's delete function for the pre-render data: destroys the plan's
// paths and frees the record. Null is ignored.
void delete_pre_render_plan(void* pre_render_data);
