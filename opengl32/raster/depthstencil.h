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

// Depth along a span: pixel i of a span whose first pixel has the depth z
// (depthMax scale) and whose depth changes by dz a pixel holds the stored
// form of z + i x dz (modulo 2^32); the step is never shifted on its own, so
// its fraction of a stored unit is carried from pixel to pixel. Walked as
// the value a = __glDepthWalkValue(z), stepped by __glDepthWalkStep(dz):
// the stored form is generation + (a >> depthShift). Without the mirror a is
// z; when the buffer stores 1 - z (mirror), a = depthMax + 2^depthShift - 1
// - z stepping by -dz, whose shifted value is (depthMax >> depthShift) - (z
// >> depthShift) for every z up to depthMax + 2^depthShift - 1.
static inline GLuint __glDepthWalkValue(const GlDepthBuffer* db, GLuint z) {
    return db->mirror ? db->depthMax + ((1u << db->depthShift) - 1u) - z : z;
}
static inline GLuint __glDepthWalkStep(const GlDepthBuffer* db, GLint dz) {
    return db->mirror ? 0u - (GLuint)dz : (GLuint)dz;
}
static inline GLuint __glDepthWalkStored(const GlDepthBuffer* db, GLuint a) {
    return db->generation + (a >> db->depthShift);
}
// The stored form of a depth value z.
static inline GLuint __glDepthStored(const GlDepthBuffer* db, GLuint z) {
    return __glDepthWalkStored(db, __glDepthWalkValue(db, z));
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
