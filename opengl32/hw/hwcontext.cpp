// Hardware contexts: creation, make-current and lose-current (which open and
// close the accelerator window), buffers, swap, flush, finish, clip window.

#include <stdlib.h>
#include "hwcontext.h"
#include "ravix2x.h"
#include "core/dlist.h"
#include "core/services.h"
#include "geometry/geometry.h"
#include "raster/depthstencil.h"
#include "wgl/drawable.h"
#include "wgl/wgl.h"

extern "C" const GlDispatchTable __glHwCompileDispatch;

// ---- Depth buffer: 16-bit values 0-65535 kept by the board. The software
// fragment paths (bitmaps, pixel rectangles) read, test and write the board's
// words through the frame-buffer lock, with the function and write mask of
// the moment (a hardware context picks no depth procedures); a lock a pixel.

static GLuint GLPROC fetchDepth(GlDepthBuffer* db, GLint x, GLint y) {
    const GlHwLfbLock lock(RV_LFB_READ_ONLY, RV_BUFFER_DEPTH);
    const uint16_t* p = lock.pixel(db->buf.context, x, y);
    return p ? *p : 0;
}

typedef bool (*DepthCompare)(GLuint v, GLuint w);
static const DepthCompare depthCompares[8] = {
    __glComparePasses<0>, __glComparePasses<1>, __glComparePasses<2>, __glComparePasses<3>,
    __glComparePasses<4>, __glComparePasses<5>, __glComparePasses<6>, __glComparePasses<7>,
};

static GLuint boardDepthTest(GlDepthBuffer* db, GLint x, GLint y, GLuint z, GLenum func, bool write) {
    const GlContext* gc = db->buf.context;
    if (!gc || func == GL_NEVER) return 0;
    const GLuint v = z > (GLuint)GL_HW_DEPTH_MAX ? (GLuint)GL_HW_DEPTH_MAX : z;
    if (func != GL_ALWAYS) {
        const GlHwLfbLock lock(RV_LFB_READ_ONLY, RV_BUFFER_DEPTH);
        const uint16_t* p = lock.pixel(gc, x, y);
        if (!p || !depthCompares[(func - GL_NEVER) & 7](v, *p)) return 0;
    }
    if (write) {
        const GlHwLfbLock lock(RV_LFB_WRITE_ONLY, RV_BUFFER_DEPTH);
        if (uint16_t* p = lock.pixel(gc, x, y)) *p = (uint16_t)v;
    }
    return 1;
}

static GLuint GLPROC testDepth(GlDepthBuffer* db, GLint x, GLint y, GLuint z) {
    const GlContext* gc = db->buf.context;
    return gc ? boardDepthTest(db, x, y, z, gc->depth.func, gc->depth.writeMask != 0) : 0;
}

static GLuint GLPROC storeDepth(GlDepthBuffer* db, GLint x, GLint y, GLuint z) {
    return boardDepthTest(db, x, y, z, GL_ALWAYS, true);
}

static void initDepthBuffer(GlDepthBuffer* db, GlContext* gc) {
    __glInitDepthBuffer(db, gc);  // the 16-bit kind whatever depth was asked for
    db->buf.bits = 16, db->buf.elementSize = 2, db->buf.elementShift = 1;
    db->depthMax = GL_HW_DEPTH_MAX, db->depthShift = 0, db->valueMask = 0x0000FFFFu;
    db->generation = db->generationStep = 0;
    db->storePixel = storeDepth;
    db->testPixel = testDepth;
    db->fetch = fetchDepth;
    db->clear = nullptr;  // glClear clears depth in the library
    db->pick = nullptr;
    gc->fb.clearDepth = nullptr;
    gc->depthFullScale = GL_HW_DEPTH_MAX;
    __glUpdateDepthRange(gc);
}

// The software set-up builds the index, accumulation and stencil buffers
// (RGBA colour and depth are replaced); false for an index format it cannot address.
static bool initBuffers(GlContext* gc) {
    const GlPixelFormatInfo* f = &gc->pixelFormat;
    const GlPixelFormatInfo saved = *f;
    GlPixelFormatInfo soft = saved;
    soft.depthPresent = 0;
    if (soft.rgba) soft.colorBits = 32;
    gc->pixelFormat = soft;
    const bool built = __glInitBuffers(gc);
    gc->pixelFormat = saved;
    if (!built) return false;
    GlFramebuffer* fb = &gc->fb;
    if (f->rgba) {
        __glHwInitColorBuffer(&fb->front, gc);
        if (fb->backBuffer) __glHwInitColorBuffer(&fb->back, gc);
    }
    if (f->depthPresent) initDepthBuffer(&fb->depth, gc);
    return true;
}

