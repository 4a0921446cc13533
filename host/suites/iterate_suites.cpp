// "PF Iterate8 Suite" and "PF iterateFloat Suite": a callback per pixel of an
// area, rows split over a few threads as a real host does.

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

bool world_is_usable(const PF_EffectWorld* world, bool is_float) {
  return world != nullptr && world->data != nullptr && world->width >= 0 && world->height >= 0 &&
         ((world->world_flags & PF_WorldFlag_FLOAT) != 0) == is_float;
}

// Calls `pix_fn` for every pixel of the area. `in` is the source pixel, or
// the destination pixel when there is no source. An injected failure cancels
// after the first row.
template <class Pixel, class Func>
PF_Err iterate_world(HostCall& call, PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                     Func pix_fn, PF_EffectWorld* dst, bool is_float) {
  if (call.host() == nullptr || pix_fn == nullptr || !world_is_usable(dst, is_float)) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  if (src != nullptr &&
      (!world_is_usable(src, is_float) || src->width < dst->width || src->height < dst->height)) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PF_Rect r = clip_to_world(area, dst);
  if (r.left >= r.right || r.top >= r.bottom) return PF_Err_NONE;

  PF_Err cancel = PF_Err_NONE;
  A_long bottom = r.bottom;
  if (long err = call.injected()) {
    bottom = r.top + 1;
    cancel = static_cast<PF_Err>(err);
  }

  std::atomic<PF_Err> first_error{PF_Err_NONE};
  auto run_rows = [&](A_long y0, A_long y1) {
    for (A_long y = y0; y < y1; ++y) {
      if (first_error.load(std::memory_order_relaxed) != PF_Err_NONE) return;
      for (A_long x = r.left; x < r.right; ++x) {
        Pixel* out = pixel_at<Pixel>(dst, x, y);
        Pixel* in = src != nullptr ? pixel_at<Pixel>(src, x, y) : out;
        PF_Err err = pix_fn(refcon, x, y, in, out);
        if (err != PF_Err_NONE) {
          PF_Err expected = PF_Err_NONE;
          first_error.compare_exchange_strong(expected, err);
          return;
        }
      }
    }
  };

  const A_long rows = bottom - r.top;
  const A_long workers = std::min<A_long>(4, rows);
  if (workers <= 1) {
    run_rows(r.top, bottom);
  } else {
    std::vector<std::thread> threads;
    const A_long per = (rows + workers - 1) / workers;
    for (A_long y = r.top; y < bottom; y += per) {
      threads.emplace_back(run_rows, y, std::min(bottom, y + per));
    }
    for (std::thread& t : threads) t.join();
  }
  PF_Err err = first_error.load();
  return err != PF_Err_NONE ? err : cancel;
}

PF_Err iterate8(PF_InData*, A_long progress_base, A_long progress_final, PF_EffectWorld* src,
                const PF_Rect* area, void* refcon, PF_IteratePixel8Func pix_fn,
                PF_EffectWorld* dst) {
  HostCall call(kPFIterate8Suite, kPFIterate8SuiteVersion1, "iterate", progress_base,
                progress_final, src, area != nullptr ? *area : PF_Rect{}, dst);
  return call.result(
      iterate_world<PF_Pixel8>(call, src, area, refcon, pix_fn, dst, /*is_float=*/false));
}

PF_Err iterate_float(PF_InData*, A_long progress_base, A_long progress_final, PF_EffectWorld* src,
                     const PF_Rect* area, void* refcon, PF_IteratePixelFloatFunc pix_fn,
                     PF_EffectWorld* dst) {
  HostCall call(kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1, "iterate", progress_base,
                progress_final, src, area != nullptr ? *area : PF_Rect{}, dst);
  return call.result(
      iterate_world<PF_PixelFloat>(call, src, area, refcon, pix_fn, dst, /*is_float=*/true));
}

const PF_Iterate8Suite1 iterate8_suite = {guarded<iterate8>};
const PF_iterateFloatSuite1 iterate_float_suite = {guarded<iterate_float>};

}  // namespace

void install_iterate_suites(SimHost& host) {
  host.register_suite(kPFIterate8Suite, kPFIterate8SuiteVersion1, &iterate8_suite);
  host.register_suite(kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1, &iterate_float_suite);
}

}  // namespace simhost
