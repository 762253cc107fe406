// GDI: device contexts, DIB sections and device-dependent bitmaps, selection rules, palettes,
// device caps, blits and regions.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <vector>

#include "standin/control.h"
#include "standin/layout_check.h"

namespace {

// A BITMAPINFO with room for masks or a 256-entry colour table.
struct Info {
  BITMAPINFOHEADER header;
  DWORD table[256];
};

Info MakeInfo(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB) {
  Info info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = bits;
  info.header.biCompression = compression;
  return info;
}

HBITMAP MakeDib(const Info &info, void **bits, UINT usage = DIB_RGB_COLORS, HDC dc = nullptr) {
  return CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO *>(&info), usage, bits, nullptr, 0);
}

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    objects_ = StandinGdiObjectCount();
    dcs_ = StandinDcCount();
  }
  void TearDown() override {
    StandinReset();
    EXPECT_EQ(objects_, StandinGdiObjectCount());
    EXPECT_EQ(dcs_, StandinDcCount());
  }
  int objects_ = 0, dcs_ = 0;
};

TEST_F(GdiTest, DibSectionLayouts) {
  struct Case {
    LONG width, height;
    WORD bits;
    DWORD compression;
    LONG stride;
  } cases[] = {
      {3, 2, 24, BI_RGB, 12},  {3, -2, 24, BI_RGB, 12}, {5, 3, 1, BI_RGB, 4},        {9, 1, 4, BI_RGB, 8},
      {3, 2, 8, BI_RGB, 4},    {3, -4, 16, BI_RGB, 8},  {3, 2, 32, BI_RGB, 12},      {1, 1, 16, BI_BITFIELDS, 4},
      {7, -3, 32, BI_BITFIELDS, 28},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " " << c.bits << " bits");
    Info info = MakeInfo(c.width, c.height, c.bits, c.compression);
    void *bits = nullptr;
    HBITMAP bitmap = MakeDib(info, &bits);
    ASSERT_NE(nullptr, bitmap);
    ASSERT_NE(nullptr, bits);
    const LONG rows = c.height < 0 ? -c.height : c.height;
    const std::vector<BYTE> zero(c.stride * rows, 0);
    EXPECT_EQ(0, memcmp(bits, zero.data(), zero.size()));
    memset(bits, 0x5A, zero.size());  // the whole padded image is writable

    DIBSECTION ds;
    memset(&ds, 0xCC, sizeof ds);
    ASSERT_EQ(84, GetObjectA(bitmap, sizeof ds, &ds));
    EXPECT_EQ(c.width, ds.dsBm.bmWidth);
    EXPECT_EQ(rows, ds.dsBm.bmHeight);
    EXPECT_EQ(c.stride, ds.dsBm.bmWidthBytes);
    EXPECT_EQ(1, ds.dsBm.bmPlanes);
    EXPECT_EQ(c.bits, ds.dsBm.bmBitsPixel);
    EXPECT_EQ(bits, ds.dsBm.bmBits);
    EXPECT_EQ(40u, ds.dsBmih.biSize);
    EXPECT_EQ(c.height, ds.dsBmih.biHeight);  // the sign tells the orientation
    EXPECT_EQ(c.compression, ds.dsBmih.biCompression);
    EXPECT_EQ(DWORD(c.stride * rows), ds.dsBmih.biSizeImage);
    EXPECT_EQ(nullptr, ds.dshSection);
    EXPECT_EQ(0u, ds.dsOffset);

    BITMAP bm;
    ASSERT_EQ(24, GetObjectA(bitmap, sizeof bm, &bm));
    EXPECT_EQ(bits, bm.bmBits);
    EXPECT_EQ(c.stride, bm.bmWidthBytes);
    EXPECT_TRUE(DeleteObject(bitmap));
  }
}

