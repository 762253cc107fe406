// Drawables: pixel format of a device context, DIB-section set-up, the memory
// back buffer, swap hints, buffer swap and the window events.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>
#include "gltest.h"
#include "standin/control.h"
#include "wgl/drawable.h"
#include "wgl/pixelformat.h"

namespace {

#define CHECK(step, cond) \
    if (!(cond)) return step

int inChild(const std::function<int()>& fn) {
    return gltestInChild([&] {
        setenv("QRB_USESW", "1", 1);
        if (!gltestLoad()) return 90;
        int r = fn();
        if (!gltestUnload()) return 91;
        return r;
    });
}

using Surface = GltestDib;

HWND makeWindow(int width, int height) {
    static bool registered;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "drawable-test";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowExA(0, "drawable-test", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr,
                           nullptr);
}

// Releases and deletes a context current on a window, then the window.
void endWindowContext(HWND w, HDC dc, HGLRC rc) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
    ReleaseDC(w, dc);
    DestroyWindow(w);
}

GlPixelFormatInfo formatOf(int index) {
    PIXELFORMATDESCRIPTOR p;
    __wglDescribePixelFormat(nullptr, index, sizeof p, &p);
    return __wglBuildPixelFormatInfo(&p);
}

std::string log() { return StandinDebugOutput(); }

// What a program does to render offscreen: a DIB section in a memory DC, a
// chosen pixel format, a context made current, glClear, and the DIB's bits.
TEST(Offscreen, ClearReachesTheDibSectionsBits) {
    const struct {
        int bits;
        bool topDown;
        GLfloat color[3];
        uint32_t expected;
    } cases[] = {
        {16, true, {1, 0, 0}, 0x7C00},  // BI_RGB 16-bit sections are x1R5G5B5
        {16, false, {0, 0, 1}, 0x001F},
        {24, true, {1, 0.5f, 0}, 0xFF8000},
        {32, false, {0, 1, 0}, 0x00FF00},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inChild([&] {
                      Surface s(6, 3, c.bits, c.topDown);
                      PIXELFORMATDESCRIPTOR r = {};
                      r.nSize = sizeof r, r.nVersion = 1;
                      r.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
                      r.cColorBits = (BYTE)c.bits;
                      const int format = ChoosePixelFormat(s.dc, &r);
                      CHECK(1, format > 0 && SetPixelFormat(s.dc, format, &r));
                      HGLRC rc = wglCreateContext(s.dc);
                      CHECK(2, rc && wglMakeCurrent(s.dc, rc));
                      glDisable(GL_DITHER);
                      glClearColor(c.color[0], c.color[1], c.color[2], 1.0f);
                      glClear(GL_COLOR_BUFFER_BIT);
                      CHECK(3, glGetError() == GL_NO_ERROR);
                      const int bytes = c.bits / 8, stride = ((6 * c.bits + 31) / 32) * 4;
                      for (int y = 0; y < 3; y++)
                          for (int x = 0; x < 6; x++) {
                              uint32_t v = 0;
                              memcpy(&v, (uint8_t*)s.bits + y * stride + x * bytes, bytes);
                              CHECK(4, v == c.expected);
                          }
                      CHECK(5, wglMakeCurrent(nullptr, nullptr) && wglDeleteContext(rc));
                      return 0;
                  }),
                  0)
            << c.bits << " " << c.topDown;
    }
}

TEST(PixelFormatOfDc, SetOnceAndOnlyWhereTheFormatDraws) {
    // Formats: 2 RGBA single (window and bitmap), 4 RGBA double (window only),
    // 5 colour index (bitmap only).
    EXPECT_EQ(inChild([] {
                  Surface s(4, 4, 16);
                  CHECK(1, __wglGetPixelFormat(s.dc) == 0);
                  CHECK(2, !__wglSetPixelFormat(s.dc, 4, nullptr));  // double-buffered on a memory DC
                  CHECK(3, !__wglSetPixelFormat(s.dc, 0, nullptr) && !__wglSetPixelFormat(s.dc, 23, nullptr));
                  CHECK(4, __wglSetPixelFormat(s.dc, 5, nullptr) && __wglGetPixelFormat(s.dc) == 5);
                  CHECK(5, !__wglSetPixelFormat(s.dc, 5, nullptr));  // a second call fails, same index too

                  HWND w = makeWindow(20, 10);
                  HDC a = GetDC(w), b = GetDC(w);
                  CHECK(6, !__wglSetPixelFormat(a, 5, nullptr));  // bitmap-only format on a window
                  CHECK(7, __wglSetPixelFormat(a, 4, nullptr));
                  // The drawable is the window's: another DC of it sees the format and cannot change it.
                  CHECK(8, __wglGetPixelFormat(b) == 4 && !__wglSetPixelFormat(b, 2, nullptr));
                  CHECK(9, __wglFindDrawable(a, w) == __wglFindDrawable(b, w));
                  ReleaseDC(w, a);
                  ReleaseDC(w, b);
                  DestroyWindow(w);
                  return 0;
              }),
              0);
}

