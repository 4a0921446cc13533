#include "renderer/shader_programs.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "geometry/extrusion_mode.h"
#include "geometry/render_plan.h"

namespace {

// The numbers the programs compare their uniforms with, one "const int" line
// each, written from the renderer's own definitions: the values of the
// extrusion_mode uniform, and the face_to_draw value of the front cap.
std::string shared_constants() {
  std::string text;
  const auto line = [&text](const char* name, int32_t value) {
    text.append("const int ").append(name).append(" = ");
    text.append(std::to_string(value)).append(";\n");
  };
  for (const auto& [name, mode] : {std::pair{"DIRECTIONAL", ExtrusionMode::directional},
                                   std::pair{"VANISHING", ExtrusionMode::vanishing},
                                   std::pair{"CAMERA", ExtrusionMode::camera}}) {
    line(name, static_cast<int32_t>(mode));
  }
  line("FRONT", face_front);
  return text;
}

// `source` with `lines` on the lines after its version line.
std::string after_version(std::string_view source, std::string_view lines) {
  constexpr std::string_view version = "#version 330\n";
  const size_t after = source.find(version) + version.size();
  std::string text(source.substr(0, after));
  text.append(lines).append(source.substr(after));
  return text;
}

// The program source of an embedded shader: the shared constants, and
// "#define `define`" when one is given, after the version line.
std::string program_source(std::string_view embedded, std::string_view define = {}) {
  std::string lines = shared_constants();
  if (!define.empty()) lines.append("#define ").append(define).append("\n");
  return after_version(embedded, lines);
}

struct ProgramTexts {
  std::string vertex;
  std::string fragment;
};

}  // namespace

const ShaderProgramSources& shader_program_sources(int index) {
  static const std::array<ProgramTexts, shader_program_count> texts = {{
      {program_source(side_walls_vertex_glsl), program_source(side_walls_fragment_glsl)},
      {program_source(face_vertex_glsl), program_source(face_fragment_glsl)},
      {program_source(front_mask_vertex_glsl), program_source(front_mask_fragment_glsl)},
      {program_source(outline_vertex_glsl), program_source(outline_fragment_glsl)},
      {program_source(composite_vertex_glsl), program_source(composite_fragment_glsl)},
      {program_source(face_vertex_glsl), program_source(face_flat_fragment_glsl)},
      {program_source(composite_vertex_glsl),
       program_source(composite_fragment_glsl, "SINGLE_SAMPLE")},
      {program_source(composite_vertex_glsl), program_source(clear_fragment_glsl)},
      {program_source(composite_vertex_glsl), program_source(side_fill_decode_fragment_glsl)},
      {program_source(side_walls_vertex_glsl),
       program_source(side_walls_fragment_glsl, "DECODED_STOPS")},
  }};
  static const std::array<ShaderProgramSources, shader_program_count> sources = [] {
    std::array<ShaderProgramSources, shader_program_count> s{};
    for (int i = 0; i < shader_program_count; ++i) {
      s[i] = {texts[i].vertex.c_str(), texts[i].fragment.c_str()};
    }
    return s;
  }();
  return sources[index];
}
