// Colour stores of the fast chain: the generic store of each colour-buffer
// format (blend with any factors, dither, logic op, write mask) and the
// colour-index shade, store and direct stages.

#include "raster/chain.h"
#include "raster/glbuffer.h"
#include "spans/spanformat.h"

namespace {

typedef GlSpanLayout<3, 8, 8, 8, 16, 8, 0> GlSpanBgr888;  // code 7: bytes B, G, R

template <int N>
inline GLuint loadPixel(const uint8_t* p) {
    if (N == 3) return (GLuint)p[0] | (GLuint)p[1] << 8 | (GLuint)p[2] << 16;
    return glSpanLoadPixel<N>(p);
}
template <int N>
inline void storePixel(uint8_t* p, GLuint v) {
    if (N == 3) {
        p[0] = (uint8_t)v, p[1] = (uint8_t)(v >> 8), p[2] = (uint8_t)(v >> 16);
        return;
    }
    glSpanStorePixel<N>(p, v);
}

// An n-bit field as a byte 0 .. 255 by bit replication: full scale stays full
// scale, so that products of two colours keep white white.
inline GLint expandField(GLuint f, int n) {
    GLuint b = f << (8 - n);
    for (int sh = n; sh < 8; sh += n) b |= (f << (8 - n)) >> sh;
    return (GLint)(b & 0xFF);
}

inline GLint sourceTerm(GLenum factor, GLint s, GLint d, GLint as) {
    switch (factor) {
    case GL_ONE:
    case GL_DST_ALPHA: return s;
    case GL_SRC_ALPHA: return (GLint)__glSpanMul(s, as);
    case GL_ONE_MINUS_SRC_ALPHA: return (GLint)__glSpanMul(s, 255 - as);
    case GL_DST_COLOR: return (GLint)__glSpanMul(s, d);
    case GL_ONE_MINUS_DST_COLOR: return (GLint)__glSpanMul(s, 255 - d);
    default: return 0;  // GL_ZERO, GL_ONE_MINUS_DST_ALPHA, GL_SRC_ALPHA_SATURATE (no destination alpha)
    }
}

inline GLint destTerm(GLenum factor, GLint s, GLint d, GLint as) {
    switch (factor) {
    case GL_ZERO:
    case GL_ONE_MINUS_DST_ALPHA: return 0;
    case GL_SRC_COLOR: return (GLint)__glSpanMul(d, s);
    case GL_ONE_MINUS_SRC_COLOR: return (GLint)__glSpanMul(d, 255 - s);
    case GL_SRC_ALPHA: return (GLint)__glSpanMul(d, as);
    case GL_ONE_MINUS_SRC_ALPHA: return (GLint)__glSpanMul(d, 255 - as);
    default: return d;  // GL_ONE, GL_DST_ALPHA
    }
}

// The generic RGBA store of format F: per live pixel blend (raster flag
// 0x100), dither (0x40), pack, logic op (0x80) and write mask (0x800); the
// flags are looked at once a group and each combination walks on its own.
template <class F, bool Blend, bool Dither, bool LogicOp, bool Masked>
void genericStoreWalk(GLuint mask, GlSpan* s) {
    GlContext* gc = s->context;
    const GlColorBuffer* cb = gc->drawBuffer;
    const GLenum src = gc->colorBuffer.blendSrc, dst = gc->colorBuffer.blendDst, op = gc->colorBuffer.logicOp;
    const GLint step = s->pixelStep * F::bytes;
    uint8_t* p = s->dest;
    const GLint* a = s->dither;
    glSpanWalk(
        mask,
        [&](int i) {
            const uint8_t* c = s->colors[i];
            const GLuint old = (Blend || LogicOp || Masked) ? loadPixel<F::bytes>(p) : 0;
            GLuint v = 0;
            for (int k = 0; k < 3; ++k) {
                const int n = F::bits[k];
                GLint x = c[k];
                if (Blend) {
                    const GLint d = expandField((old >> F::pos[k]) & F::maxField(k), n);
                    x = sourceTerm(src, x, d, c[3]) + destTerm(dst, x, d, c[3]);
                    if (x > 255) x = 255;
                }
                if (Dither) x = x - (x >> n) + (*a >> (8 + n));
                v |= (GLuint)(x >> (8 - n)) << F::pos[k];
            }
            if (LogicOp) v = __glLogicOp(op, v, old);
            if (Masked) v = (v & cb->writeMask) | (old & cb->keepMask);
            storePixel<F::bytes>(p, v);
        },
        [&] {
            p += step;
            if (Dither) ++a;
        });
    if (Dither) s->dither = a;
}

template <class F, int Flags>
constexpr void (*genericStoreOf)(GLuint, GlSpan*) =
    genericStoreWalk<F, (Flags & 1) != 0, (Flags & 2) != 0, (Flags & 4) != 0, (Flags & 8) != 0>;

template <class F>
void GLSPANCALL genericStore(GLuint mask, GlSpan* s) {
    typedef void (*Walk)(GLuint, GlSpan*);
    static constexpr Walk walks[16] = {
        genericStoreOf<F, 0>,  genericStoreOf<F, 1>,  genericStoreOf<F, 2>,  genericStoreOf<F, 3>,
        genericStoreOf<F, 4>,  genericStoreOf<F, 5>,  genericStoreOf<F, 6>,  genericStoreOf<F, 7>,
        genericStoreOf<F, 8>,  genericStoreOf<F, 9>,  genericStoreOf<F, 10>, genericStoreOf<F, 11>,
        genericStoreOf<F, 12>, genericStoreOf<F, 13>, genericStoreOf<F, 14>, genericStoreOf<F, 15>};
    const GLuint flags = s->context->rasterFlags;
    // Logic op replaces blending.
    const int k = ((flags & (GL_RF_BLEND | GL_RF_LOGIC_OP)) == GL_RF_BLEND ? 1 : 0) | ((flags & GL_RF_DITHER) ? 2 : 0) |
                  ((flags & GL_RF_LOGIC_OP) ? 4 : 0) | ((flags & GL_RF_WRITE_MASK) ? 8 : 0);
    walks[k](mask, s);
}

// ---- Colour index: one 16.16 index word per colour entry.

inline GLuint& indexWord(GlSpan* s, int i) { return *(GLuint*)s->colors[i]; }

// Index byte v combined with the destination d by the logic op, write mask
// applied; the low byte is stored.
inline GLuint indexCombine(const GlContext* gc, GLuint v, GLuint d) {
    const GLuint flags = gc->rasterFlags;
    if (flags & GL_RF_LOGIC_OP) v = __glLogicOp(gc->colorBuffer.logicOp, v, d);
    if (flags & GL_RF_WRITE_MASK) v = (d & gc->drawBuffer->keepMask) | (v & gc->drawBuffer->writeMask);
    return v;
}

// Index words (plus the dither addends) to bytes combined with the
// destination by combine(v, d).
template <class Combine>
inline void indexStoreWalk(GLuint mask, GlSpan* s, bool dither, Combine combine) {
    uint8_t* p = s->dest;
    const GLint* a = s->dither;
    glSpanWalk(
        mask,
        [&](int i) { *p = (uint8_t)combine((indexWord(s, i) + (dither ? (GLuint)*a : 0u)) >> 16, *p); },
        [&] {
            p += s->pixelStep;
            if (dither) ++a;
        });
    if (dither) s->dither = a;
}

void GLSPANCALL indexGenericStore(GLuint mask, GlSpan* s) {
    const GlContext* gc = s->context;
    indexStoreWalk(mask, s, (gc->rasterFlags & GL_RF_DITHER) != 0,
                   [gc](GLuint v, GLuint d) { return indexCombine(gc, v, d); });
}

// Feature code: bit 0 dither, bit 1 smooth, bits 2-3 texture (1 the texel
// replaces the index, 2 the texel is added to it).
template <int Code>
struct IndexCode {
    static constexpr bool dither = (Code & 1) != 0;
    static constexpr bool smooth = (Code & 2) != 0;
    static constexpr int texture = (Code >> 2) & 3;
};

// The index words of a group: the interpolated or flat index, the texel
// (after the texture stage) replacing it or added to it.
template <int Code>
struct IndexSource {
    typedef IndexCode<Code> X;
    const uint8_t* t;
    GLuint v, dv;
    IndexSource(GLuint mask, GlSpan* s) : t(s->texels), v(s->red), dv(X::smooth ? (GLuint)s->redStep : 0u) {
        if (X::texture) s->context->procs.spanTextured(mask, s);
    }
    // The live pixel's word, plus a dither addend.
    GLuint word(GLuint addend) {
        GLuint w = X::texture == 1 ? 0u : v + addend;
        if (X::texture) w += (GLuint)*t++ << 16;
        return w;
    }
    void step() { v += dv; }
};

template <int Code>
void GLSPANCALL indexShade(GLuint mask, GlSpan* s) {
    IndexSource<Code> src(mask, s);
    glSpanWalk(
        mask, [&](int i) { indexWord(s, i) = src.word(0); }, [&] { src.step(); });
    s->context->procs.spanChain[GL_CHAIN_AFTER_COLOR](mask, s);
}

template <int Op, bool Dither>
void GLSPANCALL indexStore(GLuint mask, GlSpan* s) {
    indexStoreWalk(mask, s, Dither, [](GLuint v, GLuint d) { return __glLogicOp(GL_CLEAR + Op, v, d); });
}

template <int Code>
void GLSPANCALL indexDirect(GLuint mask, GlSpan* s) {
    constexpr bool dither = IndexCode<Code>::dither;
    IndexSource<Code> src(mask, s);
    uint8_t* p = s->dest;
    const GLint* a = s->dither;
    glSpanWalk(
        mask, [&](int) { *p = (uint8_t)(src.word(dither ? (GLuint)*a : 0u) >> 16); },
        [&] {
            p += s->pixelStep;
            src.step();
            if (dither) ++a;
        });
    if (dither) s->dither = a;
}

void GLSPANCALL indexNop(GLuint, GlSpan*) {}

struct IndexShadeEntry {
    template <int I>
    static constexpr GlSpanProc at() {
        if constexpr (I < 12) return &indexShade<I & ~1>;
        return nullptr;
    }
};
struct IndexStoreEntry {
    template <int I>
    static constexpr GlSpanProc at() {
        return &indexStore<I & 15, (I & 16) != 0>;
    }
};
// 0-11 draw; 12-15 and every 16 from 24 to 72 (four entries each) are
// empty slots; the other entries above 15 draw nothing.
struct IndexDirectEntry {
    template <int I>
    static constexpr GlSpanProc at() {
        if constexpr (I < 12) return &indexDirect<(I & 4) ? (I & ~3) : I>;
        else if constexpr ((I & 15) >= 8 && (I & 15) < 12 && I >= 24) return nullptr;
        else if constexpr (I < 16) return nullptr;
        else return &indexNop;
    }
};

constexpr auto indexShadeTable =
    glSpanMakeTable<IndexShadeEntry>(std::make_index_sequence<GL_SPAN_INDEX_SHADE_STAGES>());
constexpr auto indexStoreTable =
    glSpanMakeTable<IndexStoreEntry>(std::make_index_sequence<GL_SPAN_INDEX_STORE_STAGES>());
constexpr auto indexDirectTable =
    glSpanMakeTable<IndexDirectEntry>(std::make_index_sequence<GL_SPAN_INDEX_DIRECT_STAGES>());

}  // namespace

