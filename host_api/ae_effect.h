#pragma once

// The host's effect API as this project declares it: basic types, error
// codes, command numbers, capability flags, pixel worlds, parameter records,
// the in/out data records with their callbacks, and the command-specific
// extra records. Names are the host's; layouts are our own.

#include <cstdint>

#include "host_api/sp_basic_suite.h"

extern "C" {

// ---------------------------------------------------------------------------
// Basic types

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef unsigned char A_u_char;
typedef uint8_t A_Boolean;
typedef int64_t A_longlong;
typedef uint64_t A_u_longlong;
typedef double A_FpLong;
typedef float A_FpShort;
typedef A_long A_Err;
typedef A_u_longlong A_HandleSize;

struct A_Time {
  A_long value;
  A_u_long scale;
};

struct A_Matrix4 {
  A_FpLong mat[4][4];
};

typedef A_long PF_Err;
typedef A_long PF_Fixed;  // 16.16 fixed point
typedef A_Boolean PF_Boolean;
typedef A_long PF_ParamIndex;
typedef A_long PF_ParamValue;
typedef double PF_FpLong;
typedef float PF_FpShort;
typedef A_long PF_Cmd;
typedef A_long PF_Quality;
typedef A_long PF_Field;
typedef A_long PF_OutFlags;
typedef A_long PF_OutFlags2;
typedef A_long PF_InFlags;

// A relocatable block of host memory: lock it to reach its bytes.
typedef void** PF_Handle;
typedef PF_Handle PF_ArbitraryH;

// The host's reference to one effect instance, passed back with callbacks.
typedef struct PF_ProgressInfo* PF_ProgPtr;

#define PF_MAX_EFFECT_NAME_LEN 31
#define PF_MAX_EFFECT_PARAM_NAME_LEN 31
#define PF_MAX_EFFECT_MSG_LEN 255
#define PF_MAX_PARAM_DESCRIPTION_LEN 31

// ---------------------------------------------------------------------------
// Error codes

// Typed constants rather than enumerators, so that a handler's
// `throw PF_Err_OUT_OF_MEMORY` is caught as a PF_Err at the command boundary.
constexpr PF_Err PF_Err_NONE = 0;
constexpr PF_Err PF_Err_OUT_OF_MEMORY = 4;
constexpr PF_Err PF_Err_INTERNAL_STRUCT_DAMAGED = 512;
constexpr PF_Err PF_Err_INVALID_INDEX = 513;
constexpr PF_Err PF_Err_UNRECOGNIZED_PARAM_TYPE = 514;
constexpr PF_Err PF_Err_INVALID_CALLBACK = 515;
constexpr PF_Err PF_Err_BAD_CALLBACK_PARAM = 516;
constexpr PF_Err PF_Interrupt_CANCEL = 517;
constexpr PF_Err PF_Err_CANNOT_PARSE_KEYFRAME_TEXT = 518;

constexpr A_Err A_Err_NONE = 0;
constexpr A_Err A_Err_GENERIC = 1;
constexpr A_Err A_Err_STRUCT = 2;
constexpr A_Err A_Err_PARAMETER = 3;
constexpr A_Err A_Err_ALLOC = 4;
constexpr A_Err A_Err_MISSING_SUITE = 13;

// ---------------------------------------------------------------------------
// Commands

enum : PF_Cmd {
  PF_Cmd_ABOUT = 0,
  PF_Cmd_GLOBAL_SETUP = 1,
  PF_Cmd_UNUSED_0 = 2,
  PF_Cmd_GLOBAL_SETDOWN = 3,
  PF_Cmd_PARAMS_SETUP = 4,
  PF_Cmd_SEQUENCE_SETUP = 5,
  PF_Cmd_SEQUENCE_RESETUP = 6,
  PF_Cmd_SEQUENCE_FLATTEN = 7,
  PF_Cmd_SEQUENCE_SETDOWN = 8,
  PF_Cmd_DO_DIALOG = 9,
  PF_Cmd_FRAME_SETUP = 10,
  PF_Cmd_RENDER = 11,
  PF_Cmd_FRAME_SETDOWN = 12,
  PF_Cmd_USER_CHANGED_PARAM = 13,
  PF_Cmd_UPDATE_PARAMS_UI = 14,
  PF_Cmd_EVENT = 15,
  PF_Cmd_GET_EXTERNAL_DEPENDENCIES = 16,
  PF_Cmd_COMPLETELY_GENERAL = 17,
  PF_Cmd_QUERY_DYNAMIC_FLAGS = 18,
  PF_Cmd_AUDIO_RENDER = 19,
  PF_Cmd_AUDIO_SETUP = 20,
  PF_Cmd_AUDIO_SETDOWN = 21,
  PF_Cmd_ARBITRARY_CALLBACK = 22,
  PF_Cmd_SMART_PRE_RENDER = 23,
  PF_Cmd_SMART_RENDER = 24,
  PF_Cmd_NUM_CMDS = 25,
};

// ---------------------------------------------------------------------------
// Capability flags

enum : PF_OutFlags {
  PF_OutFlag_NONE = 0,
  PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1 << 8,
  PF_OutFlag_CUSTOM_UI = 1 << 15,
  PF_OutFlag_I_AM_OBSOLETE = 1 << 21,
  PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1 << 26,
};

enum : PF_OutFlags2 {
  PF_OutFlag2_NONE = 0,
  PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS = 1 << 0,
  PF_OutFlag2_I_USE_3D_CAMERA = 1 << 1,
  PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG = 1 << 3,
  PF_OutFlag2_SUPPORTS_SMART_RENDER = 1 << 10,
  PF_OutFlag2_FLOAT_COLOR_AWARE = 1 << 12,
  PF_OutFlag2_DEPENDS_ON_UNREFERENCED_MASKS = 1 << 19,
  PF_OutFlag2_I_MIX_GUID_DEPENDENCIES = 1 << 21,
  PF_OutFlag2_SUPPORTS_THREADED_RENDERING = 1 << 27,
};

// Application ids of in_data's appl_id.
enum : A_long {
  PF_APPL_ID_AFTER_EFFECTS = 0x46585443,  // 'FXTC'
  PF_APPL_ID_PREMIERE = 0x50724d72,       // 'PrMr'
};

// ---------------------------------------------------------------------------
// Geometry and pixels

struct PF_LRect {
  A_long left;
  A_long top;
  A_long right;
  A_long bottom;
};
typedef PF_LRect PF_Rect;

struct PF_Point {
  A_long h;
  A_long v;
};

struct PF_FixedPoint {
  PF_Fixed x;
  PF_Fixed y;
};

struct PF_RationalScale {
  A_long num;
  A_u_long den;
};

// Channels in the order alpha, red, green, blue.
struct PF_Pixel8 {
  A_u_char alpha;
  A_u_char red;
  A_u_char green;
  A_u_char blue;
};
typedef PF_Pixel8 PF_Pixel;

struct PF_Pixel16 {
  A_u_short alpha;
  A_u_short red;
  A_u_short green;
  A_u_short blue;
};

struct PF_PixelFloat {
  PF_FpShort alpha;
  PF_FpShort red;
  PF_FpShort green;
  PF_FpShort blue;
};
typedef PF_PixelFloat PF_Pixel32;

typedef A_long PF_WorldFlags;
enum : PF_WorldFlags {
  PF_WorldFlag_DEEP = 1 << 0,       // 16 bits per channel
  PF_WorldFlag_WRITEABLE = 1 << 1,  //
  PF_WorldFlag_FLOAT = 1 << 2,      // 32-bit float per channel
};

// A pixel buffer: rows of `rowbytes` bytes, top row first.
struct PF_EffectWorld {
  PF_WorldFlags world_flags;
  void* data;
  A_long rowbytes;
  A_long width;
  A_long height;
  PF_Rect extent_hint;
  void* platform_ref;
  PF_RationalScale pix_aspect_ratio;
  A_long origin_x;
  A_long origin_y;
  A_long dephault;  // layer parameters: PF_LayerDefault_*
};
typedef PF_EffectWorld PF_LayerDef;

enum : A_long {
  PF_LayerDefault_MYSELF = -1,
  PF_LayerDefault_NONE = 0,
};

// ---------------------------------------------------------------------------
// Parameters

typedef A_long PF_ParamType;
enum : PF_ParamType {
  PF_Param_LAYER = 0,
  PF_Param_SLIDER = 1,
  PF_Param_FIX_SLIDER = 2,
  PF_Param_ANGLE = 3,
  PF_Param_CHECKBOX = 4,
  PF_Param_COLOR = 5,
  PF_Param_POINT = 6,
  PF_Param_POPUP = 7,
  PF_Param_CUSTOM = 8,
  PF_Param_NO_DATA = 9,
  PF_Param_FLOAT_SLIDER = 10,
  PF_Param_ARBITRARY_DATA = 11,
  PF_Param_PATH = 12,
  PF_Param_GROUP_START = 13,
  PF_Param_GROUP_END = 14,
  PF_Param_BUTTON = 15,
};

typedef A_long PF_ParamFlags;
enum : PF_ParamFlags {
  PF_ParamFlag_NONE = 0,
  PF_ParamFlag_CANNOT_TIME_VARY = 0x2,
  PF_ParamFlag_CANNOT_INTERP = 0x4,
  PF_ParamFlag_COLLAPSE_TWIRLY = 0x20,
  PF_ParamFlag_START_COLLAPSED = PF_ParamFlag_COLLAPSE_TWIRLY,
  PF_ParamFlag_SUPERVISE = 0x40,
  PF_ParamFlag_SKIP_REVEAL_WHEN_UNHIDDEN = 0x200,
};

typedef A_long PF_ParamUIFlags;
enum : PF_ParamUIFlags {
  PF_PUI_NONE = 0,
  PF_PUI_TOPIC = 0x1,
  PF_PUI_CONTROL = 0x2,
  PF_PUI_STD_CONTROL_ONLY = 0x4,
  PF_PUI_NO_ECW_UI = 0x8,
  PF_PUI_ECW_SEPARATOR = 0x10,
  PF_PUI_DISABLED = 0x20,
  PF_PUI_DONT_ERASE_TOPIC = 0x40,
  PF_PUI_DONT_ERASE_CONTROL = 0x80,
  PF_PUI_RADIO_BUTTON = 0x100,
  PF_PUI_INVISIBLE = 0x200,
};

typedef A_long PF_ChangeFlags;
enum : PF_ChangeFlags {
  PF_ChangeFlag_NONE = 0,
  PF_ChangeFlag_CHANGED_VALUE = 1,
  PF_ChangeFlag_SET_TO_VARY = 4,
  PF_ChangeFlag_SET_TO_CONSTANT = 8,
};

typedef A_short PF_ValueDisplayFlags;
enum : PF_ValueDisplayFlags {
  PF_ValueDisplayFlag_NONE = 0,
  PF_ValueDisplayFlag_PERCENT = 1,
  PF_ValueDisplayFlag_PIXEL = 2,
  PF_ValueDisplayFlag_REVERSE = 8,
};

typedef A_u_long PF_FSliderFlags;
enum : PF_FSliderFlags {
  PF_FSliderFlag_NONE = 0,
  PF_FSliderFlag_WANT_PHASE = 1,
};

typedef A_long PF_PathID;
typedef A_char PF_ValueDisplayText[PF_MAX_PARAM_DESCRIPTION_LEN + 1];

struct PF_SliderDef {
  PF_ParamValue value;
  PF_ValueDisplayText value_str;
  PF_ValueDisplayText value_desc;
  PF_ParamValue valid_min;
  PF_ParamValue valid_max;
  PF_ParamValue slider_min;
  PF_ParamValue slider_max;
  PF_ParamValue dephault;
};

struct PF_FixedSliderDef {
  PF_Fixed value;
  PF_ValueDisplayText value_str;
  PF_ValueDisplayText value_desc;
  PF_Fixed valid_min;
  PF_Fixed valid_max;
  PF_Fixed slider_min;
  PF_Fixed slider_max;
  PF_Fixed dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
};

struct PF_FloatSliderDef {
  PF_FpLong value;
  PF_FpLong phase;
  PF_ValueDisplayText value_desc;
  PF_FpShort valid_min;
  PF_FpShort valid_max;
  PF_FpShort slider_min;
  PF_FpShort slider_max;
  PF_FpShort dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
  PF_FSliderFlags fs_flags;
  PF_FpShort curve_tolerance;
  PF_Boolean useExponent;
  PF_FpShort exponent;
};

struct PF_AngleDef {
  PF_Fixed value;  // degrees, 16.16
  PF_Fixed dephault;
  PF_Fixed valid_min;
  PF_Fixed valid_max;
};

struct PF_CheckBoxDef {
  PF_ParamValue value;
  PF_ParamValue dephault;
  union {
    const A_char* nameptr;  // label beside the box
  } u;
};

struct PF_ColorDef {
  PF_Pixel value;
  PF_Pixel dephault;
};

struct PF_PointDef {
  PF_Fixed x_value;  // percent of the layer's width on input to add_param, pixels afterwards
  PF_Fixed y_value;
  A_char reserved[3];
  PF_Boolean restrict_bounds;
  PF_Fixed x_dephault;
  PF_Fixed y_dephault;
};

struct PF_PopupDef {
  PF_ParamValue value;
  A_short num_choices;
  A_short dephault;
  union {
    const A_char* namesptr;  // items separated by '|'
  } u;
};

struct PF_ArbitraryDef {
  A_short id;
  A_short pad;
  PF_ArbitraryH dephault;
  PF_ArbitraryH value;
  void* refconPV;
};

struct PF_PathDef {
  PF_PathID path_id;
  A_long reserved0;
  A_long dephault;
};

struct PF_ButtonDef {
  PF_ParamValue value;
  union {
    const A_char* namesptr;  // text on the button
  } u;
};

union PF_ParamDefUnion {
  PF_LayerDef ld;
  PF_SliderDef sd;
  PF_FixedSliderDef fd;
  PF_AngleDef ad;
  PF_CheckBoxDef bd;
  PF_ColorDef cd;
  PF_PointDef td;
  PF_PopupDef pd;
  PF_FloatSliderDef fs_d;
  PF_ArbitraryDef arb_d;
  PF_PathDef path_d;
  PF_ButtonDef button_d;
};

struct PF_ParamDef {
  union {
    A_long id;                    // persistent id, given to add_param
    PF_ChangeFlags change_flags;  // set by the effect to announce a change
  } uu;
  PF_ParamUIFlags ui_flags;
  A_short ui_width;
  A_short ui_height;
  PF_ParamType param_type;
  A_char name[PF_MAX_EFFECT_PARAM_NAME_LEN + 1];
  PF_ParamFlags flags;
  A_long unused;
  PF_ParamDefUnion u;
};
typedef PF_ParamDef* PF_ParamDefPtr;
typedef PF_ParamDef** PF_ParamList;

// ---------------------------------------------------------------------------
// Custom user interface

typedef A_long PF_CustomEventFlags;
enum : PF_CustomEventFlags {
  PF_CustomEFlag_NONE = 0,
  PF_CustomEFlag_COMP = 1 << 0,
  PF_CustomEFlag_LAYER = 1 << 1,
  PF_CustomEFlag_EFFECT = 1 << 2,
  PF_CustomEFlag_PREVIEW = 1 << 3,
};

struct PF_CustomUIInfo {
  A_long reserved;
  PF_CustomEventFlags events;
  A_long comp_ui_width;
  A_long comp_ui_height;
  A_long comp_ui_alignment;
  A_long layer_ui_width;
  A_long layer_ui_height;
  A_long layer_ui_alignment;
  A_long preview_ui_width;
  A_long preview_ui_height;
  A_long preview_ui_alignment;
};

// ---------------------------------------------------------------------------
// Callbacks of the in-data record

typedef PF_Err (*PF_IteratePixel8Func)(void* refcon, A_long x, A_long y, PF_Pixel8* in,
                                       PF_Pixel8* out);
typedef PF_Err (*PF_IteratePixelFloatFunc)(void* refcon, A_long x, A_long y, PF_PixelFloat* in,
                                           PF_PixelFloat* out);

struct PF_InteractCallbacks {
  PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                           A_long time_step, A_u_long time_scale, PF_ParamDef* param);
  PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
  PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
  PF_Err (*abort)(PF_ProgPtr effect_ref);
  PF_Err (*progress)(PF_ProgPtr effect_ref, A_long current, A_long total);
  PF_Err (*register_ui)(PF_ProgPtr effect_ref, PF_CustomUIInfo* cust_info);
};

