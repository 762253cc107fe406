// Lines: the line picker, the per-segment procedures, the aliased and
// antialiased set-up and the draw procedures.

#include <math.h>
#include <string.h>
#include "core/pickers.h"
#include "core/stateutil.h"
#include "geometry/geometry.h"
#include "raster/fragment.h"
#include "raster/lines.h"
#include "texture/texsample.h"

namespace {

inline GLint floatBits(GLfloat f) { return (GLint)__glFloatBits(f); }

// Nearest integer of a non-negative window coordinate (ties to even).
inline GLint roundWindow(GLfloat v) {
    const GLfloat t = v + 8388608.0f;
    return floatBits(t) & 0x7FFFFF;
}

// A float in [-1, 1) or [0, 1) as 1.31 fixed point, truncated and kept in range.
inline GLint fixed31(GLfloat v) {
    const double d = (double)v * 2147483648.0;
    if (d >= 2147483647.0) return 0x7FFFFFFF;
    if (d <= -2147483647.0) return -0x7FFFFFFF;
    return (GLint)d;
}

// A depth step as a 32-bit wrap-around integer.
inline GLint depthStep(GLfloat dz) {
    const double d = (double)dz;
    if (d >= 4294967295.0 || d <= -4294967295.0) return 0;
    return (GLint)(GLuint)(int64_t)d;
}

// Fog coordinate a line interpolates: eye z for per-fragment fog at GL_NICEST,
// else the vertex fog factor.
inline GLfloat fogCoordinate(const GlContext* gc, const GlVertex* v) {
    return gc->hints.fog == GL_NICEST ? v->eye[2] : v->fog;
}

// The gradients of z, fog and colour per major step, and their values at the
// first pixel, `offset` major units from the first vertex.
void setGradients(GlContext* gc, const GlVertex* a, const GlVertex* b, GLfloat offset) {
    GlSpanState* s = &gc->span;
    const GLuint F = gc->rasterFlags;
    const GLfloat invDelta = gc->constants.one / s->lineMajorDelta;
    if (F & GL_RF_DEPTH_TEST) {
        const GLfloat dz = (b->window[2] - a->window[2]) * invDelta;
        s->zDx = depthStep(dz);
        s->zDx32 = (GLint)((GLuint)s->zDx << 5);
        s->spanZ = __glPrimitiveDepth(gc, (double)a->window[2] + (double)offset * dz);
    }
    if (F & GL_RF_FOG_FRAGMENT) {
        const GLfloat f0 = fogCoordinate(gc, a);
        s->fogDx = invDelta * (fogCoordinate(gc, b) - f0);
        s->spanFog = f0 + offset * s->fogDx;
    }
    if (F & GL_RF_TEXTURE) {
        // s, t and q per major step; no step across the line.
        static const int k[3] = {0, 1, 3};
        for (int i = 0; i < 3; i++) {
            s->textureDx[i] = invDelta * (b->texCoord[k[i]] - a->texCoord[k[i]]);
            s->spanTexture[i] = a->texCoord[k[i]] + offset * s->textureDx[i];
            s->textureDy[i] = 0.0f;
        }
        // The level of detail at each end, times its q.
        const GLfloat* ta = a->texCoord;
        const GLfloat* tb = b->texCoord;
        const GLfloat lod0 = gc->procs.texLodLine(gc, ta[0], ta[1], ta[3]) * ta[3];
        const GLfloat lod1 = gc->procs.texLodLine(gc, tb[0], tb[1], tb[3]) * tb[3];
        s->textureDx[3] = invDelta * (lod1 - lod0);
        s->spanTexture[3] = lod0 + offset * s->textureDx[3];
        s->textureDy[3] = 0.0f;
    }
    const int components = (F & GL_RF_RGBA) ? 4 : 1;
    if (F & GL_RF_SMOOTH_COLOR) {
        // Evaluated at the first pixel, kept between the two vertex colours.
        for (int i = 0; i < components; i++) {
            const GLfloat c0 = a->color[i], c1 = b->color[i];
            s->colorDx[i] = invDelta * (c1 - c0);
            GLfloat c = c0 + offset * s->colorDx[i];
            const GLfloat lo = c0 < c1 ? c0 : c1, hi = c0 < c1 ? c1 : c0;
            s->spanColor[i] = c < lo ? lo : c > hi ? hi : c;
        }
    } else {
        for (int i = 0; i < components; i++) s->spanColor[i] = b->color[i], s->colorDx[i] = 0.0f;
    }
}

void resetStippleIfPending(GlContext* gc) {
    if ((gc->rasterFlags & GL_RF_LINE_STIPPLE) && !gc->lineResetPending) {
        gc->span.lineStippleBit = 0;
        gc->span.lineStippleRepeat = 0;
        gc->lineResetPending = 1;
    }
}

// Runs the stages over the line in sections the span arrays hold.
void runSections(GlContext* gc) {
    GlSpanState* s = &gc->span;
    GLint remaining = s->linePixelCount;
    while (remaining > 0) {
        const GLint n = remaining < GL_LINE_SECTION_PIXELS ? remaining : GL_LINE_SECTION_PIXELS;
        s->linePixelCount = s->spanLength = n;
        gc->procs.runLineStages(gc);
        remaining -= n;
        if (remaining) __glAdvanceLine(gc, n);
    }
}

// The first k0 of count walk steps (major coordinate start + k dir) lie before
// the clip box and the steps after k1 beyond it; false when none is inside.
bool visibleSteps(const GlSpanState* s, bool yMajor, GLint start, GLint dir, GLint count, GLint* k0, GLint* k1) {
    const GLint lo = yMajor ? s->clipBox[1] : s->clipBox[0];
    const GLint hi = (yMajor ? s->clipBox[3] : s->clipBox[2]) - 1;
    GLint a = dir > 0 ? lo - start : start - hi, b = dir > 0 ? hi - start : start - lo;
    if (a < 0) a = 0;
    if (b > count - 1) b = count - 1;
    *k0 = a, *k1 = b;
    return a <= b;
}

// Moves the walk's start k steps on: the minor position is the start's plus k
// times the 1.31 slope, exactly as k single steps would leave it.
void skipSteps(GlSpanState* s, GLint k) {
    if (k <= 0) return;
    const bool yMajor = s->lineYMajor != 0;
    GLint& major = yMajor ? s->lineY : s->lineX;
    GLint& minor = yMajor ? s->lineX : s->lineY;
    const int64_t at = (int64_t)s->lineFraction + (int64_t)k * (int64_t)s->lineSlope;
    const int64_t whole = at >= 0 ? at >> 31 : -((-at + 0x7FFFFFFF) >> 31);
    major += k * (yMajor ? s->lineAxialDy : s->lineAxialDx);
    minor += (GLint)whole;
    s->lineFraction = (GLuint)(at - whole * 0x80000000LL);
}

// Moves the stipple counter on by n pixels of a line.
void advanceStipple(GlContext* gc, GLint n) {
    GlSpanState* s = &gc->span;
    if (n <= 0 || !(gc->rasterFlags & GL_RF_LINE_STIPPLE)) return;
    const GLint repeat = gc->line.stippleRepeat > 0 ? gc->line.stippleRepeat : 1;
    const GLint total = s->lineStippleRepeat + n % (16 * repeat);
    s->lineStippleBit = (s->lineStippleBit + total / repeat) & 15;
    s->lineStippleRepeat = total % repeat;
}

// One step of the walk, forward or back (the fraction's carry or borrow takes
// the diagonal step).
inline void stepForward(GlSpanState* s) {
    s->lineFraction += (GLuint)s->lineSlope;
    if ((GLint)s->lineFraction < 0) {
        s->lineFraction &= 0x7FFFFFFFu;
        s->lineX += s->lineDiagDx, s->lineY += s->lineDiagDy;
        s->lineAlong += s->lineAlongDiag, s->lineAcross += s->lineAcrossDiag;
    } else {
        s->lineX += s->lineAxialDx, s->lineY += s->lineAxialDy;
        s->lineAlong += s->lineAlongAxial, s->lineAcross += s->lineAcrossAxial;
    }
}
inline void stepBack(GlSpanState* s) {
    int64_t f = (int64_t)s->lineFraction - s->lineSlope;
    bool diag = false;
    if (f < 0) f += 0x80000000LL, diag = true;
    else if (f >= 0x80000000LL) f -= 0x80000000LL, diag = true;
    s->lineFraction = (GLuint)f;
    if (diag) {
        s->lineX -= s->lineDiagDx, s->lineY -= s->lineDiagDy;
        s->lineAlong -= s->lineAlongDiag, s->lineAcross -= s->lineAcrossDiag;
    } else {
        s->lineX -= s->lineAxialDx, s->lineY -= s->lineAxialDy;
        s->lineAlong -= s->lineAlongAxial, s->lineAcross -= s->lineAcrossAxial;
    }
}

// The axis-independent part of both set-ups: steps along the major axis
// (dir = +-1) with the minor axis following the sign of the minor delta.
void setSteps(GlSpanState* s, bool yMajor, GLint dir, GLfloat minorDelta) {
    const GLint minorDir = floatBits(minorDelta) > 0 ? 1 : -1;
    s->lineYMajor = yMajor;
    if (yMajor) {
        s->lineAxialDx = 0, s->lineAxialDy = dir;
        s->lineDiagDx = minorDir, s->lineDiagDy = dir;
    } else {
        s->lineAxialDx = dir, s->lineAxialDy = 0;
        s->lineDiagDx = dir, s->lineDiagDy = minorDir;
    }
}

// Major axis and direction by the octant: |dy| = |dx| goes to y-major, and
// +0.0 counts with the negative side.
inline void chooseOctant(GLfloat dx, GLfloat dy, bool* yMajor, GLint* dir) {
    const GLfloat adx = fabsf(dx), ady = fabsf(dy);
    if (floatBits(dx) > 0 && ady < adx) *yMajor = false, *dir = 1;
    else if (floatBits(dx) <= 0 && ady < adx) *yMajor = false, *dir = -1;
    else *yMajor = true, *dir = floatBits(dy) > 0 ? 1 : -1;
}

}  // namespace

