// Pixel rectangles on DIB contexts: draw/read round trips per format and type,
// transfer, zoom, clipping, overlapping copies, depth and stencil, and pixel
// fragments through the fragment tests.

#include <gtest/gtest.h>
#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <vector>
#include "gldib.h"

namespace {

enum { W = 16, H = 16 };

// RGBA bytes of pixel (x, y) of the test pattern: channels 0 or 255.
void patternPixel(int x, int y, uint8_t* c) {
    const int n = x * 7 + y * 3;
    c[0] = n & 1 ? 255 : 0, c[1] = n & 2 ? 255 : 0, c[2] = n & 4 ? 255 : 0, c[3] = 255;
}
std::vector<uint8_t> patternImage(int w, int h) {
    std::vector<uint8_t> v((size_t)w * h * 4);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) patternPixel(x, y, &v[((size_t)y * w + x) * 4]);
    return v;
}

// Moves the raster position to window (x, y), which may be outside the window.
void rasterAt(float x, float y) {
    glRasterPos2f(0.0f, 0.0f);
    glBitmap(0, 0, 0, 0, x, y, nullptr);
}

std::vector<uint8_t> readRgba(int x, int y, int w, int h) {
    std::vector<uint8_t> v((size_t)w * h * 4, 0x5A);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, v.data());
    return v;
}

// ---- Round trips.

struct FormatType {
    GLenum format, type;
};
const FormatType kFormats[] = {
    {GL_RGBA, GL_UNSIGNED_BYTE},   {GL_RGBA, GL_BYTE},
    {GL_RGBA, GL_UNSIGNED_SHORT},  {GL_RGBA, GL_SHORT},
    {GL_RGBA, GL_UNSIGNED_INT},    {GL_RGBA, GL_INT},
    {GL_RGBA, GL_FLOAT},           {GL_RGB, GL_UNSIGNED_BYTE},
    {GL_BGR_EXT, GL_UNSIGNED_SHORT}, {GL_BGRA_EXT, GL_UNSIGNED_BYTE},
    {GL_ABGR_EXT, GL_FLOAT},       {GL_RED, GL_UNSIGNED_BYTE},
    {GL_GREEN, GL_SHORT},          {GL_BLUE, GL_UNSIGNED_INT},
    {GL_LUMINANCE, GL_UNSIGNED_BYTE}, {GL_LUMINANCE_ALPHA, GL_FLOAT},
    {GL_RGB, GL_UNSIGNED_BYTE_3_3_2_EXT}, {GL_BGR_EXT, GL_UNSIGNED_BYTE_3_3_2_EXT},
    {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_EXT}, {GL_BGRA_EXT, GL_UNSIGNED_SHORT_5_5_5_1_EXT},
    {GL_ABGR_EXT, GL_UNSIGNED_INT_8_8_8_8_EXT}, {GL_RGBA, GL_UNSIGNED_INT_10_10_10_2_EXT},
};

// The RGB a format keeps of a pattern colour, as drawn back.
void keptRgb(GLenum format, const uint8_t* c, uint8_t* out) {
    const uint8_t l = c[0] || c[1] || c[2] ? 255 : 0;
    switch (format) {
    case GL_RED: out[0] = c[0], out[1] = out[2] = 0; return;
    case GL_GREEN: out[1] = c[1], out[0] = out[2] = 0; return;
    case GL_BLUE: out[2] = c[2], out[0] = out[1] = 0; return;
    case GL_LUMINANCE:
    case GL_LUMINANCE_ALPHA: out[0] = out[1] = out[2] = l; return;
    }
    memcpy(out, c, 3);
}

struct DibKind {
    int bits;
    bool swap;  // pack and unpack with swapped bytes
};

class RoundTrip : public ::testing::TestWithParam<DibKind> {};

// Pattern -> framebuffer -> memory (format, type) -> cleared framebuffer ->
// RGBA bytes, with alignment 8, skips and a row length on both sides.
TEST_P(RoundTrip, EveryFormatAndTypeThroughMemory) {
    const DibKind k = GetParam();
    GltestDibContext c(W, H, k.bits);
    glDisable(GL_DITHER);
    const auto pattern = patternImage(W, H);
    for (const FormatType& ft : kFormats) {
        SCOPED_TRACE(testing::Message() << std::hex << ft.format << " " << ft.type);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, 0);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glRasterPos2i(0, 0);
        glDrawPixels(W, H, GL_RGBA, GL_UNSIGNED_BYTE, pattern.data());
        const int rowLength = W + 3, skipPixels = 2, skipRows = 1;
        std::vector<uint8_t> mem((size_t)(rowLength * 16) * (H + skipRows) + 64, 0);
        for (GLenum base : {GL_PACK_SWAP_BYTES, GL_UNPACK_SWAP_BYTES}) {
            glPixelStorei(base, k.swap);
            glPixelStorei(base + 2, rowLength);  // row length
            glPixelStorei(base + 3, skipRows);
            glPixelStorei(base + 4, skipPixels);
            glPixelStorei(base + 5, 8);
        }
        glReadPixels(0, 0, W, H, ft.format, ft.type, mem.data());
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawPixels(W, H, ft.format, ft.type, mem.data());
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        glPixelStorei(GL_PACK_SWAP_BYTES, 0);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glPixelStorei(GL_PACK_SKIP_ROWS, 0);
        glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
        const auto back = readRgba(0, 0, W, H);
        // Signed elements hold 0 as the nearest of -1/255 and 1/255.
        const bool isSigned = ft.type == GL_BYTE || ft.type == GL_SHORT || ft.type == GL_INT;
        const int slack = isSigned ? 1 : 0;
        int wrong = 0;
        for (int i = 0; i < W * H; i++) {
            uint8_t want[3];
            keptRgb(ft.format, &pattern[4 * i], want);
            for (int ch = 0; ch < 3; ch++) wrong += abs(want[ch] - back[4 * i + ch]) > slack;
        }
        EXPECT_EQ(wrong, 0);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, 0);
    }
    EXPECT_TRUE(c.guardsIntact());
}

