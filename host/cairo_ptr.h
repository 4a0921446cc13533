#pragma once

// Owners of the cairo objects the host draws with.

#include <cairo.h>

#include <memory>

namespace simhost {

template <class T, void (*Release)(T*)>
struct CairoReleaser {
  void operator()(T* object) const {
    if (object != nullptr) Release(object);
  }
};

using CairoSurfacePtr =
    std::unique_ptr<cairo_surface_t, CairoReleaser<cairo_surface_t, cairo_surface_destroy>>;
using CairoContextPtr = std::unique_ptr<cairo_t, CairoReleaser<cairo_t, cairo_destroy>>;
using CairoPathPtr = std::unique_ptr<cairo_path_t, CairoReleaser<cairo_path_t, cairo_path_destroy>>;

}  // namespace simhost
