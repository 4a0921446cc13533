#pragma once

// A cairo ARGB32 image surface with its drawing context, both destroyed with
// the object.

#include <cairo.h>

class CairoCanvas {
 public:
  CairoCanvas(int width, int height)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
        context_(cairo_create(surface_)) {}
  ~CairoCanvas() {
    cairo_destroy(context_);
    cairo_surface_destroy(surface_);
  }
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  bool ok() const { return cairo_status(context_) == CAIRO_STATUS_SUCCESS; }
  cairo_t* context() const { return context_; }
  cairo_surface_t* surface() const { return surface_; }

 private:
  cairo_surface_t* surface_;
  cairo_t* context_;
};
