#pragma once

// The host's arbitrary-data callbacks for the "Gradient Wheel" value
// (arbitrary id 32).

#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

// Entry from PF_Cmd_ARBITRARY_CALLBACK. Interpolation works on the stops,
// every other function on the value's bytes. PF_Err_INTERNAL_STRUCT_DAMAGED
// without an extra record; throws PF_Err_BAD_CALLBACK_PARAM when
// interpolation finds no handle suite.
PF_Err gradient_arb_callback(PF_InData* in_data, PF_ArbParamsExtra* extra);

// New, dispose, copy, flat size, flatten, unflatten and compare, on the value
// as plain bytes; other selectors do nothing. Acquires the handle suite for
// the call (PF_Err_INTERNAL_STRUCT_DAMAGED when it cannot).
PF_Err arb_handle_dispatch(PF_InData* in_data, PF_ArbParamsExtra* extra);

// Stores in *result a new value between *left (tF = 0) and *right (tF = 1):
// stops paired by stored index, each moving the short way round the circle.
// PF_Err_BAD_CALLBACK_PARAM without a left or right handle variable; nothing
// is written when both values are empty.
PF_Err gradient_interpolate(const PF_HandleSuite1* suite, PF_FpLong tF, PF_ArbitraryH* left,
                            PF_ArbitraryH* right, PF_ArbitraryH* result);