INSTANTIATE_TEST_SUITE_P(Dibs, RoundTrip,
                         ::testing::Values(DibKind{32, false}, DibKind{24, true}, DibKind{16, false},
                                           DibKind{8, true}));

// Exact bytes of one known colour per format and type (no symmetric mistake
// of packing and unpacking can pass).
TEST(PixelRect, ReadPixelsWritesTheDocumentedBytes) {
    GltestDibContext c(4, 4, 32);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);  // (255, 0, 255), alpha 1 (no alpha bits)
    glClear(GL_COLOR_BUFFER_BIT);
    struct Case {
        GLenum format, type;
        GLboolean swap;
        int size;
        uint8_t bytes[16];
    } cases[] = {
        {GL_RGBA, GL_UNSIGNED_BYTE, 0, 4, {255, 0, 255, 255}},
        {GL_BGR_EXT, GL_UNSIGNED_BYTE, 0, 3, {255, 0, 255}},
        {GL_ABGR_EXT, GL_UNSIGNED_BYTE, 0, 4, {255, 255, 0, 255}},
        {GL_RGB, GL_BYTE, 0, 3, {127, 0, 127}},
        {GL_GREEN, GL_UNSIGNED_SHORT, 0, 2, {0, 0}},
        {GL_RED, GL_UNSIGNED_SHORT, 1, 2, {255, 255}},
        {GL_LUMINANCE, GL_UNSIGNED_BYTE, 0, 1, {255}},
        {GL_RED, GL_FLOAT, 1, 4, {0x3F, 0x80, 0, 0}},
        {GL_RGB, GL_UNSIGNED_BYTE_3_3_2_EXT, 0, 1, {0xE3}},
        {GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1_EXT, 0, 2, {0x3F, 0xF8}},
        {GL_BGRA_EXT, GL_UNSIGNED_SHORT_4_4_4_4_EXT, 1, 2, {0xF0, 0xFF}},
        {GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_EXT, 0, 4, {0xFF, 0xFF, 0x00, 0xFF}},
        {GL_RGBA, GL_UNSIGNED_INT_10_10_10_2_EXT, 0, 4, {0xFF, 0x0F, 0xC0, 0xFF}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << t.format << " " << t.type);
        uint8_t out[24];
        memset(out, 0xAA, sizeof out);
        glPixelStorei(GL_PACK_SWAP_BYTES, t.swap);
        glReadPixels(1, 1, 1, 1, t.format, t.type, out + 4);
        EXPECT_EQ(memcmp(out + 4, t.bytes, t.size), 0);
        for (int i = 0; i < 4; i++) EXPECT_EQ(out[i], 0xAA);
        for (int i = 4 + t.size; i < 24; i++) EXPECT_EQ(out[i], 0xAA);
    }
}

// Pack state that leaves gaps: only the image's own bytes change, not padding
// between rows nor a byte past the last pixel; a rectangle partly or wholly
// off the window writes only its visible part.
TEST(PixelRect, ReadPixelsStaysInsideThePackedImage) {
    GltestDibContext c(W, H, 32);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    struct Case {
        GLint x, y, w, h, rowLength, skipPixels, skipRows, alignment;
        GLenum format, type;
        int group;
    } cases[] = {
        {0, 0, 5, 3, 0, 0, 0, 4, GL_RGB, GL_UNSIGNED_BYTE, 3},
        {2, 3, 3, 4, 7, 2, 1, 8, GL_RGB, GL_UNSIGNED_BYTE, 3},
        {-3, -2, 6, 5, 0, 0, 0, 2, GL_RGBA, GL_UNSIGNED_SHORT, 8},
        {W - 2, H - 1, 5, 4, 9, 1, 2, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, 1},
        {INT_MAX - 4, 0, 4, 2, 0, 0, 0, 4, GL_RGBA, GL_UNSIGNED_BYTE, 4},
        {INT_MIN, INT_MIN, 3, 3, 0, 0, 0, 4, GL_RGBA, GL_FLOAT, 16},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.x << "," << t.y << " " << t.w << "x" << t.h);
        glPixelStorei(GL_PACK_ROW_LENGTH, t.rowLength);
        glPixelStorei(GL_PACK_SKIP_PIXELS, t.skipPixels);
        glPixelStorei(GL_PACK_SKIP_ROWS, t.skipRows);
        glPixelStorei(GL_PACK_ALIGNMENT, t.alignment);
        const int rowLength = t.rowLength ? t.rowLength : t.w;
        const int stride = (rowLength * t.group + t.alignment - 1) / t.alignment * t.alignment;
        std::vector<uint8_t> mem((size_t)stride * (t.h + t.skipRows) + 32, 0xAA);
        glReadPixels(t.x, t.y, t.w, t.h, t.format, t.type, mem.data());
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        for (size_t i = 0; i < mem.size(); i++) {
            const long row = (long)(i / stride), col = (long)(i % stride) / t.group - t.skipPixels;
            const long gx = (long)t.x + col, gy = (long)t.y + row - t.skipRows;
            const bool inImage = row >= t.skipRows && row < t.skipRows + t.h && col >= 0 && col < t.w;
            const bool visible = inImage && gx >= 0 && gx < W && gy >= 0 && gy < H;
            if (visible) EXPECT_EQ(mem[i], 0xFF) << "byte " << i;
            else EXPECT_EQ(mem[i], 0xAA) << "byte " << i;
        }
    }
}

// ---- Transfer.

