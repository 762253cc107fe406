// Display-list compile: the compile entries turn each call into a record (an
// opcode and the call's operands); the playback procedures replay a record
// through the calling thread's live dispatch table.

#include <string.h>
#include <type_traits>
#include <utility>
#include "stateutil.h"
#include "dlist.h"
#include "names.h"
#include "geometry/arrays.h"

extern "C" GLenum GLPROC __glCheckMaterialArgs(GLenum face, GLenum pname, GLfloat value);

// Function types of the slots.
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) typedef ret GlSig_##name params;
#include "glslots.inc"
#undef GL_SLOT

static inline GlEntryProc liveEntry(int slot) { return __glThreadState()->dispatch.entry[slot - GL_FIRST_SLOT]; }
#define GL_LIVE(Name) ((decltype(&gl##Name))liveEntry(GL_SLOT_##Name))

static constexpr uint64_t round4(uint64_t n) { return (n + 3) & ~(uint64_t)3; }
static inline GLuint word(const uint8_t* p) {
    GLuint v;
    memcpy(&v, p, 4);
    return v;
}

// ---- records

extern "C" GlListRecord* GLPROC __glListAllocRecord(GlContext* gc, uint64_t operandBytes) {
    const uint64_t total = sizeof(GlListRecord) + operandBytes;
    GlListRecord* r = total > 0x7FFFFFF0u ? nullptr
                                          : (GlListRecord*)gc->procs.arenaAlloc(gc, gc->lists.arena, (size_t)total);
    if (!r) {
        __glSetError(GL_OUT_OF_MEMORY);
        return nullptr;
    }
    r->next = nullptr;
    r->release = nullptr;
    r->size = (GLuint)operandBytes;
    r->opcode = 0;
    r->align8 = 0;
    r->pad = 0;
    memset(__glListOperands(r), 0, (size_t)operandBytes);
    return r;
}

static GlListRecord* newRecord(GlContext* gc, int opcode, uint64_t bytes, bool align8 = false) {
    GlListRecord* r = __glListAllocRecord(gc, bytes);
    if (r) {
        r->opcode = (int16_t)opcode;
        r->align8 = align8;
    }
    return r;
}

// In GL_COMPILE_AND_EXECUTE mode the record also runs at once through the
// immediate table; a table change it makes is what glEndList restores.
extern "C" void GLPROC __glListAppendRecord(GlContext* gc, GlListRecord* r, GlListPlayProc play) {
    GlListQueryState* l = &gc->lists;
    l->procs.hook1(gc, r);
    if (l->mode == GL_COMPILE_AND_EXECUTE) {
        GlThreadState* ts = __glThreadState();
        ts->dispatch = gc->savedDispatch;
        gc->liveDispatch = &ts->dispatch;
        const GLint nesting = l->nesting;
        play(__glListOperands(r));
        if (nesting == 0) l->nesting = 0;  // a nesting cut-off ends with the call
        gc->savedDispatch = ts->dispatch;
        ts->dispatch = gc->compileDispatch;
        gc->liveDispatch = &gc->savedDispatch;
    }
    if (l->build.tail) l->build.tail->next = r;
    else l->build.head = r;
    l->build.tail = r;
}

static const uint8_t* GLPROC playInvalidValue(const uint8_t* op) { return __glSetError(GL_INVALID_VALUE), op; }
static const uint8_t* GLPROC playInvalidEnum(const uint8_t* op) { return __glSetError(GL_INVALID_ENUM), op; }
static const uint8_t* GLPROC playInvalidOperation(const uint8_t* op) { return __glSetError(GL_INVALID_OPERATION), op; }
static const uint8_t* GLPROC playTableTooLarge(const uint8_t* op) { return __glSetError(GL_TABLE_TOO_LARGE_EXT), op; }
static const uint8_t* GLPROC playNothing(const uint8_t* op) { return op; }

extern "C" void GLPROC __glListRecordError(GlContext* gc, GLenum code) {
    int opcode;
    GlListPlayProc play;
    switch (code) {
    case GL_INVALID_VALUE: opcode = GL_OP_INVALID_VALUE, play = playInvalidValue; break;
    case GL_INVALID_ENUM: opcode = GL_OP_INVALID_ENUM, play = playInvalidEnum; break;
    case GL_INVALID_OPERATION: opcode = GL_OP_INVALID_OPERATION, play = playInvalidOperation; break;
    case GL_TABLE_TOO_LARGE_EXT: opcode = GL_OP_TABLE_TOO_LARGE, play = playTableTooLarge; break;
    default: return;
    }
    if (GlListRecord* r = newRecord(gc, opcode, 0)) __glListAppendRecord(gc, r, play);
}

static inline GlContext* compiling(void) { return __glCurrentContext(); }

// ---- calls whose operands are their arguments

// Doubles first, then 4-byte arguments, then booleans packed; padded to 4, or
// to 8 when there are doubles.
template <class T>
constexpr int argWidth() {
    return std::is_same<T, GLdouble>::value ? 8 : sizeof(T) == 1 ? 1 : 4;
}
template <class... A>
struct GlArgLayout {
    static constexpr int n = sizeof...(A);
    static constexpr int widths[n + 1] = {argWidth<A>()..., 0};
    static constexpr int count(int w) {
        int c = 0;
        for (int i = 0; i < n; i++) c += widths[i] == w;
        return c;
    }
    static constexpr int offset(int i) {
        int o = widths[i] == 8 ? 0 : widths[i] == 4 ? 8 * count(8) : 8 * count(8) + 4 * count(4);
        for (int j = 0; j < i; j++)
            if (widths[j] == widths[i]) o += widths[j];
        return o;
    }
    static constexpr int size() {
        const int s = (8 * count(8) + 4 * count(4) + count(1) + 3) & ~3;
        return count(8) ? (s + 7) & ~7 : s;
    }
};

template <class T>
static inline void putArg(uint8_t* p, T v) {
    if constexpr (argWidth<T>() == 4 && sizeof(T) < 4) {
        int32_t w = (int32_t)v;
        memcpy(p, &w, 4);
    } else {
        memcpy(p, &v, sizeof(T));
    }
}
template <class T>
static inline T getArg(const uint8_t* p) {
    if constexpr (argWidth<T>() == 4 && sizeof(T) < 4) {
        int32_t w;
        memcpy(&w, p, 4);
        return (T)w;
    } else {
        T v;
        memcpy(&v, p, sizeof(T));
        return v;
    }
}

template <int Slot, class Sig>
struct GlScalarCall;
template <int Slot, class R, class... A>
struct GlScalarCall<Slot, R(A...)> {
    typedef GlArgLayout<A...> L;
    typedef R(GLIMM* Fn)(A...);
    template <size_t... I>
    static void call(const uint8_t* op, std::index_sequence<I...>) {
        (void)op;
        ((Fn)liveEntry(Slot))(getArg<A>(op + L::offset(I))...);
    }
    static const uint8_t* GLPROC play(const uint8_t* op) {
        call(op, std::index_sequence_for<A...>());
        return op + L::size();
    }
    template <int Opcode>
    static void record(A... args) {
        GlContext* gc = compiling();
        GlListRecord* r = newRecord(gc, Opcode, L::size(), L::count(8) > 0);
        if (!r) return;
        uint8_t* p = __glListOperands(r);
        int i = 0;
        (putArg<A>(p + L::offset(i++), args), ...);
        (void)p, (void)i;
        __glListAppendRecord(gc, r, play);
    }
};

#define GL_OPX(op) ~, 1, op
#define GL_THIRD(a, b, c, ...) c
#define GL_OP_OF(probe) GL_OP_OF_(probe)
#define GL_OP_OF_(...) GL_THIRD(__VA_ARGS__, ~, ~)

