// Host only: with OPENGL32_DUMP_DIR naming a folder, each SwapBuffers of a software context first
// writes the back buffer there as a 24-bit .bmp, opengl32-NNNNN.bmp, numbered from 1 in the
// order of the process's swaps. The stand-in's window pictures take the GL image of a window
// from here, and hear of every swap.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "drawable.h"

#ifndef _WIN32

#include "ravix2x_sim.h"
#include "standin/control.h"

// The back buffer's memory bitmap is top-down with a spare row below the drawable's: scan lines
// 1 to height, read bottom-up, are the drawable's rows as a .bmp holds them. Reads them at `bits`
// (24 or 32) into `pixels` (rows padded to 4 bytes); false when there is no such bitmap.
static bool readBackBuffer(WglDrawable* d, WORD bits, uint8_t* pixels) {
    const GlDrawableBuffer* back = &d->buffers[GL_DRAWABLE_BACK];
    const WglMemStorage* m = back->memory;
    if (!m || !m->bitmap || back->width <= 0 || back->height <= 0) return false;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = back->width;
    info.bmiHeader.biHeight = back->height + 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = BI_RGB;
    return GetDIBits(m->memoryDC, m->bitmap, 1, (UINT)back->height, pixels, &info, DIB_RGB_COLORS) == back->height;
}

void __wglDumpBackBuffer(WglDrawable* d) {
    const char* dir = getenv("OPENGL32_DUMP_DIR");
    const GlDrawableBuffer* back = &d->buffers[GL_DRAWABLE_BACK];
    if (!dir || !*dir || !back->memory || back->width <= 0 || back->height <= 0) return;
    static LONG frames;
    const LONG frame = InterlockedIncrement(&frames);
    const LONG width = back->width, height = back->height;
    const DWORD stride = ((DWORD)width * 3 + 3) & ~3u, bytes = stride * (DWORD)height;
    uint8_t* pixels = (uint8_t*)malloc((size_t)stride * (height + 1));
    if (!pixels) return;
    char path[1024];
    snprintf(path, sizeof path, "%s/opengl32-%05ld.bmp", dir, (long)frame);
    FILE* f = readBackBuffer(d, 24, pixels) ? fopen(path, "wb") : nullptr;
    if (f) {
        BITMAPFILEHEADER file;
        memset(&file, 0, sizeof file);
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + bytes;
        BITMAPINFOHEADER header;
        memset(&header, 0, sizeof header);
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        header.biSizeImage = bytes;
        fwrite(&file, sizeof file, 1, f);
        fwrite(&header, sizeof header, 1, f);
        fwrite(pixels, bytes, 1, f);
        fclose(f);
    }
    free(pixels);
}

// What a window shows of GL, for the stand-in's window pictures: the board's front buffer from
// its bottom-left corner for a hardware context; for a software one its double-buffered
// drawable's back buffer, which holds the last frame swapped (a swap copies nothing).
static BOOL windowGlImage(HWND window, int width, int height, DWORD* pixels) {
    __wglLock();
    WglDrawable* d = nullptr;
    bool found = false;
    for (WglContextHandle* h = __wglHandleList.next; h && h != &__wglHandleList; h = h->next)
        if (h->window == window) {
            found = true;
            d = h->drawable;
            break;
        }
    __wglUnlock();
    if (!found) return FALSE;
    if (__wglHardware) {
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                const uint16_t p = rvSimPixel(RV_BUFFER_FRONT, x, height - 1 - y);
                const DWORD r = (p >> 11) * 255 / 31, g = ((p >> 5) & 63) * 255 / 63, b = (p & 31) * 255 / 31;
                pixels[(size_t)y * width + x] = r << 16 | g << 8 | b;
            }
        return TRUE;
    }
    if (!d || !d->formatInfo || !d->formatInfo->doubleBuffer) return FALSE;
    const GlDrawableBuffer* back = &d->buffers[GL_DRAWABLE_BACK];
    if (back->width <= 0 || back->height <= 0) return FALSE;
    DWORD* rows = (DWORD*)malloc((size_t)back->width * (back->height + 1) * 4);
    if (!rows) return FALSE;
    const bool read = readBackBuffer(d, 32, (uint8_t*)rows);
    if (read) {
        memset(pixels, 0, (size_t)width * height * 4);
        for (int y = 0; y < height && y < back->height; y++)
            memcpy(pixels + (size_t)y * width, rows + (size_t)(back->height - 1 - y) * back->width,
                   (size_t)(width < back->width ? width : back->width) * 4);
    }
    free(rows);
    return read ? TRUE : FALSE;
}

void __wglHostPicturesStart(void) { StandinSetGlImageSource(windowGlImage); }

void __wglWindowSwapped(HWND window) { StandinWindowSwapped(window); }

#else

void __wglDumpBackBuffer(WglDrawable*) {}
void __wglWindowSwapped(HWND) {}

#endif
