
#version 330

// Side walls: each wall vertex is displaced along the sweep; the wall's
// colour comes from its normal, its depth from the chain's layer.

const int DIRECTIONAL = 1;
const int VANISHING = 2;
const int CAMERA = 3;

layout(location = 0) in vec3 a_position;
layout(location = 1) in vec2 a_normal;
layout(location = 2) in float a_z;

uniform mat4 mvp;
uniform int extrusion_mode;
uniform vec2 extrusion_direction;
uniform vec2 extrusion_vanishing_point;
uniform float front_extrusion_amount;
uniform float back_extrusion_amount;
uniform mat4 path_to_screen;

out vec2 normal;
flat out float depth;

// z runs from 0 (front) to -1 (back). The weight shrinks the normal towards
// the vanishing point, where the wall ends.
vec4 displace(vec3 point, out float weight) {
  float amount = mix(front_extrusion_amount, back_extrusion_amount, -point.z);
  weight = 1.0;
  if (extrusion_mode == DIRECTIONAL) {
    return vec4(point.xy + extrusion_direction * amount, point.z, 1.0);
  }
  if (extrusion_mode == VANISHING) {
    weight = 1.0 - amount;
    return vec4(mix(point.xy, extrusion_vanishing_point, amount), point.z, 1.0);
  }
  if (extrusion_mode == CAMERA) {
    return path_to_screen * vec4(point.xy, -amount, 1.0);
  }
  return vec4(0.0);
}

void main() {
  float weight;
  vec4 position = displace(a_position, weight);
  position.z = a_z * position.w;
  gl_Position = mvp * position;
  // The fragment writes its own depth.
  gl_Position.z = 0.0;
  normal = a_normal * weight;
  depth = -a_z;
}
