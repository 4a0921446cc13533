#include "effect/layer_outlines.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>

#include "effect/downsample.h"
#include "effect/layer_placement.h"
#include "effect/param_slots.h"
#include "geometry/matrix.h"
#include "host_support/aegp_held.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/frame_abort.h"
#include "host_support/give_back_quietly.h"
#include "host_support/host_errors.h"
#include "host_support/matrix3.h"

namespace {

constexpr double radians_per_degree = 0.017453292519943295;
constexpr double reversed_direction = 3.0;

using HeldTextOutlines = HeldAegpObject<AEGP_TextOutlinesH>;

// Towards zero; a value outside the 32-bit range saturates and NaN gives 0,
// so that no host value makes the conversion undefined.
int32_t truncate_to_int32(double value) {
  if (std::isnan(value)) return 0;
  constexpr double lowest = std::numeric_limits<int32_t>::min();
  constexpr double highest = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(std::trunc(value), lowest, highest));
}

BezierVertex vertex_from(const PF_PathVertex& v) {
  return {v.x, v.y, v.tan_in_x, v.tan_in_y, v.tan_out_x, v.tan_out_y};
}

BezierVertex scaled(const PF_PathVertex& v, const Downsample& ds) {
  return {v.x * ds.x,        v.y * ds.y,         v.tan_in_x * ds.x,
          v.tan_in_y * ds.y, v.tan_out_x * ds.x, v.tan_out_y * ds.y};
}

// The same curve run the other way.
void reverse_bezier_path(BezierPath& path) {
  std::reverse(path.begin(), path.end());
  for (BezierVertex& v : path) {
    std::swap(v.in_x, v.out_x);
    std::swap(v.in_y, v.out_y);
  }
}

// The parent's child of that match name, into `child`.
void get_child_stream(HostErrors& errors, const AEGP_DynamicStreamSuite5* dynamic_streams,
                      AEGP_StreamRefH parent, const char* match_name, HeldStream& child) {
  errors.run([&] {
    return dynamic_streams->AEGP_GetNewStreamRefByMatchname(aegp_plugin_id, parent, match_name,
                                                            child.out());
  });
}

// The stream's value at the layer time, expressions applied, into `value`.
// True when it was read.
bool get_layer_time_value(HostErrors& errors, const AEGP_StreamSuite7* streams,
                          AEGP_StreamRefH stream, const A_Time& layer_time,
                          HeldStreamValue& value) {
  return value.take(errors, [&](AEGP_StreamValue2* out) {
    return streams->AEGP_GetNewStreamValue(aegp_plugin_id, stream, AEGP_LTimeMode_LayerTime,
                                           &layer_time, false, out);
  });
}

// A one-dimensional child value at the layer time, given back at once.
// False when it was not read.
bool read_child_one_d(HostErrors& errors, AEGP_SuiteHandler& suites, AEGP_StreamRefH parent,
                      const char* match_name, const A_Time& layer_time, double& value) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  HeldStream stream(streams->AEGP_DisposeStream);
  get_child_stream(errors, dynamic_streams, parent, match_name, stream);
  HeldStreamValue stream_value(streams->AEGP_DisposeStreamValue);
  const bool read = get_layer_time_value(errors, streams, stream.get(), layer_time, stream_value);
  if (read) value = stream_value.val().one_d;
  stream_value.give_back(errors);
  stream.give_back(errors);
  return read;
}

// The first 32 bytes of the value (at the layer time, expressions applied)
// of the transform group's child of that match name; zeros when it was not
// read. Nothing is asked once an error is recorded.
AEGP_StreamVal2 read_transform_value(HostErrors& errors, AEGP_SuiteHandler& suites,
                                     AEGP_StreamRefH transform, const A_Time& layer_time,
                                     const char* match_name) {
  AEGP_StreamVal2 result{};
  if (!errors.ok()) return result;
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  HeldStream stream(streams->AEGP_DisposeStream);
  get_child_stream(errors, dynamic_streams, transform, match_name, stream);
  AEGP_StreamType type = AEGP_StreamType_NO_DATA;
  errors.run([&] { return streams->AEGP_GetStreamType(stream.get(), &type); });
  HeldStreamValue value(streams->AEGP_DisposeStreamValue);
  if (get_layer_time_value(errors, streams, stream.get(), layer_time, value)) result = value.val();
  value.give_back(errors);
  stream.give_back(errors);
  return result;
}

