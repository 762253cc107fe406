// Chain stages of the rasterizer: window clip, stipple, alpha and index
// tests, stencil test and operations, depth, fog, both buffers and the
// empty stages. Each walks the coverage mask from bit 31, advances its
// per-pixel pointers for every pixel visited and calls its successor slot
// with the pixels still alive, never with an empty mask.

#include <emmintrin.h>
#include <math.h>
#include <array>
#include "raster/chain.h"
#include "raster/depthstencil.h"
#include "geometry/light.h"

namespace {

constexpr GLuint kTop = 0x80000000u;

constexpr std::array<uint8_t, 256> makeBitReverse() {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        int r = 0;
        for (int b = 0; b < 8; ++b)
            if (i & (1 << b)) r |= 0x80 >> b;
        t[(size_t)i] = (uint8_t)r;
    }
    return t;
}
constexpr std::array<uint8_t, 256> bitReverse = makeBitReverse();

constexpr std::array<GLuint, 33> makeCoverageMasks() {
    std::array<GLuint, 33> t{};
    for (int n = 1; n <= 32; ++n) t[(size_t)n] = ~0u << (32 - n);
    return t;
}
constexpr std::array<GLuint, 33> coverageMasks = makeCoverageMasks();
static_assert(coverageMasks[5] == 0xF8000000u && coverageMasks[32] == 0xFFFFFFFFu && coverageMasks[0] == 0,
              "coverage masks: the top n bits");

inline void next(GlSpan* s, int slot, GLuint mask) {
    if (mask) s->context->procs.spanChain[slot](mask, s);
}

// The leftmost pixel of the group (unbiased) and the mask bit of pixel i.
inline GLint leftmost(const GlSpan* s) { return s->pixelStep > 0 ? s->x : -s->x - 31; }

// A mask laid out by increasing x turned to walk order.
inline GLuint walkOrder(const GlSpan* s, GLuint byX) { return s->pixelStep > 0 ? byX : __glReverseMask(byX); }

// Each live pixel: f(i, byte address) with the pointer advanced by the step.
template <class F>
inline void forLive(GLuint mask, uint8_t* p, GLint step, F f) {
    for (int i = 0; mask; mask <<= 1, ++i, p += step)
        if (mask & kTop) f(i, p);
}

template <GLenum Func>
inline bool compare(GLuint a, GLuint b) {
    return __glComparePasses<(int)(Func - GL_NEVER)>(a, b);
}

// ---- Depth: pixel i of the group takes the stored form of the group's z
// plus i steps, as the generic walk forms it (__glDepthWalkValue); the
// polygon offset of the span record is added once to each pixel's depth.
// Lane comparisons of biased (signed) values: all ones where v passes
// against the stored w.
template <GLenum Func, class Eq, class Gt>
inline __m128i lanesPass(__m128i v, __m128i w, Eq eq, Gt gt) {
    const __m128i ones = _mm_set1_epi32(-1);
    switch (Func) {
    case GL_NEVER: return _mm_setzero_si128();
    case GL_LESS: return gt(w, v);
    case GL_EQUAL: return eq(v, w);
    case GL_LEQUAL: return _mm_xor_si128(gt(v, w), ones);
    case GL_GREATER: return gt(v, w);
    case GL_NOTEQUAL: return _mm_xor_si128(eq(v, w), ones);
    case GL_GEQUAL: return _mm_xor_si128(gt(w, v), ones);
    default: return ones;
    }
}

