// glBegin, glEnd, the vertex and current-attribute entries, clip tests,
// attribute gatherers and on-demand vertex completion.

#include <math.h>
#include <string.h>
#include "core/stateutil.h"
#include "geometry.h"
#include "attrconv.h"
#include "arrays.h"

// ---- glBegin / glEnd.

extern "C" void GLPROC __glEndPrimitive(GlContext* gc) {
    gc->procs.primitiveVertex = (GlVertexProc)__glNop;
    gc->procs.endPrimitive = __glEndPrimitive;
}

static void GLPROC endPoints(GlContext* gc) { __glEndPrimitive(gc); }

extern "C" void GLPROC __glBeginPoints(GlContext* gc) {
    gc->vertexPointer = gc->vertexBuffer;
    gc->procs.primitiveVertex = gc->procs.renderPoint;
    gc->procs.endPrimitive = endPoints;
    gc->procs.clipPrimitiveVertices = (GlContextProc)__glNop;
}

GlContext* __glStartPrimitive(GlThreadState* ts, GLenum mode) {
    switch (__glDrawPrologue(ts)) {
    case GL_DRAW_REFUSED:
        return nullptr;
    case GL_DRAW_VALIDATED:
        glBegin(mode);
        return nullptr;
    case GL_DRAW_ACT:
        break;
    }
    if (mode > GL_POLYGON) return __glSetError(GL_INVALID_ENUM), nullptr;
    ts->beginState = GL_BEGIN_INSIDE;
    return ts->context;
}

extern "C" void GLIMM __glImmBegin(GLenum mode) {
    if (GlContext* gc = __glStartPrimitive(__glThreadState(), mode)) (&gc->procs.beginPoints)[mode](gc);
}

extern "C" void GLIMM __glImmEnd(void) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState != GL_BEGIN_INSIDE) return __glSetError(GL_INVALID_OPERATION);
    GlContext* gc = ts->context;
    gc->procs.endPrimitive(gc);
    ts->beginState = GL_BEGIN_OUTSIDE;
}

extern "C" void GLIMM __glImmEdgeFlag(GLboolean flag) { __glCurrentContext()->current.edgeFlag = flag; }
extern "C" void GLIMM __glImmEdgeFlagv(const GLboolean* flag) { __glCurrentContext()->current.edgeFlag = *flag; }

// ---- Vertex entries.

template <int N>
static inline void vertexDirect(const GLfloat* v) {
    GlContext* gc = __glCurrentContext();
    GlVertex* vx = gc->vertexPointer;
    const GLuint size = (GLuint)(N - 1) << 10;
    vx->obj[0] = v[0];
    vx->obj[1] = v[1];
    vx->obj[2] = N >= 3 ? v[2] : 0.0f;
    vx->obj[3] = N == 4 ? v[3] : 1.0f;
    vx->flags = size;
    const GlMatrixRecord* c = &gc->matrices.modelViewTop->composite;
    GLuint codes;
    if (N == 2) {
        c->xform2(vx->clip, vx->obj, c);
        codes = gc->procs.clipTest2(gc, vx);
    } else if (N == 3) {
        c->xform3(vx->clip, vx->obj, c);
        codes = gc->procs.clipTest3(gc, vx);
    } else {
        c->xform4(vx->clip, vx->obj, c);
        codes = gc->procs.clipTest4(gc, vx);
    }
    // Done bits the clip test computed (eye coordinates for user planes) stay.
    if (gc->arrays.flags & GL_ARRAY_CULL_VERTEX) {
        GlMatrixEntry* mv = gc->matrices.modelViewTop;
        if (mv->inverseStale) gc->procs.matrixChanged(gc, mv);  // the object-space cull vector
        codes |= __glCullVertexCode(gc, vx, gc->current.normal);
    }
    vx->flags = codes | size | (vx->flags & 0x7F);
    gc->procs.gatherAttributes(gc, vx);
}

extern "C" void GLIMM __glImmVertex2fv(const GLfloat* v) { vertexDirect<2>(v); }
extern "C" void GLIMM __glImmVertex3fv(const GLfloat* v) { vertexDirect<3>(v); }
extern "C" void GLIMM __glImmVertex4fv(const GLfloat* v) { vertexDirect<4>(v); }