// ---- Aliased lines.

extern "C" void GLPROC __glSetupLine(GlContext* gc, GlVertex* a, GlVertex* b) {
    GlSpanState* s = &gc->span;
    const GLint most = (GLint)(gc->limits.lineWidthMax + 0.5f);
    const GLint width = gc->line.widthInteger < 1 ? 1 : gc->line.widthInteger > most ? most : gc->line.widthInteger;
    s->lineVertex0 = a, s->lineVertex1 = b;
    s->lineWidthRows = width;
    s->linePixelCount = 0;
    s->lineHiddenBefore = s->lineHiddenAfter = 0;
    const GLfloat x0 = a->window[0], y0 = a->window[1], x1 = b->window[0], y1 = b->window[1];
    // Range check before any conversion: a line beyond the guard band is not drawn.
    if (!__glInsideGuardBand(gc, x0, y0, (GLfloat)width) || !__glInsideGuardBand(gc, x1, y1, (GLfloat)width)) return;
    const GLfloat dx = x1 - x0, dy = y1 - y0;
    if (dx == 0.0f && dy == 0.0f) return;
    bool yMajor;
    GLint dir;
    chooseOctant(dx, dy, &yMajor, &dir);
    // Major coordinate a, minor b; a pixel of major coordinate c is sampled at c + 1.
    const GLfloat a0 = yMajor ? y0 : x0, a1 = yMajor ? y1 : x1;
    const GLfloat b0 = yMajor ? x0 : y0, b1 = yMajor ? x1 : y1;
    const GLint ra0 = roundWindow(a0), ra1 = roundWindow(a1);
    const GLfloat fa0 = (a0 - (GLfloat)ra0) * (GLfloat)dir, fa1 = (a1 - (GLfloat)ra1) * (GLfloat)dir;
    const GLfloat fb0 = fabsf(b0 - (GLfloat)roundWindow(b0)), fb1 = fabsf(b1 - (GLfloat)roundWindow(b1));
    const GLint start = ra0 - 1 + (fb0 + fa0 > 0.5f ? dir : 0);
    const GLint end = ra1 - 1 + (fb1 + fa1 > 0.5f ? dir : 0);
    const GLint count = (end - start) * dir;
    if (count <= 0) return;
    const GLfloat majorDelta = (a1 - a0) * (GLfloat)dir;
    const GLfloat offset = ((GLfloat)(start + 1) - a0) * (GLfloat)dir;
    const GLfloat slope = (b1 - b0) / majorDelta;
    setSteps(s, yMajor, dir, b1 - b0);
    const GLfloat m = b0 + slope * offset - (GLfloat)width * 0.5f;
    const GLint minor = (GLint)m;
    s->lineFraction = (GLuint)fixed31(m - (GLfloat)minor);
    s->lineSlope = fixed31(slope);
    s->lineX = yMajor ? minor : start;
    s->lineY = yMajor ? start : minor;
    s->lineMajorDelta = majorDelta;
    // Only the steps inside the clip box's major range are walked.
    GLint k0, k1;
    if (!visibleSteps(s, yMajor, start, dir, count, &k0, &k1)) {
        s->lineHiddenBefore = count;
        return;
    }
    skipSteps(s, k0);
    s->lineMajorStartOffset = offset + (GLfloat)k0;
    s->linePixelCount = k1 - k0 + 1;
    s->lineHiddenBefore = k0;
    s->lineHiddenAfter = count - 1 - k1;
}

