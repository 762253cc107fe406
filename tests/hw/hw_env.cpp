// The hardware test program loads the library with the board present.

#include "hw_env.h"

namespace {

struct HardwareLibrary : ::testing::Environment {
    void SetUp() override {
        unsetenv("QRB_USESW");
        unsetenv("QRB_SINGLEBUFFER");
        ASSERT_TRUE(gltestLoad());
    }
    void TearDown() override { gltestUnload(); }
};
::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new HardwareLibrary);

HWND makeWindow() {
    static bool registered;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "hw-test";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowExA(0, "hw-test", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

int hwtestWindowFormat(HDC dc, bool doubleBuffer) {
    PIXELFORMATDESCRIPTOR p;
    const int n = DescribePixelFormat(dc, 1, sizeof p, &p);
    for (int i = 1; i <= n; i++) {
        DescribePixelFormat(dc, i, sizeof p, &p);
        if ((p.dwFlags & PFD_DRAW_TO_WINDOW) && p.iPixelType == PFD_TYPE_RGBA && p.cDepthBits &&
            !!(p.dwFlags & PFD_DOUBLEBUFFER) == doubleBuffer)
            return i;
    }
    return 0;
}

std::vector<RvLogEntry> hwtestCalls(const char* name) {
    std::vector<RvLogEntry> out;
    for (uint32_t i = 0; i < rvLogCount(); i++)
        if (strcmp(rvLogEntry(i)->name, name) == 0) out.push_back(*rvLogEntry(i));
    return out;
}

std::string hwtestCallNames(uint32_t from) {
    std::string s;
    for (uint32_t i = from; i < rvLogCount(); i++) {
        if (!s.empty()) s += ' ';
        s += rvLogEntry(i)->name;
    }
    return s;
}

HwRgb hwtestExpand565(uint16_t d) {
    return {((d >> 8) & 0xF8) | (d >> 13), ((d >> 3) & 0xFC) | ((d >> 9) & 3), ((d << 3) & 0xF8) | ((d >> 2) & 7)};
}

HwRgb hwtestPixel(int buffer, int x, int y) { return hwtestExpand565(rvSimPixel(buffer, x, y)); }

void hwtestTexturedQuad(float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1) {
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0), glVertex2f(x0, y0);
    glTexCoord2f(s1, t0), glVertex2f(x1, y0);
    glTexCoord2f(s1, t1), glVertex2f(x1, y1);
    glTexCoord2f(s0, t1), glVertex2f(x0, y1);
    glEnd();
}

HwContext::HwContext(bool doubleBuffer, int size, uint32_t textureBytes) {
    rvSimReset();
    if (textureBytes) rvSimSetTextureMemory(textureBytes, 0);
    rvLogClear();
    window = makeWindow();
    dc = GetDC(window);
    PIXELFORMATDESCRIPTOR p;
    const int format = hwtestWindowFormat(dc, doubleBuffer);
    EXPECT_NE(format, 0);
    EXPECT_TRUE(SetPixelFormat(dc, format, &p));
    rc = wglCreateContext(dc);
    EXPECT_NE(rc, nullptr);
    EXPECT_TRUE(wglMakeCurrent(dc, rc));
    gltestPixelViewport(0, 0, size, size);
    glLoadIdentity();
}

HwContext::~HwContext() {
    wglMakeCurrent(nullptr, nullptr);
    if (rc) wglDeleteContext(rc);
    ReleaseDC(window, dc);
    DestroyWindow(window);
}
