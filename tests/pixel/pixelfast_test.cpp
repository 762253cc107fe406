// The fast pixel paths against the generic ones: the same calls on the same
// buffer with "__GL_DISABLE_FASTPATH" set and unset must leave identical
// buffers and client images, for every setting the fast paths distinguish.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <functional>
#include <vector>
#include "gldib.h"
#include "core/gldispatch.h"
#include "raster/fragment.h"

namespace {

enum { W = 24, H = 20 };

struct Buffer {
    int bits;
    bool index, topDown;
    const char* name;
};
const DWORD kMasks565[3] = {0xF800, 0x07E0, 0x001F};
const Buffer kBuffers[] = {
    {32, false, true, "32"},  {32, false, false, "32 bottom-up"}, {24, false, true, "24"},
    {16, false, true, "565"}, {16, false, false, "565 bottom-up"}, {8, false, true, "332"},
    {8, true, true, "index 8"},
};

struct Result {
    std::vector<uint8_t> pixels, client;
    bool guards;
};

// Runs `draw` on a fresh context of the buffer kind whose DIB starts as noise,
// with the fast paths on or off; returns the DIB and what draw wrote to client.
Result run(const Buffer& b, bool fast, const std::function<void(std::vector<uint8_t>&)>& draw,
           const std::string& what) {
    if (!fast) setenv("__GL_DISABLE_FASTPATH", "1", 1);
    Result r;
    {
        GltestDibContext c(W, H, b.bits, b.index, 16, b.topDown, b.bits == 16 ? kMasks565 : nullptr);
        const std::vector<uint8_t> start = gltestNoise((size_t)c.dib.stride * H, 7);
        memcpy(c.dib.bits, start.data(), start.size());
        draw(r.client);
        glFinish();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << b.name << ": " << what;
        r.pixels.assign(c.dib.bits, c.dib.bits + (size_t)c.dib.stride * H);
        r.guards = c.guardsIntact();
    }
    unsetenv("__GL_DISABLE_FASTPATH");
    return r;
}

void expectSame(const Buffer& b, const std::function<void(std::vector<uint8_t>&)>& draw, const std::string& what) {
    const Result generic = run(b, false, draw, what), fast = run(b, true, draw, what);
    EXPECT_TRUE(fast.guards) << what;
    EXPECT_TRUE(generic.pixels == fast.pixels) << b.name << ": " << what;
    EXPECT_TRUE(generic.client == fast.client) << b.name << ": " << what;
}

void unpackModes(int alignment, int rowLength, int skipPixels, int skipRows, bool swap, bool lsb) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, swap);
    glPixelStorei(GL_UNPACK_LSB_FIRST, lsb);
}

void rasterAt(float x, float y) {
    glRasterPos2f(0.0f, 0.0f);
    glBitmap(0, 0, 0, 0, x, y, nullptr);
}

// ---- glDrawPixels.

struct DrawCase {
    GLenum format, type;
    int width, height;
    float x, y, zoomX, zoomY;
    int alignment, rowLength, skipPixels, skipRows;
    bool swap, lsb, dither, scale, map;
    GLenum drawBuffer;
};

