#include "geometry/mesh_builders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

#include "geometry/path_grouping.h"
#include "tests/geometry/path_test_util.h"

namespace {

size_t count_restarts(const std::vector<uint32_t>& indices) {
  return static_cast<size_t>(std::count(indices.begin(), indices.end(), mesh_restart_index));
}

// Every edge of an outline mesh: the first of its four vertices.
std::vector<OutlineVertex> outline_edges(const OutlineMesh& mesh) {
  std::vector<OutlineVertex> edges;
  for (size_t i = 0; i < mesh.vertices.size(); i += 4) edges.push_back(mesh.vertices[i]);
  return edges;
}

bool is_vertical(const OutlineVertex& e) {
  return e.p1_x == e.p2_x && e.p1_y == e.p2_y && e.p1_z == 0.0f && e.p2_z == -1.0f;
}

TEST(OutlineMesh, UnitSquareByVisibleFace) {
  const PathsD paths{rect_path(0, 0, 1, 1)};
  const SideChainSet set = split_paths_into_chains(paths, directional(0, 1));
  ASSERT_EQ(set.chains.size(), 1u);
  const OutlineMesh front = build_outline_mesh(1, set.chains, paths, set);
  EXPECT_EQ(front.mode, 4u);
  EXPECT_EQ(front.vertices.size(), 28u);
  ASSERT_EQ(front.indices.size(), 42u);
  // Each edge the two triangles of its four-vertex strip, in the strip's order.
  for (uint32_t e = 0; e < 7; ++e) {
    const uint32_t strip[6] = {0, 1, 2, 2, 1, 3};
    for (uint32_t k = 0; k < 6; ++k) EXPECT_EQ(front.indices[6 * e + k], 4 * e + strip[k]);
  }
  for (size_t v = 0; v < front.vertices.size(); ++v) {
    EXPECT_EQ(std::memcmp(&front.vertices[v], &front.vertices[v - v % 4], sizeof(OutlineVertex)),
              0);
  }
  const std::vector<OutlineVertex> edges = outline_edges(front);
  for (size_t e = 0; e < 4; ++e) {
    EXPECT_EQ(edges[e].p1_z, 0.0f);
    EXPECT_EQ(edges[e].p2_z, 0.0f);
    EXPECT_TRUE(edges[e].a_z == 0.0f && std::signbit(edges[e].a_z));
  }
  // The top edge (1,1)-(0,1) at the back only, then its end verticals.
  EXPECT_EQ(edges[4].p1_x, 1.0f);
  EXPECT_EQ(edges[4].p2_x, 0.0f);
  EXPECT_EQ(edges[4].p1_z, -1.0f);
  EXPECT_EQ(edges[4].p2_z, -1.0f);
  EXPECT_TRUE(is_vertical(edges[5]) && edges[5].p1_x == 1.0f);
  EXPECT_TRUE(is_vertical(edges[6]) && edges[6].p1_x == 0.0f);
  for (size_t e = 4; e < 7; ++e) EXPECT_EQ(edges[e].a_z, -0.5f);

  // No face: the top edge at both depths and the verticals.
  const std::vector<OutlineVertex> none =
      outline_edges(build_outline_mesh(0, set.chains, paths, set));
  ASSERT_EQ(none.size(), 4u);
  EXPECT_EQ(none[0].p1_z, -1.0f);
  EXPECT_EQ(none[1].p1_z, 0.0f);
  EXPECT_TRUE(is_vertical(none[2]) && is_vertical(none[3]));
  // Back face: its outline at the back, the chain's front copy only.
  const std::vector<OutlineVertex> back =
      outline_edges(build_outline_mesh(2, set.chains, paths, set));
  ASSERT_EQ(back.size(), 7u);
  for (size_t e = 0; e < 4; ++e) EXPECT_EQ(back[e].p1_z, -1.0f);
  EXPECT_EQ(back[4].p1_z, 0.0f);
}

TEST(SideMesh, CornerSplitsTheStripAndGetsAVertical) {
  // Chain from vertex 1 to 4: three corners give two pairs each, the smooth
  // (1, 1.5) one.
  const PathD path{{0, 0, 1}, {3, 0, 1}, {2, 1, 1}, {1, 1.5, 2}, {0, 1, 1}};
  const SideChainSet set = split_paths_into_chains({path}, directional(0, 1));
  ASSERT_EQ(set.chains.size(), 1u);
  ASSERT_EQ(set.chains[0].start, 1u);
  ASSERT_EQ(set.chains[0].end, 4u);
  const SideMesh mesh = build_side_mesh(set.chains, {path}, set);
  EXPECT_EQ(mesh.vertices.size(), 2u * 7u);
  EXPECT_EQ(count_restarts(mesh.indices), 3u);
  EXPECT_EQ(mesh.indices.size(), 2u * 7u + 3u);
  // At corner (2, 1): the incoming edge's normal, a restart, the outgoing's.
  const SideVertex& in = mesh.vertices[4];
  const SideVertex& out = mesh.vertices[6];
  EXPECT_EQ(in.x, 2.0f);
  EXPECT_EQ(out.x, 2.0f);
  EXPECT_EQ(mesh.indices[7], mesh_restart_index);
  EXPECT_NEAR(in.normal_x, 1 / std::sqrt(2.0), 1e-6);  // edge (3,0)->(2,1)
  EXPECT_NEAR(in.normal_y, 1 / std::sqrt(2.0), 1e-6);
  EXPECT_NEAR(out.normal_x, 1 / std::sqrt(5.0), 1e-6);  // edge (2,1)->(1,1.5)
  EXPECT_NEAR(out.normal_y, 2 / std::sqrt(5.0), 1e-6);
  // The smooth vertex: one pair, the normalised normal of next - prev.
  EXPECT_EQ(mesh.vertices[8].x, 1.0f);
  EXPECT_NEAR(mesh.vertices[8].normal_x, 0.0, 1e-6);
  EXPECT_NEAR(mesh.vertices[8].normal_y, 1.0, 1e-6);

  // The outline: 5 face edges, 3 chain edges at the back, 2 end verticals
  // and one at the interior corner (2, 1), none at the smooth vertex.
  const std::vector<OutlineVertex> edges =
      outline_edges(build_outline_mesh(1, set.chains, {path}, set));
  ASSERT_EQ(edges.size(), 5u + 3u + 2u + 1u);
  EXPECT_TRUE(is_vertical(edges.back()) && edges.back().p1_x == 2.0f);
}

TEST(SideMesh, ExactPointBlendsTheNormalsOfItsEdge) {
  // A clockwise octagon around the vanishing point, all smooth, cut where
  // its leftmost edge crosses the wrap, halfway along that edge.
  PathD octagon;
  for (int i = 0; i < 8; ++i) {
    const double a = -M_PI / 4 * i + M_PI / 8;
    octagon.push_back({std::cos(a), std::sin(a), path_flag_smooth});
  }
  const SideChainSet set = split_paths_into_chains({octagon}, vanishing(0, 0));
  ASSERT_EQ(set.chains.size(), 1u);
  ASSERT_TRUE(set.chains[0].has_exact_start);
  const SideMesh mesh = build_side_mesh(set.chains, {octagon}, set);
  ASSERT_EQ(mesh.vertices.size(), 2u * 10u);
  const SideVertex& start = mesh.vertices[0];
  EXPECT_NEAR(start.x, -std::cos(M_PI / 8), 1e-6);
  EXPECT_NEAR(start.y, 0.0, 1e-6);
  // The normals at the edge's ends point at -22.5 and +22.5 degrees; X
  // gets their mean, (cos 22.5, 0), without normalising it.
  EXPECT_NEAR(start.normal_x, std::cos(M_PI / 8), 1e-6);
  EXPECT_NEAR(start.normal_y, 0.0, 1e-6);
  EXPECT_NEAR(mesh.vertices.back().x, start.x, 1e-6);
  EXPECT_NEAR(mesh.vertices.back().normal_x, start.normal_x, 1e-6);
  // No vertical edges where the exact points cut the path.
  for (const OutlineVertex& e : outline_edges(build_outline_mesh(1, set.chains, {octagon}, set))) {
    EXPECT_FALSE(is_vertical(e));
  }
}

TEST(FaceMesh, IslandsComeBeforeTheRingAroundThem) {
  // Two groups: a square with a hole holding an island, then a lone square.
  const PathsD paths{rect_path(0, 0, 10, 10), reversed(rect_path(2, 2, 8, 8)),
                     rect_path(4, 4, 6, 6), rect_path(20, 0, 21, 1)};
  const UnitedPaths united = union_overlapping_paths(paths, false);
  ASSERT_EQ(united.group_trees.size(), 2u);
  const FaceMesh mesh = build_face_mesh(united.group_trees);
  EXPECT_EQ(mesh.mode, 4u);
  ASSERT_EQ(mesh.indices.size() % 3, 0u);
  for (uint32_t i : mesh.indices) ASSERT_LT(i, mesh.vertices.size());
  // Consecutive runs of triangles within x ranges, and their areas.
  const size_t triangles = mesh.indices.size() / 3;
  size_t t = 0;
  auto run_area = [&](float x0, float x1) {
    double area = 0.0;
    for (; t < triangles; ++t) {
      const FaceVertex* v[3];
      for (int k = 0; k < 3; ++k) v[k] = &mesh.vertices[mesh.indices[3 * t + k]];
      if (std::any_of(v, v + 3, [&](const FaceVertex* p) { return p->x < x0 || p->x > x1; })) break;
      area += std::abs((v[1]->x - v[0]->x) * (v[2]->y - v[0]->y) -
                       (v[2]->x - v[0]->x) * (v[1]->y - v[0]->y)) /
              2;
    }
    return area;
  };
  EXPECT_DOUBLE_EQ(run_area(4, 6), 4.0);  // the island
  EXPECT_DOUBLE_EQ(run_area(0, 10), 64.0);
  EXPECT_DOUBLE_EQ(run_area(20, 21), 1.0);
  EXPECT_EQ(t, triangles);
  EXPECT_TRUE(build_face_mesh({}).indices.empty());
}

// Meshes are written about an origin: content and origin moved by whole pixels, however far,
// give the same floats, which GL then draws alike.
TEST(Meshes, ContentMovedWithItsOriginGivesTheSameVertices) {
  const auto meshes_at = [](double dx, double dy) {
    PathD ring = circle_path(20.3 + dx, 10.7 + dy, 9.4, 24, false);
    PathD notch = circle_path(31.1 + dx, 12.2 + dy, 4.6, 6, false, path_flag_corner);
    const UnitedPaths united = union_overlapping_paths(PathsD{ring, notch}, false);
    const SideChainSet set = split_paths_into_chains(united.paths, directional(0.6, -0.8));
    const dvec2 origin{dx, dy};
    return std::tuple{build_face_mesh(united.group_trees, 1, origin),
                      build_side_mesh(set.chains, united.paths, set, origin),
                      build_outline_mesh(1, set.chains, united.paths, set, origin)};
  };
  const auto same = [](const auto& a, const auto& b) {
    return a.vertices.size() == b.vertices.size() && !a.vertices.empty() &&
           std::memcmp(a.vertices.data(), b.vertices.data(),
                       a.vertices.size() * sizeof(a.vertices[0])) == 0 &&
           a.indices == b.indices;
  };
  const auto [face, side, outline] = meshes_at(0, 0);
  for (const auto& [dx, dy] : {std::pair{1.0, 0.0}, {0.0, -1.0}, {4093.0, -2987.0}}) {
    const auto [moved_face, moved_side, moved_outline] = meshes_at(dx, dy);
    EXPECT_TRUE(same(face, moved_face)) << dx << ", " << dy;
    EXPECT_TRUE(same(side, moved_side)) << dx << ", " << dy;
    EXPECT_TRUE(same(outline, moved_outline)) << dx << ", " << dy;
  }
}

TEST(FaceMesh, PolygonBeyondFloatRangeIsSkipped) {
  // Such coordinates would reach the tessellator as infinities, which it
  // cannot take; the polygons around it still come out whole.
  PolyTreeD bad;
  bad.children.push_back({rect_path(0, 0, 1e39, 1), false, {}});
  PolyTreeD good;
  good.children.push_back({rect_path(0, 0, 1, 1), false, {}});
  const FaceMesh mesh = build_face_mesh({good, bad, good});
  ASSERT_EQ(mesh.indices.size(), 12u);
  EXPECT_EQ(mesh.vertices.size(), 8u);
  for (uint32_t i : mesh.indices) {
    ASSERT_LT(i, mesh.vertices.size());
    EXPECT_LE(mesh.vertices[i].x, 1.0f);
  }
}

}  // namespace
