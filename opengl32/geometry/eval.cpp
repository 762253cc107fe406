// Evaluators: glMap1/glMap2, glMapGrid, glEvalCoord, glEvalPoint and
// glEvalMesh. Evaluated vertices go through the thread's live dispatch table.

#include <string.h>
#include "core/stateutil.h"
#include "eval.h"

enum { MAX_ORDER = 30 };

// Map index order: colour, index, normal, texture 1..4, vertex 3 and 4.
enum { M_COLOR, M_INDEX, M_NORMAL, M_TEX1, M_TEX2, M_TEX3, M_TEX4, M_VERTEX3, M_VERTEX4 };
static const int8_t mapComponents[GL_STATE_EVAL_MAPS] = {4, 1, 3, 1, 2, 3, 4, 3, 4};
static const GLfloat defaultPoints[GL_STATE_EVAL_MAPS][4] = {
    {1, 1, 1, 1}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    {0, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 0}, {0, 0, 0, 1},
};

extern "C" GLint GLPROC __glMapComponents(GLenum target) {
    GLuint i = target - GL_MAP1_COLOR_4;
    if (i >= GL_STATE_EVAL_MAPS) i = target - GL_MAP2_COLOR_4;
    return i < GL_STATE_EVAL_MAPS ? mapComponents[i] : -1;
}

// ---- Control points.

template <class T>
static void copy1(GLfloat* dst, const T* src, GLint k, GLint stride, GLint order) {
    for (GLint i = 0; i < order; i++, src += stride)
        for (GLint c = 0; c < k; c++) *dst++ = (GLfloat)src[c];
}
extern "C" void GLPROC __glCopyMap1Points(GLfloat* dst, const GLfloat* src, GLint k, GLint stride, GLint order) {
    if (stride == k) memcpy(dst, src, (size_t)k * order * 4);
    else copy1(dst, src, k, stride, order);
}
extern "C" void GLPROC __glCopyMap1PointsD(GLfloat* dst, const GLdouble* src, GLint k, GLint stride, GLint order) {
    copy1(dst, src, k, stride, order);
}
template <class T>
static void copy2(GLfloat* dst, const T* src, GLint k, GLint ustride, GLint uorder, GLint vstride, GLint vorder) {
    for (GLint i = 0; i < uorder; i++)
        for (GLint j = 0; j < vorder; j++) {
            const T* p = src + i * ustride + j * vstride;
            for (GLint c = 0; c < k; c++) *dst++ = (GLfloat)p[c];
        }
}
extern "C" void GLPROC __glCopyMap2Points(GLfloat* dst, const GLfloat* src, GLint k, GLint ustride, GLint uorder,
                                         GLint vstride, GLint vorder) {
    if (vstride == k && ustride == k * vorder) memcpy(dst, src, (size_t)k * uorder * vorder * 4);
    else copy2(dst, src, k, ustride, uorder, vstride, vorder);
}
extern "C" void GLPROC __glCopyMap2PointsD(GLfloat* dst, const GLdouble* src, GLint k, GLint ustride, GLint uorder,
                                          GLint vstride, GLint vorder) {
    copy2(dst, src, k, ustride, uorder, vstride, vorder);
}

// A new point block of n floats; false (GL_OUT_OF_MEMORY) leaves the old one.
static bool resizePoints(GlContext* gc, GLfloat** block, GLint n) {
    GLfloat* p = (GLfloat*)gc->imports.realloc(gc, *block, (size_t)n * 4);
    if (!p) {
        __glSetError(GL_OUT_OF_MEMORY);
        return false;
    }
    *block = p;
    return true;
}

static inline bool badOrder(GlContext* gc, GLint order) { return order < 1 || order > gc->limits.maxEvalOrder; }

