// Texture images: storage in every internal format and read-back, level
// parameters, sub-images and their range checks, proxies, mip-map
// completeness and list playback.
#include <vector>
#include "textest.h"

namespace {

using TexImages = TextureContext;

GLint levelParam(GLenum target, GLint level, GLenum pname) {
    GLint v = -1;
    glGetTexLevelParameteriv(target, level, pname, &v);
    return v;
}

struct StoreCase {
    GLint internalFormat;
    GLenum baseRow;  // which GL 1.1 rule applies
};

// Each internal format stores a 4x4 RGBA ubyte image; read back as RGBA the
// level must equal the independent rule: L and I take red, A alpha.
TEST_F(TexImages, EveryInternalFormatStoresTheComponentsOfItsBase) {
    const StoreCase cases[] = {
        {1, GL_LUMINANCE}, {GL_LUMINANCE8, GL_LUMINANCE}, {2, GL_LUMINANCE_ALPHA},
        {GL_LUMINANCE12_ALPHA4, GL_LUMINANCE_ALPHA}, {3, GL_RGB}, {GL_RGB5, GL_RGB}, {GL_R3_G3_B2, GL_RGB},
        {4, GL_RGBA}, {GL_RGB5_A1, GL_RGBA}, {GL_ALPHA4, GL_ALPHA}, {GL_INTENSITY16, GL_INTENSITY},
    };
    uint8_t image[4 * 4 * 4];
    for (int i = 0; i < 64; i++) image[i] = (uint8_t)(i * 37 + 11);
    for (const StoreCase& c : cases) {
        SCOPED_TRACE(c.internalFormat);
        glTexImage2D(GL_TEXTURE_2D, 0, c.internalFormat, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, image);
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        uint8_t back[4 * 4 * 4 + 8];
        memset(back, 0xEE, sizeof back);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
        for (int t = 0; t < 16; t++) {
            const uint8_t* s = image + 4 * t;
            uint8_t want[4] = {0, 0, 0, 255};
            switch (c.baseRow) {
            case GL_LUMINANCE: case GL_INTENSITY: want[0] = s[0]; break;
            case GL_LUMINANCE_ALPHA: want[0] = s[0], want[3] = s[3]; break;
            case GL_ALPHA: want[3] = s[3]; break;
            case GL_RGBA: want[3] = s[3]; [[fallthrough]];
            case GL_RGB: want[0] = s[0], want[1] = s[1], want[2] = s[2]; break;
            }
            for (int k = 0; k < 4; k++) ASSERT_EQ(back[4 * t + k], want[k]) << "texel " << t << " comp " << k;
        }
        for (int k = 64; k < 72; k++) EXPECT_EQ(back[k], 0xEE) << "written past the image";
        const bool rgb = c.baseRow == GL_RGB || c.baseRow == GL_RGBA;
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE), rgb ? 8 : 0);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE),
                  c.baseRow == GL_LUMINANCE || c.baseRow == GL_LUMINANCE_ALPHA ? 8 : 0);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_INTENSITY_SIZE), c.baseRow == GL_INTENSITY ? 8 : 0);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), c.internalFormat);
    }
}

// Client formats and types unpack to the same stored level.
TEST_F(TexImages, ClientFormatsAndTypesUnpackAlike) {
    struct Client {
        GLenum format, type;
        std::vector<uint8_t> bytes;  // one texel (2x1 image: both texels equal)
    };
    const Client clients[] = {
        {GL_RGBA, GL_UNSIGNED_BYTE, {255, 0, 255, 0}},
        {GL_BGRA_EXT, GL_UNSIGNED_BYTE, {255, 0, 255, 0}},
        {GL_ABGR_EXT, GL_UNSIGNED_BYTE, {0, 255, 0, 255}},
        {GL_RGBA, GL_UNSIGNED_SHORT, {255, 255, 0, 0, 255, 255, 0, 0}},
        {GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_EXT, {0x00, 0xFF, 0x00, 0xFF}},
    };
    for (const Client& c : clients) {
        SCOPED_TRACE(c.format);
        std::vector<uint8_t> img(c.bytes);
        img.insert(img.end(), c.bytes.begin(), c.bytes.end());
        glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, 2, 0, c.format, c.type, img.data());
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        uint8_t back[8];
        glGetTexImage(GL_TEXTURE_1D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
        EXPECT_EQ(back[0], 255); EXPECT_EQ(back[1], 0); EXPECT_EQ(back[2], 255); EXPECT_EQ(back[3], 0);
    }
}

