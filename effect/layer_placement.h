#pragma once

// Where the pixels of the effect's layer lie. The host hands the effect the
// layer's own pixels (full size: in-data's width and height before the
// downsampling) and composites what the effect draws there with the layer's
// own transform. Text outlines and masks come in those pixels; a shape
// layer's contents have their origin in the middle of them.

#include <optional>

#include "geometry/matrix.h"
#include "host_api/aegp_suites.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/host_errors.h"
#include "host_support/matrix3.h"

// A shape layer's contents to its pixels, full size: whatever the layer's
// transform, the contents' origin is the middle of the layer.
Matrix3 shape_contents_to_layer_pixels(const PF_InData& in_data);

// The layer's own 2D placement, as 4x4 matrices for homogeneous row vectors
// (x and y move, z and w stay): its pixels (full size) to the composition,
// and back.
struct LayerPlacement {
  dmat4 to_composition;
  dmat4 to_layer;
};

// The placement at a composition time: the layer-to-world matrix restricted
// to x and y (the layer seen straight on), after a shape layer's move from
// its pixels to its contents. Reads the layer's kind and its layer-to-world
// matrix ("AEGP Layer Suite" 11 and 13) while no error is recorded. None
// when the pixels lie on the composition as they are (an unmoved layer of
// the composition's size), when the layer is scaled to nothing (it shows
// none of its pixels) or when nothing was read.
std::optional<LayerPlacement> read_layer_placement(const PF_InData& in_data,
                                                   AEGP_SuiteHandler& suites, HostErrors& errors,
                                                   AEGP_LayerH layer, const A_Time& comp_time);
