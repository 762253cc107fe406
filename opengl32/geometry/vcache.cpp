// The immediate-mode vertex cache: between glBegin and glEnd the vertex
// entries only store object coordinates and the current attributes into the
// next of 36 entries of the array vertex buffer; a full cache or glEnd draws
// the batch through the array vertex routine (a generated vertex program in
// GL_RENDER mode) and the array assembly. A split primitive keeps the
// entries it continues from.

#include <stdlib.h>
#include <string.h>
#include "arrays.h"
#include "vcache.h"
#include "attrconv.h"
#include "geometry.h"
#include "core/stateutil.h"

// ---- Gathering: the current attributes the state needs, into an entry,
// chosen at validation as bits of GL_GATHER_*.

// Index bits 1 normal, 2 colour (or index), 4 texture coordinates.
static const uint8_t gatherRgba[8] = {
    GL_GATHER_COLOR, GL_GATHER_NORMAL, GL_GATHER_COLOR, GL_GATHER_NORMAL | GL_GATHER_COLOR, GL_GATHER_TEX,
    GL_GATHER_NORMAL | GL_GATHER_TEX, GL_GATHER_COLOR | GL_GATHER_TEX, GL_GATHER_NORMAL | GL_GATHER_COLOR | GL_GATHER_TEX,
};
static const uint8_t gatherIndex[8] = {
    GL_GATHER_INDEX, GL_GATHER_NORMAL, GL_GATHER_INDEX, GL_GATHER_NORMAL | GL_GATHER_INDEX, GL_GATHER_TEX,
    GL_GATHER_NORMAL | GL_GATHER_TEX, GL_GATHER_INDEX | GL_GATHER_TEX, GL_GATHER_NORMAL | GL_GATHER_INDEX | GL_GATHER_TEX,
};

// ---- Dispatch slots.

static inline void setSlot(GlDispatchTable* t, int slot, GlEntryProc p) { t->entry[slot - GL_FIRST_SLOT] = p; }
static void setVertexSlots(GlDispatchTable* t, GlVertexFvEntry v2, GlVertexFvEntry v3, GlVertexFvEntry v4) {
    setSlot(t, GL_SLOT_Vertex2fv, (GlEntryProc)v2);
    setSlot(t, GL_SLOT_Vertex3fv, (GlEntryProc)v3);
    setSlot(t, GL_SLOT_Vertex4fv, (GlEntryProc)v4);
}

extern "C" {
void GLIMM __glImmBegin(GLenum mode);
void GLIMM __glImmEnd(void);
void GLIMM __glImmVertex2fv(const GLfloat* v);
void GLIMM __glImmVertex3fv(const GLfloat* v);
void GLIMM __glImmVertex4fv(const GLfloat* v);
void GLIMM __glVcacheBegin(GLenum mode);
void GLIMM __glVcacheEnd(void);
}

// ---- Flush.

// The entries the state needs done before a lighting change inside
// glBegin/glEnd are completed now, with the state of their time; the flush
// then takes the generic transform, which keeps what is done. They are not
// transformed yet: texture coordinates, divided by the clip w and only for
// unclipped vertices, wait for the flush (nothing they read can change
// inside glBegin/glEnd).
extern "C" void GLPROC __glVcacheCompletePending(GlContext* gc) {
    GlVertexCache* vc = &gc->vcache;
    const GLuint needs = gc->pendingNeeds & ~(GLuint)(GL_VX_TEXGEN | GL_VX_TEX_DIVIDED);
    for (GLint i = vc->completedCount; i < vc->count; i++) __glCompleteVertex(gc, vc->entries + i, needs);
    vc->completedCount = vc->count;
    vc->state |= GL_VCACHE_COMPLETED;
    vc->preparedSize = 0;  // the lights' products (and the program's zero terms) may change
}

// Kept entries for the next flush of a split primitive: the last two, or the
// first and the last.
static void keepEntries(GlVertexCache* vc, GLint fromFirst) {
    GlVertex* e = vc->entries;
    const GLint n = vc->count;
    if (fromFirst) {
        e[1] = e[n - 1];
    } else {
        e[0] = e[n - 2];
        e[1] = e[n - 1];
        e[0].color = e[0].frontColor;
    }
    e[1].color = e[1].frontColor;
}

