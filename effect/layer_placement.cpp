#include "effect/layer_placement.h"

#include <cmath>

namespace {

bool is_identity(const Matrix3& m) {
  return m.m[0][0] == 1.0 && m.m[0][1] == 0.0 && m.m[1][0] == 0.0 && m.m[1][1] == 1.0 &&
         m.m[2][0] == 0.0 && m.m[2][1] == 0.0;
}

// The affine map of the plane acting on x and y of a homogeneous point; its
// translation is weighted by w, so it also maps points of a perspective.
dmat4 planar(const Matrix3& m) {
  return {m.m[0][0], m.m[0][1], 0, 0, m.m[1][0], m.m[1][1], 0, 0,
          0,         0,         1, 0, m.m[2][0], m.m[2][1], 0, 1};
}

}  // namespace

Matrix3 shape_contents_to_layer_pixels(const PF_InData& in_data) {
  return matrix3_translation(in_data.width / 2.0, in_data.height / 2.0);
}

std::optional<LayerPlacement> read_layer_placement(const PF_InData& in_data,
                                                   AEGP_SuiteHandler& suites, HostErrors& errors,
                                                   AEGP_LayerH layer, const A_Time& comp_time) {
  const AEGP_LayerSuite11* layers11 = suites.LayerSuite11();
  const AEGP_LayerSuite13* layers13 = suites.LayerSuite13();
  AEGP_ObjectType type = AEGP_ObjectType_AV;
  A_Matrix4 l{};
  errors.run([&] { return layers11->AEGP_GetLayerObjectType(layer, &type); });
  errors.run([&] { return layers13->AEGP_GetLayerToWorldXform(layer, &comp_time, &l); });
  if (!errors.ok()) return std::nullopt;

  Matrix3 placement =
      matrix3_affine(l.mat[0][0], l.mat[0][1], l.mat[1][0], l.mat[1][1], l.mat[3][0], l.mat[3][1]);
  if (type == AEGP_ObjectType_VECTOR) {
    const Matrix3 to_contents = shape_contents_to_layer_pixels(in_data);
    placement = matrix3_translation(-to_contents.m[2][0], -to_contents.m[2][1]).then(placement);
  }
  if (is_identity(placement)) return std::nullopt;
  const dmat4 to_composition = planar(placement);
  const dmat4 to_layer = mat4_inverse(to_composition);
  for (double v : to_layer) {
    if (!std::isfinite(v)) return std::nullopt;
  }
  return LayerPlacement{to_composition, to_layer};
}
