#include "effect/source_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>

#include "effect/param_slots.h"
#include "renderer/matrix.h"

namespace {

constexpr AEGP_PluginID kPluginId = 0;
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kReversedDirection = 3.0;

double downsample_factor(const PF_RationalScale& scale) {
  return static_cast<double>(scale.num) / static_cast<double>(scale.den);
}

// Towards zero; a value outside the 32-bit range saturates and NaN gives 0,
// so that no host value makes the conversion undefined.
int32_t truncate_to_int32(double value) {
  if (std::isnan(value)) return 0;
  constexpr double lowest = std::numeric_limits<int32_t>::min();
  constexpr double highest = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(std::trunc(value), lowest, highest));
}

void keep_first(PF_Err& err, PF_Err later) {
  if (err == PF_Err_NONE) err = later;
}

dvec2 map_point(const mat3& m, double x, double y) {
  return {x * m[0] + y * m[3] + m[6], x * m[1] + y * m[4] + m[7]};
}

BezierVertex vertex_from(const PF_PathVertex& v) {
  return {v.x, v.y, v.tan_in_x, v.tan_in_y, v.tan_out_x, v.tan_out_y};
}

BezierVertex scaled(const PF_PathVertex& v, double ds) {
  return {v.x * ds, v.y * ds, v.tan_in_x * ds, v.tan_in_y * ds, v.tan_out_x * ds, v.tan_out_y * ds};
}

// The same curve run the other way.
void reverse_bezier_path(BezierPath& path) {
  std::reverse(path.begin(), path.end());
  for (BezierVertex& v : path) {
    std::swap(v.in_x, v.out_x);
    std::swap(v.in_y, v.out_y);
  }
}

// A one-dimensional child value at the layer time, given back at once.
// False when it was not read.
bool read_child_one_d(PF_Err& err, AEGP_SuiteHandler& suites, AEGP_StreamRefH parent,
                      const char* match_name, const A_Time& layer_time, double& value) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  AEGP_StreamRefH stream = nullptr;
  AEGP_StreamValue2 stream_value{};
  bool read = false;
  if (!err) {
    err = dynamic_streams->AEGP_GetNewStreamRefByMatchname(kPluginId, parent, match_name, &stream);
  }
  if (!err) {
    err = streams->AEGP_GetNewStreamValue(kPluginId, stream, AEGP_LTimeMode_LayerTime, &layer_time,
                                          false, &stream_value);
    read = !err;
  }
  if (read) {
    value = stream_value.val.one_d;
    keep_first(err, streams->AEGP_DisposeStreamValue(&stream_value));
  }
  if (stream != nullptr) keep_first(err, streams->AEGP_DisposeStream(stream));
  return read;
}

// "ADBE Vector Shape - Group": a closed outline becomes a path item.
void read_shape_path(PF_Err& err, AEGP_SuiteHandler& suites, AEGP_StreamRefH shape_group,
                     const A_Time& layer_time, const mat3& matrix, ShapeItems& out) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  const AEGP_MaskOutlineSuite5* outlines = suites.MaskOutlineSuite5();

  double direction = 0.0;
  const bool reversed = read_child_one_d(err, suites, shape_group, "ADBE Vector Shape Direction",
                                         layer_time, direction) &&
                        direction == kReversedDirection;

  AEGP_StreamRefH shape = nullptr;
  AEGP_StreamValue2 outline{};
  bool read = false;
  if (!err) {
    err = dynamic_streams->AEGP_GetNewStreamRefByMatchname(kPluginId, shape_group,
                                                           "ADBE Vector Shape", &shape);
  }
  if (!err) {
    err = streams->AEGP_GetNewStreamValue(kPluginId, shape, AEGP_LTimeMode_LayerTime, &layer_time,
                                          false, &outline);
    read = !err;
  }
  A_Boolean open = true;
  if (!err) err = outlines->AEGP_IsMaskOutlineOpen(outline.val.mask, &open);
  if (!err && !open) {
    A_long num_segments = 0;
    err = outlines->AEGP_GetMaskOutlineNumSegments(outline.val.mask, &num_segments);
    BezierPath path;
    for (A_long j = 0; j < num_segments && !err; ++j) {
      AEGP_MaskVertex v{};
      err = outlines->AEGP_GetMaskOutlineVertexInfo(outline.val.mask, j, &v);
      const dvec2 position = map_point(matrix, v.x, v.y);
      const dvec2 in = map_point(matrix, v.x + v.tan_in_x, v.y + v.tan_in_y);
      const dvec2 out_point = map_point(matrix, v.x + v.tan_out_x, v.y + v.tan_out_y);
      path.push_back({position.x, position.y, in.x, in.y, out_point.x, out_point.y});
    }
    if (!err) {
      if (reversed) reverse_bezier_path(path);
      out.push_back({std::move(path)});
    }
  }
  if (read) keep_first(err, streams->AEGP_DisposeStreamValue(&outline));
  if (shape != nullptr) keep_first(err, streams->AEGP_DisposeStream(shape));
}

