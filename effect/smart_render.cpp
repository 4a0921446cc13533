// Smart render: the frame's pixels. Runs under the command mutex, so no two
// smart renders overlap. Reads the parameters that colour the solid, takes
// the input layer and the output world from the host, renders the plan that
// smart pre-render left with the host, composites the input layer in front
// at "Input Opacity" and passes the renderer's error text to the host.
//
// One error code is kept: once a step fails, the later host calls are
// skipped and the first failure is returned, while what was taken is still
// given back.

#include "effect/smart_render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

#include "effect/command_handlers.h"
#include "effect/param_checkouts.h"
#include "effect/param_slots.h"
#include "effect/pre_render_plan.h"
#include "gradient_wheel/gradient_handle.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/fixed_point.h"
#include "host_support/frame_abort.h"
#include "host_support/host_errors.h"
#include "renderer/render_layer.h"

bool input_composited(double input_opacity_percent) {
  return input_opacity_percent > 0.1;
}

bool input_layer_needed(PF_ParamValue inherit_layer_color, double input_opacity_percent) {
  return inherit_layer_color != 0 || input_composited(input_opacity_percent);
}

std::vector<SideFillStop> gradient_side_fill_stops(const std::vector<GradientPoint>& points,
                                                   double global_offset_deg, bool inner_extrusion) {
  const auto offset = static_cast<float>(std::fmod(global_offset_deg / 360.0, 1.0));
  std::vector<SideFillStop> stops;
  stops.reserve(points.size());
  for (const GradientPoint& point : points) {
    const double t = point.position - static_cast<double>(offset);
    const double angle = inner_extrusion ? -t * 360.0 : 180.0 - t * 360.0;
    stops.push_back({point.red, point.green, point.blue, static_cast<float>(angle)});
  }
  return stops;
}

A_u_char input_composite_opacity(double input_opacity_percent) {
  const double opacity = std::ceil(input_opacity_percent * 2.55);
  // Values beyond the slider's range would wrap around in 8 bits.
  if (!(opacity > 0.0)) return 0;
  return static_cast<A_u_char>(std::min(opacity, 255.0));
}

int32_t supersampling_factor(PF_ParamValue master_resolution) {
  return std::max<PF_ParamValue>(master_resolution, 1);
}

namespace {

// At most 255 characters of the text into return_msg, through the host's
// strcpy when it has one.
void set_return_msg(PF_InData* in_data, PF_OutData* out_data, const std::string& error_text) {
  if (error_text.empty() || out_data == nullptr) return;
  std::array<A_char, PF_MAX_EFFECT_MSG_LEN + 1> message{};
  const size_t length = std::min<size_t>(error_text.size(), PF_MAX_EFFECT_MSG_LEN);
  std::memcpy(message.data(), error_text.data(), length);
  if (in_data != nullptr && in_data->utils != nullptr && in_data->utils->ansi.strcpy != nullptr) {
    in_data->utils->ansi.strcpy(out_data->return_msg, message.data());
  } else {
    std::memcpy(out_data->return_msg, message.data(), length + 1);
  }
}

}  // namespace

void report_render_error(PF_InData* in_data, PF_OutData* out_data, PF_Err err,
                         const std::string& error_text) {
  if (err == PF_Err_NONE || err == PF_Err_OUT_OF_MEMORY || err == PF_Interrupt_CANCEL) return;
  set_return_msg(in_data, out_data, error_text);
}

namespace {

constexpr const char* unreadable_gradient_text =
    "the \"Gradient Wheel\" value could not be read (out of memory)";

// The colour of a parameter, converted to float by the host.
std::array<float, 3> host_float_color(AEGP_SuiteHandler& suites, PF_InData* in_data,
                                      const PF_ParamDef& param, HostErrors& errors) {
  PF_PixelFloat color{};
  errors.run([&] {
    return suites.ColorParamSuite1()->PF_GetFloatingPointColorFromColorDef(in_data->effect_ref,
                                                                           &param, &color);
  });
  return {color.red, color.green, color.blue};
}

}  // namespace

