// Context handles: numbering, make-current and its failures, deletion, sharing.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <thread>
#include "gltest.h"
#include "standin/control.h"

namespace {

#define CHECK(step, cond) \
    if (!(cond)) return step

// A 16-bit top-down 5-6-5 DIB section selected into a memory DC.
const DWORD masks565[3] = {0xF800, 0x07E0, 0x001F};
struct MemorySurface : GltestDib {
    MemorySurface(int width, int height) : GltestDib(width, height, 16, true, masks565) {}
};

// Loads the library (software contexts only) in a child process and runs fn.
int inChild(const std::function<int()>& fn) {
    return gltestInChild([&] {
        setenv("QRB_USESW", "1", 1);
        if (!gltestLoad()) return 90;
        int r = fn();
        if (!gltestUnload()) return 91;
        return r;
    });
}

std::string lastLogLine() {
    std::string out = StandinDebugOutput();
    size_t end = out.size() > 0 ? out.size() - 1 : 0;
    size_t start = out.rfind('\n', end > 0 ? end - 1 : 0);
    return start == std::string::npos ? out : out.substr(start + 1);
}

bool failedWith(const char* call, DWORD code) {
    char line[128];
    snprintf(line, sizeof line, "WGL Message:System Error: (%d):%s\n", (int)code, call);
    return GetLastError() == (code | 0xE03D3D00u) && lastLogLine() == line;
}

TEST(Handles, NumberedFromOneAndAFailedCreationUsesItsNumber) {
    EXPECT_EQ(inChild([] {
                  MemorySurface s(8, 4);
                  CHECK(1, SetPixelFormat(s.dc, 2, nullptr));
                  const int before = StandinGlobalLiveBlocks();
                  HGLRC a = wglCreateContext(s.dc), b = wglCreateContext(s.dc);
                  CHECK(2, (uintptr_t)a == 1 && (uintptr_t)b == 2);
                  StandinFailGlobalAllocAfter(1);  // the handle record, then the format info fails
                  StandinClearDebugOutput();
                  CHECK(3, wglCreateContext(s.dc) == nullptr);
                  CHECK(4, failedWith("wglCreateContext", 0xC0000000u));
                  HGLRC d = wglCreateContext(s.dc);
                  CHECK(5, (uintptr_t)d == 4);
                  CHECK(6, wglDeleteContext(a) && wglDeleteContext(b) && wglDeleteContext(d));
                  return StandinGlobalLiveBlocks() == before ? 0 : 7;
              }),
              0);
}

TEST(Handles, CreationNeedsAPixelFormat) {
    EXPECT_EQ(inChild([] {
                  MemorySurface s(8, 4);
                  StandinClearDebugOutput();
                  CHECK(1, wglCreateContext(s.dc) == nullptr);
                  return failedWith("wglCreateContex", 9) ? 0 : 2;
              }),
              0);
}

TEST(MakeCurrent, FailuresSetTheirCodeAndLogLine) {
    EXPECT_EQ(inChild([] {
                  MemorySurface s(8, 4), other(8, 4);
                  CHECK(1, SetPixelFormat(s.dc, 2, nullptr) && SetPixelFormat(other.dc, 1, nullptr));
                  HGLRC h = wglCreateContext(s.dc);
                  CHECK(2, h != nullptr);

                  StandinClearDebugOutput();
                  CHECK(3, !wglMakeCurrent(s.dc, (HGLRC)(uintptr_t)99));
                  CHECK(4, failedWith("wglMakeCurrent", 2));

                  // A memory DC holding only its stock bitmap has nothing to draw into.
                  HDC bare = CreateCompatibleDC(nullptr);
                  CHECK(5, !wglMakeCurrent(bare, h));
                  CHECK(6, failedWith("wglMakeCurrent", 1));
                  DeleteDC(bare);

                  CHECK(7, !wglMakeCurrent(other.dc, h));  // format 1 drawable, format 2 context
                  CHECK(8, failedWith("wglMakeCurrent", 26));
                  CHECK(9, wglGetCurrentContext() == nullptr);

                  // Not a device context at all: fails without a message.
                  StandinClearDebugOutput();
                  CHECK(10, !wglMakeCurrent((HDC)s.bitmap, h));
                  CHECK(11, StandinDebugOutput()[0] == 0);

                  CHECK(12, wglMakeCurrent(s.dc, h));
                  CHECK(13, wglGetCurrentContext() == h && wglGetCurrentDC() == s.dc);
                  CHECK(14, wglMakeCurrent(nullptr, nullptr));
                  CHECK(15, wglGetCurrentContext() == nullptr && wglGetCurrentDC() == nullptr);
                  return wglDeleteContext(h) ? 0 : 16;
              }),
              0);
}

TEST(MakeCurrent, ContextCurrentInAnotherThreadIsRefused) {
    EXPECT_EQ(inChild([] {
                  MemorySurface s(8, 4);
                  CHECK(1, SetPixelFormat(s.dc, 2, nullptr));
                  HGLRC h = wglCreateContext(s.dc);
                  CHECK(2, wglMakeCurrent(s.dc, h));
                  int result = 0;
                  std::thread t([&] {
                      StandinClearDebugOutput();
                      if (wglMakeCurrent(s.dc, h)) result = 3;
                      else if (!failedWith("wglMakeCurrent", 25)) result = 4;
                      else if (wglDeleteContext(h)) result = 5;  // current elsewhere: refused quietly
                      __wglDetachThread();
                  });
                  t.join();
                  CHECK(result, result == 0);
                  CHECK(6, wglGetCurrentContext() == h);
                  return wglDeleteContext(h) && wglGetCurrentContext() == nullptr ? 0 : 7;
              }),
              0);
}

TEST(MakeCurrent, LoseCurrentRefusedInsideBeginOrFeedback) {
    EXPECT_EQ(inChild([] {
                  MemorySurface s(8, 4);
                  CHECK(1, SetPixelFormat(s.dc, 2, nullptr));
                  HGLRC h = wglCreateContext(s.dc);
                  CHECK(2, wglMakeCurrent(s.dc, h));
                  glBegin(GL_POINTS);
                  CHECK(3, !wglMakeCurrent(nullptr, nullptr));
                  CHECK(4, wglGetCurrentContext() == h);
                  glEnd();
                  CHECK(5, glGetError() == GL_NO_ERROR);
                  GLfloat buffer[8];
                  glFeedbackBuffer(8, GL_2D, buffer);
                  glRenderMode(GL_FEEDBACK);
                  CHECK(6, !wglMakeCurrent(nullptr, nullptr) && wglGetCurrentContext() == h);
                  glRenderMode(GL_RENDER);
                  CHECK(7, wglMakeCurrent(nullptr, nullptr));
                  return wglDeleteContext(h) ? 0 : 8;
              }),
              0);
}

TEST(Handles, DeleteAndShareRefuseHandleZero) {
    EXPECT_EQ(inChild([] {
                  MemorySurface s(8, 4);
                  CHECK(1, SetPixelFormat(s.dc, 2, nullptr));
                  HGLRC h = wglCreateContext(s.dc);
                  StandinClearDebugOutput();
                  CHECK(2, !wglDeleteContext(nullptr) && failedWith("wglDeleteContext", 2));
                  CHECK(3, !wglShareLists(nullptr, h) && failedWith("wglShareLists", 32));
                  CHECK(4, !wglShareLists(h, nullptr) && failedWith("wglShareLists", 33));
                  CHECK(5, __wglNullContext != nullptr && __wglHandleList.handle == 0);
                  return wglDeleteContext(h) ? 0 : 6;
              }),
              0);
}

TEST(Handles, FormatsTheBuffersCannotAddressAreRefused) {
    EXPECT_EQ(inChild([] {
                  HDC dc = CreateCompatibleDC(nullptr);
                  struct {
                      BITMAPINFOHEADER h;
                      RGBQUAD colours[16];
                  } info = {};
                  info.h.biSize = sizeof info.h;
                  info.h.biWidth = 8, info.h.biHeight = 4;
                  info.h.biPlanes = 1, info.h.biBitCount = 4;
                  void* bits = nullptr;
                  HBITMAP bitmap = CreateDIBSection(dc, (BITMAPINFO*)&info, DIB_RGB_COLORS, &bits, nullptr, 0);
                  HGDIOBJ old = SelectObject(dc, bitmap);
                  CHECK(1, SetPixelFormat(dc, 19, nullptr));  // RGBA, 4 colour bits
                  StandinClearDebugOutput();
                  CHECK(2, wglCreateContext(dc) == nullptr);
                  CHECK(3, failedWith("wglCreateContext", 0xC0000000u));
                  SelectObject(dc, old);
                  DeleteObject(bitmap);
                  DeleteDC(dc);
                  return 0;
              }),
              0);
}

TEST(Handles, ListsAreShared) {
    EXPECT_EQ(inChild([] {
                  MemorySurface s(8, 4);
                  CHECK(1, SetPixelFormat(s.dc, 2, nullptr));
                  HGLRC a = wglCreateContext(s.dc), b = wglCreateContext(s.dc);
                  CHECK(2, wglMakeCurrent(s.dc, a));
                  GLuint list = glGenLists(1);
                  glNewList(list, GL_COMPILE);
                  glEndList();
                  CHECK(3, wglShareLists(a, b));
                  CHECK(4, wglMakeCurrent(s.dc, b) && glIsList(list));
                  CHECK(5, wglDeleteContext(a) && glIsList(list));  // survives the other context
                  return wglDeleteContext(b) ? 0 : 6;
              }),
              0);
}

TEST(Hook, ClosingTheCurrentContextsWindowReleasesIt) {
    EXPECT_EQ(inChild([] {
                  WNDCLASSA wc = {};
                  wc.lpfnWndProc = DefWindowProcA;
                  wc.lpszClassName = "context-test";
                  RegisterClassA(&wc);
                  HWND window = CreateWindowExA(0, "context-test", "", WS_POPUP, 0, 0, 32, 16, nullptr,
                                                nullptr, nullptr, nullptr);
                  HDC dc = GetDC(window);
                  CHECK(1, SetPixelFormat(dc, 4, nullptr));
                  HGLRC h = wglCreateContext(dc);
                  CHECK(2, wglMakeCurrent(dc, h) && wglGetCurrentContext() == h);
                  StandinDeliverCallWndProc(window, WM_CLOSE, 0, 0);
                  CHECK(3, wglGetCurrentContext() == nullptr);
                  CHECK(4, glGetString(GL_VENDOR) == nullptr);  // the null table
                  CHECK(5, wglDeleteContext(h));
                  ReleaseDC(window, dc);
                  DestroyWindow(window);
                  return 0;
              }),
              0);
}

}  // namespace

