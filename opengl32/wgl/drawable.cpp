// Drawables: the list, window and DIB-section set-up, size, and the window
// events of the message hook.

#include <string.h>
#include "drawable.h"

WglDrawable __wglDrawableList;

enum { SWAP_HINT_HEADER = 32, SWAP_HINT_RECT = 16, SWAP_HINT_INITIAL = 4 };

// Global-heap allocator of the drawables and their buffers.
static void* heapAllocate(size_t bytes) { return bytes ? (void*)GlobalAlloc(GPTR, bytes) : nullptr; }
static void* heapAllocateZeroed(size_t count, size_t size) {
    return count && size ? (void*)GlobalAlloc(GPTR, count * size) : nullptr;
}
static void heapFree(void* block) {
    if (block) GlobalFree((HGLOBAL)block);
}
// A new zeroed block with the old contents; the old block stays when none can be had.
static void* heapReallocate(void* block, size_t bytes) {
    if (!bytes) {
        heapFree(block);
        return nullptr;
    }
    void* fresh = heapAllocate(bytes);
    if (!fresh) return nullptr;
    if (block) {
        const size_t old = GlobalSize((HGLOBAL)block);
        memcpy(fresh, block, old < bytes ? old : bytes);
        heapFree(block);
    }
    return fresh;
}

static void linkAfterSentinel(WglDrawable* d) {
    WglDrawable* s = &__wglDrawableList;
    if (!s->next) s->next = s->prev = s;
    d->prev = s;
    d->next = s->next;
    s->next->prev = d;
    s->next = d;
}

WglDrawable* __wglCreateDrawable(HDC dc, HWND window) {
    WglDrawable* d = (WglDrawable*)heapAllocate(sizeof(WglDrawable));
    if (!d) return nullptr;
    d->formatInfo = (GlPixelFormatInfo*)heapAllocate(sizeof(GlPixelFormatInfo));
    d->swapHints = (RGNDATA*)heapAllocate(SWAP_HINT_HEADER + SWAP_HINT_INITIAL * SWAP_HINT_RECT + 4);
    if (!d->formatInfo || !d->swapHints) {
        heapFree(d->formatInfo);
        heapFree(d->swapHints);
        heapFree(d);
        return nullptr;
    }
    d->swapHints->rdh.dwSize = SWAP_HINT_HEADER;
    d->swapHints->rdh.iType = RDH_RECTANGLES;
    d->swapHintCapacity = SWAP_HINT_INITIAL;
    d->deviceContext = dc;
    d->window = window;
    d->isWindow = window != nullptr;
    d->allocate = heapAllocate;
    d->allocateZeroed = heapAllocateZeroed;
    d->reallocate = heapReallocate;
    d->free = heapFree;
    d->addSwapHintRect = __wglAddSwapHintRect;
    d->setUpdateRect = __wglSetUpdateRect;
    d->self = d;
    __wglLock();
    linkAfterSentinel(d);
    __wglUnlock();
    return d;
}

void __wglDestroyDrawable(WglDrawable* d) {
    __wglLock();
    d->prev->next = d->next;
    d->next->prev = d->prev;
    __wglUnlock();
    if (d->releaseHook) d->releaseHook(d);
    if (d->freeBuffers) d->freeBuffers(d);
    heapFree(d->swapHints);
    heapFree(d->formatInfo);
    heapFree(d);
}

// Frees the unused drawables of memory DCs that were deleted: a memory DC's
// drawable holds its pixel format for as long as the DC lives.
static void freeDrawablesOfDeletedDCs(void) {
    WglDrawable* s = &__wglDrawableList;
    if (!s->next) return;
    for (WglDrawable* d = s->next, *next; d != s; d = next) {
        next = d->next;
        if (!d->isWindow && d->useCount == 0 && GetObjectType(d->deviceContext) != OBJ_MEMDC) __wglDestroyDrawable(d);
    }
}

WglDrawable* __wglFindDrawable(HDC dc, HWND window) {
    WglDrawable* found = nullptr;
    __wglLock();
    freeDrawablesOfDeletedDCs();
    WglDrawable* s = &__wglDrawableList;
    if (s->next) {
        for (WglDrawable* d = s->next; d != s; d = d->next) {
            if (window ? d->window == window : !d->isWindow && d->deviceContext == dc) {
                found = d;
                break;
            }
        }
    }
    __wglUnlock();
    return found;
}

void __wglUpdateDrawableSize(WglDrawable* d) {
    if (!d->window) return;
    POINT origin = {0, 0};
    ClientToScreen(d->window, &origin);
    RECT r = {0, 0, 0, 0};
    GetClientRect(d->window, &r);
    d->clientOrigin = origin;
    d->clientRect = r;
    d->width = r.right - r.left;
    d->height = r.bottom - r.top;
    if (__wglHardware) {
        d->width = 640;
        d->height = 480;
    }
}

static GLuint bytesPerPixelCode(GLuint colorBits) {
    switch (colorBits) {
    case 8: return 1;
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    }
    return 0;
}

static void setColorDescs(WglDrawable* d) {
    const GLuint bits = d->formatInfo->colorBits, code = bytesPerPixelCode(bits);
    for (int k = GL_DRAWABLE_FRONT; k <= GL_DRAWABLE_BACK; k++) {
        GlDrawableBuffer* desc = &d->buffers[k];
        desc->bits = bits;
        desc->bytesPerPixel = code;
        desc->elementSize = code;
    }
}

static void GLPROC storageNop(GlDrawableBuffer*, WglDrawable*) {}
static void noUpdate(WglDrawable*) {}
static BOOL swapNothing(WglDrawable*) { return TRUE; }

