// Fragment prelude, put in after the version line of every *_fragment.glsl
// source when the sources are embedded.

float srgb_decode(float c) {
  return c < 0.04045 ? c / 12.92 : pow((c + 0.055) / 1.055, 2.4);
}

float srgb_encode(float c) {
  return c < 0.0031308 ? 12.92 * c : 1.055 * pow(c, 1.0 / 2.4) - 0.055;
}

vec3 srgb_decode(vec3 c) {
  return vec3(srgb_decode(c.r), srgb_decode(c.g), srgb_decode(c.b));
}

vec3 srgb_encode(vec3 c) {
  return vec3(srgb_encode(c.r), srgb_encode(c.g), srgb_encode(c.b));
}
