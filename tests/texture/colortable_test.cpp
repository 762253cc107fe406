// Colour tables of paletted textures in a software context: definition and
// queries, argument errors, sub-tables, copies from the framebuffer, read-back,
// display lists, a failed reallocation, and paletted textures drawn.
#include <limits.h>
#include <vector>
#include "textest.h"

namespace {

// The extension entries, found as an application finds them.
using TableCalls = GltestColorTableCalls;

std::vector<uint8_t> ramp(int entries, int components, int seed = 0) {
    std::vector<uint8_t> v((size_t)entries * components);
    for (size_t i = 0; i < v.size(); i++) v[i] = (uint8_t)(i * 29 + seed * 7 + 3);
    return v;
}

using ColorTables = TextureContext;

struct DefineCase {
    GLenum internalFormat;
    GLenum format;  // client entries: as many components as the base has
    int components;
    GLint sizes[6];  // red, green, blue, alpha, luminance, intensity
};
const DefineCase kDefine[] = {
    {GL_RGB8, GL_RGB, 3, {8, 8, 8, 0, 0, 0}},
    {GL_RGBA, GL_RGBA, 4, {8, 8, 8, 8, 0, 0}},
    {GL_RGB5_A1, GL_RGBA, 4, {8, 8, 8, 8, 0, 0}},
    {GL_LUMINANCE4, GL_LUMINANCE, 1, {0, 0, 0, 0, 8, 0}},
    {GL_LUMINANCE6_ALPHA2, GL_LUMINANCE_ALPHA, 2, {0, 0, 0, 8, 8, 0}},
    {GL_INTENSITY, GL_RED, 1, {0, 0, 0, 0, 0, 8}},
    {GL_ALPHA8, GL_ALPHA, 1, {0, 0, 0, 8, 0, 0}},
};

// Entries read back as RGBA follow the base format: L and I in red, A alone in alpha.
void expectedRgba(GLenum internalFormat, const uint8_t* c, uint8_t* out) {
    out[0] = out[1] = out[2] = 0, out[3] = 255;
    switch (internalFormat) {
    case GL_RGB8: out[0] = c[0], out[1] = c[1], out[2] = c[2]; break;
    case GL_RGBA: case GL_RGB5_A1: memcpy(out, c, 4); break;
    case GL_LUMINANCE4: case GL_INTENSITY: out[0] = c[0]; break;
    case GL_LUMINANCE6_ALPHA2: out[0] = c[0], out[3] = c[1]; break;
    case GL_ALPHA8: out[3] = c[0]; break;
    }
}

TEST_F(ColorTables, DefinedTablesReportTheirFormatAndReadBack) {
    const TableCalls t;
    const GLenum sizePnames[6] = {GL_COLOR_TABLE_RED_SIZE_EXT,   GL_COLOR_TABLE_GREEN_SIZE_EXT,
                                  GL_COLOR_TABLE_BLUE_SIZE_EXT,  GL_COLOR_TABLE_ALPHA_SIZE_EXT,
                                  GL_COLOR_TABLE_LUMINANCE_SIZE_EXT, GL_COLOR_TABLE_INTENSITY_SIZE_EXT};
    EXPECT_EQ(t.param(GL_TEXTURE_1D, GL_COLOR_TABLE_FORMAT_EXT), GL_RGBA);  // a new texture's table
    for (const int entries : {16, 256})
        for (const DefineCase& c : kDefine) {
            SCOPED_TRACE(testing::Message() << entries << " entries, format " << std::hex << c.internalFormat);
            const std::vector<uint8_t> in = ramp(entries, c.components, entries);
            t.table(GL_TEXTURE_2D, c.internalFormat, entries, c.format, GL_UNSIGNED_BYTE, in.data());
            ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
            EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), entries);
            EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_FORMAT_EXT), (GLint)c.internalFormat);
            for (int k = 0; k < 6; k++) EXPECT_EQ(t.param(GL_TEXTURE_2D, sizePnames[k]), c.sizes[k]) << k;
            GLfloat width = 0;
            t.getf(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT, &width);
            EXPECT_EQ(width, (GLfloat)entries);
            const std::vector<uint8_t> back = t.rgba(GL_TEXTURE_2D, entries);
            for (int i = 0; i < entries; i++) {
                uint8_t want[4];
                expectedRgba(c.internalFormat, &in[(size_t)i * c.components], want);
                for (int k = 0; k < 4; k++) ASSERT_EQ(back[(size_t)i * 4 + k], want[k]) << "entry " << i;
            }
            EXPECT_EQ(back[(size_t)entries * 4], 0xEE) << "written past the table";
        }
}