const DrawCase kDraws[] = {
    // format, type, w, h, x, y, zoom, align, row length, skips, swap, lsb, dither, scale, map, buffer
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 1, 4, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 1, 4, 0, 0, 0, false, false, false, false, false, GL_FRONT},
    {GL_RGB, GL_UNSIGNED_BYTE, 7, 5, 4.7f, 3.2f, 1, 1, 8, 11, 2, 3, false, false, true, false, false, GL_FRONT},
    {GL_BGRA_EXT, GL_UNSIGNED_BYTE, 10, 6, 1, 1, -1, 1, 1, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    {GL_BGR_EXT, GL_UNSIGNED_BYTE, 10, 6, 12, 9, 1, -1, 2, 13, 1, 0, true, true, true, false, false, GL_FRONT},
    {GL_ABGR_EXT, GL_UNSIGNED_BYTE, 10, 6, 12, 9, -1, -1, 4, 0, 0, 2, false, false, false, false, false, GL_FRONT},
    // Clipped on every side, and wholly outside.
    {GL_RGBA, GL_UNSIGNED_BYTE, 40, 30, -5, -4, 1, 1, 4, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    {GL_RGB, GL_UNSIGNED_BYTE, 40, 30, 30, 25, -1, -1, 1, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    {GL_RGBA, GL_UNSIGNED_BYTE, 8, 8, -20, 5, 1, 1, 4, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    // Zooms and transfer the fast paths leave to the generic path.
    {GL_RGBA, GL_UNSIGNED_BYTE, 5, 4, 2, 2, 2, 2, 4, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 8, 2, 2, 0.5f, -1.5f, 4, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 1, 4, 0, 0, 0, false, false, true, true, false, GL_FRONT},
    {GL_RGB, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 1, 4, 0, 0, 0, false, false, true, false, true, GL_FRONT},
    {GL_LUMINANCE, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 1, 4, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    {GL_RGBA, GL_UNSIGNED_SHORT, 9, 7, 3, 2, 1, 1, 4, 0, 0, 0, true, false, true, false, false, GL_FRONT},
    {GL_RGBA, GL_FLOAT, 6, 5, 3, 2, 1, 1, 4, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    {GL_COLOR_INDEX, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 1, 1, 0, 0, 0, false, false, true, false, false, GL_FRONT},
    {GL_COLOR_INDEX, GL_UNSIGNED_BYTE, 9, 7, 13, 12, -1, -1, 1, 0, 3, 1, false, false, false, false, false, GL_FRONT},
    {GL_COLOR_INDEX, GL_BITMAP, 12, 7, 3, 2, 1, 1, 1, 0, 3, 1, false, true, true, false, false, GL_FRONT},
    {GL_COLOR_INDEX, GL_UNSIGNED_SHORT, 9, 7, 3, 2, 1, 1, 2, 0, 0, 0, true, false, true, false, false, GL_FRONT},
    // Buffer selections: nothing, or both (one buffer on a DIB).
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 1, 4, 0, 0, 0, false, false, true, false, false, GL_NONE},
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 1, 4, 0, 0, 0, false, false, true, false, false, GL_FRONT_AND_BACK},
};

TEST(PixelFast, DrawPixelsMatchesTheGenericPath) {
    for (const Buffer& b : kBuffers)
        for (size_t n = 0; n < sizeof kDraws / sizeof kDraws[0]; n++) {
            const DrawCase& d = kDraws[n];
            if (b.index != (d.format == GL_COLOR_INDEX)) continue;
            expectSame(b, [&](std::vector<uint8_t>&) {
                const std::vector<uint8_t> image = gltestNoise(64 * 64 * 16, (uint32_t)n + 1);
                if (!d.dither) glDisable(GL_DITHER);
                glDrawBuffer(d.drawBuffer);
                glPixelZoom(d.zoomX, d.zoomY);
                unpackModes(d.alignment, d.rowLength, d.skipPixels, d.skipRows, d.swap, d.lsb);
                if (d.scale) glPixelTransferf(GL_RED_SCALE, 0.5f), glPixelTransferf(GL_BLUE_BIAS, 0.25f);
                if (d.map) {
                    const GLfloat ramp[4] = {0.0f, 0.75f, 0.5f, 1.0f};
                    glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 4, ramp);
                    glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
                }
                rasterAt(d.x, d.y);
                glDrawPixels(d.width, d.height, d.format, d.type, image.data());
            }, "draw case " + std::to_string(n));
        }
}

// ---- Zoomed glDrawPixels: the fast typed writers and the generic chain, with
// the zoom tables and gathering steps of both, on every buffer.

struct ZoomDraw {
    GLenum format, type;
    int width, height;
    float x, y;
    int alignment, rowLength, skipPixels, skipRows, offset;  // offset: bytes before the image
    bool swap, lsb, transfer, tests;  // tests: a depth test that passes (fragments go through the tests)
    GLenum alphaFunc;                 // GL_NEVER: no alpha test; else against 0.5
};
const ZoomDraw kZoomDraws[] = {
    // format, type, w, h, x, y, align, row length, skips, offset, swap, lsb, transfer, tests, alpha test
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 7, 3.3f, 2.6f, 4, 0, 0, 0, 0, false, false, false, false, GL_NEVER},
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 7, 3.3f, 2.6f, 4, 0, 0, 0, 0, false, false, false, true, GL_NEVER},
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 7, 12.5f, 9.5f, 4, 0, 0, 0, 0, false, false, true, false, GL_NEVER},
    {GL_RGB, GL_UNSIGNED_BYTE, 7, 5, 4.7f, 3.2f, 8, 11, 2, 3, 0, false, false, false, false, GL_NEVER},
    {GL_RGB, GL_UNSIGNED_BYTE, 7, 5, 4.7f, 3.2f, 1, 0, 0, 0, 1, false, false, true, true, GL_NEVER},
    {GL_BGRA_EXT, GL_UNSIGNED_BYTE, 10, 6, 11, 9, 1, 0, 0, 0, 0, false, false, false, false, GL_NEVER},
    {GL_LUMINANCE, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 4, 0, 0, 0, 0, false, false, false, false, GL_NEVER},
    {GL_RGBA, GL_UNSIGNED_SHORT, 9, 7, 3, 2, 2, 0, 1, 0, 0, true, false, false, false, GL_NEVER},
    {GL_RGBA, GL_UNSIGNED_SHORT, 9, 7, 3, 2, 1, 0, 0, 0, 1, false, false, false, false, GL_NEVER},
    {GL_RGB, GL_FLOAT, 6, 5, 3, 2, 4, 0, 0, 1, 0, false, false, false, false, GL_NEVER},
    {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_EXT, 9, 7, 3, 2, 2, 0, 0, 0, 0, true, false, false, false, GL_NEVER},
    {GL_COLOR_INDEX, GL_UNSIGNED_BYTE, 9, 7, 3.5f, 2.5f, 1, 0, 3, 1, 0, false, false, false, false, GL_NEVER},
    {GL_COLOR_INDEX, GL_UNSIGNED_BYTE, 9, 7, 13, 12, 1, 0, 0, 0, 0, false, false, true, false, GL_NEVER},
    {GL_COLOR_INDEX, GL_BITMAP, 21, 7, 3, 2, 1, 0, 5, 1, 0, false, true, false, false, GL_NEVER},
    {GL_COLOR_INDEX, GL_UNSIGNED_SHORT, 9, 7, 3, 2, 2, 0, 0, 0, 0, true, false, false, false, GL_NEVER},
    {GL_COLOR_INDEX, GL_UNSIGNED_INT, 9, 7, 3, 2, 1, 0, 0, 0, 2, false, false, false, false, GL_NEVER},
    {GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 0, 0, 0, 0, false, false, false, false, GL_NEVER},
    {GL_STENCIL_INDEX, GL_UNSIGNED_SHORT, 9, 7, 3, 2, 2, 0, 0, 0, 0, true, false, false, false, GL_NEVER},
    {GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, 9, 7, 3, 2, 1, 0, 0, 0, 0, false, false, true, false, GL_NEVER},
    {GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, 9, 7, 3, 2, 4, 0, 0, 0, 0, false, false, false, true, GL_NEVER},
    {GL_DEPTH_COMPONENT, GL_FLOAT, 9, 7, 3, 2, 4, 0, 0, 0, 0, false, false, false, true, GL_NEVER},
    // The alpha test: on each alpha byte, or on the 1.0 of formats without alpha.
    {GL_RGBA, GL_UNSIGNED_BYTE, 9, 7, 3.3f, 2.6f, 4, 0, 0, 0, 0, false, false, false, false, GL_GREATER},
    {GL_BGRA_EXT, GL_UNSIGNED_BYTE, 10, 6, 11, 9, 1, 0, 0, 0, 0, false, false, false, false, GL_LEQUAL},
    {GL_ABGR_EXT, GL_UNSIGNED_BYTE, 10, 6, 11, 9, 1, 0, 0, 0, 0, false, false, false, false, GL_GREATER},
    {GL_RGB, GL_UNSIGNED_BYTE, 7, 5, 4.7f, 3.2f, 1, 0, 0, 0, 0, false, false, false, false, GL_GREATER},
    {GL_RGB, GL_UNSIGNED_BYTE, 7, 5, 4.7f, 3.2f, 1, 0, 0, 0, 0, false, false, false, false, GL_LESS},
};
const float kZooms[][2] = {{1, 1},     {2, 2},         {-1, 1},   {1, -1},        {0.5f, 0.5f},
                           {-0.5f, 2}, {1.5f, -0.75f}, {0.3f, 3}, {-2.5f, -0.4f}};

