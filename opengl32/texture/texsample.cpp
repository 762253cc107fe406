// Texture sampling: wrap, nearest and linear samples of one level, the
// minification and magnification filters with level of detail, and the
// texture-procedure picker.

#include <math.h>
#include <string.h>

#include "texture/texsample.h"

namespace {

// Texel index of coordinate u (level texels) along a side of n texels.
inline GLint wrapIndex(GLint i, GLint n, GLenum wrap) {
    if (wrap == GL_REPEAT) {
        i %= n;
        return i < 0 ? i + n : i;
    }
    return i;  // clamped callers pass -1 .. n: outside answers the border
}

inline void lerpTexel(GlTexel* out, const GlTexel& a, const GlTexel& b, GLfloat f) {
    out->red = a.red + f * (b.red - a.red);
    out->green = a.green + f * (b.green - a.green);
    out->blue = a.blue + f * (b.blue - a.blue);
    out->luminance = a.luminance + f * (b.luminance - a.luminance);
    out->alpha = a.alpha + f * (b.alpha - a.alpha);
    out->intensity = a.intensity + f * (b.intensity - a.intensity);
}

// floor(u) as an integer; huge and not-a-number coordinates are bounded first.
inline GLint texelFloor(GLfloat u) {
    if (!(u > -1073741824.0f)) return -1073741824;
    if (u >= 1073741824.0f) return 1073741824;
    return (GLint)floorf(u);
}

inline GLfloat clamp01(GLfloat v) { return !(v > 0.0f) ? 0.0f : v > 1.0f ? 1.0f : v; }

inline void fetch(GlTextureParams* p, GlMipmapLevel* l, GLint row, GLint col, GlTexel* out) {
    memset(out, 0, sizeof *out);
    l->extract(l, p, 0, row, col, out);
}

// Nearest texel of normalised (s, t).
void GLPROC sampleNearest(GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t, GlTexel* out) {
    const GLint w = l->innerWidth, h = l->innerHeight;
    GLint col, row = 0;
    if (p->state.wrapS == GL_CLAMP) {
        col = texelFloor(clamp01(s) * l->innerWidthF);
        if (col >= w) col = w - 1;
    } else {
        col = wrapIndex(texelFloor(s * l->innerWidthF), w, GL_REPEAT);
    }
    if (p->dimensions == 2) {
        if (p->state.wrapT == GL_CLAMP) {
            row = texelFloor(clamp01(t) * l->innerHeightF);
            if (row >= h) row = h - 1;
        } else {
            row = wrapIndex(texelFloor(t * l->innerHeightF), h, GL_REPEAT);
        }
    }
    fetch(p, l, row, col, out);
}

// Weighted 2 x 2 (1-D: 2) texels around normalised (s, t).
void GLPROC sampleLinear(GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t, GlTexel* out) {
    if (p->state.wrapS == GL_CLAMP) s = clamp01(s);
    const GLfloat u = s * l->innerWidthF - 0.5f;
    const GLfloat fu = floorf(u);
    const GLfloat a = u - fu;
    const GLint c0 = wrapIndex(texelFloor(u), l->innerWidth, p->state.wrapS);
    const GLint c1 = wrapIndex(texelFloor(u) + 1, l->innerWidth, p->state.wrapS);
    GlTexel t00, t01;
    if (p->dimensions == 1) {
        fetch(p, l, 0, c0, &t00);
        fetch(p, l, 0, c1, &t01);
        lerpTexel(out, t00, t01, a);
        return;
    }
    if (p->state.wrapT == GL_CLAMP) t = clamp01(t);
    const GLfloat v = t * l->innerHeightF - 0.5f;
    const GLfloat fv = floorf(v);
    const GLfloat b = v - fv;
    const GLint r0 = wrapIndex(texelFloor(v), l->innerHeight, p->state.wrapT);
    const GLint r1 = wrapIndex(texelFloor(v) + 1, l->innerHeight, p->state.wrapT);
    GlTexel t10, t11, lo, hi;
    fetch(p, l, r0, c0, &t00);
    fetch(p, l, r0, c1, &t01);
    fetch(p, l, r1, c0, &t10);
    fetch(p, l, r1, c1, &t11);
    lerpTexel(&lo, t00, t01, a);
    lerpTexel(&hi, t10, t11, a);
    lerpTexel(out, lo, hi, b);
}

// Filters: lambda is log2 of the scale factor.
void GLPROC filterNearest(GlTextureParams* p, GLfloat, GLfloat s, GLfloat t, GlTexel* out) {
    sampleNearest(p, &p->levels[0], s, t, out);
}
void GLPROC filterLinear(GlTextureParams* p, GLfloat, GLfloat s, GLfloat t, GlTexel* out) {
    sampleLinear(p, &p->levels[0], s, t, out);
}

// Mipmapped filters: Linear samples inside a level, Between blends two levels.
template <bool Linear, bool Between>
void GLPROC filterMipmap(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out) {
    const GlTexSampleProc sample = Linear ? sampleLinear : sampleNearest;
    const GLint top = p->maxLevel;
    // Not-a-number and infinite level-of-detail values stay inside the levels.
    if (lambda != lambda) lambda = 0.0f;
    if (lambda > 64.0f) lambda = 64.0f;
    if (!Between) {
        GLint d = 0;
        if (lambda > 0.5f) d = (GLint)ceilf(lambda + 0.5f) - 1;
        if (d > top) d = top;
        sample(p, &p->levels[d], s, t, out);
        return;
    }
    if (lambda < 0.0f) lambda = 0.0f;
    GLint d = (GLint)floorf(lambda);
    if (d >= top) {
        sample(p, &p->levels[top], s, t, out);
        return;
    }
    GlTexel a, b;
    sample(p, &p->levels[d], s, t, &a);
    sample(p, &p->levels[d + 1], s, t, &b);
    lerpTexel(out, a, b, lambda - (GLfloat)d);
}

GlTexFilterProc minFilter(GLenum f) {
    switch (f) {
    case GL_NEAREST: return filterNearest;
    case GL_LINEAR: return filterLinear;
    case GL_NEAREST_MIPMAP_NEAREST: return filterMipmap<false, false>;
    case GL_LINEAR_MIPMAP_NEAREST: return filterMipmap<true, false>;
    case GL_NEAREST_MIPMAP_LINEAR: return filterMipmap<false, true>;
    default: return filterMipmap<true, true>;
    }
}

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

}  // namespace

