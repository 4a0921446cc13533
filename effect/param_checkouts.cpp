#include "effect/param_checkouts.h"

#include <algorithm>

#include "host_support/give_back_quietly.h"

namespace {

bool among(std::initializer_list<PF_ParamIndex> slots, PF_ParamIndex index) {
  return std::find(slots.begin(), slots.end(), index) != slots.end();
}

}  // namespace

ParamCheckouts::ParamCheckouts(PF_InData* in_data, HostErrors& errors,
                               std::initializer_list<PF_ParamIndex> left_out,
                               std::initializer_list<PF_ParamIndex> kept)
    : in_data_(in_data), errors_(errors) {
  // The destructor does not run for a constructor that throws.
  try {
    check_out_all(left_out, kept);
  } catch (...) {
    check_in_all_quietly();
    throw;
  }
}

ParamCheckouts::~ParamCheckouts() {
  check_in_all_quietly();
}

void ParamCheckouts::check_out_all(std::initializer_list<PF_ParamIndex> left_out,
                                   std::initializer_list<PF_ParamIndex> kept) {
  const PF_InteractCallbacks& inter = in_data_->inter;
  for (PF_ParamIndex i = slot::about_group_end; i < slot::count; ++i) {
    if (among(left_out, i) || !errors_.ok()) continue;
    const PF_Err checkout =
        inter.checkout_param(in_data_->effect_ref, i, in_data_->current_time, in_data_->time_step,
                             in_data_->time_scale, &params_[i]);
    errors_.note(checkout);
    out_.set(i);
    if (among(kept, i)) {
      kept_.set(i);
      readable_.set(i, checkout == PF_Err_NONE);
      continue;
    }
    check_in(i);
  }
}

void ParamCheckouts::check_in(PF_ParamIndex index) {
  if (!out_[index]) return;
  // Made once: a check-in that throws is not made again on the way out.
  out_.reset(index);
  errors_.note(in_data_->inter.checkin_param(in_data_->effect_ref, &params_[index]));
}

void ParamCheckouts::check_in_all_quietly() noexcept {
  for (PF_ParamIndex i = 0; i < slot::count; ++i) {
    if (!out_[i]) continue;
    out_.reset(i);
    give_back_quietly([&] { in_data_->inter.checkin_param(in_data_->effect_ref, &params_[i]); });
  }
}
