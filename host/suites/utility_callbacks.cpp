// The utility callbacks of in-data: fill, the handle callbacks and the ANSI
// sprintf and strcpy.

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

constexpr const char* utils_name = "utils";

PF_Err fill(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* rect,
            PF_EffectWorld* world) {
  HostCall call(utils_name, 0, "fill", effect_ref, color != nullptr ? *color : PF_Pixel{},
                rect != nullptr ? *rect : PF_Rect{}, world);
  if (call.host() == nullptr || world == nullptr || world->data == nullptr) {
    return call.result(PF_Err_BAD_CALLBACK_PARAM);
  }
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  const PF_Pixel c = color != nullptr ? *color : PF_Pixel{0, 0, 0, 0};
  const PF_Rect r = clip_to_world(rect, world);
  for (A_long y = r.top; y < r.bottom; ++y) {
    for (A_long x = r.left; x < r.right; ++x) {
      if (world->world_flags & PF_WorldFlag_FLOAT) {
        *pixel_at<PF_PixelFloat>(world, x, y) = to_float_pixel(c);
      } else if (world->world_flags & PF_WorldFlag_DEEP) {
        auto deep = [](A_u_char v) { return static_cast<A_u_short>((v * 32768 + 127) / 255); };
        *pixel_at<PF_Pixel16>(world, x, y) = {deep(c.alpha), deep(c.red), deep(c.green),
                                              deep(c.blue)};
      } else {
        *pixel_at<PF_Pixel8>(world, x, y) = c;
      }
    }
  }
  return call.result(PF_Err_NONE);
}

A_long ansi_sprintf(A_char* buffer, const A_char* format, ...) {
  va_list args;
  va_start(args, format);
  A_long n = 0;
  try {
    n = serve_vsprintf(utils_name, 0, buffer, format, args);
  } catch (...) {  // only a test's InjectedThrow comes through
    va_end(args);
    throw;
  }
  va_end(args);
  return n;
}

A_char* ansi_strcpy(A_char* dest, const A_char* src) {
  return serve_strcpy(utils_name, 0, dest, src);
}

PF_Handle new_handle(A_HandleSize size) {
  return serve_new_handle(utils_name, 0, size);
}
void* lock_handle(PF_Handle handle) {
  return serve_lock_handle(utils_name, 0, handle);
}
void unlock_handle(PF_Handle handle) {
  serve_unlock_handle(utils_name, 0, handle);
}
void dispose_handle(PF_Handle handle) {
  serve_dispose_handle(utils_name, 0, handle);
}
A_HandleSize get_handle_size(PF_Handle handle) {
  return serve_get_handle_size(utils_name, 0, handle);
}
PF_Err resize_handle(A_HandleSize size, PF_Handle* handle) {
  return serve_resize_handle(utils_name, 0, size, handle);
}

}  // namespace

// The host's message buffers hold PF_MAX_EFFECT_MSG_LEN characters; longer
// texts are cut there rather than written past the buffer.
// Variadic, so guarded here rather than by `guarded`: nothing is written
// when the record cannot be made.
A_long serve_vsprintf(const char* suite, int32_t version, A_char* buffer, const A_char* format,
                      va_list args) {
  try {
    HostCall call(suite, version, "sprintf", format);
    if (buffer == nullptr || format == nullptr) return call.result(0);
    const int n = std::vsnprintf(buffer, PF_MAX_EFFECT_MSG_LEN + 1, format, args);
    return call.result(std::min(n, PF_MAX_EFFECT_MSG_LEN));
  } catch (const InjectedThrow&) {
    throw;  // a test's throw goes through, as everywhere
  } catch (...) {
    return 0;
  }
}

A_char* serve_strcpy(const char* suite, int32_t version, A_char* dest, const A_char* src) {
  HostCall call(suite, version, "strcpy", src);
  if (dest == nullptr || src == nullptr) return dest;
  return std::strcpy(dest, src);
}

void install_utility_callbacks(PF_UtilCallbacks& utils) {
  utils.fill = guarded<fill>;
  utils.host_new_handle = guarded<new_handle>;
  utils.host_lock_handle = guarded<lock_handle>;
  utils.host_unlock_handle = guarded<unlock_handle>;
  utils.host_dispose_handle = guarded<dispose_handle>;
  utils.host_get_handle_size = guarded<get_handle_size>;
  utils.host_resize_handle = guarded<resize_handle>;
  utils.ansi.sprintf = ansi_sprintf;
  utils.ansi.strcpy = guarded<ansi_strcpy>;
}

}  // namespace simhost
