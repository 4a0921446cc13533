#include "gradient_wheel/gradient_arb_callbacks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "gradient_wheel/float_narrow.h"
#include "gradient_wheel/gradient_handle.h"
#include "gradient_wheel/gradient_value.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/reported_suite.h"

namespace {

PF_Err new_value(const PF_HandleSuite1* suite, PF_ArbitraryH* out) {
  if (out == nullptr) return PF_Err_NONE;
  const std::vector<std::byte> empty = GradientBlob::encode({});
  return arb_handle_from_bytes(suite, out, empty.data(), empty.size());
}

PF_Err dispose_value(const PF_HandleSuite1* suite, PF_ArbitraryH handle) {
  return arb_handle_dispose(suite, &handle);
}

PF_Err copy_value(const PF_HandleSuite1* suite, PF_ArbitraryH src, PF_ArbitraryH* dst) {
  if (dst == nullptr) return PF_Err_OUT_OF_MEMORY;
  // The destination's old value goes, unless it is the source itself.
  if (*dst != nullptr && *dst != src) {
    bool lockable = false;
    {
      const LockedHandle old(suite, *dst);
      lockable = static_cast<bool>(old);
    }
    if (lockable) suite->host_dispose_handle(*dst);
  }
  *dst = nullptr;
  if (src == nullptr) return PF_Err_NONE;  // a missing value copies as missing

  const A_HandleSize size = suite->host_get_handle_size(src);
  *dst = suite->host_new_handle(size);
  if (*dst == nullptr) return PF_Err_OUT_OF_MEMORY;
  const LockedHandle from(suite, src);
  const LockedHandle to(suite, *dst);
  if (!from || !to) return PF_Err_OUT_OF_MEMORY;
  std::memcpy(to.data(), from.data(), size);
  return PF_Err_NONE;
}

PF_Err flat_size(const PF_HandleSuite1* suite, PF_ArbitraryH handle, A_u_long* size_out) {
  if (size_out == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  if (handle == nullptr) return PF_Err_NONE;
  *size_out = static_cast<A_u_long>(suite->host_get_handle_size(handle));
  return PF_Err_NONE;
}

PF_Err flatten(const PF_HandleSuite1* suite, PF_ArbitraryH handle, A_u_long buffer_size,
               void* buffer) {
  if (buffer == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  if (handle == nullptr) return PF_Err_NONE;
  const LockedHandle locked(suite, handle);
  if (!locked) return PF_Err_OUT_OF_MEMORY;
  const A_HandleSize size = suite->host_get_handle_size(handle);
  if (size != buffer_size) return PF_Err_OUT_OF_MEMORY;
  std::memcpy(buffer, locked.data(), size);
  return PF_Err_NONE;
}

PF_Err unflatten(const PF_HandleSuite1* suite, A_u_long size, const void* bytes,
                 PF_ArbitraryH* out) {
  if (bytes == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  if (out == nullptr) return PF_Err_NONE;
  *out = suite->host_new_handle(size);
  if (*out == nullptr) return PF_Err_OUT_OF_MEMORY;
  const LockedHandle locked(suite, *out);
  if (!locked) return PF_Err_OUT_OF_MEMORY;
  std::memcpy(locked.data(), bytes, size);
  return PF_Err_NONE;
}

PF_Err compare(const PF_HandleSuite1* suite, PF_ArbitraryH a, PF_ArbitraryH b,
               PF_ArbCompareResult* result_out) {
  PF_ArbCompareResult result = PF_ArbCompare_NOT_EQUAL;
  if (a == b) {
    result = PF_ArbCompare_EQUAL;
  } else if (a != nullptr && b != nullptr) {
    const A_HandleSize size = suite->host_get_handle_size(a);
    if (size == suite->host_get_handle_size(b)) {
      const LockedHandle locked_a(suite, a);
      const LockedHandle locked_b(suite, b);
      // Without the bytes there is no answer to give.
      if (!locked_a || !locked_b) return PF_Err_OUT_OF_MEMORY;
      if (std::memcmp(locked_a.data(), locked_b.data(), size) == 0) result = PF_ArbCompare_EQUAL;
    }
  }
  if (result_out != nullptr) *result_out = result;
  return PF_Err_NONE;
}

// A stop at the given position coloured as the other value is there.
GradientPoint virtual_stop(const std::vector<GradientPoint>& other, double position) {
  const PF_PixelFloat c = gradient_color_at(other.size(), other.data(), position);
  return {position, c.alpha, c.red, c.green, c.blue};
}

double wrap_turn(double p) {
  return std::fmod(std::fmod(p, 1.0) + 1.0, 1.0);
}

GradientPoint interpolate_stop(const GradientPoint& a, const GradientPoint& b, double tF) {
  // The short way round; exactly half a turn goes forward.
  const double d = wrap_turn(b.position - a.position);
  const double p = d <= 0.5 ? a.position + d * tF : a.position - (1.0 - d) * tF;
  const float t = narrow_to_float(tF);
  return {wrap_turn(p), (b.alpha - a.alpha) * t + a.alpha, (b.red - a.red) * t + a.red,
          (b.green - a.green) * t + a.green, (b.blue - a.blue) * t + a.blue};
}

}  // namespace

PF_Err gradient_arb_callback(PF_InData* in_data, PF_ArbParamsExtra* extra) {
  if (extra == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  if (extra->which_function == PF_Arbitrary_INTERP_FUNC) {
    AEGP_SuiteHandler suites(in_data != nullptr ? in_data->pica_basicP : nullptr);
    auto& p = extra->u.interp_func_params;
    return gradient_interpolate(suites.HandleSuite1(), p.tF, &p.left_arbH, &p.right_arbH,
                                p.interpPH);
  }
  return arb_handle_dispatch(in_data, extra);
}

PF_Err arb_handle_dispatch(PF_InData* in_data, PF_ArbParamsExtra* extra) {
  if (extra == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  // No out_data here: a missing suite is only the damaged-struct code.
  ReportedSuite<PF_HandleSuite1> scoped(in_data, nullptr, kPFHandleSuite, kPFHandleSuiteVersion1);
  const PF_HandleSuite1* suite = scoped.get();
  if (suite == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;

  PF_Err err = PF_Err_NONE;
  auto& u = extra->u;
  switch (extra->which_function) {
    case PF_Arbitrary_NEW_FUNC:
      err = new_value(suite, u.new_func_params.arbPH);
      break;
    case PF_Arbitrary_DISPOSE_FUNC:
      err = dispose_value(suite, u.dispose_func_params.arbH);
      break;
    case PF_Arbitrary_COPY_FUNC:
      err = copy_value(suite, u.copy_func_params.src_arbH, u.copy_func_params.dst_arbPH);
      break;
    case PF_Arbitrary_FLAT_SIZE_FUNC:
      err =
          flat_size(suite, u.flat_size_func_params.arbH, u.flat_size_func_params.flat_data_sizePLu);
      break;
    case PF_Arbitrary_FLATTEN_FUNC:
      err = flatten(suite, u.flatten_func_params.arbH, u.flatten_func_params.buf_sizeLu,
                    u.flatten_func_params.flat_dataPV);
      break;
    case PF_Arbitrary_UNFLATTEN_FUNC:
      err = unflatten(suite, u.unflatten_func_params.buf_sizeLu,
                      u.unflatten_func_params.flat_dataPV, u.unflatten_func_params.arbPH);
      break;
    case PF_Arbitrary_COMPARE_FUNC:
      err = compare(suite, u.compare_func_params.a_arbH, u.compare_func_params.b_arbH,
                    u.compare_func_params.compareP);
      break;
    default:
      // Interpolation is answered by gradient_arb_callback; printing and
      // scanning are not offered.
      break;
  }
  const PF_Err release_err = scoped.release();
  return err != PF_Err_NONE ? err : release_err;
}

PF_Err gradient_interpolate(const PF_HandleSuite1* suite, PF_FpLong tF, PF_ArbitraryH* left,
                            PF_ArbitraryH* right, PF_ArbitraryH* result) {
  if (left == nullptr || right == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  const std::vector<GradientPoint> l = gradient_points_from_handle(suite, *left);
  const std::vector<GradientPoint> r = gradient_points_from_handle(suite, *right);
  const std::size_t n = std::max(l.size(), r.size());

  // Stops pair by stored index; a stop without a partner meets the other
  // gradient's colour at its own position.
  std::vector<GradientPoint> out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (i < l.size() && i < r.size()) {
      out.push_back(interpolate_stop(l[i], r[i], tF));
    } else if (i < l.size()) {
      out.push_back(interpolate_stop(l[i], virtual_stop(r, l[i].position), tF));
    } else {
      out.push_back(interpolate_stop(virtual_stop(l, r[i].position), r[i], tF));
    }
  }
  return gradient_points_to_handle(suite, result, out.size(), out.data());
}
