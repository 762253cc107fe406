// Vertex arrays: the pointer entries and glInterleavedArrays, the lock range,
// glArrayElement, glDrawArrays and glDrawElements, the array pickers and the
// cull-vertex test.
//
// A draw runs through the immediate vertex road one element at a time: the
// element calls of the enabled attribute arrays set the current values (so the
// last element's stay current), the vertex array's fetch procedure fills the
// next vertex-buffer entry, which is transformed, clip-tested, cull-tested and
// handed to the mode's vertex procedure.

#include <string.h>
#include "arrays.h"
#include "core/stateutil.h"

typedef void(GLIMM* GlArrayElementProc)(const void*);
typedef void(GLPROC* GlArrayFetchProc)(GlContext*, const void*, void*);

// ---- Element and fetch procedures by type and size.

template <class T>
static inline GLfloat loadFloat(const uint8_t* p, int i) {
    T v;
    memcpy(&v, p + i * sizeof(T), sizeof(T));
    return (GLfloat)v;
}

template <class T, int N>
static void GLPROC fetchVertex(GlContext*, const void* element, void* target) {
    const uint8_t* p = (const uint8_t*)element;
    GlVertex* v = (GlVertex*)target;
    v->obj[0] = loadFloat<T>(p, 0);
    v->obj[1] = loadFloat<T>(p, 1);
    v->obj[2] = N >= 3 ? loadFloat<T>(p, 2) : 0.0f;
    v->obj[3] = N == 4 ? loadFloat<T>(p, 3) : 1.0f;
}

struct GlArrayRow {
    GLenum type;
    GLint size;
    GlArrayElementProc element;
    GlArrayFetchProc fetch;  // vertex arrays only
};

