// gluScaleImage: area-weighted resampling, the pixel-store settings on both sides and type
// conversion; the mipmap builders: power-of-two sizes, the level chain and the restored settings.
#include <math.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "gldib.h"

#include <GL/glu.h>

namespace {

struct GluImageTest : ::testing::Test {
    GltestDibContext ctx{16, 16};
    void TearDown() override {
        for (GLenum p : {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS, GL_PACK_ROW_LENGTH})
            glPixelStorei(p, 0);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
    }
};

TEST_F(GluImageTest, ScaleAveragesTheAreaUnderEachPixel) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const struct {
        const char* what;
        GLenum format;
        int win, hin;
        std::vector<uint8_t> in;
        int wout, hout;
        std::vector<uint8_t> out;
    } cases[] = {
        {"2x2 to 1x1", GL_RGB, 2, 2, {10, 20, 30, 30, 40, 50, 50, 60, 70, 70, 80, 90}, 1, 1, {40, 50, 60}},
        {"1x1 to 3x2", GL_LUMINANCE, 1, 1, {77}, 3, 2, {77, 77, 77, 77, 77, 77}},
        {"3 to 2: one and a half each", GL_LUMINANCE, 3, 1, {0, 30, 60}, 2, 1, {10, 50}},
        {"2 to 4: each doubled", GL_LUMINANCE_ALPHA, 2, 1, {10, 200, 20, 100}, 4, 1, {10, 200, 10, 200, 20, 100, 20, 100}},
        {"same size: unchanged", GL_RGBA, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> out(c.out.size(), 0xEE);
        ASSERT_EQ(gluScaleImage(c.format, c.win, c.hin, GL_UNSIGNED_BYTE, c.in.data(), c.wout, c.hout,
                                GL_UNSIGNED_BYTE, out.data()), 0)
            << c.what;
        EXPECT_EQ(out, c.out) << c.what;
    }
}

TEST_F(GluImageTest, ScaleReadsWithUnpackAndWritesWithPackSettings) {
    // A 2x2 window at (1, 1) of a 4-wide luminance image: rows 4 apart.
    const uint8_t in[] = {0, 0, 0, 0, /**/ 0, 10, 20, 0, /**/ 0, 30, 40, 0};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 4);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 1);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
    // Out: 3 x 2, rows padded to 4 bytes; the pad is left alone.
    uint8_t out[8];
    memset(out, 0xEE, sizeof out);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    ASSERT_EQ(gluScaleImage(GL_LUMINANCE, 2, 2, GL_UNSIGNED_BYTE, in, 3, 2, GL_UNSIGNED_BYTE, out), 0);
    const uint8_t want[] = {10, 15, 20, 0xEE, 30, 35, 40, 0xEE};
    EXPECT_EQ(0, memcmp(out, want, sizeof want));
}

TEST_F(GluImageTest, ScaleConvertsBetweenTypes) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const uint8_t bytes[] = {0, 255, 51};
    float floats[3];
    ASSERT_EQ(gluScaleImage(GL_LUMINANCE, 3, 1, GL_UNSIGNED_BYTE, bytes, 3, 1, GL_FLOAT, floats), 0);
    EXPECT_FLOAT_EQ(floats[0], 0.0f);
    EXPECT_FLOAT_EQ(floats[1], 1.0f);
    EXPECT_FLOAT_EQ(floats[2], 0.2f);
    uint16_t shorts[3];
    ASSERT_EQ(gluScaleImage(GL_LUMINANCE, 3, 1, GL_UNSIGNED_BYTE, bytes, 3, 1, GL_UNSIGNED_SHORT, shorts), 0);
    EXPECT_EQ(shorts[1], 65535);
    EXPECT_EQ(shorts[2], 13107);
    const float wide[] = {-2.0f, 2.0f, 0.5f};
    int8_t signedBytes[3];
    ASSERT_EQ(gluScaleImage(GL_LUMINANCE, 3, 1, GL_FLOAT, wide, 3, 1, GL_BYTE, signedBytes), 0);
    EXPECT_EQ(signedBytes[0], -128) << "clamped";
    EXPECT_EQ(signedBytes[1], 127) << "clamped";
    EXPECT_EQ(signedBytes[2], 63) << "(255 x 0.5 - 1) / 2";
    // Swapped input bytes: 0x0100 stored as 00 01 reads as 1.
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_TRUE);
    const uint16_t swapped[] = {0x0100, 0xFFFF};
    uint16_t plain[2];
    ASSERT_EQ(gluScaleImage(GL_LUMINANCE, 2, 1, GL_UNSIGNED_SHORT, swapped, 2, 1, GL_UNSIGNED_SHORT, plain), 0);
    EXPECT_EQ(plain[0], 1);
    EXPECT_EQ(plain[1], 0xFFFF);
    // Indices are values, not fractions: the mean of 2 and 5 is 3.5, stored rounded.
    const uint8_t indices[] = {2, 5};
    uint8_t index;
    ASSERT_EQ(gluScaleImage(GL_COLOR_INDEX, 2, 1, GL_UNSIGNED_BYTE, indices, 1, 1, GL_UNSIGNED_BYTE, &index), 0);
    EXPECT_EQ(index, 4);
}