// "ADBE Vector Shape - Group": a closed outline becomes a path item.
void read_shape_path(HostErrors& errors, AEGP_SuiteHandler& suites, AEGP_StreamRefH shape_group,
                     const A_Time& layer_time, const Matrix3& matrix, ShapeItems& out) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  const AEGP_MaskOutlineSuite5* outlines = suites.MaskOutlineSuite5();

  double direction = 0.0;
  const bool reversed = read_child_one_d(errors, suites, shape_group, "ADBE Vector Shape Direction",
                                         layer_time, direction) &&
                        direction == reversed_direction;

  HeldStream shape(streams->AEGP_DisposeStream);
  get_child_stream(errors, dynamic_streams, shape_group, "ADBE Vector Shape", shape);
  HeldStreamValue outline(streams->AEGP_DisposeStreamValue);
  get_layer_time_value(errors, streams, shape.get(), layer_time, outline);
  const AEGP_MaskOutlineValH mask = outline.val().mask;
  A_Boolean open = true;
  errors.run([&] { return outlines->AEGP_IsMaskOutlineOpen(mask, &open); });
  if (errors.ok() && !open) {
    A_long num_segments = 0;
    errors.note(outlines->AEGP_GetMaskOutlineNumSegments(mask, &num_segments));
    BezierPath path;
    for (A_long j = 0; j < num_segments && errors.ok(); ++j) {
      AEGP_MaskVertex v{};
      errors.note(outlines->AEGP_GetMaskOutlineVertexInfo(mask, j, &v));
      const Point2d position = matrix.map(v.x, v.y);
      const Point2d in = matrix.map(v.x + v.tan_in_x, v.y + v.tan_in_y);
      const Point2d out_point = matrix.map(v.x + v.tan_out_x, v.y + v.tan_out_y);
      path.push_back({position.x, position.y, in.x, in.y, out_point.x, out_point.y});
    }
    if (errors.ok()) {
      if (reversed) reverse_bezier_path(path);
      out.push_back({std::move(path)});
    }
  }
  outline.give_back(errors);
  shape.give_back(errors);
}

void walk_vector_group(HostErrors& errors, AEGP_SuiteHandler& suites, AEGP_StreamRefH group,
                       const A_Time& layer_time, const Matrix3& matrix, ShapeItems& out);

// "ADBE Vector Group": its transform, then its contents walked under it.
void read_group(HostErrors& errors, AEGP_SuiteHandler& suites, AEGP_StreamRefH group,
                const A_Time& layer_time, const Matrix3& matrix, ShapeItems& out) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();

  HeldStream transform(streams->AEGP_DisposeStream);
  get_child_stream(errors, dynamic_streams, group, "ADBE Vector Transform Group", transform);
  const auto value = [&](const char* match_name) {
    return read_transform_value(errors, suites, transform.get(), layer_time, match_name);
  };
  const AEGP_StreamVal2 anchor = value("ADBE Vector Anchor");
  const AEGP_StreamVal2 position = value("ADBE Vector Position");
  const AEGP_StreamVal2 scale = value("ADBE Vector Scale");
  const AEGP_StreamVal2 skew = value("ADBE Vector Skew");
  const AEGP_StreamVal2 skew_axis = value("ADBE Vector Skew Axis");
  const AEGP_StreamVal2 rotation = value("ADBE Vector Rotation");

  const dvec2 s = vec2_divide({scale.two_d.x, scale.two_d.y}, 100.0);
  const double r = rotation.one_d * radians_per_degree;
  const Matrix3 to_anchor = matrix3_translation(-anchor.two_d.x, -anchor.two_d.y);
  const Matrix3 to_position = matrix3_translation(position.two_d.x, position.two_d.y);
  const Matrix3 scaling = matrix3_scale(s.x, s.y);
  const Matrix3 skewing =
      matrix3_skew(skew_axis.one_d * radians_per_degree, skew.one_d * radians_per_degree);
  const Matrix3 rotating = matrix3_rotation(std::cos(r), std::sin(r));
  // A point moves by -anchor, is scaled, skewed and rotated, then moves by
  // the position. The products are taken from the last step backwards, as
  // they always were, so that every shape keeps its exact coordinates.
  const Matrix3 local = to_anchor.then(scaling.then(skewing.then(rotating.then(to_position))));

  transform.give_back(errors);

  HeldStream contents(streams->AEGP_DisposeStream);
  get_child_stream(errors, dynamic_streams, group, "ADBE Vectors Group", contents);
  if (errors.ok()) {
    // The group's own transform first, then the enclosing ones.
    const Matrix3 inner = local.then(matrix);
    ShapeGroup sub_group;
    walk_vector_group(errors, suites, contents.get(), layer_time, inner, sub_group.items);
    out.push_back({std::move(sub_group)});
  }
  contents.give_back(errors);
}

