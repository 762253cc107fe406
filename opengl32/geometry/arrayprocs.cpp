// Array vertex routines and their picker: which attributes the state needs,
// how each is fetched, the family of fetch-and-transform routines, the
// cull-vertex test, and the per-draw choice of transform, clip test and
// routine (a generated vertex program in GL_RENDER mode).

#include <string.h>
#include "arrays.h"
#include "geometry.h"
#include "light.h"
#include "codegen/codegen.h"
#include "codegen/vertexgen.h"
#include "core/stateutil.h"
#include "raster/triangle.h"

// ---- Current-value fetch procedures.

extern "C" void GLPROC __glFetchCurrentNormal(GlContext* gc, const void*, GlVertex* v) {
    memcpy(v->normal, gc->current.normal, 12);
}
extern "C" void GLPROC __glFetchCurrentColor(GlContext* gc, const void*, GlVertex* v) {
    memcpy(v->frontColor, gc->current.scaledColor, 16);
}
extern "C" void GLPROC __glFetchCurrentIndex(GlContext* gc, const void*, GlVertex* v) {
    v->frontColor[0] = gc->current.index;
}
extern "C" void GLPROC __glFetchCurrentTexCoord(GlContext* gc, const void*, GlVertex* v) {
    memcpy(v->texCoord, gc->current.texCoord, 16);
}
extern "C" void GLPROC __glFetchCurrentEdgeFlag(GlContext* gc, const void*, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
}

// ---- The family of fetch-and-transform routines.

static inline const void* arrayElement(const GlVertexArray* a, GLuint element) {
    return (const uint8_t*)a->pointer + (uintptr_t)((uint64_t)element * (uint32_t)a->stride);
}
static inline const GLfloat* floatElement(const GlVertexArray* a, GLuint element) {
    return (const GLfloat*)arrayElement(a, element);
}

// Transform and clip codes of a vertex whose flags hold its size bits.
static inline void transformClip(GlContext* gc, const GlVertexArrayState* a, GlVertex* v) {
    a->transform(v->clip, v->obj, a->composite);
    const GLuint codes = a->clipTest(gc, v);
    v->flags |= codes | GL_VX_FETCHED;
}

enum { MEMBER_INDEX = 1, MEMBER_FLOAT = 2 };

// Fetches vertex and normal (Needs 0x1), makes the cull test, then for a
// vertex not rejected colour or index (0x2) and texture coordinates (0x4),
// and transforms it. Float members read vertex, normal and texture
// coordinates of the natural float layout in place.
template <int Needs, int Kind>
static void GLPROC fetchTransform(GlContext* gc, GLint slot, GLint element, GLint count, const GLuint* indices) {
    GlVertexArrayState* a = &gc->arrays;
    const bool cull = (a->flags & GL_ARRAY_CULL_VERTEX) && (Needs & GL_NEED_NORMAL);
    GlVertex* v = a->bufferBase + slot;
    for (GLint k = 0; k < count; k++, v++) {
        const GLuint e = indices ? indices[element + k] : (GLuint)(element + k);
        if (Kind & MEMBER_FLOAT) {
            const GLfloat* p = floatElement(&a->vertex, e);
            v->obj[0] = p[0], v->obj[1] = p[1], v->obj[2] = p[2], v->obj[3] = 1.0f;
        } else {
            a->fetchVertex(gc, arrayElement(&a->vertex, e), v);
        }
        if (Needs & GL_NEED_NORMAL) {
            if (Kind & MEMBER_FLOAT) memcpy(v->normal, floatElement(&a->normal, e), 12);
            else a->fetchNormal(gc, arrayElement(&a->normal, e), v);
        }
        v->flags = a->sizeBits;
        if (cull) {
            const GLuint culled = __glCullVertexCode(gc, v, v->normal);
            v->flags |= culled;
            if (culled) continue;  // a rejected vertex gets no further attributes
        }
        if (Needs & GL_NEED_COLOR) {
            if (Kind & MEMBER_INDEX) a->fetchIndex(gc, arrayElement(&a->index, e), v);
            else a->fetchColor(gc, arrayElement(&a->color, e), v);
        }
        if (Needs & GL_NEED_TEXCOORD) {
            if (Kind & MEMBER_FLOAT) {
                const GLfloat* t = floatElement(&a->texCoord, e);
                v->texCoord[0] = t[0], v->texCoord[1] = t[1], v->texCoord[2] = 0.0f, v->texCoord[3] = 1.0f;
            } else {
                a->fetchTexCoord(gc, arrayElement(&a->texCoord, e), v);
            }
        }
        transformClip(gc, a, v);
    }
}

