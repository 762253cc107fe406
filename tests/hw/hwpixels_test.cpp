// The board's rectangle paths against the generic ones: the same calls with
// "__GL_DISABLE_FASTPATH" set and unset leave the same board pixels and client
// images; the fast paths take one frame-buffer lock per call.

#include <string.h>
#include <functional>
#include <vector>
#include "hw_env.h"

namespace {

void rasterAt(float x, float y) {
    glRasterPos2f(0.0f, 0.0f);
    glBitmap(0, 0, 0, 0, x, y, nullptr);
}

struct Outcome {
    std::vector<uint16_t> board;
    std::vector<uint8_t> client;
    size_t locks;
};

// Both board buffers over the window (64 x 64), after `body`.
Outcome run(bool fast, const std::function<void(std::vector<uint8_t>&)>& body) {
    if (!fast) setenv("__GL_DISABLE_FASTPATH", "1", 1);
    Outcome o;
    {
        HwContext hw;
        unsetenv("__GL_DISABLE_FASTPATH");
        glClearColor(0.2f, 0.7f, 0.4f, 0.0f);
        glDrawBuffer(GL_FRONT_AND_BACK);
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawBuffer(GL_BACK);
        glFinish();
        const size_t before = hwtestCalls("rvLfbLock").size();
        body(o.client);
        glFinish();
        o.locks = hwtestCalls("rvLfbLock").size() - before;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        for (int b : {RV_BUFFER_FRONT, RV_BUFFER_BACK})
            for (int y = 0; y < 64; y++)
                for (int x = 0; x < 64; x++) o.board.push_back(rvSimPixel(b, x, y));
        EXPECT_EQ(hwtestBoard().locksHeld, 0u);
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
    return o;
}

struct DrawCase {
    const char* name;
    GLenum format;
    int width, height;
    float x, y;
    std::function<void()> state;
    bool fast;  // the board path applies: one lock
};

TEST(HwPixels, DrawPixelsMatchesTheGenericPath) {
    const DrawCase cases[] = {
        {"rgb", GL_RGB, 9, 7, 3, 2, [] {}, true},
        {"rgba undithered", GL_RGBA, 9, 7, 3.6f, 2.2f, [] { glDisable(GL_DITHER); }, true},
        {"row length and skips", GL_RGBA, 6, 5, 10, 12,
         [] {
             glPixelStorei(GL_UNPACK_ROW_LENGTH, 11);
             glPixelStorei(GL_UNPACK_SKIP_PIXELS, 2);
             glPixelStorei(GL_UNPACK_SKIP_ROWS, 3);
             glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
         },
         true},
        {"clipped by the window", GL_RGB, 40, 30, -7, 50, [] {}, true},
        {"scissored", GL_RGBA, 30, 30, 2, 2, [] { glEnable(GL_SCISSOR_TEST), glScissor(5, 6, 9, 4); }, true},
        {"front", GL_RGB, 9, 7, 3, 2, [] { glDrawBuffer(GL_FRONT); }, true},
        {"front and back", GL_RGB, 9, 7, 3, 2, [] { glDrawBuffer(GL_FRONT_AND_BACK); }, false},
        {"none", GL_RGB, 9, 7, 3, 2, [] { glDrawBuffer(GL_NONE); }, false},
        {"zoom 2", GL_RGB, 9, 7, 3, 2, [] { glPixelZoom(2.0f, 1.0f); }, false},
        {"zoom -1", GL_RGB, 9, 7, 20, 2, [] { glPixelZoom(-1.0f, 1.0f); }, false},
        {"blend", GL_RGBA, 9, 7, 3, 2, [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE); }, false},
        {"scale", GL_RGB, 9, 7, 3, 2, [] { glPixelTransferf(GL_GREEN_SCALE, 0.5f); }, false},
        {"luminance", GL_LUMINANCE, 9, 7, 3, 2, [] {}, false},
    };
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto body = [&](std::vector<uint8_t>&) {
            const std::vector<uint8_t> image = gltestNoise(64 * 64 * 4, 3);
            c.state();
            rasterAt(c.x, c.y);
            glDrawPixels(c.width, c.height, c.format, GL_UNSIGNED_BYTE, image.data());
        };
        const Outcome generic = run(false, body), fast = run(true, body);
        EXPECT_TRUE(generic.board == fast.board);
        if (c.fast) {
            EXPECT_EQ(fast.locks, 1u);
        }
    }
}