// The converting forms go through the thread's live fv slots (the vertex
// cache's hooks when it sits there).
typedef void(GLIMM* VertexFv)(const GLfloat*);
template <int N>
static inline void vertexLive(const GLfloat* v) {
    static const int slots[3] = {GL_SLOT_Vertex2fv, GL_SLOT_Vertex3fv, GL_SLOT_Vertex4fv};
    ((VertexFv)__glThreadState()->dispatch.entry[slots[N - 2] - GL_FIRST_SLOT])(v);
}
template <int N, class T>
static inline void vertexConv(T x, T y, T z, T w) {
    const GLfloat v[4] = {(GLfloat)x, (GLfloat)y, (GLfloat)z, (GLfloat)w};
    vertexLive<N>(v);
}
template <int N, class T>
static inline void vertexConvV(const T* p) {
    GLfloat v[4];
    for (int i = 0; i < N; i++) v[i] = (GLfloat)p[i];
    vertexLive<N>(v);
}

#define GL_VERTEX_FORMS(T, s)                                                                           \
    extern "C" void GLIMM __glImmVertex2##s(T x, T y) { vertexConv<2, T>(x, y, 0, 1); }                 \
    extern "C" void GLIMM __glImmVertex3##s(T x, T y, T z) { vertexConv<3, T>(x, y, z, 1); }            \
    extern "C" void GLIMM __glImmVertex4##s(T x, T y, T z, T w) { vertexConv<4, T>(x, y, z, w); }       \
    extern "C" void GLIMM __glImmVertex2##s##v(const T* v) { vertexConvV<2, T>(v); }                     \
    extern "C" void GLIMM __glImmVertex3##s##v(const T* v) { vertexConvV<3, T>(v); }                     \
    extern "C" void GLIMM __glImmVertex4##s##v(const T* v) { vertexConvV<4, T>(v); }
GL_VERTEX_FORMS(GLdouble, d)
GL_VERTEX_FORMS(GLint, i)
GL_VERTEX_FORMS(GLshort, s)
#undef GL_VERTEX_FORMS
extern "C" void GLIMM __glImmVertex2f(GLfloat x, GLfloat y) { vertexConv<2, GLfloat>(x, y, 0, 1); }
extern "C" void GLIMM __glImmVertex3f(GLfloat x, GLfloat y, GLfloat z) { vertexConv<3, GLfloat>(x, y, z, 1); }
extern "C" void GLIMM __glImmVertex4f(GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    vertexConv<4, GLfloat>(x, y, z, w);
}

// ---- Current attributes.

template <class T>
static inline void colorEntry(T r, T g, T b, GLfloat a) {
    GlContext* gc = __glCurrentContext();
    GLfloat* c = gc->current.color;
    c[0] = __glUnitOf(gc, r), c[1] = __glUnitOf(gc, g), c[2] = __glUnitOf(gc, b), c[3] = a;
    gc->procs.applyCurrentColor(gc);
}
template <class T>
static inline void color4(T r, T g, T b, T a) {
    GlContext* gc = __glCurrentContext();
    colorEntry<T>(r, g, b, __glUnitOf(gc, a));
}

#define GL_COLOR_FORMS(T, s)                                                                       \
    extern "C" void GLIMM __glImmColor3##s(T r, T g, T b) { colorEntry<T>(r, g, b, 1.0f); }         \
    extern "C" void GLIMM __glImmColor3##s##v(const T* v) { colorEntry<T>(v[0], v[1], v[2], 1.0f); } \
    extern "C" void GLIMM __glImmColor4##s(T r, T g, T b, T a) { color4<T>(r, g, b, a); }            \
    extern "C" void GLIMM __glImmColor4##s##v(const T* v) { color4<T>(v[0], v[1], v[2], v[3]); }
