// Matrix arithmetic, the three matrix stacks with their classes, lazy inverses
// and composites, and the matrix entries.

#include <math.h>
#include <string.h>
#include "core/beginstate.h"
#include "core/services.h"
#include "geometry.h"

// ---- Arithmetic.

extern "C" void GLPROC __glCopyMatrix(GlMatrixRecord* dst, const GlMatrixRecord* src) {
    dst->type = src->type;
    memcpy(dst->m, src->m, sizeof dst->m);
}

extern "C" void GLPROC __glMakeIdentityMatrix(GlMatrixRecord* dst) {
    GLfloat* m = dst->m;
    m[0] = 1.0f, m[1] = 0.0f, m[2] = 0.0f, m[3] = 0.0f;
    m[4] = 0.0f, m[5] = 1.0f, m[6] = 0.0f, m[7] = 0.0f;
    m[8] = 0.0f, m[9] = 0.0f, m[10] = 1.0f, m[11] = 0.0f;
    m[12] = 0.0f, m[13] = 0.0f, m[14] = 0.0f, m[15] = 1.0f;
    dst->type = GL_MATRIX_IDENTITY;
}

extern "C" void GLPROC __glMultMatrixProc(GlMatrixRecord* dst, const GlMatrixRecord* a, const GlMatrixRecord* b) {
    GLfloat bm[16];
    memcpy(bm, b->m, sizeof bm);
    for (int i = 0; i < 4; i++) {
        const GLfloat a0 = a->m[i * 4], a1 = a->m[i * 4 + 1], a2 = a->m[i * 4 + 2], a3 = a->m[i * 4 + 3];
        dst->m[i * 4 + 0] = a0 * bm[0] + a1 * bm[4] + a2 * bm[8] + a3 * bm[12];
        dst->m[i * 4 + 1] = a0 * bm[1] + a1 * bm[5] + a2 * bm[9] + a3 * bm[13];
        dst->m[i * 4 + 2] = a0 * bm[2] + a1 * bm[6] + a2 * bm[10] + a3 * bm[14];
        dst->m[i * 4 + 3] = a0 * bm[3] + a1 * bm[7] + a2 * bm[11] + a3 * bm[15];
    }
}

extern "C" void GLPROC __glTransposeMatrix(GlMatrixRecord* dst, const GlMatrixRecord* src) {
    GLfloat t[16];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) t[i * 4 + j] = src->m[j * 4 + i];
    memcpy(dst->m, t, sizeof t);
}

