// Bitmap readers: LoadRgbImage for every depth, header form and orientation; the packed-bitmap
// reader, palette and painting; and hostile files, which must fail cleanly and release all.
#include <memory>

#include "dib.h"
#include "tools_fixture.h"

namespace {

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};

struct BmpLayout {
  const char *what;
  uint32_t headerSize;  // 40 or 12
  int bits;
  uint32_t compression;  // BI_RGB or BI_BITFIELDS
  int width, height;     // height > 0; topDown stores it negated
  bool topDown;
  bool fileHeader;
  uint32_t coloursUsed;  // full form only
  uint32_t gap;          // bytes between the colour table and the pixels (with a file header)
};

int TableEntries(const BmpLayout &s) {
  if (s.headerSize == 40 && s.coloursUsed) return int(s.coloursUsed);
  return s.bits <= 8 ? 1 << s.bits : 0;
}

Rgb PaletteColour(int i) { return Rgb{uint8_t(17 * i + 3), uint8_t(250 - 9 * i), uint8_t(i * i)}; }

int PaletteIndex(const BmpLayout &s, int x, int row) { return (x + 3 * row) % TableEntries(s); }

// The picture every layout stores, by column and row from the top.
Rgb Picture(const BmpLayout &s, int x, int row) {
  if (s.bits <= 8) return PaletteColour(PaletteIndex(s, x, row));
  if (s.bits == 16)  // full or empty channels convert exactly from 5 or 6 bits
    return Rgb{uint8_t((x + row) & 1 ? 255 : 0), uint8_t(x & 2 ? 255 : 0), uint8_t(row & 1 ? 255 : 0)};
  return Rgb{uint8_t(x * 40 + row), uint8_t(row * 50 + 7), uint8_t(x * x + row * 3 + 100)};
}

// 32-bit bit fields in red-green-blue byte order, unlike the default layout.
const uint32_t kMasks32[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};
const uint32_t kMasks16[3] = {0xF800, 0x07E0, 0x001F};

void PutPixel(const BmpLayout &s, uint8_t *row, int x, const Rgb &c, int index) {
  switch (s.bits) {
    case 1: row[x / 8] |= uint8_t(index << (7 - x % 8)); break;
    case 4: row[x / 2] |= uint8_t(index << (x % 2 ? 0 : 4)); break;
    case 8: row[x] = uint8_t(index); break;
    case 16: {
      uint32_t v = s.compression == BI_BITFIELDS ? (c.r ? 0xF800 : 0) | (c.g ? 0x07E0 : 0) | (c.b ? 0x001F : 0)
                                                 : (c.r ? 0x7C00 : 0) | (c.g ? 0x03E0 : 0) | (c.b ? 0x001F : 0);
      row[2 * x] = uint8_t(v), row[2 * x + 1] = uint8_t(v >> 8);
      break;
    }
    case 24: row[3 * x] = c.b, row[3 * x + 1] = c.g, row[3 * x + 2] = c.r; break;
    case 32:
      if (s.compression == BI_BITFIELDS) row[4 * x] = c.r, row[4 * x + 1] = c.g, row[4 * x + 2] = c.b;
      else row[4 * x] = c.b, row[4 * x + 1] = c.g, row[4 * x + 2] = c.r;
      break;
  }
}

