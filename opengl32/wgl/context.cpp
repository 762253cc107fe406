// Context handles: creation, make-current, deletion, list sharing, and the
// allocator and drawable services each GL context imports.

#include <stdlib.h>
#include <string.h>
#include "drawable.h"
#include "pixelformat.h"
#include "hw/hwcontext.h"
#include "raster/glbuffer.h"

static uint32_t handleCounter = 1;
HWND __wglLastMakeCurrentWindow;

// ---- Imports of every GL context -------------------------------------------

static void* GLPROC importAlloc(GlContext*, size_t bytes) {
    return bytes ? GlobalAlloc(GPTR, bytes) : nullptr;
}

static void* GLPROC importCalloc(GlContext*, size_t count, size_t size) {
    if (!count || !size || count > (size_t)-1 / size) return nullptr;
    return GlobalAlloc(GPTR, count * size);
}

static void* GLPROC importRealloc(GlContext*, void* block, size_t bytes) {
    if (!bytes) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    void* fresh = GlobalAlloc(GPTR, bytes);
    if (!fresh) return nullptr;  // the old block stays valid
    if (block) {
        size_t old = GlobalSize(block);
        memcpy(fresh, block, old < bytes ? old : bytes);
        GlobalFree(block);
    }
    return fresh;
}

static void GLPROC importFree(GlContext*, void* block) {
    if (block) GlobalFree(block);
}

static void GLPROC importWarning(GlContext*, const char* text) { __wglLogError(text); }

static void GLPROC importFatal(GlContext*, const char* text) {
    __wglLogError(text);
    abort();
}

static WglContextHandle* ownerOf(GlContext* gc) { return (WglContextHandle*)gc->imports.owner; }

static WglDrawable* GLPROC importDrawableBuffer(GlContext* gc) { return ownerOf(gc)->drawable; }

// The handle of a context made by wglCreateContext; null for the null context
// and for contexts of the embedding interface, whose owner is no handle.
static WglContextHandle* handleOf(GlContext* gc) {
    if (!gc || gc == __wglNullContext || gc->imports.getDrawableBuffer != importDrawableBuffer) return nullptr;
    return ownerOf(gc);
}

static void GLPROC importDrawableSize(GlContext* gc, GLint* width, GLint* height) {
    WglDrawable* d = ownerOf(gc)->drawable;
    if (!d) {
        *width = *height = 0;
        return;
    }
    __wglUpdateDrawableSize(d);
    *width = d->width;
    *height = d->height;
}

// The owner word is written just before each creation, under the mutex.
static GlCoreImports contextImports = {importAlloc,   importCalloc,         importRealloc,
                                       importFree,    importWarning,        importFatal,
                                       importDrawableBuffer, importDrawableSize, nullptr};

// ---- Handle list --------------------------------------------------------------

// The record of a handle value; handle 0 is no handle.
static WglContextHandle* findHandle(HGLRC handle) {
    const uint32_t value = (uint32_t)(uintptr_t)handle;
    if (!value) return nullptr;
    WglContextHandle* found = nullptr;
    __wglLock();
    for (WglContextHandle* h = __wglHandleList.next; h != &__wglHandleList; h = h->next)
        if (h->handle == value) {
            found = h;
            break;
        }
    __wglUnlock();
    return found;
}

static BOOL createGlContext(WglContextHandle* h) {
    PIXELFORMATDESCRIPTOR pfd;
    memcpy(&pfd, h->descriptor, sizeof pfd);
    GlPixelFormatInfo* info = (GlPixelFormatInfo*)GlobalAlloc(GPTR, sizeof(GlPixelFormatInfo));
    if (!info) return FALSE;
    *info = __wglBuildPixelFormatInfo(&pfd);
    h->formatInfo = info;
    if (!__glColorBufferSupported(info) && !(__wglHardware && info->rgba)) return FALSE;
    contextImports.owner = h;
    h->glContext = __wglHardware ? __glHwCreateContext(&contextImports, info)
                                 : __glCreateContext(&contextImports, info);
    return h->glContext != nullptr;
}

static void freeHandle(WglContextHandle* h) {
    if (h->formatInfo) GlobalFree(h->formatInfo);
    GlobalFree(h);
}

