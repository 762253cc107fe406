// Memory bitmaps of window drawables, palette update, swap hints and buffer swap.

#include <string.h>
#include "drawable.h"

enum { INFO_BYTES = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) };

static void releaseStorage(WglMemStorage* m, const char* deleteObjectFailed, const char* deleteDCFailed) {
    if (m->memoryDC && m->replaced) SelectObject(m->memoryDC, m->replaced);
    if (m->bitmap && !DeleteObject(m->bitmap)) __wglLogError(deleteObjectFailed);
    if (m->memoryDC && !DeleteDC(m->memoryDC)) __wglLogError(deleteDCFailed);
    if (m->info) GlobalFree((HGLOBAL)m->info);
    memset(m, 0, sizeof *m);
}

static void clearDescStorage(GlDrawableBuffer* desc) {
    desc->base = nullptr;
    desc->rawStorage = nullptr;
    desc->capacity = 0;
    desc->width = desc->height = 0;
    desc->stride = 0;
}

// A top-down DIB section of the drawable's size (one spare row), rows padded
// to 16 bytes, in its own memory DC. It grows with the drawable and is never
// shrunk; when none can be made the description is left without storage.
void GLPROC __wglMemUpdateBuffer(GlDrawableBuffer* desc, WglDrawable* d) {
    __wglUpdateDrawableSize(d);
    if (!desc->memory) {
        desc->memory = (WglMemStorage*)GlobalAlloc(GPTR, sizeof(WglMemStorage));
        if (!desc->memory) {
            clearDescStorage(desc);
            return;
        }
    }
    WglMemStorage* m = desc->memory;
    const GLint width = d->width, height = d->height;
    if (m->bitmap) {
        const BITMAPINFOHEADER* h = &m->info->bmiHeader;
        if (h->biWidth >= width && -h->biHeight - 1 >= height) {
            desc->width = width;
            desc->height = height;
            return;
        }
        releaseStorage(m, "__wglMemUpdateBuffer: DeleteObject failed", "__wglMemUpdateBuffer: DeleteDC failed");
        clearDescStorage(desc);
    }

    const GLuint bits = desc->bits;
    if (!bits || width <= 0 || height < 0) return;
    const LONG stride = (LONG)(((GLuint)width * bits + 127) / 128 * 16);
    BITMAPINFO* info = (BITMAPINFO*)GlobalAlloc(GPTR, INFO_BYTES);
    if (!info) return;
    BITMAPINFOHEADER* h = &info->bmiHeader;
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = (LONG)((GLuint)stride * 8 / bits);
    h->biHeight = -(height + 1);
    h->biPlanes = 1;
    h->biBitCount = (WORD)bits;
    h->biCompression = BI_RGB;
    UINT usage = DIB_RGB_COLORS;
    uint8_t* table = (uint8_t*)info + sizeof(BITMAPINFOHEADER);
    if (bits == 1 || bits == 8) {
        WORD* indices = (WORD*)table;
        for (UINT i = 0; i < (1u << bits); i++) indices[i] = (WORD)i;
        usage = DIB_PAL_COLORS;
    } else if (bits == 16) {
        h->biCompression = BI_BITFIELDS;
        h->biSizeImage = (DWORD)(height + 1) * (DWORD)stride;
        const DWORD masks[3] = {d->formatInfo->redMask, d->formatInfo->greenMask, d->formatInfo->blueMask};
        memcpy(table, masks, sizeof masks);
    }
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(d->deviceContext, info, usage, &pixels, nullptr, 0);
    HDC memoryDC = bitmap ? CreateCompatibleDC(d->deviceContext) : nullptr;
    if (!bitmap || !pixels || !memoryDC) {
        __wglLogError("__wglMemUpdateBuffer: CreateDIBSection failed");
        if (bitmap) DeleteObject(bitmap);
        GlobalFree((HGLOBAL)info);
        return;
    }
    m->bitmap = bitmap;
    m->replaced = SelectObject(memoryDC, bitmap);
    m->info = info;
    m->bits = pixels;
    m->stride = stride;
    m->memoryDC = memoryDC;
    desc->base = (uint8_t*)pixels;
    desc->rawStorage = pixels;
    desc->stride = stride;
    desc->capacity = (GLuint)stride * (GLuint)(height + 1);
    desc->width = width;
    desc->height = height;
}

