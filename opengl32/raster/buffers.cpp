// Framebuffer buffer objects: attach to the drawable's descriptions, follow
// the drawable's size, free what the core allocated.

#include "core/glcontext.h"
#include "geometry/geometry.h"
#include "wgl/drawable.h"
#include "depthstencil.h"
#include "accum.h"

static GLuint log2Floor(GLuint v) {
    GLuint s = 0;
    while (v > 1) v >>= 1, s++;
    return s;
}

static void recomputeDerived(GlBufferObject* b) {
    b->elementShift = log2Floor(b->elementSize);
    b->rowLength = b->elementSize ? b->stride / (GLint)b->elementSize : 0;
}

static bool hasStorage(const GlDrawableBuffer* desc) { return desc->storage || desc->base; }

static void copyFromDesc(GlBufferObject* b, const GlDrawableBuffer* desc) {
    b->width = desc->width;
    b->height = desc->height;
    b->rawStorage = desc->rawStorage;
    b->base = desc->base;
    b->capacity = desc->capacity;
    if (desc->elementSize) b->elementSize = desc->elementSize;
    b->stride = desc->stride;
    recomputeDerived(b);
}

static void GLPROC hookNop(GlBufferObject*) {}

extern "C" void GLPROC __glInitBufferObject(GlBufferObject* b, GlContext*) {
    b->elementSize = 1;
    b->attach = __glAttachBufferObject;
    b->detach = __glDetachBufferObject;
    b->resize = __glResizeBufferObject;
    b->hook = hookNop;
}

// A description without storage (a drawable the buffer meets for the first
// time) must not inherit the block of the drawable it was last bound to: the
// resize that follows allocates its own.
extern "C" void GLPROC __glAttachBufferObject(GlBufferObject* b, GlDrawableBuffer* desc, GlContext* gc) {
    if (hasStorage(desc)) {
        copyFromDesc(b, desc);
        b->bits = desc->bits;
    } else {
        b->rawStorage = nullptr;
        b->base = nullptr;
        b->capacity = 0;
        b->width = b->height = 0;
    }
    b->desc = desc;
    b->context = gc;
}

extern "C" void GLPROC __glDetachBufferObject(GlBufferObject* b) { b->context = nullptr; }

extern "C" void GLPROC __glFreeBufferStorage(GlDrawableBuffer* desc, WglDrawable* d) {
    if (desc->base && d) d->free(desc->rawStorage);
    desc->rawStorage = nullptr;
    desc->base = nullptr;
    desc->capacity = 0;
}

extern "C" GLint GLPROC __glPaddedWidth(GLint width, GLuint elementSize, GLuint rowMultiple) {
    if (width <= 0 || !elementSize) return 0;
    const uint64_t rowBytes = ((uint64_t)width * elementSize + rowMultiple - 1) / rowMultiple * rowMultiple;
    const uint64_t padded = (rowBytes + elementSize - 1) / elementSize;
    return padded > (uint64_t)INT32_MAX ? INT32_MAX : (GLint)padded;
}

// Storage the drawable supplies is copied; otherwise the buffer grows its own
// block (one spare row) through the drawable's allocator and never shrinks it.
// When the block cannot grow (or its size does not fit the 32-bit fields), the
// old storage and size stay and GL_OUT_OF_MEMORY is recorded; the caller sees
// the buffer smaller than asked.
extern "C" void GLPROC __glResizeBufferObject(GlBufferObject* b, GLint width, GLint height) {
    GlDrawableBuffer* desc = b->desc;
    WglDrawable* d = b->context ? b->context->fb.drawable : nullptr;
    if (!desc || !d) return;
    if (desc->storage) {
        desc->storage(desc, d);
        copyFromDesc(b, desc);
        return;
    }
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    const uint64_t needed = ((uint64_t)height + 1) * b->elementSize * (uint64_t)width;
    const uint64_t stride = (uint64_t)width * b->elementSize;
    if (needed + 31 > (uint64_t)UINT32_MAX || needed + 31 > (uint64_t)SIZE_MAX || stride > (uint64_t)INT32_MAX)
        return __glSetError(GL_OUT_OF_MEMORY);
    if (b->capacity < needed) {
        void* block = b->rawStorage ? d->reallocate(b->rawStorage, (size_t)needed + 31) : d->allocate((size_t)needed + 31);
        if (!block) return __glSetError(GL_OUT_OF_MEMORY);
        b->rawStorage = block;
        b->capacity = (GLuint)needed;
        b->base = (uint8_t*)(((uintptr_t)block + 31) & ~(uintptr_t)31);
    }
    b->width = width;
    b->height = height + 1;
    b->stride = width * (GLint)b->elementSize;
    recomputeDerived(b);

    desc->width = b->width;
    desc->height = b->height;
    desc->rawStorage = b->rawStorage;
    desc->base = b->base;
    desc->capacity = b->capacity;
    desc->elementSize = b->elementSize;
    desc->stride = b->stride;
    desc->bits = b->bits;
    desc->free = __glFreeBufferStorage;
}

