// Vertex arrays: what the list-compile entries share with the immediate array
// entries.
#pragma once

#include "core/glcontext.h"

// Bits of arrays.enabledArrays, in the order the element calls run.
enum {
    GL_ARRAY_BIT_NORMAL = 0x1,
    GL_ARRAY_BIT_COLOR = 0x2,
    GL_ARRAY_BIT_TEXCOORD = 0x4,
    GL_ARRAY_BIT_INDEX = 0x8,
    GL_ARRAY_BIT_EDGEFLAG = 0x10,
    GL_ARRAY_BIT_VERTEX = 0x20,
};

// Bits of arrays.flags the array pickers write.
enum {
    GL_ARRAY_LOCKED = 0x4,
    GL_ARRAY_CULL_VERTEX = 0x8,
    GL_ARRAY_CULL_POINT = 0x10,
    GL_ARRAY_EXPAND = 0x20,
};

// The elements of a draw: first + k, or entry k of an index list of the given
// type (0 for none).
struct GlElementList {
    GLuint first;
    GLenum type;
    const void* indices;
};

extern "C" {
// The GL error of a draw's arguments (0 when they are good): first and count,
// then the mode, then the index type of an indexed draw.
GLenum GLPROC __glCheckArrayDraw(GLenum mode, GLint first, GLsizei count, GLenum type, GLboolean indexed);
// glBegin, the element calls of each element, glEnd, all through the thread's
// live table (so that a list being compiled records them).
void GLPROC __glExpandArrayDraw(GlContext* gc, GLenum mode, GLsizei count, const GlElementList* list);
// The element calls of one element for the usable enabled arrays in mask.
void GLPROC __glArrayElementCalls(GlContext* gc, GLuint element, GLuint mask);

void GLPROC __glPickVertexArrayProcs(GlContext* gc);
void GLPROC __glPickArrayProcs(GlContext* gc);
}