struct PF_ANSICallbacks {
  A_long (*sprintf)(A_char* buffer, const A_char* format, ...);
  A_char* (*strcpy)(A_char* dest, const A_char* src);
};

struct PF_UtilCallbacks {
  // Fills `dst_rect` of `world` (the whole world when null) with `color`
  // (transparent black when null).
  PF_Err (*fill)(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* dst_rect,
                 PF_EffectWorld* world);
  PF_Handle (*host_new_handle)(A_HandleSize size);
  void* (*host_lock_handle)(PF_Handle handle);
  void (*host_unlock_handle)(PF_Handle handle);
  void (*host_dispose_handle)(PF_Handle handle);
  A_HandleSize (*host_get_handle_size)(PF_Handle handle);
  PF_Err (*host_resize_handle)(A_HandleSize new_size, PF_Handle* handle);
  PF_ANSICallbacks ansi;
};

// ---------------------------------------------------------------------------
// In and out data

struct PF_SpecVersion {
  A_short major;
  A_short minor;
};

struct PF_InData {
  PF_InteractCallbacks inter;
  PF_UtilCallbacks* utils;
  PF_ProgPtr effect_ref;
  PF_Quality quality;
  PF_SpecVersion version;  // the host's effect-API version
  A_long serial_num;
  A_long appl_id;
  A_long num_params;
  A_long what_cpu;
  A_long what_fpu;
  A_long current_time;
  A_long time_step;
  A_long total_time;
  A_long local_time_step;
  A_u_long time_scale;
  PF_Field field;
  PF_Fixed shutter_angle;
  A_long width;
  A_long height;
  PF_Rect extent_hint;
  A_long output_origin_x;
  A_long output_origin_y;
  PF_RationalScale downsample_x;
  PF_RationalScale downsample_y;
  PF_RationalScale pixel_aspect_ratio;
  PF_InFlags in_flags;
  PF_Handle global_data;
  PF_Handle sequence_data;
  PF_Handle frame_data;
  SPBasicSuite* pica_basicP;
  A_long pre_effect_source_origin_x;
  A_long pre_effect_source_origin_y;
  PF_Fixed shutter_phase;
};