// Client entries of other types and formats, and the unpack modes.
TEST_F(ColorTables, EntriesUnpackUnderTheUnpackModes) {
    const TableCalls t;
    const GLfloat f[4 * 4] = {0, 0.5f, 1, 2, -1, 1, 0.25f, 0.75f, 1, 1, 1, 1, 0, 0, 0, 0};
    t.table(GL_TEXTURE_1D, GL_RGBA, 4, GL_BGRA_EXT, GL_FLOAT, f);
    std::vector<uint8_t> back = t.rgba(GL_TEXTURE_1D, 4);
    const uint8_t want[8] = {255, 128, 0, 255, 64, 255, 0, 191};  // floats clamped, blue and red exchanged
    for (int k = 0; k < 8; k++) EXPECT_EQ(back[k], want[k]) << k;
    const uint8_t rows[2][8] = {{9, 9, 9, 9, 9, 9, 9, 9}, {1, 2, 3, 4, 5, 6, 7, 8}};
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 8);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 1);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 2);
    t.table(GL_TEXTURE_1D, GL_LUMINANCE, 4, GL_LUMINANCE, GL_UNSIGNED_BYTE, rows);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    back = t.rgba(GL_TEXTURE_1D, 4);
    for (int i = 0; i < 4; i++) EXPECT_EQ(back[(size_t)i * 4], 3 + i) << i;
}

struct ErrorCase {
    GLenum target, internalFormat;
    GLsizei width;
    GLenum format, type;
    GLenum error;
};

TEST_F(ColorTables, ArgumentErrorsLeaveTheTable) {
    const TableCalls t;
    const std::vector<uint8_t> in = ramp(8192, 4);
    const ErrorCase cases[] = {
        {0x806F /* GL_TEXTURE_3D */, GL_RGB, 16, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_ENUM},
        {GL_TEXTURE_2D, 3, 16, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_ENUM},
        {GL_TEXTURE_2D, GL_COLOR_INDEX8_EXT, 16, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_ENUM},
        {GL_TEXTURE_2D, GL_RGB, 3, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_VALUE},
        {GL_TEXTURE_2D, GL_RGB, -16, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_VALUE},
        {GL_TEXTURE_2D, GL_RGB, 16, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, GL_INVALID_ENUM},
        {GL_TEXTURE_2D, GL_RGB, 16, GL_RGB, GL_BITMAP, GL_INVALID_ENUM},
        {GL_TEXTURE_2D, GL_RGBA, 4096, GL_RGBA, GL_FLOAT, GL_TABLE_TOO_LARGE_EXT},
        {GL_TEXTURE_2D, GL_RGBA, 16384, GL_RGBA, GL_UNSIGNED_BYTE, GL_TABLE_TOO_LARGE_EXT},
    };
    t.table(GL_TEXTURE_2D, GL_RGB, 16, GL_RGB, GL_UNSIGNED_BYTE, in.data());
    const std::vector<uint8_t> before = t.rgba(GL_TEXTURE_2D, 16);
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.target << " " << c.internalFormat << " " << std::dec
                                        << c.width);
        t.table(c.target, c.internalFormat, c.width, c.format, c.type, in.data());
        EXPECT_EQ(glGetError(), c.error);
        EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 16);
        EXPECT_EQ(t.rgba(GL_TEXTURE_2D, 16), before);
    }
    // The largest tables by type: 2048 RGBA floats, 8192 RGBA bytes; width 0 is a table.
    t.table(GL_TEXTURE_2D, GL_RGBA, 8192, GL_RGBA, GL_UNSIGNED_BYTE, in.data());
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 8192);
    t.table(GL_TEXTURE_2D, GL_RGBA, 0, GL_RGBA, GL_UNSIGNED_BYTE, in.data());
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 0);
    // Inside glBegin/glEnd.
    glBegin(GL_POINTS);
    t.table(GL_TEXTURE_2D, GL_RGB, 16, GL_RGB, GL_UNSIGNED_BYTE, in.data());
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    // The shared palette is accepted and has no table here.
    t.table(GL_SHARED_TEXTURE_PALETTE_EXT, GL_RGB, 16, GL_RGB, GL_UNSIGNED_BYTE, in.data());
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    GLint v = 77;
    t.geti(GL_SHARED_TEXTURE_PALETTE_EXT, GL_COLOR_TABLE_WIDTH_EXT, &v);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    t.geti(GL_TEXTURE_2D, GL_TEXTURE_WIDTH, &v);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    EXPECT_EQ(v, 77);
}

