// Whole frames through EffectMain compared with reviewed pictures
// (tests/module/golden), each scene described with its case. Regenerate with
// TARVOLK_UPDATE_GOLDEN=1 and look at every picture before committing it.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/scene/composition_frame.h"
#include "tests/module/frame_test_support.h"
#include "tests/support/golden_picture.h"

namespace simhost::test {
namespace {

const json title_layer = text_layer("Tv", 80, 40, 90);
const json back20 = {{"Extrusion Length Back", 20}};

// A 3D null at the middle of the composition, turned 15 degrees about x and
// -30 about y.
const json rig_layers = rig({100, 60, 0}, {15, -30, 0});

// Paths in nested groups, as examples/shape_groups.json at a third of its
// size: a square turned by 10 degrees with a circle stretched to twice its
// width, united and filled.
const json badge_layer = {
    {"kind", "shape"},
    {"contents",
     {{{"type", "group"},
       {"transform", {{"position", {-10, -5}}, {"rotation", 10}}},
       {"items",
        {{{"type", "path"}, {"path", {{"vertices", {{-35, -35}, {35, -35}, {35, 35}, {-35, 35}}}}}},
         {{"type", "group"},
          {"transform", {{"position", {35, 0}}, {"scale", {200, 100}}}},
          {"items",
           {{{"type", "path"},
             {"path",
              {{"vertices",
                {{0, -18, -10, 0, 10, 0},
                 {18, 0, 0, -10, 0, 10},
                 {0, 18, 10, 0, -10, 0},
                 {-18, 0, 0, 10, 0, -10}}}}}}}}},
         {{"type", "merge"}, {"merge", "add"}},
         {{"type", "fill"}}}}}}}};

// A solid with a frame added and a window cut out of it by masks.
const json plate_layer = framed_solid({30, 20, 150, 95}, {70, 45, 110, 75});

// Four stops: red below, yellow right, green above, blue left.
const json four_stops = {
    {"stops",
     {{0.0, 0.9, 0.2, 0.2}, {0.25, 0.95, 0.85, 0.2}, {0.5, 0.2, 0.8, 0.3}, {0.75, 0.2, 0.3, 0.9}}}};

struct GoldenCase {
  const char* name;
  json layer;
  json values;
  json more_layers = json::array();
  A_short bitdepth = 8;
  A_u_long downsample = 1;
  bool with_input = false;
};

const std::vector<GoldenCase>& golden_cases() {
  static const std::vector<GoldenCase> cases = {
      // "Tv" in bold, walls 20 pixels down and to the right: yellow faces,
      // blue walls, a dark 2-pixel stroke on every visible edge.
      {"text_directional", title_layer, back20},
      // The same, walls running 30% of the way to a vanishing point at the
      // top middle (100, 10): they narrow as they rise.
      {"text_vanishing",
       title_layer,
       {{"Mode", "Vanishing"}, {"Vanishing Point", {100, 10}}, {"Extrusion Amount Back", 30}}},
      // The same through the default camera, placed on a null turned about x
      // and y: the letters lean away to the right and their walls recede.
      {"text_camera",
       title_layer,
       {{"Mode", "3D Camera"},
        {"Parent Layer", "Rig"},
        {"Anchor Point", {100, 60}},
        {"Extrusion Length Back", 30}},
       json::array({rig_layers})},
      // A square and a stretched circle in nested groups, united: one solid
      // badge turned by 10 degrees, walls down and to the right.
      {"shape_nested_groups", badge_layer, {{"Extrusion Length Back", 15}}},
      // A solid's frame mask with a window subtracted: the window's inner
      // walls show at its top and left.
      {"solid_masks", plate_layer, {{"Extrusion Length Back", 15}}},
      // Inner extrusion: the walls run inside the letters, which look
      // pressed into the page; the back cap shows where the walls end.
      {"inner_extrusion", title_layer, {{"Inner Tarvolk", true}, {"Extrusion Length Back", 10}}},
      // Walls coloured by four gradient stops turned by a global offset of
      // 90 degrees: the walls facing down are yellow, those facing right green.
      {"gradient_global_offset",
       title_layer,
       {{"Extrusion Length Back", 20},
        {"Side Fill Mode", "Gradient"},
        {"Gradient Wheel", four_stops},
        {"Global Offset", 90}}},
      // A magenta-to-cyan input layer composited in front at "Input
      // Opacity" 50: the whole frame tinted, the solid showing through.
      {.name = "input_opacity_50",
       .layer = title_layer,
       .values = {{"Extrusion Length Back", 20}, {"Input Opacity", 50}},
       .with_input = true},
      // The directional frame rendered in float: the same picture.
      {.name = "float_frame", .layer = title_layer, .values = back20, .bitdepth = 32},
      // The directional frame at half resolution: 100 x 60 pixels, lengths
      // and stroke halved.
      {.name = "half_resolution", .layer = title_layer, .values = back20, .downsample = 2},
  };
  return cases;
}

class GoldenFrames : public SceneFrames, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(GoldenFrames, MatchesItsReviewedPicture) {
  const GoldenCase& c = GetParam();
  load(scene_json(200, 120, c.layer, plain_look(c.values), c.more_layers));
  set_downsample(c.downsample);
  World input(200, 120, PixelFormat::argb8);
  for (A_long y = 0; y < 120; ++y) {
    for (A_long x = 0; x < 200; ++x) {
      const auto t = static_cast<A_u_char>(x * 255 / 199);
      input.pixel8(x, y) = {255, static_cast<A_u_char>(255 - t), 40, 220};
      input.pixel8(x, y).green = t;
    }
  }
  Frame frame(*instance, {.bitdepth = c.bitdepth, .input_layer = c.with_input ? &input : nullptr});
  ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
  EXPECT_EQ(compare_with_golden(*frame.picture().get(), c.name), "");
}

INSTANTIATE_TEST_SUITE_P(Frames, GoldenFrames, ::testing::ValuesIn(golden_cases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& param) {
                           return std::string(param.param.name);
                         });

// The examples as `tarvolk-host render` shows them, at a quarter of their
// size: the composition's frame, the effect asked for what the frame shows of
// its layer and its output placed by the layer over the composition's
// background.
class ExampleFrames : public SceneFrames, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExampleFrames, MatchTheirReviewedPictures) {
  std::ifstream file(std::string(TARVOLK_EXAMPLES_DIR) + "/" + GetParam() + ".json");
  std::stringstream text;
  text << file.rdbuf();
  load(text.str());
  set_downsample(4);
  const scene::CompositionFrameSettings settings{.downsample_x = {1, 4},
                                                 .downsample_y = {1, 4},
                                                 .background = scene().composition->background()};
  Frame frame(*instance, {.request = scene::composition_request(*scene().composition, scene().time,
                                                                scene().effect_layer, settings)});
  ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
  const std::unique_ptr<World> shown = scene::composition_frame(
      *scene().composition, scene().time, scene().effect_layer, frame.output(), settings);
  EXPECT_EQ(compare_with_golden(*shown->get(), std::string("example_") + GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleFrames,
                         ::testing::Values("text", "shape_groups", "masks", "vanishing", "camera",
                                           "inner_extrusion", "input_opacity"));

}  // namespace
}  // namespace simhost::test