TEST(PixelRect, ColorTransferScaleBiasAndMaps) {
    GltestDibContext c(4, 1, 32);
    const uint8_t src[4] = {200, 100, 40, 255};
    glRasterPos2i(0, 0);
    glPixelTransferf(GL_RED_SCALE, 0.5f);
    glPixelTransferf(GL_GREEN_BIAS, 0.2f);  // 100 + 51
    glPixelTransferf(GL_BLUE_SCALE, -1.0f);  // clamps to 0
    glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, src);
    EXPECT_NEAR(c.red(0, 0), 100, 1);
    EXPECT_NEAR(c.green(0, 0), 151, 1);
    EXPECT_EQ(c.blue(0, 0), 0);
    // Reading applies the transfer too: scale 0.5 of a read 100 -> 50.
    uint8_t out[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, out);
    EXPECT_NEAR(out[0], 50, 1);
    // Colour maps: red through a two-entry map inverting it.
    glPixelTransferf(GL_RED_SCALE, 1.0f);
    glPixelTransferf(GL_GREEN_BIAS, 0.0f);
    glPixelTransferf(GL_BLUE_SCALE, 1.0f);
    const GLfloat invert[2] = {1.0f, 0.0f};
    glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 2, invert);
    glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
    glRasterPos2i(1, 0);
    const uint8_t black[4] = {0, 0, 0, 255};
    glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, black);
    EXPECT_EQ(c.red(1, 0), 255);
    // Colour indices on an RGBA buffer: shifted, offset, through I_TO_R/G/B.
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPixelTransferi(GL_INDEX_SHIFT, 1);
    glPixelTransferi(GL_INDEX_OFFSET, 1);
    const GLfloat r[4] = {0.0f, 0.0f, 0.0f, 1.0f}, g[4] = {0.0f, 0.0f, 0.0f, 0.5f}, b[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    glPixelMapfv(GL_PIXEL_MAP_I_TO_R, 4, r);
    glPixelMapfv(GL_PIXEL_MAP_I_TO_G, 4, g);
    glPixelMapfv(GL_PIXEL_MAP_I_TO_B, 4, b);
    const uint8_t index = 1;  // (1 << 1) + 1 = 3
    glRasterPos2i(2, 0);
    glDrawPixels(1, 1, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, &index);
    EXPECT_EQ(c.red(2, 0), 255);
    EXPECT_NEAR(c.green(2, 0), 128, 1);
    EXPECT_EQ(c.blue(2, 0), 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(PixelRect, ColorIndexDrawReadWithShiftOffsetMapAndBitmap) {
    GltestDibContext c(8, 2, 8, true);
    const uint8_t idx[4] = {1, 2, 3, 200};
    glRasterPos2i(0, 0);
    glPixelTransferi(GL_INDEX_SHIFT, 2);
    glPixelTransferi(GL_INDEX_OFFSET, -1);
    glDrawPixels(4, 1, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, idx);
    EXPECT_EQ(c.pixel(0, 0), 3u);
    EXPECT_EQ(c.pixel(1, 0), 7u);
    EXPECT_EQ(c.pixel(2, 0), 11u);
    EXPECT_EQ(c.pixel(3, 0), (200u * 4 - 1) & 0xFF);
    // Read back through I_TO_I (x -> 255 - x) and right shift.
    glPixelTransferi(GL_INDEX_SHIFT, -1);
    glPixelTransferi(GL_INDEX_OFFSET, 0);
    std::vector<GLuint> map(256);
    for (int i = 0; i < 256; i++) map[i] = 255 - i;
    glPixelMapuiv(GL_PIXEL_MAP_I_TO_I, 256, map.data());
    glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
    GLshort out[4] = {-9, -9, -9, -9};
    glReadPixels(0, 0, 3, 1, GL_COLOR_INDEX, GL_SHORT, out);
    EXPECT_EQ(out[0], 255 - 1);
    EXPECT_EQ(out[1], 255 - 3);
    EXPECT_EQ(out[2], 255 - 5);
    EXPECT_EQ(out[3], -9);
    // Bitmaps of indices: 1 bits draw index 1, 0 bits index 0 (no transfer).
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPixelTransferi(GL_INDEX_SHIFT, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 3);
    const uint8_t bits[1] = {0x1A};  // from bit 3: 1 1 0 1 0
    glRasterPos2i(0, 1);
    glDrawPixels(5, 1, GL_COLOR_INDEX, GL_BITMAP, bits);
    const uint32_t want[5] = {1, 1, 0, 1, 0};
    for (int x = 0; x < 5; x++) EXPECT_EQ(c.pixel(x, 1), want[x]) << x;
    uint8_t packed[2] = {0xF0, 0xAB};
    glReadPixels(0, 1, 5, 1, GL_COLOR_INDEX, GL_BITMAP, packed);
    EXPECT_EQ(packed[0], 0xD0 | 0x00);  // 11010 then the untouched low bits' zero
    EXPECT_EQ(packed[1], 0xAB);
    EXPECT_TRUE(c.guardsIntact());
}

// GL_INDEX_SHIFT beyond the index and stencil bits shifts the whole value,
// on the table path of index bytes, the chain of other types and zoomed
// draws alike, and on reads.
TEST(PixelRect, IndexShiftBeyondTheBitsIsUnclamped) {
    for (bool fast : {true, false}) {
        if (!fast) setenv("__GL_DISABLE_FASTPATH", "1", 1);
        GltestDibContext c(W, H, 32);
        unsetenv("__GL_DISABLE_FASTPATH");
        SCOPED_TRACE(fast ? "fast" : "generic");
        // 3 << 10 selects entry 3072 of I_TO_R alone (3 << 8 would select 768).
        std::vector<GLfloat> map(4096, 0.0f);
        map[3 << 10] = 1.0f;
        glPixelMapfv(GL_PIXEL_MAP_I_TO_R, 4096, map.data());
        glPixelTransferi(GL_INDEX_SHIFT, 10);
        const GLubyte ubyte = 3;
        const GLfloat value = 3.0f;
        rasterAt(1, 1);
        glDrawPixels(1, 1, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, &ubyte);
        rasterAt(2, 1);
        glDrawPixels(1, 1, GL_COLOR_INDEX, GL_FLOAT, &value);
        glPixelZoom(2.0f, 2.0f);
        rasterAt(4, 1);
        glDrawPixels(1, 1, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, &ubyte);
        glPixelZoom(1.0f, 1.0f);
        for (int x : {1, 2, 4, 5}) EXPECT_EQ(c.red(x, 1), 255) << x;
        glClearStencil(3);
        glClear(GL_STENCIL_BUFFER_BIT);
        GLuint stencil = 0;
        glReadPixels(0, 0, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_INT, &stencil);
        EXPECT_EQ(stencil, 3u << 10);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    }
}

// ---- Zoom and clipping.

TEST(PixelRect, ZoomPositiveNegativeAndFractional) {
    const uint8_t img[2 * 2 * 4] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    auto code = [](const GltestDibContext& c, int x, int y) {
        return (c.red(x, y) ? 1 : 0) | (c.green(x, y) ? 2 : 0) | (c.blue(x, y) ? 4 : 0);
    };
    struct Case {
        float zx, zy;
        int rx, ry;
        const char* rows;  // top row first, 8 columns x 6 rows, digits = colour code
    } cases[] = {
        {2.0f, 3.0f, 1, 0, "04477000"
                           "04477000"
                           "04477000"
                           "01122000"
                           "01122000"
                           "01122000"},
        {-1.0f, -1.0f, 4, 4, "00000000"
                             "00000000"
                             "00210000"
                             "00740000"
                             "00000000"
                             "00000000"},
        {0.5f, 1.0f, 0, 0, "00000000"
                           "00000000"
                           "00000000"
                           "00000000"
                           "70000000"
                           "20000000"},
        {1.5f, -2.0f, 2, 3, "00000000"
                            "00000000"
                            "00000000"
                            "00122000"
                            "00122000"
                            "00477000"},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.zx << " x " << t.zy);
        GltestDibContext c(8, 6, 32);
        glPixelZoom(t.zx, t.zy);
        glRasterPos2i(t.rx, t.ry);
        glDrawPixels(2, 2, GL_RGBA, GL_UNSIGNED_BYTE, img);
        std::string got;
        for (int y = 5; y >= 0; y--)
            for (int x = 0; x < 8; x++) got += (char)('0' + code(c, x, y));
        EXPECT_EQ(got, t.rows);
    }
}

// Rectangles over every edge, from raster positions outside the window, huge
// zooms: only the window's cells change, nothing past the DIB.
TEST(PixelRect, ClippedAtEveryEdge) {
    const auto pattern = patternImage(W, H);
    struct Case {
        float x, y, zx, zy;
    } cases[] = {
        {-5, 3, 1, 1},      {10, 3, 1, 1},      {3, -7, 1, 1},       {3, 12, 1, 1},
        {-10, -10, 1, 1},   {-3, 4, 5000, 1},   {20, 20, -3, -2},    {-1e9f, 0, 1, 1},
        {1e9f, 1e9f, -1e9f, -1e9f}, {4, 4, 0.001f, 1},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.x << "," << t.y << " zoom " << t.zx << "," << t.zy);
        GltestDibContext c(W, H, 32);
        glPixelZoom(t.zx, t.zy);
        rasterAt(t.x, t.y);
        glDrawPixels(W, H, GL_RGBA, GL_UNSIGNED_BYTE, pattern.data());
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        EXPECT_TRUE(c.guardsIntact());
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                // Source pixel of the cell's centre, if any.
                const double u = (x + 0.5 - t.x) / t.zx, v = (y + 0.5 - t.y) / t.zy;
                const bool inside = u >= 0 && u < W && v >= 0 && v < H;
                uint8_t want[4] = {0, 0, 0, 0};
                if (inside) patternPixel((int)u, (int)v, want);
                const uint8_t got[3] = {(uint8_t)c.red(x, y), (uint8_t)c.green(x, y), (uint8_t)c.blue(x, y)};
                ASSERT_EQ(memcmp(got, want, 3), 0) << x << "," << y;
            }
    }
}

