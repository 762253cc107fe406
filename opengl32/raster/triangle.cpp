// Generic triangle set-up and span walk.
//
// Sampling: scan line j is sampled at window y = j + 1 and pixel x at window
// x = x + 1 (window coordinates carry the bias plus 0.5, so these are pixel
// centres). An edge's position on a scan line is kept as an integer x and a
// 31-bit fraction; the span of scan line j covers leftEdge.x .. rightEdge.x - 1,
// so a sample is drawn when yA < y <= yC and xLeft < x <= xRight.
//
// Safety: every triangle is checked against a guard band around the clip box
// before any float becomes an integer, the walk starts and stops at the clip
// box rows, and each span is cut to the clip box columns (and to the span
// arrays' 2048 pixels) with its start values advanced, so no span stage or
// fragment store ever sees a pixel outside the clip box.

#include <math.h>
#include <stdint.h>
#include "triangle.h"
#include "fragment.h"
#include "depthstencil.h"
#include "geometry/geometry.h"
#include "geometry/light.h"
#include "raster/chain.h"

namespace {

constexpr double kFractionOne = 2147483648.0;  // 2^31
// Distances with a depth gradient of zero in x.
constexpr double kNoSlopeRun = 99999.99999999999;

// Values at the first pixel of a span that the walk advances; saved around a
// span whose left end is cut.
struct SpanStart {
    GLfloat color[4];
    GLfloat texture[4];
    GLfloat fog;
    GLuint z;
    uint8_t* depthAddress;
    uint8_t* stencilAddress;
    double offsetZ;
    GLfloat offsetRunStart;
};

// Anything beyond the guard band is not drawn.
inline bool insideGuard(const GlContext* gc, const GlVertex* v) {
    const GLfloat z = v->window[2];
    return __glInsideGuardBand(gc, v->window[0], v->window[1], 0.0f) && z == z && fabsf(z) < 1e30f;
}

// Depth in buffer units: truncated, clamped to the unsigned 32-bit range.
inline GLuint depthValue(double z) {
    if (!(z > 0.0)) return 0;
    if (z >= 4294967295.0) return 0xFFFFFFFFu;
    return (GLuint)(uint64_t)z;
}

// A signed depth step, truncated, kept modulo 2^32.
inline GLuint depthStep(double d) {
    if (!(d > -4294967296.0)) d = -4294967296.0;
    if (d > 4294967296.0) d = 4294967296.0;
    return (GLuint)(int64_t)d;
}

inline GLint clampToInt(double v) {
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (v >= 2147483647.0) return INT32_MAX;
    return (GLint)v;
}

inline int colorCount(GLuint flags) {
    if (!(flags & GL_RF_SMOOTH_COLOR)) return 0;
    return (flags & GL_RF_RGBA) ? 4 : 1;
}

inline GLfloat fogValue(const GlContext* gc, const GlVertex* v) {
    return gc->hints.fog == GL_NICEST ? v->eye[2] : v->fog;
}

// Vertex texture coordinates interpolated as the span's s, t and q.
constexpr int kTexIndex[3] = {0, 1, 3};

// Plane coefficients of the triangle: dv/dx = a (vA - vC) - b (vB - vC),
// dv/dy = c (vB - vC) - d (vA - vC).
struct Plane {
    GLfloat a, b, c, d;
    GLfloat dx(GLfloat vA, GLfloat vB, GLfloat vC) const { return a * (vA - vC) - b * (vB - vC); }
    GLfloat dy(GLfloat vA, GLfloat vB, GLfloat vC) const { return c * (vB - vC) - d * (vA - vC); }
};

// Gradients of every interpolated value; a constant colour is taken from the
// provoking vertex.
void setupGradients(GlContext* gc, GlVertex* A, GlVertex* B, GlVertex* C) {
    GlSpanState* s = &gc->span;
    const GLuint F = s->rasterFlags;
    const GLfloat k = 1.0f / s->area;
    const Plane p = {k * s->dyBC, k * s->dyAC, k * s->dxAC, k * s->dxBC};
    const int nc = colorCount(F);
    if (nc) {
        for (int i = 0; i < nc; i++) {
            s->colorDx[i] = p.dx(A->color[i], B->color[i], C->color[i]);
            s->colorDy[i] = p.dy(A->color[i], B->color[i], C->color[i]);
        }
    } else {
        const GlVertex* pv = gc->provokingVertex ? gc->provokingVertex : C;
        const int n = (F & GL_RF_RGBA) ? 4 : 1;
        for (int i = 0; i < n; i++) s->spanColor[i] = pv->color[i];
    }
    if (F & GL_RF_TEXTURE) {
        // s, t and q (the vertex's fourth coordinate); then each vertex's level
        // of detail from these gradients, times its q, as the fourth value.
        for (int i = 0; i < 3; i++) {
            const int k = kTexIndex[i];
            s->textureDx[i] = p.dx(A->texCoord[k], B->texCoord[k], C->texCoord[k]);
            s->textureDy[i] = p.dy(A->texCoord[k], B->texCoord[k], C->texCoord[k]);
        }
        GlVertex* const vs[3] = {A, B, C};
        for (GlVertex* v : vs) {
            const GLfloat* tc = v->texCoord;
            v->texLod = gc->procs.texLodPolygon(gc, s, tc[0], tc[1], tc[3]) * tc[3];
        }
        s->textureDx[3] = p.dx(A->texLod, B->texLod, C->texLod);
        s->textureDy[3] = p.dy(A->texLod, B->texLod, C->texLod);
    }
    if (F & GL_RF_DEPTH_TEST) {
        s->zDxF = p.dx(A->window[2], B->window[2], C->window[2]);
        s->zDyF = p.dy(A->window[2], B->window[2], C->window[2]);
        s->zDx = clampToInt(s->zDxF);
        s->zDx32 = (GLint)((GLuint)s->zDx << 5);
    }
    if (F & GL_RF_FOG_FRAGMENT) {
        const GLfloat fA = fogValue(gc, A), fB = fogValue(gc, B), fC = fogValue(gc, C);
        s->fogDx = p.dx(fA, fB, fC);
        s->fogDy = p.dy(fA, fB, fC);
    }
}

// An edge from its x at the first sampled scan line and its slope.
void setupEdge(GlEdge* e, double xs, GLfloat slope) {
    const GLint i = (GLint)xs;  // xs is positive: inside the guard band
    const GLuint f = (GLuint)(uint64_t)((xs - (double)i) * kFractionOne);
    e->x = i + (GLint)(f >> 31);
    e->fraction = (GLint)(f & 0x7FFFFFFFu);
    double d = slope;
    if (d > 1073741824.0) d = 1073741824.0;
    if (d < -1073741824.0) d = -1073741824.0;
    const GLint whole = (GLint)d;
    e->littleStep = whole;
    if (!(slope < 0.0f)) {  // +0, -0 and positive slopes
        e->bigStep = whole + 1;
        e->fractionStep = (GLint)((d - (double)whole) * kFractionOne);
    } else {
        e->bigStep = whole - 1;
        e->fractionStep = -(GLint)(((double)whole - d) * kFractionOne);
    }
}

// One scan line down an edge; true when it took the big step.
inline bool stepEdge(GlEdge* e) {
    const GLuint f = (GLuint)e->fraction + (GLuint)e->fractionStep;
    if (f & 0x80000000u) {
        e->x += e->bigStep;
        e->fraction = (GLint)(f & 0x7FFFFFFFu);
        return true;
    }
    e->x += e->littleStep;
    e->fraction = (GLint)f;
    return false;
}

// Buffer address steps of the left edge.
void setupLeftEdgeSteps(GlContext* gc) {
    GlSpanState* s = &gc->span;
    if (s->rasterFlags & GL_RF_DEPTH) {
        const GlBufferObject* b = &gc->fb.depth.buf;
        const GLint es = (GLint)b->elementSize;
        s->depthLittleStep = s->leftEdge.littleStep * es + b->stride;
        s->depthBigStep = s->leftEdge.bigStep * es + b->stride;
    }
    if (s->rasterFlags & GL_RF_STENCIL) {
        const GlBufferObject* b = &gc->fb.stencil.buf;
        s->stencilLittleStep = s->leftEdge.littleStep + b->stride;
        s->stencilBigStep = s->leftEdge.bigStep + b->stride;
    }
}

void setSpanAddresses(GlContext* gc, GLint x, GLint y) {
    GlSpanState* s = &gc->span;
    if (s->rasterFlags & GL_RF_DEPTH) s->depthAddress = __glBufferAddress(&gc->fb.depth.buf, gc, x, y);
    if (s->rasterFlags & GL_RF_STENCIL) s->stencilAddress = __glBufferAddress(&gc->fb.stencil.buf, gc, x, y);
    s->spanColorBuffer = gc->drawBuffer;
}

void saveStart(const GlSpanState* s, SpanStart* t) {
    for (int i = 0; i < 4; i++) t->color[i] = s->spanColor[i], t->texture[i] = s->spanTexture[i];
    t->fog = s->spanFog;
    t->z = s->spanZ;
    t->depthAddress = s->depthAddress;
    t->stencilAddress = s->stencilAddress;
    t->offsetZ = s->offsetZ;
    t->offsetRunStart = s->offsetRunStart;
}

void restoreStart(GlSpanState* s, const SpanStart* t) {
    for (int i = 0; i < 4; i++) s->spanColor[i] = t->color[i], s->spanTexture[i] = t->texture[i];
    s->spanFog = t->fog;
    s->spanZ = t->z;
    s->depthAddress = t->depthAddress;
    s->stencilAddress = t->stencilAddress;
    s->offsetZ = t->offsetZ;
    s->offsetRunStart = t->offsetRunStart;
}

// Moves the span's start values n pixels to the right.
void advanceStart(GlContext* gc, GLint n) {
    GlSpanState* s = &gc->span;
    const GLuint F = s->rasterFlags;
    const GLfloat fn = (GLfloat)n;
    const int nc = colorCount(F);
    for (int i = 0; i < nc; i++) s->spanColor[i] += fn * s->colorDx[i];
    if (F & GL_RF_TEXTURE)
        for (int i = 0; i < 4; i++) s->spanTexture[i] += fn * s->textureDx[i];
    if (F & GL_RF_FOG_FRAGMENT) s->spanFog += fn * s->fogDx;
    if (F & GL_RF_DEPTH_TEST) {
        if (F & GL_RF_POLYGON_OFFSET) {
            s->offsetZ += (double)fn * s->zDxF;
            s->offsetRunStart -= fn;
            s->spanZ = depthValue(s->offsetZ);
        } else {
            s->spanZ += (GLuint)n * (GLuint)s->zDx;
        }
    }
    if (F & GL_RF_DEPTH) s->depthAddress += n * (GLint)gc->fb.depth.buf.elementSize;
    if (F & GL_RF_STENCIL) s->stencilAddress += n;
}

// Hands the span of scan line y from x, n pixels, to the span stages: cut to
// the clip box columns and into runs the span arrays hold.
void GLPROC emitSpan(GlContext* gc, GLint x, GLint y, GLint n) {
    GlSpanState* s = &gc->span;
    const GLint x0 = x > s->clipBox[0] ? x : s->clipBox[0];
    const GLint x1 = x + n < s->clipBox[2] ? x + n : s->clipBox[2];
    if (x1 <= x0) return;
    s->spanY = y;
    if (x0 == x && x1 - x0 <= GL_SPAN_WORK_ENTRIES) {
        s->spanX = x;
        s->spanLength = x1 - x0;
        gc->procs.runSpanStages(gc);
        return;
    }
    SpanStart saved;
    saveStart(s, &saved);
    advanceStart(gc, x0 - x);
    for (GLint at = x0; at < x1; at += GL_SPAN_WORK_ENTRIES) {
        const GLint len = x1 - at < GL_SPAN_WORK_ENTRIES ? x1 - at : (GLint)GL_SPAN_WORK_ENTRIES;
        if (at != x0) advanceStart(gc, GL_SPAN_WORK_ENTRIES);
        s->spanY = y;
        s->spanX = at;
        s->spanLength = len;
        gc->procs.runSpanStages(gc);
    }
    restoreStart(s, &saved);
}

// Depth offset of a polygon: units in the buffer's resolvable step plus the
// factor times the larger depth gradient, in double precision so that one
// unit survives at every depth of a 32-bit buffer.
inline double offsetOf(const GlContext* gc, double dzdx, double dzdy) {
    const double unit = (double)(1u << gc->fb.depth.depthShift);
    const double slope = fabs(dzdx) > fabs(dzdy) ? fabs(dzdx) : fabs(dzdy);
    return (double)gc->polygon.offsetUnits * unit + (double)gc->polygon.offsetFactor * slope;
}

}  // namespace

