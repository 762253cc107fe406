// Allocation failures on the way to a picture: a fresh context's first
// make-current and the draws after it, with every n-th allocation failing.
// Each failure leaves a state that draws nothing or draws right, never a
// crash or a stray write, and a picture that is not right comes with
// GL_OUT_OF_MEMORY.
#include <gtest/gtest.h>
#include <string>
#include "gldib.h"

namespace {

enum { W = 64, H = 48, RW = 32, RH = 24 };

// A white rectangle passes the alpha test and marks the stencil; a
// translucent one fails the test; green then covers the window where the
// stencil was marked. True when GL_OUT_OF_MEMORY was recorded on the way.
bool drawScene() {
    bool outOfMemory = false;
    const auto note = [&] {
        for (GLenum e; (e = glGetError()) != GL_NO_ERROR;) outOfMemory |= e == GL_OUT_OF_MEMORY;
    };
    gltestPixelViewport(0, 0, W, H);
    glClearColor(0, 0, 0, 0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glBegin(GL_TRIANGLE_STRIP);
    glColor4f(1, 1, 1, 1);
    glVertex2i(0, 0), glVertex2i(RW, 0), glVertex2i(0, RH), glVertex2i(RW, RH);
    glEnd();
    glColor4f(0, 1, 0, 0.25f);
    glRecti(0, 0, W, H);
    note();
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glStencilFunc(GL_EQUAL, 1, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glColor4f(0, 1, 0, 1);
    glRecti(0, 0, W, H);
    glFinish();
    note();
    return outOfMemory;
}

enum Pixel { BLACK, WHITE, GREEN, OTHER };
Pixel pixelOf(const GltestDibContext& c, int x, int y) {
    int r = c.red(x, y), g = c.green(x, y), b = c.blue(x, y);
    if (c.bytes == 2) {  // x1r5g5b5
        const uint32_t p = c.pixel(x, y);
        r = (int)(p >> 10 & 31) * 255 / 31, g = (int)(p >> 5 & 31) * 255 / 31, b = (int)(p & 31) * 255 / 31;
    }
    if (r == 0 && g == 0 && b == 0) return BLACK;
    if (r > 0xF0 && g > 0xF0 && b > 0xF0) return WHITE;
    if (r == 0 && g > 0xF0 && b == 0) return GREEN;
    return OTHER;
}

// 0 right, 1 a picture of draws left out, 2 wrong.
int judge(const GltestDibContext& c) {
    int result = 0;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const Pixel p = pixelOf(c, x, y);
            const bool inside = x < RW && y < RH;
            if (inside ? p == GREEN : p == BLACK) continue;
            if (p == OTHER || (!inside && p != BLACK)) return 2;
            result = 1;  // black or white inside: a draw that drew nothing
        }
    return result;
}

// A step that went wrong with every n-th allocation failing, told on stderr.
int failed(int step, unsigned n) {
    fprintf(stderr, "step %d with every %u-th allocation failing\n", step, n);
    return step;
}

}  // namespace

TEST(OutOfMemory, EveryAllocationOfAFirstFrameMayFail) {
    const struct {
        const char* what;
        int bits, depthBits;
    } surfaces[] = {{"32-bit DIB, 32-bit depth", 32, 32}, {"16-bit DIB, 16-bit depth", 16, 16},
                    {"24-bit DIB, 24-bit depth", 24, 24}};
    for (const auto& s : surfaces) {
        std::string err;
        const int code = gltestInChild(
            [&] {
                for (unsigned n = 1; n < 1000; n++) {
                    GltestDibContext c(W, H, s.bits, false, s.depthBits);
                    if (!c.rc) return failed(1, n);
                    wglMakeCurrent(nullptr, nullptr);
                    wglDeleteContext(c.rc);
                    c.rc = wglCreateContext(c.dib.dc);
                    if (!c.rc) return failed(2, n);
                    c.clear(0x123456);
                    const unsigned before = StandinInjectedAllocFailures();
                    StandinFailEveryNthAlloc(n);
                    bool current = wglMakeCurrent(c.dib.dc, c.rc) != FALSE;
                    bool outOfMemory = current && drawScene();
                    StandinFailEveryNthAlloc(0);
                    const bool injected = StandinInjectedAllocFailures() != before;
                    if (!current) {
                        // Refused: the context is still there to be made current.
                        if (!wglMakeCurrent(c.dib.dc, c.rc)) return failed(3, n);
                        outOfMemory = drawScene();
                        if (outOfMemory || judge(c) != 0) return failed(4, n);
                    }
                    if (!c.guardsIntact()) return failed(5, n);
                    const int picture = judge(c);
                    if (picture == 2 || (picture == 1 && !outOfMemory)) return failed(6, n);
                    if (outOfMemory && !injected) return failed(7, n);
                    // Once nothing failed the picture is the whole one.
                    if (!injected) return picture == 0 ? 0 : failed(8, n);
                    // After the failures, the same context draws right.
                    if (drawScene() || judge(c) != 0) return failed(9, n);
                }
                return 1;
            },
            &err);
        EXPECT_EQ(code, 0) << s.what << "\n" << err.substr(0, 2000);
    }
}
