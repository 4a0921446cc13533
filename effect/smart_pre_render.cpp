// Smart pre-render: the frame's plan. Reads the parameters at the current
// time, gathers the outlines of the effect's layer, in "3D Camera" mode
// builds the layer's transform from the parent layer and the composition's
// camera, lets the host mix the parent's transform into the render GUID, has
// the renderer plan the frame, tells the host which part of the input layer
// it needs and how large the output will be, and leaves a copy of the plan
// with the host as pre-render data.
//
// One error code is kept: once a host call fails, the later host calls are
// skipped and the first failure is returned; the plan, the output
// rectangles and the pre-render data are still made (from whatever was
// gathered), so the host always has a plan to destroy. A frame the host
// cancels (through its abort callback) gets an empty plan and the host's
// answer.

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "effect/command_handlers.h"
#include "effect/downsample.h"
#include "effect/extrusion_mode_popup.h"
#include "effect/layer_outlines.h"
#include "effect/layer_placement.h"
#include "effect/param_checkouts.h"
#include "effect/param_slots.h"
#include "effect/pre_render_plan.h"
#include "effect/smart_render.h"
#include "geometry/matrix.h"
#include "geometry/render_plan.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/fixed_point.h"
#include "host_support/frame_abort.h"
#include "host_support/host_errors.h"

namespace {

// The bytes mixed into the render GUID: the parent layer's layer-to-world
// matrix in "3D Camera" mode with a parent, zeros otherwise.
using GuidMixIn = std::array<unsigned char, sizeof(A_Matrix4)>;
static_assert(sizeof(A_Matrix4) == 128);

dmat4 dmat4_from(const A_Matrix4& m) {
  dmat4 result;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) result[4 * r + c] = m.mat[r][c];
  }
  return result;
}

dmat4 diagonal(double a, double b, double c, double d) {
  return {a, 0, 0, 0, 0, b, 0, 0, 0, 0, c, 0, 0, 0, 0, d};
}