Bytes MakeBmp(const BmpLayout &s) {
  Bytes info;
  if (s.headerSize == 40) {
    Put32(info, 40), Put32(info, uint32_t(s.width)), Put32(info, uint32_t(s.topDown ? -s.height : s.height));
    Put16(info, 1), Put16(info, uint32_t(s.bits)), Put32(info, s.compression), Put32(info, 0);
    Put32(info, 2835), Put32(info, 2835), Put32(info, s.coloursUsed), Put32(info, 0);
    if (s.compression == BI_BITFIELDS)
      for (uint32_t m : s.bits == 16 ? kMasks16 : kMasks32) Put32(info, m);
  } else {
    Put32(info, 12), Put16(info, uint32_t(s.width)), Put16(info, uint32_t(s.height)), Put16(info, 1);
    Put16(info, uint32_t(s.bits));
  }
  for (int i = 0; i < TableEntries(s); ++i) {
    Rgb c = PaletteColour(i);
    info.push_back(c.b), info.push_back(c.g), info.push_back(c.r);
    if (s.headerSize == 40) info.push_back(0);
  }
  info.insert(info.end(), s.gap, 0xCC);
  const size_t stride = (size_t(s.width) * s.bits + 31) / 32 * 4;
  const size_t pixelsAt = info.size();
  info.resize(pixelsAt + stride * s.height, 0);
  for (int stored = 0; stored < s.height; ++stored) {
    const int row = s.topDown ? stored : s.height - 1 - stored;
    for (int x = 0; x < s.width; ++x)
      PutPixel(s, &info[pixelsAt + stored * stride], x, Picture(s, x, row), s.bits <= 8 ? PaletteIndex(s, x, row) : 0);
  }
  if (!s.fileHeader) return info;
  Bytes file;
  Put16(file, 0x4D42), Put32(file, uint32_t(14 + info.size())), Put32(file, 0), Put32(file, uint32_t(14 + pixelsAt));
  file.insert(file.end(), info.begin(), info.end());
  return file;
}

// Every resource LoadRgbImage takes, to see that each path gives all back.
struct Held {
  int handles = StandinOpenHandleCount(), views = StandinMappedViewCount(), local = StandinLocalLiveBlocks(),
      gdi = StandinGdiObjectCount(), dcs = StandinDcCount();
  void ExpectReleased(const char *what) const {
    EXPECT_EQ(handles, StandinOpenHandleCount()) << what;
    EXPECT_EQ(views, StandinMappedViewCount()) << what;
    EXPECT_EQ(local, StandinLocalLiveBlocks()) << what;
    EXPECT_EQ(gdi, StandinGdiObjectCount()) << what;
    EXPECT_EQ(dcs, StandinDcCount()) << what;
  }
};

void ExpectPicture(const BmpLayout &s, const RgbImage *image) {
  ASSERT_NE(nullptr, image) << s.what;
  ASSERT_EQ(s.width, image->width) << s.what;
  ASSERT_EQ(s.height, image->height) << s.what;
  for (int y = 0; y < s.height; ++y)  // the bottom row first
    for (int x = 0; x < s.width; ++x) {
      const uint8_t *p = image->data + (size_t(y) * s.width + x) * 3;
      const Rgb want = Picture(s, x, s.height - 1 - y);
      ASSERT_TRUE(want == (Rgb{p[0], p[1], p[2]})) << s.what << " at " << x << "," << y;
    }
}

using DibTest = ToolsTest;

TEST_F(DibTest, LoadRgbImageReadsEveryDepthFormAndOrientation) {
  const BmpLayout layouts[] = {
      {"1-bit", 40, 1, BI_RGB, 11, 3, false, true, 0, 0},
      {"4-bit", 40, 4, BI_RGB, 5, 3, false, true, 0, 0},
      {"8-bit, 5 colours used", 40, 8, BI_RGB, 4, 3, false, true, 5, 0},
      {"8-bit top-down", 40, 8, BI_RGB, 3, 4, true, true, 0, 0},
      {"16-bit 5-5-5", 40, 16, BI_RGB, 3, 2, false, true, 0, 0},
      {"16-bit bit fields 5-6-5", 40, 16, BI_BITFIELDS, 5, 2, false, true, 0, 0},
      {"24-bit, 3 wide (padded rows)", 40, 24, BI_RGB, 3, 2, false, true, 0, 0},
      {"24-bit, 4 wide", 40, 24, BI_RGB, 4, 2, false, true, 0, 0},
      {"24-bit top-down", 40, 24, BI_RGB, 5, 3, true, true, 0, 0},
      {"24-bit, pixels found through the file header", 40, 24, BI_RGB, 2, 2, false, true, 0, 8},
      {"24-bit with an optional table", 40, 24, BI_RGB, 2, 2, false, true, 3, 0},
      {"32-bit", 40, 32, BI_RGB, 3, 3, false, true, 0, 0},
      {"32-bit bit fields", 40, 32, BI_BITFIELDS, 3, 2, false, true, 0, 0},
      {"core 1-bit", 12, 1, BI_RGB, 9, 2, false, true, 0, 0},
      {"core 4-bit", 12, 4, BI_RGB, 3, 3, false, true, 0, 0},
      {"core 8-bit", 12, 8, BI_RGB, 3, 2, false, true, 0, 0},
      {"core 24-bit", 12, 24, BI_RGB, 3, 2, false, true, 0, 0},
      {"packed 8-bit", 40, 8, BI_RGB, 5, 2, false, false, 7, 0},
      {"packed core 4-bit", 12, 4, BI_RGB, 3, 2, false, false, 0, 0},
      {"packed 16-bit bit fields", 40, 16, BI_BITFIELDS, 3, 2, false, false, 0, 0},
      {"packed 24-bit top-down", 40, 24, BI_RGB, 3, 3, true, false, 0, 0},
  };
  for (const BmpLayout &s : layouts) {
    WriteFile("image.bmp", MakeBmp(s));
    Held held;
    RgbImage *image = LoadRgbImage("image.bmp");
    ExpectPicture(s, image);
    held.ExpectReleased(s.what);
    FreeRgbImage(image);
  }
  EXPECT_EQ(0, StandinMessageBoxCount());
}

