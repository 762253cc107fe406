// LoadRgbImage: the file is mapped, GDI converts its pixels into a 24-bit DIB section, and the
// section's rows are copied out as packed red-green-blue rows.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "dib.h"
#include "dibread.h"

static_assert(sizeof(void *) != 4 || sizeof(RgbImage) == 12, "image record layout");

namespace {

// Everything a load has taken so far.
struct ImageLoad {
  HANDLE file = INVALID_HANDLE_VALUE;
  HANDLE mapping = nullptr;
  const BYTE *view = nullptr;
  BITMAPINFOHEADER *working = nullptr;  // the source header in full form, then masks and colours
  HDC memoryDc = nullptr;
  BITMAPINFOHEADER *rgbHeader = nullptr;
  HBITMAP section = nullptr;
};

void Release(ImageLoad &load) {
  if (load.memoryDc) DeleteDC(load.memoryDc);
  if (load.section) DeleteObject(load.section);
  if (load.rgbHeader) LocalFree(load.rgbHeader);
  if (load.working) LocalFree(load.working);
  if (load.view) UnmapViewOfFile(load.view);
  if (load.mapping) CloseHandle(load.mapping);
  if (load.file != INVALID_HANDLE_VALUE) CloseHandle(load.file);
}

RgbImage *Fail(const char *message) {
  MessageBoxA(GetFocus(), message, "Error", MB_OK);
  return nullptr;
}

// Builds the working header: the full form of the source's header followed by its bit-field
// masks and its colour table in 4-byte entries.
bool BuildWorkingHeader(ImageLoad &load, const BYTE *header, const DibInfo &info) {
  const DWORD maskBytes = info.headerSize == kFullHeaderSize ? info.tableBytes - info.colorCount * 4u : 0;
  load.working = static_cast<BITMAPINFOHEADER *>(
      LocalAlloc(LMEM_FIXED, sizeof(BITMAPINFOHEADER) + maskBytes + info.colorCount * 4u + 4));
  if (!load.working) return false;
  BITMAPINFOHEADER &w = *load.working;
  if (info.headerSize == kCoreHeaderSize) {
    memset(&w, 0, sizeof w);
    w.biSize = sizeof(BITMAPINFOHEADER);
    w.biWidth = info.width;
    w.biHeight = info.height;
    w.biPlanes = DibRead16(header + 8);
    w.biBitCount = info.bitCount;
    w.biClrImportant = info.colorCount;
    BYTE *entries = reinterpret_cast<BYTE *>(&w + 1);
    const BYTE *stored = header + kCoreHeaderSize;
    for (DWORD i = 0; i < info.colorCount; ++i) {
      memcpy(entries + 4 * i, stored + 3 * i, 3);
      entries[4 * i + 3] = 0;
    }
  } else {
    memcpy(&w, header, kFullHeaderSize + info.tableBytes);
  }
  if (w.biSizeImage == 0) w.biSizeImage = static_cast<DWORD>(info.pixelBytes);
  // The table holds exactly colorCount entries (the count keeps the low 16 bits of the field).
  w.biClrUsed = info.colorCount;
  return true;
}

RgbImage *Convert(ImageLoad &load, const char *displayName) {
  if (load.file != INVALID_HANDLE_VALUE) load.mapping = CreateFileMappingA(load.file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (load.mapping) load.view = static_cast<const BYTE *>(MapViewOfFile(load.mapping, FILE_MAP_READ, 0, 0, 0));
  DWORD high = 0;
  const DWORD size = load.view ? GetFileSize(load.file, &high) : 0;
  if (!load.view || high != 0 || size == INVALID_FILE_SIZE) {
    std::string text = std::string("Failed to open DIB file ") + displayName + ".\n";
    return Fail(text.c_str());
  }

  // With a file header the pixels lie where it says; without one they follow the colour table.
  const BYTE *base = load.view;
  const bool fileHeader = size >= 2 && DibRead16(base) == kBitmapFileMagic;
  const DWORD headerAt = fileHeader ? kBitmapFileHeaderSize : 0;
  DibInfo info;
  if (size < headerAt || DibParse(base + headerAt, size - headerAt, &info) != kDibSound)
    return Fail("Unknown DIB file format.");
  const uint64_t bitsAt = fileHeader ? DibRead32(base + 10) : uint64_t(info.headerSize) + info.tableBytes;
  if (bitsAt + info.pixelBytes > size) return Fail("Image file conversion error.");
  if (!BuildWorkingHeader(load, base + headerAt, info)) return Fail("Out of memory.");

  // A 24-bit bottom-up section of the image's size, whichever way up the file stores it.
  const LONG width = info.width, rows = info.height < 0 ? -info.height : info.height;
  load.memoryDc = CreateCompatibleDC(nullptr);
  load.rgbHeader = static_cast<BITMAPINFOHEADER *>(LocalAlloc(LPTR, sizeof(BITMAPINFOHEADER) + 4));
  if (!load.memoryDc || !load.rgbHeader) return Fail("Out of memory.");
  BITMAPINFOHEADER &rgb = *load.rgbHeader;
  rgb.biSize = sizeof(BITMAPINFOHEADER);
  rgb.biWidth = width;
  rgb.biHeight = rows;
  rgb.biPlanes = 1;
  rgb.biBitCount = 24;
  rgb.biCompression = BI_RGB;
  rgb.biSizeImage = static_cast<DWORD>(rows) * width * 3;
  void *sectionBits = nullptr;
  load.section = CreateDIBSection(load.memoryDc, reinterpret_cast<const BITMAPINFO *>(&rgb), DIB_RGB_COLORS,
                                  &sectionBits, nullptr, 0);
  if (!load.section || !sectionBits || !SelectObject(load.memoryDc, load.section)) return Fail("Out of memory.");
  if (!SetDIBits(load.memoryDc, load.section, 0, static_cast<UINT>(rows), base + bitsAt,
                 reinterpret_cast<const BITMAPINFO *>(load.working), DIB_RGB_COLORS))
    return Fail("Image file conversion error.");
  GdiFlush();

  uint8_t *data = static_cast<uint8_t *>(malloc(rgb.biSizeImage));
  RgbImage *image = data ? static_cast<RgbImage *>(malloc(sizeof(RgbImage))) : nullptr;
  if (!image) {
    free(data);
    return Fail("Out of memory.");
  }
  const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);  // section rows are 4-byte aligned
  for (LONG y = 0; y < rows; ++y) {
    const BYTE *in = static_cast<const BYTE *>(sectionBits) + size_t(y) * stride;
    uint8_t *out = data + size_t(y) * width * 3;
    for (LONG x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  image->width = width;
  image->height = rows;
  image->data = data;
  return image;
}

RgbImage *Load(HANDLE file, const char *displayName) {
  ImageLoad load;
  load.file = file;
  RgbImage *image = Convert(load, displayName);
  Release(load);
  return image;
}

}  // namespace

RgbImage *LoadRgbImage(const char *fileName) {
  return Load(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr), fileName);
}

RgbImage *LoadRgbImageW(const WCHAR *fileName) {
  std::string shown;
  for (const WCHAR *p = fileName; *p; ++p) shown.push_back(*p > 0 && *p < 0x80 ? static_cast<char>(*p) : '?');
  return Load(CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              shown.c_str());
}

void FreeRgbImage(RgbImage *image) {
  if (!image) return;
  free(image->data);
  free(image);
}
