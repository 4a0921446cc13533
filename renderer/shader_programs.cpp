#include "renderer/shader_programs.h"

#include <string>
#include <string_view>

namespace {

// `source` with "#define `name`" on the line after its version line.
std::string with_define(std::string_view source, std::string_view name) {
  constexpr std::string_view version = "#version 330\n";
  const size_t after_version = source.find(version) + version.size();
  std::string text(source.substr(0, after_version));
  text.append("#define ").append(name).append("\n").append(source.substr(after_version));
  return text;
}

}  // namespace

const ShaderProgramSources& shader_program_sources(int index) {
  static const std::string composite_single_sample_fragment =
      with_define(composite_fragment_glsl, "SINGLE_SAMPLE");
  static const ShaderProgramSources sources[shader_program_count] = {
      {side_walls_vertex_glsl, side_walls_fragment_glsl},
      {face_vertex_glsl, face_fragment_glsl},
      {front_mask_vertex_glsl, front_mask_fragment_glsl},
      {outline_vertex_glsl, outline_fragment_glsl},
      {composite_vertex_glsl, composite_fragment_glsl},
      {face_vertex_glsl, face_flat_fragment_glsl},
      {composite_vertex_glsl, composite_single_sample_fragment.c_str()},
  };
  return sources[index];
}
