#pragma once

// Scene files: a composition, its layers with their contents, the layer the
// effect sits on and its parameter values by name, the time and the
// downsampling, written as JSON. Every object may carry a "comment". See
// examples/ for scenes of each kind of layer.
//
//   {
//     "composition": {"width": 1280, "height": 720, "frame_rate": 24},
//     "layers": [{"name": "Title", "kind": "text",
//                 "text": {"text": "Tarvolk", "bold": true, "size": 100, "origin": [40, 200]}}],
//     "effect": {"layer": "Title", "parameters": {"Use All Paths": true}},
//     "time": 0, "downsample": 1
//   }
//
// "downsample" is one factor for both directions or two, [across, down].
//
// A value the host can keyframe is written either as itself or as
// {"keyframes": [{"time": seconds of layer time, "value": ...}, ...]}.
// Mistakes are reported with their place in the file (a line and column for
// text that is not JSON, a JSON pointer such as /layers/2/kind otherwise)
// and nothing is made of the scene.

#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "host/scene/composition.h"

namespace simhost::scene {

class SceneError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The frame's downsampling across and down: 1 full resolution, 2 half, ...
struct Downsample {
  int x = 1;
  int y = 1;
};

struct Scene {
  std::string source;  // the file's name, for messages
  std::unique_ptr<Composition> composition;
  AEGP_LayerIDVal effect_layer = 0;
  // The effect's parameter values by parameter name, as written.
  nlohmann::json parameters = nlohmann::json::object();
  double time = 0.0;  // seconds of composition time
  Downsample downsample;
};

// Throws SceneError. Image files are found relative to the folder of
// `source` (the scene file's path).
Scene read_scene_file(const std::string& path);
Scene parse_scene(const std::string& text, const std::string& source);

}  // namespace simhost::scene