// ---- Context procedures.

static void updateWindowInside(GlContext* gc) {
    const GlViewportState* v = &gc->viewport;
    const GLint* box = gc->span.clipBox;
    const int64_t x = (int64_t)v->x + gc->limits.windowBiasX, y = (int64_t)v->y + gc->limits.windowBiasY;
    const uint8_t inside = x >= box[0] && y >= box[1] && x + v->width <= box[2] && y + v->height <= box[3];
    if (inside == gc->span.windowInside) return;
    gc->span.windowInside = inside;
    gc->dirtyPickers |= GL_DIRTY_GENERIC;
    GlThreadState* ts = __glThreadStateOrNull();
    if (ts && ts->context == gc) ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
}

static void GLPROC hwApplyViewport(GlContext* gc) {
    __glUpdateDrawableSize(gc);
    __glComputeViewportTransform(gc);
    updateWindowInside(gc);
}

static void GLPROC hwApplyScissor(GlContext* gc) {
    __glUpdateDrawableSize(gc);
    updateWindowInside(gc);
    if (!(gc->enables.general & GL_EN_SCISSOR_TEST)) {
        rvClipWindow(0, 0, GL_HW_WIDTH, GL_HW_HEIGHT);
        return;
    }
    const GlScissorState* s = &gc->scissor;
    rvClipWindow(s->x, s->y, s->x + s->width, s->y + s->height);
}

static void GLPROC hwResizeBuffers(GlContext* gc, GLint width, GLint height) {
    __glResizeBuffersIfNeeded(gc, width, height);
    __glComputeViewportTransform(gc);
    updateWindowInside(gc);
}

static void GLPROC hwFlush(GlContext* gc) { rvDepthBufferFunction((int32_t)(gc->depth.func - GL_NEVER)); }
static void GLPROC hwFinish(GlContext*) { rvQrbIdle(); }

static void GLPROC hwSwapBuffers(GlContext* gc) {
    gc->procs.flush(gc);
    if (gc->pixelFormat.doubleBuffer) rvBufferSwap(1);
}

// Textures leave board memory with their objects; the board's block records
// go with the last hardware context.
static GLboolean GLPROC hwFreeContext(GlContext* gc) {
    __glHwReleaseDefaultTextures(gc);
    gc->imports.free(gc, __glHw(gc)->hwSharedPalette.data);
    __glHw(gc)->hwSharedPalette.data = nullptr;
    __glFreeBuffers(gc);
    const GLboolean done = __glDestroyContext(gc);
    __glHwLeaveTextureMemory();
    return done;
}

static void GLPROC hwFullValidate(GlContext* gc);

static void installProcs(GlContext* gc) {
    __glInstallProcs(gc);
    GlContextProcs* p = &gc->procs;
    __glHwInstallValidate(gc);
    p->fullValidate = hwFullValidate;
    p->applyViewport = hwApplyViewport;
    p->applyScissor = hwApplyScissor;
    p->pickCullAndFillProcs = __glHwPickCullAndFillProcs;
    p->pickLineProcs = __glHwPickLineProcs;
    p->pickPointProcs = __glHwPickPointProcs;
    p->pickTextureProcs = __glHwPickTextureProcs;
    p->defineColorTable = __glHwDefineColorTable;
    p->flush = hwFlush;
    p->finish = hwFinish;
    p->resizeBuffers = hwResizeBuffers;
    p->beginPrimitive = (void(GLPROC*)(GlContext*, GLenum))__glNop;
}

// Validation with the hardware pickers in their slots.
static void GLPROC hwFullValidate(GlContext* gc) {
    __glHwValidate(gc);
    __glComputeViewportTransform(gc);
}

// Library defaults pushed at every make-current.
static void pushLibraryDefaults(void) {
    rvColorMask(1, 0);
    rvDepthBufferFunction(RV_CMP_LESS);
    rvDepthBufferMode(RV_DEPTHBUFFER_DISABLE);
    rvDepthMask(0);
    rvAlphaBlendFunction(RV_BLEND_ONE, RV_BLEND_ZERO, RV_BLEND_ONE, RV_BLEND_ZERO);
    rvAlphaTestFunction(RV_CMP_ALWAYS);
    rvAlphaTestReferenceValue(0);
    rvAlphaCombine(1, 0, 0, 2, 0);
    rvColorCombine(1, 0, 0, 2, 0);
    rvTexCombine(0, 1, 0, 1, 0, 0, 0);
    rvTexFilterMode(0, 0, 1);
    rvTexMipMapMode(0, 1, 0);
    rvTexClampMode(0, 0, 0);
}

