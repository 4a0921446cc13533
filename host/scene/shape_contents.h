#pragma once

// The contents of shape layers as the host keeps them: groups with their
// transform, free-form paths with their direction, fills, merge-paths
// operators, and the parametric shapes and strokes the host draws itself.
// Directions, fill rules and merge types are choices: keyframed, each holds
// until the next keyframe.
//
//   Layer& layer = comp.add_layer(LayerKind::shape, "Shapes");
//   layer.contents = shape_contents({shape_group({shape_path(square), shape_fill()},
//                                                {.position = Vec2{110, 50}})});

#include <vector>

#include "host/scene/streams.h"

namespace simhost::scene {

// "ADBE Vector Transform Group": scale in percent, angles in degrees.
struct GroupTransform {
  Animated<Vec2> anchor;
  Animated<Vec2> position;
  Animated<Vec2> scale = Vec2{100.0, 100.0};
  Animated<double> skew = 0.0;
  Animated<double> skew_axis = 0.0;
  Animated<double> rotation = 0.0;
  Animated<double> opacity = 100.0;
};

// "ADBE Vector Shape Direction" values.
inline constexpr double path_direction_normal = 1.0;
inline constexpr double path_direction_reversed = 3.0;

// "ADBE Root Vectors Group" holding the items in content order.
StreamNode shape_contents(std::vector<StreamNode> items);
// "ADBE Vector Group" with its "ADBE Vectors Group" and "ADBE Vector Transform Group".
StreamNode shape_group(std::vector<StreamNode> items, GroupTransform transform = {});
// "ADBE Vector Shape - Group" with "ADBE Vector Shape Direction" and "ADBE Vector Shape".
StreamNode shape_path(Animated<PathShape> path, Animated<double> direction = path_direction_normal);
// The colour of a new fill: red, as the host makes it.
inline constexpr Color default_fill_color{1.0, 1.0, 0.0, 0.0};
// "ADBE Vector Graphic - Fill": rule 1 non-zero winding, 2 even-odd; its
// colour ("ADBE Vector Fill Color") and opacity in percent.
StreamNode shape_fill(Animated<double> rule = 1.0, Animated<Color> color = default_fill_color,
                      Animated<double> opacity = 100.0);
// "ADBE Vector Filter - Merge": type 1 to 5.
StreamNode shape_merge(Animated<double> type);
// What the plug-in does not read.
StreamNode shape_rectangle(Animated<Vec2> size, Animated<Vec2> position = Vec2{});
StreamNode shape_ellipse(Animated<Vec2> size, Animated<Vec2> position = Vec2{});
StreamNode shape_star(Animated<double> points, Animated<double> outer_radius,
                      Animated<Vec2> position = Vec2{});
StreamNode shape_stroke(Animated<double> width);
StreamNode shape_gradient_fill(Animated<double> rule = 1.0);

}  // namespace simhost::scene
