#pragma once

// The shader programs, their sources embedded from shaders/*.glsl at build
// time with the stage's prelude after the version line. Each program source
// starts with an empty line and "#version 330", followed by the constants
// DIRECTIONAL, VANISHING and CAMERA (the ExtrusionMode values the geometry
// programs compare their extrusion_mode uniform with) and FRONT (the
// face_to_draw value of the front cap).

// Position of each program in the thread's program list.
enum ShaderProgramIndex : int {
  side_walls_program = 0,
  face_program = 1,
  front_mask_program = 2,  // compiled and kept; no pass draws it
  outline_program = 3,
  composite_program = 4,
  // The face in its flat colour, for frames that do not inherit the layer's
  // colours: it leaves out the input texture, which the face program samples
  // even where its colour is not used.
  face_flat_program = 5,
  // The composite for ssaa 1, which has no samples to resolve: the composite
  // source with SINGLE_SAMPLE defined.
  composite_single_sample_program = 6,
  // Transparent black over the viewport: clears a float colour target faster
  // than glClear does on llvmpipe.
  clear_program = 7,
  // The side-fill stops decoded to linear light, one texel each, and the side
  // walls that read them so (the side-wall source with DECODED_STOPS
  // defined): the same colours, with the stops decoded once a frame.
  side_fill_decode_program = 8,
  side_walls_decoded_program = 9,
};
inline constexpr int shader_program_count = 10;

struct ShaderProgramSources {
  const char* vertex;
  const char* fragment;
};

// Sources of the program at `index`, 0 to shader_program_count - 1.
const ShaderProgramSources& shader_program_sources(int index);

// The embedded shaders, without the constants the program sources add.
extern const char side_walls_vertex_glsl[];
extern const char side_walls_fragment_glsl[];
extern const char face_vertex_glsl[];
extern const char face_fragment_glsl[];
extern const char front_mask_vertex_glsl[];
extern const char front_mask_fragment_glsl[];
extern const char outline_vertex_glsl[];
extern const char outline_fragment_glsl[];
extern const char composite_vertex_glsl[];
extern const char composite_fragment_glsl[];
extern const char face_flat_fragment_glsl[];
extern const char clear_fragment_glsl[];
extern const char side_fill_decode_fragment_glsl[];
