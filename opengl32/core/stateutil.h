// Helpers shared by the state setters, enables, queries and attribute stacks.
#pragma once

#include <string.h>
#include "beginstate.h"

// Begin state 2 and the given picker bits: validation runs before the next draw.
static inline void __glMarkPickers(GlThreadState* ts, GlContext* gc, GLuint bits) {
    ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
    gc->dirtyPickers |= bits;
}

static inline uint32_t __glFloatBits(GLfloat f) {
    uint32_t u;
    memcpy(&u, &f, 4);
    return u;
}
static inline GLfloat __glBitsFloat(uint32_t u) {
    GLfloat f;
    memcpy(&f, &u, 4);
    return f;
}
// Sign bit set and not -0.0.
static inline bool __glIsNegative(GLfloat f) {
    uint32_t u = __glFloatBits(f);
    return (u & 0x80000000u) && u != 0x80000000u;
}
// [0, 1] on the bit pattern: negatives (not -0.0) and not-a-number become 0,
// above one becomes one.
static inline GLfloat __glClampUnit(GLfloat f) {
    if (__glIsNegative(f) || f != f) return 0.0f;
    if (f > 1.0f) return 1.0f;
    return f;
}

// The colour scales: the colour-buffer maxima the stored colours are in.
static inline const GLfloat* __glColorScales(const GlContext* gc) {
    return gc->constants.previousColorMax;
}

// Integer colour component to float: (2c + 1) / (2^32 - 1).
static inline GLfloat __glIntToUnit(GLint c) {
    return (GLfloat)((2.0 * (double)c + 1.0) * (1.0 / 4294967295.0));
}

// Unsigned integer component to float: c / (2^32 - 1).
static inline GLfloat __glUintToUnit(GLuint c) { return (GLfloat)((double)c * (1.0 / 4294967295.0)); }

// Fog per fragment asked by the hint, where the context fogs fragments.
static inline bool __glNicestFog(const GlContext* gc) {
    return gc->hints.fog == GL_NICEST && gc->limits.fragmentFog;
}

static inline GLuint __glIndexMask(const GlContext* gc) {
    GLuint bits = gc->pixelFormat.colorBits;
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
}
static inline GLuint __glStencilMask(const GlContext* gc) {
    GLuint bits = gc->pixelFormat.stencilBits;
    return bits >= 16 ? 0xFFFFu : (1u << bits) - 1;
}

extern "C" {
// Colour storage forms.
void GLPROC __glScaleColor(const GlContext* gc, GLfloat out[4], const GLfloat in[4]);
void GLPROC __glScaleColorInt(const GlContext* gc, GLfloat out[4], const GLint in[4]);
void GLPROC __glClampScaleColor(const GlContext* gc, GLfloat out[4], const GLfloat in[4]);
void GLPROC __glClampScaleColorInt(const GlContext* gc, GLfloat out[4], const GLint in[4]);
void GLPROC __glUnscaleColorFloat(const GlContext* gc, GLfloat out[4], const GLfloat in[4]);
void GLPROC __glFogColorBytes(GlContext* gc);
// Unit eye-space spot direction of light i from its stored direction.
void GLPROC __glDeriveSpotDirection(GlContext* gc, int i);
}
