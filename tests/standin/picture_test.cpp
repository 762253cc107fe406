// Pictures of whole windows through the script verb "picture": the frame, the caption, the menu
// bar with its items' texts, the client area as GDI drew it and a child control, each checked at
// known points of the written .bmp.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "standin/control.h"
#include "standin/resources.h"

namespace {

enum { kPictureMenu = 701 };
const StandinMenuItem kPictureMenuItems[] = {{0, MF_POPUP, 0, "&File"}, {1, 0, 711, "&Open"}, {0, 0, 712, "&Help"}};
const StandinResource kPictureResources[] = {{STANDIN_RT_MENU, kPictureMenu, kPictureMenuItems, 3}};
const bool registered = (StandinRegisterResources(nullptr, kPictureResources, 1), true);

// A 24-bit bottom-up .bmp as colours, top row first.
struct Picture {
  LONG width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(LONG x, LONG y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  // Whether any pixel of the rectangle has the colour.
  bool Holds(RECT r, COLORREF c) const {
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x)
        if (At(x, y) == c) return true;
    return false;
  }
};

bool ReadPicture(const std::string &path, Picture *out) {
  FILE *f = fopen(path.c_str(), "rb");
  if (!f) return false;
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER header;
  bool ok = fread(&file, sizeof file, 1, f) == 1 && fread(&header, sizeof header, 1, f) == 1 && file.bfType == 0x4D42 &&
            header.biBitCount == 24 && header.biHeight > 0;
  if (ok) {
    out->width = header.biWidth, out->height = header.biHeight;
    const size_t stride = (size_t(header.biWidth) * 3 + 3) & ~size_t(3);
    std::vector<BYTE> row(stride);
    out->pixels.assign(size_t(out->width) * size_t(out->height), 0);
    for (LONG y = out->height - 1; ok && y >= 0; --y) {
      ok = fread(row.data(), stride, 1, f) == 1;
      for (LONG x = 0; ok && x < out->width; ++x)
        out->pixels[size_t(y) * size_t(out->width) + size_t(x)] = RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
  }
  fclose(f);
  return ok;
}

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    char pattern[] = "/tmp/picture-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
  }
  void TearDown() override {
    for (const std::string &file : written) unlink(file.c_str());
    rmdir(dir.c_str());
    StandinLoadInputScript("");
  }
  // Runs the script through the queue until it has nothing left.
  void Play(const std::string &script) {
    const char *problem = StandinLoadInputScript(script.c_str());
    ASSERT_EQ(nullptr, problem) << problem;
    MSG msg;
    for (int i = 0; i < 20; ++i)
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  std::string File(const char *name) {
    written.push_back(dir + "/" + name);
    return written.back();
  }
  std::string dir;
  std::vector<std::string> written;
};

// A 200 x 150 window at (10, 20) with a thick frame (4), a caption (19) and a menu bar (19): its
// client area (192 x 104) starts at (4, 42) of the picture.
TEST_F(PictureTest, ScriptVerbWritesFrameCaptionMenuClientAndChild) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "PictureTest";
  wc.lpszMenuName = MAKEINTRESOURCEA(kPictureMenu);
  HBRUSH green = CreateSolidBrush(RGB(0, 128, 0)), red = CreateSolidBrush(RGB(255, 0, 0));
  wc.hbrBackground = green;
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND window = CreateWindowA("PictureTest", "Pic", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 20, 200, 150, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  HWND button = CreateWindowA("BUTTON", "Go", WS_CHILD | WS_VISIBLE, 100, 60, 60, 20, window, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, button);
  HDC dc = GetDC(window);
  HGDIOBJ previous = SelectObject(dc, red);
  EXPECT_TRUE(Rectangle(dc, 10, 10, 50, 40));
  SelectObject(dc, previous);
  ReleaseDC(window, dc);

  const std::string path = File("window.bmp");
  Play("0 picture \"" + path + "\"\n");
  Picture picture;
  ASSERT_TRUE(ReadPicture(path, &picture));
  ASSERT_EQ(200, picture.width);
  ASSERT_EQ(150, picture.height);
  const struct {
    const char *what;
    LONG x, y;
    COLORREF colour;
  } points[] = {
      {"frame's outline", 0, 0, GetSysColor(COLOR_WINDOWFRAME)},
      {"frame", 2, 80, GetSysColor(COLOR_ACTIVEBORDER)},
      {"caption of the active window", 150, 5, GetSysColor(COLOR_ACTIVECAPTION)},
      {"menu bar", 180, 30, GetSysColor(COLOR_MENU)},
      {"client background", 4 + 5, 42 + 100, RGB(0, 128, 0)},
      {"rectangle's border", 4 + 10, 42 + 10, RGB(0, 0, 0)},
      {"rectangle's inside", 4 + 30, 42 + 25, RGB(255, 0, 0)},
      {"button's face", 4 + 104, 42 + 62, GetSysColor(COLOR_BTNFACE)},
      {"button's border", 4 + 100, 42 + 70, GetSysColor(COLOR_BTNSHADOW)},
      {"client right of the button", 4 + 170, 42 + 70, RGB(0, 128, 0)},
  };
  for (const auto &p : points) EXPECT_EQ(p.colour, picture.At(p.x, p.y)) << p.what;
  // Texts: the title on the caption, the items on the menu bar, the label on the button.
  const struct {
    const char *what;
    RECT area;
    COLORREF ink;
    bool present;
  } texts[] = {
      {"title", {8, 4, 60, 22}, GetSysColor(COLOR_CAPTIONTEXT), true},
      {"caption right of the title", {60, 4, 170, 22}, GetSysColor(COLOR_CAPTIONTEXT), false},
      {"menu items", {8, 23, 80, 42}, GetSysColor(COLOR_MENUTEXT), true},
      {"menu bar right of the items", {100, 23, 196, 42}, GetSysColor(COLOR_MENUTEXT), false},
      {"button's label", {4 + 101, 42 + 61, 4 + 159, 42 + 79}, GetSysColor(COLOR_BTNTEXT), true},
  };
  for (const auto &t : texts) EXPECT_EQ(t.present, picture.Holds(t.area, t.ink)) << t.what;

  // The desktop's picture holds the window where it stands.
  const std::string desktop = File("desktop.bmp");
  Play("0 picture \"" + desktop + "\" desktop\n");
  Picture whole;
  ASSERT_TRUE(ReadPicture(desktop, &whole));
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), whole.width);
  EXPECT_EQ(GetSysColor(COLOR_BACKGROUND), whole.At(5, 5));
  EXPECT_EQ(RGB(255, 0, 0), whole.At(10 + 4 + 30, 20 + 42 + 25));
  DestroyWindow(window);
  UnregisterClassA("PictureTest", nullptr);
  DeleteObject(green);
  DeleteObject(red);
}