void zoomTransfer(GLenum format) {
    switch (format) {
    case GL_COLOR_INDEX:
        glPixelTransferi(GL_INDEX_SHIFT, 1);
        glPixelTransferi(GL_INDEX_OFFSET, 3);
        break;
    case GL_STENCIL_INDEX: glPixelTransferi(GL_INDEX_OFFSET, 1); break;
    case GL_DEPTH_COMPONENT: glPixelTransferf(GL_DEPTH_SCALE, 0.5f); break;
    default: glPixelTransferf(GL_RED_SCALE, 0.5f), glPixelTransferf(GL_BLUE_BIAS, 0.25f);
    }
}

TEST(PixelFast, ZoomedDrawPixelsMatchTheGenericPath) {
    for (const Buffer& b : kBuffers)
        for (size_t n = 0; n < sizeof kZoomDraws / sizeof kZoomDraws[0]; n++)
            for (const auto& z : kZooms) {
                const ZoomDraw& d = kZoomDraws[n];
                if (b.index && d.format != GL_COLOR_INDEX && d.format != GL_STENCIL_INDEX &&
                    d.format != GL_DEPTH_COMPONENT)
                    continue;
                expectSame(b, [&](std::vector<uint8_t>& client) {
                    const std::vector<uint8_t> image = gltestNoise(64 * 64 * 16, (uint32_t)n + 31);
                    glPixelZoom(z[0], z[1]);
                    unpackModes(d.alignment, d.rowLength, d.skipPixels, d.skipRows, d.swap, d.lsb);
                    if (d.transfer) zoomTransfer(d.format);
                    if (d.tests) {
                        glEnable(GL_DEPTH_TEST);
                        glDepthFunc(GL_ALWAYS);
                    }
                    if (d.alphaFunc != GL_NEVER) {
                        glEnable(GL_ALPHA_TEST);
                        glAlphaFunc(d.alphaFunc, 0.5f);
                    }
                    glClearDepth(0.25);
                    glClearStencil(0x5A);
                    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
                    rasterAt(d.x, d.y);
                    glDrawPixels(d.width, d.height, d.format, d.type, image.data() + d.offset);
                    // Depth and stencil as they were left.
                    glPixelZoom(1, 1);
                    glPixelTransferi(GL_INDEX_SHIFT, 0), glPixelTransferi(GL_INDEX_OFFSET, 0);
                    glPixelTransferf(GL_DEPTH_SCALE, 1.0f);
                    client.assign((size_t)W * H * 5, 0);
                    glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, client.data());
                    glReadPixels(0, 0, W, H, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, client.data() + (size_t)W * H * 4);
                }, "zoomed draw case " + std::to_string(n) + " at " + std::to_string(z[0]) + ", " +
                       std::to_string(z[1]));
            }
}

// ---- Every format and type of OpenGL 1.1 (and the extension formats), drawn
// at unit, doubled, mirrored and fractional zoom, each read back as it was
// drawn.

const GLenum kFormats[] = {GL_COLOR_INDEX, GL_STENCIL_INDEX, GL_DEPTH_COMPONENT, GL_RED, GL_GREEN, GL_BLUE,
                           GL_ALPHA, GL_RGB, GL_RGBA, GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_BGR_EXT, GL_BGRA_EXT,
                           GL_ABGR_EXT};