TEST_F(GdiTest, BitfieldMasksAreReported) {
  Info info = MakeInfo(4, 4, 16, BI_BITFIELDS);
  info.table[0] = 0xF800, info.table[1] = 0x07E0, info.table[2] = 0x001F;
  void *bits;
  HBITMAP bitmap = MakeDib(info, &bits);
  DIBSECTION ds;
  ASSERT_EQ(84, GetObjectA(bitmap, sizeof ds, &ds));
  EXPECT_EQ(0xF800u, ds.dsBitfields[0]);
  EXPECT_EQ(0x07E0u, ds.dsBitfields[1]);
  EXPECT_EQ(0x001Fu, ds.dsBitfields[2]);
  DeleteObject(bitmap);
}

TEST_F(GdiTest, InvalidDibDescriptionsFail) {
  struct Case {
    LONG width, height;
    WORD bits, planes;
    DWORD compression;
    UINT usage;
  } cases[] = {
      {4, 4, 2, 1, BI_RGB, DIB_RGB_COLORS},       {4, 4, 24, 1, BI_BITFIELDS, DIB_RGB_COLORS},
      {0, 4, 24, 1, BI_RGB, DIB_RGB_COLORS},      {4, 0, 24, 1, BI_RGB, DIB_RGB_COLORS},
      {4, 4, 24, 2, BI_RGB, DIB_RGB_COLORS},      {4, 4, 8, 1, BI_RLE8, DIB_RGB_COLORS},
      {4, 4, 24, 1, BI_RGB, 2},
      // Rows whose byte count overflows 32 bits, and sections too large for memory.
      {0x06000003, 2, 24, 1, BI_RGB, DIB_RGB_COLORS}, {0x7FFFFFFF, 1, 32, 1, BI_RGB, DIB_RGB_COLORS},
      {65536, -65536, 32, 1, BI_RGB, DIB_RGB_COLORS},
  };
  for (const Case &c : cases) {
    Info info = MakeInfo(c.width, c.height, c.bits, c.compression);
    info.header.biPlanes = c.planes;
    void *bits = &info;
    EXPECT_EQ(nullptr, MakeDib(info, &bits, c.usage)) << c.bits << " bits, compression " << c.compression;
    EXPECT_EQ(nullptr, bits);
  }
}

TEST_F(GdiTest, DeviceDependentBitmapHasNoBits) {
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_EQ(OBJ_DC, GetObjectType(display));
  HBITMAP bitmap = CreateCompatibleBitmap(display, 5, 3);
  ASSERT_EQ(OBJ_BITMAP, GetObjectType(bitmap));
  DIBSECTION ds;
  memset(&ds, 0xCC, sizeof ds);
  ASSERT_EQ(24, GetObjectA(bitmap, sizeof ds, &ds));
  EXPECT_EQ(5, ds.dsBm.bmWidth);
  EXPECT_EQ(3, ds.dsBm.bmHeight);
  EXPECT_EQ(16, ds.dsBm.bmBitsPixel);  // the display's depth
  EXPECT_EQ(10, ds.dsBm.bmWidthBytes);
  EXPECT_EQ(nullptr, ds.dsBm.bmBits);
  EXPECT_EQ(0xCCCCCCCCu, ds.dsBmih.biSize);  // nothing past the BITMAP
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(display));
}

// Device-dependent bitmaps above the DIB sections' limit fail as the platform's do when memory
// runs out, whatever their size's product comes to in 32 bits.
TEST_F(GdiTest, HugeDeviceDependentBitmapsFail) {
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  const struct {
    int width, height;
    UINT bits;
  } cases[] = {{100000, 100000, 16}, {0x7FFFFFFF, 2, 1}, {65536, 65536, 32}, {70000, 70000, 1}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.width);
    SetLastError(0);
    EXPECT_EQ(nullptr, CreateBitmap(c.width, c.height, 1, c.bits, nullptr));
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    if (c.bits != 16) continue;
    SetLastError(0);
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(display, c.width, c.height));
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
  }
  HBITMAP fits = CreateCompatibleBitmap(display, 4096, 4096);  // 32 MB
  EXPECT_NE(nullptr, fits);
  DeleteObject(fits);
  DeleteDC(display);
}

