#include "effect/param_table.h"

#include <array>

#include "effect/param_slots.h"

namespace {

// Short forms of the flag bits.
constexpr PF_ParamFlags CTV = PF_ParamFlag_CANNOT_TIME_VARY;
constexpr PF_ParamFlags COL = PF_ParamFlag_COLLAPSE_TWIRLY;
constexpr PF_ParamFlags SUP = PF_ParamFlag_SUPERVISE;
constexpr PF_ParamFlags SKIP = PF_ParamFlag_SKIP_REVEAL_WHEN_UNHIDDEN;
constexpr PF_ParamUIFlags CTRL = PF_PUI_CONTROL;
constexpr PF_ParamUIFlags STD = PF_PUI_STD_CONTROL_ONLY;
constexpr PF_ParamUIFlags DIS = PF_PUI_DISABLED;
constexpr PF_ParamUIFlags NOERASE = PF_PUI_DONT_ERASE_CONTROL;
constexpr PF_ParamUIFlags INV = PF_PUI_INVISIBLE;
constexpr PF_ValueDisplayFlags PCT = PF_ValueDisplayFlag_PERCENT;

constexpr ParamRow group_start(PF_ParamIndex slot, A_long id, const char* name, PF_ParamFlags flags,
                               PF_ParamUIFlags ui_flags = 0,
                               RuntimeName runtime_name = RuntimeName::none) {
  return {.slot = slot,
          .id = id,
          .type = PF_Param_GROUP_START,
          .name = name,
          .runtime_name = runtime_name,
          .ui_flags = ui_flags,
          .flags = flags};
}

constexpr ParamRow group_end(PF_ParamIndex slot, A_long id) {
  return {.slot = slot, .id = id, .type = PF_Param_GROUP_END};
}

constexpr ParamRow custom_control(PF_ParamIndex slot, A_long id, PF_ParamType type,
                                  const char* name, PF_ParamUIFlags ui_flags, PF_ParamFlags flags,
                                  A_short width, A_short height) {
  return {.slot = slot,
          .id = id,
          .type = type,
          .name = name,
          .ui_flags = ui_flags,
          .flags = flags,
          .ui_width = width,
          .ui_height = height};
}

constexpr ParamRow button(PF_ParamIndex slot, A_long id, const char* name, PF_ParamFlags flags,
                          const char* label, RuntimeName runtime_name = RuntimeName::none) {
  return {.slot = slot,
          .id = id,
          .type = PF_Param_BUTTON,
          .name = name,
          .runtime_name = runtime_name,
          .flags = flags,
          .text = label};
}

constexpr ParamRow checkbox(PF_ParamIndex slot, A_long id, const char* name,
                            PF_ParamUIFlags ui_flags, PF_ParamFlags flags, bool on,
                            const char* label) {
  return {.slot = slot,
          .id = id,
          .type = PF_Param_CHECKBOX,
          .name = name,
          .ui_flags = ui_flags,
          .flags = flags,
          .value = on ? 1.0 : 0.0,
          .text = label};
}

constexpr ParamRow popup(PF_ParamIndex slot, A_long id, const char* name, PF_ParamFlags flags,
                         const char* items, A_short num_choices, A_short value) {
  return {.slot = slot,
          .id = id,
          .type = PF_Param_POPUP,
          .name = name,
          .flags = flags,
          .value = static_cast<double>(value),
          .text = items,
          .num_choices = num_choices};
}

constexpr ParamRow angle(PF_ParamIndex slot, A_long id, const char* name, PF_ParamUIFlags ui_flags,
                         PF_ParamFlags flags, double degrees) {
  return {.slot = slot,
          .id = id,
          .type = PF_Param_ANGLE,
          .name = name,
          .ui_flags = ui_flags,
          .flags = flags,
          .value = degrees};
}

constexpr ParamRow float_slider(PF_ParamIndex slot, A_long id, const char* name,
                                PF_ParamFlags flags, double value, float valid_min, float valid_max,
                                float slider_min, float slider_max, A_short precision,
                                PF_ValueDisplayFlags display_flags = 0) {
  return {.slot = slot,
          .id = id,
          .type = PF_Param_FLOAT_SLIDER,
          .name = name,
          .flags = flags,
          .value = value,
          .valid_min = valid_min,
          .valid_max = valid_max,
          .slider_min = slider_min,
          .slider_max = slider_max,
          .precision = precision,
          .display_flags = display_flags};
}

constexpr ParamRow slider(PF_ParamIndex slot, A_long id, const char* name, PF_ParamUIFlags ui_flags,
                          PF_ParamFlags flags, int value, int valid_min, int valid_max,
                          int slider_min, int slider_max) {
  return {.slot = slot,
          .id = id,
          .type = PF_Param_SLIDER,
          .name = name,
          .ui_flags = ui_flags,
          .flags = flags,
          .value = static_cast<double>(value),
          .valid_min = static_cast<float>(valid_min),
          .valid_max = static_cast<float>(valid_max),
          .slider_min = static_cast<float>(slider_min),
          .slider_max = static_cast<float>(slider_max)};
}

constexpr ParamRow point(PF_ParamIndex slot, A_long id, const char* name, PF_ParamFlags flags,
                         A_long x_percent, A_long y_percent) {
  return {.slot = slot,
          .id = id,
          .type = PF_Param_POINT,
          .name = name,
          .flags = flags,
          .x_percent = x_percent,
          .y_percent = y_percent};
}

constexpr ParamRow color(PF_ParamIndex slot, A_long id, const char* name, PF_ParamFlags flags,
                         A_u_char red, A_u_char green, A_u_char blue) {
  return {.slot = slot,
          .id = id,
          .type = PF_Param_COLOR,
          .name = name,
          .flags = flags,
          .color = {255, red, green, blue}};
}

constexpr ParamRow plain(PF_ParamIndex slot, A_long id, PF_ParamType type, const char* name,
                         PF_ParamFlags flags) {
  return {.slot = slot, .id = id, .type = type, .name = name, .flags = flags};
}

constexpr const char* mode_items = "Directional|Vanishing|3D Camera";
constexpr const char* side_fill_items = "Solid|Gradient";
constexpr const char* debug_view_items =
    "Front geometry|Front mask|Side geometry|Screenspace outlines|Composite";

using namespace slot;

constexpr std::array table_rows{
    group_start(about_group, 47, "About & Support", COL),
    custom_control(info_panel, 69, PF_Param_NO_DATA, "", CTRL | NOERASE, SKIP, 277, 68),
    group_start(version_group, 51, "", SKIP, 0, RuntimeName::version_text),
    group_end(version_group_end, 52),
    button(product_page_button, 48, "", SUP, "Product Page", RuntimeName::host_version),
    button(free_plugins_button, 49, "", SUP, "Free Plugins", RuntimeName::windows_version),
    button(get_support_button, 50, "", SUP, "Get Support", RuntimeName::renderer),
    group_start(about_spacer_group, 53, "", SKIP),
    group_end(about_spacer_group_end, 54),
    group_end(about_group_end, 55),
    group_start(warning_group, 43, "Warning: source layer", 0, DIS),
    group_end(warning_group_end, 44),
    group_start(warning_text_group, 45, "must be text.", 0, DIS),
    group_end(warning_text_group_end, 46),
    group_start(paths_group, 34, "Paths", COL | SKIP),
    plain(mask_path, 35, PF_Param_PATH, "Mask Path", SKIP),
    checkbox(use_all_paths, 36, "", DIS | INV, CTV | SKIP, true, "Use All Paths"),
    group_end(paths_group_end, 37),
    group_start(style_group, 38, "Style", SKIP),
    popup(mode, 2, "Mode", CTV | SUP | SKIP, mode_items, 3, 1),
    checkbox(inner_extrusion, 10, "Inner Tarvolk", 0, SKIP, false, ""),
    angle(extrusion_direction, 2, "Extrusion Direction", 0, COL | SKIP, 135),
    float_slider(extrusion_length_back, 3, "Extrusion Length Back", COL | SKIP, 100, -10000, 10000,
                 -1000, 1000, 1),
    float_slider(extrusion_length_front, 4, "Extrusion Length Front", COL | SKIP, 0, -10000, 10000,
                 -1000, 1000, 1),
    point(vanishing_point, 5, "Vanishing Point", SKIP, 80, 80),
    float_slider(extrusion_amount_back, 6, "Extrusion Amount Back", COL | SKIP, 20, -1000, 100,
                 -100, 100, 1, PCT),
    float_slider(extrusion_amount_front, 7, "Extrusion Amount Front", COL | SKIP, 0, -1000, 100,
                 -100, 100, 1, PCT),
    float_slider(stroke_width, 8, "Stroke Width", COL | SKIP, 2, 0, 10000, 0, 100, 1),
    color(stroke_color, 9, "Stroke Color", SKIP, 0, 0, 0),
    float_slider(stroke_opacity, 66, "Stroke Opacity", COL | SKIP, 100, 0, 100, 0, 100, 1, PCT),
    button(reset_style, 39, "", SUP | SKIP, "Reset Style"),
    group_end(style_group_end, 40),
    group_start(fill_group, 27, "Fill Color", SKIP),
    checkbox(inherit_layer_color, 11, "Inherit Layer Color", 0, SKIP, true, ""),
    color(front_fill_color, 12, "Front Fill Color", SKIP, 255, 0, 0),
    popup(side_fill_mode, 28, "Side Fill Mode", CTV | SUP | SKIP, side_fill_items, 2, 1),
    slider(side_fill_color_count, 13, "Number of Side Fill Colors", 0, SKIP, 1, 1, 5, 1, 5),
    color(side_fill_color, 14, "Side Fill Color", SKIP, 255, 255, 255),
    custom_control(gradient_wheel, gradient_arb_id, PF_Param_ARBITRARY_DATA, "Gradient Wheel",
                   CTRL | NOERASE, COL | SKIP, 350, 150),
    slider(gradient_point_select, 33, "Gradient Pt Select", STD | DIS, CTV | SUP | SKIP, -1, -1,
           2048, 0, 10),
    angle(point_angle, 17, "Point Angle", STD, CTV | COL | SUP | SKIP, 0),
    angle(global_offset, 15, "Global Offset", 0, COL | SKIP, 0),
    checkbox(interpolate_gradient, 58, "", 0, CTV | SKIP, true, "Interpolate Gradient"),
    float_slider(fill_opacity, 70, "Fill Opacity", COL | SKIP, 100, 0, 100, 0, 100, 1, PCT),
    color(side_fill_2_color, 16, "Side Fill 2 Color", SKIP, 0, 0, 255),
    color(side_fill_3_color, 18, "Side Fill 3 Color", SKIP, 255, 0, 0),
    angle(side_fill_3_angle, 19, "Side Fill 3 Angle", 0, COL | SKIP, 144),
    color(side_fill_4_color, 20, "Side Fill 4 Color", SKIP, 255, 255, 0),
    angle(side_fill_4_angle, 21, "Side Fill 4 Angle", 0, COL | SKIP, 216),
    color(side_fill_5_color, 22, "Side Fill 5 Color", SKIP, 0, 255, 255),
    angle(side_fill_5_angle, 23, "Side Fill 5 Angle", 0, COL | SKIP, 288),
    button(reset_gradient, 56, "", SUP | SKIP, "Reset Gradient"),
    button(reset_fill_color, 41, "", SUP | SKIP, "Reset Fill Color"),
    group_end(fill_group_end, 29),
    group_start(transform_group, 82, "3D Transform", COL | SKIP),
    plain(parent_layer, 80, PF_Param_LAYER, "Parent Layer", SKIP),
    point(anchor_point, 81, "Anchor Point", SKIP, 50, 50),
    button(setup_null, 83, "", SUP | SKIP, "Setup Null"),
    button(reset_transform, 85, "", SUP | SKIP, "Reset Transform"),
    group_end(transform_group_end, 84),
    group_start(compositing_group, 64, "Compositing", COL | SKIP),
    float_slider(input_opacity, 65, "Input Opacity", COL | SKIP, 0, 0, 100, 0, 100, 1, PCT),
    button(reset_compositing, 67, "", SUP | SKIP, "Reset Compositing"),
    group_end(compositing_group_end, 68),
    group_start(quality_group, 30, "Quality", COL | SKIP),
    slider(master_resolution, 57, "Master Resolution", 0, COL | SKIP, 1, 1, 8, 1, 3),
    float_slider(corner_angle_threshold, 24, "Corner Angle Threshold", COL | SKIP, 10, 0, 180, 0,
                 180, 1),
    float_slider(flatness_threshold, 25, "Flatness Threshold", COL | SKIP, 0.25, 0, 10, 0, 10, 1),
    float_slider(front_mask_resolution_scale, 26, "Front Mask Resolution Scale", COL | SKIP, 1, 1,
                 10, 1, 10, 1),
    button(reset_quality, 42, "", SUP | SKIP, "Reset Quality"),
    group_end(quality_group_end, 31),
    button(shape_to_mask, 86, "", SUP | SKIP, "Shape -> Mask"),
    group_start(debug_group, 62, "Debug", COL | SKIP),
    popup(debug_view, 59, "Debug View", CTV | SKIP, debug_view_items, 5, 5),
    slider(debug_view_x_offset, 60, "Debug View X-Offset", 0, SKIP, 0, -2000, 2000, -1000, 1000),
    slider(debug_view_y_offset, 61, "Debug View Y-Offset", 0, SKIP, 0, -2000, 2000, -1000, 1000),
    float_slider(debug_left, 71, "Left", COL | SKIP, 0, -5000, 5000, 0, 5, 2),
    float_slider(debug_top, 72, "Top", COL | SKIP, 0, -5000, 5000, 0, 5, 2),
    float_slider(debug_right, 73, "Right", COL | SKIP, 0, -5000, 5000, 0, 5, 2),
    float_slider(debug_bottom, 74, "Bottom", COL | SKIP, 0, -5000, 5000, 0, 5, 2),
    checkbox(sentinel_init_value, 75, "", 0, CTV, false, "Sentinel Init Value"),
    group_end(debug_group_end, 63),
};

// Every slot once, in order: the slot numbers of param_slots.h are the rows'
// positions.
constexpr bool rows_in_slot_order() {
  for (std::size_t i = 0; i < table_rows.size(); ++i) {
    if (table_rows[i].slot != static_cast<PF_ParamIndex>(i + 1)) return false;
  }
  return table_rows.size() + 1 == static_cast<std::size_t>(slot::count);
}
static_assert(rows_in_slot_order());

}  // namespace

std::span<const ParamRow> param_rows() {
  return table_rows;
}

const ParamRow& param_row(PF_ParamIndex slot) {
  return table_rows.at(static_cast<std::size_t>(slot - 1));
}
