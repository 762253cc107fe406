// Image layout and the span converters, against a reference unpacker that
// reads client images the way the GL 1.1 unpacking rules describe them.

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <vector>
#include "gltest.h"
#include "core/glcontext.h"
#include "pixel/pixel.h"
#include "glfixture.h"

namespace {

struct PixelImage : GltestContextTest {};

struct Modes {
    GLint rowLength, skipRows, skipPixels, alignment;
    bool swap, lsb;
};

GlPixelStoreModes storeModes(const Modes& m) {
    GlPixelStoreModes s{};
    s.rowLength = m.rowLength;
    s.skipRows = m.skipRows;
    s.skipPixels = m.skipPixels;
    s.alignment = m.alignment;
    s.swapBytes = m.swap;
    s.lsbFirst = m.lsb;
    return s;
}

// ---- The reference: element sizes, components and values of the GL rules.

struct TypeInfo {
    GLenum type;
    int size;                // bytes of an element
    bool isSigned, isFloat;
    int fields[4];           // packed: field widths from the top bit down; 0 ends
    GlPixelModifier convert;  // the converter under test
};
const TypeInfo types[] = {
    {GL_UNSIGNED_BYTE, 1, false, false, {0}, __glUnsignedByteToFloat},
    {GL_BYTE, 1, true, false, {0}, __glByteToFloat},
    {GL_UNSIGNED_SHORT, 2, false, false, {0}, __glUnsignedShortToFloat},
    {GL_SHORT, 2, true, false, {0}, __glShortToFloat},
    {GL_UNSIGNED_INT, 4, false, false, {0}, __glUnsignedIntToFloat},
    {GL_INT, 4, true, false, {0}, __glIntToFloat},
    {GL_FLOAT, 4, false, true, {0}, nullptr},
    {GL_BITMAP, 0, false, false, {0}, __glUnpackBitmap},
    {GL_UNSIGNED_BYTE_3_3_2_EXT, 1, false, false, {3, 3, 2, 0}, __glUnpack332},
    {GL_UNSIGNED_SHORT_4_4_4_4_EXT, 2, false, false, {4, 4, 4, 4}, __glUnpack4444},
    {GL_UNSIGNED_SHORT_5_5_5_1_EXT, 2, false, false, {5, 5, 5, 1}, __glUnpack5551},
    {GL_UNSIGNED_INT_8_8_8_8_EXT, 4, false, false, {8, 8, 8, 8}, __glUnpack8888},
    {GL_UNSIGNED_INT_10_10_10_2_EXT, 4, false, false, {10, 10, 10, 2}, __glUnpack1010102},
};

int fieldCount(const TypeInfo& t) {
    int n = 0;
    while (n < 4 && t.fields[n]) n++;
    return n;
}

int refComponents(GLenum format) {
    switch (format) {
    case GL_RGB:
    case GL_BGR_EXT: return 3;
    case GL_RGBA:
    case GL_ABGR_EXT:
    case GL_BGRA_EXT: return 4;
    case GL_LUMINANCE_ALPHA: return 2;
    }
    return 1;
}

// Row stride in bytes by the GL formula: k = alignment, s = element size,
// n = elements a pixel, l = pixels a row.
uint64_t refStride(const TypeInfo& t, int n, uint64_t l, uint64_t k) {
    if (t.type == GL_BITMAP) return k * ((l + 8 * k - 1) / (8 * k));
    const uint64_t s = (uint64_t)t.size;
    if (s >= k) return n * l * s;
    return k * ((s * n * l + k - 1) / k);
}

uint64_t readElement(const uint8_t* p, int size, bool swap) {
    uint64_t v = 0;
    for (int i = 0; i < size; i++) v |= (uint64_t)p[swap ? size - 1 - i : i] << (8 * i);
    return v;
}

double normalised(const TypeInfo& t, uint64_t raw) {
    if (t.isFloat) {
        GLfloat f;
        const uint32_t bits = (uint32_t)raw;
        memcpy(&f, &bits, 4);
        return f;
    }
    const int bits = 8 * t.size;
    const double max = ldexp(1.0, bits) - 1.0;
    if (!t.isSigned) return (double)raw / max;
    const int64_t c = (int64_t)(raw << (64 - bits)) >> (64 - bits);
    return (2.0 * (double)c + 1.0) / max;
}

// The floats of pixel (col, row): one per component, one per field of a
// packed type, one per bit of a bitmap.
std::vector<double> refPixel(const uint8_t* data, const Modes& m, GLenum format, const TypeInfo& t, int width, int row,
                             int col) {
    const int n = t.fields[0] ? 1 : refComponents(format);
    const uint64_t l = m.rowLength > 0 ? (uint64_t)m.rowLength : (uint64_t)width;
    const uint64_t stride = refStride(t, n, l, (uint64_t)m.alignment);
    const uint8_t* rowStart = data + (uint64_t)(m.skipRows + row) * stride;
    std::vector<double> out;
    if (t.type == GL_BITMAP) {
        const int bit = m.skipPixels + col;
        const int shift = m.lsb ? bit % 8 : 7 - bit % 8;
        out.push_back((rowStart[bit / 8] >> shift) & 1);
        return out;
    }
    const uint8_t* p = rowStart + (uint64_t)(m.skipPixels + col) * n * t.size;
    if (t.fields[0]) {
        const uint64_t v = readElement(p, t.size, m.swap);
        int top = 8 * t.size;
        for (int f = 0; f < fieldCount(t); f++) {
            top -= t.fields[f];
            const uint64_t max = (1u << t.fields[f]) - 1;
            out.push_back((double)((v >> top) & max) / (double)max);
        }
        return out;
    }
    for (int k = 0; k < n; k++) out.push_back(normalised(t, readElement(p + k * t.size, t.size, m.swap)));
    return out;
}

// Bytes from data to the end of the last pixel the image uses.
uint64_t refExtent(const Modes& m, GLenum format, const TypeInfo& t, int width, int height) {
    const int n = t.fields[0] ? 1 : refComponents(format);
    const uint64_t l = m.rowLength > 0 ? (uint64_t)m.rowLength : (uint64_t)width;
    const uint64_t stride = refStride(t, n, l, (uint64_t)m.alignment);
    const uint64_t last = t.type == GL_BITMAP ? ((uint64_t)m.skipPixels + width + 7) / 8
                                              : ((uint64_t)m.skipPixels + width) * n * t.size;
    return (uint64_t)(m.skipRows + height - 1) * stride + last;
}

bool legal(GLenum format, GLenum type) {
    if (type == GL_BITMAP) return format == GL_COLOR_INDEX || format == GL_STENCIL_INDEX;
    if (type == GL_UNSIGNED_BYTE_3_3_2_EXT) return format == GL_RGB || format == GL_BGR_EXT;
    if (type - GL_UNSIGNED_SHORT_4_4_4_4_EXT <= 3u)
        return format == GL_RGBA || format == GL_ABGR_EXT || format == GL_BGRA_EXT;
    return true;
}

const GLenum formats[] = {GL_COLOR_INDEX, GL_STENCIL_INDEX, GL_DEPTH_COMPONENT, GL_RED,      GL_GREEN,
                          GL_BLUE,        GL_ALPHA,        GL_RGB,             GL_RGBA,     GL_LUMINANCE,
                          GL_LUMINANCE_ALPHA, GL_ABGR_EXT, GL_BGR_EXT,         GL_BGRA_EXT};

const Modes modeCases[] = {
    {0, 0, 0, 4, false, false}, {0, 0, 0, 1, false, false}, {7, 2, 3, 8, false, false},
    {9, 1, 11, 2, true, true},  {0, 3, 1, 1, true, false},  {6, 0, 13, 4, false, true},
};

}  // namespace

