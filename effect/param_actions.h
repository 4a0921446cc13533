#pragma once

// What user_changed_param's actions share: the command's parameter records
// (written in place), its suites, the effect's AEGP reference and the one
// error code of the command, and the ways a written value is announced.

#include "host_api/ae_effect.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/host_errors.h"

struct ParamActionContext {
  PF_InData* in_data;
  PF_ParamDef** params;
  AEGP_SuiteHandler& suites;
  AEGP_EffectRefH effect;
  HostErrors& errors;

  PF_ParamDef& param(PF_ParamIndex index) const { return *params[index]; }
};

// PF_ChangeFlag_CHANGED_VALUE in the record.
inline void mark_changed(PF_ParamDef& param) {
  param.uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
}

// While nothing has failed: PF_UpdateParamUI with the slot's record.
void refresh_ui(const ParamActionContext& ctx, PF_ParamIndex index);

// For each slot from `first` to `last`: the changed flag (not on records
// whose ui_flags hold PF_PUI_STD_CONTROL_ONLY when `skip_std_control_only`),
// then the UI refresh.
void announce_changes(const ParamActionContext& ctx, PF_ParamIndex first, PF_ParamIndex last,
                      bool skip_std_control_only);

// The parameter table's default into the value of the slot's record (a
// checkbox, popup, slider, float slider, angle, colour or point; a point's
// percentages are taken of the layer's size). Nothing else of the record
// changes, and the host is not called.
void reset_to_default(const ParamActionContext& ctx, PF_ParamIndex index);
// The same for each slot from `first` to `last`.
void reset_to_defaults(const ParamActionContext& ctx, PF_ParamIndex first, PF_ParamIndex last);

// "Point Angle": the selected stop of the "Gradient Wheel" moves to the angle.
void move_selected_stop(const ParamActionContext& ctx);
// "Reset Gradient", and with `fill_colors` "Reset Fill Color".
void reset_gradient(const ParamActionContext& ctx, bool fill_colors);
// "Setup Null": a 3D null at the layer's centre becomes "Parent Layer".
void setup_parent_null(const ParamActionContext& ctx);
// "Reset Transform": the anchor at the layer's centre, no parent layer.
void reset_transform(const ParamActionContext& ctx);
