// Costs of the GL layer: a thread's first context and programs, and moving a
// full-HD picture into a texture and back.

#include <benchmark/benchmark.h>

#include <thread>

#include "host/sim_host.h"
#include "renderer/pixel_transfer.h"
#include "renderer/render_state.h"

namespace {

void BM_FirstEnsureOnAThread(benchmark::State& state) {
  for (auto _ : state) {
    std::thread([] { benchmark::DoNotOptimize(ensure_local_render_data()); }).join();
  }
}
BENCHMARK(BM_FirstEnsureOnAThread)->Unit(benchmark::kMillisecond);

void BM_LaterEnsure(benchmark::State& state) {
  ensure_local_render_data();
  for (auto _ : state) benchmark::DoNotOptimize(ensure_local_render_data());
}
BENCHMARK(BM_LaterEnsure)->Unit(benchmark::kMicrosecond);

void BM_UploadAndReadBack(benchmark::State& state) {
  const int bitdepth = static_cast<int>(state.range(0));
  ensure_local_render_data();
  simhost::SimHost host;
  PF_InData in_data = host.make_in_data();
  const auto format =
      bitdepth == 8 ? simhost::PixelFormat::argb8 : simhost::PixelFormat::argb_float;
  simhost::World input(1920, 1080, format), output(1920, 1080, format);
  for (auto _ : state) {
    GlTexture texture(GL_TEXTURE_2D);
    upload_input_pixels(&in_data, static_cast<int16_t>(bitdepth), input.get(), texture);
    GlFramebuffer framebuffer;
    framebuffer.attach_texture(GL_COLOR_ATTACHMENT0, texture, 0);
    read_back_pixels(framebuffer, 0, 0, &in_data, static_cast<int16_t>(bitdepth), output.get());
  }
}
BENCHMARK(BM_UploadAndReadBack)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