#define GL_EP(f) ((GlArrayElementProc)(void (*)(void))(f))
#define GL_VERTEX_ROWS(T, t, E)                                                                         \
    {E, 2, GL_EP(glVertex2##t##v), fetchVertex<T, 2>}, {E, 3, GL_EP(glVertex3##t##v), fetchVertex<T, 3>}, \
        {E, 4, GL_EP(glVertex4##t##v), fetchVertex<T, 4>}
#define GL_COLOR_ROWS(t, E) {E, 3, GL_EP(glColor3##t##v), nullptr}, {E, 4, GL_EP(glColor4##t##v), nullptr}
#define GL_TEXCOORD_ROWS(t, E)                                                             \
    {E, 1, GL_EP(glTexCoord1##t##v), nullptr}, {E, 2, GL_EP(glTexCoord2##t##v), nullptr}, \
        {E, 3, GL_EP(glTexCoord3##t##v), nullptr}, {E, 4, GL_EP(glTexCoord4##t##v), nullptr}

static const GlArrayRow vertexRows[] = {
    GL_VERTEX_ROWS(GLshort, s, GL_SHORT), GL_VERTEX_ROWS(GLint, i, GL_INT),
    GL_VERTEX_ROWS(GLfloat, f, GL_FLOAT), GL_VERTEX_ROWS(GLdouble, d, GL_DOUBLE),
};
static const GlArrayRow normalRows[] = {
    {GL_BYTE, 3, GL_EP(glNormal3bv), nullptr}, {GL_SHORT, 3, GL_EP(glNormal3sv), nullptr},
    {GL_INT, 3, GL_EP(glNormal3iv), nullptr},  {GL_FLOAT, 3, GL_EP(glNormal3fv), nullptr},
    {GL_DOUBLE, 3, GL_EP(glNormal3dv), nullptr},
};
static const GlArrayRow colorRows[] = {
    GL_COLOR_ROWS(b, GL_BYTE), GL_COLOR_ROWS(ub, GL_UNSIGNED_BYTE), GL_COLOR_ROWS(s, GL_SHORT),
    GL_COLOR_ROWS(us, GL_UNSIGNED_SHORT), GL_COLOR_ROWS(i, GL_INT), GL_COLOR_ROWS(ui, GL_UNSIGNED_INT),
    GL_COLOR_ROWS(f, GL_FLOAT), GL_COLOR_ROWS(d, GL_DOUBLE),
};
static const GlArrayRow indexRows[] = {
    {GL_UNSIGNED_BYTE, 1, GL_EP(glIndexubv), nullptr}, {GL_SHORT, 1, GL_EP(glIndexsv), nullptr},
    {GL_INT, 1, GL_EP(glIndexiv), nullptr},            {GL_FLOAT, 1, GL_EP(glIndexfv), nullptr},
    {GL_DOUBLE, 1, GL_EP(glIndexdv), nullptr},
};
static const GlArrayRow texCoordRows[] = {
    GL_TEXCOORD_ROWS(s, GL_SHORT), GL_TEXCOORD_ROWS(i, GL_INT),
    GL_TEXCOORD_ROWS(f, GL_FLOAT), GL_TEXCOORD_ROWS(d, GL_DOUBLE),
};
#undef GL_VERTEX_ROWS
#undef GL_COLOR_ROWS
#undef GL_TEXCOORD_ROWS

// Bytes of a component and its code in arrays.typeKey, GL_BYTE .. GL_DOUBLE.
static const uint8_t typeBytes[11] = {1, 1, 2, 2, 4, 4, 4, 2, 3, 4, 8};
static const uint8_t typeCodes[11] = {1, 2, 3, 4, 5, 6, 7, 0, 0, 0, 11};

// The typed arrays: rows, size range (one size: implied, not stored) and
// their fields of arrays.typeKey.
struct GlArrayKind {
    GlVertexArray GlVertexArrayState::*array;
    const GlArrayRow* rows;
    int rowCount;
    GLint minSize, maxSize;
    int typeShift;
    int sizeShift;  // < 0: no size field
    GLuint sizeMask;
};
enum { KIND_VERTEX, KIND_NORMAL, KIND_COLOR, KIND_INDEX, KIND_TEXCOORD };
#define GL_ROWS(r) r, (int)(sizeof r / sizeof r[0])
static const GlArrayKind arrayKinds[5] = {
    {&GlVertexArrayState::vertex, GL_ROWS(vertexRows), 2, 4, 0, 4, 0xF},
    {&GlVertexArrayState::normal, GL_ROWS(normalRows), 3, 3, 8, -1, 0},
    {&GlVertexArrayState::color, GL_ROWS(colorRows), 3, 4, 12, 16, 0xF},
    {&GlVertexArrayState::index, GL_ROWS(indexRows), 1, 1, 28, -1, 0},
    {&GlVertexArrayState::texCoord, GL_ROWS(texCoordRows), 1, 4, 20, 24, 0x7},
};
#undef GL_ROWS
enum { TYPEKEY_EDGEFLAG = 0x8000000 };

// The arrays in the order of the element calls (the bits of enabledArrays).
static GlVertexArray GlVertexArrayState::* const elementOrder[6] = {
    &GlVertexArrayState::normal, &GlVertexArrayState::color,    &GlVertexArrayState::texCoord,
    &GlVertexArrayState::index,  &GlVertexArrayState::edgeFlag, &GlVertexArrayState::vertex,
};

// ---- Pointer entries.

// Every pointer entry ends here: no interleaved format, the pickers run again.
static void pointerChanged(GlThreadState* ts, GlContext* gc) {
    gc->arrays.interleavedFormat = 0;
    __glMarkPickers(ts, gc, GL_DIRTY_ARRAYS);
}

static void storePointer(GlVertexArray* a, const GlArrayRow* row, const GLvoid* pointer, GLsizei stride,
                         GLint packed) {
    a->elementProc = row->element;
    a->fetchProc = row->fetch;
    a->pointer = pointer;
    a->stride = stride ? stride : packed;
    a->givenStride = stride;
    a->count = 0;
}

static bool setPointer(int kind, GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return false;
    const GlArrayKind* k = &arrayKinds[kind];
    if (stride < 0 || size < k->minSize || size > k->maxSize) return __glSetError(GL_INVALID_VALUE), false;
    const GlArrayRow* row = nullptr;
    for (int i = 0; i < k->rowCount && !row; i++)
        if (k->rows[i].type == type && k->rows[i].size == size) row = &k->rows[i];
    if (!row) return __glSetError(GL_INVALID_ENUM), false;

    GlContext* gc = ts->context;
    GlVertexArrayState* s = &gc->arrays;
    GlVertexArray* a = &(s->*k->array);
    const GLuint t = type - GL_BYTE;
    storePointer(a, row, pointer, stride, size * typeBytes[t]);
    a->type = type;
    GLuint key = s->typeKey & ~(0xFu << k->typeShift);
    key |= (GLuint)typeCodes[t] << k->typeShift;
    if (k->sizeShift >= 0) {
        a->size = size;
        key = (key & ~(k->sizeMask << k->sizeShift)) | (GLuint)size << k->sizeShift;
    }
    s->typeKey = key;
    pointerChanged(ts, gc);
    return true;
}

static bool setEdgeFlagPointer(GLsizei stride, const GLvoid* pointer) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return false;
    if (stride < 0) return __glSetError(GL_INVALID_VALUE), false;
    static const GlArrayRow row = {GL_UNSIGNED_BYTE, 1, GL_EP(glEdgeFlagv), nullptr};
    GlContext* gc = ts->context;
    storePointer(&gc->arrays.edgeFlag, &row, pointer, stride, 1);
    gc->arrays.typeKey |= TYPEKEY_EDGEFLAG;
    pointerChanged(ts, gc);
    return true;
}

extern "C" void GLIMM __glImmVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* p) {
    setPointer(KIND_VERTEX, size, type, stride, p);
}
extern "C" void GLIMM __glImmNormalPointer(GLenum type, GLsizei stride, const GLvoid* p) {
    setPointer(KIND_NORMAL, 3, type, stride, p);
}
extern "C" void GLIMM __glImmColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* p) {
    setPointer(KIND_COLOR, size, type, stride, p);
}
extern "C" void GLIMM __glImmIndexPointer(GLenum type, GLsizei stride, const GLvoid* p) {
    setPointer(KIND_INDEX, 1, type, stride, p);
}
extern "C" void GLIMM __glImmTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* p) {
    setPointer(KIND_TEXCOORD, size, type, stride, p);
}
extern "C" void GLIMM __glImmEdgeFlagPointer(GLsizei stride, const GLvoid* p) { setEdgeFlagPointer(stride, p); }

// The element-count forms: the count is checked first and kept only when the
// pointer was accepted.
static bool countAllowed(GLsizei count) {
    if (!__glSetterAllowed(__glThreadState())) return false;
    if (count < 0) return __glSetError(GL_INVALID_VALUE), false;
    return true;
}
static void keepCount(GlVertexArray GlVertexArrayState::*array, GLsizei count) {
    (__glCurrentContext()->arrays.*array).count = count;
}
#define GL_POINTER_EXT(Name, params, args, member)                                    \
    extern "C" void GLIMM __glImm##Name##PointerEXT params {                                 \
        if (countAllowed(count) && setPointer args) keepCount(&GlVertexArrayState::member, count); \
    }
GL_POINTER_EXT(Vertex, (GLint size, GLenum type, GLsizei stride, GLsizei count, const GLvoid* p),
               (KIND_VERTEX, size, type, stride, p), vertex)
GL_POINTER_EXT(Normal, (GLenum type, GLsizei stride, GLsizei count, const GLvoid* p),
               (KIND_NORMAL, 3, type, stride, p), normal)
GL_POINTER_EXT(Color, (GLint size, GLenum type, GLsizei stride, GLsizei count, const GLvoid* p),
               (KIND_COLOR, size, type, stride, p), color)
GL_POINTER_EXT(Index, (GLenum type, GLsizei stride, GLsizei count, const GLvoid* p),
               (KIND_INDEX, 1, type, stride, p), index)
GL_POINTER_EXT(TexCoord, (GLint size, GLenum type, GLsizei stride, GLsizei count, const GLvoid* p),
               (KIND_TEXCOORD, size, type, stride, p), texCoord)
#undef GL_POINTER_EXT
extern "C" void GLIMM __glImmEdgeFlagPointerEXT(GLsizei stride, GLsizei count, const GLboolean* p) {
    if (countAllowed(count) && setEdgeFlagPointer(stride, p)) keepCount(&GlVertexArrayState::edgeFlag, count);
}

// ---- glInterleavedArrays.

struct GlInterleavedFormat {
    uint8_t tex, color, index, normal;
    GLint texSize, colorSize, vertexSize;
    GLenum colorType;
    GLint colorOffset, indexOffset, normalOffset, vertexOffset;
    GLint stride;
};
static const GlInterleavedFormat interleavedFormats[22] = {
    {0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 8},                    // GL_V2F
    {0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 12},                   // GL_V3F
    {0, 1, 0, 0, 0, 4, 2, GL_UNSIGNED_BYTE, 0, 0, 0, 4, 12},    // GL_C4UB_V2F
    {0, 1, 0, 0, 0, 4, 3, GL_UNSIGNED_BYTE, 0, 0, 0, 4, 16},    // GL_C4UB_V3F
    {0, 1, 0, 0, 0, 3, 3, GL_FLOAT, 0, 0, 0, 12, 24},           // GL_C3F_V3F
    {0, 0, 0, 1, 0, 0, 3, 0, 0, 0, 0, 12, 24},                  // GL_N3F_V3F
    {0, 1, 0, 1, 0, 4, 3, GL_FLOAT, 0, 0, 16, 28, 40},          // GL_C4F_N3F_V3F
    {1, 0, 0, 0, 2, 0, 3, 0, 0, 0, 0, 8, 20},                   // GL_T2F_V3F
    {1, 0, 0, 0, 4, 0, 4, 0, 0, 0, 0, 16, 32},                  // GL_T4F_V4F
    {1, 1, 0, 0, 2, 4, 3, GL_UNSIGNED_BYTE, 8, 0, 0, 12, 24},   // GL_T2F_C4UB_V3F
    {1, 1, 0, 0, 2, 3, 3, GL_FLOAT, 8, 0, 0, 20, 32},           // GL_T2F_C3F_V3F
    {1, 0, 0, 1, 2, 0, 3, 0, 0, 0, 8, 20, 32},                  // GL_T2F_N3F_V3F
    {1, 1, 0, 1, 2, 4, 3, GL_FLOAT, 8, 0, 24, 36, 48},          // GL_T2F_C4F_N3F_V3F
    {1, 1, 0, 1, 4, 4, 4, GL_FLOAT, 16, 0, 32, 44, 60},         // GL_T4F_C4F_N3F_V4F
    {0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 4, 12},                   // GL_IUI_V2F_QTA
    {0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0, 4, 16},                   // GL_IUI_V3F_QTA
    {0, 0, 1, 1, 0, 0, 2, 0, 0, 0, 4, 16, 24},                  // GL_IUI_N3F_V2F_QTA
    {0, 0, 1, 1, 0, 0, 3, 0, 0, 0, 4, 16, 28},                  // GL_IUI_N3F_V3F_QTA
    {1, 0, 1, 0, 2, 0, 2, 0, 0, 8, 0, 12, 20},                  // GL_T2F_IUI_V2F_QTA
    {1, 0, 1, 0, 2, 0, 3, 0, 0, 8, 0, 12, 24},                  // GL_T2F_IUI_V3F_QTA
    {1, 0, 1, 1, 2, 0, 2, 0, 0, 8, 12, 24, 32},                 // GL_T2F_IUI_N3F_V2F_QTA
    {1, 0, 1, 1, 2, 0, 3, 0, 0, 8, 12, 24, 36},                 // GL_T2F_IUI_N3F_V3F_QTA
};

static inline const GLvoid* offsetPointer(const GLvoid* p, GLint offset) {
    return (const GLvoid*)((uintptr_t)p + (uintptr_t)offset);
}

// Each step through the exported entries, so that they act on the thread's table.
extern "C" void GLIMM __glImmInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (stride < 0) return __glSetError(GL_INVALID_VALUE);
    GLuint i;
    if (format - GL_V2F <= (GLuint)(GL_T4F_C4F_N3F_V4F - GL_V2F)) i = format - GL_V2F;
    else if (format - GL_IUI_V2F_QTA <= (GLuint)(GL_T2F_IUI_N3F_V3F_QTA - GL_IUI_V2F_QTA)) i = 14 + format - GL_IUI_V2F_QTA;
    else return __glSetError(GL_INVALID_ENUM);
    const GlInterleavedFormat* f = &interleavedFormats[i];
    if (stride == 0) stride = f->stride;

    glDisableClientState(GL_EDGE_FLAG_ARRAY);
    if (f->tex) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(f->texSize, GL_FLOAT, stride, pointer);
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (f->color) {
        glColorPointer(f->colorSize, f->colorType, stride, offsetPointer(pointer, f->colorOffset));
        glEnableClientState(GL_COLOR_ARRAY);
    } else {
        glDisableClientState(GL_COLOR_ARRAY);
    }
    if (f->index) {
        glIndexPointer(GL_INT, stride, offsetPointer(pointer, f->indexOffset));
        glEnableClientState(GL_INDEX_ARRAY);
    } else {
        glDisableClientState(GL_INDEX_ARRAY);
    }
    if (f->normal) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, offsetPointer(pointer, f->normalOffset));
    } else {
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(f->vertexSize, GL_FLOAT, stride, offsetPointer(pointer, f->vertexOffset));

    GlContext* gc = ts->context;
    gc->arrays.interleavedPointer = pointer;
    gc->arrays.interleavedFormat = format;
    __glMarkPickers(ts, gc, GL_DIRTY_ARRAYS);
}

// ---- Compiled vertex arrays: the lock range is recorded; draws read the
// arrays as they are.

extern "C" void GLIMM __glImmLockArraysQTA(GLint first, GLsizei count) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (first < 0 || count < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    GlVertexArrayState* a = &gc->arrays;
    if (a->flags & GL_ARRAY_LOCKED) return __glSetError(GL_INVALID_OPERATION);
    a->lockFirst = first;
    a->lockCount = count;
    a->flags |= GL_ARRAY_LOCKED;
    __glMarkPickers(ts, gc, GL_DIRTY_ARRAYS);
}

extern "C" void GLIMM __glImmUnlockArraysQTA(void) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    GlVertexArrayState* a = &gc->arrays;
    if (!(a->flags & GL_ARRAY_LOCKED)) return __glSetError(GL_INVALID_OPERATION);
    a->flags &= ~(GLuint)GL_ARRAY_LOCKED;
    a->lockFirst = a->lockCount = 0;
    __glMarkPickers(ts, gc, GL_DIRTY_ARRAYS);
}