// dst = transpose of src's inverse; a singular src leaves dst's elements.
extern "C" void GLPROC __glInvertMatrix(GlMatrixRecord* dst, const GlMatrixRecord* src) {
    const GLfloat* m = src->m;
    dst->type = src->type;
    if (src->type == GL_MATRIX_GENERAL) {
        // Minors of rows 0-1 and of rows 2-3.
        GLfloat s0 = m[0] * m[5] - m[4] * m[1], s1 = m[0] * m[6] - m[4] * m[2];
        GLfloat s2 = m[0] * m[7] - m[4] * m[3], s3 = m[1] * m[6] - m[5] * m[2];
        GLfloat s4 = m[1] * m[7] - m[5] * m[3], s5 = m[2] * m[7] - m[6] * m[3];
        GLfloat c5 = m[10] * m[15] - m[14] * m[11], c4 = m[9] * m[15] - m[13] * m[11];
        GLfloat c3 = m[9] * m[14] - m[13] * m[10], c2 = m[8] * m[15] - m[12] * m[11];
        GLfloat c1 = m[8] * m[14] - m[12] * m[10], c0 = m[8] * m[13] - m[12] * m[9];
        GLfloat det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
        if (det == 0.0f || det != det) return;
        GLfloat r = 1.0f / det;
        GLfloat inv[16];  // the plain inverse, row-major in the array order
        inv[0] = (m[5] * c5 - m[6] * c4 + m[7] * c3) * r;
        inv[1] = (-m[1] * c5 + m[2] * c4 - m[3] * c3) * r;
        inv[2] = (m[13] * s5 - m[14] * s4 + m[15] * s3) * r;
        inv[3] = (-m[9] * s5 + m[10] * s4 - m[11] * s3) * r;
        inv[4] = (-m[4] * c5 + m[6] * c2 - m[7] * c1) * r;
        inv[5] = (m[0] * c5 - m[2] * c2 + m[3] * c1) * r;
        inv[6] = (-m[12] * s5 + m[14] * s2 - m[15] * s1) * r;
        inv[7] = (m[8] * s5 - m[10] * s2 + m[11] * s1) * r;
        inv[8] = (m[4] * c4 - m[5] * c2 + m[7] * c0) * r;
        inv[9] = (-m[0] * c4 + m[1] * c2 - m[3] * c0) * r;
        inv[10] = (m[12] * s4 - m[13] * s2 + m[15] * s0) * r;
        inv[11] = (-m[8] * s4 + m[9] * s2 - m[11] * s0) * r;
        inv[12] = (-m[4] * c3 + m[5] * c1 - m[6] * c0) * r;
        inv[13] = (m[0] * c3 - m[1] * c1 + m[2] * c0) * r;
        inv[14] = (-m[12] * s3 + m[13] * s1 - m[14] * s0) * r;
        inv[15] = (m[8] * s3 - m[9] * s1 + m[10] * s0) * r;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++) dst->m[i * 4 + j] = inv[j * 4 + i];
        return;
    }
    GLfloat det = m[0] * (m[5] * m[10] - m[9] * m[6]) + m[8] * (m[1] * m[6] - m[5] * m[2]) +
                  m[4] * (m[9] * m[2] - m[1] * m[10]);
    if (det == 0.0f || det != det) return;
    GLfloat r = 1.0f / det;
    // Plain inverse of the upper-left block, then stored transposed.
    GLfloat i00 = (m[5] * m[10] - m[6] * m[9]) * r, i01 = (m[2] * m[9] - m[1] * m[10]) * r;
    GLfloat i02 = (m[1] * m[6] - m[2] * m[5]) * r, i10 = (m[6] * m[8] - m[4] * m[10]) * r;
    GLfloat i11 = (m[0] * m[10] - m[2] * m[8]) * r, i12 = (m[2] * m[4] - m[0] * m[6]) * r;
    GLfloat i20 = (m[4] * m[9] - m[5] * m[8]) * r, i21 = (m[1] * m[8] - m[0] * m[9]) * r;
    GLfloat i22 = (m[0] * m[5] - m[1] * m[4]) * r;
    GLfloat* d = dst->m;
    const GLfloat tx = m[12], ty = m[13], tz = m[14];
    d[0] = i00, d[1] = i10, d[2] = i20;
    d[4] = i01, d[5] = i11, d[6] = i21;
    d[8] = i02, d[9] = i12, d[10] = i22;
    d[12] = d[13] = d[14] = 0.0f, d[15] = 1.0f;
    d[3] = -(tx * d[0] + ty * d[1] + tz * d[2]);
    d[7] = -(tx * d[4] + ty * d[5] + tz * d[6]);
    d[11] = -(tx * d[8] + ty * d[9] + tz * d[10]);
}

extern "C" void GLPROC __glNormalizeProc(GLfloat dst[3], const GLfloat src[3]) {
    const GLfloat x = src[0], y = src[1], z = src[2];
    GLfloat len = x * x + y * y + z * z;
    if (!(len > 0.0f)) {
        dst[0] = dst[1] = dst[2] = 0.0f;
        return;
    }
    if (len == 1.0f) {
        dst[0] = x, dst[1] = y, dst[2] = z;
        return;
    }
    uint32_t bits;
    memcpy(&bits, &len, 4);
    bits = 0x5F375A00u - (bits >> 1);
    GLfloat y0;
    memcpy(&y0, &bits, 4);
    GLfloat c = y0 * y0 * len, d = 3.0f - c;
    GLfloat s = d * (12.0f - d * d * c) * y0 * 0.0625f;
    dst[0] = x * s, dst[1] = y * s, dst[2] = z * s;
}

extern "C" GLint GLPROC __glHighestBit(GLuint value) {
    GLint b = 1;
    while (b < 32 && (value >> b)) b++;
    return b - 1;
}

// Class of A x B (A applied first).
extern "C" GLint GLPROC __glCombineMatrixTypes(GLint a, GLint b) {
    switch (a) {
    case GL_MATRIX_GENERAL: return GL_MATRIX_GENERAL;
    case GL_MATRIX_AFFINE: return b == GL_MATRIX_GENERAL ? GL_MATRIX_GENERAL : GL_MATRIX_AFFINE;
    case GL_MATRIX_PLANAR: return b < 2 ? b : GL_MATRIX_PLANAR;
    case GL_MATRIX_SCALE_TRANSLATE: return b < 3 ? b : GL_MATRIX_SCALE_TRANSLATE;
    case GL_MATRIX_IDENTITY: return b;
    default:  // window ortho
        return b == GL_MATRIX_IDENTITY ? GL_MATRIX_WINDOW_ORTHO : b > 2 ? GL_MATRIX_SCALE_TRANSLATE : b;
    }
}

