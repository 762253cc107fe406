// SetDIBits and GetDIBits between DIB bits of any uncompressed depth, bit fields, RLE8 or RLE4
// (SetDIBits) and bitmaps of any depth, DIB sections or device-dependent bitmaps; and the device
// contexts' stretch modes.
#include <string.h>

#include <map>
#include <mutex>
#include <vector>

#include "gdi32_internal.h"

namespace standin {
namespace {

struct Rgb {
  BYTE r, g, b;
  bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};

// Rows of `width` pixels of `bits` each: colours through masks (16 and 32 bits) or a table.
struct Layout {
  LONG width;
  LONG rows;  // |height|
  bool topDown;
  WORD bits;
  DWORD masks[3];
  std::vector<Rgb> table;
};

long long SourceStride(LONG width, WORD bits) { return ((static_cast<long long>(width) * bits + 31) / 32) * 4; }

const DWORD kMasks555[3] = {0x7C00, 0x03E0, 0x001F}, kMasks888[3] = {0xFF0000, 0x00FF00, 0x0000FF};

BYTE ScaleMasked(DWORD value, DWORD mask) {
  if (!mask) return 0;
  int shift = __builtin_ctz(mask);
  int width = __builtin_popcount(mask);
  unsigned long long field = (value & mask) >> shift;
  unsigned long long max = (width >= 32) ? 0xFFFFFFFFull : ((1ull << width) - 1);
  return static_cast<BYTE>(field * 255 / max);
}

// A channel into a field: its top bits (fields of up to 8 bits), else scaled.
DWORD PlaceMasked(BYTE channel, DWORD mask) {
  if (!mask) return 0;
  const int shift = __builtin_ctz(mask), width = __builtin_popcount(mask);
  const unsigned long long max = width >= 32 ? 0xFFFFFFFFull : (1ull << width) - 1;
  const unsigned long long field = width <= 8 ? channel >> (8 - width) : channel * max / 255;
  return static_cast<DWORD>(field << shift) & mask;
}

// The colour table of DIB bits (RGB quads, or 16-bit indices into the DC's palette).
bool BuildTable(HDC hdc, const BITMAPINFO *info, UINT usage, Layout *layout) {
  if (layout->bits > 8) return true;
  const BITMAPINFOHEADER &header = info->bmiHeader;
  DWORD size = 1u << layout->bits;
  DWORD used = header.biClrUsed && header.biClrUsed < size ? header.biClrUsed : size;
  const BYTE *table = reinterpret_cast<const BYTE *>(info) + header.biSize;
  layout->table.assign(size, Rgb{0, 0, 0});
  if (usage == DIB_RGB_COLORS) {
    for (DWORD i = 0; i < used; ++i) layout->table[i] = Rgb{table[4 * i + 2], table[4 * i + 1], table[4 * i]};
    return true;
  }
  if (usage != DIB_PAL_COLORS) return false;
  HPALETTE palette = static_cast<HPALETTE>(GetCurrentObject(hdc, OBJ_PAL));
  PALETTEENTRY entries[256];
  UINT count = palette ? GetPaletteEntries(palette, 0, 256, entries) : 0;
  for (DWORD i = 0; i < used && count; ++i) {
    WORD index;
    memcpy(&index, table + 2 * i, sizeof index);
    const PALETTEENTRY &e = entries[index % count];
    layout->table[i] = Rgb{e.peRed, e.peGreen, e.peBlue};
  }
  return true;
}

// The layout of a bitmap's own storage.
Layout SurfaceLayout(const BitmapSurface &surface) {
  Layout layout{surface.width, surface.height, surface.topDown, surface.bitsPixel, {}, {}};
  memcpy(layout.masks, surface.masks, sizeof layout.masks);
  for (const RGBQUAD &q : surface.colours) layout.table.push_back(Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue});
  return layout;
}

BYTE *SurfaceRow(const BitmapSurface &surface, LONG scan) {  // scan lines count from the bottom
  const LONG stored = surface.topDown ? surface.height - 1 - scan : scan;
  return surface.bits + static_cast<size_t>(stored) * surface.stride;
}

unsigned PixelIndex(const BYTE *row, WORD bits, LONG x) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default: return row[x];
  }
}