extern "C" void GLPROC __glDrawLine(GlContext* gc, GlVertex* a, GlVertex* b) {
    __glSetupLine(gc, a, b);
    GlSpanState* s = &gc->span;
    if (s->linePixelCount <= 0) {
        // A line wholly outside the clip box still moves the stipple on.
        if (s->lineHiddenBefore > 0) resetStippleIfPending(gc), advanceStipple(gc, s->lineHiddenBefore);
        return;
    }
    setGradients(gc, a, b, s->lineMajorStartOffset);
    resetStippleIfPending(gc);
    advanceStipple(gc, s->lineHiddenBefore);
    s->lineAlongAxial = s->lineAlongDiag = s->lineAcrossAxial = s->lineAcrossDiag = 0.0f;
    const GLint after = s->lineHiddenAfter;
    runSections(gc);
    advanceStipple(gc, after);
}

// Flat shading with per-vertex fog: the provoking colour fogged with each
// vertex's own fog factor, interpolated like a smooth line.
extern "C" void GLPROC __glDrawLineFlatFog(GlContext* gc, GlVertex* a, GlVertex* b) {
    GLfloat ca[4], cb[4];
    GLfloat* const savedA = a->color;
    GLfloat* const savedB = b->color;
    // The colour is the provoking vertex's (a polygon's for its edges), unfogged.
    const GLfloat* plain = savedB;
    gc->procs.fogBlend(gc, ca, plain, a->fog);
    gc->procs.fogBlend(gc, cb, plain, b->fog);
    a->color = ca, b->color = cb;
    gc->procs.drawLineWrapped(gc, a, b);
    a->color = savedA, b->color = savedB;
}

