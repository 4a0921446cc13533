#include "gradient_wheel/wheel_sequence_data.h"

SequenceDataLock::SequenceDataLock(const PF_InData* in_data) {
  if (in_data == nullptr || in_data->sequence_data == nullptr || in_data->utils == nullptr) return;
  const PF_UtilCallbacks* utils = in_data->utils;
  if (utils->host_lock_handle == nullptr || utils->host_unlock_handle == nullptr) return;
  lock_.emplace(utils, in_data->sequence_data);
  if (!*lock_) return;
  // A record of another size (an older or damaged one) is left alone.
  const bool fits =
      utils->host_get_handle_size == nullptr ||
      utils->host_get_handle_size(in_data->sequence_data) >= sizeof(GradientUiSequenceData);
  if (fits) record_ = lock_->data_as<GradientUiSequenceData>();
}

void SequenceDataLock::set_pointer(std::int32_t x, std::int32_t y) {
  if (record_ == nullptr) return;
  record_->pointer_x = x;
  record_->pointer_y = y;
}

void SequenceDataLock::set_selected_stop(std::int32_t index) {
  if (record_ != nullptr) record_->selected_stop = index;
}
