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
