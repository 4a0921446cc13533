#pragma once

// The effect panel as the host shows it: a cairo image that a custom control
// draws into through the Drawbot suites during an event. The host hands the
// effect the canvas's context with the event; "PF Effect Custom UI Suite"
// turns the context into the canvas's drawing reference, whose supplier makes
// images and whose surface draws them.
//
// The surface keeps a state stack (transform and interpolation policy);
// each push is counted by the host until it is popped. Images are the host's
// objects, handed out by name ("drawbot image#1") and given back by their
// last release.

#include <cairo.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "host/sim_host.h"
#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"
#include "host_api/drawbot_suites.h"

namespace simhost {

class DrawbotCanvas {
 public:
  // A panel of width x height pixels painted in `background`.
  DrawbotCanvas(SimHost& host, int width, int height, PF_App_Color background);
  ~DrawbotCanvas();
  DrawbotCanvas(const DrawbotCanvas&) = delete;
  DrawbotCanvas& operator=(const DrawbotCanvas&) = delete;

  // The context to put in an event record.
  PF_ContextH context() { return &context_; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Paints the whole panel in the background colour again.
  void clear();
  // The pixel at (x, y), straight alpha.
  PF_Pixel8 pixel(int x, int y) const;
  // The pixels as cairo keeps them (premultiplied ARGB32), row by row.
  std::vector<std::uint32_t> argb() const;
  bool write_png(const std::string& path) const;

  // --- what the Drawbot suites reach ---------------------------------------
  // The canvas whose drawing reference, supplier or surface this is; null for
  // anything else.
  static DrawbotCanvas* from_context(PF_ContextH context);
  static DrawbotCanvas* from_draw_ref(DRAWBOT_DrawRef ref);
  static DrawbotCanvas* from_supplier(DRAWBOT_SupplierRef ref);
  static DrawbotCanvas* from_surface(DRAWBOT_SurfaceRef ref);
  DRAWBOT_DrawRef draw_ref();
  DRAWBOT_SupplierRef supplier_ref();
  DRAWBOT_SurfaceRef surface_ref();

  PF_Err push_state();
  PF_Err pop_state();
  // Concatenates a row-vector 3 x 3 matrix (its third column is not used) to
  // the current transform; a matrix that cannot be inverted is refused.
  PF_Err transform(const DRAWBOT_MatrixF32& matrix);
  PF_Err set_interpolation(DRAWBOT_InterpolationPolicy policy);
  DRAWBOT_InterpolationPolicy interpolation() const;
  // Draws an image with its top-left at `origin` in the current transform.
  PF_Err draw_image(cairo_surface_t* image, DRAWBOT_PointF32 origin, float opacity);
  PF_Err paint_rect(const DRAWBOT_ColorRGBA& color, const DRAWBOT_RectF32& rect);

 private:
  struct Tag {
    DrawbotCanvas* owner;
  };

  SimHost& host_;
  int width_;
  int height_;
  PF_App_Color background_;
  mutable std::mutex mutex_;
  cairo_surface_t* surface_;
  cairo_t* cairo_;
  std::vector<DRAWBOT_InterpolationPolicy> saved_policies_;
  DRAWBOT_InterpolationPolicy policy_ = 0;
  PF_Context context_{};
  Tag draw_tag_{this};
  Tag supplier_tag_{this};
  Tag surface_tag_{this};
};

// Images of the supplier: made from a buffer in one of the two 32-bit BGRA
// layouts (premultiplied or straight), kept premultiplied for cairo.
// PF_Err_BAD_CALLBACK_PARAM for a missing buffer or a size that does not fit
// the row bytes, PF_Err_UNRECOGNIZED_PARAM_TYPE for another layout.
PF_Err new_drawbot_image(SimHost& host, int width, int height, int row_bytes,
                         DRAWBOT_PixelLayout layout, const void* data, DRAWBOT_ImageRef* image);
// The image behind a reference the host handed out, or null.
cairo_surface_t* drawbot_image_surface(SimHost& host, DRAWBOT_ObjectRef image);
PF_Err retain_drawbot_object(SimHost& host, DRAWBOT_ObjectRef object);
// Gives the image back on its last release.
PF_Err release_drawbot_object(SimHost& host, DRAWBOT_ObjectRef object);

}  // namespace simhost
