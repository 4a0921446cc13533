#pragma once

// The few libtess2 declarations the face mesh needs. Debian ships libtess2
// only as a shared library without a header; this build takes float
// coordinates (TESSreal) and int indices (TESSindex).

extern "C" {

typedef float TESSreal;
typedef int TESSindex;
typedef struct TESStesselator TESStesselator;
typedef struct TESSalloc TESSalloc;

enum TessWindingRule {
  TESS_WINDING_ODD = 0,
  TESS_WINDING_NONZERO = 1,
  TESS_WINDING_POSITIVE = 2,
  TESS_WINDING_NEGATIVE = 3,
  TESS_WINDING_ABS_GEQ_TWO = 4,
};

enum TessElementType {
  TESS_POLYGONS = 0,
  TESS_CONNECTED_POLYGONS = 1,
  TESS_BOUNDARY_CONTOURS = 2,
};

// Marks an unused slot of a polygon element.
#define TESS_UNDEF (~(TESSindex)0)

TESStesselator* tessNewTess(TESSalloc* alloc);
void tessDeleteTess(TESStesselator* tess);
void tessAddContour(TESStesselator* tess, int size, const void* pointer, int stride, int count);
int tessTesselate(TESStesselator* tess, int windingRule, int elementType, int polySize,
                  int vertexSize, const TESSreal* normal);
int tessGetVertexCount(TESStesselator* tess);
const TESSreal* tessGetVertices(TESStesselator* tess);
const TESSindex* tessGetVertexIndices(TESStesselator* tess);
int tessGetElementCount(TESStesselator* tess);
const TESSindex* tessGetElements(TESStesselator* tess);
}
