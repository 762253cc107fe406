// Copies from the board's frame buffer into textures and colour tables,
// paletted textures on the board (sub-tables, copies, queries, lists, two
// palettes), and a single board buffer under QRB_SINGLEBUFFER.

#include <vector>
#include "hw_env.h"

namespace {

using TableCalls = GltestColorTableCalls;

// Four flat-coloured quads over the window's lower left 16 x 16 pixels.
void drawPattern() {
    glDisable(GL_TEXTURE_2D);
    const float colors[4][3] = {{1, 0, 0}, {0, 1, 0}, {0.5f, 0.25f, 1}, {1, 1, 0.5f}};
    for (int q = 0; q < 4; q++) {
        glColor3fv(colors[q]);
        const float x = (float)(q & 1) * 8, y = (float)(q >> 1) * 8;
        glRecti((int)x, (int)y, (int)x + 8, (int)y + 8);
    }
}

std::vector<uint8_t> readRgb(int x, int y, int w, int h) {
    std::vector<uint8_t> v((size_t)w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, v.data());
    return v;
}

std::vector<uint8_t> textureRgb(GLenum target, int texels) {
    std::vector<uint8_t> v((size_t)texels * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, 0, GL_RGB, GL_UNSIGNED_BYTE, v.data());
    return v;
}

void expectNear(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want, int tolerance) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); i++) ASSERT_NEAR(got[i], want[i], tolerance) << "byte " << i;
}

// The texture holds the board's pixels, row 0 the bottom row read; 1-D and
// 2-D, whole and sub-images, clipped at the window's edge.
TEST(HwCopyTexture, TexturesHoldTheBoardsPixels) {
    HwContext hw(false, 64);
    drawPattern();
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 2, 8, 8, 0);
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    expectNear(textureRgb(GL_TEXTURE_2D, 64), readRgb(4, 2, 8, 8), 1);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 2, 4, 10, 9, 4, 4);
    std::vector<uint8_t> want = readRgb(4, 2, 8, 8);
    const std::vector<uint8_t> part = readRgb(10, 9, 4, 4);
    for (int j = 0; j < 4; j++) memcpy(&want[((size_t)(4 + j) * 8 + 2) * 3], &part[(size_t)j * 12], 12);
    expectNear(textureRgb(GL_TEXTURE_2D, 64), want, 1);
    // Beyond the window's left edge: those texels are zero.
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, -4, 0, 8, 4, 0);
    want.assign(8 * 4 * 3, 0);
    const std::vector<uint8_t> inside = readRgb(0, 0, 4, 4);
    for (int j = 0; j < 4; j++) memcpy(&want[((size_t)j * 8 + 4) * 3], &inside[(size_t)j * 12], 12);
    expectNear(textureRgb(GL_TEXTURE_2D, 32), want, 1);
    // 1-D.
    glCopyTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 2, 9, 16, 0);
    expectNear(textureRgb(GL_TEXTURE_1D, 16), readRgb(2, 9, 16, 1), 1);
    glCopyTexSubImage1D(GL_TEXTURE_1D, 0, 4, 0, 0, 4);
    want = readRgb(2, 9, 16, 1);
    const std::vector<uint8_t> row = readRgb(0, 0, 4, 1);
    memcpy(&want[12], row.data(), 12);
    expectNear(textureRgb(GL_TEXTURE_1D, 16), want, 1);
    // The copy draws on the board like any texture.
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 16, 16, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    hwtestTexturedQuad(32, 32, 48, 48);
    expectNear(readRgb(32, 32, 16, 16), readRgb(0, 0, 16, 16), 1);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

TEST(HwCopyTexture, ArgumentErrorsAreThoseOfSoftware) {
    HwContext hw(false, 64);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glCopyTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGB, 0, 0, 4, 4, 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, 3, 0, 0, 4, 4, 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 512, 512, 0);  // beyond the board's 256
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 1, 0, 0, 0, 0, 1, 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 3, 0, 0, 0, 2, 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    GLint w = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 4);
}

// ---- Palettes on the board.

// The board's palette words (0x00RRGGBB) of a table of RGB entries, entry i
// of the table at i modulo its width.
void expectBoardPalette(const std::vector<uint8_t>& rgb) {
    const uint32_t* words = rvSimPalette();
    const size_t width = rgb.size() / 3;
    for (size_t i = 0; i < 256; i++) {
        const uint8_t* e = &rgb[(i % width) * 3];
        ASSERT_EQ(words[i], (uint32_t)e[0] << 16 | (uint32_t)e[1] << 8 | e[2]) << "entry " << i;
    }
}

std::vector<uint8_t> paletteOf(int entries, int seed) {
    std::vector<uint8_t> v((size_t)entries * 3);
    for (size_t i = 0; i < v.size(); i++) v[i] = (uint8_t)(i * 41 + seed * 13);
    return v;
}

void setUpIndexTexture() {
    uint8_t indices[16];
    for (int i = 0; i < 16; i++) indices[i] = (uint8_t)(i * 3);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 4, 4, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, indices);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

