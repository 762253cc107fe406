// The depth buffer: its three kinds, the clear generations of the 24-bit
// kind, the clear and the fetch of one value.
//
// Generations: a 24-bit element holds the depth in its low 24 bits and the
// generation of the clear that last wrote it in its top byte. Generations
// count down from 0xFF, so an element of an older clear compares as farther
// than any value of the current one; while the clear value is 1.0 and the
// function GL_LESS or GL_LEQUAL, a clear of the whole buffer only steps the
// generation. When the generation would wrap past 0, the clear writes every
// pixel and starts again from 0xFF, so no element can ever alias the current
// generation. The compare function is never remapped (stored depth is z).

#include <stdlib.h>
#include "depthstencil.h"
#include "fill.h"
#include "geometry/geometry.h"
#include "wgl/drawable.h"

enum { GEN_TOP = 0xFF000000u, GEN_ONE = 0x01000000u };

static GlDepthShared* sharedOf(GlDepthBuffer* db) {
    return db->buf.desc ? (GlDepthShared*)db->buf.desc->depthState : nullptr;
}

static void saveShared(GlDepthBuffer* db) {
    if (GlDepthShared* s = sharedOf(db)) {
        s->generation = db->generation;
        s->needsFullClear = db->needsFullClear;
    }
}

extern "C" void GLPROC __glInitDepthBuffer(GlDepthBuffer* db, GlContext* gc) {
    __glInitBufferObject(&db->buf, gc);
    GLuint bits = gc->pixelFormat.depthBits;
    if (const char* forced = getenv("GLFORCEZBITS")) bits = (GLuint)strtoul(forced, nullptr, 10);
    const GLuint index16 = 0, index32 = 16;
    if (bits <= 16) {
        db->buf.bits = 16, db->buf.elementSize = 2;
        db->depthMax = 0xFFFF0000u, db->depthShift = 16, db->valueMask = 0xFFFFu;
        db->generation = db->generationStep = 0;
        db->fetch = __glFetchDepth16;
    } else if (bits > 24) {
        db->buf.bits = 32, db->buf.elementSize = 4;
        db->depthMax = 0x7FC00000u, db->depthShift = 0, db->valueMask = 0xFFFFFFFFu;
        db->generation = db->generationStep = 0;
        db->fetch = __glFetchDepth32;
    } else {
        db->buf.bits = 24, db->buf.elementSize = 4;
        db->depthMax = 0x7FC00000u, db->depthShift = 7, db->valueMask = 0x00FFFFFFu;
        db->generation = db->generationStep = GEN_TOP;
        db->fetch = __glFetchDepth24;
    }
    db->buf.elementShift = db->buf.elementSize == 2 ? 1 : 2;
    db->writeMaskBits = 0xFFFFFFFFu;
    db->needsFullClear = 1;
    db->clearSkippable = 0;
    db->mirror = 0;
    db->compareFunc = GL_LESS;
    const GLuint base = db->buf.bits == 16 ? index16 : index32;
    db->storePixel = __glDepthTestProcs[base + (GL_ALWAYS - GL_NEVER)];
    db->testPixel = __glDepthTestProcs[base + (GL_LESS - GL_NEVER)];
    db->pick = __glPickDepthProcs;
    db->clear = __glClearDepthBuffer;
    db->buf.resize = __glResizeDepthBuffer;
    db->buf.attach = __glAttachDepthBuffer;
    db->buf.detach = __glDetachDepthBuffer;
    gc->fb.clearDepth = __glClearDepthBuffer;
    gc->depthFullScale = db->depthMax;
    __glUpdateDepthRange(gc);
}

// Rows a multiple of 16 bytes.
extern "C" void GLPROC __glResizeDepthBuffer(GlBufferObject* b, GLint width, GLint height) {
    GlDepthBuffer* db = (GlDepthBuffer*)b;
    const GLint es = (GLint)b->elementSize;
    const GLint rounded = width > 0 ? ((width * es + 15) & ~15) / es : 0;
    __glResizeBufferObject(b, rounded, height);
    db->needsFullClear = 1;
    if (b->desc) b->desc->free = __glFreeDepthStorage;
    saveShared(db);
}

extern "C" void GLPROC __glAttachDepthBuffer(GlBufferObject* b, GlDrawableBuffer* desc, GlContext* gc) {
    GlDepthBuffer* db = (GlDepthBuffer*)b;
    __glAttachBufferObject(b, desc, gc);
    WglDrawable* d = gc->fb.drawable;
    if (GlDepthShared* s = (GlDepthShared*)desc->depthState) {
        db->generation = db->generationStep ? s->generation : 0;
        db->needsFullClear = s->needsFullClear;
    } else if (d) {
        desc->depthState = d->allocateZeroed(1, sizeof(GlDepthShared));
        saveShared(db);
    }
    desc->free = __glFreeDepthStorage;
    gc->dirtyPickers |= GL_DIRTY_DEPTH | GL_DIRTY_SCISSOR;
}

