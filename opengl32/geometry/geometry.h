// Procedures the geometry files share with validation, the pickers and the
// procedure install.
#pragma once

#include "core/glcontext.h"


static inline GlMatrixEntry* __glModelViewTop(GlContext* gc) { return gc->matrices.modelViewTop; }

// Completion of a vertex for the done bits in mask, through its size code.
static inline void __glCompleteVertex(GlContext* gc, GlVertex* v, GLuint mask) {
    if (mask & ~v->flags) {
        GlCompleteProc p = (&gc->procs.completeVertex0)[(v->flags & GL_VX_SIZE_MASK) >> 10];
        p(gc, v, mask);
    }
}

// glBegin's begin-state and mode checks: the context with begin state 1, or
// null when the call was refused or made again after validation.
GlContext* __glStartPrimitive(GlThreadState* ts, GLenum mode);
// An unclipped quad v0 .. v3 as two triangles with its diagonal hidden.
void __glQuadTriangles(GlContext* gc, GlVertex* v0, GlVertex* v1, GlVertex* v2, GlVertex* v3);
// An unclipped quad of a quad strip, v2 v3 after v0 v1: two triangles, the
// diagonal hidden; the edge flags are left 1.
void __glQuadStripTriangles(GlContext* gc, GlVertex* v0, GlVertex* v1, GlVertex* v2, GlVertex* v3);

