#pragma once

// One error code through a run of host calls within a command: a call runs
// only while nothing has failed, the first failure is the result, and the
// give-backs (disposals, the end of an undo group) run in any case, their
// failure counting only when nothing failed before.

#include "host_api/ae_effect.h"

class HostErrors {
 public:
  explicit HostErrors(PF_Err first = PF_Err_NONE) : code_(first) {}

  bool ok() const { return code_ == PF_Err_NONE; }
  PF_Err code() const { return code_; }
  // A result; only the first failure stays.
  void note(PF_Err result) {
    if (code_ == PF_Err_NONE) code_ = result;
  }
  // Makes the call only while nothing has failed, and notes its result.
  template <class Call>
  void run(Call&& call) {
    if (ok()) note(call());
  }

 private:
  PF_Err code_;
};