struct PF_OutData {
  A_u_long my_version;
  A_char name[PF_MAX_EFFECT_NAME_LEN + 1];
  PF_Handle global_data;
  A_long num_params;
  PF_Handle sequence_data;
  A_long flat_sdata_size;
  PF_Handle frame_data;
  A_long width;
  A_long height;
  PF_Point origin;
  PF_OutFlags out_flags;
  A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
  PF_OutFlags2 out_flags2;
};

// ---------------------------------------------------------------------------
// PF_Cmd_EVENT

typedef A_long PF_EventType;
enum : PF_EventType {
  PF_Event_NEW_CONTEXT = 0,
  PF_Event_ACTIVATE = 1,
  PF_Event_DO_CLICK = 2,
  PF_Event_DRAG = 3,
  PF_Event_DRAW = 4,
  PF_Event_DEACTIVATE = 5,
  PF_Event_CLOSE_CONTEXT = 6,
  PF_Event_IDLE = 7,
  PF_Event_KEYDOWN = 8,
  PF_Event_ADJUST_CURSOR = 9,
  PF_Event_KEYUP = 10,
  PF_Event_MOUSE_EXITED = 11,
};

typedef A_long PF_WindowType;
enum : PF_WindowType {
  PF_Window_NONE = -1,
  PF_Window_COMP = 0,
  PF_Window_LAYER = 1,
  PF_Window_EFFECT = 2,
};

