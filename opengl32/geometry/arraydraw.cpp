// Array drawing: the array vertex buffer, batches, the per-mode draw routines
// and the clipping of array primitives with lazily fetched vertices.
//
// A draw gathers its elements batch by batch into the buffer through the
// array vertex routine, then assembles the primitives of the batch; modes
// that join their vertices carry the last ones (and a fan's or polygon's or
// loop's first vertex) into the next batch. Over locked arrays fetched in
// advance, a draw addresses its vertices at their element numbers and
// gathers nothing. Primitives are assembled as the immediate-mode begin
// procedures assemble them, so that both draw the same.

#include <string.h>
#include "arrays.h"
#include "geometry.h"
#include "core/stateutil.h"
#include "raster/triangle.h"

// Leading slots that hold the draw's first vertex, and slots carried from the
// previous batch, by mode.
static const struct {
    uint8_t kept, overlap;
} batchOverlap[10] = {
    {0, 0}, {0, 0}, {1, 2}, {0, 1}, {0, 0}, {0, 2}, {1, 2}, {0, 0}, {0, 2}, {1, 2},
};

extern const GlArrayDrawProc __glArrayDrawProcs[10] = {
    __glDrawArrayPoints,    __glDrawArrayLines,        __glDrawArrayLineLoop,     __glDrawArrayLineStrip,
    __glDrawArrayTriangles, __glDrawArrayTriangleStrip, __glDrawArrayTriangleFan, __glDrawArrayQuads,
    __glDrawArrayQuadStrip, __glDrawArrayPolygon,
};

// ---- The array vertex buffer.

extern "C" GLboolean GLPROC __glEnsureArrayVertices(GlContext* gc, GLint first, GLint count) {
    GlVertexArrayState* a = &gc->arrays;
    const uint64_t needed = (uint64_t)(GLuint)count * sizeof(GlVertex);
    if (needed > a->bufferBytes) {
        const uint64_t granule = a->allocGranule;
        const uint64_t bytes = (needed + granule - 1) / granule * granule + 32;
        if (bytes > 0x7FFFFFFFu) return GL_FALSE;
        void* m = a->bufferMemory ? gc->imports.realloc(gc, a->bufferMemory, (size_t)bytes)
                                  : gc->imports.alloc(gc, (size_t)bytes);
        if (!m) return GL_FALSE;
        a->bufferMemory = (GlVertex*)m;
        a->bufferBytes = (GLuint)bytes;
        a->bufferSlots = (GLint)(bytes / sizeof(GlVertex));
        for (GLint i = 0; i < a->bufferSlots; i++) a->bufferMemory[i].color = a->bufferMemory[i].frontColor;
        gc->vcache.entries = a->bufferMemory;
    }
    // Slot number = element number for the first element.
    a->bufferBase = (GlVertex*)((uintptr_t)a->bufferMemory - (uintptr_t)(GLuint)first * sizeof(GlVertex));
    return GL_TRUE;
}

extern "C" void GLPROC __glSetArrayBatchSize(GlContext* gc, GLint hint) {
    GlVertexArrayState* a = &gc->arrays;
    GLint size = hint < GL_ARRAY_BATCH ? GL_ARRAY_BATCH : hint > GL_ARRAY_MAX_BATCH ? GL_ARRAY_MAX_BATCH : hint;
    size -= size % 12;
    const bool locked = (a->flags & GL_ARRAY_LOCKED_READY) != 0;
    const GLint keep = locked && a->lockCount > size + 2 ? a->lockCount : size + 2;
    if (!__glEnsureArrayVertices(gc, locked ? a->lockFirst : 0, keep)) return __glSetError(GL_OUT_OF_MEMORY);
    a->batchSize = size;
}