TEST(HwPalettes, TablesSubTablesAndListsReachTheBoard) {
    HwContext hw(false, 64);
    const TableCalls t;
    setUpIndexTexture();
    glEnable(GL_TEXTURE_2D);
    for (const int entries : {16, 256}) {
        SCOPED_TRACE(entries);
        std::vector<uint8_t> palette = paletteOf(entries, entries);
        t.table(GL_TEXTURE_2D, GL_RGB, entries, GL_RGB, GL_UNSIGNED_BYTE, palette.data());
        hwtestTexturedQuad(0, 0, 8, 8);
        expectBoardPalette(palette);
        // Entry 3 is what texel (1, 0) shows.
        EXPECT_NEAR(hwtestPixel(RV_BUFFER_FRONT, 3, 0).r, palette[9], 8);
        GLint width = 0;
        t.geti(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT, &width);
        EXPECT_EQ(width, entries);
        // A sub-table changes what the next draw shows.
        const uint8_t white[3 * 2] = {255, 255, 255, 255, 255, 255};
        t.sub(GL_TEXTURE_2D, 3, 2, GL_RGB, GL_UNSIGNED_BYTE, white);
        memcpy(&palette[9], white, 6);
        hwtestTexturedQuad(0, 0, 8, 8);
        expectBoardPalette(palette);
        EXPECT_EQ(hwtestPixel(RV_BUFFER_FRONT, 3, 0).r, 255);
    }
    // Through a display list.
    const std::vector<uint8_t> listed = paletteOf(16, 5);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    t.table(GL_TEXTURE_2D, GL_RGB, 16, GL_RGB, GL_UNSIGNED_BYTE, listed.data());
    glEndList();
    glCallList(list);
    hwtestTexturedQuad(0, 0, 8, 8);
    expectBoardPalette(listed);
    glDeleteLists(list, 1);
    // An empty table leaves nothing of the last one in the picture: the
    // texture is incomplete, and the quad takes the current colour.
    t.table(GL_TEXTURE_2D, GL_RGB, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glColor3f(0.0f, 0.0f, 1.0f);
    hwtestTexturedQuad(0, 0, 8, 8);
    for (int x = 0; x < 8; x++) {
        const HwRgb p = hwtestPixel(RV_BUFFER_FRONT, x, 0);
        EXPECT_EQ(p.r, 0) << x;
        EXPECT_EQ(p.g, 0) << x;
        EXPECT_EQ(p.b, 255) << x;
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// The board holds one palette: each paletted texture brings its own when drawn.
TEST(HwPalettes, EachTextureDrawsWithItsOwnPalette) {
    HwContext hw(false, 64);
    const TableCalls t;
    const std::vector<uint8_t> a = paletteOf(16, 1), b = paletteOf(16, 2);
    for (GLuint name = 1; name <= 2; name++) {
        glBindTexture(GL_TEXTURE_2D, name);
        setUpIndexTexture();
        t.table(GL_TEXTURE_2D, GL_RGB, 16, GL_RGB, GL_UNSIGNED_BYTE, (name == 1 ? a : b).data());
    }
    glEnable(GL_TEXTURE_2D);
    for (const GLuint name : {1u, 2u, 1u}) {
        glBindTexture(GL_TEXTURE_2D, name);
        hwtestTexturedQuad(0, 0, 8, 8);
        EXPECT_NEAR(hwtestPixel(RV_BUFFER_FRONT, 3, 0).g, (name == 1 ? a : b)[10], 8) << name;
    }
}

// A table copied from the board's frame buffer holds the pixels of the row.
TEST(HwPalettes, CopiedTablesHoldTheRow) {
    HwContext hw(false, 64);
    const TableCalls t;
    drawPattern();
    t.copy(GL_TEXTURE_2D, GL_RGB, 0, 9, 16);
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    std::vector<uint8_t> entries(16 * 3);
    t.get(GL_TEXTURE_2D, GL_RGB, GL_UNSIGNED_BYTE, entries.data());
    expectNear(entries, readRgb(0, 9, 16, 1), 0);
    setUpIndexTexture();  // the copied table is this texture's palette
    t.copy(GL_TEXTURE_2D, GL_RGB, 0, 9, 16);
    glEnable(GL_TEXTURE_2D);
    hwtestTexturedQuad(32, 0, 40, 8);
    expectBoardPalette(entries);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// ---- One board buffer.

TEST(HwSingleBuffer, OnlyBufferZeroIsUsed) {
    setenv("QRB_SINGLEBUFFER", "1", 1);
    HwContext hw(true, 64);
    unsetenv("QRB_SINGLEBUFFER");
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawBuffer(GL_FRONT_AND_BACK);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawBuffer(GL_BACK);
    glColor3f(0, 1, 0);
    glRecti(0, 0, 4, 4);
    glReadBuffer(GL_BACK);
    const std::vector<uint8_t> px = readRgb(1, 1, 1, 1);
    const uint8_t one[3] = {9, 9, 9};
    glRasterPos2i(8, 8);
    glDrawPixels(1, 1, GL_RGB, GL_UNSIGNED_BYTE, one);
    SwapBuffers(hw.dc);
    for (const RvLogEntry& e : hwtestCalls("rvRenderBuffer")) EXPECT_EQ(e.args[0], 0u);
    for (const RvLogEntry& e : hwtestCalls("rvLfbLock")) EXPECT_EQ(e.args[1], 0u);
    EXPECT_EQ(px[1], 255);
    EXPECT_EQ(hwtestPixel(RV_BUFFER_FRONT, 1, 1).g, 255);
    EXPECT_EQ(hwtestPixel(RV_BUFFER_FRONT, 10, 10).r, 255);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

}  // namespace
