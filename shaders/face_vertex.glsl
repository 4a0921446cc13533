
#version 330

// Front or back cap: the triangulated face, displaced to its depth.

const int DIRECTIONAL = 1;
const int VANISHING = 2;
const int CAMERA = 3;
const int FRONT = 1;

layout(location = 0) in vec2 a_pos;

uniform mat4 mvp;
uniform int extrusion_mode;
uniform vec2 extrusion_direction;
uniform vec2 extrusion_vanishing_point;
uniform float front_extrusion_amount;
uniform float back_extrusion_amount;
uniform mat4 path_to_screen;
uniform bool inner_extrusion;
uniform int face_to_draw;

out vec2 p;

vec4 displace(vec3 point) {
  float amount = mix(front_extrusion_amount, back_extrusion_amount, -point.z);
  if (extrusion_mode == DIRECTIONAL) {
    return vec4(point.xy + extrusion_direction * amount, point.z, 1.0);
  }
  if (extrusion_mode == VANISHING) {
    return vec4(mix(point.xy, extrusion_vanishing_point, amount), point.z, 1.0);
  }
  if (extrusion_mode == CAMERA) {
    return path_to_screen * vec4(point.xy, -amount, 1.0);
  }
  return vec4(0.0);
}

void main() {
  p = a_pos;
  vec4 position = displace(vec3(a_pos, face_to_draw == FRONT ? 0.0 : -1.0));
  if (extrusion_mode == CAMERA) {
    position.z = 0.5 - 0.5 * position.z;
  } else {
    position.z = inner_extrusion ? -1.0 : 0.0;
  }
  gl_Position = mvp * position;
  // The fragment writes its own depth.
  gl_Position.z = 0.0;
}