typedef A_long PF_EffectArea;
enum : PF_EffectArea {
  PF_EA_NONE = 0,
  PF_EA_PARAM_TITLE = 1,
  PF_EA_CONTROL = 2,
};

typedef A_long PF_EventOutFlags;
enum : PF_EventOutFlags {
  PF_EO_NONE = 0,
  PF_EO_HANDLED_EVENT = 1,
  PF_EO_ALWAYS_UPDATE = 2,
  PF_EO_NEVER_UPDATE = 4,
  PF_EO_UPDATE_NOW = 8,
};

typedef A_long PF_CursorType;
typedef A_long PF_Modifiers;

struct PF_Context {
  A_long magic;
  PF_WindowType w_type;
  A_long reserved_flt;
  A_long plugin_state[4];
  void* reserved_drawbot;
};
typedef PF_Context* PF_ContextH;

struct PF_EffectWindowInfo {
  PF_ParamIndex index;  // the parameter whose control the event is for
  PF_EffectArea area;
  PF_Rect current_frame;
  PF_Rect param_title_frame;
  A_long horiz_offset;
};

struct PF_DoClickEventInfo {
  A_u_long when;
  PF_Point screen_point;
  A_long num_clicks;
  PF_Modifiers modifiers;
  A_long continue_refcon[4];  // carried from a click to its drags
  PF_Boolean send_drag;
  PF_Boolean last_time;
};