// "ADBE Vector Group": its transform, then its contents walked under it.
void read_group(PF_Err& err, AEGP_SuiteHandler& suites, AEGP_StreamRefH group,
                const A_Time& layer_time, const mat3& matrix, ShapeItems& out) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();

  AEGP_StreamRefH transform = nullptr;
  if (!err) {
    err = dynamic_streams->AEGP_GetNewStreamRefByMatchname(
        kPluginId, group, "ADBE Vector Transform Group", &transform);
  }
  PF_Err cleanup_err = PF_Err_NONE;
  StreamLookup lookup{&err, &suites, kPluginId, transform, layer_time, &cleanup_err};
  AEGP_StreamVal2 anchor{}, position{}, scale{}, skew{}, skew_axis{}, rotation{};
  find_stream_by_match_name(lookup, anchor, "ADBE Vector Anchor");
  find_stream_by_match_name(lookup, position, "ADBE Vector Position");
  find_stream_by_match_name(lookup, scale, "ADBE Vector Scale");
  find_stream_by_match_name(lookup, skew, "ADBE Vector Skew");
  find_stream_by_match_name(lookup, skew_axis, "ADBE Vector Skew Axis");
  find_stream_by_match_name(lookup, rotation, "ADBE Vector Rotation");

  const dvec2 s = vec2_divide({scale.two_d.x, scale.two_d.y}, 100.0);
  const double r = rotation.one_d * kRadiansPerDegree;
  const mat3 a = mat3_from_values(1, 0, 0, 0, 1, 0, -anchor.two_d.x, -anchor.two_d.y, 1);
  const mat3 p = mat3_from_values(1, 0, 0, 0, 1, 0, position.two_d.x, position.two_d.y, 1);
  const mat3 sm = mat3_from_values(s.x, 0, 0, 0, s.y, 0, 0, 0, 1);
  const mat3 k = skew_matrix(skew_axis.one_d * kRadiansPerDegree, skew.one_d * kRadiansPerDegree);
  const mat3 rm =
      mat3_from_values(std::cos(r), std::sin(r), 0, -std::sin(r), std::cos(r), 0, 0, 0, 1);
  // A point moves by -anchor, is scaled, skewed and rotated, then moves by the position.
  mat3 rp{}, krp{}, skrp{}, local{};
  mat3_multiply(rp, p, rm);
  mat3_multiply(krp, rp, k);
  mat3_multiply(skrp, krp, sm);
  mat3_multiply(local, skrp, a);

  if (transform != nullptr) keep_first(err, streams->AEGP_DisposeStream(transform));

  AEGP_StreamRefH contents = nullptr;
  if (!err) {
    err = dynamic_streams->AEGP_GetNewStreamRefByMatchname(kPluginId, group, "ADBE Vectors Group",
                                                           &contents);
  }
  if (!err) {
    // The group's own transform first, then the enclosing ones.
    mat3 inner{};
    mat3_multiply(inner, matrix, local);
    ShapeGroup sub_group;
    err = walk_vector_group(suites, contents, layer_time, inner, sub_group.items);
    out.push_back({std::move(sub_group)});
  }
  if (contents != nullptr) keep_first(err, streams->AEGP_DisposeStream(contents));
}

