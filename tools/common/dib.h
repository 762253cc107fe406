// Windows bitmap (".bmp") readers of the tools.
//
// A packed bitmap is a bitmap file without its 14-byte file header: the information header
// (the 40-byte full form or the 12-byte core form), the colour table, the pixel rows. The
// packed-bitmap routines keep one in movable global memory for the editor's 2-D map;
// LoadRgbImage turns a bitmap file into packed 24-bit RGB rows for textures.
#ifndef TOOLS_DIB_H
#define TOOLS_DIB_H

#include <stdint.h>
#include <stdio.h>
#include <windows.h>

constexpr uint16_t kBitmapFileMagic = 0x4D42;  // "BM"
constexpr DWORD kBitmapFileHeaderSize = 14;
constexpr DWORD kFullHeaderSize = 40;
constexpr DWORD kCoreHeaderSize = 12;

// What the information header at the start of a packed bitmap describes.
struct DibInfo {
  DWORD headerSize;  // kFullHeaderSize or kCoreHeaderSize
  LONG width;
  LONG height;       // signed in the full form (negative: top-down); the core form's is positive
  WORD bitCount;
  DWORD compression;
  DWORD imageSize;
  WORD colorCount;   // colour-table entries
  DWORD tableBytes;  // bit-field masks and colour table, as stored
  uint64_t pixelBytes;  // bytes of pixel data the rows take (the stored size when compressed)
};

enum DibCheck { kDibSound, kDibUnknownFormat };

// Reads and checks the header of a packed bitmap of `size` bytes: a full or core header that
// fits, positive dimensions, a bit count and compression that go together, a colour table that
// fits, and 24-bit pixel data that fits in 31 bits.
DibCheck DibParse(const void *packed, size_t size, DibInfo *info);

// Derived values of a packed bitmap that DibParse accepted.
WORD DibColorCount(const void *packed);
DWORD DibPaletteSize(const void *packed);  // bytes of the colour table
const BYTE *DibBits(const void *packed);
LONG DibHeight(const void *packed);

// Reads a bitmap file from the start of `stream` (left open) into movable global memory.
// Null when the file is not a bitmap file ("BM"), is truncated, or describes pixels, colours or
// a header beyond its end.
HGLOBAL ReadDibFile(FILE *stream);
// Logical palette from the bitmap's colour table into `palette`; 0 (nothing stored) when there is
// no bitmap, no colour table, or no memory.
int CreateDibPalette(HGLOBAL dib, HPALETTE *palette);
// Draws the source rectangle of the bitmap into the destination rectangle: a copy when the two
// have the same size, else a stretch. The palette, if any, is selected as a background palette
// and realised. Returns the GDI call's result, 0 without a bitmap.
int PaintDib(HDC dc, const RECT *destination, HGLOBAL dib, const RECT *source, HPALETTE palette);

// Packed 24-bit image: rows of width x 3 bytes (red, green, blue) without padding, the bottom row
// first. The record and its data come from the C heap.
struct RgbImage {
  int32_t width;
  int32_t height;
  uint8_t *data;
};

// Loads a bitmap file (with or without its file header) of any depth and compression that GDI
// converts. Failures are shown in a message box and give null.
RgbImage *LoadRgbImage(const char *fileName);
RgbImage *LoadRgbImageW(const WCHAR *fileName);
void FreeRgbImage(RgbImage *image);

#endif  // TOOLS_DIB_H
