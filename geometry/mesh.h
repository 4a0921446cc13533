#pragma once

#include <cstdint>
#include <vector>

// GL primitive modes, as the values glDrawElements takes.
inline constexpr uint32_t mesh_mode_triangles = 4;       // GL_TRIANGLES
inline constexpr uint32_t mesh_mode_triangle_strip = 5;  // GL_TRIANGLE_STRIP

// Ends one strip and starts the next; the strip passes enable primitive
// restart with this index.
inline constexpr uint32_t mesh_restart_index = 0xFFFFFFFFu;

// Face mesh vertex: attribute 0 `a_pos` (2 floats), stride 8 bytes.
struct FaceVertex {
  float x;
  float y;
};

// Side-wall vertex: `a_position` (3 floats), `a_normal` (2), `a_z` (1);
// stride 24 bytes. z is 0 at the front and -1 at the back.
struct SideVertex {
  float x;
  float y;
  float z;
  float normal_x;
  float normal_y;
  float a_z;
};

// Outline vertex: `a_p1` (3 floats), `a_p2` (3), `a_z` (1); stride 28 bytes.
// Each edge is four identical vertices; the shader picks the quad corner
// from the vertex number modulo 4.
struct OutlineVertex {
  float p1_x;
  float p1_y;
  float p1_z;
  float p2_x;
  float p2_y;
  float p2_z;
  float a_z;
};

static_assert(sizeof(FaceVertex) == 8);
static_assert(sizeof(SideVertex) == 24);
static_assert(sizeof(OutlineVertex) == 28);

// A mesh ready for upload: the vertex records are tightly packed floats, so
// the vertex list's byte size is vertices.size() * sizeof(Vertex).
template <typename Vertex>
struct Mesh {
  using VertexType = Vertex;

  uint32_t mode = mesh_mode_triangles;
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
};

using FaceMesh = Mesh<FaceVertex>;
using SideMesh = Mesh<SideVertex>;
using OutlineMesh = Mesh<OutlineVertex>;