// kind 1: the primitive ends; kind 2: the cache is full and the primitive goes on.
extern "C" void GLPROC __glVcacheFlush(GlContext* gc, GLint kind) {
    GlVertexCache* vc = &gc->vcache;
    if (!vc->count) return;
    GlVertexArrayState* a = &gc->arrays;
    const GlArrayVertexProc routine = a->fetchTransform;
    const GlArrayDrawProc strip = a->drawProcs[GL_TRIANGLE_STRIP];
    void(GLPROC* const refetch)(GlContext*, GlVertex*, GLint) = a->refetch;

    // Inside glBegin/glEnd only a lighting change (or a larger vertex) changes
    // what the preparation finds: later flushes of a primitive take it again.
    const GLint size = (vc->sizesSeen & 0x4) ? 4 : (vc->sizesSeen & 0x2) ? 3 : 2;
    if (size != vc->preparedSize) {
        __glPrepareArrayDraw(gc, size, GL_VP_CACHE_MODE);  // before the base: it may pick the array state again
        vc->preparedSize = size;
        vc->preparedRoutine = a->fetchTransform;
    }
    a->fetchTransform = vc->preparedRoutine;
    const GLuint flags = a->flags;
    GlVertex* const base = a->bufferBase;
    a->flags = (flags & ~(GLuint)(GL_ARRAY_LOCKED | GL_ARRAY_LOCKED_READY)) | GL_ARRAY_GATHER;
    a->bufferBase = vc->entries;
    if (vc->state & GL_VCACHE_COMPLETED) a->fetchTransform = __glTransformArrayVertices;
    a->refetch = __glTransformClipVertex;
    a->batchMode = (GLint)vc->mode;
    a->batchFirst = a->batchStart = 0;
    a->batchIndices = nullptr;

    const GLint count = vc->count, carried = vc->carried;
    if (count > carried) a->fetchTransform(gc, carried, carried, count - carried, nullptr);
    const GLenum mode = vc->mode;
    // A loop of one vertex has no closing segment.
    if (mode != GL_LINE_LOOP || count >= 2)
        __glAssembleArrayPiece(gc, mode, vc->entries, carried, count, vc->position, vc->position == 0, kind == 1);

    GLint kept = 0;
    if (kind == 2) {
        switch (mode) {
        case GL_LINE_STRIP:
            vc->entries[0] = vc->entries[count - 1];
            vc->entries[0].color = vc->entries[0].frontColor;
            kept = 1;
            break;
        case GL_TRIANGLE_STRIP:
        case GL_QUAD_STRIP:
            keepEntries(vc, 0);
            kept = 2;
            break;
        case GL_LINE_LOOP:
        case GL_TRIANGLE_FAN:
        case GL_POLYGON:
            keepEntries(vc, 1);
            kept = 2;
            break;
        }
    }
    vc->position = kept ? vc->position + count - carried : 0;
    vc->count = vc->carried = kept;
    // Kept entries may still lack the colour of a face they have not shown
    // yet: a lighting change completes them too, with the state of their time.
    vc->completedCount = 0;
    vc->state &= ~(GLuint)GL_VCACHE_COMPLETED;

    a->flags = flags;
    a->bufferBase = base;
    a->fetchTransform = routine;
    a->drawProcs[GL_TRIANGLE_STRIP] = strip;
    a->refetch = refetch;
}

// ---- glBegin and glEnd.

extern "C" void GLIMM __glVcacheBegin(GLenum mode) {
    GlContext* gc = __glStartPrimitive(__glThreadState(), mode);
    if (!gc) return;
    GlVertexCache* vc = &gc->vcache;
    vc->mode = mode;
    vc->count = vc->completedCount = vc->carried = vc->position = 0;
    vc->state = 0;
    vc->sizesSeen = 0;
    vc->preparedSize = 0;
    // The entries overwrite the first locked vertices.
    gc->arrays.flags |= GL_ARRAY_GATHER;
}

extern "C" void GLIMM __glVcacheEnd(void) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState != GL_BEGIN_INSIDE) return __glSetError(GL_INVALID_OPERATION);
    GlContext* gc = ts->context;
    __glVcacheFlush(gc, 1);
    ts->beginState = GL_BEGIN_OUTSIDE;
}

// ---- Switch, install and life.

// "__GL_VCACHE": the low byte of its decimal value switches the cache.
extern "C" void GLPROC __glVcacheInit(GlContext* gc) {
    GlVertexCache* vc = &gc->vcache;
    vc->enabled = 1;
    if (const char* s = getenv("__GL_VCACHE")) vc->enabled = (uint8_t)strtol(s, nullptr, 10);
    vc->entries = gc->arrays.bufferMemory;
}

extern "C" void GLPROC __glVcacheFree(GlContext*) {}

// Both the thread's table and the context's immediate copy (which later
// make-currents install) carry the hooks, or the plain entries again. A
// table whose glBegin slot holds neither is left alone: someone else hooks it.
extern "C" void GLPROC __glVcacheInstall(GlContext* gc) {
    GlVertexCache* vc = &gc->vcache;
    GlDispatchTable* tables[2] = {gc->liveDispatch, &gc->immediateDispatch};
    const GlEntryProc plain = (GlEntryProc)__glImmBegin, hook = (GlEntryProc)__glVcacheBegin;
    if (!vc->enabled || !vc->entries) {
        for (GlDispatchTable* t : tables) {
            if (t->entry[GL_SLOT_Begin - GL_FIRST_SLOT] != hook) continue;
            setSlot(t, GL_SLOT_Begin, plain);
            setSlot(t, GL_SLOT_End, (GlEntryProc)__glImmEnd);
            setVertexSlots(t, __glImmVertex2fv, __glImmVertex3fv, __glImmVertex4fv);
        }
        return;
    }
    for (GlDispatchTable* t : tables) {
        if (t->entry[GL_SLOT_Begin - GL_FIRST_SLOT] != plain) continue;
        setSlot(t, GL_SLOT_Begin, hook);
        setSlot(t, GL_SLOT_End, (GlEntryProc)__glVcacheEnd);
    }
    gc->procs.clipPrimitiveVertices = __glVcacheCompletePending;
    GLuint index;
    if (gc->renderMode == GL_FEEDBACK) {
        index = 7;
    } else {
        const GLuint general = gc->enables.general;
        index = (general & GL_EN_LIGHTING) ? 1 : 2;
        if (general & GL_EN_CULL_VERTEX) index |= 1;
        if (gc->texturingActive) {
            index |= 4;
            const GLuint tex = gc->enables.texture;
            const GlTexGenState* g = gc->texture.gen;
            if (((tex & 0x4) && g[0].mode == GL_SPHERE_MAP) || ((tex & 0x8) && g[1].mode == GL_SPHERE_MAP)) index |= 1;
        }
    }
    vc->gather = (gc->pixelFormat.rgba ? gatherRgba : gatherIndex)[index];
    const GlVertexFvEntry* e = __glVcacheEntries(vc->gather);
    for (GlDispatchTable* t : tables)
        if (t->entry[GL_SLOT_Begin - GL_FIRST_SLOT] == hook) setVertexSlots(t, e[0], e[1], e[2]);
}
