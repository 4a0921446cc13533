// Smart render through EffectMain: the input layer asked for and composited
// in front at "Input Opacity", the face in the layer's colours or its own,
// the renderer's errors and their texts passed to the host, and frames of
// bad input that must end in a clear error or an empty frame.

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/png.h"
#include "host/scene/layer_pixels.h"
#include "tests/module/frame_test_support.h"
#include "tests/support/golden_picture.h"

namespace simhost::test {
namespace {

class SmartRender : public SceneFrames {
 protected:
  void load_text(json parameters) {
    load(scene_json(160, 90, text_layer("T", 60, 30, 70), plain_look(parameters)));
  }
};

// The input layer is asked for when the face takes its colours (for the
// area the face samples: the request moved back along the walls to the
// front's depth) or when it is composited in front at "Input Opacity" (for
// the whole request, which then is the output's too). Away from the solid the
// output is the input layer at the composite's 8-bit opacity.
TEST_F(SmartRender, InputLayerAskedForAndCompositedInFront) {
  using Quad = std::array<A_long, 4>;  // left, top, right, bottom
  const auto quad = [](const PF_LRect& r) { return Quad{r.left, r.top, r.right, r.bottom}; };
  const Quad whole = {0, 0, 320, 180};
  // The walls run down and to the right at 135 degrees: 10 pixels back along
  // them is 7.07 up and to the left, rounded outwards.
  const struct {
    bool inherit;
    double opacity;
    std::optional<Quad> asked;  // the input layer's area, when asked for
    int composite_opacity;      // -1: no composite, the output the solid's bounds
  } cases[] = {{false, 0.1, std::nullopt, -1},
               {true, 0.0, Quad{-8, -8, 313, 173}, -1},
               {false, 0.2, whole, 1},
               {true, 50.0, Quad{-8, -8, 320, 180}, 128},
               {false, 100.0, whole, 255}};
  World input(320, 180, PixelFormat::argb8);
  for (A_long y = 0; y < 180; ++y) {
    for (A_long x = 0; x < 320; ++x) input.pixel8(x, y) = {255, 0, 200, 100};
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.inherit ? "inherit" : "own colour") + ", opacity " +
                 std::to_string(c.opacity));
    load(scene_json(320, 180, text_layer("Tv", 100, 60, 130),
                    plain_look({{"Inherit Layer Color", c.inherit},
                                {"Input Opacity", c.opacity},
                                {"Extrusion Length Front", 10},
                                {"Extrusion Length Back", 20}})));
    host.clear_calls();
    Frame frame(*instance, {.input_layer = &input});
    ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    ASSERT_EQ(frame.layer_checkouts().size(), c.asked ? 1u : 0u);
    EXPECT_EQ(host.calls_of("checkout_layer_pixels").size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(frame.layer_checkouts()[0].index, 0);
      EXPECT_EQ(frame.layer_checkouts()[0].checkout_id, 0);
      EXPECT_EQ(quad(frame.layer_checkouts()[0].request.rect), *c.asked);
    }
    const Quad result = quad(frame.pre_render_output().result_rect);
    EXPECT_EQ(quad(frame.pre_render_output().max_result_rect), result);
    const std::vector<CallRecord> transfers = host.calls_of("transfer_rect");
    ASSERT_EQ(transfers.size(), c.composite_opacity < 0 ? 0u : 1u);
    if (c.composite_opacity < 0) {
      EXPECT_TRUE(result[0] > 0 && result[2] < 320);  // the glyphs and their walls
      finish();
      continue;
    }
    EXPECT_EQ(result, whole);
    EXPECT_EQ(transfers[0].args[6], std::to_string(PF_Xfer_IN_FRONT));
    EXPECT_EQ(transfers[0].args[7], std::to_string(c.composite_opacity));
    EXPECT_EQ(frame.picture().pixel8(310, 5).alpha, c.composite_opacity);
    EXPECT_EQ(frame.picture().pixel8(310, 5).green, 200);
    finish();
  }
}