// ---- Elements.

// An array whose pointer entry never ran, or whose pointer is null, is skipped.
static inline bool usable(const GlVertexArray* a) { return a->elementProc && a->pointer; }

// The offset is formed in 64 bits: element x stride may pass 2^32.
static inline const void* elementAddress(const GlVertexArray* a, GLuint element) {
    return (const uint8_t*)a->pointer + (uintptr_t)((uint64_t)element * (uint32_t)a->stride);
}

static inline GLuint elementAt(const GlElementList* l, GLsizei k) {
    switch (l->type) {
    case GL_UNSIGNED_BYTE: return ((const GLubyte*)l->indices)[k];
    case GL_UNSIGNED_SHORT: {
        GLushort v;
        memcpy(&v, (const uint8_t*)l->indices + 2 * (size_t)k, 2);
        return v;
    }
    case GL_UNSIGNED_INT: {
        GLuint v;
        memcpy(&v, (const uint8_t*)l->indices + 4 * (size_t)k, 4);
        return v;
    }
    default: return l->first + (GLuint)k;
    }
}

extern "C" void GLPROC __glArrayElementCalls(GlContext* gc, GLuint element, GLuint mask) {
    const GlVertexArrayState* s = &gc->arrays;
    for (int i = 0; i < 6; i++) {
        if (!(mask & (1u << i))) continue;
        const GlVertexArray* a = &(s->*elementOrder[i]);
        if (usable(a)) a->elementProc(elementAddress(a, element));
    }
}

