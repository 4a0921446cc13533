#pragma once

// A simulated host with a composition and an effect instance attached to one
// of its layers, and the frame's parameter copies, for reading the layer's
// outlines as smart pre-render does.

#include <gtest/gtest.h>

#include <variant>
#include <vector>

#include "effect/source_geometry.h"
#include "host/effect_instance.h"
#include "host/scene/composition.h"
#include "host/scene/shape_contents.h"
#include "host/sim_host.h"

namespace geometry_test {

using namespace simhost::scene;

inline constexpr PF_ParamIndex kMaskPath = 16;
inline constexpr PF_ParamIndex kUseAllPaths = 17;
inline constexpr PF_ParamIndex kParentLayer = 56;

// A square with straight sides, corner at (x, y).
inline PathShape square(double x, double y, double size, bool closed = true) {
  return {{{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}}, closed};
}

struct GeometryWorld {
  GeometryWorld() {
    params[kUseAllPaths].param_type = PF_Param_CHECKBOX;
    params[kUseAllPaths].u.bd.value = 1;
    params[kMaskPath].param_type = PF_Param_PATH;
    instance.param(kParentLayer).param_type = PF_Param_LAYER;
  }

  // The layer the effect sits on.
  Layer& effect_layer(LayerKind kind, const char* name = "Effect layer") {
    Layer& layer = comp.add_layer(kind, name);
    comp.attach_effect(instance.effect_ref(), layer.id);
    return layer;
  }

  PF_InData in_data(PF_RationalScale ds = {1, 1}) {
    EffectAttachment* attached = comp.attachment(instance.effect_ref());
    attached->downsample_x = ds;
    attached->downsample_y = ds;
    PF_InData in = instance.make_in_data();
    in.downsample_x = ds;
    in.downsample_y = ds;
    return in;
  }

  PF_Err gather(SourceGeometry& out, PF_RationalScale ds = {1, 1}) {
    const PF_InData in = in_data(ds);
    return gather_source_geometry(&in, params, out);
  }

  simhost::SimHost host;
  simhost::EffectInstance instance{host, 83};
  Composition comp{1280, 720, 24};
  PF_ParamDef params[83] = {};
};

template <class Alternative>
const Alternative& holds(const SourceGeometry& geometry) {
  static const Alternative none{};
  EXPECT_TRUE(std::holds_alternative<Alternative>(geometry.value))
      << "alternative " << geometry.value.index();
  return std::holds_alternative<Alternative>(geometry.value) ? std::get<Alternative>(geometry.value)
                                                             : none;
}

}  // namespace geometry_test
