#pragma once

// Positions in the host's parameter array, slot 0 being the input layer. The
// persistent ids, types and order behind them are saved with projects; the
// list itself is in effect/param_table.cpp.

#include "host_api/ae_effect.h"

namespace slot {
inline constexpr PF_ParamIndex input_layer = 0;
// "About & Support"
inline constexpr PF_ParamIndex about_group = 1;
inline constexpr PF_ParamIndex info_panel = 2;
inline constexpr PF_ParamIndex version_group = 3;
inline constexpr PF_ParamIndex version_group_end = 4;
inline constexpr PF_ParamIndex product_page_button = 5;  // named by the host's API version
inline constexpr PF_ParamIndex free_plugins_button = 6;  // named by the Windows version
inline constexpr PF_ParamIndex get_support_button = 7;   // named by the OpenGL renderer
inline constexpr PF_ParamIndex about_spacer_group = 8;
inline constexpr PF_ParamIndex about_spacer_group_end = 9;
inline constexpr PF_ParamIndex about_group_end = 10;
// The source-layer warning
inline constexpr PF_ParamIndex warning_group = 11;
inline constexpr PF_ParamIndex warning_group_end = 12;
inline constexpr PF_ParamIndex warning_text_group = 13;
inline constexpr PF_ParamIndex warning_text_group_end = 14;
// "Paths"
inline constexpr PF_ParamIndex paths_group = 15;
inline constexpr PF_ParamIndex mask_path = 16;
inline constexpr PF_ParamIndex use_all_paths = 17;
inline constexpr PF_ParamIndex paths_group_end = 18;
// "Style"
inline constexpr PF_ParamIndex style_group = 19;
inline constexpr PF_ParamIndex mode = 20;
inline constexpr PF_ParamIndex inner_extrusion = 21;
inline constexpr PF_ParamIndex extrusion_direction = 22;
inline constexpr PF_ParamIndex extrusion_length_back = 23;
inline constexpr PF_ParamIndex extrusion_length_front = 24;
inline constexpr PF_ParamIndex vanishing_point = 25;
inline constexpr PF_ParamIndex extrusion_amount_back = 26;
inline constexpr PF_ParamIndex extrusion_amount_front = 27;
inline constexpr PF_ParamIndex stroke_width = 28;
inline constexpr PF_ParamIndex stroke_color = 29;
inline constexpr PF_ParamIndex stroke_opacity = 30;
inline constexpr PF_ParamIndex reset_style = 31;
inline constexpr PF_ParamIndex style_group_end = 32;
// "Fill Color"
inline constexpr PF_ParamIndex fill_group = 33;
inline constexpr PF_ParamIndex inherit_layer_color = 34;
inline constexpr PF_ParamIndex front_fill_color = 35;
inline constexpr PF_ParamIndex side_fill_mode = 36;
inline constexpr PF_ParamIndex side_fill_color_count = 37;
inline constexpr PF_ParamIndex side_fill_color = 38;
inline constexpr PF_ParamIndex gradient_wheel = 39;
inline constexpr PF_ParamIndex gradient_point_select = 40;
inline constexpr PF_ParamIndex point_angle = 41;
inline constexpr PF_ParamIndex global_offset = 42;
inline constexpr PF_ParamIndex interpolate_gradient = 43;
inline constexpr PF_ParamIndex fill_opacity = 44;
inline constexpr PF_ParamIndex side_fill_2_color = 45;
inline constexpr PF_ParamIndex side_fill_3_color = 46;
inline constexpr PF_ParamIndex side_fill_3_angle = 47;
inline constexpr PF_ParamIndex side_fill_4_color = 48;
inline constexpr PF_ParamIndex side_fill_4_angle = 49;
inline constexpr PF_ParamIndex side_fill_5_color = 50;
inline constexpr PF_ParamIndex side_fill_5_angle = 51;
inline constexpr PF_ParamIndex reset_gradient = 52;
inline constexpr PF_ParamIndex reset_fill_color = 53;
inline constexpr PF_ParamIndex fill_group_end = 54;
// "3D Transform"
inline constexpr PF_ParamIndex transform_group = 55;
inline constexpr PF_ParamIndex parent_layer = 56;
inline constexpr PF_ParamIndex anchor_point = 57;
inline constexpr PF_ParamIndex setup_null = 58;
inline constexpr PF_ParamIndex reset_transform = 59;
inline constexpr PF_ParamIndex transform_group_end = 60;
// "Compositing"
inline constexpr PF_ParamIndex compositing_group = 61;
inline constexpr PF_ParamIndex input_opacity = 62;
inline constexpr PF_ParamIndex reset_compositing = 63;
inline constexpr PF_ParamIndex compositing_group_end = 64;
// "Quality"
inline constexpr PF_ParamIndex quality_group = 65;
inline constexpr PF_ParamIndex master_resolution = 66;
inline constexpr PF_ParamIndex corner_angle_threshold = 67;
inline constexpr PF_ParamIndex flatness_threshold = 68;
inline constexpr PF_ParamIndex front_mask_resolution_scale = 69;
inline constexpr PF_ParamIndex reset_quality = 70;
inline constexpr PF_ParamIndex quality_group_end = 71;
inline constexpr PF_ParamIndex shape_to_mask = 72;  // in no group
// "Debug"
inline constexpr PF_ParamIndex debug_group = 73;
inline constexpr PF_ParamIndex debug_view = 74;
inline constexpr PF_ParamIndex debug_view_x_offset = 75;
inline constexpr PF_ParamIndex debug_view_y_offset = 76;
inline constexpr PF_ParamIndex debug_left = 77;
inline constexpr PF_ParamIndex debug_top = 78;
inline constexpr PF_ParamIndex debug_right = 79;
inline constexpr PF_ParamIndex debug_bottom = 80;
inline constexpr PF_ParamIndex sentinel_init_value = 81;
inline constexpr PF_ParamIndex debug_group_end = 82;

// The number of slots, the input layer included.
inline constexpr A_long count = 83;
}  // namespace slot

// Values of the "Mode" popup ("Directional|Vanishing|3D Camera").
inline constexpr PF_ParamValue mode_directional = 1;
inline constexpr PF_ParamValue mode_vanishing = 2;
inline constexpr PF_ParamValue mode_camera3d = 3;

// Values of the "Side Fill Mode" popup ("Solid|Gradient").
inline constexpr PF_ParamValue side_fill_solid = 1;
inline constexpr PF_ParamValue side_fill_gradient = 2;

// The arbitrary id of the "Gradient Wheel" value (also its persistent id).
inline constexpr A_short gradient_arb_id = 32;
