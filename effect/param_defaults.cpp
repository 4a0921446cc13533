// The buttons' resets read their values from the parameter table, so that a
// reset and a new instance agree on every default.

#include "effect/param_actions.h"
#include "effect/param_table.h"
#include "host_support/fixed_point.h"

void reset_to_default(const ParamActionContext& ctx, PF_ParamIndex index) {
  const ParamRow& row = param_row(index);
  PF_ParamDefUnion& u = ctx.param(index).u;
  switch (row.type) {
    case PF_Param_CHECKBOX:
      u.bd.value = static_cast<PF_ParamValue>(row.value);
      break;
    case PF_Param_POPUP:
      u.pd.value = static_cast<PF_ParamValue>(row.value);
      break;
    case PF_Param_SLIDER:
      u.sd.value = static_cast<PF_ParamValue>(row.value);
      break;
    case PF_Param_FLOAT_SLIDER:
      u.fs_d.value = row.value;
      break;
    case PF_Param_ANGLE:
      u.ad.value = fixed_from_double(row.value);
      break;
    case PF_Param_COLOR:
      u.cd.value = row.color;
      break;
    case PF_Param_POINT:
      // The table gives percent of the layer, the record holds pixels.
      u.td.x_value = fixed_from_double(ctx.in_data->width * (row.x_percent / 100.0));
      u.td.y_value = fixed_from_double(ctx.in_data->height * (row.y_percent / 100.0));
      break;
    default:
      // Groups, buttons, layers, paths and the custom controls have no
      // default value in the table.
      break;
  }
}

void reset_to_defaults(const ParamActionContext& ctx, PF_ParamIndex first, PF_ParamIndex last) {
  for (PF_ParamIndex index = first; index <= last; ++index) reset_to_default(ctx, index);
}
