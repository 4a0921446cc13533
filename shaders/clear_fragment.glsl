
#version 330

// Transparent black wherever it is drawn: the colour clear of a float target.

out vec4 frag_color;

void main() {
  frag_color = vec4(0.0);
}
