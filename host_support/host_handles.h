#pragma once

// Owners of host memory handles ("PF Handle Suite"): one made for a scope and
// disposed of with it, one locked for a scope, and the two together for a
// buffer the plug-in fills and gives back within one call.

#include <cstddef>
#include <utility>

#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"
#include "host_support/give_back_quietly.h"

// A host handle made for the lifetime of the object and disposed of with it,
// unless release() handed it over to the host first.
class ScopedHandle {
 public:
  ScopedHandle(const PF_HandleSuite1* suite, A_HandleSize size)
      : suite_(suite), handle_(suite->host_new_handle(size)) {}
  ~ScopedHandle() {
    if (handle_ != nullptr) give_back_quietly([&] { suite_->host_dispose_handle(handle_); });
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  PF_Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Gives up ownership: the handle now belongs to whoever keeps it.
  PF_Handle release() { return std::exchange(handle_, nullptr); }

 private:
  const PF_HandleSuite1* suite_;
  PF_Handle handle_;
};

// A handle locked for the lifetime of the object; unlocked only when the lock
// succeeded, since an unlock without its lock could undo another holder's.
// Locked through the handle suite or the in-data utility callbacks
// (PF_UtilCallbacks), which lock and unlock alike.
template <class Handles = PF_HandleSuite1>
class LockedHandle {
 public:
  LockedHandle(const Handles* suite, PF_Handle handle)
      : suite_(suite),
        handle_(handle),
        data_(handle != nullptr ? suite->host_lock_handle(handle) : nullptr) {}
  ~LockedHandle() {
    if (data_ != nullptr) give_back_quietly([&] { suite_->host_unlock_handle(handle_); });
  }
  LockedHandle(const LockedHandle&) = delete;
  LockedHandle& operator=(const LockedHandle&) = delete;

  explicit operator bool() const { return data_ != nullptr; }
  std::byte* data() const { return static_cast<std::byte*>(data_); }
  template <typename T>
  T* data_as() const {
    return static_cast<T*>(data_);
  }

 private:
  const Handles* suite_;
  PF_Handle handle_;
  void* data_;
};

// A new handle, locked while the object lives, then unlocked and disposed of
// on every way out, an exception included. data() is null when the handle
// could not be made or locked.
class LockedScopedHandle {
 public:
  LockedScopedHandle(const PF_HandleSuite1* suite, A_HandleSize size)
      : owner_(suite, size), lock_(suite, owner_.get()) {}

  explicit operator bool() const { return static_cast<bool>(lock_); }
  std::byte* data() const { return lock_.data(); }
  template <typename T>
  T* data_as() const {
    return lock_.data_as<T>();
  }

 private:
  ScopedHandle owner_;  // disposed of after the lock below is undone
  LockedHandle<> lock_;
};
