// The colour ring of the wheel: 360 samples of the gradient per drawing.

#include <benchmark/benchmark.h>

#include <vector>

#include "gradient_wheel/gradient_value.h"

namespace {

std::vector<GradientPoint> evenly_spaced(int n) {
  std::vector<GradientPoint> points;
  for (int i = 0; i < n; ++i) {
    const float c = static_cast<float>(i) / static_cast<float>(n);
    points.push_back({(i * 7 % n) / static_cast<double>(n), 1.0f, c, 1.0f - c, 0.5f});
  }
  return points;
}

void BM_GradientRing(benchmark::State& state) {
  const std::vector<GradientPoint> points = evenly_spaced(static_cast<int>(state.range(0)));
  const bool interpolate = state.range(1) != 0;
  for (auto _ : state) {
    for (int i = 0; i < 360; ++i) {
      const double q = 1.0 - static_cast<float>(i) / 360.0f;
      benchmark::DoNotOptimize(gradient_sample(points.size(), points.data(), q, interpolate));
    }
  }
}
BENCHMARK(BM_GradientRing)->ArgsProduct({{3, 32}, {0, 1}});

}  // namespace