extern "C" double GLPROC __glPolygonOffsetAmount(const GlContext* gc) {
    return offsetOf(gc, gc->span.zDxF, gc->span.zDyF);
}

static inline double offsetAmount(const GlContext* gc) { return __glPolygonOffsetAmount(gc); }

extern "C" void GLPROC __glSetupPolygonOffset(GlContext* gc, const GlVertex* v, GLfloat dx, GLfloat dy) {
    GlSpanState* s = &gc->span;
    const double zmax = (double)gc->fb.depth.depthMax;
    const double z = (double)v->window[2] + (double)dx * s->zDxF + (double)dy * s->zDyF;
    s->offsetZ = z + offsetAmount(gc);
    s->spanZ = depthValue(s->offsetZ);
    if (s->zDx < 0) s->offsetClampLow = gc->fb.depth.depthMax, s->offsetClampHigh = 0;
    else s->offsetClampLow = 0, s->offsetClampHigh = gc->fb.depth.depthMax;
    const double oz = s->offsetZ, g = s->zDxF;
    const double little = (double)(GLint)s->zLittleStep, big = (double)(GLint)s->zBigStep;
    if (g > 0.0) {
        s->offsetRunStart = (GLfloat)((zmax - oz) / g);
        s->offsetRunEnd = (GLfloat)(zmax / g);
    } else if (g < 0.0) {
        s->offsetRunStart = (GLfloat)(-(oz / g));
        s->offsetRunEnd = (GLfloat)(-(zmax / g));
    } else {
        s->offsetRunStart = (GLfloat)((zmax - oz) * kNoSlopeRun);
        s->offsetRunEnd = (GLfloat)(zmax * kNoSlopeRun);
    }
    if (g != 0.0) {
        s->offsetRunLittleStep = (GLfloat)(-little / g);
        s->offsetRunBigStep = (GLfloat)(-big / g);
    } else {
        s->offsetRunLittleStep = (GLfloat)(little * -kNoSlopeRun);
        s->offsetRunBigStep = (GLfloat)(big * -kNoSlopeRun);
    }
}