#define GL_FAMILY(Name, Needs, Kind)                                                                            \
    extern "C" void GLPROC __glFetchArrayVertices##Name(GlContext* gc, GLint slot, GLint element, GLint count, \
                                                         const GLuint* indices) {                             \
        fetchTransform<Needs, Kind>(gc, slot, element, count, indices);                                        \
    }
GL_FAMILY(V, 0, 0)
GL_FAMILY(VN, 1, 0)
GL_FAMILY(VC, 2, 0)
GL_FAMILY(VNC, 3, 0)
GL_FAMILY(VT, 4, 0)
GL_FAMILY(VNT, 5, 0)
GL_FAMILY(VCT, 6, 0)
GL_FAMILY(VNCT, 7, 0)
GL_FAMILY(VI, 2, MEMBER_INDEX)
GL_FAMILY(VNI, 3, MEMBER_INDEX)
GL_FAMILY(VIT, 6, MEMBER_INDEX)
GL_FAMILY(VNIT, 7, MEMBER_INDEX)
GL_FAMILY(VNFloat, 1, MEMBER_FLOAT)
GL_FAMILY(VTFloat, 4, MEMBER_FLOAT)
GL_FAMILY(VNTFloat, 5, MEMBER_FLOAT)
#undef GL_FAMILY

// By needed attributes: general RGBA, general colour index, float RGBA, float colour index.
static const GlArrayVertexProc familyTable[4][8] = {
    {__glFetchArrayVerticesV, __glFetchArrayVerticesVN, __glFetchArrayVerticesVC, __glFetchArrayVerticesVNC,
     __glFetchArrayVerticesVT, __glFetchArrayVerticesVNT, __glFetchArrayVerticesVCT, __glFetchArrayVerticesVNCT},
    {__glFetchArrayVerticesV, __glFetchArrayVerticesVN, __glFetchArrayVerticesVI, __glFetchArrayVerticesVNI,
     __glFetchArrayVerticesVT, __glFetchArrayVerticesVNT, __glFetchArrayVerticesVIT, __glFetchArrayVerticesVNIT},
    {__glFetchArrayVerticesV, __glFetchArrayVerticesVNFloat, __glFetchArrayVerticesVC, __glFetchArrayVerticesVNC,
     __glFetchArrayVerticesVTFloat, __glFetchArrayVerticesVNTFloat, __glFetchArrayVerticesVCT,
     __glFetchArrayVerticesVNCT},
    {__glFetchArrayVerticesV, __glFetchArrayVerticesVNFloat, __glFetchArrayVerticesVI, __glFetchArrayVerticesVNI,
     __glFetchArrayVerticesVTFloat, __glFetchArrayVerticesVNTFloat, __glFetchArrayVerticesVIT,
     __glFetchArrayVerticesVNIT},
};

// Every attribute: for feedback, whose words report them all, and for polygon
// modes other than fill, which need edge flags. Colour or index by the mode.
static inline void fetchAll(GlContext* gc, GlVertexArrayState* a, GlVertex* v, GLuint e, bool cull) {
    a->fetchVertex(gc, arrayElement(&a->vertex, e), v);
    a->fetchNormal(gc, arrayElement(&a->normal, e), v);
    v->flags = a->sizeBits;
    if (cull) {
        v->flags |= __glCullVertexCode(gc, v, v->normal);
        if (v->flags & GL_VX_CULLED) return;
    }
    a->fetchEdgeFlag(gc, arrayElement(&a->edgeFlag, e), v);
    a->fetchTexCoord(gc, arrayElement(&a->texCoord, e), v);
    if (gc->pixelFormat.rgba) a->fetchColor(gc, arrayElement(&a->color, e), v);
    else a->fetchIndex(gc, arrayElement(&a->index, e), v);
    transformClip(gc, a, v);
}

