// Texture sampling, environments and coordinate generation of the generic
// renderer.
#pragma once

#include "texture/texture.h"

struct GlVertex;

extern "C" {
// The current texture's colour of a fragment: s, t, q as interpolated (s and t
// divided by q here), rho the squared scale factor in level-0 texels.
void GLPROC __glTextureFragment(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat rho);
// Squared scale factor from the derivatives of s/q and t/q (normalised).
GLfloat GLPROC __glTexRho(const GlTextureParams* params, GLfloat dsdx, GLfloat dtdx, GLfloat dsdy, GLfloat dtdy);
// The environment procedure of (mode, base format).
GlTexEnvProc GLPROC __glPickTexEnvProc(GLenum mode, GLenum baseFormat);
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
