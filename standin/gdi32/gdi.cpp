// GDI: device contexts, bitmaps and DIB sections, palettes, regions, stock objects, device caps
// and recorded blits. Pixels are kept in memory; a window device context draws on its window's
// surface (the client area's pixels); a whole-window or desktop device context draws nowhere.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../user32/user32_internal.h"
#include "gdi32_internal.h"
#include "standin/control.h"
#include "standin/layout_check.h"

namespace standin {
namespace {

// The default palette: the twenty static colours.
const PALETTEENTRY kDefaultColours[20] = {
    {0x00, 0x00, 0x00, 0}, {0x80, 0x00, 0x00, 0}, {0x00, 0x80, 0x00, 0}, {0x80, 0x80, 0x00, 0},
    {0x00, 0x00, 0x80, 0}, {0x80, 0x00, 0x80, 0}, {0x00, 0x80, 0x80, 0}, {0xC0, 0xC0, 0xC0, 0},
    {0xC0, 0xDC, 0xC0, 0}, {0xA6, 0xCA, 0xF0, 0}, {0xFF, 0xFB, 0xF0, 0}, {0xA0, 0xA0, 0xA4, 0},
    {0x80, 0x80, 0x80, 0}, {0xFF, 0x00, 0x00, 0}, {0x00, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0x00, 0},
    {0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0xFF, 0}, {0x00, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0},
};

constexpr DisplayMode kDefaultMode{16, 1024, 768};

// The desktop's mode at start and after a reset: kDisplayVariable as WIDTHxHEIGHT[xBITS] (16 bits
// unless named), one of the display's modes; else kDefaultMode. Any other value ends the program.
DisplayMode DesktopMode() {
  const char *text = getenv(kDisplayVariable);
  if (!text || !*text) return kDefaultMode;
  DisplayMode mode{16, 0, 0};
  unsigned bits = 16;
  char end = 0;
  const int n = sscanf(text, "%dx%d%c%u%c", &mode.width, &mode.height, &end, &bits, &end);
  mode.bits = bits;
  if ((n != 2 && !(n == 4 && end == 'x')) || !SupportedDisplayMode(mode)) {
    fprintf(stderr, "%s=%s: not a mode of the display (640x480 or 1024x768, x16 or x32)\n", kDisplayVariable, text);
    exit(2);
  }
  return mode;
}
constexpr size_t kDibGuardBytes = 256;
constexpr uint64_t kMaxDibSectionBytes = 256u << 20;
constexpr BYTE kDibGuardValue = 0xA5;

enum class DcKind { Window, WholeWindow, Memory, Display, Information, EnhMetafile };

struct GdiObject {
  explicit GdiObject(int type) : type(type) {}
  virtual ~GdiObject() = default;
  int type;
  bool stock = false;
};

struct Bitmap : GdiObject {
  Bitmap() : GdiObject(OBJ_BITMAP) {}
  LONG width = 0, height = 0;  // height > 0
  WORD bitsPixel = 1;
  LONG widthBytes = 0;         // bytes per stored row
  bool dib = false;
  bool topDown = true;         // row 0 of the storage is the top row
  BITMAPINFOHEADER header{};   // DIB sections
  DWORD bitfields[3] = {};
  HANDLE section = nullptr;
  DWORD offset = 0;
  std::vector<RGBQUAD> colours;  // DIB colour table, 1 << bits entries for up to 8 bits
  std::vector<BYTE> pixels;      // DIB sections: guard bytes, the image, guard bytes
  size_t guard = 0;
  HDC selectedInto = nullptr;    // not used for the stock bitmap, which any DC may hold
};

struct Palette : GdiObject {
  Palette() : GdiObject(OBJ_PAL) {}
  std::vector<PALETTEENTRY> entries;
};

struct Region : GdiObject {
  Region() : GdiObject(OBJ_REGION) {}
  RECT rect{};
};

struct Simple : GdiObject {  // brushes, pens, fonts, metafiles
  explicit Simple(int type) : GdiObject(type) {}
  LOGBRUSH brush{};
  LOGFONTA font{};  // fonts
};

struct Dc : GdiObject {
  explicit Dc(DcKind kind)
      : GdiObject(kind == DcKind::Memory ? OBJ_MEMDC : kind == DcKind::EnhMetafile ? OBJ_ENHMETADC : OBJ_DC),
        kind(kind) {}
  DcKind kind;
  HWND window = nullptr;
  HGDIOBJ bitmap = nullptr, palette = nullptr, brush = nullptr, pen = nullptr, font = nullptr;
  COLORREF textColor = RGB(0, 0, 0), bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
};

struct GdiState {
  std::recursive_mutex lock;
  std::map<uintptr_t, std::shared_ptr<GdiObject>> objects;
  uintptr_t nextHandle = 0x01000010;
  HGDIOBJ stock[STOCK_LAST + 1] = {};
  HBITMAP stockBitmap = nullptr;
  DisplayMode mode = kDefaultMode;
  PALETTEENTRY system[256] = {};
  UINT systemUse = SYSPAL_STATIC;
  std::vector<StandinBlit> blits;
  std::vector<std::unique_ptr<std::vector<BYTE>>> blitPixels;
  std::map<HWND, std::shared_ptr<Bitmap>> windowSurfaces;
};

GdiState &Gdi() {
  static auto *state = [] {
    auto *made = new GdiState;
    made->mode = DesktopMode();
    return made;
  }();
  return *state;
}

using Guard = std::lock_guard<std::recursive_mutex>;

HGDIOBJ Insert(GdiState &state, std::shared_ptr<GdiObject> object) {
  uintptr_t handle = state.nextHandle;
  state.nextHandle += 4;
  state.objects[handle] = std::move(object);
  return reinterpret_cast<HGDIOBJ>(handle);
}

template <class T>
T *Find(GdiState &state, HANDLE handle) {
  auto it = state.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == state.objects.end() ? nullptr : dynamic_cast<T *>(it->second.get());
}

void ResetSystemPalette(GdiState &state) {
  memset(state.system, 0, sizeof state.system);
  for (int i = 0; i < 10; ++i) {
    state.system[i] = kDefaultColours[i];
    state.system[246 + i] = kDefaultColours[10 + i];
  }
}

// The stock fonts as the system describes them: the fixed-pitch ones of the modern family.
LOGFONTA StockFont(int i) {
  struct Stock {
    int index;
    LONG height, weight;
    BYTE charSet, pitchAndFamily;
    const char *face;
  };
  static const Stock stock[] = {
      {OEM_FIXED_FONT, 12, FW_NORMAL, OEM_CHARSET, FIXED_PITCH | FF_MODERN, "Terminal"},
      {ANSI_FIXED_FONT, 12, FW_NORMAL, ANSI_CHARSET, FIXED_PITCH | FF_MODERN, "Courier"},
      {ANSI_VAR_FONT, 13, FW_NORMAL, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"},
      {SYSTEM_FONT, 16, FW_BOLD, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "System"},
      {DEVICE_DEFAULT_FONT, 16, FW_BOLD, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "System"},
      {SYSTEM_FIXED_FONT, 15, FW_NORMAL, ANSI_CHARSET, FIXED_PITCH | FF_MODERN, "Fixedsys"},
      {DEFAULT_GUI_FONT, -11, FW_NORMAL, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "MS Shell Dlg"},
  };
  LOGFONTA lf{};
  for (const Stock &f : stock)
    if (f.index == i) {
      lf.lfHeight = f.height;
      lf.lfWeight = f.weight;
      lf.lfCharSet = f.charSet;
      lf.lfPitchAndFamily = f.pitchAndFamily;
      strncpy(lf.lfFaceName, f.face, LF_FACESIZE - 1);
    }
  return lf;
}

// Stock objects exist from the first GDI call on and are never deleted.
void EnsureStock(GdiState &state) {
  if (state.stockBitmap) return;
  ResetSystemPalette(state);
  for (int i = 0; i <= STOCK_LAST; ++i) {
    std::shared_ptr<GdiObject> object;
    if (i <= NULL_BRUSH || i == DC_BRUSH) {
      auto brush = std::make_shared<Simple>(OBJ_BRUSH);
      static const BYTE grey[] = {0xFF, 0xC0, 0x80, 0x40, 0x00};
      brush->brush.lbStyle = i == NULL_BRUSH ? BS_NULL : BS_SOLID;
      if (i < NULL_BRUSH) brush->brush.lbColor = RGB(grey[i], grey[i], grey[i]);
      if (i == DC_BRUSH) brush->brush.lbColor = RGB(255, 255, 255);
      object = brush;
    } else if ((i >= WHITE_PEN && i <= NULL_PEN) || i == DC_PEN) {
      auto pen = std::make_shared<Simple>(OBJ_PEN);
      pen->brush.lbStyle = i == NULL_PEN ? BS_NULL : BS_SOLID;
      pen->brush.lbColor = i == WHITE_PEN ? RGB(255, 255, 255) : RGB(0, 0, 0);
      object = pen;
    } else if (i == DEFAULT_PALETTE) {
      auto palette = std::make_shared<Palette>();
      palette->entries.assign(kDefaultColours, kDefaultColours + 20);
      object = palette;
    } else if (i != 9) {
      auto font = std::make_shared<Simple>(OBJ_FONT);
      font->font = StockFont(i);
      object = font;
    } else {
      continue;  // index 9 names no stock object
    }
    object->stock = true;
    state.stock[i] = Insert(state, object);
  }
  auto bitmap = std::make_shared<Bitmap>();
  bitmap->stock = true;
  bitmap->width = bitmap->height = 1;
  bitmap->bitsPixel = 1;
  bitmap->widthBytes = 2;
  bitmap->pixels.assign(2, 0);
  state.stockBitmap = static_cast<HBITMAP>(Insert(state, bitmap));
}

GdiState &Ready() {
  GdiState &state = Gdi();
  Guard guard(state.lock);
  EnsureStock(state);
  return state;
}

void ResetGdi() {
  GdiState &state = Ready();
  Guard guard(state.lock);
  state.mode = DesktopMode();
  state.systemUse = SYSPAL_STATIC;
  ResetSystemPalette(state);
  state.blits.clear();
  state.blitPixels.clear();
}

ResetRegistrar resetGdi(ResetGdi);

HDC NewDc(GdiState &state, DcKind kind, HWND window) {
  auto dc = std::make_shared<Dc>(kind);
  dc->window = window;
  dc->bitmap = state.stockBitmap;
  dc->palette = state.stock[DEFAULT_PALETTE];
  dc->brush = state.stock[WHITE_BRUSH];
  dc->pen = state.stock[BLACK_PEN];
  dc->font = state.stock[SYSTEM_FONT];
  return static_cast<HDC>(Insert(state, dc));
}

void EraseDc(GdiState &state, HDC handle, Dc *dc) {
  if (Bitmap *bitmap = Find<Bitmap>(state, dc->bitmap))
    if (bitmap->selectedInto == handle) bitmap->selectedInto = nullptr;
  state.objects.erase(reinterpret_cast<uintptr_t>(handle));
}

bool PaletteDisplay(const GdiState &state) { return state.mode.bits == 8; }

LONG DibStride(LONG width, WORD bits) { return ((width * bits + 31) / 32) * 4; }

// Null, with ERROR_NOT_ENOUGH_MEMORY, above the DIB sections' limit.
std::shared_ptr<Bitmap> NewDdb(LONG width, LONG height, WORD bits) {
  const uint64_t stride = (uint64_t(width) * bits + 15) / 16 * 2;
  if (stride * uint64_t(height) > kMaxDibSectionBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto bitmap = std::make_shared<Bitmap>();
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bitsPixel = bits;
  bitmap->widthBytes = LONG(stride);
  bitmap->pixels.assign(size_t(bitmap->widthBytes) * height, 0);
  return bitmap;
}

RGBQUAD Quad(const PALETTEENTRY &entry) {
  RGBQUAD quad;
  quad.rgbRed = entry.peRed;
  quad.rgbGreen = entry.peGreen;
  quad.rgbBlue = entry.peBlue;
  quad.rgbReserved = 0;
  return quad;
}

Palette *DcPalette(GdiState &state, Dc *dc) {
  Palette *palette = dc ? Find<Palette>(state, dc->palette) : nullptr;
  return palette ? palette : Find<Palette>(state, state.stock[DEFAULT_PALETTE]);
}

// The memory DC's bitmap when it has pixel storage, a window DC's window surface; null otherwise.
Bitmap *SurfaceOf(GdiState &state, HDC handle) {
  Dc *dc = Find<Dc>(state, handle);
  if (dc && dc->kind == DcKind::Window && dc->window) {
    auto it = state.windowSurfaces.find(dc->window);
    return it == state.windowSurfaces.end() ? nullptr : it->second.get();
  }
  if (!dc || dc->kind != DcKind::Memory) return nullptr;
  Bitmap *bitmap = Find<Bitmap>(state, dc->bitmap);
  return bitmap && !bitmap->stock ? bitmap : nullptr;
}

BYTE *Bits(Bitmap *bitmap) { return bitmap->pixels.data() + bitmap->guard; }
size_t BitsSize(const Bitmap *bitmap) { return bitmap->pixels.size() - 2 * bitmap->guard; }

BYTE *Row(Bitmap *bitmap, LONG y) {
  LONG stored = bitmap->topDown ? y : bitmap->height - 1 - y;
  return Bits(bitmap) + size_t(stored) * bitmap->widthBytes;
}

BITMAPINFOHEADER HeaderOf(const Bitmap &bitmap) {
  if (bitmap.dib) return bitmap.header;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = bitmap.width;
  header.biHeight = -bitmap.height;
  header.biPlanes = 1;
  header.biBitCount = bitmap.bitsPixel;
  header.biSizeImage = DWORD(bitmap.widthBytes * bitmap.height);
  return header;
}

void Record(GdiState &state, StandinBlit blit, const void *pixels, size_t bytes) {
  if (pixels && bytes) {
    state.blitPixels.emplace_back(new std::vector<BYTE>(static_cast<const BYTE *>(pixels),
                                                        static_cast<const BYTE *>(pixels) + bytes));
    blit.pixels = state.blitPixels.back()->data();
    blit.pixelBytes = DWORD(bytes);
  } else {
    blit.pixelHeader = BITMAPINFOHEADER{};
  }
  state.blits.push_back(blit);
}

void RecordFromDc(GdiState &state, StandinBlit blit) {
  Bitmap *source = SurfaceOf(state, blit.source);
  if (source) blit.pixelHeader = HeaderOf(*source);
  Record(state, blit, source ? Bits(source) : nullptr, source ? BitsSize(source) : 0);
}

bool ValidDc(GdiState &state, HDC handle) { return Find<Dc>(state, handle) != nullptr; }

// The header of a DIB passed to a drawing call in its full form: a 12-byte core header is widened
// (reading no further than its 12 bytes). False for any other size below the full form's.
bool DibCallHeader(const BITMAPINFO *info, BITMAPINFOHEADER *out) {
  if (info->bmiHeader.biSize == sizeof(BITMAPCOREHEADER)) {
    BITMAPCOREHEADER core;
    memcpy(&core, info, sizeof core);
    *out = BITMAPINFOHEADER{};
    out->biSize = sizeof *out;
    out->biWidth = core.bcWidth;
    out->biHeight = core.bcHeight;
    out->biPlanes = core.bcPlanes;
    out->biBitCount = core.bcBitCount;
    return true;
  }
  if (info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return false;
  *out = info->bmiHeader;
  return true;
}

LONG DibRows(const BITMAPINFOHEADER &header) {
  return header.biHeight < 0 ? -header.biHeight : header.biHeight;
}

// Bytes of DIB bits a call reads for `lines` scan lines: compressed bits are biSizeImage bytes.
size_t DibCallBytes(const BITMAPINFOHEADER &header, UINT lines) {
  if (header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4) return header.biSizeImage;
  if (header.biWidth <= 0) return 0;
  return size_t(DibStride(header.biWidth, header.biBitCount)) * lines;
}

// The source rectangle of a DIB call limited to the bitmap's width and `rows`.
void ClipSource(const BITMAPINFOHEADER &header, UINT rows, int x, int y, int width, int height, StandinBlit *blit) {
  const long long right = std::min<long long>(std::max<long long>(0, (long long)x + width), std::max<LONG>(header.biWidth, 0));
  const long long bottom = std::min<long long>(std::max<long long>(0, (long long)y + height), rows);
  const long long left = std::min<long long>(std::max(0, x), right), top = std::min<long long>(std::max(0, y), bottom);
  blit->srcX = int(left), blit->srcY = int(top);
  blit->srcWidth = int(right - left), blit->srcHeight = int(bottom - top);
}

// The text and background colours and the background mode of a device context.
template <class T>
T SwapDcField(HDC hdc, T Dc::*field, T value, T failed, bool set) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return failed;
  }
  const T previous = dc->*field;
  if (set) dc->*field = value;
  return previous;
}

}  // namespace

bool SupportedDisplayMode(const DisplayMode &mode) {
  for (const DisplayMode &m : kDisplayModes)
    if (m.bits == mode.bits && m.width == mode.width && m.height == mode.height) return true;
  return false;
}

DisplayMode CurrentDisplayMode() {
  GdiState &state = Ready();
  Guard guard(state.lock);
  return state.mode;
}

HDC NewWindowDC(HWND window, bool whole) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  return NewDc(state, whole ? DcKind::WholeWindow : DcKind::Window, window);
}

bool DeleteWindowDC(HDC handle) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, handle);
  if (!dc || (dc->kind != DcKind::Window && dc->kind != DcKind::WholeWindow)) return false;
  EraseDc(state, handle, dc);
  return true;
}