extern "C" void GLPROC __glFetchArrayVerticesAll(GlContext* gc, GLint slot, GLint element, GLint count,
                                                  const GLuint* indices) {
    GlVertexArrayState* a = &gc->arrays;
    const bool cull = (a->flags & GL_ARRAY_CULL_VERTEX) != 0;
    GlVertex* v = a->bufferBase + slot;
    for (GLint k = 0; k < count; k++, v++) fetchAll(gc, a, v, indices ? indices[element + k] : (GLuint)(element + k), cull);
}

// The full fetch of a lazily fetched vertex: everything, without the cull test.
extern "C" void GLPROC __glFetchArrayVertices(GlContext* gc, GLint slot, GLint element, GLint count) {
    GlVertexArrayState* a = &gc->arrays;
    GlVertex* v = a->bufferBase + slot;
    for (GLint k = 0; k < count; k++, v++) fetchAll(gc, a, v, (GLuint)(element + k), false);
}

// Vertices the vertex cache has placed: size bits and the cull test (by the
// vertex's own normal), then the transform of those not rejected.
extern "C" void GLPROC __glTransformArrayVertices(GlContext* gc, GLint slot, GLint, GLint count, const GLuint*) {
    GlVertexArrayState* a = &gc->arrays;
    const bool cull = (a->flags & GL_ARRAY_CULL_VERTEX) != 0;
    GlVertex* v = a->bufferBase + slot;
    for (GLint k = 0; k < count; k++, v++) {
        v->flags |= a->sizeBits;
        if (cull) v->flags |= __glCullVertexCode(gc, v, v->normal);
        if (!(v->flags & GL_VX_CLIPPED)) transformClip(gc, a, v);
    }
}

extern "C" void GLPROC __glTransformClipVertex(GlContext* gc, GlVertex* v, GLint) {
    transformClip(gc, &gc->arrays, v);
}

// ---- Pickers.

// The cull-vertex test's masks by the cull face (another value keeps them);
// the face is polygon state, so the vertex procedure picker runs this too.
extern "C" void GLPROC __glPickCullVertexMasks(GlContext* gc) {
    GlVertexArrayState* a = &gc->arrays;
    switch (gc->polygon.cullFace) {
    case GL_FRONT: a->cullMaskFacing = GL_VX_CULLED, a->cullMaskAway = 0; break;
    case GL_BACK: a->cullMaskFacing = 0, a->cullMaskAway = GL_VX_CULLED; break;
    case GL_FRONT_AND_BACK: a->cullMaskFacing = a->cullMaskAway = GL_VX_CULLED; break;
    }
}

extern "C" void GLPROC __glPickVertexArrayProcs(GlContext* gc) {
    GlVertexArrayState* a = &gc->arrays;
    const GLuint general = gc->enables.general;
    GLuint f = a->flags & ~(GLuint)(GL_ARRAY_CULL_VERTEX | GL_ARRAY_CULL_POINT);
    if (general & GL_EN_CULL_VERTEX) {
        const GlCullVertexState* cv = &gc->cullVertex;
        const GLfloat w = cv->objectGiven ? cv->objectVector[3] : cv->eyeVector[3];
        f |= GL_ARRAY_CULL_VERTEX;
        if (w != 0.0f) f |= GL_ARRAY_CULL_POINT;
        __glPickCullVertexMasks(gc);
        // The object-space cull vector of immediate-mode vertices.
        GlMatrixEntry* mv = gc->matrices.modelViewTop;
        if (mv->inverseStale) gc->procs.matrixChanged(gc, mv);
        else gc->procs.updateCullVertexEye(gc, mv);
    }
    a->flags = f;

    // The attributes the state needs.
    const bool fill = gc->polygon.frontMode == GL_FILL && gc->polygon.backMode == GL_FILL;
    a->pickedFill = fill;
    if (gc->renderMode == GL_FEEDBACK) {
        a->needBits = GL_NEED_ALL, a->needFields = ~0u;
    } else if (fill) {
        GLuint fields = GL_ARRAY_FIELD_VERTEX;
        GLint bits = 0;
        if (general & GL_EN_LIGHTING) fields |= GL_ARRAY_FIELD_NORMAL, bits |= GL_NEED_NORMAL;
        else fields |= GL_ARRAY_FIELD_COLOR | GL_ARRAY_FIELD_INDEX, bits |= GL_NEED_COLOR;
        if (general & GL_EN_CULL_VERTEX) fields |= GL_ARRAY_FIELD_NORMAL, bits |= GL_NEED_NORMAL;
        if (gc->texturingActive) {
            fields |= GL_ARRAY_FIELD_TEXCOORD, bits |= GL_NEED_TEXCOORD;
            const GLuint tex = gc->enables.texture;
            const GlTexGenState* g = gc->texture.gen;
            if (((tex & 0x4) && g[0].mode == GL_SPHERE_MAP) || ((tex & 0x8) && g[1].mode == GL_SPHERE_MAP))
                fields |= GL_ARRAY_FIELD_NORMAL, bits |= GL_NEED_NORMAL;
        }
        a->needBits = bits, a->needFields = fields;
    } else {
        a->needBits = GL_NEED_ALL, a->needFields = ~0u;
    }
    __glPickArrayProcs(gc);
}