template <class T>
static void map1(GLenum target, T u1, T u2, GLint stride, GLint order, const T* points) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    const GLuint i = target - GL_MAP1_COLOR_4;
    if (i >= GL_STATE_EVAL_MAPS) return __glSetError(GL_INVALID_ENUM);
    const GLint k = mapComponents[i];
    const GLfloat a = (GLfloat)u1, b = (GLfloat)u2;
    if (a == b || badOrder(gc, order) || stride < k) return __glSetError(GL_INVALID_VALUE);
    if (!resizePoints(gc, &gc->eval.points1[i], k * order)) return;
    GlEvalMap1* m = &gc->eval.map1[i];
    m->k = k, m->order = order, m->u1 = a, m->u2 = b;
    if (sizeof(T) == 4) __glCopyMap1Points(gc->eval.points1[i], (const GLfloat*)points, k, stride, order);
    else __glCopyMap1PointsD(gc->eval.points1[i], (const GLdouble*)points, k, stride, order);
}
extern "C" void GLIMM __glImmMap1f(GLenum target, GLfloat u1, GLfloat u2, GLint stride, GLint order,
                                  const GLfloat* points) {
    map1(target, u1, u2, stride, order, points);
}
extern "C" void GLIMM __glImmMap1d(GLenum target, GLdouble u1, GLdouble u2, GLint stride, GLint order,
                                  const GLdouble* points) {
    map1(target, u1, u2, stride, order, points);
}

template <class T>
static void map2(GLenum target, T u1, T u2, GLint ustride, GLint uorder, T v1, T v2, GLint vstride, GLint vorder,
                 const T* points) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    const GLuint i = target - GL_MAP2_COLOR_4;
    if (i >= GL_STATE_EVAL_MAPS) return __glSetError(GL_INVALID_ENUM);
    const GLint k = mapComponents[i];
    const GLfloat a = (GLfloat)u1, b = (GLfloat)u2, c = (GLfloat)v1, d = (GLfloat)v2;
    if (a == b || c == d || badOrder(gc, uorder) || badOrder(gc, vorder) || ustride < k || vstride < k)
        return __glSetError(GL_INVALID_VALUE);
    if (!resizePoints(gc, &gc->eval.points2[i], k * uorder * vorder)) return;
    GlEvalMap2* m = &gc->eval.map2[i];
    m->k = k, m->uorder = uorder, m->vorder = vorder;
    m->u1 = a, m->u2 = b, m->v1 = c, m->v2 = d;
    if (sizeof(T) == 4)
        __glCopyMap2Points(gc->eval.points2[i], (const GLfloat*)points, k, ustride, uorder, vstride, vorder);
    else __glCopyMap2PointsD(gc->eval.points2[i], (const GLdouble*)points, k, ustride, uorder, vstride, vorder);
}
extern "C" void GLIMM __glImmMap2f(GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder, GLfloat v1,
                                  GLfloat v2, GLint vstride, GLint vorder, const GLfloat* points) {
    map2(target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points);
}
extern "C" void GLIMM __glImmMap2d(GLenum target, GLdouble u1, GLdouble u2, GLint ustride, GLint uorder,
                                  GLdouble v1, GLdouble v2, GLint vstride, GLint vorder, const GLdouble* points) {
    map2(target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points);
}

extern "C" void GLPROC __glFreeEvaluators(GlContext* gc) {
    GlEvalState* e = &gc->eval;
    for (int i = 0; i < GL_STATE_EVAL_MAPS; i++) {
        gc->imports.free(gc, e->points1[i]);
        gc->imports.free(gc, e->points2[i]);
        e->points1[i] = e->points2[i] = nullptr;
    }
    gc->imports.free(gc, e->meshCache);
    e->meshCache = nullptr;
}

// ---- Grids. A count below one is refused, so grid steps never divide by zero.