namespace {

void Describe(GdiState &state, Bitmap *bitmap, BitmapSurface *surface) {
  surface->bits = Bits(bitmap);
  surface->width = bitmap->width;
  surface->height = bitmap->height;
  surface->stride = bitmap->widthBytes;
  surface->topDown = bitmap->topDown;
  surface->bitsPixel = bitmap->bitsPixel;
  surface->dib = bitmap->dib;
  // A device-dependent bitmap holds the display's layouts: 5-6-5 and BGRX; monochrome ones black
  // and white, 8-bit ones the system palette.
  static const DWORD k565[3] = {0xF800, 0x07E0, 0x001F}, kRgb[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  if (bitmap->dib)
    memcpy(surface->masks, bitmap->bitfields, sizeof surface->masks);
  else
    memcpy(surface->masks, bitmap->bitsPixel == 16 ? k565 : kRgb, sizeof surface->masks);
  surface->colours = bitmap->colours;
  if (!bitmap->dib && bitmap->bitsPixel == 1) surface->colours = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  if (!bitmap->dib && bitmap->bitsPixel == 8)
    for (const PALETTEENTRY &entry : state.system) surface->colours.push_back(Quad(entry));
}

COLORREF LogColour(const Simple *object, COLORREF fallback, bool *none) {
  *none = !object || object->brush.lbStyle == BS_NULL;
  return object ? object->brush.lbColor : fallback;
}

}  // namespace

bool BitmapSurfaceOf(HBITMAP handle, BitmapSurface *surface) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Bitmap *bitmap = Find<Bitmap>(state, handle);
  if (!bitmap || bitmap->stock) return false;
  Describe(state, bitmap, surface);
  return true;
}