#define GL_SCALAR_ListBase GL_OPX(2)
#define GL_SCALAR_End GL_OPX(22)
#define GL_SCALAR_ColorMaterial GL_OPX(77)
#define GL_SCALAR_CullFace GL_OPX(78)
#define GL_SCALAR_Fogf GL_OPX(79)
#define GL_SCALAR_Fogi GL_OPX(81)
#define GL_SCALAR_FrontFace GL_OPX(83)
#define GL_SCALAR_Hint GL_OPX(84)
#define GL_SCALAR_LineStipple GL_OPX(93)
#define GL_SCALAR_LineWidth GL_OPX(94)
#define GL_SCALAR_PointSize GL_OPX(99)
#define GL_SCALAR_PolygonMode GL_OPX(100)
#define GL_SCALAR_Scissor GL_OPX(102)
#define GL_SCALAR_ShadeModel GL_OPX(103)
#define GL_SCALAR_InitNames GL_OPX(120)
#define GL_SCALAR_LoadName GL_OPX(121)
#define GL_SCALAR_PassThrough GL_OPX(122)
#define GL_SCALAR_PopName GL_OPX(123)
#define GL_SCALAR_PushName GL_OPX(124)
#define GL_SCALAR_DrawBuffer GL_OPX(125)
#define GL_SCALAR_Clear GL_OPX(126)
#define GL_SCALAR_ClearAccum GL_OPX(127)
#define GL_SCALAR_ClearIndex GL_OPX(128)
#define GL_SCALAR_ClearColor GL_OPX(129)
#define GL_SCALAR_ClearStencil GL_OPX(130)
#define GL_SCALAR_ClearDepth GL_OPX(131)
#define GL_SCALAR_StencilMask GL_OPX(132)
#define GL_SCALAR_ColorMask GL_OPX(133)
#define GL_SCALAR_DepthMask GL_OPX(134)
#define GL_SCALAR_IndexMask GL_OPX(135)
#define GL_SCALAR_Accum GL_OPX(136)
#define GL_SCALAR_PopAttrib GL_OPX(139)
#define GL_SCALAR_PushAttrib GL_OPX(140)
#define GL_SCALAR_MapGrid1d GL_OPX(145)
#define GL_SCALAR_MapGrid1f GL_OPX(146)
#define GL_SCALAR_MapGrid2d GL_OPX(147)
#define GL_SCALAR_MapGrid2f GL_OPX(148)
#define GL_SCALAR_EvalMesh1 GL_OPX(153)
#define GL_SCALAR_EvalPoint1 GL_OPX(154)
#define GL_SCALAR_EvalMesh2 GL_OPX(155)
#define GL_SCALAR_EvalPoint2 GL_OPX(156)
#define GL_SCALAR_AlphaFunc GL_OPX(157)
#define GL_SCALAR_BlendFunc GL_OPX(158)
#define GL_SCALAR_LogicOp GL_OPX(159)
#define GL_SCALAR_StencilFunc GL_OPX(160)
#define GL_SCALAR_StencilOp GL_OPX(161)
#define GL_SCALAR_DepthFunc GL_OPX(162)
#define GL_SCALAR_PixelZoom GL_OPX(163)
#define GL_SCALAR_PixelTransferf GL_OPX(164)
#define GL_SCALAR_PixelTransferi GL_OPX(165)
#define GL_SCALAR_ReadBuffer GL_OPX(169)
#define GL_SCALAR_CopyPixels GL_OPX(170)
#define GL_SCALAR_DepthRange GL_OPX(172)
#define GL_SCALAR_Frustum GL_OPX(173)
#define GL_SCALAR_LoadIdentity GL_OPX(174)
#define GL_SCALAR_MatrixMode GL_OPX(177)
#define GL_SCALAR_Ortho GL_OPX(180)
#define GL_SCALAR_PopMatrix GL_OPX(181)
#define GL_SCALAR_PushMatrix GL_OPX(182)
#define GL_SCALAR_Rotated GL_OPX(183)
#define GL_SCALAR_Rotatef GL_OPX(184)
#define GL_SCALAR_Scaled GL_OPX(185)
#define GL_SCALAR_Scalef GL_OPX(186)
#define GL_SCALAR_Translated GL_OPX(187)
#define GL_SCALAR_Translatef GL_OPX(188)
#define GL_SCALAR_Viewport GL_OPX(189)
#define GL_SCALAR_CopyColorTableEXT GL_OPX(194)
#define GL_SCALAR_PolygonOffset GL_OPX(198)
#define GL_SCALAR_CopyTexImage1D GL_OPX(199)
#define GL_SCALAR_CopyTexImage2D GL_OPX(200)
#define GL_SCALAR_CopyTexSubImage1D GL_OPX(201)
#define GL_SCALAR_CopyTexSubImage2D GL_OPX(202)
#define GL_SCALAR_BindTexture GL_OPX(205)
#define GL_SCALAR_IndexFuncQTA GL_OPX(208)
#define GL_SCALAR_IndexMaterialQTA GL_OPX(209)

#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act)                                   \
    GL_IF(GL_IS_LISTED(GL_SCALAR_##name))(extern "C" ret GLIMM __glCompile##name params {         \
        GlScalarCall<GL_SLOT_##name, GlSig_##name>::record<GL_OP_OF(GL_SCALAR_##name)> args; \
    })
#include "glslots.inc"
#undef GL_SLOT

// glEnable and glDisable: the vertex-array caps act at once on the client state.
static bool arrayCap(GLenum cap, GLuint* fields, GLuint* arrays) {
    static const GLuint bits[6][2] = {{0xFF, 0x20}, {0xF00, 0x1}, {0xFF000, 0x2},
                                      {0xF0000000u, 0x8}, {0x7F00000, 0x4}, {0x8000000, 0x10}};
    const GLuint i = cap - GL_VERTEX_ARRAY;
    if (i > 5) return false;
    *fields = bits[i][0];
    *arrays = bits[i][1];
    return true;
}
static void markArrays(GlContext* gc) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState != GL_BEGIN_INSIDE) __glMarkPickers(ts, gc, GL_DIRTY_ARRAYS);
}
extern "C" void GLIMM __glCompileEnable(GLenum cap) {
    GlContext* gc = compiling();
    GLuint fields, arrays;
    if (arrayCap(cap, &fields, &arrays)) {
        gc->arrays.enabledFields |= fields;
        gc->arrays.enabledArrays |= arrays;
        markArrays(gc);
        return;
    }
    GlScalarCall<GL_SLOT_Enable, GlSig_Enable>::record<138>(cap);
}
extern "C" void GLIMM __glCompileDisable(GLenum cap) {
    GlContext* gc = compiling();
    GLuint fields, arrays;
    if (arrayCap(cap, &fields, &arrays)) {
        gc->arrays.enabledFields &= ~fields;
        gc->arrays.enabledArrays &= ~arrays;
        markArrays(gc);
        return;
    }
    GlScalarCall<GL_SLOT_Disable, GlSig_Disable>::record<137>(cap);
}

// ---- vertex arrays: dereferenced now and recorded as the equivalent glBegin,
// attribute and vertex calls and glEnd; argument errors are raised at once

extern "C" void GLIMM __glCompileArrayElement(GLint i) { __glImmArrayElement(i); }
extern "C" void GLIMM __glCompileArrayElementEXT(GLint i) { __glImmArrayElement(i); }

// The head of a compiled draw: between glBegin and glEnd the draw records
// GL_INVALID_OPERATION, as the call does, and its records are passed over
// (the operand is their bytes in the block).
static const uint8_t* GLPROC playArrayDraw(const uint8_t* op) {
    if (__glThreadState()->beginState != GL_BEGIN_INSIDE) return op + 4;
    __glSetError(GL_INVALID_OPERATION);
    return op + 4 + word(op);
}