extern "C" GLboolean GLPROC __glColorBufferSupported(const GlPixelFormatInfo* f) {
    switch (f->colorBits) {
    case 8:
    case 16:
    case 32: return f->rgba || f->colorIndex;
    case 24: return f->rgba;
    }
    return GL_FALSE;
}

extern "C" GLboolean GLPROC __glInitBuffers(GlContext* gc) {
    const GlPixelFormatInfo* f = &gc->pixelFormat;
    if (!__glColorBufferSupported(f)) return GL_FALSE;
    __glThreadState()->beginState = GL_BEGIN_NEEDS_VALIDATE;
    gc->dirtyPickers |= GL_DIRTY_ALL_PICKERS;

    GlFramebuffer* fb = &gc->fb;
    fb->frontBuffer = &fb->front;
    fb->backBuffer = f->doubleBuffer ? &fb->back : nullptr;
    void (GLPROC* initColor)(GlColorBuffer*, GlContext*) =
        f->rgba ? __glInitDibColorBuffer : __glInitColorBuffer;
    initColor(&fb->front, gc);
    if (fb->backBuffer) initColor(&fb->back, gc);

    if (f->accumPresent && f->rgba) __glInitAccumBuffer(&fb->accum, gc);
    if (f->depthPresent) __glInitDepthBuffer(&fb->depth, gc);
    if (f->stencilPresent) __glInitStencilBuffer(&fb->stencil, gc);
    __glInitBufferObject(&fb->aux, gc);
    gc->procs.resizeBuffers = __glResizeBuffers;
    gc->procs.refreshBufferAddresses = __glRefreshColorBufferAddresses;
    return GL_TRUE;
}

// The buffers present in the format, with their descriptions, in the order
// front, back, accumulation, depth, stencil, auxiliary.
struct BoundBuffer {
    GlBufferObject* buffer;
    int kind;
};
static int presentBuffers(GlContext* gc, BoundBuffer out[GL_DRAWABLE_BUFFERS]) {
    GlFramebuffer* fb = &gc->fb;
    const GlPixelFormatInfo* f = &gc->pixelFormat;
    int n = 0;
    if (fb->frontBuffer) out[n++] = {&fb->front.buf, GL_DRAWABLE_FRONT};
    if (fb->backBuffer) out[n++] = {&fb->back.buf, GL_DRAWABLE_BACK};
    if (f->accumPresent && fb->accum.attach) out[n++] = {&fb->accum, GL_DRAWABLE_ACCUM};
    if (f->depthPresent && fb->depth.buf.attach) out[n++] = {&fb->depth.buf, GL_DRAWABLE_DEPTH};
    if (f->stencilPresent && fb->stencil.buf.attach) out[n++] = {&fb->stencil.buf, GL_DRAWABLE_STENCIL};
    return n;
}

extern "C" void GLPROC __glAttachDrawable(GlContext* gc) {
    WglDrawable* d = gc->imports.getDrawableBuffer(gc);
    GlFramebuffer* fb = &gc->fb;
    fb->drawable = d;
    if (!d) return;
    d->releaseHook = __glReleaseDrawableBuffers;
    gc->drawableWidth = d->bufferWidth;
    gc->drawableHeight = d->bufferHeight;
    fb->savedWord = d->savedWord;
    BoundBuffer bound[GL_DRAWABLE_BUFFERS];
    const int n = presentBuffers(gc, bound);
    for (int i = 0; i < n; i++) bound[i].buffer->attach(bound[i].buffer, &d->buffers[bound[i].kind], gc);
    if (fb->aux.attach) fb->aux.attach(&fb->aux, &d->buffers[GL_DRAWABLE_AUX], gc);
    __glUpdateDrawableSize(gc);
    __glPickColorBuffers(gc);
}

extern "C" void GLPROC __glDetachBuffers(GlContext* gc) {
    GlFramebuffer* fb = &gc->fb;
    if (fb->drawable) fb->drawable->savedWord = fb->savedWord;
    BoundBuffer bound[GL_DRAWABLE_BUFFERS];
    const int n = presentBuffers(gc, bound);
    for (int i = 0; i < n; i++) bound[i].buffer->detach(bound[i].buffer);
    if (fb->aux.detach) fb->aux.detach(&fb->aux);
}

extern "C" void GLPROC __glUpdateDrawableSize(GlContext* gc) {
    if (!gc->fb.drawable) return;
    GLint w = 0, h = 0;
    gc->imports.getDrawableSize(gc, &w, &h);
    __glResizeBuffersIfNeeded(gc, w, h);
}

