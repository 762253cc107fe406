// Whole-span texture stages of the generic span lists for the commonest
// textures: 2-D, without border, level 0 stored as 8-bit RGB (nearest,
// nearest-mipmap-nearest, and the two mipmap-linear filters with linear
// magnification) or as 8-bit indexes into an RGB or RGBA palette (nearest).
// One loop does the division, the level of detail, the wrap, the texel read
// and the environment for every pixel, with the same results as the generic
// stage (raster/texspan.cpp) through the samplers.

#include <math.h>
#include <string.h>

#include "texture/texsample.h"
#include "raster/span.h"

namespace {

enum Filter { F_NEAREST, F_NEAREST_MIPMAP_NEAREST, F_NEAREST_MIPMAP_LINEAR, F_LINEAR_MIPMAP_LINEAR };
enum Source { S_RGB, S_INDEX8_RGB, S_INDEX8_RGBA };

// What a span reads of the texture, once per span.
struct SpanTexture {
    const GlTextureParams* p;
    const GLfloat* toFloat;  // byte i -> i / 255
    bool repeatS, repeatT;
};

// One texel as [0, 1] floats R, G, B (and A from an RGBA palette).
template <int Src>
inline void readTexel(const SpanTexture& x, const GlMipmapLevel* l, GLint row, GLint col, GLfloat* out) {
    const GLint at = (row << l->widthLog2) + col;
    const uint8_t* b;
    if (Src == S_RGB) {
        b = l->data + 3 * at;
    } else {
        const GlColorTable* t = &x.p->palette;
        b = t->data + (size_t)(l->data[at] & (GLuint)(t->width - 1)) * (size_t)t->components;
    }
    out[0] = x.toFloat[b[0]], out[1] = x.toFloat[b[1]], out[2] = x.toFloat[b[2]];
    if (Src == S_INDEX8_RGBA) out[3] = x.toFloat[b[3]];
}

inline GLint wrapIndex(GLint i, GLint n, bool repeat) {
    if (repeat) return i & (n - 1);
    return i < 0 ? 0 : i >= n ? n - 1 : i;
}

// Nearest texel of a texel-unit coordinate: floor, then wrap.
inline GLint nearestTexel(GLfloat u, GLint n, bool repeat) { return wrapIndex(__glTexelFloor(u), n, repeat); }

// Nearest texel of a normalised coordinate on n texels: under GL_REPEAT the
// fraction scaled (masked after: a fraction that rounds to 1.0 stays inside),
// else the scaled coordinate clamped.
inline GLint nearestScaled(GLfloat u, GLint n, GLfloat nf, bool repeat) {
    if (repeat) return __glTexelFloor((u - floorf(u)) * nf) & (n - 1);
    return wrapIndex(__glTexelFloor(u * nf), n, false);
}

template <int Src>
inline void nearestLevel(const SpanTexture& x, const GlMipmapLevel* l, GLfloat s, GLfloat t, GLfloat* out) {
    readTexel<Src>(x, l, nearestScaled(t, l->innerHeight, l->innerHeightF, x.repeatT),
                   nearestScaled(s, l->innerWidth, l->innerWidthF, x.repeatS), out);
}

// Bilinear sample of a level at normalised s, t; outside the level under
// clamping a texel is the border colour.
void bilinear(const SpanTexture& x, const GlMipmapLevel* l, GLfloat s, GLfloat t, GLfloat* out) {
    GLint i[2], j[2];
    GLfloat a, b;
    __glTexLinearAxis(s * l->innerWidthF, l->innerWidth, l->innerWidthF, x.repeatS, i, &a);
    __glTexLinearAxis(t * l->innerHeightF, l->innerHeight, l->innerHeightF, x.repeatT, j, &b);
    const GLfloat* border = x.p->state.borderColor;
    const GLfloat w[4] = {(1.0f - a) * (1.0f - b), a * (1.0f - b), (1.0f - a) * b, a * b};
    out[0] = out[1] = out[2] = 0.0f;
    for (int k = 0; k < 4; k++) {
        const GLint col = i[k & 1], row = j[k >> 1];
        GLfloat c[3];
        if (((GLuint)col & ~(GLuint)(l->innerWidth - 1)) || ((GLuint)row & ~(GLuint)(l->innerHeight - 1)))
            c[0] = border[0], c[1] = border[1], c[2] = border[2];
        else
            readTexel<S_RGB>(x, l, row, col, c);
        for (int ch = 0; ch < 3; ch++) out[ch] += w[k] * c[ch];
    }
}

// The texel of one fragment at s, t (texel units for F_NEAREST, else
// normalised) with squared scale factor rho.
template <int Flt, int Src>
inline void sample(const SpanTexture& x, GLfloat s, GLfloat t, GLfloat rho, GLfloat* out) {
    const GlTextureParams* p = x.p;
    const GlMipmapLevel* l0 = &p->levels[0];
    if (Flt == F_NEAREST) {
        readTexel<Src>(x, l0, nearestTexel(t, l0->innerHeight, x.repeatT), nearestTexel(s, l0->innerWidth, x.repeatS),
                       out);
        return;
    }
    if (!(rho > p->switchValue)) {  // magnified, a not-a-number scale too
        if (Flt == F_NEAREST_MIPMAP_NEAREST) nearestLevel<Src>(x, l0, s, t, out);
        else bilinear(x, l0, s, t, out);
        return;
    }
    GLfloat lambda = __glTexLambda(rho);
    const GLint top = p->maxLevel;
    lambda = lambda > (GLfloat)top ? (GLfloat)top : lambda;  // at least 0: rho is above the switch value
    if (Flt == F_NEAREST_MIPMAP_NEAREST) {
        GLint d = lambda <= 0.5f ? 0 : (GLint)(lambda + 0.49994999f);
        nearestLevel<Src>(x, &p->levels[d > top ? top : d], s, t, out);
        return;
    }
    const GLint d = (GLint)lambda;
    if (d + 1 > top) {
        if (Flt == F_NEAREST_MIPMAP_LINEAR) nearestLevel<Src>(x, &p->levels[top], s, t, out);
        else bilinear(x, &p->levels[top], s, t, out);
        return;
    }
    const GLfloat f = lambda - (GLfloat)d;
    GLfloat lo[3], hi[3];
    if (Flt == F_NEAREST_MIPMAP_LINEAR) {
        // Level d + 1 at half the indexes of level d.
        const GlMipmapLevel* l = &p->levels[d];
        const GLint col = nearestScaled(s, l->innerWidth, l->innerWidthF, x.repeatS);
        const GLint row = nearestScaled(t, l->innerHeight, l->innerHeightF, x.repeatT);
        readTexel<Src>(x, l, row, col, lo);
        readTexel<Src>(x, &p->levels[d + 1], row >> 1, col >> 1, hi);
    } else {
        bilinear(x, &p->levels[d], s, t, lo);
        bilinear(x, &p->levels[d + 1], s, t, hi);
    }
    for (int ch = 0; ch < 3; ch++) out[ch] = (1.0f - f) * lo[ch] + f * hi[ch];
}

// The environment on a colour in colour-buffer units (K the maxima, Ce the
// environment colour); alpha changes only with an RGBA palette.
template <int Mode, bool Alpha>
inline void environment(const GLfloat* K, const GLfloat* Ce, const GLfloat* T, GLfloat* c) {
    for (int ch = 0; ch < 3; ch++) {
        switch (Mode) {
        case GL_MODULATE: c[ch] *= T[ch]; break;
        case GL_DECAL: c[ch] = Alpha ? (1.0f - T[3]) * c[ch] + T[3] * K[ch] * T[ch] : K[ch] * T[ch]; break;
        case GL_REPLACE: c[ch] = K[ch] * T[ch]; break;
        default: c[ch] = (1.0f - T[ch]) * c[ch] + T[ch] * Ce[ch]; break;
        }
    }
    if (Alpha && Mode != GL_DECAL) c[3] = Mode == GL_REPLACE ? K[3] * T[3] : c[3] * T[3];
}

template <int Flt, int Src, int Mode, bool Masked>
GLuint texSpan(GlContext* gc) {
    GlSpanState* sp = &gc->span;
    const GLint n = sp->spanLength;
    const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
    if (n <= 0 || !p) return 0;
    const SpanTexture x = {p, gc->constants.ubyteToFloat, p->state.wrapS == GL_REPEAT, p->state.wrapT == GL_REPEAT};
    GLfloat K[4];
    for (int ch = 0; ch < 4; ch++) K[ch] = 1.0f / gc->constants.invColorScale[ch];
    const GLfloat* Ce = gc->texture.env.color;
    const GLfloat* d = sp->textureDx;
    const GLuint* cov = sp->spanCoverage;
    GLfloat(*c)[4] = sp->spanColors;
    GLfloat S = sp->spanTexture[0], T = sp->spanTexture[1], Q = sp->spanTexture[2], R = sp->spanTexture[3];
    for (GLint i = 0; i < n; i++, S += d[0], T += d[1], Q += d[2], R += d[3]) {
        if (Masked && !(cov[i >> 5] & (0x80000000u >> (i & 31)))) continue;
        const GLfloat a = Q != 0.0f ? 1.0f / Q : 0.0f;
        GLfloat texel[4];
        sample<Flt, Src>(x, S * a, T * a, R * a, texel);
        environment<Mode, Src == S_INDEX8_RGBA>(K, Ce, texel, c[i]);
    }
    return 0;
}

// The stage for the current environment mode (GL_BLEND for any other).
template <int Flt, int Src, bool Masked>
GLuint byMode(GlContext* gc) {
    switch (gc->texture.env.mode) {
    case GL_MODULATE: return texSpan<Flt, Src, GL_MODULATE, Masked>(gc);
    case GL_DECAL: return texSpan<Flt, Src, GL_DECAL, Masked>(gc);
    case GL_REPLACE: return texSpan<Flt, Src, GL_REPLACE, Masked>(gc);
    default: return texSpan<Flt, Src, GL_BLEND, Masked>(gc);
    }
}

}  // namespace

