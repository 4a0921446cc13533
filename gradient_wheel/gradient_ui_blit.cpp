#include "gradient_wheel/gradient_ui_blit.h"

#include <optional>

#include "host_api/ae_effect_suites.h"
#include "host_support/reported_suite.h"

namespace {

// The four Drawbot suites, acquired in order and stopping at the first that
// cannot be had; released together.
struct DrawbotSuites {
  DrawbotSuites(PF_InData* in_data, PF_OutData* out_data)
      : draw(in_data, out_data, kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1) {
    if (draw.error() != PF_Err_NONE) return;
    supplier.emplace(in_data, out_data, kDRAWBOT_SupplierSuite, kDRAWBOT_SupplierSuite_Version1);
    if (supplier->error() != PF_Err_NONE) return;
    surface.emplace(in_data, out_data, kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version2);
    if (surface->error() != PF_Err_NONE) return;
    // Acquired with the others though nothing here draws paths.
    path.emplace(in_data, out_data, kDRAWBOT_PathSuite, kDRAWBOT_PathSuite_Version1);
  }

  PF_Err error() const {
    if (draw.error() != PF_Err_NONE) return draw.error();
    if (supplier->error() != PF_Err_NONE) return supplier->error();
    if (surface->error() != PF_Err_NONE) return surface->error();
    return path->error();
  }

  // Releases all four (those that were acquired); the first release error.
  PF_Err release() {
    PF_Err err = PF_Err_NONE;
    auto keep_first = [&err](PF_Err e) {
      if (err == PF_Err_NONE) err = e;
    };
    if (path) keep_first(path->release());
    if (surface) keep_first(surface->release());
    if (supplier) keep_first(supplier->release());
    keep_first(draw.release());
    return err;
  }

  ReportedSuite<DRAWBOT_DrawbotSuite1> draw;
  std::optional<ReportedSuite<DRAWBOT_SupplierSuite1>> supplier;
  std::optional<ReportedSuite<DRAWBOT_SurfaceSuite2>> surface;
  std::optional<ReportedSuite<DRAWBOT_PathSuite1>> path;
};

// Gets the drawing reference of the event's context, releasing the custom
// UI suite at once.
PF_Err drawing_reference(PF_InData* in_data, PF_OutData* out_data, const PF_EventExtra* event,
                         DRAWBOT_DrawRef* reference) {
  ReportedSuite<PF_EffectCustomUISuite1> custom_ui(in_data, out_data, kPFEffectCustomUISuite,
                                                   kPFEffectCustomUISuiteVersion1);
  if (custom_ui.error() != PF_Err_NONE) return custom_ui.error();
  PF_Err err = custom_ui->PF_GetDrawingReference(event->contextH, reference);
  if (err == PF_Err_NONE && *reference == nullptr) err = PF_Err_BAD_CALLBACK_PARAM;
  const PF_Err release_err = custom_ui.release();
  return err != PF_Err_NONE ? err : release_err;
}

}  // namespace

PF_Err gradient_ui_blit(PF_InData* in_data, PF_OutData* out_data, const PF_EventExtra* event,
                        const DRAWBOT_RectF32& rect, const void* pixels, DRAWBOT_PixelLayout layout,
                        int width, int height, int row_bytes, float scale, float opacity) {
  if (event == nullptr || scale == 0) return PF_Err_BAD_CALLBACK_PARAM;
  DrawbotSuites suites(in_data, out_data);
  if (const PF_Err err = suites.error(); err != PF_Err_NONE) {
    suites.release();
    return err;
  }

  DRAWBOT_DrawRef reference = nullptr;
  DRAWBOT_SupplierRef supplier = nullptr;
  DRAWBOT_SurfaceRef surface = nullptr;
  PF_Err err = drawing_reference(in_data, out_data, event, &reference);
  if (err == PF_Err_NONE) err = suites.draw->GetSupplier(reference, &supplier);
  if (err == PF_Err_NONE) err = suites.draw->GetSurface(reference, &surface);

  const DRAWBOT_SurfaceSuite2& surfaces = *suites.surface->get();
  bool pushed = false;
  if (err == PF_Err_NONE) {
    err = surfaces.PushStateStack(surface);
    pushed = err == PF_Err_NONE;
  }
  if (err == PF_Err_NONE) {
    const DRAWBOT_MatrixF32 shrink{{{1 / scale, 0, 0}, {0, 1 / scale, 0}, {0, 0, 1}}};
    err = surfaces.Transform(surface, &shrink);
  }
  DRAWBOT_ImageRef image = nullptr;
  if (err == PF_Err_NONE) {
    err = suites.supplier.value()->NewImageFromBuffer(supplier, width, height, row_bytes, layout,
                                                      pixels, &image);
  }
  if (err == PF_Err_NONE) err = surfaces.SetInterpolationPolicy(surface, 1);
  if (err == PF_Err_NONE) {
    const DRAWBOT_PointF32 origin{rect.left * scale, rect.top * scale};
    err = surfaces.DrawImage(surface, image, &origin, opacity);
  }

  // The state and the image go back whatever happened above.
  if (pushed) surfaces.PopStateStack(surface);
  PF_Err release_err = PF_Err_NONE;
  if (image != nullptr) release_err = suites.supplier.value()->ReleaseObject(image);
  const PF_Err suites_err = suites.release();
  if (err != PF_Err_NONE) return err;
  if (release_err != PF_Err_NONE) return release_err;
  return suites_err;
}
