#include "host/scene/default_scene.h"

namespace simhost {

namespace {

constexpr const char* default_scene_text = R"({
  "composition": {"width": 1280, "height": 720, "frame_rate": 24, "name": "Tarvolk",
                  "background": [18, 20, 36]},
  "layers": [
    {
      "name": "Title",
      "kind": "text",
      "text": {"text": "Tarvolk", "font": "DejaVu Sans", "bold": true, "size": 220,
               "origin": [165, 420], "color": [255, 206, 92]}
    }
  ],
  "effect": {
    "layer": "Title",
    "parameters": {
      "Mode": "Directional",
      "Extrusion Direction": 150,
      "Extrusion Length Back": 80,
      "Stroke Width": 3,
      "Stroke Color": [36, 14, 44],
      "Side Fill Mode": "Gradient",
      "Gradient Wheel": {"stops": [[0.0, 0.72, 0.13, 0.38],
                                   [0.12, 0.94, 0.36, 0.32],
                                   [0.25, 0.99, 0.6, 0.2],
                                   [0.5, 0.25, 0.72, 0.78],
                                   [0.75, 0.42, 0.3, 0.78]]},
      "Master Resolution": 2
    }
  },
  "time": 0,
  "downsample": 1
})";

}  // namespace

scene::Scene default_scene() {
  return scene::parse_scene(default_scene_text, "default scene");
}

const char* default_scene_json() {
  return default_scene_text;
}

}  // namespace simhost
