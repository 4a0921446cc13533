#pragma once

// The host's AEGP suites that the effect calls: layers, streams, effects,
// compositions, undo, text outlines and mask outlines. Every function that
// takes a plug-in id is given 0 by the effect. Where the effect uses several
// versions of one suite, the versions share one table here.

#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"

extern "C" {

typedef A_long AEGP_PluginID;
typedef A_u_short A_UTF16Char;

typedef struct _AEGP_LayerH* AEGP_LayerH;
typedef struct _AEGP_CompH* AEGP_CompH;
typedef struct _AEGP_EffectRefH* AEGP_EffectRefH;
typedef struct _AEGP_StreamRefH* AEGP_StreamRefH;
typedef struct _AEGP_TextOutlinesH* AEGP_TextOutlinesH;
typedef struct _AEGP_MaskOutlineValH* AEGP_MaskOutlineValH;
typedef struct _AEGP_TextDocumentH* AEGP_TextDocumentH;
typedef struct _AEGP_MarkerVal* AEGP_MarkerValP;

typedef A_long AEGP_LayerIDVal;
typedef A_long AEGP_MaskIDVal;
typedef A_long AEGP_VertexIndex;

typedef A_long AEGP_ObjectType;
enum : AEGP_ObjectType {
  AEGP_ObjectType_NONE = -1,
  AEGP_ObjectType_AV = 0,
  AEGP_ObjectType_LIGHT = 1,
  AEGP_ObjectType_CAMERA = 2,
  AEGP_ObjectType_TEXT = 3,
  AEGP_ObjectType_VECTOR = 4,
};

typedef A_long AEGP_LayerFlags;
enum : AEGP_LayerFlags {
  AEGP_LayerFlag_NONE = 0,
  AEGP_LayerFlag_LAYER_IS_3D = 0x800,
};

typedef A_long AEGP_LTimeMode;
enum : AEGP_LTimeMode {
  AEGP_LTimeMode_LayerTime = 0,
  AEGP_LTimeMode_CompTime = 1,
};

typedef A_long AEGP_LayerStream;
enum : AEGP_LayerStream {
  AEGP_LayerStream_ANCHORPOINT = 0,
  AEGP_LayerStream_POSITION = 1,
  AEGP_LayerStream_SCALE = 2,
  AEGP_LayerStream_ROTATION = 3,
  AEGP_LayerStream_OPACITY = 4,
};

typedef A_long AEGP_StreamType;
enum : AEGP_StreamType {
  AEGP_StreamType_NO_DATA = 0,
  AEGP_StreamType_ThreeD_SPATIAL = 1,
  AEGP_StreamType_ThreeD = 2,
  AEGP_StreamType_TwoD_SPATIAL = 3,
  AEGP_StreamType_TwoD = 4,
  AEGP_StreamType_OneD = 5,
  AEGP_StreamType_COLOR = 6,
  AEGP_StreamType_ARB = 7,
  AEGP_StreamType_MARKER = 8,
  AEGP_StreamType_LAYER_ID = 9,
  AEGP_StreamType_MASK_ID = 10,
  AEGP_StreamType_MASK = 11,
  AEGP_StreamType_TEXT_DOCUMENT = 12,
};

typedef A_long AEGP_DynStreamFlags;
enum : AEGP_DynStreamFlags {
  AEGP_DynStreamFlag_ACTIVE_EYEBALL = 0x1,
  AEGP_DynStreamFlag_HIDDEN = 0x2,
  AEGP_DynStreamFlag_DISABLED = 0x4,
};

struct AEGP_TwoDVal {
  A_FpLong x;
  A_FpLong y;
};

struct AEGP_ThreeDVal {
  A_FpLong x;
  A_FpLong y;
  A_FpLong z;
};

struct AEGP_ColorVal {
  A_FpLong alphaF;
  A_FpLong redF;
  A_FpLong greenF;
  A_FpLong blueF;
};

typedef A_FpLong AEGP_OneDVal;
typedef A_FpLong AEGP_FourDVal[4];

// A stream's value at one time; 32 bytes, the largest member being four
// doubles.
union AEGP_StreamVal2 {
  AEGP_FourDVal four_d;
  AEGP_ThreeDVal three_d;
  AEGP_TwoDVal two_d;
  AEGP_OneDVal one_d;
  AEGP_ColorVal color;
  PF_Handle arbH;
  AEGP_MarkerValP markerP;
  AEGP_LayerIDVal layer_id;
  AEGP_MaskIDVal mask_id;
  AEGP_MaskOutlineValH mask;
  AEGP_TextDocumentH text_documentH;
};
static_assert(sizeof(AEGP_StreamVal2) == 32);

struct AEGP_StreamValue2 {
  AEGP_StreamRefH streamH;
  AEGP_StreamVal2 val;
};
typedef AEGP_StreamValue2 AEGP_StreamValue;

// A shape path's vertex: control points relative to the vertex.
struct AEGP_MaskVertex {
  A_FpLong x;
  A_FpLong y;
  A_FpLong tan_in_x;
  A_FpLong tan_in_y;
  A_FpLong tan_out_x;
  A_FpLong tan_out_y;
};

// "AEGP PF Interface Suite", version 1.
#define kAEGPPFInterfaceSuite "AEGP PF Interface Suite"
#define kAEGPPFInterfaceSuiteVersion1 1

struct AEGP_PFInterfaceSuite1 {
  A_Err (*AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layer);
  // The effect's AEGP reference, given back with AEGP_DisposeEffect.
  A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID plugin_id, PF_ProgPtr effect_ref,
                                      AEGP_EffectRefH* effect);
  A_Err (*AEGP_ConvertEffectToCompTime)(PF_ProgPtr effect_ref, A_long what_time,
                                        A_u_long time_scale, A_Time* comp_time);
  A_Err (*AEGP_GetEffectCamera)(PF_ProgPtr effect_ref, const A_Time* comp_time,
                                AEGP_LayerH* camera_layer);
  A_Err (*AEGP_GetEffectCameraMatrix)(PF_ProgPtr effect_ref, const A_Time* comp_time,
                                      A_Matrix4* camera_transform, A_FpLong* dst_to_plane,
                                      A_short* plane_width, A_short* plane_height);
};