static void compileArrayDraw(GLenum mode, GLint first, GLsizei count, GLenum type, const GLvoid* indices,
                             GLboolean indexed) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState == GL_BEGIN_INSIDE) return __glSetError(GL_INVALID_OPERATION);
    if (GLenum e = __glCheckArrayDraw(mode, first, count, type, indexed)) return __glSetError(e);
    GlContext* gc = ts->context;
    // Placed on 8 bytes (its operand ends at 4 of 8), so that the pads of the
    // records after it, and so their bytes in the block, are known now.
    GlListRecord* head = newRecord(gc, GL_OP_ARRAY_DRAW, 4, true);
    if (!head) return;
    __glListAppendRecord(gc, head, playArrayDraw);
    if (indexed && !indices) return;
    const GlElementList list = {(GLuint)first, indexed ? type : 0, indices};
    __glExpandArrayDraw(gc, mode, count, &list);
    uint64_t end = 4;
    for (const GlListRecord* r = head->next; r; r = r->next) end = __glListPlaced(end, r);
    const GLuint bytes = (GLuint)(end - 4);
    memcpy(__glListOperands(head), &bytes, 4);
}
extern "C" void GLIMM __glCompileDrawArrays(GLenum mode, GLint first, GLsizei count) {
    compileArrayDraw(mode, first, count, 0, nullptr, GL_FALSE);
}
extern "C" void GLIMM __glCompileDrawArraysEXT(GLenum mode, GLint first, GLsizei count) {
    compileArrayDraw(mode, first, count, 0, nullptr, GL_FALSE);
}
extern "C" void GLIMM __glCompileDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
    compileArrayDraw(mode, 0, count, type, indices, GL_TRUE);
}

// ---- vector families: the scalar and vector forms share the vector form's record

template <int VSlot, class T, int N>
struct GlVectorCall {
    static constexpr int size = (N * (int)sizeof(T) + 3) & ~3;
    static const uint8_t* GLPROC play(const uint8_t* op) {
        ((void(GLIMM*)(const T*))liveEntry(VSlot))((const T*)op);
        return op + size;
    }
    static void record(int opcode, const T* v) {
        GlContext* gc = compiling();
        GlListRecord* r = newRecord(gc, opcode, size, std::is_same<T, GLdouble>::value);
        if (!r) return;
        memcpy(__glListOperands(r), v, N * sizeof(T));
        __glListAppendRecord(gc, r, play);
    }
};

#define GL_VEC_PARAMS_1(T) (T x)
#define GL_VEC_PARAMS_2(T) (T x, T y)
#define GL_VEC_PARAMS_3(T) (T x, T y, T z)
#define GL_VEC_PARAMS_4(T) (T x, T y, T z, T w)
#define GL_VEC_VALUES_1 {x}
#define GL_VEC_VALUES_2 {x, y}
#define GL_VEC_VALUES_3 {x, y, z}
#define GL_VEC_VALUES_4 {x, y, z, w}

#define GL_VECTOR_LIST(X)                                                                               \
    X(5, Color3b, GLbyte, 3) X(6, Color3d, GLdouble, 3) X(7, Color3f, GLfloat, 3) X(8, Color3i, GLint, 3) \
    X(9, Color3s, GLshort, 3) X(10, Color3ub, GLubyte, 3) X(11, Color3ui, GLuint, 3)                   \
    X(12, Color3us, GLushort, 3) X(13, Color4b, GLbyte, 4) X(14, Color4d, GLdouble, 4)                 \
    X(15, Color4f, GLfloat, 4) X(16, Color4i, GLint, 4) X(17, Color4s, GLshort, 4)                     \
    X(18, Color4ub, GLubyte, 4) X(19, Color4ui, GLuint, 4) X(20, Color4us, GLushort, 4)                \
    X(21, EdgeFlag, GLboolean, 1) X(23, Indexd, GLdouble, 1) X(24, Indexf, GLfloat, 1)                 \
    X(25, Indexi, GLint, 1) X(26, Indexs, GLshort, 1) X(27, Normal3b, GLbyte, 3)                       \
    X(28, Normal3d, GLdouble, 3) X(29, Normal3f, GLfloat, 3) X(30, Normal3i, GLint, 3)                 \
    X(31, Normal3s, GLshort, 3) X(32, RasterPos2d, GLdouble, 2) X(33, RasterPos2f, GLfloat, 2)         \
    X(34, RasterPos2i, GLint, 2) X(35, RasterPos2s, GLshort, 2) X(36, RasterPos3d, GLdouble, 3)        \
    X(37, RasterPos3f, GLfloat, 3) X(38, RasterPos3i, GLint, 3) X(39, RasterPos3s, GLshort, 3)         \
    X(40, RasterPos4d, GLdouble, 4) X(41, RasterPos4f, GLfloat, 4) X(42, RasterPos4i, GLint, 4)        \
    X(43, RasterPos4s, GLshort, 4) X(48, TexCoord1d, GLdouble, 1) X(49, TexCoord1f, GLfloat, 1)        \
    X(50, TexCoord1i, GLint, 1) X(51, TexCoord1s, GLshort, 1) X(52, TexCoord2d, GLdouble, 2)           \
    X(53, TexCoord2f, GLfloat, 2) X(54, TexCoord2i, GLint, 2) X(55, TexCoord2s, GLshort, 2)            \
    X(56, TexCoord3d, GLdouble, 3) X(57, TexCoord3f, GLfloat, 3) X(58, TexCoord3i, GLint, 3)           \
    X(59, TexCoord3s, GLshort, 3) X(60, TexCoord4d, GLdouble, 4) X(61, TexCoord4f, GLfloat, 4)         \
    X(62, TexCoord4i, GLint, 4) X(63, TexCoord4s, GLshort, 4) X(64, Vertex2d, GLdouble, 2)             \
    X(65, Vertex2f, GLfloat, 2) X(66, Vertex2i, GLint, 2) X(67, Vertex2s, GLshort, 2)                  \
    X(68, Vertex3d, GLdouble, 3) X(69, Vertex3f, GLfloat, 3) X(70, Vertex3i, GLint, 3)                 \
    X(71, Vertex3s, GLshort, 3) X(72, Vertex4d, GLdouble, 4) X(73, Vertex4f, GLfloat, 4)               \
    X(74, Vertex4i, GLint, 4) X(75, Vertex4s, GLshort, 4) X(149, EvalCoord1d, GLdouble, 1)             \
    X(150, EvalCoord1f, GLfloat, 1) X(151, EvalCoord2d, GLdouble, 2) X(152, EvalCoord2f, GLfloat, 2)   \
    X(207, Indexub, GLubyte, 1)

#define GL_VECTOR_ENTRIES(op, Name, T, N)                                                  \
    extern "C" void GLIMM __glCompile##Name##v(const T* v) {                               \
        GlVectorCall<GL_SLOT_##Name##v, T, N>::record(op, v);                              \
    }                                                                                      \
    extern "C" void GLIMM __glCompile##Name GL_VEC_PARAMS_##N(T) {                         \
        const T v[N] = GL_VEC_VALUES_##N;                                                  \
        GlVectorCall<GL_SLOT_##Name##v, T, N>::record(op, v);                              \
    }
GL_VECTOR_LIST(GL_VECTOR_ENTRIES)

// Calls that take only a fixed array: the matrices.
#define GL_ARRAY_LIST(X) \
    X(175, LoadMatrixf, GLfloat, 16) X(176, LoadMatrixd, GLdouble, 16) X(178, MultMatrixf, GLfloat, 16) \
    X(179, MultMatrixd, GLdouble, 16)