// Every format and type under every store-mode case: the layout plus the
// converters read exactly what the reference reads.
TEST_F(PixelImage, EveryFormatAndTypeUnpacksLikeTheReference) {
    const int width = 5, height = 3;
    int checked = 0;
    for (const TypeInfo& t : types)
        for (GLenum format : formats) {
            if (!legal(format, t.type)) continue;
            for (const Modes& m : modeCases) {
                const uint64_t extent = refExtent(m, format, t, width, height);
                // The image at an odd address, so that elements are not on their boundaries.
                std::vector<uint8_t> store(extent + 1);
                for (size_t i = 0; i < store.size(); i++) store[i] = (uint8_t)(i * 151 + 7 * (i >> 3) + 3);
                const uint8_t* data = store.data() + 1;
                GlPixelOpRecord op{};
                const GlPixelStoreModes s = storeModes(m);
                __glSetImageModes(&op.source, format, t.type, data, width, &s);
                op.width = width;
                op.height = height;
                const std::string what = std::to_string(t.type) + " format " + std::to_string(format) +
                                         " row length " + std::to_string(m.rowLength) + " skip " +
                                         std::to_string(m.skipPixels) + " align " + std::to_string(m.alignment);
                ASSERT_TRUE(__glSetupImageLayout(gc, &op)) << what;
                const GlImageLayout& l = op.source;
                EXPECT_EQ(op.clampSource, 1);
                EXPECT_EQ(op.scaleToColorMaxima, 1);
                const uint64_t lastByte = (uint64_t)(l.firstPixel - data) + (uint64_t)(height - 1) * l.rowStride +
                                          (t.type == GL_BITMAP ? (l.bitOffset + width + 7) / 8
                                                               : (uint64_t)width * l.groupSize);
                EXPECT_EQ(lastByte, extent) << what << ": the image ends where the rules say";
                for (int row = 0; row < height; row++) {
                    const uint8_t* p = l.firstPixel + row * l.rowStride;
                    alignas(16) uint8_t staged[256];
                    alignas(16) GLfloat out[64];
                    if (t.type != GL_BITMAP && l.elementSize > 1 && (!l.aligned || (uintptr_t)p % l.elementSize)) {
                        GlPixelModifier move = l.swapBytes ? (l.elementSize == 2 ? __glSwapShorts : __glSwapInts)
                                                           : (l.elementSize == 2 ? __glAlignShorts : __glAlignInts);
                        move(gc, &op, p, staged);
                        p = staged;
                    }
                    if (t.convert) t.convert(gc, &op, p, out);
                    else memcpy(out, p, (size_t)width * l.groupSize);
                    int k = 0;
                    for (int col = 0; col < width; col++)
                        for (double want : refPixel(data, m, format, t, width, row, col)) {
                            if (want != want)  // a float element that is not a number
                                EXPECT_NE(out[k], out[k]) << what << " row " << row << " col " << col;
                            else
                                EXPECT_NEAR(out[k], want, fabs(want) * 2e-7 + 1e-9)
                                    << what << " row " << row << " col " << col;
                            k++;
                        }
                    checked++;
                }
            }
        }
    EXPECT_GT(checked, 500);
}

