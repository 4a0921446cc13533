// Draws the info panel's picture with cairo and writes it as a C++ source
// file: the name "Tarvolk" in DejaVu Sans beside a small extruded mark, light
// on a transparent ground, for the host's dark panel. The panel shows the
// picture at half size from 61 pixels in, so in a 277-pixel control only its
// left 432 pixels are seen: everything is drawn there.

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>

#include "effect/info_panel_picture.h"
#include "gradient_wheel/cairo_canvas.h"

namespace {

// The mark: a rounded hexagon, extruded down and to the right, its side
// walls running through the colours of a cyclic gradient.
void hexagon_path(cairo_t* cr, double cx, double cy, double radius) {
  for (int i = 0; i < 6; ++i) {
    const double a = std::numbers::pi / 3 * i + std::numbers::pi / 6;
    const double x = cx + radius * std::cos(a);
    const double y = cy + radius * std::sin(a);
    if (i == 0) {
      cairo_move_to(cr, x, y);
    } else {
      cairo_line_to(cr, x, y);
    }
  }
  cairo_close_path(cr);
}

void wall_color(double t, double* r, double* g, double* b) {
  // Red, green and blue a third of a turn apart, as the effect's default gradient.
  const double phase = 2 * std::numbers::pi * t;
  *r = 0.55 + 0.45 * std::cos(phase);
  *g = 0.55 + 0.45 * std::cos(phase - 2 * std::numbers::pi / 3);
  *b = 0.55 + 0.45 * std::cos(phase + 2 * std::numbers::pi / 3);
}

void draw_mark(cairo_t* cr) {
  constexpr double cx = 52, cy = 56, radius = 34;
  constexpr int depth = 18;
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (int k = depth; k >= 1; --k) {
    double r, g, b;
    wall_color(static_cast<double>(k) / depth, &r, &g, &b);
    cairo_set_source_rgb(cr, r * 0.8, g * 0.8, b * 0.8);
    hexagon_path(cr, cx + 0.9 * k, cy + 0.7 * k, radius);
    cairo_fill(cr);
  }
  hexagon_path(cr, cx, cy, radius);
  cairo_set_source_rgb(cr, 0.93, 0.93, 0.93);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 3);
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.22);
  cairo_stroke(cr);
  // A small "T" cut into the face.
  cairo_rectangle(cr, cx - 17, cy - 19, 34, 9);
  cairo_rectangle(cr, cx - 4.5, cy - 19, 9, 38);
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.22);
  cairo_fill(cr);
}

void draw_name(cairo_t* cr) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 64);
  // Outlines rather than glyph images, so hinting cannot change the picture.
  cairo_move_to(cr, 116, 80);
  cairo_text_path(cr, "Tarvolk");
  cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
  cairo_fill(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 18);
  cairo_move_to(cr, 120, 110);
  cairo_text_path(cr, "outlines with depth");
  cairo_set_source_rgb(cr, 0.7, 0.7, 0.72);
  cairo_fill(cr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
    return 2;
  }
  const CairoCanvas canvas(info_panel_picture_width, info_panel_picture_height);
  draw_mark(canvas.context());
  draw_name(canvas.context());
  cairo_surface_t* surface = canvas.surface();
  cairo_surface_flush(surface);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "cannot draw the picture\n");
    return 1;
  }

  // cairo keeps premultiplied ARGB32, which is BGRA in memory here; the
  // panel takes straight alpha.
  std::ostringstream out;
  out << "// Written by write_info_panel_picture at build time.\n"
      << "#include \"effect/info_panel_picture.h\"\n\n"
      << "const unsigned char info_panel_picture_pixels[info_panel_picture_bytes] = {\n";
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < info_panel_picture_height; ++y) {
    const unsigned char* row = data + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < info_panel_picture_width; ++x) {
      const unsigned char* p = row + 4 * x;
      const unsigned a = p[3];
      for (int c = 0; c < 3; ++c) {
        const unsigned v = a == 0 ? 0 : (p[c] * 255u + a / 2) / a;
        out << (v > 255 ? 255 : v) << ',';
      }
      out << a << ',';
    }
    out << '\n';
  }
  out << "};\n";

  std::ofstream file(argv[1], std::ios::trunc);
  file << out.str();
  if (!file.flush()) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