#define GL_ARRAY_ENTRIES(op, Name, T, N) \
    extern "C" void GLIMM __glCompile##Name(const T* m) { GlVectorCall<GL_SLOT_##Name, T, N>::record(op, m); }
GL_ARRAY_LIST(GL_ARRAY_ENTRIES)

// Rectangles: x1, y1, x2, y2; playback passes the two corners.
template <int VSlot, class T>
struct GlRectCall {
    static constexpr int size = (int)round4(4 * sizeof(T));
    static const uint8_t* GLPROC play(const uint8_t* op) {
        const T* v = (const T*)op;
        ((void(GLIMM*)(const T*, const T*))liveEntry(VSlot))(v, v + 2);
        return op + size;
    }
    static void record(int opcode, T x1, T y1, T x2, T y2) {
        GlContext* gc = compiling();
        GlListRecord* r = newRecord(gc, opcode, size, std::is_same<T, GLdouble>::value);
        if (!r) return;
        const T v[4] = {x1, y1, x2, y2};
        memcpy(__glListOperands(r), v, sizeof v);
        __glListAppendRecord(gc, r, play);
    }
};
#define GL_RECT_LIST(X) X(44, Rectd, GLdouble) X(45, Rectf, GLfloat) X(46, Recti, GLint) X(47, Rects, GLshort)
#define GL_RECT_ENTRIES(op, Name, T)                                                                         \
    extern "C" void GLIMM __glCompile##Name(T x1, T y1, T x2, T y2) {                                        \
        GlRectCall<GL_SLOT_##Name##v, T>::record(op, x1, y1, x2, y2);                                        \
    }                                                                                                        \
    extern "C" void GLIMM __glCompile##Name##v(const T* a, const T* b) {                                     \
        GlRectCall<GL_SLOT_##Name##v, T>::record(op, a[0], a[1], b[0], b[1]);                                \
    }
GL_RECT_LIST(GL_RECT_ENTRIES)

// ---- calls with a parameter array sized by pname

static int fogCount(GLenum p) { return p == GL_FOG_COLOR ? 4 : p - GL_FOG_INDEX <= 4u ? 1 : -1; }
static int lightCount(GLenum p) {
    if (p - GL_AMBIENT <= 3u) return 4;
    if (p == GL_SPOT_DIRECTION) return 3;
    return p - GL_SPOT_EXPONENT <= 4u ? 1 : -1;
}
static int lightModelCount(GLenum p) {
    return p == GL_LIGHT_MODEL_AMBIENT ? 4 : p == GL_LIGHT_MODEL_LOCAL_VIEWER || p == GL_LIGHT_MODEL_TWO_SIDE ? 1 : -1;
}
static int materialCount(GLenum p) {
    switch (p) {
    case GL_AMBIENT:
    case GL_DIFFUSE:
    case GL_SPECULAR:
    case GL_EMISSION:
    case GL_AMBIENT_AND_DIFFUSE: return 4;
    case GL_COLOR_INDEXES: return 3;
    case GL_SHININESS:
    case GL_INDEX_SHIFT:
    case GL_INDEX_OFFSET: return 1;
    }
    return -1;
}
static int texParameterCount(GLenum p) {
    switch (p) {
    case GL_TEXTURE_MIN_FILTER:
    case GL_TEXTURE_MAG_FILTER:
    case GL_TEXTURE_WRAP_S:
    case GL_TEXTURE_WRAP_T:
    case GL_TEXTURE_PRIORITY: return 1;
    case GL_TEXTURE_BORDER_COLOR: return 4;
    }
    return -1;
}
static int texEnvCount(GLenum p) { return p == GL_TEXTURE_ENV_MODE ? 1 : p == GL_TEXTURE_ENV_COLOR ? 4 : -1; }
static int texGenCount(GLenum p) {
    return p == GL_TEXTURE_GEN_MODE ? 1 : p == GL_OBJECT_PLANE || p == GL_EYE_PLANE ? 4 : -1;
}

// Operands: the leading enums (Lead of them, pname last), then the values.
template <int VSlot, class T, int Lead, int (*Count)(GLenum)>
struct GlPnameCall {
    static const uint8_t* GLPROC play(const uint8_t* op) {
        const GLenum a = word(op), pname = word(op + 4 * (Lead - 1));
        const T* v = (const T*)(op + 4 * Lead);
        if (Lead == 1) ((void(GLIMM*)(GLenum, const T*))liveEntry(VSlot))(a, v);
        else ((void(GLIMM*)(GLenum, GLenum, const T*))liveEntry(VSlot))(a, pname, v);
        return op + 4 * Lead + Count(pname) * sizeof(T);
    }
    // An unknown pname, or a scalar form of a vector pname, records GL_INVALID_ENUM.
    static void record(int opcode, GLenum a, GLenum pname, const T* values, int scalar = 0) {
        GlContext* gc = compiling();
        const int n = Count(pname);
        if (n < 0 || (scalar && n != 1)) return __glListRecordError(gc, GL_INVALID_ENUM);
        GlListRecord* r = newRecord(gc, opcode, 4 * Lead + n * sizeof(T), std::is_same<T, GLdouble>::value);
        if (!r) return;
        uint8_t* p = __glListOperands(r);
        memcpy(p, &a, 4);
        if (Lead == 2) memcpy(p + 4, &pname, 4);
        memcpy(p + 4 * Lead, values, n * sizeof(T));
        __glListAppendRecord(gc, r, play);
    }
};

typedef GlPnameCall<GL_SLOT_Fogfv, GLfloat, 1, fogCount> FogfvCall;
typedef GlPnameCall<GL_SLOT_Fogiv, GLint, 1, fogCount> FogivCall;
typedef GlPnameCall<GL_SLOT_Lightfv, GLfloat, 2, lightCount> LightfvCall;
typedef GlPnameCall<GL_SLOT_Lightiv, GLint, 2, lightCount> LightivCall;
typedef GlPnameCall<GL_SLOT_LightModelfv, GLfloat, 1, lightModelCount> LightModelfvCall;
typedef GlPnameCall<GL_SLOT_LightModeliv, GLint, 1, lightModelCount> LightModelivCall;
typedef GlPnameCall<GL_SLOT_Materialfv, GLfloat, 2, materialCount> MaterialfvCall;
typedef GlPnameCall<GL_SLOT_Materialiv, GLint, 2, materialCount> MaterialivCall;
typedef GlPnameCall<GL_SLOT_TexParameterfv, GLfloat, 2, texParameterCount> TexParameterfvCall;
typedef GlPnameCall<GL_SLOT_TexParameteriv, GLint, 2, texParameterCount> TexParameterivCall;
typedef GlPnameCall<GL_SLOT_TexEnvfv, GLfloat, 2, texEnvCount> TexEnvfvCall;
typedef GlPnameCall<GL_SLOT_TexEnviv, GLint, 2, texEnvCount> TexEnvivCall;
typedef GlPnameCall<GL_SLOT_TexGendv, GLdouble, 2, texGenCount> TexGendvCall;
typedef GlPnameCall<GL_SLOT_TexGenfv, GLfloat, 2, texGenCount> TexGenfvCall;
typedef GlPnameCall<GL_SLOT_TexGeniv, GLint, 2, texGenCount> TexGenivCall;