template <class T>
static void mapGrid1(GLint n, T u1, T u2) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (n <= 0) return __glSetError(GL_INVALID_VALUE);
    GlEvalGridState* g = &ts->context->evalGrid;
    g->n = n, g->u1 = (GLfloat)u1, g->u2 = (GLfloat)u2;
}
template <class T>
static void mapGrid2(GLint nu, T u1, T u2, GLint nv, T v1, T v2) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (nu <= 0 || nv <= 0) return __glSetError(GL_INVALID_VALUE);
    GlEvalGridState* g = &ts->context->evalGrid;
    g->nu = nu, g->u21 = (GLfloat)u1, g->u22 = (GLfloat)u2;
    g->nv = nv, g->v21 = (GLfloat)v1, g->v22 = (GLfloat)v2;
}
extern "C" void GLIMM __glImmMapGrid1f(GLint n, GLfloat u1, GLfloat u2) { mapGrid1(n, u1, u2); }
extern "C" void GLIMM __glImmMapGrid1d(GLint n, GLdouble u1, GLdouble u2) { mapGrid1(n, u1, u2); }
extern "C" void GLIMM __glImmMapGrid2f(GLint nu, GLfloat u1, GLfloat u2, GLint nv, GLfloat v1, GLfloat v2) {
    mapGrid2(nu, u1, u2, nv, v1, v2);
}
extern "C" void GLIMM __glImmMapGrid2d(GLint nu, GLdouble u1, GLdouble u2, GLint nv, GLdouble v1, GLdouble v2) {
    mapGrid2(nu, u1, u2, nv, v1, v2);
}

// Parameter of grid index i: the exact end at i = n.
struct GridAxis {
    GLfloat start, end, step;
    GLint n;
};
static inline GridAxis gridAxis(GLfloat start, GLfloat end, GLint n) {
    GridAxis a = {start, end, (end - start) / (GLfloat)n, n};
    return a;
}
static inline GLfloat gridParam(const GridAxis* a, int64_t i) {
    return i == a->n ? a->end : a->start + (GLfloat)i * a->step;
}

// ---- The Bernstein basis.

extern "C" void GLPROC __glBernstein(GLfloat* b, GLint order, GLfloat t) {
    const GLfloat s = 1.0f - t;
    b[0] = 1.0f;
    if (order == 1) return;
    b[0] = s, b[1] = t;
    for (GLint deg = 2; deg < order; deg++) {
        b[deg] = t * b[deg - 1];
        for (GLint r = deg - 1; r > 0; r--) b[r] = t * b[r - 1] + s * b[r];
        b[0] = s * b[0];
    }
}

extern "C" void GLPROC __glBernsteinDeriv(GLfloat* b, GLfloat* d, GLint order, GLfloat t) {
    if (order == 1) {
        b[0] = 1.0f, d[0] = 0.0f;
        return;
    }
    __glBernstein(b, order - 1, t);
    d[0] = -b[0];
    for (GLint r = 1; r < order - 1; r++) d[r] = b[r - 1] - b[r];
    d[order - 1] = b[order - 2];
    const GLfloat s = 1.0f - t;
    const GLint deg = order - 1;
    b[deg] = t * b[deg - 1];
    for (GLint r = deg - 1; r > 0; r--) b[r] = t * b[r - 1] + s * b[r];
    b[0] = s * b[0];
}

// The basis of one parameter, kept while t, the order and the kind repeat
// within one evaluation.
struct Basis {
    GLfloat t;
    GLint order, deriv;
    GLfloat b[MAX_ORDER], d[MAX_ORDER];
};
static void basisFor(Basis* c, GLint order, GLfloat t, GLint deriv) {
    if (c->order == order && c->t == t && c->deriv == deriv) return;
    if (deriv) __glBernsteinDeriv(c->b, c->d, order, t);
    else __glBernstein(c->b, order, t);
    c->order = order, c->t = t, c->deriv = deriv;
}

// ---- Evaluating one map.

static void evalMap1(GlContext* gc, GLint i, GLfloat u, Basis* c, GLfloat* out) {
    const GlEvalMap1* m = &gc->eval.map1[i];
    const GLfloat* p = gc->eval.points1[i] ? gc->eval.points1[i] : defaultPoints[i];
    const GLint k = m->k;
    basisFor(c, m->order, (u - m->u1) / (m->u2 - m->u1), 0);
    for (GLint e = 0; e < k; e++) out[e] = 0.0f;
    for (GLint r = 0; r < m->order; r++, p += k)
        for (GLint e = 0; e < k; e++) out[e] += c->b[r] * p[e];
}