extern "C" HGLRC WINAPI __wglCreateContext(HDC dc) {
    __wglGetCurrentContext();
    const int format = __wglGetPixelFormat(dc);
    if (!format) {
        __wglSystemError("wglCreateContex", 9);
        return nullptr;
    }
    WglContextHandle* h = (WglContextHandle*)GlobalAlloc(GPTR, sizeof(WglContextHandle));
    if (!h) {
        __wglSystemError("wglCreateContext", 5);
        return nullptr;
    }
    if (!__wglDescribePixelFormat(dc, format, sizeof(PIXELFORMATDESCRIPTOR),
                                  (PIXELFORMATDESCRIPTOR*)h->descriptor)) {
        GlobalFree(h);
        __wglSystemError("wglCreateContext", 17);
        return nullptr;
    }
    h->isCurrent = 0;
    h->ownerThread = (uint32_t)-1;
    h->formatIndex = (uint32_t)format;
    h->resizePending = 1;

    __wglLock();
    h->handle = handleCounter++;
    if (!createGlContext(h)) {
        freeHandle(h);
        __wglSystemError("wglCreateContext", WGL_ERROR_UNSUPPORTED);
        __wglUnlock();
        return nullptr;
    }
    h->prev = &__wglHandleList;
    h->next = __wglHandleList.next;
    __wglHandleList.next->prev = h;
    __wglHandleList.next = h;
    __wglUnlock();
    return (HGLRC)(uintptr_t)h->handle;
}

// Resizes the buffers of a handle's context to its drawable.
void __wglResizeBuffers(WglContextHandle* h) {
    WglDrawable* d = h->drawable;
    if (d) {
        __wglUpdateDrawableSize(d);
        if (d->update) d->update(d);
        GlContext* gc = h->glContext;
        gc->procs.resizeBuffers(gc, d->width, d->height);
    }
    h->resizePending = 0;
}

// Unbinds the thread's current context; false leaves it current. An
// embedding context is released by the embedding interface.
static BOOL loseCurrent(GlThreadState* ts) {
    GlContext* gc = ts->context;
    if (!gc || gc == __wglNullContext) return TRUE;
    if (__wglPelluxIsEmbedding(gc)) return __wglPelluxReleaseCurrent();
    if (!gc->procs.loseCurrent(gc)) return FALSE;
    WglContextHandle* old = handleOf(gc);
    if (old) {
        if (old->drawable) old->drawable->useCount--;
        old->drawable = nullptr;
        old->isCurrent = 0;
        old->ownerThread = (uint32_t)-1;
        old->window = nullptr;
        old->deviceContext = nullptr;
    }
    ts->context = __wglNullContext;
    return TRUE;
}

extern "C" BOOL WINAPI __wglMakeCurrent(HDC dc, HGLRC handle) {
    GlContext* current = __wglGetCurrentContext();
    GlThreadState* ts = __glThreadStateOrNull();
    if (!ts) return FALSE;
    WglContextHandle* h = findHandle(handle);
    const DWORD self = GetCurrentThreadId();
    HWND window = nullptr;
    WglDrawable* drawable = nullptr;

    if (handle) {
        if (!h) {
            __wglSystemError("wglMakeCurrent", 2);
            return FALSE;
        }
        HGDIOBJ bitmap = nullptr;
        switch (GetObjectType(dc)) {
        case OBJ_DC:
            window = WindowFromDC(dc);
            __wglLastMakeCurrentWindow = window;
            break;
        case OBJ_MEMDC:
            bitmap = GetCurrentObject(dc, OBJ_BITMAP);
            break;
        default:
            return FALSE;
        }
        if (!window && !bitmap) {
            __wglSystemError("wglMakeCurrent", 1);
            return FALSE;
        }
        if (h->isCurrent && h->ownerThread != self) {
            __wglSystemError("wglMakeCurrent", 25);
            return FALSE;
        }
        int failure = WGL_DRAWABLE_OK;
        drawable = __wglFindOrCreateDrawable(dc, window, h->formatInfo, (GLint)h->formatIndex, &failure);
        if (!drawable) {
            __wglSystemError("wglMakeCurrent", (DWORD)failure);
            return FALSE;
        }
        if (h->deviceContext == dc && h->glContext == current && drawable->window == window) return TRUE;
    }

    __wglLock();
    if (!loseCurrent(ts)) {
        __wglUnlock();
        return FALSE;
    }
    if (handle) {
        // Checked again under the lock: another thread may have bound it meanwhile.
        if (h->isCurrent && h->ownerThread != self) {
            __glClearThreadDispatch();
            __wglUnlock();
            __wglSystemError("wglMakeCurrent", 25);
            return FALSE;
        }
        drawable->useCount++;
        h->drawable = drawable;
        GlContext* gc = h->glContext;
        if (!gc->procs.makeCurrent(gc)) {
            drawable->useCount--;
            h->drawable = nullptr;
            ts->context = __wglNullContext;
            __glClearThreadDispatch();
            __wglUnlock();
            return FALSE;
        }
        ts->context = gc;
        h->isCurrent = 1;
        h->ownerThread = self;
        h->window = window;
        h->deviceContext = dc;
    } else {
        __glClearThreadDispatch();
    }
    __wglUnlock();
    if (handle && h->resizePending) __wglResizeBuffers(h);
    return TRUE;
}