extern "C" void GLPROC __glNullLineDraw(GlContext*, GlVertex*, GlVertex*) {}

// ---- Antialiased lines.

extern "C" void GLPROC __glSetupLineAntialiased(GlContext* gc, GlVertex* a, GlVertex* b) {
    GlSpanState* s = &gc->span;
    s->lineVertex0 = a, s->lineVertex1 = b;
    s->linePixelCount = 0;
    s->lineMajorDelta = 0.0f;
    s->lineHiddenBefore = s->lineHiddenAfter = 0;
    const GLfloat width = gc->line.widthQuantized > 0.0f ? gc->line.widthQuantized : 1.0f;
    // Range check before any conversion: a line beyond the guard band is not drawn.
    if (!__glInsideGuardBand(gc, a->window[0], a->window[1], width + 2.0f) ||
        !__glInsideGuardBand(gc, b->window[0], b->window[1], width + 2.0f))
        return;
    // Pixel c covers [c, c + 1) after the half-pixel shift.
    const GLfloat x0 = a->window[0] - 0.5f, y0 = a->window[1] - 0.5f;
    const GLfloat x1 = b->window[0] - 0.5f, y1 = b->window[1] - 0.5f;
    const GLfloat dx = x1 - x0, dy = y1 - y0;
    if (dx == 0.0f && dy == 0.0f) return;
    const GLfloat len = sqrtf(dx * dx + dy * dy);
    s->lineLength = len;
    s->lineDirX = dx / len, s->lineDirY = dy / len;
    bool yMajor;
    GLint dir;
    chooseOctant(dx, dy, &yMajor, &dir);
    const GLfloat a0 = yMajor ? y0 : x0, b0 = yMajor ? x0 : y0;
    const GLfloat da = yMajor ? dy : dx, db = yMajor ? dx : dy;
    const GLfloat majorDelta = da * (GLfloat)dir;
    const GLint start = (GLint)a0;
    const GLfloat offset = ((GLfloat)start + 0.5f - a0) * (GLfloat)dir;
    const GLfloat slope = db / majorDelta;
    // Minor extent of the footprint (width plus the one-pixel fringe).
    const GLfloat extent = (width + 1.0f) * len / majorDelta;
    const GLfloat m = b0 + slope * offset - extent * 0.5f;
    const GLint minor = (GLint)floorf(m);
    setSteps(s, yMajor, dir, db);
    s->lineFraction = (GLuint)fixed31(m - (GLfloat)minor);
    s->lineSlope = fixed31(slope);
    s->lineX = yMajor ? minor : start;
    s->lineY = yMajor ? start : minor;
    s->linePixelCount = (GLint)ceilf(majorDelta) + 1;
    s->lineWidthRows = (GLint)ceilf(extent) + 1;
    s->lineMajorStartOffset = offset;
    s->lineMajorDelta = majorDelta;
    // Only steps near the clip box's major range are walked: a row's start
    // moves less than two steps per row.
    GLint k0, k1;
    const GLint count = s->linePixelCount, margin = 2 * s->lineWidthRows + 4;
    if (!visibleSteps(s, yMajor, start, dir, count, &k0, &k1)) k0 = count, k1 = -1;
    k0 = k0 - margin > 0 ? k0 - margin : 0;
    k1 = k1 + margin < count - 1 ? k1 + margin : count - 1;
    if (k0 > k1) {
        s->linePixelCount = 0;
        return;
    }
    skipSteps(s, k0);
    s->lineMajorStartOffset = offset + (GLfloat)k0;
    s->linePixelCount = k1 - k0 + 1;
    s->lineHiddenBefore = k0;
    // Along and across distances per step: x by sx adds (sx dirX, -sx dirY),
    // y by sy adds (sy dirY, sy dirX).
    const GLfloat ux = s->lineDirX, uy = s->lineDirY;
    s->lineAlongAxial = (GLfloat)s->lineAxialDx * ux + (GLfloat)s->lineAxialDy * uy;
    s->lineAcrossAxial = -(GLfloat)s->lineAxialDx * uy + (GLfloat)s->lineAxialDy * ux;
    s->lineAlongDiag = (GLfloat)s->lineDiagDx * ux + (GLfloat)s->lineDiagDy * uy;
    s->lineAcrossDiag = -(GLfloat)s->lineDiagDx * uy + (GLfloat)s->lineDiagDy * ux;
    const GLfloat ax = (GLfloat)s->lineX + 0.5f - x0, ay = (GLfloat)s->lineY + 0.5f - y0;
    s->lineAlong = ux * ax + uy * ay;
    s->lineAcross = -uy * ax + ux * ay;
}

