#pragma once

// The host's arbitrary-data callbacks for the "Gradient Wheel" value
// (arbitrary id 32).

#include "host_api/ae_effect.h"

PF_Err gradient_arb_callback(PF_InData* in_data, PF_ArbParamsExtra* extra);