static GLint combineRecords(GlMatrixRecord* dst, const GlMatrixRecord* a, const GlMatrixRecord* b) {
    GLint t = __glCombineMatrixTypes(a->type, b->type);
    if (t == GL_MATRIX_WINDOW_ORTHO) {
        const GlMatrixRecord* o = a->type == GL_MATRIX_WINDOW_ORTHO ? a : b;
        dst->orthoWidth = o->orthoWidth, dst->orthoHeight = o->orthoHeight;
    }
    return t;
}

// ---- Transform procedures by class.

static inline bool wIsOne(GLfloat w) {
    uint32_t u;
    memcpy(&u, &w, 4);
    return u == 0x3F800000u;
}

static void GLPROC xform2General(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat x = v[0], y = v[1];
    o[0] = x * m[0] + y * m[4] + m[12];
    o[1] = x * m[1] + y * m[5] + m[13];
    o[2] = x * m[2] + y * m[6] + m[14];
    o[3] = x * m[3] + y * m[7] + m[15];
}
static void GLPROC xform3General(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat x = v[0], y = v[1], z = v[2];
    o[0] = x * m[0] + y * m[4] + z * m[8] + m[12];
    o[1] = x * m[1] + y * m[5] + z * m[9] + m[13];
    o[2] = x * m[2] + y * m[6] + z * m[10] + m[14];
    o[3] = x * m[3] + y * m[7] + z * m[11] + m[15];
}
static void GLPROC xform4General(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat x = v[0], y = v[1], z = v[2], w = v[3];
    if (wIsOne(w)) return xform3General(o, v, r);
    o[0] = x * m[0] + y * m[4] + z * m[8] + w * m[12];
    o[1] = x * m[1] + y * m[5] + z * m[9] + w * m[13];
    o[2] = x * m[2] + y * m[6] + z * m[10] + w * m[14];
    o[3] = x * m[3] + y * m[7] + z * m[11] + w * m[15];
}
static void GLPROC xform2Affine(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat x = v[0], y = v[1];
    o[0] = x * m[0] + y * m[4] + m[12];
    o[1] = x * m[1] + y * m[5] + m[13];
    o[2] = x * m[2] + y * m[6] + m[14];
    o[3] = 1.0f;
}
static void GLPROC xform3Affine(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat x = v[0], y = v[1], z = v[2];
    o[0] = x * m[0] + y * m[4] + z * m[8] + m[12];
    o[1] = x * m[1] + y * m[5] + z * m[9] + m[13];
    o[2] = x * m[2] + y * m[6] + z * m[10] + m[14];
    o[3] = 1.0f;
}
static void GLPROC xform4Affine(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat x = v[0], y = v[1], z = v[2], w = v[3];
    if (wIsOne(w)) return xform3Affine(o, v, r);
    o[0] = x * m[0] + y * m[4] + z * m[8] + w * m[12];
    o[1] = x * m[1] + y * m[5] + z * m[9] + w * m[13];
    o[2] = x * m[2] + y * m[6] + z * m[10] + w * m[14];
    o[3] = w;
}
static void GLPROC xform2Planar(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat x = v[0], y = v[1];
    o[0] = x * m[0] + y * m[4] + m[12];
    o[1] = x * m[1] + y * m[5] + m[13];
    o[2] = m[14];
    o[3] = 1.0f;
}
static void GLPROC xform3Planar(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat x = v[0], y = v[1], z = v[2];
    o[0] = x * m[0] + y * m[4] + m[12];
    o[1] = x * m[1] + y * m[5] + m[13];
    o[2] = z * m[10] + m[14];
    o[3] = 1.0f;
}
static void GLPROC xform4Planar(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat x = v[0], y = v[1], z = v[2], w = v[3];
    if (wIsOne(w)) return xform3Planar(o, v, r);
    o[0] = x * m[0] + y * m[4] + w * m[12];
    o[1] = x * m[1] + y * m[5] + w * m[13];
    o[2] = z * m[10] + w * m[14];
    o[3] = w;
}
static void GLPROC xform2ScaleTranslate(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    o[0] = v[0] * m[0] + m[12];
    o[1] = v[1] * m[5] + m[13];
    o[2] = m[14];
    o[3] = 1.0f;
}
static void GLPROC xform3ScaleTranslate(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    o[0] = v[0] * m[0] + m[12];
    o[1] = v[1] * m[5] + m[13];
    o[2] = v[2] * m[10] + m[14];
    o[3] = 1.0f;
}
static void GLPROC xform4ScaleTranslate(GLfloat o[4], const GLfloat* v, const GlMatrixRecord* r) {
    const GLfloat* m = r->m;
    const GLfloat w = v[3];
    if (wIsOne(w)) return xform3ScaleTranslate(o, v, r);
    o[0] = v[0] * m[0] + w * m[12];
    o[1] = v[1] * m[5] + w * m[13];
    o[2] = v[2] * m[10] + w * m[14];
    o[3] = w;
}