void read_text_outlines(PF_Err& err, AEGP_SuiteHandler& suites, const PF_InData* in_data,
                        AEGP_LayerH layer, const A_Time& layer_time, double ds,
                        SourceGeometry& out) {
  const AEGP_TextLayerSuite1* text = suites.TextLayerSuite1();
  const PF_PathDataSuite1* path_data = suites.PathDataSuite1();
  AEGP_TextOutlinesH outlines = nullptr;
  if (!err) err = text->AEGP_GetNewTextOutlines(layer, &layer_time, &outlines);
  if (outlines == nullptr) return;

  A_long count = 0;
  if (!err) err = text->AEGP_GetNumTextOutlines(outlines, &count);
  TextOutlines paths(static_cast<size_t>(std::max<A_long>(count, 0)));
  for (A_long i = 0; i < count; ++i) {
    PF_PathOutlinePtr path = nullptr;
    if (!err) err = text->AEGP_GetIndexedTextOutline(outlines, i, &path);
    A_long num_segments = 0;
    if (!err) err = path_data->PF_PathNumSegments(in_data->effect_ref, path, &num_segments);
    BezierPath& vertices = paths[static_cast<size_t>(i)];
    if (!err) vertices.resize(static_cast<size_t>(std::max<A_long>(num_segments, 0)));
    for (A_long j = 0; j < num_segments && !err; ++j) {
      PF_PathVertex v{};
      err = path_data->PF_PathVertexInfo(in_data->effect_ref, path, j, &v);
      if (!err) vertices[static_cast<size_t>(j)] = scaled(v, ds);
    }
  }
  out.value = std::move(paths);
  keep_first(err, text->AEGP_DisposeTextOutlines(outlines));
}

void read_shape_layer(PF_Err& err, AEGP_SuiteHandler& suites, AEGP_LayerH layer,
                      const A_Time& layer_time, double ds, SourceGeometry& out) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_LayerSuite13* layers = suites.LayerSuite13();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  suites.MaskOutlineSuite5();  // taken now, so that the walk cannot lack it halfway

  AEGP_StreamRefH layer_stream = nullptr;
  AEGP_StreamRefH root = nullptr;
  if (!err) err = dynamic_streams->AEGP_GetNewStreamRefForLayer(kPluginId, layer, &layer_stream);
  if (!err) {
    err = dynamic_streams->AEGP_GetNewStreamRefByMatchname(kPluginId, layer_stream,
                                                           "ADBE Root Vectors Group", &root);
  }
  A_Time comp_time{};
  A_Matrix4 l{};
  if (!err) err = layers->AEGP_ConvertLayerToCompTime(layer, &layer_time, &comp_time);
  if (!err) err = layers->AEGP_GetLayerToWorldXform(layer, &comp_time, &l);
  // The layer-to-world matrix restricted to x and y, scaled by the downsample factor.
  const mat3 m0 = mat3_from_values(l.mat[0][0] * ds, l.mat[0][1] * ds, 0, l.mat[1][0] * ds,
                                   l.mat[1][1] * ds, 0, l.mat[3][0] * ds, l.mat[3][1] * ds, 1);
  ShapeItems items;
  if (!err) err = walk_vector_group(suites, root, layer_time, m0, items);
  out.value = std::move(items);
  if (root != nullptr) keep_first(err, streams->AEGP_DisposeStream(root));
  if (layer_stream != nullptr) keep_first(err, streams->AEGP_DisposeStream(layer_stream));
}

void read_masks(PF_Err& err, AEGP_SuiteHandler& suites, const PF_InData* in_data,
                const PF_ParamDef* params, SourceGeometry& out) {
  const PF_PathQuerySuite1* query = suites.PathQuerySuite1();
  suites.PathDataSuite1();  // taken now, so that no checked-out path can lack it
  MaskPaths masks;
  PF_Err cleanup_err = PF_Err_NONE;
  MaskContext context{&err, &suites, in_data, &masks, &cleanup_err};
  if (params[slot::use_all_paths].u.bd.value == 0) {
    read_mask_path(context, params[slot::mask_path].u.path_d.path_id);
  } else {
    A_long count = 0;
    if (!err) err = query->PF_NumPaths(in_data->effect_ref, &count);
    for (A_long i = 0; i < count; ++i) {
      PF_PathID path_id = 0;
      if (!err) err = query->PF_PathInfo(in_data->effect_ref, i, &path_id);
      read_mask_path(context, path_id);
    }
  }
  out.value = std::move(masks);
}

}  // namespace

mat3 mat3_from_values(double m00, double m01, double m02, double m10, double m11, double m12,
                      double m20, double m21, double m22) {
  return {m00, m01, m02, m10, m11, m12, m20, m21, m22};
}