extern "C" void GLPROC __glInitVertexArrayState(GlContext* gc) {
    GlVertexArrayState* a = &gc->arrays;
    memset(a, 0, sizeof *a);
    GlVertexArray* typed[5] = {&a->vertex, &a->normal, &a->color, &a->index, &a->texCoord};
    for (GlVertexArray* v : typed) v->type = GL_FLOAT;
    a->vertex.size = a->color.size = a->texCoord.size = 4;
    a->normal.size = 3;
    a->index.size = 1;
    a->edgeFlag.size = 1;
    a->allocGranule = GL_ARRAY_GRANULE;
    a->batchSize = GL_ARRAY_BATCH;
    memcpy(a->drawProcs, __glArrayDrawProcs, sizeof a->drawProcs);
    a->flags = GL_ARRAY_GATHER | GL_ARRAY_NO_VERTEX;
    a->needBits = GL_NEED_ALL;
    a->needFields = ~0u;
    a->fetchTransform = a->fallback = __glFetchArrayVerticesAll;
    a->gather = __glFetchArrayVerticesIndexed;
    a->fetchFull = __glFetchArrayVertices;
    a->refetch = __glRefetchArrayVertex;
    a->fetchNormal = __glFetchCurrentNormal;
    a->fetchColor = __glFetchCurrentColor;
    a->fetchIndex = __glFetchCurrentIndex;
    a->fetchTexCoord = __glFetchCurrentTexCoord;
    a->fetchEdgeFlag = __glFetchCurrentEdgeFlag;
    // A failure leaves no buffer: draws then record GL_OUT_OF_MEMORY.
    __glEnsureArrayVertices(gc, 0, GL_ARRAY_BATCH + 2);
}

extern "C" void GLPROC __glFreeVertexArrayState(GlContext* gc) {
    GlVertexArrayState* a = &gc->arrays;
    gc->imports.free(gc, a->bufferMemory);
    a->bufferMemory = a->bufferBase = nullptr;
    a->bufferBytes = 0;
    a->bufferSlots = 0;
    gc->vcache.entries = nullptr;
}

// ---- Gathering and fetching again.

extern "C" void GLPROC __glFetchArrayVerticesIndexed(GlContext* gc, GLint slot, GLint start, GLint count,
                                                      const GLuint* indices) {
    gc->arrays.fetchTransform(gc, slot, start, count, indices);
}

extern "C" GLint GLPROC __glArrayBatchIndex(GlContext* gc, GLint slot) {
    const GlVertexArrayState* a = &gc->arrays;
    if (!(a->flags & GL_ARRAY_GATHER)) return slot;  // locked: slot = element
    const GLint mode = a->batchMode;
    GLint element;
    if (slot < batchOverlap[mode].kept || a->batchStart == a->batchFirst) element = a->batchFirst + slot;
    else element = a->batchStart + slot - batchOverlap[mode].overlap;
    return a->batchIndices ? (GLint)a->batchIndices[element] : element;
}

extern "C" void GLPROC __glRefetchArrayVertex(GlContext* gc, GlVertex* v, GLint element) {
    const GLuint culled = v->flags & GL_VX_CULLED;
    gc->arrays.fetchFull(gc, __glArraySlot(gc, v), element, 1);
    v->flags |= culled;
}

extern "C" void GLPROC __glRefetchLazyVertex(GlContext* gc, GlVertex* v) {
    if (v->flags & GL_VX_FETCHED) return;
    gc->arrays.refetch(gc, v, __glArrayBatchIndex(gc, __glArraySlot(gc, v)));
}

// ---- Primitive steps.

// Inline in every assembly loop: a call per triangle would realign the stack.
// An unclipped triangle within one pixel row (arrays.cellMask, m, which the
// loops read once: their byte stores would make the compiler read it again)
// or column (__glSameColumn) is dropped, as the set-up would drop it; the
// others go to the set-up's entry that does not test them again.
static inline __attribute__((always_inline)) void arrayTriangle(GlContext* gc, GLuint m, GlVertex* a, GlVertex* b,
                                                                GlVertex* c) {
    const GLuint any = (a->flags | b->flags | c->flags) & GL_VX_CLIPPED;
    if (!any) {
        const GLuint y = __glFloatBits(a->window[1]) & m;
        if (m && ((y == (__glFloatBits(b->window[1]) & m) && y == (__glFloatBits(c->window[1]) & m)) ||
                  __glSameColumn(a->window[0], b->window[0], c->window[0])))
            return;
        return gc->arrays.testedTriangle(gc, a, b, c);
    }
    if (a->flags & b->flags & c->flags & GL_VX_CLIPPED) return;
    __glDoClipTriangle(gc, a, b, c);
}