void SizeWindowSurface(HWND window, LONG width, LONG height, COLORREF background) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  width = std::max<LONG>(width, 1), height = std::max<LONG>(height, 1);
  std::shared_ptr<Bitmap> &surface = state.windowSurfaces[window];
  if (surface && surface->width == width && surface->height == height) return;
  auto made = NewDdb(width, height, 32);
  if (!made) {  // too large: the window has no surface (draws nothing, no picture) until it is resized
    state.windowSurfaces.erase(window);
    return;
  }
  BitmapSurface target;
  Describe(state, made.get(), &target);
  FillSurface(target, RECT{0, 0, width, height}, background);
  // Pixels nothing has drawn on keep kUnpaintedByte in their fourth byte, which every write clears.
  for (LONG y = 0; y < height; ++y)
    for (LONG x = 0; x < width; ++x) Row(made.get(), y)[4 * x + 3] = kUnpaintedByte;
  // What the window showed stays where it was.
  if (surface)
    for (LONG y = 0; y < std::min(height, surface->height); ++y)
      memcpy(Row(made.get(), y), Row(surface.get(), y), size_t(std::min(width, surface->width)) * 4);
  surface = made;
}

void DropWindowSurface(HWND window) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  state.windowSurfaces.erase(window);
}

bool WindowSurfaceOf(HWND window, BitmapSurface *surface) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  auto it = state.windowSurfaces.find(window);
  if (it == state.windowSurfaces.end()) return false;
  Describe(state, it->second.get(), surface);
  return true;
}