extern "C" double GLPROC __glPolygonOffsetOf(const GlContext* gc, const GlVertex* a, const GlVertex* b,
                                             const GlVertex* c) {
    const double xAC = (double)a->window[0] - c->window[0], xBC = (double)b->window[0] - c->window[0];
    const double yAC = (double)a->window[1] - c->window[1], yBC = (double)b->window[1] - c->window[1];
    const double zAC = (double)a->window[2] - c->window[2], zBC = (double)b->window[2] - c->window[2];
    const double area = xAC * yBC - xBC * yAC;
    if (!(fabs(area) > 0.0)) return offsetOf(gc, 0.0, 0.0);
    return offsetOf(gc, (zAC * yBC - zBC * yAC) / area, (xAC * zBC - xBC * zAC) / area);
}

extern "C" void GLPROC __glSetSpanStartValues(GlContext* gc, const GlVertex* v, GLfloat dx, GLfloat dy) {
    GlSpanState* s = &gc->span;
    const GLuint F = s->rasterFlags;
    const GLfloat little = (GLfloat)s->leftEdge.littleStep;
    const bool bigRight = s->leftEdge.bigStep > s->leftEdge.littleStep;
    const int nc = colorCount(F);
    for (int i = 0; i < nc; i++) {
        s->spanColor[i] = v->color[i] + dx * s->colorDx[i] + dy * s->colorDy[i];
        s->colorLittleStep[i] = s->colorDy[i] + little * s->colorDx[i];
        s->colorBigStep[i] = bigRight ? s->colorLittleStep[i] + s->colorDx[i] : s->colorLittleStep[i] - s->colorDx[i];
    }
    if (F & GL_RF_TEXTURE) {
        for (int i = 0; i < 4; i++) {
            const GLfloat v0 = i < 3 ? v->texCoord[kTexIndex[i]] : v->texLod;
            s->spanTexture[i] = v0 + dx * s->textureDx[i] + dy * s->textureDy[i];
            s->textureLittleStep[i] = s->textureDy[i] + little * s->textureDx[i];
            s->textureBigStep[i] =
                bigRight ? s->textureLittleStep[i] + s->textureDx[i] : s->textureLittleStep[i] - s->textureDx[i];
        }
    }
    if (F & GL_RF_FOG_FRAGMENT) {
        s->spanFog = fogValue(gc, v) + dx * s->fogDx + dy * s->fogDy;
        s->fogLittleStep = s->fogDy + little * s->fogDx;
        s->fogBigStep = bigRight ? s->fogLittleStep + s->fogDx : s->fogLittleStep - s->fogDx;
    }
    if (F & GL_RF_DEPTH_TEST) {
        const double littleSum = (double)little * s->zDxF + (double)s->zDyF;
        s->zLittleStep = depthStep(littleSum);
        s->zBigStep = depthStep(bigRight ? littleSum + s->zDxF : littleSum - s->zDxF);
        if (F & GL_RF_POLYGON_OFFSET) {
            __glSetupPolygonOffset(gc, v, dx, dy);
        } else {
            s->spanZ = depthValue((double)v->window[2] + (double)dx * s->zDxF + (double)dy * s->zDyF);
        }
    }
}

