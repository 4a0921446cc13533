#pragma once

#include <cstdint>

// How the outlines are swept into a solid. The geometry programs take the
// value as their int uniform extrusion_mode and compare it with the constants
// DIRECTIONAL, VANISHING and CAMERA, which shader_programs.cpp writes into
// their sources from these enumerators.
enum class ExtrusionMode : int32_t {
  none = 0,  // no known mode: no rectangle maps, and the programs put every vertex at the origin
  directional = 1,
  vanishing = 2,
  camera = 3,
};
