// The generic span stages and their runners: scissor, stipple, stencil and
// depth tests, colour, fog, alpha and index tests, and the colour-buffer
// operations (fetch, blend, dither or round, logic op, write masks, store).
// Coverage words: one per 32 pixels, the first pixel in bit 31, bits past the
// span's end always 0.

#include <math.h>
#include <string.h>
#include "span.h"
#include "depthstencil.h"
#include "fragment.h"
#include "geometry/light.h"

namespace {

typedef void(GLPROC* GlBlendFn)(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);

inline GLint wordCount(GLint n) { return (n + 31) >> 5; }

inline bool isLive(const GLuint* cov, GLint i) { return (cov[i >> 5] & (0x80000000u >> (i & 31))) != 0; }

// The bits of word w that lie inside a span of n pixels.
inline GLuint wordMask(GLint w, GLint n) {
    const GLint left = n - (w << 5);
    return left >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> left);
}

// Calls fn(i) for every pixel (list A) or every live pixel (list B).
template <bool Masked, typename Fn>
inline void forEachPixel(GlContext* gc, Fn fn) {
    const GLint n = gc->span.spanLength;
    const GLuint* cov = gc->span.spanCoverage;
    for (GLint i = 0; i < n; i++)
        if (!Masked || isLive(cov, i)) fn(i);
}

// Runs pass(i) over the pixels (list B: the live ones) and clears the
// coverage bit of each pixel that fails. List A: 1 when a pixel died
// (spanAllDead when all did); list B: 1 when none is left.
template <bool Masked, typename Pass>
inline GLuint testPixels(GlContext* gc, Pass pass) {
    GlSpanState* s = &gc->span;
    const GLint n = s->spanLength;
    GLuint* cov = s->spanCoverage;
    GLuint killed = 0, alive = 0;
    for (GLint w = 0, words = wordCount(n); w < words; w++) {
        const GLuint in = Masked ? cov[w] : wordMask(w, n);
        GLuint out = in;
        GLint i = w << 5;
        for (GLuint bit = 0x80000000u; bit && i < n; bit >>= 1, i++)
            if ((in & bit) && !pass(i)) out &= ~bit;
        cov[w] = out;
        killed |= in ^ out;
        alive |= out;
    }
    if (Masked) return alive == 0;
    if (!killed) return 0;
    if (!alive) s->spanAllDead = 1;
    return 1;
}

// A depth to an unsigned 32-bit value modulo 2^32 (truncating).
inline GLuint wrapToUnsigned(double f) {
    if (!(f > -1.0e12 && f < 1.0e12)) return f > 0.0 ? 0xFFFFFFFFu : 0u;
    return (GLuint)(uint64_t)(int64_t)f;
}

// A float to an index (truncating), negatives 0, saturating.
inline GLuint indexOf(GLfloat f) {
    if (!(f > 0.0f)) return 0;
    return f >= 4294967295.0f ? 0xFFFFFFFFu : (GLuint)f;
}

// Pixels of a span of n covered by a distance f (truncated, 0 .. n).
inline GLint pixelsOf(GLfloat f, GLint n) {
    if (!(f > 0.0f)) return 0;
    return f >= (GLfloat)n ? n : (GLint)f;
}

// ---- Stencil and depth.

template <bool Masked>
GLuint GLPROC stencilTest(GlContext* gc) {
    GlStencilBuffer* sb = &gc->fb.stencil;
    uint8_t* const sa = gc->span.stencilAddress;
    const GLuint mask = sb->entries - 1;
    return testPixels<Masked>(gc, [&](GLint i) {
        uint8_t* p = sa + i;
        const GLuint v = *p & mask;
        if (sb->testTable[v]) return true;
        *p = sb->failOpTable[v];
        return false;
    });
}

template <bool Masked>
GLuint GLPROC stencilPass(GlContext* gc) {
    GlStencilBuffer* sb = &gc->fb.stencil;
    uint8_t* const sa = gc->span.stencilAddress;
    const GLuint mask = sb->entries - 1;
    forEachPixel<Masked>(gc, [&](GLint i) { sa[i] = sb->depthPassOpTable[sa[i] & mask]; });
    return 0;
}

