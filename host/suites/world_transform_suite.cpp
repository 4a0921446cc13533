// "PF World Transform Suite" v1. transfer_rect composites with
// PF_Xfer_IN_FRONT: the source over the destination at the given 8-bit
// opacity, in 8-bit and float worlds alike. Worlds hold straight alpha, so
// this is the straight-alpha over() of host/world.h; the mode flags are not
// needed to tell. The suite's other functions are not served by this host.

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

constexpr const char* suite_name = kPFWorldTransformSuite;
constexpr int32_t suite_version = kPFWorldTransformSuiteVersion1;

bool is_float(const PF_EffectWorld& world) {
  return (world.world_flags & PF_WorldFlag_FLOAT) != 0;
}

PF_Err transfer_rect(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags,
                     PF_Field field, const PF_Rect* src_rect, const PF_EffectWorld* src_world,
                     const PF_CompositeMode* comp_mode, const PF_MaskWorld* mask_world,
                     A_long dest_x, A_long dest_y, PF_EffectWorld* dst_world) {
  HostCall call(suite_name, suite_version, "transfer_rect", effect_ref, quality, m_flags, field,
                src_rect != nullptr ? *src_rect : PF_Rect{}, src_world,
                comp_mode != nullptr ? comp_mode->xfer : PF_Xfer_NONE,
                comp_mode != nullptr ? comp_mode->opacity : 0, mask_world, dest_x, dest_y,
                dst_world);
  if (src_world == nullptr || dst_world == nullptr || comp_mode == nullptr ||
      src_world->data == nullptr || dst_world->data == nullptr ||
      is_float(*src_world) != is_float(*dst_world)) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  // Only the composite the effect asks for is served: in front, no mask.
  if (comp_mode->xfer != PF_Xfer_IN_FRONT || mask_world != nullptr) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));

  const PF_Rect from = clip_to_world(src_rect, src_world);
  const float opacity = comp_mode->opacity / 255.0f;
  for (A_long y = from.top; y < from.bottom; ++y) {
    const A_long to_y = dest_y + (y - from.top);
    if (to_y < 0 || to_y >= dst_world->height) continue;
    for (A_long x = from.left; x < from.right; ++x) {
      const A_long to_x = dest_x + (x - from.left);
      if (to_x < 0 || to_x >= dst_world->width) continue;
      write_float_pixel(*dst_world, to_x, to_y,
                        over(premultiplied(read_float_pixel(*src_world, x, y), opacity),
                             read_float_pixel(*dst_world, to_x, to_y)));
    }
  }
  return call.result(PF_Err_NONE);
}

// The functions this host does not serve answer every call with an error.
PF_Err composite_rect(PF_ProgPtr effect_ref, PF_Rect*, A_long, PF_EffectWorld*, A_long, A_long,
                      PF_Field, PF_TransferMode, PF_EffectWorld*) {
  HostCall call(suite_name, suite_version, "composite_rect", effect_ref);
  return call.result(PF_Err_BAD_CALLBACK_PARAM);
}
PF_Err blend(PF_ProgPtr effect_ref, const PF_EffectWorld*, const PF_EffectWorld*, PF_Fixed,
             PF_EffectWorld*) {
  HostCall call(suite_name, suite_version, "blend", effect_ref);
  return call.result(PF_Err_BAD_CALLBACK_PARAM);
}
PF_Err copy(PF_ProgPtr effect_ref, PF_EffectWorld*, PF_EffectWorld*, PF_Rect*, PF_Rect*) {
  HostCall call(suite_name, suite_version, "copy", effect_ref);
  return call.result(PF_Err_BAD_CALLBACK_PARAM);
}
PF_Err copy_hq(PF_ProgPtr effect_ref, PF_EffectWorld*, PF_EffectWorld*, PF_Rect*, PF_Rect*) {
  HostCall call(suite_name, suite_version, "copy_hq", effect_ref);
  return call.result(PF_Err_BAD_CALLBACK_PARAM);
}
PF_Err transform_world(PF_ProgPtr effect_ref, PF_Quality, PF_ModeFlags, PF_Field,
                       const PF_EffectWorld*, const PF_CompositeMode*, const PF_MaskWorld*,
                       const PF_FloatMatrix*, A_long, PF_Boolean, const PF_Rect*, PF_EffectWorld*) {
  HostCall call(suite_name, suite_version, "transform_world", effect_ref);
  return call.result(PF_Err_BAD_CALLBACK_PARAM);
}

const PF_WorldTransformSuite1 world_transform_suite = {
    guarded<composite_rect>, guarded<blend>,         guarded<copy>,
    guarded<copy_hq>,        guarded<transfer_rect>, guarded<transform_world>};

}  // namespace

void install_world_transform_suite(SimHost& host) {
  host.register_suite(suite_name, suite_version, &world_transform_suite);
}

}  // namespace simhost