const GLenum kTypes[] = {GL_UNSIGNED_BYTE, GL_BYTE, GL_BITMAP, GL_UNSIGNED_SHORT, GL_SHORT, GL_UNSIGNED_INT, GL_INT,
                         GL_FLOAT, GL_UNSIGNED_BYTE_3_3_2_EXT, GL_UNSIGNED_SHORT_4_4_4_4_EXT,
                         GL_UNSIGNED_SHORT_5_5_5_1_EXT, GL_UNSIGNED_INT_8_8_8_8_EXT, GL_UNSIGNED_INT_10_10_10_2_EXT};

bool validPair(GLenum format, GLenum type, bool index) {
    const bool colour = format != GL_COLOR_INDEX && format != GL_STENCIL_INDEX && format != GL_DEPTH_COMPONENT;
    if (index && colour) return false;
    switch (type) {
    case GL_BITMAP: return format == GL_COLOR_INDEX || format == GL_STENCIL_INDEX;
    case GL_UNSIGNED_BYTE_3_3_2_EXT: return format == GL_RGB || format == GL_BGR_EXT;
    case GL_UNSIGNED_SHORT_4_4_4_4_EXT:
    case GL_UNSIGNED_SHORT_5_5_5_1_EXT:
    case GL_UNSIGNED_INT_8_8_8_8_EXT:
    case GL_UNSIGNED_INT_10_10_10_2_EXT: return format == GL_RGBA || format == GL_BGRA_EXT || format == GL_ABGR_EXT;
    }
    return true;
}

TEST(PixelFast, EveryFormatAndTypeMatchesTheGenericPath) {
    const float zooms[][2] = {{1, 1}, {2, 2}, {-1, 1}, {0.6f, -0.7f}};
    for (const Buffer& b : kBuffers)
        expectSame(b, [&](std::vector<uint8_t>& client) {
            const std::vector<uint8_t> image = gltestNoise(8 * 8 * 16, 41);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            int n = 0;
            for (const auto& z : zooms)
                for (GLenum format : kFormats)
                    for (GLenum type : kTypes) {
                        if (!validPair(format, type, b.index)) continue;
                        glPixelZoom(z[0], z[1]);
                        rasterAt(2.5f + (float)(n % 5) * 3.0f, 3.5f + (float)(n / 5 % 4) * 3.0f);
                        n++;
                        glDrawPixels(5, 4, format, type, image.data());
                        if (format == GL_COLOR_INDEX && !b.index) continue;  // indices are not read from RGBA
                        std::vector<uint8_t> back(8 * 8 * 16, 0xEE);
                        glReadPixels(n % 17, n % 13, 7, 6, format, type, back.data());
                        client.insert(client.end(), back.begin(), back.end());
                    }
        }, "every format and type");
}

// ---- glReadPixels.

struct ReadCase {
    GLenum format, type;
    int x, y, width, height;
    int alignment, rowLength, skipPixels, skipRows;
    bool scale;
};
const ReadCase kReads[] = {
    {GL_RGBA, GL_UNSIGNED_BYTE, 0, 0, W, H, 4, 0, 0, 0, false},
    {GL_RGBA, GL_UNSIGNED_BYTE, 3, 2, 9, 7, 8, 13, 2, 1, false},
    {GL_RGB, GL_UNSIGNED_BYTE, 3, 2, 9, 7, 4, 0, 1, 2, false},
    {GL_BGRA_EXT, GL_UNSIGNED_BYTE, -4, -3, 12, 9, 1, 0, 0, 0, false},
    {GL_BGR_EXT, GL_UNSIGNED_BYTE, 18, 15, 12, 9, 2, 0, 0, 0, false},
    {GL_ABGR_EXT, GL_UNSIGNED_BYTE, 1, 1, 5, 5, 4, 0, 0, 0, false},
    {GL_RGBA, GL_UNSIGNED_BYTE, 40, 2, 5, 5, 4, 0, 0, 0, false},
    {GL_RGBA, GL_UNSIGNED_BYTE, 3, 2, 9, 7, 4, 0, 0, 0, true},
    {GL_LUMINANCE, GL_UNSIGNED_BYTE, 3, 2, 9, 7, 4, 0, 0, 0, false},
    {GL_RGBA, GL_UNSIGNED_SHORT, 3, 2, 9, 7, 4, 0, 0, 0, false},
    {GL_COLOR_INDEX, GL_UNSIGNED_BYTE, 3, 2, 9, 7, 4, 0, 0, 0, false},
    {GL_COLOR_INDEX, GL_BITMAP, 3, 2, 9, 7, 1, 0, 3, 0, false},
};

TEST(PixelFast, ReadPixelsMatchesTheGenericPath) {
    for (const Buffer& b : kBuffers)
        for (size_t n = 0; n < sizeof kReads / sizeof kReads[0]; n++) {
            const ReadCase& r = kReads[n];
            if (b.index != (r.format == GL_COLOR_INDEX)) continue;
            expectSame(b, [&](std::vector<uint8_t>& client) {
                client = gltestNoise(64 * 64 * 16, 99);
                glPixelStorei(GL_PACK_ALIGNMENT, r.alignment);
                glPixelStorei(GL_PACK_ROW_LENGTH, r.rowLength);
                glPixelStorei(GL_PACK_SKIP_PIXELS, r.skipPixels);
                glPixelStorei(GL_PACK_SKIP_ROWS, r.skipRows);
                if (r.scale) glPixelTransferf(GL_GREEN_SCALE, 0.5f);
                glReadPixels(r.x, r.y, r.width, r.height, r.format, r.type, client.data());
            }, "read case " + std::to_string(n));
        }
}