// Depth test over the span. Pixel i takes the stored form of z0 + i x zDx
// (modulo 2^32). With polygon offset the span falls into a
// constant run at the low clamp, the interpolated run and a constant run at
// the high clamp. With Stencil the stencil value takes the depth-pass or
// depth-fail operation.
template <bool Masked, bool Offset, bool Stencil>
GLuint GLPROC depthStage(GlContext* gc) {
    GlSpanState* s = &gc->span;
    GlDepthBuffer* db = &gc->fb.depth;
    GlStencilBuffer* sb = &gc->fb.stencil;
    const GlDepthSpanProc test = gc->procs.depthTestSpan;
    const GLint es = (GLint)db->buf.elementSize;
    uint8_t* const za = s->depthAddress;
    uint8_t* const sa = s->stencilAddress;
    const GLuint smask = sb->entries - 1;
    const GLuint zDx = (GLuint)s->zDx;
    GLuint z0 = s->spanZ;
    GLint from = 0, to = s->spanLength;
    GLuint low = 0, high = 0;
    bool lowNever = false, highNever = false;
    if (Offset) {
        const GLint n = s->spanLength;
        const GLfloat start = s->offsetRunStart, end = s->offsetRunEnd;
        z0 = wrapToUnsigned(s->offsetZ);
        if (!(start > 0.0f)) from = to = 0;
        else if (end > start) to = start < (GLfloat)n ? n - pixelsOf((GLfloat)n - start, n) : n;
        else from = pixelsOf(start - end + 1.0f, n);
        const GLenum f = gc->depth.func;  // on unmirrored values
        low = __glDepthStored(db, s->offsetClampLow);
        high = __glDepthStored(db, s->offsetClampHigh);
        lowNever = (f == GL_LESS && s->offsetClampLow) || (f == GL_GREATER && !s->offsetClampLow);
        highNever = (f == GL_LESS && s->offsetClampHigh) || (f == GL_GREATER && !s->offsetClampHigh);
    }
    return testPixels<Masked>(gc, [&](GLint i) {
        GLuint pass;
        if (!Offset || (i >= from && i < to)) {
            pass = test(__glDepthStored(db, z0 + (GLuint)i * zDx), za + i * es);
        } else {
            const bool before = i < from;
            pass = (before ? lowNever : highNever) ? 0 : test(before ? low : high, za + i * es);
        }
        if (Stencil) {
            uint8_t* p = sa + i;
            *p = (pass ? sb->depthPassOpTable : sb->depthFailOpTable)[*p & smask];
        }
        return pass != 0;
    });
}

// ---- Colour, fog, alpha and index tests.

template <bool Rgba, bool Smooth>
GLuint GLPROC colorSpan(GlContext* gc) {
    GlSpanState* s = &gc->span;
    GLfloat(*c)[4] = s->spanColors;
    const int comps = Rgba ? 4 : 1;
    GLfloat v[4] = {s->spanColor[0], s->spanColor[1], s->spanColor[2], s->spanColor[3]};
    for (GLint i = 0; i < s->spanLength; i++)
        for (int k = 0; k < comps; k++) {
            c[i][k] = v[k];
            if (Smooth) v[k] += s->colorDx[k];
        }
    return 0;
}

// Fast: the interpolated value is the fog factor; nicest: the eye z.
template <bool Masked, bool Nicest>
GLuint GLPROC fogSpan(GlContext* gc) {
    GlSpanState* s = &gc->span;
    GLfloat(*c)[4] = s->spanColors;
    const GLuint* cov = s->spanCoverage;
    const auto blend = gc->procs.fogBlend ? gc->procs.fogBlend : __glFogBlend;
    const auto factor = gc->procs.fogFactor ? gc->procs.fogFactor : __glFogFactorOf;
    GLfloat v = s->spanFog;
    const GLfloat dv = s->fogDx;
    for (GLint i = 0; i < s->spanLength; i++, v += dv) {
        if (Masked && !isLive(cov, i)) continue;
        GLfloat f;
        if (Nicest) f = factor(gc, fabsf(v));
        else f = !(v > 0.0f) ? 0.0f : v > 1.0f ? 1.0f : v;
        blend(gc, c[i], c[i], f);
    }
    return 0;
}