bool is_empty(const PF_LRect& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

// Union of the host's rectangles: an empty destination becomes the source,
// an empty source changes nothing.
void unite(PF_LRect& destination, const PF_LRect& source) {
  if (is_empty(destination)) {
    destination = source;
  } else if (!is_empty(source)) {
    destination = {std::min(destination.left, source.left), std::min(destination.top, source.top),
                   std::max(destination.right, source.right),
                   std::max(destination.bottom, source.bottom)};
  }
}

// The effect API's GUID mix-in exists from 13.11 on.
bool host_mixes_guids(const PF_SpecVersion& version) {
  return (version.major == 13 && version.minor >= 11) || version.major >= 14;
}

// "3D Camera" mode: the layer's transform from host space (with z the depth)
// to homogeneous output coordinates, T D W V P S Q E, and the GUID mix-in.
// Q takes the composition's view into the layer's own pixels, which the host
// then composites with the layer's own placement; without a parent, that
// placement is also where the layer sits in the world (W).
dmat4 camera_layer_transform(PF_InData* in_data, const PF_ParamDef& anchor_point,
                             const Downsample& ds, AEGP_SuiteHandler& suites, HostErrors& errors,
                             GuidMixIn& mix_in) {
  const AEGP_PFInterfaceSuite1* pf_interface = suites.PFInterfaceSuite1();
  A_Time comp_time{};
  errors.run([&] {
    return pf_interface->AEGP_ConvertEffectToCompTime(in_data->effect_ref, in_data->current_time,
                                                      in_data->time_scale, &comp_time);
  });
  AEGP_LayerH parent = nullptr;
  errors.run([&] { return layer_param_layer(in_data, slot::parent_layer, parent); });
  AEGP_LayerH own_layer = nullptr;
  errors.run([&] { return pf_interface->AEGP_GetEffectLayer(in_data->effect_ref, &own_layer); });
  if (parent == own_layer) parent = nullptr;

  dmat4 world = dmat4_identity();
  dmat4 anchor = dmat4_identity();
  if (parent != nullptr) {
    A_Matrix4 parent_to_world{};
    errors.run([&] {
      return suites.LayerSuite5()->AEGP_GetLayerToWorldXform(parent, &comp_time, &parent_to_world);
    });
    world = dmat4_from(parent_to_world);
    anchor[12] = -fixed_to_double(anchor_point.u.td.x_value);
    anchor[13] = -fixed_to_double(anchor_point.u.td.y_value);
    A_Matrix4 mixed{};
    errors.run([&] {
      return suites.LayerSuite13()->AEGP_GetLayerToWorldXform(parent, &comp_time, &mixed);
    });
    std::memcpy(mix_in.data(), &mixed, mix_in.size());
  }

  A_Matrix4 camera{};
  A_FpLong d = 0.0;
  A_short w = 0;
  A_short h = 0;
  errors.run([&] {
    return pf_interface->AEGP_GetEffectCameraMatrix(in_data->effect_ref, &comp_time, &camera, &d,
                                                    &w, &h);
  });
  const std::optional<LayerPlacement> placement =
      read_layer_placement(*in_data, suites, errors, own_layer, comp_time);
  if (parent == nullptr && placement) world = placement->to_composition;
  const dmat4 view = mat4_inverse(dmat4_from(camera));
  const dmat4 perspective = {2 * d / w, 0, 0, 0, 0, 2 * d / h,        0, 0, 0,
                             0,         1, 1, 0, 0, -2 * (0.001 * d), 0};
  const dmat4 screen = {w / 2.0, 0, 0, 0, 0, h / 2.0, 0, 0, 0, 0, 1, 0, w / 2.0, h / 2.0, 0, 1};
  const dmat4 to_full_resolution = diagonal(1 / ds.x, 1 / ds.y, 1 / ds.length(), 1);
  const dmat4 to_downsampled = diagonal(ds.x, ds.y, 1, 1);

  // From the right end: a point goes through T first and E last.
  dmat4 m = to_downsampled;
  if (placement) m = mat4_multiply(m, placement->to_layer);
  for (const dmat4& next : {screen, perspective, view, world, to_full_resolution, anchor}) {
    m = mat4_multiply(m, next);
  }
  return m;
}

// The sweep of request.mode as the parameters set it: in directional and "3D Camera" mode the
// direction and the front and back lengths, in vanishing mode the vanishing point and the
// fractions of the way to it; no mode sweeps nothing. Front never lies beyond back.
void read_sweep(const ParamCheckouts& params, const Downsample& ds, RenderPlanRequest& request) {
  const auto lengths = [&](double scale) {
    return std::pair{params[slot::extrusion_length_front].u.fs_d.value * scale,
                     params[slot::extrusion_length_back].u.fs_d.value * scale};
  };
  std::pair<double, double> front_back{0.0, 0.0};
  switch (request.mode) {
    case ExtrusionMode::directional: {
      // Lengths run along the direction on screen, which unequal factors turn.
      const DownsampledDirection seen =
          downsampled_direction(ds, fixed_to_double(params[slot::extrusion_direction].u.ad.value));
      request.direction_deg = seen.direction_deg;
      front_back = lengths(seen.length_scale);
      break;
    }
    case ExtrusionMode::camera:
      // The camera's depths run along no screen direction.
      request.direction_deg = fixed_to_double(params[slot::extrusion_direction].u.ad.value);
      front_back = lengths(ds.length());
      break;
    case ExtrusionMode::vanishing: {
      const PF_PointDef& vanishing = params[slot::vanishing_point].u.td;
      request.vanishing_x = static_cast<float>(fixed_to_double(vanishing.x_value));
      request.vanishing_y = static_cast<float>(fixed_to_double(vanishing.y_value));
      front_back = {params[slot::extrusion_amount_front].u.fs_d.value / 100.0,
                    params[slot::extrusion_amount_back].u.fs_d.value / 100.0};
      break;
    }
    case ExtrusionMode::none:
      break;
  }
  auto [front, back] = front_back;
  if (front > back) std::swap(front, back);
  request.front = front;
  request.back = back;
}

}  // namespace

