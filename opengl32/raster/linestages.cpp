// Line stages: the runners (once, wide, both buffers), the clip, stipple,
// coverage, stencil and depth stages and the pixel writers. Every stage walks
// the line from its first pixel with the 1.31 fraction; list-A forms write
// fresh coverage words, list-B forms honour them.

#include <string.h>
#include "core/stateutil.h"
#include "raster/fragment.h"
#include "raster/lines.h"
#include "raster/depthstencil.h"

const GLfloat __glDitherTable4x4[16] = {
    -0.46875f, 0.03125f,  -0.34375f, 0.15625f,  0.28125f, -0.21875f, 0.40625f, -0.09375f,
    -0.28125f, 0.21875f,  -0.40625f, 0.09375f,  0.46875f, -0.03125f, 0.34375f, -0.15625f,
};

namespace {

// The walk over the pixels of the current line.
struct Walk {
    GLint x, y;
    GLuint fraction;
    GLint slope, axialDx, axialDy, diagDx, diagDy;
    explicit Walk(const GlSpanState* s)
        : x(s->lineX), y(s->lineY), fraction(s->lineFraction), slope(s->lineSlope), axialDx(s->lineAxialDx),
          axialDy(s->lineAxialDy), diagDx(s->lineDiagDx), diagDy(s->lineDiagDy) {}
    // True for a diagonal step.
    bool step() {
        fraction += (GLuint)slope;
        if ((GLint)fraction < 0) {
            fraction &= 0x7FFFFFFFu;
            x += diagDx, y += diagDy;
            return true;
        }
        x += axialDx, y += axialDy;
        return false;
    }
};

// A buffer address stepped with the walk.
struct Cursor {
    uint8_t* p;
    GLint axial, diag;
    Cursor() : p(nullptr), axial(0), diag(0) {}
    Cursor(const GlBufferObject* b, const GlContext* gc) {
        const GlSpanState* s = &gc->span;
        const GLint es = (GLint)b->elementSize;
        p = __glBufferAddress(b, gc, s->lineX, s->lineY);
        axial = s->lineAxialDy * b->stride + s->lineAxialDx * es;
        diag = s->lineDiagDy * b->stride + s->lineDiagDx * es;
    }
    void step(bool d) { p += d ? diag : axial; }
};

inline GLuint wordCount(GLint n) { return (GLuint)(n + 31) >> 5; }

inline bool allWordsDead(const GlSpanState* s) {
    const GLuint* w = s->lineCoverage;
    for (GLuint i = 0, n = wordCount(s->linePixelCount); i < n; i++)
        if (w[i]) return false;
    return true;
}

// Runs a per-pixel test over the line. P provides test(i, x, y) (true: the
// pixel lives) and step(diagonal). List A writes every coverage word and
// returns whether it killed a pixel; list B tests live pixels only and
// returns whether none is left.
template <bool Masked, typename P>
GLuint testPixels(GlContext* gc, P& pixel) {
    GlSpanState* s = &gc->span;
    const GLint n = s->linePixelCount;
    GLuint* words = s->lineCoverage;
    Walk w(s);
    GLint killed = 0;
    GLuint bits = 0;
    for (GLint i = 0; i < n; i++) {
        const GLuint bit = 0x80000000u >> (i & 31);
        if (Masked) {
            if ((words[i >> 5] & bit) && !pixel.test(i, w.x, w.y)) words[i >> 5] &= ~bit;
        } else {
            if (pixel.test(i, w.x, w.y)) bits |= bit;
            else killed++;
            if ((i & 31) == 31 || i == n - 1) words[i >> 5] = bits, bits = 0;
        }
        pixel.step(w.step());
    }
    if (Masked) {
        if (!allWordsDead(s)) return 0;
        s->lineAllDead = 1;
        return 1;
    }
    if (killed == n) s->lineAllDead = 1;
    return killed != 0;
}

// ---- Window clip box.

struct ClipPixel {
    GLint x0, y0, x1, y1;
    explicit ClipPixel(const GlSpanState* s) : x0(s->clipBox[0]), y0(s->clipBox[1]), x1(s->clipBox[2]), y1(s->clipBox[3]) {}
    bool inside(GLint x, GLint y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    bool test(GLint, GLint x, GLint y) const { return inside(x, y); }
    void step(bool) {}
};

// The last pixel in closed form: the number of carries over n - 1 steps.
void lastPixel(const GlSpanState* s, GLint* x, GLint* y) {
    const int64_t steps = s->linePixelCount - 1;
    const int64_t f = s->lineSlope >= 0 ? (int64_t)s->lineFraction : 0x7FFFFFFFLL - (int64_t)s->lineFraction;
    const int64_t slope = s->lineSlope >= 0 ? s->lineSlope : -(int64_t)s->lineSlope;
    const GLint carries = (GLint)((f + steps * slope) >> 31);
    const GLint axial = (GLint)steps - carries;
    *x = s->lineX + axial * s->lineAxialDx + carries * s->lineDiagDx;
    *y = s->lineY + axial * s->lineAxialDy + carries * s->lineDiagDy;
}

// ---- Stencil and depth.

enum { ST_TEST = 1, ST_DEPTH = 2, ST_ZOPS = 4 };

template <int Kind>
struct DepthStencilPixel {
    Cursor stencil, depth;
    const uint8_t *testTable, *failTable, *zfailTable, *zpassTable;
    GLuint entryMask, z;
    const GlDepthBuffer* db;
    GLint zStep;
    GlDepthSpanProc depthTest;
    explicit DepthStencilPixel(GlContext* gc) {
        GlStencilBuffer* sb = &gc->fb.stencil;
        GlDepthBuffer* db = &gc->fb.depth;
        if (Kind & (ST_TEST | ST_ZOPS)) stencil = Cursor(&sb->buf, gc);
        if (Kind & ST_DEPTH) depth = Cursor(&db->buf, gc);
        testTable = sb->testTable, failTable = sb->failOpTable;
        zfailTable = sb->depthFailOpTable, zpassTable = sb->depthPassOpTable;
        entryMask = sb->entries ? sb->entries - 1 : 0;
        z = gc->span.spanZ, zStep = gc->span.zDx;
        this->db = db;
        depthTest = gc->procs.depthTestSpan;
    }
    bool test(GLint, GLint, GLint) {
        uint8_t* sp = stencil.p;
        if (Kind & ST_TEST) {
            if (!testTable[*sp & entryMask]) {
                *sp = failTable[*sp];
                return false;
            }
        }
        bool pass = true;
        if (Kind & ST_DEPTH) pass = depthTest(__glDepthStored(db, z), depth.p) != 0;
        if (Kind & ST_ZOPS) *sp = pass ? zpassTable[*sp] : zfailTable[*sp];
        return pass;
    }
    void step(bool d) {
        if (Kind & (ST_TEST | ST_ZOPS)) stencil.step(d);
        if (Kind & ST_DEPTH) depth.step(d);
        z += (GLuint)zStep;
    }
};

template <int Kind, bool Masked>
GLuint GLPROC depthStencilStage(GlContext* gc) {
    DepthStencilPixel<Kind> pixel(gc);
    return testPixels<Masked>(gc, pixel);
}

// ---- Antialias coverage.

struct CoveragePixel {
    GlContext* gc;
    GLfloat along, across, half, lengthEnd;
    GLfloat alongAxial, alongDiag, acrossAxial, acrossDiag;
    GLfloat stippleOffset, stippleScale;
    GLuint pattern;
    bool stipple, rgba;
    explicit CoveragePixel(GlContext* c) : gc(c) {
        const GlSpanState* s = &gc->span;
        along = s->lineAlong, across = s->lineAcross;
        const GLfloat width = gc->line.widthQuantized > 0.0f ? gc->line.widthQuantized : 1.0f;
        half = (width - 1.0f) * 0.5f;
        lengthEnd = s->lineLength - 0.5f;
        alongAxial = s->lineAlongAxial, alongDiag = s->lineAlongDiag;
        acrossAxial = s->lineAcrossAxial, acrossDiag = s->lineAcrossDiag;
        stipple = (gc->rasterFlags & GL_RF_LINE_STIPPLE) != 0;
        stippleOffset = s->lineStippleOffset, stippleScale = s->lineStippleScale;
        pattern = gc->line.stipplePattern;
        rgba = (gc->rasterFlags & GL_RF_RGBA) != 0;
    }
    GLfloat patternBit(GLfloat k) const { return (GLfloat)((pattern >> ((GLint)(k * stippleScale) & 15)) & 1); }
    bool test(GLint i, GLint, GLint) {
        GLfloat cov = 1.0f;
        if (across > half) cov = half + 1.0f - across;
        else if (-half > across) cov = half + across + 1.0f;
        if (cov < 0.0f) return false;
        if (along < 0.5f) cov *= 0.5f + along;
        else if (lengthEnd < along) cov *= lengthEnd + 1.0f - along;
        if (cov < 0.0f) return false;
        if (stipple) {
            const GLfloat st = (along > 0.5f ? along : 0.5f) + stippleOffset;
            const GLfloat k = (GLfloat)(GLint)st - (st < 0.0f && (GLfloat)(GLint)st != st ? 1.0f : 0.0f);
            const GLfloat frac = st - k;
            cov *= (1.0f - frac) * patternBit(k) + frac * patternBit(k + 1.0f);
        }
        if (cov == 0.0f) return false;
        GLfloat* c = gc->span.lineColors[i];
        if (rgba) c[3] *= cov;
        else c[0] = __glIndexCoverage(c[0], cov);
        return true;
    }
    void step(bool d) {
        along += d ? alongDiag : alongAxial;
        across += d ? acrossDiag : acrossAxial;
    }
};

// ---- Writers.

// Nearest integer by the 1.5 * 2^23 bias (ties to even).
inline GLint roundBias(GLfloat v) { return (GLint)(__glFloatBits(v + 12582912.0f) & 0x7FFFFF) - 0x400000; }

inline GLfloat ditherAt(GLint x, GLint y) { return __glDitherTable4x4[(y & 3) * 4 + (x & 3)]; }

// Writes value(i, x, y) at each (live) pixel of the draw buffer.
template <bool Masked, typename T, typename V>
GLuint writePixels(GlContext* gc, V value) {
    GlSpanState* s = &gc->span;
    Cursor c(&s->spanColorBuffer->buf, gc);
    const GLuint* words = s->lineCoverage;
    Walk w(s);
    for (GLint i = 0, n = s->linePixelCount; i < n; i++) {
        if (!Masked || (words[i >> 5] & (0x80000000u >> (i & 31)))) *(T*)c.p = value(i, w.x, w.y);
        c.step(w.step());
    }
    return 0;
}

enum { W_FLAT, W_PER_PIXEL, W_FLAT_DITHER, W_PER_PIXEL_DITHER };

template <int Mode, bool Masked>
GLuint GLPROC storeIndex8(GlContext* gc) {
    GLfloat(*colors)[4] = gc->span.lineColors;
    const uint8_t flat = (uint8_t)roundBias(colors[0][0]);
    return writePixels<Masked, uint8_t>(gc, [&](GLint i, GLint x, GLint y) -> uint8_t {
        GLfloat v = (Mode == W_PER_PIXEL || Mode == W_PER_PIXEL_DITHER) ? colors[i][0] : colors[0][0];
        if (Mode == W_FLAT) return flat;
        if (Mode == W_FLAT_DITHER || Mode == W_PER_PIXEL_DITHER) v += ditherAt(x, y);
        const GLint r = roundBias(v);
        return (uint8_t)(r < 0 ? 0 : r > 255 ? 255 : r);
    });
}

// Red, green and blue rounded, kept in their fields.
inline uint16_t pack16(const GlColorBuffer* cb, const GLfloat* c, GLfloat offset) {
    GLuint v = 0;
    for (int k = 0; k < 3; k++) {
        GLint r = roundBias(c[k] + offset);
        const GLint top = (GLint)cb->maximum[k];
        r = r < 0 ? 0 : r > top ? top : r;
        v |= (GLuint)r << cb->shift[k];
    }
    return (uint16_t)v;
}

template <int Mode, bool Masked>
GLuint GLPROC storeRgb16(GlContext* gc) {
    const GlColorBuffer* cb = gc->span.spanColorBuffer;
    GLfloat(*colors)[4] = gc->span.lineColors;
    const uint16_t flat = pack16(cb, colors[0], 0.0f);
    return writePixels<Masked, uint16_t>(gc, [&](GLint i, GLint x, GLint y) -> uint16_t {
        if (Mode == W_FLAT) return flat;
        return pack16(cb, colors[i], Mode == W_PER_PIXEL_DITHER ? ditherAt(x, y) : 0.0f);
    });
}

template <bool Masked>
GLuint GLPROC storeGeneric(GlContext* gc) {
    GlSpanState* s = &gc->span;
    GlColorBuffer* cb = s->spanColorBuffer;
    const GLuint* words = s->lineCoverage;
    GlFragment f = {0, 0, s->spanZ, {0, 0, 0, 0}};
    Walk w(s);
    for (GLint i = 0, n = s->linePixelCount; i < n; i++, w.step()) {
        if (Masked && !(words[i >> 5] & (0x80000000u >> (i & 31)))) continue;
        f.x = w.x, f.y = w.y;
        memcpy(f.color, s->lineColors[i], sizeof f.color);
        cb->storeFragment(cb, &f);
    }
    return 0;
}

// ---- Runners.

inline bool lineDead(const GlSpanState* s) { return s->lineAllDead || s->spanAllDead; }

// Runs stages [i, end): list A until a stage kills, then list B. Returns -1
// when the line died, 1 when some pixel was killed, 0 otherwise.
int runRange(GlContext* gc, GLint i, GLint end, bool masked) {
    GlSpanState* s = &gc->span;
    if (!masked) {
        for (; i < end; i++) {
            if (gc->lineStagesA[i](gc)) {
                if (lineDead(s)) return -1;
                masked = true;
                i++;
                break;
            }
        }
        if (!masked) return 0;
    }
    for (; i < end; i++) {
        GlSpanStageProc b = gc->lineStagesB[i];
        if (b && b(gc)) return -1;
    }
    return 1;
}

void startLine(GlContext* gc) {
    GlSpanState* s = &gc->span;
    s->spanColorBuffer = gc->drawBuffer;
    s->lineColors = s->spanColors = (GLfloat(*)[4])gc->spanWork[0];
    s->lineCoverage = s->spanCoverage = gc->coverageWords;
    s->lineAllDead = 0;
    s->spanAllDead = 0;
}

// Saved per-row values: the gradients' starts, which colour stages may advance.
struct RowStart {
    GLuint z;
    GLfloat fog, color[4];
    void save(const GlSpanState* s) { z = s->spanZ, fog = s->spanFog, memcpy(color, s->spanColor, sizeof color); }
    void restore(GlSpanState* s) const { s->spanZ = z, s->spanFog = fog, memcpy(s->spanColor, color, sizeof color); }
};

template <bool Masked>
void wideRows(GlContext* gc) {
    GlSpanState* s = &gc->span;
    const GLuint words = wordCount(s->linePixelCount);
    GLuint saved[GL_COVERAGE_WORDS];
    if (Masked) memcpy(saved, s->lineCoverage, words * 4);
    RowStart start;
    start.save(s);
    const GLint x = s->lineX, y = s->lineY;
    for (GLint row = 0; row < s->lineWidthRows; row++) {
        if (Masked && row) memcpy(s->lineCoverage, saved, words * 4);
        start.restore(s);
        s->lineAllDead = s->spanAllDead = 0;
        const int r = runRange(gc, gc->lineClipIndex, gc->lineSplitIndex, Masked);
        if (r >= 0) (r || Masked ? gc->procs.lineRowAfterMasked : gc->procs.lineRowAfter)(gc);
        if (s->lineYMajor) s->lineX++;
        else s->lineY++;
    }
    s->lineX = x, s->lineY = y;
    start.restore(s);
}

template <bool Masked>
void bothBuffers(GlContext* gc) {
    GlSpanState* s = &gc->span;
    const GLint n = s->linePixelCount;
    const GLuint words = wordCount(n);
    GLuint saved[GL_COVERAGE_WORDS];
    if (Masked) memcpy(saved, s->lineCoverage, words * 4);
    GLfloat(*copy)[4] = (GLfloat(*)[4])gc->spanWork[1];
    memcpy(copy, s->lineColors, (size_t)n * 16);
    GlColorBuffer* buffers[2] = {gc->fb.frontBuffer, gc->fb.backBuffer};
    for (int k = 0; k < 2; k++) {
        if (k) {
            memcpy(s->lineColors, copy, (size_t)n * 16);
            if (Masked) memcpy(s->lineCoverage, saved, words * 4);
        }
        s->spanColorBuffer = buffers[k];
        s->lineAllDead = s->spanAllDead = 0;
        runRange(gc, gc->lineSplitIndex, gc->lineStageCount, Masked);
    }
    s->spanColorBuffer = gc->drawBuffer;
}

}  // namespace

extern "C" {

GLuint GLPROC __glLineStippleStage(GlContext* gc) {
    GlSpanState* s = &gc->span;
    const GLint n = s->linePixelCount;
    const GLuint pattern = gc->line.stipplePattern;
    const GLint repeat = gc->line.stippleRepeat > 0 ? gc->line.stippleRepeat : 1;
    GLuint* words = s->lineCoverage;
    GLint bit = s->lineStippleBit, count = s->lineStippleRepeat, killed = 0;
    GLuint bits = 0;
    for (GLint i = 0; i < n; i++) {
        if ((pattern >> bit) & 1) bits |= 0x80000000u >> (i & 31);
        else killed++;
        if (++count == repeat) count = 0, bit = (bit + 1) & 15;
        if ((i & 31) == 31 || i == n - 1) words[i >> 5] = bits, bits = 0;
    }
    s->lineStippleBit = bit, s->lineStippleRepeat = count;
    if (killed == n) s->lineAllDead = 1;
    return killed != 0;
}

GLuint GLPROC __glLineClipStage(GlContext* gc) {
    GlSpanState* s = &gc->span;
    ClipPixel pixel(s);
    GLint xl, yl;
    lastPixel(s, &xl, &yl);
    if (pixel.inside(s->lineX, s->lineY) && pixel.inside(xl, yl)) return 0;
    return testPixels<false>(gc, pixel);
}
GLuint GLPROC __glLineClipStageMasked(GlContext* gc) {
    ClipPixel pixel(&gc->span);
    return testPixels<true>(gc, pixel);
}

GLuint GLPROC __glLineStencilStage(GlContext* gc) { return depthStencilStage<ST_TEST, false>(gc); }
GLuint GLPROC __glLineStencilStageMasked(GlContext* gc) { return depthStencilStage<ST_TEST, true>(gc); }
GLuint GLPROC __glLineDepthStage(GlContext* gc) { return depthStencilStage<ST_DEPTH, false>(gc); }
GLuint GLPROC __glLineDepthStageMasked(GlContext* gc) { return depthStencilStage<ST_DEPTH, true>(gc); }
GLuint GLPROC __glLineDepthStencilStage(GlContext* gc) { return depthStencilStage<ST_DEPTH | ST_ZOPS, false>(gc); }
GLuint GLPROC __glLineDepthStencilStageMasked(GlContext* gc) { return depthStencilStage<ST_DEPTH | ST_ZOPS, true>(gc); }
GLuint GLPROC __glLineStencilOnlyStage(GlContext* gc) { return depthStencilStage<ST_ZOPS, false>(gc); }
GLuint GLPROC __glLineStencilOnlyStageMasked(GlContext* gc) { return depthStencilStage<ST_ZOPS, true>(gc); }

GLuint GLPROC __glLineCoverageStage(GlContext* gc) {
    CoveragePixel pixel(gc);
    return testPixels<false>(gc, pixel);
}
GLuint GLPROC __glLineCoverageStageMasked(GlContext* gc) {
    CoveragePixel pixel(gc);
    return testPixels<true>(gc, pixel);
}

GLuint GLPROC __glLineStoreGeneric(GlContext* gc) { return storeGeneric<false>(gc); }
GLuint GLPROC __glLineStoreGenericMasked(GlContext* gc) { return storeGeneric<true>(gc); }
GLuint GLPROC __glLineStoreIndex8Flat(GlContext* gc) { return storeIndex8<W_FLAT, false>(gc); }
GLuint GLPROC __glLineStoreIndex8FlatMasked(GlContext* gc) { return storeIndex8<W_FLAT, true>(gc); }
GLuint GLPROC __glLineStoreIndex8PerPixel(GlContext* gc) { return storeIndex8<W_PER_PIXEL, false>(gc); }
GLuint GLPROC __glLineStoreIndex8PerPixelMasked(GlContext* gc) { return storeIndex8<W_PER_PIXEL, true>(gc); }
GLuint GLPROC __glLineStoreIndex8FlatDither(GlContext* gc) { return storeIndex8<W_FLAT_DITHER, false>(gc); }
GLuint GLPROC __glLineStoreIndex8FlatDitherMasked(GlContext* gc) { return storeIndex8<W_FLAT_DITHER, true>(gc); }
GLuint GLPROC __glLineStoreIndex8PerPixelDither(GlContext* gc) { return storeIndex8<W_PER_PIXEL_DITHER, false>(gc); }
GLuint GLPROC __glLineStoreIndex8PerPixelDitherMasked(GlContext* gc) {
    return storeIndex8<W_PER_PIXEL_DITHER, true>(gc);
}
GLuint GLPROC __glLineStoreRgb16Flat(GlContext* gc) { return storeRgb16<W_FLAT, false>(gc); }
GLuint GLPROC __glLineStoreRgb16FlatMasked(GlContext* gc) { return storeRgb16<W_FLAT, true>(gc); }
GLuint GLPROC __glLineStoreRgb16PerPixel(GlContext* gc) { return storeRgb16<W_PER_PIXEL, false>(gc); }
GLuint GLPROC __glLineStoreRgb16PerPixelMasked(GlContext* gc) { return storeRgb16<W_PER_PIXEL, true>(gc); }
GLuint GLPROC __glLineStoreRgb16Dither(GlContext* gc) { return storeRgb16<W_PER_PIXEL_DITHER, false>(gc); }
GLuint GLPROC __glLineStoreRgb16DitherMasked(GlContext* gc) { return storeRgb16<W_PER_PIXEL_DITHER, true>(gc); }

void GLPROC __glRunLineStages(GlContext* gc) {
    startLine(gc);
    const int r = runRange(gc, 0, gc->lineClipIndex, false);
    if (r < 0) return;
    (r ? gc->procs.lineStagesAfterMasked : gc->procs.lineStagesAfter)(gc);
}

// Exactly three stages, one buffer, one row.
void GLPROC __glRunLineStagesShort(GlContext* gc) {
    startLine(gc);
    GlSpanState* s = &gc->span;
    GlSpanStageProc* A = gc->lineStagesA;
    GlSpanStageProc* B = gc->lineStagesB;
    if (!A[0](gc)) {
        if (!A[1](gc)) {
            A[2](gc);
            return;
        }
        if (lineDead(s)) return;
        B[2](gc);
        return;
    }
    if (lineDead(s) || (B[1] && B[1](gc))) return;
    B[2](gc);
}

void GLPROC __glRunWideLineStages(GlContext* gc) { wideRows<false>(gc); }
void GLPROC __glRunWideLineStagesMasked(GlContext* gc) { wideRows<true>(gc); }
void GLPROC __glRunLineStagesBothBuffers(GlContext* gc) { bothBuffers<false>(gc); }
void GLPROC __glRunLineStagesBothBuffersMasked(GlContext* gc) { bothBuffers<true>(gc); }

}  // extern "C"