template <bool Masked>
GLuint GLPROC alphaTest(GlContext* gc) {
    const uint8_t* table = gc->alphaTable;
    if (!table) return 0;
    GLfloat(*c)[4] = gc->span.spanColors;
    const GLfloat scale = gc->constants.alphaTableScale;
    const GLint last = gc->constants.alphaTableSize - 1;
    return testPixels<Masked>(gc, [&](GLint i) {
        const GLfloat a = c[i][3] * scale;
        const GLint e = !(a > 0.0f) ? 0 : a >= (GLfloat)last ? last : (GLint)a;
        return table[e] != 0;
    });
}

template <bool Masked>
GLuint GLPROC indexTest(GlContext* gc) {
    GLfloat(*c)[4] = gc->span.spanColors;
    return testPixels<Masked>(gc, [&](GLint i) { return __glIndexTestPass(gc, c[i][0]) != 0; });
}

// ---- Colour-buffer operations.

template <bool Masked>
GLuint GLPROC fetchSpan(GlContext* gc) {
    GlSpanState* s = &gc->span;
    GlColorBuffer* cb = s->spanColorBuffer;
    (Masked ? cb->fetchSpanB : cb->fetchSpanA)(cb, s->spanX, s->spanY, &s->spanDestColors[0][0], s->spanLength);
    return 0;
}

template <bool Masked>
inline GLuint blendWith(GlContext* gc, GlBlendFn fn) {
    GLfloat(*c)[4] = gc->span.spanColors;
    GLfloat(*d)[4] = gc->span.spanDestColors;
    forEachPixel<Masked>(gc, [&](GLint i) {
        GLfloat out[4];
        fn(gc, c[i], d[i], out);
        memcpy(c[i], out, sizeof out);
    });
    return 0;
}

template <bool Masked>
GLuint GLPROC blendSpan(GlContext* gc) {
    return gc->procs.blendFunc ? blendWith<Masked>(gc, gc->procs.blendFunc) : 0;
}

// The fast pairs (list A).
template <GlBlendFn Fn>
GLuint GLPROC blendSpanFast(GlContext* gc) {
    return blendWith<false>(gc, Fn);
}

// Dither: (d + trunc(16c + 0.5)) >> 4; round: trunc(c + 0.5); 0 .. max.
template <bool Dither>
inline GLfloat quantize(GLfloat c, GLint d, GLuint max) {
    if (!(c > -1.0f)) return 0.0f;
    if (c >= (GLfloat)max + 1.0f) return (GLfloat)max;
    const int64_t v = Dither ? ((int64_t)d + (int64_t)(c * 16.0f + 0.5f)) >> 4 : (int64_t)(c + 0.5f);
    return v <= 0 ? 0.0f : v >= (int64_t)max ? (GLfloat)max : (GLfloat)v;
}

template <bool Masked, bool Rgba, bool Dither>
GLuint GLPROC quantizeSpan(GlContext* gc) {
    GlSpanState* s = &gc->span;
    const GlColorBuffer* cb = s->spanColorBuffer;
    GLfloat(*c)[4] = s->spanColors;
    const int comps = Rgba ? 4 : 1;
    GLuint max[4];
    for (int k = 0; k < 4; k++) max[k] = Rgba ? cb->maximum[k] : cb->fullMask;
    const uint8_t* row = __glDitherMatrix4x4[s->spanY & 3];
    const GLint x = s->spanX;
    forEachPixel<Masked>(gc, [&](GLint i) {
        const GLint d = row[(x + i) & 3];
        for (int k = 0; k < comps; k++) c[i][k] = quantize<Dither>(c[i][k], d, max[k]);
    });
    return 0;
}

