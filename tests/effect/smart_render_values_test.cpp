// What smart render makes of values that frames through EffectMain do not
// show on their own: side-fill stop angles, opacity and supersampling beyond
// their sliders, the error text the host is given, and a render without a
// plan.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "effect/command_handlers.h"
#include "effect/smart_render.h"
#include "host/sim_host.h"

namespace {

// One point at a quarter turn (to the right on the wheel): where its stop
// sits for each global offset, outside and inside.
TEST(SmartRenderValues, GradientStopAnglesFollowTheGlobalOffset) {
  const struct {
    double offset_deg;
    bool inner;
    float angle;
  } cases[] = {{0, false, 90},  {0, true, -90},    {90, false, 180}, {90, true, 0},
               {-90, false, 0}, {-90, true, -180}, {450, false, 180}};
  const std::vector<GradientPoint> points = {{0.25, 1.0f, 0.2f, 0.4f, 0.6f}};
  for (const auto& c : cases) {
    const std::vector<SideFillStop> stops = gradient_side_fill_stops(points, c.offset_deg, c.inner);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_FLOAT_EQ(stops[0].angle, c.angle) << c.offset_deg << (c.inner ? " inner" : "");
    EXPECT_FLOAT_EQ(stops[0].r, 0.2f);
    EXPECT_FLOAT_EQ(stops[0].g, 0.4f);
    EXPECT_FLOAT_EQ(stops[0].b, 0.6f);
  }
  EXPECT_TRUE(gradient_side_fill_stops({}, 0, false).empty());
  // Stored order is kept.
  const std::vector<SideFillStop> two =
      gradient_side_fill_stops({{0.75, 1, 0, 0, 0}, {0.0, 1, 1, 1, 1}}, 0, false);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_FLOAT_EQ(two[0].angle, -90.0f);
  EXPECT_FLOAT_EQ(two[1].angle, 180.0f);
}

// Beyond what frames through EffectMain show for 0.1, 0.2, 50 and 100 %: a
// saved project or another host may hand values outside the sliders.
TEST(SmartRenderValues, InputOpacityAndSupersamplingOutsideTheirRanges) {
  for (const auto& [percent, opacity] : {std::pair{0.0, 0}, {150.0, 255}, {-5.0, 0}}) {
    EXPECT_EQ(input_composite_opacity(percent), opacity) << percent;
  }
  EXPECT_EQ(supersampling_factor(0), 1);
  EXPECT_EQ(supersampling_factor(-3), 1);
  EXPECT_EQ(supersampling_factor(3), 3);
}

// The host's message field takes the first 255 characters, except for out of
// memory and cancel, which the host reports itself.
TEST(SmartRenderValues, ErrorTextReachesTheHostCut) {
  simhost::SimHost host{simhost::CallRecording::on};
  PF_InData in_data = host.make_in_data();
  const std::string long_text = std::string(250, 'a') + std::string(50, 'b');
  const struct {
    PF_Err err;
    std::string text, expected;
  } cases[] = {{512, long_text, long_text.substr(0, 255)},
               {512, "GL error: 1282", "GL error: 1282"},
               {4, long_text, "untouched"},
               {517, long_text, "untouched"},
               {0, long_text, "untouched"},
               {512, "", "untouched"}};
  for (const auto& c : cases) {
    PF_OutData out_data{};
    std::strcpy(out_data.return_msg, "untouched");
    report_render_error(&in_data, &out_data, c.err, c.text);
    EXPECT_EQ(std::string(out_data.return_msg), c.expected) << c.err;
    EXPECT_EQ(out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
  }
  EXPECT_EQ(host.calls_of("strcpy").size(), 2u);
}

// A smart render without the plan its pre-render leaves refuses the frame
// before taking anything from the host.
TEST(SmartRenderValues, NoPlanNoRender) {
  simhost::SimHost host{simhost::CallRecording::on};
  PF_InData in_data = host.make_in_data();
  PF_OutData out_data{};
  PF_SmartRenderInput input{};
  PF_SmartRenderCallbacks callbacks{};
  PF_SmartRenderExtra extra{&input, &callbacks};
  EXPECT_EQ(smart_render(&in_data, &out_data, &extra), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_TRUE(host.calls().empty());
}

}  // namespace
