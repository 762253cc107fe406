// Texture sampling of the generic renderer: nearest and linear samples of one
// level in texel units, the filters with their level choice, the fragment
// procedures, the per-vertex level of detail and the texture-procedure picker.

#include <math.h>
#include <string.h>

#include "texture/texsample.h"

namespace {

// The nearest texel's column (row) of u on a side of n texels: floor, then
// masked (GL_REPEAT) or clamped.
inline GLint nearestIndex(GLfloat u, GLint n, GLenum wrap) {
    const GLint i = __glTexelFloor(u);
    if (wrap == GL_REPEAT) return i & (n - 1);
    return i < 0 ? 0 : i >= n ? n - 1 : i;
}

inline void lerpTexel(GlTexel* out, const GlTexel& a, const GlTexel& b, GLfloat f) {
    out->red = a.red + f * (b.red - a.red);
    out->green = a.green + f * (b.green - a.green);
    out->blue = a.blue + f * (b.blue - a.blue);
    out->luminance = a.luminance + f * (b.luminance - a.luminance);
    out->alpha = a.alpha + f * (b.alpha - a.alpha);
    out->intensity = a.intensity + f * (b.intensity - a.intensity);
}

inline void fetch(GlTextureParams* p, GlMipmapLevel* l, GLint row, GLint col, GlTexel* out) {
    memset(out, 0, sizeof *out);
    l->extract(l, p, 0, row, col, out);
}

// Samplers: s and t in texels of the level; a 1-D texture reads row 0.
template <int Dim>
void sampleNearest(GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t, GlTexel* out) {
    const GLint col = nearestIndex(s, l->innerWidth, p->state.wrapS);
    const GLint row = Dim == 2 ? nearestIndex(t, l->innerHeight, p->state.wrapT) : 0;
    fetch(p, l, row, col, out);
}

template <int Dim>
void sampleLinear(GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t, GlTexel* out) {
    GLint i[2], j[2];
    GLfloat a, b;
    __glTexLinearAxis(s, l->innerWidth, l->innerWidthF, p->state.wrapS == GL_REPEAT, i, &a);
    GlTexel t00, t01;
    if (Dim == 1) {
        fetch(p, l, 0, i[0], &t00);
        fetch(p, l, 0, i[1], &t01);
        lerpTexel(out, t00, t01, a);
        return;
    }
    __glTexLinearAxis(t, l->innerHeight, l->innerHeightF, p->state.wrapT == GL_REPEAT, j, &b);
    GlTexel t10, t11, lo, hi;
    fetch(p, l, j[0], i[0], &t00);
    fetch(p, l, j[0], i[1], &t01);
    fetch(p, l, j[1], i[0], &t10);
    fetch(p, l, j[1], i[1], &t11);
    lerpTexel(&lo, t00, t01, a);
    lerpTexel(&hi, t10, t11, a);
    lerpTexel(out, lo, hi, b);
}

// A level sampled at normalised coordinates.
inline void sampleScaled(GlTexSampleProc sample, GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t,
                         GlTexel* out) {
    sample(p, l, s * l->innerWidthF, t * l->innerHeightF, out);
}

// Mipmap filters on normalised coordinates: Linear samples inside a level,
// Between blends two levels. Lambda is clamped to [0, maxLevel] before it
// becomes a level (not-a-number gives 0).
template <bool Linear, bool Between>
void filterMipmap(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out) {
    const GlTexSampleProc sample = Linear ? p->linearProc : p->nearestProc;
    const GLint top = p->maxLevel;
    if (!(lambda > 0.0f)) lambda = 0.0f;
    if (lambda > (GLfloat)top) lambda = (GLfloat)top;
    if (!Between) {
        GLint d = lambda <= 0.5f ? 0 : (GLint)(lambda + 0.49994999f);
        if (d > top) d = top;
        sampleScaled(sample, p, &p->levels[d], s, t, out);
        return;
    }
    const GLint d = (GLint)lambda;
    if (d + 1 > top) {
        sampleScaled(sample, p, &p->levels[top], s, t, out);
        return;
    }
    GlTexel a, b;
    sampleScaled(sample, p, &p->levels[d], s, t, &a);
    sampleScaled(sample, p, &p->levels[d + 1], s, t, &b);
    lerpTexel(out, a, b, lambda - (GLfloat)d);
}


inline GlTextureParams* current(GlContext* gc) { return (GlTextureParams*)gc->currentTexture; }

GlTextureParams* currentParams(GlContext* gc) {
    const GLuint e = gc->enables.texture;
    GLenum target;
    if (e & 0x2) target = GL_TEXTURE_2D;
    else if (e & 0x1) target = GL_TEXTURE_1D;
    else return nullptr;
    GlTextureParams* p = __glLookupTexParams(gc, target);
    if (!p) return nullptr;
    // Completeness reads the filters: the target's parameters first.
    memcpy(&p->state, &gc->texture.target[target == GL_TEXTURE_2D ? 1 : 0], offsetof(GlTexTargetState, name));
    return __glIsTextureComplete(gc, p) ? p : nullptr;
}

void GLPROC textureNone(GlContext*, GLfloat*, GLfloat, GLfloat, GLfloat) {}

}  // namespace