#define GL_TEX_SPAN_STAGES(X)                                                           \
    X(__glTexSpanRGBNearestMipmapLinear, F_NEAREST_MIPMAP_LINEAR, S_RGB)                \
    X(__glTexSpanRGBLinearMipmapLinear, F_LINEAR_MIPMAP_LINEAR, S_RGB)                  \
    X(__glTexSpanRGBNearest, F_NEAREST, S_RGB)                                          \
    X(__glTexSpanRGBNearestMipmapNearest, F_NEAREST_MIPMAP_NEAREST, S_RGB)              \
    X(__glTexSpanIndex8RGBNearest, F_NEAREST, S_INDEX8_RGB)                             \
    X(__glTexSpanIndex8RGBANearest, F_NEAREST, S_INDEX8_RGBA)
#define GL_TEX_SPAN_PAIR(name, flt, src)                                                \
    extern "C" GLuint GLPROC name(GlContext* gc) { return byMode<flt, src, false>(gc); } \
    extern "C" GLuint GLPROC name##Masked(GlContext* gc) { return byMode<flt, src, true>(gc); }
GL_TEX_SPAN_STAGES(GL_TEX_SPAN_PAIR)
#undef GL_TEX_SPAN_PAIR
#undef GL_TEX_SPAN_STAGES

