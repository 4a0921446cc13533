#pragma once

// Puts an effect instance into a scene: attached to the scene's effect layer,
// at the scene's time (the layer's own time, in frames of the composition)
// and downsampling, with the scene's parameter values.

#include "host/effect_instance.h"
#include "host/scene/scene_file.h"

namespace simhost::scene {

// The instance's parameters must be declared (params setup) first. Throws
// SceneError for a parameter the effect does not have or a value it cannot
// take, naming its place in the scene file.
void place_effect(Scene& scene, EffectInstance& instance);

// The in-data record of a command on the placed instance.
PF_InData scene_in_data(const Scene& scene, EffectInstance& instance);

}  // namespace simhost::scene
