#include "gradient_wheel/gradient_value.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>

#include "gradient_wheel/float_narrow.h"

// Stops are copied to and from the flattened bytes as they lie in memory.
static_assert(std::endian::native == std::endian::little);

namespace {

// Sort key of the lookups. NaN positions (only a damaged value has them) go
// last so that the order stays strict and the sort stays in bounds.
bool position_before(const GradientPoint& a, const GradientPoint& b) {
  if (std::isnan(a.position)) return false;
  return std::isnan(b.position) || a.position < b.position;
}

std::vector<GradientPoint> sorted_copy(std::size_t n, const GradientPoint* points) {
  std::vector<GradientPoint> copy;
  if (points != nullptr) copy.assign(points, points + n);
  std::stable_sort(copy.begin(), copy.end(), position_before);
  return copy;
}

PF_PixelFloat color_of(const GradientPoint& p) {
  PF_PixelFloat c{};
  c.alpha = p.alpha;
  c.red = p.red;
  c.green = p.green;
  c.blue = p.blue;
  return c;
}

PF_PixelFloat mix(const GradientPoint& from, const GradientPoint& to, float t) {
  PF_PixelFloat c{};
  c.alpha = (to.alpha - from.alpha) * t + from.alpha;
  c.red = (to.red - from.red) * t + from.red;
  c.green = (to.green - from.green) * t + from.green;
  c.blue = (to.blue - from.blue) * t + from.blue;
  return c;
}

// Linear lookup on two or more stops sorted by position. The segment from the last stop
// to the first is raised by one turn, and so is the asked position once it
// falls below a stop, so that the wrap is covered.
PF_PixelFloat color_on_sorted(const std::vector<GradientPoint>& s, double q) {
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = (i + 1) % n;
    const double a = s[i].position;
    double b = s[j].position;
    if (a > b) b += 1.0;
    if (a > q) q += 1.0;
    if (a <= q && q <= b) {
      // A segment of zero length has no weight to speak of: take its first stop.
      const float t = b > a ? narrow_to_float((q - a) / (b - a)) : 0.0f;
      return mix(s[i], s[j], t);
    }
  }
  return PF_PixelFloat{};
}

// Distance on the circle, also for positions more than a turn apart.
double cyclic_distance(double p, double q) {
  const double d = std::fmod(std::fabs(p - q), 1.0);
  return std::min(d, 1.0 - d);
}

// Nearest stop on two or more stops sorted by position.
PF_PixelFloat nearest_on_sorted(const std::vector<GradientPoint>& s, double q) {
  double wrapped = q;
  if (q < 0.0) {
    wrapped = q + 1.0;
  } else if (q > 1.0) {
    wrapped = q - 1.0;
  }
  const auto above = std::find_if(
      s.begin(), s.end(), [wrapped](const GradientPoint& p) { return p.position > wrapped; });
  const GradientPoint* upper = &s.front();
  const GradientPoint* lower = &s.back();
  if (above != s.end()) {
    upper = &*above;
    if (above != s.begin()) lower = &*(above - 1);
  }
  double lower_position = lower->position;
  if (lower_position == upper->position) lower_position += 0.0001;
  // A tie goes to the lower neighbour.
  if (cyclic_distance(upper->position, q) < cyclic_distance(lower_position, q)) {
    return color_of(*upper);
  }
  return color_of(*lower);
}

// A list with no segment to look in has one colour everywhere: a single
// stop's own, exactly (without the display's gamma steps), and for an empty
// value, which has no colour of its own, opaque white. Nothing for two
// stops or more.
std::optional<PF_PixelFloat> uniform_color(const std::vector<GradientPoint>& s) {
  if (s.empty()) return PF_PixelFloat{1.0f, 1.0f, 1.0f, 1.0f};
  if (s.size() == 1) return color_of(s.front());
  return std::nullopt;
}

float power(float channel, double exponent) {
  return narrow_to_float(std::pow(static_cast<double>(channel), exponent));
}

}  // namespace

std::vector<std::byte> GradientBlob::encode(std::span<const GradientPoint> points) {
  std::vector<std::byte> bytes(count_size + point_size * points.size());
  const auto count = static_cast<std::uint32_t>(point_size * points.size());
  std::memcpy(bytes.data(), &count, count_size);
  if (!points.empty()) {
    std::memcpy(bytes.data() + count_size, points.data(), point_size * points.size());
  }
  return bytes;
}

std::vector<GradientPoint> GradientBlob::decode(std::span<const std::byte> bytes) {
  if (bytes.size() < count_size) return {};
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data(), count_size);
  const std::size_t n =
      std::min<std::size_t>(count / point_size, (bytes.size() - count_size) / point_size);
  std::vector<GradientPoint> points(n);
  if (n > 0) std::memcpy(points.data(), bytes.data() + count_size, n * point_size);
  return points;
}

PF_PixelFloat gradient_color_at(std::size_t n, const GradientPoint* points, double position) {
  const std::vector<GradientPoint> s = sorted_copy(n, points);
  if (const std::optional<PF_PixelFloat> c = uniform_color(s)) return *c;
  return color_on_sorted(s, position);
}

PF_PixelFloat gradient_sample(std::size_t n, const GradientPoint* points, double position,
                              bool interpolate) {
  std::vector<GradientPoint> s = sorted_copy(n, points);
  if (const std::optional<PF_PixelFloat> c = uniform_color(s)) return *c;
  for (GradientPoint& p : s) {
    p.red = power(p.red, 2.22);
    p.green = power(p.green, 2.22);
    p.blue = power(p.blue, 2.22);
  }

  PF_PixelFloat c = interpolate ? color_on_sorted(s, position) : nearest_on_sorted(s, position);

  c.red = power(c.red, 0.4545);
  c.green = power(c.green, 0.4545);
  c.blue = power(c.blue, 0.4545);
  return c;
}
