// Private interface of the GDI stand-in for the window part (window device contexts, display mode).
#ifndef STANDIN_GDI32_INTERNAL_H
#define STANDIN_GDI32_INTERNAL_H

#include <vector>

#include "../kernel32/standin_internal.h"

namespace standin {

struct DisplayMode {
  DWORD bits;
  int width;
  int height;
};
DisplayMode CurrentDisplayMode();
// The display's modes: 640 x 480 (the accelerator board's size) and 1024 x 768, at 16 and 32 bits.
constexpr DisplayMode kDisplayModes[] = {{16, 640, 480}, {32, 640, 480}, {16, 1024, 768}, {32, 1024, 768}};
bool SupportedDisplayMode(const DisplayMode &mode);

// A device context drawing on `window` (its client area, or the whole window for `whole`).
HDC NewWindowDC(HWND window, bool whole);
// Deletes a device context that NewWindowDC made; false for any other handle.
bool DeleteWindowDC(HDC dc);
// The window of a window device context; null for other kinds and unknown handles.
HWND WindowOfDC(HDC dc);

// The pixels of a bitmap (a DIB section or a device-dependent bitmap) as it keeps them.
struct BitmapSurface {
  BYTE *bits;
  LONG width, height;  // height > 0
  LONG stride;         // bytes per stored row
  bool topDown;        // stored row 0 is the top row
  WORD bitsPixel;
  bool dib;
  DWORD masks[3];                // 16 and 32 bits: red, green, blue
  std::vector<RGBQUAD> colours;  // up to 8 bits
};
// False for a handle that is not a bitmap, and for the stock one.
bool BitmapSurfaceOf(HBITMAP bitmap, BitmapSurface *surface);

// Window surfaces: the pixels of a window's client area (32-bit BGRX), which its window device
// contexts draw on. Sizing keeps what the surface showed; a new area takes `background`.
// A pixel that no drawing has reached holds kUnpaintedByte as its fourth byte (see Unpainted).
void SizeWindowSurface(HWND window, LONG width, LONG height, COLORREF background);
constexpr BYTE kUnpaintedByte = 0x01;
bool Unpainted(const BitmapSurface &surface, LONG x, LONG y);
void DropWindowSurface(HWND window);
bool WindowSurfaceOf(HWND window, BitmapSurface *surface);
// The pixels a device context draws on: a memory DC's bitmap, a window DC's window surface.
bool DcSurface(HDC dc, BitmapSurface *surface);

// What a device context paints with.
struct DcPaint {
  COLORREF brush, pen, text, background;
  bool hollowBrush, nullPen;
  int bkMode;
};
bool DcPaintState(HDC dc, DcPaint *out);
// The colour of a brush (a system colour index + 1 too); `fallback` for a hollow or unknown one.
COLORREF BrushColour(HBRUSH brush, COLORREF fallback);

// Pixels of a surface (paint.cpp): read as colours at every depth, written at 16 bits and more
// (outside the surface nothing is written; CLR_INVALID is read).
COLORREF SurfacePixel(const BitmapSurface &surface, LONG x, LONG y);
void PutSurfacePixel(const BitmapSurface &surface, LONG x, LONG y, COLORREF colour);
void FillSurface(const BitmapSurface &surface, RECT rect, COLORREF colour);
// Copies `source` (x, y, width, height) to `target` at (tx, ty), converting colours.
void CopySurface(const BitmapSurface &target, LONG tx, LONG ty, const BitmapSurface &source, LONG x, LONG y,
                 LONG width, LONG height);
// The bits of a DIB that a drawing call passes, as a surface of `lines` rows (0: the header's);
// false for compressed and malformed ones.
bool DibSurface(const BITMAPINFOHEADER &header, const BITMAPINFO *info, const void *bits, UINT lines,
                BitmapSurface *out);
// Width of a text in the device context's font (the glyphs' advances).
LONG TextWidth(HDC dc, const char *text, size_t length);
// Drawing of recorded calls: the shapes and blits into the surface a device context draws on.
void PaintPolygon(HDC dc, const POINT *points, int count);
void PaintRectangle(HDC dc, int left, int top, int right, int bottom);
void PaintDrawText(HDC dc, const char *text, size_t length, const RECT &rect, UINT format);
void PaintDibBlit(HDC dc, int x, int y, int width, int height, const BITMAPINFOHEADER &header,
                  const BITMAPINFO *info, const void *bits, int srcX, int srcY, int srcWidth, int srcHeight,
                  UINT startScan, UINT lines);

// A solid brush that DeleteObject leaves in place, as the system's own brushes.
HBRUSH NewStockBrush(COLORREF color);

}  // namespace standin

#endif  // STANDIN_GDI32_INTERNAL_H
