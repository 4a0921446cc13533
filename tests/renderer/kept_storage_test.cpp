// What a rendering thread keeps from one frame to the next: every frame gives the pixels of the
// same frame rendered on a thread that keeps nothing yet, whatever the thread kept before.

#include <GL/glew.h>

#include <string>
#include <thread>
#include <vector>

#include "renderer/render_state.h"
#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

std::vector<unsigned char> bytes_of(World& world) {
  const PF_EffectWorld& w = *world.get();
  const size_t row = static_cast<size_t>(w.width) * (world.format() == PixelFormat::argb8 ? 4 : 16);
  std::vector<unsigned char> bytes;
  for (int y = 0; y < w.height; ++y) {
    const auto* data =
        static_cast<const unsigned char*>(w.data) + static_cast<size_t>(y) * w.rowbytes;
    bytes.insert(bytes.end(), data, data + row);
  }
  return bytes;
}

// A layer of `width` x `height` with colours that change from pixel to pixel, so that every
// mip level differs and a texel read from the wrong place shows.
std::unique_ptr<World> patterned_layer(int width, int height, int seed) {
  auto layer = std::make_unique<World>(width, height, PixelFormat::argb8);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      layer->pixel8(x, y) = {static_cast<A_u_char>(255 - (x * y + seed) % 64),
                             static_cast<A_u_char>((x * 37 + seed) % 256),
                             static_cast<A_u_char>((y * 53 + x * seed) % 256),
                             static_cast<A_u_char>((x ^ y) * 7 % 256)};
    }
  }
  return layer;
}

class KeptStorage : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.host.balance_report(), ""); }

  // The frame rendered on this thread, with what it keeps.
  std::vector<unsigned char> render_here(const RenderInput& in, int width, int height,
                                         int16_t bitdepth = 8) {
    World out(width, height, bitdepth == 8 ? PixelFormat::argb8 : PixelFormat::argb_float);
    std::string text;
    EXPECT_EQ(render_layer(&in, out.get(), &text), 0) << text;
    return bytes_of(out);
  }
  // The frame rendered on a thread of its own, which keeps nothing before it.
  std::vector<unsigned char> render_fresh(const RenderInput& in, int width, int height,
                                          int16_t bitdepth = 8) {
    std::vector<unsigned char> bytes;
    std::thread([&] { bytes = render_here(in, width, height, bitdepth); }).join();
    return bytes;
  }

  RenderHost host;
};

// A block and a ring shrunk to a third about the middle and seen through a turned camera, the
// face in the layer's colours: the face shows the layer minified, from the input texture's mip
// levels.
RenderInput camera_frame_of_layer(RenderHost& host, int width, int height, World& layer) {
  Scene scene{width, height};
  scene.outlines({bezier_rect(20, 20, 90, 80), ellipse(130, 60, 30, 34)});
  scene.request.mode = ExtrusionMode::camera;
  scene.request.direction_deg = 0;
  scene.request.back = 40;
  const double cx = width / 2.0;
  const double cy = height / 2.0;
  const double k = 1.0 / 3.0;
  const dmat4 shrink = {k, 0, 0, 0, 0, k, 0, 0, 0, 0, 1, 0, cx * (1 - k), cy * (1 - k), 0, 1};
  scene.request.layer_transform = mat4_multiply(camera_transform(cx, cy, 300, 30, -20, 10), shrink);
  scene.request.inherit_layer_color = 1;
  RenderInput in = host.input(scene.plan());
  in.input = layer.get();
  return in;
}

