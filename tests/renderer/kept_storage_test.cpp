// What a rendering thread keeps from one frame to the next: every frame gives the pixels of the
// same frame rendered on a thread that keeps nothing yet, whatever the thread kept before.

#include "renderer/kept_storage.h"

#include <GL/glew.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/wgl.h"
#include "renderer/render_state.h"
#include "renderer/renderer_hooks.h"
#include "tests/renderer/render_test_support.h"

namespace tarvolk::test {
namespace {

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

// A thread that runs the tasks it is given one at a time, each while the caller waits, and
// lives until the object goes: a host's rendering thread between its frames.
class RenderThread {
 public:
  RenderThread() : thread_([this] { serve(); }) {}
  ~RenderThread() {
    run({});
    thread_.join();
  }
  RenderThread(const RenderThread&) = delete;
  RenderThread& operator=(const RenderThread&) = delete;

  // Runs `task` on the thread and returns when it is done; an empty task ends the thread.
  void run(std::function<void()> task) {
    std::unique_lock lock(mutex_);
    task_ = std::move(task);
    pending_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !pending_; });
  }

 private:
  void serve() {
    for (;;) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return pending_; });
      const bool last = !task_;
      if (task_) task_();
      pending_ = false;
      changed_.notify_all();
      if (last) return;
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  bool pending_ = false;
  std::thread thread_;
};

class KeptStorageBudget : public KeptStorage {
 protected:
  void SetUp() override {
    scene.outlines({bezier_rect(30, 25, 150, 120), ellipse(200, 90, 40, 45)});
    scene.request.inherit_layer_color = 1;
    in = host.input(scene.plan());
    in.input = layer->get();
    in.ssaa = 3;
    expected = render_fresh(in, 300, 200);
  }
  void TearDown() override {
    RendererHooks::set_kept_storage_budget(0);
    KeptStorage::TearDown();
  }

  // Renders the frame on `thread`, checks its pixels and that the thread holds no context
  // afterwards; returns the thread's render state.
  LocalRenderData* render_on(RenderThread& thread) {
    LocalRenderData* data = nullptr;
    thread.run([&] {
      EXPECT_TRUE(render_here(in, 300, 200) == expected);
      EXPECT_EQ(wglGetCurrentContext(), nullptr);
      data = ensure_local_render_data();
      wglMakeCurrent(nullptr, nullptr);
    });
    return data;
  }

  Scene scene{300, 200};
  std::unique_ptr<World> layer = patterned_layer(300, 200, 4);
  RenderInput in;
  std::vector<unsigned char> expected;
};

TEST_F(KeptStorageBudget, TheLeastRecentlyUsedThreadsStorageGoesFirst) {
  RenderThread a, b, c;
  LocalRenderData* at_a = render_on(a);
  const size_t one = at_a->kept_bytes;
  ASSERT_GT(one, size_t{300 * 200 * 9 * 20});  // the face targets at least
  // Room for two threads' storage.
  RendererHooks::set_kept_storage_budget(2 * one + one / 2);
  LocalRenderData* at_b = render_on(b);
  EXPECT_EQ(kept_storage_total(), 2 * one);

  // The third frame releases the first thread's storage, on its context.
  LocalRenderData* at_c = render_on(c);
  EXPECT_EQ(at_a->kept_bytes, 0u);
  EXPECT_EQ(at_a->targets, nullptr);
  EXPECT_EQ(at_a->input_texture, nullptr);
  EXPECT_EQ(at_a->geometry, nullptr);
  EXPECT_EQ(at_b->kept_bytes, one);
  EXPECT_EQ(at_c->kept_bytes, one);
  EXPECT_EQ(kept_storage_total(), 2 * one);

  // The first thread renders again, with storage made anew; the second has been idle longest.
  render_on(a);
  EXPECT_EQ(at_a->kept_bytes, one);
  EXPECT_EQ(at_b->kept_bytes, 0u);
  EXPECT_EQ(at_b->targets, nullptr);
  EXPECT_EQ(kept_storage_total(), 2 * one);

  // The third thread holds its context outside a frame: its storage cannot be released from
  // another thread, which asks it to and releases the next in line, the first's.
  c.run([] { ASSERT_NE(ensure_local_render_data(), nullptr); });
  render_on(b);
  EXPECT_TRUE(at_c->release_requested);
  EXPECT_NE(at_c->targets, nullptr);
  EXPECT_EQ(at_a->kept_bytes, 0u);
  // It lets go at its next frame's start and keeps that frame's storage.
  render_on(c);
  EXPECT_FALSE(at_c->release_requested);
  EXPECT_EQ(at_c->kept_bytes, one);
  EXPECT_EQ(at_b->kept_bytes, one);
  EXPECT_EQ(kept_storage_total(), 2 * one);
}

TEST_F(KeptStorageBudget, AFrameLargerThanTheBudgetRendersAndKeepsNothing) {
  RenderThread a, b;
  LocalRenderData* at_a = render_on(a);
  const size_t one = at_a->kept_bytes;
  RendererHooks::set_kept_storage_budget(one / 2);
  // The other thread's storage goes first, then the frame's own once it is drawn.
  LocalRenderData* at_b = render_on(b);
  EXPECT_EQ(at_a->kept_bytes, 0u);
  EXPECT_EQ(at_a->targets, nullptr);
  EXPECT_EQ(at_b->kept_bytes, 0u);
  EXPECT_EQ(at_b->targets, nullptr);
  EXPECT_EQ(at_b->input_texture, nullptr);
  EXPECT_EQ(kept_storage_total(), 0u);
  render_on(b);
  EXPECT_EQ(kept_storage_total(), 0u);
}

TEST(KeptStorageFigures, TheDefaultBudgetHoldsAFullHdFrameAt4OrTwoAt3) {
  EXPECT_EQ(kept_storage_budget(), default_kept_storage_budget);
  const auto full_hd_at = [](int32_t ssaa) {
    return TargetSizes{1920 * ssaa, 1080 * ssaa, 1920, 1080, GL_RGBA8}.bytes() +
           mip_chain_bytes(1920, 1080) + uploaded_pixels_bytes(1920, 1080, 32);
  };
  EXPECT_LE(full_hd_at(4), default_kept_storage_budget);
  EXPECT_LE(2 * full_hd_at(3), default_kept_storage_budget);
  EXPECT_GT(3 * full_hd_at(3), default_kept_storage_budget);
  RendererHooks::set_kept_storage_budget(12345);
  EXPECT_EQ(kept_storage_budget(), 12345u);
  RendererHooks::set_kept_storage_budget(0);
  EXPECT_EQ(kept_storage_budget(), default_kept_storage_budget);
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
