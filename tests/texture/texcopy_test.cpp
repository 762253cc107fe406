// Texture levels copied from the framebuffer in a software context, in both
// DIB orientations: what the level holds, clipped reads, the argument errors
// of OpenGL 1.1, and the level's copy in the drawable's pixel format.
#include <vector>
#include "textest.h"
#include "trianglepath.h"

namespace {


std::vector<uint8_t> levelRgba(GLenum target, int level, int texels) {
    std::vector<uint8_t> v((size_t)texels * 4 + 4, 0xEE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, level, GL_RGBA, GL_UNSIGNED_BYTE, v.data());
    return v;
}

// The RGBA a level of this internal format keeps of a framebuffer colour
// (alpha reads 1 from a buffer without alpha).
void kept(GLenum internalFormat, uint32_t v, uint8_t* out) {
    const uint8_t r = v >> 16 & 0xFF, g = v >> 8 & 0xFF, b = v & 0xFF;
    out[0] = out[1] = out[2] = 0, out[3] = 255;
    switch (internalFormat) {
    case GL_RGB: case GL_RGBA8: out[0] = r, out[1] = g, out[2] = b; break;
    case GL_LUMINANCE: case GL_LUMINANCE_ALPHA: case GL_INTENSITY: out[0] = r; break;
    }
}

struct CopyCase {
    GLint dims;
    bool sub;  // into a level defined first
    GLenum internalFormat;
    int x, y, width, height;
    int xoffset, yoffset;
};

const CopyCase kCopies[] = {
    {2, false, GL_RGB, 0, 0, 8, 4, 0, 0},
    {2, false, GL_RGBA8, 3, 2, 4, 4, 0, 0},
    {2, false, GL_LUMINANCE, 1, 1, 2, 8, 0, 0},
    {2, false, GL_LUMINANCE_ALPHA, 1, 1, 4, 2, 0, 0},
    {2, false, GL_INTENSITY, 1, 1, 4, 2, 0, 0},
    {2, false, GL_ALPHA, 1, 1, 4, 2, 0, 0},
    {2, false, GL_RGB, -3, -2, 8, 4, 0, 0},  // clipped at the left and bottom: those texels are zero
    {2, false, GL_RGB, 6, 5, 8, 4, 0, 0},    // clipped at the right and top
    {2, true, GL_RGB, 2, 3, 3, 2, 4, 1},
    {2, true, GL_RGB, -1, 6, 3, 2, 0, 2},
    {1, false, GL_RGB, 2, 3, 8, 1, 0, 0},
    {1, false, GL_LUMINANCE, -2, 7, 8, 1, 0, 0},
    {1, true, GL_RGB, 5, 0, 3, 1, 2, 0},
};

class CopyTexture : public ::testing::TestWithParam<bool> {};

// Texel (i, j) holds window pixel (x + i, y + j): row 0 is the bottom row read.
TEST_P(CopyTexture, LevelsHoldTheFramebufferPixels) {
    enum { W = 10, H = 8, TW = 8, TH = 8 };
    GltestDibContext c(W, H, 32, false, 32, GetParam());
    textestFillDib(c);
    const uint8_t zero[TW * TH * 4] = {};
    for (const CopyCase& k : kCopies) {
        SCOPED_TRACE(testing::Message() << k.dims << "D " << (k.sub ? "sub " : "") << std::hex << k.internalFormat
                                        << std::dec << " at " << k.x << "," << k.y);
        const GLenum target = k.dims == 1 ? GL_TEXTURE_1D : GL_TEXTURE_2D;
        const int levelW = k.sub ? TW : k.width, levelH = k.dims == 1 ? 1 : k.sub ? TH : k.height;
        if (k.dims == 1) {
            if (k.sub) glTexImage1D(target, 0, k.internalFormat, TW, 0, GL_RGBA, GL_UNSIGNED_BYTE, zero);
            if (k.sub) glCopyTexSubImage1D(target, 0, k.xoffset, k.x, k.y, k.width);
            else glCopyTexImage1D(target, 0, k.internalFormat, k.x, k.y, k.width, 0);
        } else {
            if (k.sub) glTexImage2D(target, 0, k.internalFormat, TW, TH, 0, GL_RGBA, GL_UNSIGNED_BYTE, zero);
            if (k.sub) glCopyTexSubImage2D(target, 0, k.xoffset, k.yoffset, k.x, k.y, k.width, k.height);
            else glCopyTexImage2D(target, 0, k.internalFormat, k.x, k.y, k.width, k.height, 0);
        }
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        GLint w = 0, h = 0, resident = 0;
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexParameteriv(target, GL_TEXTURE_RESIDENT, &resident);
        EXPECT_EQ(w, levelW);
        EXPECT_EQ(h, levelH);
        EXPECT_EQ(resident, 1);
        const std::vector<uint8_t> back = levelRgba(target, 0, levelW * levelH);
        for (int j = 0; j < levelH; j++)
            for (int i = 0; i < levelW; i++) {
                const int ci = i - k.xoffset, cj = j - k.yoffset;  // within the copied rectangle
                const int wx = k.x + ci, wy = k.y + cj;
                uint8_t want[4];
                const bool copied = ci >= 0 && cj >= 0 && ci < k.width && cj < k.height;
                const bool inside = wx >= 0 && wy >= 0 && wx < W && wy < H;
                if (copied && inside) kept(k.internalFormat, textestPixelColor(wx, wy), want);
                else kept(k.internalFormat, 0, want);
                if (k.internalFormat == GL_ALPHA || k.internalFormat == GL_LUMINANCE_ALPHA ||
                    k.internalFormat == GL_RGBA8)
                    want[3] = copied && inside ? 255 : 0;  // the buffer has no alpha: it reads as 1
                const uint8_t* got = &back[((size_t)j * levelW + i) * 4];
                for (int n = 0; n < 4; n++) ASSERT_EQ(got[n], want[n]) << "texel " << i << "," << j << " comp " << n;
            }
        EXPECT_EQ(back[(size_t)levelW * levelH * 4], 0xEE);
    }
    EXPECT_TRUE(c.guardsIntact());
}

INSTANTIATE_TEST_SUITE_P(Orientations, CopyTexture, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "TopDown" : "BottomUp"; });

