// Pictures of whole windows and of the desktop, written as 24-bit .bmp files: frames, captions
// with their titles, menu bars with their items, client areas as their window surfaces hold
// them, the GL image where the library shows one, child windows (the system's controls drawn
// plainly) and owned windows such as dialogs. Everything is drawn through GDI into a DIB
// section, text through TextOutA. The script verb "picture FILE [desktop]" writes one; with
// kPictureDirVariable set, every SwapBuffers writes the swapped window's top-level window.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "../gdi32/gdi32_internal.h"
#include "standin/control.h"
#include "user32_internal.h"

namespace standin {
namespace {

constexpr const char kPictureDirVariable[] = "STANDIN_PICTURE_DIR";

std::atomic<StandinGlImageFn> glImageSource{nullptr};

// A 32-bit top-down DIB section in a memory DC; `origin` is the screen point at its (0, 0).
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  BitmapSurface surface;
  POINT origin{};
};

bool OpenCanvas(Canvas *c, LONG width, LONG height, POINT origin) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = std::max<LONG>(width, 1);
  info.bmiHeader.biHeight = -std::max<LONG>(height, 1);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  c->bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  c->dc = c->bitmap ? CreateCompatibleDC(nullptr) : nullptr;
  if (!c->dc) {
    if (c->bitmap) DeleteObject(c->bitmap);
    return false;
  }
  c->previous = SelectObject(c->dc, c->bitmap);
  BitmapSurfaceOf(c->bitmap, &c->surface);
  c->origin = origin;
  SetBkMode(c->dc, TRANSPARENT);
  // The system draws menus, captions and controls in its dialog font (captions in its bold form).
  SelectObject(c->dc, GetStockObject(DEFAULT_GUI_FONT));
  return true;
}

void CloseCanvas(Canvas *c) {
  SelectObject(c->dc, c->previous);
  DeleteDC(c->dc);
  DeleteObject(c->bitmap);
}

RECT Local(const Canvas &c, RECT r) {
  return RECT{r.left - c.origin.x, r.top - c.origin.y, r.right - c.origin.x, r.bottom - c.origin.y};
}

void Fill(Canvas &c, RECT screen, COLORREF colour) { FillSurface(c.surface, Local(c, screen), colour); }

// A one-pixel outline just inside the rectangle.
void Outline(Canvas &c, RECT r, COLORREF colour) {
  Fill(c, RECT{r.left, r.top, r.right, r.top + 1}, colour);
  Fill(c, RECT{r.left, r.bottom - 1, r.right, r.bottom}, colour);
  Fill(c, RECT{r.left, r.top, r.left + 1, r.bottom}, colour);
  Fill(c, RECT{r.right - 1, r.top, r.right, r.bottom}, colour);
}

LONG TextHeight(Canvas &c) {
  TEXTMETRICA tm;
  return GetTextMetricsA(c.dc, &tm) ? tm.tmHeight : 16;
}

// Text at a screen point (its cells' top-left corner).
void Text(Canvas &c, LONG x, LONG y, const std::string &text, COLORREF colour) {
  SetTextColor(c.dc, colour);
  TextOutA(c.dc, x - c.origin.x, y - c.origin.y, text.data(), int(text.size()));
}

// Text placed in a rectangle: centred or from its left (plus `indent`), centred vertically.
void TextIn(Canvas &c, RECT r, const std::string &text, COLORREF colour, bool centre, LONG indent = 2) {
  const LONG width = TextWidth(c.dc, text.data(), text.size());
  const LONG x = centre ? r.left + (r.right - r.left - width) / 2 : r.left + indent;
  Text(c, x, r.top + (r.bottom - r.top - TextHeight(c)) / 2, text, colour);
}

std::string WindowText(HWND hwnd) {
  char text[512];
  const int n = GetWindowTextA(hwnd, text, sizeof text);
  return std::string(text, size_t(std::max(n, 0)));
}

RECT ClientScreenRect(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  POINT at{0, 0};
  ClientToScreen(hwnd, &at);
  return RECT{at.x, at.y, at.x + r.right, at.y + r.bottom};
}

