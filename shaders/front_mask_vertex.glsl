
#version 330

// Coverage mask of the front face over a rectangle.

layout(location = 0) in vec2 a_pos;

uniform vec2 front_mask_min;
uniform vec2 front_mask_max;

void main() {
  vec2 position = (a_pos - front_mask_min) / (front_mask_max - front_mask_min) * 2.0 - 1.0;
  gl_Position = vec4(position, 0.0, 1.0);
}
