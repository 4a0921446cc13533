#pragma once

// Effect suites of the host, acquired through SPBasicSuite by the name and
// version given next to each table.

#include "host_api/ae_effect.h"
#include "host_api/drawbot_suites.h"

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

// "PF Param Utils Suite", version 3.
#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion3 3

// An opaque snapshot of a parameter's state over time.
struct PF_State {
  A_long reserved[4];
};

struct PF_ParamUtilsSuite3 {
  // Tells the host that the effect changed the parameter's UI (flags, name,
  // value shown): 0.
  PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                             const PF_ParamDef* def);
  PF_Err (*PF_GetCurrentState)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                               const A_Time* range_start, const A_Time* range_duration,
                               PF_State* state);
  PF_Err (*PF_AreStatesIdentical)(PF_ProgPtr effect_ref, const PF_State* state1,
                                  const PF_State* state2, A_Boolean* identical);
};

// "PF AE App Suite", version 6.
#define kPFAppSuite "PF AE App Suite"
#define kPFAppSuiteVersion6 6

typedef A_long PF_App_ColorType;

// 16 bits per channel.
struct PF_App_Color {
  A_u_short red;
  A_u_short green;
  A_u_short blue;
};

struct PFAppSuite6 {
  PF_Err (*PF_AppGetBgColor)(PF_App_Color* bg_color);                              // 0
  PF_Err (*PF_AppGetColor)(PF_App_ColorType color_type, PF_App_Color* app_color);  // 1
  PF_Err (*PF_GetPersonalInfo)(A_char* user_name, A_char* organisation);           // 2
  PF_Err (*PF_GetFontStyleSheet)(A_long sheet, A_char* font_name, A_short* font_num, A_short* size,
                                 A_short* style);          // 3
  PF_Err (*PF_SetCursor)(PF_CursorType cursor);            // 4
  PF_Err (*PF_IsRenderEngine)(PF_Boolean* render_engine);  // 5
  // 0 when the user picked a colour, PF_Interrupt_CANCEL when cancelled.
  PF_Err (*PF_AppColorPickerDialog)(const A_char* dialog_title, const PF_PixelFloat* sample,
                                    PF_Boolean use_ws_to_monitor_xform,
                                    PF_PixelFloat* result);                     // 6
  PF_Err (*PF_GetMouse)(PF_Point* point);                                       // 7
  PF_Err (*PF_InvalidateRect)(const PF_ContextH context, const PF_Rect* rect);  // 8
  PF_Err (*PF_ConvertLocalToGlobal)(const PF_Point* local, PF_Point* global);   // 9
};

// "PF ANSI Suite", version 1.
#define kPFANSISuite "PF ANSI Suite"
#define kPFANSISuiteVersion1 1

struct PF_ANSICallbacksSuite1 {
  A_FpLong (*atan)(A_FpLong x);
  A_FpLong (*atan2)(A_FpLong y, A_FpLong x);
  A_FpLong (*ceil)(A_FpLong x);
  A_FpLong (*cos)(A_FpLong x);
  A_FpLong (*exp)(A_FpLong x);
  A_FpLong (*fabs)(A_FpLong x);
  A_FpLong (*floor)(A_FpLong x);
  A_FpLong (*fmod)(A_FpLong x, A_FpLong y);
  A_FpLong (*hypot)(A_FpLong x, A_FpLong y);
  A_FpLong (*log)(A_FpLong x);
  A_FpLong (*log10)(A_FpLong x);
  A_FpLong (*pow)(A_FpLong x, A_FpLong y);
  A_FpLong (*sin)(A_FpLong x);
  A_FpLong (*sqrt)(A_FpLong x);
  A_FpLong (*tan)(A_FpLong x);
  A_long (*sprintf)(A_char* buffer, const A_char* format, ...);
  A_char* (*strcpy)(A_char* dest, const A_char* src);
  A_FpLong (*asin)(A_FpLong x);
  A_FpLong (*acos)(A_FpLong x);
};

// "PF Effect Custom UI Suite", version 1.
#define kPFEffectCustomUISuite "PF Effect Custom UI Suite"
#define kPFEffectCustomUISuiteVersion1 1

struct PF_EffectCustomUISuite1 {
  // The Drawbot drawing reference of an event's context.
  PF_Err (*PF_GetDrawingReference)(const PF_ContextH context, DRAWBOT_DrawRef* reference);  // 0
};

// "PF ColorParamSuite", version 1.
#define kPFColorParamSuite "PF ColorParamSuite"
#define kPFColorParamSuiteVersion1 1

struct PF_ColorParamSuite1 {
  PF_Err (*PF_GetFloatingPointColorFromColorDef)(PF_ProgPtr effect_ref,
                                                 const PF_ParamDef* color_param,
                                                 PF_PixelFloat* float_color);
};

// "PF World Transform Suite", version 1.
#define kPFWorldTransformSuite "PF World Transform Suite"
#define kPFWorldTransformSuiteVersion1 1

