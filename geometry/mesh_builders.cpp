#include "geometry/mesh_builders.h"

#include <algorithm>
#include <cmath>

#include "geometry/matrix.h"
#include "geometry/parallel_for.h"
#include "host_support/frame_abort.h"

FaceMeshContext::FaceMeshContext(FaceMesh& mesh, const dvec2& origin)
    : tess_(tessNewTess(nullptr)), mesh_(mesh), origin_(origin) {}

FaceMeshContext::~FaceMeshContext() {
  if (tess_ != nullptr) tessDeleteTess(tess_);
}

void FaceMeshContext::renew() {
  if (tess_ != nullptr) tessDeleteTess(tess_);
  tess_ = tessNewTess(nullptr);
}

namespace {

// Tessellates groups [begin, end) into `mesh`, with a tessellator of its own.
void tessellate_groups(const std::vector<PolyTreeD>& group_trees, size_t begin, size_t end,
                       FaceMesh& mesh, const dvec2& origin) {
  FaceMeshContext context(mesh, origin);
  for (size_t g = begin; g < end; ++g) {
    for (const PolyPathD& outer : group_trees[g].children) {
      if (context.tess() == nullptr) return;
      tessellate_polygon_tree(outer, context);
    }
  }
}

}  // namespace

FaceMesh build_face_mesh(const std::vector<PolyTreeD>& group_trees, unsigned threads,
                         const dvec2& origin) {
  FaceMesh mesh;
  mesh.mode = mesh_mode_triangles;
  constexpr size_t groups_per_thread = 32;
  if (threads <= 1 || group_trees.size() < 2 * groups_per_thread) {
    tessellate_groups(group_trees, 0, group_trees.size(), mesh, origin);
    return mesh;
  }
  // Runs of groups are tessellated apart and joined in group order. A polygon's triangles
  // depend on its own contours only, so the joined mesh is the one a single tessellator makes.
  const size_t runs = std::min<size_t>(group_trees.size() / groups_per_thread, 8 * threads);
  std::vector<FaceMesh> parts(runs);
  parallel_for(runs, threads, 1, [&](size_t begin, size_t end) {
    for (size_t r = begin; r < end; ++r) {
      tessellate_groups(group_trees, r * group_trees.size() / runs,
                        (r + 1) * group_trees.size() / runs, parts[r], origin);
    }
  });
  size_t vertices = 0;
  size_t indices = 0;
  for (const FaceMesh& part : parts) {
    vertices += part.vertices.size();
    indices += part.indices.size();
  }
  mesh.vertices.reserve(vertices);
  mesh.indices.reserve(indices);
  for (const FaceMesh& part : parts) {
    const auto base = static_cast<uint32_t>(mesh.vertices.size());
    mesh.vertices.insert(mesh.vertices.end(), part.vertices.begin(), part.vertices.end());
    for (const uint32_t index : part.indices) mesh.indices.push_back(base + index);
  }
  return mesh;
}

void tessellate_polygon_tree(const PolyPathD& node, FaceMeshContext& context) {
  struct Frame {
    const PolyPathD* node;
    size_t hole = 0;
    size_t island = 0;
    bool hole_listed = false;
    std::vector<const PathD*> contours;
  };
  std::vector<Frame> stack;
  stack.push_back({&node, 0, 0, false, {&node.polygon}});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.hole < top.node->children.size()) {
      const PolyPathD& hole = top.node->children[top.hole];
      if (!top.hole_listed) {
        top.contours.push_back(&hole.polygon);
        top.hole_listed = true;
      }
      if (top.island < hole.children.size()) {
        const PolyPathD& island = hole.children[top.island++];
        // `top` may dangle after the push; it is not used again.
        stack.push_back({&island, 0, 0, false, {&island.polygon}});
        continue;
      }
      ++top.hole;
      top.island = 0;
      top.hole_listed = false;
      continue;
    }
    tessellate_polygon(context, top.contours);
    stack.pop_back();
  }
}