// No begin-state check and no validation; a negative element reads nothing.
extern "C" void GLIMM __glImmArrayElement(GLint i) {
    if (i < 0) return;
    GlContext* gc = __glCurrentContext();
    __glArrayElementCalls(gc, (GLuint)i, gc->arrays.enabledArrays);
}
extern "C" void GLIMM __glImmArrayElementEXT(GLint i) { __glImmArrayElement(i); }

// ---- Draws.

extern "C" GLenum GLPROC __glCheckArrayDraw(GLenum mode, GLint first, GLsizei count, GLenum type, GLboolean indexed) {
    if (first < 0 || count < 0) return GL_INVALID_VALUE;
    if (mode > GL_POLYGON) return GL_INVALID_ENUM;
    if (indexed && type != GL_UNSIGNED_BYTE && type != GL_UNSIGNED_SHORT && type != GL_UNSIGNED_INT)
        return GL_INVALID_ENUM;
    return 0;
}

extern "C" void GLPROC __glExpandArrayDraw(GlContext* gc, GLenum mode, GLsizei count, const GlElementList* list) {
    glBegin(mode);
    for (GLsizei k = 0; k < count; k++) __glArrayElementCalls(gc, elementAt(list, k), gc->arrays.enabledArrays);
    glEnd();
}

