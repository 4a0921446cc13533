
#version 330

// Stroke: each edge is a strip of four vertices, widened here into a quad
// around the edge in output pixels. Vertex i of an edge is gl_VertexID % 4.
// Points arrive about the output's lower left corner: after the sweep they
// are output pixels.

layout(location = 0) in vec3 a_p1;
layout(location = 1) in vec3 a_p2;
layout(location = 2) in float a_z;

uniform vec2 resolution;
uniform float stroke_width;

out vec2 p1;
out vec2 p2;
out vec2 p;
out float depth;

void main() {
  // A degenerate position: an edge that returns early draws nothing.
  gl_Position = vec4(0.0);
  p1 = vec2(0.0);
  p2 = vec2(0.0);
  p = vec2(0.0);
  depth = -a_z;

  vec4 c1 = displace(a_p1);
  vec4 c2 = displace(a_p2);
  vec2 e1 = c1.xy / c1.w;
  vec2 e2 = c2.xy / c2.w;

  // Cut the edge at the near plane.
  float s1 = c1.z + c1.w;
  float s2 = c2.z + c2.w;
  float ti = s1 / (s1 - s2);
  vec4 c = mix(c1, c2, clamp(ti, 0.0, 1.0));
  vec2 q = c.xy / c.w;
  if (s1 < s2) {
    if (ti >= 1.0) {
      return;
    }
    e1 = q;
  } else if (s1 > s2) {
    if (ti <= 0.0) {
      return;
    }
    e2 = q;
  } else if (s1 < 0.0) {
    return;
  }

  // An edge without length has no direction to widen along: nothing drawn.
  vec2 d = e2 - e1;
  if (!(dot(d, d) > 0.0)) {
    return;
  }

  vec2 t = normalize(d);
  t *= 0.5 * (stroke_width + abs(t.x) + abs(t.y));
  vec2 n = vec2(-t.y, t.x);
  int i = gl_VertexID % 4;
  vec2 corner = (i < 2 ? e1 - t : e2 + t) + (i % 2 == 0 ? -n : n);

  p1 = e1;
  p2 = e2;
  p = corner;
  gl_Position = vec4(corner / resolution * 2.0 - 1.0, -2.0 * a_z - 1.0, 1.0);
}