void mat3_multiply(mat3& out, const mat3& a, const mat3& b) {
  mat3 product{};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      double sum = 0.0;
      for (int k = 0; k < 3; ++k) sum += b[3 * r + k] * a[3 * k + c];
      product[3 * r + c] = sum;
    }
  }
  out = product;
}

mat3 skew_matrix(double axis, double skew) {
  const double t = std::tan(skew);
  const double s = std::sin(axis);
  const double c = std::cos(axis);
  return mat3_from_values(1 - s * c * t, s * s * t, 0, -c * c * t, 1 + s * c * t, 0, 0, 0, 1);
}

AEGP_StreamVal2& find_stream_by_match_name(StreamLookup& lookup, AEGP_StreamVal2& buffer,
                                           const char* match_name) {
  PF_Err& err = *lookup.err;
  if (err) return buffer;
  const AEGP_DynamicStreamSuite5* dynamic_streams = lookup.suites->DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = lookup.suites->StreamSuite7();
  AEGP_StreamRefH stream = nullptr;
  AEGP_StreamValue2 value{};
  bool read = false;
  err = dynamic_streams->AEGP_GetNewStreamRefByMatchname(lookup.plugin_id, lookup.parent,
                                                         match_name, &stream);
  AEGP_StreamType type = AEGP_StreamType_NO_DATA;
  if (!err) err = streams->AEGP_GetStreamType(stream, &type);
  if (!err) {
    err = streams->AEGP_GetNewStreamValue(lookup.plugin_id, stream, AEGP_LTimeMode_LayerTime,
                                          &lookup.layer_time, false, &value);
    read = !err;
  }
  if (read) {
    buffer = value.val;
    *lookup.cleanup_err = streams->AEGP_DisposeStreamValue(&value);
    keep_first(err, *lookup.cleanup_err);
  }
  if (stream != nullptr) {
    *lookup.cleanup_err = streams->AEGP_DisposeStream(stream);
    keep_first(err, *lookup.cleanup_err);
  }
  return buffer;
}

void read_mask_path(MaskContext& context, PF_PathID path_id) {
  PF_Err& err = *context.err;
  const PF_InData* in_data = context.in_data;
  const PF_PathQuerySuite1* query = context.suites->PathQuerySuite1();
  const PF_PathDataSuite1* path_data = context.suites->PathDataSuite1();
  PF_PathOutlinePtr path = nullptr;
  if (!err) {
    err = query->PF_CheckoutPath(in_data->effect_ref, path_id, in_data->current_time,
                                 in_data->time_step, in_data->time_scale, &path);
  }
  if (!err && path != nullptr) {
    A_long num_segments = 0;
    PF_Boolean open = true;
    err = path_data->PF_PathNumSegments(in_data->effect_ref, path, &num_segments);
    if (!err) err = path_data->PF_PathIsOpen(in_data->effect_ref, path, &open);
    // An open path is not a mask outline.
    if (!err && !open) {
      BezierPath vertices(static_cast<size_t>(std::max<A_long>(num_segments, 0)));
      for (A_long j = 0; j < num_segments && !err; ++j) {
        PF_PathVertex v{};
        err = path_data->PF_PathVertexInfo(in_data->effect_ref, path, j, &v);
        vertices[static_cast<size_t>(j)] = vertex_from(v);
      }
      PF_MaskMode mode = PF_MaskMode_NONE;
      PF_Boolean inverted = false;
      if (!err) err = path_data->PF_PathGetMaskMode(in_data->effect_ref, path_id, &mode);
      if (!err) err = path_data->PF_PathIsInverted(in_data->effect_ref, path_id, &inverted);
      if (!err) {
        context.masks->push_back({std::move(vertices), mode, static_cast<uint8_t>(inverted != 0)});
      }
    }
  }
  *context.cleanup_err = query->PF_CheckinPath(in_data->effect_ref, path_id, false, path);
  keep_first(err, *context.cleanup_err);
}

