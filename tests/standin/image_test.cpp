// Bitmaps from .bmp files and resources (LoadImageA, LoadBitmapA) and the DIB bits calls between
// them and bitmaps of every depth (SetDIBits, GetDIBits).
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "standin/control.h"
#include "standin/resources.h"

namespace {

// The eight colours every format holds exactly.
const COLORREF kColours[8] = {RGB(0, 0, 0),     RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(0, 0, 255),
                              RGB(255, 255, 0), RGB(0, 255, 255), RGB(255, 0, 255), RGB(255, 255, 255)};

// A picture, top row first.
struct Picture {
  int width, height;
  std::vector<COLORREF> pixels;
  COLORREF at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

Picture Colourful() {  // 5 x 3, every colour
  Picture p{5, 3, {}};
  for (int i = 0; i < 15; ++i) p.pixels.push_back(kColours[(i * 3) % 8]);
  return p;
}

Picture BlackAndWhite() {  // 9 x 2
  Picture p{9, 2, {}};
  for (int i = 0; i < 18; ++i) p.pixels.push_back(i % 3 ? RGB(255, 255, 255) : RGB(0, 0, 0));
  return p;
}

void Put16(std::vector<BYTE> *out, unsigned v) { out->push_back(BYTE(v)), out->push_back(BYTE(v >> 8)); }
void Put32(std::vector<BYTE> *out, DWORD v) { Put16(out, v & 0xFFFF), Put16(out, v >> 16); }
void Set32(std::vector<BYTE> *out, size_t at, DWORD v) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = BYTE(v >> (8 * i));
}

int IndexOf(COLORREF c) {
  for (int i = 0; i < 8; ++i)
    if (kColours[i] == c) return i;
  return -1;
}

DWORD Field(BYTE channel, DWORD mask) {
  int shift = __builtin_ctz(mask), width = __builtin_popcount(mask);
  return (DWORD(channel) >> (8 - width)) << shift;
}

enum Header { kInfo, kCore, kV5 };

struct Format {
  const char *name;
  WORD bits;
  DWORD compression;
  bool topDown;
  Header header;
  DWORD masks[3];  // 16 and 32 bits
};

// A .bmp file of the picture in the format.
std::vector<BYTE> Encode(const Picture &p, const Format &f) {
  const int colours = f.bits == 1 ? 2 : f.bits <= 8 ? 8 : 0;
  std::vector<BYTE> out = {'B', 'M'};
  Put32(&out, 0), Put32(&out, 0), Put32(&out, 0);  // size, reserved, offset: filled below
  const DWORD headerSize = f.header == kCore ? 12 : f.header == kV5 ? 124 : 40;
  Put32(&out, headerSize);
  const bool rle = f.compression == BI_RLE8 || f.compression == BI_RLE4;
  if (f.header == kCore) {
    Put16(&out, p.width), Put16(&out, p.height), Put16(&out, 1), Put16(&out, f.bits);
  } else {
    Put32(&out, p.width), Put32(&out, DWORD(f.topDown ? -p.height : p.height));
    Put16(&out, 1), Put16(&out, f.bits);
    Put32(&out, f.compression), Put32(&out, 0), Put32(&out, 2835), Put32(&out, 2835);
    Put32(&out, f.bits == 4 ? 16 : colours), Put32(&out, 0);
    if (f.header == kV5)
      for (int i = 40; i < 124; i += 4) Put32(&out, i < 52 ? f.masks[(i - 40) / 4] : 0);
    else if (f.compression == BI_BITFIELDS)
      for (DWORD m : f.masks) Put32(&out, m);
  }
  const int tableEntries = f.bits == 4 ? 16 : colours;
  for (int i = 0; i < tableEntries; ++i) {
    const COLORREF c = f.bits == 1 ? (i ? RGB(255, 255, 255) : 0) : i < 8 ? kColours[i] : RGB(9, 9, 9);
    out.push_back(GetBValue(c)), out.push_back(GetGValue(c)), out.push_back(GetRValue(c));
    if (f.header != kCore) out.push_back(0);
  }
  Set32(&out, 10, DWORD(out.size()));
  const size_t bitsAt = out.size();
  for (int row = 0; row < p.height; ++row) {
    const int y = f.topDown ? row : p.height - 1 - row;
    std::vector<BYTE> line;
    for (int x = 0; x < p.width; ++x) {
      const COLORREF c = p.at(x, y);
      const int index = f.bits == 1 ? (c != 0) : IndexOf(c);
      if (rle) {
        line.push_back(1), line.push_back(BYTE(f.bits == 4 ? index << 4 : index));
      } else if (f.bits == 1) {
        if (x % 8 == 0) line.push_back(0);
        line.back() |= BYTE(index << (7 - x % 8));
      } else if (f.bits == 4) {
        if (x % 2 == 0) line.push_back(0);
        line.back() |= BYTE(x % 2 ? index : index << 4);
      } else if (f.bits == 8) {
        line.push_back(BYTE(index));
      } else if (f.bits == 24) {
        line.push_back(GetBValue(c)), line.push_back(GetGValue(c)), line.push_back(GetRValue(c));
      } else {
        const DWORD v = Field(GetRValue(c), f.masks[0]) | Field(GetGValue(c), f.masks[1]) | Field(GetBValue(c), f.masks[2]);
        if (f.bits == 16)
          Put16(&line, v);
        else
          Put32(&line, v);
      }
    }
    if (rle) {
      line.push_back(0), line.push_back(row == p.height - 1 ? 1 : 0);
    } else {
      while (line.size() % 4) line.push_back(0);
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  if (rle) Set32(&out, 14 + 20, DWORD(out.size() - bitsAt));
  Set32(&out, 2, DWORD(out.size()));
  return out;
}

const DWORD k555[3] = {0x7C00, 0x03E0, 0x001F}, k565[3] = {0xF800, 0x07E0, 0x001F};
const DWORD k888[3] = {0xFF0000, 0x00FF00, 0x0000FF}, kBgr[3] = {0x0000FF, 0x00FF00, 0xFF0000};

const Format kFormats[] = {
    {"24 bits", 24, BI_RGB, false, kInfo, {}},
    {"24 bits top-down", 24, BI_RGB, true, kInfo, {}},
    {"24 bits, core header", 24, BI_RGB, false, kCore, {}},
    {"32 bits", 32, BI_RGB, false, kInfo, {k888[0], k888[1], k888[2]}},
    {"32 bits, red in the low byte", 32, BI_BITFIELDS, false, kInfo, {kBgr[0], kBgr[1], kBgr[2]}},
    {"32 bits, version 5 header", 32, BI_BITFIELDS, true, kV5, {k888[0], k888[1], k888[2]}},
    {"16 bits 5-5-5", 16, BI_RGB, false, kInfo, {k555[0], k555[1], k555[2]}},
    {"16 bits 5-6-5", 16, BI_BITFIELDS, false, kInfo, {k565[0], k565[1], k565[2]}},
    {"8 bits", 8, BI_RGB, false, kInfo, {}},
    {"8 bits top-down", 8, BI_RGB, true, kInfo, {}},
    {"8 bits, core header", 8, BI_RGB, false, kCore, {}},
    {"8 bits RLE", 8, BI_RLE8, false, kInfo, {}},
    {"4 bits", 4, BI_RGB, false, kInfo, {}},
    {"4 bits RLE", 4, BI_RLE4, false, kInfo, {}},
    {"1 bit", 1, BI_RGB, false, kInfo, {}},
};

// The bitmap's pixels read back as 24-bit DIB bits, top row first.
Picture ReadBack(HBITMAP bitmap) {
  BITMAP bm{};
  EXPECT_EQ(int(sizeof bm), GetObjectA(bitmap, sizeof bm, &bm));
  Picture p{int(bm.bmWidth), int(bm.bmHeight), {}};
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const size_t stride = (size_t(bm.bmWidth) * 3 + 3) & ~size_t(3);
  std::vector<BYTE> bits(stride * bm.bmHeight, 0x5A);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(bm.bmHeight, GetDIBits(dc, bitmap, 0, UINT(bm.bmHeight), bits.data(), &info, DIB_RGB_COLORS));
  DeleteDC(dc);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const BYTE *q = &bits[size_t(y) * stride + 3 * x];
      p.pixels.push_back(RGB(q[2], q[1], q[0]));
    }
  return p;
}

::testing::AssertionResult SamePicture(const Picture &want, const Picture &got) {
  if (want.width != got.width || want.height != got.height)
    return ::testing::AssertionFailure() << got.width << " x " << got.height << ", not " << want.width << " x "
                                         << want.height;
  for (int y = 0; y < want.height; ++y)
    for (int x = 0; x < want.width; ++x)
      if (want.at(x, y) != got.at(x, y))
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x" << std::hex << got.at(x, y)
                                             << ", not 0x" << want.at(x, y);
  return ::testing::AssertionSuccess();
}

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    objects_ = StandinGdiObjectCount();
    dcs_ = StandinDcCount();
    char name[] = "/tmp/imagetestXXXXXX";
    ASSERT_TRUE(mkdtemp(name));
    dir_ = name;
  }
  void TearDown() override {
    for (const std::string &file : files_) unlink(file.c_str());
    rmdir(dir_.c_str());
    StandinReset();
    EXPECT_EQ(objects_, StandinGdiObjectCount());
    EXPECT_EQ(dcs_, StandinDcCount());
  }
  std::string Write(const std::vector<BYTE> &bytes, const char *name = "picture.bmp") {
    const std::string path = dir_ + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    EXPECT_TRUE(f);
    if (f) {
      fwrite(bytes.data(), 1, bytes.size(), f);
      fclose(f);
    }
    files_.push_back(path);
    return path;
  }
  int objects_ = 0, dcs_ = 0;
  std::string dir_;
  std::vector<std::string> files_;
};

