// The program sources as the GL compiles them: the version line first, and
// the extrusion modes and face selector the programs compare with are the
// renderer's.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "geometry/extrusion_mode.h"
#include "geometry/render_plan.h"
#include "renderer/shader_programs.h"

namespace {

// The value of "const int `name` = value;" in `source`; empty when not there.
std::string constant_in(std::string_view source, const std::string& name) {
  const std::string declaration = "const int " + name + " = ";
  const size_t at = source.find(declaration);
  if (at == std::string_view::npos) return "";
  const size_t value_at = at + declaration.size();
  return std::string(source.substr(value_at, source.find(';', value_at) - value_at));
}

TEST(ShaderProgramSources, StartWithTheVersionLineAndCarryTheRenderersModes) {
  const struct {
    const char* name;
    ExtrusionMode mode;
  } modes[] = {{"DIRECTIONAL", ExtrusionMode::directional},
               {"VANISHING", ExtrusionMode::vanishing},
               {"CAMERA", ExtrusionMode::camera}};
  const std::string front = std::to_string(face_front);
  for (int index = 0; index < shader_program_count; ++index) {
    const ShaderProgramSources& sources = shader_program_sources(index);
    for (const std::string_view source : {sources.vertex, sources.fragment}) {
      EXPECT_TRUE(source.starts_with("\n#version 330\n")) << "program " << index;
      for (const auto& m : modes) {
        EXPECT_EQ(constant_in(source, m.name), std::to_string(static_cast<int32_t>(m.mode)))
            << "program " << index << ", " << m.name;
      }
      EXPECT_EQ(constant_in(source, "FRONT"), front) << "program " << index;
    }
  }
}

}  // namespace
