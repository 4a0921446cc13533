#pragma once

// What a user would compare a frame with: cairo filling and stroking the same flattened outlines.

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <array>

#include "geometry/path_types.h"
#include "gradient_wheel/cairo_canvas.h"

// Clears a width x height ARGB32 surface, fills `paths` (path space, y up) with the non-zero rule
// in `fill` and strokes them `stroke_width` wide in `stroke`.
inline void cairo_fill_and_stroke(const CairoCanvas& canvas, const PathsD& paths,
                                  double stroke_width, const std::array<double, 3>& fill,
                                  const std::array<double, 3>& stroke) {
  cairo_t* cr = canvas.context();
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_new_path(cr);
  for (const PathD& path : paths) {
    for (size_t i = 0; i < path.size(); ++i) {
      // Path space has y up; the surface has y down.
      if (i == 0) {
        cairo_move_to(cr, path[i].x, -path[i].y);
      } else {
        cairo_line_to(cr, path[i].x, -path[i].y);
      }
    }
    cairo_close_path(cr);
  }
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_set_source_rgb(cr, fill[0], fill[1], fill[2]);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, stroke_width);
  cairo_set_source_rgb(cr, stroke[0], stroke[1], stroke[2]);
  cairo_stroke(cr);
  cairo_surface_flush(canvas.surface());
}

// Times cairo_fill_and_stroke per iteration.
inline void run_cairo_fill_and_stroke(benchmark::State& state, const PathsD& paths,
                                      double stroke_width, int width, int height,
                                      const std::array<double, 3>& fill,
                                      const std::array<double, 3>& stroke) {
  const CairoCanvas canvas(width, height);
  for (auto _ : state) cairo_fill_and_stroke(canvas, paths, stroke_width, fill, stroke);
}