typedef A_long PF_TransferMode;
enum : PF_TransferMode {
  PF_Xfer_NONE = -1,
  PF_Xfer_COPY = 0,
  PF_Xfer_BEHIND = 1,
  PF_Xfer_IN_FRONT = 2,
};

typedef A_long PF_ModeFlags;
enum : PF_ModeFlags {
  PF_MF_Alpha_PREMUL = 0,
  PF_MF_Alpha_STRAIGHT = 1,
};

struct PF_CompositeMode {
  PF_TransferMode xfer;
  A_long rand_seed;
  A_u_char opacity;  // 0..255
  PF_Boolean rgb_only;
  A_u_short opacitySu;  // 16-bit worlds
};

struct PF_MaskWorld {
  PF_EffectWorld mask;
  PF_Point offset;
  A_long what_is_mask;
};

struct PF_FloatMatrix {
  PF_FpLong mat[3][3];
};

struct PF_WorldTransformSuite1 {
  PF_Err (*composite_rect)(PF_ProgPtr effect_ref, PF_Rect* src_rect, A_long src_opacity,
                           PF_EffectWorld* source_world, A_long dest_x, A_long dest_y,
                           PF_Field field, PF_TransferMode xfer_mode, PF_EffectWorld* dest_world);
  PF_Err (*blend)(PF_ProgPtr effect_ref, const PF_EffectWorld* src1, const PF_EffectWorld* src2,
                  PF_Fixed ratio, PF_EffectWorld* dst);
  PF_Err (*copy)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_rect,
                 PF_Rect* dst_rect);
  PF_Err (*copy_hq)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst,
                    PF_Rect* src_rect, PF_Rect* dst_rect);
  // Composites `src_rect` of `src_world` onto `dst_world` at (dest_x, dest_y).
  PF_Err (*transfer_rect)(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags,
                          PF_Field field, const PF_Rect* src_rect, const PF_EffectWorld* src_world,
                          const PF_CompositeMode* comp_mode, const PF_MaskWorld* mask_world,
                          A_long dest_x, A_long dest_y, PF_EffectWorld* dst_world);
  PF_Err (*transform_world)(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags,
                            PF_Field field, const PF_EffectWorld* src_world,
                            const PF_CompositeMode* comp_mode, const PF_MaskWorld* mask_world,
                            const PF_FloatMatrix* matrices, A_long num_matrices,
                            PF_Boolean src2dst_matrix, const PF_Rect* dest_rect,
                            PF_EffectWorld* dst_world);
};

// "PF Path Query Suite" and "PF Path Data Suite", version 1: the layer's
// masks (and text outlines) as paths.
#define kPFPathQuerySuite "PF Path Query Suite"
#define kPFPathQuerySuiteVersion1 1
#define kPFPathDataSuite "PF Path Data Suite"
#define kPFPathDataSuiteVersion1 1

typedef struct PF_PathOutline* PF_PathOutlinePtr;

// One vertex of a closed or open Bezier path: position and its incoming and
// outgoing control points, all absolute, y down.
struct PF_PathVertex {
  PF_FpLong x;
  PF_FpLong y;
  PF_FpLong tan_in_x;
  PF_FpLong tan_in_y;
  PF_FpLong tan_out_x;
  PF_FpLong tan_out_y;
};

typedef A_long PF_MaskMode;
enum : PF_MaskMode {
  PF_MaskMode_NONE = 0,
  PF_MaskMode_ADD = 1,
  PF_MaskMode_SUBTRACT = 2,
  PF_MaskMode_INTERSECT = 3,
  PF_MaskMode_LIGHTEN = 4,
  PF_MaskMode_DARKEN = 5,
  PF_MaskMode_DIFFERENCE = 6,
  PF_MaskMode_ACCUM = 7,
};

struct PF_PathQuerySuite1 {
  PF_Err (*PF_NumPaths)(PF_ProgPtr effect_ref, A_long* num_paths);
  PF_Err (*PF_PathInfo)(PF_ProgPtr effect_ref, A_long index, PF_PathID* unique_id);
  PF_Err (*PF_CheckoutPath)(PF_ProgPtr effect_ref, PF_PathID unique_id, A_long what_time,
                            A_long time_step, A_u_long time_scale, PF_PathOutlinePtr* path);
  PF_Err (*PF_CheckinPath)(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_Boolean changed,
                           PF_PathOutlinePtr path);
};

struct PF_PathDataSuite1 {
  PF_Err (*PF_PathIsOpen)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, PF_Boolean* open);
  PF_Err (*PF_PathNumSegments)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long* num_segments);
  PF_Err (*PF_PathVertexInfo)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long which_point,
                              PF_PathVertex* vertex);
  PF_Err (*PF_PathIsInverted)(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_Boolean* inverted);
  PF_Err (*PF_PathGetMaskMode)(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_MaskMode* mode);
  PF_Err (*PF_PathGetName)(PF_ProgPtr effect_ref, PF_PathID unique_id, A_char* name);
};

}  // extern "C"
