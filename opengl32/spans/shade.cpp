// Colour stages: the colours of a group, flat or smooth, untextured or
// combined with the group's texels, written into GlSpan.colors; then the
// successor procs.spanChain[GL_CHAIN_AFTER_COLOR] with the mask unchanged.

#include "core/glcontext.h"
#include "spans/spancolor.h"
#include "spans/spanlanes.h"

namespace {

// Untextured colour, GL_REPLACE and GL_MODULATE over an unbroken run of live
// pixels walked rightward: eight pixels a step in 16-bit lanes, the entries
// of the run's pixels written and no others. A channel's 16.16 value is kept shifted left so that its channel byte is the
// top byte.
template <class F, int I>
bool shadeRun(GLuint mask, GlSpan* s) {
    typedef GlSpanColorIndex<I> X;
    const GLuint dead = ~mask;
    if (s->pixelStep < 0 || (dead & (dead + 1))) return false;
    if (X::code) s->context->procs.spanTextured(mask, s);
    const int n = dead ? __builtin_clz(dead) : 32;
    __m128i value[4], step4[4];
    channelLanes4(s, X::smooth, value, step4);
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
        const int shift = k < 3 ? F::shift(k) : 16;
        value[k] = _mm_slli_epi32(value[k], 24 - shift);
        step4[k] = _mm_slli_epi32(step4[k], 24 - shift);
    }
    const uint8_t* t = s->texels;
    for (int i = 0; i < n; i += 8, t += 8 * X::texelBytes) {
        __m128i tex[4] = {};
        if (X::code) texelPlanes8<X::texelBytes>(t, tex);
        __m128i c[4];
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            const __m128i next = _mm_add_epi32(value[k], step4[k]);
            const __m128i f = _mm_packs_epi32(_mm_srli_epi32(value[k], 24), _mm_srli_epi32(next, 24));
            value[k] = _mm_add_epi32(next, step4[k]);
            const bool textured = X::code && (k < 3 || X::texAlpha);
            if (!textured) c[k] = f;
            else if (X::code == 1) c[k] = k < 3 ? _mm_min_epi16(tex[k], _mm_set1_epi16((short)F::ceiling(k))) : tex[k];
            else c[k] = mulBytes8(tex[k], f);
        }
        if (n - i >= 8) {
            storeColorWords8<X::alpha>(s->colors[i], c);
        } else {
            alignas(16) uint8_t last[8][4];
            memcpy(last, s->colors[i], (size_t)(n - i) * 4);
            storeColorWords8<X::alpha>(last[0], c);
            memcpy(s->colors[i], last, (size_t)(n - i) * 4);
        }
    }
    s->context->procs.spanChain[GL_CHAIN_AFTER_COLOR](mask, s);
    return true;
}

// Colour index I: bit 0 alpha written, bit 1 smooth, bits 2-4 texture
// function code, bit 5 texel alpha.
template <class F, int I>
void GLSPANCALL shadeStage(GLuint mask, GlSpan* s) {
    typedef GlSpanColorIndex<I> X;
    if constexpr ((X::code == 0 && X::smooth) || X::code == 1 || X::code == 3) {
        if (shadeRun<F, I>(mask, s)) return;
    }
    GlContext* gc = s->context;
    GlSpanFragment<F, X::smooth> frag(s);
    GlSpanTexels<X::texelBytes> tex(gc, mask, s, X::code != 0);
    const uint8_t* env = gc->texEnvColorBytes;
    const GLint eR = env[0], eG = env[1], eB = env[2], eA = env[3];
    glSpanWalk(
        mask,
        [&](int i) {
            uint8_t* c = s->colors[i];
            const GLint fc[3] = {frag.byte(0), frag.byte(1), frag.byte(2)};
            const GLint fA = frag.alphaByte();
            const GLint e[3] = {eR, eG, eB};
            const uint8_t* t = tex.next();
            GLint tA = 0;
            if (X::texelBytes == 4) tA = t[3];
            if (X::texelBytes == 1) tA = t[0];
            for (int k = 0; k < 3; ++k) {
                GLint v;
                switch (X::code) {
                case 0: v = fc[k]; break;
                case 1: v = glSpanMin(t[k], F::ceiling(k)); break;
                case 2: v = glSpanMin(__glSpanMul(tA, t[k]) + __glSpanMul(255 - tA, fc[k]), F::ceiling(k)); break;
                case 3: v = __glSpanMul(t[k], fc[k]); break;
                case 4:
                case 5: v = __glSpanMul(255 - t[k], fc[k]) + __glSpanMul(t[k], e[k]); break;
                default: v = fc[k]; break;  // 6 and 7: alpha textures
                }
                c[k] = (uint8_t)v;
            }
            if (X::alpha) {
                GLint a = fA;
                if (X::texAlpha) {
                    switch (X::code) {
                    case 1:
                    case 6: a = tA; break;
                    case 3:
                    case 4:
                    case 7: a = __glSpanMul(tA, fA); break;
                    case 5: a = __glSpanMul(255 - tA, fA) + __glSpanMul(tA, eA); break;
                    default: break;  // decal keeps the fragment alpha
                    }
                }
                c[3] = (uint8_t)a;
            }
        },
        [&] { frag.step(); });
    gc->procs.spanChain[GL_CHAIN_AFTER_COLOR](mask, s);
}

// Non-empty: untextured without texel alpha; replace, modulate, blend and
// intensity blend with either texel size; decal only with texel alpha; the
// alpha-texture codes 6 and 7 only with texel alpha and alpha written.
template <class F>
struct ShadeEntry {
    template <int I>
    static constexpr GlSpanProc at() {
        typedef GlSpanColorIndex<I> X;
        constexpr bool present = X::code == 0   ? !X::texAlpha
                                 : X::code == 2 ? X::texAlpha
                                 : X::code >= 6 ? X::texAlpha && X::alpha
                                                : true;
        if constexpr (present) return &shadeStage<F, I>;
        return nullptr;
    }
};

template <class F>
constexpr std::array<GlSpanProc, GL_SPAN_COLOR_STAGES> shadeTable =
    glSpanMakeTable<ShadeEntry<F>>(std::make_index_sequence<GL_SPAN_COLOR_STAGES>());

}  // namespace

extern "C" const GlSpanProc* const __glShadeProcTables[GL_SPAN_FORMAT_CODES] = {
    nullptr, nullptr, shadeTable<GlSpanRgb332>.data(), nullptr, shadeTable<GlSpanRgb555>.data(),
    shadeTable<GlSpanRgb565>.data(), nullptr, shadeTable<GlSpanXrgb8888>.data(), nullptr, nullptr,
    shadeTable<GlSpanXrgb8888>.data(), nullptr};