GL_COLOR_FORMS(GLbyte, b)
GL_COLOR_FORMS(GLdouble, d)
GL_COLOR_FORMS(GLfloat, f)
GL_COLOR_FORMS(GLint, i)
GL_COLOR_FORMS(GLshort, s)
GL_COLOR_FORMS(GLubyte, ub)
GL_COLOR_FORMS(GLuint, ui)
GL_COLOR_FORMS(GLushort, us)
#undef GL_COLOR_FORMS

#define GL_INDEX_FORMS(T, s)                                                                           \
    extern "C" void GLIMM __glImmIndex##s(T c) { __glCurrentContext()->current.index = (GLfloat)c; }   \
    extern "C" void GLIMM __glImmIndex##s##v(const T* c) { __glCurrentContext()->current.index = (GLfloat)*c; }
GL_INDEX_FORMS(GLdouble, d)
GL_INDEX_FORMS(GLfloat, f)
GL_INDEX_FORMS(GLint, i)
GL_INDEX_FORMS(GLshort, s)
GL_INDEX_FORMS(GLubyte, ub)
#undef GL_INDEX_FORMS

template <class T>
static inline void normalEntry(T x, T y, T z) {
    GlContext* gc = __glCurrentContext();
    GLfloat* n = gc->current.normal;
    n[0] = __glUnitOf(gc, x), n[1] = __glUnitOf(gc, y), n[2] = __glUnitOf(gc, z);
}
#define GL_NORMAL_FORMS(T, s)                                                           \
    extern "C" void GLIMM __glImmNormal3##s(T x, T y, T z) { normalEntry<T>(x, y, z); } \
    extern "C" void GLIMM __glImmNormal3##s##v(const T* v) { normalEntry<T>(v[0], v[1], v[2]); }
GL_NORMAL_FORMS(GLbyte, b)
GL_NORMAL_FORMS(GLdouble, d)
GL_NORMAL_FORMS(GLfloat, f)
GL_NORMAL_FORMS(GLint, i)
GL_NORMAL_FORMS(GLshort, s)
#undef GL_NORMAL_FORMS

template <class T>
static inline void texCoordEntry(T s, T t, T r, T q) {
    GLfloat* c = __glCurrentContext()->current.texCoord;
    c[0] = (GLfloat)s, c[1] = (GLfloat)t, c[2] = (GLfloat)r, c[3] = (GLfloat)q;
}
#define GL_TEXCOORD_FORMS(T, s)                                                                          \
    extern "C" void GLIMM __glImmTexCoord1##s(T a) { texCoordEntry<T>(a, 0, 0, 1); }                      \
    extern "C" void GLIMM __glImmTexCoord2##s(T a, T b) { texCoordEntry<T>(a, b, 0, 1); }                 \
    extern "C" void GLIMM __glImmTexCoord3##s(T a, T b, T c) { texCoordEntry<T>(a, b, c, 1); }            \
    extern "C" void GLIMM __glImmTexCoord4##s(T a, T b, T c, T d) { texCoordEntry<T>(a, b, c, d); }       \
    extern "C" void GLIMM __glImmTexCoord1##s##v(const T* v) { texCoordEntry<T>(v[0], 0, 0, 1); }         \
    extern "C" void GLIMM __glImmTexCoord2##s##v(const T* v) { texCoordEntry<T>(v[0], v[1], 0, 1); }      \
    extern "C" void GLIMM __glImmTexCoord3##s##v(const T* v) { texCoordEntry<T>(v[0], v[1], v[2], 1); }   \
    extern "C" void GLIMM __glImmTexCoord4##s##v(const T* v) { texCoordEntry<T>(v[0], v[1], v[2], v[3]); }
GL_TEXCOORD_FORMS(GLdouble, d)
GL_TEXCOORD_FORMS(GLfloat, f)
GL_TEXCOORD_FORMS(GLint, i)
GL_TEXCOORD_FORMS(GLshort, s)
#undef GL_TEXCOORD_FORMS

// The scaled current colour with lighting off: clamped to [0, 1] and scaled.
extern "C" void GLPROC __glApplyCurrentColorUnlit(GlContext* gc) {
    const GLfloat* scale = __glColorScales(gc);
    for (int i = 0; i < 4; i++) gc->current.scaledColor[i] = __glClampScaleComponent(gc->current.color[i], scale[i]);
}

