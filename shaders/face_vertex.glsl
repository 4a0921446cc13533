
#version 330

// Front or back cap: the triangulated face, displaced to its depth.

layout(location = 0) in vec2 a_pos;

uniform mat4 mvp;
uniform bool inner_extrusion;
uniform int face_to_draw;

out vec2 p;

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