// ---- Zoom tables: wide images and extreme zooms against the cell rule.

// RGB bytes that tell every column and row of a 32-bit DIB apart, none black.
void placePixel(int x, int y, uint8_t* c) {
    c[0] = (uint8_t)x, c[1] = (uint8_t)((x >> 8) * 16 + (y & 15)), c[2] = (uint8_t)(y * 37 + (x >> 16) + 1);
    c[3] = 255;
}
std::vector<uint8_t> placeImage(int w, int h) {
    std::vector<uint8_t> v((size_t)w * h * 4);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) placePixel(x, y, &v[((size_t)y * w + x) * 4]);
    return v;
}
// The source index whose zoomed extent holds the centre of cell c, or -1;
// -2 for a centre on an edge (either side may take it).
int sourceOf(int c, double origin, double zoom, int count) {
    const double v = (c + 0.5 - origin) / zoom, u = floor(v);
    if (v == u && u > 0 && u < count) return -2;
    return u >= 0 && u < count ? (int)u : -1;
}

// Moves the raster position to (x, y) with the pixel zoom, then checks, after
// `draw`, every cell of the window against the cell rule for a w x h source:
// want(i, j, rgb) gives the pixel of source (i, j) (-1, -1: a cell no source
// pixel covers). The raster position and zoom are taken as kept (window
// coordinates are floats, zooms quantised).
template <class Draw, class Want>
void expectZoomedCells(GltestDibContext& c, float x, float y, float zoomX, float zoomY, int w, int h, Draw draw,
                       Want want) {
    glPixelZoom(zoomX, zoomY);
    rasterAt(x, y);
    GLfloat at[4], zx, zy;
    glGetFloatv(GL_CURRENT_RASTER_POSITION, at);
    glGetFloatv(GL_ZOOM_X, &zx);
    glGetFloatv(GL_ZOOM_Y, &zy);
    draw();
    EXPECT_TRUE(c.guardsIntact());
    for (int cy = 0; cy < c.dib.height; cy++)
        for (int cx = 0; cx < c.dib.width; cx++) {
            const int i = sourceOf(cx, at[0], zx, w), j = sourceOf(cy, at[1], zy, h);
            if (i == -2 || j == -2) continue;
            uint8_t rgb[4];
            want(i >= 0 && j >= 0 ? i : -1, i >= 0 && j >= 0 ? j : -1, cx, cy, rgb);
            const uint8_t got[3] = {(uint8_t)c.red(cx, cy), (uint8_t)c.green(cx, cy), (uint8_t)c.blue(cx, cy)};
            ASSERT_EQ(memcmp(got, rgb, 3), 0) << cx << "," << cy;
        }
}

