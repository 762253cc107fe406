// Embedding interface: a client that keeps its own pixel memory (no window,
// no device context) wraps it in surfaces and renders with software contexts.
// One embedding context is current in the whole process at a time; only the
// thread it is current in releases it.

#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include "drawable.h"

extern GlContext* __wglNullContext;

struct MglPelluxSurface {
    MglPelluxSurfaceDesc description;
    uint8_t clientData[24];
    WglDrawable drawable;  // what the core reads and writes
};

static MglPelluxContext* currentEmbedding;
static DWORD currentEmbeddingThread;  // the thread it is current in

// ---- Imports of embedding contexts (C runtime heap) --------------------------

static void* GLPROC embedAlloc(GlContext*, size_t bytes) { return bytes ? malloc(bytes) : nullptr; }
static void* GLPROC embedCalloc(GlContext*, size_t count, size_t size) {
    return count && size ? calloc(count, size) : nullptr;
}
static void* GLPROC embedRealloc(GlContext*, void* block, size_t bytes) {
    if (!bytes) {
        free(block);
        return nullptr;
    }
    return realloc(block, bytes);  // the old block stays valid on failure
}
static void GLPROC embedFree(GlContext*, void* block) { free(block); }
static void GLPROC embedWarning(GlContext*, const char*) {}
static void GLPROC embedFatal(GlContext*, const char*) { abort(); }

static MglPelluxContext* embeddingOf(GlContext* gc) { return (MglPelluxContext*)gc->imports.owner; }

static WglDrawable* GLPROC embedDrawableBuffer(GlContext* gc) {
    MglPelluxSurface* s = embeddingOf(gc)->surface;
    return s ? &s->drawable : nullptr;
}

static void GLPROC embedDrawableSize(GlContext* gc, GLint* width, GLint* height) {
    MglPelluxSurface* s = embeddingOf(gc)->surface;
    *width = s ? s->description.width : 0;
    *height = s ? s->description.height : 0;
}

static GlCoreImports embedImports = {embedAlloc,   embedCalloc,          embedRealloc,
                                     embedFree,    embedWarning,         embedFatal,
                                     embedDrawableBuffer, embedDrawableSize, nullptr};

// Allocators of the surface's buffer part.
static void* heapAllocate(size_t bytes) { return embedAlloc(nullptr, bytes); }
static void* heapAllocateZeroed(size_t count, size_t size) { return embedCalloc(nullptr, count, size); }
static void* heapReallocate(void* block, size_t bytes) { return embedRealloc(nullptr, block, bytes); }
static void heapFree(void* block) { free(block); }

// ---- Visuals ------------------------------------------------------------------

extern "C" GLuint __wglPelluxMaskBits(GLuint mask) {
    if (!mask) return 0;
    while (!(mask & 1)) mask >>= 1;
    GLuint bits = 0;
    for (; mask & 1; mask >>= 1) ++bits;
    return bits;
}

extern "C" void __wglPelluxFill332Palette(MglPelluxVisual* visual) {
    if (!visual->palette) return;
    for (GLuint i = 0; i < 256; ++i) {
        uint8_t* entry = visual->palette + 4 * i;
        entry[0] = (uint8_t)(((i >> 6) & 3) * 255 / 3);
        entry[1] = (uint8_t)(((i >> 3) & 7) * 255 / 7);
        entry[2] = (uint8_t)((i & 7) * 255 / 7);
        entry[3] = 0;
    }
}

extern "C" void GLPROC mglPelluxChooseVisual(MglPelluxVisual* visual, MglPelluxAttributes* attributes) {
    if (attributes->depthBits) attributes->depthBits = attributes->depthBits > 16 ? 32 : 16;
    if (attributes->stencilBits) attributes->stencilBits = 8;
    if (attributes->accumBits) attributes->accumBits = 64;
    if (visual->depth > 8) attributes->rgba = 1;
    if (visual->depth == 8 && (attributes->rgba & 0xFF)) __wglPelluxFill332Palette(visual);
}

