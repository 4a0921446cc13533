// Host calls made to fail, or suites made missing, during each kind of event
// of the two controls: the event gives the expected code, the value stays
// whole, the selection shows the value as stored, the panel's surface is
// left as it was and everything the host handed out comes back, event by
// event.

#include "tests/module/panel_fixture.h"

namespace wheel_test {
namespace {

enum class Action { draw_wheel, click_ring, double_click_marker, drag_marker, cursor, draw_info };

struct FailureCase {
  Action action;
  const char* function;  // a served call made to fail once, or a missing suite
  int skip;              // calls of that function that succeed first
  long error;
  int missing_version;  // non-zero: `function` names a suite of that version
  PF_Err result;
  std::size_t stops_after;  // the value's stops after the event
  bool message;             // the host's error message is set
};

constexpr long injected_error = PF_Err_INTERNAL_STRUCT_DAMAGED;
// Without the handle suite the host's copy of the value for the event's
// parameters fails (the effect's copy callback answers this), so the event
// is not sent and fails with it.
constexpr PF_Err copy_failed = PF_Err_INTERNAL_STRUCT_DAMAGED;

const std::vector<FailureCase> cases = {
    // The wheel's drawing: each Drawbot call's failure is the event's, but
    // for the calls that do not stop it.
    {Action::draw_wheel, "host_new_handle", 0, PF_Err_OUT_OF_MEMORY, 0, 4, 3, false},
    {Action::draw_wheel, "host_lock_handle", 0, PF_Err_OUT_OF_MEMORY, 0, 0, 3, false},
    {Action::draw_wheel, "host_lock_handle", 1, PF_Err_OUT_OF_MEMORY, 0, 4, 3, false},
    {Action::draw_wheel, "PF_AppGetColor", 0, injected_error, 0, 0, 3, false},
    {Action::draw_wheel, "PF_GetDrawingReference", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_wheel, "GetSupplier", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_wheel, "GetSurface", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_wheel, "PushStateStack", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_wheel, "Transform", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_wheel, "NewImageFromBuffer", 0, PF_Err_OUT_OF_MEMORY, 0, 4, 3, false},
    {Action::draw_wheel, "SetInterpolationPolicy", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_wheel, "DrawImage", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_wheel, "PopStateStack", 0, injected_error, 0, 0, 3, false},
    {Action::draw_wheel, "ReleaseObject", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_wheel, kDRAWBOT_SurfaceSuite, 0, 0, 2, 516, 3, true},
    {Action::draw_wheel, kDRAWBOT_PathSuite, 0, 0, 1, 516, 3, true},
    {Action::draw_wheel, kPFEffectCustomUISuite, 0, 0, 1, 516, 3, true},
    {Action::draw_wheel, kPFAppSuite, 0, 0, 6, 0, 3, true},
    {Action::draw_wheel, kPFANSISuite, 0, 0, 1, 516, 3, false},
    {Action::draw_wheel, kPFHandleSuite, 0, 0, 2, copy_failed, 3, false},
    // A click on the ring that adds a stop: the sequence record's lock, the
    // value's, then the new value's.
    {Action::click_ring, "host_new_handle", 0, PF_Err_OUT_OF_MEMORY, 0, 0, 3, false},
    {Action::click_ring, "host_lock_handle", 0, PF_Err_OUT_OF_MEMORY, 0, 0, 4, false},
    {Action::click_ring, "host_lock_handle", 1, PF_Err_OUT_OF_MEMORY, 0, 0, 3, false},
    {Action::click_ring, "host_lock_handle", 2, PF_Err_OUT_OF_MEMORY, 0, 0, 3, false},
    {Action::click_ring, kPFParamUtilsSuite, 0, 0, 3, 516, 3, false},
    {Action::click_ring, kPFHandleSuite, 0, 0, 2, copy_failed, 3, false},
    // The colour picker.
    {Action::double_click_marker, "PF_AppColorPickerDialog", 0, injected_error, 0, 0, 3, false},
    {Action::double_click_marker, kPFAppSuite, 0, 0, 6, 516, 3, false},
    {Action::drag_marker, "host_new_handle", 0, PF_Err_OUT_OF_MEMORY, 0, 0, 3, false},
    {Action::cursor, "host_lock_handle", 0, PF_Err_OUT_OF_MEMORY, 0, 0, 3, false},
    {Action::cursor, kPFHandleSuite, 0, 0, 2, copy_failed, 3, false},
    // The info panel.
    {Action::draw_info, "host_new_handle", 0, PF_Err_OUT_OF_MEMORY, 0, 0, 3, false},
    {Action::draw_info, "host_lock_handle", 0, PF_Err_OUT_OF_MEMORY, 0, 0, 3, false},
    {Action::draw_info, "PF_GetDrawingReference", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_info, "GetSupplier", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_info, "NewImageFromBuffer", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_info, "Transform", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_info, "DrawImage", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_info, "ReleaseObject", 0, injected_error, 0, injected_error, 3, false},
    {Action::draw_info, kDRAWBOT_DrawSuite, 0, 0, 1, 13, 3, true},
    {Action::draw_info, kDRAWBOT_SurfaceSuite, 0, 0, 1, 13, 3, true},
    {Action::draw_info, kPFEffectCustomUISuite, 0, 0, 1, 516, 3, false},
    {Action::draw_info, kPFHandleSuite, 0, 0, 2, copy_failed, 3, false},
};

class FailureInjection : public PanelTest {
 protected:
  PF_Err act(Action action) {
    // A user who would pick a colour if a picker opened.
    if (action == Action::double_click_marker) {
      simhost::script_color_picker(host, {PF_Err_NONE, {1, 0.5f, 0.5f, 0.5f}});
    }
    switch (action) {
      case Action::draw_wheel:
        return draw_wheel();
      case Action::click_ring:
        return click(ring_point(0.5));
      case Action::double_click_marker:
        return click(ring_point(0.333), 2);
      case Action::drag_marker:
        return drag(ring_point(0.4), true);
      case Action::cursor: {
        PF_CursorType cursor = 0;
        return panel.adjust_cursor(wheel_control, ring_point(0.333), &cursor);
      }
      case Action::draw_info:
        return panel.draw(info_control);
    }
    return PF_Err_NONE;
  }
};

TEST_F(FailureInjection, EveryEventGivesItsCodeAndGivesEverythingBack) {
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(std::string(c.function) + " failing after " + std::to_string(c.skip) +
                 " call(s), action " + std::to_string(static_cast<int>(c.action)));
    set_stops(default_points);
    instance.set_value(point_select_slot, -1);
    const std::vector<unsigned char> bytes_before = host.handle_bytes(value());
    if (c.action == Action::drag_marker) {
      ASSERT_EQ(click(ring_point(0.333)), PF_Err_NONE);
    }
    if (c.missing_version != 0) {
      host.make_suite_missing(c.function, c.missing_version);
    } else {
      host.fail_call_during("PF_Cmd_EVENT", c.function, c.error, 1, c.skip);
    }

    EXPECT_EQ(act(c.action), c.result);
    host.clear_failures();
    EXPECT_EQ(stops().size(), c.stops_after);
    if (c.stops_after == 3 && c.result != PF_Err_NONE) {
      EXPECT_EQ(host.handle_bytes(value()), bytes_before);
    }
    const PF_OutData& out = instance.last_out_data();
    EXPECT_EQ((out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) != 0, c.message);
    if (c.message) {
      EXPECT_STREQ(out.return_msg, "Not able to acquire AEFX Suite.");
    }
    EXPECT_EQ(host.balance_report(), "");

    // The selection names a stop the value holds, and "Point Angle" shows it.
    const A_long selected = param(point_select_slot).u.sd.value;
    EXPECT_LT(selected, static_cast<A_long>(stops().size()));
    if (selected >= 0 && selected < static_cast<A_long>(stops().size())) {
      const double position = stops()[static_cast<std::size_t>(selected)].position;
      EXPECT_NEAR(param(point_angle_slot).u.ad.value / 65536.0,
                  (1 - std::fmod(position + 0.5, 1.0)) * 360, 1e-3);
    }
    // The panel's surface is left as it was found: the wheel drawn next
    // lands at full size, its ring's red bottom where it belongs.
    canvas.clear();
    ASSERT_EQ(draw_wheel(), PF_Err_NONE);
    EXPECT_GT(canvas.pixel(169, 138).red, 200);
  }
}

}  // namespace
}  // namespace wheel_test