TEST(PixelFormatOfDc, QueryCreatesNothing) {
    EXPECT_EQ(inChild([] {
                  Surface s(4, 4, 16);
                  const int blocks = StandinGlobalLiveBlocks();
                  CHECK(1, __wglGetPixelFormat(s.dc) == 0);
                  CHECK(2, StandinGlobalLiveBlocks() == blocks && !__wglFindDrawable(s.dc, nullptr));
                  return 0;
              }),
              0);
}

TEST(DibDrawable, FrontBufferIsTheSectionInBothOrientations) {
    const struct {
        int width, height, bits;
        bool topDown;
        int format;  // 24-bit format: 11; 16-bit: 2
        int stride;
    } cases[] = {
        {101, 3, 24, false, 11, 304},
        {101, 3, 24, true, 11, 304},
        {5, 2, 16, true, 2, 12},
        {5, 2, 16, false, 2, 12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inChild([&] {
                      Surface s(c.width, c.height, c.bits, c.topDown);
                      CHECK(1, __wglSetPixelFormat(s.dc, c.format, nullptr));
                      const GlPixelFormatInfo f = formatOf(c.format);
                      int failure = -1;
                      WglDrawable* d = __wglFindOrCreateDrawable(s.dc, nullptr, &f, c.format, &failure);
                      CHECK(2, d && failure == WGL_DRAWABLE_OK);
                      CHECK(3, d->topDown == (c.topDown ? 1 : 0));
                      const GlDrawableBuffer& front = d->buffers[GL_DRAWABLE_FRONT];
                      CHECK(4, front.base == s.bits && front.stride == c.stride);
                      CHECK(5, front.width == c.width && front.height == c.height && d->width == c.width);
                      CHECK(6, front.bits == (GLuint)c.bits && front.bytesPerPixel == (GLuint)c.bits / 8);
                      // Found again, not set up again.
                      CHECK(7, __wglFindOrCreateDrawable(s.dc, nullptr, &f, c.format, &failure) == d);
                      // Another section selected into the DC is taken at the next make-current.
                      Surface t(3, 7, c.bits, !c.topDown);
                      SelectObject(t.dc, t.old);
                      SelectObject(s.dc, t.bitmap);
                      CHECK(8, __wglFindOrCreateDrawable(s.dc, nullptr, &f, c.format, &failure) == d);
                      CHECK(9, d->buffers[GL_DRAWABLE_FRONT].base == t.bits && d->width == 3 && d->height == 7);
                      CHECK(10, d->topDown == (c.topDown ? 0 : 1));
                      SelectObject(s.dc, s.bitmap);
                      SelectObject(t.dc, t.bitmap);
                      __wglDestroyDrawable(d);
                      return 0;
                  }),
                  0)
            << c.width << " " << c.bits << " " << c.topDown;
    }
}

TEST(DibDrawable, RefusesSurfacesItCannotDrawInto) {
    const struct {
        const char* what;
        int bitCount;       // 0: a device-dependent bitmap
        int setFormat;      // format given to SetPixelFormat, 0 none
        int contextFormat;  // format of the context
        int failure;
        const char* line;
    } cases[] = {
        {"device-dependent bitmap", 0, 2, 2, WGL_DRAWABLE_BAD_SURFACE,
         "OGL ERR:__wglDIBInitDrawable: GetObject(DIBSECTION) failed.\n"},
        {"depth differs", 32, 2, 2, WGL_DRAWABLE_BAD_SURFACE,
         "OGL ERR:__wglDIBInitDrawable: DIB section depth differs from the pixel format.\n"},
        {"other pixel format", 16, 1, 2, WGL_DRAWABLE_FORMAT_MISMATCH, ""},
        {"no pixel format", 16, 0, 2, WGL_DRAWABLE_FORMAT_MISMATCH, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inChild([&] {
                      Surface s(4, 4, c.bitCount);
                      if (c.setFormat) CHECK(1, __wglSetPixelFormat(s.dc, c.setFormat, nullptr));
                      const GlPixelFormatInfo f = formatOf(c.contextFormat);
                      StandinClearDebugOutput();
                      int failure = -1;
                      CHECK(2, !__wglFindOrCreateDrawable(s.dc, nullptr, &f, c.contextFormat, &failure));
                      CHECK(3, failure == c.failure);
                      CHECK(4, log() == c.line);
                      // Nothing was made or set up: SetPixelFormat's record stays unfilled.
                      WglDrawable* d = __wglFindDrawable(s.dc, nullptr);
                      CHECK(5, c.setFormat ? d && !d->initialised && !d->buffers[GL_DRAWABLE_FRONT].base : !d);
                      return 0;
                  }),
                  0)
            << c.what;
    }
}

