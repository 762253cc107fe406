// Vertex arrays: the client state entries, the array draw paths (batches in
// the array vertex buffer, the per-mode draw routines), the array vertex
// routines and their picker, shared with the vertex cache and the generator.
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

// Bits of arrays.flags.
enum {
    GL_ARRAY_LOCKED_READY = 0x1,  // the buffer is sized and based for the locked range
    GL_ARRAY_GATHER = 0x2,        // draws gather their vertices (locked ones must be fetched again)
    GL_ARRAY_LOCKED = 0x4,
    GL_ARRAY_CULL_VERTEX = 0x8,
    GL_ARRAY_CULL_POINT = 0x10,   // the cull vector is a position
    GL_ARRAY_EXPAND = 0x20,       // draws run the expansion loops
    GL_ARRAY_NO_VERTEX = 0x40,    // no usable vertex array
};

// needBits of arrays: the attributes the array vertex routine fetches.
enum { GL_NEED_NORMAL = 0x1, GL_NEED_COLOR = 0x2, GL_NEED_TEXCOORD = 0x4, GL_NEED_ALL = -1 };

enum {
    GL_ARRAY_BATCH = 36,         // default vertices a batch
    GL_ARRAY_GRANULE = 4096,     // buffer growth in bytes
    GL_ARRAY_MAX_BATCH = 65532,  // largest batch the private setting gives
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
// live table (so that a list being compiled records them). Without a vertex
// array: the last listed element's calls for glDrawElements, and for
// glDrawArrays the loop of a lone normal array or nothing.
void GLPROC __glExpandArrayDraw(GlContext* gc, GLenum mode, GLsizei count, const GlElementList* list);
// The element calls of one element for the usable enabled arrays in mask.
void GLPROC __glArrayElementCalls(GlContext* gc, GLuint element, GLuint mask);

// Context life: defaults and the array vertex buffer; freed at destruction.
void GLPROC __glInitVertexArrayState(GlContext* gc);
void GLPROC __glFreeVertexArrayState(GlContext* gc);
// The batch size of the private setting 0x6403: a multiple of 12, at least 36.
void GLPROC __glSetArrayBatchSize(GlContext* gc, GLint hint);

// Pickers.
void GLPROC __glPickVertexArrayProcs(GlContext* gc);
void GLPROC __glPickArrayProcs(GlContext* gc);
void GLPROC __glPickCullVertexMasks(GlContext* gc);
// Per draw: the transform, clip test and completion of the vertex size, the
// cull vector, and the array vertex routine (a generated one in GL_RENDER).
void GLPROC __glPrepareArrayDraw(GlContext* gc, GLint size, GLuint modeBits);

// Array vertex buffer and batches.
GLboolean GLPROC __glEnsureArrayVertices(GlContext* gc, GLint first, GLint count);
void GLPROC __glFetchArrayVerticesIndexed(GlContext* gc, GLint slot, GLint start, GLint count, const GLuint* indices);
void GLPROC __glFetchArrayVertices(GlContext* gc, GLint slot, GLint element, GLint count);
void GLPROC __glRefetchArrayVertex(GlContext* gc, GlVertex* v, GLint element);
GLint GLPROC __glArrayBatchIndex(GlContext* gc, GLint slot);
// Completes the vertices that were fetched lazily (those without GL_VX_FETCHED).
void GLPROC __glRefetchLazyVertex(GlContext* gc, GlVertex* v);
void GLPROC __glClipArrayQuad(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GlVertex* d);
void GLPROC __glClipArrayLine(GlContext* gc, GlVertex* a, GlVertex* b);

// The per-mode draw routines of arrays.drawProcs.
void GLPROC __glDrawArrayPoints(GlContext* gc, GLint first, GLint count, const GLuint* indices);
void GLPROC __glDrawArrayLines(GlContext* gc, GLint first, GLint count, const GLuint* indices);
void GLPROC __glDrawArrayLineLoop(GlContext* gc, GLint first, GLint count, const GLuint* indices);
void GLPROC __glDrawArrayLineStrip(GlContext* gc, GLint first, GLint count, const GLuint* indices);
void GLPROC __glDrawArrayTriangles(GlContext* gc, GLint first, GLint count, const GLuint* indices);
void GLPROC __glDrawArrayTriangleStrip(GlContext* gc, GLint first, GLint count, const GLuint* indices);
void GLPROC __glDrawArrayTriangleFan(GlContext* gc, GLint first, GLint count, const GLuint* indices);
void GLPROC __glDrawArrayQuads(GlContext* gc, GLint first, GLint count, const GLuint* indices);
void GLPROC __glDrawArrayQuadStrip(GlContext* gc, GLint first, GLint count, const GLuint* indices);
void GLPROC __glDrawArrayPolygon(GlContext* gc, GLint first, GLint count, const GLuint* indices);
extern const GlArrayDrawProc __glArrayDrawProcs[10];

// Array vertex routines: the C++ family, the one for non-fill and feedback
// state, and the transform of vertices already placed in the buffer.
void GLPROC __glFetchArrayVerticesAll(GlContext* gc, GLint slot, GLint element, GLint count, const GLuint* indices);
void GLPROC __glTransformArrayVertices(GlContext* gc, GLint slot, GLint element, GLint count, const GLuint* indices);
void GLPROC __glTransformClipVertex(GlContext* gc, GlVertex* v, GLint element);

// The fetch procedures of the natural float layouts and of edge flags.
extern const GlArrayFetchProc __glFetchVertex3f, __glFetchNormal3f, __glFetchColor3f, __glFetchIndexf,
    __glFetchTexCoord2f, __glFetchEdgeFlag;

// Current-value fetch procedures (attributes whose array is off or unused).
void GLPROC __glFetchCurrentNormal(GlContext* gc, const void* element, GlVertex* v);
void GLPROC __glFetchCurrentColor(GlContext* gc, const void* element, GlVertex* v);
void GLPROC __glFetchCurrentIndex(GlContext* gc, const void* element, GlVertex* v);
void GLPROC __glFetchCurrentTexCoord(GlContext* gc, const void* element, GlVertex* v);
void GLPROC __glFetchCurrentEdgeFlag(GlContext* gc, const void* element, GlVertex* v);
}