// An array is used when its fields are both needed and enabled and it has a
// pointer; an enabled array that never had one counts as disabled.
static inline bool used(const GlVertexArrayState* a, const GlVertexArray* array, GLuint fields) {
    return (a->needFields & fields) && (a->enabledFields & fields) && array->fetchProc && array->pointer;
}

extern "C" void GLPROC __glPickArrayProcs(GlContext* gc) {
    GlVertexArrayState* a = &gc->arrays;
    // Colour material under lighting (whose switch marks the arrays alone)
    // or the private setting: draws expand into the immediate calls.
    const GLuint general = gc->enables.general;
    if ((a->flags & GL_ARRAY_HINT_6401) || ((general & GL_EN_LIGHTING) && (general & GL_EN_COLOR_MATERIAL)))
        a->flags |= GL_ARRAY_EXPAND;
    else
        a->flags &= ~(GLuint)GL_ARRAY_EXPAND;
    const GLint stride = a->vertex.stride;
    GLuint floats = 0;
    if (used(a, &a->vertex, GL_ARRAY_FIELD_VERTEX)) {
        a->fetchVertex = a->vertex.fetchProc;
        if (a->fetchVertex == __glFetchVertex3f) floats |= GL_ARRAY_FIELD_VERTEX;
        a->flags &= ~(GLuint)GL_ARRAY_NO_VERTEX;
    } else {
        a->flags |= GL_ARRAY_NO_VERTEX;
    }
    // Each attribute: its array's fetch procedure, or the current value's.
    struct {
        GlVertexArray* array;
        GLuint fields;
        GlArrayFetchProc* slot;
        GlArrayFetchProc current, natural;
    } const attributes[5] = {
        {&a->normal, GL_ARRAY_FIELD_NORMAL, &a->fetchNormal, __glFetchCurrentNormal, __glFetchNormal3f},
        {&a->color, GL_ARRAY_FIELD_COLOR, &a->fetchColor, __glFetchCurrentColor, __glFetchColor3f},
        {&a->index, GL_ARRAY_FIELD_INDEX, &a->fetchIndex, __glFetchCurrentIndex, __glFetchIndexf},
        {&a->texCoord, GL_ARRAY_FIELD_TEXCOORD, &a->fetchTexCoord, __glFetchCurrentTexCoord, __glFetchTexCoord2f},
        {&a->edgeFlag, GL_ARRAY_FIELD_EDGEFLAG, &a->fetchEdgeFlag, __glFetchCurrentEdgeFlag, nullptr},
    };
    for (const auto& t : attributes) {
        if (!used(a, t.array, t.fields)) {
            *t.slot = t.current;
            continue;
        }
        *t.slot = t.array->fetchProc;
        if (t.natural && *t.slot == t.natural && t.array->stride == stride)
            floats |= t.fields == GL_ARRAY_FIELD_COLOR || t.fields == GL_ARRAY_FIELD_INDEX
                          ? GL_ARRAY_FIELD_COLOR | GL_ARRAY_FIELD_INDEX
                          : t.fields;
    }
    if (a->needBits == GL_NEED_ALL) {
        a->fallback = __glFetchArrayVerticesAll;
    } else {
        const int table = (a->needFields == floats ? 2 : 0) + (gc->pixelFormat.rgba ? 0 : 1);
        a->fallback = familyTable[table][a->needBits & 7];
    }
    a->fetchTransform = a->fallback;

    // The buffer holds a batch and its carried vertices, or the locked range.
    const bool locked = (a->flags & GL_ARRAY_LOCKED) && a->lockCount > 0;
    const GLint slots = locked && a->lockCount > a->batchSize + 2 ? a->lockCount : a->batchSize + 2;
    if (__glEnsureArrayVertices(gc, locked ? a->lockFirst : 0, slots)) {
        a->flags = locked ? a->flags | GL_ARRAY_LOCKED_READY : a->flags & ~(GLuint)GL_ARRAY_LOCKED_READY;
    } else {
        __glSetError(GL_OUT_OF_MEMORY);
        __glEnsureArrayVertices(gc, 0, 0);
        a->flags &= ~(GLuint)GL_ARRAY_LOCKED_READY;
    }
    a->flags |= GL_ARRAY_GATHER;
}