TEST(MemoryBuffer, GrowsWithTheWindowAndNeverShrinks) {
    EXPECT_EQ(inChild([] {
                  HWND w = makeWindow(100, 100);
                  HDC dc = GetDC(w);
                  CHECK(1, __wglSetPixelFormat(dc, 4, nullptr));
                  const GlPixelFormatInfo f = formatOf(4);
                  int failure = -1;
                  WglDrawable* d = __wglFindOrCreateDrawable(dc, w, &f, 4, &failure);
                  CHECK(2, d && d->topDown == 1 && d->width == 100 && d->height == 100);
                  GlDrawableBuffer* back = &d->buffers[GL_DRAWABLE_BACK];
                  CHECK(3, back->storage == __wglMemUpdateBuffer && back->bits == 16);
                  const int objects = StandinGdiObjectCount(), dcs = StandinDcCount();

                  back->storage(back, d);
                  HBITMAP first = back->memory->bitmap;
                  DIBSECTION ds;
                  CHECK(4, GetObjectA(first, sizeof ds, &ds) == (int)sizeof ds);
                  // Rows of ((100 x 16 + 127) / 128) x 16 = 208 bytes, one spare row, top-down.
                  CHECK(5, back->stride == 208 && ds.dsBm.bmWidthBytes == 208 && ds.dsBmih.biWidth == 104);
                  CHECK(6, ds.dsBmih.biHeight == -101 && ds.dsBmih.biCompression == BI_BITFIELDS);
                  CHECK(7, ds.dsBitfields[0] == 0xF800 && ds.dsBitfields[1] == 0x07E0 && ds.dsBitfields[2] == 0x1F);
                  CHECK(8, back->base == ds.dsBm.bmBits && back->width == 100 && back->height == 100);

                  SetWindowPos(w, nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER);
                  back->storage(back, d);
                  CHECK(9, back->memory->bitmap != first && back->width == 200 && back->stride == 400);
                  // The replaced section was deselected and deleted: one section, one DC.
                  CHECK(10, StandinGdiObjectCount() == objects + 1 && StandinDcCount() == dcs + 1);

                  HBITMAP grown = back->memory->bitmap;
                  SetWindowPos(w, nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
                  back->storage(back, d);
                  CHECK(11, back->memory->bitmap == grown && back->width == 100 && back->height == 50);
                  CHECK(12, back->stride == 400);

                  __wglMemFreeBuffer(back, d);
                  CHECK(13, !back->memory && !back->base);
                  CHECK(14, StandinGdiObjectCount() == objects && StandinDcCount() == dcs);
                  ReleaseDC(w, dc);
                  DestroyWindow(w);
                  return 0;
              }),
              0);
}

TEST(WindowDrawable, SizeIsTheClientAreaOrTheBoardsWhileTheHardwareFlagIsOn) {
    for (DWORD hardware : {0u, 1u}) {
        EXPECT_EQ(inChild([&] {
                      HWND w = makeWindow(300, 200);
                      HDC dc = GetDC(w);
                      CHECK(1, __wglSetPixelFormat(dc, 2, nullptr));
                      __wglHardware = hardware;
                      const GlPixelFormatInfo f = formatOf(2);
                      int failure = -1;
                      WglDrawable* d = __wglFindOrCreateDrawable(dc, w, &f, 2, &failure);
                      __wglHardware = 0;
                      CHECK(2, d && d->window == w && d->topDown == 1);
                      CHECK(3, hardware ? d->width == 640 && d->height == 480 : d->width == 300 && d->height == 200);
                      CHECK(4, d->clientRect.right == 300 && d->clientRect.bottom == 200);
                      ReleaseDC(w, dc);
                      DestroyWindow(w);
                      return 0;
                  }),
                  0)
            << hardware;
    }
}

TEST(MemoryBuffer, EightBitBackBufferTakesTheDcsPalette) {
    EXPECT_EQ(inChild([] {
                  HWND w = makeWindow(10, 4);
                  HDC dc = GetDC(w);
                  WglDrawable* d = __wglCreateDrawable(dc, w);
                  GlPixelFormatInfo f = formatOf(15);  // 8-bit RGBA
                  f.doubleBuffer = 1;
                  *d->formatInfo = f;
                  __wglWindowInitDrawable(d);
                  GlDrawableBuffer* back = &d->buffers[GL_DRAWABLE_BACK];
                  back->storage(back, d);
                  CHECK(1, back->memory && back->stride == 16 && back->bytesPerPixel == 1);

                  struct {
                      WORD version, count;
                      PALETTEENTRY entries[256];
                  } lp = {0x300, 256, {}};
                  for (int i = 0; i < 256; i++) lp.entries[i] = {(BYTE)i, (BYTE)(255 - i), (BYTE)(i / 2), 0};
                  HPALETTE palette = CreatePalette((LOGPALETTE*)&lp);
                  HPALETTE old = SelectPalette(dc, palette, FALSE);
                  d->update(d);
                  RGBQUAD table[256];
                  CHECK(2, GetDIBColorTable(back->memory->memoryDC, 0, 256, table) == 256);
                  for (int i = 0; i < 256; i += 51)
                      CHECK(10 + i, table[i].rgbRed == i && table[i].rgbGreen == 255 - i && table[i].rgbBlue == i / 2);
                  SelectPalette(dc, old, FALSE);
                  DeleteObject(palette);
                  ReleaseDC(w, dc);
                  DestroyWindow(w);  // frees the drawable and its memory bitmap
                  CHECK(3, !__wglFindDrawable(dc, w));
                  return 0;
              }),
              0);
}

TEST(SwapHints, CapacityDoublesAndTheBoundCoversAll) {
    EXPECT_EQ(inChild([] {
                  WglDrawable* d = __wglCreateDrawable(nullptr, nullptr);
                  CHECK(1, d && d->swapHintCapacity == 4);
                  d->height = 100;
                  const GLint rects[5][4] = {{10, 20, 30, 40}, {0, 0, 5, 5}, {50, 90, 10, 10},
                                             {20, 20, 1, 1}, {70, 30, 20, 5}};
                  for (const auto& r : rects) d->addSwapHintRect(d, r[0], r[1], r[2], r[3]);
                  const RGNDATA* h = d->swapHints;
                  CHECK(2, d->swapHintCapacity == 8 && h->rdh.nCount == 5 && h->rdh.nRgnSize == 80);
                  CHECK(3, h->rdh.dwSize == 32 && h->rdh.iType == RDH_RECTANGLES);
                  const RECT* out = (const RECT*)h->Buffer;
                  for (int i = 0; i < 5; i++) {
                      const RECT e = {rects[i][0], 100 - rects[i][1] - rects[i][3], rects[i][0] + rects[i][2],
                                      100 - rects[i][1]};
                      CHECK(10 + i, memcmp(&out[i], &e, sizeof e) == 0);
                  }
                  const RECT& b = h->rdh.rcBound;
                  CHECK(4, b.left == 0 && b.top == 0 && b.right == 90 && b.bottom == 100);
                  // A failed growth drops the rectangle and keeps the list.
                  for (int i = 5; i < 8; i++) d->addSwapHintRect(d, 0, 0, 1, 1);
                  StandinFailNextGlobalAlloc();
                  d->addSwapHintRect(d, 0, 0, 1, 1);
                  CHECK(5, d->swapHintCapacity == 8 && d->swapHints->rdh.nCount == 8);
                  __wglDestroyDrawable(d);
                  return 0;
              }),
              0);
}

// glAddSwapHintRectWIN rectangles are for the next swap only: the swap empties
// the list, so a program that hints every frame does not grow it.
TEST(SwapHints, ASwapStartsTheNextFramesListEmpty) {
    EXPECT_EQ(inChild([] {
                  typedef void(APIENTRY * AddSwapHintProc)(GLint, GLint, GLsizei, GLsizei);
                  HWND w = makeWindow(32, 16);
                  HDC dc = GetDC(w);
                  CHECK(1, SetPixelFormat(dc, 4, nullptr));
                  HGLRC rc = wglCreateContext(dc);
                  CHECK(2, rc && wglMakeCurrent(dc, rc));
                  const AddSwapHintProc add = (AddSwapHintProc)(void*)wglGetProcAddress("glAddSwapHintRectWIN");
                  CHECK(3, add != nullptr);
                  WglDrawable* d = __wglFindDrawable(dc, w);
                  for (int frame = 0; frame < 20; frame++) {
                      for (int i = 0; i < 3; i++) add(i, 2, 4, 5);
                      const RGNDATA* h = d->swapHints;
                      CHECK(10 + frame, h->rdh.nCount == 3 && h->rdh.nRgnSize == 48);
                      const RECT& b = h->rdh.rcBound;
                      CHECK(40 + frame, b.left == 0 && b.top == 9 && b.right == 6 && b.bottom == 14);
                      CHECK(70 + frame, SwapBuffers(dc));
                      h = d->swapHints;
                      CHECK(100 + frame, h->rdh.nCount == 0 && h->rdh.nRgnSize == 0 && h->rdh.rcBound.right == 0);
                  }
                  CHECK(4, d->swapHintCapacity == 4);
                  endWindowContext(w, dc, rc);
                  return 0;
              }),
              0);
}

TEST(Swap, ResultsPerDrawableKind) {
    const struct {
        const char* what;
        bool window;
        int format;
        BOOL expected;
    } cases[] = {
        {"double-buffered window", true, 4, TRUE},
        {"single-buffered window", true, 2, FALSE},
        {"memory DC", false, 2, FALSE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inChild([&] {
                      HWND w = c.window ? makeWindow(16, 8) : nullptr;
                      Surface s(16, 8, 16);
                      HDC dc = c.window ? GetDC(w) : s.dc;
                      CHECK(1, SetPixelFormat(dc, c.format, nullptr));
                      HGLRC rc = wglCreateContext(dc);
                      CHECK(2, rc && wglMakeCurrent(dc, rc));
                      CHECK(3, __wglSwapBuffers(dc) == c.expected);
                      CHECK(4, StandinBlitCount() == 0);  // nothing reaches the window
                      wglMakeCurrent(nullptr, nullptr);
                      // Not current any more: nothing swaps.
                      CHECK(5, !__wglSwapBuffers(dc));
                      wglDeleteContext(rc);
                      if (w) {
                          ReleaseDC(w, dc);
                          DestroyWindow(w);
                      }
                      return 0;
                  }),
                  0)
            << c.what;
    }
}

// A 24-bit bottom-up .bmp as OPENGL32_DUMP_DIR's frames are written: its size and its rows, bottom
// row first, RGB; false when the file is not one.
bool readFrame(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb) {
    const std::string d = gltestReadFile(path.c_str());
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') return false;
    auto u32 = [&](size_t at) { uint32_t v; memcpy(&v, d.data() + at, 4); return v; };
    auto u16 = [&](size_t at) { uint16_t v; memcpy(&v, d.data() + at, 2); return v; };
    *width = (int)u32(18), *height = (int)u32(22);
    const size_t stride = ((size_t)*width * 3 + 3) & ~(size_t)3;
    if (u16(28) != 24 || u32(30) != BI_RGB || *width <= 0 || *height <= 0 ||
        u32(10) + stride * *height != d.size() || u32(2) != d.size())
        return false;
    rgb->clear();
    for (int y = 0; y < *height; y++)
        for (int x = 0; x < *width; x++) {
            const char* p = d.data() + u32(10) + y * stride + 3 * x;
            rgb->insert(rgb->end(), {(uint8_t)p[2], (uint8_t)p[1], (uint8_t)p[0]});
        }
    return true;
}

bool fileExists(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f) fclose(f);
    return f != nullptr;
}