// What a draw through the vertex road uses, chosen once per draw.
struct GlArrayDraw {
    const GlVertexArray* vertex;
    const GlMatrixRecord* composite;
    GlXformProc transform;
    GlClipTestProc clipTest;
    GLuint sizeBits;
    GLuint cullFacing, cullAway;  // flags of a vertex facing the cull vector, and of one facing away
    bool cullPoint;               // the cull vector is a position
};

static void setupCullVertex(GlContext* gc, GlArrayDraw* d) {
    GlMatrixEntry* mv = gc->matrices.modelViewTop;
    if (mv->inverseStale) gc->procs.matrixChanged(gc, mv);
    else gc->procs.updateCullVertexEye(gc, mv);
    const GLenum face = gc->polygon.cullFace;
    d->cullFacing = face == GL_FRONT || face == GL_FRONT_AND_BACK ? GL_VX_CULLED : 0;
    d->cullAway = face == GL_BACK || face == GL_FRONT_AND_BACK ? GL_VX_CULLED : 0;
    d->cullPoint = (gc->arrays.flags & GL_ARRAY_CULL_POINT) != 0;
}

// The cull bit of a vertex: the object-space cull vector against its normal.
static inline GLuint cullCode(const GlContext* gc, const GlArrayDraw* d, const GlVertex* v) {
    const GLfloat* e = gc->cullVertexEye;
    const GLfloat* n = gc->current.normal;
    GLfloat dot;
    if (d->cullPoint)
        dot = (e[0] - v->obj[0]) * n[0] + (e[1] - v->obj[1]) * n[1] + (e[2] - v->obj[2]) * n[2];
    else
        dot = e[0] * n[0] + e[1] * n[1] + e[2] * n[2];
    return dot > 0.0f ? d->cullFacing : d->cullAway;
}

