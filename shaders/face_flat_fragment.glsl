
#version 330

// Front or back cap in its flat colour: the face program for frames that do not inherit the
// layer's colours, without the input texture the other one samples.

uniform vec3 front_fill_color;
uniform bool inner_extrusion;

out vec4 frag_color;

void main() {
  frag_color = vec4(front_fill_color, 1.0);
  gl_FragDepth = inner_extrusion ? 1.0 : 0.0;
}
