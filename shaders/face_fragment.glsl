
#version 330

// Front or back cap: a flat colour, or the layer's own pixels under the face.

in vec2 p;

uniform bool inherit_layer_color;
uniform sampler2D in_tex;
uniform vec2 in_tex_offset;
uniform vec3 front_fill_color;
uniform bool inner_extrusion;

out vec4 frag_color;

// The layer's pixels blended linearly between the four texel centres around `position` (in
// layer pixels), the edge texels standing for the layer beyond its edge.
vec4 bilinear(vec2 position, ivec2 size) {
  vec2 below = position - 0.5;
  ivec2 corner = ivec2(floor(below));
  vec2 weight = below - floor(below);
  ivec2 lo = clamp(corner, ivec2(0), size - 1);
  ivec2 hi = clamp(corner + 1, ivec2(0), size - 1);
  vec4 bottom = mix(texelFetch(in_tex, lo, 0), texelFetch(in_tex, ivec2(hi.x, lo.y), 0), weight.x);
  vec4 top = mix(texelFetch(in_tex, ivec2(lo.x, hi.y), 0), texelFetch(in_tex, hi, 0), weight.x);
  return mix(bottom, top, weight.y);
}

void main() {
  if (inherit_layer_color) {
    ivec2 size = textureSize(in_tex, 0);
    vec2 layer_position = p - in_tex_offset;  // in layer pixels
    vec2 uv = layer_position / vec2(size);
    vec2 step_x = dFdx(layer_position);
    vec2 step_y = dFdy(layer_position);
    // Where the face shows the layer pixel for pixel, each fragment lies on a texel's centre:
    // the layer's pixels come through as they are.
    bool one_to_one = all(lessThan(abs(step_x - vec2(1.0, 0.0)), vec2(1e-3))) &&
                      all(lessThan(abs(step_y - vec2(0.0, 1.0)), vec2(1e-3)));
    // Where it enlarges the layer (supersampled), level 0 alone is read, blended between the
    // four nearest texels as plain linear filtering does. Anisotropic filtering has nothing to
    // do there, yet llvmpipe's takes in texels further away, and differently as the face moves
    // by whole pixels.
    bool enlarged = max(dot(step_x, step_x), dot(step_y, step_y)) <= 1.0;
    vec4 color;
    if (one_to_one) {
      color = texelFetch(in_tex, clamp(ivec2(floor(layer_position)), ivec2(0), size - 1), 0);
    } else if (enlarged) {
      color = bilinear(layer_position, size);
    } else {
      color = textureGrad(in_tex, uv, step_x / vec2(size), step_y / vec2(size));
    }
    // Outside the layer there is nothing to inherit, not its edge colour.
    bool inside = all(greaterThanEqual(uv, vec2(0.0))) && all(lessThanEqual(uv, vec2(1.0)));
    frag_color = inside ? color : vec4(0.0);
  } else {
    frag_color = vec4(front_fill_color, 1.0);
  }
  gl_FragDepth = inner_extrusion ? 1.0 : 0.0;
}