template <bool Masked>
GLuint GLPROC logicOpIndex(GlContext* gc) {
    GlSpanState* s = &gc->span;
    GLfloat(*c)[4] = s->spanColors;
    GLfloat(*d)[4] = s->spanDestColors;
    const GLenum op = gc->colorBuffer.logicOp;
    const GLuint full = s->spanColorBuffer->fullMask;
    forEachPixel<Masked>(gc, [&](GLint i) {
        c[i][0] = (GLfloat)(__glLogicOp(op, indexOf(c[i][0]), indexOf(d[i][0])) & full);
    });
    return 0;
}

template <bool Masked>
GLuint GLPROC storeSpan(GlContext* gc) {
    GlSpanState* s = &gc->span;
    GlColorBuffer* cb = s->spanColorBuffer;
    if (Masked) cb->storeSpanB(cb, s->spanX, s->spanY, &s->spanColors[0][0], s->spanLength, s->spanCoverage);
    else cb->storeSpanA(cb, s->spanX, s->spanY, &s->spanColors[0][0], s->spanLength);
    return 0;
}

// Runs stages [from, to): list A until a stage kills a pixel, list B from
// there on (masked says which list is in force, in and out). Returns 0 when
// no pixel is left.
GLuint runStages(GlContext* gc, GLint from, GLint to, bool* masked) {
    GLint i = from;
    if (!*masked) {
        while (i < to)
            if (gc->spanStagesA[i++](gc)) {
                *masked = true;
                break;
            }
        if (!*masked) return 1;
        if (gc->span.spanAllDead) return 0;
    }
    while (i < to)
        if (gc->spanStagesB[i++](gc)) return 0;
    return 1;
}

// Spans longer than the work arrays cannot come from a viewport; they are cut.
inline bool beginSpan(GlContext* gc) {
    __glSpanArrays(gc);
    gc->span.spanAllDead = 0;
    if (gc->span.spanLength > GL_SPAN_WORK_ENTRIES) gc->span.spanLength = GL_SPAN_WORK_ENTRIES;
    return gc->span.spanLength > 0;
}

}  // namespace

extern "C" {

void GLPROC __glRunSpanStages(GlContext* gc) {
    if (!beginSpan(gc)) return;
    bool masked = false;
    runStages(gc, 0, gc->spanStageCount, &masked);
}

// The tests once; then the buffer stages for the front buffer and, from the
// same colours and coverage, for the back buffer.
void GLPROC __glRunSpanStagesBothBuffers(GlContext* gc) {
    if (!beginSpan(gc)) return;
    bool masked = false;
    if (!runStages(gc, 0, gc->spanSplitIndex, &masked)) return;
    GlSpanState* s = &gc->span;
    const GLint n = s->spanLength;
    const size_t colorBytes = gc->pixelFormat.rgba ? sizeof(GLfloat[4]) : sizeof(GLfloat);
    GLfloat saved[GL_SPAN_WORK_ENTRIES * 4];
    GLuint coverage[GL_COVERAGE_WORDS];
    for (GLint i = 0; i < n; i++) memcpy(&saved[i * 4], s->spanColors[i], colorBytes);
    memcpy(coverage, s->spanCoverage, sizeof coverage);
    GlColorBuffer* buffers[2] = {gc->fb.frontBuffer, gc->fb.backBuffer};
    for (int b = 0; b < 2; b++) {
        if (!buffers[b]) continue;
        if (b) {
            for (GLint i = 0; i < n; i++) memcpy(s->spanColors[i], &saved[i * 4], colorBytes);
            memcpy(s->spanCoverage, coverage, sizeof coverage);
        }
        s->spanColorBuffer = buffers[b];
        bool m = masked;
        runStages(gc, gc->spanSplitIndex, gc->spanStageCount, &m);
    }
}

// The window clip box: a span outside it dies, a span past its right edge
// is shortened, one starting left of it loses its first pixels.
GLuint GLPROC __glScissorSpan(GlContext* gc) {
    GlSpanState* s = &gc->span;
    const GLint* box = s->clipBox;
    const GLint x = s->spanX;
    GLint n = s->spanLength;
    if (s->spanY < box[1] || s->spanY >= box[3] || x >= box[2] || x + n <= box[0]) {
        s->spanAllDead = 1;
        return 1;
    }
    if (x + n > box[2]) n = s->spanLength = box[2] - x;
    if (x >= box[0]) return 0;
    const GLint dead = box[0] - x;
    for (GLint w = 0, words = wordCount(n); w < words; w++) {
        const GLint first = dead - (w << 5);
        GLuint m = wordMask(w, n);
        if (first >= 32) m = 0;
        else if (first > 0) m &= 0xFFFFFFFFu >> first;
        s->spanCoverage[w] = m;
    }
    return 1;
}

GLuint GLPROC __glSpanNop(GlContext*) { return 0; }

}  // extern "C"