enum { DONE_BITS = 0x7F };

// The next vertex-buffer entry from one element: fetched, transformed,
// clip-tested, gathered and handed to the mode's vertex procedure.
static inline void emitVertex(GlContext* gc, const GlArrayDraw* d, GLuint element) {
    GlVertex* v = gc->vertexPointer;
    d->vertex->fetchProc(gc, elementAddress(d->vertex, element), v);
    v->flags = d->sizeBits;
    d->transform(v->clip, v->obj, d->composite);
    const GLuint codes = d->clipTest(gc, v);
    v->flags = codes | d->sizeBits | (v->flags & DONE_BITS) | ((d->cullFacing | d->cullAway) ? cullCode(gc, d, v) : 0);
    gc->procs.gatherAttributes(gc, v);
}

static void drawArrayElements(GlThreadState* ts, GLenum mode, GLsizei count, const GlElementList* list) {
    if (count == 0) return;
    GlContext* gc = ts->context;
    const GlVertexArrayState* s = &gc->arrays;
    const GLuint mask = s->enabledArrays;
    // Without a vertex array nothing is drawn; the last element's attributes become current.
    if (!(mask & GL_ARRAY_BIT_VERTEX) || !usable(&s->vertex)) {
        __glArrayElementCalls(gc, elementAt(list, count - 1), mask);
        return;
    }
    if (s->flags & GL_ARRAY_EXPAND) return __glExpandArrayDraw(gc, mode, count, list);

    GlArrayDraw d = {};
    d.vertex = &s->vertex;
    d.composite = &gc->matrices.modelViewTop->composite;
    const GLint n = s->vertex.size;
    d.transform = n == 2 ? d.composite->xform2 : n == 3 ? d.composite->xform3 : d.composite->xform4;
    d.clipTest = n == 2 ? gc->procs.clipTest2 : n == 3 ? gc->procs.clipTest3 : gc->procs.clipTest4;
    d.sizeBits = (GLuint)(n - 1) << 10;
    if (s->flags & GL_ARRAY_CULL_VERTEX) setupCullVertex(gc, &d);

    const GLuint attributes = mask & ~(GLuint)GL_ARRAY_BIT_VERTEX;
    ts->beginState = GL_BEGIN_INSIDE;
    (&gc->procs.beginPoints)[mode](gc);
    for (GLsizei k = 0; k < count; k++) {
        const GLuint element = elementAt(list, k);
        if (attributes) __glArrayElementCalls(gc, element, attributes);
        emitVertex(gc, &d, element);
    }
    gc->procs.endPrimitive(gc);
    ts->beginState = GL_BEGIN_OUTSIDE;
}

