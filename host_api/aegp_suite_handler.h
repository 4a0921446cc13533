#pragma once

// The on-demand suite table: each suite is acquired from the basic suite the
// first time it is asked for and released when the table is destroyed. A
// suite that cannot be had throws PF_Err_BAD_CALLBACK_PARAM (516) as a PF_Err,
// which the command boundary returns to the host.

#include <cstdint>
#include <cstring>
#include <vector>

#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

class AEGP_SuiteHandler {
 public:
  explicit AEGP_SuiteHandler(const SPBasicSuite* basic) : basic_(basic) {}
  ~AEGP_SuiteHandler() {
    for (auto it = acquired_.rbegin(); it != acquired_.rend(); ++it) {
      basic_->ReleaseSuite(it->name, it->version);
    }
  }
  AEGP_SuiteHandler(const AEGP_SuiteHandler&) = delete;
  AEGP_SuiteHandler& operator=(const AEGP_SuiteHandler&) = delete;

  const PF_HandleSuite1* HandleSuite1() {
    return acquire<PF_HandleSuite1>(kPFHandleSuite, kPFHandleSuiteVersion1);
  }
  const PF_Iterate8Suite1* Iterate8Suite1() {
    return acquire<PF_Iterate8Suite1>(kPFIterate8Suite, kPFIterate8SuiteVersion1);
  }
  const PF_iterateFloatSuite1* IterateFloatSuite1() {
    return acquire<PF_iterateFloatSuite1>(kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1);
  }

  // `name` must outlive the table (the suite names are string literals).
  template <class Suite>
  const Suite* acquire(const char* name, int32_t version) {
    for (const Entry& entry : acquired_) {
      if (entry.version == version && std::strcmp(entry.name, name) == 0) {
        return static_cast<const Suite*>(entry.suite);
      }
    }
    if (basic_ == nullptr) throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
    const void* suite = nullptr;
    if (basic_->AcquireSuite(name, version, &suite) != kSPNoError) {
      throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
    }
    // Acquired, so released at the end even when the host gave no table.
    acquired_.push_back({name, version, suite});
    if (suite == nullptr) throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
    return static_cast<const Suite*>(suite);
  }

 private:
  struct Entry {
    const char* name;
    int32_t version;
    const void* suite;
  };
  const SPBasicSuite* basic_;
  std::vector<Entry> acquired_;
};
