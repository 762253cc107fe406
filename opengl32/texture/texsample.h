// Texture sampling, environments and coordinate generation of the generic
// renderer.
#pragma once

#include "texture/texture.h"

struct GlVertex;

// floor(u) as an integer; huge and not-a-number coordinates are bounded first.
static inline GLint __glTexelFloor(GLfloat u) {
    if (!(u > -1073741824.0f)) return -1073741824;
    if (u >= 1073741824.0f) return 1073741824;
    const GLint i = (GLint)u;
    return (GLfloat)i > u ? i - 1 : i;
}

// The two texels i[0], i[1] around u (texel units) on a side of n texels and
// the weight a of the second. Clamping keeps u in [0, n]: i[0] may be -1 and
// i[1] n, which sample the border.
static inline void __glTexLinearAxis(GLfloat u, GLint n, GLfloat nf, bool repeat, GLint* i, GLfloat* a) {
    if (!repeat) u = !(u > 0.0f) ? 0.0f : u > nf ? nf : u;
    u -= 0.5f;
    const GLint k = __glTexelFloor(u);
    const GLfloat f = u - (GLfloat)k;
    *a = !(f > 0.0f) ? 0.0f : f > 1.0f ? 1.0f : f;
    i[0] = repeat ? k & (n - 1) : k;
    i[1] = repeat ? (k + 1) & (n - 1) : k + 1;
}

extern "C" {
// Samplers (GlTextureParams nearestProc, linearProc): s and t in texels of
// the level, t ignored in 1-D.
void GLPROC __glSampleNearest1D(GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glSampleNearest2D(GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glSampleLinear1D(GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glSampleLinear2D(GlTextureParams* p, GlMipmapLevel* l, GLfloat s, GLfloat t, GlTexel* out);
// Filters (magProc, minProc): level 0 in texel units, or normalised (Scaled,
// the magnification of a mipmapped texture); the mipmap filters take
// normalised coordinates and lambda, clamped to [0, maxLevel].
void GLPROC __glFilterNearest(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glFilterLinear(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glFilterNearestScaled(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glFilterLinearScaled(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glFilterNearestMipmapNearest(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glFilterLinearMipmapNearest(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glFilterNearestMipmapLinear(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out);
void GLPROC __glFilterLinearMipmapLinear(GlTextureParams* p, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out);
// Fragment procedures of the current texture (GlTexFragmentProc): one filter;
// minification above the switch value, else magnification; the mipmapped
// form with the level of detail from rho; and the one that scales normalised
// coordinates to level-0 texels before procs.textureInterpolated.
void GLPROC __glTextureFragmentOneFilter(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat rho);
void GLPROC __glTextureFragmentMinMag(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat rho);
void GLPROC __glTextureFragmentMipmap(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat rho);
void GLPROC __glTextureFragmentScaleFirst(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat rho);
// Lambda of a squared scale factor: half its piecewise-linear log2 (exact at
// powers of two: 4 gives 1, 3 gives 0.75).
GLfloat GLPROC __glTexLambda(GLfloat rho);
// Level of detail (squared scale factor, level-0 texels per pixel) of a
// polygon vertex and of a line end; the None forms answer 0.
GLfloat GLPROC __glTexLodPolygon(GlContext* gc, const GlSpanState* state, GLfloat s, GLfloat t, GLfloat q);
GLfloat GLPROC __glTexLodPolygonNone(GlContext* gc, const GlSpanState* state, GLfloat s, GLfloat t, GLfloat q);
GLfloat GLPROC __glTexLodLine(GlContext* gc, GLfloat s, GLfloat t, GLfloat q);
GLfloat GLPROC __glTexLodLineNone(GlContext* gc, GLfloat s, GLfloat t, GLfloat q);
// The minification and magnification filters a texture is sampled with:
// its own, except that colour-index textures take the nearest texel of the
// nearest level under every filter.
void GLPROC __glTexFilterPair(const GlTextureParams* params, GLenum* min, GLenum* mag);
// The environment procedure of (mode, base format).
GlTexEnvProc GLPROC __glPickTexEnvProc(GLenum mode, GLenum baseFormat);
void GLPROC __glTexEnvModulateIndex(GlContext* gc, GLfloat* color, const GlTexel* texel);
void GLPROC __glTexEnvReplaceIndex(GlContext* gc, GLfloat* color, const GlTexel* texel);
void GLPROC __glTexEnvAddIndex(GlContext* gc, GLfloat* color, const GlTexel* texel);
void GLPROC __glTexGenEyeLinear(GlContext* gc, GlVertex* v);
void GLPROC __glTexGenObjectLinear(GlContext* gc, GlVertex* v);
void GLPROC __glTexGenSphereMap(GlContext* gc, GlVertex* v);
void GLPROC __glTexGenGeneric(GlContext* gc, GlVertex* v);
void GLPROC __glTexGenSphereCoords(GlContext* gc, const GlVertex* v, GLfloat* s, GLfloat* t);
// Whether a vertex's texture coordinates take nothing but the division of s,
// t and q by w (unclipped vertices): no generation, the identity texture
// matrix, no scaling, perspective-correct texturing.
GLboolean GLPROC __glTexGenDividesOnly(GlContext* gc);
GLuint GLPROC __glTextureSpan(GlContext* gc);
GLuint GLPROC __glTextureSpanMasked(GlContext* gc);
// Whole-span stages of the commonest textures (list 1 and, Masked, list 2):
// 2-D, no border, level 0 in 8-bit RGB or 8-bit indexes of an RGB or RGBA
// palette; and the pair the span picker puts in the texture stage's place.
GLuint GLPROC __glTexSpanRGBNearestMipmapLinear(GlContext* gc);
GLuint GLPROC __glTexSpanRGBNearestMipmapLinearMasked(GlContext* gc);
GLuint GLPROC __glTexSpanRGBLinearMipmapLinear(GlContext* gc);
GLuint GLPROC __glTexSpanRGBLinearMipmapLinearMasked(GlContext* gc);
GLuint GLPROC __glTexSpanRGBNearest(GlContext* gc);
GLuint GLPROC __glTexSpanRGBNearestMasked(GlContext* gc);
GLuint GLPROC __glTexSpanRGBNearestMipmapNearest(GlContext* gc);
GLuint GLPROC __glTexSpanRGBNearestMipmapNearestMasked(GlContext* gc);
GLuint GLPROC __glTexSpanIndex8RGBNearest(GlContext* gc);
GLuint GLPROC __glTexSpanIndex8RGBNearestMasked(GlContext* gc);
GLuint GLPROC __glTexSpanIndex8RGBANearest(GlContext* gc);
GLuint GLPROC __glTexSpanIndex8RGBANearestMasked(GlContext* gc);
void GLPROC __glPickTextureSpanStages(GlContext* gc, GlSpanStageProc* list1, GlSpanStageProc* list2);
// Texture colour of one fragment at the vertex's coordinates (points, lines).
void GLPROC __glTextureVertexColor(GlContext* gc, const GlVertex* v, GLfloat* color);
}