TEST_F(DibTest, LoadRgbImageExpandsRunLengthData) {
  struct Case {
    const char *what;
    uint32_t compression;
    int bits, width, height;
    Bytes data;
    std::vector<int> indices;  // bottom row first; -1: skipped, left black
  } cases[] = {
      {"RLE8: run, absolute run, end of line, end of bitmap", BI_RLE8, 8, 5, 2,
       {2, 1, 0, 3, 2, 3, 0, 0, 0, 0, 5, 3, 0, 1},
       {1, 1, 2, 3, 0, 3, 3, 3, 3, 3}},
      {"RLE4: alternating run, delta, absolute run", BI_RLE4, 4, 5, 2,
       {5, 0x12, 0, 0, 0, 2, 1, 0, 0, 3, 0x45, 0x60, 0, 1},
       {1, 2, 1, 2, 1, -1, 4, 5, 6, -1}},
  };
  for (const Case &c : cases) {
    Bytes file;
    const uint32_t pixelsAt = 14 + 40 + 16 * 4;
    Put16(file, 0x4D42), Put32(file, uint32_t(pixelsAt + c.data.size())), Put32(file, 0), Put32(file, pixelsAt);
    Put32(file, 40), Put32(file, uint32_t(c.width)), Put32(file, uint32_t(c.height)), Put16(file, 1);
    Put16(file, uint32_t(c.bits)), Put32(file, c.compression), Put32(file, uint32_t(c.data.size()));
    Put32(file, 0), Put32(file, 0), Put32(file, 16), Put32(file, 0);
    for (int i = 0; i < 16; ++i) {
      Rgb colour = PaletteColour(i);
      file.push_back(colour.b), file.push_back(colour.g), file.push_back(colour.r), file.push_back(0);
    }
    file.insert(file.end(), c.data.begin(), c.data.end());
    WriteFile("rle.bmp", file);
    RgbImage *image = LoadRgbImage("rle.bmp");
    ASSERT_NE(nullptr, image) << c.what;
    for (size_t i = 0; i < c.indices.size(); ++i) {
      const uint8_t *p = image->data + 3 * i;
      const Rgb want = c.indices[i] < 0 ? Rgb{0, 0, 0} : PaletteColour(c.indices[i]);
      EXPECT_TRUE(want == (Rgb{p[0], p[1], p[2]})) << c.what << " pixel " << i;
    }
    FreeRgbImage(image);
  }
}

// Offsets in a bitmap file with a file header: the information header starts at 14.
constexpr size_t kPixelOffsetAt = 10, kHeaderSizeAt = 14, kWidthAt = 18, kHeightAt = 22, kBitsAt = 28,
                 kCompressionAt = 30, kColoursUsedAt = 46;

Bytes With(Bytes b, size_t at, uint32_t value, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) b[at + i] = uint8_t(value >> (8 * i));
  return b;
}

struct HostileCase {
  const char *what;
  Bytes bytes;
  const char *message;
};

