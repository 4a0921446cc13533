
#version 330

// The side-fill stops with their colours in linear light, one texel each (drawn over an n x 1
// target): decoded once a frame for the side walls rather than twice a fragment there, with the
// same srgb_decode. The angle passes through in alpha.

uniform samplerBuffer side_fill_color_buffer;

out vec4 frag_color;

void main() {
  vec4 stop = texelFetch(side_fill_color_buffer, int(gl_FragCoord.x));
  frag_color = vec4(srgb_decode(stop.rgb), stop.a);
}