TEST_F(GdiTest, NewMemoryDcHoldsTheStockOneByOneBitmap) {
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  EXPECT_EQ(OBJ_MEMDC, GetObjectType(a));
  HGDIOBJ stock = GetCurrentObject(a, OBJ_BITMAP);
  EXPECT_EQ(stock, GetCurrentObject(b, OBJ_BITMAP));
  BITMAP bm;
  ASSERT_EQ(24, GetObjectA(stock, sizeof bm, &bm));
  EXPECT_EQ(1, bm.bmWidth);
  EXPECT_EQ(1, bm.bmHeight);
  EXPECT_EQ(1, bm.bmBitsPixel);
  EXPECT_TRUE(DeleteObject(stock));  // stock objects stay
  EXPECT_EQ(OBJ_BITMAP, GetObjectType(stock));
  EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), GetCurrentObject(a, OBJ_PAL));
  // A memory DC makes monochrome compatible bitmaps while it holds the stock bitmap.
  HBITMAP mono = CreateCompatibleBitmap(a, 8, 8);
  ASSERT_EQ(24, GetObjectA(mono, sizeof bm, &bm));
  EXPECT_EQ(1, bm.bmBitsPixel);
  DeleteObject(mono);
  DeleteDC(a);
  DeleteDC(b);
}

TEST_F(GdiTest, SelectedBitmapStaysUntilUnselected) {
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  Info info = MakeInfo(4, 4, 32);
  void *bits;
  HBITMAP bitmap = MakeDib(info, &bits);
  HGDIOBJ stock = SelectObject(a, bitmap);
  EXPECT_EQ(GetCurrentObject(b, OBJ_BITMAP), stock);
  EXPECT_EQ(bitmap, GetCurrentObject(a, OBJ_BITMAP));
  EXPECT_EQ(nullptr, SelectObject(b, bitmap));  // one DC at a time
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(OBJ_BITMAP, GetObjectType(bitmap));
  EXPECT_EQ(bitmap, SelectObject(a, stock));
  EXPECT_EQ(stock, SelectObject(b, bitmap));
  EXPECT_TRUE(DeleteDC(b));  // leaves the bitmap unselected
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(0, GetObjectType(bitmap));
  EXPECT_TRUE(DeleteDC(a));
  EXPECT_FALSE(DeleteDC(a));
}

TEST_F(GdiTest, SelectionRulesByDcAndBitmapKind) {
  HDC memory = CreateCompatibleDC(nullptr), display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  HBITMAP matching = CreateBitmap(2, 2, 1, 16, nullptr), other = CreateBitmap(2, 2, 1, 32, nullptr);
  EXPECT_EQ(nullptr, SelectObject(display, matching));  // only memory DCs hold bitmaps
  EXPECT_EQ(nullptr, SelectObject(memory, other));      // a DDB of another depth does not fit
  EXPECT_NE(nullptr, SelectObject(memory, matching));
  HPALETTE palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(nullptr, SelectObject(memory, palette));    // palettes go through SelectPalette
  DeleteDC(memory);
  DeleteDC(display);
  DeleteObject(matching);
  DeleteObject(other);
}