// OPENGL32_DUMP_DIR: each swap of a software window context writes the back buffer as it is
// before the swap, the picture glReadPixels reads from it, bottom row first; none without the
// setting, and none for a single-buffered context, whose swap fails.
TEST(Swap, DumpDirectoryGetsTheBackBufferBeforeEachSwap) {
    char folder[] = "/tmp/framedumpXXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string dir = folder, first = dir + "/opengl32-00001.bmp", second = dir + "/opengl32-00002.bmp";
    // The RGBA window formats (of the display's depth), double- and single-buffered.
    std::vector<PIXELFORMATDESCRIPTOR> formats;
    EXPECT_EQ(inChild([&] {
                  for (int i = 1;; i++) {
                      PIXELFORMATDESCRIPTOR p;
                      if (!DescribePixelFormat(nullptr, i, sizeof p, &p)) break;
                      bool seen = !(p.dwFlags & PFD_DRAW_TO_WINDOW) || p.iPixelType != PFD_TYPE_RGBA;
                      for (const PIXELFORMATDESCRIPTOR& q : formats)
                          seen |= q.cColorBits == p.cColorBits &&
                                  (q.dwFlags & PFD_DOUBLEBUFFER) == (p.dwFlags & PFD_DOUBLEBUFFER);
                      if (!seen) formats.push_back(p);
                  }
                  const int width = 37, height = 21;
                  for (size_t k = 0; k < formats.size(); k++) {
                      const int step = 100 * (int)k;
                      const bool doubleBuffer = (formats[k].dwFlags & PFD_DOUBLEBUFFER) != 0;
                      HWND w = makeWindow(width, height);
                      HDC dc = GetDC(w);
                      const int format = ChoosePixelFormat(dc, &formats[k]);
                      CHECK(step + 1, format && SetPixelFormat(dc, format, &formats[k]));
                      HGLRC rc = wglCreateContext(dc);
                      CHECK(step + 2, rc && wglMakeCurrent(dc, rc));
                      glClearColor(0, 0, 1, 1);
                      glClear(GL_COLOR_BUFFER_BIT);
                      glEnable(GL_SCISSOR_TEST);
                      glScissor(0, 0, 10, 5);
                      glClearColor(1, 0, 0, 1);
                      glClear(GL_COLOR_BUFFER_BIT);
                      glScissor(30, 15, 7, 6);
                      glClearColor(0, 1, 0, 1);
                      glClear(GL_COLOR_BUFFER_BIT);
                      std::vector<uint8_t> read(width * height * 3);
                      glPixelStorei(GL_PACK_ALIGNMENT, 1);
                      glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, read.data());
                      setenv("OPENGL32_DUMP_DIR", dir.c_str(), 1);
                      CHECK(step + 3, SwapBuffers(dc) == (BOOL)doubleBuffer);
                      glDisable(GL_SCISSOR_TEST);
                      glClear(GL_COLOR_BUFFER_BIT);
                      SwapBuffers(dc);
                      unsetenv("OPENGL32_DUMP_DIR");
                      SwapBuffers(dc);
                      endWindowContext(w, dc, rc);
                      if (!doubleBuffer) {
                          CHECK(step + 4, !fileExists(first));
                          continue;
                      }
                      int fw = 0, fh = 0;
                      std::vector<uint8_t> frame;
                      CHECK(step + 5, readFrame(first, &fw, &fh, &frame));
                      CHECK(step + 6, fw == width && fh == height);
                      CHECK(step + 7, frame == read);
                      const uint8_t red[3] = {255, 0, 0}, green[3] = {0, 255, 0}, blue[3] = {0, 0, 255};
                      CHECK(step + 8, !memcmp(&frame[0], red, 3));                           // bottom left
                      CHECK(step + 9, !memcmp(&frame[(width * height - 1) * 3], green, 3));  // top right
                      CHECK(step + 10, !memcmp(&frame[(width * 10 + 20) * 3], blue, 3));
                      CHECK(step + 11, readFrame(second, &fw, &fh, &frame) && !memcmp(&frame[0], green, 3));
                      CHECK(step + 12, !fileExists(dir + "/opengl32-00003.bmp"));  // the setting was gone
                      unlink(first.c_str());
                      unlink(second.c_str());
                  }
                  return formats.size() == 2 ? 0 : 99;
              }),
              0);
    unlink(first.c_str());
    unlink(second.c_str());
    rmdir(folder);
}