extern "C" void GLIMM __glCompileFogfv(GLenum pname, const GLfloat* params) {
    FogfvCall::record(80, pname, pname, params);
}
extern "C" void GLIMM __glCompileFogiv(GLenum pname, const GLint* params) {
    FogivCall::record(82, pname, pname, params);
}
extern "C" void GLIMM __glCompileLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    LightfvCall::record(86, light, pname, params);
}
extern "C" void GLIMM __glCompileLightiv(GLenum light, GLenum pname, const GLint* params) {
    LightivCall::record(88, light, pname, params);
}
extern "C" void GLIMM __glCompileLightf(GLenum light, GLenum pname, GLfloat param) {
    LightfvCall::record(86, light, pname, &param, 1);
}
extern "C" void GLIMM __glCompileLighti(GLenum light, GLenum pname, GLint param) {
    LightivCall::record(88, light, pname, &param, 1);
}
extern "C" void GLIMM __glCompileLightModelfv(GLenum pname, const GLfloat* params) {
    LightModelfvCall::record(90, pname, pname, params);
}
extern "C" void GLIMM __glCompileLightModeliv(GLenum pname, const GLint* params) {
    LightModelivCall::record(92, pname, pname, params);
}
extern "C" void GLIMM __glCompileLightModelf(GLenum pname, GLfloat param) {
    LightModelfvCall::record(90, pname, pname, &param, 1);
}
extern "C" void GLIMM __glCompileLightModeli(GLenum pname, GLint param) {
    LightModelivCall::record(92, pname, pname, &param, 1);
}
extern "C" void GLIMM __glCompileTexParameterfv(GLenum target, GLenum pname, const GLfloat* params) {
    TexParameterfvCall::record(105, target, pname, params);
}
extern "C" void GLIMM __glCompileTexParameteriv(GLenum target, GLenum pname, const GLint* params) {
    TexParameterivCall::record(107, target, pname, params);
}
extern "C" void GLIMM __glCompileTexParameterf(GLenum target, GLenum pname, GLfloat param) {
    TexParameterfvCall::record(105, target, pname, &param, 1);
}
extern "C" void GLIMM __glCompileTexParameteri(GLenum target, GLenum pname, GLint param) {
    TexParameterivCall::record(107, target, pname, &param, 1);
}
extern "C" void GLIMM __glCompileTexEnvfv(GLenum target, GLenum pname, const GLfloat* params) {
    TexEnvfvCall::record(111, target, pname, params);
}
extern "C" void GLIMM __glCompileTexEnviv(GLenum target, GLenum pname, const GLint* params) {
    TexEnvivCall::record(113, target, pname, params);
}
extern "C" void GLIMM __glCompileTexEnvf(GLenum target, GLenum pname, GLfloat param) {
    TexEnvfvCall::record(111, target, pname, &param, 1);
}
extern "C" void GLIMM __glCompileTexEnvi(GLenum target, GLenum pname, GLint param) {
    TexEnvivCall::record(113, target, pname, &param, 1);
}
extern "C" void GLIMM __glCompileTexGendv(GLenum coord, GLenum pname, const GLdouble* params) {
    TexGendvCall::record(115, coord, pname, params);
}
extern "C" void GLIMM __glCompileTexGenfv(GLenum coord, GLenum pname, const GLfloat* params) {
    TexGenfvCall::record(117, coord, pname, params);
}
extern "C" void GLIMM __glCompileTexGeniv(GLenum coord, GLenum pname, const GLint* params) {
    TexGenivCall::record(119, coord, pname, params);
}
extern "C" void GLIMM __glCompileTexGend(GLenum coord, GLenum pname, GLdouble param) {
    TexGendvCall::record(115, coord, pname, &param, 1);
}
extern "C" void GLIMM __glCompileTexGenf(GLenum coord, GLenum pname, GLfloat param) {
    TexGenfvCall::record(117, coord, pname, &param, 1);
}
extern "C" void GLIMM __glCompileTexGeni(GLenum coord, GLenum pname, GLint param) {
    TexGenivCall::record(119, coord, pname, &param, 1);
}

// Material: the material argument check of the immediate call, then a record
// that the material merge may fold.
static void compileMaterial(int opcode, GLenum face, GLenum pname, const GLfloat* fv, const GLint* iv) {
    GlContext* gc = compiling();
    const GLfloat first = pname != GL_SHININESS ? 0.0f : fv ? fv[0] : (GLfloat)iv[0];
    const GLenum err = __glCheckMaterialArgs(face, pname, first);
    if (err) return __glListRecordError(gc, err);
    gc->lists.build.flags |= GL_LIST_HAS_MATERIAL;
    if (fv) MaterialfvCall::record(opcode, face, pname, fv);
    else MaterialivCall::record(opcode, face, pname, iv);
}
extern "C" void GLIMM __glCompileMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    compileMaterial(96, face, pname, params, nullptr);
}
extern "C" void GLIMM __glCompileMaterialiv(GLenum face, GLenum pname, const GLint* params) {
    compileMaterial(98, face, pname, nullptr, params);
}
extern "C" void GLIMM __glCompileMaterialf(GLenum face, GLenum pname, GLfloat param) {
    if (pname != GL_SHININESS) return __glListRecordError(compiling(), GL_INVALID_ENUM);
    compileMaterial(96, face, pname, &param, nullptr);
}
extern "C" void GLIMM __glCompileMateriali(GLenum face, GLenum pname, GLint param) {
    if (materialCount(pname) != 1) return __glListRecordError(compiling(), GL_INVALID_ENUM);
    compileMaterial(98, face, pname, nullptr, &param);
}

// ---- other calls with their own operand layouts

static const uint8_t* GLPROC playClipPlane(const uint8_t* op) {
    GL_LIVE(ClipPlane)(word(op + 32), (const GLdouble*)op);
    return op + 40;
}
extern "C" void GLIMM __glCompileClipPlane(GLenum plane, const GLdouble* equation) {
    GlContext* gc = compiling();
    GlListRecord* r = newRecord(gc, 76, 40, true);
    if (!r) return;
    memcpy(__glListOperands(r), equation, 32);
    memcpy(__glListOperands(r) + 32, &plane, 4);
    __glListAppendRecord(gc, r, playClipPlane);
}

static const uint8_t* GLPROC playCallList(const uint8_t* op) {
    __glDoCallList(__glCurrentContext(), word(op));
    return op + 4;
}
extern "C" void GLIMM __glCompileCallList(GLuint list) {
    GlContext* gc = compiling();
    if (list == 0) return __glListRecordError(gc, GL_INVALID_VALUE);  // as the immediate call
    GlListRecord* r = newRecord(gc, GL_OP_CALL_LIST, 4);
    if (!r) return;
    memcpy(__glListOperands(r), &list, 4);
    __glListAppendRecord(gc, r, playCallList);
}

static uint64_t callListsBytes(GLsizei n, GLenum type) {
    return round4((uint64_t)n * __glCallListsTypeSize(type));
}
static const uint8_t* GLPROC playCallLists(const uint8_t* op) {
    const GLsizei n = (GLsizei)word(op);
    const GLenum type = word(op + 4);
    __glDoCallLists(__glCurrentContext(), n, type, op + 8);
    return op + 8 + callListsBytes(n, type);
}
extern "C" void GLIMM __glCompileCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    GlContext* gc = compiling();
    if (n < 0) return __glListRecordError(gc, GL_INVALID_VALUE);
    if (type - GL_BYTE > GL_4_BYTES - GL_BYTE) return __glListRecordError(gc, GL_INVALID_ENUM);
    const uint64_t bytes = callListsBytes(n, type);
    GlListRecord* r = newRecord(gc, GL_OP_CALL_LISTS, 8 + bytes);
    if (!r) return;
    uint8_t* p = __glListOperands(r);
    memcpy(p, &n, 4);
    memcpy(p + 4, &type, 4);
    if (n) memcpy(p + 8, lists, (size_t)n * __glCallListsTypeSize(type));
    __glListAppendRecord(gc, r, playCallLists);
}

