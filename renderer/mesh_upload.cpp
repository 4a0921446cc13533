#include "renderer/mesh_upload.h"

template <typename Vertex>
void upload_mesh(const Mesh<Vertex>& mesh, GlVertexArray& vertex_array, GlBuffer& vertex_buffer,
                 GlBuffer& index_buffer) {
  vertex_array.bind();
  vertex_buffer.set_data(GL_ARRAY_BUFFER,
                         static_cast<int64_t>(mesh.vertices.size() * sizeof(Vertex)),
                         mesh.vertices.data(), GL_DYNAMIC_DRAW);
  index_buffer.set_data(GL_ELEMENT_ARRAY_BUFFER,
                        static_cast<int64_t>(mesh.indices.size() * sizeof(uint32_t)),
                        mesh.indices.data(), GL_DYNAMIC_DRAW);
}

template <typename Vertex>
void draw_mesh(const Mesh<Vertex>& mesh) {
  glDrawElements(mesh.mode, static_cast<GLsizei>(mesh.indices.size()), GL_UNSIGNED_INT, nullptr);
}

template void upload_mesh(const FaceMesh&, GlVertexArray&, GlBuffer&, GlBuffer&);
template void upload_mesh(const SideMesh&, GlVertexArray&, GlBuffer&, GlBuffer&);
template void upload_mesh(const OutlineMesh&, GlVertexArray&, GlBuffer&, GlBuffer&);
template void draw_mesh(const FaceMesh&);
template void draw_mesh(const SideMesh&);
template void draw_mesh(const OutlineMesh&);

void draw_face_mesh(const FaceMesh& mesh, GlVertexArray& vertex_array, GlBuffer& vertex_buffer,
                    GlBuffer& index_buffer) {
  upload_mesh(mesh, vertex_array, vertex_buffer, index_buffer);
  draw_mesh(mesh);
}

void draw_side_mesh(const SideMesh& mesh, GlVertexArray& vertex_array, GlBuffer& vertex_buffer,
                    GlBuffer& index_buffer) {
  upload_mesh(mesh, vertex_array, vertex_buffer, index_buffer);
  draw_mesh(mesh);
}

void draw_outline_mesh(const OutlineMesh& mesh, GlVertexArray& vertex_array,
                       GlBuffer& vertex_buffer, GlBuffer& index_buffer) {
  upload_mesh(mesh, vertex_array, vertex_buffer, index_buffer);
  draw_mesh(mesh);
}

void upload_vector_to_buffer(GlBuffer& buffer, uint32_t target,
                             const std::vector<SideFillStop>& stops, uint32_t usage) {
  buffer.set_data(target, static_cast<int64_t>(stops.size() * sizeof(SideFillStop)), stops.data(),
                  usage);
}