// STANDIN_PICTURE_DIR: each swap of a window writes the picture of its top-level window, a
// framed window of its own size with the GL image just swapped in its client area; one a swap,
// none without the setting.
TEST(Swap, PictureDirectoryGetsTheWholeWindowAtEachSwap) {
    char folder[] = "/tmp/windowpictureXXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string dir = folder;
    auto picture = [&](int n) {
        char name[32];
        snprintf(name, sizeof name, "/window-%05d.bmp", n);
        return dir + name;
    };
    EXPECT_EQ(inChild([&] {
                  __wglHostPicturesStart();
                  WNDCLASSA wc = {};
                  wc.lpfnWndProc = DefWindowProcA;
                  wc.lpszClassName = "picture-test";
                  RegisterClassA(&wc);
                  HWND w = CreateWindowExA(0, "picture-test", "GL", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 5, 5, 80, 60,
                                           nullptr, nullptr, nullptr, nullptr);
                  HDC dc = GetDC(w);
                  PIXELFORMATDESCRIPTOR want = {};
                  want.nSize = sizeof want;
                  want.nVersion = 1;
                  want.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
                  want.iPixelType = PFD_TYPE_RGBA;
                  want.cColorBits = 24;
                  const int format = ChoosePixelFormat(dc, &want);
                  CHECK(1, format && SetPixelFormat(dc, format, &want));
                  HGLRC rc = wglCreateContext(dc);
                  CHECK(2, rc && wglMakeCurrent(dc, rc));
                  const struct {
                      float r, g, b;
                      uint8_t rgb[3];
                  } frames[] = {{1, 0, 0, {255, 0, 0}}, {0, 1, 0, {0, 255, 0}}, {0, 0, 1, {0, 0, 255}}};
                  setenv("STANDIN_PICTURE_DIR", dir.c_str(), 1);
                  for (const auto& f : frames) {
                      glClearColor(f.r, f.g, f.b, 1);
                      glClear(GL_COLOR_BUFFER_BIT);
                      CHECK(3, SwapBuffers(dc));
                  }
                  unsetenv("STANDIN_PICTURE_DIR");
                  CHECK(4, SwapBuffers(dc));
                  RECT window, client;
                  GetWindowRect(w, &window);
                  GetClientRect(w, &client);
                  POINT at = {0, 0};
                  ClientToScreen(w, &at);
                  const int left = at.x - window.left, top = at.y - window.top;
                  endWindowContext(w, dc, rc);
                  for (int n = 1; n <= 3; n++) {
                      int fw = 0, fh = 0;
                      std::vector<uint8_t> rgb;
                      CHECK(10 * n, readFrame(picture(n), &fw, &fh, &rgb));
                      CHECK(10 * n + 1, fw == 80 && fh == 60 && left > 0 && top > 0);
                      // The client area's corners (rows bottom first) and the frame's corner.
                      const int corners[2][2] = {{left, fh - 1 - top},
                                                 {left + client.right - 1, fh - top - client.bottom}};
                      for (const auto& c : corners)
                          CHECK(10 * n + 2, !memcmp(&rgb[(c[1] * fw + c[0]) * 3], frames[n - 1].rgb, 3));
                      CHECK(10 * n + 3, memcmp(&rgb[((fh - 1) * fw) * 3], frames[n - 1].rgb, 3) != 0);
                  }
                  CHECK(40, !fileExists(picture(4)));
                  return 0;
              }),
              0);
    for (int n = 1; n <= 4; n++) unlink(picture(n).c_str());
    rmdir(folder);
}