#define GL_SAMPLER(name, sampler)                                                                          \
    extern "C" void GLPROC name(GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t, GlTexel* out) { \
        sampler(p, l, s, t, out);                                                                          \
    }
GL_SAMPLER(__glSampleNearest1D, sampleNearest<1>)
GL_SAMPLER(__glSampleNearest2D, sampleNearest<2>)
GL_SAMPLER(__glSampleLinear1D, sampleLinear<1>)
GL_SAMPLER(__glSampleLinear2D, sampleLinear<2>)
#undef GL_SAMPLER

// Filters on level 0: texel units, or normalised (Scaled: the magnification of
// a mipmapped texture); the mipmap filters on normalised coordinates.
#define GL_FILTER(name, call)                                                                              \
    extern "C" void GLPROC name(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out) { \
        (void)lambda;                                                                                      \
        call;                                                                                              \
    }
GL_FILTER(__glFilterNearest, p->nearestProc(p, &p->levels[0], s, t, out))
GL_FILTER(__glFilterLinear, p->linearProc(p, &p->levels[0], s, t, out))
GL_FILTER(__glFilterNearestScaled, sampleScaled(p->nearestProc, p, &p->levels[0], s, t, out))
GL_FILTER(__glFilterLinearScaled, sampleScaled(p->linearProc, p, &p->levels[0], s, t, out))
GL_FILTER(__glFilterNearestMipmapNearest, (filterMipmap<false, false>(p, lambda, s, t, out)))
GL_FILTER(__glFilterLinearMipmapNearest, (filterMipmap<true, false>(p, lambda, s, t, out)))
GL_FILTER(__glFilterNearestMipmapLinear, (filterMipmap<false, true>(p, lambda, s, t, out)))
GL_FILTER(__glFilterLinearMipmapLinear, (filterMipmap<true, true>(p, lambda, s, t, out)))
#undef GL_FILTER

static GlTexFilterProc minFilterOf(GLenum f) {
    switch (f) {
    case GL_NEAREST: return __glFilterNearest;
    case GL_LINEAR: return __glFilterLinear;
    case GL_NEAREST_MIPMAP_NEAREST: return __glFilterNearestMipmapNearest;
    case GL_LINEAR_MIPMAP_NEAREST: return __glFilterLinearMipmapNearest;
    case GL_NEAREST_MIPMAP_LINEAR: return __glFilterNearestMipmapLinear;
    default: return __glFilterLinearMipmapLinear;
    }
}

extern "C" void GLPROC __glTexFilterPair(const GlTextureParams* p, GLenum* min, GLenum* mag) {
    GLenum mn = p->state.minFilter, mg = p->state.magFilter;
    if (p->baseFormat == GL_COLOR_INDEX) {
        // Indexes are not blended: every filter takes the nearest texel of the nearest level.
        mg = GL_NEAREST;
        if (mn == GL_LINEAR) mn = GL_NEAREST;
        else if (mn != GL_NEAREST) mn = GL_NEAREST_MIPMAP_NEAREST;
    }
    *min = mn;
    *mag = mg;
}

extern "C" GLfloat GLPROC __glTexLambda(GLfloat rho) {
    if (!(rho < 2147483648.0f)) return 31.0f;  // beyond every level (not-a-number too)
    if (rho == 0.0f) return 0.0f;
    GLint k = 0;
    if (rho >= 1.0f)
        for (GLuint n = (GLuint)rho; n > 1; n >>= 1) k++;
    const double p = (double)(1u << k);
    return (GLfloat)(0.5 * ((double)k + ((double)rho - p) / p));
}

extern "C" void GLPROC __glTextureFragmentOneFilter(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat) {
    GlTextureParams* p = current(gc);
    GlTexel texel;
    p->magProc(p, 0.0f, s, t, &texel);
    p->envProc(gc, color, &texel);
}

extern "C" void GLPROC __glTextureFragmentMinMag(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat rho) {
    GlTextureParams* p = current(gc);
    GlTexel texel;
    (rho > p->switchValue ? p->minProc : p->magProc)(p, 0.0f, s, t, &texel);
    p->envProc(gc, color, &texel);
}

// Magnified up to the switch value (a not-a-number scale too).
extern "C" void GLPROC __glTextureFragmentMipmap(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat rho) {
    GlTextureParams* p = current(gc);
    GlTexel texel;
    if (rho > p->switchValue) p->minProc(p, __glTexLambda(rho), s, t, &texel);
    else p->magProc(p, rho, s, t, &texel);
    p->envProc(gc, color, &texel);
}

extern "C" void GLPROC __glTextureFragmentScaleFirst(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t,
                                                     GLfloat rho) {
    const GlMipmapLevel* l = &current(gc)->levels[0];
    gc->procs.textureInterpolated(gc, color, s * l->innerWidthF, t * l->innerHeightF, rho);
}