// With "Inherit Layer Color" the face takes the colours of the layer's own
// pixels, which the host renders at the frame's downsampling over the
// layer's extent.
TEST_F(SmartRender, TheFaceTakesTheLayersOwnColours) {
  json title = text_layer("T", 60, 30, 70);
  title["text"]["color"] = {30, 160, 220};
  for (const A_u_long downsample : {1u, 2u}) {
    load(scene_json(160, 90, title,
                    plain_look({{"Inherit Layer Color", true}, {"Extrusion Length Back", 10}})));
    set_downsample(downsample);
    Frame frame(*instance, {});
    ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    ASSERT_EQ(frame.layer_checkouts().size(), 1u);
    const PF_LRect max = frame.layer_checkouts()[0].result.max_result_rect;
    EXPECT_EQ((std::array<A_long, 4>{max.left, max.top, max.right, max.bottom}),
              (std::array<A_long, 4>{0, 0, static_cast<A_long>(160 / downsample),
                                     static_cast<A_long>(90 / downsample)}));
    // The middle of the glyph's stem.
    double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
    for (const scene::PathShape& contour : layer("Layer").text_outlines()) {
      for (const scene::PathPoint& v : contour.vertices) {
        left = std::min(left, v.x), right = std::max(right, v.x);
        top = std::min(top, v.y), bottom = std::max(bottom, v.y);
      }
    }
    const PF_Pixel8 face =
        frame.picture().pixel8(static_cast<A_long>((left + right) / 2 / downsample),
                               static_cast<A_long>((top + bottom) / 2 / downsample));
    EXPECT_EQ(face.alpha, 255) << "1:" << downsample;
    EXPECT_NEAR(face.red, 30, 1) << "1:" << downsample;
    EXPECT_NEAR(face.green, 160, 1) << "1:" << downsample;
    EXPECT_NEAR(face.blue, 220, 1) << "1:" << downsample;
    finish();
  }
}

// A shape layer's solid stands on the layer's own pixels wherever the
// layer's transform puts it (the host composites the layer with it): the
// yellow face, over blue walls, covers what the host draws of the layer.
TEST_F(SmartRender, AShapeLayersFaceCoversItsOwnPixels) {
  const json badge = {
      {"type", "group"},
      {"transform", {{"rotation", 10}}},
      {"items",
       {{{"type", "path"}, {"path", {{"vertices", {{-60, -30}, {50, -40}, {40, 35}, {-45, 30}}}}}},
        {{"type", "fill"}}}}};
  const json mover = {
      {"name", "Mover"}, {"kind", "null"}, {"transform", {{"position", {220, 60}}}}};
  const std::pair<const char*, json> cases[] = {
      {"moved", {{"transform", {{"position", {200, 100}}}}}},
      {"anchored", {{"transform", {{"anchor", {30, -20}}}}}},
      {"scaled 50 %", {{"transform", {{"scale", {50, 50}}}}}},
      {"rotated 30 degrees", {{"transform", {{"rotation", 30}}}}},
      {"parented to a moved null", {{"parent", "Mover"}}},
      {"not the composition's size", {{"size", {200, 120}}}},
  };
  for (auto [what, shape] : cases) {
    SCOPED_TRACE(what);
    shape.update({{"kind", "shape"}, {"contents", json::array({badge})}});
    load(scene_json(320, 180, shape,
                    plain_look({{"Stroke Width", 0}, {"Extrusion Length Back", 20}}),
                    json::array({mover})));
    Frame frame(*instance, {});
    ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    const RgbaImage solid = rgba_image_of(*frame.picture().get());
    World own(solid.width, solid.height, PixelFormat::argb8);
    scene::render_layer_pixels(layer("Layer"), 0.0, {1, 1}, {1, 1}, own);
    // The face's share of a pixel: its alpha, times how far its red lies
    // from the walls' (60) towards the face's (240). The overlap is within
    // 1 % of either area.
    double common = 0.0;
    double face_area = 0.0;
    double own_area = 0.0;
    for (int y = 0; y < solid.height; ++y) {
      for (int x = 0; x < solid.width; ++x) {
        const uint8_t* p = &solid.rgba[(static_cast<size_t>(y) * solid.width + x) * 4];
        const double f = p[3] / 255.0 * std::clamp((p[0] - 60) / 180.0, 0.0, 1.0);
        const double o = own.pixel8(x, y).alpha / 255.0;
        common += std::min(f, o);
        face_area += f;
        own_area += o;
      }
    }
    EXPECT_GT(common, 1000.0);
    EXPECT_GE(common / std::max(face_area, own_area), 0.99);
    finish();
  }
}

