// Frames through EffectMain beyond the GPU's largest texture (llvmpipe's: 16384 pixels a side):
// a "Master Resolution" too high for the frame renders at the highest that fits, and a frame
// too large even without supersampling fails with a message that names its size.

#include <string>

#include "host/png.h"
#include "tests/module/frame_test_support.h"
#include "tests/support/golden_picture.h"

namespace simhost::test {
namespace {

constexpr int largest_texture = 16384;

// A solid across a composition of `width` x `height`, cut by a mask to a bar 10 pixels in from
// its left and right edges and 15 from its top and bottom.
std::string bar_scene(int width, int height, int master_resolution) {
  const double l = 10, t = 15, r = width - 10.0, b = height - 15.0;
  const json bar = {
      {"kind", "solid"},
      {"masks", {{{"mode", "add"}, {"path", {{"vertices", {{l, t}, {r, t}, {r, b}, {l, b}}}}}}}}};
  return scene_json(width, height, bar,
                    plain_look({{"Extrusion Length Back", 6},
                                {"Stroke Width", 2},
                                {"Master Resolution", master_resolution}}));
}

class FrameLimits : public SceneFrames {};

TEST_F(FrameLimits, TooHighAMasterResolutionRendersAtTheHighestThatFits) {
  // About 2100 pixels wide: 8 times as wide is beyond the largest texture, 7 times is not.
  const auto frame_at = [&](int master_resolution) {
    load(bar_scene(2110, 60, master_resolution));
    Frame frame(*instance, {});
    EXPECT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    EXPECT_STREQ(frame.out_data().return_msg, "");
    const A_long width = frame.output() != nullptr ? frame.output()->get()->width : 0;
    EXPECT_GT(width * 8, largest_texture);
    EXPECT_LE(width * 7, largest_texture);
    RgbaImage picture = rgba_image_of(*frame.picture().get());
    finish();
    return picture;
  };
  const RgbaImage at_8 = frame_at(8);
  const RgbaImage at_7 = frame_at(7);
  EXPECT_GT(count_alpha(at_8, 255, 255), 2000 * 20);
  EXPECT_EQ(at_8.width, at_7.width);
  EXPECT_EQ(at_8.height, at_7.height);
  EXPECT_TRUE(at_8.rgba == at_7.rgba);
}

TEST_F(FrameLimits, AFrameWiderThanTheLargestTextureFailsWithItsSize) {
  load(bar_scene(20000, 400, 1));
  Frame frame(*instance, {});
  EXPECT_EQ(frame.run(module), PF_Err_INTERNAL_STRUCT_DAMAGED);
  ASSERT_NE(frame.output(), nullptr);
  const PF_EffectWorld& output = *frame.output()->get();
  EXPECT_GT(output.width, largest_texture);
  EXPECT_EQ(std::string(frame.out_data().return_msg),
            "the frame is " + std::to_string(output.width) + "x" + std::to_string(output.height) +
                " pixels, larger than this GPU's largest texture, " +
                std::to_string(largest_texture));
}

}  // namespace
}  // namespace simhost::test
