
#version 330

// Side walls: colour from the cyclic stops by the angle of the wall's normal.
// Stops are texels (r, g, b, angle in radians), sorted by ascending angle in
// [0, 2pi).

const float PI = 3.1415927;
const float TWO_PI = 2.0 * PI;

in vec2 normal;
flat in float depth;

uniform samplerBuffer side_fill_color_buffer;
uniform bool interpolate_gradient;

// Compiled a second time with DECODED_STOPS defined: the stops' colours come already in linear
// light from decoded_side_fill (side_fill_decode_fragment.glsl, the same decoding), one texel
// per stop in the same order.
#ifdef DECODED_STOPS
uniform sampler2D decoded_side_fill;

vec4 stop_at(int index) {
  return texelFetch(decoded_side_fill, ivec2(index, 0), 0);
}

vec3 linear_light(vec3 stop_color) {
  return stop_color;
}
#else
vec4 stop_at(int index) {
  return texelFetch(side_fill_color_buffer, index);
}

vec3 linear_light(vec3 stop_color) {
  return srgb_decode(stop_color);
}
#endif

out vec4 frag_color;

void main() {
  int n = textureSize(side_fill_color_buffer);
  // Without stops there is no colour to give: the wall is not drawn.
  if (n == 0) {
    discard;
  }

  // atan(0, 0) is undefined; a wall that has shrunk to nothing takes angle 0.
  float angle = (normal.x == 0.0 && normal.y == 0.0) ? 0.0 : atan(normal.y, normal.x);
  if (angle < 0.0) {
    angle += TWO_PI;
  }
  if (angle >= TWO_PI) {
    angle -= TWO_PI;
  }

  int k = 0;
  while (k < n && texelFetch(side_fill_color_buffer, k).a < angle) {
    ++k;
  }
  // The stops on either side of the angle; past either end the circle closes
  // across 2pi. Each is fetched once, whichever case holds.
  vec4 stop1 = stop_at(k == 0 ? n - 1 : k - 1);
  vec4 stop2 = stop_at(k == n ? 0 : k);
  if (k == 0) {
    stop1.a -= TWO_PI;
  }
  if (k == n) {
    stop2.a += TWO_PI;
  }

  float t = stop1.a != stop2.a ? (angle - stop1.a) / (stop2.a - stop1.a) : 0.0;
  t = interpolate_gradient ? smoothstep(0.0, 1.0, t) : round(t);

  vec3 color = mix(linear_light(stop1.rgb), linear_light(stop2.rgb), t);
  frag_color = vec4(srgb_encode(color), 1.0);
  gl_FragDepth = depth;
}
