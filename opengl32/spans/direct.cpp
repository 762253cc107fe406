// Direct stages: the last stage of a chain without a separate store; the
// colour of each live pixel computed, packed and written in one pass.

#include "spans/spancolor.h"

namespace {

// Colour index I: bit 0 dither, bit 1 smooth, bits 2-4 texture function
// (5 computes as 4), bit 5 four-byte texels. Fields are neither masked nor
// clamped beyond the rules below: the set-up keeps the inputs in range.
template <class F, int I>
void GLSPANCALL directStage(GLuint mask, GlSpan* s) {
    typedef GlSpanColorIndex<I> X;
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
            for (int k = 0; k < 3; ++k) {
                const int n = F::bits[k];
                const GLint c = frag.byte(k);
                const GLint D = dd >> (8 + n);
                GLint f;
                switch (X::code) {
                case 0: f = (GLint)(frag.v[k] + (GLuint)dd) >> 16; break;
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
                case 3: f = (GLint)(__glSpanMul(t[k], c) + D) >> (8 - n); break;
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