extern "C" void GLPROC __glClipArrayLine(GlContext* gc, GlVertex* a, GlVertex* b) {
    __glRefetchLazyVertex(gc, a);
    __glRefetchLazyVertex(gc, b);
    if (a->flags & b->flags & GL_VX_CLIPPED) return;
    __glClipLine(gc, a, b, (a->flags | b->flags) & GL_VX_CLIPPED);
}

void __glArrayLine(GlContext* gc, GlVertex* a, GlVertex* b) {
    gc->provokingVertex = b;
    const GLuint any = (a->flags | b->flags) & GL_VX_CLIPPED;
    if (!any) return gc->procs.renderLine(gc, a, b);
    if (a->flags & b->flags & GL_VX_CLIPPED) return;
    __glClipArrayLine(gc, a, b);
}

// A quad in polygon order that crosses the clip volume: to the polygon clipper.
extern "C" void GLPROC __glClipArrayQuad(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GlVertex* d) {
    GlVertex* v[4] = {a, b, c, d};
    for (GlVertex* x : v) __glRefetchLazyVertex(gc, x);
    if (a->flags & b->flags & c->flags & d->flags & GL_VX_CLIPPED) return;
    __glRenderPolygon(gc, v, 4, (a->flags | b->flags | c->flags | d->flags) & GL_VX_CLIPPED);
}

// A quad v0 .. v3 in polygon order, provoking vertex v3: two triangles with
// the diagonal hidden, or the polygon clipper.
static void arrayQuad(GlContext* gc, GlVertex* v0, GlVertex* v1, GlVertex* v2, GlVertex* v3) {
    gc->lineResetPending = 0;
    gc->provokingVertex = v3;
    const GLuint any = (v0->flags | v1->flags | v2->flags | v3->flags) & GL_VX_CLIPPED;
    if (any) {
        if (v0->flags & v1->flags & v2->flags & v3->flags & GL_VX_CLIPPED) return;
        return __glClipArrayQuad(gc, v0, v1, v2, v3);
    }
    __glQuadTriangles(gc, v0, v1, v2, v3);
}

// ---- Assembly of one piece of a draw.

// The vertices of a piece: slots of the buffer in order, or the slots an
// index list names (locked arrays).
struct GlSlots {
    GlVertex* base;
    GlVertex* operator()(GLint k) const { return base + k; }
};
struct GlListedSlots {
    GlVertex* base;
    const GLuint* list;
    GlVertex* operator()(GLint k) const { return base + list[k]; }
};
struct GlListedVertices {
    GlVertex* const* list;
    GlVertex* operator()(GLint k) const { return list[k]; }
};

// Slots begin .. end - 1 of a piece; from `fresh` on they hold vertices no
// earlier piece showed, the one in slot `fresh` at draw position `position`.
// Slot 0 holds the draw's first vertex for fans, polygons and line loops.
struct GlPiece {
    GLint fresh, end;
    GLint position;
    bool first, last;
};

template <class V>
static void assemblePoints(GlContext* gc, const V& at, const GlPiece& p) {
    for (GLint k = p.fresh; k < p.end; k++) gc->procs.renderPoint(gc, at(k));
}

template <class V>
static void assembleLines(GlContext* gc, const V& at, const GlPiece& p) {
    for (GLint k = p.fresh; k + 1 < p.end; k += 2) {
        gc->lineResetPending = 0;  // every segment restarts the stipple
        __glArrayLine(gc, at(k), at(k + 1));
    }
}

// Line strips and loops: segments from the previous vertex; a loop keeps its
// first vertex in slot 0 and closes from its last one.
template <class V, bool Loop>
static void assembleLineStrip(GlContext* gc, const V& at, const GlPiece& p) {
    if (p.first) gc->lineResetPending = 0;
    for (GLint k = p.fresh > 0 ? p.fresh : 1; k < p.end; k++) __glArrayLine(gc, at(k - 1), at(k));
    if (Loop && p.last) __glArrayLine(gc, at(p.end - 1), at(0));
}

