// Frames against the GPU's largest texture and the memory budget: the supersampling a frame can
// have, and frames too large to draw at all, which fail with a text that names the sizes.

#include <algorithm>
#include <limits>
#include <string>
#include <thread>

#include "renderer/render_state.h"
#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

constexpr size_t no_budget = std::numeric_limits<size_t>::max();

TEST(FittingSupersampling, LowersTheFactorUntilTheFaceTargetsFit) {
  struct Case {
    const char* what;
    int width, height;
    ExtrusionMode mode;
    int32_t ssaa, largest;
    size_t budget;
    int32_t expected;
  };
  // 200 x 150 at 20 bytes a face sample, 8 an output pixel (8-bit).
  const auto bytes_at = [](int32_t ssaa) { return size_t{200 * 150} * (ssaa * ssaa * 20 + 8); };
  const Case cases[] = {
      {"fits", 200, 150, ExtrusionMode::directional, 3, 16384, no_budget, 3},
      {"exactly the largest side", 200, 150, ExtrusionMode::directional, 8, 1600, no_budget, 8},
      {"one sample too wide", 200, 150, ExtrusionMode::directional, 8, 1599, no_budget, 7},
      {"too tall", 150, 200, ExtrusionMode::directional, 8, 1000, no_budget, 5},
      // Near the vanishing point the face reaches 2 rows beyond the bottom edge: 8 times 150
      // rows would fit, 8 times 152 do not.
      {"the face beyond the output", 120, 150, ExtrusionMode::vanishing, 8, 1200, no_budget, 7},
      {"the budget", 200, 150, ExtrusionMode::directional, 8, 16384, bytes_at(4), 4},
      {"just over the budget", 200, 150, ExtrusionMode::directional, 8, 16384, bytes_at(4) - 1, 3},
      {"nothing fits: 1", 200, 150, ExtrusionMode::directional, 4, 100, no_budget, 1},
      {"a factor below 1 stays", 200, 150, ExtrusionMode::directional, 0, 16384, no_budget, 1},
  };
  for (const Case& c : cases) {
    Scene scene{c.width, c.height};
    scene.outlines({bezier_rect(20, 20, 80, 60)});
    scene.request.mode = c.mode;
    scene.request.back = c.mode == ExtrusionMode::vanishing ? 0.4 : 20;
    scene.request.vanishing_x = c.width / 2.0;
    scene.request.vanishing_y = c.height - 1;
    scene.request.stroke_width = 4;
    RenderInput in;
    in.plan = scene.plan();
    in.ssaa = c.ssaa;
    PF_EffectWorld out{};
    out.width = c.width;
    out.height = c.height;
    EXPECT_EQ(fitting_supersampling(in, out, c.largest, c.budget), c.expected) << c.what;
  }
  // A plan that cannot be drawn is left to the render routine to refuse.
  RenderInput in;
  in.ssaa = 6;
  in.plan.stroke_width = std::numeric_limits<double>::quiet_NaN();
  PF_EffectWorld out{};
  out.width = out.height = 100000;
  EXPECT_EQ(fitting_supersampling(in, out, 100, 1), 6);
}

TEST(FramesBeyondTheLargestTexture, FailWithATextThatNamesTheSizes) {
  RenderHost host;
  std::string largest;
  struct Case {
    const char* what;
    int width, height;
    int layer_width = 0;  // the face in the layer's colours, from a layer this wide
    double stroke_width = 2;
    const char* text_start;
    std::string size;
  };
  const Case cases[] = {
      {.what = "too wide",
       .width = 16500,
       .height = 12,
       .text_start = "the frame is ",
       .size = "16500x12"},
      {.what = "too tall",
       .width = 12,
       .height = 16400,
       .text_start = "the frame is ",
       .size = "12x16400"},
      // A stroke 400 pixels wide widens the band about the vanishing point, at the top edge,
      // by 201 pixels: the face targets reach 201 rows above the output.
      {.what = "the face towards the vanishing point",
       .width = 40,
       .height = 16300,
       .stroke_width = 400,
       .text_start = "the frame reaches over ",
       .size = "40x16501"},
      {.what = "the layer",
       .width = 200,
       .height = 12,
       .layer_width = 16390,
       .text_start = "the layer is ",
       .size = "16390x12"},
  };
  std::thread([&] {
    LocalRenderData* data = ensure_local_render_data();
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->largest_target_size, 16384);  // llvmpipe's
    largest = std::to_string(data->largest_target_size);
    for (const Case& c : cases) {
      Scene scene{c.width, c.height};
      scene.outlines({bezier_rect(2, 2, 10, 10)});
      scene.request.stroke_width = c.stroke_width;
      if (c.stroke_width > 100) {
        scene.request.mode = ExtrusionMode::vanishing;
        scene.request.vanishing_x = c.width;
        scene.request.vanishing_y = 0;
        scene.request.back = 0.3;
      }
      scene.request.inherit_layer_color = c.layer_width > 0 ? 1 : 0;
      RenderInput in = host.input(scene.plan());
      World layer(std::max(c.layer_width, 1), c.height, PixelFormat::argb8);
      if (c.layer_width > 0) in.input = layer.get();
      World out(c.width, c.height, PixelFormat::argb8);
      std::string text;
      ::testing::internal::CaptureStderr();
      EXPECT_EQ(render_layer(&in, out.get(), &text), PF_Err_INTERNAL_STRUCT_DAMAGED) << c.what;
      const std::string report = ::testing::internal::GetCapturedStderr();
      const std::string expected = c.text_start + c.size + " pixels" +
                                   (c.stroke_width > 100 ? " towards its vanishing point" : "") +
                                   ", larger than this GPU's largest texture, " + largest;
      EXPECT_EQ(text, expected) << c.what;
      EXPECT_NE(report.find("]: PF_Err: 512, " + expected), std::string::npos) << report;
      // Nothing was made for the frame, and the thread's next frame renders.
      EXPECT_EQ(kept_storage_bytes(*ensure_local_render_data()), 0u) << c.what;
    }
    Scene small{200, 150};
    small.outlines({bezier_rect(20, 20, 80, 60)});
    World out(200, 150, PixelFormat::argb8);
    const RenderInput in = host.input(small.plan());
    std::string text;
    EXPECT_EQ(render_layer(&in, out.get(), &text), 0) << text;
  }).join();
  EXPECT_EQ(host.host.balance_report(), "");
}

}  // namespace
}  // namespace tarvolk::test