void tessellate_polygon(FaceMeshContext& context, const std::vector<const PathD*>& contours) {
  TESStesselator* tess = context.tess();
  if (tess == nullptr) return;
  // All contours are converted first: the tessellator crashes on infinite
  // coordinates, so a polygon with a point beyond float range is skipped
  // whole, like one the tessellator refuses.
  std::vector<std::vector<float>> points(contours.size());
  const dvec2& origin = context.origin();
  for (size_t c = 0; c < contours.size(); ++c) {
    points[c].reserve(contours[c]->size() * 2);
    for (const PathVertexZ& p : *contours[c]) {
      const auto x = static_cast<float>(p.x - origin.x);
      const auto y = static_cast<float>(p.y - origin.y);
      if (!std::isfinite(x) || !std::isfinite(y)) return;
      points[c].push_back(x);
      points[c].push_back(y);
    }
  }
  for (const std::vector<float>& contour : points) {
    tessAddContour(tess, 2, contour.data(), 2 * sizeof(float),
                   static_cast<int>(contour.size() / 2));
  }
  if (tessTesselate(tess, TESS_WINDING_NONZERO, TESS_POLYGONS, 3, 2, nullptr) == 0) {
    // A failed run can leave its half-processed contours in the tessellator,
    // where the next polygon would pick them up: start a fresh one.
    context.renew();
    return;
  }
  const TESSreal* vertices = tessGetVertices(tess);
  const TESSindex* elements = tessGetElements(tess);
  const int vertex_count = tessGetVertexCount(tess);
  const int element_count = tessGetElementCount(tess);
  FaceMesh& mesh = context.mesh();
  const auto base = static_cast<uint32_t>(mesh.vertices.size());
  for (int i = 0; i < vertex_count; ++i) {
    mesh.vertices.push_back({vertices[2 * i], vertices[2 * i + 1]});
  }
  for (int e = 0; e < element_count; ++e) {
    const TESSindex* tri = elements + 3 * e;
    // Triangles are always complete; an unused or stray index would make
    // the draw read past the vertex buffer, so such an element is dropped.
    bool valid = true;
    for (int k = 0; k < 3; ++k) valid = valid && tri[k] >= 0 && tri[k] < vertex_count;
    if (!valid) continue;
    for (int k = 0; k < 3; ++k) mesh.indices.push_back(base + static_cast<uint32_t>(tri[k]));
  }
}

namespace {

// Points to the right of the direction of travel (y up).
dvec2 right_normal(const dvec2& d) {
  const double length = std::sqrt(d.x * d.x + d.y * d.y);
  return {d.y / length, -d.x / length};
}

// A combined path seen through chain vertex indices, which run past its end
// and, before an exact start, below its start.
class PathRing {
 public:
  explicit PathRing(const PathD& path) : path_(path), n_(static_cast<int64_t>(path.size())) {}

  const PathVertexZ& at(int64_t i) const {
    return path_[static_cast<size_t>(((i % n_) + n_) % n_)];
  }
  dvec2 pt(int64_t i) const {
    const PathVertexZ& p = at(i);
    return {p.x, p.y};
  }
  bool corner(int64_t i) const { return at(i).z == path_flag_corner; }

 private:
  const PathD& path_;
  int64_t n_;
};

// Where X lies on the edge a-b, measured along its longer axis.
double edge_position(const dvec2& a, const dvec2& b, const KeyedPoint& x) {
  if (std::abs(b.y - a.y) <= std::abs(b.x - a.x)) return (x.x - a.x) / (b.x - a.x);
  return (x.y - a.y) / (b.y - a.y);
}

class SideStrip {
 public:
  SideStrip(SideMesh& mesh, float a_z, const dvec2& origin)
      : mesh_(mesh), a_z_(a_z), origin_(origin) {}

  void emit_pair(double x, double y, const dvec2& normal) {
    const auto base = static_cast<uint32_t>(mesh_.vertices.size());
    mesh_.indices.push_back(base);
    mesh_.indices.push_back(base + 1);
    const auto fx = static_cast<float>(x - origin_.x);
    const auto fy = static_cast<float>(y - origin_.y);
    const auto nx = static_cast<float>(normal.x);
    const auto ny = static_cast<float>(normal.y);
    mesh_.vertices.push_back({fx, fy, 0.0f, nx, ny, a_z_});
    mesh_.vertices.push_back({fx, fy, -1.0f, nx, ny, a_z_});
  }

  // A pair at the exact point X on edge a-b, whose normal blends the
  // normals at a and b by X's position (not normalised again).
  void emit_exact(const KeyedPoint& x, const dvec2& a, const dvec2& b, const dvec2& normal_a,
                  const dvec2& normal_b) {
    const double t = edge_position(a, b, x);
    emit_pair(x.x, x.y,
              {(1.0 - t) * normal_a.x + t * normal_b.x, (1.0 - t) * normal_a.y + t * normal_b.y});
  }