// glBegin: one operand-less record per mode.
static const GLenum beginModes[10] = {GL_LINE_LOOP, GL_LINE_STRIP, GL_LINES,          GL_POINTS,     GL_POLYGON,
                                      GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN, GL_TRIANGLES, GL_QUAD_STRIP, GL_QUADS};
template <int I>
static const uint8_t* GLPROC playBegin(const uint8_t* op) {
    GL_LIVE(Begin)(beginModes[I]);
    return op;
}
extern "C" void GLIMM __glCompileBegin(GLenum mode) {
    GlContext* gc = compiling();
    static const GlListPlayProc plays[10] = {playBegin<0>, playBegin<1>, playBegin<2>, playBegin<3>, playBegin<4>,
                                             playBegin<5>, playBegin<6>, playBegin<7>, playBegin<8>, playBegin<9>};
    for (int i = 0; i < 10; i++)
        if (beginModes[i] == mode) {
            if (GlListRecord* r = newRecord(gc, GL_OP_BEGIN_FIRST + i, 0)) __glListAppendRecord(gc, r, plays[i]);
            return;
        }
    __glListRecordError(gc, GL_INVALID_ENUM);
}

// Evaluator maps: the control points are stored packed as floats.
static GLint mapComponents(GLenum target, GLenum base) {
    static const int8_t k[9] = {4, 1, 3, 1, 2, 3, 4, 3, 4};
    return target - base < 9u ? k[target - base] : -1;
}
static bool mapDomainBad(GlContext* gc, GLint order, GLint stride, GLint k, GLfloat a, GLfloat b) {
    return order > gc->limits.maxEvalOrder || order <= 0 || stride < k || a == b;
}

static const uint8_t* GLPROC playMap1(const uint8_t* op) {
    GLfloat u[2];
    memcpy(u, op + 4, 8);
    const GLenum target = word(op);
    const GLint order = (GLint)word(op + 12), k = mapComponents(target, GL_MAP1_COLOR_4);
    GL_LIVE(Map1f)(target, u[0], u[1], k, order, (const GLfloat*)(op + 16));
    return op + 16 + 4 * order * k;
}
template <class T>
static void compileMap1(int opcode, GLenum target, T u1, T u2, GLint stride, GLint order, const T* points) {
    GlContext* gc = compiling();
    const GLint k = mapComponents(target, GL_MAP1_COLOR_4);
    if (k < 0) return __glListRecordError(gc, GL_INVALID_ENUM);
    if (mapDomainBad(gc, order, stride, k, (GLfloat)u1, (GLfloat)u2)) return __glListRecordError(gc, GL_INVALID_VALUE);
    GlListRecord* r = newRecord(gc, opcode, 16 + 4 * (uint64_t)order * k);
    if (!r) return;
    uint8_t* p = __glListOperands(r);
    const GLfloat u[2] = {(GLfloat)u1, (GLfloat)u2};
    memcpy(p, &target, 4);
    memcpy(p + 4, u, 8);
    memcpy(p + 12, &order, 4);
    GLfloat* out = (GLfloat*)(p + 16);
    for (GLint i = 0; i < order; i++)
        for (GLint c = 0; c < k; c++) *out++ = (GLfloat)points[i * stride + c];
    __glListAppendRecord(gc, r, playMap1);
}
extern "C" void GLIMM __glCompileMap1d(GLenum target, GLdouble u1, GLdouble u2, GLint stride, GLint order,
                                      const GLdouble* points) {
    compileMap1(141, target, u1, u2, stride, order, points);
}
extern "C" void GLIMM __glCompileMap1f(GLenum target, GLfloat u1, GLfloat u2, GLint stride, GLint order,
                                      const GLfloat* points) {
    compileMap1(142, target, u1, u2, stride, order, points);
}

static const uint8_t* GLPROC playMap2(const uint8_t* op) {
    GLfloat u[2], v[2];
    memcpy(u, op + 4, 8);
    memcpy(v, op + 16, 8);
    const GLenum target = word(op);
    const GLint uorder = (GLint)word(op + 12), vorder = (GLint)word(op + 24);
    const GLint k = mapComponents(target, GL_MAP2_COLOR_4);
    GL_LIVE(Map2f)(target, u[0], u[1], k * vorder, uorder, v[0], v[1], k, vorder, (const GLfloat*)(op + 28));
    return op + 28 + 4 * uorder * vorder * k;
}
template <class T>
static void compileMap2(int opcode, GLenum target, T u1, T u2, GLint ustride, GLint uorder, T v1, T v2,
                        GLint vstride, GLint vorder, const T* points) {
    GlContext* gc = compiling();
    const GLint k = mapComponents(target, GL_MAP2_COLOR_4);
    if (k < 0) return __glListRecordError(gc, GL_INVALID_ENUM);
    if (mapDomainBad(gc, uorder, ustride, k, (GLfloat)u1, (GLfloat)u2) ||
        mapDomainBad(gc, vorder, vstride, k, (GLfloat)v1, (GLfloat)v2))
        return __glListRecordError(gc, GL_INVALID_VALUE);
    GlListRecord* r = newRecord(gc, opcode, 28 + 4 * (uint64_t)uorder * vorder * k);
    if (!r) return;
    uint8_t* p = __glListOperands(r);
    const GLfloat u[2] = {(GLfloat)u1, (GLfloat)u2}, v[2] = {(GLfloat)v1, (GLfloat)v2};
    memcpy(p, &target, 4);
    memcpy(p + 4, u, 8);
    memcpy(p + 12, &uorder, 4);
    memcpy(p + 16, v, 8);
    memcpy(p + 24, &vorder, 4);
    GLfloat* out = (GLfloat*)(p + 28);
    for (GLint i = 0; i < uorder; i++)
        for (GLint j = 0; j < vorder; j++)
            for (GLint c = 0; c < k; c++) *out++ = (GLfloat)points[i * ustride + j * vstride + c];
    __glListAppendRecord(gc, r, playMap2);
}
extern "C" void GLIMM __glCompileMap2d(GLenum target, GLdouble u1, GLdouble u2, GLint ustride, GLint uorder,
                                      GLdouble v1, GLdouble v2, GLint vstride, GLint vorder, const GLdouble* points) {
    compileMap2(143, target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points);
}
extern "C" void GLIMM __glCompileMap2f(GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder,
                                      GLfloat v1, GLfloat v2, GLint vstride, GLint vorder, const GLfloat* points) {
    compileMap2(144, target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points);
}

// Pixel maps: map, size, the values. Sizes beyond the immediate call's limit
// are its GL_INVALID_VALUE.
template <int Slot, class T>
struct GlPixelMapCall {
    static const uint8_t* GLPROC play(const uint8_t* op) {
        const GLsizei n = (GLsizei)word(op + 4);
        ((void(GLIMM*)(GLenum, GLsizei, const T*))liveEntry(Slot))(word(op), n, (const T*)(op + 8));
        return op + 8 + round4((uint64_t)n * sizeof(T));
    }
    static void record(int opcode, GLenum map, GLsizei n, const T* values) {
        GlContext* gc = compiling();
        if (n < 0 || n > gc->limits.maxPixelMapTable) return __glListRecordError(gc, GL_INVALID_VALUE);
        GlListRecord* r = newRecord(gc, opcode, 8 + round4((uint64_t)n * sizeof(T)));
        if (!r) return;
        uint8_t* p = __glListOperands(r);
        memcpy(p, &map, 4);
        memcpy(p + 4, &n, 4);
        if (n) memcpy(p + 8, values, (size_t)n * sizeof(T));
        __glListAppendRecord(gc, r, play);
    }
};
extern "C" void GLIMM __glCompilePixelMapfv(GLenum map, GLsizei n, const GLfloat* values) {
    GlPixelMapCall<GL_SLOT_PixelMapfv, GLfloat>::record(166, map, n, values);
}
extern "C" void GLIMM __glCompilePixelMapuiv(GLenum map, GLsizei n, const GLuint* values) {
    GlPixelMapCall<GL_SLOT_PixelMapuiv, GLuint>::record(167, map, n, values);
}
extern "C" void GLIMM __glCompilePixelMapusv(GLenum map, GLsizei n, const GLushort* values) {
    GlPixelMapCall<GL_SLOT_PixelMapusv, GLushort>::record(168, map, n, values);
}