bool DcSurface(HDC dc, BitmapSurface *surface) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Bitmap *bitmap = SurfaceOf(state, dc);
  if (!bitmap) return false;
  Describe(state, bitmap, surface);
  return true;
}

bool DcPaintState(HDC handle, DcPaint *out) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, handle);
  if (!dc) return false;
  out->brush = LogColour(Find<Simple>(state, dc->brush), RGB(255, 255, 255), &out->hollowBrush);
  out->pen = LogColour(Find<Simple>(state, dc->pen), RGB(0, 0, 0), &out->nullPen);
  out->text = dc->textColor;
  out->background = dc->bkColor;
  out->bkMode = dc->bkMode;
  return true;
}

COLORREF BrushColour(HBRUSH brush, COLORREF fallback) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(brush);
  if (value && value <= COLOR_MENUBAR + 1) return GetSysColor(int(value - 1));
  GdiState &state = Ready();
  Guard guard(state.lock);
  Simple *object = Find<Simple>(state, brush);
  return object && object->type == OBJ_BRUSH && object->brush.lbStyle != BS_NULL ? object->brush.lbColor : fallback;
}

HBRUSH NewStockBrush(COLORREF color) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  auto brush = std::make_shared<Simple>(OBJ_BRUSH);
  brush->brush.lbStyle = BS_SOLID;
  brush->brush.lbColor = color;
  brush->stock = true;
  return static_cast<HBRUSH>(Insert(state, brush));
}

HWND WindowOfDC(HDC handle) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, handle);
  return dc ? dc->window : nullptr;
}

}  // namespace standin

using namespace standin;

extern "C" {

int WINAPI GetObjectType(HGDIOBJ h) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  GdiObject *object = Find<GdiObject>(state, h);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return object->type;
}

HDC WINAPI CreateCompatibleDC(HDC hdc) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  if (hdc && !ValidDc(state, hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return NewDc(state, DcKind::Memory, nullptr);
}

static HDC CreateDisplayDc(LPCSTR driver, LPCSTR device, DcKind kind) {
  bool display = (driver && strcasecmp(driver, "DISPLAY") == 0) ||
                 (!driver && device && strncasecmp(device, "\\\\.\\DISPLAY", 11) == 0);
  if (!display) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  GdiState &state = Ready();
  Guard guard(state.lock);
  return NewDc(state, kind, nullptr);
}

HDC WINAPI CreateDCA(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR, const void *) {
  return CreateDisplayDc(pszDriver, pszDevice, DcKind::Display);
}

HDC WINAPI CreateICA(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR, const void *) {
  return CreateDisplayDc(pszDriver, pszDevice, DcKind::Information);
}

HDC WINAPI CreateEnhMetaFileA(HDC, LPCSTR, const RECT *, LPCSTR) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  return NewDc(state, DcKind::EnhMetafile, nullptr);
}

HENHMETAFILE WINAPI CloseEnhMetaFile(HDC hdc) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, hdc);
  if (!dc || dc->kind != DcKind::EnhMetafile) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  EraseDc(state, hdc, dc);
  return static_cast<HENHMETAFILE>(Insert(state, std::make_shared<Simple>(OBJ_ENHMETAFILE)));
}

BOOL WINAPI DeleteEnhMetaFile(HENHMETAFILE hmf) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Simple *object = Find<Simple>(state, hmf);
  if (!object || object->type != OBJ_ENHMETAFILE) return FALSE;
  state.objects.erase(reinterpret_cast<uintptr_t>(hmf));
  return TRUE;
}

// Window device contexts go back through ReleaseDC, not DeleteDC.
BOOL WINAPI DeleteDC(HDC hdc) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, hdc);
  if (!dc || dc->kind == DcKind::Window || dc->kind == DcKind::WholeWindow) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  EraseDc(state, hdc, dc);
  return TRUE;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  if (!ValidDc(state, hdc)) return 0;
  const DisplayMode &mode = state.mode;
  const bool palette = PaletteDisplay(state);
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return mode.width * 254 / 960;  // 96 pixels per inch
    case VERTSIZE: return mode.height * 254 / 960;
    case HORZRES: case DESKTOPHORZRES: return mode.width;
    case VERTRES: case DESKTOPVERTRES: return mode.height;
    case BITSPIXEL: return int(mode.bits);
    case PLANES: return 1;
    case NUMBRUSHES: case NUMPENS: return -1;
    case NUMCOLORS: return palette ? 20 : mode.bits < 8 ? 1 << mode.bits : -1;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT | RC_STRETCHBLT |
             RC_FLOODFILL | RC_STRETCHDIB | RC_OP_DX_OUTPUT | (palette ? RC_PALETTE : 0);
    case ASPECTX: case ASPECTY: return 36;
    case ASPECTXY: return 51;
    case LOGPIXELSX: case LOGPIXELSY: return 96;
    case SIZEPALETTE: return palette ? 256 : 0;
    case NUMRESERVED: return palette ? 20 : 0;
    case COLORRES: return palette ? 18 : int(mode.bits);
    case VREFRESH: return 60;
    default: return 0;
  }
}

HGDIOBJ WINAPI GetStockObject(int i) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  return i >= 0 && i <= STOCK_LAST ? state.stock[i] : nullptr;
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  auto brush = std::make_shared<Simple>(OBJ_BRUSH);
  brush->brush.lbStyle = BS_SOLID;
  brush->brush.lbColor = color;
  return static_cast<HBRUSH>(Insert(state, brush));
}