extern "C" void GLPROC __glWalkTriangleSpans(GlContext* gc, GLint y0, GLint y1) {
    __glWalkTriangleEmit(gc, y0, y1, emitSpan);
}

extern "C" void GLPROC __glWalkTriangleEmit(GlContext* gc, GLint y0, GLint y1, GlEmitSpanProc emit) {
    GlSpanState* s = &gc->span;
    const GLuint F = s->rasterFlags;
    const int nc = colorCount(F);
    setSpanAddresses(gc, s->leftEdge.x, y0);
    for (GLint y = y0; y < y1; y++) {
        const GLint n = s->rightEdge.x - s->leftEdge.x;
        if (n > 0) emit(gc, s->leftEdge.x, y, n);
        const bool big = stepEdge(&s->leftEdge);
        const GLfloat* dc = big ? s->colorBigStep : s->colorLittleStep;
        for (int i = 0; i < nc; i++) s->spanColor[i] += dc[i];
        if (F & GL_RF_TEXTURE) {
            const GLfloat* dt = big ? s->textureBigStep : s->textureLittleStep;
            for (int i = 0; i < 4; i++) s->spanTexture[i] += dt[i];
        }
        if (F & GL_RF_STENCIL) s->stencilAddress += big ? s->stencilBigStep : s->stencilLittleStep;
        if (F & GL_RF_DEPTH_TEST) {
            const GLuint dz = big ? s->zBigStep : s->zLittleStep;
            if (F & GL_RF_POLYGON_OFFSET) {
                // The offset depth may lie beyond the range: spanZ stays its clamped value.
                s->offsetRunStart += big ? s->offsetRunBigStep : s->offsetRunLittleStep;
                s->offsetZ += (double)(GLint)dz;
                s->spanZ = depthValue(s->offsetZ);
            } else {
                s->spanZ += dz;
            }
        }
        if (F & GL_RF_DEPTH) s->depthAddress += big ? s->depthBigStep : s->depthLittleStep;
        if (F & GL_RF_FOG_FRAGMENT) s->spanFog += big ? s->fogBigStep : s->fogLittleStep;
        stepEdge(&s->rightEdge);
    }
}