static const uint8_t* GLPROC playPrioritizeTextures(const uint8_t* op) {
    const GLsizei n = (GLsizei)word(op);
    GL_LIVE(PrioritizeTextures)(n, (const GLuint*)(op + 4), (const GLclampf*)(op + 4 + 4 * (size_t)n));
    return op + 4 + 8 * (size_t)n;
}
extern "C" void GLIMM __glCompilePrioritizeTextures(GLsizei n, const GLuint* textures, const GLclampf* priorities) {
    GlContext* gc = compiling();
    if (n < 0) return __glListRecordError(gc, GL_INVALID_VALUE);
    GlListRecord* r = newRecord(gc, 206, 4 + 8 * (uint64_t)n);
    if (!r) return;
    uint8_t* p = __glListOperands(r);
    memcpy(p, &n, 4);
    if (n) {
        memcpy(p + 4, textures, (size_t)n * 4);
        memcpy(p + 4 + (size_t)n * 4, priorities, (size_t)n * 4);
    }
    __glListAppendRecord(gc, r, playPrioritizeTextures);
}

// ---- material merge

// Operands of a material block: per face {face, mask, values}, then a 0 word.
// Values, in mask order: ambient, diffuse, specular, emission (4 floats each),
// shininess, colour indexes (ambient, specular, diffuse).
enum { GL_MAT_AMBIENT = 0x1, GL_MAT_DIFFUSE = 0x2, GL_MAT_SPECULAR = 0x4, GL_MAT_EMISSION = 0x8,
       GL_MAT_SHININESS = 0x10, GL_MAT_INDEXES = 0x20 };

struct GlMaterialAcc {
    GLuint mask;
    GLfloat ambient[4], diffuse[4], specular[4], emission[4];
    GLfloat shininess;
    GLfloat indexes[3];  // ambient, specular, diffuse
};

static bool mergeable(const GlListRecord* r) {
    if (r->opcode != 96 && r->opcode != 98) return false;
    const GLenum pname = word((const uint8_t*)(r + 1) + 4);
    return pname != GL_INDEX_SHIFT && pname != GL_INDEX_OFFSET;
}

static void mergeParam(GlMaterialAcc* m, GLenum pname, const GLfloat* v) {
    switch (pname) {
    case GL_AMBIENT: memcpy(m->ambient, v, 16), m->mask |= GL_MAT_AMBIENT; break;
    case GL_DIFFUSE: memcpy(m->diffuse, v, 16), m->mask |= GL_MAT_DIFFUSE; break;
    case GL_SPECULAR: memcpy(m->specular, v, 16), m->mask |= GL_MAT_SPECULAR; break;
    case GL_EMISSION: memcpy(m->emission, v, 16), m->mask |= GL_MAT_EMISSION; break;
    case GL_SHININESS: m->shininess = v[0], m->mask |= GL_MAT_SHININESS; break;
    case GL_AMBIENT_AND_DIFFUSE:
        memcpy(m->ambient, v, 16), memcpy(m->diffuse, v, 16);
        m->mask |= GL_MAT_AMBIENT | GL_MAT_DIFFUSE;
        break;
    case GL_COLOR_INDEXES:  // given as ambient, diffuse, specular
        m->indexes[0] = v[0], m->indexes[1] = v[2], m->indexes[2] = v[1];
        m->mask |= GL_MAT_INDEXES;
        break;
    }
}

static uint8_t* putFloats(uint8_t* p, const GLfloat* v, int n) {
    memcpy(p, v, 4 * n);
    return p + 4 * n;
}
static int groupBytes(const GlMaterialAcc* m) {
    if (!m->mask) return 0;
    return 8 + 16 * __builtin_popcount(m->mask & 0xF) + (m->mask & GL_MAT_SHININESS ? 4 : 0) +
           (m->mask & GL_MAT_INDEXES ? 12 : 0);
}
static uint8_t* putGroup(uint8_t* p, GLenum face, const GlMaterialAcc* m) {
    if (!m->mask) return p;
    memcpy(p, &face, 4);
    memcpy(p + 4, &m->mask, 4);
    p += 8;
    if (m->mask & GL_MAT_AMBIENT) p = putFloats(p, m->ambient, 4);
    if (m->mask & GL_MAT_DIFFUSE) p = putFloats(p, m->diffuse, 4);
    if (m->mask & GL_MAT_SPECULAR) p = putFloats(p, m->specular, 4);
    if (m->mask & GL_MAT_EMISSION) p = putFloats(p, m->emission, 4);
    if (m->mask & GL_MAT_SHININESS) p = putFloats(p, &m->shininess, 1);
    if (m->mask & GL_MAT_INDEXES) p = putFloats(p, m->indexes, 3);
    return p;
}

// Applies a material block to the context's materials at once. Vertices
// gathered inside glBegin/glEnd are lit with the material of their time
// first, and colour material overrides what it tracks, as with the
// glMaterial calls the block stands for.
extern "C" const uint8_t* GLPROC __glListExecMaterialBlock(const uint8_t* op) {
    GlContext* gc = __glCurrentContext();
    if (__glThreadState()->beginState == GL_BEGIN_INSIDE && (gc->enables.general & GL_EN_LIGHTING))
        gc->procs.clipPrimitiveVertices(gc);
    GLuint changed[2] = {0, 0};
    for (;;) {
        const GLenum face = word(op);
        op += 4;
        if (!face) break;
        const GLuint mask = word(op);
        op += 4;
        const int back = face == GL_BACK;
        GlMaterial* m = back ? &gc->lighting.back : &gc->lighting.front;
        changed[back] |= mask;
        if (mask & GL_MAT_AMBIENT) memcpy(m->ambient, op, 16), op += 16;
        if (mask & GL_MAT_DIFFUSE) memcpy(m->diffuse, op, 16), op += 16;
        if (mask & GL_MAT_SPECULAR) memcpy(m->specular, op, 16), op += 16;
        if (mask & GL_MAT_EMISSION) {
            GLfloat e[4];
            memcpy(e, op, 16);
            __glScaleColor(gc, m->emission, e);
            op += 16;
        }
        if (mask & GL_MAT_SHININESS) memcpy(&m->shininess, op, 4), op += 4;
        if (mask & GL_MAT_INDEXES) {  // stored as ambient, specular, diffuse
            memcpy(&m->ambientIndex, op, 4);
            memcpy(&m->specularIndex, op + 4, 4);
            memcpy(&m->diffuseIndex, op + 8, 4);
            op += 12;
        }
    }
    if (changed[0] | changed[1]) __glUpdateLighting(gc, changed[0], changed[1]);
    if (gc->enables.general & GL_EN_COLOR_MATERIAL) gc->procs.applyCurrentColor(gc);
    return op;
}