PF_Err smart_pre_render(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra) {
  if (in_data == nullptr || out_data == nullptr || extra == nullptr || extra->input == nullptr ||
      extra->output == nullptr || extra->cb == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  HostErrors errors;

  // A downsample factor that is no positive number is refused before
  // anything is taken, and the plan is made at full size from no outlines.
  Downsample ds = downsample_of(*in_data);
  if (!ds.valid()) {
    errors.note(PF_Err_BAD_CALLBACK_PARAM);
    ds = {};
  }

  // The host is asked between the stages whether it still wants the frame;
  // once it said no, nothing more is asked of it or built.
  FrameAbort abort(in_data);
  const FrameAbortScope abort_scope(abort);

  // The wheel's stops play no part in the plan; the parent layer is read
  // through its stream.
  const ParamCheckouts params(in_data, errors, {slot::gradient_wheel, slot::parent_layer});

  SourceGeometry source;
  errors.run([&] { return abort.poll(); });
  errors.run([&] { return gather_source_geometry(in_data, params.data(), source); });
  errors.run([&] { return abort.poll(); });

  const PF_RenderRequest& output_request = extra->input->output_request;
  RenderPlanRequest request;
  request.request_rect = output_request.rect;
  request.source = std::move(source);
  request.layer_width = in_data->width * ds.x;
  request.layer_height = in_data->height * ds.y;
  request.corner_angle_deg = params[slot::corner_angle_threshold].u.fs_d.value;
  request.mode = extrusion_mode_of_popup(params[slot::mode].u.pd.value);

  GuidMixIn mix_in{};
  if (sweeps_through_camera(request.mode)) {
    request.layer_transform =
        camera_layer_transform(in_data, params[slot::anchor_point], ds, suites, errors, mix_in);
  }
  if (host_mixes_guids(in_data->version) && extra->cb->GuidMixInPtr != nullptr) {
    errors.run([&] {
      return extra->cb->GuidMixInPtr(in_data->effect_ref, static_cast<A_u_long>(mix_in.size()),
                                     mix_in.data());
    });
  }

  read_sweep(params, ds, request);
  request.stroke_width = params[slot::stroke_width].u.fs_d.value * ds.length();
  request.inner_extrusion = params[slot::inner_extrusion].u.bd.value != 0 ? 1 : 0;
  request.inherit_layer_color = params[slot::inherit_layer_color].u.bd.value != 0 ? 1 : 0;

  RenderPlanResult result;
  if (abort.answer() == PF_Err_NONE) {
    errors.note(run_until_cancelled([&] { result = build_render_plan(request); }));
    errors.run([&] { return abort.poll(); });
  }

  PF_PreRenderOutput& output = *extra->output;
  output.result_rect = {0, 0, 0, 0};
  output.max_result_rect = {0, 0, 0, 0};
  const double input_opacity = params[slot::input_opacity].u.fs_d.value;
  if (input_layer_needed(request.inherit_layer_color, input_opacity)) {
    PF_RenderRequest input_request = output_request;
    input_request.rect = {0, 0, 0, 0};
    if (request.inherit_layer_color) unite(input_request.rect, result.face_rect);
    if (input_composited(input_opacity)) unite(input_request.rect, output_request.rect);
    PF_CheckoutResult checkout{};
    bool checked_out = false;
    errors.run([&] {
      const PF_Err checkout_err = extra->cb->checkout_layer(
          in_data->effect_ref, slot::input_layer, 0, &input_request, in_data->current_time,
          in_data->time_step, in_data->time_scale, &checkout);
      checked_out = checkout_err == PF_Err_NONE;
      return checkout_err;
    });
    if (checked_out && input_composited(input_opacity)) {
      unite(output.max_result_rect, checkout.max_result_rect);
      unite(output.result_rect, intersect_rect_int(output_request.rect, checkout.max_result_rect));
    }
  }
  unite(output.max_result_rect, result.swept_bounds);
  unite(output.result_rect, result.clipped_bounds);

  auto plan = std::make_unique<PreRenderPlan>(std::move(result.plan));
  output.pre_render_data = plan.release();
  output.delete_pre_render_data_func = delete_pre_render_plan;
  return errors.code();
}