// The DIB section selected into a memory DC, when it has pixels and the
// format's depth (each refusal logs its line).
static bool readDibSection(HDC dc, const GlPixelFormatInfo* f, HGDIOBJ* bitmap, DIBSECTION* ds) {
    *bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    if (!*bitmap) {
        __wglLogError("__wglDIBInitDrawable: GetCurrentObject(OBJ_BITMAP) failed.");
        return false;
    }
    memset(ds, 0, sizeof *ds);
    if (GetObjectA(*bitmap, sizeof *ds, ds) != (int)sizeof *ds || !ds->dsBm.bmBits) {
        __wglLogError("__wglDIBInitDrawable: GetObject(DIBSECTION) failed.");
        return false;
    }
    if (ds->dsBmih.biBitCount != f->colorBits || !bytesPerPixelCode(f->colorBits)) {
        __wglLogError("__wglDIBInitDrawable: DIB section depth differs from the pixel format.");
        return false;
    }
    return true;
}

// A memory DC: the front buffer is the pixels of its DIB section.
static void dibInit(WglDrawable* d, const GlPixelFormatInfo* f, HGDIOBJ bitmap, const DIBSECTION& ds) {
    *d->formatInfo = *f;
    // The bitmap's own masks say where the components lie.
    if (f->rgba && (f->colorBits == 16 || f->colorBits == 32)) {
        GlPixelFormatInfo* g = d->formatInfo;
        const DWORD* m = ds.dsBitfields;
        if (m[0] | m[1] | m[2]) g->redMask = m[0], g->greenMask = m[1], g->blueMask = m[2];
    }
    d->freeBuffers = noUpdate;
    d->update = noUpdate;
    d->swap = swapNothing;
    setColorDescs(d);
    d->width = ds.dsBm.bmWidth;
    d->height = ds.dsBm.bmHeight;
    d->topDown = ds.dsBmih.biHeight < 0;
    d->dibBitmap = bitmap;
    GlDrawableBuffer* front = &d->buffers[GL_DRAWABLE_FRONT];
    front->width = d->width;
    front->height = d->height;
    front->base = (uint8_t*)ds.dsBm.bmBits;
    front->rawStorage = ds.dsBm.bmBits;
    front->stride = (ds.dsBm.bmWidthBytes + 3) & ~3;
    front->capacity = (GLuint)front->stride * (GLuint)d->height;
    front->storage = storageNop;
    d->bufferWidth = d->bufferHeight = 0;  // the buffers take the new surface at the next size check
    d->initialised = 1;
}

BOOL __wglDIBInitDrawable(WglDrawable* d, const GlPixelFormatInfo* f) {
    HGDIOBJ bitmap;
    DIBSECTION ds;
    if (!readDibSection(d->deviceContext, f, &bitmap, &ds)) return FALSE;
    dibInit(d, f, bitmap, ds);
    return TRUE;
}

static void windowFreeBuffers(WglDrawable* d) {
    __wglMemFreeBuffer(&d->buffers[GL_DRAWABLE_BACK], d);
}

// A window: the core allocates the front buffer; the back buffer is a memory
// bitmap that grows with the window.
void __wglWindowInitDrawable(WglDrawable* d) {
    d->freeBuffers = windowFreeBuffers;
    d->update = __wglPaletteUpdate;
    d->swap = swapNothing;
    setColorDescs(d);
    GlDrawableBuffer* back = &d->buffers[GL_DRAWABLE_BACK];
    back->storage = __wglMemUpdateBuffer;
    back->free = __wglMemFreeBuffer;
    d->topDown = 1;
    __wglUpdateDrawableSize(d);
    d->initialised = 1;
}

WglDrawable* __wglFindOrCreateDrawable(HDC dc, HWND window, const GlPixelFormatInfo* formatInfo,
                                       GLint formatIndex, int* failure) {
    *failure = WGL_DRAWABLE_OK;
    __wglLock();
    WglDrawable* d = __wglFindDrawable(dc, window);
    // A memory DC must hold a usable DIB section before anything is made or changed.
    HGDIOBJ bitmap = nullptr;
    DIBSECTION ds;
    const bool newSurface = !window && !(d && d->initialised && GetCurrentObject(dc, OBJ_BITMAP) == d->dibBitmap);
    if (newSurface && !readDibSection(dc, formatInfo, &bitmap, &ds)) {
        *failure = WGL_DRAWABLE_BAD_SURFACE;
        d = nullptr;
    } else if (d ? d->formatIndex != formatIndex : formatIndex != 0) {
        *failure = WGL_DRAWABLE_FORMAT_MISMATCH;
        d = nullptr;
    } else {
        if (!d) d = __wglCreateDrawable(dc, window);
        if (!d) {
            *failure = WGL_DRAWABLE_NO_MEMORY;
        } else if (window) {
            d->deviceContext = dc;  // any device context of the window reaches it
            if (!d->initialised) {
                *d->formatInfo = *formatInfo;
                __wglWindowInitDrawable(d);
            }
        } else if (newSurface) {
            dibInit(d, formatInfo, bitmap, ds);
        }
    }
    __wglUnlock();
    return d;
}

// Message hook: the window is gone. Its drawables lose their window and are
// freed unless a context still uses them (then the last delete frees them).
void __wglWindowDestroyed(HWND window) {
    if (!window) return;
    __wglLock();
    WglDrawable* s = &__wglDrawableList;
    if (s->next) {
        for (WglDrawable* d = s->next, *next; d != s; d = next) {
            next = d->next;
            if (d->window != window) continue;
            d->window = nullptr;
            if (d->useCount == 0) __wglDestroyDrawable(d);
        }
    }
    __wglUnlock();
}