TEST_F(TexImages, ArgumentErrorsChangeNothing) {
    struct Case { GLenum target; GLint level, ifmt; GLsizei w, h; GLint border; GLenum format, type, error; };
    const Case cases[] = {
        {GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 1, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_VALUE},
        {GL_TEXTURE_2D, 0, GL_RGB, 3, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_VALUE},
        {GL_TEXTURE_2D, 0, GL_RGB, -4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_VALUE},
        {GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 2, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_VALUE},
        {GL_TEXTURE_2D, -1, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_VALUE},
        {GL_TEXTURE_2D, 0, 5, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_ENUM},
        {GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, GL_INVALID_ENUM},
        {GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_BITMAP, GL_INVALID_ENUM},
        {GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_SHORT_4_4_4_4_EXT, GL_INVALID_OPERATION},
        {GL_TEXTURE_1D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_ENUM},  // 2D call on 1D target
        {GL_TEXTURE_2D, 9, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_VALUE},  // 4 << 9 > 1024
        {GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 4, 4, 0, GL_COLOR_INDEX, GL_FLOAT, GL_INVALID_VALUE},
        {GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, GL_INVALID_VALUE},
    };
    uint8_t img[64 * 64 * 4] = {};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, 2, 2, 0, GL_ALPHA, GL_UNSIGNED_BYTE, img);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << " border " << c.border << " level " << c.level);
        glTexImage2D(c.target, c.level, c.ifmt, c.w, c.h, c.border, c.format, c.type, img);
        EXPECT_EQ(glGetError(), c.error);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_ALPHA);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 2);
    }
    glTexImage2D(GL_TEXTURE_2D, 9, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, img);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 66, 66, 1, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_BORDER), 1);
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 66);
}

// A null image defines the level with zeros, not with old or uninitialised memory.
TEST_F(TexImages, NullPixelsGiveZeroTexels) {
    uint8_t ones[16 * 16 * 4];
    memset(ones, 0xFF, sizeof ones);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 16, 16, 0, GL_RGBA, GL_UNSIGNED_BYTE, ones);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 16, 16, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    uint8_t back[16 * 16 * 4];
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
    for (uint8_t b : back) ASSERT_EQ(b, 0);
}

TEST_F(TexImages, SubImagesAtEveryEdgeAndOutside) {
    uint8_t zero[8 * 8] = {};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 8, 8, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, zero);
    struct Case { GLint x, y; GLsizei w, h; GLenum error; };
    const Case cases[] = {
        {0, 0, 2, 2, GL_NO_ERROR}, {6, 0, 2, 2, GL_NO_ERROR}, {0, 6, 2, 2, GL_NO_ERROR}, {6, 6, 2, 2, GL_NO_ERROR},
        {-1, 0, 2, 2, GL_INVALID_VALUE}, {7, 0, 2, 2, GL_INVALID_VALUE}, {0, 7, 2, 2, GL_INVALID_VALUE},
        {0, 0, -1, 2, GL_INVALID_VALUE}, {0, -1, 2, 2, GL_INVALID_VALUE},
    };
    const uint8_t four[4] = {10, 20, 30, 40};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows of two bytes
    uint8_t expect[8 * 8] = {};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
        glTexSubImage2D(GL_TEXTURE_2D, 0, c.x, c.y, c.w, c.h, GL_LUMINANCE, GL_UNSIGNED_BYTE, four);
        EXPECT_EQ(glGetError(), c.error);
        if (c.error == GL_NO_ERROR)
            for (int i = 0; i < 4; i++) expect[(c.y + i / 2) * 8 + c.x + i % 2] = four[i];
    }
    uint8_t back[8 * 8];
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(0, memcmp(back, expect, sizeof back));
    glTexSubImage2D(GL_TEXTURE_2D, 1, 0, 0, 1, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, four);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    glTexSubImage2D(GL_PROXY_TEXTURE_2D, 0, 0, 0, 1, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, four);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
}

