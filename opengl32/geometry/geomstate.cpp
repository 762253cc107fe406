// Geometry state that lives with the context: the matrix stacks, the scratch
// vertices, the name stack and the geometry procedures.

#include <string.h>
#include "core/services.h"
#include "geometry.h"

// Runs at context creation (after the name stack is allocated).
extern "C" GLboolean GLPROC __glAllocClipPlanes(GlContext* gc) {
    const GlLimits* l = &gc->limits;
    const GLint total = l->maxModelviewStackDepth + l->maxProjectionStackDepth + l->maxTextureStackDepth;
    GlMatrixEntry* e = (GlMatrixEntry*)gc->imports.calloc(gc, total, sizeof(GlMatrixEntry));
    if (!e) return GL_FALSE;
    gc->matrixStorage = e;
    gc->matrices.modelView = e;
    gc->matrices.projection = e + l->maxModelviewStackDepth;
    gc->matrices.texture = gc->matrices.projection + l->maxProjectionStackDepth;
    gc->matrices.modelViewTop = gc->matrices.modelView;
    gc->matrices.projectionTop = gc->matrices.projection;
    gc->matrices.textureTop = gc->matrices.texture;
    memset(gc->transform.eyeClipPlanes, 0, sizeof gc->transform.eyeClipPlanes);
    for (int i = 0; i < GL_CLIP_POOL_SIZE; i++) {
        gc->clipVertexPool[i].color = gc->clipVertexPool[i].frontColor;
        gc->clipVertexPool[i].flags = GL_VX_SIZE4;
    }
    for (int i = 0; i < GL_VERTEX_BUFFER_SIZE; i++) gc->vertexBuffer[i].color = gc->vertexBuffer[i].frontColor;
    gc->rasterVertex.color = gc->rasterVertex.frontColor;
    gc->vertexPointer = gc->vertexBuffer;
    gc->select.nameStackBase = gc->select.nameStackPtr = gc->nameStack;
    gc->feedbackType = GL_2D;
    gc->yInverted = 0;
    gc->yDirection = 1;
    gc->depthFullScale = gc->pixelFormat.depthBits > 16 ? 0x7FC00000u : 0xFFFF0000u;
    __glInstallProcs(gc);
    __glInitTransformState(gc);
    __glSetDepthRangeValues(gc, 0.0, 1.0);
    return GL_TRUE;
}

extern "C" void GLPROC __glFreeClipPlanes(GlContext* gc) {
    if (gc->matrixStorage) gc->imports.free(gc, gc->matrixStorage);
    gc->matrixStorage = nullptr;
}
