#pragma once

// A host suite acquired for one call that reports instead of throwing: when
// it cannot be had, out_data gets PF_OutFlag_DISPLAY_ERROR_MESSAGE and "Not
// able to acquire AEFX Suite." and the suite's error is
// PF_Err_BAD_CALLBACK_PARAM; a release that fails gets "Not able to release
// AEFX Suite." the same way.

#include <cstdint>

#include "host_api/ae_effect.h"
#include "host_support/suite_scope.h"

inline constexpr const char* release_failed_message = "Not able to release AEFX Suite.";

template <class Suite>
class ReportedSuite {
 public:
  // `name` must outlive the object (suite names are string literals).
  ReportedSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version)
      : in_data_(in_data), out_data_(out_data), name_(name), version_(version) {
    const void* suite = nullptr;
    error_ = acquire_suite_reporting(in_data, out_data, name, version, &suite);
    suite_ = static_cast<const Suite*>(suite);
  }
  ~ReportedSuite() {
    give_back_quietly([&] { release(); });
  }
  ReportedSuite(const ReportedSuite&) = delete;
  ReportedSuite& operator=(const ReportedSuite&) = delete;

  // PF_Err_BAD_CALLBACK_PARAM when the suite could not be had.
  PF_Err error() const { return error_; }
  const Suite* get() const { return suite_; }
  const Suite* operator->() const { return suite_; }

  // Releases the suite now (once); the release's error, reported.
  PF_Err release() {
    if (suite_ == nullptr) return PF_Err_NONE;
    suite_ = nullptr;
    if (in_data_->pica_basicP->ReleaseSuite(name_, version_) == kSPNoError) return PF_Err_NONE;
    show_error_message(in_data_, out_data_, release_failed_message);
    return PF_Err_BAD_CALLBACK_PARAM;
  }

 private:
  PF_InData* in_data_;
  PF_OutData* out_data_;
  const char* name_;
  int32_t version_;
  const Suite* suite_ = nullptr;
  PF_Err error_ = PF_Err_NONE;
};
