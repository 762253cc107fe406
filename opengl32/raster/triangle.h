// Generic triangle set-up and span walk: plane gradients, 31-bit fixed-point
// edges, the scan-line walk that hands spans to the span stages, and the
// antialiased (coverage) walk of GL_POLYGON_SMOOTH.
#pragma once

#include "core/glcontext.h"
#include "core/stateutil.h"

// Three window x between 4096 and 8192 in one pixel column (there a float's
// pattern >> 11 is its integer part plus a constant): the triangle covers no
// pixel centre, though its edges' rounding might reach one next to a vertex
// on a pixel centre, so the set-ups leave it before anything is set up.
static inline bool __glSameColumn(GLfloat a, GLfloat b, GLfloat c) {
    const uint32_t x = __glFloatBits(a) >> 11;
    return x == __glFloatBits(b) >> 11 && x == __glFloatBits(c) >> 11 && x - 0x8B000u < 0x1000u;
}

// A scan line's span from x, n pixels, with the span state's start values
// at x: handed to the span stages or to the fast chain.
typedef void (GLPROC* GlEmitSpanProc)(GlContext* gc, GLint x, GLint y, GLint n);

extern "C" {
// procs.setupTriangle candidates: vertices sorted by window y (a lowest), the
// span state's area and deltas already stored; longEdgeLeft when area > 0.
void GLPROC __glSetupTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint longEdgeLeft);
void GLPROC __glSetupSmoothTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint longEdgeLeft);
// Flat shading with per-vertex fog: fogs the provoking colour per vertex and
// calls procs.setupTriangleWrapped.
void GLPROC __glSetupTriangleFlat(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint longEdgeLeft);
void GLPROC __glNullTriangleSetup(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint longEdgeLeft);

// Start values of the first pixel of a scan line (the pixel at dx, dy from v)
// and their steps for the left edge's little and big step.
void GLPROC __glSetSpanStartValues(GlContext* gc, const GlVertex* v, GLfloat dx, GLfloat dy);
// The polygon offset of the triangle being set up, in depth-buffer units.
double GLPROC __glPolygonOffsetAmount(const GlContext* gc);
// Offset depth at the first pixel, its clamps and run distances.
void GLPROC __glSetupPolygonOffset(GlContext* gc, const GlVertex* v, GLfloat dx, GLfloat dy);
// Depth offset (depth units) of triangle a, b, c drawn in polygon mode
// GL_LINE or GL_POINT: factor x its larger window-z gradient + units.
double GLPROC __glPolygonOffsetOf(const GlContext* gc, const GlVertex* a, const GlVertex* b, const GlVertex* c);
// Walks scan lines y0 .. y1 - 1 (already inside the clip box in y).
void GLPROC __glWalkTriangleSpans(GlContext* gc, GLint y0, GLint y1);
// The same set-up and walk handing each scan line's span to emit.
void GLPROC __glSetupTriangleEmit(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint longEdgeLeft,
                                  GlEmitSpanProc emit);
void GLPROC __glWalkTriangleEmit(GlContext* gc, GLint y0, GLint y1, GlEmitSpanProc emit);
// The mask of the window y patterns of unclipped vertices under which three
// equal values mean a triangle that covers no pixel centre of the clip box,
// for the state's triangle procedure and clip box; 0 when the procedure may
// draw such a triangle or one within a pixel column (outlines, antialiased
// polygons, another rasterizer).
GLuint GLPROC __glTriangleCellMask(const GlContext* gc);
}