// __glPickColorMaterial and the colour-material stores: light.cpp.

// ---- Clip tests.

static inline GLuint frustumCodes(const GLfloat* c) {
    const GLfloat x = c[0], y = c[1], z = c[2], w = c[3], nw = -w;
    GLuint codes = 0;
    if (nw > x) codes |= GL_VX_CLIP_LEFT;
    if (x > w) codes |= GL_VX_CLIP_RIGHT;
    if (nw > y) codes |= GL_VX_CLIP_BOTTOM;
    if (y > w) codes |= GL_VX_CLIP_TOP;
    if (nw > z) codes |= GL_VX_CLIP_NEAR;
    if (z > w) codes |= GL_VX_CLIP_FAR;
    return codes;
}

// Window coordinates of an unclipped vertex. A vertex whose w is not positive
// or whose coordinates are not finite counts as outside every frustum plane.
static inline GLuint windowCoords(GlContext* gc, GlVertex* v, GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    if (!(w > 0.0f) || !__builtin_isfinite(w)) return 0x3F0000;
    const GLfloat wx = x * gc->viewportXform.xScale + gc->viewportXform.xCentre;
    const GLfloat wy = y * gc->viewportXform.yScale + gc->viewportXform.yCentre;
    const GLfloat wz = z * gc->viewportXform.zScale + gc->viewportXform.zCentre;
    if (!__builtin_isfinite(wx) || !__builtin_isfinite(wy) || !__builtin_isfinite(wz)) return 0x3F0000;
    v->window[0] = wx, v->window[1] = wy, v->window[2] = wz;
    return 0;
}

extern "C" GLuint GLPROC __glClipTestVertex(GlContext* gc, GlVertex* v) {
    const GLfloat w = v->clip[3];
    const GLfloat invW = gc->constants.one / w;
    GLuint codes = frustumCodes(v->clip);
    v->invW = invW;
    v->flags |= GL_VX_WINDOW;
    if (!codes) codes = windowCoords(gc, v, v->clip[0] * invW, v->clip[1] * invW, v->clip[2] * invW, w);
    return codes;
}

extern "C" GLuint GLPROC __glClipTestPlanar2(GlContext* gc, GlVertex* v) {
    const GLfloat x = v->clip[0], y = v->clip[1], w = v->clip[3], nw = -w;
    GLuint codes = 0;
    if (nw > x) codes |= GL_VX_CLIP_LEFT;
    if (x > w) codes |= GL_VX_CLIP_RIGHT;
    if (nw > y) codes |= GL_VX_CLIP_BOTTOM;
    if (y > w) codes |= GL_VX_CLIP_TOP;
    v->invW = w;
    v->flags |= GL_VX_WINDOW;
    if (!codes) codes = windowCoords(gc, v, x, y, v->clip[2], w);
    return codes;
}

extern "C" GLuint GLPROC __glClipTestUser(GlContext* gc, GlVertex* v) {
    __glCompleteVertex(gc, v, GL_VX_EYE);
    const GLfloat w = v->clip[3];
    const GLfloat invW = gc->constants.one / w;
    GLuint codes = frustumCodes(v->clip);
    const GLfloat* e = v->eye;
    for (GLuint i = 0, mask = gc->clipPlaneMask; mask; i++, mask >>= 1) {
        if (!(mask & 1)) continue;
        const GLfloat* p = gc->transform.eyeClipPlanes[i];
        if (p[0] * e[0] + p[1] * e[1] + p[2] * e[2] + p[3] * e[3] < 0.0f) codes |= GL_VX_CLIP_USER0 << i;
    }
    v->invW = invW;
    v->flags |= GL_VX_WINDOW;
    if (!codes) codes = windowCoords(gc, v, v->clip[0] * invW, v->clip[1] * invW, v->clip[2] * invW, w);
    return codes;
}
extern "C" GLuint GLPROC __glClipTestUser2(GlContext* gc, GlVertex* v) {
    v->obj[2] = 0.0f, v->obj[3] = 1.0f;
    return __glClipTestUser(gc, v);
}
extern "C" GLuint GLPROC __glClipTestUser3(GlContext* gc, GlVertex* v) {
    v->obj[3] = 1.0f;
    return __glClipTestUser(gc, v);
}