// out, and with derivatives du and dv (in t, without degree factors).
static void evalMap2(GlContext* gc, GLint i, GLfloat u, GLfloat v, Basis* cu, Basis* cv, GLfloat* out,
                     GLfloat* du, GLfloat* dv) {
    const GlEvalMap2* m = &gc->eval.map2[i];
    const GLfloat* p = gc->eval.points2[i] ? gc->eval.points2[i] : defaultPoints[i];
    const GLint k = m->k, deriv = du ? 1 : 0;
    basisFor(cu, m->uorder, (u - m->u1) / (m->u2 - m->u1), deriv);
    basisFor(cv, m->vorder, (v - m->v1) / (m->v2 - m->v1), deriv);
    for (GLint e = 0; e < k; e++) {
        out[e] = 0.0f;
        if (deriv) du[e] = dv[e] = 0.0f;
    }
    for (GLint a = 0; a < m->uorder; a++)
        for (GLint b = 0; b < m->vorder; b++, p += k) {
            const GLfloat w = cu->b[a] * cv->b[b];
            for (GLint e = 0; e < k; e++) out[e] += w * p[e];
            if (!deriv) continue;
            const GLfloat wu = cu->d[a] * cv->b[b], wv = cu->b[a] * cv->d[b];
            for (GLint e = 0; e < k; e++) du[e] += wu * p[e], dv[e] += wv * p[e];
        }
}

// ---- One evaluation.

static inline GlEntryProc liveEntry(int slot) { return __glThreadState()->dispatch.entry[slot - GL_FIRST_SLOT]; }
#define GL_LIVE(Name) ((decltype(&gl##Name))liveEntry(GL_SLOT_##Name))

extern "C" void GLPROC __glEvalReplay(GlContext* gc, const GlEvalResult* r) {
    GlCurrentState* cur = &gc->current;
    // Evaluated colours take the glColor path (colour material included).
    if (r->what & GL_EVAL_COLOR) {
        memcpy(cur->color, r->color, 16);
        gc->procs.applyCurrentColor(gc);
    }
    if (r->what & GL_EVAL_INDEX) cur->index = r->index;
    if (r->what & GL_EVAL_TEXCOORD) memcpy(cur->texCoord, r->texCoord, 16);
    if (r->what & GL_EVAL_NORMAL) memcpy(cur->normal, r->normal, 12);
    if (r->what & GL_EVAL_VERTEX4) GL_LIVE(Vertex4fv)(r->vertex);
    else if (r->what & GL_EVAL_VERTEX3) GL_LIVE(Vertex3fv)(r->vertex);
}

// Colour and texture coordinates of the enabled maps of one dimension.
template <class EvalFn>
static void colorAndTexture(GlContext* gc, GLuint enabled, GlEvalResult* r, EvalFn eval) {
    if (gc->pixelFormat.rgba) {
        if (enabled & (1u << M_COLOR)) eval(M_COLOR, r->color), r->what |= GL_EVAL_COLOR;
    } else if (enabled & (1u << M_INDEX)) {
        eval(M_INDEX, &r->index), r->what |= GL_EVAL_INDEX;
    }
    GLfloat* t = r->texCoord;
    t[1] = t[2] = 0.0f, t[3] = 1.0f;
    for (GLint i = M_TEX4; i >= M_TEX1; i--)
        if (enabled & (1u << i)) {
            eval(i, t);
            r->what |= GL_EVAL_TEXCOORD;
            break;
        }
}

static void evaluate1(GlContext* gc, GLfloat u, GlEvalResult* r) {
    const GLuint enabled = gc->enables.map1;
    Basis c;
    c.order = c.deriv = 0, c.t = 0.0f;
    auto eval = [&](GLint i, GLfloat* out) { evalMap1(gc, i, u, &c, out); };
    r->what = 0;
    colorAndTexture(gc, enabled, r, eval);
    if (enabled & (1u << M_NORMAL)) eval(M_NORMAL, r->normal), r->what |= GL_EVAL_NORMAL;
    if (enabled & (1u << M_VERTEX4)) eval(M_VERTEX4, r->vertex), r->what |= GL_EVAL_VERTEX4;
    else if (enabled & (1u << M_VERTEX3)) eval(M_VERTEX3, r->vertex), r->what |= GL_EVAL_VERTEX3;
}