TEST(WindowEvents, DestroyFreesTheWindowsDrawablesUnlessInUse) {
    EXPECT_EQ(inChild([] {
                  const int blocks = StandinGlobalLiveBlocks();
                  HWND w = makeWindow(8, 8);
                  HDC dc = GetDC(w);
                  CHECK(1, __wglSetPixelFormat(dc, 2, nullptr) && __wglFindDrawable(dc, w));
                  DestroyWindow(w);
                  CHECK(2, !__wglFindDrawable(dc, w) && StandinGlobalLiveBlocks() == blocks);

                  HWND v = makeWindow(8, 8);
                  HDC vdc = GetDC(v);
                  CHECK(3, __wglSetPixelFormat(vdc, 2, nullptr));
                  WglDrawable* d = __wglFindDrawable(vdc, v);
                  d->useCount = 1;  // bound to a context handle
                  DestroyWindow(v);
                  CHECK(4, !d->window && d->isWindow && !__wglFindDrawable(vdc, v));
                  CHECK(5, !__wglFindDrawable(vdc, nullptr));  // not mistaken for a memory DC's
                  __wglDestroyDrawable(d);
                  CHECK(6, StandinGlobalLiveBlocks() == blocks);
                  return 0;
              }),
              0);
}

TEST(WindowEvents, MoveResizesTheCurrentContextsDrawableAtOnce) {
    EXPECT_EQ(inChild([] {
                  HWND w = makeWindow(40, 30);
                  HDC dc = GetDC(w);
                  CHECK(1, SetPixelFormat(dc, 4, nullptr));
                  HGLRC rc = wglCreateContext(dc);
                  CHECK(2, wglMakeCurrent(dc, rc));
                  WglDrawable* d = __wglFindDrawable(dc, w);
                  CHECK(3, d && d->width == 40 && d->height == 30);
                  SetWindowPos(w, nullptr, 0, 0, 60, 50, SWP_NOMOVE | SWP_NOZORDER);
                  CHECK(4, d->width == 60 && d->height == 50);
                  endWindowContext(w, dc, rc);
                  return 0;
              }),
              0);
}

