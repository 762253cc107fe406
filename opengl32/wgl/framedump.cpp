// Host only: with OPENGL32_DUMP_DIR naming a folder, each SwapBuffers of a software context first
// writes the back buffer there as a 24-bit .bmp, opengl32-NNNNN.bmp, numbered from 1 in the
// order of the process's swaps.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "drawable.h"

#ifndef _WIN32

// The back buffer's memory bitmap is top-down with a spare row below the drawable's: scan lines
// 1 to height, read bottom-up, are the drawable's rows as a .bmp holds them.
void __wglDumpBackBuffer(WglDrawable* d) {
    const char* dir = getenv("OPENGL32_DUMP_DIR");
    const GlDrawableBuffer* back = &d->buffers[GL_DRAWABLE_BACK];
    const WglMemStorage* m = back->memory;
    if (!dir || !*dir || !m || !m->bitmap || back->width <= 0 || back->height <= 0) return;
    static LONG frames;
    const LONG frame = InterlockedIncrement(&frames);
    const LONG width = back->width, height = back->height;
    const DWORD stride = ((DWORD)width * 3 + 3) & ~3u, bytes = stride * (DWORD)height;
    uint8_t* pixels = (uint8_t*)malloc((size_t)stride * (height + 1));
    if (!pixels) return;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height + 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    char path[1024];
    snprintf(path, sizeof path, "%s/opengl32-%05ld.bmp", dir, (long)frame);
    FILE* f = GetDIBits(m->memoryDC, m->bitmap, 1, (UINT)height, pixels, &info, DIB_RGB_COLORS) == height
                  ? fopen(path, "wb")
                  : nullptr;
    if (f) {
        BITMAPFILEHEADER file;
        memset(&file, 0, sizeof file);
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + bytes;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biSizeImage = bytes;
        fwrite(&file, sizeof file, 1, f);
        fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
        fwrite(pixels, bytes, 1, f);
        fclose(f);
    }
    free(pixels);
}

#else

void __wglDumpBackBuffer(WglDrawable*) {}

#endif