namespace {

// The stipple word of the span's row, rotated so that the span's first pixel
// is in bit 31. Rows and columns count in GL window coordinates.
GLuint stippleWord(const GlContext* gc) {
    const GlSpanState* s = &gc->span;
    const GLint x = s->spanX - gc->limits.windowBiasX;
    const GLint y = s->spanY - gc->limits.windowBiasY;
    const GLint row = (gc->yInverted ? gc->drawableHeight - y - 1 : y) & 31;
    const GLuint w = gc->polygonStipple[row];
    const GLuint r = (GLuint)x & 31;
    return r ? (w << r) | (w >> (32 - r)) : w;
}

template <bool Masked>
GLuint GLPROC stippleSpan(GlContext* gc) {
    GlSpanState* s = &gc->span;
    const GLuint w = stippleWord(gc);
    const GLint n = s->spanLength;
    GLuint alive = 0;
    for (GLint k = 0, words = wordCount(n); k < words; k++) {
        const GLuint m = (Masked ? s->spanCoverage[k] : wordMask(k, n)) & w;
        s->spanCoverage[k] = m;
        alive |= m;
    }
    if (Masked) return alive == 0;
    if (!alive) s->spanAllDead = 1;
    return 1;
}

}  // namespace

// The stages under their names.
#define SPAN_STAGE(name, ...) \
    extern "C" GLuint GLPROC name(GlContext* gc) { return __VA_ARGS__(gc); }