// ---- Gatherers.

enum { GATHER_NORMAL = GL_GATHER_NORMAL, GATHER_COLOR = GL_GATHER_COLOR, GATHER_INDEX = GL_GATHER_INDEX,
       GATHER_TEX = GL_GATHER_TEX };
template <int What>
static void GLPROC gather(GlContext* gc, GlVertex* v) {
    __glGatherCurrent<What>(gc, v);
    gc->procs.primitiveVertex(gc, v);
}

static const GlVertexProc gatherRgba[8] = {
    gather<GATHER_COLOR>, gather<GATHER_NORMAL>, gather<GATHER_COLOR>, gather<GATHER_COLOR>,
    gather<GATHER_TEX>, gather<GATHER_NORMAL | GATHER_TEX>, gather<GATHER_COLOR | GATHER_TEX>,
    gather<GATHER_NORMAL | GATHER_COLOR | GATHER_TEX>,
};
static const GlVertexProc gatherIndex[8] = {
    gather<GATHER_INDEX>, gather<GATHER_NORMAL>, gather<GATHER_INDEX>, gather<GATHER_INDEX>,
    gather<GATHER_TEX>, gather<GATHER_NORMAL | GATHER_TEX>, gather<GATHER_INDEX | GATHER_TEX>,
    gather<GATHER_NORMAL | GATHER_INDEX | GATHER_TEX>,
};

// ---- Completion.

extern "C" void GLPROC __glEyeNormal(GlContext* gc, GlVertex* v, GLint N, GLfloat* to) {
    GlMatrixEntry* mv = gc->matrices.modelViewTop;
    if (mv->inverseStale) gc->procs.matrixChanged(gc, mv);
    GlMatrixRecord* inv = &mv->inverseTransposed;
    const GLfloat* n = v->normal;
    const GLfloat* o = v->obj;
    if (inv->type == GL_MATRIX_GENERAL) {
        if (N == 2) v->normalPlane = -(n[0] * o[0] + n[1] * o[1]);
        else if (N == 3) v->normalPlane = -(n[0] * o[0] + n[1] * o[1] + n[2] * o[2]);
        else v->normalPlane = o[3] == 0.0f ? 0.0f : -(n[0] * o[0] + n[1] * o[1] + n[2] * o[2]) / o[3];
    } else if (N == 4) {
        v->normalPlane = 0.0f;
    }
    GLfloat in[4] = {n[0], n[1], n[2], v->normalPlane}, out[4];
    inv->xform3(out, in, inv);
    if (gc->enables.general & GL_EN_NORMALIZE) gc->procs.normalize(to, out);
    else memcpy(to, out, 12);
}

template <int N>
static GLuint completeVertex(GlContext* gc, GlVertex* v, GLuint mask) {
    const GLuint old = v->flags;
    // Done bits and the divided-coordinates mark that texture generation honours.
    GLuint wanted = mask & ~old & (0x7F | GL_VX_TEX_DIVIDED);
    if (!wanted) return old;
    // Lighting reads the eye normal (unless it lights object normals), and
    // the eye position for local lights: they are done first whatever the
    // mask asks (a flat triangle's provoking vertex is completed for its
    // colour alone).
    if (wanted & (GL_VX_FRONT_LIT | GL_VX_BACK_LIT))
        wanted |= gc->vertexNeedsFront & ~old & (gc->lightingDerived.objectSpace ? GL_VX_EYE : GL_VX_EYE_NORMAL | GL_VX_EYE);
    GlMatrixEntry* mv = gc->matrices.modelViewTop;
    if (wanted & GL_VX_EYE) {
        const GlMatrixRecord* m = &mv->matrix;
        if (N == 2) m->xform2(v->eye, v->obj, m);
        else if (N == 3) m->xform3(v->eye, v->obj, m);
        else m->xform4(v->eye, v->obj, m);
    }
    if (wanted & GL_VX_EYE_NORMAL) {
        __glEyeNormal(gc, v, N, v->normal);
        v->flags |= GL_VX_EYE_NORMAL;  // lighting below reads the eye normal
    }
    if (wanted & GL_VX_FOG) v->fog = gc->procs.fogVertex(gc, v);
    if (wanted & GL_VX_TEXGEN) {
        if (N == 2) v->obj[2] = 0.0f, v->obj[3] = 1.0f;
        if (N == 3) v->obj[3] = 1.0f;
        gc->procs.texGen(gc, v);
    }
    if (wanted & GL_VX_FRONT_LIT) gc->procs.lightVertex(gc, 0, v);
    if (wanted & GL_VX_BACK_LIT) gc->procs.lightVertex(gc, 1, v);
    v->flags = old | wanted;
    return old;
}
extern "C" GLuint GLPROC __glCompleteVertex2(GlContext* gc, GlVertex* v, GLuint m) { return completeVertex<2>(gc, v, m); }
extern "C" GLuint GLPROC __glCompleteVertex3(GlContext* gc, GlVertex* v, GLuint m) { return completeVertex<3>(gc, v, m); }
extern "C" GLuint GLPROC __glCompleteVertex4(GlContext* gc, GlVertex* v, GLuint m) { return completeVertex<4>(gc, v, m); }

