#pragma once

// Acquiring a host suite for the length of one scope, or by one reporting
// call. Either way a missing suite sets PF_OutFlag_DISPLAY_ERROR_MESSAGE and
// the message "Not able to acquire AEFX Suite." in out_data (when given); the
// scope then throws A_Err_MISSING_SUITE (13), the reporting call gives
// PF_Err_BAD_CALLBACK_PARAM (516) to its caller. Header-only, like the suite
// table, for every part of the plug-in.

#include <cstdint>
#include <cstdio>

#include "host_api/ae_effect.h"
#include "host_api/sp_basic_suite.h"
#include "host_support/give_back_quietly.h"

inline constexpr const char* missing_suite_message = "Not able to acquire AEFX Suite.";

// Asks the host to show `message` (through its sprintf when it has one).
inline void show_error_message(PF_InData* in_data, PF_OutData* out_data, const char* message) {
  if (out_data == nullptr) return;
  out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
  if (in_data != nullptr && in_data->utils != nullptr && in_data->utils->ansi.sprintf != nullptr) {
    in_data->utils->ansi.sprintf(out_data->return_msg, "%s", message);
  } else {
    std::snprintf(out_data->return_msg, sizeof out_data->return_msg, "%s", message);
  }
}

inline void report_missing_suite(PF_InData* in_data, PF_OutData* out_data) {
  show_error_message(in_data, out_data, missing_suite_message);
}

// Acquires the suite into *suite, or reports and gives 516. A suite acquired
// here is released by the caller with the same name and version.
inline PF_Err acquire_suite_reporting(PF_InData* in_data, PF_OutData* out_data, const char* name,
                                      int32_t version, const void** suite) {
  *suite = nullptr;
  SPBasicSuite* basic = in_data != nullptr ? in_data->pica_basicP : nullptr;
  if (basic != nullptr && basic->AcquireSuite(name, version, suite) == kSPNoError) {
    if (*suite != nullptr) return PF_Err_NONE;
    basic->ReleaseSuite(name, version);
  }
  *suite = nullptr;
  report_missing_suite(in_data, out_data);
  return PF_Err_BAD_CALLBACK_PARAM;
}

template <class Suite>
class SuiteScope {
 public:
  // `name` must outlive the scope (suite names are string literals).
  SuiteScope(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version)
      : basic_(in_data != nullptr ? in_data->pica_basicP : nullptr),
        name_(name),
        version_(version) {
    const void* suite = nullptr;
    if (acquire_suite_reporting(in_data, out_data, name, version, &suite) != PF_Err_NONE) {
      throw PF_Err{A_Err_MISSING_SUITE};
    }
    suite_ = static_cast<const Suite*>(suite);
  }
  ~SuiteScope() {
    give_back_quietly([&] { basic_->ReleaseSuite(name_, version_); });
  }
  SuiteScope(const SuiteScope&) = delete;
  SuiteScope& operator=(const SuiteScope&) = delete;

  const Suite* get() const { return suite_; }
  const Suite* operator->() const { return suite_; }

 private:
  SPBasicSuite* basic_;
  const char* name_;
  int32_t version_;
  const Suite* suite_ = nullptr;
};
