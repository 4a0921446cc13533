#pragma once

// What a shape layer's contents paint, as the host draws them: each fill
// operator fills the closed paths above it in its group and in the groups
// above it there, with its rule, colour and opacity, each group's transform
// and opacity applying to what it holds; merge operators combine the paths
// above them, and what fills above them in their group painted is gone, as
// the effect reads the same contents. Parametric shapes (rectangles, ellipses, stars), strokes and
// gradient fills are not drawn.

#include <vector>

#include "host/scene/coverage.h"
#include "host/scene/drawing_cancel.h"
#include "host/scene/streams.h"

namespace simhost::scene {

struct ShapePaint {
  Coverage coverage;
  Color color;
  double opacity = 1.0;  // 0 to 1
};

// The fills of an "ADBE Root Vectors Group" at a layer time, frontmost first
// (content order: an item above another is in front of it); `to_layer`
// puts the contents' coordinates in the layer's pixels. `cancel` is asked
// before each item; once it gives up, what is painted so far comes back.
std::vector<ShapePaint> shape_paints(const StreamNode& root_vectors_group, double layer_seconds,
                                     const Affine& to_layer, const PixelGrid& grid,
                                     DrawingCancel& cancel);

}  // namespace simhost::scene
