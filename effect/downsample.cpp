#include "effect/downsample.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double radians_per_degree = 0.017453292519943295;

double factor_of(const PF_RationalScale& scale) {
  return static_cast<double>(scale.num) / static_cast<double>(static_cast<uint32_t>(scale.den));
}

}  // namespace

bool Downsample::valid() const {
  return x > 0.0 && std::isfinite(x) && y > 0.0 && std::isfinite(y);
}

double Downsample::length() const {
  return x == y ? x : std::sqrt(x * y);
}

Downsample downsample_of(const PF_InData& in_data) {
  return {factor_of(in_data.downsample_x), factor_of(in_data.downsample_y)};
}

DownsampledDirection downsampled_direction(const Downsample& ds, double direction_deg) {
  if (ds.x == ds.y) return {direction_deg, ds.x};
  // The unit vector of the direction (y up, as the plan takes it), squeezed
  // by the factors: its angle is the new direction, its length the scale.
  const double theta = (90.0 - direction_deg) * radians_per_degree;
  const double x = std::cos(theta) * ds.x;
  const double y = std::sin(theta) * ds.y;
  return {90.0 - std::atan2(y, x) / radians_per_degree, std::hypot(x, y)};
}
