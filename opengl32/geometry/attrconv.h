// Attribute conversions shared by the immediate entries and the array fetch
// procedures, so that an element fetched from an array equals the same value
// given to the immediate entry.
#pragma once

#include <string.h>
#include "core/glcontext.h"

// Colour and normal components to float: unsigned c / (2^b - 1), signed
// (2c + 1) / (2^b - 1); floats as they are.
static inline GLfloat __glUnitOf(const GlContext* gc, GLubyte c) { return gc->constants.ubyteToFloat[c]; }
static inline GLfloat __glUnitOf(const GlContext*, GLbyte c) { return (GLfloat)(2 * (GLint)c + 1) * (1.0f / 255.0f); }
static inline GLfloat __glUnitOf(const GlContext*, GLushort c) { return (GLfloat)c * (1.0f / 65535.0f); }
static inline GLfloat __glUnitOf(const GlContext*, GLshort c) {
    return (GLfloat)(2 * (GLint)c + 1) * (1.0f / 65535.0f);
}
static inline GLfloat __glUnitOf(const GlContext*, GLuint c) {
    return (GLfloat)((GLdouble)c * (GLdouble)(1.0f / 4294967295.0f));
}
static inline GLfloat __glUnitOf(const GlContext*, GLint c) {
    return (GLfloat)((2.0 * (GLdouble)c + 1.0) * (GLdouble)(1.0f / 4294967295.0f));
}
static inline GLfloat __glUnitOf(const GlContext*, GLfloat c) { return c; }
static inline GLfloat __glUnitOf(const GlContext*, GLdouble c) { return (GLfloat)c; }

// A colour component in [0, 1] units clamped and scaled to the colour buffer.
static inline GLfloat __glClampScaleComponent(GLfloat c, GLfloat scale) {
    return c <= 0.0f ? 0.0f : c >= 1.0f ? scale : c * scale;
}

// The current attributes into a vertex, by a mask of GL_GATHER_* bits.
enum { GL_GATHER_NORMAL = 1, GL_GATHER_COLOR = 2, GL_GATHER_INDEX = 4, GL_GATHER_TEX = 8 };
template <int What>
static inline void __glGatherCurrent(const GlContext* gc, GlVertex* v) {
    if (What & GL_GATHER_NORMAL) memcpy(v->normal, gc->current.normal, 12);
    if (What & GL_GATHER_COLOR) memcpy(v->frontColor, gc->current.scaledColor, 16);
    if (What & GL_GATHER_INDEX) v->frontColor[0] = gc->current.index;
    if (What & GL_GATHER_TEX) memcpy(v->texCoord, gc->current.texCoord, 16);
}
