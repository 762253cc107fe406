// Vertex arrays: the pointer entries and glInterleavedArrays, the lock range,
// the element and fetch procedures of every type and size, glArrayElement,
// glDrawArrays and glDrawElements with their expansion loops.
//
// A draw runs the per-mode draw routine of arraydraw.cpp over the array
// vertex routine picked in arrayprocs.cpp; colour material, a private
// setting or a missing vertex array take the expansion loops instead. The
// last element's attributes become current, as after the same immediate calls.

#include <emmintrin.h>
#include <string.h>
#include <array>
#include <utility>
#include "arrays.h"
#include "attrconv.h"
#include "core/stateutil.h"

typedef void(GLIMM* GlArrayElementProc)(const void*);

// ---- Element and fetch procedures by type and size.

// Component i of an element, unaligned.
template <class T>
static inline T loadAs(const uint8_t* p, int i) {
    T v;
    memcpy(&v, p + i * sizeof(T), sizeof(T));
    return v;
}

// Positions and texture coordinates convert without scaling.
template <class T, int N>
static void GLPROC fetchVertex(GlContext*, const void* element, GlVertex* v) {
    const uint8_t* p = (const uint8_t*)element;
    v->obj[0] = (GLfloat)loadAs<T>(p, 0);
    v->obj[1] = (GLfloat)loadAs<T>(p, 1);
    v->obj[2] = N >= 3 ? (GLfloat)loadAs<T>(p, 2) : 0.0f;
    v->obj[3] = N == 4 ? (GLfloat)loadAs<T>(p, 3) : 1.0f;
}
template <class T>
static void GLPROC fetchNormal(GlContext* gc, const void* element, GlVertex* v) {
    const uint8_t* p = (const uint8_t*)element;
    for (int i = 0; i < 3; i++) v->normal[i] = __glUnitOf(gc, loadAs<T>(p, i));
}
// As glColor: converted, alpha 1.0 for three components, clamped and scaled.
template <class T, int N>
static void GLPROC fetchColor(GlContext* gc, const void* element, GlVertex* v) {
    const uint8_t* p = (const uint8_t*)element;
    const GLfloat* scale = __glColorScales(gc);
    for (int i = 0; i < 4; i++) {
        const GLfloat c = i < N ? __glUnitOf(gc, loadAs<T>(p, i)) : 1.0f;
        v->frontColor[i] = __glClampScaleComponent(c, scale[i]);
    }
}
template <class T>
static void GLPROC fetchIndex(GlContext*, const void* element, GlVertex* v) {
    v->frontColor[0] = (GLfloat)loadAs<T>((const uint8_t*)element, 0);
}
template <class T, int N>
static void GLPROC fetchTexCoord(GlContext*, const void* element, GlVertex* v) {
    const uint8_t* p = (const uint8_t*)element;
    v->texCoord[0] = (GLfloat)loadAs<T>(p, 0);
    v->texCoord[1] = N >= 2 ? (GLfloat)loadAs<T>(p, 1) : 0.0f;
    v->texCoord[2] = N >= 3 ? (GLfloat)loadAs<T>(p, 2) : 0.0f;
    v->texCoord[3] = N == 4 ? (GLfloat)loadAs<T>(p, 3) : 1.0f;
}
static void GLPROC fetchEdgeFlag(GlContext*, const void* element, GlVertex* v) {
    v->edgeFlag = *(const uint8_t*)element;
}

struct GlArrayRow {
    GLenum type;
    GLint size;
    GlArrayElementProc element;
    GlArrayFetchProc fetch;
};