extern "C" {
// Matrix arithmetic.
void GLPROC __glCopyMatrix(GlMatrixRecord* dst, const GlMatrixRecord* src);
void GLPROC __glMakeIdentityMatrix(GlMatrixRecord* dst);
void GLPROC __glMultMatrixProc(GlMatrixRecord* dst, const GlMatrixRecord* a, const GlMatrixRecord* b);
void GLPROC __glInvertMatrix(GlMatrixRecord* dst, const GlMatrixRecord* src);
void GLPROC __glTransposeMatrix(GlMatrixRecord* dst, const GlMatrixRecord* src);
void GLPROC __glNormalizeProc(GLfloat dst[3], const GLfloat src[3]);
GLint GLPROC __glHighestBit(GLuint value);
GLint GLPROC __glCombineMatrixTypes(GLint a, GLint b);

// Matrix stacks.
void GLPROC __glPickMatrixTransformProcs(GlContext* gc, GlMatrixRecord* r);
void GLPROC __glPickInverseTransformProcs(GlContext* gc, GlMatrixRecord* r);
void GLPROC __glUpdateModelViewInverse(GlContext* gc, GlMatrixEntry* e);
void GLPROC __glUpdateCompositeMatrix(GlContext* gc, GlMatrixRecord* composite);
void GLPROC __glUpdateCullVertexEye(GlContext* gc, GlMatrixEntry* e);
void GLPROC __glPushModelViewMatrix(GlContext* gc);
void GLPROC __glPushProjectionMatrix(GlContext* gc);
void GLPROC __glPushTextureMatrix(GlContext* gc);
void GLPROC __glPopModelViewMatrix(GlContext* gc);
void GLPROC __glPopProjectionMatrix(GlContext* gc);
void GLPROC __glPopTextureMatrix(GlContext* gc);
void GLPROC __glLoadIdentityModelViewMatrix(GlContext* gc);
void GLPROC __glLoadIdentityProjectionMatrix(GlContext* gc);
void GLPROC __glLoadIdentityTextureMatrix(GlContext* gc);
void GLPROC __glInitTransformState(GlContext* gc);

// Viewport, depth range, window clip box.
void GLPROC __glComputeViewportTransform(GlContext* gc);
void GLPROC __glComputeViewportBox(GlContext* gc);
// procs.applyViewport and procs.applyScissor of software contexts.
void GLPROC __glApplyViewport(GlContext* gc);
void GLPROC __glApplyScissor(GlContext* gc);
void GLPROC __glSetDepthRangeValues(GlContext* gc, GLdouble n, GLdouble f);
void GLPROC __glUpdateDepthRange(GlContext* gc);
void GLPROC __glComputeWindowClipBox(GlContext* gc);
void GLPROC __glReadDrawableSize(GlContext* gc);

// Vertex procedures.
GLuint GLPROC __glClipTestVertex(GlContext* gc, GlVertex* v);
GLuint GLPROC __glClipTestPlanar2(GlContext* gc, GlVertex* v);
GLuint GLPROC __glClipTestUser(GlContext* gc, GlVertex* v);
GLuint GLPROC __glClipTestUser2(GlContext* gc, GlVertex* v);
GLuint GLPROC __glClipTestUser3(GlContext* gc, GlVertex* v);
GLuint GLPROC __glCompleteVertex2(GlContext* gc, GlVertex* v, GLuint mask);
GLuint GLPROC __glCompleteVertex3(GlContext* gc, GlVertex* v, GLuint mask);
GLuint GLPROC __glCompleteVertex4(GlContext* gc, GlVertex* v, GLuint mask);
// The eye normal of v's object normal (a vertex of N components) into `to`:
// by the modelview inverse transpose, normalized under GL_NORMALIZE.
void GLPROC __glEyeNormal(GlContext* gc, GlVertex* v, GLint N, GLfloat* to);
void GLPROC __glPickVertexProcs(GlContext* gc);
void GLPROC __glApplyCurrentColorUnlit(GlContext* gc);
void GLPROC __glPickColorMaterial(GlContext* gc);
GLfloat GLPROC __glFogVertexNone(GlContext* gc, GlVertex* v);
void GLPROC __glTexGenNone(GlContext* gc, GlVertex* v);
void GLPROC __glLightVertexUnlit(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glEndPrimitive(GlContext* gc);
void GLPROC __glBeginPoints(GlContext* gc);

// Assembly and clipping.
void GLPROC __glBeginLines(GlContext* gc);
void GLPROC __glBeginLineLoop(GlContext* gc);
void GLPROC __glBeginLineStrip(GlContext* gc);
void GLPROC __glBeginTriangles(GlContext* gc);
void GLPROC __glBeginTriangleStrip(GlContext* gc);
void GLPROC __glBeginTriangleFan(GlContext* gc);
void GLPROC __glBeginQuads(GlContext* gc);
void GLPROC __glBeginQuadStrip(GlContext* gc);
void GLPROC __glBeginPolygon(GlContext* gc);
void GLPROC __glPolygonProc(GlContext* gc, GlVertex* first, GLint count);
void GLPROC __glRenderPolygon(GlContext* gc, GlVertex** v, GLint count, GLuint codes);
void GLPROC __glClipTriangleAsPolygon(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint codes);
void GLPROC __glDoClipTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
void GLPROC __glClipLine(GlContext* gc, GlVertex* a, GlVertex* b, GLuint codes);
void GLPROC __glPickClipInterpolator(GlContext* gc);
void GLPROC __glPolygonModeTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
void GLPROC __glEmptyTriangleProc(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
void GLPROC __glEmptyLineProc(GlContext* gc, GlVertex* a, GlVertex* b);
void GLPROC __glEmptyPointProc(GlContext* gc, GlVertex* v);
void GLPROC __glRenderPointProc(GlContext* gc, GlVertex* v);
void GLPROC __glFillTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
void GLPROC __glFillTriangleReuseEdge(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
extern const GlInterpolateProc __glClipInterpolators[20];

// Feedback and selection.
void GLPROC __glFeedbackWord(GlContext* gc, GLfloat w);
void GLPROC __glFeedbackVertex(GlContext* gc, GlVertex* v);
void GLPROC __glFeedbackClipVertex(GlContext* gc, GlVertex* v);
void GLPROC __glFeedbackPoint(GlContext* gc, GlVertex* v);
void GLPROC __glFeedbackLine(GlContext* gc, GlVertex* a, GlVertex* b);
void GLPROC __glFeedbackTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
void GLPROC __glFeedbackBitmap(GlContext* gc, GlVertex* v);
void GLPROC __glFeedbackDrawPixel(GlContext* gc, GlVertex* v);
void GLPROC __glFeedbackCopyPixel(GlContext* gc, GlVertex* v);
void GLPROC __glSelectRecordHit(GlContext* gc, GLfloat z);
void GLPROC __glSelectPoint(GlContext* gc, GlVertex* v);
void GLPROC __glSelectLine(GlContext* gc, GlVertex* a, GlVertex* b);
void GLPROC __glSelectTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
GLuint GLPROC __glTriangleFace(GlContext* gc, const GlVertex* a, const GlVertex* b, const GlVertex* c);

// Validation and procedure install.
void GLPROC __glInstallProcs(GlContext* gc);
}
