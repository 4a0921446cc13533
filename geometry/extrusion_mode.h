#pragma once

#include <cstdint>

// How the outlines are swept into a solid. The geometry programs take the
// value as their int uniform extrusion_mode and compare it with the constants
// DIRECTIONAL, VANISHING and CAMERA, which shader_programs.cpp writes into
// their sources from these enumerators.
//
// Code that depends on the mode switches on it with a case for every
// enumerator and no default, so that a new mode does not build (-Wswitch)
// until each such place has been given its case; the questions asked in many
// places are the functions below.
enum class ExtrusionMode : int32_t {
  none = 0,  // no known mode: no rectangle maps, and the programs put every vertex at the origin
  directional = 1,
  vanishing = 2,
  camera = 3,
};

// Whether points are swept through the composition's camera (path_to_screen),
// depth along z, rather than within the layer's plane.
constexpr bool sweeps_through_camera(ExtrusionMode mode) {
  switch (mode) {
    case ExtrusionMode::camera:
      return true;
    case ExtrusionMode::none:
    case ExtrusionMode::directional:
    case ExtrusionMode::vanishing:
      return false;
  }
  return false;
}

// Whether the side walls of a frame's chains run towards the vanishing point
// (cut and ordered by their angle about it) rather than along one direction.
// Asked of a chain mode (ChainParams), in which "3D Camera" mode has already
// been resolved to one of the two for the frame (compute_chain_setup).
constexpr bool sweeps_towards_point(ExtrusionMode chain_mode) {
  switch (chain_mode) {
    case ExtrusionMode::vanishing:
      return true;
    case ExtrusionMode::none:
    case ExtrusionMode::directional:
    case ExtrusionMode::camera:
      return false;
  }
  return false;
}