struct PF_DrawEventInfo {
  PF_Rect update_rect;
  A_long depth;
};

struct PF_AdjustCursorEventInfo {
  PF_Point screen_point;
  PF_Modifiers modifiers;
  PF_CursorType set_cursor;
};

struct PF_KeyDownEvent {
  A_u_long when;
  PF_Point screen_point;
  A_long key_code;
  PF_Modifiers modifiers;
};

union PF_EventUnion {
  PF_DoClickEventInfo do_click;
  PF_DrawEventInfo draw;
  PF_AdjustCursorEventInfo adjust_cursor;
  PF_KeyDownEvent key_down;
};

// Coordinate conversions and drawing reference; the host fills these.
struct PF_EventCallbacks {
  void* refcon;
  PF_Err (*layer_to_comp)(void* refcon, PF_ContextH context, A_long curr_time, A_long time_scale,
                          PF_FixedPoint* pt);
  PF_Err (*comp_to_layer)(void* refcon, PF_ContextH context, A_long curr_time, A_long time_scale,
                          PF_FixedPoint* pt);
  PF_Err (*source_to_frame)(void* refcon, PF_ContextH context, PF_FixedPoint* pt);
  PF_Err (*frame_to_source)(void* refcon, PF_ContextH context, PF_FixedPoint* pt);
};