HFONT WINAPI CreateFontIndirectA(const LOGFONTA *lplf) {
  if (!lplf) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  GdiState &state = Ready();
  Guard guard(state.lock);
  auto font = std::make_shared<Simple>(OBJ_FONT);
  font->font = *lplf;
  font->font.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(Insert(state, font));
}

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                         DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                         DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName) {
  LOGFONTA lf{};
  lf.lfHeight = cHeight;
  lf.lfWidth = cWidth;
  lf.lfEscapement = cEscapement;
  lf.lfOrientation = cOrientation;
  lf.lfWeight = cWeight;
  lf.lfItalic = BYTE(bItalic);
  lf.lfUnderline = BYTE(bUnderline);
  lf.lfStrikeOut = BYTE(bStrikeOut);
  lf.lfCharSet = BYTE(iCharSet);
  lf.lfOutPrecision = BYTE(iOutPrecision);
  lf.lfClipPrecision = BYTE(iClipPrecision);
  lf.lfQuality = BYTE(iQuality);
  lf.lfPitchAndFamily = BYTE(iPitchAndFamily);
  if (pszFaceName) strncpy(lf.lfFaceName, pszFaceName, LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, hdc);
  GdiObject *object = Find<GdiObject>(state, h);
  if (!dc || !object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ *slot = nullptr;
  switch (object->type) {
    case OBJ_BITMAP: {
      // Only memory DCs hold bitmaps; a bitmap is in one DC at a time; a device-dependent
      // bitmap must be monochrome or of the display's depth.
      auto *bitmap = static_cast<Bitmap *>(object);
      if (dc->kind != DcKind::Memory) return nullptr;
      if (dc->bitmap == h) return h;
      if (!bitmap->stock && bitmap->selectedInto) return nullptr;
      if (!bitmap->dib && bitmap->bitsPixel != 1 && bitmap->bitsPixel != state.mode.bits) return nullptr;
      if (Bitmap *old = Find<Bitmap>(state, dc->bitmap))
        if (old->selectedInto == hdc) old->selectedInto = nullptr;
      if (!bitmap->stock) bitmap->selectedInto = hdc;
      HGDIOBJ previous = dc->bitmap;
      dc->bitmap = h;
      return previous;
    }
    case OBJ_BRUSH: slot = &dc->brush; break;
    case OBJ_PEN: slot = &dc->pen; break;
    case OBJ_FONT: slot = &dc->font; break;
    case OBJ_REGION: return reinterpret_cast<HGDIOBJ>(SIMPLEREGION);
    default: return nullptr;  // palettes go through SelectPalette
  }
  HGDIOBJ previous = *slot;
  *slot = h;
  return previous;
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_BITMAP: return dc->bitmap;
    case OBJ_PAL: return dc->palette;
    case OBJ_BRUSH: return dc->brush;
    case OBJ_PEN: return dc->pen;
    case OBJ_FONT: return dc->font;
    default: return nullptr;
  }
}

// Stock objects report success and stay; a bitmap or palette still selected into a DC stays.
BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  GdiObject *object = Find<GdiObject>(state, ho);
  if (!object || object->type == OBJ_DC || object->type == OBJ_MEMDC || object->type == OBJ_ENHMETADC) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (object->stock) return TRUE;
  if (object->type == OBJ_BITMAP && static_cast<Bitmap *>(object)->selectedInto) return FALSE;
  if (object->type == OBJ_PAL)
    for (const auto &entry : state.objects)
      if (auto *dc = dynamic_cast<Dc *>(entry.second.get()))
        if (dc->palette == ho) return FALSE;
  state.objects.erase(reinterpret_cast<uintptr_t>(ho));
  return TRUE;
}

int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  GdiObject *object = Find<GdiObject>(state, h);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (auto *bitmap = dynamic_cast<Bitmap *>(object)) {
    if (!pv) return bitmap->dib ? int(sizeof(DIBSECTION)) : int(sizeof(BITMAP));
    if (c < int(sizeof(BITMAP))) return 0;
    BITMAP bm{};
    bm.bmType = 0;
    bm.bmWidth = bitmap->width;
    bm.bmHeight = bitmap->height;
    bm.bmWidthBytes = bitmap->widthBytes;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = bitmap->bitsPixel;
    bm.bmBits = bitmap->dib ? Bits(bitmap) : nullptr;
    if (bitmap->dib && c >= int(sizeof(DIBSECTION))) {
      DIBSECTION ds{};
      ds.dsBm = bm;
      ds.dsBmih = bitmap->header;
      memcpy(ds.dsBitfields, bitmap->bitfields, sizeof ds.dsBitfields);
      ds.dshSection = bitmap->section;
      ds.dsOffset = bitmap->offset;
      memcpy(pv, &ds, sizeof ds);
      return sizeof(DIBSECTION);
    }
    memcpy(pv, &bm, sizeof bm);
    return sizeof(BITMAP);
  }
  if (auto *palette = dynamic_cast<Palette *>(object)) {
    if (!pv) return sizeof(WORD);
    if (c < int(sizeof(WORD))) return 0;
    WORD count = WORD(palette->entries.size());
    memcpy(pv, &count, sizeof count);
    return sizeof(WORD);
  }
  if (object->type == OBJ_BRUSH) {
    if (!pv) return sizeof(LOGBRUSH);
    if (c < int(sizeof(LOGBRUSH))) return 0;
    memcpy(pv, &static_cast<Simple *>(object)->brush, sizeof(LOGBRUSH));
    return sizeof(LOGBRUSH);
  }
  if (object->type == OBJ_FONT) {
    if (!pv) return sizeof(LOGFONTA);
    if (c < int(sizeof(LOGFONTA))) return 0;
    memcpy(pv, &static_cast<Simple *>(object)->font, sizeof(LOGFONTA));
    return sizeof(LOGFONTA);
  }
  return 0;
}

BOOL WINAPI GdiFlush(void) { return TRUE; }

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  return SwapDcField(hdc, &Dc::textColor, color, COLORREF(CLR_INVALID), true);
}
COLORREF WINAPI GetTextColor(HDC hdc) { return SwapDcField(hdc, &Dc::textColor, COLORREF(0), COLORREF(CLR_INVALID), false); }
COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
  return SwapDcField(hdc, &Dc::bkColor, color, COLORREF(CLR_INVALID), true);
}
COLORREF WINAPI GetBkColor(HDC hdc) { return SwapDcField(hdc, &Dc::bkColor, COLORREF(0), COLORREF(CLR_INVALID), false); }
int WINAPI SetBkMode(HDC hdc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return SwapDcField(hdc, &Dc::bkMode, mode, 0, true);
}
int WINAPI GetBkMode(HDC hdc) { return SwapDcField(hdc, &Dc::bkMode, 0, 0, false); }

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, hdc);
  if (!dc || cx < 0 || cy < 0) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (cx == 0 || cy == 0) return state.stockBitmap;
  // A memory DC makes bitmaps like the one it holds (monochrome for its initial bitmap).
  WORD bits = WORD(state.mode.bits);
  if (dc->kind == DcKind::Memory)
    if (Bitmap *selected = Find<Bitmap>(state, dc->bitmap)) bits = selected->bitsPixel;
  std::shared_ptr<Bitmap> bitmap = NewDdb(cx, cy, bits);
  return bitmap ? static_cast<HBITMAP>(Insert(state, bitmap)) : nullptr;
}

HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void *lpBits) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  UINT bits = nPlanes * nBitCount;
  if (nWidth < 0 || nHeight < 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (nWidth == 0 || nHeight == 0) return state.stockBitmap;
  auto bitmap = NewDdb(nWidth, nHeight, WORD(bits));
  if (!bitmap) return nullptr;
  if (lpBits) memcpy(bitmap->pixels.data(), lpBits, bitmap->pixels.size());
  return static_cast<HBITMAP>(Insert(state, bitmap));
}

HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO *pbmi, UINT usage, void **ppvBits, HANDLE hSection,
                                DWORD offset) {
  if (ppvBits) *ppvBits = nullptr;
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = hdc ? Find<Dc>(state, hdc) : nullptr;
  if (hdc && !dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const BITMAPINFOHEADER *header = pbmi ? &pbmi->bmiHeader : nullptr;
  const WORD bits = header ? header->biBitCount : 0;
  const bool bitfields = header && header->biCompression == BI_BITFIELDS;
  if (!header || header->biSize < sizeof(BITMAPINFOHEADER) || header->biWidth <= 0 || header->biHeight == 0 ||
      header->biPlanes != 1 || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
      (header->biCompression != BI_RGB && !bitfields) || (bitfields && bits != 16 && bits != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Sections above kMaxDibSectionBytes fail as the platform's do when memory runs out.
  const uint64_t rows = header->biHeight < 0 ? -int64_t(header->biHeight) : header->biHeight;
  const uint64_t stride = (uint64_t(header->biWidth) * bits + 31) / 32 * 4;
  if (stride * rows > kMaxDibSectionBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto bitmap = std::make_shared<Bitmap>();
  bitmap->dib = true;
  bitmap->width = header->biWidth;
  bitmap->height = LONG(rows);
  bitmap->topDown = header->biHeight < 0;
  bitmap->bitsPixel = bits;
  bitmap->widthBytes = LONG(stride);
  // Guard bytes on both sides let tests see writes outside the image.
  const size_t image = size_t(stride * rows);
  bitmap->guard = kDibGuardBytes;
  bitmap->pixels.assign(image + 2 * kDibGuardBytes, kDibGuardValue);
  memset(Bits(bitmap.get()), 0, image);
  bitmap->header = *header;
  bitmap->header.biSize = sizeof(BITMAPINFOHEADER);
  bitmap->header.biSizeImage = DWORD(image);
  bitmap->section = hSection;
  bitmap->offset = offset;
  // The masks follow the 40-byte header (inside it for the larger header versions, at the same
  // offset). Without BI_BITFIELDS the fixed layouts' masks are reported.
  const BYTE *after = reinterpret_cast<const BYTE *>(header) + sizeof(BITMAPINFOHEADER);
  if (bitfields) {
    memcpy(bitmap->bitfields, after, sizeof bitmap->bitfields);
  } else if (bits == 16) {
    const DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    memcpy(bitmap->bitfields, masks, sizeof masks);
  } else if (bits > 16) {
    const DWORD masks[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    memcpy(bitmap->bitfields, masks, sizeof masks);
  }
  if (bits <= 8) {
    const UINT size = 1u << bits;
    const UINT given = header->biClrUsed && header->biClrUsed < size ? header->biClrUsed : size;
    const BYTE *table = reinterpret_cast<const BYTE *>(header) + header->biSize;
    bitmap->colours.assign(size, RGBQUAD{0, 0, 0, 0});
    if (usage == DIB_PAL_COLORS) {
      Palette *palette = DcPalette(state, dc);
      for (UINT i = 0; i < given; ++i) {
        WORD index;
        memcpy(&index, table + 2 * i, sizeof index);
        bitmap->colours[i] = Quad(palette->entries[index % palette->entries.size()]);
      }
    } else {
      memcpy(bitmap->colours.data(), table, given * sizeof(RGBQUAD));
    }
  }
  HBITMAP handle = static_cast<HBITMAP>(Insert(state, bitmap));
  if (ppvBits) *ppvBits = Bits(bitmap.get());
  return handle;
}

UINT WINAPI SetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, const RGBQUAD *prgbq) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Bitmap *bitmap = SurfaceOf(state, hdc);
  if (!bitmap || !bitmap->dib || bitmap->colours.empty() || iStart >= bitmap->colours.size() || !prgbq) return 0;
  UINT count = std::min<UINT>(cEntries, UINT(bitmap->colours.size()) - iStart);
  memcpy(&bitmap->colours[iStart], prgbq, count * sizeof(RGBQUAD));
  return count;
}

UINT WINAPI GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, RGBQUAD *prgbq) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Bitmap *bitmap = SurfaceOf(state, hdc);
  if (!bitmap || !bitmap->dib || bitmap->colours.empty() || iStart >= bitmap->colours.size() || !prgbq) return 0;
  UINT count = std::min<UINT>(cEntries, UINT(bitmap->colours.size()) - iStart);
  memcpy(prgbq, &bitmap->colours[iStart], count * sizeof(RGBQUAD));
  return count;
}

// Copies pixels between memory DCs holding bitmaps of one depth (8 bits or more), clipped to both.
BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  const bool usesSource = rop != BLACKNESS && rop != WHITENESS && rop != DSTINVERT && rop != PATCOPY;
  if (!ValidDc(state, hdc) || (usesSource && !ValidDc(state, hdcSrc))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  StandinBlit blit{};
  blit.kind = STANDIN_BLIT_BITBLT;
  blit.dest = hdc;
  blit.destWindow = Find<Dc>(state, hdc)->window;
  blit.x = x, blit.y = y, blit.width = cx, blit.height = cy;
  blit.source = usesSource ? hdcSrc : nullptr;
  blit.srcX = x1, blit.srcY = y1, blit.srcWidth = cx, blit.srcHeight = cy;
  blit.rop = rop;
  RecordFromDc(state, blit);

  Bitmap *dst = SurfaceOf(state, hdc);
  if (!dst || dst->bitsPixel < 8) return TRUE;
  const int bpp = dst->bitsPixel / 8;
  if (rop == BLACKNESS || rop == WHITENESS) {
    for (int row = std::max(y, 0); row < std::min<LONG>(y + cy, dst->height); ++row) {
      int left = std::max(x, 0), right = std::min<LONG>(x + cx, dst->width);
      if (left < right) memset(Row(dst, row) + left * bpp, rop == BLACKNESS ? 0 : 0xFF, size_t(right - left) * bpp);
    }
    return TRUE;
  }
  Bitmap *src = SurfaceOf(state, hdcSrc);
  if (rop != SRCCOPY || !src || src->bitsPixel != dst->bitsPixel) return TRUE;
  // Clip the rectangle against both bitmaps.
  int left = std::max({0, x, x - x1}), top = std::max({0, y, y - y1});
  int right = std::min<LONG>({x + cx, dst->width, x + src->width - x1});
  int bottom = std::min<LONG>({y + cy, dst->height, y + src->height - y1});
  for (int row = top; row < bottom && left < right; ++row)
    memmove(Row(dst, row) + left * bpp, Row(src, row - y + y1) + (left - x + x1) * bpp, size_t(right - left) * bpp);
  return TRUE;
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                       int wSrc, int hSrc, DWORD rop) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  if (!ValidDc(state, hdcDest) || !ValidDc(state, hdcSrc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  StandinBlit blit{};
  blit.kind = STANDIN_BLIT_STRETCHBLT;
  blit.dest = hdcDest;
  blit.destWindow = Find<Dc>(state, hdcDest)->window;
  blit.x = xDest, blit.y = yDest, blit.width = wDest, blit.height = hDest;
  blit.source = hdcSrc;
  blit.srcX = xSrc, blit.srcY = ySrc, blit.srcWidth = wSrc, blit.srcHeight = hSrc;
  blit.rop = rop;
  RecordFromDc(state, blit);
  return TRUE;
}

int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                         int SrcWidth, int SrcHeight, const void *lpBits, const BITMAPINFO *lpbmi, UINT iUsage,
                         DWORD rop) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  BITMAPINFOHEADER header;
  if (!ValidDc(state, hdc) || !lpbmi || !DibCallHeader(lpbmi, &header)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  StandinBlit blit{};
  blit.kind = STANDIN_BLIT_STRETCHDIBITS;
  blit.dest = hdc;
  blit.destWindow = Find<Dc>(state, hdc)->window;
  blit.x = xDest, blit.y = yDest, blit.width = DestWidth, blit.height = DestHeight;
  ClipSource(header, UINT(DibRows(header)), xSrc, ySrc, SrcWidth, SrcHeight, &blit);
  blit.usage = iUsage;
  blit.rop = rop;
  blit.pixelHeader = header;
  Record(state, blit, lpBits, DibCallBytes(header, UINT(DibRows(header))));
  if (rop == SRCCOPY && iUsage == DIB_RGB_COLORS)
    PaintDibBlit(hdc, xDest, yDest, DestWidth, DestHeight, header, lpbmi, lpBits, xSrc, ySrc, SrcWidth, SrcHeight, 0,
                 UINT(DibRows(header)));
  return SrcHeight < 0 ? -SrcHeight : SrcHeight;
}

int WINAPI SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                             UINT cLines, const void *lpvBits, const BITMAPINFO *lpbmi, UINT ColorUse) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  BITMAPINFOHEADER header;
  if (!ValidDc(state, hdc) || !lpbmi || !DibCallHeader(lpbmi, &header)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // Only the lines the bits hold are read.
  const UINT rows = UINT(DibRows(header));
  const UINT lines = StartScan >= rows ? 0 : std::min(cLines, rows - StartScan);
  StandinBlit blit{};
  blit.kind = STANDIN_BLIT_SETDIBITSTODEVICE;
  blit.dest = hdc;
  blit.destWindow = Find<Dc>(state, hdc)->window;
  blit.x = xDest, blit.y = yDest, blit.width = int(w), blit.height = int(h);
  ClipSource(header, rows, xSrc, ySrc, int(w), int(h), &blit);
  blit.startScan = StartScan;
  blit.lines = lines;
  blit.usage = ColorUse;
  blit.rop = SRCCOPY;
  blit.pixelHeader = header;
  Record(state, blit, lpvBits, DibCallBytes(header, lines));
  if (ColorUse == DIB_RGB_COLORS && lines)
    PaintDibBlit(hdc, xDest, yDest, int(w), int(h), header, lpbmi, lpvBits, xSrc, ySrc, int(w), int(h), StartScan, lines);
  return int(lines);
}

