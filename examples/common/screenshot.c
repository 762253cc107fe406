/* Screenshots: reads the viewport back with glReadPixels and writes it as a .bmp file. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <GL/gl.h>
#include "screenshot.h"

BOOL SaveScreenshot(void)
{
    static int count;
    GLint viewport[4];
    BITMAPFILEHEADER bf;
    BITMAPINFOHEADER bi;
    DWORD size;
    int stride;
    unsigned char *pixels;
    char name[MAX_PATH];
    FILE *file;
    BOOL ok;

    glGetIntegerv(GL_VIEWPORT, viewport);
    stride = (viewport[2] * 3 + 3) & ~3;
    size = (DWORD)stride * viewport[3];
    pixels = (unsigned char *)malloc(size);
    if (pixels == NULL)
        return FALSE;
    /* Rows bottom-up, blue-green-red, padded to 4 bytes: the .bmp layout. */
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(viewport[0], viewport[1], viewport[2], viewport[3], GL_BGR_EXT, GL_UNSIGNED_BYTE, pixels);

    ZeroMemory(&bi, sizeof(bi));
    bi.biSize = sizeof(bi);
    bi.biWidth = viewport[2];
    bi.biHeight = viewport[3];
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    bi.biSizeImage = size;
    ZeroMemory(&bf, sizeof(bf));
    bf.bfType = 0x4D42; /* "BM" */
    bf.bfOffBits = sizeof(bf) + sizeof(bi);
    bf.bfSize = bf.bfOffBits + size;

    wsprintf(name, "shot%03d.bmp", ++count);
    file = fopen(name, "wb");
    if (file == NULL) {
        free(pixels);
        return FALSE;
    }
    ok = fwrite(&bf, sizeof(bf), 1, file) == 1 && fwrite(&bi, sizeof(bi), 1, file) == 1 &&
         fwrite(pixels, size, 1, file) == 1;
    if (fclose(file) != 0)
        ok = FALSE;
    free(pixels);
    return ok;
}