// Appends the items of one "ADBE Vectors Group" (or the root group) in
// content order, mapping paths through `matrix` and recursing into groups.
void walk_vector_group(HostErrors& errors, AEGP_SuiteHandler& suites, AEGP_StreamRefH group,
                       const A_Time& layer_time, const Matrix3& matrix, ShapeItems& out) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  A_long count = 0;
  errors.run([&] { return dynamic_streams->AEGP_GetNumStreamsInGroup(group, &count); });
  for (A_long i = 0; i < count; ++i) {
    errors.run(poll_frame_abort_when_due);
    HeldStream child(streams->AEGP_DisposeStream);
    errors.run([&] {
      return dynamic_streams->AEGP_GetNewStreamRefByIndex(aegp_plugin_id, group, i, child.out());
    });
    A_char name[AEGP_MAX_STREAM_MATCH_NAME_SIZE] = {};
    errors.run([&] { return dynamic_streams->AEGP_GetMatchName(child.get(), name); });
    if (errors.ok()) {
      const std::string_view match_name(name);
      double value = 0.0;
      if (match_name == "ADBE Vector Shape - Group") {
        read_shape_path(errors, suites, child.get(), layer_time, matrix, out);
      } else if (match_name == "ADBE Vector Graphic - Fill") {
        if (read_child_one_d(errors, suites, child.get(), "ADBE Vector Fill Rule", layer_time,
                             value)) {
          out.push_back({ShapeFill{truncate_to_int32(value)}});
        }
      } else if (match_name == "ADBE Vector Filter - Merge") {
        if (read_child_one_d(errors, suites, child.get(), "ADBE Vector Merge Type", layer_time,
                             value)) {
          out.push_back({ShapeMerge{truncate_to_int32(value)}});
        }
      } else if (match_name == "ADBE Vector Group") {
        read_group(errors, suites, child.get(), layer_time, matrix, out);
      }
      // Rectangles, ellipses, stars, strokes, gradient fills and other
      // operators add nothing.
    }
    child.give_back(errors);
  }
}

void read_text_outlines(HostErrors& errors, AEGP_SuiteHandler& suites, const PF_InData* in_data,
                        AEGP_LayerH layer, const A_Time& layer_time, const Downsample& ds,
                        SourceGeometry& out) {
  const AEGP_TextLayerSuite1* text = suites.TextLayerSuite1();
  const PF_PathDataSuite1* path_data = suites.PathDataSuite1();
  HeldTextOutlines outlines(text->AEGP_DisposeTextOutlines);
  errors.run([&] { return text->AEGP_GetNewTextOutlines(layer, &layer_time, outlines.out()); });
  if (!outlines) return;

  A_long count = 0;
  errors.run([&] { return text->AEGP_GetNumTextOutlines(outlines.get(), &count); });
  TextOutlines paths(static_cast<size_t>(std::max<A_long>(count, 0)));
  for (A_long i = 0; i < count; ++i) {
    errors.run(poll_frame_abort_when_due);
    PF_PathOutlinePtr path = nullptr;
    errors.run([&] { return text->AEGP_GetIndexedTextOutline(outlines.get(), i, &path); });
    A_long num_segments = 0;
    errors.run(
        [&] { return path_data->PF_PathNumSegments(in_data->effect_ref, path, &num_segments); });
    BezierPath& vertices = paths[static_cast<size_t>(i)];
    if (errors.ok()) vertices.resize(static_cast<size_t>(std::max<A_long>(num_segments, 0)));
    for (A_long j = 0; j < num_segments && errors.ok(); ++j) {
      PF_PathVertex v{};
      errors.note(path_data->PF_PathVertexInfo(in_data->effect_ref, path, j, &v));
      if (errors.ok()) vertices[static_cast<size_t>(j)] = scaled(v, ds);
    }
  }
  out.value = std::move(paths);
  outlines.give_back(errors);
}