extern "C" void GLPROC __glPickTextureSpanStages(GlContext* gc, GlSpanStageProc* list1, GlSpanStageProc* list2) {
    *list1 = __glTextureSpan;
    *list2 = __glTextureSpanMasked;
    const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
    if (!p || !gc->pixelFormat.rgba || p->dimensions != 2) return;
    const GlMipmapLevel* l0 = &p->levels[0];
    if (l0->border) return;
    GLenum min, mag;
    __glTexFilterPair(p, &min, &mag);
    GlSpanStageProc a = nullptr, b = nullptr;
    if (l0->storedFormat == GL_RGB) {
        if (min == GL_NEAREST_MIPMAP_LINEAR && mag == GL_LINEAR)
            a = __glTexSpanRGBNearestMipmapLinear, b = __glTexSpanRGBNearestMipmapLinearMasked;
        else if (min == GL_LINEAR_MIPMAP_LINEAR && mag == GL_LINEAR)
            a = __glTexSpanRGBLinearMipmapLinear, b = __glTexSpanRGBLinearMipmapLinearMasked;
        else if (min == GL_NEAREST && mag == GL_NEAREST)
            a = __glTexSpanRGBNearest, b = __glTexSpanRGBNearestMasked;
        else if (min == GL_NEAREST_MIPMAP_NEAREST && mag == GL_NEAREST)
            a = __glTexSpanRGBNearestMipmapNearest, b = __glTexSpanRGBNearestMipmapNearestMasked;
    } else if (l0->storedFormat == GL_COLOR_INDEX8_EXT && min == GL_NEAREST && mag == GL_NEAREST) {
        if (p->palette.baseFormat == GL_RGB) a = __glTexSpanIndex8RGBNearest, b = __glTexSpanIndex8RGBNearestMasked;
        else if (p->palette.baseFormat == GL_RGBA)
            a = __glTexSpanIndex8RGBANearest, b = __glTexSpanIndex8RGBANearestMasked;
    }
    if (a) *list1 = a, *list2 = b;
}
