#pragma once

// Moving meshes into GL buffers and drawing them; the thread's context must
// be current.

#include <vector>

#include "geometry/mesh.h"
#include "geometry/side_fill_stop.h"
#include "gl/gl_objects.h"

// Binds the vertex array and fills both buffers (GL_DYNAMIC_DRAW); with the
// vertex array bound, the index buffer is recorded in it.
template <typename Vertex>
void upload_mesh(const Mesh<Vertex>& mesh, GlVertexArray& vertex_array, GlBuffer& vertex_buffer,
                 GlBuffer& index_buffer);

// Draws an uploaded mesh from its vertex array's index buffer, which must be
// bound (32-bit indices).
template <typename Vertex>
void draw_mesh(const Mesh<Vertex>& mesh);

// Upload, then draw.
void draw_face_mesh(const FaceMesh& mesh, GlVertexArray& vertex_array, GlBuffer& vertex_buffer,
                    GlBuffer& index_buffer);
void draw_side_mesh(const SideMesh& mesh, GlVertexArray& vertex_array, GlBuffer& vertex_buffer,
                    GlBuffer& index_buffer);
void draw_outline_mesh(const OutlineMesh& mesh, GlVertexArray& vertex_array,
                       GlBuffer& vertex_buffer, GlBuffer& index_buffer);

// The stops as they are in memory, 16 bytes each, into `buffer` at `target`.
void upload_vector_to_buffer(GlBuffer& buffer, uint32_t target,
                             const std::vector<SideFillStop>& stops, uint32_t usage);

extern template void upload_mesh(const FaceMesh&, GlVertexArray&, GlBuffer&, GlBuffer&);
extern template void upload_mesh(const SideMesh&, GlVertexArray&, GlBuffer&, GlBuffer&);
extern template void upload_mesh(const OutlineMesh&, GlVertexArray&, GlBuffer&, GlBuffer&);
extern template void draw_mesh(const FaceMesh&);
extern template void draw_mesh(const SideMesh&);
extern template void draw_mesh(const OutlineMesh&);