void read_shape_layer(HostErrors& errors, AEGP_SuiteHandler& suites, const PF_InData* in_data,
                      AEGP_LayerH layer, const A_Time& layer_time, const Downsample& ds,
                      SourceGeometry& out) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  suites.MaskOutlineSuite5();  // taken now, so that the walk cannot lack it halfway

  HeldStream layer_stream(streams->AEGP_DisposeStream);
  HeldStream root(streams->AEGP_DisposeStream);
  errors.run([&] {
    return dynamic_streams->AEGP_GetNewStreamRefForLayer(aegp_plugin_id, layer, layer_stream.out());
  });
  get_child_stream(errors, dynamic_streams, layer_stream.get(), "ADBE Root Vectors Group", root);
  // Into the layer's own pixels at the downsampling, where the effect draws
  // and the text outlines and masks are: the layer's transform is the
  // host's to apply when it composites the layer.
  const Matrix3 to_pixels = shape_contents_to_layer_pixels(*in_data);
  const Matrix3 m0 =
      matrix3_affine(ds.x, 0.0, 0.0, ds.y, to_pixels.m[2][0] * ds.x, to_pixels.m[2][1] * ds.y);
  ShapeItems items;
  if (errors.ok()) walk_vector_group(errors, suites, root.get(), layer_time, m0, items);
  out.value = std::move(items);
  root.give_back(errors);
  layer_stream.give_back(errors);
}

// A mask path's checkout, checked in once whether or not it was made: by
// check_in() on the normal path, its result noted, or by the destructor.
class CheckedOutPath {
 public:
  CheckedOutPath(const PF_PathQuerySuite1* query, PF_ProgPtr effect_ref, PF_PathID path_id,
                 PF_PathOutlinePtr* path)
      : query_(query), effect_ref_(effect_ref), path_id_(path_id), path_(path) {}
  ~CheckedOutPath() {
    if (out_) give_back_quietly([&] { check_in_now(); });
  }
  CheckedOutPath(const CheckedOutPath&) = delete;
  CheckedOutPath& operator=(const CheckedOutPath&) = delete;

  // Made once: a check-in that throws is not made again by the destructor.
  void check_in(HostErrors& errors) {
    if (!out_) return;
    out_ = false;
    errors.note(check_in_now());
  }

 private:
  PF_Err check_in_now() { return query_->PF_CheckinPath(effect_ref_, path_id_, false, *path_); }

  const PF_PathQuerySuite1* query_;
  PF_ProgPtr effect_ref_;
  PF_PathID path_id_;
  PF_PathOutlinePtr* path_;
  bool out_ = true;
};

// Appends the closed mask of that path id, with its mode and inversion, as
// the host delivers it. No mask for id 0 or an open path. The path is
// checked in whether or not its checkout was made.
void read_mask_path(HostErrors& errors, AEGP_SuiteHandler& suites, const PF_InData* in_data,
                    PF_PathID path_id, MaskPaths& masks) {
  const PF_PathQuerySuite1* query = suites.PathQuerySuite1();
  const PF_PathDataSuite1* path_data = suites.PathDataSuite1();
  PF_PathOutlinePtr path = nullptr;
  // Checked in on every way out, also when an exception leaves the frame.
  CheckedOutPath checked_out(query, in_data->effect_ref, path_id, &path);
  errors.run([&] {
    return query->PF_CheckoutPath(in_data->effect_ref, path_id, in_data->current_time,
                                  in_data->time_step, in_data->time_scale, &path);
  });
  if (errors.ok() && path != nullptr) {
    A_long num_segments = 0;
    PF_Boolean open = true;
    errors.note(path_data->PF_PathNumSegments(in_data->effect_ref, path, &num_segments));
    errors.run([&] { return path_data->PF_PathIsOpen(in_data->effect_ref, path, &open); });
    // An open path is not a mask outline.
    if (errors.ok() && !open) {
      BezierPath vertices(static_cast<size_t>(std::max<A_long>(num_segments, 0)));
      for (A_long j = 0; j < num_segments && errors.ok(); ++j) {
        PF_PathVertex v{};
        errors.note(path_data->PF_PathVertexInfo(in_data->effect_ref, path, j, &v));
        vertices[static_cast<size_t>(j)] = vertex_from(v);
      }
      PF_MaskMode mode = PF_MaskMode_NONE;
      PF_Boolean inverted = false;
      errors.run(
          [&] { return path_data->PF_PathGetMaskMode(in_data->effect_ref, path_id, &mode); });
      errors.run(
          [&] { return path_data->PF_PathIsInverted(in_data->effect_ref, path_id, &inverted); });
      if (errors.ok()) {
        masks.push_back({std::move(vertices), mode, static_cast<uint8_t>(inverted != 0)});
      }
    }
  }
  checked_out.check_in(errors);
}