extern "C" GLfloat GLPROC __glTexRho(const GlTextureParams* p, GLfloat dsdx, GLfloat dtdx, GLfloat dsdy,
                                     GLfloat dtdy) {
    const GLfloat w = p->levels[0].innerWidthF, h = p->levels[0].innerHeightF;
    dsdx *= w, dsdy *= w;
    dtdx *= h, dtdy *= h;
    const GLfloat x = dsdx * dsdx + dtdx * dtdx, y = dsdy * dsdy + dtdy * dtdy;
    return x > y ? x : y;
}

extern "C" void GLPROC __glTextureFragment(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat rho) {
    GlTextureParams* p = (GlTextureParams*)gc->currentTexture;
    GlTexel texel;
    if (rho <= p->switchValue) p->magProc(p, 0.0f, s, t, &texel);
    else p->minProc(p, 0.5f * log2f(rho), s, t, &texel);
    p->envProc(gc, color, &texel);
}

extern "C" void GLPROC __glPickTextureProcs(GlContext* gc) {
    GlTextureParams* p = gc->pixelFormat.rgba ? currentParams(gc) : nullptr;
    gc->currentTexture = p;
    if (!p) return;
    // A paletted level of an RGBA context samples as its palette's format.
    const GLenum levelBase = p->levels[0].baseFormat;
    p->baseFormat = levelBase == GL_COLOR_INDEX && gc->pixelFormat.rgba ? p->palette.baseFormat : levelBase;
    const GLenum mag = p->state.magFilter, min = p->state.minFilter;
    // The fragment counts as magnified up to scale 1, or sqrt 2 when a linear
    // magnification meets a nearest-level minification.
    p->switchValue = (mag == GL_LINEAR && (min == GL_NEAREST_MIPMAP_NEAREST || min == GL_LINEAR_MIPMAP_NEAREST))
                         ? 2.0f
                         : 1.0f;
    p->nearestProc = sampleNearest;
    p->linearProc = sampleLinear;
    p->magProc = mag == GL_LINEAR ? filterLinear : filterNearest;
    p->minProc = minFilter(min);
    p->sampleProc = __glTextureFragment;
    p->envProc = __glPickTexEnvProc(gc->texture.env.mode, p->baseFormat);
}
