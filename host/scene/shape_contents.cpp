#include "host/scene/shape_contents.h"

#include <utility>

namespace simhost::scene {

StreamNode shape_contents(std::vector<StreamNode> items) {
  return stream_group("ADBE Root Vectors Group", std::move(items));
}

StreamNode shape_group(std::vector<StreamNode> items, GroupTransform transform) {
  StreamNode transform_group = stream_group(
      "ADBE Vector Transform Group",
      {stream_2d("ADBE Vector Anchor", std::move(transform.anchor), AEGP_StreamType_TwoD_SPATIAL),
       stream_2d("ADBE Vector Position", std::move(transform.position),
                 AEGP_StreamType_TwoD_SPATIAL),
       stream_2d("ADBE Vector Scale", std::move(transform.scale)),
       stream_1d("ADBE Vector Skew", std::move(transform.skew)),
       stream_1d("ADBE Vector Skew Axis", std::move(transform.skew_axis)),
       stream_1d("ADBE Vector Rotation", std::move(transform.rotation)),
       stream_1d("ADBE Vector Group Opacity", std::move(transform.opacity))});
  // Moved in one by one: an initializer list would copy the whole subtree,
  // at every level of nested groups.
  std::vector<StreamNode> children;
  children.reserve(3);
  children.push_back(stream_1d("ADBE Vector Blend Mode", 1.0));
  children.push_back(stream_group("ADBE Vectors Group", std::move(items)));
  children.push_back(std::move(transform_group));
  return stream_group("ADBE Vector Group", std::move(children));
}

StreamNode shape_path(Animated<PathShape> path, Animated<double> direction) {
  return stream_group("ADBE Vector Shape - Group",
                      {stream_1d("ADBE Vector Shape Direction", direction.held()),
                       stream_path("ADBE Vector Shape", std::move(path))});
}

StreamNode shape_fill(Animated<double> rule, Animated<Color> color, Animated<double> opacity) {
  return stream_group(
      "ADBE Vector Graphic - Fill",
      {stream_1d("ADBE Vector Blend Mode", 1.0), stream_1d("ADBE Vector Composite Order", 1.0),
       stream_1d("ADBE Vector Fill Rule", rule.held()),
       stream_color("ADBE Vector Fill Color", std::move(color)),
       stream_1d("ADBE Vector Fill Opacity", std::move(opacity))});
}

StreamNode shape_merge(Animated<double> type) {
  return stream_group("ADBE Vector Filter - Merge",
                      {stream_1d("ADBE Vector Merge Type", type.held())});
}

StreamNode shape_rectangle(Animated<Vec2> size, Animated<Vec2> position) {
  return stream_group(
      "ADBE Vector Shape - Rect",
      {stream_1d("ADBE Vector Shape Direction", path_direction_normal),
       stream_2d("ADBE Vector Rect Size", std::move(size)),
       stream_2d("ADBE Vector Rect Position", std::move(position), AEGP_StreamType_TwoD_SPATIAL),
       stream_1d("ADBE Vector Rect Roundness", 0.0)});
}

StreamNode shape_ellipse(Animated<Vec2> size, Animated<Vec2> position) {
  return stream_group("ADBE Vector Shape - Ellipse",
                      {stream_1d("ADBE Vector Shape Direction", path_direction_normal),
                       stream_2d("ADBE Vector Ellipse Size", std::move(size)),
                       stream_2d("ADBE Vector Ellipse Position", std::move(position),
                                 AEGP_StreamType_TwoD_SPATIAL)});
}

StreamNode shape_star(Animated<double> points, Animated<double> outer_radius,
                      Animated<Vec2> position) {
  return stream_group(
      "ADBE Vector Shape - Star",
      {stream_1d("ADBE Vector Shape Direction", path_direction_normal),
       stream_1d("ADBE Vector Star Type", 1.0),
       stream_1d("ADBE Vector Star Points", std::move(points)),
       stream_2d("ADBE Vector Star Position", std::move(position), AEGP_StreamType_TwoD_SPATIAL),
       stream_1d("ADBE Vector Star Outer Radius", std::move(outer_radius))});
}

StreamNode shape_stroke(Animated<double> width) {
  return stream_group("ADBE Vector Graphic - Stroke",
                      {stream_1d("ADBE Vector Blend Mode", 1.0),
                       stream_1d("ADBE Vector Stroke Width", std::move(width)),
                       stream_1d("ADBE Vector Stroke Opacity", 100.0)});
}

StreamNode shape_gradient_fill(Animated<double> rule) {
  return stream_group(
      "ADBE Vector Graphic - G-Fill",
      {stream_1d("ADBE Vector Fill Rule", rule.held()), stream_1d("ADBE Vector Grad Type", 1.0)});
}

}  // namespace simhost::scene
