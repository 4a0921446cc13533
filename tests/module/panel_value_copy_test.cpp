// The host's copies of the "Gradient Wheel" value that the commands are
// given: when the host cannot make one, the command is not sent, it fails
// with the host's error, and the stored value stays as it was.

#include "tests/module/panel_fixture.h"

namespace wheel_test {
namespace {

class PanelValueCopy : public PanelTest {
 protected:
  // The next copy the host asks the effect for runs out of memory.
  void fail_next_copy() {
    host.fail_call_during("PF_Cmd_ARBITRARY_CALLBACK", "host_new_handle", PF_Err_OUT_OF_MEMORY);
  }
  // The stops of the value at the instance's time, keyframed or not.
  std::vector<GradientPoint> stops_now() { return points_in(instance.flatten_value(wheel_slot)); }
};

TEST_F(PanelValueCopy, AnEventWithoutItsCopyFailsAndLeavesTheValue) {
  const std::vector<GradientPoint> three = {stop(0.1, 1, 0, 0), stop(0.4, 0, 1, 0),
                                            stop(0.7, 0, 0, 1)};
  const struct {
    const char* name;
    bool keyframed;  // the copy is then an interpolation between two keyframes
  } cases[] = {{"constant", false}, {"keyframed", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.keyframed) {
      const nlohmann::json keys = {
          {"keyframes",
           {{0.0, {{"flat", simhost::hex_from_bytes(saved_value(three))}}},
            {2.0, {{"flat", simhost::hex_from_bytes(saved_value(three))}}}}}};
      instance.set_value(wheel_slot, keys);
      instance.current_time = 24;  // between them
    } else {
      set_stops(three);
    }
    const nlohmann::json stored = instance.value_json(wheel_slot);
    for (const A_long clicks : {1, 2}) {
      fail_next_copy();
      // A click on the ring where no stop is: it would add one.
      EXPECT_EQ(click(ring_point(0.55), clicks), PF_Err_OUT_OF_MEMORY) << clicks;
      host.clear_failures();
      EXPECT_FALSE(value_changed());
      EXPECT_EQ(instance.value_json(wheel_slot), stored);
      EXPECT_EQ(stops_now().size(), 3u);
      EXPECT_EQ(host.balance_report(), "");
    }
    fail_next_copy();
    EXPECT_EQ(draw_wheel(), PF_Err_OUT_OF_MEMORY);
    host.clear_failures();
    EXPECT_EQ(instance.value_json(wheel_slot), stored);
    // With its copy, the same click adds the stop.
    EXPECT_EQ(click(ring_point(0.55)), PF_Err_NONE);
    EXPECT_EQ(stops_now().size(), 4u);
    instance.current_time = 0;
  }
}

// A checkout of the value that the host cannot copy fails, counted as no
// checkout, rather than handing out a record without a value.
TEST_F(PanelValueCopy, ACheckoutWithoutItsCopyFails) {
  set_stops(default_points);
  PF_InData in_data = instance.make_in_data();
  PF_ParamDef def{};
  fail_next_copy();
  EXPECT_EQ(in_data.inter.checkout_param(in_data.effect_ref, wheel_slot, 0, 1, 24, &def),
            PF_Err_OUT_OF_MEMORY);
  host.clear_failures();
  EXPECT_EQ(host.balance_report(), "");
  ASSERT_EQ(in_data.inter.checkout_param(in_data.effect_ref, wheel_slot, 0, 1, 24, &def),
            PF_Err_NONE);
  EXPECT_EQ(points_in(host.handle_bytes(def.u.arb_d.value)).size(), default_points.size());
  EXPECT_EQ(in_data.inter.checkin_param(in_data.effect_ref, &def), PF_Err_NONE);
}

}  // namespace
}  // namespace wheel_test
