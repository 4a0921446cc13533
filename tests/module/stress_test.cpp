// Eight host threads, each with its own effect instance on its own scene,
// render frames at once: pre-renders run side by side, renders one at a time
// under the effect's command mutex. Every frame must equal the same frame
// rendered alone, and the host must get everything back.
//
// A few frames each by default; TARVOLK_STRESS_FRAMES=100 runs 8 x 100 and
// prints the time taken.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "host/png.h"
#include "tests/module/frame_test_support.h"

namespace simhost::test {
namespace {

struct StressScene {
  std::string name;
  json layer;
  json values;
  json more_layers = json::array();
  A_short bitdepth = 8;
  A_u_long downsample = 1;
};

// Four scenes whose values change over the first second, so that frames
// differ; each in 8 bits at full size and in float at half size.
std::vector<StressScene> stress_scenes() {
  const json growing = {{"keyframes", {{0, 6}, {1, 30}}}};
  const json title = text_layer("Tv", 60, 20, 70);
  const json plate = framed_solid({20, 15, 140, 75}, {60, 35, 100, 55});
  const json turn = {
      {"keyframes", {{{"time", 0}, {"value", {0, -30, 0}}}, {{"time", 1}, {"value", {0, 30, 0}}}}}};
  const std::vector<StressScene> kinds = {
      {"directional", title, {{"Extrusion Length Back", growing}, {"Master Resolution", 2}}},
      {"vanishing gradient",
       title,
       {{"Mode", "Vanishing"},
        {"Vanishing Point", {80, 5}},
        {"Extrusion Amount Back", 30},
        {"Side Fill Mode", "Gradient"},
        {"Global Offset", {{"keyframes", {{0, 0}, {1, 180}}}}}}},
      {"camera",
       title,
       {{"Mode", "3D Camera"}, {"Parent Layer", "Rig"}, {"Anchor Point", {80, 45}}},
       json::array({rig({80, 45, 0}, turn)})},
      {"inner masks", plate, {{"Inner Tarvolk", true}, {"Extrusion Length Back", growing}}},
  };
  std::vector<StressScene> scenes;
  for (const StressScene& kind : kinds) {
    scenes.push_back(kind);
    StressScene small = kind;
    small.name += " float at half size";
    small.bitdepth = 32;
    small.downsample = 2;
    scenes.push_back(small);
  }
  return scenes;
}

// One instance on its own scene, set up as the host does, rendering frame n
// of the composition (24 per second).
class Player {
 public:
  Player(SimHost& host, PluginModule& module, const StressScene& s)
      : placed_(host, module, scene_json(160, 90, s.layer, plain_look(s.values), s.more_layers),
                s.name),
        bitdepth_(s.bitdepth) {
    placed_.set_downsample(s.downsample);
  }
  RgbaImage frame(int n) {
    placed_.instance.current_time = n;
    Frame frame(placed_.instance, {.bitdepth = bitdepth_});
    EXPECT_EQ(frame.run(placed_.module), PF_Err_NONE)
        << placed_.scene.source << " frame " << n << ": " << frame.out_data().return_msg;
    return rgba_image_of(*frame.picture().get());
  }

 private:
  PlacedEffect placed_;
  A_short bitdepth_;
};

TEST(Stress, EightInstancesOnEightThreadsRenderAsAlone) {
  SimHost host;
  PluginModule module(TARVOLK_MODULE_PATH);
  const std::vector<StressScene> scenes = stress_scenes();
  const char* frames_text = std::getenv("TARVOLK_STRESS_FRAMES");
  const int frames =
      frames_text != nullptr && std::atoi(frames_text) > 0 ? std::atoi(frames_text) : 3;
  if (frames > 10) host.set_recording(false);
  // Frames step through the first second, where the values change.
  auto frame_number = [](int i) { return (i * 5) % 25; };

  std::vector<std::vector<RgbaImage>> alone(scenes.size());
  for (size_t s = 0; s < scenes.size(); ++s) {
    Player player(host, module, scenes[s]);
    for (int i = 0; i < std::min(frames, 5); ++i) alone[s].push_back(player.frame(frame_number(i)));
  }

  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (size_t s = 0; s < scenes.size(); ++s) {
    threads.emplace_back([&, s] {
      Player player(host, module, scenes[s]);
      for (int i = 0; i < frames; ++i) {
        const RgbaImage picture = player.frame(frame_number(i));
        const RgbaImage& expected = alone[s][static_cast<size_t>(i) % alone[s].size()];
        EXPECT_TRUE(picture.rgba == expected.rgba) << scenes[s].name << " frame " << frame_number(i)
                                                   << " differs from the same frame rendered alone";
      }
    });
  }
  for (std::thread& t : threads) t.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu threads x %d frames of 160 x 90: %.2f s, %.1f frames/s\n", scenes.size(), frames,
              seconds, static_cast<double>(scenes.size()) * frames / seconds);
  EXPECT_EQ(host.balance_report(), "");
}

}  // namespace
}  // namespace simhost::test