// A GL image of one colour for the windows of `glWindow`.
HWND glWindow;
BOOL BlueImage(HWND window, int width, int height, DWORD *pixels) {
  if (window != glWindow) return FALSE;
  for (int i = 0; i < width * height; ++i) pixels[i] = 0x0000FF;
  return TRUE;
}

// The GL image fills the client area where no GDI drawing reached; GDI drawing shows over it.
TEST_F(PictureTest, GdiDrawingShowsOverTheGlImage) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "PictureGl";
  ASSERT_TRUE(RegisterClassA(&wc));
  glWindow = CreateWindowA("PictureGl", "", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
  StandinSetGlImageSource(BlueImage);
  HDC dc = GetDC(glWindow);
  const POINT triangle[3] = {{40, 10}, {60, 10}, {60, 30}};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ previous = SelectObject(dc, red);
  EXPECT_TRUE(Polygon(dc, triangle, 3));
  SelectObject(dc, previous);
  ReleaseDC(glWindow, dc);
  const std::string path = File("gl.bmp");
  ASSERT_TRUE(StandinWritePicture(glWindow, path.c_str()));
  StandinSetGlImageSource(nullptr);
  Picture picture;
  ASSERT_TRUE(ReadPicture(path, &picture));
  const struct {
    LONG x, y;
    COLORREF colour;
  } points[] = {{5, 5, RGB(0, 0, 255)}, {40, 40, RGB(0, 0, 255)}, {57, 15, RGB(255, 0, 0)}, {45, 25, RGB(0, 0, 255)},
                {40, 10, RGB(0, 0, 0)}};
  for (const auto &p : points) EXPECT_EQ(p.colour, picture.At(p.x, p.y)) << p.x << "," << p.y;
  DestroyWindow(glWindow);
  UnregisterClassA("PictureGl", nullptr);
  DeleteObject(red);
}

// A window whose client area no surface can hold (4 GiB at 32 bits) still gives a DC; drawing on it
// does nothing and it has no picture until a resize gives it a surface.
TEST_F(PictureTest, AWindowTooLargeForASurfaceDrawsNothingUntilResized) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "PictureHuge";
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND w = CreateWindowA("PictureHuge", "", WS_POPUP | WS_VISIBLE, 0, 0, 65536, 16384, nullptr, nullptr, nullptr,
                         nullptr);
  ASSERT_NE(nullptr, w);
  HDC dc = GetDC(w);
  ASSERT_NE(nullptr, dc);
  const RECT r = {0, 0, 16, 16};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(CLR_INVALID, GetPixel(dc, 4, 4));
  ReleaseDC(w, dc);
  EXPECT_FALSE(StandinWritePicture(w, File("huge.bmp").c_str()));
  ASSERT_TRUE(SetWindowPos(w, nullptr, 0, 0, 32, 24, SWP_NOMOVE | SWP_NOZORDER));
  dc = GetDC(w);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 4, 4));
  ReleaseDC(w, dc);
  const std::string path = File("resized.bmp");
  ASSERT_TRUE(StandinWritePicture(w, path.c_str()));
  Picture picture;
  ASSERT_TRUE(ReadPicture(path, &picture));
  EXPECT_EQ(32, picture.width);
  EXPECT_EQ(RGB(0, 0, 0), picture.At(4, 4));
  DestroyWindow(w);
  UnregisterClassA("PictureHuge", nullptr);
}

}  // namespace
