#include "renderer/mesh_builders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "renderer/chain_order.h"
#include "renderer/path_grouping.h"
#include "tests/renderer_frame/frame_test_util.h"

namespace {

ChainParams up() {
  return {chain_mode_directional, {0, 1}, {}};
}

size_t count_restarts(const std::vector<uint32_t>& indices) {
  size_t n = 0;
  for (uint32_t i : indices) n += i == mesh_restart_index;
  return n;
}

// Every edge of an outline mesh: its first vertex of four.
std::vector<OutlineVertex> outline_edges(const OutlineMesh& mesh) {
  std::vector<OutlineVertex> edges;
  for (size_t i = 0; i < mesh.vertices.size(); i += 4) edges.push_back(mesh.vertices[i]);
  return edges;
}

bool is_vertical(const OutlineVertex& e) {
  return e.p1_x == e.p2_x && e.p1_y == e.p2_y && e.p1_z == 0.0f && e.p2_z == -1.0f;
}

TEST(OutlineMesh, UnitSquareWithFrontFace) {
  const PathsD paths{rect_path(0, 0, 1, 1)};
  const SideChainSet set = split_paths_into_chains(paths, up());
  ASSERT_EQ(set.chains.size(), 1u);
  const OutlineMesh mesh = build_outline_mesh(1, set.chains, paths, set);
  EXPECT_EQ(mesh.mode, 5u);
  EXPECT_EQ(mesh.vertices.size(), 28u);
  ASSERT_EQ(mesh.indices.size(), 35u);
  EXPECT_EQ(count_restarts(mesh.indices), 7u);
  for (uint32_t e = 0; e < 7; ++e) {
    for (uint32_t k = 0; k < 4; ++k) EXPECT_EQ(mesh.indices[5 * e + k], 4 * e + k);
  }
  const std::vector<OutlineVertex> edges = outline_edges(mesh);
  for (size_t e = 0; e < 4; ++e) {
    EXPECT_EQ(edges[e].p1_z, 0.0f);
    EXPECT_EQ(edges[e].p2_z, 0.0f);
    EXPECT_EQ(edges[e].a_z, 0.0f);
    EXPECT_TRUE(std::signbit(edges[e].a_z));
    EXPECT_EQ(edges[e].p1_x, paths[0][e].x);
    EXPECT_EQ(edges[e].p2_y, paths[0][(e + 1) % 4].y);
  }
  // The top edge (1,1)-(0,1) at the back only, then its end verticals.
  EXPECT_EQ(edges[4].p1_x, 1.0f);
  EXPECT_EQ(edges[4].p2_x, 0.0f);
  EXPECT_EQ(edges[4].p1_z, -1.0f);
  EXPECT_EQ(edges[4].p2_z, -1.0f);
  EXPECT_TRUE(is_vertical(edges[5]));
  EXPECT_EQ(edges[5].p1_x, 1.0f);
  EXPECT_TRUE(is_vertical(edges[6]));
  EXPECT_EQ(edges[6].p1_x, 0.0f);
  for (size_t e = 4; e < 7; ++e) EXPECT_EQ(edges[e].a_z, -0.5f);
  // Each edge's four vertices are identical.
  for (size_t v = 0; v < mesh.vertices.size(); ++v) {
    EXPECT_EQ(std::memcmp(&mesh.vertices[v], &mesh.vertices[v - v % 4], sizeof(OutlineVertex)), 0);
  }
}

TEST(OutlineMesh, UnitSquareWithoutOrWithBackFace) {
  const PathsD paths{rect_path(0, 0, 1, 1)};
  const SideChainSet set = split_paths_into_chains(paths, up());
  const OutlineMesh none = build_outline_mesh(0, set.chains, paths, set);
  ASSERT_EQ(none.vertices.size(), 16u);
  const std::vector<OutlineVertex> edges = outline_edges(none);
  EXPECT_EQ(edges[0].p1_z, -1.0f);  // the top edge at both depths
  EXPECT_EQ(edges[1].p1_z, 0.0f);
  EXPECT_TRUE(is_vertical(edges[2]));
  EXPECT_TRUE(is_vertical(edges[3]));

  const OutlineMesh back = build_outline_mesh(2, set.chains, paths, set);
  ASSERT_EQ(back.vertices.size(), 28u);
  const std::vector<OutlineVertex> back_edges = outline_edges(back);
  for (size_t e = 0; e < 4; ++e) EXPECT_EQ(back_edges[e].p1_z, -1.0f);
  EXPECT_EQ(back_edges[4].p1_z, 0.0f);  // the chain's front copy only
}

TEST(OutlineMesh, CornerVerticalsInsideAChain) {
  // A chain over an inner corner and a smooth vertex: one vertical edge
  // inside (plus the two at the ends).
  const PathD path{{0, 0, 1}, {3, 0, 1}, {2, 1, 1}, {1, 1.5, 2}, {0, 1, 1}};
  const SideChainSet set = split_paths_into_chains({path}, up());
  ASSERT_EQ(set.chains.size(), 1u);
  ASSERT_EQ(set.chains[0].start, 1u);
  ASSERT_EQ(set.chains[0].end, 4u);
  const OutlineMesh mesh = build_outline_mesh(1, set.chains, {path}, set);
  const std::vector<OutlineVertex> edges = outline_edges(mesh);
  ASSERT_EQ(edges.size(), 5u + 3u + 2u + 1u);
  EXPECT_TRUE(is_vertical(edges.back()));
  EXPECT_EQ(edges.back().p1_x, 2.0f);
}

TEST(SideMesh, SmoothChainIsOneStrip) {
  // A half circle of smooth points rising from right to left.
  PathD arc;
  for (int i = 0; i <= 8; ++i) {
    const double a = M_PI * i / 8;
    arc.push_back({std::cos(a), std::sin(a), path_flag_smooth});
  }
  const SideChainSet set = split_paths_into_chains({arc}, up());
  ASSERT_EQ(set.chains.size(), 1u);
  const uint64_t m = chain_point_count(set.chains[0]);
  EXPECT_EQ(m, 9u);
  const SideMesh mesh = build_side_mesh(set.chains, {arc}, set);
  EXPECT_EQ(mesh.mode, 5u);
  EXPECT_EQ(mesh.vertices.size(), 2 * m);
  ASSERT_EQ(mesh.indices.size(), 2 * m);
  EXPECT_EQ(count_restarts(mesh.indices), 0u);
  for (uint32_t i = 0; i < 2 * m; ++i) EXPECT_EQ(mesh.indices[i], i);
  // Front and back copies; the normal at the top (vertex 4) points up and
  // away from the arc's inside, normalised.
  const SideVertex& front = mesh.vertices[8];
  const SideVertex& back = mesh.vertices[9];
  EXPECT_EQ(front.z, 0.0f);
  EXPECT_EQ(back.z, -1.0f);
  EXPECT_EQ(front.x, back.x);
  EXPECT_NEAR(front.normal_x, 0.0f, 1e-6);
  EXPECT_NEAR(front.normal_y, 1.0f, 1e-6);
  EXPECT_EQ(front.a_z, -0.5f);
}

TEST(SideMesh, CornerSplitsTheStrip) {
  const PathD path{{0, 0, 1}, {3, 0, 1}, {2, 1, 1}, {1, 1.5, 2}, {0, 1, 1}};
  const SideChainSet set = split_paths_into_chains({path}, up());
  const SideMesh mesh = build_side_mesh(set.chains, {path}, set);
  // Vertices 1 to 4: three corners give two pairs each, the smooth one one.
  EXPECT_EQ(mesh.vertices.size(), 2u * 7u);
  EXPECT_EQ(count_restarts(mesh.indices), 3u);
  EXPECT_EQ(mesh.indices.size(), 2u * 7u + 3u);
  // At corner (2, 1): the incoming edge's normal, a restart, the outgoing's.
  const SideVertex& in = mesh.vertices[4];
  const SideVertex& out = mesh.vertices[6];
  EXPECT_EQ(in.x, 2.0f);
  EXPECT_EQ(out.x, 2.0f);
  EXPECT_NEAR(in.normal_x, 1 / std::sqrt(2.0), 1e-6);  // edge (3,0)->(2,1)
  EXPECT_NEAR(in.normal_y, 1 / std::sqrt(2.0), 1e-6);
  EXPECT_NEAR(out.normal_x, 1 / std::sqrt(5.0), 1e-6);  // edge (2,1)->(1,1.5)
  EXPECT_NEAR(out.normal_y, 2 / std::sqrt(5.0), 1e-6);
  EXPECT_EQ(mesh.indices[7], mesh_restart_index);
}

TEST(SideMesh, ChainsGetDepthValuesInOrder) {
  const PathsD paths{rect_path(0, 0, 1, 1, false, path_flag_smooth),
                     rect_path(0, 3, 1, 4, false, path_flag_smooth)};
  SideChainSet set = split_paths_into_chains(paths, up());
  build_side_chain_order(set.chains, up());
  const SideMesh side = build_side_mesh(set.chains, paths, set);
  ASSERT_EQ(side.vertices.size(), 8u);
  EXPECT_EQ(side.indices.size(), 9u);
  EXPECT_EQ(side.indices[4], mesh_restart_index);
  EXPECT_EQ(side.vertices[0].a_z, -1.0f / 3.0f);
  EXPECT_EQ(side.vertices[0].y, 4.0f);  // the upper square is in front
  EXPECT_EQ(side.vertices[4].a_z, -2.0f / 3.0f);

  const OutlineMesh outline = build_outline_mesh(1, set.chains, paths, set);
  const std::vector<OutlineVertex> edges = outline_edges(outline);
  ASSERT_EQ(edges.size(), 8u + 3u + 3u);
  for (size_t e = 8; e < 11; ++e) EXPECT_EQ(edges[e].a_z, -1.0f / 3.0f);
  for (size_t e = 11; e < 14; ++e) EXPECT_EQ(edges[e].a_z, -2.0f / 3.0f);
}

TEST(SideMesh, ExactPointBlendsTheNormalsOfItsEdge) {
  // A clockwise octagon around the vanishing point, all smooth, cut where
  // its leftmost edge crosses the wrap, halfway along that edge.
  PathD octagon;
  for (int i = 0; i < 8; ++i) {
    const double a = -M_PI / 4 * i + M_PI / 8;
    octagon.push_back({std::cos(a), std::sin(a), path_flag_smooth});
  }
  const ChainParams params{chain_mode_vanishing, {}, {0, 0}};
  const SideChainSet set = split_paths_into_chains({octagon}, params);
  ASSERT_EQ(set.chains.size(), 1u);
  const SideChain& chain = set.chains[0];
  ASSERT_TRUE(chain.has_exact_start);
  const SideMesh mesh = build_side_mesh(set.chains, {octagon}, set);
  ASSERT_EQ(mesh.vertices.size(), 2u * 10u);
  const SideVertex& start = mesh.vertices[0];
  EXPECT_NEAR(start.x, -std::cos(M_PI / 8), 1e-6);
  EXPECT_NEAR(start.y, 0.0, 1e-6);
  // The normals at the edge's ends point at -22.5 and +22.5 degrees; X
  // gets their mean, (cos 22.5, 0), without normalising it.
  EXPECT_NEAR(start.normal_x, std::cos(M_PI / 8), 1e-6);
  EXPECT_NEAR(start.normal_y, 0.0, 1e-6);
  const SideVertex& end = mesh.vertices.back();
  EXPECT_NEAR(end.x, start.x, 1e-6);
  EXPECT_NEAR(end.normal_x, start.normal_x, 1e-6);
  // The octagon's outline mesh has no vertical edges at the cut.
  const OutlineMesh outline = build_outline_mesh(1, set.chains, {octagon}, set);
  for (const OutlineVertex& e : outline_edges(outline)) EXPECT_FALSE(is_vertical(e));
}

TEST(FaceMesh, SquareIsTwoTriangles) {
  const UnitedPaths united = union_overlapping_paths(PathsD{rect_path(0, 0, 1, 1)}, false);
  const FaceMesh mesh = build_face_mesh(united.group_trees);
  EXPECT_EQ(mesh.mode, 4u);
  EXPECT_EQ(mesh.vertices.size(), 4u);
  EXPECT_EQ(mesh.indices.size(), 6u);
  EXPECT_TRUE(build_face_mesh({}).indices.empty());
}

double triangle_area(const FaceMesh& mesh, size_t t) {
  const FaceVertex& a = mesh.vertices[mesh.indices[3 * t]];
  const FaceVertex& b = mesh.vertices[mesh.indices[3 * t + 1]];
  const FaceVertex& c = mesh.vertices[mesh.indices[3 * t + 2]];
  return std::abs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2;
}

TEST(FaceMesh, IslandsComeBeforeTheRingAroundThem) {
  // Two groups: a square with a hole holding an island, then a lone square.
  const PathsD paths{rect_path(0, 0, 10, 10), rect_path(2, 2, 8, 8, true), rect_path(4, 4, 6, 6),
                     rect_path(20, 0, 21, 1)};
  const UnitedPaths united = union_overlapping_paths(paths, false);
  ASSERT_EQ(united.group_trees.size(), 2u);
  const FaceMesh mesh = build_face_mesh(united.group_trees);
  ASSERT_EQ(mesh.indices.size() % 3, 0u);
  const size_t triangles = mesh.indices.size() / 3;
  double island = 0, ring = 0, lone = 0;
  size_t t = 0;
  auto inside = [&](size_t tri, double x0, double x1) {
    for (int k = 0; k < 3; ++k) {
      const FaceVertex& v = mesh.vertices[mesh.indices[3 * tri + k]];
      if (v.x < x0 || v.x > x1) return false;
    }
    return true;
  };
  for (; t < triangles && inside(t, 4, 6); ++t) island += triangle_area(mesh, t);
  for (; t < triangles && inside(t, 0, 10); ++t) ring += triangle_area(mesh, t);
  for (; t < triangles && inside(t, 20, 21); ++t) lone += triangle_area(mesh, t);
  EXPECT_EQ(t, triangles);
  EXPECT_DOUBLE_EQ(island, 4.0);
  EXPECT_DOUBLE_EQ(ring, 64.0);
  EXPECT_DOUBLE_EQ(lone, 1.0);
  for (uint32_t i : mesh.indices) EXPECT_LT(i, mesh.vertices.size());
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
