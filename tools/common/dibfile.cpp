// Packed bitmaps: header checks, derived values, the file reader, palette and painting.
#include <string.h>

#include "dib.h"
#include "dibread.h"

namespace {

WORD ColourCountFor(DWORD headerSize, WORD bitCount, DWORD coloursUsed) {
  if (headerSize == kFullHeaderSize && coloursUsed) return static_cast<WORD>(coloursUsed);
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// The three bit-field masks that follow a full header before the colour table.
DWORD MaskBytes(DWORD headerSize, DWORD compression) {
  return headerSize == kFullHeaderSize && compression == BI_BITFIELDS ? 12 : 0;
}

DWORD EntrySize(DWORD headerSize) { return headerSize == kFullHeaderSize ? 4 : 3; }

bool DepthFits(bool full, WORD bits, DWORD compression, LONG height, DWORD imageSize) {
  switch (compression) {
    case BI_RGB: return bits == 1 || bits == 4 || bits == 8 || bits == 24 || (full && (bits == 16 || bits == 32));
    case BI_BITFIELDS: return full && (bits == 16 || bits == 32);
    // Run-length data is bottom-up and says how many bytes it takes.
    case BI_RLE8: return full && bits == 8 && height > 0 && imageSize != 0;
    case BI_RLE4: return full && bits == 4 && height > 0 && imageSize != 0;
    default: return false;
  }
}

constexpr uint64_t kMaxImageBytes = 0x7FFFFFFF;

}  // namespace

DibCheck DibParse(const void *packed, size_t size, DibInfo *out) {
  const BYTE *p = static_cast<const BYTE *>(packed);
  if (size < 4) return kDibUnknownFormat;
  DibInfo info{};
  info.headerSize = DibRead32(p);
  const bool full = info.headerSize == kFullHeaderSize;
  if ((!full && info.headerSize != kCoreHeaderSize) || size < info.headerSize) return kDibUnknownFormat;
  DWORD coloursUsed = 0;
  if (full) {
    info.width = static_cast<LONG>(DibRead32(p + 4));
    info.height = static_cast<LONG>(DibRead32(p + 8));
    info.bitCount = DibRead16(p + 14);
    info.compression = DibRead32(p + 16);
    info.imageSize = DibRead32(p + 20);
    coloursUsed = DibRead32(p + 32);
  } else {
    info.width = DibRead16(p + 4);
    info.height = DibRead16(p + 6);
    info.bitCount = DibRead16(p + 10);
    info.compression = BI_RGB;
  }
  if (info.width <= 0 || info.height == 0 || info.height == LONG(0x80000000) ||
      !DepthFits(full, info.bitCount, info.compression, info.height, info.imageSize))
    return kDibUnknownFormat;
  info.colorCount = ColourCountFor(info.headerSize, info.bitCount, coloursUsed);
  if (info.bitCount <= 8 && info.colorCount == 0) return kDibUnknownFormat;  // a count beyond 16 bits
  info.tableBytes = MaskBytes(info.headerSize, info.compression) + info.colorCount * EntrySize(info.headerSize);
  if (uint64_t(info.headerSize) + info.tableBytes > size) return kDibUnknownFormat;
  const uint64_t rows = info.height < 0 ? -int64_t(info.height) : info.height;
  const uint64_t stride = (uint64_t(info.width) * info.bitCount + 31) / 32 * 4;
  const uint64_t rgbStride = (uint64_t(info.width) * 3 + 3) & ~uint64_t(3);
  info.pixelBytes = info.compression == BI_RLE8 || info.compression == BI_RLE4 ? info.imageSize : stride * rows;
  if (info.pixelBytes > kMaxImageBytes || rgbStride * rows > kMaxImageBytes) return kDibUnknownFormat;
  *out = info;
  return kDibSound;
}

WORD DibColorCount(const void *packed) {
  const BYTE *p = static_cast<const BYTE *>(packed);
  DWORD headerSize = DibRead32(p);
  if (headerSize == kFullHeaderSize) return ColourCountFor(headerSize, DibRead16(p + 14), DibRead32(p + 32));
  return ColourCountFor(headerSize, DibRead16(p + 10), 0);
}

// 32 bits: a table of 65535 four-byte entries does not fit a 16-bit size.
DWORD DibPaletteSize(const void *packed) {
  return DWORD(DibColorCount(packed)) * EntrySize(DibRead32(static_cast<const BYTE *>(packed)));
}

const BYTE *DibBits(const void *packed) {
  const BYTE *p = static_cast<const BYTE *>(packed);
  DWORD headerSize = DibRead32(p);
  DWORD compression = headerSize == kFullHeaderSize ? DibRead32(p + 16) : BI_RGB;
  return p + headerSize + MaskBytes(headerSize, compression) + DibPaletteSize(p);
}

LONG DibHeight(const void *packed) {
  const BYTE *p = static_cast<const BYTE *>(packed);
  return DibRead32(p) == kFullHeaderSize ? static_cast<LONG>(DibRead32(p + 8)) : LONG(DibRead16(p + 6));
}

HGLOBAL ReadDibFile(FILE *stream) {
  if (!stream || fseek(stream, 0, SEEK_END) != 0) return nullptr;
  long size = ftell(stream);
  BYTE fileHeader[kBitmapFileHeaderSize];
  if (size <= long(kBitmapFileHeaderSize) || fseek(stream, 0, SEEK_SET) != 0 ||
      fread(fileHeader, sizeof fileHeader, 1, stream) != 1 || DibRead16(fileHeader) != kBitmapFileMagic)
    return nullptr;
  const size_t packedSize = size_t(size) - kBitmapFileHeaderSize;
  HGLOBAL memory = GlobalAlloc(GHND, size_t(size));
  if (!memory) return nullptr;
  BYTE *p = static_cast<BYTE *>(GlobalLock(memory));
  DibInfo info;
  bool ok = p && fread(p, packedSize, 1, stream) == 1 && DibParse(p, packedSize, &info) == kDibSound &&
            uint64_t(DibBits(p) - p) + info.pixelBytes <= packedSize;
  if (p) GlobalUnlock(memory);
  if (!ok) {
    GlobalFree(memory);
    return nullptr;
  }
  return memory;
}

int CreateDibPalette(HGLOBAL dib, HPALETTE *palette) {
  const BYTE *p = dib ? static_cast<const BYTE *>(GlobalLock(dib)) : nullptr;
  if (!p) return 0;
  const WORD count = DibColorCount(p);
  HGLOBAL block = count ? GlobalAlloc(GHND, DWORD(count) * 4 + 8) : nullptr;
  LOGPALETTE *logical = block ? static_cast<LOGPALETTE *>(GlobalLock(block)) : nullptr;
  if (!logical) {
    if (block) GlobalFree(block);
    GlobalUnlock(dib);
    return 0;
  }
  const DWORD headerSize = DibRead32(p);
  const DWORD entry = EntrySize(headerSize);
  const BYTE *table = p + headerSize + MaskBytes(headerSize, headerSize == kFullHeaderSize ? DibRead32(p + 16) : BI_RGB);
  logical->palVersion = 0x300;
  logical->palNumEntries = count;
  PALETTEENTRY *entries = logical->palPalEntry;
  for (DWORD i = 0; i < count; ++i) {
    entries[i].peRed = table[i * entry + 2];
    entries[i].peGreen = table[i * entry + 1];
    entries[i].peBlue = table[i * entry];
    entries[i].peFlags = 0;
  }
  *palette = CreatePalette(logical);
  GlobalUnlock(block);
  GlobalFree(block);
  GlobalUnlock(dib);
  return 1;
}

int PaintDib(HDC dc, const RECT *destination, HGLOBAL dib, const RECT *source, HPALETTE palette) {
  const BYTE *p = dib ? static_cast<const BYTE *>(GlobalLock(dib)) : nullptr;
  if (!p) return 0;
  const BYTE *bits = DibBits(p);
  const BITMAPINFO *header = reinterpret_cast<const BITMAPINFO *>(p);
  if (palette) {
    SelectPalette(dc, palette, TRUE);
    RealizePalette(dc);
  }
  SetStretchBltMode(dc, COLORONCOLOR);
  const int width = destination->right - destination->left, height = destination->bottom - destination->top;
  const int sourceWidth = source->right - source->left, sourceHeight = source->bottom - source->top;
  int result;
  if (width == sourceWidth && height == sourceHeight) {
    // Scan lines count from the bottom; every line of the bitmap is handed over.
    const LONG stored = DibHeight(p);
    const LONG rows = stored < 0 ? -stored : stored;
    result = SetDIBitsToDevice(dc, destination->left, destination->top, width, height, source->left,
                               rows - source->bottom, 0, UINT(rows), bits, header, DIB_RGB_COLORS);
  } else {
    result = StretchDIBits(dc, destination->left, destination->top, width, height, source->left, source->top,
                           sourceWidth, sourceHeight, bits, header, DIB_RGB_COLORS, SRCCOPY);
  }
  GlobalUnlock(dib);
  return result;
}