// Ungenerated form until texture generation lands.
extern "C" void GLPROC __glTexGenNone(GlContext*, GlVertex*) {}

// ---- Lighting and fog completion forms (the lit and fogged ones: light.cpp, fog.cpp).

// Fog off or per fragment: no factor; the eye z.
extern "C" GLfloat GLPROC __glFogVertexNone(GlContext*, GlVertex* v) { return v->eye[2]; }
// Lighting off without vertex fog: the front colour is the gathered current
// colour (raster positions gather it before completion); a back colour copies it.
extern "C" void GLPROC __glLightVertexUnlit(GlContext*, GLint face, GlVertex* v) {
    if (face) memcpy(v->backColor, v->frontColor, 16);
}
// ---- End of lighting and fog completion forms.

extern "C" void GLPROC __glPickVertexProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    __glPickCullVertexMasks(gc);
    if (gc->clipPlaneMask) {
        p->clipTest2 = __glClipTestUser2;
        p->clipTest3 = __glClipTestUser3;
        p->clipTest4 = __glClipTestUser;
    } else {
        p->clipTest3 = p->clipTest4 = __glClipTestVertex;
        const GlMatrixRecord* c = &gc->matrices.modelViewTop->composite;
        const GLfloat zt = c->m[14];
        // Compared as floats: the planar test needs -1 <= z translation <= 1.
        p->clipTest2 = (c->type >= GL_MATRIX_PLANAR && zt >= -1.0f && zt <= 1.0f) ? __glClipTestPlanar2
                                                                                    : __glClipTestVertex;
    }
    if (!gc->frontNeeds) {
        p->completeVertex0 = p->completeVertex2 = p->completeVertex3 = p->completeVertex4 = (GlCompleteProc)__glNop;
    } else {
        p->completeVertex0 = (GlCompleteProc)__glNop;
        p->completeVertex2 = __glCompleteVertex2;
        p->completeVertex3 = __glCompleteVertex3;
        p->completeVertex4 = __glCompleteVertex4;
    }
    const GlVertexProc* table = gc->pixelFormat.rgba ? gatherRgba : gatherIndex;
    if (gc->renderMode == GL_FEEDBACK) {
        p->gatherAttributes = table[7];
        return;
    }
    const GLuint general = gc->enables.general;
    // Index bits 1 normal, 2 colour (or index), 4 texture coordinates.
    GLuint index = (general & GL_EN_LIGHTING) ? 1 : 2;
    if (gc->enables.texture & 0x3) {
        index |= 4;
        const GlTexGenState* g = gc->texture.gen;
        if (((gc->enables.texture & 0x4) && g[0].mode == GL_SPHERE_MAP) ||
            ((gc->enables.texture & 0x8) && g[1].mode == GL_SPHERE_MAP))
            index |= 1;  // sphere mapping reads the normal
    }
    p->gatherAttributes = table[index];
}
