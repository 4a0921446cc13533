#include "host/scene/scene_effect.h"

#include <cmath>
#include <string>

#include "host/instance/param_values.h"
#include "host/quoted.h"

namespace simhost::scene {

namespace {

using nlohmann::json;

// Layer and mask names in a value (or in each keyframe's) become their ids.
json with_ids(const json& value, PF_ParamType type, Composition& comp, const Layer& effect_layer) {
  if (value.is_object() && value.contains("keyframes") && value["keyframes"].is_array()) {
    json keyed = value;
    for (json& key : keyed["keyframes"]) {
      if (key.is_object() && key.contains("value")) {
        key["value"] = with_ids(key["value"], type, comp, effect_layer);
      } else if (key.is_array() && key.size() == 2) {
        key[1] = with_ids(key[1], type, comp, effect_layer);
      }
    }
    return keyed;
  }
  if (!value.is_string()) return value;
  const std::string name = value.get<std::string>();
  if (type == PF_Param_LAYER) {
    for (const auto& layer : comp.layers()) {
      if (layer->name == name) return layer->id;
    }
    throw ParamValueError("no layer is named " + in_quotes(name));
  }
  if (type == PF_Param_PATH) {
    for (const Mask& mask : effect_layer.masks) {
      if (mask.name == name) return mask.id;
    }
    throw ParamValueError("the effect's layer has no mask named " + in_quotes(name));
  }
  return value;
}

// A name as one step of a JSON pointer, shortened for messages.
std::string pointer_step(const std::string& name) {
  std::string step;
  for (char c : shortened(name)) step += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
  return step;
}

}  // namespace

void place_effect(Scene& scene, EffectInstance& instance) {
  Composition& comp = *scene.composition;
  comp.attach_effect(instance.effect_ref(), scene.effect_layer);
  const Layer& layer = *comp.layer_by_id(scene.effect_layer);
  instance.layer = {layer.width,
                    layer.height,
                    {1, static_cast<A_u_long>(scene.downsample.x)},
                    {1, static_cast<A_u_long>(scene.downsample.y)}};
  const FrameTimeScale time_scale = frame_time_scale(comp.frame_rate());
  instance.time_scale = time_scale.scale;
  instance.time_step = time_scale.step;
  instance.current_time = static_cast<A_long>(
      std::llround(layer.layer_time(scene.time) * static_cast<double>(instance.time_scale)));
}

void set_scene_parameters(const Scene& scene, EffectInstance& instance) {
  Composition& comp = *scene.composition;
  const Layer& layer = *comp.layer_by_id(scene.effect_layer);
  for (const auto& [name, value] : scene.parameters.items()) {
    try {
      const PF_ParamIndex slot = instance.find_param(name);
      const PF_ParamType type = instance.definition(slot).param_type;
      instance.set_value(slot, with_ids(value, type, comp, layer));
    } catch (const ParamValueError& e) {
      throw SceneError(shortened_middle(scene.source) + ": /effect/parameters/" +
                       pointer_step(name) + ": " + e.what());
    }
  }
}

}  // namespace simhost::scene
