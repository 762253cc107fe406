// Store stages: the colours of GlSpan.colors reduced to the pixel format,
// optionally dithered, combined with the colour buffer by a logic op or one of
// five blend-factor pairs, and written. One table of 128 per format.

#include "raster/glbuffer.h"
#include "spans/spanformat.h"
#include "spans/spanlanes.h"

namespace {

// A channel byte C as an n-bit field: its top bits, or with dither
// (C - (C >> n) + (D >> (8 + n))) >> (8 - n).
template <class F, bool Dither>
inline GLuint packSource(const uint8_t* c, GLint d) {
    GLuint v = 0;
    for (int k = 0; k < 3; ++k) {
        const int n = F::bits[k];
        GLint f = c[k];
        if (Dither) f = f - (f >> n) + (d >> (8 + n));
        v |= (GLuint)(f >> (8 - n)) << F::pos[k];
    }
    return v;
}

// Logic op Op (0 GL_CLEAR .. 15 GL_SET) on whole pixel words, spare bits
// included. Alpha marks the twin entry for spans that need alpha: the same
// store, since none of the formats holds alpha.
template <class F, int Op, bool Dither, bool Alpha>
void GLSPANCALL storeLogicOp(GLuint mask, GlSpan* s) {
    constexpr GLenum op = GL_CLEAR + Op;
    constexpr bool readsSource = op != GL_CLEAR && op != GL_NOOP && op != GL_INVERT && op != GL_SET;
    constexpr bool readsDest = op != GL_CLEAR && op != GL_COPY && op != GL_COPY_INVERTED && op != GL_SET;
    constexpr bool dither = Dither && readsSource;
    if (op == GL_NOOP) return;
    uint8_t* p = s->dest;
    const GLint step = s->pixelStep * F::bytes;
    const GLint* d = s->dither;
    glSpanWalk(
        mask,
        [&](int i) {
            const GLuint src = readsSource ? packSource<F, dither>(s->colors[i], dither ? *d : 0) : 0;
            const GLuint dst = readsDest ? glSpanLoadPixel<F::bytes>(p) : 0;
            glSpanStorePixel<F::bytes>(p, __glLogicOp(op, src, dst));
        },
        [&] {
            p += step;
            if (dither) ++d;
        });
    if (dither) s->dither = d;
}

// Blend codes: 4 * source class + destination class (Code 0, 1, 3, 6, 9).
enum { BLEND_SA_ZERO = 0, BLEND_SA_ONE = 1, BLEND_SA_OMSA = 3, BLEND_OMSA_SA = 6, BLEND_SAT_ONE = 9 };

template <int Code>
inline GLint blendChannel(GLint cs, GLint cd, GLint a) {
    switch (Code) {
    case BLEND_SA_ZERO: return __glSpanMul(cs, a);
    case BLEND_SA_ONE: return __glSpanMul(cs, a) + cd;
    case BLEND_SA_OMSA: return __glSpanMul(cs, a) + __glSpanMul(cd, 255 - a);
    case BLEND_OMSA_SA: return __glSpanMul(cs, 255 - a) + __glSpanMul(cd, a);
    default: return cd;  // the saturate factor is 0: no destination alpha
    }
}

// blendChannel in 16-bit lanes.
template <int Code>
inline __m128i blendChannel8(__m128i cs, __m128i cd, __m128i a) {
    const __m128i full = _mm_set1_epi16(255);
    switch (Code) {
    case BLEND_SA_ZERO: return mulBytes8(cs, a);
    case BLEND_SA_ONE: return _mm_add_epi16(mulBytes8(cs, a), cd);
    case BLEND_SA_OMSA: return _mm_add_epi16(mulBytes8(cs, a), mulBytes8(cd, _mm_sub_epi16(full, a)));
    case BLEND_OMSA_SA: return _mm_add_epi16(mulBytes8(cs, _mm_sub_epi16(full, a)), mulBytes8(cd, a));
    default: return cd;
    }
}

// Eight pixels of the colour buffer at p (n of them, the rest zero) as
// channel bytes in 16-bit lanes, each field in the top bits of its byte.
template <class F>
inline void destPlanes8(const uint8_t* p, int n, __m128i cd[3]) {
    alignas(16) uint8_t w[32] = {};
    const uint8_t* q = p;
    if (n < 8) memcpy(w, p, (size_t)n * F::bytes), q = w;
    __m128i lo, hi = _mm_setzero_si128();
    if (F::bytes == 1) lo = _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i*)q), _mm_setzero_si128());
    else lo = _mm_loadu_si128((const __m128i*)q);
    if (F::bytes == 4) hi = _mm_loadu_si128((const __m128i*)(q + 16));
#pragma GCC unroll 3
    for (int k = 0; k < 3; ++k) {
        const int n = F::bits[k];
        if (F::bytes == 4) {
            const __m128i m = _mm_set1_epi32((int)F::maxField(k));
            cd[k] = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, F::pos[k]), m),
                                    _mm_and_si128(_mm_srli_epi32(hi, F::pos[k]), m));
        } else {
            cd[k] = _mm_and_si128(_mm_srli_epi16(lo, F::pos[k]), _mm_set1_epi16((short)F::maxField(k)));
        }
        cd[k] = _mm_slli_epi16(cd[k], 8 - n);
    }
}