TEST_F(TexImages, ProxiesReportSizesOrZerosAndNeverAllocate) {
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA, 64, 32, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_EQ(levelParam(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 64);
    EXPECT_EQ(levelParam(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 32);
    EXPECT_EQ(levelParam(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE), 8);
    EXPECT_EQ(bound(GL_TEX_PROXY_2D)->params.levels[0].data, nullptr);
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA, 2048, 32, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    for (GLenum pname : {GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT, GL_TEXTURE_BORDER, GL_TEXTURE_ALPHA_SIZE})
        EXPECT_EQ(levelParam(GL_PROXY_TEXTURE_2D, 0, pname), 0);
    glTexImage1D(GL_PROXY_TEXTURE_1D, 0, GL_ALPHA, 16, 0, GL_ALPHA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_EQ(levelParam(GL_PROXY_TEXTURE_1D, 0, GL_TEXTURE_WIDTH), 16);
    EXPECT_EQ(levelParam(GL_PROXY_TEXTURE_1D, 0, GL_TEXTURE_HEIGHT), 1);
    levelParam(GL_TEXTURE_2D, gc->limits.textureLevels, GL_TEXTURE_WIDTH);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
}

TEST_F(TexImages, MipmapChainCompleteness) {
    struct Case { const char* name; GLint badLevel; GLsizei badSize; GLint badFormat; bool complete; };
    const Case cases[] = {
        {"consistent", -1, 0, 0, true},
        {"missing level", 2, 0, GL_RGB, false},
        {"wrong size", 1, 8, GL_RGB, false},
        {"other format", 3, 1, GL_RGBA, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (GLint l = 0, s = 8; l < 4; l++, s /= 2) {
            const GLsizei size = l == c.badLevel ? c.badSize : s;
            const GLint fmt = l == c.badLevel ? c.badFormat : GL_RGB;
            glTexImage2D(GL_TEXTURE_2D, l, fmt, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        }
        EXPECT_EQ(__glIsTextureComplete(gc, &bound(GL_TEX_2D)->params), c.complete);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        EXPECT_TRUE(__glIsTextureComplete(gc, &bound(GL_TEX_2D)->params));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_FALSE(__glIsTextureComplete(gc, &bound(GL_TEX_2D)->params));
}

// Compiled images keep the unpack state of compile time.
TEST_F(TexImages, ListReplaysImageWithCompileTimeUnpack) {
    uint8_t img[4 * 3];  // rows of 3 bytes, skip the first pixel of each row
    for (int i = 0; i < 12; i++) img[i] = (uint8_t)(i + 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 2, 4, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, img);
    glEndList();
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glCallList(list);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    uint8_t back[8];
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, back);
    const uint8_t want[8] = {2, 3, 5, 6, 8, 9, 11, 12};
    EXPECT_EQ(0, memcmp(back, want, 8));
    glDeleteLists(list, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

// A 1D level with a border: the image lies in the middle of three rows; the
// border texels are addressable by sub-images at offset -1 and read back.
TEST_F(TexImages, OneDimensionalBorderLevel) {
    const uint8_t img[6] = {1, 2, 3, 4, 5, 6};
    glTexImage1D(GL_TEXTURE_1D, 0, GL_ALPHA, 6, 1, GL_ALPHA, GL_UNSIGNED_BYTE, img);
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(levelParam(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH), 6);
    EXPECT_EQ(levelParam(GL_TEXTURE_1D, 0, GL_TEXTURE_HEIGHT), 1);
    EXPECT_EQ(levelParam(GL_TEXTURE_1D, 0, GL_TEXTURE_BORDER), 1);
    const uint8_t edge[2] = {90, 91};
    glTexSubImage1D(GL_TEXTURE_1D, 0, -1, 1, GL_ALPHA, GL_UNSIGNED_BYTE, edge);
    glTexSubImage1D(GL_TEXTURE_1D, 0, 4, 1, GL_ALPHA, GL_UNSIGNED_BYTE, edge + 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glTexSubImage1D(GL_TEXTURE_1D, 0, -2, 1, GL_ALPHA, GL_UNSIGNED_BYTE, edge);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    glTexSubImage1D(GL_TEXTURE_1D, 0, 4, 2, GL_ALPHA, GL_UNSIGNED_BYTE, edge);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    GLfloat back[6 + 2];
    back[6] = back[7] = -5.0f;
    glGetTexImage(GL_TEXTURE_1D, 0, GL_ALPHA, GL_FLOAT, back);
    const uint8_t want[6] = {90, 2, 3, 4, 5, 91};
    for (int i = 0; i < 6; i++) EXPECT_FLOAT_EQ(back[i], want[i] / 255.0f) << i;
    EXPECT_EQ(back[6], -5.0f);
    // The extract procedure reads the border texels at -1 and the inner size.
    GlTextureParams* p = &bound(GL_TEX_1D)->params;
    GlMipmapLevel* l = &p->levels[0];
    GlTexel t = {};
    l->extract(l, p, 0, 0, -1, &t);
    EXPECT_FLOAT_EQ(t.alpha, 90 / 255.0f);
    l->extract(l, p, 0, 0, 4, &t);
    EXPECT_FLOAT_EQ(t.alpha, 91 / 255.0f);
}

// Outside a borderless level the extract procedure answers the border colour.
TEST_F(TexImages, BorderlessLevelsAnswerTheBorderColourOutside) {
    const uint8_t img[8] = {10, 20, 30, 40, 50, 60, 70, 80};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, 2, 2, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, img);
    const GLfloat border[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    GlTextureParams* p = &bound(GL_TEX_2D)->params;
    GlMipmapLevel* l = &p->levels[0];
    const GLint rc[][2] = {{-1, 0}, {0, -1}, {2, 0}, {0, 2}};
    for (const auto& c : rc) {
        GlTexel t = {};
        l->extract(l, p, 0, c[0], c[1], &t);
        EXPECT_EQ(t.luminance, 0.25f);
        EXPECT_EQ(t.alpha, 1.0f);
    }
    GlTexel t = {};
    l->extract(l, p, 0, 1, 0, &t);  // row 1, column 0: the third texel
    EXPECT_FLOAT_EQ(t.luminance, 50 / 255.0f);
    EXPECT_FLOAT_EQ(t.alpha, 60 / 255.0f);
}

// glGetTexImage writes the described image and not the pack padding or beyond.
TEST_F(TexImages, GetTexImageHonoursPackModesExactly) {
    uint8_t img[4 * 2 * 3];
    for (int i = 0; i < 24; i++) img[i] = (uint8_t)(i * 9);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, img);
    glPixelStorei(GL_PACK_ROW_LENGTH, 6);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 1);
    glPixelStorei(GL_PACK_SKIP_ROWS, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    uint8_t out[3 * 6 * 3];
    memset(out, 0xAB, sizeof out);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGR_EXT, GL_UNSIGNED_BYTE, out);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 6; x++)
            for (int k = 0; k < 3; k++) {
                const uint8_t got = out[(y * 6 + x) * 3 + k];
                const bool inside = y >= 1 && x >= 1 && x < 5;
                const uint8_t want = inside ? img[((y - 1) * 4 + x - 1) * 3 + 2 - k] : 0xAB;
                ASSERT_EQ(got, want) << x << "," << y << "," << k;
            }
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, out);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glGetTexImage(GL_PROXY_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, out);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
}

// Level parameters of every level: defined ones as given, the rest empty.
TEST_F(TexImages, LevelParametersOfEveryLevel) {
    glTexImage2D(GL_TEXTURE_2D, 2, GL_RGBA4, 2, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    for (GLint level = 0; level < gc->limits.textureLevels; level++) {
        SCOPED_TRACE(level);
        const bool defined = level == 2;
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH), defined ? 2 : 0);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT), defined ? 4 : 0);
        EXPECT_EQ(levelParam(GL_TEXTURE_2D, level, GL_TEXTURE_COMPONENTS), defined ? GL_RGBA4 : 1);
        for (GLenum pname : {GL_TEXTURE_RED_SIZE, GL_TEXTURE_GREEN_SIZE, GL_TEXTURE_BLUE_SIZE, GL_TEXTURE_ALPHA_SIZE})
            EXPECT_EQ(levelParam(GL_TEXTURE_2D, level, pname), defined ? 8 : 0);
        GLfloat f = -1;
        glGetTexLevelParameterfv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &f);
        EXPECT_EQ(f, defined ? 2.0f : 0.0f);
    }
    levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WRAP_S);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    EXPECT_EQ(bound(GL_TEX_2D)->resident, 1);
}