// Frame, caption with the title and the menu bar with its items' texts.
void DrawNonClient(Canvas &c, HWND hwnd) {
  RECT window{};
  GetWindowRect(hwnd, &window);
  const RECT client = ClientScreenRect(hwnd);
  const DWORD style = DWORD(GetWindowLongA(hwnd, GWL_STYLE)), exStyle = DWORD(GetWindowLongA(hwnd, GWL_EXSTYLE));
  const LONG border = client.left - window.left - ((exStyle & WS_EX_CLIENTEDGE) ? 2 : 0);
  if (client.left == window.left && client.top == window.top) return;
  Fill(c, window, GetSysColor(COLOR_ACTIVEBORDER));
  if (border > 0) Outline(c, window, GetSysColor(COLOR_WINDOWFRAME));
  if (exStyle & WS_EX_CLIENTEDGE)
    Outline(c, RECT{client.left - 2, client.top - 2, client.right + 2, client.bottom + 2}, GetSysColor(COLOR_BTNSHADOW));
  LONG top = window.top + border;
  const LONG left = window.left + border, right = window.right - border;
  if ((style & WS_CAPTION) == WS_CAPTION) {
    const bool active = GetForegroundWindow() == hwnd;
    const LONG height = GetSystemMetrics(SM_CYCAPTION);
    const RECT caption{left, top, right, top + height - 1};
    Fill(c, caption, GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    LOGFONTA bold;
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof bold, &bold);
    bold.lfWeight = FW_BOLD;
    const HGDIOBJ gui = SelectObject(c.dc, CreateFontIndirectA(&bold));
    TextIn(c, caption, WindowText(hwnd), GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT), false, 4);
    DeleteObject(SelectObject(c.dc, gui));
    if (style & WS_SYSMENU) {  // the close box
      const RECT box{right - height + 1, top + 2, right - 2, top + height - 3};
      Fill(c, box, GetSysColor(COLOR_BTNFACE));
      Outline(c, box, GetSysColor(COLOR_BTNSHADOW));
      TextIn(c, box, "x", GetSysColor(COLOR_BTNTEXT), true);
    }
    top += height;
  }
  HMENU menu = (style & WS_CHILD) ? nullptr : GetMenu(hwnd);
  if (menu) {
    const RECT bar{left, top, right, top + GetSystemMetrics(SM_CYMENU)};
    Fill(c, bar, GetSysColor(COLOR_MENU));
    LONG x = left + 6;
    for (const std::string &item : MenuItemTexts(menu)) {
      std::string shown;
      for (char ch : item)
        if (ch != '&') shown += ch;
      if (shown.empty()) continue;
      const size_t tab = shown.find('\t');
      if (tab != std::string::npos) shown.resize(tab);
      TextIn(c, RECT{x, bar.top, x + 1, bar.bottom}, shown, GetSysColor(COLOR_MENUTEXT), false, 0);
      x += TextWidth(c.dc, shown.data(), shown.size()) + 12;
    }
  }
}

bool IsClass(const char *name, const char *kind) { return strcasecmp(name, kind) == 0; }

