// Private interface of the GDI stand-in for the window part (window device contexts, display mode).
#ifndef STANDIN_GDI32_INTERNAL_H
#define STANDIN_GDI32_INTERNAL_H

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

}  // namespace standin

#endif  // STANDIN_GDI32_INTERNAL_H