static const GlXformProc xformTable[6][3] = {
    {xform2General, xform3General, xform4General},
    {xform2Affine, xform3Affine, xform4Affine},
    {xform2Planar, xform3Planar, xform4Planar},
    {xform2ScaleTranslate, xform3ScaleTranslate, xform4ScaleTranslate},
    {xform2ScaleTranslate, xform3ScaleTranslate, xform4ScaleTranslate},
    {xform2ScaleTranslate, xform3ScaleTranslate, xform4ScaleTranslate},
};

extern "C" void GLPROC __glPickMatrixTransformProcs(GlContext*, GlMatrixRecord* r) {
    GLuint t = (GLuint)r->type <= 5 ? (GLuint)r->type : 0;
    r->xform2 = xformTable[t][0];
    r->xform3 = xformTable[t][1];
    r->xform4 = xformTable[t][2];
}

extern "C" void GLPROC __glPickInverseTransformProcs(GlContext*, GlMatrixRecord* r) {
    static const GlXformProc xform3ByClass[6] = {xform4General, xform3Affine, xform3Planar,
                                                 xform3ScaleTranslate, xform3ScaleTranslate,
                                                 xform3ScaleTranslate};
    GLuint t = (GLuint)r->type <= 5 ? (GLuint)r->type : 0;
    r->xform4 = xform4General;
    r->xform3 = xform3ByClass[t];
    r->xform2 = nullptr;
}

// ---- Stacks.

extern "C" void GLPROC __glUpdateModelViewInverse(GlContext* gc, GlMatrixEntry* e) {
    gc->procs.invertMatrix(&e->inverseTransposed, &e->matrix);
    gc->procs.pickInverseTransformProcs(gc, &e->inverseTransposed);
    e->inverseStale = 0;
    gc->procs.updateCullVertexEye(gc, e);
}

// Composite class and the window matrix with the viewport folded in.
extern "C" void GLPROC __glUpdateCompositeMatrix(GlContext* gc, GlMatrixRecord* c) {
    c->type = combineRecords(c, &gc->matrices.modelViewTop->matrix, &gc->matrices.projectionTop->matrix);
    if (c->type >= GL_MATRIX_PLANAR) {
        GLfloat* w = gc->matrices.windowMatrix;
        const GLfloat xs = gc->viewportXform.xScale, ys = gc->viewportXform.yScale;
        w[0] = xs * c->m[0], w[1] = ys * c->m[1];
        w[4] = xs * c->m[4], w[5] = ys * c->m[5];
        w[10] = c->m[10];
        w[12] = xs * c->m[12] + gc->viewportXform.xCentre;
        w[13] = ys * c->m[13] + gc->viewportXform.yCentre;
        w[14] = c->m[14], w[15] = 1.0f;
        gc->matrices.windowMatrixType = c->type;
    }
    gc->procs.pickMatrixTransformProcs(gc, c);
    gc->procs.pickVertexProcs(gc);
}

extern "C" void GLPROC __glUpdateCullVertexEye(GlContext* gc, GlMatrixEntry* e) {
    GlCullVertexState* cv = &gc->cullVertex;
    if (cv->objectGiven) {
        memcpy(gc->cullVertexEye, cv->objectVector, sizeof gc->cullVertexEye);
        return;
    }
    if (e->inverseStale) return;
    __glTransposeMatrix(&e->transposed, &e->matrix);
    e->transposed.type = GL_MATRIX_GENERAL;
    __glTransposeMatrix(&e->inverse, &e->inverseTransposed);
    e->inverse.type = GL_MATRIX_GENERAL;
    gc->procs.pickMatrixTransformProcs(gc, &e->transposed);
    gc->procs.pickMatrixTransformProcs(gc, &e->inverse);
    if (cv->eyeVector[3] != 0.0f) {
        e->inverse.xform4(gc->cullVertexEye, cv->eyeVector, &e->inverse);
    } else {
        e->transposed.xform3(gc->cullVertexEye, cv->eyeVector, &e->transposed);
        gc->cullVertexEye[3] = 0.0f;
    }
}