TEST_F(GdiTest, ColourTables) {
  HDC dc = CreateCompatibleDC(nullptr);
  struct {
    LOGPALETTE header;
    PALETTEENTRY more[3];
  } logical = {{0x300, 4, {{10, 20, 30, 0}}}, {{40, 50, 60, 0}, {70, 80, 90, 0}, {1, 2, 3, 0}}};
  HPALETTE palette = CreatePalette(&logical.header);
  SelectPalette(dc, palette, FALSE);
  // DIB_PAL_COLORS: the table holds indices into the DC's palette.
  Info info = MakeInfo(2, 2, 1);
  WORD *indices = reinterpret_cast<WORD *>(info.table);
  indices[0] = 3, indices[1] = 1;
  void *bits;
  HBITMAP bitmap = MakeDib(info, &bits, DIB_PAL_COLORS, dc);
  ASSERT_NE(nullptr, bitmap);
  SelectObject(dc, bitmap);
  RGBQUAD table[4] = {};
  ASSERT_EQ(2u, GetDIBColorTable(dc, 0, 4, table));
  EXPECT_EQ(1, table[0].rgbRed);
  EXPECT_EQ(3, table[0].rgbBlue);
  EXPECT_EQ(40, table[1].rgbRed);
  RGBQUAD replace = {7, 8, 9, 0};
  EXPECT_EQ(1u, SetDIBColorTable(dc, 1, 5, &replace));
  ASSERT_EQ(1u, GetDIBColorTable(dc, 1, 1, table));
  EXPECT_EQ(9, table[0].rgbRed);
  EXPECT_EQ(0u, SetDIBColorTable(dc, 2, 1, &replace));

  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  HGDIOBJ stock = CreateCompatibleBitmap(dc, 0, 0);  // the stock bitmap
  SelectObject(dc, stock);
  DeleteObject(bitmap);
  DeleteObject(palette);
  DeleteDC(dc);
}

TEST_F(GdiTest, Palettes) {
  struct {
    LOGPALETTE header;
    PALETTEENTRY more[1];
  } logical = {{0x300, 2, {{1, 2, 3, PC_NOCOLLAPSE}}}, {{4, 5, 6, 0}}};
  HPALETTE palette = CreatePalette(&logical.header);
  ASSERT_EQ(OBJ_PAL, GetObjectType(palette));
  WORD count = 0;
  EXPECT_EQ(2, GetObjectA(palette, sizeof count, &count));
  EXPECT_EQ(2, count);
  PALETTEENTRY entries[3] = {};
  EXPECT_EQ(2u, GetPaletteEntries(palette, 0, 3, entries));
  EXPECT_EQ(4, entries[1].peRed);
  EXPECT_EQ(PC_NOCOLLAPSE, entries[0].peFlags);
  PALETTEENTRY changed = {9, 9, 9, 0};
  EXPECT_EQ(1u, SetPaletteEntries(palette, 1, 1, &changed));
  EXPECT_TRUE(ResizePalette(palette, 3));
  EXPECT_EQ(3u, GetPaletteEntries(palette, 0, 0, nullptr));
  EXPECT_EQ(1u, GetPaletteEntries(palette, 1, 1, entries));
  EXPECT_EQ(9, entries[0].peRed);

  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE stock = SelectPalette(dc, palette, FALSE);
  EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), stock);
  EXPECT_EQ(20u, GetPaletteEntries(stock, 0, 0, nullptr));
  EXPECT_FALSE(DeleteObject(palette));  // still selected
  SelectPalette(dc, stock, FALSE);
  EXPECT_TRUE(DeleteObject(palette));
  DeleteDC(dc);
}

