// Bitmap files: the packed-bitmap reader with its palette and painting (a copy and a stretch into
// a memory DC), LoadRgbImage, whose image must hold width x height x 3 bytes, and the stand-in's
// LoadImageA (a DIB section of the file's format, whose guard bytes must stay, and a bitmap of the
// display's depth), read back through GetDIBits.
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <vector>

#include "dib.h"
#include "fuzzfile.h"
#include "standin/control.h"

namespace {

void PaintBoth(HGLOBAL dib) {
  static HDC dc = nullptr;
  if (!dc) {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 64;
    h.biHeight = 64;
    h.biPlanes = 1;
    h.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, section);
  }
  HPALETTE palette = nullptr;
  CreateDibPalette(dib, &palette);
  const RECT destination{0, 0, 32, 32}, same{3, 5, 35, 37}, other{0, 0, 256, 256};
  PaintDib(dc, &destination, dib, &same, palette);
  PaintDib(dc, &destination, dib, &other, palette);
  SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), TRUE);
  if (palette) DeleteObject(palette);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string &path = FuzzPath(".bmp");
  if (!WriteFuzzFile(path, data, size)) return 0;
  StandinReset();  // drops the recorded message boxes and blits
  if (FILE *stream = fopen(path.c_str(), "rb")) {
    HGLOBAL dib = ReadDibFile(stream);
    fclose(stream);
    if (dib) {
      const BYTE *p = static_cast<const BYTE *>(GlobalLock(dib));
      DibColorCount(p);
      DibPaletteSize(p);
      DibHeight(p);
      GlobalUnlock(dib);
      PaintBoth(dib);
      GlobalFree(dib);
    }
  }
  // Images of more than a million pixels are read correctly but slowly: leave them to the runs
  // of the other inputs.
  const size_t headerAt = size >= 2 && data[0] == 'B' && data[1] == 'M' ? 14 : 0;
  DibInfo info;
  if (size > headerAt && DibParse(data + headerAt, size - headerAt, &info) == kDibSound &&
      uint64_t(info.width) * uint64_t(info.height < 0 ? -int64_t(info.height) : info.height) > (1u << 20))
    return 0;
  if (RgbImage *image = LoadRgbImage(path.c_str())) {
    const size_t bytes = size_t(image->width) * size_t(image->height) * 3;
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < bytes; i += 97) sum += image->data[i];
    if (bytes) sum += image->data[bytes - 1];
    FreeRgbImage(image);
  }
  for (UINT flags : {UINT(LR_LOADFROMFILE | LR_CREATEDIBSECTION), UINT(LR_LOADFROMFILE)}) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, flags));
    if (!bitmap) continue;
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    BITMAPINFO row{};
    row.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), bm.bmWidth, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(size_t(bm.bmWidth));
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, bitmap, UINT(bm.bmHeight - 1), 1, pixels.data(), &row, DIB_RGB_COLORS);
    DeleteDC(dc);
    if ((flags & LR_CREATEDIBSECTION) && !StandinDibGuardsIntact(bitmap)) abort();
    DeleteObject(bitmap);
  }
  return 0;
}