struct PF_EventExtra {
  PF_ContextH contextH;
  PF_EventType e_type;
  PF_EventUnion u;
  PF_EffectWindowInfo effect_win;
  PF_EventCallbacks cbs;
  A_long evt_in_flags;
  PF_EventOutFlags evt_out_flags;
};

// ---------------------------------------------------------------------------
// PF_Cmd_USER_CHANGED_PARAM

struct PF_UserChangedParamExtra {
  PF_ParamIndex param_index;
};

// ---------------------------------------------------------------------------
// PF_Cmd_ARBITRARY_CALLBACK

typedef A_long PF_FunctionSelector;
enum : PF_FunctionSelector {
  PF_Arbitrary_NEW_FUNC = 0,
  PF_Arbitrary_DISPOSE_FUNC = 1,
  PF_Arbitrary_COPY_FUNC = 2,
  PF_Arbitrary_FLAT_SIZE_FUNC = 3,
  PF_Arbitrary_FLATTEN_FUNC = 4,
  PF_Arbitrary_UNFLATTEN_FUNC = 5,
  PF_Arbitrary_INTERP_FUNC = 6,
  PF_Arbitrary_COMPARE_FUNC = 7,
  PF_Arbitrary_PRINT_SIZE_FUNC = 8,
  PF_Arbitrary_PRINT_FUNC = 9,
  PF_Arbitrary_SCAN_FUNC = 10,
};

typedef A_long PF_ArbCompareResult;
enum : PF_ArbCompareResult {
  PF_ArbCompare_EQUAL = 0,
  PF_ArbCompare_LESS = 1,
  PF_ArbCompare_MORE = 2,
  PF_ArbCompare_NOT_EQUAL = 3,
};

typedef A_long PF_ArbPrintFlags;

// A pointer field "missing" is a null pointer.
struct PF_ArbParamsExtra {
  PF_FunctionSelector which_function;
  A_short id;  // the parameter's arbitrary id
  A_short padding;
  union {
    struct {
      void* refconPV;
      PF_ArbitraryH* arbPH;
    } new_func_params;
    struct {
      void* refconPV;
      PF_ArbitraryH arbH;
    } dispose_func_params;
    struct {
      void* refconPV;
      PF_ArbitraryH src_arbH;
      PF_ArbitraryH* dst_arbPH;
    } copy_func_params;
    struct {
      void* refconPV;
      PF_ArbitraryH arbH;
      A_u_long* flat_data_sizePLu;
    } flat_size_func_params;
    struct {
      void* refconPV;
      PF_ArbitraryH arbH;
      A_u_long buf_sizeLu;
      void* flat_dataPV;
    } flatten_func_params;
    struct {
      void* refconPV;
      A_u_long buf_sizeLu;
      const void* flat_dataPV;
      PF_ArbitraryH* arbPH;
    } unflatten_func_params;
    struct {
      void* refconPV;
      PF_ArbitraryH left_arbH;
      PF_ArbitraryH right_arbH;
      PF_FpLong tF;
      PF_ArbitraryH* interpPH;
    } interp_func_params;
    struct {
      void* refconPV;
      PF_ArbitraryH a_arbH;
      PF_ArbitraryH b_arbH;
      PF_ArbCompareResult* compareP;
    } compare_func_params;
    struct {
      void* refconPV;
      PF_ArbitraryH arbH;
      A_u_long* print_sizePLu;
    } print_size_func_params;
    struct {
      void* refconPV;
      PF_ArbPrintFlags print_flags;
      PF_ArbitraryH arbH;
      A_u_long print_sizeLu;
      A_char* print_bufferPC;
    } print_func_params;
    struct {
      void* refconPV;
      const A_char* bufPC;
      A_u_long bytes_to_scanLu;
      PF_ArbitraryH* arbPH;
    } scan_func_params;
  } u;
};