// Damaged versions of a sound 8-bit file (5 x 3, 256 colours).
std::vector<HostileCase> HostileBitmaps() {
  const Bytes sound = MakeBmp({"8-bit", 40, 8, BI_RGB, 5, 3, false, true, 0, 0});
  const char *unknown = "Unknown DIB file format.";
  const char *conversion = "Image file conversion error.";
  return {
      {"108-byte header", With(sound, kHeaderSizeAt, 108), unknown},
      {"124-byte header", With(sound, kHeaderSizeAt, 124), unknown},
      {"header cut short", Bytes(sound.begin(), sound.begin() + 30), unknown},
      {"file header alone", Bytes(sound.begin(), sound.begin() + 14), unknown},
      {"only the magic", Bytes(sound.begin(), sound.begin() + 2), unknown},
      {"zero width", With(sound, kWidthAt, 0), unknown},
      {"negative width", With(sound, kWidthAt, uint32_t(-5)), unknown},
      {"zero height", With(sound, kHeightAt, 0), unknown},
      {"lowest height", With(sound, kHeightAt, 0x80000000u), unknown},
      {"bit count 7", With(sound, kBitsAt, 7, 2), unknown},
      {"JPEG compression", With(sound, kCompressionAt, 4), unknown},
      {"RLE8 on a 24-bit header", With(With(sound, kBitsAt, 24, 2), kCompressionAt, BI_RLE8), unknown},
      {"colour count beyond 16 bits", With(sound, kColoursUsedAt, 0x10000), unknown},
      {"colour table past the end", With(sound, kColoursUsedAt, 60000), unknown},
      {"size overflowing 32 bits", With(With(sound, kWidthAt, 0x40000000), kHeightAt, 0x40), unknown},
      {"pixel offset past the end", With(sound, kPixelOffsetAt, 0xFFFFFFF0u), conversion},
      {"pixel rows cut short", Bytes(sound.begin(), sound.end() - 1), conversion},
      {"taller than its rows", With(sound, kHeightAt, 4), conversion},
  };
}

TEST_F(DibTest, LoadRgbImageRefusesDamagedFilesAndReleasesEverything) {
  for (const HostileCase &c : HostileBitmaps()) {
    StandinReset();
    WriteFile("bad.bmp", c.bytes);
    Held held;
    EXPECT_EQ(nullptr, LoadRgbImage("bad.bmp")) << c.what;
    held.ExpectReleased(c.what);
    ASSERT_EQ(1, StandinMessageBoxCount()) << c.what;
    EXPECT_STREQ(c.message, StandinMessageBoxText(0)) << c.what;
    EXPECT_STREQ("Error", StandinMessageBoxCaption(0));
    EXPECT_EQ(UINT(MB_OK), StandinMessageBoxType(0));
  }
}

TEST_F(DibTest, LoadRgbImageReportsFilesThatDoNotOpen) {
  WriteFile("empty.bmp", Bytes());
  const BmpLayout s{"24-bit", 40, 24, BI_RGB, 2, 2, false, true, 0, 0};
  WriteFile("wide.bmp", MakeBmp(s));
  struct Case {
    const char *name, *message;
  } cases[] = {{"missing.bmp", "Failed to open DIB file missing.bmp.\n"},
               {"empty.bmp", "Failed to open DIB file empty.bmp.\n"}};
  for (const Case &c : cases) {
    StandinReset();
    Held held;
    EXPECT_EQ(nullptr, LoadRgbImage(c.name));
    held.ExpectReleased(c.name);
    ASSERT_EQ(1, StandinMessageBoxCount());
    EXPECT_STREQ(c.message, StandinMessageBoxText(0));
  }
  StandinReset();
  EXPECT_EQ(nullptr, LoadRgbImageW(L"missing.bmp"));
  EXPECT_STREQ("Failed to open DIB file missing.bmp.\n", StandinMessageBoxText(0));
  RgbImage *image = LoadRgbImageW(L"wide.bmp");
  ExpectPicture(s, image);
  FreeRgbImage(image);
}