// The drawable record keeps the size its shared storage was last made for, so
// a second context on the same drawable does not resize again.
extern "C" void GLPROC __glResizeBuffersIfNeeded(GlContext* gc, GLint width, GLint height) {
    if (width != gc->drawableWidth || height != gc->drawableHeight) {
        gc->drawableWidth = width;
        gc->drawableHeight = height;
        if (gc->procs.computeWindowClipBox) gc->procs.computeWindowClipBox(gc);
    }
    WglDrawable* d = gc->fb.drawable;
    if (!d) return;
    if (width == d->bufferWidth && height == d->bufferHeight && (width || height)) return;
    d->bufferWidth = width;
    d->bufferHeight = height;
    BoundBuffer bound[GL_DRAWABLE_BUFFERS];
    const int n = presentBuffers(gc, bound);
    bool unfit = false;
    for (int i = 0; i < n; i++) {
        GlBufferObject* b = bound[i].buffer;
        b->resize(b, width, height);
        if (b->width < width || b->height < height) unfit = true;
    }
    if (!unfit) return;
    // A buffer that could not grow is tried again at the next size check;
    // until one succeeds the context draws into a drawable of no pixels.
    d->bufferWidth = d->bufferHeight = -1;
    gc->drawableWidth = gc->drawableHeight = 0;
    if (gc->procs.computeWindowClipBox) gc->procs.computeWindowClipBox(gc);
}

// procs.resizeBuffers: the window changed size while the context is current.
extern "C" void GLPROC __glResizeBuffers(GlContext* gc, GLint width, GLint height) {
    __glResizeBuffersIfNeeded(gc, width, height);
    __glComputeViewportTransform(gc);  // a top-down drawable's rows depend on its height
    __glComputeViewportBox(gc);
}

extern "C" GLboolean GLPROC __glRefreshColorBufferAddresses(GlContext* gc) {
    GlColorBuffer* buffers[2] = {gc->fb.frontBuffer, gc->fb.backBuffer};
    for (GlColorBuffer* cb : buffers) {
        if (!cb || !cb->buf.desc || !hasStorage(cb->buf.desc)) continue;
        cb->buf.base = cb->buf.desc->base;
        cb->buf.stride = cb->buf.desc->stride;
        recomputeDerived(&cb->buf);
    }
    return GL_TRUE;
}

static void lockOne(GlColorBuffer* cb) {
    GlDrawableBuffer* desc = cb->buf.desc;
    desc->lock(desc, cb->buf.context->fb.drawable);
    cb->buf.rawStorage = desc->rawStorage;
    cb->buf.base = desc->base;
    cb->buf.stride = desc->stride;
    recomputeDerived(&cb->buf);
}

static GLboolean lockBoth(GlContext* gc, bool lock) {
    GlColorBuffer* buffers[2] = {gc->fb.frontBuffer, gc->fb.backBuffer};
    for (GlColorBuffer* cb : buffers) {
        if (!cb || !cb->buf.desc || !cb->buf.context) continue;
        GlDrawableBuffer* desc = cb->buf.desc;
        if (!(lock ? desc->lock : desc->unlock)) continue;
        gc->fb.lockedDrawBuffer = cb;
        if (lock) lockOne(cb);
        else desc->unlock(desc, gc->fb.drawable);
    }
    gc->fb.lockedDrawBuffer = nullptr;
    return GL_TRUE;
}

extern "C" GLboolean GLPROC __glLockBothDrawBuffers(GlContext* gc) { return lockBoth(gc, true); }
extern "C" GLboolean GLPROC __glUnlockBothDrawBuffers(GlContext* gc) { return lockBoth(gc, false); }

extern "C" void GLPROC __glFreeBuffers(GlContext* gc) {
    GlFramebuffer* fb = &gc->fb;
    GlBufferObject* buffers[] = {&fb->front.buf,   &fb->back.buf, &fb->stencil.buf,
                                 &fb->depth.buf,   &fb->accum,    &fb->aux};
    for (GlBufferObject* b : buffers)
        if (b->free) b->free(b);
    __glFreeIndexTestTable(gc);
}

extern "C" void GLPROC __glReleaseDrawableBuffers(WglDrawable* d) {
    for (GlDrawableBuffer& desc : d->buffers)
        if (desc.free) desc.free(&desc, d);
}

extern "C" void GLPROC __glPickColorBuffers(GlContext* gc) {
    GlColorBuffer* buffers[2] = {gc->fb.frontBuffer, gc->fb.backBuffer};
    for (GlColorBuffer* cb : buffers)
        if (cb && cb->pick) cb->pick(gc, cb);
    GlStencilBuffer* sb = &gc->fb.stencil;
    if (gc->pixelFormat.stencilPresent && sb->pick) sb->pick(gc, sb);
}
