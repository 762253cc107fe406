// Procedure pickers: matrix procedures by mode, face and polygon-mode bytes
// with the triangle procedures, the point and line procedures by render mode,
// and the empty pickers of stages not built yet.

#include "pickers.h"
#include "geometry/geometry.h"
#include "raster/depthstencil.h"
#include "pixel/pixel.h"
#include "raster/lines.h"
#include "raster/triangle.h"
#include "raster/chain.h"

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
// culled face 0 front, 1 back, 3 both, 2 none. Then the triangle procedures.
extern "C" void GLPROC __glPickCullAndFillProcs(GlContext* gc) {
    const GlPolygonState* s = &gc->polygon;
    GlContextProcs* p = &gc->procs;
    gc->ccwFront = s->frontFace == GL_CCW ? 0 : 1;
    gc->cwFront = (uint8_t)(1 - gc->ccwFront);
    gc->polygonModeFront = (uint8_t)(s->frontMode & 0xF);
    gc->polygonModeBack = (uint8_t)(s->backMode & 0xF);
    if (!(gc->enables.general & GL_EN_CULL_FACE)) gc->cullFaceCode = 2;
    else gc->cullFaceCode = s->cullFace == GL_FRONT ? 0 : s->cullFace == GL_BACK ? 1 : 3;

    if (gc->renderMode == GL_SELECT) {
        p->renderTriangle = __glSelectTriangle;
    } else if (gc->renderMode == GL_FEEDBACK) {
        p->renderTriangle = __glFeedbackTriangle;
    } else if (gc->cullFaceCode == 3) {
        p->renderTriangle = __glEmptyTriangleProc;
    } else if (p->pickCullAndFillProcs == __glPickCullAndFillProcs && __glPickTriangleProcs(gc)) {
        return;  // a software context's fast path: its triangle procedures and chain are in place
    } else if (gc->polygonModeFront != 2 || gc->polygonModeBack != 2) {
        p->renderTriangle = __glPolygonModeTriangle;
    } else {
        p->renderTriangle = (gc->rasterFlags & GL_RF_SMOOTH) ? __glFillTriangleReuseEdge : __glFillTriangle;
    }
    // Filled triangles: the generic set-up (antialiased with polygon smooth);
    // flat shading with per-vertex fog wraps it. Nothing is drawn without a
    // span runner (and, antialiased, a fragment store) or under hint 0x6402.
    const bool smooth = (gc->enables.general & GL_EN_POLYGON_SMOOTH) != 0;
    GlSetupTriangleProc setup = smooth ? __glSetupSmoothTriangle : __glSetupTriangle;
    if ((gc->rasterFlags & (GL_RF_FOG_VERTEX | GL_RF_SMOOTH)) == GL_RF_FOG_VERTEX) {
        p->setupTriangleWrapped = setup;
        setup = __glSetupTriangleFlat;
    }
    if (!p->runSpanStages || (smooth && !p->storeFragmentTested) || (gc->arrays.flags & GL_ARRAY_HINT_6402))
        setup = __glNullTriangleSetup;
    p->setupTriangle = setup;
}

extern "C" void GLPROC __glPickShadeProcs(GlContext* gc) {
    gc->procs.renderLine = gc->lighting.shadeModel == GL_FLAT ? __glRenderLineFlat : __glRenderLine;
    gc->procs.clipTriangle = __glClipTriangleAsPolygon;
    gc->procs.renderPolygon = __glPolygonProc;
}

// __glPickFogProcs: geometry/fog.cpp; __glValidateLighting: geometry/light.cpp.
// The pixel-rectangle state: the read buffer and the transfer flags. (The
// rectangle procedures themselves come with the framebuffer transfers.)
extern "C" void GLPROC __glPickRenderProcs(GlContext* gc) {
    GlFramebuffer* fb = &gc->fb;
    if (gc->pixel.readBuffer == GL_FRONT) gc->readBuffer = fb->frontBuffer;
    else if (gc->pixel.readBuffer == GL_BACK && fb->backBuffer) gc->readBuffer = fb->backBuffer;
    if (!gc->readBuffer) gc->readBuffer = fb->frontBuffer;
    __glPickPixelTransferFlags(gc);
    __glPickPixelProcs(gc);
}

// The depth-test members for the depth function, mask and word size.
extern "C" GLint GLPROC __glPickDepthTestProc(GlContext* gc) {
    GlDepthBuffer* db = &gc->fb.depth;
    __glDepthNextGeneration(gc, db);
    const bool present = gc->pixelFormat.depthPresent && db->pick;
    const GLint index = __glDepthTestIndex(db->compareFunc, gc->depth.writeMask,
                                           present ? db->buf.bits : gc->pixelFormat.depthBits);
    if (present) db->pick(gc, db, index);
    gc->procs.depthTestSpan = __glDepthTestTable[index];
    return index;
}
