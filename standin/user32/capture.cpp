// Mouse capture (the window scripted mouse input goes to) and enabled windows.
#include "standin/control.h"
#include "user32_internal.h"

namespace {

// Makes `hwnd` (or nobody) the capture window; the window losing it gets WM_CAPTURECHANGED.
HWND ChangeCapture(HWND hwnd) {
  const HWND previous = standin::MouseCapture();
  standin::SetMouseCapture(hwnd);
  if (previous && previous != hwnd && IsWindow(previous))
    SendMessageA(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return previous;
}

}  // namespace

extern "C" {

HWND WINAPI SetCapture(HWND hWnd) {
  if (!IsWindow(hWnd)) return nullptr;
  return ChangeCapture(hWnd);
}

BOOL WINAPI ReleaseCapture(void) {
  ChangeCapture(nullptr);
  return TRUE;
}

HWND WINAPI GetCapture(void) {
  const HWND capture = standin::MouseCapture();
  if (capture && !IsWindow(capture)) {
    standin::SetMouseCapture(nullptr);
    return nullptr;
  }
  return capture;
}

// Returns whether the window was disabled before.
BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
  if (!IsWindow(hWnd)) return FALSE;
  const DWORD style = DWORD(GetWindowLongA(hWnd, GWL_STYLE));
  SetWindowLongA(hWnd, GWL_STYLE, LONG(bEnable ? style & ~WS_DISABLED : style | WS_DISABLED));
  if (!bEnable && GetCapture() == hWnd) ReleaseCapture();
  return (style & WS_DISABLED) != 0;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
  return IsWindow(hWnd) && !(GetWindowLongA(hWnd, GWL_STYLE) & WS_DISABLED);
}

}  // extern "C"
