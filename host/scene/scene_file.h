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
// A value the host can keyframe (and any effect parameter) is written either
// as itself or as {"keyframes": [{"time": seconds of layer time, "value":
// ...}, ...]}; a keyframe may also be written [seconds, value].
// Mistakes are reported with their place in the file (a line and column for
// text that is not JSON, a JSON pointer such as /layers/2/kind otherwise)
// and nothing is made of the scene. What the host would never hold is
// refused the same way: nesting deeper than 256 levels, frame rates outside
// 0.001 to 1000, sides beyond 30,000 pixels, font sizes beyond 0.1 to 1296
// pixels, times its 32-bit tick count cannot reach, cameras of no zoom.

#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "host/scene/composition.h"

namespace simhost::scene {

// The host's limits on a composition.
inline constexpr int longest_side = 30000;  // pixels
inline constexpr double lowest_frame_rate = 0.001;
inline constexpr double highest_frame_rate = 1000.0;

// A time scale that counts whole frames at the frame rate, and the frame's
// length in it: 24 fps is 24 and 1, 29.97 fps is 2997 and 100.
struct FrameTimeScale {
  A_u_long scale = 1;
  A_long step = 1;
};
FrameTimeScale frame_time_scale(double frame_rate);
// The longest time, in seconds either way, that a scene at this frame rate
// may name: its tick count fits in 30 bits, so that the difference of two
// such times (a layer time) still fits the host's 32-bit count.
double longest_scene_time(double frame_rate);

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