// The lights' object vectors follow the modelview top.
static inline void lightsStale(GlContext* gc) { gc->lightingDerived.objectFor = nullptr; }

// The modelview top takes the projection's serial and rebuilds its composite.
static void rebuildComposite(GlContext* gc, GlMatrixEntry* mv) {
    mv->projectionSerial = gc->matrices.projectionTop->projectionSerial;
    gc->procs.multMatrix(&mv->composite, &mv->matrix, &gc->matrices.projectionTop->matrix);
}

static void renumberProjectionSerials(GlContext* gc) {
    GlMatrixState* s = &gc->matrices;
    for (GLint i = 0; i < gc->limits.maxModelviewStackDepth; i++) s->modelView[i].projectionSerial = 0;
    for (GLint i = 0; i < gc->limits.maxProjectionStackDepth; i++) s->projection[i].projectionSerial = i + 1;
    s->projectionSerialCounter = gc->limits.maxProjectionStackDepth + 1;
}

static void newProjectionSerial(GlContext* gc) {
    GlMatrixState* s = &gc->matrices;
    s->projectionSerialCounter = (GLint)((GLuint)s->projectionSerialCounter + 1);
    if (s->projectionSerialCounter == 0) renumberProjectionSerials(gc);
    else s->projectionTop->projectionSerial = s->projectionSerialCounter;
}

static void projectionChanged(GlContext* gc) {
    gc->procs.pickMatrixTransformProcs(gc, &gc->matrices.projectionTop->matrix);
    newProjectionSerial(gc);
    GlMatrixEntry* mv = gc->matrices.modelViewTop;
    rebuildComposite(gc, mv);
    gc->procs.updateCompositeMatrix(gc, &mv->composite);
}

static void modelViewLoaded(GlContext* gc) {
    GlMatrixEntry* mv = gc->matrices.modelViewTop;
    mv->inverseStale = 1;
    lightsStale(gc);
    gc->procs.pickMatrixTransformProcs(gc, &mv->matrix);
    rebuildComposite(gc, mv);
    gc->procs.updateCompositeMatrix(gc, &mv->composite);
    gc->procs.updateCullVertexEye(gc, mv);
}

static void loadCurrentMatrix(GlContext* gc, const GlMatrixRecord* r) {
    switch (gc->transform.matrixMode) {
    case GL_MODELVIEW:
        gc->procs.copyMatrix(&gc->matrices.modelViewTop->matrix, r);
        modelViewLoaded(gc);
        break;
    case GL_PROJECTION:
        gc->procs.copyMatrix(&gc->matrices.projectionTop->matrix, r);
        if (r->type == GL_MATRIX_WINDOW_ORTHO) {
            gc->matrices.projectionTop->matrix.orthoWidth = r->orthoWidth;
            gc->matrices.projectionTop->matrix.orthoHeight = r->orthoHeight;
        }
        projectionChanged(gc);
        break;
    default:
        gc->procs.copyMatrix(&gc->matrices.textureTop->matrix, r);
        gc->procs.pickMatrixTransformProcs(gc, &gc->matrices.textureTop->matrix);
        break;
    }
}

typedef void (*StepProc)(GlContext* gc, GlMatrixRecord* target, const void* operand);

static void multStep(GlContext* gc, GlMatrixRecord* t, const void* operand) {
    const GlMatrixRecord* o = (const GlMatrixRecord*)operand;
    GLint type = combineRecords(t, o, t);
    gc->procs.multMatrix(t, o, t);
    t->type = type;
}

static void scaleStep(GlContext*, GlMatrixRecord* t, const void* operand) {
    const GLfloat* s = (const GLfloat*)operand;
    if (t->type > GL_MATRIX_SCALE_TRANSLATE) t->type = GL_MATRIX_SCALE_TRANSLATE;
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 4; j++) t->m[i * 4 + j] *= s[i];
}

static void translateStep(GlContext*, GlMatrixRecord* t, const void* operand) {
    const GLfloat* s = (const GLfloat*)operand;
    if (t->type > GL_MATRIX_SCALE_TRANSLATE) t->type = GL_MATRIX_SCALE_TRANSLATE;
    GLfloat* m = t->m;
    for (int j = 0; j < 4; j++) m[12 + j] += s[0] * m[j] + s[1] * m[4 + j] + s[2] * m[8 + j];
}