// The pixels of an unbroken rightward run in lanes: eight 16-bit or four
// 32-bit words a step, each walked value shifted, generation added and
// truncated to the word as the scalar test does; the failing pixels leave
// *out. Returns the pixels done.
template <GLenum Func, bool Write, typename W>
int depthLanes(int n, W* p, GLuint* value, GLuint step, GLuint shift, GLuint gen, GLuint* out) {
    constexpr int L = 16 / (int)sizeof(W);
    if (n < L) return 0;
    const GLuint v = *value;
    __m128i a = _mm_set_epi32((int)(v + 3 * step), (int)(v + 2 * step), (int)(v + step), (int)v);
    __m128i b = _mm_add_epi32(a, _mm_set1_epi32((int)(4 * step)));
    const __m128i advance = _mm_set1_epi32((int)(L * step));
    const __m128i by = _mm_cvtsi32_si128((int)shift), generation = _mm_set1_epi32((int)gen);
    const auto stored = [&](__m128i v) { return _mm_add_epi32(_mm_srl_epi32(v, by), generation); };
    GLuint fails = 0;
    int i = 0;
    for (; i + L <= n; i += L) {
        __m128i* q = (__m128i*)(p + i);
        const __m128i w = _mm_loadu_si128(q);
        __m128i word, pass;
        int bits;
        if (L == 8) {
            // Low halves sign-extended pack exactly; the bias orders them unsigned.
            const __m128i sa = stored(a), sb = stored(b);
            word = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(sa, 16), 16), _mm_srai_epi32(_mm_slli_epi32(sb, 16), 16));
            const __m128i bias = _mm_set1_epi16((short)0x8000);
            pass = lanesPass<Func>(_mm_xor_si128(word, bias), _mm_xor_si128(w, bias), _mm_cmpeq_epi16, _mm_cmpgt_epi16);
            bits = _mm_movemask_epi8(_mm_packs_epi16(pass, _mm_setzero_si128()));
            a = _mm_add_epi32(a, advance), b = _mm_add_epi32(b, advance);
        } else {
            word = stored(a);
            const __m128i bias = _mm_set1_epi32((int)0x80000000u);
            pass = lanesPass<Func>(_mm_xor_si128(word, bias), _mm_xor_si128(w, bias), _mm_cmpeq_epi32, _mm_cmpgt_epi32);
            bits = _mm_movemask_ps(_mm_castsi128_ps(pass));
            a = _mm_add_epi32(a, advance);
        }
        if (Write) _mm_storeu_si128(q, _mm_or_si128(_mm_and_si128(pass, word), _mm_andnot_si128(pass, w)));
        // Lane j (bit j of bits) is pixel i + j, mask bit 31 - i - j.
        fails |= (GLuint)(__glBitReverse[~bits & ((1 << L) - 1)] >> (8 - L)) << (32 - L - i);
    }
    *out &= ~fails;
    *value = v + (GLuint)i * step;
    return i;
}

template <GLenum Func, bool Write, typename W, int Dir>
inline GLuint depthRun(GLuint mask, W* p, GLuint v, GLuint step, GLuint shift, GLuint gen) {
    GLuint out = mask;
    if (mask == __glCoverageMasks[__builtin_clz(~mask | 1u)] || mask == ~0u) {
        // Every pixel up to the last is live: lanes of SSE2 rightward, then a
        // counted loop.
        const int n = mask == ~0u ? 32 : __builtin_clz(~mask);
        int i = 0;
        if (Dir > 0) i = depthLanes<Func, Write, W>(n, p, &v, step, shift, gen, &out);
        for (; i < n; ++i, v += step) {
            const W w = (W)(gen + (v >> shift));
            if (!compare<Func>(w, p[Dir * i])) out &= ~(kTop >> i);
            else if (Write) p[Dir * i] = w;
        }
        return out;
    }
    for (int i = 0; mask; mask <<= 1, ++i, v += step) {
        if (!(mask & kTop)) continue;
        const W w = (W)(gen + (v >> shift));
        if (!compare<Func>(w, p[Dir * i])) out &= ~(kTop >> i);
        else if (Write) p[Dir * i] = w;
    }
    return out;
}

