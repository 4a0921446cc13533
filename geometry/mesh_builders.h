#pragma once

#include <cstdint>
#include <vector>

#include "geometry/matrix.h"
#include "geometry/mesh.h"
#include "geometry/path_types.h"
#include "geometry/polygon_boolean.h"
#include "geometry/side_chains.h"
#include "geometry/tess2_api.h"

// Every builder writes its vertices in floats relative to `origin`, subtracted in doubles: a
// frame draws about its own corner, so that its floats, and the pixels GL makes of them, do not
// depend on where in the layer the frame lies.

// Triangles (mode 4) of every group's union, islands before the ring around
// them, groups in order. Runs of groups are tessellated on up to `threads`
// threads, each with a tessellator of its own; the mesh does not depend on
// the thread count.
FaceMesh build_face_mesh(const std::vector<PolyTreeD>& group_trees, unsigned threads = 1,
                         const dvec2& origin = {});

// The face mesh being filled and the frame's one tessellator, which it owns.
class FaceMeshContext {
 public:
  explicit FaceMeshContext(FaceMesh& mesh, const dvec2& origin = {});
  ~FaceMeshContext();
  FaceMeshContext(const FaceMeshContext&) = delete;
  FaceMeshContext& operator=(const FaceMeshContext&) = delete;

  // Null when the tessellator could not be made.
  TESStesselator* tess() const { return tess_; }
  FaceMesh& mesh() const { return mesh_; }
  const dvec2& origin() const { return origin_; }
  // Replaces the tessellator with a fresh one.
  void renew();

 private:
  TESStesselator* tess_;
  FaceMesh& mesh_;
  dvec2 origin_;
};

// Triangulates one outer contour with its holes, after the islands inside
// those holes (which are handled the same way, depth first, on an explicit
// stack).
void tessellate_polygon_tree(const PolyPathD& node, FaceMeshContext& context);

// Triangulates one outer contour with its holes (non-zero winding) and
// appends the triangles. A polygon the tessellator refuses adds nothing.
void tessellate_polygon(FaceMeshContext& context, const std::vector<const PathD*>& contours);

// One triangle strip (mode 5) per chain, in list order: a front (z 0) and a
// back (z -1) vertex per point, cut at corner vertices, with chain k of N at
// depth value -(k + 1) / (N + 1). `chains` is the ordered list; they point
// into `chain_set`, whose keyed paths match `paths`.
SideMesh build_side_mesh(const std::vector<SideChain>& chains, const PathsD& paths,
                         const SideChainSet& chain_set, const dvec2& origin = {});
// The same into `mesh`, whose storage is reused.
void build_side_mesh(SideMesh& mesh, const std::vector<SideChain>& chains, const PathsD& paths,
                     const SideChainSet& chain_set, const dvec2& origin = {});

struct OutlinePoint {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

struct OutlineMeshContext {
  OutlineMesh* mesh = nullptr;
  float a_z = 0.0f;
  dvec2 origin;
};

// Four vertices for the edge p1-p2 and the two triangles of their strip.
void add_outline_edge(OutlineMeshContext& context, const OutlinePoint& p1, const OutlinePoint& p2);

// The stroked edges (mode 4): the face outline at the visible cap's depth
// (face_to_draw 1 front, 2 back, 0 none), then per chain its edges at the
// depths the face outline does not already stroke, its end verticals and
// its corner verticals.
OutlineMesh build_outline_mesh(int32_t face_to_draw, const std::vector<SideChain>& chains,
                               const PathsD& paths, const SideChainSet& chain_set,
                               const dvec2& origin = {});
// The same into `mesh`, whose storage is reused: a frame that keeps its meshes
// writes into memory it already has.
void build_outline_mesh(OutlineMesh& mesh, int32_t face_to_draw,
                        const std::vector<SideChain>& chains, const PathsD& paths,
                        const SideChainSet& chain_set, const dvec2& origin = {});