extern "C" GLint GLPROC mglPelluxCheckVisual(MglPelluxVisual* visual, const MglPelluxAttributes* attributes) {
    const GLuint depth = attributes->depthBits, stencil = attributes->stencilBits;
    const GLuint accum = attributes->accumBits;
    const bool rgba = (attributes->rgba & 0xFF) != 0;
    if ((depth != 0 && depth != 16 && depth != 32) || (stencil != 0 && stencil != 8) ||
        (accum != 0 && accum != 64) || (visual->depth > 8 && !rgba))
        return 0;
    if (visual->depth == 8 && rgba) __wglPelluxFill332Palette(visual);
    return 1;
}

// The pixel format an embedding context renders in.
static GlPixelFormatInfo embedFormat(const MglPelluxVisual* visual, const MglPelluxAttributes* attributes) {
    GlPixelFormatInfo f;
    memset(&f, 0, sizeof f);
    f.rgba = (uint8_t)(attributes->rgba & 0xFF);
    f.colorIndex = attributes->rgba == 0;
    f.doubleBuffer = 1;
    f.accumPresent = attributes->accumBits != 0;
    f.depthPresent = attributes->depthBits != 0;
    f.stencilPresent = attributes->stencilBits != 0;
    if (visual->depth <= 8) {
        // Red in the low three bits, then green, then blue: the 3-3-2 palette's order.
        f.redBits = 3, f.greenBits = 3, f.blueBits = 2;
        f.redMask = 0x07, f.greenMask = 0x38, f.blueMask = 0xC0;
        f.colorBits = 8;
    } else {
        f.redBits = __wglPelluxMaskBits(visual->redMask);
        f.greenBits = __wglPelluxMaskBits(visual->greenMask);
        f.blueBits = __wglPelluxMaskBits(visual->blueMask);
        f.redMask = visual->redMask << visual->redShift;
        f.greenMask = visual->greenMask << visual->greenShift;
        f.blueMask = visual->blueMask << visual->blueShift;
        // The pixel size is the visual's, also when alpha or padding bits are unused.
        f.colorBits = visual->depth == 15 ? 16 : visual->depth;
    }
    if (f.accumPresent) f.accumRedBits = f.accumGreenBits = f.accumBlueBits = f.accumAlphaBits = 16;
    f.depthBits = attributes->depthBits;
    f.stencilBits = attributes->stencilBits;
    return f;
}

// ---- Contexts -----------------------------------------------------------------

extern "C" MglPelluxContext* GLPROC mglPelluxCreateContext(const MglPelluxVisual* visual,
                                                           const MglPelluxAttributes* attributes) {
    MglPelluxContext* c = (MglPelluxContext*)calloc(1, sizeof(MglPelluxContext));
    if (!c) return nullptr;
    c->formatInfo = (GlPixelFormatInfo*)malloc(sizeof(GlPixelFormatInfo));
    if (c->formatInfo) *c->formatInfo = embedFormat(visual, attributes);
    if (c->formatInfo && __glColorBufferSupported(c->formatInfo)) {
        __wglLock();
        embedImports.owner = c;
        c->glContext = __glCreateContext(&embedImports, c->formatInfo);
        __wglUnlock();
    }
    if (!c->glContext) {
        free(c->formatInfo);
        free(c);
        return nullptr;
    }
    return c;
}

extern "C" BOOL __wglPelluxIsEmbedding(const GlContext* gc) {
    return gc->imports.getDrawableBuffer == embedDrawableBuffer;
}

// The current embedding context is another thread's: this one cannot release
// it. Caller holds the lock.
static bool currentElsewhere(void) {
    return currentEmbedding && currentEmbeddingThread != GetCurrentThreadId();
}

