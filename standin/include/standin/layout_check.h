/* Sizes of the Win32 records that the library and the stand-in exchange (32-bit layouts). Written
   with the Win32 names only, so it compiles against the stand-in and against the real headers;
   include it after <windows.h>. */
#ifndef STANDIN_LAYOUT_CHECK_H
#define STANDIN_LAYOUT_CHECK_H

#ifdef __cplusplus
#define STANDIN_LAYOUT_ASSERT(cond, text) static_assert(cond, text)
#else
#define STANDIN_LAYOUT_ASSERT(cond, text) _Static_assert(cond, text)
#endif

STANDIN_LAYOUT_ASSERT(sizeof(PIXELFORMATDESCRIPTOR) == 40, "PIXELFORMATDESCRIPTOR is 40 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(LAYERPLANEDESCRIPTOR) == 32, "LAYERPLANEDESCRIPTOR is 32 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(BITMAP) == 24, "BITMAP is 24 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(BITMAPINFO) == 44, "BITMAPINFO is 44 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER is 14 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(DIBSECTION) == 84, "DIBSECTION is 84 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(RGBQUAD) == 4, "RGBQUAD is 4 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(PALETTEENTRY) == 4, "PALETTEENTRY is 4 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(LOGPALETTE) == 8, "LOGPALETTE is 8 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(LOGBRUSH) == 12, "LOGBRUSH is 12 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(RGNDATAHEADER) == 32, "RGNDATAHEADER is 32 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(POINTFLOAT) == 8, "POINTFLOAT is 8 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(GLYPHMETRICSFLOAT) == 24, "GLYPHMETRICSFLOAT is 24 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(CWPSTRUCT) == 16, "CWPSTRUCT is 16 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(WINDOWPOS) == 28, "WINDOWPOS is 28 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(MSG) == 28, "MSG is 28 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(WNDCLASSA) == 40, "WNDCLASSA is 40 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(WNDCLASSEXA) == 48, "WNDCLASSEXA is 48 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(DEVMODEA) == 156, "DEVMODEA is 156 bytes");
STANDIN_LAYOUT_ASSERT(offsetof(DEVMODEA, dmFields) == 40, "DEVMODEA.dmFields at 40");
STANDIN_LAYOUT_ASSERT(offsetof(DEVMODEA, dmBitsPerPel) == 104, "DEVMODEA.dmBitsPerPel at 104");
STANDIN_LAYOUT_ASSERT(offsetof(DEVMODEA, dmDisplayFrequency) == 120, "DEVMODEA.dmDisplayFrequency at 120");
STANDIN_LAYOUT_ASSERT(sizeof(CREATESTRUCTA) == 48, "CREATESTRUCTA is 48 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(PAINTSTRUCT) == 64, "PAINTSTRUCT is 64 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(RECT) == 16, "RECT is 16 bytes");
STANDIN_LAYOUT_ASSERT(sizeof(POINT) == 8, "POINT is 8 bytes");

#undef STANDIN_LAYOUT_ASSERT

#endif /* STANDIN_LAYOUT_CHECK_H */