static void multCurrentMatrix(GlContext* gc, StepProc step, const void* operand) {
    switch (gc->transform.matrixMode) {
    case GL_MODELVIEW: {
        GlMatrixEntry* mv = gc->matrices.modelViewTop;
        step(gc, &mv->matrix, operand);
        mv->inverseStale = 1;
        lightsStale(gc);
        gc->procs.pickMatrixTransformProcs(gc, &mv->matrix);
        step(gc, &mv->composite, operand);
        gc->procs.updateCompositeMatrix(gc, &mv->composite);
        gc->procs.updateCullVertexEye(gc, mv);
        break;
    }
    case GL_PROJECTION:
        step(gc, &gc->matrices.projectionTop->matrix, operand);
        projectionChanged(gc);
        break;
    default:
        step(gc, &gc->matrices.textureTop->matrix, operand);
        gc->procs.pickMatrixTransformProcs(gc, &gc->matrices.textureTop->matrix);
        break;
    }
}

extern "C" void GLPROC __glPushModelViewMatrix(GlContext* gc) {
    GlMatrixState* s = &gc->matrices;
    if (s->modelViewTop == s->modelView + gc->limits.maxModelviewStackDepth - 1)
        return __glSetError(GL_STACK_OVERFLOW);
    s->modelViewTop[1] = s->modelViewTop[0];
    s->modelViewTop++;
    lightsStale(gc);
}
extern "C" void GLPROC __glPushProjectionMatrix(GlContext* gc) {
    GlMatrixState* s = &gc->matrices;
    if (s->projectionTop == s->projection + gc->limits.maxProjectionStackDepth - 1)
        return __glSetError(GL_STACK_OVERFLOW);
    s->projectionTop[1].matrix = s->projectionTop[0].matrix;
    s->projectionTop[1].projectionSerial = s->projectionTop[0].projectionSerial;
    s->projectionTop++;
}
extern "C" void GLPROC __glPushTextureMatrix(GlContext* gc) {
    GlMatrixState* s = &gc->matrices;
    if (s->textureTop == s->texture + gc->limits.maxTextureStackDepth - 1)
        return __glSetError(GL_STACK_OVERFLOW);
    s->textureTop[1].matrix = s->textureTop[0].matrix;
    s->textureTop++;
}

extern "C" void GLPROC __glPopModelViewMatrix(GlContext* gc) {
    GlMatrixState* s = &gc->matrices;
    if (s->modelViewTop == s->modelView) return __glSetError(GL_STACK_UNDERFLOW);
    GlMatrixEntry* mv = --s->modelViewTop;
    lightsStale(gc);
    if (mv->projectionSerial != s->projectionTop->projectionSerial) rebuildComposite(gc, mv);
    gc->procs.updateCompositeMatrix(gc, &mv->composite);
    gc->procs.updateCullVertexEye(gc, mv);
}
extern "C" void GLPROC __glPopProjectionMatrix(GlContext* gc) {
    GlMatrixState* s = &gc->matrices;
    if (s->projectionTop == s->projection) return __glSetError(GL_STACK_UNDERFLOW);
    s->projectionTop--;
    GlMatrixEntry* mv = s->modelViewTop;
    if (mv->projectionSerial != s->projectionTop->projectionSerial) rebuildComposite(gc, mv);
    gc->procs.updateCompositeMatrix(gc, &mv->composite);
}
extern "C" void GLPROC __glPopTextureMatrix(GlContext* gc) {
    GlMatrixState* s = &gc->matrices;
    if (s->textureTop == s->texture) return __glSetError(GL_STACK_UNDERFLOW);
    s->textureTop--;
}

extern "C" void GLPROC __glLoadIdentityModelViewMatrix(GlContext* gc) {
    GlMatrixEntry* mv = gc->matrices.modelViewTop;
    gc->procs.identityMatrix(&mv->matrix);
    gc->procs.identityMatrix(&mv->inverseTransposed);
    mv->inverseStale = 0;
    lightsStale(gc);
    gc->procs.pickMatrixTransformProcs(gc, &mv->matrix);
    gc->procs.pickInverseTransformProcs(gc, &mv->inverseTransposed);
    rebuildComposite(gc, mv);
    gc->procs.updateCompositeMatrix(gc, &mv->composite);
    gc->procs.updateCullVertexEye(gc, mv);
}
extern "C" void GLPROC __glLoadIdentityProjectionMatrix(GlContext* gc) {
    gc->procs.identityMatrix(&gc->matrices.projectionTop->matrix);
    projectionChanged(gc);
}
extern "C" void GLPROC __glLoadIdentityTextureMatrix(GlContext* gc) {
    gc->procs.identityMatrix(&gc->matrices.textureTop->matrix);
    gc->procs.pickMatrixTransformProcs(gc, &gc->matrices.textureTop->matrix);
}

