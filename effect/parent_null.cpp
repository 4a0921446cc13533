// "Setup Null" and "Reset Transform": the parent layer of the 3D camera mode.
// "Setup Null" builds a 3D null at the centre of the effect's layer and
// chooses it as "Parent Layer", stopping at the first step that fails or
// gives nothing (what was made before stays); "Reset Transform" puts the
// anchor at the layer's centre and chooses no parent layer.

#include "effect/param_actions.h"
#include "effect/param_slots.h"
#include "host_support/aegp_held.h"

namespace {

// "Tarvolk Parent Null" in UTF-16, as "AEGP Comp Suite" version 11 takes names.
constexpr A_UTF16Char null_name[] = {'T', 'a', 'r', 'v', 'o', 'l', 'k', ' ', 'P', 'a',
                                     'r', 'e', 'n', 't', ' ', 'N', 'u', 'l', 'l', 0};

// "Parent Layer" set through its stream, which is given back whether or not
// the value was set.
void set_parent_layer(const ParamActionContext& ctx, AEGP_LayerIDVal layer_id) {
  const AEGP_StreamSuite9* streams = ctx.suites.StreamSuite9();
  HeldStream stream(streams->AEGP_DisposeStream);
  ctx.errors.run([&] {
    return streams->AEGP_GetNewEffectStreamByIndex(aegp_plugin_id, ctx.effect, slot::parent_layer,
                                                   stream.out());
  });
  if (stream) {
    ctx.errors.run([&] {
      AEGP_StreamValue2 value{};
      value.streamH = stream.get();
      value.val.layer_id = layer_id;
      return streams->AEGP_SetStreamValue(aegp_plugin_id, stream.get(), &value);
    });
  }
  stream.give_back(ctx.errors);
}

// True when the null's position was set.
bool centre_null(const ParamActionContext& ctx, AEGP_LayerH null_layer) {
  const AEGP_StreamSuite9* streams = ctx.suites.StreamSuite9();
  HeldStream position(streams->AEGP_DisposeStream);
  ctx.errors.run([&] {
    return streams->AEGP_GetNewLayerStream(aegp_plugin_id, null_layer, AEGP_LayerStream_POSITION,
                                           position.out());
  });
  const bool obtained = ctx.errors.ok() && position;
  if (obtained) {
    ctx.errors.run([&] {
      AEGP_StreamValue2 value{};
      value.streamH = position.get();
      value.val.three_d = {ctx.in_data->width * 0.5, ctx.in_data->height * 0.5, 0.0};
      return streams->AEGP_SetStreamValue(aegp_plugin_id, position.get(), &value);
    });
  }
  position.give_back(ctx.errors);
  return obtained && ctx.errors.ok();
}

}  // namespace

void setup_parent_null(const ParamActionContext& ctx) {
  HostErrors& errors = ctx.errors;
  AEGP_LayerH layer = nullptr;
  errors.run([&] {
    return ctx.suites.PFInterfaceSuite1()->AEGP_GetEffectLayer(ctx.in_data->effect_ref, &layer);
  });
  if (!errors.ok() || layer == nullptr) return;
  const AEGP_LayerSuite13* layers = ctx.suites.LayerSuite13();
  AEGP_CompH comp = nullptr;
  errors.run([&] { return layers->AEGP_GetLayerParentComp(layer, &comp); });
  if (!errors.ok() || comp == nullptr) return;
  AEGP_LayerH null_layer = nullptr;
  errors.run([&] {
    return ctx.suites.CompSuite11()->AEGP_CreateNullInComp(null_name, comp, nullptr, &null_layer);
  });
  if (!errors.ok() || null_layer == nullptr) return;
  errors.run([&] { return layers->AEGP_SetLayerFlag(null_layer, AEGP_LayerFlag_LAYER_IS_3D, 1); });
  if (!errors.ok() || !centre_null(ctx, null_layer)) return;
  AEGP_LayerIDVal null_id = 0;
  errors.run([&] { return layers->AEGP_GetLayerID(null_layer, &null_id); });
  if (errors.ok()) set_parent_layer(ctx, null_id);
}

void reset_transform(const ParamActionContext& ctx) {
  reset_to_default(ctx, slot::anchor_point);  // the layer's centre
  if (ctx.errors.ok()) set_parent_layer(ctx, 0);
  announce_changes(ctx, slot::parent_layer, slot::setup_null, false);
}