// Releases the calling thread's embedding context, if it has one; FALSE when
// the core keeps it current. Caller holds the lock.
static BOOL releaseEmbedding(void) {
    MglPelluxContext* c = currentEmbedding;
    if (!c || currentElsewhere()) return TRUE;
    GlContext* gc = c->glContext;
    if (!gc->procs.loseCurrent(gc)) return FALSE;
    c->surface = nullptr;
    currentEmbedding = nullptr;
    currentEmbeddingThread = 0;
    __glClearThreadDispatch();
    return TRUE;
}

extern "C" BOOL __wglPelluxReleaseCurrent(void) {
    __wglLock();
    const BOOL released = releaseEmbedding();
    __wglUnlock();
    return released;
}

// Deletes a context current nowhere or in the calling thread.
static GLint deleteContext(MglPelluxContext* context) {
    if (context == currentEmbedding && (currentElsewhere() || !releaseEmbedding())) return 0;
    GlContext* gc = context->glContext;
    if (!gc->procs.destroyContext(gc)) return 0;
    free(context->formatInfo);
    free(context);
    return 1;
}

extern "C" GLint GLPROC mglPelluxDeleteContext(MglPelluxContext* context) {
    if (!context) return 0;
    __wglLock();
    const GLint deleted = deleteContext(context);
    __wglUnlock();
    return deleted;
}

static GLuint bytesPerPixel(GLuint colorBits) {
    return colorBits == 8 || colorBits == 16 || colorBits == 24 || colorBits == 32 ? colorBits / 8 : 0;
}

static MglPelluxSurface* surfaceOf(WglDrawable* d) {
    return (MglPelluxSurface*)((uint8_t*)d - offsetof(MglPelluxSurface, drawable));
}

// A colour buffer is the client's memory: the surface's size, or none
// without pixels.
extern "C" void GLPROC __wglPelluxGetBufferSize(GlDrawableBuffer* desc, WglDrawable* d) {
    const MglPelluxSurface* s = surfaceOf(d);
    const bool pixels = desc->base != nullptr;
    desc->width = pixels ? s->description.width : 0;
    desc->height = pixels ? s->description.height : 0;
    desc->capacity = pixels ? (GLuint)(desc->stride * desc->height) : 0;
}

// The client's present procedure: the rectangle, then the first word of the
// client data.
extern "C" void GLPROC __wglPelluxPresent(GlDrawableBuffer*, WglDrawable* d, GLint x, GLint y, GLint width,
                                         GLint height) {
    const MglPelluxSurface* s = surfaceOf(d);
    void* client;
    memcpy(&client, s->clientData, sizeof client);
    s->description.present(x, y, width, height, client);
}

static void noDrawableUpdate(WglDrawable*) {}

extern "C" void __wglPelluxInitSurfaceBuffers(MglPelluxSurface* s) {
    WglDrawable* d = &s->drawable;
    const GLuint bits = d->formatInfo->colorBits, code = bytesPerPixel(bits);
    for (int k = GL_DRAWABLE_FRONT; k <= GL_DRAWABLE_BACK; k++) {
        GlDrawableBuffer* desc = &d->buffers[k];
        desc->bits = bits;
        desc->bytesPerPixel = code;
        desc->elementSize = code;
        desc->storage = __wglPelluxGetBufferSize;
        desc->lock = s->description.lock;
        desc->unlock = s->description.unlock;
        desc->present = s->description.present ? __wglPelluxPresent : nullptr;
    }
    d->freeBuffers = noDrawableUpdate;
    d->update = noDrawableUpdate;
    d->width = s->description.width;
    d->height = s->description.height;
    d->topDown = 1;
    d->initialised = 1;
}

