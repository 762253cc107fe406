// The depth buffer: its three kinds, the clear generations of the 24-bit
// kind, the clear and the fetch of one value.
//
// Generations: a 24-bit element holds the depth in its low 24 bits and the
// generation of the clear that last wrote it in its top byte. Counting down,
// an element of an older clear is numerically larger than any of the current
// one, so it compares as farther under GL_LESS and GL_LEQUAL, as a clear to
// 1.0 would; counting up the same holds for GL_GREATER and GL_GEQUAL with a
// clear to 0.0. When a direction runs out the count turns round, and the
// buffer stores 1 - z (mirror) where the GL function needs the other
// direction, the compare function remapped to match. A clear that the
// generations can stand for only steps the generation and rewrites 1/128 of
// the rows, so every element is at most 127 generations old and none can
// alias the current one.

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
        s->generationStep = db->generationStep;
        s->needsFullClear = db->needsFullClear;
        s->mirror = db->mirror;
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
    __glResizeBufferObject(b, __glPaddedWidth(width, b->elementSize, 16), height);
    db->needsFullClear = 1;
    if (b->desc) b->desc->free = __glFreeDepthStorage;
    saveShared(db);
}

extern "C" void GLPROC __glAttachDepthBuffer(GlBufferObject* b, GlDrawableBuffer* desc, GlContext* gc) {
    GlDepthBuffer* db = (GlDepthBuffer*)b;
    __glAttachBufferObject(b, desc, gc);
    WglDrawable* d = gc->fb.drawable;
    if (GlDepthShared* s = (GlDepthShared*)desc->depthState) {
        if (db->generationStep && s->generationStep) {
            db->generation = s->generation;
            db->generationStep = s->generationStep;
            db->mirror = s->mirror;
        }
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

static bool countingUp(const GlDepthBuffer* db) { return db->generationStep == GEN_ONE; }

// The mirror a GL function needs in a direction: counting down wants a
// stored GL_LESS or GL_LEQUAL, counting up GL_GREATER or GL_GEQUAL; other
// functions keep the buffer as it is.
static GLuint mirrorFor(GLenum func, bool up, GLuint current) {
    const bool lessLike = func == GL_LESS || func == GL_LEQUAL;
    const bool greaterLike = func == GL_GREATER || func == GL_GEQUAL;
    if (!lessLike && !greaterLike) return current;
    return up ? lessLike : greaterLike;
}

// The function on stored values: with mirror the order turns round.
static GLenum storedFunc(GLenum func, GLuint mirror) {
    if (!mirror) return func;
    switch (func) {
    case GL_LESS: return GL_GREATER;
    case GL_LEQUAL: return GL_GEQUAL;
    case GL_GREATER: return GL_LESS;
    case GL_GEQUAL: return GL_LEQUAL;
    default: return func;
    }
}

// A new mirror changes what the stored values mean: the depth-test
// procedures and the chain are picked again before the next primitive.
static void setMirror(GlContext* gc, GlDepthBuffer* db, GLuint mirror) {
    if (db->mirror == mirror) return;
    db->mirror = (uint8_t)mirror;
    gc->dirtyPickers |= GL_DIRTY_DEPTH;
    GlThreadState* ts = __glThreadStateOrNull();
    if (ts && ts->context == gc && ts->beginState == GL_BEGIN_OUTSIDE) ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
}

// A generation clear that runs its direction out turns the count round:
// counting down past 0x00 to counting up from 0x80, counting up past 0xFF to
// counting down from 0x7F; the elements of the old direction then all
// compare as older than the new generation, and the mirror follows the GL
// function into the new direction.
static void turnRound(GlContext* gc, GlDepthBuffer* db) {
    const GLenum func = gc->depth.func;
    if (!countingUp(db) && db->generation == GEN_TOP) {
        db->generation = 0x80000000u, db->generationStep = GEN_ONE;
        setMirror(gc, db, mirrorFor(func, true, 0));
    } else if (countingUp(db) && db->generation == 0) {
        db->generation = 0x7F000000u, db->generationStep = GEN_TOP;
        setMirror(gc, db, mirrorFor(func, false, 0));
    }
}

// The compare function the depth-test procedures use: the GL function on
// stored values (turned round under mirror).
extern "C" void GLPROC __glDepthNextGeneration(GlContext* gc, GlDepthBuffer* db) {
    if (!db->generationStep) db->mirror = 0;
    db->compareFunc = storedFunc(gc->depth.func, db->mirror);
}

static GLdouble clearDepth(const GlContext* gc) {
    const GLdouble z = gc->depth.clearValue;
    return z < 0.0 ? 0.0 : z > 1.0 ? 1.0 : z;
}

extern "C" GLuint GLPROC __glDepthClearValue(GlContext* gc, GlDepthBuffer* db) {
    __glDepthNextGeneration(gc, db);
    return __glDepthStored(db, (GLuint)(uint64_t)(clearDepth(gc) * (GLdouble)db->depthMax));
}

// Generations stand for the clear when the stored function and the stored
// clear value are the direction's: the farthest value counting down, the
// nearest counting up.
static GLuint skippable(const GlContext* gc, const GlDepthBuffer* db) {
    if (!db->generationStep) return 0;
    const GLenum f = storedFunc(gc->depth.func, db->mirror);
    const GLdouble z = db->mirror ? 1.0 - clearDepth(gc) : clearDepth(gc);
    if (countingUp(db)) return (f == GL_GREATER || f == GL_GEQUAL) && z == 0.0;
    return (f == GL_LESS || f == GL_LEQUAL) && z == 1.0;
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
    // Generations clear the whole buffer: a clip box smaller than the
    // drawable is always filled, generation and mirror left as they are.
    const bool whole = box[0] == 0 && box[1] == 0 && box[2] >= gc->drawableWidth && box[3] >= gc->drawableHeight;
    if (db->generationStep && whole && !db->needsFullClear && skippable(gc, db)) {
        db->generation += db->generationStep;
        turnRound(gc, db);
        const GLuint value = __glDepthClearValue(gc, db);
        // Rows [h k / 128, h (k + 1) / 128) of the box for counter k: every
        // row once in 128 successive clears.
        const GLint h = box[3] - box[1];
        const GLint k = (GLint)((db->generation >> 24) & 0x7F);
        const GLint rows[4] = {box[0], box[1] + h * k / 128, box[2], box[1] + h * (k + 1) / 128};
        if (rows[3] > rows[1]) fillRows(db, rows, value);
        saveShared(db);
        return;
    }
    if (db->generationStep && whole) {
        // Every element rewritten: the newest generation of a fresh count,
        // the mirror the function wants in this direction.
        db->generation = ~db->valueMask;
        setMirror(gc, db, mirrorFor(gc->depth.func, countingUp(db), db->mirror));
    }
    if (whole) db->needsFullClear = 0;
    const GLuint value = __glDepthClearValue(gc, db);
    db->clearSkippable = (uint8_t)skippable(gc, db);
    saveShared(db);
    fillRows(db, box, value);
}

static inline GLuint element(GlDepthBuffer* db, GLint x, GLint y) {
    const uint8_t* p = __glBufferAddress(&db->buf, db->buf.context, x, y);
    return db->buf.elementSize == 2 ? *(const uint16_t*)p : *(const uint32_t*)p;
}

extern "C" GLuint GLPROC __glFetchDepth16(GlDepthBuffer* db, GLint x, GLint y) { return element(db, x, y) << 16; }
extern "C" GLuint GLPROC __glFetchDepth32(GlDepthBuffer* db, GLint x, GLint y) { return element(db, x, y); }

// An element of an older generation stands for the clear value its
// direction keeps (1.0 counting down, 0.0 counting up) when the generations
// can stand for the clear; otherwise, and for a current element, the stored
// value read back through the mirror.
extern "C" GLuint GLPROC __glFetchDepth24(GlDepthBuffer* db, GLint x, GLint y) {
    const GLuint w = element(db, x, y);
    const GLuint top = db->depthMax >> db->depthShift;
    GLuint v = w & db->valueMask;
    if ((w & ~db->valueMask) != db->generation && db->clearSkippable) v = countingUp(db) ? 0 : top;
    if (db->mirror) v = top - v;
    return v << db->depthShift;
}
