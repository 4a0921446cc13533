#pragma once

// A simulated host with a composition and an effect instance attached to one
// of its layers, and the frame's parameter copies, for reading the layer's
// outlines as smart pre-render does.

#include <gtest/gtest.h>

#include <variant>
#include <vector>

#include "effect/entry_point.h"
#include "effect/layer_outlines.h"
#include "effect/param_slots.h"
#include "host/instance/effect_instance.h"
#include "host/scene/composition.h"
#include "host/scene/shape_contents.h"
#include "host/sim_host.h"

namespace geometry_test {

using namespace simhost::scene;

// A square with straight sides, corner at (x, y).
inline PathShape square(double x, double y, double size, bool closed = true) {
  return {{{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}}, closed};
}

// The effect set up (global and params setup through its entry point) on a
// layer of the composition.
struct GeometryWorld {
  GeometryWorld() {
    EXPECT_EQ(instance.run(EffectMain, PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    EXPECT_EQ(instance.run(EffectMain, PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    host.clear_calls();
  }

  // The layer the effect sits on.
  Layer& effect_layer(LayerKind kind, const char* name = "Effect layer") {
    Layer& layer = comp.add_layer(kind, name);
    comp.attach_effect(instance.effect_ref(), layer.id);
    return layer;
  }

  PF_InData in_data(PF_RationalScale ds = {1, 1}) {
    instance.layer.downsample_x = ds;
    instance.layer.downsample_y = ds;
    return instance.make_in_data();
  }

  // As smart pre-render reads the outlines: with copies of the parameters
  // checked out at the frame's time.
  PF_Err gather(SourceGeometry& out, PF_RationalScale ds = {1, 1}) {
    const PF_InData in = in_data(ds);
    PF_ParamDef copies[slot::count] = {};
    for (PF_ParamIndex index : {slot::mask_path, slot::use_all_paths}) {
      EXPECT_EQ(in.inter.checkout_param(in.effect_ref, index, in.current_time, in.time_step,
                                        in.time_scale, &copies[index]),
                PF_Err_NONE);
      EXPECT_EQ(in.inter.checkin_param(in.effect_ref, &copies[index]), PF_Err_NONE);
    }
    return gather_source_geometry(&in, copies, out);
  }

  simhost::SimHost host;
  simhost::EffectInstance instance{host};
  Composition comp{1280, 720, 24};
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