extern "C" void GLPROC __glDetachDepthBuffer(GlBufferObject* b) {
    if (!b->context) return;
    saveShared((GlDepthBuffer*)b);
    __glDetachBufferObject(b);
}

extern "C" void GLPROC __glFreeDepthStorage(GlDrawableBuffer* desc, WglDrawable* d) {
    __glFreeBufferStorage(desc, d);
    if (desc->depthState && d) d->free(desc->depthState);
    desc->depthState = nullptr;
}

extern "C" void GLPROC __glDepthNextGeneration(GlContext* gc, GlDepthBuffer* db) {
    db->mirror = 0;
    db->compareFunc = gc->depth.func;
}

static GLdouble clearDepth(const GlContext* gc) {
    const GLdouble z = gc->depth.clearValue;
    return z < 0.0 ? 0.0 : z > 1.0 ? 1.0 : z;
}

extern "C" GLuint GLPROC __glDepthClearValue(GlContext* gc, GlDepthBuffer* db) {
    __glDepthNextGeneration(gc, db);
    const GLuint z = (GLuint)(uint64_t)(clearDepth(gc) * (GLdouble)db->depthMax);
    return (z >> db->depthShift) + db->generation;
}

// Generations can stand for a clear to 1.0 under GL_LESS and GL_LEQUAL.
static GLuint skippable(const GlContext* gc, const GlDepthBuffer* db) {
    const GLenum f = gc->depth.func;
    return db->generationStep && (f == GL_LESS || f == GL_LEQUAL) && clearDepth(gc) == 1.0;
}

extern "C" void GLPROC __glPickDepthProcs(GlContext* gc, GlDepthBuffer* db, GLint index) {
    db->clearSkippable = (uint8_t)skippable(gc, db);
    db->testPixel = __glDepthTestProcs[index & 31];
}

static void fillRows(GlDepthBuffer* db, const GLint box[4], GLuint value) {
    const GLint es = (GLint)db->buf.elementSize, pixels = box[2] - box[0];
    uint8_t* p = db->buf.base + box[1] * db->buf.stride + box[0] * es;
    const GLint gap = db->buf.stride - pixels * es;
    if (es == 2) __glFill16(db->buf.context, p, pixels, box[3] - box[1], gap, value);
    else __glFill32(db->buf.context, p, pixels, box[3] - box[1], gap, value);
}

extern "C" void GLPROC __glClearDepthBuffer(GlContext* gc) {
    GlDepthBuffer* db = &gc->fb.depth;
    GLint box[4];
    if (!gc->depth.writeMask || !__glStorageClearBox(gc, &db->buf, box)) return;
    const bool whole = box[0] == 0 && box[1] == 0 && box[2] >= gc->drawableWidth && box[3] >= gc->drawableHeight;
    if (db->generationStep && whole) {
        if (!db->needsFullClear && skippable(gc, db) && db->generation >= GEN_ONE) {
            db->generation -= GEN_ONE;
            saveShared(db);
            return;
        }
        db->generation = GEN_TOP;
        db->needsFullClear = 0;
    } else if (whole) {
        db->needsFullClear = 0;
    }
    saveShared(db);
    const GLuint value = __glDepthClearValue(gc, db);
    fillRows(db, box, value);
}

static inline GLuint element(GlDepthBuffer* db, GLint x, GLint y) {
    const uint8_t* p = __glBufferAddress(&db->buf, db->buf.context, x, y);
    return db->buf.elementSize == 2 ? *(const uint16_t*)p : *(const uint32_t*)p;
}

extern "C" GLuint GLPROC __glFetchDepth16(GlDepthBuffer* db, GLint x, GLint y) { return element(db, x, y) << 16; }
extern "C" GLuint GLPROC __glFetchDepth32(GlDepthBuffer* db, GLint x, GLint y) { return element(db, x, y); }

// An element of an older generation stands for the clear value 1.0.
extern "C" GLuint GLPROC __glFetchDepth24(GlDepthBuffer* db, GLint x, GLint y) {
    const GLuint w = element(db, x, y);
    if ((w & ~db->valueMask) != db->generation) return db->depthMax;
    return (w & db->valueMask) << db->depthShift;
}
