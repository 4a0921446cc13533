// The panel's two controls drawn through EffectMain into its canvas: the
// "Gradient Wheel" (its size and place, opacity, narrow frames, reviewed
// pictures) and the info panel (half size at 70 % below the frame's top).

#include <limits>

#include "tests/module/panel_fixture.h"

namespace wheel_test {
namespace {

// --- the "Gradient Wheel" ----------------------------------------------------

class WheelDrawing : public PanelTest {
 protected:
  // The argument list of the one recorded call of `function`.
  std::vector<std::string> args_of(const std::string& function) {
    const std::vector<simhost::CallRecord> calls = event_calls_of(function);
    EXPECT_EQ(calls.size(), 1u) << function;
    return calls.empty() ? std::vector<std::string>{} : calls[0].args;
  }
};

// The canvas, twice the panel's pixels, in a handle of the PF Handle Suite,
// premultiplied as cairo keeps it, drawn at half scale where the frame sits
// with the interpolation policy set. (Its pixels: the golden pictures.)
TEST_F(WheelDrawing, TheCanvasIsTwiceThePanelAndLandsAtTheFrame) {
  const struct {
    const char* what;
    PF_Rect frame;
    PF_EffectArea area;
    const char* width;  // 350 pixels: w 338, r 126, canvas 676 x 300
    const char* origin;
    const char* handle_bytes;
    const char* row_bytes;
  } cases[] = {
      {"a 350-pixel control", {0, 0, 350, 150}, PF_EA_CONTROL, "676", "(0, 0)", "811200", "2704"},
      {"further down the panel",
       {10, 20, 360, 170},
       PF_EA_CONTROL,
       "676",
       "(20, 40)",
       "811200",
       "2704"},
      {"the title row's right half",
       {0, 0, 350, 150},
       PF_EA_PARAM_TITLE,
       "326",
       "(350, 0)",
       "391200",
       "1304"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    host.clear_calls();
    wheel_control.frame = c.frame;
    wheel_control.area = c.area;
    ASSERT_EQ(draw_wheel(), PF_Err_NONE);
    EXPECT_EQ(event().evt_out_flags, PF_EO_HANDLED_EVENT);
    bool made_pixels = false;
    for (const simhost::CallRecord& call : event_calls_of("host_new_handle")) {
      made_pixels |= call.suite == kPFHandleSuite && call.args[0] == c.handle_bytes;
    }
    EXPECT_TRUE(made_pixels);
    const std::vector<std::string> image = args_of("NewImageFromBuffer");
    ASSERT_EQ(image.size(), 6u);
    EXPECT_EQ(image[2], "300");
    EXPECT_EQ(image[3], c.row_bytes);
    EXPECT_EQ(image[4], "7");  // premultiplied BGRA, cairo's own
    EXPECT_EQ(args_of("SetInterpolationPolicy")[1], "1");
    EXPECT_EQ(args_of("DrawImage")[3], "1");
    EXPECT_EQ(args_of("NewImageFromBuffer")[1], c.width);
    EXPECT_EQ(args_of("Transform")[1], "[0.5 0 0; 0 0.5 0; 0 0 1]");
    EXPECT_EQ(args_of("DrawImage")[2], c.origin);
    // Through "DRAWBOT Surface Suite" version 2, as the wheel acquires it.
    EXPECT_EQ(event_calls_of("DrawImage").at(0).version, 2);
    EXPECT_EQ(event_calls_of("PushStateStack").size(), event_calls_of("PopStateStack").size());
  }
}

TEST_F(WheelDrawing, ADisabledWheelIsDrawnAtAQuarterOpacity) {
  PF_ParamDef wheel = param(wheel_slot);
  wheel.ui_flags |= PF_PUI_DISABLED;
  ASSERT_EQ(instance.update_param_ui(wheel_slot, &wheel), PF_Err_NONE);
  ASSERT_EQ(draw_wheel(), PF_Err_NONE);
  EXPECT_EQ(args_of("DrawImage")[3], "0.25");
  // The bottom of the ring (red) barely shows over the panel.
  const PF_Pixel8 ring = canvas.pixel(169, 138);
  EXPECT_GT(ring.red, 40);
  EXPECT_LT(ring.red, 110);
}

TEST_F(WheelDrawing, VeryNarrowFramesDrawWhatFitsOrNothing) {
  struct NarrowCase {
    int width;
    bool drawn;
  };
  for (const NarrowCase& c : {NarrowCase{35, true}, NarrowCase{30, true}, NarrowCase{13, true},
                              NarrowCase{12, false}, NarrowCase{0, false}}) {
    SCOPED_TRACE(c.width);
    host.clear_calls();
    wheel_control.frame = {0, 0, c.width, 150};
    ASSERT_EQ(draw_wheel(), PF_Err_NONE);
    EXPECT_EQ(event().evt_out_flags, PF_EO_HANDLED_EVENT);
    EXPECT_EQ(event_calls_of("DrawImage").size(), c.drawn ? 1u : 0u);
    EXPECT_EQ(host.balance_report(), "");
  }
}

TEST_F(WheelDrawing, DamagedValuesDrawWithoutHarm) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<Bytes> values = {
      {},
      {1, 2, 3},
      blob(0, {}, 1),
      blob(24000, {stop(0.1, 1, 0, 0)}, 1),
      blob(72, {stop(std::nan(""), 1, 0, 0), stop(1e300, inf, -5, 1e30f), stop(-7.25, 0, 0, 1)}, 1),
  };
  for (std::size_t i = 0; i < values.size(); ++i) {
    SCOPED_TRACE(i);
    set_value(values[i]);
    ASSERT_EQ(draw_wheel(), PF_Err_NONE);
    EXPECT_EQ(event().evt_out_flags, PF_EO_HANDLED_EVENT);
    EXPECT_EQ(host.balance_report(), "");
  }
}

struct PictureCase {
  const char* name;
  const char* scene;
  std::vector<GradientPoint> stops;
  A_long selected;
  A_long interpolate;
  double offset_degrees;
};

TEST_F(WheelDrawing, PicturesOfTheControl) {
  const std::vector<PictureCase> cases = {
      {"wheel_default",
       "the default gradient: red at the bottom, green upper right, blue upper left, smooth "
       "blends between them; grey dial ticks inside the ring and a centre cross",
       default_points, -1, 1, 0},
      {"wheel_four_stops_selected",
       "red at the bottom, yellow right, cyan at the top, magenta lower left; the cyan marker has "
       "the blue selection outline",
       {stop(0.0, 1, 0, 0), stop(0.25, 1, 1, 0), stop(0.5, 0, 1, 1), stop(0.8, 1, 0, 1)},
       2,
       1,
       0},
      {"wheel_steps",
       "\"Interpolate Gradient\" off: the ring in three hard-edged sectors, red, green and blue, "
       "changing halfway between the markers",
       default_points, -1, 0, 0},
      {"wheel_offset_90",
       "\"Global Offset\" 90 degrees: the default gradient a quarter turn on, red on the left, "
       "green just right of the bottom, blue upper right",
       default_points, -1, 1, 90},
  };
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.scene);
    set_stops(c.stops);
    instance.set_value(point_select_slot, c.selected);
    instance.set_value(interpolate_slot, c.interpolate != 0);
    instance.set_value(global_offset_slot, c.offset_degrees);
    simhost::DrawbotCanvas wheel_canvas(host, 350, 150, simhost::theme_background());
    simhost::EffectPanel wheel_panel(instance, module, wheel_canvas);
    ASSERT_EQ(wheel_panel.draw(wheel_control), PF_Err_NONE);
    EXPECT_EQ(compare_with_golden(wheel_canvas, c.name), "") << c.name;
  }
}

