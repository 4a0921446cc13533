// Smart render through EffectMain: the input layer composited in front at
// "Input Opacity", the renderer's errors passed to the host, and frames of
// bad input that must end in a clear error or an empty frame.

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "host/png.h"
#include "tests/module/frame_test_support.h"
#include "tests/support/golden_picture.h"

namespace simhost::test {
namespace {

class SmartRender : public SceneFrames {
 protected:
  void load_text(json parameters, json more_layers = json::array()) {
    load(scene_json(160, 90, text_layer("T", 60, 30, 70), plain_look(parameters), more_layers));
  }

  // An input layer of one colour: alpha 255, red 0, green 200, blue 100.
  World input_layer{160, 90, PixelFormat::Argb8};
  void fill_input() {
    for (A_long y = 0; y < 90; ++y) {
      for (A_long x = 0; x < 160; ++x) input_layer.pixel8(x, y) = {255, 0, 200, 100};
    }
  }
};

// "Input Opacity" in percent to the 8-bit opacity of the composite; the
// input is fetched whenever the face or the composite needs it. Away from the
// solid the output is the input layer at that opacity.
TEST_F(SmartRender, InputLayerInFrontAtInputOpacity) {
  struct Case {
    double opacity;
    bool inherit;
    bool fetched;
    int composite_opacity;  // -1: no composite
  };
  fill_input();
  for (const Case& c : std::vector<Case>{{50, false, true, 128},
                                         {0.1, false, false, -1},
                                         {0.2, false, true, 1},
                                         {100, false, true, 255},
                                         {0, true, true, -1}}) {
    SCOPED_TRACE("opacity " + std::to_string(c.opacity));
    load_text({{"Input Opacity", c.opacity}, {"Inherit Layer Color", c.inherit}});
    host.clear_calls();
    Frame frame(*instance, {.input_layer = &input_layer});
    ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    EXPECT_EQ(host.calls_of("checkout_layer_pixels").size(), c.fetched ? 1u : 0u);
    const std::vector<CallRecord> transfers = host.calls_of("transfer_rect");
    ASSERT_EQ(transfers.size(), c.composite_opacity < 0 ? 0u : 1u);
    if (c.composite_opacity >= 0) {
      EXPECT_EQ(transfers[0].args[6], std::to_string(PF_Xfer_IN_FRONT));
      EXPECT_EQ(transfers[0].args[7], std::to_string(c.composite_opacity));
      const PF_Pixel8 corner = frame.picture().pixel8(150, 5);
      EXPECT_EQ(corner.alpha, c.composite_opacity);
      EXPECT_EQ(corner.green, 200);
    }
    finish();
  }
}

// With "Inherit Layer Color" the face takes the colours of the layer's own
// pixels, which the host renders at the frame's downsampling over the
// layer's extent; without it the face has its own colour, and "Input
// Opacity" puts the layer back in front.
TEST_F(SmartRender, TheFaceTakesTheLayersOwnColours) {
  struct Case {
    bool inherit;
    double input_opacity;
    A_u_long downsample;
    PF_Pixel8 face;
  };
  const PF_Pixel8 text_color = {255, 30, 160, 220};
  json title = text_layer("T", 60, 30, 70);
  title["text"]["color"] = {30, 160, 220};
  for (const Case& c : std::vector<Case>{{true, 0, 1, text_color},
                                         {true, 0, 2, text_color},
                                         {false, 0, 1, {255, 240, 200, 80}},
                                         {false, 100, 1, text_color}}) {
    SCOPED_TRACE(std::string(c.inherit ? "inherited" : "own colour") + ", input opacity " +
                 std::to_string(c.input_opacity) + ", 1:" + std::to_string(c.downsample));
    load(scene_json(160, 90, title,
                    plain_look({{"Inherit Layer Color", c.inherit},
                                {"Input Opacity", c.input_opacity},
                                {"Extrusion Length Back", 10}})));
    set_downsample(c.downsample);
    Frame frame(*instance, {});
    ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    if (c.inherit || c.input_opacity > 0) {
      ASSERT_EQ(frame.layer_checkouts().size(), 1u);
      const PF_LRect max = frame.layer_checkouts()[0].result.max_result_rect;
      EXPECT_EQ((std::array<A_long, 4>{max.left, max.top, max.right, max.bottom}),
                (std::array<A_long, 4>{0, 0, static_cast<A_long>(160 / c.downsample),
                                       static_cast<A_long>(90 / c.downsample)}));
    }
    // The middle of the glyph's stem.
    double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
    for (const scene::PathShape& contour : layer("Layer").text_outlines()) {
      for (const scene::PathPoint& v : contour.vertices) {
        left = std::min(left, v.x), right = std::max(right, v.x);
        top = std::min(top, v.y), bottom = std::max(bottom, v.y);
      }
    }
    const PF_Pixel8 face =
        frame.picture().pixel8(static_cast<A_long>((left + right) / 2 / c.downsample),
                               static_cast<A_long>((top + bottom) / 2 / c.downsample));
    EXPECT_EQ(face.alpha, c.face.alpha);
    EXPECT_NEAR(face.red, c.face.red, 1);
    EXPECT_NEAR(face.green, c.face.green, 1);
    EXPECT_NEAR(face.blue, c.face.blue, 1);
    finish();
  }
}

// The renderer's text reaches the host's message field for its own failures
// (first 255 characters), not for out of memory or cancel, which the host
// reports itself; host failures before the render leave it empty.
TEST_F(SmartRender, ErrorsAndTheirMessages) {
  struct Case {
    const char* what;
    std::function<void(SimHost&)> fail;
    PF_Err expected;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"read-back refused",
       [](SimHost& h) { h.fail_call("iterate", PF_Err_INTERNAL_STRUCT_DAMAGED, 10); },
       PF_Err_INTERNAL_STRUCT_DAMAGED, "failed to download composite_fb into output texture ("},
      {"no memory for the transfer", [](SimHost& h) { h.fail(Fail::LockHandle, 100); },
       PF_Err_OUT_OF_MEMORY, ""},
      {"cancelled", [](SimHost& h) { h.fail(Fail::Iterate, 10); }, PF_Interrupt_CANCEL, ""},
      {"colour conversion refused",
       [](SimHost& h) {
         h.fail_call("PF_GetFloatingPointColorFromColorDef", PF_Err_BAD_CALLBACK_PARAM);
       },
       PF_Err_BAD_CALLBACK_PARAM, ""},
      {"output refused", [](SimHost& h) { h.fail_call("checkout_output", PF_Err_OUT_OF_MEMORY); },
       PF_Err_OUT_OF_MEMORY, ""},
      {"composite refused",
       [](SimHost& h) { h.fail_call("transfer_rect", PF_Err_INTERNAL_STRUCT_DAMAGED); },
       PF_Err_INTERNAL_STRUCT_DAMAGED, ""},
  };
  fill_input();
  for (const Case& c : cases) {
    load_text({{"Input Opacity", 50}});
    c.fail(host);
    Frame frame(*instance, {.input_layer = &input_layer});
    EXPECT_EQ(frame.run(module), c.expected) << c.what;
    const std::string message = frame.out_data().return_msg;
    EXPECT_TRUE(c.message[0] == '\0' ? message.empty() : message.rfind(c.message, 0) == 0)
        << c.what << ": " << message;
    EXPECT_EQ(frame.out_data().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0) << c.what;
    host.clear_failures();
    finish();
  }
}

// Nothing to draw, or nothing to draw into, or what cannot be drawn: an
// empty frame or a clear error, never more, and every checkout given back
// (the fixture's balance check).
TEST_F(SmartRender, BadInputGivesAnEmptyFrameOrAClearError) {
  struct Case {
    const char* what;
    json layer = text_layer("T", 60, 30, 70);
    json values = json::object();
    json more_layers = json::array();
    std::function<void(EffectInstance&)> spoil_layer = [](EffectInstance&) {};
    PF_RationalScale downsample_x = {1, 1};  // as in-data gives it
    PF_Err expected = PF_Err_NONE;
    bool drawn = false;  // some pixel of the picture is not transparent
  };
  const json flat_mask = {{"path", {{"vertices", {{10, 10}, {50, 10}, {90, 10}}}}}};
  const json zoomless = {{"name", "Camera"}, {"kind", "camera"}, {"camera", {{"zoom", 0}}}};
  const std::vector<Case> cases = {
      {.what = "zero lengths", .values = {{"Extrusion Length Back", 0}}, .drawn = true},
      {.what = "a solid without masks", .layer = {{"kind", "solid"}}},
      {.what = "a text of spaces", .layer = text_layer("   ", 60, 30, 70)},
      {.what = "a mask of zero area",
       .layer = {{"kind", "solid"}, {"masks", json::array({flat_mask})}}},
      {.what = "a layer of no size",
       .spoil_layer = [](EffectInstance& i) { i.layer.width = i.layer.height = 0; }},
      {.what = "a zero downsample factor",
       .downsample_x = {0, 1},
       .expected = PF_Err_BAD_CALLBACK_PARAM},
      {.what = "a zero downsample denominator",
       .downsample_x = {1, 0},
       .expected = PF_Err_BAD_CALLBACK_PARAM},
      // The whole solid seen as one point in the middle, which covers no pixel.
      {.what = "a camera of zero zoom",
       .values = {{"Mode", "3D Camera"}, {"Extrusion Length Back", 20}},
       .more_layers = json::array({zoomless})},
      {.what = "a parent not in the composition",
       .values = {{"Mode", "3D Camera"}, {"Parent Layer", 77}},
       .expected = A_Err_PARAMETER},
  };
  for (const Case& c : cases) {
    load(scene_json(160, 90, c.layer, plain_look(c.values), c.more_layers));
    c.spoil_layer(*instance);
    Frame frame(*instance, {});
    frame.in_data().downsample_x = c.downsample_x;
    EXPECT_EQ(frame.run(module), c.expected) << c.what;
    ASSERT_NE(frame.pre_render_output().pre_render_data, nullptr) << c.what;
    const RgbaImage picture = rgba_image_of(*frame.picture().get());
    EXPECT_EQ(count_alpha(picture, 1, 255) > 0, c.drawn) << c.what;
    finish();
  }
}

// "Side Fill Mode" Solid gives the walls one stop of the side fill colour:
// the gradient and its interpolation change nothing; in Gradient mode they
// do.
TEST_F(SmartRender, SolidSideFillIgnoresTheGradient) {
  const json stops = {{"stops", {{0.0, 1, 0, 0}, {0.25, 0, 1, 0}, {0.5, 0, 0, 1}}}};
  auto picture = [&](const char* mode, bool custom_gradient) {
    json values = {{"Side Fill Mode", mode}, {"Interpolate Gradient", true}};
    if (custom_gradient) values["Gradient Wheel"] = stops;
    load_text(values);
    Frame frame(*instance, {});
    EXPECT_EQ(frame.run(module), PF_Err_NONE);
    const RgbaImage image = rgba_image_of(*frame.picture().get());
    finish();
    return image.rgba;
  };
  EXPECT_EQ(picture("Solid", false), picture("Solid", true));
  EXPECT_NE(picture("Gradient", false), picture("Gradient", true));
}

// Asked to render into an output without pixels, smart render draws
// nothing and reports nothing.
TEST_F(SmartRender, AnOutputWithoutPixelsIsAnEmptyFrame) {
  load_text(json::object());
  Frame frame(*instance, {.request = PF_LRect{0, 0, 0, 0}});
  ASSERT_EQ(frame.pre_render(module), PF_Err_NONE);
  Frame::Active active(frame);
  PF_InData in_data = frame.in_data();
  PF_OutData out_data{};
  EXPECT_EQ(module.effect_main(PF_Cmd_SMART_RENDER, &in_data, &out_data, nullptr, nullptr,
                               frame.smart_render_extra()),
            PF_Err_NONE);
  ASSERT_NE(frame.output(), nullptr);
  EXPECT_EQ(frame.output()->get()->width, 0);
  EXPECT_STREQ(out_data.return_msg, "");
}

}  // namespace
}  // namespace simhost::test