// The first thing a new user tries: clear to red, copy 4x4, the level is 4x4 red.
TEST(CopyTextureUse, ClearedRedIsCopied) {
    GltestDibContext c(8, 8, 32);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 4, 4, 0);
    GLint w = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 4);
    const std::vector<uint8_t> back = levelRgba(GL_TEXTURE_2D, 0, 16);
    for (int t = 0; t < 16; t++) EXPECT_EQ(back[(size_t)t * 4] * 0x10000 + back[(size_t)t * 4 + 1], 0xFF0000) << t;
}

// A border: the copied rectangle includes it, and the sub-image offsets count
// from the first texel inside it.
TEST(CopyTextureUse, BorderTexelsAreCopiedAndSubOffsetsSkipIt) {
    GltestDibContext c(8, 8, 32);
    textestFillDib(c);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 6, 6, 1);
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    std::vector<uint8_t> back = levelRgba(GL_TEXTURE_2D, 0, 36);
    EXPECT_EQ(back[0] << 16 | back[1] << 8 | back[2], textestPixelColor(1, 1) & 0xFFFFFF);
    EXPECT_EQ(back[35 * 4] << 16 | back[35 * 4 + 1] << 8 | back[35 * 4 + 2], textestPixelColor(6, 6));
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, -1, -1, 0, 0, 1, 1);  // the corner border texel
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    back = levelRgba(GL_TEXTURE_2D, 0, 36);
    EXPECT_EQ(back[0] << 16 | back[1] << 8 | back[2], textestPixelColor(0, 0));
}