void StoreIndex(BYTE *row, WORD bits, LONG x, unsigned index) {
  switch (bits) {
    case 1: {
      const BYTE bit = BYTE(0x80 >> (x & 7));
      row[x >> 3] = BYTE(index & 1 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      break;
    }
    case 4: {
      BYTE &b = row[x >> 1];
      b = BYTE((x & 1) ? (b & 0xF0) | (index & 15) : (b & 0x0F) | (index & 15) << 4);
      break;
    }
    default: row[x] = BYTE(index);
  }
}

Rgb Indexed(const Layout &layout, unsigned index) {
  return index < layout.table.size() ? layout.table[index] : Rgb{0, 0, 0};
}

// Pixel x of one stored row.
Rgb SourcePixel(const Layout &layout, const BYTE *row, LONG x) {
  switch (layout.bits) {
    case 1: case 4: case 8: return Indexed(layout, PixelIndex(row, layout.bits, x));
    case 16: {
      DWORD v = row[2 * x] | (row[2 * x + 1] << 8);
      return Rgb{ScaleMasked(v, layout.masks[0]), ScaleMasked(v, layout.masks[1]), ScaleMasked(v, layout.masks[2])};
    }
    case 24: return Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    default: {
      DWORD v;
      memcpy(&v, row + 4 * x, sizeof v);
      return Rgb{ScaleMasked(v, layout.masks[0]), ScaleMasked(v, layout.masks[1]), ScaleMasked(v, layout.masks[2])};
    }
  }
}

// A colour into pixel x of a row of 16, 24 or 32 bits.
void StoreColour(BYTE *row, const Layout &layout, LONG x, Rgb c) {
  if (layout.bits == 24) {
    BYTE *p = row + 3 * x;
    p[0] = c.b, p[1] = c.g, p[2] = c.r;
    return;
  }
  const DWORD v = PlaceMasked(c.r, layout.masks[0]) | PlaceMasked(c.g, layout.masks[1]) | PlaceMasked(c.b, layout.masks[2]);
  if (layout.bits == 16) {
    row[2 * x] = BYTE(v), row[2 * x + 1] = BYTE(v >> 8);
  } else {
    memcpy(row + 4 * x, &v, sizeof v);
  }
}

unsigned NearestIndex(const std::vector<Rgb> &table, Rgb c) {
  unsigned best = 0;
  long bestDistance = -1;
  for (unsigned i = 0; i < table.size(); ++i) {
    const long dr = table[i].r - c.r, dg = table[i].g - c.g, db = table[i].b - c.b;
    const long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) best = i, bestDistance = distance;
  }
  return best;
}

// Moves pixels from one layout's rows to another's: indices to indices through the tables (an
// index whose colour is the same in both stays), colours to the nearest entry of a table, any
// colour to 16, 24 and 32 bits; rows of one format and width are copied.
struct PixelMover {
  const Layout &from, &to;
  bool copyRows = false;
  std::vector<int> indexMap;  // source index -> target index

  PixelMover(const Layout &from, const Layout &to) : from(from), to(to) {
    const bool indexed = from.bits <= 8, masked = from.bits == 16 || from.bits == 32;
    copyRows = from.bits == to.bits && from.width == to.width && (!indexed || from.table == to.table) &&
               (!masked || memcmp(from.masks, to.masks, sizeof from.masks) == 0);
    if (indexed && to.bits <= 8)
      for (unsigned i = 0; i < from.table.size(); ++i)
        indexMap.push_back(i < to.table.size() && to.table[i] == from.table[i] ? int(i) : int(NearestIndex(to.table, from.table[i])));
  }
  void Row(const BYTE *in, BYTE *out, LONG columns) const {
    if (copyRows) {
      memcpy(out, in, (size_t(columns) * to.bits + 7) / 8);
      return;
    }
    for (LONG x = 0; x < columns; ++x) Pixel(in, x, out, x);
  }
  void Index(unsigned index, BYTE *out, LONG outX) const {
    if (to.bits > 8)
      StoreColour(out, to, outX, Indexed(from, index));
    else
      StoreIndex(out, to.bits, outX, index < indexMap.size() ? unsigned(indexMap[index]) : 0);
  }
  void Pixel(const BYTE *in, LONG inX, BYTE *out, LONG outX) const {
    if (to.bits > 8)
      StoreColour(out, to, outX, SourcePixel(from, in, inX));
    else if (!indexMap.empty())
      StoreIndex(out, to.bits, outX, unsigned(indexMap[PixelIndex(in, from.bits, inX)]));
    else
      StoreIndex(out, to.bits, outX, NearestIndex(to.table, SourcePixel(from, in, inX)));
  }
};

