// The context's procedure install: matrix kernels, transform and vertex
// procedures, begin procedures, pickers and validation. The first validation
// (at the first make-current, every picker dirty) fills the picked slots.

#include "pickers.h"
#include "geometry/geometry.h"
#include "raster/depthstencil.h"
#include "texture/texture.h"

extern "C" void GLPROC __glInstallProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    const GlContextProc nop = (GlContextProc)__glNop;
    p->validate = __glCallValidate;
    p->fullValidate = __glGenericValidate;

    p->copyMatrix = __glCopyMatrix;
    p->identityMatrix = __glMakeIdentityMatrix;
    p->multMatrix = __glMultMatrixProc;
    p->invertMatrix = __glInvertMatrix;
    p->normalize = __glNormalizeProc;
    p->matrixChanged = __glUpdateModelViewInverse;
    p->updateCompositeMatrix = __glUpdateCompositeMatrix;
    p->updateCullVertexEye = __glUpdateCullVertexEye;
    p->pickMatrixTransformProcs = __glPickMatrixTransformProcs;
    p->pickInverseTransformProcs = __glPickInverseTransformProcs;
    p->computeWindowClipBox = __glComputeWindowClipBox;
    p->applyViewport = __glApplyViewport;
    p->applyScissor = __glApplyScissor;

    p->pickVertexProcs = __glPickVertexProcs;
    p->pickClipInterpolator = __glPickClipInterpolator;
    p->pickMatrixProcs = __glPickMatrixProcs;
    p->pickRenderProcs = __glPickRenderProcs;
    p->pickPointProcs = __glPickPointProcs;
    p->pickLineProcs = __glPickLineProcs;
    p->pickCullAndFillProcs = __glPickCullAndFillProcs;
    p->pickShadeProcs = __glPickShadeProcs;
    p->pickColorMaterial = __glPickColorMaterial;
    p->pickArrayProcs = __glPickArrayProcs;
    p->pickTextureProcs = __glPickTextureProcs;
    p->defineColorTable = __glDefineColorTable;
    p->pickDrawBuffer = __glPickDrawBuffer;
    p->pickFragmentStoreProc = __glPickFragmentStoreProc;
    p->pickTexGenProcs = __glPickTexGenProcs;
    p->pickBlendProcs = __glPickBlendProcs;
    p->pickFogProcs = __glPickFogProcs;
    p->pickBitmapProc = __glPickBitmapProc;
    p->repackStipple = __glRepackStipple;
    p->pickDepthTestProc = __glPickDepthTestProc;
    p->depthTestSpan = __glDepthTestTable[GL_LESS - GL_NEVER];
    p->pickSpanProcs = __glPickSpanProcs;
    p->pickVertexArrayProcs = __glPickVertexArrayProcs;

    p->beginPoints = __glBeginPoints;
    p->beginLines = __glBeginLines;
    p->beginLineLoop = __glBeginLineLoop;
    p->beginLineStrip = __glBeginLineStrip;
    p->beginTriangles = __glBeginTriangles;
    p->beginTriangleStrip = __glBeginTriangleStrip;
    p->beginTriangleFan = __glBeginTriangleFan;
    p->beginQuads = __glBeginQuads;
    p->beginQuadStrip = __glBeginQuadStrip;
    p->beginPolygon = __glBeginPolygon;
    p->primitiveVertex = (GlVertexProc)__glNop;
    p->endPrimitive = __glEndPrimitive;
    p->clipPrimitiveVertices = nop;

    p->fogVertex = __glFogVertexNone;
    p->texGen = __glTexGenNone;
    p->lightVertex = __glLightVertexUnlit;
    p->drawPoint = __glEmptyPointProc;
    p->drawLine = __glEmptyLineProc;
}