// Pixel transfer applies to what is read.
TEST(CopyTextureUse, PixelTransferApplies) {
    GltestDibContext c(4, 4, 32);
    textestFillDib(c);
    glPixelTransferf(GL_RED_SCALE, 0.5f);
    glPixelTransferf(GL_BLUE_BIAS, 1.0f);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 2, 2, 0);
    glPixelTransferf(GL_RED_SCALE, 1.0f);
    glPixelTransferf(GL_BLUE_BIAS, 0.0f);
    const std::vector<uint8_t> back = levelRgba(GL_TEXTURE_2D, 0, 4);
    const uint32_t v = textestPixelColor(1, 1);
    EXPECT_NEAR(back[3 * 4], (v >> 16 & 0xFF) / 2, 1);
    EXPECT_EQ(back[3 * 4 + 2], 255);
}

struct CopyError {
    const char* what;
    void (*call)();
    GLenum error;
};

TEST(CopyTextureUse, ArgumentErrorsOfOpenGL11) {
    GltestDibContext c(8, 8, 32);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    const CopyError cases[] = {
        {"2D on the 1D target", [] { glCopyTexImage2D(GL_TEXTURE_1D, 0, GL_RGB, 0, 0, 4, 4, 0); }, GL_INVALID_ENUM},
        {"1D on the 2D target", [] { glCopyTexImage1D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 4, 0); }, GL_INVALID_ENUM},
        {"proxy", [] { glCopyTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGB, 0, 0, 4, 4, 0); }, GL_INVALID_ENUM},
        {"format 3", [] { glCopyTexImage2D(GL_TEXTURE_2D, 0, 3, 0, 0, 4, 4, 0); }, GL_INVALID_ENUM},
        {"format 1", [] { glCopyTexImage1D(GL_TEXTURE_1D, 0, 1, 0, 0, 4, 0); }, GL_INVALID_ENUM},
        {"unknown format", [] { glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB2_EXT, 0, 0, 4, 4, 0); }, GL_INVALID_ENUM},
        {"index format", [] { glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 0, 0, 4, 4, 0); },
         GL_INVALID_VALUE},
        {"level -1", [] { glCopyTexImage2D(GL_TEXTURE_2D, -1, GL_RGB, 0, 0, 4, 4, 0); }, GL_INVALID_VALUE},
        {"level 11", [] { glCopyTexImage2D(GL_TEXTURE_2D, 11, GL_RGB, 0, 0, 1, 1, 0); }, GL_INVALID_VALUE},
        {"border 2", [] { glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 4, 4, 2); }, GL_INVALID_VALUE},
        {"width 3", [] { glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 3, 4, 0); }, GL_INVALID_VALUE},
        {"height -1", [] { glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 4, -1, 0); }, GL_INVALID_VALUE},
        {"width 4 with border 2", [] { glCopyTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 0, 0, 4, 2); }, GL_INVALID_VALUE},
        {"too large", [] { glCopyTexImage2D(GL_TEXTURE_2D, 1, GL_RGB, 0, 0, 1024, 1, 0); }, GL_INVALID_VALUE},
        {"sub: 2D target", [] { glCopyTexSubImage1D(GL_TEXTURE_2D, 0, 0, 0, 0, 2); }, GL_INVALID_ENUM},
        {"sub: proxy", [] { glCopyTexSubImage2D(GL_PROXY_TEXTURE_2D, 0, 0, 0, 0, 0, 2, 2); }, GL_INVALID_ENUM},
        {"sub: undefined level", [] { glCopyTexSubImage2D(GL_TEXTURE_2D, 1, 0, 0, 0, 0, 1, 1); },
         GL_INVALID_OPERATION},
        {"sub: level 11", [] { glCopyTexSubImage2D(GL_TEXTURE_2D, 11, 0, 0, 0, 0, 1, 1); }, GL_INVALID_VALUE},
        {"sub: beyond the right", [] { glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 2, 0, 0, 0, 3, 1); },
         GL_INVALID_VALUE},
        {"sub: beyond the top", [] { glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 3, 0, 0, 1, 2); }, GL_INVALID_VALUE},
        {"sub: offset -1", [] { glCopyTexSubImage1D(GL_TEXTURE_1D, 0, -1, 0, 0, 1); }, GL_INVALID_VALUE},
        {"sub: width -1", [] { glCopyTexSubImage1D(GL_TEXTURE_1D, 0, 0, 0, 0, -1); }, GL_INVALID_VALUE},
        {"inside glBegin", [] {
             glBegin(GL_POINTS);
             glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 2, 2, 0);
             glEnd();
         }, GL_INVALID_OPERATION},
    };
    for (const CopyError& k : cases) {
        k.call();
        EXPECT_EQ(glGetError(), k.error) << k.what;
        GLint w = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        EXPECT_EQ(w, 4) << k.what;
    }
}