// With a polygon offset: the group's offset depth z + zOffset (not wrapped),
// stepped per pixel as the generic walk steps it, each pixel's shifted value
// saturated to 0 .. depthMax >> depthShift on its own so that nothing wraps
// at the ends.
template <GLenum Func, bool Write, typename W>
GLuint depthOffsetRun(GLuint mask, GlSpan* s, const GlDepthBuffer* db) {
    W* p = (W*)s->depthAddress;
    GLuint out = mask;
    const GLuint shift = db->depthShift, top = db->depthMax >> shift;
    int64_t z = (int64_t)s->z + s->zOffset;
    for (int i = 0; mask; mask <<= 1, ++i, p += s->pixelStep, z += s->zStep) {
        if (!(mask & kTop)) continue;
        const int64_t v = z >> shift;
        const GLuint vi = v < 0 ? 0u : v > (int64_t)top ? top : (GLuint)v;
        const W w = (W)(db->generation + (db->mirror ? top - vi : vi));
        if (!compare<Func>(w, *p)) out &= ~(kTop >> i);
        else if (Write) *p = w;
    }
    return out;
}

template <GLenum Func, bool Write, typename W>
void GLSPANCALL depthStage(GLuint mask, GlSpan* s) {
    GlContext* gc = s->context;
    const GlDepthBuffer* db = &gc->fb.depth;
    GLuint out;
    if (s->zOffset) {
        out = depthOffsetRun<Func, Write, W>(mask, s, db);
    } else {
        const GLuint v = __glDepthWalkValue(db, s->z);
        const GLuint step = __glDepthWalkStep(db, s->zStep);
        const GLuint shift = db->depthShift, gen = db->generation;
        W* p = (W*)s->depthAddress;
        out = s->pixelStep > 0 ? depthRun<Func, Write, W, 1>(mask, p, v, step, shift, gen)
                               : depthRun<Func, Write, W, -1>(mask, p, v, step, shift, gen);
    }
    if (out) gc->procs.spanChain[GL_CHAIN_AFTER_DEPTH](out, s);
    else if (gc->rasterFlags & GL_RF_STENCIL) gc->procs.stencilOps[1](s->stencilPassMask, s);  // the update still runs
}

template <bool Write, typename W>
constexpr GlSpanProc depthRow[8] = {
    depthStage<GL_NEVER, Write, W>,  depthStage<GL_LESS, Write, W>,   depthStage<GL_EQUAL, Write, W>,
    depthStage<GL_LEQUAL, Write, W>, depthStage<GL_GREATER, Write, W>, depthStage<GL_NOTEQUAL, Write, W>,
    depthStage<GL_GEQUAL, Write, W>, depthStage<GL_ALWAYS, Write, W>};

// ---- Stencil operations on each live pixel's byte s (bits beyond the
// buffer's are dropped, as the generic tables do), w the write mask.
enum { OP_KEEP, OP_ZERO, OP_REPLACE, OP_INCR, OP_DECR, OP_INVERT };

template <int Op>
void GLSPANCALL stencilOp(GLuint mask, GlSpan* s) {
    if (Op == OP_KEEP) return;
    const GlContext* gc = s->context;
    const GLuint top = gc->fb.stencil.entries - 1;
    const GLuint w = gc->stencil.writeMask, ref = gc->stencil.ref;
    forLive(mask, s->stencilAddress, s->pixelStep, [&](int, uint8_t* p) {
        const GLuint b = *p & top;
        GLuint v = b;
        switch (Op) {
        case OP_ZERO: v = b & ~w; break;
        case OP_REPLACE: v = (ref & w) | (b & ~w); break;
        case OP_INCR: v = b == top ? b : (b & ~w) | ((b + 1) & w); break;
        case OP_DECR: v = b == 0 ? b : (b & ~w) | ((b - 1) & w); break;
        default: v = b ^ w; break;
        }
        *p = (uint8_t)v;
    });
}