// Pixel transfer applies to texture images: scale and bias, and colour
// indices through the index-to-colour maps into a colour level.
TEST_F(TexImages, PixelTransferAppliesToImages) {
    const uint8_t rgb[3] = {200, 100, 50};
    glPixelTransferf(GL_RED_SCALE, 0.5f);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glPixelTransferf(GL_RED_SCALE, 1.0f);
    uint8_t back[4];
    glGetTexImage(GL_TEXTURE_1D, 0, GL_RGB, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(back[0], 100);
    EXPECT_EQ(back[1], 100);
    const GLfloat toRed[2] = {0.0f, 1.0f};
    glPixelMapfv(GL_PIXEL_MAP_I_TO_R, 2, toRed);
    const uint8_t indices[2] = {0, 1};
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 2, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, indices);
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    uint8_t two[6];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_1D, 0, GL_RGB, GL_UNSIGNED_BYTE, two);
    EXPECT_EQ(two[0], 0);
    EXPECT_EQ(two[3], 255);
}

// Levels of named objects, real and replaced, go with the context even when
// never deleted (the fixture counts the blocks).
TEST_F(TexImages, LevelMemoryGoesWithTheContext) {
    GLuint names[2];
    glGenTextures(2, names);
    for (GLuint name : names) {
        glBindTexture(GL_TEXTURE_2D, name);
        for (GLint l = 0, s = 16; s >= 1; l++, s /= 2)
            glTexImage2D(GL_TEXTURE_2D, l, GL_RGBA, s, s, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 32, 32, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }
    glBindTexture(GL_TEXTURE_1D, names[1] + 1);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_ALPHA, 18, 1, GL_ALPHA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_NE(bound(GL_TEX_1D)->params.levels[0].data, nullptr);
}

}  // namespace