// Reads a pixel of a memory DC's bitmap as a COLORREF (8 bits and more; CLR_INVALID elsewhere).
COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Bitmap *bitmap = SurfaceOf(state, hdc);
  if (!bitmap || x < 0 || y < 0 || x >= bitmap->width || y >= bitmap->height || bitmap->bitsPixel < 8)
    return CLR_INVALID;
  const BYTE *p = Row(bitmap, y) + x * (bitmap->bitsPixel / 8);
  switch (bitmap->bitsPixel) {
    case 8: {
      RGBQUAD q = bitmap->colours.empty() ? RGBQUAD{p[0], p[0], p[0], 0} : bitmap->colours[p[0]];
      return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    case 16: {
      WORD v = WORD(p[0] | (p[1] << 8));
      DWORD r = bitmap->bitfields[0] ? bitmap->bitfields[0] : 0xF800, g = bitmap->bitfields[1] ? bitmap->bitfields[1] : 0x07E0,
            b = bitmap->bitfields[2] ? bitmap->bitfields[2] : 0x001F;
      auto scale = [v](DWORD mask) {
        int shift = __builtin_ctz(mask), width = __builtin_popcount(mask);
        DWORD c = (v & mask) >> shift;
        return BYTE(c * 255 / ((1u << width) - 1));
      };
      return RGB(scale(r), scale(g), scale(b));
    }
    default: return RGB(p[2], p[1], p[0]);
  }
}

HPALETTE WINAPI CreatePalette(const LOGPALETTE *plpal) {
  if (!plpal || plpal->palVersion != 0x300 || plpal->palNumEntries == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  GdiState &state = Ready();
  Guard guard(state.lock);
  auto palette = std::make_shared<Palette>();
  palette->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
  return static_cast<HPALETTE>(Insert(state, palette));
}

HPALETTE WINAPI SelectPalette(HDC hdc, HPALETTE hPal, BOOL) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Dc *dc = Find<Dc>(state, hdc);
  if (!dc || !Find<Palette>(state, hPal)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HPALETTE previous = static_cast<HPALETTE>(dc->palette);
  dc->palette = hPal;
  return previous;
}

// On a palette display, realizing a logical palette in a window or display DC loads its entries
// into the system palette's free slots; when that changes the system palette every window is sent
// WM_PALETTECHANGED (wParam: the DC's window). Returns the number of entries loaded.
UINT WINAPI RealizePalette(HDC hdc) {
  HWND notify = nullptr;
  UINT mapped = 0;
  {
    GdiState &state = Ready();
    Guard guard(state.lock);
    Dc *dc = Find<Dc>(state, hdc);
    if (!dc) {
      SetLastError(ERROR_INVALID_HANDLE);
      return GDI_ERROR;
    }
    if (!PaletteDisplay(state) || dc->palette == state.stock[DEFAULT_PALETTE] || dc->kind == DcKind::Memory)
      return 0;
    Palette *palette = Find<Palette>(state, dc->palette);
    const int first = state.systemUse == SYSPAL_NOSTATIC256 ? 0 : state.systemUse == SYSPAL_NOSTATIC ? 1 : 10;
    const int last = 255 - first;
    bool changed = false;
    for (size_t i = 0; i < palette->entries.size() && first + int(i) <= last; ++i, ++mapped) {
      PALETTEENTRY entry = palette->entries[i];
      entry.peFlags = 0;
      PALETTEENTRY &slot = state.system[first + i];
      if (memcmp(&slot, &entry, sizeof entry) != 0) changed = true;
      slot = entry;
    }
    if (changed) notify = dc->window;  // a display DC has no window to name: no message
  }
  if (notify) BroadcastToWindows(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(notify), 0);
  return mapped;
}

UINT WINAPI GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Palette *palette = Find<Palette>(state, hpal);
  if (!palette) return 0;
  if (!pPalEntries) return UINT(palette->entries.size());
  if (iStart >= palette->entries.size()) return 0;
  UINT count = std::min<UINT>(cEntries, UINT(palette->entries.size()) - iStart);
  memcpy(pPalEntries, &palette->entries[iStart], count * sizeof(PALETTEENTRY));
  return count;
}

