
#version 330

out float frag_color;

void main() {
  frag_color = 1.0;
}
