#pragma once

// The pixels a layer shows before effects, as the host renders them for an
// effect that checks its layer out: a text layer's glyphs filled with the
// text's colour, a solid's colour over its size, the fills of a shape
// layer's contents (shape_paints.h) around the middle of the layer, where
// the contents' origin lies, or the picture a layer carries in their
// place; then the layer's masks, in mask order. Null and camera layers show
// nothing. Edges are anti-aliased; values that change over time are taken
// at the layer time asked for.

#include "host/scene/composition.h"
#include "host/scene/drawing_cancel.h"
#include "host/world.h"

namespace simhost::scene {

// Renders the part of the layer that `world` covers: its origin_x and
// origin_y place it in the layer at the downsampling; its depth (8-bit or
// float) is kept, with straight alpha. What lies outside the layer's extent
// (its size at the downsampling, rounded up) stays transparent. `cancel` is
// asked between the drawing's items (each shape item, each mask); false
// when it gave the drawing up, the world's pixels then undefined.
bool render_layer_pixels(const Layer& layer, double layer_seconds, PF_RationalScale downsample_x,
                         PF_RationalScale downsample_y, World& world);
bool render_layer_pixels(const Layer& layer, double layer_seconds, PF_RationalScale downsample_x,
                         PF_RationalScale downsample_y, World& world, DrawingCancel& cancel);

}  // namespace simhost::scene
