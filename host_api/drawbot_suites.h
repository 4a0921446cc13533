#pragma once

// The host's Drawbot suites: drawing into a custom control through a drawing
// reference that the effect's custom-UI suite hands out for an event.

#include "host_api/ae_effect.h"

extern "C" {

typedef struct _DRAWBOT_DrawRef* DRAWBOT_DrawRef;
typedef struct _DRAWBOT_ObjectRef* DRAWBOT_ObjectRef;  // any of the objects below
typedef struct _DRAWBOT_SupplierRef* DRAWBOT_SupplierRef;
typedef struct _DRAWBOT_SurfaceRef* DRAWBOT_SurfaceRef;
typedef DRAWBOT_ObjectRef DRAWBOT_PenRef;
typedef DRAWBOT_ObjectRef DRAWBOT_BrushRef;
typedef DRAWBOT_ObjectRef DRAWBOT_FontRef;
typedef DRAWBOT_ObjectRef DRAWBOT_ImageRef;
typedef DRAWBOT_ObjectRef DRAWBOT_PathRef;
typedef A_u_char DRAWBOT_Boolean;
typedef A_u_short DRAWBOT_UTF16Char;

struct DRAWBOT_ColorRGBA {
  float red;
  float green;
  float blue;
  float alpha;
};

struct DRAWBOT_PointF32 {
  float x;
  float y;
};

struct DRAWBOT_RectF32 {
  float left;
  float top;
  float width;
  float height;
};

// Row vectors, as the host's 2-D transforms: translation in the last row.
struct DRAWBOT_MatrixF32 {
  float mat[3][3];
};

typedef A_long DRAWBOT_PixelLayout;
enum : DRAWBOT_PixelLayout {
  kDRAWBOT_PixelLayout_24RGB = 0,
  kDRAWBOT_PixelLayout_24BGR = 1,
  kDRAWBOT_PixelLayout_32RGB = 2,
  kDRAWBOT_PixelLayout_32BGR = 3,
  kDRAWBOT_PixelLayout_32ARGB_Straight = 4,
  kDRAWBOT_PixelLayout_32ARGB_Premul = 5,
  kDRAWBOT_PixelLayout_32BGRA_Straight = 6,
  kDRAWBOT_PixelLayout_32BGRA_Premul = 7,  // cairo's ARGB32 on little-endian
};

typedef A_long DRAWBOT_InterpolationPolicy;
enum : DRAWBOT_InterpolationPolicy {
  kDRAWBOT_InterpolationPolicy_None = 0,
  kDRAWBOT_InterpolationPolicy_Med = 1,
  kDRAWBOT_InterpolationPolicy_High = 2,
};

typedef A_long DRAWBOT_AntiAliasPolicy;
typedef A_long DRAWBOT_FillType;
enum : DRAWBOT_FillType {
  kDRAWBOT_FillType_EvenOdd = 0,
  kDRAWBOT_FillType_Winding = 1,
};
typedef A_long DRAWBOT_TextAlignment;
typedef A_long DRAWBOT_TextTruncation;

// "DRAWBOT Draw Suite", version 1.
#define kDRAWBOT_DrawSuite "DRAWBOT Draw Suite"
#define kDRAWBOT_DrawSuite_Version1 1

struct DRAWBOT_DrawbotSuite1 {
  PF_Err (*GetSupplier)(DRAWBOT_DrawRef draw, DRAWBOT_SupplierRef* supplier);  // 0
  PF_Err (*GetSurface)(DRAWBOT_DrawRef draw, DRAWBOT_SurfaceRef* surface);     // 1
};

// "DRAWBOT Supplier Suite", version 1.
#define kDRAWBOT_SupplierSuite "DRAWBOT Supplier Suite"
#define kDRAWBOT_SupplierSuite_Version1 1

struct DRAWBOT_SupplierSuite1 {
  PF_Err (*NewPen)(DRAWBOT_SupplierRef supplier, const DRAWBOT_ColorRGBA* color, float size,
                   DRAWBOT_PenRef* pen);  // 0
  PF_Err (*NewBrush)(DRAWBOT_SupplierRef supplier, const DRAWBOT_ColorRGBA* color,
                     DRAWBOT_BrushRef* brush);                                                // 1
  PF_Err (*SupportsText)(DRAWBOT_SupplierRef supplier, DRAWBOT_Boolean* supported);           // 2
  PF_Err (*GetDefaultFontSize)(DRAWBOT_SupplierRef supplier, float* size);                    // 3
  PF_Err (*NewDefaultFont)(DRAWBOT_SupplierRef supplier, float size, DRAWBOT_FontRef* font);  // 4
  PF_Err (*NewImageFromBuffer)(DRAWBOT_SupplierRef supplier, int width, int height, int row_bytes,
                               DRAWBOT_PixelLayout layout, const void* data,
                               DRAWBOT_ImageRef* image);                         // 5
  PF_Err (*NewPath)(DRAWBOT_SupplierRef supplier, DRAWBOT_PathRef* path);        // 6
  PF_Err (*SupportsPixelLayoutBGRA)(DRAWBOT_SupplierRef, DRAWBOT_Boolean* yes);  // 7
  PF_Err (*PrefersPixelLayoutBGRA)(DRAWBOT_SupplierRef, DRAWBOT_Boolean* yes);   // 8
  PF_Err (*SupportsPixelLayoutARGB)(DRAWBOT_SupplierRef, DRAWBOT_Boolean* yes);  // 9
  PF_Err (*PrefersPixelLayoutARGB)(DRAWBOT_SupplierRef, DRAWBOT_Boolean* yes);   // 10
  PF_Err (*RetainObject)(DRAWBOT_ObjectRef object);                              // 11
  PF_Err (*ReleaseObject)(DRAWBOT_ObjectRef object);                             // 12
};

// "DRAWBOT Surface Suite", versions 1 and 2 (2 adds the screen scale).
#define kDRAWBOT_SurfaceSuite "DRAWBOT Surface Suite"
#define kDRAWBOT_SurfaceSuite_Version1 1
#define kDRAWBOT_SurfaceSuite_Version2 2

#define DRAWBOT_SURFACE_SUITE_FUNCTIONS                                                          \
  PF_Err (*PushStateStack)(DRAWBOT_SurfaceRef surface); /* 0 */                                  \
  PF_Err (*PopStateStack)(DRAWBOT_SurfaceRef surface);  /* 1 */                                  \
  PF_Err (*PaintRect)(DRAWBOT_SurfaceRef surface, const DRAWBOT_ColorRGBA* color,                \
                      const DRAWBOT_RectF32* rect); /* 2 */                                      \
  PF_Err (*FillPath)(DRAWBOT_SurfaceRef surface, DRAWBOT_BrushRef brush, DRAWBOT_PathRef path,   \
                     DRAWBOT_FillType fill_type); /* 3 */                                        \
  PF_Err (*StrokePath)(DRAWBOT_SurfaceRef surface, DRAWBOT_PenRef pen,                           \
                       DRAWBOT_PathRef path); /* 4 */                                            \
  PF_Err (*Clip)(DRAWBOT_SurfaceRef surface, DRAWBOT_SupplierRef supplier, DRAWBOT_PathRef path, \
                 DRAWBOT_FillType fill_type);                                    /* 5 */         \
  PF_Err (*GetClipBounds)(DRAWBOT_SurfaceRef surface, DRAWBOT_RectF32 * bounds); /* 6 */         \
  PF_Err (*IsWithinClipBounds)(DRAWBOT_SurfaceRef surface, const DRAWBOT_RectF32* rect,          \
                               DRAWBOT_Boolean* within);                            /* 7 */      \
  PF_Err (*Transform)(DRAWBOT_SurfaceRef surface, const DRAWBOT_MatrixF32* matrix); /* 8 */      \
  PF_Err (*DrawString)(DRAWBOT_SurfaceRef surface, DRAWBOT_BrushRef brush, DRAWBOT_FontRef font, \
                       const DRAWBOT_UTF16Char* string, const DRAWBOT_PointF32* origin,          \
                       DRAWBOT_TextAlignment alignment, DRAWBOT_TextTruncation truncation,       \
                       float truncation_width); /* 9 */                                          \
  PF_Err (*DrawImage)(DRAWBOT_SurfaceRef surface, DRAWBOT_ImageRef image,                        \
                      const DRAWBOT_PointF32* origin, float alpha); /* 10 */                     \
  PF_Err (*SetInterpolationPolicy)(DRAWBOT_SurfaceRef surface,                                   \
                                   DRAWBOT_InterpolationPolicy policy); /* 11 */                 \
  PF_Err (*GetInterpolationPolicy)(DRAWBOT_SurfaceRef surface,                                   \
                                   DRAWBOT_InterpolationPolicy * policy); /* 12 */               \
  PF_Err (*SetAntiAliasPolicy)(DRAWBOT_SurfaceRef surface,                                       \
                               DRAWBOT_AntiAliasPolicy policy); /* 13 */                         \
  PF_Err (*GetAntiAliasPolicy)(DRAWBOT_SurfaceRef surface,                                       \
                               DRAWBOT_AntiAliasPolicy * policy); /* 14 */                       \
  PF_Err (*Flush)(DRAWBOT_SurfaceRef surface);                    /* 15 */

struct DRAWBOT_SurfaceSuite1 {
  DRAWBOT_SURFACE_SUITE_FUNCTIONS
};

struct DRAWBOT_SurfaceSuite2 {
  DRAWBOT_SURFACE_SUITE_FUNCTIONS
  PF_Err (*GetTransformToScreenScale)(DRAWBOT_SurfaceRef surface, float* scale);  // 16
};

#undef DRAWBOT_SURFACE_SUITE_FUNCTIONS

// "DRAWBOT Path Suite", version 1.
#define kDRAWBOT_PathSuite "DRAWBOT Path Suite"
#define kDRAWBOT_PathSuite_Version1 1

struct DRAWBOT_PathSuite1 {
  PF_Err (*MoveTo)(DRAWBOT_PathRef path, float x, float y);
  PF_Err (*LineTo)(DRAWBOT_PathRef path, float x, float y);
  PF_Err (*BezierTo)(DRAWBOT_PathRef path, float x1, float y1, float x2, float y2, float x3,
                     float y3);
  PF_Err (*AddRect)(DRAWBOT_PathRef path, const DRAWBOT_RectF32* rect);
  PF_Err (*AddArc)(DRAWBOT_PathRef path, const DRAWBOT_PointF32* center, float radius,
                   float start_angle, float sweep);
  PF_Err (*Close)(DRAWBOT_PathRef path);
};

}  // extern "C"