extern "C" void GLPROC __glDrawLineAntialiased(GlContext* gc, GlVertex* a, GlVertex* b) {
    __glSetupLineAntialiased(gc, a, b);
    GlSpanState* s = &gc->span;
    if (s->lineMajorDelta == 0.0f || s->linePixelCount <= 0) return;
    const GLuint F = gc->rasterFlags;
    setGradients(gc, a, b, s->lineMajorStartOffset);
    resetStippleIfPending(gc);
    if (F & GL_RF_LINE_STIPPLE) {
        const GLint repeat = gc->line.stippleRepeat > 0 ? gc->line.stippleRepeat : 1;
        s->lineStippleScale = gc->constants.one / (GLfloat)repeat;
        s->lineStippleOffset = (GLfloat)(s->lineStippleRepeat + s->lineStippleBit * repeat) - 0.5f;
    }
    // The first pixel's values; each row starts where along first exceeds -0.5
    // and takes the values of its own major position.
    const GLint count = s->linePixelCount;
    const GLint rows = s->lineWidthRows;
    const GLuint z0 = s->spanZ;
    const GLfloat fog0 = s->spanFog;
    GLfloat color0[4], texture0[4];
    memcpy(color0, s->spanColor, sizeof color0);
    memcpy(texture0, s->spanTexture, sizeof texture0);
    GLint x = s->lineX, y = s->lineY;
    GLuint fraction = s->lineFraction;
    GLfloat along = s->lineAlong, across = s->lineAcross;
    for (GLint row = 0; row < rows; row++) {
        s->lineX = x, s->lineY = y, s->lineFraction = fraction;
        s->lineAlong = along, s->lineAcross = across;
        GLint shift = 0;
        // Back to the start cap only when the walk starts there; never past the end.
        if (!s->lineHiddenBefore)
            while (s->lineAlong > -0.5f && shift > -2 * rows - 4) stepBack(s), shift--;
        while (s->lineAlong <= -0.5f && shift < count) stepForward(s), shift++;
        s->spanZ = z0 + (GLuint)(shift * s->zDx);
        s->spanFog = fog0 + (GLfloat)shift * s->fogDx;
        for (int i = 0; i < 4; i++) s->spanColor[i] = color0[i] + (GLfloat)shift * s->colorDx[i];
        if (F & GL_RF_TEXTURE)
            for (int i = 0; i < 4; i++) s->spanTexture[i] = texture0[i] + (GLfloat)shift * s->textureDx[i];
        s->linePixelCount = count;
        runSections(gc);
        // Next row one pixel up the minor axis.
        if (s->lineYMajor) x += 1, along += s->lineDirX, across -= s->lineDirY;
        else y += 1, along += s->lineDirY, across += s->lineDirX;
    }
    if (F & GL_RF_LINE_STIPPLE) {
        const GLint repeat = gc->line.stippleRepeat > 0 ? gc->line.stippleRepeat : 1;
        const GLint total = s->lineStippleRepeat + (GLint)ceilf(s->lineLength);
        s->lineStippleBit = (s->lineStippleBit + total / repeat) & 15;
        s->lineStippleRepeat = total % repeat;
    }
}