TEST_F(GdiTest, DeviceCapsFollowTheDisplayMode) {
  struct Case {
    DWORD bits;
    int width, height;
    int rcPalette, sizePalette, numColors;
  } cases[] = {{16, 1024, 768, 0, 0, -1}, {8, 640, 480, RC_PALETTE, 256, 20}, {32, 1280, 1024, 0, 0, -1}};
  for (const Case &c : cases) {
    StandinSetDisplayMode(c.bits, c.width, c.height, FALSE);
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr), memory = CreateCompatibleDC(display);
    for (HDC dc : {display, memory}) {
      SCOPED_TRACE(testing::Message() << c.bits << " bits, kind " << GetObjectType(dc));
      EXPECT_EQ(int(c.bits), GetDeviceCaps(dc, BITSPIXEL));
      EXPECT_EQ(1, GetDeviceCaps(dc, PLANES));
      EXPECT_EQ(c.width, GetDeviceCaps(dc, HORZRES));
      EXPECT_EQ(c.height, GetDeviceCaps(dc, VERTRES));
      EXPECT_EQ(DT_RASDISPLAY, GetDeviceCaps(dc, TECHNOLOGY));
      EXPECT_EQ(c.rcPalette, GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE);
      EXPECT_NE(0, GetDeviceCaps(dc, RASTERCAPS) & RC_DI_BITMAP);
      EXPECT_EQ(c.sizePalette, GetDeviceCaps(dc, SIZEPALETTE));
      EXPECT_EQ(c.numColors, GetDeviceCaps(dc, NUMCOLORS));
      PALETTEENTRY system[256];
      EXPECT_EQ(c.rcPalette ? 256u : 0u, GetSystemPaletteEntries(dc, 0, 256, system));
    }
    DeleteDC(memory);
    DeleteDC(display);
  }
  StandinReset();
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  EXPECT_EQ(16, GetDeviceCaps(display, BITSPIXEL));
  DeleteDC(display);
}

TEST_F(GdiTest, BitBltCopiesBetweenDibSections) {
  // Source bottom-up, destination top-down: rows are matched top to top.
  Info srcInfo = MakeInfo(4, 3, 32), dstInfo = MakeInfo(4, -3, 32);
  DWORD *src, *dst;
  HBITMAP srcBitmap = MakeDib(srcInfo, reinterpret_cast<void **>(&src));
  HBITMAP dstBitmap = MakeDib(dstInfo, reinterpret_cast<void **>(&dst));
  for (int i = 0; i < 12; ++i) src[i] = 0x100 + i;  // storage row 0 is the bottom row
  HDC srcDc = CreateCompatibleDC(nullptr), dstDc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldSrc = SelectObject(srcDc, srcBitmap), oldDst = SelectObject(dstDc, dstBitmap);

  // A 3x3 copy to (1, 1) is clipped to 3x2 by the destination.
  ASSERT_TRUE(BitBlt(dstDc, 1, 1, 3, 3, srcDc, 0, 0, SRCCOPY));
  const DWORD expected[12] = {0, 0, 0, 0, 0, 0x108, 0x109, 0x10A, 0, 0x104, 0x105, 0x106};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(expected[i], dst[i]) << "pixel " << i;
  EXPECT_EQ(RGB(0x00, 0x01, 0x08), GetPixel(dstDc, 1, 1));

  ASSERT_EQ(1, StandinBlitCount());
  StandinBlit blit;
  ASSERT_TRUE(StandinGetBlit(0, &blit));
  EXPECT_EQ(STANDIN_BLIT_BITBLT, blit.kind);
  EXPECT_EQ(dstDc, blit.dest);
  EXPECT_EQ(srcDc, blit.source);
  EXPECT_EQ(1, blit.x);
  EXPECT_EQ(3, blit.width);
  EXPECT_EQ(DWORD(SRCCOPY), blit.rop);
  EXPECT_EQ(3, blit.pixelHeader.biHeight);
  ASSERT_EQ(48u, blit.pixelBytes);
  EXPECT_EQ(0x100u, static_cast<const DWORD *>(blit.pixels)[0]);

  // Different depths: recorded, not copied.
  Info otherInfo = MakeInfo(4, 3, 16);
  void *other;
  HBITMAP otherBitmap = MakeDib(otherInfo, &other);
  SelectObject(srcDc, otherBitmap);
  memset(other, 0xFF, 24);
  ASSERT_TRUE(BitBlt(dstDc, 0, 0, 4, 3, srcDc, 0, 0, SRCCOPY));
  EXPECT_EQ(0u, dst[0]);
  EXPECT_EQ(2, StandinBlitCount());

  SelectObject(srcDc, oldSrc);
  SelectObject(dstDc, oldDst);
  DeleteObject(srcBitmap);
  DeleteObject(dstBitmap);
  DeleteObject(otherBitmap);
  DeleteDC(srcDc);
  DeleteDC(dstDc);
}

