#pragma once

// Effect suites of the host, acquired through SPBasicSuite by the name and
// version given next to each table.

#include "host_api/ae_effect.h"

extern "C" {

// "PF Handle Suite", version 2.
#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion1 2

struct PF_HandleSuite1 {
  PF_Handle (*host_new_handle)(A_HandleSize size);
  void* (*host_lock_handle)(PF_Handle handle);  // null when the handle cannot be locked
  void (*host_unlock_handle)(PF_Handle handle);
  void (*host_dispose_handle)(PF_Handle handle);
  A_HandleSize (*host_get_handle_size)(PF_Handle handle);
  PF_Err (*host_resize_handle)(A_HandleSize new_size, PF_Handle* handle);
};

// "PF Iterate8 Suite", version 1. `iterate` calls the callback once for every
// pixel of `area` of `dst` (the whole world when area is null), possibly on
// several threads at once. `in` is the pixel of `src` at the same place, or
// the destination pixel when src is null. The first non-zero result of a
// callback, or a cancel by the user, ends the iteration and is returned.
#define kPFIterate8Suite "PF Iterate8 Suite"
#define kPFIterate8SuiteVersion1 1

struct PF_Iterate8Suite1 {
  PF_Err (*iterate)(PF_InData* in_data, A_long progress_base, A_long progress_final,
                    PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                    PF_IteratePixel8Func pix_fn, PF_EffectWorld* dst);
};

// "PF iterateFloat Suite", version 1: as above for worlds of PF_PixelFloat.
#define kPFIterateFloatSuite "PF iterateFloat Suite"
#define kPFIterateFloatSuiteVersion1 1

struct PF_iterateFloatSuite1 {
  PF_Err (*iterate)(PF_InData* in_data, A_long progress_base, A_long progress_final,
                    PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                    PF_IteratePixelFloatFunc pix_fn, PF_EffectWorld* dst);
};

}  // extern "C"