TEST_F(GluImageTest, ScaleRefusesBadArguments) {
    uint8_t in[4] = {}, out[4];
    EXPECT_EQ(gluScaleImage(GL_RGB, 0, 1, GL_UNSIGNED_BYTE, in, 1, 1, GL_UNSIGNED_BYTE, out), GLU_INVALID_VALUE);
    EXPECT_EQ(gluScaleImage(GL_RGB, 1, 1, GL_UNSIGNED_BYTE, in, 1, -1, GL_UNSIGNED_BYTE, out), GLU_INVALID_VALUE);
    EXPECT_EQ(gluScaleImage(GL_RGB + 100, 1, 1, GL_UNSIGNED_BYTE, in, 1, 1, GL_UNSIGNED_BYTE, out), GLU_INVALID_ENUM);
    EXPECT_EQ(gluScaleImage(GL_RGB, 1, 1, GL_DOUBLE, in, 1, 1, GL_UNSIGNED_BYTE, out), GLU_INVALID_ENUM);
    EXPECT_EQ(gluScaleImage(GL_RGB, 1, 1, GL_UNSIGNED_BYTE, in, 1, 1, GL_BITMAP, out), GLU_INVALID_ENUM);
}

int levelSize(GLenum target, int level, GLenum which) {
    GLint v = -1;
    glGetTexLevelParameteriv(target, level, which, &v);
    return v;
}

TEST_F(GluImageTest, MipmapsOfNearestPowerOfTwoSizesDownToOnePixel) {
    // 3 x 5: 3 lies between 2 and 4 (the smaller on a tie), 5 nearest to 4.
    std::vector<uint8_t> image(3 * 5 * 3);
    for (size_t i = 0; i < image.size(); i++) image[i] = uint8_t(i % 3 == 0 ? 200 : i % 3 == 1 ? 100 : 50);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 3, 5, GL_RGB, GL_UNSIGNED_BYTE, image.data()), 0);
    const int sizes[][2] = {{2, 4}, {1, 2}, {1, 1}};
    for (int level = 0; level < 3; level++) {
        EXPECT_EQ(levelSize(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH), sizes[level][0]) << level;
        EXPECT_EQ(levelSize(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT), sizes[level][1]) << level;
    }
    EXPECT_EQ(levelSize(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH), 0);
    uint8_t last[4];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 2, GL_RGB, GL_UNSIGNED_BYTE, last);
    EXPECT_EQ(last[0], 200);
    EXPECT_EQ(last[1], 100);
    EXPECT_EQ(last[2], 50);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(GluImageTest, MipmapsRestoreTheUnpackSettingsAndKeepToTheSizeLimit) {
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    ASSERT_GT(limit, 0);
    std::vector<uint8_t> row(size_t(limit) * 3, 90);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, limit * 3);
    ASSERT_EQ(gluBuild1DMipmaps(GL_TEXTURE_1D, 1, limit * 3, GL_LUMINANCE, GL_UNSIGNED_BYTE, row.data()), 0);
    EXPECT_EQ(levelSize(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH), limit);
    EXPECT_EQ(levelSize(GL_TEXTURE_1D, 1, GL_TEXTURE_WIDTH), limit / 2);
    GLint alignment = 0, rowLength = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(alignment, 2);
    EXPECT_EQ(rowLength, limit * 3);
    EXPECT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 0, 4, GL_RGB, GL_UNSIGNED_BYTE, row.data()), GLU_INVALID_VALUE);
    EXPECT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 4, 4, GL_RGB, GL_BITMAP, row.data()), GLU_INVALID_ENUM);
}

}  // namespace