// ---- The level in the drawable's pixel format.

using ConvertedCopies = TextureContext;

// The components' masks from their maxima and shifts, as a buffer keeps them.
void setMasks(GlColorBuffer* cb) {
    for (int i = 0; i < 4; i++) cb->mask[i] = cb->maximum[i] << cb->shift[i];
}

// A 5-6-5 draw buffer as the fast spans see it.
GlColorBuffer rgb565Buffer(GlContext* gc) {
    GlColorBuffer cb;
    memset(&cb, 0, sizeof cb);
    cb.buf.context = gc;
    cb.buf.elementSize = 2;
    const GLuint shifts[4] = {11, 5, 0, 0}, maxima[4] = {31, 63, 31, 0};
    for (int i = 0; i < 4; i++) cb.shift[i] = shifts[i], cb.maximum[i] = maxima[i];
    setMasks(&cb);
    return cb;
}

TEST_F(ConvertedCopies, FollowSubImagesAndTheirBorderAndTheDrawBuffer) {
    uint8_t image[6 * 6 * 2];
    for (int i = 0; i < 72; i++) image[i] = (uint8_t)(i * 9 + 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, 6, 6, 1, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    gc->procs.validate(gc);
    ASSERT_NE(gc->currentTexture, nullptr);
    GlColorBuffer cb = rgb565Buffer(gc);  // validation picks the draw buffer: set after it
    GlColorBuffer* saved = gc->drawBuffer;
    gc->drawBuffer = &cb;
    ASSERT_TRUE(__glPrepareFastTexture(gc));
    GlMipmapLevel* l = &bound(GL_TEX_2D)->params.levels[0];
    auto pixel = [&](int i) {
        uint16_t v;
        memcpy(&v, l->converted + 2 * i, 2);
        return v;
    };
    auto expected = [](uint8_t lum) { return (uint16_t)((lum >> 3) << 11 | (lum >> 2) << 5 | lum >> 3); };
    for (int i = 0; i < 36; i++) ASSERT_EQ(pixel(i), expected(image[2 * i])) << i;
    // A sub-image at (0, 0) starts inside the border.
    const uint8_t sub[2] = {0xF0, 0x10};
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1, 1, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, sub);
    EXPECT_EQ(pixel(7), expected(0xF0));
    EXPECT_EQ(pixel(0), expected(image[0]));
    // Another pixel format drops the copy; it is made again for the new one.
    cb.shift[0] = 10, cb.maximum[1] = 31, cb.shift[1] = 5;
    setMasks(&cb);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 1, 1, 1, 1, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, sub);
    EXPECT_EQ(l->converted, nullptr);
    ASSERT_TRUE(__glPrepareFastTexture(gc));
    EXPECT_EQ(pixel(7), (uint16_t)((0xF0 >> 3) << 10 | (0xF0 >> 3) << 5 | 0xF0 >> 3));
    gc->drawBuffer = saved;
    glDisable(GL_TEXTURE_2D);
}