// Scan lines are walked only inside the clip box rows; edges and start values
// are set up at the first row drawn.
extern "C" void GLPROC __glSetupTriangle(GlContext* gc, GlVertex* A, GlVertex* B, GlVertex* C, GLuint longEdgeLeft) {
    __glSetupTriangleEmit(gc, A, B, C, longEdgeLeft, emitSpan);
}

extern "C" void GLPROC __glSetupTriangleEmit(GlContext* gc, GlVertex* A, GlVertex* B, GlVertex* C,
                                             GLuint longEdgeLeft, GlEmitSpanProc emit) {
    if (!insideGuard(gc, A) || !insideGuard(gc, B) || !insideGuard(gc, C)) return;
    GlSpanState* s = &gc->span;
    const GLfloat xA = A->window[0], yA = A->window[1];
    const GLfloat xB = B->window[0], yB = B->window[1];
    const GLint iyA = (GLint)yA, iyB = (GLint)yB, iyC = (GLint)C->window[1];
    if (iyA == iyC || __glSameColumn(xA, xB, C->window[0])) return;
    const GLint cy0 = s->clipBox[1], cy1 = s->clipBox[3];
    const GLint upper0 = iyA > cy0 ? iyA : cy0, upper1 = iyB < cy1 ? iyB : cy1;
    const GLint lower0 = iyB > cy0 ? iyB : cy0, lower1 = iyC < cy1 ? iyC : cy1;
    if (upper0 >= upper1 && lower0 >= lower1) return;
    const GLint first = upper0 < upper1 ? upper0 : lower0;
    const double dyFirstA = (double)first + 1.0 - (double)yA;
    const GLfloat sAC = s->dxAC / s->dyAC;
    const double xLong = (double)xA + (double)sAC * dyFirstA;
    // A single scan line whose two edges cross it in the same pixel column
    // holds no pixel: nothing more is set up. The edges' x there are the
    // ones setupEdge takes (an x's fraction is below 1: its carry is 0).
    const GLint upperRows = upper1 - upper0, lowerRows = lower1 - lower0;
    if ((upperRows > 0 ? upperRows : 0) + (lowerRows > 0 ? lowerRows : 0) == 1) {
        double xShort;
        if (upperRows > 0) xShort = (double)xA + (double)((xA - xB) / (yA - yB)) * dyFirstA;
        else xShort = (double)xB + (double)(s->dxBC / s->dyBC) * ((double)lower0 + 1.0 - (double)yB);
        if ((GLint)xShort == (GLint)xLong) return;
    }
    s->rasterFlags = gc->rasterFlags;
    setupGradients(gc, A, B, C);

    GlEdge* longEdge = longEdgeLeft ? &s->leftEdge : &s->rightEdge;
    GlEdge* shortEdge = longEdgeLeft ? &s->rightEdge : &s->leftEdge;
    setupEdge(longEdge, xLong, sAC);
    if (longEdgeLeft) {
        setupLeftEdgeSteps(gc);
        __glSetSpanStartValues(gc, A, (GLfloat)((double)s->leftEdge.x + 1.0 - xA), (GLfloat)dyFirstA);
    }
    if (upper0 < upper1) {
        const GLfloat sAB = (xA - xB) / (yA - yB);
        setupEdge(shortEdge, (double)xA + (double)sAB * dyFirstA, sAB);
        if (!longEdgeLeft) {
            setupLeftEdgeSteps(gc);
            __glSetSpanStartValues(gc, A, (GLfloat)((double)s->leftEdge.x + 1.0 - xA), (GLfloat)dyFirstA);
        }
        __glWalkTriangleEmit(gc, upper0, upper1, emit);
    }
    if (lower0 >= lower1) return;
    const double dyB = (double)lower0 + 1.0 - (double)yB;
    const GLfloat sBC = s->dxBC / s->dyBC;
    setupEdge(shortEdge, (double)xB + (double)sBC * dyB, sBC);
    if (!longEdgeLeft) {
        setupLeftEdgeSteps(gc);
        __glSetSpanStartValues(gc, B, (GLfloat)((double)s->leftEdge.x + 1.0 - xB), (GLfloat)dyB);
    }
    __glWalkTriangleEmit(gc, lower0, lower1, emit);
}

