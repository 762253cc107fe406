// Direct stages: the last stage of a chain without a separate store; the
// colour of each live pixel computed, packed and written in one pass.

#include <emmintrin.h>
#include <stddef.h>
#include <string.h>
#include <algorithm>
#include "spans/spancolor.h"
#include "spans/spanlanes.h"

namespace {

// Untextured: each field is its 16.16 value plus the dither addend, truncated.
template <class F>
inline GLuint untexturedPixel(GLuint r, GLuint g, GLuint b, GLint dd) {
    return (GLuint)((GLint)(r + (GLuint)dd) >> 16) << F::pos[0] | (GLuint)((GLint)(g + (GLuint)dd) >> 16) << F::pos[1] |
           (GLuint)((GLint)(b + (GLuint)dd) >> 16) << F::pos[2];
}

// Four pixels of untexturedPixel at once: lanes hold pixels i .. i + 3.
template <class F>
inline __m128i untexturedPixels4(__m128i r, __m128i g, __m128i b, __m128i dd) {
    const __m128i fr = _mm_slli_epi32(_mm_srai_epi32(_mm_add_epi32(r, dd), 16), F::pos[0]);
    const __m128i fg = _mm_slli_epi32(_mm_srai_epi32(_mm_add_epi32(g, dd), 16), F::pos[1]);
    const __m128i fb = _mm_slli_epi32(_mm_srai_epi32(_mm_add_epi32(b, dd), 16), F::pos[2]);
    return _mm_or_si128(_mm_or_si128(fr, fg), fb);
}

// Four 32-bit pixel words stored at their size: 16-bit words biased into the
// signed range to pack exactly, bytes packed on from there.
template <int Bytes>
inline void storePixels4(uint8_t* p, __m128i v) {
    if (Bytes == 4) {
        _mm_storeu_si128((__m128i*)p, v);
        return;
    }
    const __m128i bias = _mm_set1_epi32(0x8000);
    const __m128i w = _mm_xor_si128(_mm_packs_epi32(_mm_sub_epi32(v, bias), bias), _mm_set1_epi16((short)0x8000));
    if (Bytes == 2) {
        _mm_storel_epi64((__m128i*)p, w);
        return;
    }
    const int four = _mm_cvtsi128_si32(_mm_packus_epi16(w, w));
    memcpy(p, &four, 4);
}

// The commonest group: untextured smooth colour over an unbroken run of live
// pixels walked rightward; four pixels a step, the rest one by one.
template <class F, bool Dither>
bool directSmoothRun(GLuint mask, GlSpan* s) {
    const GLuint dead = ~mask;
    if (s->pixelStep < 0 || (dead & (dead + 1))) return false;
    const int n = dead ? __builtin_clz(dead) : 32;
    uint8_t* p = s->dest;
    GLuint r = s->red, g = s->green, b = s->blue;
    const GLuint dr = (GLuint)s->redStep, dg = (GLuint)s->greenStep, db = (GLuint)s->blueStep;
    const GLint* d = s->dither;
    int i = 0;
    if (n >= 4) {
        __m128i c4[4], step4[4];
        channelLanes4(s, true, c4, step4);
        // A dither row repeats every four pixels: the addends of pixels 0 .. 3 serve every step.
        const __m128i dd = Dither ? _mm_loadu_si128((const __m128i*)d) : _mm_setzero_si128();
        for (; i + 4 <= n; i += 4, p += 4 * F::bytes) {
            storePixels4<F::bytes>(p, untexturedPixels4<F>(c4[0], c4[1], c4[2], dd));
            for (int k = 0; k < 3; ++k) c4[k] = _mm_add_epi32(c4[k], step4[k]);
        }
        r += dr * (GLuint)i, g += dg * (GLuint)i, b += db * (GLuint)i;
    }
    for (; i < n; ++i, p += F::bytes, r += dr, g += dg, b += db)
        glSpanStorePixel<F::bytes>(p, untexturedPixel<F>(r, g, b, Dither ? d[i] : 0));
    if (Dither) s->dither = d + n;
    return true;
}

// GL_MODULATE: each field is the square-table product of the texel byte and
// the fragment's channel byte, plus the dither addend, truncated.
template <class F>
inline GLuint modulatePixel(const uint8_t* t, GLuint r, GLuint g, GLuint b, GLint dd) {
    const GLuint v[3] = {r, g, b};
    GLuint out = 0;
    for (int k = 0; k < 3; ++k) {
        const GLint c = (GLint)((v[k] >> F::shift(k)) & 0xFF);
        out |= (GLuint)((GLint)(__glSpanMul(t[k], c) + (dd >> (8 + F::bits[k]))) >> (8 - F::bits[k])) << F::pos[k];
    }
    return out;
}

// Textured GL_MODULATE over an unbroken run of live pixels walked rightward:
// the texture stage, then eight pixels a step in 16-bit lanes (a last step of
// fewer reads eight texels, which GlSpan.texels holds, and writes its own
// pixels). Pixels of 4 bytes take the fields below bit 16 from one set of
// lanes and those above from another, interleaved into pixel words.
// A channel's 16.16 value is kept shifted left so that its channel byte is
// the top byte; the dither addend D joins the doubled product doubled:
// (2 mul + 2 D) >> (9 - bits) is (mul + D) >> (8 - bits).
template <class F, bool Dither, bool Smooth, int TexelBytes>
bool directModulateRun(GLuint mask, GlSpan* s) {
    const GLuint dead = ~mask;
    if (s->pixelStep < 0 || (dead & (dead + 1))) return false;
    s->context->procs.spanTextured(mask, s);
    const int n = dead ? __builtin_clz(dead) : 32;
    uint8_t* p = s->dest;
    const uint8_t* t = s->texels;
    const GLint* d = s->dither;
    constexpr int least = std::min({F::bits[0], F::bits[1], F::bits[2]});
    // Channel k of pixels i .. i + 3 in 32-bit lanes, its byte on top.
    __m128i value[4], step4[4];
    channelLanes4(s, Smooth, value, step4);
#pragma GCC unroll 3
    for (int k = 0; k < 3; ++k) {
        value[k] = _mm_slli_epi32(value[k], 24 - F::shift(k));
        step4[k] = _mm_slli_epi32(step4[k], 24 - F::shift(k));
    }
    // Twice each channel's dither addend (below 1.0) >> (8 + bits). A dither
    // row repeats every four pixels: the addends of pixels 0 .. 7 serve every step.
    __m128i D2[3] = {};
    if (Dither) {
        const __m128i D = _mm_packs_epi32(_mm_srai_epi32(_mm_loadu_si128((const __m128i*)d), 8 + least),
                                          _mm_srai_epi32(_mm_loadu_si128((const __m128i*)(d + 4)), 8 + least));
        for (int k = 0; k < 3; ++k) D2[k] = _mm_slli_epi16(_mm_srai_epi16(D, F::bits[k] - least), 1);
    }
    for (int i = 0; i < n; i += 8, p += 8 * F::bytes, t += 8 * TexelBytes) {
        __m128i tex[4];
        texelPlanes8<TexelBytes>(t, tex);
        __m128i f[3];
#pragma GCC unroll 3
        for (int k = 0; k < 3; ++k) {
            const __m128i next = _mm_add_epi32(value[k], step4[k]);
            const __m128i c = _mm_packs_epi32(_mm_srli_epi32(value[k], 24), _mm_srli_epi32(next, 24));
            value[k] = _mm_add_epi32(next, step4[k]);
            f[k] = _mm_srli_epi16(_mm_add_epi16(mulBytes8Twice(tex[k], c), D2[k]), 9 - F::bits[k]);
        }
        storeFields8<F>(p, n - i < 8 ? n - i : 8, f);
    }
    if (Dither) s->dither = d + n;
    return true;
}

// Colour index I: bit 0 dither, bit 1 smooth, bits 2-4 texture function
// (5 computes as 4), bit 5 four-byte texels. Fields are neither masked nor
// clamped beyond the rules below: the set-up keeps the inputs in range.
template <class F, int I>
void GLSPANCALL directStage(GLuint mask, GlSpan* s) {
    typedef GlSpanColorIndex<I> X;
    if constexpr (X::code == 0 && X::smooth) {
        if (directSmoothRun<F, X::dither>(mask, s)) return;
    }
    if constexpr (X::code == 3) {
        if (directModulateRun<F, X::dither, X::smooth, X::texelBytes>(mask, s)) return;
    }
    constexpr bool flatPixel = X::code == 0 && !X::dither && !X::smooth;
    GlContext* gc = s->context;
    GlSpanFragment<F, X::smooth && X::code != 1, 3> frag(s);  // these formats store no alpha
    GlSpanTexels<X::texelBytes> tex(gc, mask, s, X::code != 0);
    const uint8_t* env = gc->texEnvColorBytes;
    const GLint e[3] = {env[0], env[1], env[2]};
    uint8_t* p = s->dest;
    const GLint step = s->pixelStep * F::bytes;
    const GLint* d = s->dither;
    glSpanWalk(
        mask,
        [&](int) {
            if (flatPixel) {
                glSpanStorePixel<F::bytes>(p, s->flatPixel);
                return;
            }
            const uint8_t* t = tex.next();
            const GLint dd = X::dither ? *d : 0;
            GLuint out = 0;
            if (X::code == 0) {
                glSpanStorePixel<F::bytes>(p, untexturedPixel<F>(frag.v[0], frag.v[1], frag.v[2], dd));
                return;
            }
            if (X::code == 3) {
                glSpanStorePixel<F::bytes>(p, modulatePixel<F>(t, frag.v[0], frag.v[1], frag.v[2], dd));
                return;
            }
#pragma GCC unroll 3
            for (int k = 0; k < 3; ++k) {
                const int n = F::bits[k];
                const GLint c = frag.byte(k);
                const GLint D = dd >> (8 + n);
                GLint f;
                switch (X::code) {
                case 1:
                    if (X::dither) {
                        const GLint w = ((t[k] << (8 + n)) + dd) >> 16;
                        f = w - (w >> n);  // 2^n, the one overflow, becomes 2^n - 1
                    } else {
                        f = t[k] >> (8 - n);
                    }
                    break;
                case 2: {
                    GLint sum = __glSpanMul(t[k], t[3]) + __glSpanMul(255 - t[3], c);
                    if (X::dither) sum = glSpanMin(sum + D, F::ceiling(k));
                    f = sum >> (8 - n);
                    break;
                }
                default: f = (GLint)(__glSpanMul(255 - t[k], c) + __glSpanMul(t[k], e[k]) + D) >> (8 - n); break;
                }
                out |= (GLuint)f << F::pos[k];
            }
            glSpanStorePixel<F::bytes>(p, out);
        },
        [&] {
            p += step;
            frag.step();
            if (X::dither) ++d;
        });
    if (X::dither) s->dither = d;
}

void GLSPANCALL directNop(GLuint, GlSpan*) {}

// Entries: untextured at 0-3 and 32-35; replace, modulate, blend and
// intensity blend with either texel size; decal with four-byte texels only.
// An alpha texture under GL_REPLACE, GL_MODULATE or GL_BLEND leaves the
// fragment colour, and these formats store no alpha: 60-63 write the
// untextured colour (an empty stage there would drop the span). 56-59 are
// never selected and write nothing; the rest are null.
template <class F>
struct DirectEntry {
    template <int J>
    static constexpr GlSpanProc at() {
        typedef GlSpanColorIndex<J> X;
        if constexpr (X::code == 7 && X::texAlpha) {
            return &directStage<F, J & 3>;
        } else if constexpr (X::code == 6) {
            return X::texAlpha ? &directNop : nullptr;
        } else if constexpr (X::code == 7) {
            return nullptr;
        } else if constexpr (X::code == 2 && !X::texAlpha) {
            return nullptr;
        } else {
            // Intensity blend computes as blend; untextured ignores the texel size.
            constexpr int base = X::code == 5 ? (J & ~(7 << 2)) | (4 << 2) : X::code == 0 ? J & 3 : J;
            return &directStage<F, base>;
        }
    }
};

template <class F>
constexpr std::array<GlSpanProc, GL_SPAN_COLOR_STAGES> directTable =
    glSpanMakeTable<DirectEntry<F>>(std::make_index_sequence<GL_SPAN_COLOR_STAGES>());

}  // namespace

extern "C" const GlSpanProc* const __glDirectProcTables[GL_SPAN_FORMAT_CODES] = {
    nullptr, nullptr, directTable<GlSpanRgb332>.data(), nullptr, directTable<GlSpanRgb555>.data(),
    directTable<GlSpanRgb565>.data(), nullptr, nullptr, nullptr, nullptr, directTable<GlSpanXrgb8888>.data(),
    nullptr};
