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

// A solid brush that DeleteObject leaves in place, as the system's own brushes.
HBRUSH NewStockBrush(COLORREF color);

}  // namespace standin

#endif  // STANDIN_GDI32_INTERNAL_H
