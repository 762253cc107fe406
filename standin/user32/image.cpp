// Bitmaps from .bmp files and from a program's bitmap resources (a bitmap file's bytes):
// LoadImageA and LoadBitmapA. The icons and cursors are the system's fixed handles.
#include <windows.h>

#include <vector>

#include "../gdi32/gdi32_internal.h"
#include "standin/resources.h"

using namespace standin;

namespace {

constexpr size_t kMaxBitmapFileBytes = 256u << 20;
constexpr unsigned long long kMaxImageBytes = 256u << 20;

DWORD Le32(const BYTE *p) { return p[0] | p[1] << 8 | p[2] << 16 | DWORD(p[3]) << 24; }
WORD Le16(const BYTE *p) { return WORD(p[0] | p[1] << 8); }

// A .bmp file's picture: its description in the full form (a core header widened, its colour
// triples made quads, the whole table present) and its bits, zero-filled past a short file's end.
struct BmpImage {
  struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];  // the colour table, or the three masks of BI_BITFIELDS
  } info{};
  const BYTE *bits = nullptr;
  std::vector<BYTE> padded;  // the bits of a file that ends early
  LONG Rows() const { return info.header.biHeight < 0 ? -info.header.biHeight : info.header.biHeight; }
  const BITMAPINFO *Described() const { return reinterpret_cast<const BITMAPINFO *>(&info); }
};

long long Stride(LONG width, WORD bits) { return (static_cast<long long>(width) * bits + 31) / 32 * 4; }

bool ParseBmp(const BYTE *file, size_t size, BmpImage *image) {
  if (!file || size < 14 + sizeof(BITMAPCOREHEADER) || file[0] != 'B' || file[1] != 'M') return false;
  BITMAPINFOHEADER &h = image->info.header;
  const DWORD headerSize = Le32(file + 14);
  size_t tableAt = 14 + size_t(headerSize), entryBytes = 4;
  if (headerSize == sizeof(BITMAPCOREHEADER)) {
    h.biWidth = Le16(file + 18);
    h.biHeight = Le16(file + 20);
    h.biPlanes = Le16(file + 22);
    h.biBitCount = Le16(file + 24);
    h.biCompression = BI_RGB;
    entryBytes = 3;
  } else {
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > size - 14) return false;
    memcpy(&h, file + 14, sizeof h);
  }
  h.biSize = sizeof(BITMAPINFOHEADER);
  const WORD bits = h.biBitCount;
  const bool bitfields = h.biCompression == BI_BITFIELDS;
  const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
  bool valid = h.biWidth > 0 && h.biHeight != 0 && h.biHeight != LONG(0x80000000) && h.biPlanes == 1;
  if (h.biCompression == BI_RGB)
    valid = valid && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32);
  else if (bitfields)
    valid = valid && (bits == 16 || bits == 32);
  else if (rle)
    valid = valid && h.biHeight > 0 && bits == (h.biCompression == BI_RLE8 ? 8 : 4);
  else
    valid = false;
  const long long imageBytes = valid ? Stride(h.biWidth, bits) * image->Rows() : 0;
  if (!valid || static_cast<unsigned long long>(imageBytes) > kMaxImageBytes) return false;
  if (bitfields) {
    // The masks follow the 40-byte header, or are its next fields in the larger versions.
    const size_t masksAt = headerSize >= sizeof(BITMAPINFOHEADER) + 12 ? 14 + sizeof(BITMAPINFOHEADER) : tableAt;
    if (masksAt + 12 > size) return false;
    memcpy(image->info.colours, file + masksAt, 12);
    if (masksAt == tableAt) tableAt += 12;
  }
  const DWORD givenOffset = Le32(file + 10);
  if (bits <= 8) {
    // The table ends where the bits begin.
    const size_t tableEnd = givenOffset && givenOffset < size ? givenOffset : size;
    const DWORD full = 1u << bits, used = h.biClrUsed && h.biClrUsed < full ? h.biClrUsed : full;
    for (DWORD i = 0; i < used && tableAt + entryBytes * (i + 1) <= tableEnd; ++i) {
      const BYTE *entry = file + tableAt + entryBytes * i;
      image->info.colours[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
    }
    tableAt += entryBytes * used;
    h.biClrUsed = 0;
  }
  const size_t offset = givenOffset ? givenOffset : tableAt;
  if (offset >= size) return false;
  const size_t available = size - offset;
  image->bits = file + offset;
  if (rle) {
    h.biSizeImage = h.biSizeImage && h.biSizeImage < available ? h.biSizeImage : DWORD(available);
  } else if (available < static_cast<size_t>(imageBytes)) {
    image->padded.assign(static_cast<size_t>(imageBytes), 0);
    memcpy(image->padded.data(), image->bits, available);
    image->bits = image->padded.data();
  }
  return true;
}

// The colour of the first pixel becomes the window colour (the face colour with
// LR_LOADMAP3DCOLORS), and the table's greys become the 3-D colours.
void MapColours(BmpImage *image, UINT fuLoad) {
  const BITMAPINFOHEADER &h = image->info.header;
  if (h.biBitCount > 8) return;
  auto quad = [](int index) {
    const COLORREF c = GetSysColor(index);
    return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
  };
  if (fuLoad & LR_LOADMAP3DCOLORS) {
    static const struct {
      BYTE grey;
      int index;
    } kGreys[] = {{128, COLOR_3DSHADOW}, {192, COLOR_3DFACE}, {223, COLOR_3DLIGHT}};
    for (RGBQUAD &c : image->info.colours)
      for (const auto &g : kGreys)
        if (c.rgbRed == g.grey && c.rgbGreen == g.grey && c.rgbBlue == g.grey) c = quad(g.index);
  }
  if ((fuLoad & LR_LOADTRANSPARENT) && h.biCompression == BI_RGB) {
    const BYTE first = image->bits[0];
    const unsigned index = h.biBitCount == 8 ? first : h.biBitCount == 4 ? first >> 4 : first >> 7;
    image->info.colours[index] = quad(fuLoad & LR_LOADMAP3DCOLORS ? COLOR_3DFACE : COLOR_WINDOW);
  }
}

