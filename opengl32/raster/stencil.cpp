// The stencil buffer: one byte per pixel, every test and operation a lookup
// in tables built from the stencil state at validation.

#include <string.h>
#include "depthstencil.h"

static GLuint GLPROC fetchStencil(GlStencilBuffer* sb, GLint x, GLint y) {
    return *__glBufferAddress(&sb->buf, sb->buf.context, x, y);
}

static void GLPROC storeStencil(GlStencilBuffer* sb, GLint x, GLint y, GLuint value) {
    uint8_t* p = __glBufferAddress(&sb->buf, sb->buf.context, x, y);
    const GLuint mask = sb->buf.context->stencil.writeMask;
    *p = (uint8_t)((*p & ~mask) | (value & mask));
}

// Bytes beyond the stencil bits (storage never cleared) are wrapped into the table.
static GLuint GLPROC testStencil(GlStencilBuffer* sb, GLint x, GLint y) {
    return sb->testTable[*__glBufferAddress(&sb->buf, sb->buf.context, x, y) & (sb->entries - 1)];
}

static inline GLuint apply(GlStencilBuffer* sb, const uint8_t* table, GLint x, GLint y) {
    uint8_t* p = __glBufferAddress(&sb->buf, sb->buf.context, x, y);
    *p = table[*p & (sb->entries - 1)];
    return *p;
}
static GLuint GLPROC applyFail(GlStencilBuffer* sb, GLint x, GLint y) { return apply(sb, sb->failOpTable, x, y); }
static GLuint GLPROC applyZfail(GlStencilBuffer* sb, GLint x, GLint y) { return apply(sb, sb->depthFailOpTable, x, y); }
static GLuint GLPROC applyZpass(GlStencilBuffer* sb, GLint x, GLint y) { return apply(sb, sb->depthPassOpTable, x, y); }

static GLuint stencilBits(const GlContext* gc) {
    return gc->pixelFormat.stencilBits > 8 ? 8 : gc->pixelFormat.stencilBits;
}

// The four tables in one block, made with the context: every later build
// has them, and a context that cannot have them is not made.
extern "C" GLboolean GLPROC __glAllocStencilTables(GlContext* gc) {
    GlStencilBuffer* sb = &gc->fb.stencil;
    if (!gc->pixelFormat.stencilPresent || sb->testTable) return GL_TRUE;
    const GLuint n = 1u << stencilBits(gc);
    uint8_t* block = (uint8_t*)gc->imports.calloc(gc, 4, n);
    if (!block) return GL_FALSE;
    sb->owner = gc;
    sb->entries = n;
    sb->testTable = block;
    sb->failOpTable = block + n;
    sb->depthFailOpTable = block + 2 * n;
    sb->depthPassOpTable = block + 3 * n;
    return GL_TRUE;
}

extern "C" void GLPROC __glInitStencilBuffer(GlStencilBuffer* sb, GlContext* gc) {
    __glInitBufferObject(&sb->buf, gc);
    const GLuint bits = stencilBits(gc);
    sb->buf.bits = bits;
    sb->buf.elementSize = 1;
    sb->entries = 1u << bits;
    sb->owner = gc;
    sb->buf.free = __glFreeStencilTables;
    sb->pick = __glPickStencilProcs;
    sb->storePixel = storeStencil;
    sb->fetchPixel = fetchStencil;
    sb->testPixel = testStencil;
    sb->applyFail = applyFail;
    sb->applyZfail = applyZfail;
    sb->applyZpass = applyZpass;
    gc->fb.clearStencil = __glClearStencilBuffer;
}

extern "C" void GLPROC __glPickStencilProcs(GlContext* gc, GlStencilBuffer*) {
    if (gc->dirtyTables & (GL_DIRTY_STENCIL_REF | GL_DIRTY_STENCIL_OPS)) __glBuildStencilTables(gc);
}

extern "C" void GLPROC __glBuildStencilOpTable(GlContext* gc, uint8_t* table, GLenum op, GLuint reference,
                                               GLuint writeMask) {
    const GLuint n = gc->fb.stencil.entries;
    for (GLuint i = 0; i < n; i++) {
        GLuint v = i;
        switch (op) {
        case GL_ZERO: v = 0; break;
        case GL_REPLACE: v = reference; break;
        case GL_INCR: v = i == n - 1 ? i : i + 1; break;
        case GL_DECR: v = i == 0 ? 0 : i - 1; break;
        case GL_INVERT: v = ~i; break;
        }
        table[i] = (uint8_t)((i & ~writeMask) | (v & writeMask));
    }
}

extern "C" void GLPROC __glBuildStencilTables(GlContext* gc) {
    GlStencilBuffer* sb = &gc->fb.stencil;
    const GLuint n = sb->entries;
    if (!n || !sb->testTable) return;
    const GlStencilState* s = &gc->stencil;
    const GLuint r = s->ref & s->valueMask;
    for (GLuint i = 0; i < n; i++) {
        const GLuint v = i & s->valueMask;
        GLuint pass = 1;
        switch (s->func) {
        case GL_NEVER: pass = 0; break;
        case GL_LESS: pass = r < v; break;
        case GL_EQUAL: pass = r == v; break;
        case GL_LEQUAL: pass = r <= v; break;
        case GL_GREATER: pass = r > v; break;
        case GL_NOTEQUAL: pass = r != v; break;
        case GL_GEQUAL: pass = r >= v; break;
        }
        sb->testTable[i] = (uint8_t)pass;
    }
    __glBuildStencilOpTable(gc, sb->failOpTable, s->failOp, s->ref, s->writeMask);
    __glBuildStencilOpTable(gc, sb->depthFailOpTable, s->depthFailOp, s->ref, s->writeMask);
    __glBuildStencilOpTable(gc, sb->depthPassOpTable, s->depthPassOp, s->ref, s->writeMask);
}

extern "C" void GLPROC __glClearStencilBuffer(GlContext* gc) {
    GlStencilBuffer* sb = &gc->fb.stencil;
    GLint box[4];
    if (!__glStorageClearBox(gc, &sb->buf, box)) return;
    const GLuint mask = gc->stencil.writeMask;
    const GLuint value = gc->stencil.clearValue & mask;
    const GLint w = box[2] - box[0];
    for (GLint y = box[1]; y < box[3]; y++) {
        uint8_t* p = sb->buf.base + y * sb->buf.stride + box[0];
        if (mask == sb->entries - 1) {
            memset(p, (int)value, (size_t)w);
            continue;
        }
        for (GLint x = 0; x < w; x++) p[x] = (uint8_t)((p[x] & ~mask) | value);
    }
}

extern "C" void GLPROC __glFreeStencilTables(GlBufferObject* b) {
    GlStencilBuffer* sb = (GlStencilBuffer*)b;
    if (sb->testTable && sb->owner) sb->owner->imports.free(sb->owner, sb->testTable);
    sb->testTable = sb->failOpTable = sb->depthFailOpTable = sb->depthPassOpTable = nullptr;
}