TEST_F(GdiTest, DibBlitsToADeviceAreRecordedWithTheirPixels) {
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  Info info = MakeInfo(2, -2, 24);
  BYTE pixels[16] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  EXPECT_EQ(2, StretchDIBits(display, 5, 6, 4, 4, 0, 0, 2, 2, pixels, reinterpret_cast<BITMAPINFO *>(&info),
                             DIB_RGB_COLORS, SRCCOPY));
  EXPECT_EQ(1, SetDIBitsToDevice(display, 0, 0, 2, 1, 0, 0, 0, 1, pixels, reinterpret_cast<BITMAPINFO *>(&info),
                                 DIB_RGB_COLORS));
  pixels[0] = 99;  // captured at the call
  ASSERT_EQ(2, StandinBlitCount());
  StandinBlit blits[2];
  ASSERT_TRUE(StandinGetBlit(0, &blits[0]));
  ASSERT_TRUE(StandinGetBlit(1, &blits[1]));
  EXPECT_FALSE(StandinGetBlit(2, &blits[1]));
  EXPECT_EQ(STANDIN_BLIT_STRETCHDIBITS, blits[0].kind);
  EXPECT_EQ(display, blits[0].dest);
  EXPECT_EQ(nullptr, blits[0].destWindow);
  EXPECT_EQ(4, blits[0].width);
  EXPECT_EQ(2, blits[0].srcWidth);
  EXPECT_EQ(-2, blits[0].pixelHeader.biHeight);
  ASSERT_EQ(16u, blits[0].pixelBytes);
  EXPECT_EQ(1, static_cast<const BYTE *>(blits[0].pixels)[0]);
  EXPECT_EQ(STANDIN_BLIT_SETDIBITSTODEVICE, blits[1].kind);
  EXPECT_EQ(1u, blits[1].lines);
  EXPECT_EQ(8u, blits[1].pixelBytes);
  StandinReset();
  EXPECT_EQ(0, StandinBlitCount());
  DeleteDC(display);
}

TEST_F(GdiTest, RectangleRegionData) {
  HRGN region = CreateRectRgn(10, 20, 30, 25);
  ASSERT_EQ(OBJ_REGION, GetObjectType(region));
  DWORD size = GetRegionData(region, 0, nullptr);
  ASSERT_EQ(48u, size);
  std::vector<BYTE> block(size);
  RGNDATA *data = reinterpret_cast<RGNDATA *>(block.data());
  ASSERT_EQ(size, GetRegionData(region, size, data));
  EXPECT_EQ(32u, data->rdh.dwSize);
  EXPECT_EQ(DWORD(RDH_RECTANGLES), data->rdh.iType);
  EXPECT_EQ(1u, data->rdh.nCount);
  EXPECT_EQ(16u, data->rdh.nRgnSize);
  const RECT *rect = reinterpret_cast<const RECT *>(data->Buffer);
  EXPECT_EQ(10, rect->left);
  EXPECT_EQ(25, rect->bottom);
  EXPECT_EQ(30, data->rdh.rcBound.right);
  DeleteObject(region);
}

TEST_F(GdiTest, OtherDcKinds) {
  HDC info = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  HDC meta = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(OBJ_DC, GetObjectType(info));
  EXPECT_EQ(OBJ_ENHMETADC, GetObjectType(meta));
  EXPECT_EQ(nullptr, CreateDCA("WINSPOOL", "printer", nullptr, nullptr));
  HENHMETAFILE file = CloseEnhMetaFile(meta);
  EXPECT_EQ(OBJ_ENHMETAFILE, GetObjectType(file));
  EXPECT_EQ(0, GetObjectType(meta));
  EXPECT_TRUE(DeleteEnhMetaFile(file));
  EXPECT_TRUE(DeleteDC(info));
  EXPECT_EQ(0, GetObjectType(nullptr));
}

}  // namespace

