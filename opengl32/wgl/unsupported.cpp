// The wgl calls the library does not support: each logs "<name> not supported"
// and fails.

#include "wgl.h"

static void unsupported(const char* text) {
    __wglGetCurrentContext();
    __wglSystemError(text, WGL_ERROR_UNSUPPORTED);
}

extern "C" {

BOOL WINAPI __wglCopyContext(HGLRC, HGLRC, UINT) {
    unsupported("wglCopyContext not supported");
    return FALSE;
}

HGLRC WINAPI __wglCreateLayerContext(HDC, int) {
    unsupported("wglCreateLayerContext not supported");
    return nullptr;
}

BOOL WINAPI __wglDescribeLayerPlane(HDC, int, int, UINT, LAYERPLANEDESCRIPTOR*) {
    unsupported("wglDescribeLayerPlane not supported");
    return FALSE;
}

PROC WINAPI __wglGetDefaultProcAddress(LPCSTR) {
    unsupported("wglGetDefaultProcAddress not supported");
    return nullptr;
}

int WINAPI __wglGetLayerPaletteEntries(HDC, int, int, int, COLORREF*) {
    unsupported("wglGetLayerPaletteEntries not supported");
    return 0;
}

BOOL WINAPI __wglRealizeLayerPalette(HDC, int, BOOL) {
    unsupported("wglRealizeLayerPalette not supported");
    return FALSE;
}

int WINAPI __wglSetLayerPaletteEntries(HDC, int, int, int, const COLORREF*) {
    unsupported("wglSetLayerPaletteEntries not supported");
    return 0;
}

BOOL WINAPI __wglSwapLayerBuffers(HDC, UINT) {
    unsupported("wglSwapLayerBuffers not supported");
    return FALSE;
}
}