size_t readLocks;

struct ReadCase {
    const char* name;
    GLenum format;
    int x, y, width, height;
    std::function<void()> state;
    bool fast;
};

TEST(HwPixels, ReadPixelsMatchesTheGenericPath) {
    const ReadCase cases[] = {
        {"rgba", GL_RGBA, 0, 0, 64, 64, [] {}, true},
        {"rgb with row length", GL_RGB, 3, 5, 9, 7, [] { glPixelStorei(GL_PACK_ROW_LENGTH, 13); }, true},
        {"beyond the window", GL_RGBA, -5, 50, 20, 30, [] {}, true},
        {"front", GL_RGBA, 3, 5, 9, 7, [] { glReadBuffer(GL_FRONT); }, true},
        {"scale", GL_RGBA, 3, 5, 9, 7, [] { glPixelTransferf(GL_RED_SCALE, 0.5f); }, false},
        {"bgra", GL_BGRA_EXT, 3, 5, 9, 7, [] {}, false},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto body = [&](std::vector<uint8_t>& client) {
            // A picture to read, drawn the generic way in both runs.
            const std::vector<uint8_t> image = gltestNoise(64 * 64 * 3, 9);
            glPixelZoom(1.0f, 1.0001f);
            rasterAt(0, 0);
            glDrawPixels(64, 64, GL_RGB, GL_UNSIGNED_BYTE, image.data());
            glPixelZoom(1.0f, 1.0f);
            c.state();
            client = gltestNoise(100 * 100 * 4, 4);
            glFinish();
            rvLogClear();
            glReadPixels(c.x, c.y, c.width, c.height, c.format, GL_UNSIGNED_BYTE, client.data());
            readLocks = hwtestCalls("rvLfbLock").size();
        };
        const Outcome generic = run(false, body);
        const size_t genericLocks = readLocks;
        const Outcome fast = run(true, body);
        EXPECT_TRUE(generic.client == fast.client);
        EXPECT_EQ(readLocks, c.fast ? 1u : genericLocks);
    }
}

// With one board buffer the back-buffer record is the board's buffer 0.
TEST(HwPixels, SingleBufferDrawsAndReadsBufferZero) {
    setenv("QRB_SINGLEBUFFER", "1", 1);
    {
        HwContext hw;
        glDisable(GL_DITHER);
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
        const GLubyte rgb[3] = {0x12, 0x34, 0x56};
        glRasterPos2f(4.5f, 5.5f);
        glDrawPixels(1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        EXPECT_EQ(rvSimPixel(RV_BUFFER_FRONT, 4, 5), 0x11AA);
        GLubyte back[4] = {0, 0, 0, 0};
        glReadPixels(4, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, back);
        EXPECT_EQ(back[0], 0x10);
        EXPECT_EQ(back[1], 0x34);
        EXPECT_EQ(back[2], 0x52);
        EXPECT_EQ(back[3], 255);  // the board keeps no alpha: full
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
    unsetenv("QRB_SINGLEBUFFER");
}

}  // namespace

namespace {

// Each buffer record stores into and blends with its own board buffer: a
// GL_FRONT_AND_BACK draw lands in both, added to what each held.
TEST(HwPixels, BothBuffersBlendWithTheirOwnPixels) {
    HwContext hw;
    glDisable(GL_DITHER);
    glDrawBuffer(GL_FRONT);
    glClearColor(1.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawBuffer(GL_BACK);
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawBuffer(GL_FRONT_AND_BACK);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    const GLubyte green[3] = {0, 255, 0};
    glRasterPos2f(3.5f, 4.5f);
    glDrawPixels(1, 1, GL_RGB, GL_UNSIGNED_BYTE, green);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_FRONT, 3, 4), 0xFFE0);  // red + green
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 3, 4), 0x07FF);   // blue + green
    EXPECT_EQ(hwtestBoard().locksHeld, 0u);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

}  // namespace
