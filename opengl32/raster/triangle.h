// Generic triangle set-up and span walk: plane gradients, 31-bit fixed-point
// edges, the scan-line walk that hands spans to the span stages, and the
// antialiased (coverage) walk of GL_POLYGON_SMOOTH.
#pragma once

#include "core/glcontext.h"

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
}