// The loops keep the slots and the piece's end in locals, which their
// stores into the context do not touch.
template <class V>
static inline __attribute__((always_inline)) void assembleTriangles(GlContext* gc, const V& at, const GlPiece& p) {
    const V slots = at;
    const GLint end = p.end;
    const GLuint mask = gc->arrays.cellMask;
    for (GLint k = p.fresh; k + 2 < end; k += 3) {
        GlVertex* c = slots(k + 2);
        gc->lineResetPending = 0;
        gc->provokingVertex = c;
        arrayTriangle(gc, mask, c, slots(k), slots(k + 1));
    }
}

// Triangle k of a strip is (k + 2, k, k + 1) when k is even and
// (k + 2, k + 1, k) when odd, k counted from the draw's first vertex; of a
// fan (k + 2, first, k + 1). Every edge is a boundary edge.
template <class V, bool Fan>
static void assembleStripOrFan(GlContext* gc, const V& at, const GlPiece& p) {
    const V slots = at;
    const GLint end = p.end;
    const GLuint mask = gc->arrays.cellMask;
    for (GLint k = p.fresh; k < end; k++) slots(k)->edgeFlag = 1;
    GLint g = p.position;
    for (GLint k = p.fresh; k < end; k++, g++) {
        if (g < 2) continue;
        GlVertex* n = slots(k);
        gc->lineResetPending = 0;
        gc->provokingVertex = n;
        if (Fan) arrayTriangle(gc, mask, n, slots(0), slots(k - 1));
        else if (g & 1) arrayTriangle(gc, mask, n, slots(k - 1), slots(k - 2));
        else arrayTriangle(gc, mask, n, slots(k - 2), slots(k - 1));
    }
}
template <class V>
static void assembleTriangleStrip(GlContext* gc, const V& at, const GlPiece& p) {
    assembleStripOrFan<V, false>(gc, at, p);
}
template <class V>
static void assembleTriangleFan(GlContext* gc, const V& at, const GlPiece& p) {
    assembleStripOrFan<V, true>(gc, at, p);
}

template <class V>
static void assembleQuads(GlContext* gc, const V& at, const GlPiece& p) {
    for (GLint k = p.fresh; k + 3 < p.end; k += 4) arrayQuad(gc, at(k), at(k + 1), at(k + 2), at(k + 3));
}

// Each new pair (c, d) after (a, b) is the quad a, b, d, c.
template <class V>
static void assembleQuadStrip(GlContext* gc, const V& at, const GlPiece& p) {
    for (GLint k = p.fresh; k < p.end; k++) at(k)->edgeFlag = 1;
    GLint g = p.position;
    for (GLint k = p.fresh; k < p.end; k++, g++) {
        if (g < 3 || !(g & 1)) continue;
        GlVertex *v0 = at(k - 3), *v1 = at(k - 2), *v2 = at(k - 1), *v3 = at(k);
        gc->lineResetPending = 0;
        gc->provokingVertex = v3;
        const GLuint any = (v0->flags | v1->flags | v2->flags | v3->flags) & GL_VX_CLIPPED;
        if (any) {
            if (!(v0->flags & v1->flags & v2->flags & v3->flags & GL_VX_CLIPPED)) __glClipArrayQuad(gc, v0, v1, v3, v2);
            continue;
        }
        __glQuadStripTriangles(gc, v0, v1, v2, v3);
    }
}

// A polygon is a fan around its first vertex (slot 0): the triangle (first,
// previous, new) of each new vertex. Only boundary edges keep their flags:
// the first vertex's edge in the first triangle, the new vertex's edge in
// the triangle that closes the polygon (when the piece is the last).
template <class V>
static void assemblePolygon(GlContext* gc, const V& at, const GlPiece& p) {
    if (p.first) gc->lineResetPending = 0;
    GlVertex* first = at(0);
    GLint g = p.position;
    for (GLint k = p.fresh; k < p.end; k++, g++) {
        if (g < 2) continue;
        GlVertex* n = at(k);
        gc->provokingVertex = first;
        const uint8_t ff = first->edgeFlag, fn = n->edgeFlag;
        if (g > 2) first->edgeFlag = 0;
        if (!(p.last && k == p.end - 1)) n->edgeFlag = 0;
        arrayTriangle(gc, gc->arrays.cellMask, first, at(k - 1), n);
        first->edgeFlag = ff, n->edgeFlag = fn;
    }
}

