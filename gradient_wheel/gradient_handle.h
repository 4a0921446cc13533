#pragma once

// The "Gradient Wheel" value in a host handle, read and written through the
// host's "PF Handle Suite" (version 2, acquired by the caller).

#include <cstddef>
#include <vector>

#include "gradient_wheel/gradient_value.h"
#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

// The stops that the handle holds, in stored order. Empty for a null handle,
// a handle that cannot be locked, a count of 0, or fewer than 4 bytes; a
// count that claims more stops than the handle holds reads as the whole
// stops present.
std::vector<GradientPoint> gradient_points_from_handle(const PF_HandleSuite1* suite,
                                                       PF_Handle handle);

// Stores a new handle holding the n stops in *handle_out (see
// arb_handle_from_bytes); the handle that *handle_out held is not disposed
// of. With no stops nothing is written and the result is 0.
PF_Err gradient_points_to_handle(const PF_HandleSuite1* suite, PF_Handle* handle_out, std::size_t n,
                                 const GradientPoint* points);

// Stores a new handle of n + 1 bytes in *handle_out: the n bytes (zeros when
// bytes is null) and a trailing zero byte. 0 without a handle variable;
// PF_Err_OUT_OF_MEMORY when the handle cannot be made or locked (a handle
// that could not be locked stays in *handle_out, unfilled).
PF_Err arb_handle_from_bytes(const PF_HandleSuite1* suite, PF_Handle* handle_out, const void* bytes,
                             std::size_t n);

// Unlocks and disposes of *handle and sets the variable to null.
// PF_Err_INTERNAL_STRUCT_DAMAGED without a handle variable.
PF_Err arb_handle_dispose(const PF_HandleSuite1* suite, PF_Handle* handle);

// A host handle made for the lifetime of the object and disposed of with it.
class ScopedHandle {
 public:
  ScopedHandle(const PF_HandleSuite1* suite, A_HandleSize size)
      : suite_(suite), handle_(suite->host_new_handle(size)) {}
  ~ScopedHandle() {
    if (handle_ != nullptr) suite_->host_dispose_handle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  PF_Handle get() const { return handle_; }

 private:
  const PF_HandleSuite1* suite_;
  PF_Handle handle_;
};

// A handle locked for the lifetime of the object; unlocked only when the lock
// succeeded, since an unlock without its lock could undo another holder's.
class LockedHandle {
 public:
  LockedHandle(const PF_HandleSuite1* suite, PF_Handle handle)
      : suite_(suite),
        handle_(handle),
        data_(handle != nullptr ? suite->host_lock_handle(handle) : nullptr) {}
  ~LockedHandle() {
    if (data_ != nullptr) suite_->host_unlock_handle(handle_);
  }
  LockedHandle(const LockedHandle&) = delete;
  LockedHandle& operator=(const LockedHandle&) = delete;

  explicit operator bool() const { return data_ != nullptr; }
  std::byte* data() const { return static_cast<std::byte*>(data_); }

 private:
  const PF_HandleSuite1* suite_;
  PF_Handle handle_;
  void* data_;
};
