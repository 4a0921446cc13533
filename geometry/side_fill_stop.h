#pragma once

// One side-fill colour stop; also the RGBA32F texel layout of the side-fill buffer texture.
// angle is in degrees in the render input and in radians once the render routine has converted it.
struct SideFillStop {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float angle = 0.0f;
};

static_assert(sizeof(SideFillStop) == 16, "SideFillStop is uploaded as one RGBA32F texel");
