#include "gradient_wheel/gradient_handle.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <span>

std::vector<GradientPoint> gradient_points_from_handle(const PF_HandleSuite1* suite,
                                                       PF_Handle handle) {
  return gradient_points_if_readable(suite, handle).value_or(std::vector<GradientPoint>{});
}

namespace {

// The stops of a handle that is there, read while it is locked, its size
// bounding the read (a damaged count must not lead past the end); nothing
// when it cannot be locked, or when `whole` and its byte count claims more
// bytes than it holds.
std::optional<std::vector<GradientPoint>> locked_points(const PF_HandleSuite1* suite,
                                                        PF_Handle handle, bool whole) {
  const LockedHandle locked(suite, handle);
  if (!locked) return std::nullopt;
  const auto size = static_cast<std::size_t>(suite->host_get_handle_size(handle));
  if (whole) {
    if (size < GradientBlob::count_size) return std::nullopt;
    std::uint32_t count = 0;
    std::memcpy(&count, locked.data(), sizeof count);
    if (count > size - GradientBlob::count_size) return std::nullopt;
  }
  return GradientBlob::decode({locked.data(), size});
}

}  // namespace

std::optional<std::vector<GradientPoint>> gradient_points_if_readable(const PF_HandleSuite1* suite,
                                                                      PF_Handle handle) {
  if (handle == nullptr) return std::vector<GradientPoint>{};
  if (suite == nullptr) return std::nullopt;
  return locked_points(suite, handle, false);
}

std::optional<std::vector<GradientPoint>> gradient_points_if_whole(const PF_HandleSuite1* suite,
                                                                   PF_Handle handle) {
  if (handle == nullptr || suite == nullptr) return std::nullopt;
  return locked_points(suite, handle, true);
}

PF_Err gradient_points_to_handle(const PF_HandleSuite1* suite, PF_Handle* handle_out, std::size_t n,
                                 const GradientPoint* points) {
  if (n == 0 || points == nullptr) return PF_Err_NONE;
  // The byte count is 32 bits wide.
  if (n > std::numeric_limits<std::uint32_t>::max() / GradientBlob::point_size) {
    return PF_Err_OUT_OF_MEMORY;
  }
  const std::vector<std::byte> bytes = GradientBlob::encode({points, n});
  return arb_handle_from_bytes(suite, handle_out, bytes.data(), bytes.size());
}

PF_Err arb_handle_from_bytes(const PF_HandleSuite1* suite, PF_Handle* handle_out, const void* bytes,
                             std::size_t n) {
  if (handle_out == nullptr) return PF_Err_NONE;
  if (suite == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *handle_out = suite->host_new_handle(n + 1);
  if (*handle_out == nullptr) return PF_Err_OUT_OF_MEMORY;
  const LockedHandle locked(suite, *handle_out);
  if (!locked) return PF_Err_OUT_OF_MEMORY;
  std::memset(locked.data(), 0, n + 1);
  if (bytes != nullptr && n > 0) std::memcpy(locked.data(), bytes, n);
  return PF_Err_NONE;
}

PF_Err arb_handle_dispose(const PF_HandleSuite1* suite, PF_Handle* handle) {
  if (handle == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  if (suite == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (*handle != nullptr) {
    suite->host_unlock_handle(*handle);
    suite->host_dispose_handle(*handle);
  }
  // Nothing may reach the disposed handle through the variable.
  *handle = nullptr;
  return PF_Err_NONE;
}
