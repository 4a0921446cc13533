#pragma once

// The outlines of the layer the effect is applied to, read from the host
// once per frame, in the layer's own pixels at the downsampling: the glyph
// outlines of a text layer (scaled by the downsample factors), the paths,
// fills, merges and groups of a shape layer (every group transform applied,
// the contents' origin in the middle of the layer, then scaled by the
// factors), or the masks of any other layer (as the host delivers them).
// Also the layer chosen in a layer parameter.
//
// Every host call runs only while no error is recorded and the first error
// is the result; what was taken from the host (text outlines, checked-out
// paths, streams, stream values, the AEGP effect) is given back in any case,
// and a give-back's own error counts only when none came before.

#include "geometry/source_geometry.h"
#include "host_api/ae_effect.h"
#include "host_api/aegp_suites.h"

// Smart pre-render's reading of the layer's outlines. `params` are the
// frame's parameter copies indexed by slot ("Mask Path" and "Use All Paths"
// are read); `out` is a new SourceGeometry. A suite the host does not have
// throws 516 before anything is taken from the host.
PF_Err gather_source_geometry(const PF_InData* in_data, const PF_ParamDef* params,
                              SourceGeometry& out);

// The layer chosen in the effect's layer parameter at `index` (its own value
// at time 0, expressions not applied), or null when none is chosen or it
// cannot be found. `out` is null on entry.
PF_Err layer_param_layer(const PF_InData* in_data, PF_ParamIndex index, AEGP_LayerH& out);