// Bands of more than one span of columns, in both directions and both zoom
// kinds, a window wider than a 16-bit zoom table entry with one source column
// over all of it, and the smallest zoom (1/1024: source steps of 1024).
TEST(PixelRect, ZoomedBandsCoverTheCellsOfEachSourcePixel) {
    struct Case {
        int windowWidth, windowHeight, width, height;
        float x, y, zx, zy;
    } cases[] = {
        {300, 8, 700, 3, 2.33f, 1.3f, 0.45f, 1.0f},     {300, 8, 280, 3, -20.3f, 0.3f, 1.25f, 2.0f},
        {300, 8, 280, 3, 310.3f, 7.7f, -1.25f, -2.0f}, {300, 8, 700, 5, 290.67f, 1.33f, -0.45f, 0.7f},
        {300, 8, 2, 2, 3.3f, 0.3f, 140.0f, 3.0f},       {33000, 2, 1, 1, 0.3f, 0.3f, 40000.0f, 1.0f},
        {33000, 2, 1, 1, 32999.7f, 0.3f, -40000.0f, 1.0f}, {40, 2, 40000, 1, 0.3f, 0.3f, 1.0f / 1024, 1.0f},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.width << "x" << t.height << " at " << t.x << "," << t.y << " zoom "
                                        << t.zx << "," << t.zy);
        const auto image = placeImage(t.width, t.height);
        GltestDibContext c(t.windowWidth, t.windowHeight, 32);
        gltestPixelViewport(0, 0, t.windowWidth, t.windowHeight);
        c.clear(0);
        expectZoomedCells(
            c, t.x, t.y, t.zx, t.zy, t.width, t.height,
            [&] { glDrawPixels(t.width, t.height, GL_RGBA, GL_UNSIGNED_BYTE, image.data()); },
            [](int i, int j, int, int, uint8_t* rgb) {
                if (i >= 0) placePixel(i, j, rgb);
                else memset(rgb, 0, 4);
            });
    }
}

// ---- Copies.

TEST(PixelRect, OverlappingCopiesReadTheOriginal) {
    const auto pattern = patternImage(W, H);
    const int dirs[][2] = {{3, 0}, {-3, 0}, {0, 3}, {0, -3}, {2, -2}, {-1, 4}};
    for (const auto& d : dirs) {
        SCOPED_TRACE(testing::Message() << d[0] << "," << d[1]);
        GltestDibContext c(W, H, 32);
        glRasterPos2i(0, 0);
        glDrawPixels(W, H, GL_RGBA, GL_UNSIGNED_BYTE, pattern.data());
        const int sx = 4, sy = 5, w = 8, h = 7;
        glRasterPos2i(sx + d[0], sy + d[1]);
        glCopyPixels(sx, sy, w, h, GL_COLOR);
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                const int u = x - d[0] - sx, v = y - d[1] - sy;
                uint8_t want[4];
                if (u >= 0 && u < w && v >= 0 && v < h) patternPixel(sx + u, sy + v, want);
                else patternPixel(x, y, want);
                const uint8_t got[3] = {(uint8_t)c.red(x, y), (uint8_t)c.green(x, y), (uint8_t)c.blue(x, y)};
                ASSERT_EQ(memcmp(got, want, 3), 0) << x << "," << y;
            }
    }
}

// Zoomed copies onto their own source (read whole first) and beside it (read
// row by row, stepped at |zoom x| < 1): every cell gets the original pixel of
// the source pixel whose zoomed extent holds its centre.
TEST(PixelRect, ZoomedCopiesTakeTheOriginalPixels) {
    const int w = 40, h = 30;
    static const int sx = 5, sy = 4, cw = 12, ch = 9;
    const auto image = placeImage(w, h);
    struct Case {
        float x, y, zx, zy;
    } cases[] = {
        {8.3f, 6.3f, 2.0f, 2.0f},      {7.3f, 5.3f, 0.5f, 0.5f},      {30.3f, 2.3f, -1.5f, 1.25f},
        {25.3f, 28.3f, 0.45f, -2.0f},  {3.3f, 20.3f, 1.0f, -1.0f},    {16.75f, 12.45f, -0.7f, -0.6f},
        {-6.3f, 3.35f, 3.0f, 0.8f},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.x << "," << t.y << " zoom " << t.zx << "," << t.zy);
        GltestDibContext c(w, h, 32);
        glRasterPos2i(0, 0);
        glDrawPixels(w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
        expectZoomedCells(
            c, t.x, t.y, t.zx, t.zy, cw, ch, [] { glCopyPixels(sx, sy, cw, ch, GL_COLOR); },
            [](int i, int j, int x, int y, uint8_t* rgb) {
                if (i >= 0) placePixel(sx + i, sy + j, rgb);
                else placePixel(x, y, rgb);
            });
    }
}

// A source partly off the window copies its visible part to the matching place.
TEST(PixelRect, CopyFromBeyondTheWindowCopiesTheVisiblePart) {
    GltestDibContext c(8, 8, 32);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glRasterPos2i(4, 4);
    glCopyPixels(-2, -2, 4, 4, GL_COLOR);  // visible source (0..1, 0..1) -> (6..7, 6..7)
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) EXPECT_EQ(c.blue(x, y), 255);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, 1, 1);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glRasterPos2i(4, 4);
    glCopyPixels(-2, -2, 4, 4, GL_COLOR);
    EXPECT_EQ(c.red(6, 6), 255);
    EXPECT_EQ(c.red(4, 4) + c.red(5, 5) + c.red(7, 7), 0);
    EXPECT_TRUE(c.guardsIntact());
}

// ---- Depth and stencil.