// ---- glBitmap.

struct BitmapCase {
    int width, height;
    float x, y, xorig, yorig;
    bool dither, fog;
    GLenum drawBuffer;
};
const BitmapCase kBitmaps[] = {
    {8, 13, 2, 3, 0, 0, true, false, GL_FRONT},
    {9, 5, 2.6f, 3.4f, 1, 2, false, false, GL_FRONT},
    {5, 7, 6, 17, 0, 0, true, false, GL_FRONT},      // the bits right of the width stay unused
    {21, 11, -13, 4, 0, 0, true, false, GL_FRONT},   // 13 columns clipped on the left
    {21, 11, 15, -6, 3, 0, true, false, GL_FRONT},   // right and bottom
    {17, 9, 10, 16, 0, 0, true, false, GL_FRONT},    // top
    {16, 16, 30, 2, 0, 0, true, false, GL_FRONT},    // wholly outside
    {8, 13, 2, 3, 0, 0, true, true, GL_FRONT},       // fogged
    {8, 13, 2, 3, 0, 0, true, false, GL_NONE},
    {8, 13, 2, 3, 0, 0, true, false, GL_FRONT_AND_BACK},
};

TEST(PixelFast, BitmapMatchesTheGenericPath) {
    for (const Buffer& b : kBuffers)
        for (size_t n = 0; n < sizeof kBitmaps / sizeof kBitmaps[0]; n++) {
            const BitmapCase& c = kBitmaps[n];
            expectSame(b, [&](std::vector<uint8_t>& client) {
                const std::vector<uint8_t> bits = gltestNoise(64 * 4, (uint32_t)n + 5);
                if (!c.dither) glDisable(GL_DITHER);
                glDrawBuffer(c.drawBuffer);
                glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                if (c.fog) {
                    glEnable(GL_FOG);
                    glFogi(GL_FOG_MODE, GL_LINEAR);
                    glFogf(GL_FOG_START, -1.0f);
                    glFogf(GL_FOG_END, 1.0f);
                    const GLfloat colour[4] = {0.2f, 0.9f, 0.4f, 1.0f};
                    glFogfv(GL_FOG_COLOR, colour);
                    glFogf(GL_FOG_INDEX, 3.0f);
                }
                glColor4f(0.7f, 0.33f, 0.9f, 0.6f);
                glIndexi(77);
                rasterAt(c.x, c.y);
                glBitmap(c.width, c.height, c.xorig, c.yorig, 1.5f, -2.0f, bits.data());
                glBitmap(c.width, c.height, c.xorig, c.yorig, 0.0f, 0.0f, bits.data() + 64);
                GLfloat pos[4];
                glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
                client.assign((const uint8_t*)pos, (const uint8_t*)(pos + 4));
            }, "bitmap case " + std::to_string(n));
        }
}

// ---- Clears: the fills keep the generic values (dither pattern included).

TEST(PixelFast, ClearsFillTheScissorBoxOnly) {
    for (const Buffer& b : kBuffers) {
        GltestDibContext c(W, H, b.bits, b.index, 16, b.topDown, b.bits == 16 ? kMasks565 : nullptr);
        c.clear(0xA5A5A5A5u);
        glClearColor(0.3f, 0.6f, 0.2f, 1.0f);
        glClearIndex(9.0f);
        glEnable(GL_SCISSOR_TEST);
        glScissor(3, 2, 13, 9);
        glClear(GL_COLOR_BUFFER_BIT);
        // Every pixel of the box holds one value of the 4x4 dither pattern,
        // the same value as a point of the clear colour drawn there.
        glDisable(GL_SCISSOR_TEST);
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                const bool inside = x >= 3 && x < 16 && y >= 2 && y < 11;
                const uint32_t v = c.pixel(x, y);
                if (!inside) {
                    ASSERT_EQ(v, 0xA5A5A5A5u & (b.bits == 32 ? 0xFFFFFFFFu : (1u << b.bits) - 1))
                        << b.name << " " << x << "," << y;
                    continue;
                }
                glColor4f(0.3f, 0.6f, 0.2f, 1.0f);
                glIndexf(9.0f);
                glBegin(GL_POINTS);
                glVertex2f(x + 0.5f, y + 0.5f);
                glEnd();
                ASSERT_EQ(c.pixel(x, y), v) << b.name << " " << x << "," << y;
            }
        EXPECT_TRUE(c.guardsIntact()) << b.name;
    }
}

}  // namespace

// ---- Textured and fogged pixel fragments: the same colour drawn as a point at
// the raster position's texture coordinates and distance.

