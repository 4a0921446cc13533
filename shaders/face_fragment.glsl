
#version 330

// Front or back cap: a flat colour, or the layer's own pixels under the face.

in vec2 p;

uniform bool inherit_layer_color;
uniform sampler2D in_tex;
uniform vec2 in_tex_offset;
uniform vec3 front_fill_color;
uniform bool inner_extrusion;

out vec4 frag_color;

void main() {
  if (inherit_layer_color) {
    ivec2 size = textureSize(in_tex, 0);
    vec2 layer_position = p - in_tex_offset;  // in layer pixels
    vec2 uv = layer_position / vec2(size);
    vec4 filtered = texture(in_tex, uv);
    // Where the face shows the layer pixel for pixel, each fragment lies on a texel's centre:
    // the layer's pixels come through as they are, which anisotropic filtering need not keep.
    vec2 step_x = dFdx(layer_position);
    vec2 step_y = dFdy(layer_position);
    bool one_to_one = all(lessThan(abs(step_x - vec2(1.0, 0.0)), vec2(1e-3))) &&
                      all(lessThan(abs(step_y - vec2(0.0, 1.0)), vec2(1e-3)));
    // Outside the layer there is nothing to inherit, not its edge colour.
    bool inside = all(greaterThanEqual(uv, vec2(0.0))) && all(lessThanEqual(uv, vec2(1.0)));
    ivec2 texel = clamp(ivec2(floor(layer_position)), ivec2(0), size - 1);
    vec4 color = one_to_one ? texelFetch(in_tex, texel, 0) : filtered;
    frag_color = inside ? color : vec4(0.0);
  } else {
    frag_color = vec4(front_fill_color, 1.0);
  }
  gl_FragDepth = inner_extrusion ? 1.0 : 0.0;
}
