#pragma once

// What the effect takes from the host's AEGP suites for one command and
// must give back: effect references, streams and undo groups. Each is given
// back once: by give_back() on the normal path, its failure noted in the
// command's HostErrors, or by the destructor when a missing suite throws out
// of the command. The suite that gives an object back is acquired before the
// object is taken, so that nothing taken can be left without it.

#include <utility>

#include "host_api/aegp_suites.h"
#include "host_support/host_errors.h"

// Every AEGP call that takes a plug-in id is given 0.
inline constexpr AEGP_PluginID aegp_plugin_id = 0;

template <class Ref>
class HeldAegpObject {
 public:
  using Dispose = A_Err (*)(Ref);
  explicit HeldAegpObject(Dispose dispose) : dispose_(dispose) {}
  ~HeldAegpObject() {
    if (ref_ != nullptr) dispose_(ref_);
  }
  HeldAegpObject(const HeldAegpObject&) = delete;
  HeldAegpObject& operator=(const HeldAegpObject&) = delete;

  // Where the host writes the reference.
  Ref* out() { return &ref_; }
  Ref get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }

  void give_back(HostErrors& errors) {
    if (ref_ != nullptr) errors.note(dispose_(std::exchange(ref_, nullptr)));
  }

 private:
  Dispose dispose_;
  Ref ref_ = nullptr;
};

using HeldEffect = HeldAegpObject<AEGP_EffectRefH>;
using HeldStream = HeldAegpObject<AEGP_StreamRefH>;

// An undo group: once opened it is closed, whatever failed in between.
class HeldUndoGroup {
 public:
  explicit HeldUndoGroup(const AEGP_UtilitySuite11* suite) : suite_(suite) {}
  ~HeldUndoGroup() {
    if (open_) suite_->AEGP_EndUndoGroup();
  }
  HeldUndoGroup(const HeldUndoGroup&) = delete;
  HeldUndoGroup& operator=(const HeldUndoGroup&) = delete;

  // Opens the group (null: no name) while nothing has failed.
  void start(HostErrors& errors, const char* name) {
    errors.run([&] {
      const A_Err err = suite_->AEGP_StartUndoGroup(name);
      open_ = err == A_Err_NONE;
      return err;
    });
  }
  void end(HostErrors& errors) {
    if (open_) {
      open_ = false;
      errors.note(suite_->AEGP_EndUndoGroup());
    }
  }

 private:
  const AEGP_UtilitySuite11* suite_;
  bool open_ = false;
};