// storeBlend over an unbroken run of live pixels walked rightward: eight
// pixels a step in 16-bit lanes.
template <class F, int Code, bool Dither>
bool blendRun(GLuint mask, GlSpan* s) {
    const GLuint dead = ~mask;
    if (s->pixelStep < 0 || (dead & (dead + 1))) return false;
    const int n = dead ? __builtin_clz(dead) : 32;
    uint8_t* p = s->dest;
    const GLint* d = s->dither;
    // D >> (8 + n) of each channel; a dither row repeats every four pixels.
    __m128i D[3] = {};
    if (Dither) {
        const __m128i d0 = _mm_loadu_si128((const __m128i*)d), d1 = _mm_loadu_si128((const __m128i*)(d + 4));
        for (int k = 0; k < 3; ++k) {
            const __m128i c = _mm_cvtsi32_si128(8 + F::bits[k]);
            D[k] = _mm_packs_epi32(_mm_sra_epi32(d0, c), _mm_sra_epi32(d1, c));
        }
    }
    for (int i = 0; i < n; i += 8, p += 8 * F::bytes) {
        const int count = n - i < 8 ? n - i : 8;
        __m128i cs[4], cd[3] = {}, f[3];
        texelPlanes8<4>(s->colors[i], cs);
        if (Code != BLEND_SA_ZERO) destPlanes8<F>(p, count, cd);
#pragma GCC unroll 3
        for (int k = 0; k < 3; ++k) {
            __m128i v = blendChannel8<Code>(cs[k], cd[k], cs[3]);
            if (Dither) v = _mm_add_epi16(v, D[k]);
            f[k] = _mm_min_epi16(_mm_srli_epi16(v, 8 - F::bits[k]), _mm_set1_epi16((short)F::maxField(k)));
        }
        storeFields8<F>(p, count, f);
    }
    if (Dither) s->dither = d + n;
    return true;
}

// Each field: the blended byte (plus D >> (8 + n) with dither) shifted down
// and limited to the field's maximum; the spare bits are written as 0.
template <class F, int Code, bool Dither>
void GLSPANCALL storeBlend(GLuint mask, GlSpan* s) {
    if (blendRun<F, Code, Dither>(mask, s)) return;
    uint8_t* p = s->dest;
    const GLint step = s->pixelStep * F::bytes;
    const GLint* d = s->dither;
    glSpanWalk(
        mask,
        [&](int i) {
            const uint8_t* c = s->colors[i];
            const GLuint dst = Code != BLEND_SA_ZERO ? glSpanLoadPixel<F::bytes>(p) : 0;
            GLuint out = 0;
            for (int k = 0; k < 3; ++k) {
                const int n = F::bits[k];
                const GLint cd = (GLint)(((dst >> F::pos[k]) & F::maxField(k)) << (8 - n));
                GLint v = blendChannel<Code>(c[k], cd, c[3]);
                if (Dither) v += *d >> (8 + n);
                GLuint f = (GLuint)v >> (8 - n);
                if (f > F::maxField(k)) f = F::maxField(k);
                out |= f << F::pos[k];
            }
            glSpanStorePixel<F::bytes>(p, out);
        },
        [&] {
            p += step;
            if (Dither) ++d;
        });
    if (Dither) s->dither = d;
}

// Store index: bits 0-3 logic op or blend code, bit 4 dither, bit 5 blend,
// bit 6 alpha needed. Blending always comes with alpha needed.
template <class F>
struct StoreEntry {
    template <int I>
    static constexpr GlSpanProc at() {
        constexpr int low = I & 15;
        constexpr bool dither = (I & 16) != 0;
        constexpr bool blend = (I & 32) != 0;
        constexpr bool alpha = (I & 64) != 0;
        if constexpr (!blend) {
            return alpha || I < 32 ? &storeLogicOp<F, low, dither, alpha> : nullptr;
        } else if constexpr (alpha && (low == BLEND_SA_ZERO || low == BLEND_SA_ONE || low == BLEND_SA_OMSA ||
                                       low == BLEND_OMSA_SA || low == BLEND_SAT_ONE)) {
            return &storeBlend<F, low, dither>;
        } else {
            return nullptr;
        }
    }
};

template <class F>
constexpr std::array<GlSpanProc, GL_SPAN_STORE_STAGES> storeTable =
    glSpanMakeTable<StoreEntry<F>>(std::make_index_sequence<GL_SPAN_STORE_STAGES>());

}  // namespace

extern "C" const GlSpanProc* const __glStoreProcTables[GL_SPAN_FORMAT_CODES] = {
    nullptr, nullptr, storeTable<GlSpanRgb332>.data(), nullptr, storeTable<GlSpanRgb555>.data(),
    storeTable<GlSpanRgb565>.data(), nullptr, nullptr, nullptr, nullptr, storeTable<GlSpanXrgb8888>.data(),
    nullptr};
