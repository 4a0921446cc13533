
#version 330

// Side walls: each wall vertex is displaced along the sweep; the wall's
// colour comes from its normal, its depth from the chain's layer.

layout(location = 0) in vec3 a_position;
layout(location = 1) in vec2 a_normal;
layout(location = 2) in float a_z;

uniform mat4 mvp;

out vec2 normal;
flat out float depth;

void main() {
  float amount = sweep_amount(a_position.z);
  vec4 position = displace(a_position, amount);
  // The normal shrinks towards the vanishing point, where the wall ends.
  float weight = extrusion_mode == VANISHING ? 1.0 - amount : 1.0;
  position.z = a_z * position.w;
  gl_Position = mvp * position;
  // The fragment writes its own depth.
  gl_Position.z = 0.0;
  normal = a_normal * weight;
  depth = -a_z;
}
