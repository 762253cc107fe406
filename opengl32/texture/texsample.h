// Texture sampling, environments and coordinate generation of the generic
// renderer.
#pragma once

#include "texture/texture.h"

struct GlVertex;

extern "C" {
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
GLuint GLPROC __glTextureSpan(GlContext* gc);
GLuint GLPROC __glTextureSpanMasked(GlContext* gc);
// Texture colour of one fragment at the vertex's coordinates (points, lines).
void GLPROC __glTextureVertexColor(GlContext* gc, const GlVertex* v, GLfloat* color);
}
