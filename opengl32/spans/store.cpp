// Store stages: the colours of GlSpan.colors reduced to the pixel format,
// optionally dithered, combined with the colour buffer by a logic op or one of
// five blend-factor pairs, and written. One table of 128 per format.

#include "raster/glbuffer.h"
#include "spans/spanformat.h"

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

// Each field: the blended byte (plus D >> (8 + n) with dither) shifted down
// and limited to the field's maximum; the spare bits are written as 0.
template <class F, int Code, bool Dither>
void GLSPANCALL storeBlend(GLuint mask, GlSpan* s) {
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