// ReadDibFile through a C stream, as the editor opens tile bitmaps.
HGLOBAL ReadDib(const Bytes &bytes) {
  ToolsTest::WriteFile("map.bmp", bytes);
  FILE *f = fopen("map.bmp", "rb");
  if (!f) return nullptr;
  HGLOBAL dib = ReadDibFile(f);
  fclose(f);
  return dib;
}

TEST_F(DibTest, PackedBitmapKeepsTheFileAfterItsFileHeader) {
  struct Case {
    BmpLayout layout;
    WORD colours;
    DWORD bitsAt;
  } cases[] = {
      {{"8-bit", 40, 8, BI_RGB, 5, 3, false, true, 0, 0}, 256, 40 + 1024},
      {{"8-bit, 7 colours used", 40, 8, BI_RGB, 5, 3, false, true, 7, 0}, 7, 40 + 28},
      {{"core 4-bit", 12, 4, BI_RGB, 4, 2, false, true, 0, 0}, 16, 12 + 48},
      {{"16-bit bit fields", 40, 16, BI_BITFIELDS, 3, 2, false, true, 0, 0}, 0, 40 + 12},
      {{"24-bit top-down", 40, 24, BI_RGB, 3, 2, true, true, 0, 0}, 0, 40},
  };
  for (const Case &c : cases) {
    const Bytes file = MakeBmp(c.layout);
    HGLOBAL dib = ReadDib(file);
    ASSERT_NE(nullptr, dib) << c.layout.what;
    const BYTE *p = static_cast<const BYTE *>(GlobalLock(dib));
    EXPECT_EQ(0, memcmp(p, file.data() + 14, file.size() - 14)) << c.layout.what;
    EXPECT_EQ(c.colours, DibColorCount(p)) << c.layout.what;
    EXPECT_EQ(c.bitsAt, DWORD(DibBits(p) - p)) << c.layout.what;
    EXPECT_EQ(c.layout.topDown ? -c.layout.height : c.layout.height, DibHeight(p)) << c.layout.what;
    GlobalUnlock(dib);
    GlobalFree(dib);
  }
}

TEST_F(DibTest, ReadDibFileRefusesDamagedFilesWithoutKeepingMemory) {
  std::vector<HostileCase> cases = HostileBitmaps();
  cases.push_back({"no magic", With(MakeBmp({"8", 40, 8, BI_RGB, 2, 2, false, true, 0, 0}), 0, 0x4D43, 2), ""});
  cases.push_back({"empty", Bytes(), ""});
  for (const HostileCase &c : cases) {
    if (std::string(c.what) == "pixel offset past the end") continue;  // the packed form ignores it
    const int blocks = StandinGlobalLiveBlocks();
    EXPECT_EQ(nullptr, ReadDib(c.bytes)) << c.what;
    EXPECT_EQ(blocks, StandinGlobalLiveBlocks()) << c.what;
  }
  StandinFailNextGlobalAlloc();
  EXPECT_EQ(nullptr, ReadDib(MakeBmp({"8", 40, 8, BI_RGB, 2, 2, false, true, 0, 0})));
}

TEST_F(DibTest, PaletteComesFromTheColourTableInEitherForm) {
  const BmpLayout layouts[] = {{"full 4-bit, 9 used", 40, 4, BI_RGB, 2, 2, false, true, 9, 0},
                           {"core 8-bit", 12, 8, BI_RGB, 2, 2, false, true, 0, 0}};
  for (const BmpLayout &s : layouts) {
    HGLOBAL dib = ReadDib(MakeBmp(s));
    ASSERT_NE(nullptr, dib);
    const int blocks = StandinGlobalLiveBlocks();
    HPALETTE palette = nullptr;
    ASSERT_EQ(1, CreateDibPalette(dib, &palette)) << s.what;
    ASSERT_NE(nullptr, palette);
    EXPECT_EQ(blocks, StandinGlobalLiveBlocks()) << s.what;  // the temporary block is freed
    PALETTEENTRY entries[256];
    ASSERT_EQ(UINT(TableEntries(s)), GetPaletteEntries(palette, 0, 256, entries)) << s.what;
    for (int i = 0; i < TableEntries(s); ++i) {
      Rgb want = PaletteColour(i);
      EXPECT_TRUE(want == (Rgb{entries[i].peRed, entries[i].peGreen, entries[i].peBlue})) << s.what << i;
      EXPECT_EQ(0, entries[i].peFlags);
    }
    DeleteObject(palette);
    GlobalFree(dib);
  }
  // No colour table: nothing stored.
  HGLOBAL dib = ReadDib(MakeBmp({"24-bit", 40, 24, BI_RGB, 2, 2, false, true, 0, 0}));
  HPALETTE palette = reinterpret_cast<HPALETTE>(0x1234);
  EXPECT_EQ(0, CreateDibPalette(dib, &palette));
  EXPECT_EQ(reinterpret_cast<HPALETTE>(0x1234), palette);
  EXPECT_EQ(0, CreateDibPalette(nullptr, &palette));
  GlobalFree(dib);
}