namespace {

// The 5-6-5 pixel at (x, y) of a top-down surface.
uint16_t pixel565(const MemorySurface& s, int x, int y) { return (uint16_t)s.at(x, y, 2); }

}  // namespace

// A memory DC keeps the format SetPixelFormat gave it for as long as it lives:
// deleting the context current on it disturbs neither the format, nor another
// context already made on it, nor a new one. Each way of deleting is a case.
TEST(Handles, DeletingAContextKeepsItsMemoryDCsFormat) {
    const struct {
        const char* name;
        bool currentWhenDeleted;
    } cases[] = {{"deleted while current", true}, {"deleted after release", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(inChild([&] {
                      MemorySurface s(8, 4);
                      CHECK(1, SetPixelFormat(s.dc, 2, nullptr));
                      HGLRC a = wglCreateContext(s.dc), b = wglCreateContext(s.dc);
                      CHECK(2, a && b && wglMakeCurrent(s.dc, a));
                      if (!c.currentWhenDeleted) CHECK(3, wglMakeCurrent(nullptr, nullptr));
                      CHECK(4, wglDeleteContext(a));
                      CHECK(5, GetPixelFormat(s.dc) == 2);
                      CHECK(6, wglMakeCurrent(s.dc, b));
                      glClearColor(0, 1, 0, 0);
                      glClear(GL_COLOR_BUFFER_BIT);
                      glFinish();
                      CHECK(7, pixel565(s, 3, 2) == 0x07E0);
                      HGLRC d = wglCreateContext(s.dc);
                      CHECK(8, d && wglMakeCurrent(s.dc, d));
                      CHECK(9, !SetPixelFormat(s.dc, 2, nullptr));  // still set: a second call fails
                      CHECK(10, wglMakeCurrent(nullptr, nullptr) && wglDeleteContext(b) && wglDeleteContext(d));
                      CHECK(11, GetPixelFormat(s.dc) == 2);
                      return 0;
                  }),
                  0)
            << c.name;
    }
}

// The drawable that holds a memory DC's format goes with the DC: nothing of
// it is left once the DC is deleted, and a new DC starts without a format.
TEST(Handles, AMemoryDCsFormatGoesWithTheDC) {
    EXPECT_EQ(inChild([] {
                  const int before = StandinGlobalLiveBlocks();
                  {
                      MemorySurface s(8, 4);
                      CHECK(1, SetPixelFormat(s.dc, 2, nullptr));
                      HGLRC a = wglCreateContext(s.dc);
                      CHECK(2, a && wglMakeCurrent(s.dc, a) && wglDeleteContext(a));
                  }
                  MemorySurface t(8, 4);
                  CHECK(3, GetPixelFormat(t.dc) == 0);
                  const int surface = StandinGlobalLiveBlocks() - before;
                  {
                      MemorySurface u(8, 4);
                      CHECK(4, SetPixelFormat(u.dc, 2, nullptr));
                  }
                  CHECK(5, GetPixelFormat(t.dc) == 0);
                  return StandinGlobalLiveBlocks() - before == surface ? 0 : 6;
              }),
              0);
}

namespace {

// A textured 8 x 4 quad over the whole surface with a 2 x 1 texture: red on
// the left half, blue on the right (GL_REPLACE, nearest).
void drawTexturedQuad(GLuint name, bool giveImage) {
    glBindTexture(GL_TEXTURE_2D, name);
    if (giveImage) {
        const GLubyte texels[2 * 3] = {255, 0, 0, 0, 0, 255};
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    glViewport(0, 0, 8, 4);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1);
    glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
    glFinish();
}

}  // namespace

// Shared texture objects and display lists stay usable while any sharing
// context lives: the context that made them is deleted, the other gives the
// object its image (or uses the image the first one gave) and draws with it.
TEST(Handles, SharedObjectsOutliveTheContextThatMadeThem) {
    const struct {
        const char* name;
        bool imageBeforeDelete;  // the first context gives the image (and draws, converting it)
        bool listBeforeDelete;   // the first context compiles a list that binds and draws
        bool generic;            // the generic span path samples through the level's texel readers
    } cases[] = {
        {"object made, image given after", false, false, false},
        {"image given and drawn before", true, false, false},
        {"list compiled before", true, true, false},
        {"generic: object made, image given after", false, false, true},
        {"generic: image given and drawn before", true, false, true},
        {"generic: list compiled before", true, true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inChild([&] {
                      if (c.generic) setenv("__GL_DISABLE_FASTPATH", "1", 1);
                      MemorySurface s(8, 4);
                      CHECK(1, SetPixelFormat(s.dc, 2, nullptr));
                      HGLRC a = wglCreateContext(s.dc), b = wglCreateContext(s.dc);
                      CHECK(2, a && b && wglShareLists(a, b));
                      CHECK(3, wglMakeCurrent(s.dc, a));
                      glDisable(GL_DITHER);
                      glBindTexture(GL_TEXTURE_2D, 5);
                      if (c.imageBeforeDelete) drawTexturedQuad(5, true);
                      if (c.listBeforeDelete) {
                          glNewList(7, GL_COMPILE);
                          drawTexturedQuad(5, false);
                          glEndList();
                      }
                      CHECK(4, wglMakeCurrent(nullptr, nullptr) && wglDeleteContext(a));
                      CHECK(5, wglMakeCurrent(s.dc, b));
                      glDisable(GL_DITHER);
                      glClear(GL_COLOR_BUFFER_BIT);
                      if (c.listBeforeDelete) glCallList(7), glFinish();
                      else drawTexturedQuad(5, !c.imageBeforeDelete);
                      CHECK(6, glGetError() == GL_NO_ERROR);
                      CHECK(7, pixel565(s, 1, 1) == 0xF800 && pixel565(s, 6, 2) == 0x001F);
                      glDeleteTextures(1, (const GLuint[]){5});
                      glDeleteLists(7, 1);
                      CHECK(8, wglMakeCurrent(nullptr, nullptr) && wglDeleteContext(b));
                      return 0;
                  }),
                  0)
            << c.name;
    }
}