extern "C" BOOL WINAPI __wglDeleteContext(HGLRC handle) {
    __wglGetCurrentContext();
    GlThreadState* ts = __glThreadStateOrNull();
    WglContextHandle* h = findHandle(handle);
    if (!h) {
        __wglSystemError("wglDeleteContext", 2);
        return FALSE;
    }
    GlContext* gc = h->glContext;
    if (h->isCurrent) {
        if (h->ownerThread != GetCurrentThreadId() || !ts) return FALSE;
        __wglLock();
        WglDrawable* d = h->drawable;
        if (!loseCurrent(ts)) {
            __wglUnlock();
            return FALSE;
        }
        __glClearThreadDispatch();
        // A memory DC keeps its drawable, and so its pixel format, while it lives.
        if (d && d->useCount == 0 && d->isWindow && !d->window) __wglDestroyDrawable(d);
        __wglUnlock();
    }
    if (!gc->procs.destroyContext(gc)) {
        __wglSystemError("wglDeleteContext", WGL_ERROR_UNSUPPORTED);
        return FALSE;
    }
    __wglLock();
    h->prev->next = h->next;
    h->next->prev = h->prev;
    __wglUnlock();
    freeHandle(h);
    return TRUE;
}

static WglContextHandle* currentHandle(void) { return handleOf(__wglGetCurrentContext()); }

extern "C" HGLRC WINAPI __wglGetCurrentContextHandle(void) {
    WglContextHandle* h = currentHandle();
    return h ? (HGLRC)(uintptr_t)h->handle : nullptr;
}

extern "C" HDC WINAPI __wglGetCurrentDC(void) {
    WglContextHandle* h = currentHandle();
    return h ? h->deviceContext : nullptr;
}

extern "C" BOOL WINAPI __wglShareLists(HGLRC first, HGLRC second) {
    __wglGetCurrentContext();
    WglContextHandle* a = findHandle(first);
    if (!a) {
        __wglSystemError("wglShareLists", 32);
        return FALSE;
    }
    WglContextHandle* b = findHandle(second);
    if (!b) {
        __wglSystemError("wglShareLists", 33);
        return FALSE;
    }
    __wglLock();
    GlContext* gc = b->glContext;
    BOOL shared = gc->procs.shareLists && gc->procs.shareLists(gc, a->glContext);
    __wglUnlock();
    if (!shared) {
        __wglSystemError("wglShareLists", 34);
        return FALSE;
    }
    return TRUE;
}

// A window moved or the palette changed: contexts bound to it resize, at once
// when current in this thread, else at their next make-current.
void __wglWindowChanged(HWND window) {
    const DWORD self = GetCurrentThreadId();
    WglContextHandle* from = &__wglHandleList;
    for (;;) {
        WglContextHandle* found = nullptr;
        __wglLock();
        for (WglContextHandle* h = from->next; h != &__wglHandleList; h = h->next)
            if (h->window == window) {
                found = h;
                break;
            }
        __wglUnlock();
        if (!found) return;
        if (found->isCurrent && found->ownerThread == self) __wglResizeBuffers(found);
        else found->resizePending = 1;
        from = found;
    }
}

// The window of the calling thread's current context is closing.
void __wglWindowClosing(HWND window) {
    WglContextHandle* h = currentHandle();
    if (h && h->window == window) __wglMakeCurrent(nullptr, nullptr);
}
