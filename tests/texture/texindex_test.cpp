// Index textures outside the triangle stages: colour-index pixel rectangles
// and bitmaps take the texel of the raster position through the index
// environments, and the border of an index texture is the entry that the
// border red picks over the index range, on the fast and the generic roads.

#include <string>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "core/glcontext.h"

namespace {

const int kSize = 16;

// A 4 x 4 texture of 8-bit indexes 10 i + j + 1 (column i, row j).
GLubyte indexTexel(int i, int j) { return (GLubyte)(10 * i + j + 1); }

void loadIndexTexture(GLenum env) {
    GLubyte img[16];
    for (int j = 0; j < 4; j++)
        for (int i = 0; i < 4; i++) img[j * 4 + i] = indexTexel(i, j);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 4, 4, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, img);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)env);
    glEnable(GL_TEXTURE_2D);
}

enum Operation { OP_DRAW_PIXELS, OP_BITMAP };

TEST(TexIndex, PixelRectanglesAndBitmapsTakeTheIndexTexel) {
    const struct {
        const char* name;
        Operation op;
        GLenum env;
        float s, t;  // raster position coordinates
        int texelI, texelJ;
    } cases[] = {
        {"draw pixels, replace", OP_DRAW_PIXELS, GL_REPLACE, 0.6f, 0.1f, 2, 0},
        {"draw pixels, add", OP_DRAW_PIXELS, GL_ADD, 0.1f, 0.9f, 0, 3},
        {"draw pixels, add, repeated", OP_DRAW_PIXELS, GL_ADD, 1.3f, -0.2f, 1, 3},
        {"bitmap, replace", OP_BITMAP, GL_REPLACE, 0.9f, 0.4f, 3, 1},
        {"bitmap, add", OP_BITMAP, GL_ADD, 0.3f, 0.6f, 1, 2},
    };
    for (const auto& c : cases)
        for (bool generic : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (generic ? ", generic" : ", fast"));
            GltestTrianglePath path(generic);
            GltestDibContext ctx(kSize, kSize, 8, true);
            if (!ctx.rc) continue;
            glClearIndex(0);
            glClear(GL_COLOR_BUFFER_BIT);
            loadIndexTexture(c.env);
            glIndexi(5);
            glTexCoord2f(c.s, c.t);
            glRasterPos2i(2, 3);
            // Fragments of index 40 + column (pixels) or the raster index 5 (bitmap).
            GLubyte image[4 * 2];
            for (int k = 0; k < 8; k++) image[k] = (GLubyte)(40 + k % 4);
            const GLubyte bits[2] = {0xA0, 0x60};  // row 0: columns 0 and 2; row 1: columns 1 and 2
            if (c.op == OP_DRAW_PIXELS) glDrawPixels(4, 2, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, image);
            else glBitmap(3, 2, 0.0f, 0.0f, 0.0f, 0.0f, bits);
            glFinish();
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
            const int texel = indexTexel(c.texelI, c.texelJ);
            for (int row = 0; row < 2; row++)
                for (int col = 0; col < 4; col++) {
                    const bool set = c.op == OP_DRAW_PIXELS || ((bits[row] << col) & 0x80);
                    const int fragment = c.op == OP_DRAW_PIXELS ? 40 + col : 5;
                    const int want = !set ? 0 : c.env == GL_REPLACE ? texel : fragment + texel;
                    EXPECT_EQ((int)ctx.pixel(2 + col, 3 + row), want) << "column " << col << ", row " << row;
                }
        }
}

// Palette entry k of an RGB palette: (k, 255 - k, k / 2).
void loadPalettedTexture(float borderRed) {
    GltestColorTableCalls calls;
    std::vector<GLubyte> palette(256 * 3);
    for (int k = 0; k < 256; k++)
        palette[k * 3] = (GLubyte)k, palette[k * 3 + 1] = (GLubyte)(255 - k), palette[k * 3 + 2] = (GLubyte)(k / 2);
    // Every texel is index 0, whose entry (0, 255, 0) the border entries differ from.
    const GLubyte img[16] = {};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 4, 4, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, img);
    calls.table(GL_TEXTURE_2D, GL_RGB, 256, GL_RGB, GL_UNSIGNED_BYTE, palette.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    const GLfloat border[4] = {borderRed, 0.9f, 0.1f, 1.0f};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
}

// Below and left of the texture, a clamped bilinear sample is three quarters
// border and a quarter texel (0, 0): the border is the palette entry
// round(red x 255), on the span chain and on the generic spans alike.
TEST(TexIndex, BorderOfAPalettedTextureIsTheEntryOfRedOverTheIndexRange) {
    const struct {
        float red;
        int entry;
    } cases[] = {{0.0f, 0}, {0.5f, 128}, {200.0f / 255.0f, 200}, {0.3f, 77}, {1.0f, 255}};
    for (const auto& c : cases)
        for (bool generic : {false, true})
            for (GLenum hint : {GL_FASTEST, GL_NICEST}) {
                SCOPED_TRACE(std::to_string(c.red) + (generic ? ", generic" : ", fast") +
                             (hint == GL_FASTEST ? ", affine" : ", perspective"));
                GltestTrianglePath path(generic);
                GltestDibContext ctx(kSize, kSize, 32);
                if (!ctx.rc) continue;
                glClearColor(0, 0, 0, 0);
                glClear(GL_COLOR_BUFFER_BIT);
                glDisable(GL_DITHER);
                glHint(GL_PERSPECTIVE_CORRECTION_HINT, hint);
                loadPalettedTexture(c.red);
                glBegin(GL_QUADS);
                glTexCoord2f(-2.0f, -2.0f), glVertex2i(0, 0);
                glTexCoord2f(-1.0f, -2.0f), glVertex2i(kSize, 0);
                glTexCoord2f(-1.0f, -1.0f), glVertex2i(kSize, kSize);
                glTexCoord2f(-2.0f, -1.0f), glVertex2i(0, kSize);
                glEnd();
                glFinish();
                EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
                EXPECT_EQ(gltestFastTriangles(__glCurrentContext()), !generic) << "the path drawn";
                const int want[3] = {(3 * c.entry + 0 + 2) / 4, (3 * (255 - c.entry) + 255 + 2) / 4,
                                     (3 * (c.entry / 2) + 0 + 2) / 4};
                const int x = 7, y = 9;
                EXPECT_NEAR(ctx.red(x, y), want[0], 1);
                EXPECT_NEAR(ctx.green(x, y), want[1], 1);
                EXPECT_NEAR(ctx.blue(x, y), want[2], 1);
            }
}

