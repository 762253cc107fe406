// Hardware contexts over the rasterizer library.
#pragma once

#include "core/glcontext.h"
#include "ravix2x.h"

// A hardware context: the generic context and the hardware tail. Face and
// polygon-mode bytes are the generic context's (ccwFront, cullFaceCode, ...).
struct GlHwContext {
    GlContext gc;
    GLint hwBlendSrc, hwBlendDst;  // library factor codes of the current glBlendFunc
    GLuint hwVertexKey;            // vertex-stage key bits (GL_HW_KEY_*)
    void* hwCurrentTexture;        // texture object in use, or null
    GLint hwBoardBuffers;          // board colour buffers of the window: 2, or 1 ("QRB_SINGLEBUFFER")
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

// A board buffer locked for the life of the record (write locks take 5-6-5
// writes): pixel addresses of biased window positions.
struct GlHwLfbLock {
    RvLfbInfo info;
    int32_t type, buffer;
    bool held;
    GlHwLfbLock(int32_t lockType, int32_t which) : info(), type(lockType), buffer(which) {
        info.size = sizeof info;
        const int32_t mode = type == RV_LFB_WRITE_ONLY ? RV_LFB_WRITEMODE_565 : RV_LFB_WRITEMODE_ANY;
        held = rvLfbLock(type, buffer, mode, RV_ORIGIN_ANY, RV_LFB_NO_PIPELINE, &info) != 0;
    }
    ~GlHwLfbLock() {
        if (held) rvLfbUnlock(type, buffer);
    }
    GlHwLfbLock(const GlHwLfbLock&) = delete;
    GlHwLfbLock& operator=(const GlHwLfbLock&) = delete;
    // Any position; the caller keeps to the board.
    uint16_t* address(const GlContext* gc, GLint x, GLint y) const {
        const GLint col = x - gc->limits.windowBiasX, row = y - gc->limits.windowBiasY;
        return (uint16_t*)((uint8_t*)info.lfbPtr + (ptrdiff_t)row * (int32_t)info.strideInBytes + (ptrdiff_t)col * 2);
    }
    // Null outside the board's 640x480 or without the lock.
    uint16_t* pixel(const GlContext* gc, GLint x, GLint y) const {
        const GLint col = x - gc->limits.windowBiasX, row = y - gc->limits.windowBiasY;
        if (!held || col < 0 || row < 0 || col >= GL_HW_WIDTH || row >= GL_HW_HEIGHT) return nullptr;
        return address(gc, x, y);
    }
};

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
// The board buffer behind a colour-buffer record: the back record is buffer
// 0 when the window has one board buffer.
int32_t GLPROC __glHwBoardBuffer(const GlColorBuffer* cb);
// A colour in 0-255 units packed as the fragment store packs it (5-6-5).
GLuint GLPROC __glHwPack565(const GLfloat* color, GLfloat offset);
// glDrawPixels and glReadPixels of a hardware context: rows straight between
// client memory and the locked board, else the generic procedures.
void GLPROC __glHwDrawPixelsProc(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type,
                                 const GLvoid* pixels, GLboolean packed);
void GLPROC __glHwReadPixelsProc(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                                 GLenum type, GLvoid* pixels);
// procs.pickBitmapProc of a hardware context: the generic bitmap procedure.
void GLPROC __glHwPickBitmapProc(GlContext* gc);
// Validation of a hardware context: no span-level pickers; the vertex key.
void GLPROC __glHwValidate(GlContext* gc);
// Installs __glHwValidate and empties the span-level picker slots.
void GLPROC __glHwInstallValidate(GlContext* gc);

// Pickers of the primitive procedures.
void GLPROC __glHwPickCullAndFillProcs(GlContext* gc);
void GLPROC __glHwPickLineProcs(GlContext* gc);
void GLPROC __glHwPickPointProcs(GlContext* gc);
}
