// What the colour and direct stages share: the meaning of the colour index,
// the running fragment colour and the group's texels.
#pragma once

#include "core/glcontext.h"
#include "spans/spanformat.h"

// Colour index I (0 .. 63): bit 0 alpha (colour stages) or dither (direct
// stages), bit 1 smooth, bits 2-4 the texture function code (0 none,
// 1 replace, 2 decal, 3 modulate, 4 blend, 5 intensity blend, 6 alpha
// replace, 7 alpha modulate), bit 5 texel alpha.
template <int I>
struct GlSpanColorIndex {
    static constexpr bool alpha = (I & 1) != 0;
    static constexpr bool dither = (I & 1) != 0;
    static constexpr bool smooth = (I & 2) != 0;
    static constexpr int code = (I >> 2) & 7;
    static constexpr bool texAlpha = (I & 32) != 0;
    // Texel size: 1 byte (alpha) for codes 6 and 7, 4 with texel alpha, else 3.
    static constexpr int texelBytes = code >= 6 ? 1 : texAlpha ? 4 : 3;
};

static inline GLint glSpanMin(GLint v, GLuint ceiling) { return v < (GLint)ceiling ? v : (GLint)ceiling; }

// The fragment colour of the pixel being visited: 16.16 values in field
// units (alpha 0 .. 255), read at entry; a smooth walk steps them per pixel,
// a flat one never reads the steps. Nothing is written back.
// Channels: 4, or 3 for a walk that never reads alpha.
template <class F, bool Smooth, int Channels = 4>
struct GlSpanFragment {
    GLuint v[4];
    GLint dv[4];
    explicit GlSpanFragment(const GlSpan* s) : v{s->red, s->green, s->blue, s->alpha}, dv{} {
        if (Smooth) {
            dv[0] = s->redStep;
            dv[1] = s->greenStep;
            dv[2] = s->blueStep;
            dv[3] = s->alphaStep;
        }
    }
    // The channel as a byte whose top bits are the field (low 8 bits of the
    // logical shift: nothing is clamped).
    GLint byte(int k) const { return (GLint)((v[k] >> F::shift(k)) & 0xFF); }
    GLint alphaByte() const { return (GLint)((v[3] >> 16) & 0xFF); }
    void step() {
        if (Smooth) {
            for (int k = 0; k < Channels; ++k) v[k] += (GLuint)dv[k];
        }
    }
};

// The group's texels: the texture stage fills GlSpan.texels with one texel
// per live pixel, packed; each live pixel takes the next.
template <int Bytes>
struct GlSpanTexels {
    const uint8_t* t;
    GlSpanTexels(GlContext* gc, GLuint mask, GlSpan* s, bool textured) : t(s->texels) {
        if (textured) gc->procs.spanTextured(mask, s);
    }
    const uint8_t* next() {
        const uint8_t* p = t;
        t += Bytes;
        return p;
    }
};
