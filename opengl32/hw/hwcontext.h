// Hardware contexts over the rasterizer library.
#pragma once

#include "core/glcontext.h"

// A hardware context: the generic context and the hardware tail. Face and
// polygon-mode bytes are the generic context's (ccwFront, cullFaceCode, ...).
struct GlHwContext {
    GlContext gc;
    GLint hwBlendSrc, hwBlendDst;  // library factor codes of the current glBlendFunc
    GLuint hwVertexKey;            // vertex-stage key bits (GL_HW_KEY_*)
    void* hwCurrentTexture;        // texture object in use, or null
};
static_assert(offsetof(GlHwContext, gc) == 0, "a hardware context is a GlContext");

// Vertex-stage key bits kept by the enables.
enum {
    GL_HW_KEY_LIGHTING = 0x04000000,
    GL_HW_KEY_FOG = 0x08000000,
    GL_HW_KEY_NORMALIZE = 0x10000000,
    GL_HW_KEY_CLIP_PLANE = 0x20000000,
    GL_HW_KEY_VERTEX_ARRAY = 0x40000000,
};

enum {
    GL_HW_WIDTH = 640,
    GL_HW_HEIGHT = 480,
    GL_HW_WINDOW_BIAS = 786432,  // 3 * 2^18: window x and y snap to 1/16 pixel
    GL_HW_DEPTH_MAX = 0xFFFF,
};

static inline GlHwContext* __glHw(GlContext* gc) { return (GlHwContext*)gc; }

extern "C" {
GlContext* GLPROC __glHwCreateContext(const GlCoreImports* imports, const GlPixelFormatInfo* format);

// Library-state procedures: push the context's GL state to the library.
void GLPROC __glHwPushBlend(GlContext* gc);
void GLPROC __glHwPushAlphaFunc(GlContext* gc);
void GLPROC __glHwPushAlphaTest(GlContext* gc);
void GLPROC __glHwPushCullMode(GlContext* gc);
void GLPROC __glHwSetDepthMode(GlContext* gc);
void GLPROC __glHwSetDepthFunc(GlContext* gc);
// All of the above, the colour mask and the clip window.
void GLPROC __glHwPushState(GlContext* gc);
// The library's cull code for the context's culling state.
GLint GLPROC __glHwCullCode(const GlContext* gc);
// Library code of a GL blend factor as source (dst false) or destination; -1 when refused.
GLint GLPROC __glHwBlendCode(GLenum factor, GLboolean dst);

// Colour buffer over the board's linear frame buffer (reads, fragment and span stores).
void GLPROC __glHwInitColorBuffer(GlColorBuffer* cb, GlContext* gc);
// Validation of a hardware context: no span-level pickers; the vertex key.
void GLPROC __glHwValidate(GlContext* gc);
// Installs __glHwValidate and empties the span-level picker slots.
void GLPROC __glHwInstallValidate(GlContext* gc);

// Pickers of the primitive procedures.
void GLPROC __glHwPickCullAndFillProcs(GlContext* gc);
void GLPROC __glHwPickLineProcs(GlContext* gc);
void GLPROC __glHwPickPointProcs(GlContext* gc);
}
