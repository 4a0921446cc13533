#include "host/instance/gradient_bytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace simhost {

namespace {

constexpr std::size_t kCountBytes = 4;
constexpr std::size_t kStopBytes = 24;
static_assert(sizeof(GradientStop) == kStopBytes, "a stop is its 24 bytes, without padding");

}  // namespace

std::optional<std::vector<GradientStop>> gradient_stops(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < kCountBytes) return std::nullopt;
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data(), kCountBytes);
  const std::size_t n =
      std::min<std::size_t>(count / kStopBytes, (bytes.size() - kCountBytes) / kStopBytes);
  std::vector<GradientStop> stops(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::memcpy(&stops[i], bytes.data() + kCountBytes + kStopBytes * i, kStopBytes);
  }
  return stops;
}

std::vector<unsigned char> flat_gradient(const std::vector<GradientStop>& stops) {
  const auto count = static_cast<std::uint32_t>(kStopBytes * stops.size());
  std::vector<unsigned char> bytes(kCountBytes + count + 1, 0);
  std::memcpy(bytes.data(), &count, kCountBytes);
  for (std::size_t i = 0; i < stops.size(); ++i) {
    std::memcpy(bytes.data() + kCountBytes + kStopBytes * i, &stops[i], kStopBytes);
  }
  return bytes;
}

}  // namespace simhost