TEST(PixelRect, DepthAndStencilDrawReadAndCopy) {
    for (int depthBits : {16, 32, 24}) {
        SCOPED_TRACE(depthBits);
        GltestDibContext c(8, 4, 32, false, depthBits);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_ALWAYS);
        const GLfloat depth[4] = {0.0f, 0.25f, 0.75f, 1.0f};
        glRasterPos2i(1, 1);
        glDrawPixels(4, 1, GL_DEPTH_COMPONENT, GL_FLOAT, depth);
        GLfloat out[6];
        for (GLfloat& f : out) f = -1.0f;
        glReadPixels(1, 1, 4, 1, GL_DEPTH_COMPONENT, GL_FLOAT, out + 1);
        for (int i = 0; i < 4; i++) EXPECT_NEAR(out[i + 1], depth[i], 1e-4) << i;
        EXPECT_EQ(out[0], -1.0f);
        EXPECT_EQ(out[5], -1.0f);
        // Depth scale and bias on reading; unsigned short packing.
        glPixelTransferf(GL_DEPTH_SCALE, 0.5f);
        glPixelTransferf(GL_DEPTH_BIAS, 0.5f);
        GLushort us[4];
        glReadPixels(1, 1, 4, 1, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, us);
        EXPECT_NEAR(us[0], 32768, 2);
        EXPECT_EQ(us[3], 65535);
        glPixelTransferf(GL_DEPTH_SCALE, 1.0f);
        glPixelTransferf(GL_DEPTH_BIAS, 0.0f);
        // Copying depth: the column of 0.25 to (6, 2).
        glRasterPos2i(6, 2);
        glCopyPixels(2, 1, 1, 1, GL_DEPTH);
        glReadPixels(6, 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, out);
        EXPECT_NEAR(out[0], 0.25f, 1e-4);

        // Stencil: write mask, shift and S_TO_S map on drawing.
        const uint8_t st[3] = {5, 6, 250};
        glStencilMask(0x7F);
        glPixelTransferi(GL_INDEX_OFFSET, 1);
        glRasterPos2i(0, 3);
        glDrawPixels(3, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, st);
        glPixelTransferi(GL_INDEX_OFFSET, 0);
        GLint sv[3];
        glReadPixels(0, 3, 3, 1, GL_STENCIL_INDEX, GL_INT, sv);
        EXPECT_EQ(sv[0], 6);
        EXPECT_EQ(sv[1], 7);
        EXPECT_EQ(sv[2], 251 & 0x7F);
        glStencilMask(0xFF);
        std::vector<GLushort> smap(256);
        for (int i = 0; i < 256; i++) smap[i] = (GLushort)(i ^ 0x80);
        glPixelMapusv(GL_PIXEL_MAP_S_TO_S, 256, smap.data());
        glPixelTransferi(GL_MAP_STENCIL, GL_TRUE);
        glDrawPixels(1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, st);
        glPixelTransferi(GL_MAP_STENCIL, GL_FALSE);
        GLubyte sb = 0;
        glReadPixels(0, 3, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &sb);
        EXPECT_EQ(sb, 5 ^ 0x80);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    }
}

// ---- Fragment operations on pixel fragments.

TEST(PixelRect, PixelFragmentsPassTheFragmentTests) {
    const uint8_t src[4] = {255, 255, 255, 64};
    enum Op { DEPTH_LESS_NEAR, DEPTH_LESS_FAR, ALPHA_PASS, ALPHA_FAIL, STENCIL_FAIL, BLEND, FOG };
    struct Case {
        Op op;
        int red;
    } cases[] = {
        {DEPTH_LESS_NEAR, 255}, {DEPTH_LESS_FAR, 0}, {ALPHA_PASS, 255}, {ALPHA_FAIL, 0},
        {STENCIL_FAIL, 0},      {BLEND, 64},         {FOG, 0},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE((int)t.op);
        GltestDibContext c(4, 4, 32);
        glClearDepth(0.5);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        float z = 0.0f;
        switch (t.op) {
        case DEPTH_LESS_NEAR:
        case DEPTH_LESS_FAR:
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(GL_LESS);
            z = t.op == DEPTH_LESS_NEAR ? 0.5f : -0.5f;  // ortho near -1: window depth 0.25 / 0.75
            break;
        case ALPHA_PASS:
        case ALPHA_FAIL:
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(t.op == ALPHA_PASS ? GL_LESS : GL_GREATER, 0.5f);
            break;
        case STENCIL_FAIL:
            glEnable(GL_STENCIL_TEST);
            glStencilFunc(GL_EQUAL, 1, 0xFF);
            break;
        case BLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            break;
        case FOG: {
            glEnable(GL_FOG);
            glFogi(GL_FOG_MODE, GL_LINEAR);
            glFogf(GL_FOG_START, 0.0f);
            glFogf(GL_FOG_END, 0.0001f);  // fully fogged at the raster distance
            const GLfloat black[4] = {0, 0, 0, 1};
            glFogfv(GL_FOG_COLOR, black);
            break;
        }
        }
        glRasterPos3f(1.0f, 1.0f, t.op == FOG ? -0.5f : z);
        glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, src);
        EXPECT_NEAR(c.red(1, 1), t.red, 1);
    }
}

// Feedback mode emits the pixel tokens and draws nothing.
TEST(PixelRect, FeedbackTokensAndNoDrawing) {
    GltestDibContext c(4, 4, 32);
    GLfloat fb[64];
    glFeedbackBuffer(64, GL_2D, fb);
    glRenderMode(GL_FEEDBACK);
    const uint8_t src[4] = {255, 255, 255, 255};
    glRasterPos2i(1, 2);
    glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, src);
    glCopyPixels(0, 0, 1, 1, GL_COLOR);
    const GLint n = glRenderMode(GL_RENDER);
    ASSERT_EQ(n, 6);
    EXPECT_EQ(fb[0], (GLfloat)GL_DRAW_PIXEL_TOKEN);
    EXPECT_EQ(fb[1], 1.0f);
    EXPECT_EQ(fb[2], 2.0f);
    EXPECT_EQ(fb[3], (GLfloat)GL_COPY_PIXEL_TOKEN);
    EXPECT_EQ(c.red(1, 2), 0);
}

}  // namespace