static GLboolean GLPROC hwMakeCurrent(GlContext* gc) {
    const GLuint flags = gc->contextFlags;
    const bool first = !(flags & GL_CONTEXT_INSTALLED);
    const int32_t buffers = gc->pixelFormat.doubleBuffer && !getenv("QRB_SINGLEBUFFER") ? 2 : 1;
    // A board that refuses the window (or buffers that cannot be built) fails
    // the make-current before anything changes, with no window left open.
    const bool opened =
        rvQrbWinOpen(__wglLastMakeCurrentWindow, RV_RESOLUTION_640x480, 0, 0, RV_ORIGIN_LOWER_LEFT, buffers, 1) != 0;
    if (!opened || (first && !initBuffers(gc))) {
        if (opened) rvQrbWinClose();
        __wglSystemError("wglMakeCurrent", WGL_ERROR_UNSUPPORTED);
        return GL_FALSE;
    }
    __glHw(gc)->hwBoardBuffers = buffers;
    GlThreadState* ts = __glThreadState();
    ts->context = gc;
    ts->beginState = gc->savedBeginState;
    gc->immediateDispatch = __glHwImmediateDispatch;
    gc->liveDispatch = &gc->immediateDispatch;
    gc->compileDispatch = __glHwCompileDispatch;
    ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
    gc->dirtyPickers |= GL_DIRTY_DEPTH;

    rvRenderBuffer(buffers == 2 ? RV_BUFFER_BACK : RV_BUFFER_FRONT);
    pushLibraryDefaults();

    __glAttachDrawable(gc);
    if (gc->fb.drawable) gc->fb.drawable->topDown = 0;
    if (first || gc->yInverted) {
        gc->yInverted = 0;
        gc->yDirection = 1;
        ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
        gc->dirtyPickers |= GL_DIRTY_ALL_PICKERS;
    }
    // A context made current again renders with its own state, not the defaults.
    if (!first) __glHwPushState(gc);
    if (first) {
        installProcs(gc);
        gc->procs.swapBuffers = hwSwapBuffers;
    }
    return __glFinishMakeCurrent(gc, ts, flags, __glComputeViewportTransform);
}

static GLboolean GLPROC hwLoseCurrent(GlContext* gc) {
    GlThreadState* ts = __glThreadState();
    if (gc->renderMode != GL_RENDER || ts->beginState == GL_BEGIN_INSIDE) return GL_FALSE;
    rvQrbWinClose();
    __glDetachBuffers(gc);
    gc->savedBeginState = ts->beginState;
    ts->context = __wglNullContext;
    return GL_TRUE;
}

// The software limits with the board's viewport, bias, levels and size steps.
static void GLPROC setHardwareLimits(GlLimits* l) {
    __glSetSoftwareLimits(l);
    l->maxViewportWidth = GL_HW_WIDTH;
    l->maxViewportHeight = GL_HW_HEIGHT;
    l->windowBiasX = l->windowBiasY = GL_HW_WINDOW_BIAS;
    l->textureLevels = 9;
    l->pointSizeGranularity = l->lineWidthGranularity = 0.0625f;
    l->fragmentFog = 0;  // the board has no fog unit: GL_NICEST fogs vertices as the other hints do
}

extern "C" GlContext* GLPROC __glHwCreateContext(const GlCoreImports* imports, const GlPixelFormatInfo* format) {
    // The board's depth buffer is 16 bits whatever the format asked for.
    GlPixelFormatInfo board = *format;
    if (board.depthPresent) board.depthBits = 16;
    GlContext* gc = __glNewContext(imports, &board, sizeof(GlHwContext), setHardwareLimits, hwMakeCurrent,
                                   hwLoseCurrent, __glHwInstallTextureHooks);
    if (!gc) return nullptr;
    __glHwInitTextureMemory(gc);
    gc->procs.destroyContext = hwFreeContext;  // also for a context never made current
    // Window z runs 0-65535 whether or not the format has a depth buffer.
    gc->depthFullScale = GL_HW_DEPTH_MAX;
    __glUpdateDepthRange(gc);
    __glHw(gc)->hwBlendSrc = RV_BLEND_ONE;
    __glHw(gc)->hwBlendDst = RV_BLEND_ZERO;
    gc->vertexPrograms.keyingWord = &__glHw(gc)->hwVertexKey;  // the vertex programs' keying word
    return gc;
}