UINT WINAPI SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY *pPalEntries) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Palette *palette = Find<Palette>(state, hpal);
  if (!palette || palette->stock || !pPalEntries || iStart >= palette->entries.size()) return 0;
  UINT count = std::min<UINT>(cEntries, UINT(palette->entries.size()) - iStart);
  memcpy(&palette->entries[iStart], pPalEntries, count * sizeof(PALETTEENTRY));
  return count;
}

// Only palette displays have a system palette.
UINT WINAPI GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  if (!ValidDc(state, hdc) || !PaletteDisplay(state)) return 0;
  if (!pPalEntries) return 256;
  if (iStart >= 256) return 0;
  UINT count = std::min<UINT>(cEntries, 256 - iStart);
  memcpy(pPalEntries, &state.system[iStart], count * sizeof(PALETTEENTRY));
  return count;
}

BOOL WINAPI ResizePalette(HPALETTE hpal, UINT n) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Palette *palette = Find<Palette>(state, hpal);
  if (!palette || palette->stock || n == 0 || n > 1024) return FALSE;
  palette->entries.resize(n, PALETTEENTRY{0, 0, 0, 0});
  return TRUE;
}

BOOL WINAPI UnrealizeObject(HGDIOBJ h) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  return Find<GdiObject>(state, h) ? TRUE : FALSE;
}

UINT WINAPI GetSystemPaletteUse(HDC hdc) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  return ValidDc(state, hdc) ? state.systemUse : SYSPAL_ERROR;
}

UINT WINAPI SetSystemPaletteUse(HDC hdc, UINT use) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  if (!ValidDc(state, hdc) || !PaletteDisplay(state) || use < SYSPAL_STATIC || use > SYSPAL_NOSTATIC256)
    return SYSPAL_ERROR;
  UINT previous = state.systemUse;
  state.systemUse = use;
  return previous;
}

UINT WINAPI GetNearestPaletteIndex(HPALETTE h, COLORREF color) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Palette *palette = Find<Palette>(state, h);
  if (!palette) return CLR_INVALID;
  UINT best = 0;
  long bestDistance = -1;
  for (size_t i = 0; i < palette->entries.size(); ++i) {
    const PALETTEENTRY &e = palette->entries[i];
    long dr = long(e.peRed) - GetRValue(color), dg = long(e.peGreen) - GetGValue(color),
         db = long(e.peBlue) - GetBValue(color);
    long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) best = UINT(i), bestDistance = distance;
  }
  return best;
}

HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  auto region = std::make_shared<Region>();
  region->rect = RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  if (region->rect.left == region->rect.right || region->rect.top == region->rect.bottom) region->rect = RECT{0, 0, 0, 0};
  return static_cast<HRGN>(Insert(state, region));
}

HRGN WINAPI CreateRectRgnIndirect(const RECT *lprect) {
  return lprect ? CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom) : nullptr;
}

// A rectangle region is one rectangle (none when empty).
DWORD WINAPI GetRegionData(HRGN hrgn, DWORD nCount, LPRGNDATA lpRgnData) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Region *region = Find<Region>(state, hrgn);
  if (!region) return 0;
  const bool empty = region->rect.right == region->rect.left;
  const DWORD size = sizeof(RGNDATAHEADER) + (empty ? 0 : sizeof(RECT));
  if (!lpRgnData) return size;
  if (nCount < size) return 0;
  lpRgnData->rdh.dwSize = sizeof(RGNDATAHEADER);
  lpRgnData->rdh.iType = RDH_RECTANGLES;
  lpRgnData->rdh.nCount = empty ? 0 : 1;
  lpRgnData->rdh.nRgnSize = empty ? 0 : sizeof(RECT);
  lpRgnData->rdh.rcBound = region->rect;
  if (!empty) memcpy(lpRgnData->Buffer, &region->rect, sizeof(RECT));
  return size;
}

int WINAPI GetRgnBox(HRGN hrgn, LPRECT lprc) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Region *region = Find<Region>(state, hrgn);
  if (!region || !lprc) return ERROR;
  *lprc = region->rect;
  return region->rect.right == region->rect.left ? NULLREGION : SIMPLEREGION;
}

void StandinSetDisplayMode(DWORD bits, int width, int height, BOOL notify) {
  {
    GdiState &state = Ready();
    Guard guard(state.lock);
    state.mode = DisplayMode{bits, width, height};
  }
  if (notify) BroadcastToWindows(WM_DISPLAYCHANGE, WPARAM(bits), MAKELPARAM(width, height));
}

BOOL StandinDibGuardsIntact(HBITMAP handle) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  Bitmap *bitmap = Find<Bitmap>(state, handle);
  if (!bitmap || !bitmap->dib) return FALSE;
  const BYTE *front = bitmap->pixels.data(), *back = Bits(bitmap) + BitsSize(bitmap);
  for (size_t i = 0; i < bitmap->guard; ++i)
    if (front[i] != kDibGuardValue || back[i] != kDibGuardValue) return FALSE;
  return TRUE;
}

int StandinGdiObjectCount(void) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  int count = 0;
  for (const auto &entry : state.objects) {
    const GdiObject &object = *entry.second;
    if (!object.stock && object.type != OBJ_DC && object.type != OBJ_MEMDC && object.type != OBJ_ENHMETADC) ++count;
  }
  return count;
}

int StandinDcCount(void) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  int count = 0;
  for (const auto &entry : state.objects)
    if (dynamic_cast<Dc *>(entry.second.get())) ++count;
  return count;
}

int StandinBlitCount(void) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  return int(state.blits.size());
}

BOOL StandinGetBlit(int i, StandinBlit *out) {
  GdiState &state = Ready();
  Guard guard(state.lock);
  if (i < 0 || size_t(i) >= state.blits.size() || !out) return FALSE;
  *out = state.blits[i];
  return TRUE;
}

}  // extern "C"