// ---- Batches.

// Copies a vertex record to another slot, its colour pointer re-aimed.
static inline void carryVertex(GlVertex* to, const GlVertex* from) {
    *to = *from;
    to->color = to->frontColor;
}

// The mode's minimum count and the count rounded to whole primitives.
static GLint usableCount(GLenum mode, GLint count) {
    static const uint8_t minimum[10] = {1, 2, 2, 2, 3, 3, 3, 4, 4, 3};
    if (count < minimum[mode]) return 0;
    if (mode == GL_LINES || mode == GL_QUAD_STRIP) return count & ~1;
    if (mode == GL_QUADS) return count & ~3;
    if (mode == GL_TRIANGLES) return count - count % 3;
    return count;
}

// Indexed triangles gathered so that a batch transforms each element it
// names once: triangles join the batch while their new elements fit it
// (at most the batch size, at most the vertex list's indices). A table by
// a hash of the element gives the slot it was last given; that slot is
// taken when the batch has filled it with the same element, and an element
// the table lost is only transformed again. The batch's element list
// addresses the slots for fetching again (__glArrayBatchIndex).
static void drawSharedTriangles(GlContext* gc, GLint count, const GLuint* indices) {
    GlVertexArrayState* a = &gc->arrays;
    auto& s = a->shared;
    constexpr GLint elementRoom = sizeof s.elements / sizeof s.elements[0];
    constexpr GLint listRoom = sizeof s.vertices / sizeof s.vertices[0];
    constexpr GLuint kHashBits = 7;
    static_assert(listRoom % 3 == 0 && sizeof s.slotOf == sizeof(GLuint) << kHashBits, "whole triangles, the table");
    const GLuint room = (GLuint)(a->batchSize < elementRoom ? a->batchSize : elementRoom);
    a->batchMode = GL_TRIANGLES;
    a->batchFirst = a->batchStart = 0;
    a->batchIndices = s.elements;
    GlVertex* const base = a->bufferBase;
    for (GLint done = 0; done < count;) {
        const GLuint* in = indices + done;
        const GLuint* const end = in + (count - done < listRoom ? count - done : listRoom);
        GlVertex** out = s.vertices;
        GLuint n = 0;
        do {
            for (int j = 0; j < 3; j++) {
                const GLuint e = *in++;
                GLuint& slot = s.slotOf[(e * 0x9E3779B1u) >> (32 - kHashBits)];
                if (slot >= n || s.elements[slot] != e) s.elements[slot = n++] = e;
                *out++ = base + slot;
            }
        } while (in < end && n + 3 <= room);
        const GLint k = (GLint)(out - s.vertices);
        a->gather(gc, 0, 0, (GLint)n, s.elements);
        assembleTriangles(gc, GlListedVertices{s.vertices}, GlPiece{0, k, done, done == 0, done + k == count});
        done += k;
    }
}

// Runs a draw of count vertices through Assemble: in one piece over locked
// vertices, else batch by batch through arrays.gather.
template <void (*Assemble)(GlContext*, const GlSlots&, const GlPiece&),
          void (*AssembleListed)(GlContext*, const GlListedSlots&, const GlPiece&)>
