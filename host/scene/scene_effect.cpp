#include "host/scene/scene_effect.h"

#include <cmath>

namespace simhost::scene {

namespace {

// A time scale that counts whole frames at the frame rate, and the frame's
// length in it: 24 fps is 24 and 1, 29.97 fps is 2997 and 100.
void frame_time_scale(double frame_rate, A_u_long& scale, A_long& step) {
  for (A_long k : {1, 10, 100, 1000}) {
    const double scaled = frame_rate * k;
    if (std::abs(scaled - std::round(scaled)) < 1e-9 || k == 1000) {
      scale = static_cast<A_u_long>(std::llround(scaled));
      step = k;
      return;
    }
  }
}

}  // namespace

void place_effect(Scene& scene, EffectInstance& instance) {
  Composition& comp = *scene.composition;
  EffectAttachment& attached = comp.attach_effect(instance.effect_ref(), scene.effect_layer);
  attached.downsample_x = {1, static_cast<A_u_long>(scene.downsample)};
  attached.downsample_y = attached.downsample_x;

  frame_time_scale(comp.frame_rate(), instance.time_scale, instance.time_step);
  const Layer& layer = *comp.layer_by_id(scene.effect_layer);
  instance.current_time = static_cast<A_long>(
      std::llround(layer.layer_time(scene.time) * static_cast<double>(instance.time_scale)));
}

PF_InData scene_in_data(const Scene& scene, EffectInstance& instance) {
  PF_InData in_data = instance.make_in_data();
  const Layer& layer = *scene.composition->layer_by_id(scene.effect_layer);
  in_data.width = layer.width;
  in_data.height = layer.height;
  in_data.downsample_x = {1, static_cast<A_u_long>(scene.downsample)};
  in_data.downsample_y = in_data.downsample_x;
  return in_data;
}

}  // namespace simhost::scene