PF_Err smart_render(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra) {
  if (in_data == nullptr || out_data == nullptr || extra == nullptr || extra->input == nullptr ||
      extra->cb == nullptr || extra->input->pre_render_data == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  HostErrors errors;

  // The parameters; the gradient's value is held until its stops are read.
  ParamCheckouts params(in_data, errors, {slot::parent_layer}, {slot::gradient_wheel});
  // Whether the host still wants the frame, before its pixels are asked for.
  errors.run([&] { return FrameAbort(in_data).poll(); });
  const PF_ParamValue inherit_layer_color = params[slot::inherit_layer_color].u.bd.value;
  const double input_opacity = params[slot::input_opacity].u.fs_d.value;

  PF_EffectWorld* input = nullptr;
  if (input_layer_needed(inherit_layer_color, input_opacity)) {
    errors.run([&] { return extra->cb->checkout_layer_pixels(in_data->effect_ref, 0, &input); });
  }
  PF_EffectWorld* output = nullptr;
  errors.run([&] { return extra->cb->checkout_output(in_data->effect_ref, &output); });

  RenderInput render_input;
  render_input.in_data = in_data;
  render_input.bitdepth = extra->input->bitdepth;
  render_input.plan = *static_cast<const PreRenderPlan*>(extra->input->pre_render_data);
  render_input.input = input;
  render_input.output_selector = output_selector_composite;
  render_input.read_x = 0;
  render_input.read_y = 0;

  render_input.stroke_color = host_float_color(suites, in_data, params[slot::stroke_color], errors);
  render_input.front_fill_color =
      host_float_color(suites, in_data, params[slot::front_fill_color], errors);
  render_input.stroke_opacity =
      static_cast<float>(params[slot::stroke_opacity].u.fs_d.value * 0.01);
  render_input.fill_opacity = static_cast<float>(params[slot::fill_opacity].u.fs_d.value * 0.01);

  std::optional<std::vector<GradientPoint>> points = std::vector<GradientPoint>{};
  if (params.readable(slot::gradient_wheel)) {
    points = gradient_points_if_readable(suites.HandleSuite1(),
                                         params[slot::gradient_wheel].u.arb_d.value);
  }
  params.check_in(slot::gradient_wheel);

  const bool inner_extrusion = params[slot::inner_extrusion].u.bd.value != 0;
  // Walls drawn without the stops of a value that is there would be a wrong
  // picture: a value that cannot be read fails the frame, with a text.
  bool unreadable_gradient = false;
  if (params[slot::side_fill_mode].u.pd.value == side_fill_gradient) {
    unreadable_gradient = !points && errors.ok();
    if (unreadable_gradient) errors.note(PF_Err_OUT_OF_MEMORY);
    render_input.side_fill = gradient_side_fill_stops(
        points.value_or(std::vector<GradientPoint>{}),
        fixed_to_double(params[slot::global_offset].u.ad.value), inner_extrusion);
    render_input.interpolate_gradient = params[slot::interpolate_gradient].u.bd.value != 0 ? 1 : 0;
  } else {
    const std::array<float, 3> side =
        host_float_color(suites, in_data, params[slot::side_fill_color], errors);
    render_input.side_fill = {{side[0], side[1], side[2], 0.0f}};
  }
  render_input.ssaa = supersampling_factor(params[slot::master_resolution].u.sd.value);

  // An output without pixels has nothing to draw.
  std::string error_text;
  const bool has_pixels = output != nullptr && output->width > 0 && output->height > 0;
  if (has_pixels) {
    errors.run([&] {
      // A "Master Resolution" whose face targets would be larger than the GPU's largest
      // texture or the memory budget renders at the highest supersampling that fits.
      render_input.ssaa = supersampling_for_this_thread(render_input, *output);
      return render_layer(&render_input, output, &error_text);
    });
  }

  if (has_pixels && input != nullptr && input_composited(input_opacity)) {
    const PF_CompositeMode mode{PF_Xfer_IN_FRONT, 0, input_composite_opacity(input_opacity), 0, 0};
    errors.run([&] {
      return suites.WorldTransformSuite1()->transfer_rect(
          in_data->effect_ref, in_data->quality, PF_MF_Alpha_PREMUL, in_data->field,
          &input->extent_hint, input, &mode, nullptr, input->origin_x - output->origin_x,
          input->origin_y - output->origin_y, output);
    });
  }

  if (unreadable_gradient) {
    set_return_msg(in_data, out_data, unreadable_gradient_text);
  } else {
    report_render_error(in_data, out_data, errors.code(), error_text);
  }
  return errors.code();
}
