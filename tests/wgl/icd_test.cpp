// Installable-client-driver entries: version, pixel-format table, the entry table, and a
// context created, made current and released through them.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string.h>
#include "gltest.h"
#include <GL/gl.h>
#include "wgl/wgl.h"
#include "standin/control.h"

int wglxInChild(const std::function<int()>& fn);

namespace {

#define AS_PROC(f) ((PROC)(void (*)(void))(f))
#define CHECK(step, cond) \
    if (!(cond)) return step

TEST(DriverEntries, VersionAndDescribeStayInsideTheTable) {
    const struct {
        ULONG version;
        BOOL valid;
    } versions[] = {{0, FALSE}, {1, TRUE}, {2, FALSE}};
    for (const auto& v : versions) EXPECT_EQ(DrvValidateVersion(v.version), v.valid) << v.version;

    const struct {
        LONG index;
        ULONG bytes;
        int written;  // bytes copied from the table
        DWORD flags;
        BYTE accum;
    } cases[] = {
        {0, 40, 0, 0, 0},  {1, 40, 40, 0x25, 0}, {2, 40, 40, 0x24, 0}, {3, 40, 40, 0x25, 64},
        {4, 40, 40, 0x24, 64}, {5, 40, 0, 0, 0}, {-1, 40, 0, 0, 0},  {3, 8, 8, 0x25, 0},
        {3, 0, 0, 0, 0},
    };
    for (const auto& k : cases) {
        uint8_t buffer[48];
        memset(buffer, 0xCD, sizeof buffer);
        PIXELFORMATDESCRIPTOR* pfd = (PIXELFORMATDESCRIPTOR*)buffer;
        EXPECT_EQ(DrvDescribePixelFormat(nullptr, k.index, k.bytes, pfd), 4) << k.index;
        for (int i = k.written; i < (int)sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0xCD) << k.index << " byte " << i;
        if (k.written == 40) {
            EXPECT_EQ(pfd->nSize, 40);
            EXPECT_EQ(pfd->dwFlags, k.flags);
            EXPECT_EQ(pfd->cColorBits, 24);
            EXPECT_EQ(pfd->cDepthBits, 32);
            EXPECT_EQ(pfd->cAccumBits, k.accum);
            EXPECT_EQ(pfd->cAccumRedBits, k.accum / 4);
            EXPECT_EQ(pfd->cAlphaBits, 0);
        }
    }
    EXPECT_EQ(DrvDescribePixelFormat(nullptr, 1, 40, nullptr), 4);
}

// Every exported entry exactly once, in the driver order's known ends.
TEST(DriverEntries, ProcTableListsEachExportOnce) {
    ASSERT_EQ(GlProcTable.count, 336u);
    std::set<std::string> names(GlProcTableNames, GlProcTableNames + 336), exported;
    EXPECT_EQ(names.size(), 336u);
    for (int s = 0; s < 358; ++s)
        if (__glSlotNames[s]) exported.insert(__glSlotNames[s]);
    EXPECT_EQ(names, exported);
    const struct {
        int index;
        PROC entry;
    } ends[] = {
        {0, AS_PROC(glNewList)},          {1, AS_PROC(glEndList)},         {2, AS_PROC(glCallList)},
        {332, AS_PROC(glTexSubImage1D)},  {333, AS_PROC(glTexSubImage2D)}, {334, AS_PROC(glPopClientAttrib)},
        {335, AS_PROC(glPushClientAttrib)}, {43, AS_PROC(glEnd)},          {305, AS_PROC(glViewport)},
    };
    for (const auto& e : ends) EXPECT_EQ(GlProcTable.entries[e.index], e.entry) << e.index;
}

HWND makeWindow(int width, int height) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "icd-test";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "icd-test", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
}

TEST(DriverEntries, ContextCreatedMadeCurrentAndReleased) {
    EXPECT_EQ(wglxInChild([] {
                  HWND window = makeWindow(16, 16);
                  HDC dc = GetDC(window);
                  CHECK(1, DrvSetPixelFormat(dc, 1));
                  CHECK(2, GetPixelFormat(dc) != 0);
                  CHECK(3, DrvSetPixelFormat(dc, 3));  // already has one: still TRUE
                  CHECK(4, DrvCreateContext(dc) == 0);
                  DHGLRC context = DrvCreateLayerContext(dc, 0);
                  CHECK(5, context != 0);
                  CHECK(6, DrvSetContext(dc, context, nullptr) == &GlProcTable);
                  CHECK(7, wglGetCurrentContext() == (HGLRC)context && wglGetCurrentDC() == dc);
                  // The table's entries run the context.
                  typedef void(APIENTRY * ClearColor)(GLclampf, GLclampf, GLclampf, GLclampf);
                  ((ClearColor)(void (*)(void))GlProcTable.entries[206])(0.25f, 0.5f, 0.75f, 1);
                  GLfloat color[4];
                  glGetFloatv(GL_COLOR_CLEAR_VALUE, color);
                  CHECK(8, color[0] == 0.25f && color[2] == 0.75f);
                  CHECK(9, DrvReleaseContext(context) && wglGetCurrentContext() == nullptr);
                  // A failed make-current hands out the same table.
                  CHECK(10, DrvSetContext(dc, 0x7777, nullptr) == &GlProcTable);
                  CHECK(11, DrvDeleteContext(context) && !DrvDeleteContext(context));
                  CHECK(12, !DrvShareLists(1, 2) && !DrvGetProcAddress("glBegin") && !DrvCopyContext(1, 2, 0));
                  ReleaseDC(window, dc);
                  DestroyWindow(window);
                  return 0;
              }),
              0);
}

}  // namespace