// The system's controls, drawn plainly from their state.
bool DrawControl(Canvas &c, HWND hwnd, const RECT &r) {
  char name[64];
  if (!GetClassNameA(hwnd, name, sizeof name)) return false;
  const DWORD style = DWORD(GetWindowLongA(hwnd, GWL_STYLE));
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME), text = GetSysColor(COLOR_WINDOWTEXT);
  if (IsClass(name, "BUTTON")) {
    if ((style & 0xF) == BS_GROUPBOX) {
      Outline(c, RECT{r.left, r.top + TextHeight(c) / 2, r.right, r.bottom}, GetSysColor(COLOR_BTNSHADOW));
      const std::string label = WindowText(hwnd);
      Fill(c, RECT{r.left + 6, r.top, r.left + 10 + TextWidth(c.dc, label.data(), label.size()), r.top + TextHeight(c)},
           WindowBackground(GetParent(hwnd)));
      Text(c, r.left + 8, r.top, label, text);
    } else {
      Fill(c, r, GetSysColor(COLOR_BTNFACE));
      Outline(c, r, (style & 0xF) == BS_DEFPUSHBUTTON ? frame : GetSysColor(COLOR_BTNSHADOW));
      TextIn(c, r, WindowText(hwnd), IsWindowEnabled(hwnd) ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT), true);
    }
  } else if (IsClass(name, "EDIT")) {
    Fill(c, r, GetSysColor(COLOR_WINDOW));
    Outline(c, r, GetSysColor(COLOR_BTNSHADOW));
    TextIn(c, r, WindowText(hwnd), text, (style & ES_CENTER) != 0);
  } else if (IsClass(name, "LISTBOX")) {
    Fill(c, r, GetSysColor(COLOR_WINDOW));
    Outline(c, r, GetSysColor(COLOR_BTNSHADOW));
    const LRESULT count = SendMessageA(hwnd, LB_GETCOUNT, 0, 0), selected = SendMessageA(hwnd, LB_GETCURSEL, 0, 0);
    const LONG line = TextHeight(c);
    // Whole rows only: the text is not clipped to the box.
    for (LRESULT i = 0; i < count && r.top + 1 + (i + 1) * line <= r.bottom - 1; ++i) {
      std::vector<char> item(size_t(std::max<LRESULT>(SendMessageA(hwnd, LB_GETTEXTLEN, WPARAM(i), 0), 0)) + 1, 0);
      SendMessageA(hwnd, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item.data()));
      const RECT row{r.left + 1, r.top + 1 + LONG(i) * line, r.right - 1, std::min(r.top + 1 + LONG(i + 1) * line, r.bottom - 1)};
      if (i == selected) Fill(c, row, GetSysColor(COLOR_HIGHLIGHT));
      Text(c, row.left + 2, row.top, item.data(), GetSysColor(i == selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    }
  } else if (IsClass(name, "STATIC")) {
    Fill(c, r, WindowBackground(GetParent(hwnd)));
    BitmapSurface image;
    HANDLE bitmap = reinterpret_cast<HANDLE>(SendMessageA(hwnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if ((style & 0x1F) == SS_BITMAP && bitmap && BitmapSurfaceOf(static_cast<HBITMAP>(bitmap), &image)) {
      const RECT at = Local(c, r);
      CopySurface(c.surface, at.left, at.top, image, 0, 0, std::min(image.width, r.right - r.left),
                  std::min(image.height, r.bottom - r.top));
    } else {
      const LONG width = TextWidth(c.dc, WindowText(hwnd).data(), WindowText(hwnd).size());
      const LONG x = (style & 0x1F) == SS_CENTER ? r.left + (r.right - r.left - width) / 2
                     : (style & 0x1F) == SS_RIGHT ? r.right - width : r.left;
      Text(c, x, r.top, WindowText(hwnd), text);
    }
  } else if (IsClass(name, "msctls_progress32")) {
    int low = 0, high = 100, step = 0, position = 0;
    StandinProgressState(hwnd, &low, &high, &step, &position);
    Fill(c, r, GetSysColor(COLOR_BTNFACE));
    Outline(c, r, GetSysColor(COLOR_BTNSHADOW));
    const LONG inner = r.right - r.left - 4;
    const LONG done = high > low ? LONG(int64_t(inner) * (std::min(std::max(position, low), high) - low) / (high - low)) : 0;
    Fill(c, RECT{r.left + 2, r.top + 2, r.left + 2 + done, r.bottom - 2}, GetSysColor(COLOR_HIGHLIGHT));
  } else {
    return false;
  }
  return true;
}

// The client area: the control's plain drawing, or the window surface with the GL image where
// no GDI drawing reached (GDI drawing shows over the GL image, as an overlay).
void DrawClient(Canvas &c, HWND hwnd) {
  const RECT client = ClientScreenRect(hwnd);
  const LONG width = client.right - client.left, height = client.bottom - client.top;
  if (width <= 0 || height <= 0 || DrawControl(c, hwnd, client)) return;
  const RECT at = Local(c, client);
  BitmapSurface surface;
  const bool drawn = WindowSurfaceOf(hwnd, &surface);
  if (drawn)
    CopySurface(c.surface, at.left, at.top, surface, 0, 0, width, height);
  else
    Fill(c, client, WindowBackground(hwnd));
  StandinGlImageFn source = glImageSource.load();
  std::vector<DWORD> gl(size_t(width) * size_t(height));
  if (source && source(hwnd, int(width), int(height), gl.data())) {
    for (LONG y = 0; y < height; ++y)
      for (LONG x = 0; x < width; ++x) {
        const DWORD p = gl[size_t(y) * size_t(width) + size_t(x)];
        if (!drawn || Unpainted(surface, x, y))
          PutSurfacePixel(c.surface, at.left + x, at.top + y, RGB(BYTE(p >> 16), BYTE(p >> 8), BYTE(p)));
      }
  }
}

void DrawWindow(Canvas &c, HWND hwnd) {
  DrawNonClient(c, hwnd);
  DrawClient(c, hwnd);
  for (HWND child : ChildWindows(hwnd))
    if (IsWindowVisible(child)) DrawWindow(c, child);
}

HWND TopLevelOf(HWND hwnd) {
  while (HWND parent = GetParent(hwnd)) hwnd = parent;
  return hwnd;
}

// The window at the root of an owner chain.
HWND RootOwner(HWND hwnd) {
  hwnd = TopLevelOf(hwnd);
  while (HWND owner = WindowOwner(hwnd)) hwnd = TopLevelOf(owner);
  return hwnd;
}

bool WriteBmp(const BitmapSurface &s, const char *path) {
  FILE *f = fopen(path, "wb");
  if (!f) return false;
  const DWORD stride = (DWORD(s.width) * 3 + 3) & ~3u, bytes = stride * DWORD(s.height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + bytes;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = s.width;
  header.biHeight = s.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biSizeImage = bytes;
  bool ok = fwrite(&file, sizeof file, 1, f) == 1 && fwrite(&header, sizeof header, 1, f) == 1;
  std::vector<BYTE> row(stride, 0);
  for (LONG y = s.height - 1; ok && y >= 0; --y) {
    for (LONG x = 0; x < s.width; ++x) {
      const COLORREF p = SurfacePixel(s, x, y);
      row[3 * x] = GetBValue(p), row[3 * x + 1] = GetGValue(p), row[3 * x + 2] = GetRValue(p);
    }
    ok = fwrite(row.data(), stride, 1, f) == 1;
  }
  return fclose(f) == 0 && ok;
}

}  // namespace

void PictureVerb(HWND target, const std::vector<std::string> &args) {
  if (args.empty()) {
    fprintf(stderr, "script: picture needs a file name\n");
    return;
  }
  const bool desktop = !target || (args.size() > 1 && args[1] == "desktop");
  if (!StandinWritePicture(desktop ? nullptr : target, args[0].c_str()))
    fprintf(stderr, "script: picture %s could not be written\n", args[0].c_str());
}

}  // namespace standin

using namespace standin;

extern "C" {

void StandinSetGlImageSource(StandinGlImageFn source) { glImageSource.store(source); }

BOOL StandinWritePicture(HWND hwnd, const char *path) {
  if (!path || (hwnd && !IsWindow(hwnd))) return FALSE;
  const HWND root = hwnd ? RootOwner(hwnd) : nullptr;
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (root) GetWindowRect(root, &area);
  Canvas c;
  if (!OpenCanvas(&c, area.right - area.left, area.bottom - area.top, POINT{area.left, area.top})) return FALSE;
  FillSurface(c.surface, RECT{0, 0, c.surface.width, c.surface.height}, GetSysColor(COLOR_BACKGROUND));
  // The desktop shows every top-level window; a window's picture the window and those it owns.
  if (root) DrawWindow(c, root);
  for (HWND top : TopLevelWindows())
    if (top != root && (!root || RootOwner(top) == root)) DrawWindow(c, top);
  const bool written = WriteBmp(c.surface, path);
  CloseCanvas(&c);
  return written;
}

void StandinWindowSwapped(HWND hwnd) {
  static std::atomic<long> pictures{0};
  const char *dir = getenv(kPictureDirVariable);
  if (!dir || !*dir || !hwnd) return;
  char path[1024];
  snprintf(path, sizeof path, "%s/window-%05ld.bmp", dir, ++pictures);
  StandinWritePicture(TopLevelOf(hwnd), path);
}

}  // extern "C"