// At 1/2 across and 1/4 down a frame is the full frame squeezed by those
// factors, in every mode: the premultiplied channels differ from the full
// frame's averaged over 2 x 4 pixels by a couple of levels on the mean (the
// stroke keeps one width, which no squeeze keeps exactly).
TEST_F(SmartRender, UnequalDownsamplingSqueezesTheFullFrame) {
  const std::pair<const char*, json> modes[] = {
      {"directional", json::object()},
      {"vanishing",
       {{"Mode", "Vanishing"}, {"Vanishing Point", {160, 20}}, {"Extrusion Amount Back", 30}}},
      {"3D camera", {{"Mode", "3D Camera"}, {"Parent Layer", "Rig"}, {"Anchor Point", {160, 90}}}},
  };
  for (const auto& [what, values] : modes) {
    SCOPED_TRACE(what);
    const auto frame_at = [&](A_u_long ds_x, A_u_long ds_y) {
      load(scene_json(320, 180, text_layer("Tv", 100, 60, 130), plain_look(values),
                      json::array({rig({160, 90, 0}, {15, -30, 0})})));
      instance->layer.downsample_x = {1, ds_x};
      instance->layer.downsample_y = {1, ds_y};
      Frame frame(*instance, {});
      EXPECT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
      RgbaImage picture = rgba_image_of(*frame.picture().get());
      finish();
      return picture;
    };
    const RgbaImage full = frame_at(1, 1);
    const RgbaImage squeezed = frame_at(2, 4);
    ASSERT_EQ(squeezed.width, 160);
    ASSERT_EQ(squeezed.height, 45);
    const auto premultiplied = [](const RgbaImage& image, int x, int y, int k) {
      const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
      return k == 3 ? p[3] : p[k] * p[3] / 255.0;
    };
    double difference = 0.0;
    for (int y = 0; y < squeezed.height; ++y) {
      for (int x = 0; x < squeezed.width; ++x) {
        std::array<double, 4> block = {};
        for (int k = 0; k < 4; ++k) {
          for (int j = 0; j < 8; ++j)
            block[k] += premultiplied(full, 2 * x + j % 2, 4 * y + j / 2, k) / 8;
        }
        for (int k = 0; k < 4; ++k)
          difference += std::abs(premultiplied(squeezed, x, y, k) - block[k]) / 4;
      }
    }
    EXPECT_LE(difference / (160 * 45), 2.0);
  }
}