// ---- Fog of RGBA bytes and of colour indexes.
inline GLint fogByte(GLint fog) {
    const GLint e = fog >> 16;
    return e < 0 ? 0 : e > 255 ? 255 : e;
}

template <bool Nicest>
void GLSPANCALL fogRgba(GLuint mask, GlSpan* s) {
    GlContext* gc = s->context;
    const uint8_t* fc = gc->chain.fogColorBytes;
    GLint fog = s->fog;
    const GLint step = s->fogStep;
    GLuint m = mask;
    for (int i = 0; m; m <<= 1, ++i, fog += step) {
        if (!(m & kTop)) continue;
        uint8_t* c = s->colors[i];
        if (Nicest) {
            GLfloat f = __glFogFactorOf(gc, fabsf((GLfloat)fog * (1.0f / 65536.0f)));
            f = !(f > 0.0f) ? 0.0f : f > 1.0f ? 1.0f : f;
            for (int k = 0; k < 3; ++k) c[k] = (uint8_t)(GLint)((1.0f - f) * fc[k] + f * c[k] + 0.5f);
        } else {
            const GLint e = fogByte(fog);
            for (int k = 0; k < 3; ++k) c[k] = (uint8_t)(__glSpanMul(c[k], e) + __glSpanMul(fc[k], 255 - e));
        }
    }
    next(s, GL_CHAIN_AFTER_FOG, mask);
}

template <bool Nicest>
void GLSPANCALL fogIndex(GLuint mask, GlSpan* s) {
    GlContext* gc = s->context;
    const GLint fi = gc->chain.fogIndex;  // clamped to 0 .. 255 by the picker
    GLint fog = s->fog;
    const GLint step = s->fogStep;
    GLuint m = mask;
    for (int i = 0; m; m <<= 1, ++i, fog += step) {
        if (!(m & kTop)) continue;
        GLuint* w = (GLuint*)s->colors[i];
        if (Nicest) {
            GLfloat f = __glFogFactorOf(gc, fabsf((GLfloat)fog * (1.0f / 65536.0f)));
            f = !(f > 0.0f) ? 0.0f : f > 1.0f ? 1.0f : f;
            *w += (GLuint)(GLint)((1.0f - f) * (GLfloat)fi * 65536.0f + 0.5f);
        } else {
            *w += __glSpanMul(255 - fogByte(fog), fi) << 16;
        }
    }
    next(s, GL_CHAIN_AFTER_FOG, mask);
}

}  // namespace

extern "C" const uint8_t __glBitReverse[256] = {
#define R(i) bitReverse[i]
#define R8(i) R(i), R(i + 1), R(i + 2), R(i + 3), R(i + 4), R(i + 5), R(i + 6), R(i + 7)
#define R64(i) R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R8
#undef R
};

extern "C" const GLuint __glCoverageMasks[33] = {
#define M(i) coverageMasks[i]
    M(0),  M(1),  M(2),  M(3),  M(4),  M(5),  M(6),  M(7),  M(8),  M(9),  M(10), M(11),
    M(12), M(13), M(14), M(15), M(16), M(17), M(18), M(19), M(20), M(21), M(22), M(23),
    M(24), M(25), M(26), M(27), M(28), M(29), M(30), M(31), M(32)
#undef M
};

extern "C" void GLSPANCALL __glNullSpanFill(GLuint, GlSpan*) {}
extern "C" void GLPROC __glNullTriangleRender(GlContext*, GlVertex*, GlVertex*, GlVertex*) {}