TEST_F(KeptStorage, InputTextureServesInputsOfItsSizeAndIsMadeAgainForOthers) {
  std::thread([&] {
    const auto first = patterned_layer(160, 120, 1);
    const auto second = patterned_layer(160, 120, 2);
    const auto wider = patterned_layer(200, 90, 3);
    struct Case {
      const char* what;
      World* layer;
      bool same_texture;
    };
    const Case cases[] = {{"first frame", first.get(), false},
                          {"other pixels, same size", second.get(), true},
                          {"another size", wider.get(), false},
                          {"back to the first size", first.get(), false}};
    GLuint last_texture = 0;
    for (const Case& c : cases) {
      const RenderInput in = camera_frame_of_layer(host, 180, 130, *c.layer);
      EXPECT_TRUE(render_here(in, 180, 130) == render_fresh(in, 180, 130)) << c.what;
      LocalRenderData* data = ensure_local_render_data();
      ASSERT_NE(data->input_texture, nullptr) << c.what;
      EXPECT_EQ(data->input_texture->width(), c.layer->get()->width) << c.what;
      EXPECT_EQ(data->input_texture->height(), c.layer->get()->height) << c.what;
      if (c.same_texture) {
        EXPECT_EQ(data->input_texture->texture().id(), last_texture) << c.what;
      }
      last_texture = data->input_texture->texture().id();
    }
  }).join();
}