// ---- Sections of long lines.

void __glAdvanceLine(GlContext* gc, GLint n) {
    GlSpanState* s = &gc->span;
    for (GLint i = 0; i < n; i++) stepForward(s);
    s->spanZ += (GLuint)(n * s->zDx);
    s->spanFog += (GLfloat)n * s->fogDx;
    for (int i = 0; i < 4; i++) s->spanColor[i] += (GLfloat)n * s->colorDx[i];
    if (gc->rasterFlags & GL_RF_TEXTURE)
        for (int i = 0; i < 4; i++) s->spanTexture[i] += (GLfloat)n * s->textureDx[i];
}

// ---- Per-segment procedures: both vertices complete, then the draw.

extern "C" void GLPROC __glRenderLine(GlContext* gc, GlVertex* a, GlVertex* b) {
    a->color = a->frontColor, b->color = b->frontColor;
    __glCompleteVertex(gc, a, gc->frontNeeds);
    __glCompleteVertex(gc, b, gc->frontNeeds);
    gc->procs.drawLine(gc, a, b);
}

// The second vertex provides the colour.
extern "C" void GLPROC __glRenderLineFlat(GlContext* gc, GlVertex* a, GlVertex* b) {
    a->color = a->frontColor, b->color = b->frontColor;
    __glCompleteVertex(gc, a, gc->triangleNeeds);
    __glCompleteVertex(gc, b, gc->frontNeeds);
    gc->procs.drawLine(gc, a, b);
}