// A 64 x 64 texture of index 255 under tables that shrink: 256 white
// entries, then 4 (entry 3 green, the others red), then none, while the
// table's memory keeps its old bytes. Indexes wrap to the live entries, and a
// table of no entries leaves the texture incomplete: the fragments keep their
// colour (blue, as the image drawn is). The same on every road: the span chain (generated and C++),
// the generic spans, the sampler of linear filters and of pixel rectangles,
// on 32-bit and 5-6-5 DIBs (where the MMX fill draws nearest texels).
TEST(TexIndex, EveryRoadReadsOnlyThePalettesLiveEntries) {
    enum { WHITE, GREEN, BLUE };
    const struct {
        const char* name;
        int width;   // entries defined by glColorTableEXT (-1: glCopyColorTableEXT of width 0)
        int colour;
    } tables[] = {{"256 white", 256, WHITE}, {"4 entries", 4, GREEN}, {"no entries", 0, BLUE},
                  {"4 entries again", 4, GREEN}, {"copied, no entries", -1, BLUE}};
    const struct {
        const char* name;
        bool generic, cppOnly;
    } roads[] = {{"generated chain", false, false}, {"C++ chain", false, true}, {"generic spans", true, false}};
    const int want[3][3] = {{255, 255, 255}, {0, 255, 0}, {0, 0, 255}};
    std::vector<GLubyte> white(256 * 4, 255);
    const GLubyte four[16] = {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255};
    const std::vector<GLubyte> img(64 * 64, 255);
    for (int bits : {32, 16})
        for (const auto& road : roads)
            for (GLenum filter : {GL_NEAREST, GL_LINEAR})
                for (bool pixels : {false, true}) {
                    SCOPED_TRACE(testing::Message() << bits << " bits, " << road.name << ", filter 0x" << std::hex
                                                    << filter << (pixels ? ", draw pixels" : ", quad"));
                    GltestTrianglePath path(road.generic, road.cppOnly);
                    GltestDibContext ctx(kSize, kSize, bits, false, 32, true,
                                         bits == 16 ? gltestMasks565 : nullptr);
                    if (!ctx.rc) continue;
                    GltestColorTableCalls calls;
                    glDisable(GL_DITHER);
                    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                    glTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 64, 64, 0, GL_COLOR_INDEX,
                                 GL_UNSIGNED_BYTE, img.data());
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)filter);
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)filter);
                    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
                    glEnable(GL_TEXTURE_2D);
                    glColor3f(0.0f, 0.0f, 1.0f);
                    for (const auto& t : tables) {
                        SCOPED_TRACE(t.name);
                        if (t.width == 256) calls.table(GL_TEXTURE_2D, GL_RGBA, 256, GL_RGBA, GL_UNSIGNED_BYTE, white.data());
                        else if (t.width == 4) calls.table(GL_TEXTURE_2D, GL_RGBA, 4, GL_RGBA, GL_UNSIGNED_BYTE, four);
                        else if (t.width == 0) calls.table(GL_TEXTURE_2D, GL_RGBA, 0, GL_RGBA, GL_UNSIGNED_BYTE, four);
                        else calls.copy(GL_TEXTURE_2D, GL_RGBA, 0, 0, 0);
                        EXPECT_EQ(calls.param(GL_TEXTURE_2D, GL_COLOR_TABLE_WIDTH_EXT), t.width < 0 ? 0 : t.width);
                        glClearColor(0.5f, 0.5f, 0.5f, 0.0f);
                        glClear(GL_COLOR_BUFFER_BIT);
                        if (pixels) {
                            GLubyte blue[4 * 4 * 3] = {};
                            for (int k = 2; k < 48; k += 3) blue[k] = 255;
                            glTexCoord2f(0.3f, 0.6f);
                            glRasterPos2i(2, 3);
                            glDrawPixels(4, 4, GL_RGB, GL_UNSIGNED_BYTE, blue);
                        } else {
                            glBegin(GL_QUADS);
                            glTexCoord2f(0, 0), glVertex2i(0, 0);
                            glTexCoord2f(1, 0), glVertex2i(kSize, 0);
                            glTexCoord2f(1, 1), glVertex2i(kSize, kSize);
                            glTexCoord2f(0, 1), glVertex2i(0, kSize);
                            glEnd();
                        }
                        glFinish();
                        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
                        uint8_t px[4] = {};
                        glReadPixels(4, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
                        for (int k = 0; k < 3; k++) EXPECT_EQ(px[k], want[t.colour][k]) << "channel " << k;
                        EXPECT_TRUE(ctx.guardsIntact());
                    }
                }
}

}  // namespace