extern "C" const GlSpanProc __glGenericStoreProcs[GL_SPAN_FORMAT_CODES] = {
    nullptr, indexGenericStore, genericStore<GlSpanRgb332>, nullptr, genericStore<GlSpanRgb555>,
    genericStore<GlSpanRgb565>, nullptr, genericStore<GlSpanBgr888>, nullptr, nullptr,
    genericStore<GlSpanXrgb8888>, nullptr};

#define T3(t, i) t[i], t[i + 1], t[i + 2]
#define T4(t, i) t[i], t[i + 1], t[i + 2], t[i + 3]
#define T16(t, i) T4(t, i), T4(t, i + 4), T4(t, i + 8), T4(t, i + 12)
extern "C" const GlSpanProc __glIndexShadeProcs[GL_SPAN_INDEX_SHADE_STAGES] = {T16(indexShadeTable, 0)};
extern "C" const GlSpanProc __glIndexStoreProcs[GL_SPAN_INDEX_STORE_STAGES] = {T16(indexStoreTable, 0),
                                                                               T16(indexStoreTable, 16)};
extern "C" const GlSpanProc __glIndexDirectProcs[GL_SPAN_INDEX_DIRECT_STAGES] = {
    T16(indexDirectTable, 0), T16(indexDirectTable, 16), T16(indexDirectTable, 32), T16(indexDirectTable, 48),
    T16(indexDirectTable, 64)};
#undef T16
#undef T4
#undef T3
