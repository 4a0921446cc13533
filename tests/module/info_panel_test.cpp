// The info panel at the top of "About & Support" drawn through EffectMain:
// the picture at half size and 70 % opacity, placed by the frame's top, and
// nothing in other areas.

#include "tests/module/panel_fixture.h"

namespace wheel_test {
namespace {

class InfoPanel : public PanelTest {};

TEST_F(InfoPanel, ThePictureIsShownAtHalfSizeBelowTheFramesTop) {
  info_control.frame = {0, 10, 277, 78};
  ASSERT_EQ(panel.draw(info_control), PF_Err_NONE);
  EXPECT_EQ(event().evt_out_flags, PF_EO_HANDLED_EVENT);
  // The picture (its size and colours: the golden picture) drawn at half
  // scale, and the scale put back for the host.
  const std::vector<simhost::CallRecord> transforms = event_calls_of("Transform");
  ASSERT_EQ(transforms.size(), 2u);
  EXPECT_EQ(transforms[0].args[1], "[0.5 0 0; 0 0.5 0; 0 0 0.5]");
  EXPECT_EQ(transforms[1].args[1], "[2 0 0; 0 2 0; 0 0 2]");
  EXPECT_EQ(transforms[0].version, 1);
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
