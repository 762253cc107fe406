// Colour stages: the colours of a group, flat or smooth, untextured or
// combined with the group's texels, written into GlSpan.colors; then the
// successor procs.spanChain[GL_CHAIN_AFTER_COLOR] with the mask unchanged.

#include "core/glcontext.h"
#include "spans/spancolor.h"

namespace {

// Colour index I: bit 0 alpha written, bit 1 smooth, bits 2-4 texture
// function code, bit 5 texel alpha.
template <class F, int I>
void GLSPANCALL shadeStage(GLuint mask, GlSpan* s) {
    typedef GlSpanColorIndex<I> X;
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