namespace {

// Packed types are one element a pixel: the byte swap and the realignment of
// a read touch exactly the client pixels, however many fields they hold.
TEST(PixelRect, PackedTypesSwapAndRealignWithinTheClientImage) {
    GltestDibContext c(W, H, 32);
    glDisable(GL_DITHER);
    const auto pattern = patternImage(W, H);
    glRasterPos2i(0, 0);
    glDrawPixels(W, H, GL_RGBA, GL_UNSIGNED_BYTE, pattern.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const struct {
        GLenum format, type;
        int bytes;
    } kinds[] = {{GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_EXT, 2}, {GL_BGRA_EXT, GL_UNSIGNED_SHORT_5_5_5_1_EXT, 2},
                 {GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_EXT, 4}, {GL_RGBA, GL_UNSIGNED_INT_10_10_10_2_EXT, 4}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(testing::Message() << std::hex << k.type);
        const int w = 5, h = 3, size = w * h * k.bytes;
        std::vector<uint8_t> plain(size + 16, 0xEE), swapped(size + 17, 0xEE);
        glPixelStorei(GL_PACK_SWAP_BYTES, 0);
        glReadPixels(2, 3, w, h, k.format, k.type, plain.data());
        // Swapped, one byte off alignment.
        glPixelStorei(GL_PACK_SWAP_BYTES, 1);
        glReadPixels(2, 3, w, h, k.format, k.type, swapped.data() + 1);
        glPixelStorei(GL_PACK_SWAP_BYTES, 0);
        EXPECT_EQ(swapped[0], 0xEE);
        for (int i = 0; i < size; i += k.bytes)
            for (int b = 0; b < k.bytes; b++) ASSERT_EQ(swapped[1 + i + b], plain[i + k.bytes - 1 - b]) << i;
        for (int i = size; i < size + 16; i++) EXPECT_EQ(swapped[1 + i], 0xEE) << "written past the image";
        // And drawn back from the swapped bytes, the same pixels.
        glPixelStorei(GL_UNPACK_SWAP_BYTES, 1);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glRasterPos2i(9, 9);
        glDrawPixels(w, h, k.format, k.type, swapped.data() + 1);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, 0);
        std::vector<uint8_t> again(size + 16, 0xEE);
        glReadPixels(9, 9, w, h, k.format, k.type, again.data());
        EXPECT_TRUE(std::equal(again.begin(), again.begin() + size, plain.begin()));
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

}  // namespace

namespace {

// 16-bit depths read as unsigned integers are exact: the 16-bit value in both
// halves, 1.0 all ones; in the client's byte order.
TEST(PixelRect, SixteenBitDepthReadsAsExactUnsignedIntegers) {
    GltestDibContext c(W, H, 32, false, 16);
    for (GLdouble depth : {0.0, 0.3, 0.7071, 1.0}) {
        glClearDepth(depth);
        glClear(GL_DEPTH_BUFFER_BIT);
        GLushort e = 0;
        glReadPixels(2, 3, 1, 1, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, &e);
        GLuint u[2] = {0, 0xEEEEEEEEu};
        glReadPixels(2, 3, 1, 1, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, u);
        EXPECT_EQ(u[0], (GLuint)e * 65537u) << depth;
        EXPECT_EQ(u[1], 0xEEEEEEEEu);
        uint8_t swapped[5] = {0xEE, 0, 0, 0, 0};
        glPixelStorei(GL_PACK_SWAP_BYTES, 1);
        glReadPixels(2, 3, 1, 1, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, swapped + 1);
        glPixelStorei(GL_PACK_SWAP_BYTES, 0);
        EXPECT_EQ(swapped[0], 0xEE);
        EXPECT_EQ((GLuint)swapped[1] << 24 | (GLuint)swapped[2] << 16 | (GLuint)swapped[3] << 8 | swapped[4], u[0]);
    }
    GLuint one = 0;
    glReadPixels(2, 3, 1, 1, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, &one);
    EXPECT_EQ(one, 0xFFFFFFFFu);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

}  // namespace

namespace {

// ---- Alpha of a colour buffer without alpha bits.

// A read component of client memory as a value in [0, 1], by the type's
// rule: unsigned c / max, signed (2c + 1) / (2 max + 1), packed fields by
// their width; `step` is one unit of the type in that range.
float readComponent(const uint8_t* p, GLenum type, int index, float* step) {
    auto field = [&](uint32_t word, int shift, int bits) {
        const uint32_t max = (1u << bits) - 1;
        *step = 1.0f / (float)max;
        return (float)((word >> shift) & max) / (float)max;
    };
    uint16_t h;
    uint32_t w;
    switch (type) {
    case GL_UNSIGNED_BYTE: *step = 1.0f / 255; return p[index] / 255.0f;
    case GL_BYTE: *step = 2.0f / 255; return (2.0f * (int8_t)p[index] + 1.0f) / 255.0f;
    case GL_UNSIGNED_SHORT: memcpy(&h, p + 2 * index, 2), *step = 1.0f / 65535; return h / 65535.0f;
    case GL_SHORT: memcpy(&h, p + 2 * index, 2), *step = 2.0f / 65535; return (2.0f * (int16_t)h + 1.0f) / 65535.0f;
    case GL_UNSIGNED_INT: memcpy(&w, p + 4 * index, 4), *step = 1e-6f; return (float)(w / 4294967295.0);
    case GL_INT: memcpy(&w, p + 4 * index, 4), *step = 1e-6f; return (float)((2.0 * (int32_t)w + 1.0) / 4294967295.0);
    case GL_FLOAT: {
        float f;
        memcpy(&f, p + 4 * index, 4);
        *step = 1e-6f;
        return f;
    }
    // Packed layouts: index counts fields from the most significant down.
    case GL_UNSIGNED_SHORT_4_4_4_4_EXT: memcpy(&h, p, 2); return field(h, 12 - 4 * index, 4);
    case GL_UNSIGNED_SHORT_5_5_5_1_EXT: memcpy(&h, p, 2); return index == 3 ? field(h, 0, 1) : field(h, 11 - 5 * index, 5);
    case GL_UNSIGNED_INT_8_8_8_8_EXT: memcpy(&w, p, 4); return field(w, 24 - 8 * index, 8);
    case GL_UNSIGNED_INT_10_10_10_2_EXT: memcpy(&w, p, 4); return index == 3 ? field(w, 0, 2) : field(w, 22 - 10 * index, 10);
    }
    ADD_FAILURE() << "type " << type;
    return -1.0f;
}

// A buffer without alpha bits has alpha 1.0 at every pixel: read back it is
// 1.0, through the alpha scale and bias, in every type and every format that
// carries alpha; the colour beside it is unchanged.
TEST(PixelRect, ReadAlphaOfABufferWithoutAlphaBitsIsOne) {
    struct Read {
        GLenum format, type;
        int bytes;   // a pixel in client memory
        int alpha;   // alpha's component (packed: field) number
        int red;     // red's, -1 when the format has none
    } reads[] = {
        {GL_RGBA, GL_FLOAT, 16, 3, 0},
        {GL_RGBA, GL_UNSIGNED_BYTE, 4, 3, 0},
        {GL_RGBA, GL_BYTE, 4, 3, 0},
        {GL_RGBA, GL_UNSIGNED_SHORT, 8, 3, 0},
        {GL_RGBA, GL_SHORT, 8, 3, 0},
        {GL_RGBA, GL_UNSIGNED_INT, 16, 3, 0},
        {GL_RGBA, GL_INT, 16, 3, 0},
        {GL_ALPHA, GL_FLOAT, 4, 0, -1},
        {GL_ALPHA, GL_UNSIGNED_BYTE, 1, 0, -1},
        {GL_ALPHA, GL_BYTE, 1, 0, -1},
        {GL_ALPHA, GL_UNSIGNED_SHORT, 2, 0, -1},
        {GL_ALPHA, GL_SHORT, 2, 0, -1},
        {GL_ALPHA, GL_UNSIGNED_INT, 4, 0, -1},
        {GL_ALPHA, GL_INT, 4, 0, -1},
        {GL_LUMINANCE_ALPHA, GL_FLOAT, 8, 1, -1},
        {GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT, 4, 1, -1},
        {GL_BGRA_EXT, GL_FLOAT, 16, 3, 2},
        {GL_BGRA_EXT, GL_UNSIGNED_BYTE, 4, 3, 2},
        {GL_ABGR_EXT, GL_FLOAT, 16, 0, 3},
        {GL_ABGR_EXT, GL_INT, 16, 0, 3},
        {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_EXT, 2, 3, 0},
        {GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1_EXT, 2, 3, 0},
        {GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_EXT, 4, 3, 0},
        {GL_RGBA, GL_UNSIGNED_INT_10_10_10_2_EXT, 4, 3, 0},
    };
    struct Transfer {
        float scale, bias, alpha;
    } transfers[] = {{1.0f, 0.0f, 1.0f}, {0.5f, 0.0f, 0.5f}, {0.5f, 0.25f, 0.75f}, {1.0f, -0.75f, 0.25f}};
    for (int bits : {32, 24, 16, 8}) {
        GltestDibContext c(4, 4, bits);
        glClearColor(1.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        for (const Transfer& t : transfers) {
            glPixelTransferf(GL_ALPHA_SCALE, t.scale);
            glPixelTransferf(GL_ALPHA_BIAS, t.bias);
            for (const Read& r : reads) {
                SCOPED_TRACE(testing::Message() << bits << " bits, alpha scale " << t.scale << " bias " << t.bias
                                                << ", format 0x" << std::hex << r.format << " type 0x" << r.type);
                uint8_t out[20];
                memset(out, 0xAA, sizeof out);
                glReadPixels(2, 1, 1, 1, r.format, r.type, out);
                EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
                float step;
                const float a = readComponent(out, r.type, r.alpha, &step);
                EXPECT_NEAR(a, t.alpha, step);
                if (r.red >= 0) {
                    EXPECT_NEAR(readComponent(out, r.type, r.red, &step), 1.0f, step);
                }
                EXPECT_EQ(out[r.bytes], 0xAA);
            }
        }
    }
}

// The copies read the same alpha: glCopyPixels' fragments meet the alpha
// test with it, and glCopyTexImage2D stores it in the texture.
TEST(PixelRect, CopiesOfABufferWithoutAlphaBitsTakeAlphaOne) {
    GltestDibContext c(8, 4, 32);
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    struct Case {
        float scale;
        GLenum func;
        float ref;
        bool passes;
    } cases[] = {
        {1.0f, GL_EQUAL, 1.0f, true}, {0.5f, GL_EQUAL, 0.5f, true},   {0.5f, GL_LESS, 0.75f, true},
        {0.5f, GL_GREATER, 0.75f, false}, {0.25f, GL_LEQUAL, 0.25f, true},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << "alpha scale " << t.scale << " func 0x" << std::hex << t.func);
        glDisable(GL_ALPHA_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glEnable(GL_SCISSOR_TEST);
        glScissor(4, 0, 4, 4);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glPixelTransferf(GL_ALPHA_SCALE, t.scale);
        glAlphaFunc(t.func, t.ref);
        glEnable(GL_ALPHA_TEST);
        glRasterPos2i(4, 0);
        glCopyPixels(0, 0, 4, 4, GL_COLOR);
        EXPECT_EQ(c.red(5, 1), t.passes ? 255 : 0);

        glDisable(GL_ALPHA_TEST);
        GLuint tex = 0;
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 4, 4, 0);
        GLfloat texels[4 * 16 + 1];
        texels[64] = -2.0f;
        glPixelTransferf(GL_ALPHA_SCALE, 1.0f);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels);
        EXPECT_NEAR(texels[4 * 5 + 3], t.scale, 1.0f / 255);
        EXPECT_NEAR(texels[4 * 5 + 0], 1.0f, 1.0f / 255);
        EXPECT_EQ(texels[64], -2.0f);
        glDeleteTextures(1, &tex);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    }
}

}  // namespace