// ---- The picker.

namespace {

struct StageList {
    GlContext* gc;
    GLint count;
    void add(GlSpanStageProc a, GlSpanStageProc b) {
        if (count >= GL_MAX_LINE_STAGES) return;
        gc->lineStagesA[count] = a;
        gc->lineStagesB[count] = b;
        count++;
    }
};

// Stencil and depth entries (a depth test that never passes kills every pixel).
void addStencilDepth(StageList* l, GLuint F) {
    if (F & GL_RF_STENCIL) {
        l->add(__glLineStencilStage, __glLineStencilStageMasked);
        if (F & GL_RF_DEPTH_TEST) l->add(__glLineDepthStencilStage, __glLineDepthStencilStageMasked);
        else l->add(__glLineStencilOnlyStage, __glLineStencilOnlyStageMasked);
    } else if (F & GL_RF_DEPTH_TEST) {
        l->add(__glLineDepthStage, __glLineDepthStageMasked);
    }
}

// The pixel writer: direct stores when every colour bit is writable and the
// buffer needs no per-fragment work.
void addWriter(StageList* l, GlContext* gc, GLuint F, bool antialiased) {
    const GlColorBuffer* cb = gc->drawBuffer;
    const bool direct = cb && cb->keepMask == 0 && !(F & (GL_RF_CLIP_LIST | GL_RF_BLEND | GL_RF_LOGIC_OP));
    const GLuint es = cb ? cb->buf.elementSize : 0;
    // Coverage changes the low bits of an index per pixel.
    const bool perPixel = (F & (GL_RF_SMOOTH_COLOR | GL_RF_TEXTURE | GL_RF_FOG_FRAGMENT)) || antialiased;
    const bool dither = (F & GL_RF_DITHER) != 0;
    if (direct && !(F & GL_RF_RGBA) && es == 1) {
        if (dither && perPixel) l->add(__glLineStoreIndex8PerPixelDither, __glLineStoreIndex8PerPixelDitherMasked);
        else if (dither) l->add(__glLineStoreIndex8FlatDither, __glLineStoreIndex8FlatDitherMasked);
        else if (perPixel) l->add(__glLineStoreIndex8PerPixel, __glLineStoreIndex8PerPixelMasked);
        else l->add(__glLineStoreIndex8Flat, __glLineStoreIndex8FlatMasked);
    } else if (direct && (F & GL_RF_RGBA) && es == 2) {
        if (dither) l->add(__glLineStoreRgb16Dither, __glLineStoreRgb16DitherMasked);
        else if (perPixel) l->add(__glLineStoreRgb16PerPixel, __glLineStoreRgb16PerPixelMasked);
        else l->add(__glLineStoreRgb16Flat, __glLineStoreRgb16FlatMasked);
    } else {
        l->add(__glLineStoreGeneric, __glLineStoreGenericMasked);
    }
}

}  // namespace

