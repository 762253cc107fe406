// Procedure pickers: matrix procedures by mode, face and polygon-mode bytes,
// and the point, line and triangle procedures by render mode.

#include "glcontext.h"
#include "geometry/geometry.h"

extern "C" void GLPROC __glPickMatrixProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    switch (gc->transform.matrixMode) {
    case GL_MODELVIEW:
        p->pushMatrix = __glPushModelViewMatrix;
        p->popMatrix = __glPopModelViewMatrix;
        p->loadIdentityMatrix = __glLoadIdentityModelViewMatrix;
        break;
    case GL_PROJECTION:
        p->pushMatrix = __glPushProjectionMatrix;
        p->popMatrix = __glPopProjectionMatrix;
        p->loadIdentityMatrix = __glLoadIdentityProjectionMatrix;
        break;
    default:
        p->pushMatrix = __glPushTextureMatrix;
        p->popMatrix = __glPopTextureMatrix;
        p->loadIdentityMatrix = __glLoadIdentityTextureMatrix;
        break;
    }
}

// Face bytes: 0 front, 1 back; polygon modes 0 point, 1 line, 2 fill; the
// culled face 0 front, 1 back, 3 both, 2 none.
extern "C" void GLPROC __glPickCullAndFillProcs(GlContext* gc) {
    const GlPolygonState* s = &gc->polygon;
    gc->ccwFront = s->frontFace == GL_CCW ? 0 : 1;
    gc->cwFront = (uint8_t)(1 - gc->ccwFront);
    gc->polygonModeFront = (uint8_t)(s->frontMode & 0xF);
    gc->polygonModeBack = (uint8_t)(s->backMode & 0xF);
    if (!(gc->enables.general & GL_EN_CULL_FACE)) gc->cullFaceCode = 2;
    else gc->cullFaceCode = s->cullFace == GL_FRONT ? 0 : s->cullFace == GL_BACK ? 1 : 3;
}

extern "C" void GLPROC __glPickPointProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    if (gc->renderMode == GL_SELECT) {
        p->renderPoint = __glSelectPoint;
        return;
    }
    if (gc->renderMode == GL_FEEDBACK) {
        p->renderPoint = __glFeedbackPoint;
        return;
    }
    p->renderPoint = __glRenderPointProc;
    p->drawPoint = __glEmptyPointProc;
}

extern "C" void GLPROC __glPickLineProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    if (gc->renderMode == GL_SELECT) p->renderLine = __glSelectLine;
    else if (gc->renderMode == GL_FEEDBACK) p->renderLine = __glFeedbackLine;
    else p->renderLine = p->drawLine = __glEmptyLineProc;
}

extern "C" void GLPROC __glPickRenderProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    p->clipTriangle = __glClipTriangleAsPolygon;
    p->renderPolygon = __glPolygonProc;
    if (gc->renderMode == GL_SELECT) {
        p->renderTriangle = __glSelectTriangle;
    } else if (gc->renderMode == GL_FEEDBACK) {
        p->renderTriangle = __glFeedbackTriangle;
    } else if (gc->cullFaceCode == 3) {
        p->renderTriangle = __glEmptyTriangleProc;
    } else if (gc->polygonModeFront != 2 || gc->polygonModeBack != 2) {
        p->renderTriangle = __glPolygonModeTriangle;
    } else {
        p->renderTriangle = gc->lighting.shadeModel == GL_FLAT ? __glFillTriangle : __glFillTriangleReuseEdge;
    }
    p->setupTriangle = __glSetupTriangleNop;
}

extern "C" void GLPROC __glPickAllProcs(GlContext* gc) {
    gc->procs.pickMatrixProcs(gc);
    gc->procs.pickCullAndFillProcs(gc);
    gc->procs.pickPointProcs(gc);
    gc->procs.pickLineProcs(gc);
    gc->procs.pickRenderProcs(gc);
    gc->procs.pickClipInterpolator(gc);
    gc->procs.pickColorMaterial(gc);
    gc->procs.applyCurrentColor(gc);
    gc->procs.pickVertexProcs(gc);
}
