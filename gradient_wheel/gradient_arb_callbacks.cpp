#include "gradient_wheel/gradient_arb_callbacks.h"

PF_Err gradient_arb_callback(PF_InData*, PF_ArbParamsExtra*) {
  return PF_Err_NONE;
}
