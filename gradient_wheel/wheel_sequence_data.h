#pragma once

// The effect instance's sequence record as the wheel writes it: the pointer
// of the last mouse event and the selection after the last click or drag.

#include <cstdint>

#include "host_api/ae_effect.h"

struct GradientUiSequenceData {
  std::int32_t pointer_x;  // canvas pixels
  std::int32_t pointer_y;
  std::int32_t selected_stop;  // -1 for none
};
static_assert(sizeof(GradientUiSequenceData) == 12);

// The sequence record locked through the in-data utility callbacks for the
// lifetime of the object. Without sequence data, or with a record too small
// to hold the fields, nothing is written.
class SequenceDataLock {
 public:
  explicit SequenceDataLock(const PF_InData* in_data);
  ~SequenceDataLock();
  SequenceDataLock(const SequenceDataLock&) = delete;
  SequenceDataLock& operator=(const SequenceDataLock&) = delete;

  void set_pointer(std::int32_t x, std::int32_t y);
  void set_selected_stop(std::int32_t index);

 private:
  PF_UtilCallbacks* utils_ = nullptr;
  PF_Handle handle_ = nullptr;
  GradientUiSequenceData* record_ = nullptr;
};