// The primitive step the array routines share with the vertex cache: a line
// handed on, clipped or dropped by its clip codes.
void __glArrayLine(GlContext* gc, GlVertex* a, GlVertex* b);
// The primitives of slots base[0 .. end - 1] of a mode, as a draw routine
// assembles them: from slot `fresh` on the vertices are new, the one there
// at position `position` of the primitive; slots before it hold carried
// vertices (slot 0 a fan's, polygon's or loop's first). `last`: the piece
// ends the primitive (a loop closes, a polygon's last edge shows).
void __glAssembleArrayPiece(GlContext* gc, GLenum mode, GlVertex* base, GLint fresh, GLint end, GLint position,
                            bool first, bool last);

// The cull bit of a vertex by its object position and normal n: the facing
// or the away mask of the array state (d of -0 faces away).
static inline GLuint __glCullVertexCode(const GlContext* gc, const GlVertex* v, const GLfloat* n) {
    const GLfloat* e = gc->cullVertexEye;
    GLfloat d;
    if (gc->arrays.flags & GL_ARRAY_CULL_POINT)
        d = (e[0] - v->obj[0]) * n[0] + (e[1] - v->obj[1]) * n[1] + (e[2] - v->obj[2]) * n[2];
    else
        d = e[0] * n[0] + e[1] * n[1] + e[2] * n[2];
    return d > 0.0f ? gc->arrays.cullMaskFacing : gc->arrays.cullMaskAway;
}

// The slot of a vertex of the array vertex buffer.
static inline GLint __glArraySlot(const GlContext* gc, const GlVertex* v) {
    return (GLint)(v - gc->arrays.bufferBase);
}