TEST_F(DibTest, PaintDibCopiesEqualRectanglesAndStretchesOthers) {
  const BmpLayout s{"8-bit", 40, 8, BI_RGB, 8, 6, false, true, 0, 0};
  const Bytes file = MakeBmp(s);
  HGLOBAL dib = ReadDib(file);
  ASSERT_NE(nullptr, dib);
  HPALETTE palette = nullptr;
  ASSERT_EQ(1, CreateDibPalette(dib, &palette));
  HDC dc = CreateCompatibleDC(nullptr);
  const size_t pixelsAt = 14 + 40 + 1024;
  struct Case {
    RECT destination, source;
    int kind;
  } cases[] = {
      {{0, 0, 4, 3}, {2, 1, 6, 4}, STANDIN_BLIT_SETDIBITSTODEVICE},
      {{10, 20, 18, 26}, {0, 0, 8, 6}, STANDIN_BLIT_SETDIBITSTODEVICE},
      {{0, 0, 16, 6}, {0, 0, 8, 6}, STANDIN_BLIT_STRETCHDIBITS},
      {{0, 0, 8, 12}, {0, 0, 8, 6}, STANDIN_BLIT_STRETCHDIBITS},
  };
  for (const Case &c : cases) {
    StandinReset();
    ASSERT_NE(0, PaintDib(dc, &c.destination, dib, &c.source, palette));
    StandinBlit blit;
    ASSERT_TRUE(StandinGetBlit(0, &blit));
    EXPECT_EQ(c.kind, blit.kind);
    EXPECT_EQ(c.destination.left, blit.x);
    EXPECT_EQ(c.destination.top, blit.y);
    EXPECT_EQ(c.destination.right - c.destination.left, blit.width);
    EXPECT_EQ(c.destination.bottom - c.destination.top, blit.height);
    EXPECT_EQ(c.source.left, blit.srcX);
    if (c.kind == STANDIN_BLIT_SETDIBITSTODEVICE) {
      EXPECT_EQ(s.height - c.source.bottom, blit.srcY);  // scan lines count from the bottom
      EXPECT_EQ(0u, blit.startScan);
      EXPECT_EQ(UINT(s.height), blit.lines);
    } else {
      EXPECT_EQ(c.source.top, blit.srcY);
      EXPECT_EQ(c.source.right - c.source.left, blit.srcWidth);
      EXPECT_EQ(c.source.bottom - c.source.top, blit.srcHeight);
      EXPECT_EQ(DWORD(SRCCOPY), blit.rop);
    }
    EXPECT_EQ(UINT(DIB_RGB_COLORS), blit.usage);
    ASSERT_EQ(DWORD(file.size() - pixelsAt), blit.pixelBytes);  // the bits the bitmap holds
    EXPECT_EQ(0, memcmp(blit.pixels, file.data() + pixelsAt, blit.pixelBytes));
    EXPECT_EQ(COLORONCOLOR, GetStretchBltMode(dc));
    EXPECT_EQ(palette, GetCurrentObject(dc, OBJ_PAL));
  }
  RECT r{0, 0, 1, 1};
  EXPECT_EQ(0, PaintDib(dc, &r, nullptr, &r, nullptr));
  DeleteDC(dc);
  DeleteObject(palette);
  GlobalFree(dib);
}

}  // namespace