SPAN_STAGE(__glStippleSpan, stippleSpan<false>)
SPAN_STAGE(__glStippleSpanMasked, stippleSpan<true>)
SPAN_STAGE(__glStencilTestSpan, stencilTest<false>)
SPAN_STAGE(__glStencilTestSpanMasked, stencilTest<true>)
SPAN_STAGE(__glStencilPassSpan, stencilPass<false>)
SPAN_STAGE(__glStencilPassSpanMasked, stencilPass<true>)
SPAN_STAGE(__glDepthTestSpan, depthStage<false, false, false>)
SPAN_STAGE(__glDepthTestSpanMasked, depthStage<true, false, false>)
SPAN_STAGE(__glDepthTestSpanOffset, depthStage<false, true, false>)
SPAN_STAGE(__glDepthTestSpanOffsetMasked, depthStage<true, true, false>)
SPAN_STAGE(__glDepthStencilSpan, depthStage<false, false, true>)
SPAN_STAGE(__glDepthStencilSpanMasked, depthStage<true, false, true>)
SPAN_STAGE(__glDepthStencilSpanOffset, depthStage<false, true, true>)
SPAN_STAGE(__glDepthStencilSpanOffsetMasked, depthStage<true, true, true>)
SPAN_STAGE(__glColorSpanRgbaSmooth, colorSpan<true, true>)
SPAN_STAGE(__glColorSpanRgbaFlat, colorSpan<true, false>)
SPAN_STAGE(__glColorSpanIndexSmooth, colorSpan<false, true>)
SPAN_STAGE(__glColorSpanIndexFlat, colorSpan<false, false>)
SPAN_STAGE(__glFogSpanFast, fogSpan<false, false>)
SPAN_STAGE(__glFogSpanFastMasked, fogSpan<true, false>)
SPAN_STAGE(__glFogSpanNicest, fogSpan<false, true>)
SPAN_STAGE(__glFogSpanNicestMasked, fogSpan<true, true>)
SPAN_STAGE(__glAlphaTestSpan, alphaTest<false>)
SPAN_STAGE(__glAlphaTestSpanMasked, alphaTest<true>)
SPAN_STAGE(__glIndexTestSpan, indexTest<false>)
SPAN_STAGE(__glIndexTestSpanMasked, indexTest<true>)
SPAN_STAGE(__glFetchSpan, fetchSpan<false>)
SPAN_STAGE(__glFetchSpanMasked, fetchSpan<true>)
SPAN_STAGE(__glBlendSpan, blendSpan<false>)
SPAN_STAGE(__glBlendSpanMasked, blendSpan<true>)
SPAN_STAGE(__glBlendSpanSrcAlphaOneMinusSrcAlpha, blendSpanFast<__glBlendFuncSrcAlphaOneMinusSrcAlpha>)
SPAN_STAGE(__glBlendSpanSrcAlphaOne, blendSpanFast<__glBlendFuncSrcAlphaOne>)
SPAN_STAGE(__glBlendSpanSrcAlphaZero, blendSpanFast<__glBlendFuncSrcAlphaZero>)
SPAN_STAGE(__glBlendSpanOneMinusSrcAlphaSrcAlpha, blendSpanFast<__glBlendFuncOneMinusSrcAlphaSrcAlpha>)
SPAN_STAGE(__glDitherSpanRgba, quantizeSpan<false, true, true>)
SPAN_STAGE(__glDitherSpanRgbaMasked, quantizeSpan<true, true, true>)
SPAN_STAGE(__glDitherSpanIndex, quantizeSpan<false, false, true>)
SPAN_STAGE(__glDitherSpanIndexMasked, quantizeSpan<true, false, true>)
SPAN_STAGE(__glRoundSpanRgba, quantizeSpan<false, true, false>)
SPAN_STAGE(__glRoundSpanRgbaMasked, quantizeSpan<true, true, false>)
SPAN_STAGE(__glRoundSpanIndex, quantizeSpan<false, false, false>)
SPAN_STAGE(__glRoundSpanIndexMasked, quantizeSpan<true, false, false>)
SPAN_STAGE(__glLogicOpSpanIndex, logicOpIndex<false>)
SPAN_STAGE(__glLogicOpSpanIndexMasked, logicOpIndex<true>)
SPAN_STAGE(__glStoreSpan, storeSpan<false>)
SPAN_STAGE(__glStoreSpanMasked, storeSpan<true>)
#undef SPAN_STAGE

// Write masks: a masked-off component keeps the destination (both lists).
extern "C" GLuint GLPROC __glColorMaskSpanRgba(GlContext* gc) {
    GLfloat(*c)[4] = gc->span.spanColors;
    GLfloat(*d)[4] = gc->span.spanDestColors;
    const uint8_t* mask = gc->colorBuffer.colorWriteMask;
    for (GLint i = 0; i < gc->span.spanLength; i++)
        for (int k = 0; k < 4; k++)
            if (!mask[k]) c[i][k] = d[i][k];
    return 0;
}

extern "C" GLuint GLPROC __glIndexMaskSpan(GlContext* gc) {
    GLfloat(*c)[4] = gc->span.spanColors;
    GLfloat(*d)[4] = gc->span.spanDestColors;
    const GLuint wm = gc->colorBuffer.indexWriteMask;
    const GLuint keep = gc->span.spanColorBuffer->fullMask & ~wm;
    for (GLint i = 0; i < gc->span.spanLength; i++)
        c[i][0] = (GLfloat)((wm & indexOf(c[i][0])) | (keep & indexOf(d[i][0])));
    return 0;
}