extern "C" void GLPROC __glSetupTriangleFlat(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c,
                                             GLuint longEdgeLeft) {
    GlVertex* v[3] = {a, b, c};
    const GlVertex* p = gc->provokingVertex ? gc->provokingVertex : c;
    GLfloat fogged[3][4];
    GLfloat* saved[3];
    for (int i = 0; i < 3; i++) __glFogBlend(gc, fogged[i], p->color, v[i]->fog);
    for (int i = 0; i < 3; i++) saved[i] = v[i]->color, v[i]->color = fogged[i];
    gc->procs.setupTriangleWrapped(gc, a, b, c, longEdgeLeft);
    for (int i = 0; i < 3; i++) v[i]->color = saved[i];
}

extern "C" void GLPROC __glNullTriangleSetup(GlContext*, GlVertex*, GlVertex*, GlVertex*, GLuint) {}

// Set-ups that sample pixel centres scan line by scan line.
static bool samplesCentres(const GlContext* gc, GlSetupTriangleProc setup) {
    if (setup == __glSetupTriangleFlat) setup = gc->procs.setupTriangleWrapped;
    return setup == __glSetupTriangle || setup == __glChainSetupTriangle || setup == __glNullTriangleSetup;
}

// Equal patterns under 0xFFFFF800 hold the same sign, exponent and top 12
// mantissa bits: below 8192 an interval inside one pixel row (as the set-up
// truncates), or negative, rows below a clip box from row 0; from 8192 up
// intervals of two rows and more, above a clip box that ends at 8192.
// Otherwise only equal patterns (a zero area) are dropped.
extern "C" GLuint GLPROC __glTriangleCellMask(const GlContext* gc) {
    const GlContextProcs* p = &gc->procs;
    const GlTriangleProc render = p->renderTriangle;
    const GlOgCache* setups = &gc->og.gen.caches[GL_OG_CACHE_SETUP];
    const uint8_t* at = (const uint8_t*)(const void*)render;
    bool sampled = render == __glNullTriangleRender || render == __glEmptyTriangleProc ||
                   (setups->code && at >= setups->code && at < setups->code + (size_t)setups->entryCount * setups->codeBytes);
    if (render == __glGenericTriangle)
        sampled = gc->polygonModeFront == 2 && gc->polygonModeBack == 2 && samplesCentres(gc, p->setupTriangle);
    else if (render == __glFillTriangle || render == __glFillTriangleReuseEdge)
        sampled = samplesCentres(gc, p->setupTriangle);
    if (!sampled) return 0;
    return gc->span.clipBox[1] >= 0 && gc->span.clipBox[3] <= 8192 ? 0xFFFFF800u : 0xFFFFFFFFu;
}

// ---- Antialiased polygons.
//
// Coverage is counted on a g x g subsample grid per pixel with the vertices
// snapped to 1/8 pixel; all of it is exact integer arithmetic in 1/16 pixel
// units of (window - 0.5), where pixel x spans [16x, 16x + 16). An edge's
// equation is built from its vertices in a fixed order, so a subsample on an
// edge two triangles share belongs to exactly one of them.