// The clip box in x (shift counts clamped to 0 .. 32: x86 takes them mod 32),
// the clip box in y, and the window's ownership of each pixel.
extern "C" void GLSPANCALL __glSpanWindowClip(GLuint mask, GlSpan* s) {
    GlContext* gc = s->context;
    const GLint* box = gc->span.clipBox;
    const GLint bx = gc->limits.windowBiasX;
    const GLint y = s->y + gc->limits.windowBiasY;
    if (y < box[1] || y >= box[3]) return;
    const GLint x = leftmost(s) + bx;
    GLint lo = box[0] - x, hi = x + 32 - box[2];  // pixels cut on the left and on the right
    lo = lo < 0 ? 0 : lo > 32 ? 32 : lo;
    hi = hi < 0 ? 0 : hi > 32 ? 32 : hi;
    GLuint byX = (lo == 32 ? 0u : ~0u >> lo) & (hi == 32 ? 0u : ~0u << hi);
    if (gc->rasterFlags & GL_RF_CLIP_LIST) {
        GlColorBuffer* cb = gc->drawBuffer;
        for (int i = 0; i < 32; ++i)
            if ((byX & (kTop >> i)) && !__glTestWindowPixel(cb, x + i, y)) byX &= ~(kTop >> i);
    }
    next(s, GL_CHAIN_AFTER_CLIP, mask & walkOrder(s, byX));
}

// Row y & 31, or counted from the top for a drawable stored top-down; the
// row word turned so that the group's leftmost pixel is its bit 31.
extern "C" void GLSPANCALL __glSpanStipple(GLuint mask, GlSpan* s) {
    const GlContext* gc = s->context;
    const GLint row = (gc->yInverted ? gc->drawableHeight - s->y - 1 : s->y) & 31;
    const GLuint w = gc->polygonStipple[row];
    const GLuint r = (GLuint)leftmost(s) & 31;
    const GLuint byX = r ? (w << r) | (w >> (32 - r)) : w;
    next(s, GL_CHAIN_AFTER_STIPPLE, mask & walkOrder(s, byX));
}

// Alpha test on the alpha bytes of the colour entries.
extern "C" void GLSPANCALL __glSpanTest1(GLuint mask, GlSpan* s) {
    const uint8_t* table = s->context->alphaTable;
    GLuint out = mask, bit = kTop;
    for (int i = 0; mask; mask <<= 1, ++i, bit >>= 1)
        if ((mask & kTop) && !table[s->colors[i][3]]) out &= ~bit;
    next(s, GL_CHAIN_AFTER_ALPHA_TEST, out);
}

// Index test on the 16.16 index words (less the set-up's rounding bias);
// indexes beyond the table are compared directly.
extern "C" void GLSPANCALL __glSpanTest2(GLuint mask, GlSpan* s) {
    GlContext* gc = s->context;
    const uint8_t* table = gc->indexTestTable;
    const GLuint entries = table ? gc->indexTestEntries : 0;
    const GLuint bias = gc->chain.indexBias;
    GLuint out = mask, bit = kTop;
    for (int i = 0; mask; mask <<= 1, ++i, bit >>= 1) {
        if (!(mask & kTop)) continue;
        const GLuint index = (*(const GLuint*)s->colors[i] - bias) >> 16;
        const bool pass = index < entries ? table[index] != 0 : __glIndexTestPass(gc, (GLfloat)index) != 0;
        if (!pass) out &= ~bit;
    }
    next(s, GL_CHAIN_AFTER_INDEX_TEST, out);
}

extern "C" void GLSPANCALL __glSpanTest3(GLuint mask, GlSpan* s) { fogIndex<false>(mask, s); }
extern "C" void GLSPANCALL __glSpanTest4(GLuint mask, GlSpan* s) { fogRgba<false>(mask, s); }
extern "C" void GLSPANCALL __glSpanTest5(GLuint mask, GlSpan* s) { fogIndex<true>(mask, s); }
extern "C" void GLSPANCALL __glSpanTest6(GLuint mask, GlSpan* s) { fogRgba<true>(mask, s); }