TEST_F(ColorTables, ProxiesKeepFormatsOnlyAndTooLargeReadsEmpty) {
    const TableCalls t;
    t.table(GL_PROXY_TEXTURE_2D, GL_RGBA, 2048, GL_RGBA, GL_FLOAT, nullptr);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(t.param(GL_PROXY_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 2048);
    EXPECT_EQ(t.param(GL_PROXY_TEXTURE_2D, GL_COLOR_TABLE_ALPHA_SIZE_EXT), 8);
    t.table(GL_PROXY_TEXTURE_2D, GL_RGBA, 4096, GL_RGBA, GL_FLOAT, nullptr);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(t.param(GL_PROXY_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 0);
    EXPECT_EQ(t.param(GL_PROXY_TEXTURE_2D, GL_COLOR_TABLE_FORMAT_EXT), 0);
    EXPECT_EQ(t.param(GL_PROXY_TEXTURE_2D, GL_COLOR_TABLE_RED_SIZE_EXT), 0);
    EXPECT_EQ(bound(GL_TEX_PROXY_2D)->params.palette.data, nullptr);
    std::vector<uint8_t> out(16, 0xEE);
    t.get(GL_PROXY_TEXTURE_2D, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    EXPECT_EQ(out[0], 0xEE);
}

TEST_F(ColorTables, SubTablesReplaceARangeCheckedIn64Bits) {
    const TableCalls t;
    const std::vector<uint8_t> in = ramp(256, 3), sub = ramp(10, 3, 5);
    t.table(GL_TEXTURE_2D, GL_RGB, 256, GL_RGB, GL_UNSIGNED_BYTE, in.data());
    const std::vector<uint8_t> before = t.rgba(GL_TEXTURE_2D, 256);
    struct {
        GLenum target;
        GLsizei start, count;
        GLenum error;
    } bad[] = {{GL_TEXTURE_2D, 250, 10, GL_INVALID_VALUE},      {GL_TEXTURE_2D, INT_MAX, 2, GL_INVALID_VALUE},
               {GL_TEXTURE_2D, -1, 2, GL_INVALID_VALUE},        {GL_TEXTURE_2D, 0, -1, GL_INVALID_VALUE},
               {GL_PROXY_TEXTURE_2D, 0, 2, GL_INVALID_ENUM},    {GL_SHARED_TEXTURE_PALETTE_EXT, 0, 2, GL_INVALID_ENUM}};
    for (const auto& c : bad) {
        t.sub(c.target, c.start, c.count, GL_RGB, GL_UNSIGNED_BYTE, sub.data());
        EXPECT_EQ(glGetError(), c.error) << c.start << " " << c.count;
    }
    EXPECT_EQ(t.rgba(GL_TEXTURE_2D, 256), before);
    t.sub(GL_TEXTURE_2D, 246, 10, GL_RGB, GL_UNSIGNED_BYTE, sub.data());
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    const std::vector<uint8_t> after = t.rgba(GL_TEXTURE_2D, 256);
    for (int i = 0; i < 256; i++)
        for (int k = 0; k < 3; k++) {
            const uint8_t want = i < 246 ? before[(size_t)i * 4 + k] : sub[(size_t)(i - 246) * 3 + k];
            ASSERT_EQ(after[(size_t)i * 4 + k], want) << "entry " << i;
        }
    EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 256);
}

// A grown table that cannot get its memory keeps its old width and entries.
TEST_F(ColorTables, FailedGrowthKeepsTheOldTable) {
    const TableCalls t;
    const std::vector<uint8_t> in = ramp(256, 4);
    t.table(GL_TEXTURE_2D, GL_RGBA, 16, GL_RGBA, GL_UNSIGNED_BYTE, in.data());
    const std::vector<uint8_t> before = t.rgba(GL_TEXTURE_2D, 16);
    gltestFailAllocationAfter(0);
    t.table(GL_TEXTURE_2D, GL_RGB, 256, GL_RGB, GL_UNSIGNED_BYTE, in.data());
    gltestFailAllocationAfter(-1);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 16);
    EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_FORMAT_EXT), GL_RGBA);
    EXPECT_EQ(t.rgba(GL_TEXTURE_2D, 16), before);
}

