// The info panel at the top of "About & Support": the program's picture
// drawn at half size through the host's Drawbot, at 70 % opacity over what
// the host drew.

#include <cstring>

#include "effect/command_handlers.h"
#include "effect/info_panel_picture.h"
#include "gradient_wheel/gradient_handle.h"
#include "host_api/ae_effect_suites.h"
#include "host_api/drawbot_suites.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/suite_scope.h"

namespace {

constexpr float picture_left = 122.0f;  // at half scale: 61 panel pixels
constexpr float picture_opacity = 0.7f;
constexpr DRAWBOT_MatrixF32 half_scale{{{0.5f, 0, 0}, {0, 0.5f, 0}, {0, 0, 0.5f}}};

// Draws the picture with its top-left at (61, top - 1) panel pixels. A
// picture that cannot be copied into host memory is left out without an
// error.
PF_Err draw_picture(AEGP_SuiteHandler& suites, const DRAWBOT_SupplierSuite1& supplier_suite,
                    const DRAWBOT_SurfaceSuite1& surface_suite, DRAWBOT_SupplierRef supplier,
                    DRAWBOT_SurfaceRef surface, A_long frame_top) {
  const PF_HandleSuite1* handles = suites.HandleSuite1();
  const ScopedHandle picture(handles, info_panel_picture_bytes);
  const LockedHandle bytes(handles, picture.get());
  if (!bytes) return PF_Err_NONE;
  std::memcpy(bytes.data(), info_panel_picture_pixels, info_panel_picture_bytes);

  DRAWBOT_ImageRef image = nullptr;
  PF_Err err = supplier_suite.NewImageFromBuffer(
      supplier, info_panel_picture_width, info_panel_picture_height, info_panel_picture_row_bytes,
      kDRAWBOT_PixelLayout_32BGRA_Straight, bytes.data(), &image);
  const DRAWBOT_PointF32 origin{picture_left, 2.0f * static_cast<float>(frame_top) - 2.0f};
  // The half scale lives in a state of its own, so that the host's surface
  // gets its transform back whichever call fails.
  bool pushed = false;
  if (err == PF_Err_NONE) {
    err = surface_suite.PushStateStack(surface);
    pushed = err == PF_Err_NONE;
  }
  if (err == PF_Err_NONE) err = surface_suite.Transform(surface, &half_scale);
  if (err == PF_Err_NONE) err = surface_suite.DrawImage(surface, image, &origin, picture_opacity);
  if (pushed) {
    const PF_Err pop_err = surface_suite.PopStateStack(surface);
    if (err == PF_Err_NONE) err = pop_err;
  }
  if (image != nullptr) {
    const PF_Err release_err = supplier_suite.ReleaseObject(image);
    if (err == PF_Err_NONE) err = release_err;
  }
  return err;
}

}  // namespace

PF_Err draw_info_panel(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*,
                       PF_EventExtra* extra) {
  if (in_data == nullptr || extra == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  const SuiteScope<DRAWBOT_DrawbotSuite1> draw_suite(in_data, out_data, kDRAWBOT_DrawSuite,
                                                     kDRAWBOT_DrawSuite_Version1);
  const SuiteScope<DRAWBOT_SupplierSuite1> supplier_suite(in_data, out_data, kDRAWBOT_SupplierSuite,
                                                          kDRAWBOT_SupplierSuite_Version1);
  const SuiteScope<DRAWBOT_SurfaceSuite1> surface_suite(in_data, out_data, kDRAWBOT_SurfaceSuite,
                                                        kDRAWBOT_SurfaceSuite_Version1);
  AEGP_SuiteHandler suites(in_data->pica_basicP);

  DRAWBOT_DrawRef reference = nullptr;
  PF_Err err = suites.EffectCustomUISuite1()->PF_GetDrawingReference(extra->contextH, &reference);
  if (err != PF_Err_NONE || reference == nullptr) return err;

  DRAWBOT_SupplierRef supplier = nullptr;
  DRAWBOT_SurfaceRef surface = nullptr;
  err = draw_suite->GetSupplier(reference, &supplier);
  if (err == PF_Err_NONE) err = draw_suite->GetSurface(reference, &surface);
  if (err == PF_Err_NONE && extra->effect_win.area == PF_EA_CONTROL) {
    err = draw_picture(suites, *supplier_suite.get(), *surface_suite.get(), supplier, surface,
                       extra->effect_win.current_frame.top);
  }
  // Other areas have nothing to show but are handled all the same.
  if (err == PF_Err_NONE) extra->evt_out_flags = PF_EO_HANDLED_EVENT;
  return err;
}
