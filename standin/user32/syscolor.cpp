// The system colours of the standard scheme, and their brushes (which DeleteObject leaves).
#include <windows.h>

#include <mutex>

#include "../gdi32/gdi32_internal.h"

namespace {

constexpr int kColourCount = COLOR_MENUBAR + 1;
constexpr COLORREF kNone = CLR_INVALID;

const COLORREF kColours[kColourCount] = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(223, 223, 223),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    kNone,               // 25: no colour
    RGB(0, 0, 255),      // COLOR_HOTLIGHT
    RGB(16, 132, 208),   // COLOR_GRADIENTACTIVECAPTION
    RGB(181, 181, 181),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 0, 128),      // COLOR_MENUHILIGHT
    RGB(192, 192, 192),  // COLOR_MENUBAR
};

bool Known(int index) { return index >= 0 && index < kColourCount && kColours[index] != kNone; }

}  // namespace

extern "C" {

// An index without a colour reads as black.
DWORD WINAPI GetSysColor(int nIndex) { return Known(nIndex) ? kColours[nIndex] : 0; }

HBRUSH WINAPI GetSysColorBrush(int nIndex) {
  static std::mutex lock;
  static HBRUSH brushes[kColourCount];
  if (!Known(nIndex)) return nullptr;
  std::lock_guard<std::mutex> guard(lock);
  if (!brushes[nIndex]) brushes[nIndex] = standin::NewStockBrush(kColours[nIndex]);
  return brushes[nIndex];
}

}  // extern "C"
