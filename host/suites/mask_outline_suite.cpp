// "AEGP Mask Outline Suite": a path value of a stream (a shape's outline),
// its vertices with control points relative to them.

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kAEGPMaskOutlineSuite;
constexpr int32_t suite_version = kAEGPMaskOutlineSuiteVersion5;

MaskOutlineObject* find_outline(AEGP_MaskOutlineValH outline) {
  return HostObjects::instance().find<MaskOutlineObject>(outline);
}

A_Err is_mask_outline_open(AEGP_MaskOutlineValH outline, A_Boolean* open) {
  HostCall call(suite_name, suite_version, "AEGP_IsMaskOutlineOpen", outline);
  return answer(
      call, aegp_bad_argument, [&] { return find_outline(outline); }, open,
      [](const MaskOutlineObject& o) -> A_Boolean { return o.shape.closed ? 0 : 1; });
}

A_Err get_mask_outline_num_segments(AEGP_MaskOutlineValH outline, A_long* num_segments) {
  HostCall call(suite_name, suite_version, "AEGP_GetMaskOutlineNumSegments", outline);
  return answer(
      call, aegp_bad_argument, [&] { return find_outline(outline); }, num_segments,
      [](const MaskOutlineObject& o) { return static_cast<A_long>(o.shape.num_segments()); });
}

A_Err get_mask_outline_vertex_info(AEGP_MaskOutlineValH outline, AEGP_VertexIndex which_point,
                                   AEGP_MaskVertex* vertex) {
  HostCall call(suite_name, suite_version, "AEGP_GetMaskOutlineVertexInfo", outline, which_point);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  auto* found = find_outline(outline);
  if (found == nullptr || vertex == nullptr || which_point < 0 ||
      which_point >= static_cast<A_long>(found->shape.vertices.size())) {
    return call.result(aegp_bad_argument);
  }
  const PathPoint& p = found->shape.vertices[static_cast<size_t>(which_point)];
  *vertex = {p.x, p.y, p.in_x, p.in_y, p.out_x, p.out_y};
  return call.result(A_Err_NONE);
}

const AEGP_MaskOutlineSuite5 mask_outline_suite = {guarded<is_mask_outline_open>,
                                                   guarded<get_mask_outline_num_segments>,
                                                   guarded<get_mask_outline_vertex_info>};

}  // namespace

void install_mask_outline_suite(SimHost& host) {
  host.register_suite(suite_name, suite_version, &mask_outline_suite);
}

}  // namespace simhost