  void restart() { mesh_.indices.push_back(mesh_restart_index); }

 private:
  SideMesh& mesh_;
  float a_z_;
  dvec2 origin_;
};

}  // namespace

SideMesh build_side_mesh(const std::vector<SideChain>& chains, const PathsD& paths,
                         const SideChainSet& chain_set, const dvec2& origin) {
  SideMesh mesh;
  build_side_mesh(mesh, chains, paths, chain_set, origin);
  return mesh;
}

void build_side_mesh(SideMesh& mesh, const std::vector<SideChain>& chains, const PathsD& paths,
                     const SideChainSet& chain_set, const dvec2& origin) {
  mesh.mode = mesh_mode_triangle_strip;
  mesh.vertices.clear();
  mesh.indices.clear();
  const size_t count = chains.size();
  // At most two pairs per vertex and one per exact point.
  size_t pairs = 0;
  for (const SideChain& chain : chains) pairs += 2 * (chain.end - chain.start + 1) + 2;
  mesh.vertices.reserve(2 * pairs);
  mesh.indices.reserve(3 * pairs + count);
  const auto depth_divisor = static_cast<float>(count + 1);
  for (size_t k = 0; k < count; ++k) {
    check_frame_abort_when_due();
    const SideChain& chain = chains[k];
    const PathD& path = paths[chain_set.path_index(chain)];
    if (path.empty()) continue;
    if (k > 0) mesh.indices.push_back(mesh_restart_index);
    const PathRing ring(path);
    SideStrip strip(mesh, -(static_cast<float>(k) + 1.0f) / depth_divisor, origin);
    const auto s = static_cast<int64_t>(chain.start);
    const auto e = static_cast<int64_t>(chain.end);

    if (chain.has_exact_start) {
      const dvec2 a = ring.pt(s - 1);
      const dvec2 b = ring.pt(s);
      const dvec2 normal_a =
          right_normal(dvec2_subtract(b, ring.corner(s - 1) ? a : ring.pt(s - 2)));
      const dvec2 normal_b = right_normal(dvec2_subtract(ring.corner(s) ? b : ring.pt(s + 1), a));
      strip.emit_exact(chain.exact_start, a, b, normal_a, normal_b);
    }
    for (int64_t i = s; i <= e; ++i) {
      const dvec2 v = ring.pt(i);
      const dvec2 prev = ring.pt(i - 1);
      const dvec2 next = ring.pt(i + 1);
      if (ring.corner(i)) {
        strip.emit_pair(v.x, v.y, right_normal(dvec2_subtract(v, prev)));
        strip.restart();
        strip.emit_pair(v.x, v.y, right_normal(dvec2_subtract(next, v)));
      } else {
        strip.emit_pair(v.x, v.y, right_normal(dvec2_subtract(next, prev)));
      }
    }
    if (chain.has_exact_end) {
      const dvec2 a = ring.pt(e);
      const dvec2 b = ring.pt(e + 1);
      const dvec2 normal_a = right_normal(dvec2_subtract(b, ring.corner(e) ? a : ring.pt(e - 1)));
      const dvec2 normal_b =
          right_normal(dvec2_subtract(ring.corner(e + 1) ? b : ring.pt(e + 2), a));
      strip.emit_exact(chain.exact_end, a, b, normal_a, normal_b);
    }
  }
}

void add_outline_edge(OutlineMeshContext& context, const OutlinePoint& p1, const OutlinePoint& p2) {
  OutlineMesh& mesh = *context.mesh;
  const auto base = static_cast<uint32_t>(mesh.vertices.size());
  // The two triangles a four-vertex strip would give, in the strip's vertex order, without a
  // restart index: a driver that splits a draw at each restart index (llvmpipe does) then draws
  // all edges at once.
  mesh.indices.insert(mesh.indices.end(), {base, base + 1, base + 2, base + 2, base + 1, base + 3});
  const dvec2& origin = context.origin;
  const OutlineVertex vertex{static_cast<float>(p1.x - origin.x),
                             static_cast<float>(p1.y - origin.y),
                             static_cast<float>(p1.z),
                             static_cast<float>(p2.x - origin.x),
                             static_cast<float>(p2.y - origin.y),
                             static_cast<float>(p2.z),
                             context.a_z};
  mesh.vertices.insert(mesh.vertices.end(), 4, vertex);
}