enum class Kind {
  Dib24,     // a 24-bit DIB section
  DibAsIs,   // a DIB section of the picture's own format
  Display,   // a device-dependent bitmap of the display's depth
  Mono,      // a monochrome device-dependent bitmap
  MonoDib,   // a monochrome DIB section
};

// An empty bitmap of `kind` for the picture, `width` x |height| (height < 0: top-down).
HBITMAP NewBitmap(const BmpImage &image, Kind kind, LONG width, LONG height) {
  if (kind == Kind::Display) {
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(display, width, height < 0 ? -height : height);
    DeleteDC(display);
    return bitmap;
  }
  if (kind == Kind::Mono) return CreateBitmap(width, height < 0 ? -height : height, 1, 1, nullptr);
  BmpImage::Info info = image.info;
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biSizeImage = 0;
  if (kind == Kind::DibAsIs) {
    if (info.header.biCompression != BI_BITFIELDS) info.header.biCompression = BI_RGB;
  } else {
    info.header.biCompression = BI_RGB;
    info.header.biBitCount = kind == Kind::Dib24 ? 24 : 1;
    info.colours[0] = RGBQUAD{0, 0, 0, 0};
    info.colours[1] = RGBQUAD{255, 255, 255, 0};
  }
  void *bits = nullptr;
  return CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
}

// The picture as a bitmap of `kind`, stretched to cx x cy (nearest pixels) where they are not 0.
HBITMAP MakeBitmap(const BmpImage &image, Kind kind, int cx, int cy) {
  const BITMAPINFOHEADER &h = image.info.header;
  const LONG rows = image.Rows();
  HBITMAP bitmap = NewBitmap(image, kind, h.biWidth, h.biHeight);
  if (!bitmap) return nullptr;
  if (!SetDIBits(nullptr, bitmap, 0, UINT(rows), image.bits, image.Described(), DIB_RGB_COLORS)) {
    DeleteObject(bitmap);
    return nullptr;
  }
  const LONG width = cx ? cx : h.biWidth, height = cy ? cy : rows;
  if (width == h.biWidth && height == rows) return bitmap;
  if (static_cast<unsigned long long>(width) * height * 4 > kMaxImageBytes) {
    DeleteObject(bitmap);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  BITMAPINFO rgb{};
  rgb.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), h.biWidth, rows, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> natural(size_t(h.biWidth) * rows), scaled(size_t(width) * height);
  HDC dc = CreateCompatibleDC(nullptr);
  GetDIBits(dc, bitmap, 0, UINT(rows), natural.data(), &rgb, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  for (LONG y = 0; y < height; ++y)
    for (LONG x = 0; x < width; ++x)
      scaled[size_t(y) * width + x] =
          natural[size_t(static_cast<long long>(y) * rows / height) * h.biWidth + static_cast<long long>(x) * h.biWidth / width];
  bitmap = NewBitmap(image, kind, width, h.biHeight < 0 ? -height : height);
  rgb.bmiHeader.biWidth = width;
  rgb.bmiHeader.biHeight = height;
  if (bitmap && !SetDIBits(dc, bitmap, 0, UINT(height), scaled.data(), &rgb, DIB_RGB_COLORS)) {
    DeleteObject(bitmap);
    bitmap = nullptr;
  }
  DeleteDC(dc);
  return bitmap;
}

}  // namespace

extern "C" {

// A bitmap resource as a 24-bit DIB section.
HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
  const StandinResource *resource = StandinFindResource(hInstance, STANDIN_RT_BITMAP, lpBitmapName);
  BmpImage image;
  HBITMAP bitmap = resource && ParseBmp(static_cast<const BYTE *>(resource->data), resource->size, &image)
                       ? MakeBitmap(image, Kind::Dib24, 0, 0)
                       : nullptr;
  if (!bitmap) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return bitmap;
}

HANDLE WINAPI LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad) {
  if (type == IMAGE_ICON || type == IMAGE_CURSOR) {
    if (fuLoad & LR_LOADFROMFILE) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
    return type == IMAGE_ICON ? LoadIconA(hInst, name) : LoadCursorA(hInst, name);
  }
  if (type != IMAGE_BITMAP || !name || cx < 0 || cy < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::vector<BYTE> file;
  const BYTE *bytes = nullptr;
  size_t size = 0;
  if (fuLoad & LR_LOADFROMFILE) {
    if (!ReadWholeFile(name, kMaxBitmapFileBytes, &file)) return nullptr;
    bytes = file.data(), size = file.size();
  } else if (const StandinResource *resource = StandinFindResource(hInst, STANDIN_RT_BITMAP, name)) {
    bytes = static_cast<const BYTE *>(resource->data), size = resource->size;
  } else {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  BmpImage image;
  if (!ParseBmp(bytes, size, &image)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  MapColours(&image, fuLoad);
  const bool dib = (fuLoad & LR_CREATEDIBSECTION) != 0, mono = (fuLoad & LR_MONOCHROME) != 0;
  const Kind kind = mono ? (dib ? Kind::MonoDib : Kind::Mono) : dib ? Kind::DibAsIs : Kind::Display;
  return MakeBitmap(image, kind, cx, cy);
}

}  // extern "C"
