// Editing the "Gradient Wheel" with the mouse through EffectMain: clicks that
// add, select and deselect stops, drags that move and remove them, the
// colour picker, and the cursor. The control's frame is 350 x 150 at the
// panel's top-left: ring centre (169, 75), radius 63 panel pixels (126 on the
// canvas, where one panel pixel is two).

#include <algorithm>
#include <cstring>

#include "tests/module/panel_fixture.h"

namespace wheel_test {
namespace {

// Direction of a panel point from the ring's centre in turns (0 below, 0.25
// right), as the control measures it.
double turns_of(PF_Point p, double offset_turns = 0) {
  const double a = std::atan2(2.0 * p.v - 150.0, 2.0 * p.h - 338.0);
  double t = std::fmod((std::numbers::pi / 2 - a) / (2 * std::numbers::pi) + 1.0, 1.0);
  return std::fmod(t + offset_turns, 1.0);
}

std::vector<GradientPoint> evenly_spaced(int n, double span) {
  std::vector<GradientPoint> stops;
  for (int i = 0; i < n; ++i) stops.push_back(stop(span * i / n, 1, 1, 1));
  return stops;
}

struct ClickCase {
  const char* what;
  Bytes value;
  PF_Point point;
  A_long num_clicks;
  std::size_t stops_after;
  bool changed;
  A_long selected;  // "Gradient Pt Select" afterwards
};

class WheelEditing : public PanelTest {};

TEST_F(WheelEditing, ClicksAddSelectOrRewrite) {
  const Bytes three = saved_value(default_points);
  const std::vector<GradientPoint> two = {stop(0.0, 1, 0, 0), stop(0.5, 0, 0, 1)};
  const PF_Point centre{169, 75};
  const Bytes overlapping =
      saved_value({stop(0.25, 1, 0, 0), stop(0.25, 0, 1, 0), stop(0.6, 0, 0, 1)});
  const Bytes off_circle = blob(48, {stop(std::nan(""), 1, 0, 0), stop(0.5, 0, 0, 1)}, 1);
  const std::vector<ClickCase> cases = {
      {"14 canvas pixels inside the ring adds a stop", three, {169, 75 - 56}, 1, 4, true, 3},
      {"14.8 inside adds a stop", three, {169 + 8, 75 - 55}, 1, 4, true, 3},
      {"15.1 inside is off the ring: rewritten", three, {169 + 7, 75 - 55}, 1, 3, true, -1},
      {"14 outside adds a stop", three, {169, 75 - 70}, 1, 4, true, 3},
      {"the centre rewrites the value", three, centre, 1, 3, true, -1},
      {"32 stops take no more", saved_value(evenly_spaced(32, 0.5)), ring_point(0.75), 1, 32, false,
       -1},
      {"31 stops take one more", saved_value(evenly_spaced(31, 0.5)), ring_point(0.75), 1, 32, true,
       31},
      {"the later of overlapping markers", overlapping, ring_point(0.25), 1, 3, false, 1},
      // A marker's box runs from 7 left of its centre to 6 right, edges included.
      {"right edge of a marker's box", three, {169 + 6, 138 + 6}, 1, 3, false, 0},
      {"one pixel past the box is ring again", three, {169 + 7, 138}, 1, 4, true, 3},
      {"left edge of the box", three, {169 - 7, 138 - 7}, 1, 3, false, 0},
      {"a double click on empty ring adds nothing", three, ring_point(0.5), 2, 3, false, -1},
      // Damaged values stay usable.
      {"an empty value takes its first stop", saved_value({}), ring_point(0.5), 1, 1, true, 0},
      {"three bytes take a first stop", {1, 2, 3}, ring_point(0.5), 1, 1, true, 0},
      {"a count of 1000 stops over two", blob(24000, two, 1), ring_point(0.25), 1, 3, true, 2},
      {"a stop off the circle has no marker", off_circle, ring_point(0.25), 1, 3, true, 2},
  };
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(c.what);
    set_value(c.value);
    instance.set_value(point_select_slot, -1);
    const PF_Handle before = value();
    const std::vector<GradientPoint> stops_before = stops();
    ASSERT_EQ(click(c.point, c.num_clicks), PF_Err_NONE);
    EXPECT_EQ(stops().size(), c.stops_after);
    EXPECT_EQ(value_changed(), c.changed);
    // An untouched value keeps its handle; a rewritten one holds the same stops.
    if (!c.changed) {
      EXPECT_EQ(value(), before);
    } else if (c.stops_after == stops_before.size()) {
      EXPECT_EQ(host.handle_bytes(value()), saved_value(stops_before));
    }
    EXPECT_EQ(param(point_select_slot).u.sd.value, c.selected);
    EXPECT_EQ(event().u.do_click.continue_refcon[2], c.selected);
    EXPECT_EQ(event().u.do_click.send_drag, c.num_clicks == 1 ? 1 : 0);
    EXPECT_EQ(event().evt_out_flags, PF_EO_HANDLED_EVENT);
    EXPECT_EQ(host.balance_report(), "");
  }
}

// One stop is that colour all round the ring, and an empty value opaque
// white, whether or not the ring interpolates.
TEST_F(WheelEditing, AnAddedStopTakesTheRingsColourWhereItLands) {
  const auto half = static_cast<float>(std::pow(0.5, 0.4545));  // through the display gamma
  const GradientPoint one{0.1, 0.8f, 0.2f, 0.4f, 0.6f};
  const struct {
    const char* what;
    std::vector<GradientPoint> stops;
    bool interpolate;
    PF_PixelFloat added;
  } cases[] = {
      {"halfway between green and blue", default_points, true, {1, 0, half, half}},
      {"one stop, interpolated", {one}, true, {0.8f, 0.2f, 0.4f, 0.6f}},
      {"one stop, nearest", {one}, false, {0.8f, 0.2f, 0.4f, 0.6f}},
      {"an empty value", {}, true, {1, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    set_stops(c.stops);
    instance.set_value(interpolate_slot, c.interpolate);
    ASSERT_EQ(click(ring_point(0.5)), PF_Err_NONE);
    const std::vector<GradientPoint> after = stops();
    ASSERT_EQ(after.size(), c.stops.size() + 1);
    const GradientPoint& added = after.back();
    EXPECT_NEAR(added.position, 0.5, 0.005);
    EXPECT_NEAR(added.alpha, c.added.alpha, 0.01);
    EXPECT_NEAR(added.red, c.added.red, 0.01);
    EXPECT_NEAR(added.green, c.added.green, 0.01);
    EXPECT_NEAR(added.blue, c.added.blue, 0.01);
    EXPECT_EQ(event().u.do_click.continue_refcon[0], 0);
    // The stored stops before it are untouched.
    EXPECT_TRUE(std::equal(c.stops.begin(), c.stops.end(), after.begin(),
                           [](const GradientPoint& a, const GradientPoint& b) {
                             return std::memcmp(&a, &b, sizeof a) == 0;
                           }));
  }
}

TEST_F(WheelEditing, SelectingAndDeselectingDriveTheAuxiliaryParameters) {
  ASSERT_EQ(click(ring_point(0.0)), PF_Err_NONE);
  EXPECT_FALSE(value_changed());
  EXPECT_EQ(param(point_select_slot).u.sd.value, 0);
  EXPECT_EQ(param(point_angle_slot).u.ad.value, 11796480);  // 180 degrees
  EXPECT_EQ(param(point_angle_slot).ui_flags & PF_PUI_DISABLED, 0);

  ASSERT_EQ(click(ring_point(0.666)), PF_Err_NONE);
  EXPECT_EQ(param(point_select_slot).u.sd.value, 2);
  EXPECT_NEAR(param(point_angle_slot).u.ad.value / 65536.0, 300.24, 1e-3);

  ASSERT_EQ(click({169, 75}), PF_Err_NONE);
  EXPECT_EQ(param(point_select_slot).u.sd.value, -1);
  EXPECT_NE(param(point_angle_slot).ui_flags & PF_PUI_DISABLED, 0);

  // The sequence record holds the pointer in canvas pixels and the selection.
  std::int32_t record[3];
  std::memcpy(record, host.handle_bytes(instance.sequence_data).data(), sizeof record);
  EXPECT_EQ(record[0], 338);
  EXPECT_EQ(record[1], 150);
  EXPECT_EQ(record[2], -1);
  EXPECT_EQ(host.lock_count(instance.sequence_data), 0);
}

struct DragCase {
  const char* what;
  std::vector<GradientPoint> stops;
  PF_Fixed global_offset;
  double grabbed_at;  // turns on the ring where the marker is drawn
  std::vector<PF_Point> drags;
  std::size_t stops_after;
  double position_after;  // of the dragged stop, when it stays
};

TEST_F(WheelEditing, DragsMoveOrRemoveStops) {
  const std::vector<GradientPoint> two = {stop(0.0, 1, 0, 0), stop(0.333, 0, 1, 0)};
  const std::vector<GradientPoint> wrapping = {stop(0.9, 1, 0, 0), stop(0.4, 0, 1, 0)};
  const PF_Point far{169 + 130, 75}, near{169 + 120, 75};
  const std::vector<DragCase> cases = {
      {"dragged past twice the radius, one of three goes", default_points, 0, 0.333, {far}, 2, 0},
      {"one of two stays and follows the pointer", two, 0, 0.333, {far}, 2, 0.25},
      {"inside twice the radius nothing goes", default_points, 0, 0.333, {near}, 3, 0.25},
      {"with Global Offset -90 degrees the stop does not jump and wraps into [0, 1)",
       wrapping,
       -90 * 65536,
       0.15,
       {ring_point(0.15), ring_point(0.20), ring_point(0.30)},
       2,
       0.05},
  };
  for (const DragCase& c : cases) {
    SCOPED_TRACE(c.what);
    set_stops(c.stops);
    instance.set_value(global_offset_slot, c.global_offset / 65536.0);
    const double offset = c.global_offset / 65536.0 / 360.0;
    const PF_Point grab = ring_point(c.grabbed_at);
    ASSERT_EQ(click(grab), PF_Err_NONE);
    const A_long edited = event().u.do_click.continue_refcon[2];
    ASSERT_GE(edited, 0);
    const double grab_offset = event().u.do_click.continue_refcon[0] / 65536.0;
    for (std::size_t i = 0; i < c.drags.size(); ++i) {
      ASSERT_EQ(drag(c.drags[i], i + 1 == c.drags.size()), PF_Err_NONE);
      EXPECT_TRUE(value_changed());
      EXPECT_EQ(event().evt_out_flags, PF_EO_NEVER_UPDATE);
      const double moved = std::fmod(turns_of(c.drags[i], offset) - grab_offset + 2.0, 1.0);
      if (i == 0 && c.global_offset != 0) {
        // The first drag at the click point leaves the stop where it was.
        EXPECT_NEAR(stops()[edited].position, c.stops[edited].position, 1e-4);
      }
      if (stops().size() == c.stops.size()) {
        EXPECT_NEAR(stops()[edited].position, moved, 1e-4);
        EXPECT_GE(stops()[edited].position, 0.0);
        EXPECT_LT(stops()[edited].position, 1.0);
      }
    }
    ASSERT_EQ(stops().size(), c.stops_after);
    if (c.stops_after == c.stops.size()) {
      EXPECT_NEAR(stops()[edited].position, c.position_after, 0.02);
      EXPECT_EQ(param(point_select_slot).u.sd.value, edited);
    } else {
      EXPECT_EQ(param(point_select_slot).u.sd.value, -1);
      EXPECT_NE(param(point_angle_slot).ui_flags & PF_PUI_DISABLED, 0);
    }
    EXPECT_FALSE(panel.dragging());
    instance.set_value(global_offset_slot, 0);
  }
}

TEST_F(WheelEditing, ADoubleClickOnAMarkerOpensThePickerOnce) {
  struct PickerCase {
    const char* what;
    bool answered;
    simhost::ColorPickerAnswer answer;
    bool changed;
  };
  const std::vector<PickerCase> cases = {
      {"a picked colour replaces the stop's", true, {PF_Err_NONE, {1.0f, 0.2f, 0.4f, 0.6f}}, true},
      {"cancel leaves it", true, {PF_Interrupt_CANCEL, {}}, false},
      {"a failing picker leaves it", true, {PF_Err_INTERNAL_STRUCT_DAMAGED, {}}, false},
      {"no answer is a cancel", false, {}, false},
  };
  for (const PickerCase& c : cases) {
    SCOPED_TRACE(c.what);
    set_stops(default_points);
    if (c.answered) simhost::script_color_picker(host, c.answer);
    host.clear_calls();
    ASSERT_EQ(click(ring_point(0.333), 2), PF_Err_NONE);
    ASSERT_EQ(host.calls_of("PF_AppColorPickerDialog").size(), 1u);
    EXPECT_EQ(host.calls_of("PF_AppColorPickerDialog")[0].args[0], "\"Pick Color\"");
    EXPECT_EQ(host.calls_of("PF_AppColorPickerDialog")[0].args[1], "argb(1, 0, 1, 0)");
    EXPECT_EQ(event().u.do_click.send_drag, 0);
    EXPECT_EQ(value_changed(), c.changed);
    const GradientPoint green = stops()[1];
    EXPECT_EQ(green.position, 0.333);
    if (c.changed) {
      EXPECT_EQ(green.red, c.answer.color.red);
      EXPECT_EQ(green.green, c.answer.color.green);
      EXPECT_EQ(green.blue, c.answer.color.blue);
    } else {
      EXPECT_EQ(green.green, 1.0f);
    }
    EXPECT_EQ(param(point_select_slot).u.sd.value, 1);
    // The effect asked for no drags, so the host sends none.
    EXPECT_FALSE(panel.dragging());
  }
}

TEST_F(WheelEditing, TheCursorShowsWhatAClickWouldHit) {
  struct CursorCase {
    const char* what;
    PF_Point point;
    PF_CursorType cursor;
  };
  const std::vector<CursorCase> cases = {
      {"on the ring", ring_point(0.5), 16},
      {"on a marker", ring_point(0.333), 23},
      {"at the centre the host's cursor stays", {169, 75}, 7},
      {"far outside the ring", {5, 5}, 7},
  };
  for (const CursorCase& c : cases) {
    SCOPED_TRACE(c.what);
    PF_CursorType cursor = 0;
    ASSERT_EQ(panel.adjust_cursor(wheel_control, c.point, &cursor, 7), PF_Err_NONE);
    EXPECT_EQ(cursor, c.cursor);
    std::int32_t record[2];
    std::memcpy(record, host.handle_bytes(instance.sequence_data).data(), sizeof record);
    EXPECT_EQ(record[0], 2 * c.point.h);
    EXPECT_EQ(record[1], 2 * c.point.v);
  }
}

}  // namespace
}  // namespace wheel_test