static void mergeRecord(GlMaterialAcc* front, GlMaterialAcc* back, const GlListRecord* r) {
    const uint8_t* op = (const uint8_t*)(r + 1);
    const GLenum face = word(op), pname = word(op + 4);
    const int n = materialCount(pname);
    GLfloat v[4];
    for (int i = 0; i < n; i++) {
        if (r->opcode == 96) {
            memcpy(&v[i], op + 8 + 4 * i, 4);
        } else {
            const GLint c = (GLint)word(op + 8 + 4 * i);
            v[i] = n == 4 ? __glIntToUnit(c) : (GLfloat)c;
        }
    }
    if (face != GL_BACK) mergeParam(front, pname, v);
    if (face != GL_FRONT) mergeParam(back, pname, v);
}

static void mergeMaterials(GlContext* gc, GlListBuild* build) {
    GlListRecord** link = &build->head;
    GlListRecord* prev = nullptr;
    while (*link) {
        GlListRecord* r = *link;
        if (!mergeable(r)) {
            prev = r;
            link = &r->next;
            continue;
        }
        GlMaterialAcc front = {}, back = {};
        GlListRecord* s = r;
        for (; s && mergeable(s); s = s->next) mergeRecord(&front, &back, s);
        const int bytes = groupBytes(&front) + groupBytes(&back) + 4;
        GlListRecord* m = (GlListRecord*)gc->procs.arenaAlloc(gc, gc->lists.arena, sizeof(GlListRecord) + bytes);
        if (!m) return;  // the chain stays as it is
        m->next = s;
        m->release = nullptr;
        m->size = (GLuint)bytes;
        m->opcode = GL_OP_MATERIAL_BLOCK;
        m->align8 = 0;
        m->pad = 0;
        uint8_t* p = putGroup(putGroup(__glListOperands(m), GL_FRONT, &front), GL_BACK, &back);
        memset(p, 0, 4);
        *link = m;
        if (!s) build->tail = m;
        prev = m;
        link = &m->next;
    }
    (void)prev;
}

extern "C" void GLPROC __glListOptimize(GlContext* gc, GlListBuild* build) {
    if (build->flags & GL_LIST_HAS_MATERIAL) mergeMaterials(gc, build);
}

// ---- playback tables

extern "C" const uint8_t* GLPROC __glPlayBitmap(const uint8_t* op);
extern "C" const uint8_t* GLPROC __glPlayPolygonStipple(const uint8_t* op);
extern "C" const uint8_t* GLPROC __glPlayTexImage1D(const uint8_t* op);
extern "C" const uint8_t* GLPROC __glPlayTexImage2D(const uint8_t* op);
extern "C" const uint8_t* GLPROC __glPlayDrawPixels(const uint8_t* op);
extern "C" const uint8_t* GLPROC __glPlayColorSubTableEXT(const uint8_t* op);
extern "C" const uint8_t* GLPROC __glPlayColorTableEXT(const uint8_t* op);
extern "C" const uint8_t* GLPROC __glPlayTexSubImage1D(const uint8_t* op);
extern "C" const uint8_t* GLPROC __glPlayTexSubImage2D(const uint8_t* op);

struct GlOpTables {
    GlListPlayProc op[GL_OP_TABLE_SIZE];
    GlListPlayProc ext[GL_OP_EXTENDED_SIZE];
};

static constexpr GlOpTables makeOpTables() {
    GlOpTables t = {};
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) \
    GL_IF(GL_IS_LISTED(GL_SCALAR_##name))(                      \
        t.op[GL_OP_OF(GL_SCALAR_##name)] = &GlScalarCall<GL_SLOT_##name, GlSig_##name>::play;)
#include "glslots.inc"
#undef GL_SLOT
#define GL_VECTOR_TABLE(op_, Name, T, N) t.op[op_] = &GlVectorCall<GL_SLOT_##Name##v, T, N>::play;
    GL_VECTOR_LIST(GL_VECTOR_TABLE)
#define GL_ARRAY_TABLE(op_, Name, T, N) t.op[op_] = &GlVectorCall<GL_SLOT_##Name, T, N>::play;
    GL_ARRAY_LIST(GL_ARRAY_TABLE)
#define GL_RECT_TABLE(op_, Name, T) t.op[op_] = &GlRectCall<GL_SLOT_##Name##v, T>::play;
    GL_RECT_LIST(GL_RECT_TABLE)
    t.op[GL_OP_CALL_LIST] = playCallList;
    t.op[GL_OP_CALL_LISTS] = playCallLists;
    t.op[4] = __glPlayBitmap;
    t.op[76] = playClipPlane;
    t.op[79] = &GlScalarCall<GL_SLOT_Fogf, GlSig_Fogf>::play;
    t.op[80] = &FogfvCall::play;
    t.op[81] = &GlScalarCall<GL_SLOT_Fogi, GlSig_Fogi>::play;
    t.op[82] = &FogivCall::play;
    t.op[85] = t.op[86] = &LightfvCall::play;
    t.op[87] = t.op[88] = &LightivCall::play;
    t.op[89] = t.op[90] = &LightModelfvCall::play;
    t.op[91] = t.op[92] = &LightModelivCall::play;
    t.op[95] = t.op[96] = &MaterialfvCall::play;
    t.op[97] = t.op[98] = &MaterialivCall::play;
    t.op[101] = __glPlayPolygonStipple;
    t.op[104] = t.op[105] = &TexParameterfvCall::play;
    t.op[106] = t.op[107] = &TexParameterivCall::play;
    t.op[108] = __glPlayTexImage1D;
    t.op[109] = __glPlayTexImage2D;
    t.op[110] = t.op[111] = &TexEnvfvCall::play;
    t.op[112] = t.op[113] = &TexEnvivCall::play;
    t.op[114] = t.op[115] = &TexGendvCall::play;
    t.op[116] = t.op[117] = &TexGenfvCall::play;
    t.op[118] = t.op[119] = &TexGenivCall::play;
    t.op[137] = &GlScalarCall<GL_SLOT_Disable, GlSig_Disable>::play;
    t.op[138] = &GlScalarCall<GL_SLOT_Enable, GlSig_Enable>::play;
    t.op[141] = t.op[142] = playMap1;
    t.op[143] = t.op[144] = playMap2;
    t.op[166] = &GlPixelMapCall<GL_SLOT_PixelMapfv, GLfloat>::play;
    t.op[167] = &GlPixelMapCall<GL_SLOT_PixelMapuiv, GLuint>::play;
    t.op[168] = &GlPixelMapCall<GL_SLOT_PixelMapusv, GLushort>::play;
    t.op[171] = __glPlayDrawPixels;
    t.op[190] = t.op[191] = t.op[195] = t.op[196] = t.op[197] = playNothing;
    t.op[192] = __glPlayColorSubTableEXT;
    t.op[193] = __glPlayColorTableEXT;
    t.op[203] = __glPlayTexSubImage1D;
    t.op[204] = __glPlayTexSubImage2D;
    t.op[206] = playPrioritizeTextures;
    t.ext[0] = playBegin<0>, t.ext[1] = playBegin<1>, t.ext[2] = playBegin<2>, t.ext[3] = playBegin<3>;
    t.ext[4] = playBegin<4>, t.ext[5] = playBegin<5>, t.ext[6] = playBegin<6>, t.ext[7] = playBegin<7>;
    t.ext[8] = playBegin<8>, t.ext[9] = playBegin<9>;
    t.ext[10] = playInvalidValue;
    t.ext[11] = playInvalidEnum;
    t.ext[12] = t.ext[13] = playInvalidOperation;
    t.ext[14] = __glListExecMaterialBlock;
    t.ext[15] = playTableTooLarge;
    t.ext[16] = playArrayDraw;
    return t;
}

static constexpr GlOpTables opTables = makeOpTables();
extern "C" const GlListPlayProc* const __glListOpTable = opTables.op;
extern "C" const GlListPlayProc* const __glListExtOpTable = opTables.ext;