OutlineMesh build_outline_mesh(int32_t face_to_draw, const std::vector<SideChain>& chains,
                               const PathsD& paths, const SideChainSet& chain_set,
                               const dvec2& origin) {
  OutlineMesh mesh;
  build_outline_mesh(mesh, face_to_draw, chains, paths, chain_set, origin);
  return mesh;
}

void build_outline_mesh(OutlineMesh& mesh, int32_t face_to_draw,
                        const std::vector<SideChain>& chains, const PathsD& paths,
                        const SideChainSet& chain_set, const dvec2& origin) {
  mesh.mode = mesh_mode_triangles;
  mesh.vertices.clear();
  mesh.indices.clear();
  const size_t count = chains.size();
  const auto depth_divisor = static_cast<float>(count + 1);
  // Room for every edge up front: the face outline has one per point, a
  // chain at most two per segment, two or four at its ends and one per
  // interior corner.
  size_t edges = 0;
  if (face_to_draw != 0) {
    for (const PathD& path : paths) edges += path.size();
  }
  for (const SideChain& chain : chains) edges += 3 * (chain.end - chain.start) + 5;
  mesh.vertices.reserve(4 * edges);
  mesh.indices.reserve(6 * edges);
  OutlineMeshContext context{&mesh, 0.0f, origin};
  auto at = [](const dvec2& p, double z) { return OutlinePoint{p.x, p.y, z}; };
  auto at_exact = [](const KeyedPoint& p, double z) { return OutlinePoint{p.x, p.y, z}; };

  if (face_to_draw != 0) {
    context.a_z = -0.0f / depth_divisor;
    const double z = face_to_draw == 1 ? 0.0 : -1.0;
    for (const PathD& path : paths) {
      if (path.empty()) continue;
      const PathRing ring(path);
      const auto n = static_cast<int64_t>(path.size());
      for (int64_t j = 0; j < n; ++j)
        add_outline_edge(context, at(ring.pt(j), z), at(ring.pt(j + 1), z));
    }
  }

  const bool back_edges = face_to_draw != 2;
  const bool front_edges = face_to_draw != 1;
  for (size_t k = 0; k < count; ++k) {
    check_frame_abort_when_due();
    const SideChain& chain = chains[k];
    const PathD& path = paths[chain_set.path_index(chain)];
    if (path.empty()) continue;
    const PathRing ring(path);
    context.a_z = -static_cast<float>(k + 1) / depth_divisor;
    const auto s = static_cast<int64_t>(chain.start);
    const auto e = static_cast<int64_t>(chain.end);

    for (int64_t i = s; i < e; ++i) {
      if (back_edges) add_outline_edge(context, at(ring.pt(i), -1.0), at(ring.pt(i + 1), -1.0));
      if (front_edges) add_outline_edge(context, at(ring.pt(i), 0.0), at(ring.pt(i + 1), 0.0));
    }
    if (chain.has_exact_start) {
      const KeyedPoint& x = chain.exact_start;
      if (back_edges) add_outline_edge(context, at_exact(x, -1.0), at(ring.pt(s), -1.0));
      if (front_edges) add_outline_edge(context, at_exact(x, 0.0), at(ring.pt(s), 0.0));
    } else {
      add_outline_edge(context, at(ring.pt(s), 0.0), at(ring.pt(s), -1.0));
    }
    if (chain.has_exact_end) {
      const KeyedPoint& x = chain.exact_end;
      if (back_edges) add_outline_edge(context, at(ring.pt(e), -1.0), at_exact(x, -1.0));
      if (front_edges) add_outline_edge(context, at(ring.pt(e), 0.0), at_exact(x, 0.0));
    } else {
      add_outline_edge(context, at(ring.pt(e), 0.0), at(ring.pt(e), -1.0));
    }
    const int64_t first = chain.has_exact_start ? s : s + 1;
    const int64_t last = chain.has_exact_end ? e : e - 1;
    for (int64_t i = first; i <= last; ++i) {
      if (ring.corner(i)) add_outline_edge(context, at(ring.pt(i), 0.0), at(ring.pt(i), -1.0));
    }
  }
}