namespace {

struct CoverageEdge {
    int64_t a, b, c;
    bool positive;  // inside is a x + b y + c > 0, else <= 0
    bool inside(int64_t e) const { return positive ? e > 0 : e <= 0; }
};

struct SmoothTriangle {
    CoverageEdge edge[3];
    int64_t X[3], Y[3];  // snapped vertices, 1/16 pixel
    GLint grid;          // subsamples per pixel and axis
    GLint step;          // subsample spacing, 1/16 pixel
};

void buildEdge(CoverageEdge* e, int64_t xp, int64_t yp, int64_t xq, int64_t yq, int64_t xr, int64_t yr) {
    if (yp < yq || (yp == yq && xp < xq)) {
        int64_t t = xp;
        xp = xq, xq = t;
        t = yp, yp = yq, yq = t;
    }
    e->a = -(yp - yq);
    e->b = xp - xq;
    e->c = (yp - yq) * xq - (xp - xq) * yq;
    e->positive = e->a * xr + e->b * yr + e->c > 0;
}

struct PixelCoverage {
    GLint count;
    GLint minI, maxI, minJ, maxJ;  // covered subsample columns and rows
};

void coverPixel(const SmoothTriangle* t, GLint px, GLint py, PixelCoverage* out) {
    const GLint g = t->grid, st = t->step;
    const int64_t x0 = (int64_t)px * 16 + st / 2, y0 = (int64_t)py * 16 + st / 2;
    out->count = 0;
    out->minI = out->minJ = g, out->maxI = out->maxJ = -1;
    int64_t row[3];
    for (int k = 0; k < 3; k++) row[k] = t->edge[k].a * x0 + t->edge[k].b * y0 + t->edge[k].c;
    for (GLint j = 0; j < g; j++) {
        int64_t e[3] = {row[0], row[1], row[2]};
        for (GLint i = 0; i < g; i++) {
            if (t->edge[0].inside(e[0]) && t->edge[1].inside(e[1]) && t->edge[2].inside(e[2])) {
                out->count++;
                if (i < out->minI) out->minI = i;
                if (i > out->maxI) out->maxI = i;
                if (j < out->minJ) out->minJ = j;
                if (j > out->maxJ) out->maxJ = j;
            }
            for (int k = 0; k < 3; k++) e[k] += t->edge[k].a * st;
        }
        for (int k = 0; k < 3; k++) row[k] += t->edge[k].b * st;
    }
}

bool stippleAllows(const GlContext* gc, GLint x, GLint y) {
    const GLint col = x - gc->limits.windowBiasX;
    GLint row = y - gc->limits.windowBiasY;
    if (gc->yInverted) row = gc->drawableHeight - 1 - row;
    const uint8_t bits = gc->stipple.rows[row & 31][(col & 31) >> 3];
    return (bits >> (7 - (col & 7))) & 1;
}

// One partly covered pixel: values at the centre of its covered subsamples.
void storePartialPixel(GlContext* gc, const SmoothTriangle* t, const GlVertex* A, GLint px, GLint py,
                       const PixelCoverage* pc) {
    const GlSpanState* s = &gc->span;
    const GLuint F = s->rasterFlags;
    if ((F & GL_RF_POLYGON_STIPPLE) && !stippleAllows(gc, px, py)) return;
    const GLint g = t->grid, st = t->step;
    // Window position: 1/16 units of (window - 0.5), back to window.
    const double cx = ((double)px * 16 + st * 0.5 * (pc->minI + pc->maxI + 1)) / 16.0 + 0.5;
    const double cy = ((double)py * 16 + st * 0.5 * (pc->minJ + pc->maxJ + 1)) / 16.0 + 0.5;
    const GLfloat dx = (GLfloat)(cx - A->window[0]), dy = (GLfloat)(cy - A->window[1]);
    const GLfloat coverage = (GLfloat)pc->count / (GLfloat)(g * g);
    GlFragment f;
    f.x = px, f.y = py;
    const int nc = colorCount(F);
    const int n = (F & GL_RF_RGBA) ? 4 : 1;
    for (int i = 0; i < n; i++)
        f.color[i] = i < nc ? A->color[i] + dx * s->colorDx[i] + dy * s->colorDy[i] : s->spanColor[i];
    for (int i = n; i < 4; i++) f.color[i] = 0.0f;
    if (F & GL_RF_TEXTURE) {
        GLfloat v[4];
        for (int i = 0; i < 4; i++) {
            const GLfloat a = i < 3 ? A->texCoord[kTexIndex[i]] : A->texLod;
            v[i] = a + dx * s->textureDx[i] + dy * s->textureDy[i];
        }
        const GLfloat iq = v[2] != 0.0f ? 1.0f / v[2] : 0.0f;
        gc->procs.textureInterpolated(gc, f.color, v[0] * iq, v[1] * iq, v[3] * iq);
    }
    f.z = 0;
    if (F & GL_RF_DEPTH_TEST) {
        double z = (double)A->window[2] + (double)dx * s->zDxF + (double)dy * s->zDyF;
        if (F & GL_RF_POLYGON_OFFSET) {
            z += offsetAmount(gc);
            const double zmax = (double)gc->fb.depth.depthMax;
            z = z < 0.0 ? 0.0 : z > zmax ? zmax : z;
        }
        f.z = depthValue(z);
    }
    if (F & GL_RF_FOG_FRAGMENT) {
        const GLfloat v = fogValue(gc, A) + dx * s->fogDx + dy * s->fogDy;
        GLfloat factor = gc->hints.fog == GL_NICEST ? __glFogFactorOf(gc, v) : v;
        factor = factor > 1.0f ? 1.0f : factor > 0.0f ? factor : 0.0f;
        GLfloat fogged[4];
        __glFogBlend(gc, fogged, f.color, factor);
        for (int i = 0; i < n; i++) f.color[i] = fogged[i];
    }
    if (F & GL_RF_RGBA) f.color[3] *= coverage;
    else f.color[0] = __glIndexCoverage(f.color[0], coverage);
    gc->procs.storeFragmentTested(gc->drawBuffer, &f);
}

// Pixel columns a row band [16 py, 16 py + 16) of the triangle can touch.
bool rowExtent(const SmoothTriangle* t, GLint py, GLint* px0, GLint* px1) {
    const double lo = (double)py * 16, hi = lo + 16;
    double xmin = 1e300, xmax = -1e300;
    for (int k = 0; k < 3; k++) {
        const int m = (k + 1) % 3;
        double xp = (double)t->X[k], yp = (double)t->Y[k], xq = (double)t->X[m], yq = (double)t->Y[m];
        if (yp > yq) {
            double u = xp;
            xp = xq, xq = u;
            u = yp, yp = yq, yq = u;
        }
        if (yq < lo || yp > hi) continue;
        const double ya = yp > lo ? yp : lo, yb = yq < hi ? yq : hi;
        double xa = xp, xb = xq;
        if (yq > yp) {
            xa = xp + (xq - xp) * (ya - yp) / (yq - yp);
            xb = xp + (xq - xp) * (yb - yp) / (yq - yp);
        }
        xmin = fmin(xmin, fmin(xa, xb));
        xmax = fmax(xmax, fmax(xa, xb));
    }
    if (xmin > xmax) return false;
    *px0 = (GLint)floor(xmin / 16.0) - 1;
    *px1 = (GLint)floor(xmax / 16.0) + 2;
    return true;
}

}  // namespace