void GLPROC __wglMemFreeBuffer(GlDrawableBuffer* desc, WglDrawable*) {
    if (!desc->memory) return;
    releaseStorage(desc->memory, "__wglMemFreeBuffer: DeleteObject failed", "__wglMemFreeBuffer: DeleteDC failed");
    GlobalFree((HGLOBAL)desc->memory);
    desc->memory = nullptr;
    clearDescStorage(desc);
}

// 8-bit drawables: the device context's palette becomes the colour table of
// the back buffer's memory bitmap.
void __wglPaletteUpdate(WglDrawable* d) {
    if (d->buffers[GL_DRAWABLE_FRONT].bytesPerPixel != 1) return;
    HPALETTE palette = (HPALETTE)GetCurrentObject(d->deviceContext, OBJ_PAL);
    PALETTEENTRY entries[256];
    memset(entries, 0, sizeof entries);
    if (palette) GetPaletteEntries(palette, 0, 256, entries);
    RGBQUAD table[256];
    for (int i = 0; i < 256; i++) {
        table[i].rgbRed = entries[i].peRed;
        table[i].rgbGreen = entries[i].peGreen;
        table[i].rgbBlue = entries[i].peBlue;
        table[i].rgbReserved = 0;
    }
    WglMemStorage* m = d->buffers[GL_DRAWABLE_BACK].memory;
    if (d->formatInfo->doubleBuffer && m && m->memoryDC) SetDIBColorTable(m->memoryDC, 0, 256, table);
}

// Appends a rectangle in top-down rows; the capacity doubles when full. A
// failed reallocation drops the rectangle.
void __wglAddSwapHintRect(WglDrawable* d, GLint x, GLint y, GLint width, GLint height) {
    RGNDATA* hints = d->swapHints;
    if (!hints) return;
    if (hints->rdh.nCount == d->swapHintCapacity) {
        const GLuint capacity = d->swapHintCapacity * 2;
        RGNDATA* grown = (RGNDATA*)d->reallocate(hints, sizeof(RGNDATAHEADER) + capacity * sizeof(RECT) + 4);
        if (!grown) return;
        d->swapHints = hints = grown;
        d->swapHintCapacity = capacity;
    }
    const RECT r = {x, d->height - y - height, x + width, d->height - y};
    RECT* rects = (RECT*)hints->Buffer;
    rects[hints->rdh.nCount] = r;
    RECT* bound = &hints->rdh.rcBound;
    if (hints->rdh.nCount == 0) {
        *bound = r;
    } else {
        if (r.left < bound->left) bound->left = r.left;
        if (r.top < bound->top) bound->top = r.top;
        if (r.right > bound->right) bound->right = r.right;
        if (r.bottom > bound->bottom) bound->bottom = r.bottom;
    }
    hints->rdh.nCount++;
    hints->rdh.nRgnSize = hints->rdh.nCount * sizeof(RECT);
}

// A swap consumes the rectangles collected for it: the next frame's start empty.
static void clearSwapHints(WglDrawable* d) {
    RGNDATA* hints = d->swapHints;
    if (!hints) return;
    hints->rdh.nCount = 0;
    hints->rdh.nRgnSize = 0;
    memset(&hints->rdh.rcBound, 0, sizeof hints->rdh.rcBound);
}

void __wglSetUpdateRect(WglDrawable* d, GLint x, GLint y, GLint width, GLint height) {
    d->updateRect[0] = x;
    d->updateRect[1] = y;
    d->updateRect[2] = x + width;
    d->updateRect[3] = y + height;
    d->updateRectValid = 1;
}

// The first context handle on the device context's window swaps: the GL
// context's swap, then the drawable's. FALSE without a window, a bound
// handle, or a double-buffered format.
BOOL WINAPI __wglSwapBuffers(HDC dc) {
    if (!__wglGetCurrentContext()) return FALSE;
    HWND window = WindowFromDC(dc);
    if (!window) return FALSE;
    __wglLock();
    WglContextHandle* found = nullptr;
    for (WglContextHandle* h = __wglHandleList.next; h && h != &__wglHandleList; h = h->next)
        if (h->window == window) {
            found = h;
            break;
        }
    __wglUnlock();
    if (!found || !found->formatInfo || !found->formatInfo->doubleBuffer || !found->drawable) return FALSE;
    GlContext* gc = found->glContext;
    WglDrawable* d = found->drawable;
    if (!__wglHardware) __wglDumpBackBuffer(d);
    gc->procs.swapBuffers(gc);
    const BOOL swapped = d->swap ? d->swap(d) : TRUE;
    clearSwapHints(d);
    __wglWindowSwapped(window);
    return swapped;
}
