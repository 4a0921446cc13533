// The libraries the renderer is built on link and behave as the code assumes.
#include <cairo.h>
#include <gtest/gtest.h>
#include <polyclipping/clipper.hpp>

TEST(Dependencies, CairoFlattensWithDefaultTolerance) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A1, 0, 0);
  cairo_t* cr = cairo_create(surface);
  EXPECT_DOUBLE_EQ(cairo_get_tolerance(cr), 0.1);
  cairo_move_to(cr, 0, 0);
  cairo_curve_to(cr, 0, 10, 10, 10, 10, 0);
  cairo_path_t* path = cairo_copy_path_flat(cr);
  EXPECT_GT(path->num_data, 4);
  cairo_path_destroy(path);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

TEST(Dependencies, ClipperUnitesOverlappingSquares) {
  using namespace ClipperLib;
  Paths a{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}};
  Paths b{{{5, 5}, {15, 5}, {15, 15}, {5, 15}}};
  Clipper c;
  c.AddPaths(a, ptSubject, true);
  c.AddPaths(b, ptClip, true);
  Paths out;
  ASSERT_TRUE(c.Execute(ctUnion, out, pftNonZero, pftNonZero));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_DOUBLE_EQ(Area(out[0]), 175.0);
}
