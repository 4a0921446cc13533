// The composition's frame as the viewer shows it, without a plug-in: an
// effect's output (a red square whose pixels reach beyond its 20 x 10
// layer) placed by its layer's transform over a green layer beneath and
// the background.

#include "host/scene/composition_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace simhost::scene {
namespace {

constexpr PF_Pixel8 red{255, 255, 0, 0}, green{255, 0, 255, 0}, navy{255, 0, 0, 102},
    clear{0, 0, 0, 0};

bool operator==(const PF_Pixel8& a, const PF_Pixel8& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

struct Probe {
  A_long x, y;
  PF_Pixel8 expected;
};

TEST(CompositionFrame, PlacesTheEffectsOutputByItsLayerOverTheOthers) {
  const struct {
    const char* name;
    LayerTransform transform;
    LayerKind kind = LayerKind::solid;
    bool parented = false;  // under a null moved 5 pixels right
    A_u_long downsample = 1;
    bool transparent = false;
    std::vector<Probe> probes;
  } cases[] = {
      {.name = "where the layer is, beyond its edges",
       .transform = {.anchor = Vec3{}, .position = Vec3{}},
       .probes = {{22, 12, red}, {15, 5, red}, {14, 5, navy}, {32, 22, green}}},
      {.name = "moved, over the layer beneath",
       .transform = {.anchor = Vec3{}, .position = Vec3{10, 10, 0}},
       .probes = {{32, 22, red}, {25, 15, red}, {24, 14, navy}, {36, 26, green}}},
      {.name = "scaled 50 % about its anchor",
       .transform = {.anchor = Vec3{}, .position = Vec3{}, .scale = Vec3{50, 50, 100}},
       .probes = {{10, 5, red}, {14, 5, navy}}},
      {.name = "turned a quarter clockwise",
       .transform = {.anchor = Vec3{}, .position = Vec3{30, 0, 0}, .rotation = 90.0},
       .probes = {{20, 20, red}, {10, 10, navy}}},
      {.name = "under a moved parent",
       .transform = {.anchor = Vec3{}, .position = Vec3{}},
       .parented = true,
       .probes = {{27, 7, red}, {19, 7, navy}}},
      {.name = "a shape layer, its origin at the middle of its pixels",
       .transform = {.anchor = Vec3{}, .position = Vec3{}},
       .kind = LayerKind::shape,
       .probes = {{6, 1, red}, {4, 1, navy}, {15, 1, navy}}},
      {.name = "moved at half resolution, transparent",
       .transform = {.anchor = Vec3{}, .position = Vec3{-10, 0, 0}},
       .downsample = 2,
       .transparent = true,
       .probes = {{12, 7, red}, {8, 7, clear}}},
  };
  for (const auto& c : cases) {
    Composition comp(40, 30, 24);
    Layer& parent = comp.add_layer(LayerKind::null, "Parent");
    parent.transform = {.anchor = Vec3{}, .position = Vec3{5, 0, 0}};
    Layer& under = comp.add_layer(LayerKind::solid, "Under");
    under.width = under.height = 10;
    under.transform = {.anchor = Vec3{}, .position = Vec3{30, 20, 0}};
    under.solid_color = Color{1.0, 0.0, 1.0, 0.0};
    Layer& layer = comp.add_layer(c.kind, "Effect");
    layer.width = 20;
    layer.height = 10;
    layer.transform = c.transform;
    if (c.parented) layer.parent = parent.id;
    World output(10, 10, PixelFormat::argb8);
    output.get()->origin_x = 15;
    output.get()->origin_y = 5;
    for (A_long y = 0; y < 10; ++y) {
      for (A_long x = 0; x < 10; ++x) output.pixel8(x, y) = red;
    }
    CompositionFrameSettings settings{.downsample_x = {1, c.downsample},
                                      .downsample_y = {1, c.downsample}};
    if (!c.transparent) settings.background = Color{1.0, 0.0, 0.0, 0.4};

    const std::unique_ptr<World> frame = composition_frame(comp, 0.0, layer.id, &output, settings);
    EXPECT_EQ(frame->get()->width, 40 / static_cast<A_long>(c.downsample)) << c.name;
    for (const Probe& p : c.probes) {
      EXPECT_TRUE(frame->pixel8(p.x, p.y) == p.expected) << c.name << " at " << p.x << ", " << p.y;
    }
  }
}

}  // namespace
}  // namespace simhost::scene
