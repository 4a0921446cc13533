#include "host/instance/gradient_bytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace simhost {

namespace {

constexpr std::size_t count_bytes = 4;
constexpr std::size_t stop_bytes = 24;
static_assert(sizeof(GradientStop) == stop_bytes, "a stop is its 24 bytes, without padding");

}  // namespace

std::optional<std::vector<GradientStop>> gradient_stops(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < count_bytes) return std::nullopt;
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data(), count_bytes);
  const std::size_t n =
      std::min<std::size_t>(count / stop_bytes, (bytes.size() - count_bytes) / stop_bytes);
  std::vector<GradientStop> stops(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::memcpy(&stops[i], bytes.data() + count_bytes + stop_bytes * i, stop_bytes);
  }
  return stops;
}

std::vector<unsigned char> flat_gradient(const std::vector<GradientStop>& stops) {
  const auto count = static_cast<std::uint32_t>(stop_bytes * stops.size());
  std::vector<unsigned char> bytes(count_bytes + count + 1, 0);
  std::memcpy(bytes.data(), &count, count_bytes);
  for (std::size_t i = 0; i < stops.size(); ++i) {
    std::memcpy(bytes.data() + count_bytes + stop_bytes * i, &stops[i], stop_bytes);
  }
  return bytes;
}

}  // namespace simhost