TEST_F(PixelImage, LayoutEdges) {
    struct Case {
        GLenum format, type;
        GLsizei width;
        Modes m;
        GLint stride, group, components, element;
        uint8_t aligned;
        GLint firstByte, bitOffset;
    };
    const Case cases[] = {
        {GL_RGB, GL_UNSIGNED_BYTE, 5, {0, 0, 0, 4, false, false}, 16, 3, 3, 1, 1, 0, 0},
        {GL_RGB, GL_UNSIGNED_BYTE, 5, {0, 0, 0, 1, false, false}, 15, 3, 3, 1, 1, 0, 0},
        {GL_COLOR_INDEX, GL_BITMAP, 4, {10, 0, 11, 1, false, false}, 2, 1, 1, 1, 0, 1, 3},
        {GL_COLOR_INDEX, GL_BITMAP, 4, {10, 2, 16, 4, false, false}, 4, 1, 1, 1, 1, 10, 0},
        {GL_LUMINANCE, GL_UNSIGNED_SHORT, 3, {0, 0, 0, 4, true, false}, 8, 2, 1, 2, 0, 0, 0},
        {GL_LUMINANCE, GL_UNSIGNED_BYTE, 3, {0, 0, 0, 4, true, false}, 4, 1, 1, 1, 1, 0, 0},
        {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_EXT, 3, {0, 1, 1, 8, false, false}, 8, 2, 1, 2, 1, 10, 0},
        {GL_RGBA, GL_FLOAT, 2, {0, 1, 2, 8, false, false}, 32, 16, 4, 4, 1, 64, 0},
        {GL_RGBA, 0x1234, 7, {0, 3, 2, 4, false, false}, 0, 0, 4, 0, 1, 0, 0},
        {GL_LUMINANCE_ALPHA, GL_IMAGE_TYPE_RGB565, 3, {0, 0, 0, 2, false, false}, 6, 2, 1, 2, 1, 0, 0},
        {GL_IMAGE_FORMAT_LUMINANCE_ALPHA8, GL_UNSIGNED_BYTE, 3, {0, 0, 0, 1, false, false}, 6, 2, 2, 1, 1, 0, 0},
    };
    static uint8_t image[256];
    for (const Case& c : cases) {
        GlImageLayout l;
        const GlPixelStoreModes s = storeModes(c.m);
        __glSetImageModes(&l, c.format, c.type, image, c.width, &s);
        ASSERT_TRUE(__glLayoutImage(&l, c.width, 1)) << std::hex << c.format << " " << c.type;
        EXPECT_EQ(l.rowStride, c.stride) << std::hex << c.format << " " << c.type;
        EXPECT_EQ(l.groupSize, c.group) << std::hex << c.format << " " << c.type;
        EXPECT_EQ(l.components, c.components) << std::hex << c.format << " " << c.type;
        EXPECT_EQ(l.elementSize, c.element) << std::hex << c.format << " " << c.type;
        EXPECT_EQ(l.aligned, c.aligned) << std::hex << c.format << " " << c.type;
        EXPECT_EQ(l.firstPixel - image, c.firstByte) << std::hex << c.format << " " << c.type;
        EXPECT_EQ(l.bitOffset, c.bitOffset) << std::hex << c.format << " " << c.type;
    }
}