// The first window format of the request: double-buffered or not, depth bits.
int windowFormat(bool doubleBuffer, int depthBits) {
    PIXELFORMATDESCRIPTOR p;
    const int n = DescribePixelFormat(nullptr, 1, sizeof p, &p);
    for (int i = 1; i <= n; i++) {
        DescribePixelFormat(nullptr, i, sizeof p, &p);
        if ((p.dwFlags & PFD_DRAW_TO_WINDOW) && p.iPixelType == PFD_TYPE_RGBA &&
            ((p.dwFlags & PFD_DOUBLEBUFFER) != 0) == doubleBuffer && p.cDepthBits == depthBits)
            return i;
    }
    return 0;
}

// Every kind of drawing the context does.
void drawEverything(int width, int height) {
    glViewport(0, 0, width, height);
    glScissor(0, 0, width, height);
    glClearColor(1, 0, 0, 1);
    glClearAccum(0.5f, 0.5f, 0.5f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_STENCIL_TEST);
    glStencilOp(GL_INCR, GL_INCR, GL_INCR);
    glBegin(GL_TRIANGLES);
    glColor3f(0, 1, 0);
    glVertex2i(0, 0), glVertex2i(width, 0), glVertex2i(0, height);
    glEnd();
    glBegin(GL_LINES);
    glVertex2i(0, 1), glVertex2i(width, height);
    glEnd();
    glPointSize(4);
    glBegin(GL_POINTS);
    glVertex2i(width / 2, height / 2);
    glEnd();
    static uint8_t image[16 * 16 * 4];
    glRasterPos2i(1, 1);
    glDrawPixels(16, 16, GL_RGBA, GL_UNSIGNED_BYTE, image);
    glBitmap(16, 16, 0, 0, 0, 0, image);
    glCopyPixels(0, 0, 16, 16, GL_COLOR);
    glReadPixels(0, 0, 16, 16, GL_RGBA, GL_UNSIGNED_BYTE, image);
    glReadPixels(0, 0, 16, 16, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, image);
    glAccum(GL_ACCUM, 0.5f);
    glAccum(GL_RETURN, 1.0f);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    GLint drawBuffer = GL_BACK;
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glDrawBuffer(GL_FRONT_AND_BACK);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawBuffer((GLenum)drawBuffer);
    glFinish();
}

