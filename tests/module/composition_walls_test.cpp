// The composition's frame of an effect whose walls reach beyond its layer:
// the host asks for what the composition's view shows of the layer, so the
// walls show past the layer's edges, as far as the view reaches; the
// effect's output world with the layer's own bounds stays within them.

#include <array>
#include <string>

#include "host/scene/composition_frame.h"
#include "tests/module/frame_test_support.h"

namespace simhost::test {
namespace {

class CompositionWalls : public SceneFrames {};

bool is_side_blue(const PF_Pixel8& p) {
  return p.alpha == 255 && p.blue > 120 && p.blue > p.red + 50;
}

// A 100 x 50 text layer placed at (50, 35) in a 200 x 120 composition, its
// glyphs at its bottom right, walls 40 pixels long down and to the right:
// they leave the layer across its right and bottom edges.
TEST_F(CompositionWalls, WallsBeyondTheLayerShowInTheCompositionFrame) {
  json layer = text_layer("Tv", 40, 40, 45);
  layer["size"] = {100, 50};
  layer["transform"] = {{"anchor", {0, 0}}, {"position", {50, 35}}};
  load(scene_json(200, 120, layer, plain_look({{"Extrusion Length Back", 40}})));
  const struct {
    const char* name;
    A_u_long across, down;
    std::array<A_long, 4> request;  // left, top, right, bottom
  } cases[] = {
      // The whole frame in the layer's pixels: from -50, -35 to 150, 85.
      {"full resolution", 1, 1, {-50, -35, 150, 85}},
      // The same at the downsampling, rounded outwards, with a pixel more on
      // each side that sampling between pixels reads (the layer lands at
      // 8.75 pixels down).
      {"half across, a quarter down", 2, 4, {-26, -10, 76, 23}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    instance->layer.downsample_x = {1, c.across};
    instance->layer.downsample_y = {1, c.down};
    const scene::CompositionFrameSettings settings{.downsample_x = {1, c.across},
                                                   .downsample_y = {1, c.down},
                                                   .background = scene::Color{1, 0, 0, 0}};
    const PF_LRect request =
        scene::composition_request(*scene().composition, 0.0, scene().effect_layer, settings);
    EXPECT_EQ((std::array<A_long, 4>{request.left, request.top, request.right, request.bottom}),
              c.request);
    Frame frame(*instance, {.request = request});
    ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    const PF_LRect result = frame.pre_render_output().result_rect;
    EXPECT_GT(result.right, 100 / static_cast<A_long>(c.across));
    EXPECT_GT(result.bottom, 50 / static_cast<A_long>(c.down));
    const std::unique_ptr<World> shown = scene::composition_frame(
        *scene().composition, 0.0, scene().effect_layer, frame.output(), settings);
    // Wall pixels right of and below the layer's rectangle in the frame.
    int right_of = 0;
    int below = 0;
    const PF_EffectWorld& w = *shown->get();
    for (A_long y = 0; y < w.height; ++y) {
      for (A_long x = 0; x < w.width; ++x) {
        if (!is_side_blue(shown->pixel8(x, y))) continue;
        if (x >= 150 / static_cast<A_long>(c.across)) ++right_of;
        if (y >= 85 / static_cast<A_long>(c.down)) ++below;
      }
    }
    EXPECT_GT(right_of * static_cast<int>(c.across * c.down), 100);
    EXPECT_GT(below * static_cast<int>(c.across * c.down), 100);
  }
  // The layer alone (`--layer-only`): its own bounds, as the output world
  // holds them.
  instance->layer.downsample_x = instance->layer.downsample_y = {1, 1};
  Frame layer_only(*instance, {});
  ASSERT_EQ(layer_only.run(module), PF_Err_NONE);
  const PF_LRect result = layer_only.pre_render_output().result_rect;
  EXPECT_LE(result.right, 100);
  EXPECT_LE(result.bottom, 50);
  EXPECT_EQ(layer_only.picture().get()->width, 100);
}

}  // namespace
}  // namespace simhost::test
