#include "gl/shader_sources.h"

const ShaderProgramSources& shader_program_sources(int index) {
  static const ShaderProgramSources sources[shader_program_count] = {
      {side_walls_vertex_glsl, side_walls_fragment_glsl},
      {face_vertex_glsl, face_fragment_glsl},
      {front_mask_vertex_glsl, front_mask_fragment_glsl},
      {outline_vertex_glsl, outline_fragment_glsl},
      {composite_vertex_glsl, composite_fragment_glsl},
      {face_vertex_glsl, face_flat_fragment_glsl},
  };
  return sources[index];
}