// The transform, clip test and completion of the vertex size go with the
// matrices, which change without validation: they are taken per draw, and so
// is the vertex program, specialised by matrix class and address.
extern "C" void GLPROC __glPrepareArrayDraw(GlContext* gc, GLint size, GLuint modeBits) {
    GlVertexArrayState* a = &gc->arrays;
    // Polygon modes change the needs (edge flags) without running the array picker.
    if ((gc->polygon.frontMode == GL_FILL && gc->polygon.backMode == GL_FILL) != (a->pickedFill != 0))
        __glPickVertexArrayProcs(gc);
    GlMatrixEntry* mv = gc->matrices.modelViewTop;
    const GlMatrixRecord* c = &mv->composite;
    a->composite = c;
    const GLint n = size < 2 ? 2 : size > 4 ? 4 : size;
    a->transform = n == 2 ? c->xform2 : n == 3 ? c->xform3 : c->xform4;
    a->clipTest = n == 2 ? gc->procs.clipTest2 : n == 3 ? gc->procs.clipTest3 : gc->procs.clipTest4;
    a->complete = n == 2 ? gc->procs.completeVertex2 : n == 3 ? gc->procs.completeVertex3 : gc->procs.completeVertex4;
    a->sizeBits = (GLuint)(n - 1) << 10;
    a->cellMask = __glTriangleCellMask(gc);
    const GlTriangleProc render = gc->procs.renderTriangle;
    a->testedTriangle = a->cellMask == 0xFFFFF800u ? __glOgSetupTestedEntry(gc, render) : render;
    if (a->flags & GL_ARRAY_CULL_VERTEX) {
        if (mv->inverseStale) gc->procs.matrixChanged(gc, mv);
        else gc->procs.updateCullVertexEye(gc, mv);
    }
    GlArrayVertexProc routine = (modeBits & GL_VP_CACHE_MODE) ? __glTransformArrayVertices : a->fallback;
    GlArrayDrawProc strip = __glDrawArrayTriangleStrip;
    if (gc->renderMode == GL_RENDER && a->needBits != GL_NEED_ALL && gc->vertexPrograms.enabled) {
        if (const GlVertexProgram* p = __glVertexProgramLookup(gc, n, modeBits)) {
            routine = (GlArrayVertexProc)p->program;
            // What a lighting program reads, once for the draw's batches.
            if (p->key.lit) __glPrepareObjectLights(gc);
            if (p->strip && !(modeBits & GL_VP_CACHE_MODE)) strip = (GlArrayDrawProc)p->strip;
        }
    }
    a->fetchTransform = routine;
    a->drawProcs[GL_TRIANGLE_STRIP] = strip;
}
