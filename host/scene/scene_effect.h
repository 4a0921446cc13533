#pragma once

// Puts an effect instance into a scene: on the scene's effect layer, with
// that layer's size and the scene's downsampling, at the scene's time (the
// layer's own time, counted in frames of the composition), and with the
// scene's parameter values.
//
//   place_effect(scene, instance);                 // before params setup
//   instance.run(module, PF_Cmd_GLOBAL_SETUP);
//   instance.run(module, PF_Cmd_PARAMS_SETUP);
//   set_scene_parameters(scene, instance);

#include "host/instance/effect_instance.h"
#include "host/scene/scene_file.h"

namespace simhost::scene {

void place_effect(Scene& scene, EffectInstance& instance);

// The scene's parameter values, in the forms EffectInstance::set_value takes;
// a layer parameter may also name a layer, and a path parameter a mask of the
// effect's layer. Throws SceneError, with the value's place in the file, for
// a parameter the effect does not have or a value it cannot take.
void set_scene_parameters(const Scene& scene, EffectInstance& instance);

}  // namespace simhost::scene
