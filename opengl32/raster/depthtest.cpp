// Depth-test procedures (per pixel and per span) stamped from one template per
// comparison, word size and write mask; the index-test table.

#include <cmath>
#include "depthstencil.h"

namespace {

enum { F_NEVER, F_LESS, F_EQUAL, F_LEQUAL, F_GREATER, F_NOTEQUAL, F_GEQUAL, F_ALWAYS };

template <int F>
inline bool passes(GLuint v, GLuint w) {
    return __glComparePasses<F>(v, w);
}

template <int F, int Write, typename W>
GLuint GLPROC testSpan(GLuint value, void* word) {
    if (F == F_NEVER) return 0;
    W* p = (W*)word;
    const W v = (W)value;
    if (F != F_ALWAYS && !passes<F>(v, *p)) return 0;
    if (Write) *p = v;
    return 1;
}

template <int F, int Write, typename W>
GLuint GLPROC testPixel(GlDepthBuffer* db, GLint x, GLint y, GLuint z) {
    if (F == F_NEVER) return 0;
    if (F == F_ALWAYS && !Write) return 1;
    const GLuint v = __glDepthStored(db, z);
    return testSpan<F, Write, W>(v, __glBufferAddress(&db->buf, db->buf.context, x, y));
}

#define DEPTH_ROW(P, W, T) P<F_NEVER, W, T>, P<F_LESS, W, T>, P<F_EQUAL, W, T>, P<F_LEQUAL, W, T>, \
        P<F_GREATER, W, T>, P<F_NOTEQUAL, W, T>, P<F_GEQUAL, W, T>, P<F_ALWAYS, W, T>

}  // namespace

extern "C" const GlDepthPixelProc __glDepthTestProcs[32] = {
    DEPTH_ROW(testPixel, 1, uint16_t), DEPTH_ROW(testPixel, 0, uint16_t),
    DEPTH_ROW(testPixel, 1, uint32_t), DEPTH_ROW(testPixel, 0, uint32_t),
};
extern "C" const GlDepthSpanProc __glDepthTestTable[32] = {
    DEPTH_ROW(testSpan, 1, uint16_t), DEPTH_ROW(testSpan, 0, uint16_t),
    DEPTH_ROW(testSpan, 1, uint32_t), DEPTH_ROW(testSpan, 0, uint32_t),
};

extern "C" GLint GLPROC __glDepthTestIndex(GLenum func, GLuint writeMask, GLuint bits) {
    GLint index = (GLint)((func - GL_NEVER) & 7);
    if (!writeMask) index += 8;
    if (bits > 16) index += 16;
    return index;
}

// ---- Index test.

// Tables beyond this many entries would be of no use (a 32-bit index would
// ask for 2^32); larger indexes are compared directly.
enum { INDEX_TABLE_MAX = 1 << 16 };

static GLuint indexPasses(GLenum func, double i, double r) {
    switch (func) {
    case GL_NEVER: return 0;
    case GL_LESS: return i < r;
    case GL_EQUAL: return i == r;
    case GL_LEQUAL: return i <= r;
    case GL_GREATER: return i > r;
    case GL_NOTEQUAL: return i != r;
    case GL_GEQUAL: return i >= r;
    }
    return 1;
}

static double truncated(GLfloat v) { return std::trunc((double)v); }

extern "C" void GLPROC __glBuildIndexTestTable(GlContext* gc) {
    if (gc->pixelFormat.rgba) return;
    const GLuint bits = gc->pixelFormat.colorBits;
    const GLuint entries = bits >= 16 ? (GLuint)INDEX_TABLE_MAX : 1u << bits;
    if (!gc->indexTestTable) {
        gc->indexTestTable = (uint8_t*)gc->imports.alloc(gc, entries);
        if (!gc->indexTestTable) return __glSetError(GL_OUT_OF_MEMORY);
        gc->indexTestEntries = entries;
    }
    const GLenum func = gc->colorBuffer.indexTestFunc;
    const double r = truncated(gc->colorBuffer.indexTestRef);
    for (GLuint i = 0; i < gc->indexTestEntries; i++) gc->indexTestTable[i] = (uint8_t)indexPasses(func, i, r);
}

extern "C" void GLPROC __glFreeIndexTestTable(GlContext* gc) {
    if (gc->indexTestTable) gc->imports.free(gc, gc->indexTestTable);
    gc->indexTestTable = nullptr;
    gc->indexTestEntries = 0;
}

GLuint __glIndexTestPass(const GlContext* gc, GLfloat index) {
    const double i = truncated(index);
    if (gc->indexTestTable && i >= 0.0 && i < (double)gc->indexTestEntries) return gc->indexTestTable[(GLuint)i];
    return indexPasses(gc->colorBuffer.indexTestFunc, i, truncated(gc->colorBuffer.indexTestRef));
}