static void evaluate2(GlContext* gc, GLfloat u, GLfloat v, GlEvalResult* r) {
    const GLuint enabled = gc->enables.map2;
    Basis cu, cv;
    cu.order = cu.deriv = cv.order = cv.deriv = 0, cu.t = cv.t = 0.0f;
    auto eval = [&](GLint i, GLfloat* out) { evalMap2(gc, i, u, v, &cu, &cv, out, nullptr, nullptr); };
    r->what = 0;
    const GLint vmap = (enabled & (1u << M_VERTEX4)) ? M_VERTEX4 : (enabled & (1u << M_VERTEX3)) ? M_VERTEX3 : -1;
    if (vmap >= 0 && (gc->enables.general & GL_EN_AUTO_NORMAL)) {
        GLfloat du[4], dv[4];
        GLfloat* p = r->vertex;
        evalMap2(gc, vmap, u, v, &cu, &cv, p, du, dv);
        if (vmap == M_VERTEX4)
            for (int e = 0; e < 3; e++) du[e] = p[3] * du[e] - du[3] * p[e], dv[e] = p[3] * dv[e] - dv[3] * p[e];
        GLfloat n[3] = {du[1] * dv[2] - du[2] * dv[1], du[2] * dv[0] - du[0] * dv[2], du[0] * dv[1] - du[1] * dv[0]};
        // The derivatives are in t; a reversed domain turns d/du against d/dt.
        const GlEvalMap2* m = &gc->eval.map2[vmap];
        if ((m->u2 < m->u1) != (m->v2 < m->v1)) n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
        gc->procs.normalize(r->normal, n);
        r->what |= GL_EVAL_NORMAL | (vmap == M_VERTEX4 ? GL_EVAL_VERTEX4 : GL_EVAL_VERTEX3);
    } else {
        if (enabled & (1u << M_NORMAL)) eval(M_NORMAL, r->normal), r->what |= GL_EVAL_NORMAL;
        if (vmap >= 0) eval(vmap, r->vertex), r->what |= vmap == M_VERTEX4 ? GL_EVAL_VERTEX4 : GL_EVAL_VERTEX3;
    }
    colorAndTexture(gc, enabled, r, eval);
}

extern "C" GLuint GLPROC __glEval1(GlContext* gc, GLfloat u) {
    GlEvalResult r;
    evaluate1(gc, u, &r);
    __glEvalReplay(gc, &r);
    return r.what;
}

extern "C" GLuint GLPROC __glEval2(GlContext* gc, GLfloat u, GLfloat v, GlEvalResult* record) {
    GlEvalResult local;
    GlEvalResult* r = record ? record : &local;
    evaluate2(gc, u, v, r);
    __glEvalReplay(gc, r);
    return r->what;
}

// ---- Current values kept across evaluations.

struct SavedCurrent {
    GLfloat color[4], scaledColor[4], index, normal[3], texCoord[4];
};
static void saveCurrent(GlContext* gc, SavedCurrent* s) {
    const GlCurrentState* c = &gc->current;
    memcpy(s->color, c->color, 16);
    memcpy(s->scaledColor, c->scaledColor, 16);
    s->index = c->index;
    memcpy(s->normal, c->normal, 12);
    memcpy(s->texCoord, c->texCoord, 16);
}
static void restoreCurrent(GlContext* gc, const SavedCurrent* s, GLuint what) {
    GlCurrentState* c = &gc->current;
    memcpy(c->color, s->color, 16);
    // What an evaluated colour left in the colour-material store follows the
    // current colour again.
    if (what & GL_EVAL_COLOR) gc->procs.applyCurrentColor(gc);
    memcpy(c->scaledColor, s->scaledColor, 16);
    c->index = s->index;
    memcpy(c->normal, s->normal, 12);
    memcpy(c->texCoord, s->texCoord, 16);
}

