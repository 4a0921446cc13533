
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
  vec4 stop1 = texelFetch(side_fill_color_buffer, k == 0 ? n - 1 : k - 1);
  vec4 stop2 = texelFetch(side_fill_color_buffer, k == n ? 0 : k);
  if (k == 0) {
    stop1.a -= TWO_PI;
  }
  if (k == n) {
    stop2.a += TWO_PI;
  }

  float t = stop1.a != stop2.a ? (angle - stop1.a) / (stop2.a - stop1.a) : 0.0;
  t = interpolate_gradient ? smoothstep(0.0, 1.0, t) : round(t);

  vec3 color = mix(srgb_decode(stop1.rgb), srgb_decode(stop2.rgb), t);
  frag_color = vec4(srgb_encode(color), 1.0);
  gl_FragDepth = depth;
}
