#include "gradient_wheel/wheel_sequence_data.h"

SequenceDataLock::SequenceDataLock(const PF_InData* in_data) {
  if (in_data == nullptr || in_data->sequence_data == nullptr || in_data->utils == nullptr) return;
  utils_ = in_data->utils;
  if (utils_->host_lock_handle == nullptr || utils_->host_unlock_handle == nullptr) return;
  handle_ = in_data->sequence_data;
  void* bytes = utils_->host_lock_handle(handle_);
  if (bytes == nullptr) {
    handle_ = nullptr;
    return;
  }
  // A record of another size (an older or damaged one) is left alone.
  const bool fits = utils_->host_get_handle_size == nullptr ||
                    utils_->host_get_handle_size(handle_) >= sizeof(GradientUiSequenceData);
  if (fits) record_ = static_cast<GradientUiSequenceData*>(bytes);
}

SequenceDataLock::~SequenceDataLock() {
  if (handle_ != nullptr) utils_->host_unlock_handle(handle_);
}

void SequenceDataLock::set_pointer(std::int32_t x, std::int32_t y) {
  if (record_ == nullptr) return;
  record_->pointer_x = x;
  record_->pointer_y = y;
}

void SequenceDataLock::set_selected_stop(std::int32_t index) {
  if (record_ != nullptr) record_->selected_stop = index;
}
