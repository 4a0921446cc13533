
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
    vec2 uv = (p - in_tex_offset) / vec2(textureSize(in_tex, 0));
    vec4 color = texture(in_tex, uv);
    // Outside the layer there is nothing to inherit, not its edge colour.
    bool inside = all(greaterThanEqual(uv, vec2(0.0))) && all(lessThanEqual(uv, vec2(1.0)));
    frag_color = inside ? color : vec4(0.0);
  } else {
    frag_color = vec4(front_fill_color, 1.0);
  }
  gl_FragDepth = inner_extrusion ? 1.0 : 0.0;
}