// Buffers too large for memory, or whose sizes pass 32 bits: make-current
// records GL_OUT_OF_MEMORY and the context draws nothing, without a stray
// write, until a resize succeeds; then it draws again.
TEST(WindowDrawable, BuffersThatCannotBeHadDrawNothingUntilAResizeSucceeds) {
    const struct {
        const char* what;
        int width, height;
        bool doubleBuffer;
        int depthBits;
    } cases[] = {
        {"20000 x 20000, double-buffered", 20000, 20000, true, 16},
        {"20000 x 20000, single-buffered, 32-bit depth", 20000, 20000, false, 32},
        // 2 x 65536 x 32769 colour bytes would wrap to 128 KiB in 32 bits.
        {"16-bit colour past 32 bits", 65536, 32768, false, 16},
        // 4 x 65536 x 16385 depth bytes would wrap to 256 KiB.
        {"32-bit depth past 32 bits", 65536, 16384, true, 32},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inChild([&] {
                      HWND w = makeWindow(c.width, c.height);
                      HDC dc = GetDC(w);
                      const int format = windowFormat(c.doubleBuffer, c.depthBits);
                      CHECK(1, format && SetPixelFormat(dc, format, nullptr));
                      HGLRC rc = wglCreateContext(dc);
                      CHECK(2, rc && wglMakeCurrent(dc, rc));
                      CHECK(3, glGetError() == GL_OUT_OF_MEMORY);
                      drawEverything(c.width, c.height);
                      while (glGetError() != GL_NO_ERROR) {
                      }
                      SwapBuffers(dc);
                      // A size the buffers can have.
                      SetWindowPos(w, nullptr, 0, 0, 64, 48, SWP_NOMOVE | SWP_NOZORDER);
                      drawEverything(64, 48);
                      CHECK(4, glGetError() == GL_NO_ERROR);
                      glDrawBuffer(GL_FRONT);
                      glReadBuffer(GL_FRONT);
                      glClearColor(0, 0, 1, 1);
                      glClear(GL_COLOR_BUFFER_BIT);
                      glColor3f(1, 1, 1);
                      glRecti(0, 0, 8, 8);
                      uint8_t rgb[2][3] = {};
                      glReadPixels(4, 4, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb[0]);
                      glReadPixels(40, 40, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb[1]);
                      CHECK(5, rgb[0][0] == 255 && rgb[0][1] == 255 && rgb[0][2] == 255);
                      CHECK(6, rgb[1][0] == 0 && rgb[1][1] == 0 && rgb[1][2] == 255);
                      CHECK(7, glGetError() == GL_NO_ERROR);
                      endWindowContext(w, dc, rc);
                      return 0;
                  }),
                  0)
            << c.what;
    }
}

TEST(WindowEvents, DisplayChangeMarksTheFormatListForRebuild) {
    EXPECT_EQ(inChild([] {
                  HWND w = makeWindow(8, 8);
                  CHECK(1, __wglDescribePixelFormat(nullptr, 0, 0, nullptr) == 22 && !__wglPixelFormatsStale);
                  StandinSetDisplayMode(32, 800, 600, TRUE);
                  CHECK(2, __wglPixelFormatsStale == 1);
                  CHECK(3, __wglDescribePixelFormat(nullptr, 0, 0, nullptr) == 22 && !__wglPixelFormatsStale);
                  DestroyWindow(w);
                  return 0;
              }),
              0);
}

}  // namespace

// The raster position is kept in window coordinates, from the bottom left:
// when a window's height changes it stays where it was set, and an image is
// drawn there, though the window's rows are kept from its top.
TEST(WindowEvents, RasterPositionKeepsItsWindowCoordinatesWhenTheHeightChanges) {
    const struct {
        int from, to;
    } cases[] = {{200, 250}, {250, 200}, {30, 50}, {50, 30}, {40, 40}};
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.from << " to " << t.to << " rows");
        EXPECT_EQ(inChild([&] {
                      HWND w = makeWindow(40, t.from);
                      HDC dc = GetDC(w);
                      CHECK(1, SetPixelFormat(dc, 4, nullptr));
                      HGLRC rc = wglCreateContext(dc);
                      CHECK(2, wglMakeCurrent(dc, rc));
                      glViewport(0, 0, 40, t.from);
                      glMatrixMode(GL_PROJECTION);
                      glOrtho(0, 40, 0, t.from, -1, 1);
                      glRasterPos2i(10, 20);
                      GLfloat pos[4];
                      glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
                      CHECK(3, pos[0] == 10.0f && pos[1] == 20.0f);
                      SetWindowPos(w, nullptr, 0, 0, 40, t.to, SWP_NOMOVE | SWP_NOZORDER);
                      glViewport(0, 0, 40, t.to);
                      glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
                      CHECK(4, pos[0] == 10.0f && pos[1] == 20.0f);
                      // And again at the same size: still there.
                      glViewport(0, 0, 40, t.to);
                      glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
                      CHECK(5, pos[0] == 10.0f && pos[1] == 20.0f);
                      glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
                      glClear(GL_COLOR_BUFFER_BIT);
                      const uint8_t red[4] = {255, 0, 0, 255};
                      glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, red);
                      uint8_t at[4] = {}, moved[4] = {};
                      glReadPixels(10, 20, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, at);
                      glReadPixels(10, 20 + t.to - t.from, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, moved);
                      CHECK(6, at[0] == 255 && at[1] == 0);
                      CHECK(7, t.to == t.from || moved[0] == 0);
                      // The drawable took the new height.
                      WglDrawable* d = __wglFindDrawable(dc, w);
                      CHECK(8, d && d->height == t.to);
                      endWindowContext(w, dc, rc);
                      return 0;
                  }),
                  0);
    }
}