// --- the info panel at the top of "About & Support" ---------------------------

class InfoPanel : public PanelTest {};

TEST_F(InfoPanel, ThePictureIsShownAtHalfSizeBelowTheFramesTop) {
  info_control.frame = {0, 10, 277, 78};
  ASSERT_EQ(panel.draw(info_control), PF_Err_NONE);
  EXPECT_EQ(event().evt_out_flags, PF_EO_HANDLED_EVENT);
  // The picture, 555 x 127 straight BGRA (its colours: the golden picture).
  const std::vector<simhost::CallRecord> images = event_calls_of("NewImageFromBuffer");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].args[1], "555");
  EXPECT_EQ(images[0].args[2], "127");
  EXPECT_EQ(images[0].args[3], "2220");
  EXPECT_EQ(images[0].args[4], "6");
  // Drawn at half scale in a state of its own, popped for the host.
  const std::vector<simhost::CallRecord> transforms = event_calls_of("Transform");
  ASSERT_EQ(transforms.size(), 1u);
  EXPECT_EQ(transforms[0].args[1], "[0.5 0 0; 0 0.5 0; 0 0 0.5]");
  EXPECT_EQ(transforms[0].version, 1);
  EXPECT_EQ(event_calls_of("PushStateStack").size(), 1u);
  EXPECT_EQ(event_calls_of("PopStateStack").size(), 1u);
  // (122, 18) at half scale is (61, 9) in the panel.
  const std::vector<simhost::CallRecord> draws = event_calls_of("DrawImage");
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].args[2], "(122, 18)");
  EXPECT_EQ(draws[0].args[3], "0.69999998807907104");
  // Above and left of the picture the panel is untouched.
  const PF_App_Color bg = simhost::theme_background();
  EXPECT_EQ(canvas.pixel(60, 30).red, bg.red / 257);
  EXPECT_EQ(canvas.pixel(100, 8).red, bg.red / 257);
}

TEST_F(InfoPanel, InOtherAreasNothingIsDrawnButTheEventIsHandled) {
  const std::vector<std::uint32_t> before = canvas.argb();
  info_control.area = PF_EA_PARAM_TITLE;
  ASSERT_EQ(panel.draw(info_control), PF_Err_NONE);
  EXPECT_EQ(event().evt_out_flags, PF_EO_HANDLED_EVENT);
  EXPECT_TRUE(event_calls_of("NewImageFromBuffer").empty());
  EXPECT_TRUE(event_calls_of("host_new_handle").empty());
  EXPECT_EQ(canvas.argb(), before);
}

TEST_F(InfoPanel, PictureOfThePanel) {
  // Scene: the control as the host shows it, 277 x 68 panel pixels on the
  // dark panel: the extruded hexagon mark with a "T" on the left, "Tarvolk"
  // in light DejaVu Sans Bold and the line "outlines with depth" below it,
  // all at 70 % opacity.
  simhost::DrawbotCanvas info_canvas(host, 277, 68, simhost::theme_background());
  simhost::EffectPanel info_panel(instance, module, info_canvas);
  info_control.frame = {0, 0, 277, 68};
  ASSERT_EQ(info_panel.draw(info_control), PF_Err_NONE);
  EXPECT_EQ(compare_with_golden(info_canvas, "info_panel"), "");
}

}  // namespace
}  // namespace wheel_test