// "AEGP Layer Suite", versions 5, 11 and 13.
#define kAEGPLayerSuite "AEGP Layer Suite"
#define kAEGPLayerSuiteVersion5 5
#define kAEGPLayerSuiteVersion11 11
#define kAEGPLayerSuiteVersion13 13

struct AEGP_LayerSuite13 {
  A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layer, AEGP_CompH* comp);
  A_Err (*AEGP_GetLayerObjectType)(AEGP_LayerH layer, AEGP_ObjectType* type);
  A_Err (*AEGP_GetLayerFromLayerID)(AEGP_CompH comp, AEGP_LayerIDVal id, AEGP_LayerH* layer);
  A_Err (*AEGP_GetLayerID)(AEGP_LayerH layer, AEGP_LayerIDVal* id);
  A_Err (*AEGP_ConvertLayerToCompTime)(AEGP_LayerH layer, const A_Time* layer_time,
                                       A_Time* comp_time);
  // Row-major, row vectors: translation in the bottom row.
  A_Err (*AEGP_GetLayerToWorldXform)(AEGP_LayerH layer, const A_Time* comp_time,
                                     A_Matrix4* transform);
  A_Err (*AEGP_GetLayerFlags)(AEGP_LayerH layer, AEGP_LayerFlags* flags);
  A_Err (*AEGP_SetLayerFlag)(AEGP_LayerH layer, AEGP_LayerFlags single_flag, A_Boolean value);
};
typedef AEGP_LayerSuite13 AEGP_LayerSuite5;
typedef AEGP_LayerSuite13 AEGP_LayerSuite11;

// "AEGP Stream Suite", versions 4, 7 and 9.
#define kAEGPStreamSuite "AEGP Stream Suite"
#define kAEGPStreamSuiteVersion4 4
#define kAEGPStreamSuiteVersion7 7
#define kAEGPStreamSuiteVersion9 9

struct AEGP_StreamSuite9 {
  A_Err (*AEGP_GetNewLayerStream)(AEGP_PluginID plugin_id, AEGP_LayerH layer,
                                  AEGP_LayerStream which_stream, AEGP_StreamRefH* stream);
  A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID plugin_id, AEGP_EffectRefH effect,
                                          PF_ParamIndex param_index, AEGP_StreamRefH* stream);
  A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH stream);
  A_Err (*AEGP_GetStreamType)(AEGP_StreamRefH stream, AEGP_StreamType* type);
  // The value at a time; given back with AEGP_DisposeStreamValue.
  A_Err (*AEGP_GetNewStreamValue)(AEGP_PluginID plugin_id, AEGP_StreamRefH stream,
                                  AEGP_LTimeMode time_mode, const A_Time* time,
                                  A_Boolean pre_expression, AEGP_StreamValue2* value);
  A_Err (*AEGP_DisposeStreamValue)(AEGP_StreamValue2* value);
  A_Err (*AEGP_SetStreamValue)(AEGP_PluginID plugin_id, AEGP_StreamRefH stream,
                               AEGP_StreamValue2* value);
};
typedef AEGP_StreamSuite9 AEGP_StreamSuite4;
typedef AEGP_StreamSuite9 AEGP_StreamSuite7;

