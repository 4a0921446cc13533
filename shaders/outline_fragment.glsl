
#version 330

// Stroke coverage: the area of the pixel inside a band of stroke_width around
// the edge, kept only where the edge is not behind the faces and walls.
// Distances are in output pixels.

in vec2 p1;
in vec2 p2;
in vec2 p;
in float depth;

uniform float stroke_width;
uniform vec2 resolution;
uniform bool is_vanishing_mode;
uniform vec2 output_vanishing_point;
uniform int ssaa;
uniform ivec2 face_offset;
uniform sampler2D depth_tex;

out float frag_color;

// Area of a unit pixel on the inner side of a straight line with unit normal
// n at signed distance e from the pixel centre.
float square_line(vec2 n, float e) {
  n = abs(n);
  if (n.x < n.y) {
    n = n.yx;
  }
  float a = abs(e);
  float b;
  if (n.y != 0.0 && n.x - n.y <= 2.0 * a) {
    vec2 c = 1.0 + (n - 2.0 * a) / n.yx;
    b = 1.0 - max(c.x, 0.0) * c.y / 8.0;
  } else {
    b = min(0.5 + a / n.x, 1.0);
  }
  return e < 0.0 ? 1.0 - b : b;
}

// The same averaged over every line direction, for a flat distance field.
float average(float e) {
  float a = abs(e);
  float b = 1.0;
  if (a < 0.70710678) {
    b = clamp(4.1434218 * pow(a, 12.647891) - 1.3070394 * pow(a, 3.9787831) + 1.0998631 * a +
                  0.5012205,
              0.0, 1.0);
  }
  return e < 0.0 ? 1.0 - b : b;
}

// Fraction of the pixel where the signed distance s is below 0.
float cover(float s, vec2 g) {
  if (g.x == 0.0 && g.y == 0.0) {
    return average(-s);
  }
  return square_line(normalize(g), -s);
}

void main() {
  vec2 ab = p2 - p1;
  float length_squared = dot(ab, ab);
  float t = length_squared > 0.0 ? clamp(dot(p - p1, ab) / length_squared, 0.0, 1.0) : 0.0;
  vec2 away = (p - p1) - ab * t;
  float d = length(away);

  // The distance grows away from the nearest point of the edge; on the edge itself, along its
  // normal. Differences across the 2 x 2 pixels GL shades together would fold where those
  // pixels lie on both sides of the edge, which depends on where the edge sits on their grid.
  vec2 g = d > 0.0 ? away : vec2(-ab.y, ab.x);
  float inner = d - stroke_width / 2.0;
  float outer = d + stroke_width / 2.0;
  float coverage = cover(inner, g) - cover(outer, g);

  // Near the vanishing point the walls thin to nothing; test the depth a
  // little off its row, on the edge itself.
  vec2 sample_point = p;
  if (is_vanishing_mode && p.x < output_vanishing_point.x &&
      abs(p.y - output_vanishing_point.y) < stroke_width * 0.5 + 1.0) {
    sample_point = mix(p1, p2, t);
    sample_point.x = clamp(sample_point.x, 0.5, resolution.x - 0.5);
    float vy = output_vanishing_point.y;
    if (abs(max(p1.y, p2.y) - vy) >= abs(min(p1.y, p2.y) - vy)) {
      sample_point.y = max(sample_point.y, round(vy + 0.1) + 0.5);
    } else {
      sample_point.y = min(sample_point.y, round(vy - 0.1) - 0.5);
    }
  }
  // face_offset is in output pixels, the depth in samples.
  ivec2 sample_texel = face_offset * ssaa + ivec2(sample_point * float(ssaa));
  float face_depth = texelFetch(depth_tex, sample_texel, 0).r;
  if (depth > face_depth) {
    discard;
  }
  frag_color = coverage;
}