extern "C" void GLIMM __glImmDrawArrays(GLenum mode, GLint first, GLsizei count) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    if (GLenum e = __glCheckArrayDraw(mode, first, count, 0, GL_FALSE)) return __glSetError(e);
    const GlElementList list = {(GLuint)first, 0, nullptr};
    drawArrayElements(ts, mode, count, &list);
}
extern "C" void GLIMM __glImmDrawArraysEXT(GLenum mode, GLint first, GLsizei count) {
    __glImmDrawArrays(mode, first, count);
}

extern "C" void GLIMM __glImmDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    if (GLenum e = __glCheckArrayDraw(mode, 0, count, type, GL_TRUE)) return __glSetError(e);
    if (!indices) return;
    const GlElementList list = {0, type, indices};
    drawArrayElements(ts, mode, count, &list);
}

// ---- Pickers.

// Expansion through glBegin/glArrayElement/glEnd when colour material follows
// the colours (or the private switch asks for it); the cull-vertex test and
// whether its vector is a position.
extern "C" void GLPROC __glPickVertexArrayProcs(GlContext* gc) {
    GlVertexArrayState* a = &gc->arrays;
    const GLuint general = gc->enables.general;
    GLuint f = a->flags & ~(GLuint)(GL_ARRAY_EXPAND | GL_ARRAY_CULL_VERTEX | GL_ARRAY_CULL_POINT);
    if ((f & GL_ARRAY_HINT_6401) || ((general & GL_EN_LIGHTING) && (general & GL_EN_COLOR_MATERIAL)))
        f |= GL_ARRAY_EXPAND;
    if (general & GL_EN_CULL_VERTEX) {
        const GlCullVertexState* cv = &gc->cullVertex;
        const GLfloat w = cv->objectGiven ? cv->objectVector[3] : cv->eyeVector[3];
        f |= GL_ARRAY_CULL_VERTEX;
        if (w != 0.0f) f |= GL_ARRAY_CULL_POINT;
    }
    a->flags = f;
    gc->procs.pickArrayProcs(gc);
}

// The vertex fetch, transform and clip test follow the vertex array's size and
// the matrices, which change without a mark; draws choose them each time.
extern "C" void GLPROC __glPickArrayProcs(GlContext*) {}
