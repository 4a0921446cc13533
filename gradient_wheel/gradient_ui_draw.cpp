// The wheel painted with cairo at twice the panel's resolution and handed to
// the host's Drawbot at half size.

#include <cstring>

#include "gradient_wheel/app_color.h"
#include "gradient_wheel/cairo_canvas.h"
#include "gradient_wheel/gradient_handle.h"
#include "gradient_wheel/gradient_ui.h"
#include "gradient_wheel/gradient_ui_blit.h"
#include "gradient_wheel/wheel_canvas.h"
#include "gradient_wheel/wheel_geometry.h"
#include "host_support/aegp_suite_handler.h"

namespace {

constexpr float canvas_scale = 2.0f;
constexpr float disabled_opacity = 0.25f;

}  // namespace

PF_Err JuceGradientParameter::draw() {
  if (!has_params()) return PF_Err_BAD_CALLBACK_PARAM;
  const PF_ParamDef& value_param = *params()[slot()];
  const float opacity = (value_param.ui_flags & PF_PUI_DISABLED) != 0 ? disabled_opacity : 1.0f;
  const WheelGeometry geometry =
      wheel_geometry(event()->effect_win, params()[slots().global_offset]->u.ad.value);

  AEGP_SuiteHandler suites(in_data()->pica_basicP);
  const PF_HandleSuite1* handles = suites.HandleSuite1();
  WheelPicture picture;
  picture.width = geometry.width;
  picture.radius = geometry.radius;
  picture.stops =
      drawn_stops(gradient_points_from_handle(handles, value_param.u.arb_d.value), geometry.offset);
  picture.interpolate = params()[slots().interpolate]->u.bd.value != 0;
  picture.selected = params()[select_slot_]->u.sd.value;
  picture.marker_background = get_app_color(in_data(), out_data(), marker_background_color);
  picture.selection_outline = get_app_color(in_data(), out_data(), selection_outline_color);

  const int width = geometry.canvas_width();
  const int height = static_cast<int>(wheel_canvas_height);
  const CairoCanvas canvas(width, height);
  if (!canvas.ok()) return PF_Err_OUT_OF_MEMORY;
  paint_wheel(canvas.context(), picture, *suites.ANSICallbacksSuite1());
  cairo_surface_flush(canvas.surface());
  // A frame too narrow for any canvas shows nothing.
  if (width == 0) return PF_Err_NONE;

  const auto size =
      static_cast<A_HandleSize>(canvas_scale * geometry.width * wheel_canvas_height * 4);
  const int row_bytes = width * 4;
  const ScopedHandle pixels(handles, size);
  if (pixels.get() == nullptr) return PF_Err_OUT_OF_MEMORY;
  const LockedHandle locked(handles, pixels.get());
  if (!locked) return PF_Err_OUT_OF_MEMORY;
  const unsigned char* data = cairo_image_surface_get_data(canvas.surface());
  const int stride = cairo_image_surface_get_stride(canvas.surface());
  for (int y = 0; y < height; ++y) {
    std::memcpy(locked.data() + static_cast<std::size_t>(y) * row_bytes,
                data + static_cast<std::size_t>(y) * stride, static_cast<std::size_t>(row_bytes));
  }
  const DRAWBOT_RectF32 rect{geometry.left, geometry.top, geometry.width, 150.0f};
  return gradient_ui_blit(in_data(), out_data(), event(), rect, locked.data(),
                          kDRAWBOT_PixelLayout_32BGRA_Premul, width, height, row_bytes,
                          canvas_scale, opacity);
}