void read_masks(HostErrors& errors, AEGP_SuiteHandler& suites, const PF_InData* in_data,
                const PF_ParamDef* params, SourceGeometry& out) {
  const PF_PathQuerySuite1* query = suites.PathQuerySuite1();
  suites.PathDataSuite1();  // taken now, so that no checked-out path can lack it
  MaskPaths masks;
  if (params[slot::use_all_paths].u.bd.value == 0) {
    read_mask_path(errors, suites, in_data, params[slot::mask_path].u.path_d.path_id, masks);
  } else {
    A_long count = 0;
    errors.run([&] { return query->PF_NumPaths(in_data->effect_ref, &count); });
    for (A_long i = 0; i < count; ++i) {
      errors.run(poll_frame_abort_when_due);
      PF_PathID path_id = 0;
      errors.run([&] { return query->PF_PathInfo(in_data->effect_ref, i, &path_id); });
      read_mask_path(errors, suites, in_data, path_id, masks);
    }
  }
  out.value = std::move(masks);
}

}  // namespace

PF_Err gather_source_geometry(const PF_InData* in_data, const PF_ParamDef* params,
                              SourceGeometry& out) {
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  const Downsample ds = downsample_of(*in_data);
  const A_Time layer_time{in_data->current_time, in_data->time_scale};
  HostErrors errors;
  AEGP_LayerH layer = nullptr;
  AEGP_ObjectType type = AEGP_ObjectType_AV;
  errors.run(
      [&] { return suites.PFInterfaceSuite1()->AEGP_GetEffectLayer(in_data->effect_ref, &layer); });
  errors.run([&] { return suites.LayerSuite11()->AEGP_GetLayerObjectType(layer, &type); });
  // The layer's kind alone picks what is read: a text or shape layer's masks are not.
  if (type == AEGP_ObjectType_TEXT) {
    if (errors.ok()) read_text_outlines(errors, suites, in_data, layer, layer_time, ds, out);
  } else if (type == AEGP_ObjectType_VECTOR) {
    read_shape_layer(errors, suites, in_data, layer, layer_time, ds, out);
  } else {
    read_masks(errors, suites, in_data, params, out);
  }
  return errors.code();
}

PF_Err layer_param_layer(const PF_InData* in_data, PF_ParamIndex index, AEGP_LayerH& out) {
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  // Every suite is taken before anything is taken from the host, so that a
  // missing one strands nothing.
  const AEGP_PFInterfaceSuite1* pf_interface = suites.PFInterfaceSuite1();
  const AEGP_StreamSuite4* streams = suites.StreamSuite4();
  const AEGP_EffectSuite1* effects = suites.EffectSuite1();
  const AEGP_LayerSuite5* layers5 = suites.LayerSuite5();
  const AEGP_LayerSuite11* layers11 = suites.LayerSuite11();

  HostErrors errors;
  HeldEffect effect(effects->AEGP_DisposeEffect);
  HeldStream stream(streams->AEGP_DisposeStream);
  HeldStreamValue value(streams->AEGP_DisposeStreamValue);
  errors.run([&] {
    return pf_interface->AEGP_GetNewEffectForEffect(aegp_plugin_id, in_data->effect_ref,
                                                    effect.out());
  });
  errors.run([&] {
    return streams->AEGP_GetNewEffectStreamByIndex(aegp_plugin_id, effect.get(), index,
                                                   stream.out());
  });
  // The parameter's own value, not what an expression makes of it.
  const bool read = value.take(errors, [&](AEGP_StreamValue2* given) {
    const A_Time start{0, 1};
    return streams->AEGP_GetNewStreamValue(aegp_plugin_id, stream.get(), AEGP_LTimeMode_LayerTime,
                                           &start, true, given);
  });
  if (read && value.val().layer_id != 0) {
    AEGP_LayerH effect_layer = nullptr;
    AEGP_CompH comp = nullptr;
    AEGP_LayerH chosen = nullptr;
    errors.run(
        [&] { return pf_interface->AEGP_GetEffectLayer(in_data->effect_ref, &effect_layer); });
    errors.run([&] { return layers5->AEGP_GetLayerParentComp(effect_layer, &comp); });
    errors.run(
        [&] { return layers11->AEGP_GetLayerFromLayerID(comp, value.val().layer_id, &chosen); });
    if (errors.ok()) out = chosen;
  }
  value.give_back(errors);
  stream.give_back(errors);
  effect.give_back(errors);
  return errors.code();
}