// Sizes that do not fit 32 or even 64 bits are refused, not wrapped.
TEST_F(PixelImage, OversizedImagesAreRefused) {
    static uint8_t image[16];
    const struct {
        GLint rowLength, skipRows, skipPixels;
        GLsizei width, height;
        bool fits;
    } cases[] = {
        {0, 0, 0, 4, 4, true},
        {0x7FFFFFFF, 0, 0, 1, 2, false},             // 2^35-byte rows
        {0x7FFFFFFF, 0, 0, 1, 1, true},              // one row: the stride is never taken
        {0, 0x7FFFFFFF, 0, 1, 1, false},             // skipped rows beyond memory
        {0, 0, 0x7FFFFFFF, 1, 1, false},             // skipped pixels beyond memory
        {0x10000000, 0, 0, 1, 0x10, false},          // 2^32-byte rows
        {0, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF, false},    // the image itself
        {0, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0, true},     // nothing is read from an empty image
    };
    for (const auto& c : cases) {
        GlImageLayout l;
        GlPixelStoreModes s{};
        s.rowLength = c.rowLength, s.skipRows = c.skipRows, s.skipPixels = c.skipPixels, s.alignment = 4;
        __glSetImageModes(&l, GL_RGBA, GL_FLOAT, image, c.width, &s);
        EXPECT_EQ(__glLayoutImage(&l, c.width, c.height), (GLboolean)c.fits)
            << c.rowLength << " " << c.skipRows << " " << c.skipPixels << " " << c.width;
    }
    // Packed sizes stay far above any allocation instead of wrapping (2^60 x 16 = 2^64).
    EXPECT_GE(__glPackedImageSize(1 << 30, 1 << 30, GL_RGBA, GL_FLOAT), (uint64_t)1 << 62);
    EXPECT_EQ(__glPackedImageSize(10, 3, GL_COLOR_INDEX, GL_BITMAP), 6u);
    EXPECT_EQ(__glPackedImageSize(5, 2, GL_BGR_EXT, GL_SHORT), 60u);
    // A list record of such an image runs out of memory instead of keeping a short copy.
    glNewList(1, GL_COMPILE);
    glDrawPixels(1 << 30, 1 << 30, GL_RGBA, GL_FLOAT, image);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    glEndList();
}