// A copy whose rectangle lies wholly outside the drawable still defines the
// level at the size given (the texels read nothing and are zero): the level
// is complete and in memory, so the texture is resident, and the next draw
// takes the new level, not the one drawn before it.
TEST(CopyTextureUse, RectangleWhollyOutsideTheDrawableStillDefinesTheLevel) {
    enum { W = 16, H = 12 };
    const struct {
        int x, y, width, height;
    } cases[] = {{-40, 0, 32, 8}, {W, 2, 8, 8}, {0, -8, 4, 8}, {3, H, 8, 2}, {-2000000000, 2000000000, 64, 64},
                 {W + 5, -30, 2, 2}};
    for (bool generic : {false, true})
        for (const auto& k : cases) {
            SCOPED_TRACE(testing::Message() << (generic ? "generic, " : "chain, ") << k.x << "," << k.y << " "
                                            << k.width << "x" << k.height);
            GltestTrianglePath path(generic);
            GltestDibContext c(W, H, 32);
            glDisable(GL_DITHER);
            const std::vector<uint8_t> white(16 * 16 * 4, 255);
            const GLuint name = 7;
            glBindTexture(GL_TEXTURE_2D, name);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 16, 16, 0, GL_RGBA, GL_UNSIGNED_BYTE, white.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
            glEnable(GL_TEXTURE_2D);
            auto draw = [&] {
                glClearColor(0.5f, 0.5f, 0.5f, 0);
                glClear(GL_COLOR_BUFFER_BIT);
                glBegin(GL_QUADS);
                glTexCoord2f(0, 0), glVertex2i(0, 0);
                glTexCoord2f(1, 0), glVertex2i(W, 0);
                glTexCoord2f(1, 1), glVertex2i(W, H);
                glTexCoord2f(0, 1), glVertex2i(0, H);
                glEnd();
                glFinish();
            };
            draw();
            EXPECT_EQ(c.pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
            glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, k.x, k.y, k.width, k.height, 0);
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
            GLint w = 0, h = 0, resident = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_RESIDENT, &resident);
            EXPECT_EQ(w, k.width);
            EXPECT_EQ(h, k.height);
            EXPECT_EQ(resident, 1);
            GLboolean r = 9;
            EXPECT_EQ(glAreTexturesResident(1, &name, &r), GL_TRUE);
            const std::vector<uint8_t> back = levelRgba(GL_TEXTURE_2D, 0, k.width * k.height);
            for (int t = 0; t < k.width * k.height * 4; t++) ASSERT_EQ(back[t], t % 4 == 3 ? 255 : 0) << t;
            draw();
            EXPECT_EQ(c.pixel(5, 5) & 0xFFFFFF, 0u) << "drawn with the level before the copy";
            EXPECT_EQ(c.pixel(W - 1, H - 1) & 0xFFFFFF, 0u);
            EXPECT_TRUE(c.guardsIntact());
        }
}

// A buffer without alpha bits (its alpha maximum only the 255 scale, its
// mask empty, as a 32-bit DIB's): the texels' alpha stays out of the pixel.
TEST_F(ConvertedCopies, ComponentsWithoutBitsStayOut) {
    const uint8_t image[2 * 4] = {0x10, 0x20, 0x30, 0xC5, 0x81, 0x42, 0x03, 0xFF};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    gc->procs.validate(gc);
    ASSERT_NE(gc->currentTexture, nullptr);
    GlColorBuffer cb;
    memset(&cb, 0, sizeof cb);
    cb.buf.context = gc;
    cb.buf.elementSize = 4;
    const GLuint shifts[4] = {16, 8, 0, 0}, maxima[4] = {255, 255, 255, 255};
    for (int i = 0; i < 4; i++) cb.shift[i] = shifts[i], cb.maximum[i] = maxima[i];
    setMasks(&cb);
    cb.mask[3] = 0;
    GlColorBuffer* saved = gc->drawBuffer;
    gc->drawBuffer = &cb;
    ASSERT_TRUE(__glPrepareFastTexture(gc));
    const GlMipmapLevel* l = &bound(GL_TEX_2D)->params.levels[0];
    uint32_t v[2];
    memcpy(v, l->converted, 8);
    EXPECT_EQ(v[0], 0x102030u);
    EXPECT_EQ(v[1], 0x814203u);
    gc->drawBuffer = saved;
    glDisable(GL_TEXTURE_2D);
}

}  // namespace