// The DIB calls read only what the bitmap holds: a 12-byte core header is widened, compressed
// bits are biSizeImage bytes, lines past the bitmap are not read, and source rectangles are
// clipped to the bitmap.
TEST_F(GdiTest, DibBlitsReadNoMoreThanTheBitmapHolds) {
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  BYTE bits[64] = {};
  struct {
    BITMAPCOREHEADER header;
    BYTE table[16 * 3];
  } core{{sizeof(BITMAPCOREHEADER), 3, 2, 1, 4}, {}};
  const BITMAPINFO *coreInfo = reinterpret_cast<const BITMAPINFO *>(&core);
  Info rle = MakeInfo(4, 2, 8, BI_RLE8);
  rle.header.biSizeImage = 6;
  Info rgb = MakeInfo(4, 3, 24);
  struct Case {
    const char *name;
    bool stretch;
    const BITMAPINFO *info;
    int srcX, srcY, srcWidth, srcHeight;
    UINT lines;
    LONG wantWidth, wantHeight;
    DWORD wantBytes;
    int wantSrcX, wantSrcY, wantSrcWidth, wantSrcHeight;
  } cases[] = {
      {"core copy", false, coreInfo, 0, 0, 3, 2, 2, 3, 2, 8, 0, 0, 3, 2},
      {"core stretch", true, coreInfo, 0, 0, 3, 2, 0, 3, 2, 8, 0, 0, 3, 2},
      {"rle copy", false, reinterpret_cast<const BITMAPINFO *>(&rle), 0, 0, 4, 2, 2, 4, 2, 6, 0, 0, 4, 2},
      {"rle stretch", true, reinterpret_cast<const BITMAPINFO *>(&rle), 0, 0, 4, 2, 0, 4, 2, 6, 0, 0, 4, 2},
      {"lines past the bitmap", false, reinterpret_cast<const BITMAPINFO *>(&rgb), 0, 0, 4, 3, 10, 4, 3, 36, 0, 0, 4, 3},
      {"source clipped", true, reinterpret_cast<const BITMAPINFO *>(&rgb), 1, 1, 10, 10, 0, 4, 3, 36, 1, 1, 3, 2},
      {"source outside", false, reinterpret_cast<const BITMAPINFO *>(&rgb), -8, 5, 4, 4, 3, 4, 3, 36, 0, 3, 0, 0},
  };
  for (const Case &c : cases) {
    StandinReset();
    if (c.stretch)
      ASSERT_NE(0, StretchDIBits(display, 0, 0, 8, 8, c.srcX, c.srcY, c.srcWidth, c.srcHeight, bits, c.info,
                                 DIB_RGB_COLORS, SRCCOPY)) << c.name;
    else
      ASSERT_EQ(int(c.wantHeight), SetDIBitsToDevice(display, 0, 0, c.srcWidth, c.srcHeight, c.srcX, c.srcY, 0,
                                                     c.lines, bits, c.info, DIB_RGB_COLORS)) << c.name;
    StandinBlit blit;
    ASSERT_TRUE(StandinGetBlit(0, &blit)) << c.name;
    EXPECT_EQ(DWORD(sizeof(BITMAPINFOHEADER)), blit.pixelHeader.biSize) << c.name;
    EXPECT_EQ(c.wantWidth, blit.pixelHeader.biWidth) << c.name;
    EXPECT_EQ(c.wantHeight, blit.pixelHeader.biHeight) << c.name;
    EXPECT_EQ(c.wantBytes, blit.pixelBytes) << c.name;
    EXPECT_EQ(c.wantSrcX, blit.srcX) << c.name;
    EXPECT_EQ(c.wantSrcY, blit.srcY) << c.name;
    EXPECT_EQ(c.wantSrcWidth, blit.srcWidth) << c.name;
    EXPECT_EQ(c.wantSrcHeight, blit.srcHeight) << c.name;
  }
  DeleteDC(display);
}