extern "C" void GLPROC __glEvalCoord1Proc(GlContext* gc, GLfloat u) {
    SavedCurrent s;
    saveCurrent(gc, &s);
    restoreCurrent(gc, &s, __glEval1(gc, u));
}
extern "C" void GLPROC __glEvalCoord2Proc(GlContext* gc, GLfloat u, GLfloat v) {
    SavedCurrent s;
    saveCurrent(gc, &s);
    restoreCurrent(gc, &s, __glEval2(gc, u, v, nullptr));
}

extern "C" void GLIMM __glImmEvalCoord1f(GLfloat u) { __glEvalCoord1Proc(__glCurrentContext(), u); }
extern "C" void GLIMM __glImmEvalCoord1d(GLdouble u) { __glEvalCoord1Proc(__glCurrentContext(), (GLfloat)u); }
extern "C" void GLIMM __glImmEvalCoord1fv(const GLfloat* u) { __glEvalCoord1Proc(__glCurrentContext(), u[0]); }
extern "C" void GLIMM __glImmEvalCoord1dv(const GLdouble* u) {
    __glEvalCoord1Proc(__glCurrentContext(), (GLfloat)u[0]);
}
extern "C" void GLIMM __glImmEvalCoord2f(GLfloat u, GLfloat v) { __glEvalCoord2Proc(__glCurrentContext(), u, v); }
extern "C" void GLIMM __glImmEvalCoord2d(GLdouble u, GLdouble v) {
    __glEvalCoord2Proc(__glCurrentContext(), (GLfloat)u, (GLfloat)v);
}
extern "C" void GLIMM __glImmEvalCoord2fv(const GLfloat* u) { __glEvalCoord2Proc(__glCurrentContext(), u[0], u[1]); }
extern "C" void GLIMM __glImmEvalCoord2dv(const GLdouble* u) {
    __glEvalCoord2Proc(__glCurrentContext(), (GLfloat)u[0], (GLfloat)u[1]);
}

extern "C" void GLIMM __glImmEvalPoint1(GLint i) {
    GlContext* gc = __glCurrentContext();
    const GlEvalGridState* g = &gc->evalGrid;
    const GridAxis a = gridAxis(g->u1, g->u2, g->n);
    __glEvalCoord1Proc(gc, gridParam(&a, i));
}
extern "C" void GLIMM __glImmEvalPoint2(GLint i, GLint j) {
    GlContext* gc = __glCurrentContext();
    const GlEvalGridState* g = &gc->evalGrid;
    const GridAxis a = gridAxis(g->u21, g->u22, g->nu), b = gridAxis(g->v21, g->v22, g->nv);
    __glEvalCoord2Proc(gc, gridParam(&a, i), gridParam(&b, j));
}

// ---- Meshes.

static GlEvalResult* meshCache(GlContext* gc) {
    if (!gc->eval.meshCache) gc->eval.meshCache = gc->imports.alloc(gc, GL_EVAL_CACHE_SIZE * sizeof(GlEvalResult));
    return (GlEvalResult*)gc->eval.meshCache;  // null: every point is evaluated
}

extern "C" void GLIMM __glImmEvalMesh1(GLenum mode, GLint i1, GLint i2) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    if (mode != GL_POINT && mode != GL_LINE) return __glSetError(GL_INVALID_ENUM);
    GlContext* gc = ts->context;
    const GlEvalGridState* g = &gc->evalGrid;
    const GridAxis a = gridAxis(g->u1, g->u2, g->n);
    SavedCurrent s;
    saveCurrent(gc, &s);
    GLuint what = 0;
    GL_LIVE(Begin)(mode == GL_POINT ? GL_POINTS : GL_LINE_STRIP);
    for (int64_t i = i1; i <= i2; i++) what |= __glEval1(gc, gridParam(&a, i));
    GL_LIVE(End)();
    restoreCurrent(gc, &s, what);
}