// "AEGP Dynamic Stream Suite", versions 2 and 5.
#define kAEGPDynamicStreamSuite "AEGP Dynamic Stream Suite"
#define kAEGPDynamicStreamSuiteVersion2 2
#define kAEGPDynamicStreamSuiteVersion5 5

#define AEGP_MAX_STREAM_MATCH_NAME_SIZE 40

struct AEGP_DynamicStreamSuite5 {
  A_Err (*AEGP_GetNewStreamRefForLayer)(AEGP_PluginID plugin_id, AEGP_LayerH layer,
                                        AEGP_StreamRefH* stream);
  A_Err (*AEGP_GetNumStreamsInGroup)(AEGP_StreamRefH group, A_long* num_streams);
  A_Err (*AEGP_GetNewStreamRefByIndex)(AEGP_PluginID plugin_id, AEGP_StreamRefH parent,
                                       A_long index, AEGP_StreamRefH* stream);
  // Writes at most AEGP_MAX_STREAM_MATCH_NAME_SIZE characters with the zero.
  A_Err (*AEGP_GetMatchName)(AEGP_StreamRefH stream, A_char* match_name);
  A_Err (*AEGP_GetNewStreamRefByMatchname)(AEGP_PluginID plugin_id, AEGP_StreamRefH parent,
                                           const A_char* match_name, AEGP_StreamRefH* stream);
  A_Err (*AEGP_GetDynamicStreamFlags)(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags);
  A_Err (*AEGP_SetDynamicStreamFlag)(AEGP_StreamRefH stream, AEGP_DynStreamFlags one_flag,
                                     A_Boolean undoable, A_Boolean set);
};
typedef AEGP_DynamicStreamSuite5 AEGP_DynamicStreamSuite2;

// "AEGP Effect Suite", versions 1, 2 and 3.
#define kAEGPEffectSuite "AEGP Effect Suite"
#define kAEGPEffectSuiteVersion1 1
#define kAEGPEffectSuiteVersion2 2
#define kAEGPEffectSuiteVersion3 3

struct AEGP_EffectSuite3 {
  A_Err (*AEGP_DisposeEffect)(AEGP_EffectRefH effect);
};
typedef AEGP_EffectSuite3 AEGP_EffectSuite1;
typedef AEGP_EffectSuite3 AEGP_EffectSuite2;

// "AEGP Utility Suite", versions 7 and 11.
#define kAEGPUtilitySuite "AEGP Utility Suite"
#define kAEGPUtilitySuiteVersion7 7
#define kAEGPUtilitySuiteVersion11 11

struct AEGP_UtilitySuite11 {
  A_Err (*AEGP_StartUndoGroup)(const A_char* undo_name);  // null: no name
  A_Err (*AEGP_EndUndoGroup)(void);
};
typedef AEGP_UtilitySuite11 AEGP_UtilitySuite7;

// "AEGP Comp Suite", version 11.
#define kAEGPCompSuite "AEGP Comp Suite"
#define kAEGPCompSuiteVersion11 11

struct AEGP_CompSuite11 {
  // `duration` null: the composition's default.
  A_Err (*AEGP_CreateNullInComp)(const A_UTF16Char* name, AEGP_CompH comp, const A_Time* duration,
                                 AEGP_LayerH* null_layer);
};

// "AEGP Text Layer Suite", version 1.
#define kAEGPTextLayerSuite "AEGP Text Layer Suite"
#define kAEGPTextLayerSuiteVersion1 1

struct AEGP_TextLayerSuite1 {
  A_Err (*AEGP_GetNewTextOutlines)(AEGP_LayerH layer, const A_Time* layer_time,
                                   AEGP_TextOutlinesH* outlines);
  A_Err (*AEGP_DisposeTextOutlines)(AEGP_TextOutlinesH outlines);
  A_Err (*AEGP_GetNumTextOutlines)(AEGP_TextOutlinesH outlines, A_long* num_outlines);
  // The outline as a path for "PF Path Data Suite"; owned by the outlines.
  A_Err (*AEGP_GetIndexedTextOutline)(AEGP_TextOutlinesH outlines, A_long path_index,
                                      PF_PathOutlinePtr* path);
};

// "AEGP Mask Outline Suite", version 5.
#define kAEGPMaskOutlineSuite "AEGP Mask Outline Suite"
#define kAEGPMaskOutlineSuiteVersion5 5

struct AEGP_MaskOutlineSuite5 {
  A_Err (*AEGP_IsMaskOutlineOpen)(AEGP_MaskOutlineValH outline, A_Boolean* open);
  A_Err (*AEGP_GetMaskOutlineNumSegments)(AEGP_MaskOutlineValH outline, A_long* num_segments);
  A_Err (*AEGP_GetMaskOutlineVertexInfo)(AEGP_MaskOutlineValH outline, AEGP_VertexIndex which_point,
                                         AEGP_MaskVertex* vertex);
};

}  // extern "C"