// Failures of smart render's own calls to the host give their codes and
// leave the host's message field empty, but for a "Gradient Wheel" value
// that cannot be read for gradient walls, which says so. (The renderer's
// failures and their texts: the renderer's error tests and smart render's
// error text test.)
TEST_F(SmartRender, HostFailuresGiveTheirCodes) {
  const struct {
    const char* function;
    PF_Err error;
    const char* side_fill;
    const char* message;
  } failures[] = {
      {"PF_GetFloatingPointColorFromColorDef", PF_Err_BAD_CALLBACK_PARAM, "Solid", ""},
      {"checkout_output", PF_Err_OUT_OF_MEMORY, "Solid", ""},
      {"transfer_rect", PF_Err_INTERNAL_STRUCT_DAMAGED, "Solid", ""},
      {"host_lock_handle", PF_Err_OUT_OF_MEMORY, "Gradient",
       "the \"Gradient Wheel\" value could not be read (out of memory)"},
  };
  const World input(160, 90, PixelFormat::argb8);
  for (const auto& f : failures) {
    SCOPED_TRACE(f.function);
    load_text({{"Input Opacity", 50}, {"Side Fill Mode", f.side_fill}});
    host.fail_call_during("PF_Cmd_SMART_RENDER", f.function, f.error);
    Frame frame(*instance, {.input_layer = &input});
    EXPECT_EQ(frame.run(module), f.error);
    EXPECT_STREQ(frame.out_data().return_msg, f.message);
    EXPECT_EQ(frame.out_data().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    host.clear_failures();
    finish();
  }
  // The host's own work running out of memory is the call's out-of-memory
  // code, never an exception through the plug-in; everything is still given
  // back (the fixture's balance check).
  for (const char* function :
       {"checkout_layer", "checkout_layer_pixels", "checkout_param", "AEGP_GetNewTextOutlines",
        "PF_GetFloatingPointColorFromColorDef", "checkout_output", "transfer_rect"}) {
    load_text(
        {{"Input Opacity", 50}, {"Inherit Layer Color", true}, {"Side Fill Mode", "Gradient"}});
    host.run_out_of_memory_in(function);
    Frame frame(*instance, {});
    EXPECT_EQ(frame.run(module), PF_Err_OUT_OF_MEMORY) << function;
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
  const json camera = {{"name", "Camera"}, {"kind", "camera"}};
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
      // The whole solid seen as one point in the middle, which covers no
      // pixel (a zoom that no scene file may give).
      {.what = "a camera of zero zoom",
       .values = {{"Mode", "3D Camera"}, {"Extrusion Length Back", 20}},
       .more_layers = json::array({camera}),
       .spoil_layer =
           [](EffectInstance& i) {
             scene::Composition::of_effect(i.effect_ref())->layers()[0]->camera.zoom = 0.0;
           }},
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

// The effect's front face covers what the layer itself shows, by the same
// rules for masks (a first mask of any mode but subtract adds its own area),
// for merges (a merge takes the place of the fills above it in its group)
// and for choices between keyframes (they hold): with no walls and no
// stroke, the areas agree to 1%.
TEST_F(SmartRender, TheFrontFaceCoversWhatTheLayerItselfShows) {
  const auto square = [](double left, double top, double right, double bottom) {
    return json{{"vertices", {{left, top}, {right, top}, {right, bottom}, {left, bottom}}}};
  };
  const auto mask = [](const char* mode, json path, bool inverted = false) {
    return json{{"mode", mode}, {"path", path}, {"inverted", inverted}};
  };
  // Two overlapping rectangles around the layer's middle, with what is
  // given between them, merged, then filled.
  const auto shapes = [&](json between, json merge) {
    json items = {{{"type", "path"}, {"path", square(-120, -60, 30, 50)}}};
    if (!between.is_null()) items.push_back(between);
    items.push_back({{"type", "path"}, {"path", square(-40, -30, 120, 70)}});
    items.push_back({{"type", "merge"}, {"merge", merge}});
    items.push_back({{"type", "fill"}});
    return json{{"kind", "shape"}, {"contents", items}};
  };
  const json a = square(60, 40, 200, 140), b = square(120, 20, 260, 100);
  const struct {
    const char* what;
    json layer;
    double time = 0.0;
  } cases[] = {
      {"a text", text_layer("Tv", 120, 40, 140)},
      {"a first mask in difference mode", {{"kind", "solid"}, {"masks", {mask("difference", a)}}}},
      {"the same, inverted", {{"kind", "solid"}, {"masks", {mask("difference", a, true)}}}},
      {"an intersecting first mask, then a difference",
       {{"kind", "solid"}, {"masks", {mask("intersect", a), mask("difference", b)}}}},
      {"a fill before a merge", shapes({{"type", "fill"}}, "subtract")},
      {"a merge between keyframes, exclude then add",
       shapes(nullptr, {{"keyframes",
                         {{{"time", 0}, {"value", "exclude"}}, {{"time", 1}, {"value", "add"}}}}}),
       0.5},
  };
  for (const auto& c : cases) {
    json text = json::parse(scene_json(
        320, 180, c.layer,
        plain_look({{"Use All Paths", true}, {"Stroke Width", 0}, {"Extrusion Length Back", 0}})));
    text["time"] = c.time;
    load(text.dump());
    Frame frame(*instance, {});
    ASSERT_EQ(frame.run(module), PF_Err_NONE) << c.what;
    World own(320, 180, PixelFormat::argb8);
    scene::render_layer_pixels(layer("Layer"), c.time, {1, 1}, {1, 1}, own);
    const auto face =
        static_cast<double>(count_alpha(rgba_image_of(*frame.picture().get()), 128, 255));
    const auto shown = static_cast<double>(count_alpha(rgba_image_of(*own.get()), 128, 255));
    EXPECT_GT(shown, 1000) << c.what;
    EXPECT_GE(std::min(face, shown) / std::max(face, shown), 0.99)
        << c.what << ": face " << face << ", layer " << shown;
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

// A suite missing halfway through smart render (after the "Gradient Wheel"
// was checked out and kept) throws 516 out of the command; the kept value is
// still given back (the fixture's balance check), and nothing else twice.
TEST_F(SmartRender, AMissingSuiteStillGivesEveryParameterBack) {
  load_text({{"Side Fill Mode", "Gradient"}});
  Frame frame(*instance, {});
  ASSERT_EQ(frame.pre_render(module), PF_Err_NONE);
  host.make_suite_missing("PF ColorParamSuite", 1);
  host.clear_calls();
  Frame::Active active(frame);
  PF_InData in_data = frame.in_data();
  PF_OutData out_data{};
  EXPECT_EQ(module.effect_main(PF_Cmd_SMART_RENDER, &in_data, &out_data, nullptr, nullptr,
                               frame.smart_render_extra()),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host.calls_of("checkin_param").size(), host.calls_of("checkout_param").size());
  EXPECT_EQ(host.stray_checkins(), 0);
}

// Each host call of a frame in turn fails, and in another frame throws (as a
// host that breaks the rule that callbacks never throw would): either way
// everything the frame took from the host is given back.
TEST_F(SmartRender, EachHostCallFailingOrThrowingLeavesNothingOut) {
  const json triangle = {
      {"kind", "shape"},
      {"contents",
       {{{"type", "group"},
         {"items",
          {{{"type", "path"}, {"path", {{"vertices", {{10, 10}, {60, 15}, {30, 50}}}}}},
           {{"type", "fill"}}}}}}}};
  const struct {
    const char* what;
    json layer;
    json values;
    json more_layers = json::array();
    A_short bitdepth = 8;
  } scenes[] = {
      {"masks seen by a camera through a parent, gradient walls, the layer's own colours and "
       "the layer in front",
       framed_solid({10, 10, 70, 50}, {30, 20, 50, 40}),
       {{"Mode", "3D Camera"},
        {"Parent Layer", "Rig"},
        {"Side Fill Mode", "Gradient"},
        {"Inherit Layer Color", true},
        {"Input Opacity", 50}},
       json::array({rig({40, 30, 0}, {0, 30, 0})})},
      {"a shape layer", triangle, json::object()},
      {"a text layer in float", text_layer("T", 40, 10, 50), json::object(), json::array(), 32},
  };
  for (const auto& scene : scenes) {
    SCOPED_TRACE(scene.what);
    load(scene_json(80, 60, scene.layer, plain_look(scene.values), scene.more_layers));
    host.clear_calls();
    {
      Frame frame(*instance, {.bitdepth = scene.bitdepth});
      ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    }
    // The effect's own calls: those made while its frame commands run.
    std::vector<CallRecord> calls;
    for (const CallRecord& call : host.calls()) {
      if (call.command == "PF_Cmd_SMART_PRE_RENDER" || call.command == "PF_Cmd_SMART_RENDER") {
        calls.push_back(call);
      }
    }
    std::map<std::pair<std::string, std::string>, int> earlier;  // of the same function
    for (const CallRecord& call : calls) {
      const int skip = earlier[{call.command, call.function}]++;
      for (const bool throws : {false, true}) {
        SCOPED_TRACE(call.text() + (throws ? " throwing" : " failing"));
        if (throws) {
          host.throw_in_call_during(call.command, call.function, 1, skip);
        } else {
          host.fail_call_during(call.command, call.function, PF_Err_INTERNAL_STRUCT_DAMAGED, 1,
                                skip);
        }
        {
          Frame frame(*instance, {.bitdepth = scene.bitdepth});
          frame.run(module);
        }
        host.clear_failures();
        ASSERT_EQ(host.balance_report(), "");
      }
    }
    finish();
  }
}

// Without "Inherit Layer Color" the face has its own colour; "Input Opacity"
// at 100 % puts the layer, asked for over its whole extent, back in front.
TEST_F(SmartRender, TheFaceHasItsOwnColourUnlessTheLayerIsInFront) {
  const struct {
    double input_opacity;
    PF_Pixel8 face;
  } cases[] = {{0, {255, 240, 200, 80}}, {100, {255, 30, 160, 220}}};
  json title = text_layer("T", 60, 30, 70);
  title["text"]["color"] = {30, 160, 220};
  for (const auto& c : cases) {
    SCOPED_TRACE("input opacity " + std::to_string(c.input_opacity));
    load(scene_json(160, 90, title,
                    plain_look({{"Inherit Layer Color", false},
                                {"Input Opacity", c.input_opacity},
                                {"Extrusion Length Back", 10}})));
    Frame frame(*instance, {});
    ASSERT_EQ(frame.run(module), PF_Err_NONE) << frame.out_data().return_msg;
    ASSERT_EQ(frame.layer_checkouts().size(), c.input_opacity > 0 ? 1u : 0u);
    if (c.input_opacity > 0) {
      const PF_LRect max = frame.layer_checkouts()[0].result.max_result_rect;
      EXPECT_EQ((std::array<A_long, 4>{max.left, max.top, max.right, max.bottom}),
                (std::array<A_long, 4>{0, 0, 160, 90}));
    }
    // The middle of the glyph's stem.
    double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
    for (const scene::PathShape& contour : layer("Layer").text_outlines()) {
      for (const scene::PathPoint& v : contour.vertices) {
        left = std::min(left, v.x), right = std::max(right, v.x);
        top = std::min(top, v.y), bottom = std::max(bottom, v.y);
      }
    }
    const PF_Pixel8 face = frame.picture().pixel8(static_cast<A_long>((left + right) / 2),
                                                  static_cast<A_long>((top + bottom) / 2));
    EXPECT_EQ(face.alpha, c.face.alpha);
    EXPECT_NEAR(face.red, c.face.red, 1);
    EXPECT_NEAR(face.green, c.face.green, 1);
    EXPECT_NEAR(face.blue, c.face.blue, 1);
    finish();
  }
}

// The renderer's text reaches the host's message field for its own failures
// (the read-back refused), not for out of memory or cancel, which the host
// reports itself.
TEST_F(SmartRender, RendererFailuresReachTheHostWithTheirText) {
  const struct {
    const char* what;
    std::function<void(SimHost&)> fail;
    PF_Err expected;
    const char* message;  // what the host's message field begins with
  } cases[] = {
      {"read-back refused",
       [](SimHost& h) { h.fail_call("iterate", PF_Err_INTERNAL_STRUCT_DAMAGED, 10); },
       PF_Err_INTERNAL_STRUCT_DAMAGED, "failed to download composite_fb into output texture ("},
      {"no memory for the transfer", [](SimHost& h) { h.fail(Fail::lock_handle, 100); },
       PF_Err_OUT_OF_MEMORY, ""},
      {"cancelled", [](SimHost& h) { h.fail(Fail::iterate, 10); }, PF_Interrupt_CANCEL, ""},
  };
  World input(160, 90, PixelFormat::argb8);
  for (A_long y = 0; y < 90; ++y) {
    for (A_long x = 0; x < 160; ++x) input.pixel8(x, y) = {255, 0, 200, 100};
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    load_text({{"Input Opacity", 50}});
    c.fail(host);
    Frame frame(*instance, {.input_layer = &input});
    EXPECT_EQ(frame.run(module), c.expected);
    const std::string message = frame.out_data().return_msg;
    EXPECT_TRUE(c.message[0] == '\0' ? message.empty() : message.rfind(c.message, 0) == 0)
        << message;
    EXPECT_EQ(frame.out_data().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    host.clear_failures();
    finish();
  }
}

}  // namespace
}  // namespace simhost::test