// Identity tops; run at creation after the procedure install.
extern "C" void GLPROC __glInitTransformState(GlContext* gc) {
    GlMatrixState* s = &gc->matrices;
    s->modelViewTop = s->modelView;
    s->projectionTop = s->projection;
    s->textureTop = s->texture;
    s->projectionSerialCounter = 0;
    gc->transform.matrixMode = GL_MODELVIEW;
    GlMatrixEntry* mv = s->modelViewTop;
    gc->procs.identityMatrix(&mv->matrix);
    gc->procs.identityMatrix(&mv->inverseTransposed);
    gc->procs.identityMatrix(&mv->composite);
    mv->inverseStale = 0;
    mv->projectionSerial = 0;
    lightsStale(gc);
    gc->procs.pickMatrixTransformProcs(gc, &mv->matrix);
    gc->procs.pickInverseTransformProcs(gc, &mv->inverseTransposed);
    gc->procs.identityMatrix(&s->projectionTop->matrix);
    s->projectionTop->projectionSerial = 0;
    gc->procs.pickMatrixTransformProcs(gc, &s->projectionTop->matrix);
    gc->procs.updateCompositeMatrix(gc, &mv->composite);
    gc->procs.updateCullVertexEye(gc, mv);
    gc->procs.identityMatrix(&s->textureTop->matrix);
    gc->procs.pickMatrixTransformProcs(gc, &s->textureTop->matrix);
    gc->current.normal[2] = 1.0f;
}

// ---- Entries.

static GlContext* matrixContext() {
    GlThreadState* ts = __glThreadState();
    return __glSetterAllowed(ts) ? ts->context : nullptr;
}

// Validates pending state first: the push, pop and identity procedures follow the mode.
static GlContext* validatedMatrixContext() {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return nullptr;
    GlContext* gc = ts->context;
    if (ts->beginState == GL_BEGIN_NEEDS_VALIDATE) {
        gc->procs.validate(gc);
        ts->beginState = GL_BEGIN_OUTSIDE;
    }
    return gc;
}

extern "C" void GLIMM __glImmMatrixMode(GLenum mode) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (mode - GL_MODELVIEW > 2u) return __glSetError(GL_INVALID_ENUM);
    ts->context->transform.matrixMode = mode;
    ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
    ts->context->dirtyPickers |= GL_DIRTY_GENERIC;
}

extern "C" void GLIMM __glImmLoadIdentity(void) {
    if (GlContext* gc = validatedMatrixContext()) gc->procs.loadIdentityMatrix(gc);
}
extern "C" void GLIMM __glImmPushMatrix(void) {
    if (GlContext* gc = validatedMatrixContext()) gc->procs.pushMatrix(gc);
}
extern "C" void GLIMM __glImmPopMatrix(void) {
    if (GlContext* gc = validatedMatrixContext()) gc->procs.popMatrix(gc);
}

template <class T>
static void loadOrMult(const T* v, bool mult) {
    GlContext* gc = matrixContext();
    if (!gc) return;
    GlMatrixRecord r;
    for (int i = 0; i < 16; i++) r.m[i] = (GLfloat)v[i];
    r.type = GL_MATRIX_GENERAL;
    if (mult) multCurrentMatrix(gc, multStep, &r);
    else loadCurrentMatrix(gc, &r);
}
extern "C" void GLIMM __glImmLoadMatrixf(const GLfloat* m) { loadOrMult(m, false); }
extern "C" void GLIMM __glImmLoadMatrixd(const GLdouble* m) { loadOrMult(m, false); }
extern "C" void GLIMM __glImmMultMatrixf(const GLfloat* m) { loadOrMult(m, true); }
extern "C" void GLIMM __glImmMultMatrixd(const GLdouble* m) { loadOrMult(m, true); }