// ---------------------------------------------------------------------------
// PF_Cmd_SMART_PRE_RENDER and PF_Cmd_SMART_RENDER

typedef A_long PF_ChannelMask;
enum : PF_ChannelMask {
  PF_ChannelMask_ALPHA = 0x1,
  PF_ChannelMask_RED = 0x2,
  PF_ChannelMask_GREEN = 0x4,
  PF_ChannelMask_BLUE = 0x8,
  PF_ChannelMask_ARGB = 0xF,
};

typedef A_short PF_RenderOutputFlags;
enum : PF_RenderOutputFlags {
  PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 0x1,
  PF_RenderOutputFlag_GPU_RENDER_POSSIBLE = 0x2,
};

struct PF_RenderRequest {
  PF_LRect rect;
  PF_Field field;
  PF_ChannelMask channel_mask;
  PF_Boolean preserve_rgb_of_zero_alpha;
};

struct PF_CheckoutResult {
  PF_LRect result_rect;
  PF_LRect max_result_rect;
  PF_RationalScale par;
  A_long solid;
  A_long ref_width;
  A_long ref_height;
};

typedef void (*PF_DeletePreRenderDataFunc)(void* pre_render_data);

struct PF_PreRenderInput {
  PF_RenderRequest output_request;
  A_short bitdepth;
};

struct PF_PreRenderOutput {
  PF_LRect result_rect;
  PF_LRect max_result_rect;
  PF_Boolean solid;
  PF_RenderOutputFlags flags;
  void* pre_render_data;
  PF_DeletePreRenderDataFunc delete_pre_render_data_func;
};

struct PF_PreRenderCallbacks {
  PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_id,
                           const PF_RenderRequest* req, A_long what_time, A_long time_step,
                           A_u_long time_scale, PF_CheckoutResult* checkout_result);
  PF_Err (*GuidMixInPtr)(PF_ProgPtr effect_ref, A_u_long buf_size, const void* buf);
};

struct PF_PreRenderExtra {
  PF_PreRenderInput* input;
  PF_PreRenderOutput* output;
  PF_PreRenderCallbacks* cb;
};

struct PF_SmartRenderInput {
  PF_RenderRequest output_request;
  A_short bitdepth;
  void* pre_render_data;  // what smart pre-render left with the host
};

struct PF_SmartRenderCallbacks {
  PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id,
                                  PF_EffectWorld** pixels);
  PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id);
  PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
};

struct PF_SmartRenderExtra {
  PF_SmartRenderInput* input;
  PF_SmartRenderCallbacks* cb;
};

// ---------------------------------------------------------------------------
// Module exports

typedef void* PF_PluginDataPtr;

typedef PF_Err (*PF_PluginDataCB2)(PF_PluginDataPtr in_ptr, const A_u_char* name,
                                   const A_u_char* match_name, const A_u_char* category,
                                   const A_u_char* entry_point_name, A_long kind,
                                   A_long api_version_major, A_long api_version_minor,
                                   A_long reserved_info, const A_u_char* support_url);

typedef PF_Err (*PF_PluginDataEntryFunction2Ptr)(PF_PluginDataPtr in_ptr,
                                                 PF_PluginDataCB2 register_callback,
                                                 SPBasicSuite* basic_suite, const char* host_name,
                                                 const char* host_version);

typedef PF_Err (*PF_EffectMainPtr)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                   PF_ParamDef* params[], PF_LayerDef* output, void* extra);

// The kind of an effect plug-in, 'eFKT'.
enum : A_long { PF_Kind_EFFECT = 0x65464b54 };

}  // extern "C"