// Fills every target the thread keeps with values no frame writes, the parts beyond this
// frame's included.
void spoil_kept_targets() {
  FrameTargets& targets = *ensure_local_render_data()->targets;
  glDisable(GL_SCISSOR_TEST);
  targets.face_fb.bind();
  glClearColor(7.0f, -3.0f, 0.5f, 2.0f);
  glClearDepth(0.3);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  targets.outline_fb.bind();
  glClearColor(9.0f, 9.0f, 9.0f, 9.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  targets.composite_fb.bind();
  glClear(GL_COLOR_BUFFER_BIT);
}

TEST_F(KeptStorage, TargetsServeSmallerFramesAndGrowForLargerOnes) {
  // Frames of a block and a ring whose extrusion reaches further each time, so that the output
  // grows or shrinks; the vanishing one's face targets reach beyond the output.
  struct Case {
    const char* what;
    int width, height, ssaa;
    ExtrusionMode mode;
    int16_t bitdepth;
    bool same_targets;  // served by the targets the frame before kept
  };
  const Case cases[] = {
      {"first frame", 200, 150, 2, ExtrusionMode::directional, 8, false},
      {"smaller", 150, 120, 2, ExtrusionMode::directional, 8, true},
      {"smaller, ssaa 1", 190, 100, 1, ExtrusionMode::directional, 8, true},
      {"vanishing, within", 180, 140, 2, ExtrusionMode::vanishing, 8, true},
      {"wider", 230, 140, 2, ExtrusionMode::directional, 8, false},
      {"a little wider again: grown with room", 236, 140, 2, ExtrusionMode::directional, 8, true},
      {"float", 200, 150, 2, ExtrusionMode::directional, 32, false},
      {"float, smaller", 120, 90, 3, ExtrusionMode::camera, 32, true},
  };
  std::thread([&] {
    const FrameTargets* last = nullptr;
    for (const Case& c : cases) {
      Scene scene{c.width, c.height};
      scene.outlines({bezier_rect(30, 25, 90, 70), ellipse(110, 60, 25, 28)});
      scene.request.mode = c.mode;
      scene.request.back = c.mode == ExtrusionMode::vanishing ? 0.4 : 25;
      scene.request.vanishing_x = 20;
      scene.request.vanishing_y = c.height - 2;
      scene.request.stroke_width = 3;
      if (c.mode == ExtrusionMode::camera) {
        scene.request.layer_transform = camera_transform(60, 45, 300, 20, -10);
      }
      RenderInput in = host.input(scene.plan(), c.bitdepth);
      in.ssaa = c.ssaa;
      in.stroke_opacity = 0.8f;
      if (last != nullptr) spoil_kept_targets();
      EXPECT_TRUE(render_here(in, c.width, c.height, c.bitdepth) ==
                  render_fresh(in, c.width, c.height, c.bitdepth))
          << c.what;
      const FrameTargets* targets = ensure_local_render_data()->targets.get();
      ASSERT_NE(targets, nullptr) << c.what;
      if (c.same_targets) {
        EXPECT_EQ(targets, last) << c.what;
      }
      EXPECT_EQ(targets->outline_width, c.width) << c.what;
      EXPECT_EQ(targets->outline_height, c.height) << c.what;
      last = targets;
    }
  }).join();
}

TEST(TargetSizesForAFrame, KeptSidesServeAndGrowWithRoom) {
  constexpr size_t no_limit = ~size_t{0};
  const TargetSizes none{};
  const TargetSizes kept{400, 300, 200, 150, GL_RGBA8};
  struct Case {
    const char* what;
    TargetSizes kept, needed;
    int32_t largest;
    size_t budget;
    TargetSizes expected;
  };
  const Case cases[] = {
      {"nothing kept: the frame's own",
       none,
       {500, 310, 250, 155, GL_RGBA8},
       16384,
       no_limit,
       {500, 310, 250, 155, GL_RGBA8}},
      // 500 + 31 rounds up to 576, 310 + 19 to 384; the composite's sides still suffice.
      {"grown with a sixteenth more",
       kept,
       {500, 310, 200, 150, GL_RGBA8},
       16384,
       no_limit,
       {576, 384, 200, 150, GL_RGBA8}},
      {"each side on its own",
       kept,
       {300, 320, 180, 151, GL_RGBA32F},
       16384,
       no_limit,
       {400, 384, 200, 192, GL_RGBA32F}},
      {"no more than the largest side",
       kept,
       {500, 300, 200, 150, GL_RGBA8},
       520,
       no_limit,
       {520, 300, 200, 150, GL_RGBA8}},
      {"beyond the largest side: left for GL to refuse",
       kept,
       {600, 300, 200, 150, GL_RGBA8},
       520,
       no_limit,
       {600, 300, 200, 150, GL_RGBA8}},
      {"grown beyond the budget: the frame's own",
       kept,
       {500, 310, 200, 150, GL_RGBA8},
       16384,
       TargetSizes{500, 310, 200, 150, GL_RGBA8}.bytes(),
       {500, 310, 200, 150, GL_RGBA8}},
  };
  for (const Case& c : cases) {
    const TargetSizes got = grown_target_sizes(c.kept, c.needed, c.largest, c.budget);
    EXPECT_EQ(got.face_width, c.expected.face_width) << c.what;
    EXPECT_EQ(got.face_height, c.expected.face_height) << c.what;
    EXPECT_EQ(got.width, c.expected.width) << c.what;
    EXPECT_EQ(got.height, c.expected.height) << c.what;
    EXPECT_EQ(got.composite_format, c.expected.composite_format) << c.what;
  }
  // 20 bytes a face sample, 4 a coverage pixel and 4 or 16 a composite one.
  EXPECT_EQ((TargetSizes{10, 10, 5, 4, GL_RGBA8}.bytes()), size_t{2000 + 80 + 80});
  EXPECT_EQ((TargetSizes{10, 10, 5, 4, GL_RGBA32F}.bytes()), size_t{2000 + 80 + 320});
}

TEST(InputTextureStorage, HoldsTheWholeMipChain) {
  // Levels down to 1 x 1 along the longer side.
  struct Case {
    int32_t width, height, levels;
  };
  for (const Case& c : {Case{1, 1, 1}, Case{2, 1, 2}, Case{5, 3, 3}, Case{1, 300, 9},
                        Case{1920, 1080, 11}, Case{2048, 2048, 12}}) {
    EXPECT_EQ(mip_level_count(c.width, c.height), c.levels) << c.width << "x" << c.height;
  }
  // 5 x 3, 2 x 1 and 1 x 1 texels.
  std::thread([] {
    ASSERT_NE(ensure_local_render_data(), nullptr);
    const InputTexture texture(5, 3, 0.0f);
    EXPECT_EQ(texture.bytes(), size_t{(15 + 2 + 1) * 16});
    GLint immutable = 0;
    texture.texture().bind();
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_IMMUTABLE_FORMAT, &immutable);
    EXPECT_EQ(immutable, GL_TRUE);
  }).join();
}

}  // namespace
}  // namespace tarvolk::test
