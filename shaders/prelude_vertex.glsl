// Vertex prelude, put in after the version line of every *_vertex.glsl source
// when the sources are embedded. DIRECTIONAL, VANISHING and CAMERA, the
// values of extrusion_mode, are written before it from the renderer's modes.

uniform int extrusion_mode;
uniform vec2 extrusion_direction;
uniform vec2 extrusion_vanishing_point;
uniform float front_extrusion_amount;
uniform float back_extrusion_amount;
uniform mat4 path_to_screen;

// How far the sweep has gone at z, which runs from 0 (front) to -1 (back).
float sweep_amount(float z) {
  return mix(front_extrusion_amount, back_extrusion_amount, -z);
}

// The point moved along the sweep by `amount`: in clip space through
// path_to_screen in camera mode, else in path space.
vec4 displace(vec3 point, float amount) {
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

vec4 displace(vec3 point) {
  return displace(point, sweep_amount(point.z));
}