TEST_F(ImageTest, FilesLoadAsDibSectionsOfTheirFormatAndAsDisplayBitmaps) {
  for (const Format &f : kFormats) {
    SCOPED_TRACE(f.name);
    const Picture picture = f.bits == 1 ? BlackAndWhite() : Colourful();
    const std::string path = Write(Encode(picture, f));
    HBITMAP dib = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                  LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_TRUE(dib);
    DIBSECTION ds{};
    ASSERT_EQ(int(sizeof ds), GetObjectA(dib, sizeof ds, &ds));
    EXPECT_EQ(picture.width, ds.dsBm.bmWidth);
    EXPECT_EQ(picture.height, ds.dsBm.bmHeight);
    EXPECT_EQ(f.bits, ds.dsBm.bmBitsPixel) << "the file's depth";
    EXPECT_TRUE(ds.dsBm.bmBits);
    EXPECT_EQ(f.topDown, ds.dsBmih.biHeight < 0);
    EXPECT_EQ(f.compression == BI_BITFIELDS ? DWORD(BI_BITFIELDS) : DWORD(BI_RGB), ds.dsBmih.biCompression);
    if (f.bits == 16 || f.bits == 32)
      for (int i = 0; i < 3; ++i) EXPECT_EQ(f.masks[i], ds.dsBitfields[i]);
    EXPECT_TRUE(SamePicture(picture, ReadBack(dib)));
    EXPECT_TRUE(StandinDibGuardsIntact(dib));
    EXPECT_TRUE(DeleteObject(dib));

    HBITMAP ddb = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_TRUE(ddb);
    BITMAP bm{};
    ASSERT_EQ(int(sizeof bm), GetObjectA(ddb, sizeof bm, &bm));
    EXPECT_EQ(16, bm.bmBitsPixel) << "the display's depth";
    EXPECT_FALSE(bm.bmBits);
    EXPECT_TRUE(SamePicture(picture, ReadBack(ddb)));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ddb);
    EXPECT_TRUE(old) << "a display bitmap goes into a memory DC";
    EXPECT_EQ(picture.at(1, 0), GetPixel(dc, 1, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(ddb));
  }
}

