#pragma once

// Where a frame's passes can leave anything: a conservative cover of the cells, on a grid of
// output pixels, that the faces, the side walls and the stroke can reach, found from the
// outlines' bounding boxes swept from the front to the back depth. The passes clear and
// composite only those cells; everywhere else the frame is transparent black without drawing.

#include <cstdint>
#include <vector>

#include "geometry/matrix.h"
#include "geometry/path_types.h"

struct PreRenderPlan;

// [x0, x1) x [y0, y1) in output pixels, from the output's lower left corner (rows upwards, as
// GL counts them); may reach beyond the output into the face region.
struct PixelRect {
  int32_t x0 = 0;
  int32_t y0 = 0;
  int32_t x1 = 0;
  int32_t y1 = 0;

  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct FrameCoverage {
  // The frame may draw nearly anywhere, or where it draws cannot be bounded (a camera with
  // outlines behind the eye, a colour that is not finite): its targets are cleared and
  // composited whole, and the rectangles below are empty.
  bool whole = true;
  // Cells the frame can draw into or read from.
  std::vector<PixelRect> drawn;
  // The output's cells outside `drawn`, cut to the output.
  std::vector<PixelRect> empty;
};

// Side of a coverage cell in output pixels.
inline constexpr int32_t coverage_cell_size = 32;

// The cover of a frame of `plan` drawing `paths` (the plan's own, or their unions, which lie
// within them) over the output region, whose face targets span `face_region` (both in path
// space, whole pixels apart). `colors_finite` is false when a
// colour or opacity of the frame is not finite: its composite is then not transparent where
// nothing is drawn, and the frame is covered whole.
FrameCoverage compute_frame_coverage(const PathsD& paths, const PreRenderPlan& plan,
                                     const RectD& output_region, const RectD& face_region,
                                     bool colors_finite);