PF_Err walk_vector_group(AEGP_SuiteHandler& suites, AEGP_StreamRefH group, const A_Time& layer_time,
                         const mat3& matrix, ShapeItems& out) {
  const AEGP_DynamicStreamSuite5* dynamic_streams = suites.DynamicStreamSuite5();
  const AEGP_StreamSuite7* streams = suites.StreamSuite7();
  PF_Err err = PF_Err_NONE;
  A_long count = 0;
  err = dynamic_streams->AEGP_GetNumStreamsInGroup(group, &count);
  for (A_long i = 0; i < count; ++i) {
    AEGP_StreamRefH child = nullptr;
    if (!err) err = dynamic_streams->AEGP_GetNewStreamRefByIndex(kPluginId, group, i, &child);
    A_char name[AEGP_MAX_STREAM_MATCH_NAME_SIZE] = {};
    if (!err) err = dynamic_streams->AEGP_GetMatchName(child, name);
    if (!err) {
      const std::string_view match_name(name);
      double value = 0.0;
      if (match_name == "ADBE Vector Shape - Group") {
        read_shape_path(err, suites, child, layer_time, matrix, out);
      } else if (match_name == "ADBE Vector Graphic - Fill") {
        if (read_child_one_d(err, suites, child, "ADBE Vector Fill Rule", layer_time, value)) {
          out.push_back({ShapeFill{truncate_to_int32(value)}});
        }
      } else if (match_name == "ADBE Vector Filter - Merge") {
        if (read_child_one_d(err, suites, child, "ADBE Vector Merge Type", layer_time, value)) {
          out.push_back({ShapeMerge{truncate_to_int32(value)}});
        }
      } else if (match_name == "ADBE Vector Group") {
        read_group(err, suites, child, layer_time, matrix, out);
      }
      // Rectangles, ellipses, stars, strokes, gradient fills and other
      // operators add nothing.
    }
    if (child != nullptr) keep_first(err, streams->AEGP_DisposeStream(child));
  }
  return err;
}

PF_Err gather_source_geometry(const PF_InData* in_data, const PF_ParamDef* params,
                              SourceGeometry& out) {
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  const double ds = downsample_factor(in_data->downsample_x);
  const A_Time layer_time{in_data->current_time, in_data->time_scale};
  PF_Err err = PF_Err_NONE;
  AEGP_LayerH layer = nullptr;
  AEGP_ObjectType type = AEGP_ObjectType_AV;
  err = suites.PFInterfaceSuite1()->AEGP_GetEffectLayer(in_data->effect_ref, &layer);
  if (!err) err = suites.LayerSuite11()->AEGP_GetLayerObjectType(layer, &type);
  // The layer's kind alone picks what is read: a text or shape layer's masks are not.
  if (type == AEGP_ObjectType_TEXT) {
    if (!err) read_text_outlines(err, suites, in_data, layer, layer_time, ds, out);
  } else if (type == AEGP_ObjectType_VECTOR) {
    read_shape_layer(err, suites, layer, layer_time, ds, out);
  } else {
    read_masks(err, suites, in_data, params, out);
  }
  return err;
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

  PF_Err err = PF_Err_NONE;
  AEGP_EffectRefH effect = nullptr;
  AEGP_StreamRefH stream = nullptr;
  AEGP_StreamValue2 value{};
  bool read = false;
  err = pf_interface->AEGP_GetNewEffectForEffect(kPluginId, in_data->effect_ref, &effect);
  if (!err) err = streams->AEGP_GetNewEffectStreamByIndex(kPluginId, effect, index, &stream);
  if (!err) {
    // The parameter's own value, not what an expression makes of it.
    const A_Time start{0, 1};
    err = streams->AEGP_GetNewStreamValue(kPluginId, stream, AEGP_LTimeMode_LayerTime, &start, true,
                                          &value);
    read = !err;
  }
  if (read && value.val.layer_id != 0) {
    AEGP_LayerH effect_layer = nullptr;
    AEGP_CompH comp = nullptr;
    AEGP_LayerH chosen = nullptr;
    err = pf_interface->AEGP_GetEffectLayer(in_data->effect_ref, &effect_layer);
    if (!err) err = layers5->AEGP_GetLayerParentComp(effect_layer, &comp);
    if (!err) err = layers11->AEGP_GetLayerFromLayerID(comp, value.val.layer_id, &chosen);
    if (!err) out = chosen;
  }
  if (read) keep_first(err, streams->AEGP_DisposeStreamValue(&value));
  if (stream != nullptr) keep_first(err, streams->AEGP_DisposeStream(stream));
  if (effect != nullptr) keep_first(err, effects->AEGP_DisposeEffect(effect));
  return err;
}