TEST_F(ImageTest, ResourcesLoadThroughLoadImageAndLoadBitmap) {
  const Picture picture = Colourful();
  const std::vector<BYTE> file = Encode(picture, kFormats[8]);  // 8 bits
  const StandinResource resource = {STANDIN_RT_BITMAP, 301, file.data(), DWORD(file.size())};
  StandinRegisterResources(nullptr, &resource, 1);
  HINSTANCE program = GetModuleHandleA(nullptr);
  HBITMAP dib = static_cast<HBITMAP>(LoadImageA(program, MAKEINTRESOURCEA(301), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_TRUE(dib);
  BITMAP bm{};
  GetObjectA(dib, sizeof bm, &bm);
  EXPECT_EQ(8, bm.bmBitsPixel);
  EXPECT_TRUE(SamePicture(picture, ReadBack(dib)));
  DeleteObject(dib);
  HBITMAP loaded = LoadBitmapA(program, MAKEINTRESOURCEA(301));
  ASSERT_TRUE(loaded);
  GetObjectA(loaded, sizeof bm, &bm);
  EXPECT_EQ(24, bm.bmBitsPixel) << "LoadBitmap keeps its 24-bit DIB section";
  EXPECT_TRUE(SamePicture(picture, ReadBack(loaded)));
  DeleteObject(loaded);
  SetLastError(0);
  EXPECT_FALSE(LoadImageA(program, MAKEINTRESOURCEA(302), IMAGE_BITMAP, 0, 0, 0));
  EXPECT_EQ(DWORD(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
}

TEST_F(ImageTest, SizesStretchAndMonochromeAndColourMapping) {
  const Picture picture = Colourful();
  const std::string path = Write(Encode(picture, kFormats[8]));
  struct Case {
    const char *what;
    int cx, cy;
    UINT flags;
    WORD bits;
  } cases[] = {
      {"twice as large", 10, 6, LR_CREATEDIBSECTION, 8},
      {"narrower, same height", 3, 0, LR_CREATEDIBSECTION, 8},
      {"a display bitmap twice as tall", 0, 6, 0, 16},
      {"monochrome display bitmap", 0, 0, LR_MONOCHROME, 1},
      {"monochrome DIB section", 0, 0, LR_MONOCHROME | LR_CREATEDIBSECTION, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, c.cx, c.cy, LR_LOADFROMFILE | c.flags));
    ASSERT_TRUE(bitmap);
    const Picture got = ReadBack(bitmap);
    EXPECT_EQ(c.bits, [&] {
      BITMAP bm{};
      GetObjectA(bitmap, sizeof bm, &bm);
      return bm.bmBitsPixel;
    }());
    const int width = c.cx ? c.cx : picture.width, height = c.cy ? c.cy : picture.height;
    ASSERT_EQ(width, got.width);
    ASSERT_EQ(height, got.height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        COLORREF want = picture.at(x * picture.width / width, y * picture.height / height);
        if (c.bits == 1)  // the nearer of black and white: white for two full channels or more
          want = (GetRValue(want) + GetGValue(want) + GetBValue(want)) / 255 >= 2 ? RGB(255, 255, 255) : RGB(0, 0, 0);
        EXPECT_EQ(want, got.at(x, y)) << x << ", " << y;
      }
    DeleteObject(bitmap);
  }
  // LR_LOADTRANSPARENT: the first pixel's table entry becomes the window colour.
  Picture first = picture;
  first.pixels[size_t(picture.height - 1) * picture.width] = RGB(0, 255, 0);  // the bottom-left pixel
  const std::string path2 = Write(Encode(first, kFormats[8]), "transparent.bmp");
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path2.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_LOADTRANSPARENT | LR_CREATEDIBSECTION));
  ASSERT_TRUE(bitmap);
  const Picture got = ReadBack(bitmap);
  for (int i = 0; i < 15; ++i)
    EXPECT_EQ(first.pixels[i] == RGB(0, 255, 0) ? GetSysColor(COLOR_WINDOW) : first.pixels[i], got.pixels[i]) << i;
  DeleteObject(bitmap);
}

TEST_F(ImageTest, DamagedFilesFailAndShortOnesLoadWhatTheyHold) {
  const Picture picture = Colourful();
  const std::vector<BYTE> good = Encode(picture, kFormats[0]);
  struct Case {
    const char *what;
    size_t at;  // byte to change, or the size to cut the file to
    int value;  // -1: cut the file
  } cases[] = {
      {"not a bitmap file", 0, 'X'},        {"a header size of 0", 14, 0},
      {"no width", 18, 0},                  {"3 bits a pixel", 28, 3},
      {"an unknown compression", 30, 9},    {"bits beyond the end", 13, 0x40},
      {"only the file header", 20, -1},     {"bits offset at the very end", good.size(), -2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<BYTE> bad = good;
    if (c.value == -1)
      bad.resize(c.at);
    else if (c.value == -2)
      Set32(&bad, 10, DWORD(bad.size()));
    else
      bad[c.at] = BYTE(c.value);
    const std::string path = Write(bad, "bad.bmp");
    SetLastError(0);
    EXPECT_FALSE(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    EXPECT_EQ(DWORD(ERROR_INVALID_DATA), GetLastError());
  }
  // RLE bits that are top-down, and bit fields whose masks the file lacks.
  std::vector<BYTE> rle = Encode(picture, kFormats[11]);
  Set32(&rle, 22, DWORD(-picture.height));
  SetLastError(0);
  EXPECT_FALSE(LoadImageA(nullptr, Write(rle, "rle.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  EXPECT_EQ(DWORD(ERROR_INVALID_DATA), GetLastError());
  std::vector<BYTE> masks = Encode(picture, kFormats[7]);
  masks.resize(14 + 40 + 8);
  EXPECT_FALSE(LoadImageA(nullptr, Write(masks, "masks.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));

  // A file that ends early: the rows it holds (the bottom one first), black above.
  std::vector<BYTE> cut = good;
  cut.resize(cut.size() - 16 * 2);  // two of the three 16-byte rows missing
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, Write(cut, "cut.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  ASSERT_TRUE(bitmap);
  const Picture got = ReadBack(bitmap);
  for (int x = 0; x < picture.width; ++x) {
    EXPECT_EQ(picture.at(x, 2), got.at(x, 2));
    EXPECT_EQ(RGB(0, 0, 0), got.at(x, 0));
  }
  DeleteObject(bitmap);

  SetLastError(0);
  EXPECT_FALSE(LoadImageA(nullptr, (dir_ + "/missing.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(LoadImageA(nullptr, nullptr, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  EXPECT_FALSE(LoadImageA(nullptr, "x.bmp", IMAGE_ENHMETAFILE, 0, 0, LR_LOADFROMFILE));
}

TEST_F(ImageTest, IconsAndCursorsAreTheSystems) {
  EXPECT_EQ(LoadIconA(nullptr, IDI_APPLICATION), LoadImageA(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_SHARED));
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), LoadImageA(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
  EXPECT_FALSE(LoadImageA(nullptr, "app.ico", IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
}

// GetDIBits: the description of a bitmap, the layouts it writes, the lines it copies.
TEST_F(ImageTest, GetDIBitsDescribesAndReadsBitmaps) {
  HDC dc = CreateCompatibleDC(nullptr);
  struct Case {
    const char *what;
    HBITMAP bitmap;
    WORD bits;
    DWORD compression;
    DWORD masks[3];
  };
  BITMAPINFO rgb{};
  rgb.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 5, 3, 1, 16, BI_RGB, 0, 0, 0, 0, 0};
  void *bits = nullptr;
  HBITMAP dib555 = CreateDIBSection(dc, &rgb, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  const Case cases[] = {
      {"5-6-5 display bitmap", CreateCompatibleBitmap(display, 5, 3), 16, BI_BITFIELDS, {k565[0], k565[1], k565[2]}},
      {"5-5-5 DIB section", dib555, 16, BI_RGB, {}},
      {"monochrome bitmap", CreateBitmap(5, 3, 1, 1, nullptr), 1, BI_RGB, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    struct {
      BITMAPINFOHEADER header;
      DWORD masks[256];
    } info{};
    info.header.biSize = sizeof info.header;
    ASSERT_TRUE(GetDIBits(dc, c.bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS));
    EXPECT_EQ(5, info.header.biWidth);
    EXPECT_EQ(3, info.header.biHeight);
    EXPECT_EQ(c.bits, info.header.biBitCount);
    EXPECT_EQ(c.compression, info.header.biCompression);
    EXPECT_EQ(DWORD(((5 * c.bits + 31) / 32 * 4) * 3), info.header.biSizeImage);
    if (c.compression == BI_BITFIELDS)
      for (int i = 0; i < 3; ++i) EXPECT_EQ(c.masks[i], info.masks[i]);
  }
  // Bits into the 5-6-5 bitmap come back through each layout a program asks for.
  HBITMAP ddb = cases[0].bitmap;
  const Picture picture = Colourful();
  const std::vector<BYTE> file = Encode(picture, kFormats[0]);
  const BITMAPINFO *fileInfo = reinterpret_cast<const BITMAPINFO *>(file.data() + 14);
  ASSERT_EQ(3, SetDIBits(dc, ddb, 0, 3, file.data() + 54, fileInfo, DIB_RGB_COLORS));
  struct Layout {
    const char *what;
    WORD bits;
    DWORD compression;
    DWORD masks[3];
    LONG height;
  } layouts[] = {
      {"32 bits, bottom-up", 32, BI_RGB, {}, 3},        {"24 bits, top-down", 24, BI_RGB, {}, -3},
      {"16 bits 5-5-5", 16, BI_RGB, {}, 3},              {"16 bits 5-6-5", 16, BI_BITFIELDS, {k565[0], k565[1], k565[2]}, 3},
      {"32 bits, red low", 32, BI_BITFIELDS, {kBgr[0], kBgr[1], kBgr[2]}, -3},
  };
  for (const Layout &l : layouts) {
    SCOPED_TRACE(l.what);
    struct {
      BITMAPINFOHEADER header;
      DWORD masks[3];
    } info{};
    info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 5, l.height, 1, l.bits, l.compression, 0, 0, 0, 0, 0};
    memcpy(info.masks, l.masks, sizeof info.masks);
    std::vector<BYTE> out(64 * 3, 0);
    ASSERT_EQ(3, GetDIBits(dc, ddb, 0, 3, out.data(), reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS));
    const DWORD *masks = l.compression == BI_BITFIELDS ? l.masks : l.bits == 16 ? k555 : k888;
    const size_t stride = (5 * l.bits + 31) / 32 * 4;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const BYTE *p = &out[size_t(l.height < 0 ? y : 2 - y) * stride + x * l.bits / 8];
        const COLORREF c = picture.at(x, y);
        if (l.bits == 24) {
          EXPECT_EQ(c, RGB(p[2], p[1], p[0]));
          continue;
        }
        const DWORD want = Field(GetRValue(c), masks[0]) | Field(GetGValue(c), masks[1]) | Field(GetBValue(c), masks[2]);
        const DWORD got = l.bits == 16 ? DWORD(p[0] | p[1] << 8) : DWORD(p[0] | p[1] << 8 | p[2] << 16 | DWORD(p[3]) << 24);
        EXPECT_EQ(want, got) << x << ", " << y;
      }
  }
  // Lines from the second scan line up; a line count past the end copies what there is.
  std::vector<DWORD> two(5 * 3, 0xDEADBEEF);
  BITMAPINFO info32{};
  info32.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 5, 3, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(2, GetDIBits(dc, ddb, 1, 9, two.data(), &info32, DIB_RGB_COLORS));
  for (int x = 0; x < 5; ++x) {
    auto bgrx = [](COLORREF c) { return DWORD(GetBValue(c) | GetGValue(c) << 8 | GetRValue(c) << 16); };
    EXPECT_EQ(bgrx(picture.at(x, 1)), two[x]) << "buffer row 0: scan line 1, the middle row";
    EXPECT_EQ(bgrx(picture.at(x, 0)), two[5 + x]) << "buffer row 1: scan line 2, the top row";
    EXPECT_EQ(0xDEADBEEFu, two[10 + x]) << "the third row of the buffer stays";
  }
  // Indexed bits of an indexed bitmap's own depth come with its colour table; other depths fail.
  HBITMAP eight = static_cast<HBITMAP>(LoadImageA(nullptr, Write(Encode(picture, kFormats[8])).c_str(), IMAGE_BITMAP,
                                                  0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD table[256];
  } indexed{};
  indexed.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 5, -3, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<BYTE> indices(8 * 3);
  ASSERT_EQ(3, GetDIBits(dc, eight, 0, 3, indices.data(), reinterpret_cast<BITMAPINFO *>(&indexed), DIB_RGB_COLORS));
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(kColours[i], RGB(indexed.table[i].rgbRed, indexed.table[i].rgbGreen, indexed.table[i].rgbBlue));
  for (int x = 0; x < 5; ++x) EXPECT_EQ(IndexOf(picture.at(x, 0)), indices[x]);
  indexed.header.biBitCount = 4;
  SetLastError(0);
  EXPECT_EQ(0, GetDIBits(dc, eight, 0, 3, indices.data(), reinterpret_cast<BITMAPINFO *>(&indexed), DIB_RGB_COLORS));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_EQ(0, GetDIBits(nullptr, eight, 0, 3, indices.data(), reinterpret_cast<BITMAPINFO *>(&info32), DIB_RGB_COLORS))
      << "no device context";
  EXPECT_EQ(0, GetDIBits(dc, nullptr, 0, 3, indices.data(), reinterpret_cast<BITMAPINFO *>(&info32), DIB_RGB_COLORS));
  for (const Case &c : cases) DeleteObject(c.bitmap);
  DeleteObject(eight);
  DeleteDC(display);
  DeleteDC(dc);
}

TEST_F(ImageTest, SetDIBitsIntoIndexedBitmapsTakesTheNearestColour) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD table[4];
  } info{};
  info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, 1, 1, 4, BI_RGB, 0, 0, 0, 4, 0};
  info.table[0] = RGBQUAD{0, 0, 0, 0}, info.table[1] = RGBQUAD{0, 0, 200, 0};      // black, dark red
  info.table[2] = RGBQUAD{250, 250, 250, 0}, info.table[3] = RGBQUAD{0, 200, 0, 0};  // near white, green
  void *bits = nullptr;
  HBITMAP target = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_TRUE(target);
  BITMAPINFO rgb{};
  rgb.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const BYTE pixels[12] = {255, 255, 255, 10, 10, 240, 20, 240, 20, 5, 5, 5};  // white, red, green, black
  ASSERT_EQ(1, SetDIBits(nullptr, target, 0, 1, pixels, &rgb, DIB_RGB_COLORS));
  const BYTE *stored = static_cast<const BYTE *>(bits);
  EXPECT_EQ(0x21, stored[0]) << "white -> 2, red -> 1";
  EXPECT_EQ(0x30, stored[1]) << "green -> 3, black -> 0";
  EXPECT_TRUE(StandinDibGuardsIntact(target));
  DeleteObject(target);
}

}  // namespace
