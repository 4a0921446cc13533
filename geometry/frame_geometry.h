#pragma once

// A frame's work on the CPU, before any drawing: where the frame lies, the union of its paths,
// the side chains and the three meshes, in the y-up plane of the paths.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/frame_coverage.h"
#include "geometry/matrix.h"
#include "geometry/mesh.h"
#include "geometry/parallel_for.h"
#include "geometry/path_types.h"
#include "geometry/polygon_boolean.h"
#include "geometry/render_plan.h"
#include "geometry/side_chains.h"
#include "geometry/side_fill_stop.h"
#include "host_api/ae_effect.h"

// What a frame's geometry is made from: its plan, where its output and its input layer lie, the
// supersampling factor and the side-fill stops (angles in degrees).
struct FrameGeometryInput {
  const PreRenderPlan& plan;
  const PF_EffectWorld& output;           // its size and origin; its pixels are not read
  const PF_EffectWorld* layer = nullptr;  // the input layer, or null; its pixels are not read
  int32_t ssaa = 1;                       // supersampling factor, at least 1
  const std::vector<SideFillStop>& side_fill;
  // The fill and stroke opacities and the stroke colour are finite: otherwise the cover holds
  // the whole output, which is then not transparent where nothing is drawn.
  bool colors_finite = true;
};

// Chain parameters and the camera-mode rotation of one frame.
struct ChainSetup {
  ChainParams params;                     // what the chain and mesh steps read
  dvec2 screen_vanishing_point;           // in the output's path space; sets the vanishing band
  dmat2 rotation = {1.0, 0.0, 0.0, 1.0};  // turns the vanishing direction onto +x
};

// The plan's mode, direction and vanishing point; in "3D Camera" mode the vanishing mode about
// the eye's foot point and the rotation that puts the vanishing direction onto +x. When that foot
// point lies at infinity (an orthographic view), the chains are cut as in directional mode along
// the direction in which the walls recede, so that no coordinate becomes infinite.
ChainSetup compute_chain_setup(const PreRenderPlan& plan);

// Regions of one frame, in the y-up plane of the paths, and what GL draws them with. GL draws
// about the output's lower left corner, `origin`: its meshes, matrices and points are that plane
// moved by -origin, in whole pixels, so that GL's floats do not depend on where the frame lies.
struct FrameRegions {
  RectD output_region;
  RectD face_region;
  dvec2 origin;            // the output region's lower left corner
  mat4 face_matrix = {};   // orthographic over the face region, moved by -origin
  ivec2 face_offset;       // output region's corner inside the face region, in output pixels
  int32_t face_width = 0;  // face textures: ssaa times the face region's size
  int32_t face_height = 0;
  vec2 in_tex_offset;  // the input world's lower left corner, moved by -origin
};

// `path_to_screen` for points moved by -origin, giving output coordinates moved by -origin.
dmat4 path_to_screen_about(const dmat4& path_to_screen, const dvec2& origin);

FrameRegions compute_frame_regions(const FrameGeometryInput& input, ExtrusionMode chain_mode,
                                   const dvec2& screen_vanishing_point);

// A texture's extent from a size in pixels, truncated; a size beyond i32 saturates rather than
// overflowing, and a negative one gives 0.
int32_t texture_extent(double size);

// The first plan value that would carry a NaN or an infinity into the geometry, or null.
const char* non_finite_plan_field(const PreRenderPlan& plan);

// A copy of the stops with angles in radians in [0, 2pi), measured so that 90 degrees is 0,
// sorted by angle (stable).
std::vector<SideFillStop> convert_side_fill_stops(const std::vector<SideFillStop>& stops);

// Everything a frame computes on the CPU before any GL work.
struct FrameGeometry {
  PathsD combined_paths;
  std::vector<PolyTreeD> group_trees;
  ChainSetup chain_setup;
  SideChainSet chain_set;  // its chains are in occlusion order
  FaceMesh face_mesh;
  SideMesh side_mesh;
  OutlineMesh outline_mesh;
  FrameRegions regions;
  FrameCoverage coverage;               // the cells the passes clear and composite
  std::vector<SideFillStop> side_fill;  // converted and sorted
};

// The union, chains and meshes of a frame, the union and the face triangulation on up to
// `threads` threads. The side and outline meshes are written into the storage `geometry`
// already has, so a caller that keeps it between frames reuses it. Fails with 512 and a text
// when the plan holds a value that is not finite.
PF_Err build_frame_geometry(const FrameGeometryInput& input, FrameGeometry& geometry,
                            std::string& error_text, unsigned threads = default_geometry_threads());

// Bytes of the mesh storage `geometry` holds, which a thread keeps for its next frame.
size_t kept_geometry_bytes(const FrameGeometry& geometry);

// The two halves of build_frame_geometry. The layout needs only the plan: the chain setup, the
// regions, the cover and the stops; it fails as build_frame_geometry does. The meshes follow it;
// between their steps they poll the frame's abort (host_support/frame_abort.h).
PF_Err build_frame_layout(const FrameGeometryInput& input, FrameGeometry& geometry,
                          std::string& error_text);
void build_frame_meshes(const PreRenderPlan& plan, FrameGeometry& geometry,
                        unsigned threads = default_geometry_threads());
