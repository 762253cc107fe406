// SetDIBits into 24- and 32-bit DIB sections (the source may be any uncompressed depth, bit
// fields, RLE8 or RLE4), and the device contexts' stretch modes.
#include <string.h>

#include <map>
#include <mutex>
#include <vector>

#include "../kernel32/standin_internal.h"

namespace standin {
namespace {

struct Rgb {
  BYTE r, g, b;
};

struct DibSource {
  const BITMAPINFOHEADER *header;
  LONG width;
  LONG rows;      // |height|
  bool topDown;
  WORD bits;
  DWORD masks[3];
  std::vector<Rgb> table;
};

long long SourceStride(LONG width, WORD bits) { return ((static_cast<long long>(width) * bits + 31) / 32) * 4; }

BYTE ScaleMasked(DWORD value, DWORD mask) {
  if (!mask) return 0;
  int shift = __builtin_ctz(mask);
  int width = __builtin_popcount(mask);
  unsigned long long field = (value & mask) >> shift;
  unsigned long long max = (width >= 32) ? 0xFFFFFFFFull : ((1ull << width) - 1);
  return static_cast<BYTE>(field * 255 / max);
}

// The colour table (RGB quads, or 16-bit indices into the DC's palette).
bool BuildTable(HDC hdc, const BITMAPINFO *info, UINT usage, DibSource *source) {
  if (source->bits > 8) return true;
  DWORD size = 1u << source->bits;
  DWORD used = source->header->biClrUsed && source->header->biClrUsed < size ? source->header->biClrUsed : size;
  const BYTE *table = reinterpret_cast<const BYTE *>(info) + source->header->biSize;
  source->table.assign(size, Rgb{0, 0, 0});
  if (usage == DIB_RGB_COLORS) {
    for (DWORD i = 0; i < used; ++i) source->table[i] = Rgb{table[4 * i + 2], table[4 * i + 1], table[4 * i]};
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
    source->table[i] = Rgb{e.peRed, e.peGreen, e.peBlue};
  }
  return true;
}

Rgb Indexed(const DibSource &source, unsigned index) {
  return index < source.table.size() ? source.table[index] : Rgb{0, 0, 0};
}

// Pixel x of one stored row of an uncompressed source.
Rgb SourcePixel(const DibSource &source, const BYTE *row, LONG x) {
  switch (source.bits) {
    case 1: return Indexed(source, (row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4: return Indexed(source, (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
    case 8: return Indexed(source, row[x]);
    case 16: {
      DWORD v = row[2 * x] | (row[2 * x + 1] << 8);
      return Rgb{ScaleMasked(v, source.masks[0]), ScaleMasked(v, source.masks[1]), ScaleMasked(v, source.masks[2])};
    }
    case 24: return Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    default: {
      DWORD v;
      memcpy(&v, row + 4 * x, sizeof v);
      return Rgb{ScaleMasked(v, source.masks[0]), ScaleMasked(v, source.masks[1]), ScaleMasked(v, source.masks[2])};
    }
  }
}

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

int WINAPI SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const void *lpBits, const BITMAPINFO *lpbmi,
                     UINT ColorUse) {
  DIBSECTION target;
  if (!lpBits || !lpbmi || GetObjectA(hbm, sizeof target, &target) != int(sizeof target) ||
      (target.dsBm.bmBitsPixel != 24 && target.dsBm.bmBitsPixel != 32) ||
      target.dsBmih.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DibSource source{};
  source.header = &lpbmi->bmiHeader;
  const BITMAPINFOHEADER &h = *source.header;
  source.width = h.biWidth;
  source.topDown = h.biHeight < 0;
  source.rows = source.topDown ? -h.biHeight : h.biHeight;
  source.bits = h.biBitCount;
  const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
  const bool bitfields = h.biCompression == BI_BITFIELDS;
  bool valid = h.biSize >= sizeof(BITMAPINFOHEADER) && h.biWidth > 0 && h.biHeight != 0 &&
               h.biHeight != LONG(0x80000000);
  if (h.biCompression == BI_RGB)
    valid = valid && (source.bits == 1 || source.bits == 4 || source.bits == 8 || source.bits == 16 ||
                      source.bits == 24 || source.bits == 32);
  else if (bitfields)
    valid = valid && (source.bits == 16 || source.bits == 32);
  else if (rle)
    valid = valid && !source.topDown && h.biSizeImage != 0 &&
            source.bits == (h.biCompression == BI_RLE8 ? 8 : 4);
  else
    valid = false;
  if (!valid || start >= static_cast<UINT>(source.rows) || (source.topDown && start != 0) ||
      (rle && start != 0) || !BuildTable(hdc, lpbmi, ColorUse, &source)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (bitfields) {
    memcpy(source.masks, reinterpret_cast<const BYTE *>(lpbmi) + sizeof(BITMAPINFOHEADER), sizeof source.masks);
  } else if (source.bits == 16) {
    source.masks[0] = 0x7C00, source.masks[1] = 0x03E0, source.masks[2] = 0x001F;
  } else {
    source.masks[0] = 0xFF0000, source.masks[1] = 0x00FF00, source.masks[2] = 0x0000FF;
  }

  std::vector<short> decoded;
  if (rle)
    DecodeRle(static_cast<const BYTE *>(lpBits), h.biSizeImage, h.biCompression == BI_RLE4, source.width,
              source.rows, &decoded);
  const long long stride = SourceStride(source.width, source.bits);
  const BYTE *bits = static_cast<const BYTE *>(lpBits);

  const LONG destRows = target.dsBm.bmHeight;
  const bool destTopDown = target.dsBmih.biHeight < 0;
  const int destBytes = target.dsBm.bmBitsPixel / 8;
  const LONG columns = source.width < target.dsBm.bmWidth ? source.width : target.dsBm.bmWidth;
  UINT lines = cLines;
  if (lines > static_cast<UINT>(source.rows) - start) lines = static_cast<UINT>(source.rows) - start;
  for (UINT i = 0; i < lines; ++i) {
    // Scan lines count from the bottom of the image; row i of the bits is scan start + i for a
    // bottom-up source and the i-th row from the top for a top-down one.
    const LONG scan = source.topDown ? source.rows - 1 - static_cast<LONG>(i) : static_cast<LONG>(start + i);
    if (scan >= destRows) continue;
    const BYTE *in = rle ? nullptr : bits + i * stride;
    const short *runs = rle ? decoded.data() + static_cast<size_t>(scan) * source.width : nullptr;
    const LONG destRow = destTopDown ? destRows - 1 - scan : scan;
    BYTE *out = static_cast<BYTE *>(target.dsBm.bmBits) + static_cast<size_t>(destRow) * target.dsBm.bmWidthBytes;
    for (LONG x = 0; x < columns; ++x) {
      if (runs && runs[x] < 0) continue;
      Rgb c = runs ? Indexed(source, static_cast<unsigned>(runs[x])) : SourcePixel(source, in, x);
      BYTE *p = out + x * destBytes;
      p[0] = c.b, p[1] = c.g, p[2] = c.r;
      if (destBytes == 4) p[3] = 0;
    }
  }
  return static_cast<int>(lines);
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