// Extremes of each conversion to float.
TEST_F(PixelImage, ComponentConversions) {
    struct Case {
        GlPixelModifier convert;
        GLint width;
        std::vector<uint8_t> bytes;
        std::vector<GLfloat> want;
    };
    const Case cases[] = {
        {__glUnsignedByteToFloat, 3, {0, 255, 51}, {0.0f, 1.0f, 0.2f}},
        {__glByteToFloat, 3, {0x80, 0x7F, 0x00}, {-1.0f, 1.0f, 1.0f / 255.0f}},
        {__glUnsignedShortToFloat, 2, {0xFF, 0xFF, 0, 0}, {1.0f, 0.0f}},
        {__glShortToFloat, 2, {0x00, 0x80, 0xFF, 0x7F}, {-1.0f, 1.0f}},
        {__glUnsignedIntToFloat, 2, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, {1.0f, 0.0f}},
        {__glIntToFloat, 2, {0, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0x7F}, {-1.0f, 1.0f}},
        {__glUnpack332, 2, {0xE0, 0x03}, {1, 0, 0, 0, 0, 1}},
        {__glUnpack4444, 2, {0x00, 0xF0, 0x0F, 0x00}, {1, 0, 0, 0, 0, 0, 0, 1}},
        {__glUnpack5551, 2, {0xFF, 0xFF, 0x01, 0x00}, {1, 1, 1, 1, 0, 0, 0, 1}},
        {__glUnpack8888, 1, {0x44, 0x33, 0x22, 0xFF}, {1, 0x22 / 255.0f, 0x33 / 255.0f, 0x44 / 255.0f}},
        {__glUnpack1010102, 1, {0x03, 0, 0, 0xFF}, {1020.0f / 1023.0f, 0, 0, 1}},
        {__glUnpack1555, 2, {0x00, 0x80, 0x00, 0x7C}, {0, 0, 0, 1, 1, 0, 0, 0}},
        {__glUnpack565, 2, {0x00, 0xF8, 0xE0, 0x07}, {1, 0, 0, 0, 1, 0}},
        {__glUnsignedByteToIndex, 2, {255, 7}, {255, 7}},
        {__glByteToIndex, 2, {0xFB, 7}, {-5, 7}},
        {__glUnsignedShortToIndex, 1, {0xFF, 0xFF}, {65535}},
        {__glShortToIndex, 1, {0x00, 0x80}, {-32768}},
        {__glUnsignedIntToIndex, 1, {0x01, 0x00, 0x01, 0x00}, {65537}},
        {__glIntToIndex, 1, {0xFF, 0xFF, 0xFF, 0xFF}, {-1}},
    };
    for (const Case& c : cases) {
        GlPixelOpRecord op{};
        op.width = c.width;
        op.source.components = 1;
        GLfloat out[16];
        for (GLfloat& f : out) f = 99.0f;
        c.convert(gc, &op, c.bytes.data(), out);
        for (size_t i = 0; i < c.want.size(); i++)
            EXPECT_FLOAT_EQ(out[i], c.want[i]) << "case " << (&c - cases) << " value " << i;
        EXPECT_EQ(out[c.want.size()], 99.0f) << "case " << (&c - cases) << ": nothing past the span";
    }
    // Unsigned values without scaling, components x width of them.
    GlPixelOpRecord op{};
    op.width = 1;
    op.source.components = 2;
    const uint32_t raw[2] = {0xFFFFFFFFu, 3};
    GLfloat out[2];
    __glUnsignedIntToValue(gc, &op, raw, out);
    EXPECT_EQ(out[0], 4294967296.0f);
    EXPECT_EQ(out[1], 3.0f);
}