// Lists record the entries under the unpack modes of compile time and the
// call's argument errors; queries run at once.
TEST_F(ColorTables, ListsReplayTablesAndSubTables) {
    const TableCalls t;
    const std::vector<uint8_t> in = ramp(32, 3), sub = ramp(4, 3, 9);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 16);  // not recorded: runs at once
    t.table(GL_TEXTURE_2D, GL_RGB, 16, GL_RGB, GL_UNSIGNED_BYTE, in.data());
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    t.sub(GL_TEXTURE_2D, 2, 4, GL_RGB, GL_UNSIGNED_BYTE, sub.data());
    t.table(GL_TEXTURE_2D, GL_RGB, 3, GL_RGB, GL_UNSIGNED_BYTE, in.data());  // recorded error
    EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_FORMAT_EXT), GL_RGBA);  // a query answers at once
    glEndList();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 0) << "compiling defined nothing";
    glCallList(list);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    ASSERT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 16);
    const std::vector<uint8_t> back = t.rgba(GL_TEXTURE_2D, 16);
    for (int i = 0; i < 16; i++)
        for (int k = 0; k < 3; k++) {
            const uint8_t want = i >= 2 && i < 6 ? sub[(size_t)(i - 2) * 3 + k] : in[(size_t)(16 + i) * 3 + k];
            ASSERT_EQ(back[(size_t)i * 4 + k], want) << "entry " << i;
        }
    // A sub-table beyond the table at run time is the call's error then.
    glNewList(list, GL_COMPILE);
    t.sub(GL_TEXTURE_2D, 14, 4, GL_RGB, GL_UNSIGNED_BYTE, sub.data());
    glEndList();
    glCallList(list);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    glDeleteLists(list, 1);
}

// ---- On a DIB: copies from the framebuffer and paletted textures drawn.


class ColorTableCopy : public ::testing::TestWithParam<bool> {};

// Entry i takes window pixel (x + i, y); columns left of the window stay zero
// and the rest keep their place.
TEST_P(ColorTableCopy, TableHoldsTheRowRead) {
    GltestDibContext c(8, 4, 32, false, 32, GetParam());
    const TableCalls t;
    textestFillDib(c);
    for (const int x : {0, -3}) {
        SCOPED_TRACE(x);
        t.copy(GL_TEXTURE_2D, GL_RGB, x, 2, 8);
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 8);
        const std::vector<uint8_t> back = t.rgba(GL_TEXTURE_2D, 8);
        for (int i = 0; i < 8; i++) {
            const int wx = x + i;
            if (wx < 0) continue;  // not read
            const uint32_t v = textestPixelColor(wx, 2);
            EXPECT_EQ(back[(size_t)i * 4], v >> 16 & 0xFF) << "entry " << i;
            EXPECT_EQ(back[(size_t)i * 4 + 1], v >> 8 & 0xFF) << "entry " << i;
            EXPECT_EQ(back[(size_t)i * 4 + 2], v & 0xFF) << "entry " << i;
        }
    }
    // Copy errors: a proxy, a width that is not a power of two, a table too large for floats.
    t.copy(GL_PROXY_TEXTURE_1D, GL_RGB, 0, 0, 8);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    t.copy(GL_TEXTURE_2D, GL_RGB, 0, 0, 5);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    t.copy(GL_TEXTURE_2D, GL_RGBA, 0, 0, 4096);
    EXPECT_EQ(glGetError(), (GLenum)GL_TABLE_TOO_LARGE_EXT);
    t.copy(GL_TEXTURE_2D, GL_LUMINANCE, 0, 0, 8192);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(t.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), 8192);
    EXPECT_TRUE(c.guardsIntact());
}

INSTANTIATE_TEST_SUITE_P(Orientations, ColorTableCopy, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "TopDown" : "BottomUp"; });

// An 8-bit index texture through a 16-entry palette: each texel shows its
// entry; a palette change shows at the next draw.
TEST(PalettedTextures, DrawThroughTheirPalette) {
    GltestDibContext c(4, 4, 32);
    const TableCalls t;
    uint8_t indices[16];
    for (int i = 0; i < 16; i++) indices[i] = (uint8_t)((i * 5) & 15);
    std::vector<uint8_t> palette = ramp(16, 3);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 4, 4, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, indices);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    auto draw = [] {
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex2f(0, 0);
        glTexCoord2f(1, 0), glVertex2f(4, 0);
        glTexCoord2f(1, 1), glVertex2f(4, 4);
        glTexCoord2f(0, 1), glVertex2f(0, 4);
        glEnd();
    };
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round);
        if (round) palette = ramp(16, 3, 4);
        t.table(GL_TEXTURE_2D, GL_RGB, 16, GL_RGB, GL_UNSIGNED_BYTE, palette.data());
        draw();
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 4; x++) {
                const uint8_t* e = &palette[(size_t)indices[y * 4 + x] * 3];
                EXPECT_EQ(c.red(x, y), e[0]) << x << "," << y;
                EXPECT_EQ(c.green(x, y), e[1]) << x << "," << y;
                EXPECT_EQ(c.blue(x, y), e[2]) << x << "," << y;
            }
    }
}

}  // namespace