// Level-0 texels per coordinate unit: 1 when the coordinates are pre-scaled;
// t counts for nothing in a 1-D texture.
static void lodScales(const GlContext* gc, const GlTextureParams* p, GLfloat* w, GLfloat* h) {
    const bool scaled = gc->texCoordsPreScaled != 0;
    *w = scaled ? 1.0f : p->levels[0].innerWidthF;
    *h = p->dimensions == 1 ? 0.0f : scaled ? 1.0f : p->levels[0].innerHeightF;
}

// Central differences of s/q and t/q one pixel either side of the vertex.
extern "C" GLfloat GLPROC __glTexLodPolygon(GlContext* gc, const GlSpanState* st, GLfloat s, GLfloat t, GLfloat q) {
    GLfloat w, h;
    lodScales(gc, current(gc), &w, &h);
    GLfloat r[2];
    const GLfloat* grad[2] = {st->textureDx, st->textureDy};
    for (int i = 0; i < 2; i++) {
        const GLfloat* d = grad[i];
        const GLfloat a = 1.0f / (q - d[2]), b = 1.0f / (q + d[2]);
        const GLfloat S = ((s + d[0]) * b - (s - d[0]) * a) * w;
        r[i] = S * S;
        if (h != 0.0f) {
            const GLfloat T = ((t + d[1]) * b - (t - d[1]) * a) * h;
            r[i] += T * T;
        }
    }
    return 0.25f * (r[1] >= r[0] ? r[1] : r[0]);
}

// The derivative of s/q and t/q along the line at one end, squared, per
// window unit of the line's length.
extern "C" GLfloat GLPROC __glTexLodLine(GlContext* gc, GLfloat s, GLfloat t, GLfloat q) {
    const GlVertex* a = gc->span.lineVertex0;
    const GlVertex* b = gc->span.lineVertex1;
    GLfloat w, h;
    lodScales(gc, current(gc), &w, &h);
    const GLfloat dx = b->window[0] - a->window[0], dy = b->window[1] - a->window[1];
    const GLfloat dq = b->texCoord[3] - a->texCoord[3];
    const GLfloat iq = 1.0f / q;
    const GLfloat gs = (b->texCoord[0] - a->texCoord[0] - s * iq * dq) * iq * w;
    const GLfloat gt = h != 0.0f ? (b->texCoord[1] - a->texCoord[1] - t * iq * dq) * iq * h : 0.0f;
    return (gs * gs + gt * gt) / (dx * dx + dy * dy);
}

extern "C" GLfloat GLPROC __glTexLodPolygonNone(GlContext*, const GlSpanState*, GLfloat, GLfloat, GLfloat) {
    return 0.0f;
}
extern "C" GLfloat GLPROC __glTexLodLineNone(GlContext*, GLfloat, GLfloat, GLfloat) { return 0.0f; }

extern "C" void GLPROC __glPickTextureProcs(GlContext* gc) {
    GlTextureParams* p = currentParams(gc);
    GlContextProcs* procs = &gc->procs;
    gc->currentTexture = p;
    gc->texCoordsPreScaled = 0;
    if (!p) {
        procs->textureInterpolated = procs->textureFragment = textureNone;
        return;
    }
    // A paletted level of an RGBA context samples as its palette's format.
    const GLenum levelBase = p->levels[0].baseFormat;
    p->baseFormat = levelBase == GL_COLOR_INDEX && gc->pixelFormat.rgba ? p->palette.baseFormat : levelBase;
    GLenum min, mag;
    __glTexFilterPair(p, &min, &mag);
    const bool mipmapped = min != GL_NEAREST && min != GL_LINEAR;
    procs->texLodLine = __glTexLodLine;
    procs->texLodPolygon = __glTexLodPolygon;
    if (mipmapped) {
        p->sampleProc = __glTextureFragmentMipmap;
        // sqrt 2 (c = 0.5) where a linear magnification meets a nearest-texel minification.
        const bool half = mag == GL_LINEAR && (min == GL_NEAREST_MIPMAP_NEAREST || min == GL_NEAREST_MIPMAP_LINEAR);
        p->switchValue = half ? 2.0f : 1.0f;
    } else if (min != mag) {
        p->sampleProc = __glTextureFragmentMinMag;
        p->switchValue = 1.0f;
    } else {
        p->sampleProc = __glTextureFragmentOneFilter;
        procs->texLodLine = __glTexLodLineNone;
        procs->texLodPolygon = __glTexLodPolygonNone;
    }
    p->envProc = __glPickTexEnvProc(gc->texture.env.mode, p->baseFormat);
    p->nearestProc = p->dimensions == 1 ? __glSampleNearest1D : __glSampleNearest2D;
    p->linearProc = p->dimensions == 1 ? __glSampleLinear1D : __glSampleLinear2D;
    p->minProc = minFilterOf(min);
    gc->texCoordsPreScaled = !mipmapped;
    if (mag == GL_LINEAR) p->magProc = mipmapped ? __glFilterLinearScaled : __glFilterLinear;
    else p->magProc = mipmapped ? __glFilterNearestScaled : __glFilterNearest;
    procs->textureInterpolated = p->sampleProc;
    procs->textureFragment = mipmapped ? p->sampleProc : __glTextureFragmentScaleFirst;
}