extern "C" void GLPROC __glPickLineProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    const GLuint F = gc->rasterFlags;
    if (gc->renderMode == GL_SELECT || gc->renderMode == GL_FEEDBACK) {
        p->renderLine = p->drawLine = gc->renderMode == GL_SELECT ? __glSelectLine : __glFeedbackLine;
        return;
    }
    const bool antialiased = (gc->enables.general & GL_EN_LINE_SMOOTH) != 0;
    p->drawLine = antialiased ? __glDrawLineAntialiased : __glDrawLine;

    StageList l = {gc, 0};
    bool wide = false;
    if (!antialiased) {
        if (F & GL_RF_LINE_STIPPLE) l.add(__glLineStippleStage, nullptr);
        wide = gc->line.widthInteger > 1;
        gc->lineClipIndex = l.count;
        l.add(__glLineClipStage, __glLineClipStageMasked);
        addStencilDepth(&l, F);
    } else {
        // Antialiased rows reach outside the viewport: the clip box always applies.
        l.add(__glLineClipStage, __glLineClipStageMasked);
    }
    if (F & GL_RF_RGBA) {
        GlSpanStageProc c = (F & GL_RF_SMOOTH_COLOR) ? __glColorSpanRgbaSmooth : __glColorSpanRgbaFlat;
        l.add(c, c);
    } else {
        GlSpanStageProc c = (F & GL_RF_SMOOTH_COLOR) ? __glColorSpanIndexSmooth : __glColorSpanIndexFlat;
        l.add(c, c);
    }
    if (F & GL_RF_TEXTURE) l.add(__glTextureSpan, __glTextureSpanMasked);
    if (F & GL_RF_FOG_FRAGMENT) {
        if (gc->hints.fog == GL_NICEST) l.add(__glFogSpanNicest, __glFogSpanNicestMasked);
        else l.add(__glFogSpanFast, __glFogSpanFastMasked);
    }
    if (antialiased) {
        l.add(__glLineCoverageStage, __glLineCoverageStageMasked);
        addStencilDepth(&l, F);
    }
    if (F & GL_RF_ALPHA_TEST) l.add(__glAlphaTestSpan, __glAlphaTestSpanMasked);
    if (F & GL_RF_INDEX_TEST) l.add(__glIndexTestSpan, __glIndexTestSpanMasked);
    const bool both = gc->bothBuffers != 0;
    gc->lineSplitIndex = l.count;
    // Nothing goes to a colour buffer with GL_NONE; depth and stencil still do.
    if (gc->colorBuffer.drawBuffer != GL_NONE && gc->drawBuffer) addWriter(&l, gc, F, antialiased);
    gc->lineStageCount = l.count;

    GlContextProc nop = (GlContextProc)__glNop;
    p->lineStagesAfter = p->lineStagesAfterMasked = p->lineRowAfter = p->lineRowAfterMasked = nop;
    GlContextProc* bothPair = &p->lineStagesAfter;
    if (wide) {
        p->lineStagesAfter = __glRunWideLineStages;
        p->lineStagesAfterMasked = __glRunWideLineStagesMasked;
        bothPair = &p->lineRowAfter;
    }
    if (both) {
        bothPair[0] = __glRunLineStagesBothBuffers;
        bothPair[1] = __glRunLineStagesBothBuffersMasked;
    } else {
        gc->lineSplitIndex = l.count;
    }
    if (!wide) gc->lineClipIndex = gc->lineSplitIndex;
    p->runLineStages = !wide && !both && l.count == 3 ? __glRunLineStagesShort : __glRunLineStages;

    if ((F & GL_RF_FOG_VERTEX) && !(F & GL_RF_SMOOTH) && p->fogBlend) {
        p->drawLineWrapped = p->drawLine;
        p->drawLine = __glDrawLineFlatFog;
    }
    if (gc->arrays.flags & GL_ARRAY_HINT_6402) p->drawLine = p->drawLineWrapped = __glNullLineDraw;
}