// Points: every grid point, u outer.
static GLuint mesh2Point(GlContext* gc, const GridAxis* a, const GridAxis* b, GLint i1, GLint i2, GLint j1, GLint j2) {
    GLuint what = 0;
    GL_LIVE(Begin)(GL_POINTS);
    for (int64_t i = i1; i <= i2; i++)
        for (int64_t j = j1; j <= j2; j++) what |= __glEval2(gc, gridParam(a, i), gridParam(b, j), nullptr);
    GL_LIVE(End)();
    return what;
}

// Lines: one strip along u at each v, then one along v at each u, so that a
// line stipple runs on along each grid line. Grids that fit the cache are
// evaluated once.
static GLuint mesh2Line(GlContext* gc, const GridAxis* a, const GridAxis* b, GLint i1, GLint i2, GLint j1, GLint j2) {
    GLuint what = 0;
    if (i1 > i2 || j1 > j2) return what;
    const int64_t ni = (int64_t)i2 - i1 + 1, nj = (int64_t)j2 - j1 + 1;
    GlEvalResult* cache = ni * nj <= GL_EVAL_CACHE_SIZE ? meshCache(gc) : nullptr;
    for (int64_t j = j1; j <= j2; j++) {
        GL_LIVE(Begin)(GL_LINE_STRIP);
        for (int64_t i = i1; i <= i2; i++)
            what |= __glEval2(gc, gridParam(a, i), gridParam(b, j), cache ? &cache[(i - i1) * nj + (j - j1)] : nullptr);
        GL_LIVE(End)();
    }
    for (int64_t i = i1; i <= i2; i++) {
        GL_LIVE(Begin)(GL_LINE_STRIP);
        for (int64_t j = j1; j <= j2; j++) {
            if (cache) __glEvalReplay(gc, &cache[(i - i1) * nj + (j - j1)]);
            else what |= __glEval2(gc, gridParam(a, i), gridParam(b, j), nullptr);
        }
        GL_LIVE(End)();
    }
    return what;
}

// Fill: a quad strip per u step, j from j2 down; the (u_{i+1}, v_j) points of
// one strip are replayed as the (u_i, v_j) points of the next.
static GLuint mesh2Fill(GlContext* gc, const GridAxis* a, const GridAxis* b, GLint i1, GLint i2, GLint j1, GLint j2) {
    GLuint what = 0;
    GlEvalResult* cache = (int64_t)i2 - i1 > 1 ? meshCache(gc) : nullptr;
    for (int64_t i = i1; i < i2; i++) {
        const GLfloat u0 = gridParam(a, i), u1 = gridParam(a, i + 1);
        GL_LIVE(Begin)(GL_QUAD_STRIP);
        for (int64_t j = j2; j >= j1; j--) {
            const GLfloat v = gridParam(b, j);
            const int64_t slot = j2 - j;
            GlEvalResult* entry = cache && slot < GL_EVAL_CACHE_SIZE ? &cache[slot] : nullptr;
            if (entry && i > i1) __glEvalReplay(gc, entry);
            else what |= __glEval2(gc, u0, v, nullptr);
            what |= __glEval2(gc, u1, v, entry);
        }
        GL_LIVE(End)();
    }
    return what;
}

extern "C" void GLIMM __glImmEvalMesh2(GLenum mode, GLint i1, GLint i2, GLint j1, GLint j2) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    GLuint (*mesh)(GlContext*, const GridAxis*, const GridAxis*, GLint, GLint, GLint, GLint);
    switch (mode) {
    case GL_POINT: mesh = mesh2Point; break;
    case GL_LINE: mesh = mesh2Line; break;
    case GL_FILL: mesh = mesh2Fill; break;
    default: return __glSetError(GL_INVALID_ENUM);
    }
    GlContext* gc = ts->context;
    const GlEvalGridState* g = &gc->evalGrid;
    const GridAxis a = gridAxis(g->u21, g->u22, g->nu), b = gridAxis(g->v21, g->v22, g->nv);
    SavedCurrent s;
    saveCurrent(gc, &s);
    restoreCurrent(gc, &s, mesh(gc, &a, &b, i1, i2, j1, j2));
}
