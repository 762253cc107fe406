// Depth buffer, depth-test procedures, stencil buffer and the index-test table.
#pragma once

#include "core/glcontext.h"

extern "C" {
// Depth buffer (first make-current, when the format has depth). The bits come
// from GLFORCEZBITS when set, else from the format: <= 16 -> 16-bit kind,
// > 24 -> 32-bit kind, else the 24-bit kind with clear generations. Sets
// gc->depthFullScale and the depth transform.
void GLPROC __glInitDepthBuffer(GlDepthBuffer* db, GlContext* gc);
void GLPROC __glResizeDepthBuffer(GlBufferObject* b, GLint width, GLint height);
void GLPROC __glAttachDepthBuffer(GlBufferObject* b, GlDrawableBuffer* desc, GlContext* gc);
void GLPROC __glDetachDepthBuffer(GlBufferObject* b);
void GLPROC __glFreeDepthStorage(GlDrawableBuffer* desc, WglDrawable* drawable);
void GLPROC __glDepthNextGeneration(GlContext* gc, GlDepthBuffer* db);
GLuint GLPROC __glDepthClearValue(GlContext* gc, GlDepthBuffer* db);
void GLPROC __glPickDepthProcs(GlContext* gc, GlDepthBuffer* db, GLint index);
void GLPROC __glClearDepthBuffer(GlContext* gc);
GLuint GLPROC __glFetchDepth16(GlDepthBuffer* db, GLint x, GLint y);
GLuint GLPROC __glFetchDepth24(GlDepthBuffer* db, GLint x, GLint y);
GLuint GLPROC __glFetchDepth32(GlDepthBuffer* db, GLint x, GLint y);

// Depth-test tables, index = (function - GL_NEVER) + 8 without depth writes
// + 16 for 32-bit words.
extern const GlDepthPixelProc __glDepthTestProcs[32];
extern const GlDepthSpanProc __glDepthTestTable[32];
GLint GLPROC __glDepthTestIndex(GLenum func, GLuint writeMask, GLuint bits);

// Stencil buffer.
// Context creation: the stencil tables of the format (true without stencil);
// false when they cannot be had.
GLboolean GLPROC __glAllocStencilTables(GlContext* gc);
void GLPROC __glInitStencilBuffer(GlStencilBuffer* sb, GlContext* gc);
void GLPROC __glPickStencilProcs(GlContext* gc, GlStencilBuffer* sb);
void GLPROC __glBuildStencilTables(GlContext* gc);
void GLPROC __glBuildStencilOpTable(GlContext* gc, uint8_t* table, GLenum op, GLuint reference, GLuint writeMask);
void GLPROC __glClearStencilBuffer(GlContext* gc);
void GLPROC __glFreeStencilTables(GlBufferObject* b);

// Index test.
void GLPROC __glBuildIndexTestTable(GlContext* gc);
void GLPROC __glFreeIndexTestTable(GlContext* gc);
}

// The stored form of a depth value z (depthMax scale): generation + (z >>
// depthShift), or, when the buffer stores 1 - z (mirror), generation +
// (depthMax >> depthShift) - (z >> depthShift). Pixels along a span step by
// __glDepthStoredStep of the unmirrored step.
static inline GLuint __glDepthStored(const GlDepthBuffer* db, GLuint z) {
    const GLuint v = z >> db->depthShift;
    return db->generation + (db->mirror ? (db->depthMax >> db->depthShift) - v : v);
}
static inline GLuint __glDepthStoredStep(const GlDepthBuffer* db, GLint dz) {
    const GLuint s = (GLuint)(dz >> db->depthShift);
    return db->mirror ? 0u - s : s;
}

// Comparison F (function - GL_NEVER) of a value v with a stored w.
template <int F>
inline bool __glComparePasses(GLuint v, GLuint w) {
    switch (F) {
    case 0: return false;
    case 1: return v < w;
    case 2: return v == w;
    case 3: return v <= w;
    case 4: return v > w;
    case 5: return v != w;
    case 6: return v >= w;
    default: return true;
    }
}

// Whether colour index i passes the index test (indexes beyond the capped
// table are compared directly).
GLuint __glIndexTestPass(const GlContext* gc, GLfloat index);


static inline uint8_t* __glBufferAddress(const GlBufferObject* b, const GlContext* gc, GLint x, GLint y) {
    return b->base + (GLint)(y - gc->limits.windowBiasY) * b->stride +
           (GLint)(x - gc->limits.windowBiasX) * (GLint)b->elementSize;
}