// Both buffers: the real store into the front buffer, then into the back
// buffer with its address and the group's dither pointer again.
extern "C" void GLSPANCALL __glSpanTest7(GLuint mask, GlSpan* s) {
    GlContext* gc = s->context;
    GlColorBuffer* saved = gc->drawBuffer;
    uint8_t* dest = s->dest;
    s->savedDither = s->dither;
    gc->drawBuffer = gc->fb.frontBuffer;
    gc->procs.bufferStore(mask, s);
    gc->drawBuffer = gc->fb.backBuffer;
    s->dest = s->dest2;
    s->dither = s->savedDither;
    gc->procs.bufferStore(mask, s);
    s->dest = dest;
    s->dither = s->savedDither;
    gc->drawBuffer = saved;
}

// Stencil test: the failing pixels take the fail operation, the passing ones
// go on (and are kept for the update after the depth test).
extern "C" void GLSPANCALL __glSpanStencilTest(GLuint mask, GlSpan* s) {
    GlContext* gc = s->context;
    const GlStencilBuffer* sb = &gc->fb.stencil;
    const GLuint top = sb->entries - 1;
    const uint8_t* table = sb->testTable;
    GLuint pass = 0, bit = kTop;
    const uint8_t* p = s->stencilAddress;
    for (GLuint m = mask; m; m <<= 1, bit >>= 1, p += s->pixelStep)
        if ((m & kTop) && table[*p & top]) pass |= bit;
    s->stencilPassMask = pass;
    if (mask & ~pass) gc->procs.stencilOps[0](mask & ~pass, s);
    next(s, GL_CHAIN_AFTER_STENCIL_TEST, pass);
}

// After the depth test: the pixels that passed the stencil test but not the
// depth test take the depth-fail operation, the others the depth-pass one.
extern "C" void GLSPANCALL __glSpanStencil(GLuint mask, GlSpan* s) {
    GlContext* gc = s->context;
    const GLuint failed = s->stencilPassMask & ~mask;
    if (failed) gc->procs.stencilOps[1](failed, s);
    if (!mask) return;
    gc->procs.stencilOps[2](mask, s);
    gc->procs.afterStencilUpdate(mask, s);
}

extern "C" void GLSPANCALL __glStencilOpKeep(GLuint mask, GlSpan* s) { stencilOp<OP_KEEP>(mask, s); }
extern "C" void GLSPANCALL __glStencilOpZero(GLuint mask, GlSpan* s) { stencilOp<OP_ZERO>(mask, s); }
extern "C" void GLSPANCALL __glStencilOpReplace(GLuint mask, GlSpan* s) { stencilOp<OP_REPLACE>(mask, s); }
extern "C" void GLSPANCALL __glStencilOpIncr(GLuint mask, GlSpan* s) { stencilOp<OP_INCR>(mask, s); }
extern "C" void GLSPANCALL __glStencilOpDecr(GLuint mask, GlSpan* s) { stencilOp<OP_DECR>(mask, s); }
extern "C" void GLSPANCALL __glStencilOpInvert(GLuint mask, GlSpan* s) { stencilOp<OP_INVERT>(mask, s); }

extern "C" GlSpanProc GLPROC __glPickStencilOp(GLenum op) {
    switch (op) {
    case GL_KEEP: return __glStencilOpKeep;
    case GL_ZERO: return __glStencilOpZero;
    case GL_REPLACE: return __glStencilOpReplace;
    case GL_INCR: return __glStencilOpIncr;
    case GL_DECR: return __glStencilOpDecr;
    case GL_INVERT: return __glStencilOpInvert;
    default: return nullptr;
    }
}

extern "C" GlSpanProc GLPROC __glPickDepthSpanStage(GlContext* gc) {
    const GLuint f = (gc->fb.depth.compareFunc - GL_NEVER) & 7;
    const bool write = gc->depth.writeMask != 0;
    if (gc->fb.depth.buf.elementSize == 2) return write ? depthRow<true, uint16_t>[f] : depthRow<false, uint16_t>[f];
    return write ? depthRow<true, uint32_t>[f] : depthRow<false, uint32_t>[f];
}
