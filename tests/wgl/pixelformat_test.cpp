// The pixel-format list on the 16-bit display, choosing, describing and the
// format record the context constructors get.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include "gltest.h"
#include "wgl/pixelformat.h"

namespace {

struct Golden {
    DWORD flags;
    BYTE type, colorBits, redBits, redShift, greenBits, greenShift, blueBits, blueShift, accumBits, depthBits;
};

const BYTE RGBA = PFD_TYPE_RGBA, CI = PFD_TYPE_COLORINDEX;

// Window formats of the display's depth first, then bitmap-only formats in table order.
const Golden golden[22] = {
    {0x7C, RGBA, 16, 5, 11, 6, 5, 5, 0, 64, 32}, {0x7C, RGBA, 16, 5, 11, 6, 5, 5, 0, 64, 16},
    {0x65, RGBA, 16, 5, 11, 6, 5, 5, 0, 64, 32}, {0x65, RGBA, 16, 5, 11, 6, 5, 5, 0, 64, 16},
    {0x78, CI, 16, 5, 11, 6, 5, 5, 0, 0, 32},    {0x78, CI, 16, 5, 11, 6, 5, 5, 0, 0, 16},
    {0x78, RGBA, 32, 8, 16, 8, 8, 8, 0, 64, 32}, {0x78, RGBA, 32, 8, 16, 8, 8, 8, 0, 64, 16},
    {0x78, CI, 32, 0, 0, 0, 0, 0, 0, 0, 32},     {0x78, CI, 32, 0, 0, 0, 0, 0, 0, 0, 16},
    {0x78, RGBA, 24, 8, 16, 8, 8, 8, 0, 64, 32}, {0x78, RGBA, 24, 8, 16, 8, 8, 8, 0, 64, 16},
    {0x78, CI, 24, 0, 0, 0, 0, 0, 0, 0, 32},     {0x78, CI, 24, 0, 0, 0, 0, 0, 0, 0, 16},
    {0xF8, RGBA, 8, 3, 5, 3, 2, 2, 0, 64, 32},   {0xF8, RGBA, 8, 3, 5, 3, 2, 2, 0, 64, 16},
    {0x78, CI, 8, 0, 0, 0, 0, 0, 0, 0, 32},      {0x78, CI, 8, 0, 0, 0, 0, 0, 0, 0, 16},
    {0x78, RGBA, 4, 1, 0, 1, 1, 1, 2, 64, 32},   {0x78, RGBA, 4, 1, 0, 1, 1, 1, 2, 64, 16},
    {0x78, CI, 4, 0, 0, 0, 0, 0, 0, 0, 32},      {0x78, CI, 4, 0, 0, 0, 0, 0, 0, 0, 16},
};

// The calls attach the calling thread as every wgl entry does, so the library
// is loaded around each test, as in a program.
struct PixelFormats : ::testing::Test {
    bool softwareWasAsked = getenv("QRB_USESW") != nullptr;
    void SetUp() override {
        if (!softwareWasAsked) setenv("QRB_USESW", "1", 1);
        ASSERT_TRUE(gltestLoad());
    }
    void TearDown() override {
        EXPECT_TRUE(gltestUnload());
        if (!softwareWasAsked) unsetenv("QRB_USESW");
    }
};

TEST_F(PixelFormats, GoldenListOnTheSixteenBitDisplay) {
    ASSERT_EQ(__wglDescribePixelFormat(nullptr, 0, 0, nullptr), 22);
    for (int i = 1; i <= 22; i++) {
        const Golden& g = golden[i - 1];
        PIXELFORMATDESCRIPTOR p;
        memset(&p, 0xCD, sizeof p);
        ASSERT_EQ(__wglDescribePixelFormat(nullptr, i, sizeof p, &p), 22);
        PIXELFORMATDESCRIPTOR e = {};
        e.nSize = 40, e.nVersion = 1, e.dwFlags = g.flags, e.iPixelType = g.type;
        e.cColorBits = g.colorBits;
        e.cRedBits = g.redBits, e.cRedShift = g.redShift, e.cGreenBits = g.greenBits;
        e.cGreenShift = g.greenShift, e.cBlueBits = g.blueBits, e.cBlueShift = g.blueShift;
        e.cAccumBits = g.accumBits;
        if (g.accumBits) e.cAccumRedBits = e.cAccumGreenBits = e.cAccumBlueBits = e.cAccumAlphaBits = 16;
        e.cDepthBits = g.depthBits, e.cStencilBits = 8;
        EXPECT_EQ(memcmp(&p, &e, sizeof p), 0) << "format " << i << " flags " << std::hex << p.dwFlags;
    }
}

TEST_F(PixelFormats, DescribeOutsideTheListAndShortCopies) {
    PIXELFORMATDESCRIPTOR p;
    EXPECT_EQ(__wglDescribePixelFormat(nullptr, 23, sizeof p, &p), 0);
    EXPECT_EQ(__wglDescribePixelFormat(nullptr, 0, sizeof p, &p), 0);
    EXPECT_EQ(__wglDescribePixelFormat(nullptr, -1, sizeof p, &p), 0);
    memset(&p, 0xAB, sizeof p);
    EXPECT_EQ(__wglDescribePixelFormat(nullptr, 4, 8, &p), 22);  // nSize, nVersion, dwFlags only
    EXPECT_EQ(p.dwFlags, 0x65u);
    EXPECT_EQ(p.iPixelType, 0xAB);
}

PIXELFORMATDESCRIPTOR request(DWORD flags, BYTE type, BYTE colorBits, BYTE depthBits) {
    PIXELFORMATDESCRIPTOR r = {};
    r.nSize = sizeof r, r.nVersion = 1, r.dwFlags = flags, r.iPixelType = type;
    r.cColorBits = colorBits, r.cDepthBits = depthBits;
    return r;
}

TEST_F(PixelFormats, Choose) {
    const DWORD win = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    struct Case {
        const char* what;
        PIXELFORMATDESCRIPTOR r;
        int expected;
    } cases[] = {
        {"double 16/16", request(win | PFD_DOUBLEBUFFER, RGBA, 16, 16), 4},
        {"double 16/32", request(win | PFD_DOUBLEBUFFER, RGBA, 16, 32), 3},
        {"single window 16/16", request(win, RGBA, 16, 16), 2},
        {"double don't care", request(win | PFD_DOUBLEBUFFER_DONTCARE, RGBA, 16, 16), 2},
        {"bitmap 24, no depth asked", request(PFD_DRAW_TO_BITMAP, RGBA, 24, 0), 12},
        {"colour index bitmap 8", request(PFD_DRAW_TO_BITMAP, CI, 8, 0), 18},
        {"colour index window", request(PFD_DRAW_TO_WINDOW, CI, 8, 16), 0},
        {"accelerated flag", request(win | 0x1000, RGBA, 16, 16), 0},
        {"depth don't care flag", request(win | PFD_DEPTH_DONTCARE, RGBA, 16, 16), 0},
        {"pixel type 2", request(win, 2, 16, 16), 0},
    };
    for (auto& c : cases) EXPECT_EQ(__wglChoosePixelFormat(nullptr, &c.r), c.expected) << c.what;

    PIXELFORMATDESCRIPTOR overlay = request(win, RGBA, 16, 16);
    overlay.iLayerType = 1;
    EXPECT_EQ(__wglChoosePixelFormat(nullptr, &overlay), 0);
    PIXELFORMATDESCRIPTOR alpha = request(win, RGBA, 16, 16);
    alpha.cAlphaBits = 8;
    EXPECT_EQ(__wglChoosePixelFormat(nullptr, &alpha), 0);
    PIXELFORMATDESCRIPTOR badLayer = request(win, RGBA, 16, 16);
    badLayer.iLayerType = (BYTE)-1;
    EXPECT_EQ(__wglChoosePixelFormat(nullptr, &badLayer), 0);
}

TEST_F(PixelFormats, FormatInfoFromDescriptor) {
    PIXELFORMATDESCRIPTOR p;
    ASSERT_EQ(__wglDescribePixelFormat(nullptr, 4, sizeof p, &p), 22);
    GlPixelFormatInfo f = __wglBuildPixelFormatInfo(&p);
    EXPECT_EQ(f.rgba, 1);
    EXPECT_EQ(f.colorIndex, 0);
    EXPECT_EQ(f.doubleBuffer, 1);
    EXPECT_EQ(f.accumPresent, 1);
    EXPECT_EQ(f.depthPresent, 1);
    EXPECT_EQ(f.stencilPresent, 1);
    EXPECT_EQ(f.redMask, 0xF800u);
    EXPECT_EQ(f.greenMask, 0x07E0u);
    EXPECT_EQ(f.blueMask, 0x001Fu);
    EXPECT_EQ(f.alphaMask, 0u);
    EXPECT_EQ(f.colorBits, 16u);
    EXPECT_EQ(f.accumRedBits, 16u);
    EXPECT_EQ(f.depthBits, 16u);
    EXPECT_EQ(f.stencilBits, 8u);

    ASSERT_EQ(__wglDescribePixelFormat(nullptr, 15, sizeof p, &p), 22);  // 8-bit R3G3B2
    f = __wglBuildPixelFormatInfo(&p);
    EXPECT_EQ(f.redMask, 0xE0u);
    EXPECT_EQ(f.greenMask, 0x1Cu);
    EXPECT_EQ(f.blueMask, 0x03u);
    EXPECT_EQ(f.doubleBuffer, 0);
}

TEST_F(PixelFormats, DisplayChangeRebuildsTheSameList) {
    PIXELFORMATDESCRIPTOR before, after;
    __wglDescribePixelFormat(nullptr, 7, sizeof before, &before);
    __wglPixelFormatsStale = 1;
    EXPECT_EQ(__wglDescribePixelFormat(nullptr, 7, sizeof after, &after), 22);
    EXPECT_EQ(__wglPixelFormatsStale, 0u);
    EXPECT_EQ(memcmp(&before, &after, sizeof before), 0);
}

}  // namespace
