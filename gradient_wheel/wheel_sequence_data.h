#pragma once

// The effect instance's sequence record as the wheel writes it: the pointer
// of the last mouse event and the selection after the last click or drag.

#include <cstdint>
#include <optional>

#include "host_api/ae_effect.h"
#include "host_support/host_handles.h"

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

  void set_pointer(std::int32_t x, std::int32_t y);
  void set_selected_stop(std::int32_t index);

 private:
  std::optional<LockedHandle<PF_UtilCallbacks>> lock_;
  GradientUiSequenceData* record_ = nullptr;
};