// Decodes RLE8 or RLE4 data (at most `size` bytes) into one index per pixel, bottom row first.
// Pixels the data skips or never reaches stay -1: the destination keeps them.
void DecodeRle(const BYTE *data, size_t size, bool rle4, LONG width, LONG rows, std::vector<short> *indices) {
  indices->assign(static_cast<size_t>(width) * rows, -1);
  LONG x = 0, y = 0;
  size_t at = 0;
  auto put = [&](BYTE index) {
    if (x < width && y < rows) (*indices)[static_cast<size_t>(y) * width + x] = index;
    ++x;
  };
  while (at + 1 < size && y < rows) {
    BYTE count = data[at], value = data[at + 1];
    at += 2;
    if (count) {
      for (int i = 0; i < count; ++i) put(rle4 ? ((i & 1) ? (value & 15) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {
      x = 0, ++y;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (at + 1 >= size) return;
      x += data[at], y += data[at + 1];
      at += 2;
    } else {
      size_t bytes = rle4 ? (value + 1u) / 2 : value;
      if (at + bytes > size) return;
      for (int i = 0; i < value; ++i)
        put(rle4 ? ((i & 1) ? (data[at + i / 2] & 15) : (data[at + i / 2] >> 4)) : data[at + i]);
      at += (bytes + 1) & ~size_t(1);
    }
  }
}

// The layout of the DIB bits a call passes, from its header; false when the header describes
// none (bits of no depth, compressions of other depths, RLE top-down or without a size).
bool CallLayout(HDC hdc, const BITMAPINFO *info, UINT usage, Layout *layout) {
  const BITMAPINFOHEADER &h = info->bmiHeader;
  const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
  const bool bitfields = h.biCompression == BI_BITFIELDS;
  layout->width = h.biWidth;
  layout->topDown = h.biHeight < 0;
  layout->rows = layout->topDown ? -h.biHeight : h.biHeight;
  layout->bits = h.biBitCount;
  const WORD bits = h.biBitCount;
  bool valid = h.biSize >= sizeof(BITMAPINFOHEADER) && h.biWidth > 0 && h.biHeight != 0 &&
               h.biHeight != LONG(0x80000000);
  if (h.biCompression == BI_RGB)
    valid = valid && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32);
  else if (bitfields)
    valid = valid && (bits == 16 || bits == 32);
  else if (rle)
    valid = valid && !layout->topDown && h.biSizeImage != 0 && bits == (h.biCompression == BI_RLE8 ? 8 : 4);
  else
    valid = false;
  if (!valid || !BuildTable(hdc, info, usage, layout)) return false;
  // The masks follow the 40-byte header (inside it for the larger versions, at the same offset).
  if (bitfields)
    memcpy(layout->masks, reinterpret_cast<const BYTE *>(info) + sizeof(BITMAPINFOHEADER), sizeof layout->masks);
  else
    memcpy(layout->masks, bits == 16 ? kMasks555 : kMasks888, sizeof layout->masks);
  return true;
}

struct StretchModes {
  std::mutex lock;
  std::map<HDC, int> modes;
};

StretchModes &Modes() {
  static auto *modes = new StretchModes;
  return *modes;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

// Into a bitmap of any depth; lines the bits do not reach, and pixels that RLE bits skip, keep
// what they held.
int WINAPI SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const void *lpBits, const BITMAPINFO *lpbmi,
                     UINT ColorUse) {
  BitmapSurface target;
  Layout source{};
  if (!lpBits || !lpbmi || !BitmapSurfaceOf(hbm, &target) || !CallLayout(hdc, lpbmi, ColorUse, &source)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BITMAPINFOHEADER &h = lpbmi->bmiHeader;
  const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
  if (start >= static_cast<UINT>(source.rows) || (source.topDown && start != 0) || (rle && start != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::vector<short> decoded;
  if (rle)
    DecodeRle(static_cast<const BYTE *>(lpBits), h.biSizeImage, h.biCompression == BI_RLE4, source.width,
              source.rows, &decoded);
  const long long stride = SourceStride(source.width, source.bits);
  const BYTE *bits = static_cast<const BYTE *>(lpBits);
  const Layout targetLayout = SurfaceLayout(target);
  const PixelMover mover(source, targetLayout);
  const LONG columns = source.width < target.width ? source.width : target.width;
  UINT lines = cLines;
  if (lines > static_cast<UINT>(source.rows) - start) lines = static_cast<UINT>(source.rows) - start;
  for (UINT i = 0; i < lines; ++i) {
    // Scan lines count from the bottom of the image; row i of the bits is scan start + i for a
    // bottom-up source and the i-th row from the top for a top-down one.
    const LONG scan = source.topDown ? source.rows - 1 - static_cast<LONG>(i) : static_cast<LONG>(start + i);
    if (scan >= target.height) continue;
    BYTE *out = SurfaceRow(target, scan);
    if (!rle) {
      mover.Row(bits + i * stride, out, columns);
      continue;
    }
    const short *runs = decoded.data() + static_cast<size_t>(scan) * source.width;
    for (LONG x = 0; x < columns; ++x)
      if (runs[x] >= 0) mover.Index(unsigned(runs[x]), out, x);
  }
  return static_cast<int>(lines);
}

// From a bitmap of any depth into DIB bits of 16, 24 or 32 bits (BI_RGB or BI_BITFIELDS), or of
// the bitmap's own depth up to 8 bits with its colour table. Without bits it describes the
// bitmap (a header of bit count 0) or the size of the bits asked for.
int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                     UINT usage) {
  BitmapSurface surface;
  const int dcType = GetObjectType(hdc);
  if (!lpbmi || (dcType != OBJ_DC && dcType != OBJ_MEMDC) || !BitmapSurfaceOf(hbm, &surface) ||
      lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER &h = lpbmi->bmiHeader;
  BYTE *masks = reinterpret_cast<BYTE *>(lpbmi) + sizeof(BITMAPINFOHEADER);
  const Layout from = SurfaceLayout(surface);
  if (!lpvBits && h.biBitCount == 0) {
    const BITMAPINFOHEADER described = {DWORD(h.biSize), surface.width, surface.height, 1, surface.bitsPixel, BI_RGB,
                                        DWORD(SourceStride(surface.width, surface.bitsPixel) * surface.height),
                                        0, 0, 0, 0};
    const DWORD size = h.biSize;
    memcpy(&h, &described, sizeof described);
    h.biSize = size;
    const bool plainMasks = memcmp(from.masks, surface.bitsPixel == 16 ? kMasks555 : kMasks888, sizeof from.masks) == 0;
    if ((surface.bitsPixel == 16 || surface.bitsPixel == 32) && !plainMasks) {
      h.biCompression = BI_BITFIELDS;
      memcpy(masks, from.masks, sizeof from.masks);
    }
    return int(surface.height);
  }
  // The layout asked for: its masks from the call, its table the bitmap's.
  Layout to{h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight, h.biHeight < 0, h.biBitCount, {}, {}};
  const bool bitfields = h.biCompression == BI_BITFIELDS;
  const bool valid = h.biWidth > 0 && h.biHeight != 0 && h.biHeight != LONG(0x80000000) &&
                     (to.bits == 16 || to.bits == 32 ? h.biCompression == BI_RGB || bitfields
                      : to.bits == 24            ? h.biCompression == BI_RGB
                                                 : to.bits == surface.bitsPixel && to.bits <= 8 &&
                                                       h.biCompression == BI_RGB && usage == DIB_RGB_COLORS);
  if (!valid) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (bitfields)
    memcpy(to.masks, masks, sizeof to.masks);
  else
    memcpy(to.masks, to.bits == 16 ? kMasks555 : kMasks888, sizeof to.masks);
  if (to.bits <= 8) {
    to.table = from.table;
    RGBQUAD *table = reinterpret_cast<RGBQUAD *>(reinterpret_cast<BYTE *>(lpbmi) + h.biSize);
    for (size_t i = 0; i < surface.colours.size(); ++i) table[i] = surface.colours[i];
    h.biClrUsed = 0;
  }
  const long long stride = SourceStride(to.width, to.bits);
  h.biSizeImage = DWORD(stride * to.rows);
  if (!lpvBits) return int(to.rows);
  if (start >= static_cast<UINT>(to.rows) || (to.topDown && start != 0)) return 0;
  const PixelMover mover(from, to);
  const LONG columns = to.width < surface.width ? to.width : surface.width;
  UINT lines = cLines;
  if (lines > static_cast<UINT>(to.rows) - start) lines = static_cast<UINT>(to.rows) - start;
  int copied = 0;
  for (UINT i = 0; i < lines; ++i) {
    const LONG scan = to.topDown ? to.rows - 1 - static_cast<LONG>(i) : static_cast<LONG>(start + i);
    if (scan >= surface.height) continue;
    mover.Row(SurfaceRow(surface, scan), static_cast<BYTE *>(lpvBits) + i * stride, columns);
    ++copied;
  }
  return copied;
}

int WINAPI SetStretchBltMode(HDC hdc, int mode) {
  if (!GetObjectType(hdc) || mode < BLACKONWHITE || mode > HALFTONE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> guard(Modes().lock);
  auto it = Modes().modes.find(hdc);
  int previous = it == Modes().modes.end() ? BLACKONWHITE : it->second;
  Modes().modes[hdc] = mode;
  return previous;
}

int WINAPI GetStretchBltMode(HDC hdc) {
  if (!GetObjectType(hdc)) return 0;
  std::lock_guard<std::mutex> guard(Modes().lock);
  auto it = Modes().modes.find(hdc);
  return it == Modes().modes.end() ? BLACKONWHITE : it->second;
}

}  // extern "C"