#define GL_EP(f) ((GlArrayElementProc)(void (*)(void))(f))
#define GL_VERTEX_ROWS(T, t, E)                                                                         \
    {E, 2, GL_EP(glVertex2##t##v), fetchVertex<T, 2>}, {E, 3, GL_EP(glVertex3##t##v), fetchVertex<T, 3>}, \
        {E, 4, GL_EP(glVertex4##t##v), fetchVertex<T, 4>}
#define GL_COLOR_ROWS(T, t, E) \
    {E, 3, GL_EP(glColor3##t##v), fetchColor<T, 3>}, {E, 4, GL_EP(glColor4##t##v), fetchColor<T, 4>}
#define GL_TEXCOORD_ROWS(T, t, E)                                                                            \
    {E, 1, GL_EP(glTexCoord1##t##v), fetchTexCoord<T, 1>}, {E, 2, GL_EP(glTexCoord2##t##v), fetchTexCoord<T, 2>}, \
        {E, 3, GL_EP(glTexCoord3##t##v), fetchTexCoord<T, 3>},                                                  \
        {E, 4, GL_EP(glTexCoord4##t##v), fetchTexCoord<T, 4>}

static const GlArrayRow vertexRows[] = {
    GL_VERTEX_ROWS(GLshort, s, GL_SHORT), GL_VERTEX_ROWS(GLint, i, GL_INT),
    GL_VERTEX_ROWS(GLfloat, f, GL_FLOAT), GL_VERTEX_ROWS(GLdouble, d, GL_DOUBLE),
};
static const GlArrayRow normalRows[] = {
    {GL_BYTE, 3, GL_EP(glNormal3bv), fetchNormal<GLbyte>},  {GL_SHORT, 3, GL_EP(glNormal3sv), fetchNormal<GLshort>},
    {GL_INT, 3, GL_EP(glNormal3iv), fetchNormal<GLint>},    {GL_FLOAT, 3, GL_EP(glNormal3fv), fetchNormal<GLfloat>},
    {GL_DOUBLE, 3, GL_EP(glNormal3dv), fetchNormal<GLdouble>},
};
static const GlArrayRow colorRows[] = {
    GL_COLOR_ROWS(GLbyte, b, GL_BYTE),     GL_COLOR_ROWS(GLubyte, ub, GL_UNSIGNED_BYTE),
    GL_COLOR_ROWS(GLshort, s, GL_SHORT),   GL_COLOR_ROWS(GLushort, us, GL_UNSIGNED_SHORT),
    GL_COLOR_ROWS(GLint, i, GL_INT),       GL_COLOR_ROWS(GLuint, ui, GL_UNSIGNED_INT),
    GL_COLOR_ROWS(GLfloat, f, GL_FLOAT),   GL_COLOR_ROWS(GLdouble, d, GL_DOUBLE),
};
static const GlArrayRow indexRows[] = {
    {GL_UNSIGNED_BYTE, 1, GL_EP(glIndexubv), fetchIndex<GLubyte>}, {GL_SHORT, 1, GL_EP(glIndexsv), fetchIndex<GLshort>},
    {GL_INT, 1, GL_EP(glIndexiv), fetchIndex<GLint>},              {GL_FLOAT, 1, GL_EP(glIndexfv), fetchIndex<GLfloat>},
    {GL_DOUBLE, 1, GL_EP(glIndexdv), fetchIndex<GLdouble>},
};
static const GlArrayRow texCoordRows[] = {
    GL_TEXCOORD_ROWS(GLshort, s, GL_SHORT), GL_TEXCOORD_ROWS(GLint, i, GL_INT),
    GL_TEXCOORD_ROWS(GLfloat, f, GL_FLOAT), GL_TEXCOORD_ROWS(GLdouble, d, GL_DOUBLE),
};
#undef GL_VERTEX_ROWS
#undef GL_COLOR_ROWS
#undef GL_TEXCOORD_ROWS

extern const GlArrayFetchProc __glFetchVertex3f = fetchVertex<GLfloat, 3>;
extern const GlArrayFetchProc __glFetchNormal3f = fetchNormal<GLfloat>;
extern const GlArrayFetchProc __glFetchColor3f = fetchColor<GLfloat, 3>;
extern const GlArrayFetchProc __glFetchIndexf = fetchIndex<GLfloat>;
extern const GlArrayFetchProc __glFetchTexCoord2f = fetchTexCoord<GLfloat, 2>;
extern const GlArrayFetchProc __glFetchEdgeFlag = fetchEdgeFlag;

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

static void setPointer(int kind, GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    const GlArrayKind* k = &arrayKinds[kind];
    if (stride < 0 || size < k->minSize || size > k->maxSize) return __glSetError(GL_INVALID_VALUE);
    const GlArrayRow* row = nullptr;
    for (int i = 0; i < k->rowCount && !row; i++)
        if (k->rows[i].type == type && k->rows[i].size == size) row = &k->rows[i];
    if (!row) return __glSetError(GL_INVALID_ENUM);

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
}

static void setEdgeFlagPointer(GLsizei stride, const GLvoid* pointer) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (stride < 0) return __glSetError(GL_INVALID_VALUE);
    static const GlArrayRow row = {GL_UNSIGNED_BYTE, 1, GL_EP(glEdgeFlagv), fetchEdgeFlag};
    GlContext* gc = ts->context;
    storePointer(&gc->arrays.edgeFlag, &row, pointer, stride, 1);
    gc->arrays.typeKey |= TYPEKEY_EDGEFLAG;
    pointerChanged(ts, gc);
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

// The element-count forms: the count is checked first, then the plain entry
// runs, and the count is stored whether or not that entry took the pointer.
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
        if (!countAllowed(count)) return;                                                  \
        setPointer args;                                                                   \
        keepCount(&GlVertexArrayState::member, count);                                     \
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
    if (!countAllowed(count)) return;
    setEdgeFlagPointer(stride, p);
    keepCount(&GlVertexArrayState::edgeFlag, count);
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

// ---- Expansion loops: glBegin, the element calls, glEnd.

// Element calls of one element for the arrays of Mask, in the order normal,
// colour, texture coordinates, index, edge flag, vertex.
template <GLuint Mask>
static inline void elementCalls(const GlVertexArrayState* s, GLuint element) {
    if constexpr ((Mask & GL_ARRAY_BIT_NORMAL) != 0) s->normal.elementProc(elementAddress(&s->normal, element));
    if constexpr ((Mask & GL_ARRAY_BIT_COLOR) != 0) s->color.elementProc(elementAddress(&s->color, element));
    if constexpr ((Mask & GL_ARRAY_BIT_TEXCOORD) != 0) s->texCoord.elementProc(elementAddress(&s->texCoord, element));
    if constexpr ((Mask & GL_ARRAY_BIT_INDEX) != 0) s->index.elementProc(elementAddress(&s->index, element));
    if constexpr ((Mask & GL_ARRAY_BIT_EDGEFLAG) != 0) s->edgeFlag.elementProc(elementAddress(&s->edgeFlag, element));
    if constexpr ((Mask & GL_ARRAY_BIT_VERTEX) != 0) s->vertex.elementProc(elementAddress(&s->vertex, element));
}

typedef void(GLPROC* GlArraysLoopProc)(GlContext* gc, GLenum mode, GLsizei count, const GlElementList* list);
template <GLuint Mask>
static void GLPROC drawArraysLoop(GlContext* gc, GLenum mode, GLsizei count, const GlElementList* list) {
    const GlVertexArrayState* s = &gc->arrays;
    glBegin(mode);
    for (GLsizei k = 0; k < count; k++) elementCalls<Mask>(s, elementAt(list, k));
    glEnd();
}

// GlDrawArraysLoopTable, indexed by the usable enabled arrays: the masks with
// the vertex array and the normal alone loop; the others have nothing to draw.
template <size_t... M>
static constexpr std::array<GlArraysLoopProc, 64> makeLoopTable(std::index_sequence<M...>) {
    return {{((M & GL_ARRAY_BIT_VERTEX) || M == GL_ARRAY_BIT_NORMAL ? drawArraysLoop<(GLuint)M>
                                                                    : (GlArraysLoopProc)__glNop)...}};
}
static const std::array<GlArraysLoopProc, 64> GlDrawArraysLoopTable = makeLoopTable(std::make_index_sequence<64>());

// The enabled arrays that have a pointer.
static GLuint usableArrays(const GlVertexArrayState* s) {
    GLuint mask = 0;
    for (int i = 0; i < 6; i++)
        if ((s->enabledArrays >> i & 1) && usable(&(s->*elementOrder[i]))) mask |= 1u << i;
    return mask;
}

// Without a vertex array nothing is drawn: glDrawElements makes the last
// listed element's attributes current (as its element calls would),
// glDrawArrays leaves them but for a normal array alone (its loop).
extern "C" void GLPROC __glExpandArrayDraw(GlContext* gc, GLenum mode, GLsizei count, const GlElementList* list) {
    const GLuint usable = usableArrays(&gc->arrays);
    if (!(usable & GL_ARRAY_BIT_VERTEX) && list->type) {
        if (count > 0) __glArrayElementCalls(gc, elementAt(list, count - 1), usable);
        return;
    }
    GlDrawArraysLoopTable[usable](gc, mode, count, list);
}

// ---- Draws.

extern "C" GLenum GLPROC __glCheckArrayDraw(GLenum mode, GLint first, GLsizei count, GLenum type, GLboolean indexed) {
    if (first < 0 || count < 0) return GL_INVALID_VALUE;
    if (mode > GL_POLYGON) return GL_INVALID_ENUM;
    if (indexed && type != GL_UNSIGNED_BYTE && type != GL_UNSIGNED_SHORT && type != GL_UNSIGNED_INT)
        return GL_INVALID_ENUM;
    return 0;
}

// The elements of a draw against the locked range.
static bool inLockedRange(const GlVertexArrayState* a, GLint first, GLsizei count, const GLuint* indices) {
    const GLuint lo = (GLuint)a->lockFirst, n = (GLuint)a->lockCount;
    if (!indices) return (GLuint)first >= lo && (uint64_t)(GLuint)first + (GLuint)count <= (uint64_t)lo + n;
    // Four indices a step: index - lo >= n as unsigned, compared signed with
    // the sign bits flipped; any lane that is outside marks the draw.
    const __m128i sign = _mm_set1_epi32((int)0x80000000u), low = _mm_set1_epi32((int)lo);
    const __m128i last = _mm_set1_epi32((int)((n - 1) ^ 0x80000000u));
    __m128i outside = _mm_setzero_si128();
    GLsizei k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m128i e = _mm_xor_si128(_mm_sub_epi32(_mm_loadu_si128((const __m128i*)(indices + k)), low), sign);
        outside = _mm_or_si128(outside, _mm_cmpgt_epi32(e, last));
    }
    if (_mm_movemask_epi8(outside)) return false;
    for (; k < count; k++)
        if (indices[k] - lo >= n) return false;
    return true;
}

// Fills prefetchStamp with the state array vertices are fetched under that
// changes without validation: the matrices, the current values that
// vertices take (of attributes without an array) and the materials.
static void fetchStamp(const GlContext* gc, decltype(GlVertexArrayState::prefetchStamp)* t) {
    const GlVertexArrayState* a = &gc->arrays;
    const GlMatrixEntry* mv = gc->matrices.modelViewTop;
    memset(t, 0, sizeof *t);
    t->modelView = mv;
    memcpy(t->composite, mv->composite.m, 64);
    t->composite[16] = (GLfloat)mv->composite.type;
    const GlCurrentState* c = &gc->current;
    if (a->fetchNormal == __glFetchCurrentNormal) memcpy(t->current, c->normal, 12);
    if (a->fetchColor == __glFetchCurrentColor) memcpy(t->current + 3, c->scaledColor, 16);
    if (a->fetchIndex == __glFetchCurrentIndex) t->current[7] = c->index;
    if (a->fetchTexCoord == __glFetchCurrentTexCoord) memcpy(t->current + 8, c->texCoord, 16);
    if (a->fetchEdgeFlag == __glFetchCurrentEdgeFlag) t->current[12] = (GLfloat)c->edgeFlag;
    t->material[0] = gc->lighting.front;
    t->material[1] = gc->lighting.back;
}

// Draws count elements (from first, or listed by indices) through the draw
// routine of the mode. Locked elements are fetched once and drawn from their
// slots while the state they were fetched under holds; others are gathered.
static void drawMode(GlContext* gc, GLenum mode, GLint first, GLsizei count, const GLuint* indices) {
    GlVertexArrayState* a = &gc->arrays;
    __glPrepareArrayDraw(gc, a->vertex.size, 0);
    if (!(a->flags & GL_ARRAY_LOCKED_READY) || a->lockCount <= 0 || !inLockedRange(a, first, count, indices)) {
        const GLuint flags = a->flags;
        GlVertex* base = a->bufferBase;
        a->flags |= GL_ARRAY_GATHER;
        a->bufferBase = a->bufferMemory;
        a->drawProcs[mode](gc, first, count, indices);
        a->bufferBase = base;
        // The batch overwrote the first slots of the locked vertices.
        a->flags = flags | (flags & GL_ARRAY_LOCKED_READY ? GL_ARRAY_GATHER : 0);
        return;
    }
    decltype(a->prefetchStamp) stamp;
    fetchStamp(gc, &stamp);
    if ((a->flags & GL_ARRAY_GATHER) || memcmp(&stamp, &a->prefetchStamp, sizeof stamp)) {
        a->fetchTransform(gc, a->lockFirst, a->lockFirst, a->lockCount, nullptr);
        a->prefetchStamp = stamp;
        a->flags &= ~(GLuint)GL_ARRAY_GATHER;
    }
    a->drawProcs[mode](gc, first, count, indices);
}

// The common part of glDrawArrays and glDrawElements after the argument checks.
static void drawElements(GlContext* gc, GLenum mode, GLsizei count, const GlElementList* list,
                         const GLuint* indices) {
    GlVertexArrayState* a = &gc->arrays;
    if (count == 0) return;
    if (a->flags & (GL_ARRAY_NO_VERTEX | GL_ARRAY_EXPAND)) return __glExpandArrayDraw(gc, mode, count, list);
    if (!a->bufferMemory) return __glSetError(GL_OUT_OF_MEMORY);
    drawMode(gc, mode, (GLint)list->first, count, indices);
    __glArrayElementCalls(gc, elementAt(list, count - 1), a->enabledArrays & ~(GLuint)GL_ARRAY_BIT_VERTEX);
}

extern "C" void GLIMM __glImmDrawArrays(GLenum mode, GLint first, GLsizei count) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    if (GLenum e = __glCheckArrayDraw(mode, first, count, 0, GL_FALSE)) return __glSetError(e);
    const GlElementList list = {(GLuint)first, 0, nullptr};
    drawElements(ts->context, mode, count, &list, nullptr);
}
extern "C" void GLIMM __glImmDrawArraysEXT(GLenum mode, GLint first, GLsizei count) {
    __glImmDrawArrays(mode, first, count);
}

// 8- and 16-bit indices are widened into a copy of count words.
extern "C" void GLIMM __glImmDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    if (GLenum e = __glCheckArrayDraw(mode, 0, count, type, GL_TRUE)) return __glSetError(e);
    if (!indices || count == 0) return;
    GlContext* gc = ts->context;
    const GlElementList list = {0, type, indices};
    if (type == GL_UNSIGNED_INT) return drawElements(gc, mode, count, &list, (const GLuint*)indices);
    const uint64_t bytes = (uint64_t)(GLuint)count * 4;
    GLuint* wide = bytes <= 0x7FFFFFFFu ? (GLuint*)gc->imports.alloc(gc, (size_t)bytes) : nullptr;
    if (!wide) return __glSetError(GL_OUT_OF_MEMORY);
    for (GLsizei k = 0; k < count; k++) wide[k] = elementAt(&list, k);
    drawElements(gc, mode, count, &list, wide);
    gc->imports.free(gc, wide);
}