// Caller holds the lock.
static GLint makeCurrent(MglPelluxContext* context, MglPelluxSurface* surface) {
    if (currentElsewhere() || !releaseEmbedding()) return 0;
    if (!context) {
        GlThreadState* ts = __glThreadStateOrNull();
        if (ts && (!ts->context || ts->context == __wglNullContext)) __glClearThreadDispatch();
        return 1;
    }
    if (!surface) return 0;
    // The thread needs its record, and no wgl context of its own current.
    __wglGetCurrentContext();
    __wglReleaseCurrent();
    GlThreadState* ts = __glThreadStateOrNull();
    if (!ts || (ts->context && ts->context != __wglNullContext)) return 0;
    WglDrawable* d = &surface->drawable;
    if (!d->formatInfo) {
        d->formatInfo = (GlPixelFormatInfo*)malloc(sizeof(GlPixelFormatInfo));
        if (!d->formatInfo) return 0;
        *d->formatInfo = *context->formatInfo;
        d->allocate = heapAllocate;
        d->allocateZeroed = heapAllocateZeroed;
        d->reallocate = heapReallocate;
        d->free = heapFree;
        d->self = d;
        __wglPelluxInitSurfaceBuffers(surface);
    }
    context->surface = surface;
    GlContext* gc = context->glContext;
    if (!gc->procs.makeCurrent(gc)) {
        context->surface = nullptr;
        ts->context = __wglNullContext;
        __glClearThreadDispatch();
        return 0;
    }
    currentEmbedding = context;
    currentEmbeddingThread = GetCurrentThreadId();
    return 1;
}

extern "C" GLint GLPROC mglPelluxMakeCurrent(MglPelluxContext* context, MglPelluxSurface* surface) {
    __wglLock();
    const GLint made = makeCurrent(context, surface);
    __wglUnlock();
    return made;
}

// ---- Surfaces -----------------------------------------------------------------

extern "C" MglPelluxSurface* GLPROC mglPelluxCreateSurface(const MglPelluxSurfaceDesc* description,
                                                           const void* clientData) {
    MglPelluxSurface* s = (MglPelluxSurface*)calloc(1, sizeof(MglPelluxSurface));
    if (!s) return nullptr;
    if (description) s->description = *description;
    if (clientData) memcpy(s->clientData, clientData, sizeof s->clientData);
    return s;
}

extern "C" GLint GLPROC mglPelluxDeleteSurface(MglPelluxSurface* surface) {
    if (!surface) return 0;
    __wglLock();
    const bool bound = currentEmbedding && currentEmbedding->surface == surface;
    const bool kept = bound && (currentElsewhere() || !releaseEmbedding());
    __wglUnlock();
    if (kept) return 0;
    WglDrawable* d = &surface->drawable;
    if (d->releaseHook) d->releaseHook(d);
    free(d->formatInfo);
    free(surface);
    return 1;
}

// Caller holds the lock.
static GLint setSurfacePixels(MglPelluxSurface* surface, void* frontPixels, void* backPixels) {
    MglPelluxContext* c = currentEmbedding;
    const bool bound = c && c->surface == surface;
    // Another thread renders into it: its pixels stay as they are.
    if (bound && currentElsewhere()) return 0;
    void* const pixels[2] = {frontPixels, backPixels};
    for (int k = GL_DRAWABLE_FRONT; k <= GL_DRAWABLE_BACK; k++) {
        GlDrawableBuffer* desc = &surface->drawable.buffers[k];
        desc->base = (uint8_t*)pixels[k];
        desc->rawStorage = pixels[k];
        desc->stride = surface->description.stride;
    }
    // Pixels of a surface no context is current on are read at its next make-current.
    if (!bound) return 1;
    // The buffers take the pixels' size at once (they had none without pixels).
    GlContext* gc = c->glContext;
    surface->drawable.bufferWidth = surface->drawable.bufferHeight = -1;
    __glUpdateDrawableSize(gc);
    return gc->procs.refreshBufferAddresses ? gc->procs.refreshBufferAddresses(gc) : 1;
}

extern "C" GLint GLPROC mglPelluxSetSurfacePtr(MglPelluxSurface* surface, void* frontPixels, void* backPixels) {
    if (!surface) return 0;
    __wglLock();
    const GLint set = setSurfacePixels(surface, frontPixels, backPixels);
    __wglUnlock();
    return set;
}
