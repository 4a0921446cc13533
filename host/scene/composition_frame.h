#pragma once

// The composition as the host's viewer shows it at a time: its background
// colour, then every layer that shows pixels, bottom to top (the order in
// which they were added), each placed into the composition by its 2D
// transform (anchor, position, scale, rotation and its parents'). The layer
// the effect sits on shows the effect's output over the whole of its result
// rectangle, which may reach beyond the layer; every other layer shows its
// own pixels (layer_pixels.h). A 3D layer is placed by the x and y of its
// transform, as seen straight on.
//
//   const PF_LRect shown_part = scene::composition_request(comp, seconds, layer_id, settings);
//   simhost::Frame frame(instance, {.request = shown_part, .bitdepth = 8});
//   frame.run(module);
//   auto shown = scene::composition_frame(comp, seconds, layer_id, frame.output(),
//                                         {.background = scene::Color{1, 0.1, 0.1, 0.2}});

#include <functional>
#include <memory>
#include <optional>

#include "host/scene/composition.h"
#include "host/world.h"
#include "host_api/ae_effect.h"

namespace simhost::scene {

struct CompositionFrameSettings {
  // The frame's downsampling, as the effect's frame was rendered at it.
  PF_RationalScale downsample_x{1, 1};
  PF_RationalScale downsample_y{1, 1};
  PixelFormat format = PixelFormat::argb8;
  // The opaque colour under the layers (its alpha is not used); none:
  // transparent, the layers' alpha kept.
  std::optional<Color> background;
  // Asked before each layer and between the items of each layer's own
  // pixels (as SimHost::abort_requested): true gives the frame up. None:
  // never.
  std::function<bool()> cancelled;
};

// What the host asks the effect on `effect_layer` for, as it does for an
// effect whose output may grow beyond its layer: the part of the layer's
// pixel space (host space at the downsampling) that the composition's frame
// shows, the frame's rectangle mapped into the layer by the inverse of the
// layer's 2D placement, its bounding box rounded outwards. It reaches no
// further than the host's longest side beyond the layer's extent, and no
// side is longer than that (the part nearest the layer is kept); a layer
// whose placement shows nothing (scaled to nothing) is asked for its extent.
PF_LRect composition_request(const Composition& comp, double comp_seconds,
                             AEGP_LayerIDVal effect_layer,
                             const CompositionFrameSettings& settings);

// The composition's frame at the downsampling (its size rounded up), straight
// alpha. `effect_output` is the output of the effect on `effect_layer`, its
// origin placing it in the layer at the downsampling, as the frame's output
// world has it; null when the effect drew nothing. Null when `cancelled`
// gave the frame up.
std::unique_ptr<World> composition_frame(const Composition& comp, double comp_seconds,
                                         AEGP_LayerIDVal effect_layer, const World* effect_output,
                                         const CompositionFrameSettings& settings);

}  // namespace simhost::scene