namespace {

struct TexFogCase {
    bool texture, fog;
    const char* name;
};
const TexFogCase kTexFog[] = {{true, false, "textured"}, {false, true, "fogged"}, {true, true, "textured and fogged"}};

void setTexFog(const TexFogCase& c) {
    if (c.texture) {
        const GLubyte texels[2 * 2 * 4] = {200, 40, 90, 255, 30, 220, 60, 128, 250, 250, 10, 64, 0, 100, 200, 32};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnable(GL_TEXTURE_2D);
    }
    if (c.fog) {
        glEnable(GL_FOG);
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogf(GL_FOG_START, -1.0f);
        glFogf(GL_FOG_END, 1.0f);
        const GLfloat colour[4] = {0.1f, 0.8f, 0.3f, 1.0f};
        glFogfv(GL_FOG_COLOR, colour);
        glHint(GL_FOG_HINT, GL_NICEST);
    }
    glTexCoord2f(0.75f, 0.25f);
}

const GLubyte kRasterColour[4] = {180, 90, 255, 200};

// The state of a case: no dither, rows of bytes, the raster colour.
void texFogState(const TexFogCase& c) {
    glDisable(GL_DITHER);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    setTexFog(c);
    glColor4ubv(kRasterColour);
}

// Eye coordinates with the eye origin at window (x, y): the raster position
// there has distance |z|, as far as points of eye z are for their fog.
void eyeOriginAt(int x, int y) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-x, W - x, -y, H - y, -1, 1);
    glMatrixMode(GL_MODELVIEW);
}

const GLfloat kEyeZ = -0.4f;

// The pixel a point of colour c draws at eye (x, y, kEyeZ), window pixel
// (wx, wy).
uint32_t pointPixel(GltestDibContext& ctx, int x, int y, int wx, int wy, const GLubyte* c) {
    glColor4ubv(c);
    glTexCoord2f(0.75f, 0.25f);
    glBegin(GL_POINTS);
    glVertex3f(x + 0.5f, y + 0.5f, kEyeZ);
    glEnd();
    return ctx.pixel(wx, wy);
}

TEST(PixelFragments, BitmapsAndRectanglesTakeTheTexelAndFogOfTheRasterPosition) {
    for (const TexFogCase& c : kTexFog)
        for (bool fast : {true, false}) {
            if (!fast) setenv("__GL_DISABLE_FASTPATH", "1", 1);
            GltestDibContext ctx(W, H, 32);
            unsetenv("__GL_DISABLE_FASTPATH");
            texFogState(c);
            const GLubyte* colour = kRasterColour;
            eyeOriginAt(2, 3);
            glRasterPos3f(0.0f, 0.0f, kEyeZ);
            const GLubyte bits[2] = {0xE0, 0xE0};
            glBitmap(3, 2, 0, 0, 0, 0, bits);
            const uint32_t bitmapPixel = ctx.pixel(3, 4);
            EXPECT_EQ(pointPixel(ctx, 1, 1, 3, 4, colour), bitmapPixel) << c.name << (fast ? " fast" : " generic");
            const GLubyte image[2 * 2 * 4] = {10, 20, 30, 40, 255, 255, 255, 255, 128, 0, 64, 255, 77, 177, 7, 0};
            eyeOriginAt(10, 6);
            glRasterPos3f(0.0f, 0.0f, kEyeZ);
            glDrawPixels(2, 2, GL_RGBA, GL_UNSIGNED_BYTE, image);
            const uint32_t drawn[4] = {ctx.pixel(10, 6), ctx.pixel(11, 6), ctx.pixel(10, 7), ctx.pixel(11, 7)};
            for (int i = 0; i < 4; i++)
                EXPECT_EQ(pointPixel(ctx, i & 1, i >> 1, 10 + (i & 1), 6 + (i >> 1), image + 4 * i), drawn[i])
                    << c.name << (fast ? " fast" : " generic") << " pixel " << i;
        }
}

}  // namespace

// ---- Rows wider than any span buffer.

