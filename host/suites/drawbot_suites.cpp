// "DRAWBOT Draw Suite" v1, "DRAWBOT Supplier Suite" v1, "DRAWBOT Surface
// Suite" v1 and v2 and "DRAWBOT Path Suite" v1, drawing into the canvas of
// the event's context (host/suites/drawbot_canvas.h). Functions the effect
// does not call are recorded and refused.

#include <cstdio>
#include <string>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/drawbot_canvas.h"
#include "host/suites/suites.h"
#include "host/suites/unserved.h"

namespace simhost {

// Readable Drawbot records for the call log.
inline std::string describe(SimHost&, const DRAWBOT_PointF32& p) {
  char text[64];
  std::snprintf(text, sizeof text, "(%g, %g)", p.x, p.y);
  return text;
}
inline std::string describe(SimHost&, const DRAWBOT_MatrixF32& m) {
  char text[160];
  std::snprintf(text, sizeof text, "[%g %g %g; %g %g %g; %g %g %g]", m.mat[0][0], m.mat[0][1],
                m.mat[0][2], m.mat[1][0], m.mat[1][1], m.mat[1][2], m.mat[2][0], m.mat[2][1],
                m.mat[2][2]);
  return text;
}
inline std::string describe(SimHost&, const DRAWBOT_RectF32& r) {
  char text[96];
  std::snprintf(text, sizeof text, "(%g, %g, %g x %g)", r.left, r.top, r.width, r.height);
  return text;
}
inline std::string describe(SimHost&, const DRAWBOT_ColorRGBA& c) {
  char text[96];
  std::snprintf(text, sizeof text, "rgba(%g, %g, %g, %g)", c.red, c.green, c.blue, c.alpha);
  return text;
}

namespace {

// --- draw suite ----------------------------------------------------------------

PF_Err get_supplier(DRAWBOT_DrawRef draw, DRAWBOT_SupplierRef* supplier) {
  HostCall call(kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1, "GetSupplier", draw);
  if (supplier != nullptr) *supplier = nullptr;
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  DrawbotCanvas* canvas = DrawbotCanvas::from_draw_ref(draw);
  if (canvas == nullptr || supplier == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  *supplier = canvas->supplier_ref();
  call.output(*supplier);
  return call.result(PF_Err_NONE);
}

PF_Err get_surface(DRAWBOT_DrawRef draw, DRAWBOT_SurfaceRef* surface) {
  HostCall call(kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1, "GetSurface", draw);
  if (surface != nullptr) *surface = nullptr;
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  DrawbotCanvas* canvas = DrawbotCanvas::from_draw_ref(draw);
  if (canvas == nullptr || surface == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  *surface = canvas->surface_ref();
  call.output(*surface);
  return call.result(PF_Err_NONE);
}

const DRAWBOT_DrawbotSuite1 draw_suite = {guarded<get_supplier>, guarded<get_surface>};

// --- supplier suite ------------------------------------------------------------

constexpr const char* supplier_suite_name = kDRAWBOT_SupplierSuite;
constexpr int32_t supplier_version = kDRAWBOT_SupplierSuite_Version1;

PF_Err new_image_from_buffer(DRAWBOT_SupplierRef supplier, int width, int height, int row_bytes,
                             DRAWBOT_PixelLayout layout, const void* data,
                             DRAWBOT_ImageRef* image) {
  HostCall call(supplier_suite_name, supplier_version, "NewImageFromBuffer", supplier, width,
                height, row_bytes, layout);
  if (image != nullptr) *image = nullptr;
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  if (call.host() == nullptr || DrawbotCanvas::from_supplier(supplier) == nullptr) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  const PF_Err err = new_drawbot_image(*call.host(), width, height, row_bytes, layout, data, image);
  if (err == PF_Err_NONE) call.output(*image);
  return call.result(err);
}

PF_Err retain_object(DRAWBOT_ObjectRef object) {
  HostCall call(supplier_suite_name, supplier_version, "RetainObject", object);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  if (call.host() == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(retain_drawbot_object(*call.host(), object));
}

PF_Err release_object(DRAWBOT_ObjectRef object) {
  HostCall call(supplier_suite_name, supplier_version, "ReleaseObject", object);
  if (call.host() == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  // A failed release still lets go of the object: nothing could release it later.
  const PF_Err err = release_drawbot_object(*call.host(), object);
  if (long injected = call.injected()) return call.result(static_cast<PF_Err>(injected));
  return call.result(err);
}

// The buffers the host takes are BGRA, premultiplied or not.
template <DRAWBOT_Boolean Answer>
PF_Err layout_answer(const char* function, DRAWBOT_SupplierRef supplier, DRAWBOT_Boolean* yes) {
  HostCall call(supplier_suite_name, supplier_version, function, supplier);
  if (yes == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  *yes = Answer;
  return call.result(PF_Err_NONE);
}
PF_Err supports_bgra(DRAWBOT_SupplierRef s, DRAWBOT_Boolean* yes) {
  return layout_answer<1>("SupportsPixelLayoutBGRA", s, yes);
}
PF_Err prefers_bgra(DRAWBOT_SupplierRef s, DRAWBOT_Boolean* yes) {
  return layout_answer<1>("PrefersPixelLayoutBGRA", s, yes);
}
PF_Err supports_argb(DRAWBOT_SupplierRef s, DRAWBOT_Boolean* yes) {
  return layout_answer<0>("SupportsPixelLayoutARGB", s, yes);
}
PF_Err prefers_argb(DRAWBOT_SupplierRef s, DRAWBOT_Boolean* yes) {
  return layout_answer<0>("PrefersPixelLayoutARGB", s, yes);
}

#define TARVOLK_UNSERVED(suite_type, suite_name, version, function) \
  Unserved<suite_name, version, #function, decltype(suite_type::function)>::call

const DRAWBOT_SupplierSuite1 supplier_suite = {
    TARVOLK_UNSERVED(DRAWBOT_SupplierSuite1, "DRAWBOT Supplier Suite", 1, NewPen),
    TARVOLK_UNSERVED(DRAWBOT_SupplierSuite1, "DRAWBOT Supplier Suite", 1, NewBrush),
    TARVOLK_UNSERVED(DRAWBOT_SupplierSuite1, "DRAWBOT Supplier Suite", 1, SupportsText),
    TARVOLK_UNSERVED(DRAWBOT_SupplierSuite1, "DRAWBOT Supplier Suite", 1, GetDefaultFontSize),
    TARVOLK_UNSERVED(DRAWBOT_SupplierSuite1, "DRAWBOT Supplier Suite", 1, NewDefaultFont),
    guarded<new_image_from_buffer>,
    TARVOLK_UNSERVED(DRAWBOT_SupplierSuite1, "DRAWBOT Supplier Suite", 1, NewPath),
    guarded<supports_bgra>,
    guarded<prefers_bgra>,
    guarded<supports_argb>,
    guarded<prefers_argb>,
    guarded<retain_object>,
    guarded<release_object>,
};

// --- surface suite, versions 1 and 2 ---------------------------------------------

template <int32_t Version>
PF_Err push_state_stack(DRAWBOT_SurfaceRef surface) {
  HostCall call(kDRAWBOT_SurfaceSuite, Version, "PushStateStack", surface);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  DrawbotCanvas* canvas = DrawbotCanvas::from_surface(surface);
  return call.result(canvas != nullptr ? canvas->push_state() : PF_Err_BAD_CALLBACK_PARAM);
}

template <int32_t Version>
PF_Err pop_state_stack(DRAWBOT_SurfaceRef surface) {
  HostCall call(kDRAWBOT_SurfaceSuite, Version, "PopStateStack", surface);
  DrawbotCanvas* canvas = DrawbotCanvas::from_surface(surface);
  if (canvas == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  // The state goes even when the call is made to fail: it cannot be popped twice.
  const PF_Err err = canvas->pop_state();
  if (long injected = call.injected()) return call.result(static_cast<PF_Err>(injected));
  return call.result(err);
}

template <int32_t Version>
PF_Err paint_rect(DRAWBOT_SurfaceRef surface, const DRAWBOT_ColorRGBA* color,
                  const DRAWBOT_RectF32* rect) {
  HostCall call(kDRAWBOT_SurfaceSuite, Version, "PaintRect", surface,
                color != nullptr ? *color : DRAWBOT_ColorRGBA{},
                rect != nullptr ? *rect : DRAWBOT_RectF32{});
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  DrawbotCanvas* canvas = DrawbotCanvas::from_surface(surface);
  if (canvas == nullptr || color == nullptr || rect == nullptr) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  return call.result(canvas->paint_rect(*color, *rect));
}

template <int32_t Version>
PF_Err transform(DRAWBOT_SurfaceRef surface, const DRAWBOT_MatrixF32* matrix) {
  HostCall call(kDRAWBOT_SurfaceSuite, Version, "Transform", surface,
                matrix != nullptr ? *matrix : DRAWBOT_MatrixF32{});
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  DrawbotCanvas* canvas = DrawbotCanvas::from_surface(surface);
  if (canvas == nullptr || matrix == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  return call.result(canvas->transform(*matrix));
}

template <int32_t Version>
PF_Err draw_image(DRAWBOT_SurfaceRef surface, DRAWBOT_ImageRef image,
                  const DRAWBOT_PointF32* origin, float alpha) {
  HostCall call(kDRAWBOT_SurfaceSuite, Version, "DrawImage", surface, image,
                origin != nullptr ? *origin : DRAWBOT_PointF32{}, alpha);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  DrawbotCanvas* canvas = DrawbotCanvas::from_surface(surface);
  if (canvas == nullptr || origin == nullptr || call.host() == nullptr) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  return call.result(
      canvas->draw_image(drawbot_image_surface(*call.host(), image), *origin, alpha));
}

template <int32_t Version>
PF_Err set_interpolation_policy(DRAWBOT_SurfaceRef surface, DRAWBOT_InterpolationPolicy policy) {
  HostCall call(kDRAWBOT_SurfaceSuite, Version, "SetInterpolationPolicy", surface, policy);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  DrawbotCanvas* canvas = DrawbotCanvas::from_surface(surface);
  return call.result(canvas != nullptr ? canvas->set_interpolation(policy)
                                       : PF_Err_BAD_CALLBACK_PARAM);
}

template <int32_t Version>
PF_Err get_interpolation_policy(DRAWBOT_SurfaceRef surface, DRAWBOT_InterpolationPolicy* policy) {
  HostCall call(kDRAWBOT_SurfaceSuite, Version, "GetInterpolationPolicy", surface);
  DrawbotCanvas* canvas = DrawbotCanvas::from_surface(surface);
  if (canvas == nullptr || policy == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  *policy = canvas->interpolation();
  return call.result(PF_Err_NONE);
}

template <int32_t Version>
PF_Err flush(DRAWBOT_SurfaceRef surface) {
  HostCall call(kDRAWBOT_SurfaceSuite, Version, "Flush", surface);
  return call.result(DrawbotCanvas::from_surface(surface) != nullptr ? PF_Err_NONE
                                                                     : PF_Err_BAD_CALLBACK_PARAM);
}

PF_Err get_transform_to_screen_scale(DRAWBOT_SurfaceRef surface, float* scale) {
  HostCall call(kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version2, "GetTransformToScreenScale",
                surface);
  if (DrawbotCanvas::from_surface(surface) == nullptr || scale == nullptr) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  *scale = 1.0f;  // one canvas pixel per screen pixel
  return call.result(PF_Err_NONE);
}

#define TARVOLK_SURFACE_FUNCTIONS(version)                                                      \
  guarded<push_state_stack<version>>, guarded<pop_state_stack<version>>,                        \
      guarded<paint_rect<version>>,                                                             \
      TARVOLK_UNSERVED(DRAWBOT_SurfaceSuite1, "DRAWBOT Surface Suite", version, FillPath),      \
      TARVOLK_UNSERVED(DRAWBOT_SurfaceSuite1, "DRAWBOT Surface Suite", version, StrokePath),    \
      TARVOLK_UNSERVED(DRAWBOT_SurfaceSuite1, "DRAWBOT Surface Suite", version, Clip),          \
      TARVOLK_UNSERVED(DRAWBOT_SurfaceSuite1, "DRAWBOT Surface Suite", version, GetClipBounds), \
      TARVOLK_UNSERVED(DRAWBOT_SurfaceSuite1, "DRAWBOT Surface Suite", version,                 \
                       IsWithinClipBounds),                                                     \
      guarded<transform<version>>,                                                              \
      TARVOLK_UNSERVED(DRAWBOT_SurfaceSuite1, "DRAWBOT Surface Suite", version, DrawString),    \
      guarded<draw_image<version>>, guarded<set_interpolation_policy<version>>,                 \
      guarded<get_interpolation_policy<version>>,                                               \
      TARVOLK_UNSERVED(DRAWBOT_SurfaceSuite1, "DRAWBOT Surface Suite", version,                 \
                       SetAntiAliasPolicy),                                                     \
      TARVOLK_UNSERVED(DRAWBOT_SurfaceSuite1, "DRAWBOT Surface Suite", version,                 \
                       GetAntiAliasPolicy),                                                     \
      guarded<flush<version>>

const DRAWBOT_SurfaceSuite1 surface_suite1 = {TARVOLK_SURFACE_FUNCTIONS(1)};
const DRAWBOT_SurfaceSuite2 surface_suite2 = {TARVOLK_SURFACE_FUNCTIONS(2),
                                              guarded<get_transform_to_screen_scale>};

// --- path suite: acquired by the effect, never called -----------------------------

const DRAWBOT_PathSuite1 path_suite = {
    TARVOLK_UNSERVED(DRAWBOT_PathSuite1, "DRAWBOT Path Suite", 1, MoveTo),
    TARVOLK_UNSERVED(DRAWBOT_PathSuite1, "DRAWBOT Path Suite", 1, LineTo),
    TARVOLK_UNSERVED(DRAWBOT_PathSuite1, "DRAWBOT Path Suite", 1, BezierTo),
    TARVOLK_UNSERVED(DRAWBOT_PathSuite1, "DRAWBOT Path Suite", 1, AddRect),
    TARVOLK_UNSERVED(DRAWBOT_PathSuite1, "DRAWBOT Path Suite", 1, AddArc),
    TARVOLK_UNSERVED(DRAWBOT_PathSuite1, "DRAWBOT Path Suite", 1, Close),
};

#undef TARVOLK_SURFACE_FUNCTIONS
#undef TARVOLK_UNSERVED

}  // namespace

void install_drawbot_suites(SimHost& host) {
  host.register_suite(kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1, &draw_suite);
  host.register_suite(kDRAWBOT_SupplierSuite, kDRAWBOT_SupplierSuite_Version1, &supplier_suite);
  host.register_suite(kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version1, &surface_suite1);
  host.register_suite(kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version2, &surface_suite2);
  host.register_suite(kDRAWBOT_PathSuite, kDRAWBOT_PathSuite_Version1, &path_suite);
}

}  // namespace simhost