static void drawArray(GlContext* gc, GLenum mode, GLint first, GLint count, const GLuint* indices) {
    GlVertexArrayState* a = &gc->arrays;
    count = usableCount(mode, count);
    if (!count) return;
    if (!(a->flags & GL_ARRAY_GATHER)) {
        const GlPiece p = {0, count, 0, true, true};
        if (indices) AssembleListed(gc, GlListedSlots{a->bufferBase, indices}, p);
        else Assemble(gc, GlSlots{a->bufferBase + first}, p);
        return;
    }
    if (mode == GL_TRIANGLES && indices) return drawSharedTriangles(gc, count, indices);
    a->batchMode = (GLint)mode;
    a->batchFirst = first;
    a->batchIndices = indices;
    const GLint kept = batchOverlap[mode].kept, overlap = batchOverlap[mode].overlap;
    const GlSlots at{a->bufferBase};
    GLint done = 0, end = 0;
    for (bool firstBatch = true; done < count; firstBatch = false) {
        GLint from = 0;
        if (!firstBatch && overlap) {
            // The last vertices of the batch go to the slots after the kept ones.
            const GLint carried = overlap - kept;
            for (GLint i = 0; i < carried; i++) carryVertex(at(kept + i), at(end - carried + i));
            from = overlap;
        }
        const GLint n = a->batchSize < count - done ? a->batchSize : count - done;
        a->batchStart = first + done;
        a->gather(gc, from, first + done, n, indices);
        end = from + n;
        Assemble(gc, at, GlPiece{from, end, done, firstBatch, done + n == count});
        done += n;
    }
}

#define GL_DRAW_ROUTINE(Name, Mode, Assembly)                                                                  \
    extern "C" void GLPROC __glDrawArray##Name(GlContext* gc, GLint first, GLint count, const GLuint* indices) { \
        drawArray<Assembly<GlSlots>, Assembly<GlListedSlots>>(gc, Mode, first, count, indices);               \
    }
GL_DRAW_ROUTINE(Points, GL_POINTS, assemblePoints)
GL_DRAW_ROUTINE(Lines, GL_LINES, assembleLines)
GL_DRAW_ROUTINE(Triangles, GL_TRIANGLES, assembleTriangles)
GL_DRAW_ROUTINE(TriangleStrip, GL_TRIANGLE_STRIP, assembleTriangleStrip)
GL_DRAW_ROUTINE(TriangleFan, GL_TRIANGLE_FAN, assembleTriangleFan)
GL_DRAW_ROUTINE(Quads, GL_QUADS, assembleQuads)
GL_DRAW_ROUTINE(QuadStrip, GL_QUAD_STRIP, assembleQuadStrip)
GL_DRAW_ROUTINE(Polygon, GL_POLYGON, assemblePolygon)
#undef GL_DRAW_ROUTINE

template <class V>
static void assembleLineStripOnly(GlContext* gc, const V& at, const GlPiece& p) {
    assembleLineStrip<V, false>(gc, at, p);
}
template <class V>
static void assembleLineLoop(GlContext* gc, const V& at, const GlPiece& p) {
    assembleLineStrip<V, true>(gc, at, p);
}
extern "C" void GLPROC __glDrawArrayLineStrip(GlContext* gc, GLint first, GLint count, const GLuint* indices) {
    drawArray<assembleLineStripOnly<GlSlots>, assembleLineStripOnly<GlListedSlots>>(gc, GL_LINE_STRIP, first, count,
                                                                                 indices);
}
extern "C" void GLPROC __glDrawArrayLineLoop(GlContext* gc, GLint first, GLint count, const GLuint* indices) {
    drawArray<assembleLineLoop<GlSlots>, assembleLineLoop<GlListedSlots>>(gc, GL_LINE_LOOP, first, count, indices);
}

// A piece of a primitive in consecutive slots from base, for the vertex cache.
void __glAssembleArrayPiece(GlContext* gc, GLenum mode, GlVertex* base, GLint fresh, GLint end, GLint position,
                            bool first, bool last) {
    typedef void (*Assembly)(GlContext*, const GlSlots&, const GlPiece&);
    static const Assembly assemblies[10] = {
        assemblePoints<GlSlots>,    assembleLines<GlSlots>,         assembleLineLoop<GlSlots>,
        assembleLineStripOnly<GlSlots>, assembleTriangles<GlSlots>, assembleTriangleStrip<GlSlots>,
        assembleTriangleFan<GlSlots>,   assembleQuads<GlSlots>,     assembleQuadStrip<GlSlots>,
        assemblePolygon<GlSlots>,
    };
    assemblies[mode](gc, GlSlots{base}, GlPiece{fresh, end, position, first, last});
}