namespace {

TEST(PixelRows, WiderThanTheSpanBuffersDrawReadAndCopyWhole) {
    const int w = 2100, h = 3;
    for (bool fast : {true, false}) {
        if (!fast) setenv("__GL_DISABLE_FASTPATH", "1", 1);
        GltestDibContext c(w, h, 32);
        unsetenv("__GL_DISABLE_FASTPATH");
        gltestPixelViewport(0, 0, w, h);
        glLoadIdentity();
        const std::vector<uint8_t> image = gltestNoise((size_t)w * 4, 21);
        glRasterPos2i(0, 0);
        glDrawPixels(w, 1, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
        // Through the transfer (alpha is not kept by the buffer).
        glPixelTransferf(GL_ALPHA_SCALE, 0.5f);
        glRasterPos2i(0, 1);
        glDrawPixels(w, 1, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
        glPixelTransferf(GL_ALPHA_SCALE, 1.0f);
        glRasterPos2i(0, 2);
        glCopyPixels(0, 0, w, 1, GL_COLOR);
        std::vector<uint8_t> back((size_t)w * 4 * 3 + 16, 0xEE);
        glReadPixels(0, 0, w, 3, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < w; x++)
                for (int k = 0; k < 3; k++)
                    ASSERT_EQ(back[((size_t)y * w + x) * 4 + k], image[(size_t)x * 4 + k])
                        << (fast ? "fast " : "generic ") << x << "," << y;
        EXPECT_EQ(back[(size_t)w * 12], 0xEE);
        EXPECT_TRUE(c.guardsIntact());
    }
}

// Shrunk rows: more source columns than any span holds, each destination
// column from the source pixel whose cell holds its centre (2x + 1 at 0.5).
TEST(PixelRows, ShrunkRowsWiderThanTheSpanBuffersPickEveryColumn) {
    const int w = 2100, source = 2 * w + 6;
    for (bool fast : {true, false}) {
        if (!fast) setenv("__GL_DISABLE_FASTPATH", "1", 1);
        GltestDibContext c(w, 2, 32);
        unsetenv("__GL_DISABLE_FASTPATH");
        gltestPixelViewport(0, 0, w, 2);
        glLoadIdentity();
        glDisable(GL_DITHER);
        const std::vector<uint8_t> image = gltestNoise((size_t)source * 4, 23);
        glPixelZoom(0.5f, 1.0f);
        glRasterPos2i(0, 0);
        glDrawPixels(source, 1, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
        glPixelTransferf(GL_GREEN_SCALE, 0.5f);  // through the chain
        glRasterPos2i(0, 1);
        glDrawPixels(source, 1, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
        for (int x = 0; x < w; x++) {
            const uint8_t* p = &image[(size_t)(2 * x + 1) * 4];
            ASSERT_EQ(c.pixel(x, 0), (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2]) << (fast ? "fast " : "generic ") << x;
            ASSERT_EQ(c.red(x, 1), p[0]) << (fast ? "fast " : "generic ") << x;
            ASSERT_EQ(c.blue(x, 1), p[2]) << (fast ? "fast " : "generic ") << x;
        }
        EXPECT_TRUE(c.guardsIntact());
    }
}

}  // namespace

// ---- Derived tables follow the maps at once.

namespace {

TEST(PixelTables, NewMapReachesTheNextDrawWithoutOtherStateChange) {
    GltestDibContext c(W, H, 32);
    glDisable(GL_DITHER);
    glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
    const GLfloat up[2] = {0.0f, 1.0f}, down[2] = {1.0f, 0.0f};
    glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 2, up);
    const GLubyte rgb[3] = {255, 0, 0};
    glRasterPos2i(1, 1);
    glDrawPixels(1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    EXPECT_EQ(c.red(1, 1), 255);
    glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 2, down);
    glDrawPixels(1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    EXPECT_EQ(c.red(1, 1), 0);
    // Index maps likewise, through the index-to-RGBA tables.
    const GLfloat g0[2] = {0.0f, 0.0f}, g1[2] = {1.0f, 1.0f};
    const GLubyte index = 1;
    glPixelMapfv(GL_PIXEL_MAP_I_TO_G, 2, g0);
    glDrawPixels(1, 1, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, &index);
    EXPECT_EQ(c.green(1, 1), 0);
    glPixelMapfv(GL_PIXEL_MAP_I_TO_G, 2, g1);
    glDrawPixels(1, 1, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, &index);
    EXPECT_EQ(c.green(1, 1), 255);
}

}  // namespace

// ---- Empty maps and tables that cannot be had: the draws and reads give the
// generic path's result and read through no missing entry.

namespace {

void* GLPROC refuseAllocation(GlContext*, size_t) { return nullptr; }

// Every allocation of the current context fails while one lives.
struct RefusedAllocations {
    GlContext* gc = __glCurrentContext();
    void* (GLPROC* saved)(GlContext*, size_t) = gc->imports.alloc;
    RefusedAllocations() { gc->imports.alloc = refuseAllocation; }
    ~RefusedAllocations() { gc->imports.alloc = saved; }
};

struct MapCase {
    const char* name;
    GLenum format, type;
    bool emptyMaps, refuseTables;
};
const MapCase kMapCases[] = {
    {"RGB bytes through empty colour maps", GL_RGB, GL_UNSIGNED_BYTE, true, false},
    {"RGBA floats through empty colour maps", GL_RGBA, GL_FLOAT, true, false},
    {"index bytes through empty index maps", GL_COLOR_INDEX, GL_UNSIGNED_BYTE, true, false},
    {"index shorts through empty index maps", GL_COLOR_INDEX, GL_UNSIGNED_SHORT, true, false},
    {"stencil bytes through an empty stencil map", GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, true, false},
    {"RGB bytes without colour tables", GL_RGB, GL_UNSIGNED_BYTE, false, true},
    {"index bytes without index tables", GL_COLOR_INDEX, GL_UNSIGNED_BYTE, false, true},
};

TEST(PixelTables, EmptyMapsAndMissingTablesKeepTheGenericResult) {
    for (const Buffer& b : kBuffers)
        for (const MapCase& m : kMapCases) {
            if (b.index && m.format != GL_COLOR_INDEX && m.format != GL_STENCIL_INDEX) continue;
            expectSame(b, [&](std::vector<uint8_t>& client) {
                const std::vector<uint8_t> image = gltestNoise(16 * 16 * 16, 77);
                const GLfloat ramp[4] = {0.25f, 0.5f, 0.75f, 1.0f};
                for (GLenum map = GL_PIXEL_MAP_I_TO_I; map <= GL_PIXEL_MAP_A_TO_A; map++) {
                    if (!m.emptyMaps) {
                        glPixelMapfv(map, 4, ramp);
                        continue;
                    }
                    // A map whose storage cannot be had is left without entries.
                    const RefusedAllocations refused;
                    glPixelMapfv(map, 4, ramp);
                }
                glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
                glPixelTransferi(GL_MAP_STENCIL, GL_TRUE);
                glPixelTransferi(GL_INDEX_OFFSET, 1);
                glPixelTransferf(GL_RED_SCALE, 0.5f);
                rasterAt(2, 3);
                if (m.refuseTables) {
                    const RefusedAllocations refused;
                    glDrawPixels(9, 7, m.format, m.type, image.data());
                } else {
                    glDrawPixels(9, 7, m.format, m.type, image.data());
                }
                glPixelZoom(2.0f, 1.5f);
                glDrawPixels(5, 4, m.format, m.type, image.data());
                client.assign((size_t)W * H * 16, 0);
                glReadPixels(0, 0, W, H, m.format == GL_STENCIL_INDEX ? GL_STENCIL_INDEX : b.index ? GL_COLOR_INDEX : GL_RGBA,
                             GL_FLOAT, client.data());
            }, m.name);
        }
}

// A context without a texture procedure draws its pixel fragments untextured.
TEST(PixelFragments, NoTextureProcedureLeavesTheColour) {
    for (bool fast : {true, false}) {
        if (!fast) setenv("__GL_DISABLE_FASTPATH", "1", 1);
        GltestDibContext ctx(W, H, 32);
        unsetenv("__GL_DISABLE_FASTPATH");
        texFogState(kTexFog[0]);
        const GLubyte bits[1] = {0x80};
        glRasterPos2i(1, 1);
        glBitmap(1, 1, 0, 0, 0, 0, bits);  // validated with the texture on
        __glCurrentContext()->procs.textureFragment = nullptr;
        glRasterPos2i(3, 4);
        glBitmap(1, 1, 0, 0, 0, 0, bits);
        const GLubyte image[4] = {10, 20, 30, 40};
        glRasterPos2i(5, 6);
        glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image);
        glPixelZoom(2.0f, 2.0f);
        glRasterPos2i(8, 6);
        glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image);
        EXPECT_EQ(ctx.pixel(3, 4), 0xB45AFFu) << (fast ? "fast" : "generic");
        EXPECT_EQ(ctx.pixel(5, 6), 0x0A141Eu) << (fast ? "fast" : "generic");
        EXPECT_EQ(ctx.pixel(9, 7), 0x0A141Eu) << (fast ? "fast" : "generic");
    }
}

}  // namespace

// ---- Both buffers of a double-buffered window: GL_FRONT_AND_BACK stores into
// each, GL_NONE into neither, on the fast paths as on the generic ones.

namespace {

struct BothCase {
    const char* name;
    GLenum drawBuffer;
    float zoomX, zoomY;
    bool bitmap;
};
const BothCase kBothCases[] = {
    {"rectangle into both", GL_FRONT_AND_BACK, 1, 1, false},
    {"mirrored rectangle into both", GL_FRONT_AND_BACK, -1, 1, false},
    {"zoomed rectangle into both", GL_FRONT_AND_BACK, 2, 1.5f, false},
    {"shrunk rectangle into both", GL_FRONT_AND_BACK, 0.5f, 0.5f, false},
    {"bitmap into both", GL_FRONT_AND_BACK, 1, 1, true},
    {"rectangle into neither", GL_NONE, 1, 1, false},
    {"zoomed rectangle into neither", GL_NONE, 2, 2, false},
    {"bitmap into neither", GL_NONE, 1, 1, true},
};

// Front then back buffer as RGBA bytes after the case's draw.
std::vector<uint8_t> bothBuffers(const BothCase& c, int colorBits, bool fast) {
    if (!fast) setenv("__GL_DISABLE_FASTPATH", "1", 1);
    std::vector<uint8_t> out;
    {
        GltestWindowContext window("pixelfast-both", W, H, colorBits, 16);
        unsetenv("__GL_DISABLE_FASTPATH");
        GlContext* gc = __glCurrentContext();
        EXPECT_TRUE(gc->fb.backBuffer && __glDirectColorBuffer(gc->fb.frontBuffer, GL_TRUE) &&
                    __glDirectColorBuffer(gc->fb.backBuffer, GL_TRUE))
            << "the fast paths can store into the window's buffers";
        glDisable(GL_DITHER);
        glDrawBuffer(GL_FRONT);
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawBuffer(GL_BACK);
        glClearColor(0.8f, 0.1f, 0.3f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawBuffer(c.drawBuffer);
        glPixelZoom(c.zoomX, c.zoomY);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glColor3f(0.9f, 0.7f, 0.1f);
        rasterAt(5.5f, 4.5f);
        const std::vector<uint8_t> image = gltestNoise(16 * 16 * 4, 17);
        if (c.bitmap) glBitmap(13, 9, 0, 0, 0, 0, image.data());
        else glDrawPixels(11, 9, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
        glPixelZoom(1, 1);
        for (GLenum b : {GL_FRONT, GL_BACK}) {
            std::vector<uint8_t> pixels((size_t)W * H * 4);
            glReadBuffer(b);
            glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
            out.insert(out.end(), pixels.begin(), pixels.end());
        }
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    }
    return out;
}

TEST(PixelFast, BothBuffersOrNeitherAsTheGenericPath) {
    for (int bits : {16, 32})
        for (const BothCase& c : kBothCases) {
            SCOPED_TRACE(testing::Message() << c.name << ", " << bits << " bits");
            const std::vector<uint8_t> generic = bothBuffers(c, bits, false), fast = bothBuffers(c, bits, true);
            ASSERT_EQ(generic.size(), (size_t)W * H * 8);
            EXPECT_TRUE(generic == fast);
            // Each buffer holds drawn pixels besides its clear colour (pixel 0, 0), or none.
            for (size_t first : {(size_t)0, (size_t)W * H * 4}) {
                size_t drawn = 0;
                for (size_t i = first; i < first + (size_t)W * H * 4; i += 4)
                    drawn += memcmp(&fast[i], &fast[first], 3) != 0;
                EXPECT_EQ(drawn > 0, c.drawBuffer != GL_NONE) << (first ? "back" : "front");
            }
        }
}

}  // namespace