extern "C" void GLPROC __glSetupSmoothTriangle(GlContext* gc, GlVertex* A, GlVertex* B, GlVertex* C, GLuint) {
    if (!insideGuard(gc, A) || !insideGuard(gc, B) || !insideGuard(gc, C)) return;
    GlSpanState* s = &gc->span;
    SmoothTriangle t;
    const GlVertex* v[3] = {A, B, C};
    // Snapped to 1/8 pixel, kept in 1/16 units.
    for (int i = 0; i < 3; i++) {
        t.X[i] = 2 * (int64_t)((v[i]->window[0] - 0.5f) * 8.0f);
        t.Y[i] = 2 * (int64_t)((v[i]->window[1] - 0.5f) * 8.0f);
    }
    const int64_t area = (t.X[0] - t.X[2]) * (t.Y[1] - t.Y[2]) - (t.X[1] - t.X[2]) * (t.Y[0] - t.Y[2]);
    if (area == 0) return;
    for (int k = 0; k < 3; k++) {
        const int m = (k + 1) % 3, r = (k + 2) % 3;
        buildEdge(&t.edge[k], t.X[k], t.Y[k], t.X[m], t.Y[m], t.X[r], t.Y[r]);
    }
    t.grid = gc->hints.polygonSmooth == GL_NICEST ? 8 : 4;
    t.step = 16 / t.grid;
    s->rasterFlags = gc->rasterFlags;
    setupGradients(gc, A, B, C);
    s->leftEdge = GlEdge{0, 0, 0, 0, 0};
    s->spanColorBuffer = gc->drawBuffer;

    int64_t ymin = t.Y[0], ymax = t.Y[0];
    for (int i = 1; i < 3; i++) ymin = t.Y[i] < ymin ? t.Y[i] : ymin, ymax = t.Y[i] > ymax ? t.Y[i] : ymax;
    GLint row0 = (GLint)(ymin >> 4), row1 = (GLint)(ymax >> 4) + 1;
    if (row0 < s->clipBox[1]) row0 = s->clipBox[1];
    if (row1 > s->clipBox[3]) row1 = s->clipBox[3];
    const GLint full = t.grid * t.grid;
    PixelCoverage pc;
    for (GLint py = row0; py < row1; py++) {
        GLint px0, px1;
        if (!rowExtent(&t, py, &px0, &px1)) continue;
        if (px0 < s->clipBox[0]) px0 = s->clipBox[0];
        if (px1 > s->clipBox[2]) px1 = s->clipBox[2];
        // Partial pixels from the left up to the first fully covered one,
        // then from the right down to the last; the run between is full.
        GLint left = px0;
        for (; left < px1; left++) {
            coverPixel(&t, left, py, &pc);
            if (pc.count == full) break;
            if (pc.count) storePartialPixel(gc, &t, A, left, py, &pc);
        }
        if (left >= px1) continue;
        GLint right = px1 - 1;
        for (; right > left; right--) {
            coverPixel(&t, right, py, &pc);
            if (pc.count == full) break;
            if (pc.count) storePartialPixel(gc, &t, A, right, py, &pc);
        }
        __glSetSpanStartValues(gc, A, (GLfloat)((double)left + 1.0 - A->window[0]),
                               (GLfloat)((double)py + 1.0 - A->window[1]));
        setSpanAddresses(gc, left, py);
        emitSpan(gc, left, py, right - left + 1);
    }
}
