// Smart pre-render through EffectMain: the plan it leaves with the host per
// mode and resolution, the GUID mix-in, and what a failure still leaves
// behind. (The input layer it asks for: smart render's tests.)

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "tests/module/frame_test_support.h"

namespace simhost::test {
namespace {

// A path-space point through a plan's matrix (row vector times matrix),
// divided by w: where it lands on screen, y up. With w 0, where the
// direction (x, y, z) runs to.
std::array<double, 2> on_screen(const dmat4& m, double x, double y, double z, double w = 1) {
  double q[4] = {};
  const double p[4] = {x, y, z, w};
  for (int c = 0; c < 4; ++c) {
    for (int k = 0; k < 4; ++k) q[c] += p[k] * m[4 * k + c];
  }
  return {q[0] / q[3], q[1] / q[3]};
}

class PreRender : public SceneFrames {
 protected:
  void load_text(json parameters) {
    load(scene_json(320, 180, text_layer("Tv", 100, 60, 130), plain_look(parameters),
                    json::array({rig({160, 90, 0}, {0, 30, 0})})));
  }
};

// Lengths follow the resolution, amounts and the vanishing point as
// delivered do not; a front deeper than the back is swapped. Direction 0
// points straight up (x 0).
TEST_F(PreRender, DepthsPerModeAndResolution) {
  struct Case {
    const char* what;
    A_u_long downsample;
    double front, back, direction_x, vanishing_x, vanishing_y;  // path space
    json values;
  };
  const double cos_45 = std::cos(M_PI / 4);
  const std::vector<Case> cases = {
      {"directional, lengths swapped at half size", 2, 5, 25, cos_45, 0, 0,
       json{{"Extrusion Length Front", 50}, {"Extrusion Length Back", 10}}},
      {"directional at full size", 1, 0, 10, cos_45, 0, 0,
       json{{"Extrusion Length Front", 0}, {"Extrusion Length Back", 10}}},
      {"vanishing amounts at half size", 2, 0.2, 0.4, 0, 50, -25,
       json{{"Mode", "Vanishing"},
            {"Extrusion Amount Front", 40},
            {"Extrusion Amount Back", 20},
            {"Vanishing Point", {100, 50}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    load_text(c.values);
    set_downsample(c.downsample);
    Frame frame(*instance, {});
    ASSERT_EQ(frame.pre_render(module), PF_Err_NONE);
    const PreRenderPlan& plan = plan_of(frame);
    EXPECT_DOUBLE_EQ(plan.front_extrusion_amount, c.front);
    EXPECT_DOUBLE_EQ(plan.back_extrusion_amount, c.back);
    EXPECT_NEAR(plan.extrusion_direction.x, c.direction_x, 1e-12);
    EXPECT_DOUBLE_EQ(plan.vanishing_point.x, c.vanishing_x);
    EXPECT_DOUBLE_EQ(plan.vanishing_point.y, c.vanishing_y);
    EXPECT_DOUBLE_EQ(plan.stroke_width, 2.0 / c.downsample);
    EXPECT_FALSE(plan.paths.empty());
    EXPECT_EQ(plan.path_to_screen, dmat4{});
    finish();
  }
}

// Without a parent (or with the effect's own layer as parent) the layer
// stays where it lies in the composition under the default camera: a point
// of the layer plane lands on itself in the layer's pixels, at any
// downsampling, while deeper points run towards the composition's middle,
// seen in the layer's pixels (the perspective centre).
TEST_F(PreRender, CameraModeWithoutParentKeepsTheLayerInPlace) {
  struct Case {
    const char* what;
    json layer;  // in a 640 x 360 composition
    const char* parent;
    A_u_long ds_x, ds_y;
    std::array<double, 2> centre;  // layer pixels, full size
  };
  const json title = text_layer("Tv", 100, 60, 130);
  json turned = title;
  turned["transform"] = {{"position", {400, 150}}, {"rotation", 30}};
  const json plate = {
      {"kind", "solid"}, {"size", {400, 300}}, {"transform", {{"anchor", {200, 150}}}}};
  const std::vector<Case> cases = {
      {"the composition's size", title, "", 1, 1, {320, 180}},
      {"its own layer as parent at half size", title, "Layer", 2, 2, {320, 180}},
      // (320, 180) less (400, 150) turned back by 30 degrees, from the middle.
      {"moved and turned", turned, "", 1, 1, {265.71796769724491, 245.98076211353316}},
      {"a 400 x 300 solid in the middle", plate, "", 1, 1, {200, 150}},
      {"the same at 1/2 across, 1/4 down", plate, "", 2, 4, {200, 150}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    json values = {{"Mode", "3D Camera"}, {"Extrusion Length Back", 20}};
    if (c.parent[0] != '\0') values["Parent Layer"] = c.parent;
    load(scene_json(640, 360, c.layer, plain_look(values)));
    instance->layer.downsample_x = {1, c.ds_x};
    instance->layer.downsample_y = {1, c.ds_y};
    Frame frame(*instance, {});
    ASSERT_EQ(frame.pre_render(module), PF_Err_NONE);
    const dmat4& m = plan_of(frame).path_to_screen;
    for (const std::array<double, 2>& p : {std::array<double, 2>{0, 0}, {37, -12}, {150, -80}}) {
      const std::array<double, 2> q = on_screen(m, p[0], p[1], 0);
      EXPECT_NEAR(q[0], p[0], 1e-6);
      EXPECT_NEAR(q[1], p[1], 1e-6);
    }
    const std::array<double, 2> centre = on_screen(m, 0, 0, -1, 0);
    EXPECT_NEAR(centre[0], c.centre[0] / c.ds_x, 1e-6);
    EXPECT_NEAR(-centre[1], c.centre[1] / c.ds_y, 1e-6);
    // No parent to follow: the GUID mix-in is zeros.
    ASSERT_EQ(frame.guid_mix_ins().size(), 1u);
    EXPECT_EQ(frame.guid_mix_ins()[0], std::vector<unsigned char>(128, 0));
    finish();
  }
}

// The GUID mix-in: only hosts from 13.11 have it; it carries the parent's
// layer-to-world matrix in camera mode with a parent, zeros otherwise.
TEST_F(PreRender, GuidMixInByHostVersionAndParent) {
  struct Case {
    PF_SpecVersion version;
    bool camera_with_parent;
    bool mixed;
  };
  for (const Case& c : std::vector<Case>{{{13, 10}, false, false},
                                         {{13, 10}, true, false},
                                         {{13, 11}, false, true},
                                         {{13, 28}, true, true},
                                         {{14, 0}, false, true}}) {
    SCOPED_TRACE(std::to_string(c.version.major) + "." + std::to_string(c.version.minor) +
                 (c.camera_with_parent ? " with parent" : ""));
    json values = {{"Extrusion Length Back", 20}};
    if (c.camera_with_parent) values.update({{"Mode", "3D Camera"}, {"Parent Layer", "Rig"}});
    load_text(values);
    instance->version = c.version;
    Frame frame(*instance, {});
    ASSERT_EQ(frame.pre_render(module), PF_Err_NONE);
    ASSERT_EQ(frame.guid_mix_ins().size(), c.mixed ? 1u : 0u);
    if (c.mixed) {
      std::vector<unsigned char> expected(128, 0);
      if (c.camera_with_parent) {
        const A_Matrix4 rig = scene().composition->layer_to_world(layer("Rig"), 0.0);
        std::memcpy(expected.data(), &rig, sizeof rig);
        EXPECT_NE(expected, std::vector<unsigned char>(128, 0));
      }
      EXPECT_EQ(frame.guid_mix_ins()[0], expected);
    }
    finish();
  }
}

// A failure keeps its code, and the host still gets a plan (of no outlines)
// to destroy and rectangles from it; no render follows.
TEST_F(PreRender, FailuresStillLeaveAPlan) {
  struct Case {
    const char* what;
    std::function<void(SimHost&)> fail;
    PF_Err expected;
  };
  const std::vector<Case> cases = {
      {"a parameter checkout", [](SimHost& h) { h.fail_checkout_of(30); },
       PF_Err_INTERNAL_STRUCT_DAMAGED},
      {"the outlines' stream",
       [](SimHost& h) { h.fail_call("AEGP_GetNewTextOutlines", A_Err_GENERIC); }, A_Err_GENERIC},
      {"the input checkout",
       [](SimHost& h) { h.fail_call("checkout_layer", PF_Err_OUT_OF_MEMORY); },
       PF_Err_OUT_OF_MEMORY},
      {"the GUID mix-in",
       [](SimHost& h) { h.fail_call("GuidMixInPtr", PF_Err_INTERNAL_STRUCT_DAMAGED); },
       PF_Err_INTERNAL_STRUCT_DAMAGED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    load_text({{"Input Opacity", 50}});
    c.fail(host);
    Frame frame(*instance, {});
    EXPECT_EQ(frame.run(module), c.expected);
    ASSERT_NE(frame.pre_render_output().pre_render_data, nullptr);
    ASSERT_NE(frame.pre_render_output().delete_pre_render_data_func, nullptr);
    EXPECT_EQ(frame.output(), nullptr);
    EXPECT_TRUE(host.calls_of("checkout_output").empty());
    host.clear_failures();
    finish();
  }
}

}  // namespace
}  // namespace simhost::test