TEST_F(PixelImage, BitmapsGathersAndZoomSteps) {
    GlPixelOpRecord op{};
    const uint8_t bits[] = {0xB4, 0x2D, 0xFF};  // 1011 0100  0010 1101
    op.width = 12;
    op.source.bitOffset = 3;
    GLfloat out[24];
    __glUnpackBitmap(gc, &op, bits, out);
    const GLfloat msb[12] = {1, 0, 1, 0, 0, 0, 0, 1, 0, 1, 1, 0};
    for (int i = 0; i < 12; i++) EXPECT_EQ(out[i], msb[i]) << i;
    op.source.lsbFirst = 1;
    __glUnpackBitmap(gc, &op, bits, out);
    const GLfloat lsb[12] = {0, 1, 1, 0, 1, 1, 0, 1, 1, 0, 1, 0};
    for (int i = 0; i < 12; i++) EXPECT_EQ(out[i], lsb[i]) << i;
    // Every second bit from the bit offset.
    int16_t twos[16];
    for (int16_t& s : twos) s = 2;
    op.zoomTable = twos;
    op.source.lsbFirst = 0;
    for (GLfloat& f : out) f = 7.0f;
    __glUnpackBitmapSkip(gc, &op, bits, out);
    for (int i = 0; i < 6; i++) EXPECT_EQ(out[i], msb[2 * i]) << i;
    EXPECT_EQ(out[6], 7.0f) << "one output per kept bit";

    // Gathers: one whole pixel per destination column, the source stepped by the table.
    const uint8_t rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const int16_t steps[] = {2, 0, 1, 1};
    op = GlPixelOpRecord{};
    op.columns = 4;
    op.zoomTable = (int16_t*)steps;
    op.source.components = 3;
    op.source.groupSize = 3;
    uint8_t gathered[16] = {};
    __glSkipBytes3(gc, &op, rgb, gathered);
    const uint8_t want[] = {1, 2, 3, 7, 8, 9, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(memcmp(gathered, want, sizeof want), 0);
    __glSkipBytes(gc, &op, rgb, gathered);
    EXPECT_EQ(memcmp(gathered, want, sizeof want), 0);
    // Two-byte elements swapped while gathered.
    const uint16_t shorts[] = {0x0102, 0x0304, 0x0506};
    const int16_t ones[] = {1, 1, 1};
    op.zoomTable = (int16_t*)ones;
    op.columns = 3;
    op.source.components = 1;
    op.source.groupSize = 2;
    uint16_t swapped[3];
    __glSkipSwapShorts(gc, &op, shorts, swapped);
    EXPECT_EQ(swapped[0], 0x0201);
    EXPECT_EQ(swapped[2], 0x0605);
    __glSkipShortsUnaligned(gc, &op, (const uint8_t*)shorts, swapped);
    EXPECT_EQ(swapped[1], 0x0304);
}

TEST_F(PixelImage, ExpandersClampsAndScales) {
    GLfloat* maxima = gc->constants.previousColorMax;
    GLfloat* inverse = gc->constants.invColorScale;
    const GLfloat savedMax[4] = {maxima[0], maxima[1], maxima[2], maxima[3]};
    const GLfloat savedInv[4] = {inverse[0], inverse[1], inverse[2], inverse[3]};
    const GLfloat m[4] = {31, 63, 31, 1};
    for (int i = 0; i < 4; i++) maxima[i] = m[i], inverse[i] = 1.0f / m[i];
    struct Case {
        GlPixelModifier expand;
        int components;
        GLfloat in[4];
        GLfloat want[4];
    };
    const Case cases[] = {
        {__glExpandBgrScaled, 3, {0.25f, 0.5f, 1.0f}, {31, 31.5f, 7.75f, 1}},
        {__glExpandBgr, 3, {0.25f, 0.5f, 1.0f}, {1, 0.5f, 0.25f, 1}},
        {__glExpandRgbScaled, 3, {1, 0.5f, 0}, {31, 31.5f, 0, 1}},
        {__glExpandRgb, 3, {1, 0.5f, 0}, {1, 0.5f, 0, 1}},
        {__glExpandRedScaled, 1, {0.5f}, {15.5f, 0, 0, 1}},
        {__glExpandRed, 1, {0.5f}, {0.5f, 0, 0, 1}},
        {__glExpandGreenScaled, 1, {1}, {0, 63, 0, 1}},
        {__glExpandGreen, 1, {1}, {0, 1, 0, 1}},
        {__glExpandBlueScaled, 1, {1}, {0, 0, 31, 1}},
        {__glExpandBlue, 1, {0.5f}, {0, 0, 0.5f, 1}},
        {__glExpandAlphaScaled, 1, {0.5f}, {0, 0, 0, 0.5f}},
        {__glExpandAlpha, 1, {0.5f}, {0, 0, 0, 0.5f}},
        {__glExpandLuminanceScaled, 1, {1}, {31, 63, 31, 1}},
        {__glExpandLuminance, 1, {0.5f}, {0.5f, 0.5f, 0.5f, 1}},
        {__glExpandLuminanceAlphaScaled, 2, {1, 0.5f}, {31, 63, 31, 0.5f}},
        {__glExpandLuminanceAlpha, 2, {0.25f, 0.5f}, {0.25f, 0.25f, 0.25f, 0.5f}},
        {__glExpandRedAlphaScaled, 2, {1, 0.5f}, {31, 0, 0, 0.5f}},
        {__glExpandRedAlpha, 2, {0.25f, 0.5f}, {0.25f, 0, 0, 0.5f}},
        {__glExpandIntensityScaled, 1, {1}, {31, 63, 31, 1}},
        {__glExpandIntensity, 1, {0.5f}, {0.5f, 0.5f, 0.5f, 0.5f}},
        {__glScaleRgba, 4, {1, 1, 0.5f, 0.5f}, {31, 63, 15.5f, 0.5f}},
        {__glExpandAbgrScaled, 4, {0.5f, 0.25f, 1, 0}, {0, 63, 7.75f, 0.5f}},
        {__glSwapAbgr, 4, {0.5f, 0.25f, 1, 0}, {0, 1, 0.25f, 0.5f}},
        {__glExpandBgraScaled, 4, {0.5f, 0.25f, 1, 0}, {31, 15.75f, 15.5f, 0}},
        {__glSwapBgra, 4, {0.5f, 0.25f, 1, 0}, {1, 0.25f, 0.5f, 0}},
        {__glClearAlpha, 4, {0.5f, 0.25f, 1, 1}, {0.5f, 0.25f, 1, 0}},
        {__glUnscaleRgba, 4, {31, 63, 15.5f, 1}, {1, 1, 0.5f, 1}},
    };
    for (const Case& c : cases) {
        GlPixelOpRecord op{};
        op.width = 2;
        GLfloat in[8], out[8];
        for (int p = 0; p < 2; p++)
            for (int k = 0; k < c.components; k++) in[p * c.components + k] = c.in[k];
        c.expand(gc, &op, in, out);
        for (int i = 0; i < 8; i++) EXPECT_FLOAT_EQ(out[i], c.want[i & 3]) << "case " << (&c - cases) << " " << i;
    }
    for (int i = 0; i < 4; i++) maxima[i] = savedMax[i], inverse[i] = savedInv[i];

    // Clamps compare bit patterns: -0.0 stays.
    GlPixelOpRecord op{};
    op.width = 5;
    op.source.components = 1;
    op.destination.components = 1;
    const GLfloat in[5] = {-0.0f, -0.5f, 1.5f, 0.25f, -1e-30f};
    const GLfloat clamped[5] = {-0.0f, 0.0f, 1.0f, 0.25f, 0.0f};
    const GLfloat positive[5] = {-0.0f, 0.0f, 1.5f, 0.25f, 0.0f};
    GLfloat out[5];
    for (GlPixelModifier clamp : {__glClampFloats, __glClampFloatsDest}) {
        clamp(gc, &op, in, out);
        EXPECT_EQ(memcmp(out, clamped, sizeof out), 0);
    }
    __glClampNegative(gc, &op, in, out);
    EXPECT_EQ(memcmp(out, positive, sizeof out), 0);
}

namespace {

// Memory-to-memory conversions through the span chain: a format of the same
// layout is neither expanded nor extracted (a plain copy when nothing else
// changes), others go through RGBA; rows longer than a span convert whole.
TEST_F(PixelImage, ConversionsKeepTheFormatsTheyDoNotChange) {
    struct Case {
        GLenum sourceFormat, sourceType, destFormat, destType;
        GLint steps;  // 1 with the plain copy step alone; 2: to float and back
        bool same;    // the bytes unchanged
    } cases[] = {
        {GL_RGB, GL_UNSIGNED_BYTE, GL_RGB, GL_UNSIGNED_BYTE, 2, true},
        {GL_LUMINANCE, GL_UNSIGNED_BYTE, GL_RED, GL_UNSIGNED_BYTE, 2, true},
        {GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, GL_IMAGE_FORMAT_LUMINANCE_ALPHA8, GL_UNSIGNED_BYTE, 2, true},
        {GL_RGBA, GL_FLOAT, GL_RGBA, GL_FLOAT, 1, true},
        {GL_RGB, GL_UNSIGNED_BYTE, GL_RGB, GL_UNSIGNED_SHORT, 2, false},
        {GL_RGB, GL_UNSIGNED_BYTE, GL_RGBA, GL_UNSIGNED_BYTE, 3, false},
        {GL_BGR_EXT, GL_UNSIGNED_BYTE, GL_RGB, GL_UNSIGNED_BYTE, 4, false},
        {GL_LUMINANCE, GL_UNSIGNED_BYTE, GL_RGB, GL_UNSIGNED_BYTE, 4, false},
    };
    const GLsizei width = 300, height = 2;
    std::vector<uint8_t> image(width * height * 16);
    for (size_t i = 0; i < image.size(); i++) image[i] = (uint8_t)(i * 7 + 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.sourceFormat << " " << c.sourceType << " to " << c.destFormat
                                        << " " << c.destType);
        GlPixelOpRecord op{};
        __glInitUnpackImageRecord(gc, &op, width, height, 1, c.sourceFormat, c.sourceType, image.data(), GL_TRUE);
        std::vector<uint8_t> out(width * height * 16 + 8, 0xEE);
        const GlPixelStoreModes packed = {0, 0, {0, 0}, 0, 0, 0, 1};
        __glSetImageModes(&op.destination, c.destFormat, c.destType, out.data(), width, &packed);
        ASSERT_TRUE(__glLayoutImage(&op.source, width, height) && __glLayoutImage(&op.destination, width, height));
        __glRunImageConvert(gc, &op, GL_FALSE);
        EXPECT_EQ(op.passCount, c.steps);
        EXPECT_EQ(op.modifiers[0] == __glSpanCopyBytes, c.steps == 1);
        const GlImageLayout &s = op.source, &d = op.destination;
        for (GLint p = 0; p < width * height; p++) {
            const uint8_t* in = image.data() + (size_t)p * s.groupSize;
            const uint8_t* got = out.data() + (size_t)p * d.groupSize;
            if (c.same) {
                ASSERT_EQ(memcmp(in, got, (size_t)s.groupSize), 0) << "pixel " << p;
                continue;
            }
            // RGBA of the source bytes, then the destination's components.
            const bool bgr = c.sourceFormat == GL_BGR_EXT, lum = c.sourceFormat == GL_LUMINANCE;
            const uint32_t rgba[4] = {in[bgr ? 2 : 0], in[lum ? 0 : 1], in[lum ? 0 : bgr ? 0 : 2], 255};
            for (GLint k = 0; k < d.components; k++) {
                const uint32_t want = c.destType == GL_UNSIGNED_SHORT ? rgba[k] * 257 : rgba[k];
                uint32_t v = 0;
                memcpy(&v, got + (size_t)k * d.elementSize, (size_t)d.elementSize);
                ASSERT_EQ(v, want) << "pixel " << p << " component " << k;
            }
        }
        EXPECT_EQ(out[(size_t)width * height * d.groupSize], 0xEE) << "nothing past the image";
    }
}

}  // namespace
