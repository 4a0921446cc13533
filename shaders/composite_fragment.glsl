
#version 330

// Final picture: the supersampled fill resolved in linear light, the stroke
// laid over it; sRGB-encoded colour with straight alpha. Compiled a second
// time with SINGLE_SAMPLE defined for ssaa 1: a GPU that runs both sides of a
// branch on a uniform (llvmpipe does) then skips the resolve's sRGB maths.

in vec2 uv;

uniform int ssaa;
uniform ivec2 face_offset;
uniform sampler2D fill_tex;
uniform float fill_opacity;
uniform sampler2D outline_tex;
uniform vec3 stroke_color;
uniform float stroke_opacity;

out vec4 frag_color;

// One sample per pixel: decoding to linear light and encoding back would return its own colour.
void single_sample(ivec2 sample_at, out vec3 fill_color, out float fill_alpha) {
  vec4 texel = texelFetch(fill_tex, sample_at, 0);
  fill_color = texel.a != 0.0 ? texel.rgb : vec3(0.0);
  fill_alpha = texel.a;
}

void main() {
  vec2 resolution = vec2(textureSize(outline_tex, 0));
  ivec2 pixel = ivec2(floor(uv * resolution));
  float stroke_alpha = stroke_opacity * texture(outline_tex, uv).r;

  // face_offset is in output pixels; the fill holds ssaa x ssaa samples of each.
  ivec2 first_sample = (face_offset + pixel) * ssaa;
  vec3 fill_color;
  float fill_alpha;
#ifdef SINGLE_SAMPLE
  single_sample(first_sample, fill_color, fill_alpha);
#else
  if (ssaa == 1) {
    single_sample(first_sample, fill_color, fill_alpha);
  } else {
    vec4 sum = vec4(0.0);
    for (int y = 0; y < ssaa; ++y) {
      for (int x = 0; x < ssaa; ++x) {
        vec4 texel = texelFetch(fill_tex, first_sample + ivec2(x, y), 0);
        sum += vec4(srgb_decode(texel.rgb) * texel.a, texel.a);
      }
    }
    fill_alpha = sum.a / float(ssaa * ssaa);
    fill_color = sum.a != 0.0 ? srgb_encode(sum.rgb / sum.a) : vec3(0.0);
  }
#endif
  fill_alpha *= fill_opacity;

  float a = stroke_alpha + fill_alpha * (1.0 - stroke_alpha);
  if (a == 0.0) {
    frag_color = vec4(0.0);
  } else {
    vec3 color = (stroke_color * stroke_alpha + fill_color * fill_alpha * (1.0 - stroke_alpha)) / a;
    frag_color = vec4(color, a);
  }
}