static void rotate(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    GlContext* gc = matrixContext();
    if (!gc) return;
    GLfloat axis[3] = {x, y, z}, n[3];
    gc->procs.normalize(n, axis);
    x = n[0], y = n[1], z = n[2];
    const GLfloat a = angle * 0.017453292f;
    const GLfloat s = sinf(a), c = cosf(a), t = 1.0f - c;
    GlMatrixRecord r;
    gc->procs.identityMatrix(&r);
    GLfloat* m = r.m;
    m[0] = x * x + (1.0f - x * x) * c;
    m[5] = y * y + (1.0f - y * y) * c;
    m[10] = z * z + (1.0f - z * z) * c;
    m[1] = t * x * y + s * z;
    m[4] = t * x * y - s * z;
    m[2] = t * x * z - s * y;
    m[8] = t * x * z + s * y;
    m[6] = t * y * z + s * x;
    m[9] = t * y * z - s * x;
    r.type = (x != 0.0f || y != 0.0f) ? GL_MATRIX_AFFINE : GL_MATRIX_PLANAR;
    multCurrentMatrix(gc, multStep, &r);
}
extern "C" void GLIMM __glImmRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { rotate(a, x, y, z); }
extern "C" void GLIMM __glImmRotated(GLdouble a, GLdouble x, GLdouble y, GLdouble z) {
    rotate((GLfloat)a, (GLfloat)x, (GLfloat)y, (GLfloat)z);
}

static void scaleOrTranslate(GLfloat x, GLfloat y, GLfloat z, StepProc step) {
    GlContext* gc = matrixContext();
    if (!gc) return;
    const GLfloat v[3] = {x, y, z};
    multCurrentMatrix(gc, step, v);
}
extern "C" void GLIMM __glImmScalef(GLfloat x, GLfloat y, GLfloat z) { scaleOrTranslate(x, y, z, scaleStep); }
extern "C" void GLIMM __glImmScaled(GLdouble x, GLdouble y, GLdouble z) {
    scaleOrTranslate((GLfloat)x, (GLfloat)y, (GLfloat)z, scaleStep);
}
extern "C" void GLIMM __glImmTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    scaleOrTranslate(x, y, z, translateStep);
}
extern "C" void GLIMM __glImmTranslated(GLdouble x, GLdouble y, GLdouble z) {
    scaleOrTranslate((GLfloat)x, (GLfloat)y, (GLfloat)z, translateStep);
}

extern "C" void GLIMM __glImmFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    GlContext* gc = matrixContext();
    if (!gc) return;
    const GLfloat dx = (GLfloat)r - (GLfloat)l, dy = (GLfloat)t - (GLfloat)b, dz = (GLfloat)f - (GLfloat)n;
    if (!(n > 0.0) || !(f > 0.0) || dx == 0.0f || dy == 0.0f || dz == 0.0f)
        return __glSetError(GL_INVALID_VALUE);
    GlMatrixRecord m;
    memset(&m, 0, sizeof m);
    m.m[0] = (GLfloat)(2.0 * n / (r - l));
    m.m[5] = (GLfloat)(2.0 * n / (t - b));
    m.m[8] = (GLfloat)((r + l) / (r - l));
    m.m[9] = (GLfloat)((t + b) / (t - b));
    m.m[10] = (GLfloat)(-(f + n) / (f - n));
    m.m[11] = -1.0f;
    m.m[14] = (GLfloat)(-2.0 * f * n / (f - n));
    m.type = GL_MATRIX_GENERAL;
    multCurrentMatrix(gc, multStep, &m);
}

extern "C" void GLIMM __glImmOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    GlContext* gc = matrixContext();
    if (!gc) return;
    if (r - l == 0.0 || t - b == 0.0 || f - n == 0.0) return __glSetError(GL_INVALID_VALUE);
    GlMatrixRecord m;
    memset(&m, 0, sizeof m);
    m.m[0] = (GLfloat)(2.0 / (r - l));
    m.m[5] = (GLfloat)(2.0 / (t - b));
    m.m[10] = (GLfloat)(-2.0 / (f - n));
    m.m[12] = (GLfloat)(-(r + l) / (r - l));
    m.m[13] = (GLfloat)(-(t + b) / (t - b));
    m.m[14] = (GLfloat)(-(f + n) / (f - n));
    m.m[15] = 1.0f;
    const GlViewportState* vp = &gc->viewport;
    if (l == 0.0 && b == 0.0 && r == (GLdouble)vp->width && t == (GLdouble)vp->height && n <= 0.0 && f >= 0.0) {
        m.type = GL_MATRIX_WINDOW_ORTHO;
        m.orthoWidth = (int16_t)vp->width;
        m.orthoHeight = (int16_t)vp->height;
    } else {
        m.type = GL_MATRIX_SCALE_TRANSLATE;
    }
    multCurrentMatrix(gc, multStep, &m);
}
