// Textures on the simulated board: formats, level and aspect addressing,
// downloads from board memory, the palette and the combine units.
#include "board_fixture.h"

#include <cstring>
#include <vector>

namespace {

using namespace rvtest;

struct Rgba {
    int r, g, b, a;
};

class RavixTexture : public Board {
protected:
    // Texture combine: colour and alpha straight from the texture.
    void replaceByTexture()
    {
        rvColorCombine(RV_COMBINE_FUNCTION_SCALE_OTHER, RV_COMBINE_FACTOR_ONE, RV_COMBINE_LOCAL_CONSTANT,
                       RV_COMBINE_OTHER_TEXTURE, 0);
        rvAlphaCombine(RV_COMBINE_FUNCTION_SCALE_OTHER, RV_COMBINE_FACTOR_ONE, RV_COMBINE_LOCAL_CONSTANT,
                       RV_COMBINE_OTHER_TEXTURE, 0);
    }
    // Loads a one-level texture at address and makes it the source.
    void load(uint32_t address, int32_t lod, int32_t aspect, int32_t format, const void *texels)
    {
        rvTexDownloadMipMapLevel(RV_TMU0, address, lod, lod, aspect, format, RV_TEXLEVELS_ALL, texels);
        const RvTexInfo info = {lod, lod, aspect, format, texels};
        rvTexSource(RV_TMU0, address, RV_TEXLEVELS_ALL, &info);
    }
    // Alpha of the texture at pixel (x, y), by drawing white scaled by it over black.
    void drawAlphaAsGrey(float x0, float y0, float x1, float y1, float s1, float t1)
    {
        rvColorCombine(RV_COMBINE_FUNCTION_LOCAL, RV_COMBINE_FACTOR_ZERO, RV_COMBINE_LOCAL_CONSTANT,
                       RV_COMBINE_OTHER_CONSTANT, 0);
        rvAlphaBlendFunction(RV_BLEND_SRC_ALPHA, RV_BLEND_ZERO, RV_BLEND_ONE, RV_BLEND_ZERO);
        texturedQuad(x0, y0, x1, y1, s1, t1);
        rvAlphaBlendFunction(RV_BLEND_ONE, RV_BLEND_ZERO, RV_BLEND_ONE, RV_BLEND_ZERO);
    }
};

TEST_F(RavixTexture, EveryTexelFormatDecodes)
{
    static const uint32_t palette[256] = {0, 0x00FF0000, 0x0000FF00, 0x000000FF, 0x00808080};
    rvTexDownloadTable(RV_TMU0, RV_TEXTABLE_PALETTE, palette);
    const struct {
        const char *what;
        int32_t format;
        uint8_t bytes[8]; // 2x2 texels, bottom row first
        Rgba want[4];
    } cases[] = {
        {"RGB332", RV_TEXFMT_RGB_332, {0xE0, 0x1C, 0x03, 0xFF}, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}}},
        {"A8", RV_TEXFMT_ALPHA_8, {0, 85, 170, 255}, {{255, 255, 255, 0}, {255, 255, 255, 85}, {255, 255, 255, 170}, {255, 255, 255, 255}}},
        {"L8", RV_TEXFMT_LUMINANCE_8, {0, 85, 170, 255}, {{0, 0, 0, 255}, {85, 85, 85, 255}, {170, 170, 170, 255}, {255, 255, 255, 255}}},
        {"P8", RV_TEXFMT_PALETTE_8, {1, 2, 3, 4}, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {128, 128, 128, 255}}},
        {"RGB565", RV_TEXFMT_RGB_565, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF}, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}}},
        {"ARGB4444", RV_TEXFMT_ARGB_4444, {0x00, 0xFF, 0xF0, 0x80, 0x0F, 0x00, 0xFF, 0xFF}, {{255, 0, 0, 255}, {0, 255, 0, 136}, {0, 0, 255, 0}, {255, 255, 255, 255}}},
        {"AL88", RV_TEXFMT_ALPHA_LUM_88, {0x00, 0xFF, 0x40, 0x80, 0xFF, 0x00, 0xFF, 0xFF}, {{0, 0, 0, 255}, {64, 64, 64, 128}, {255, 255, 255, 0}, {255, 255, 255, 255}}},
    };
    for (const auto &c : cases) {
        rvBufferClear(0, 0, 0);
        load(0x100, RV_LOD_2, RV_ASPECT_1x1, c.format, c.bytes);
        replaceByTexture();
        texturedQuad(10, 10, 12, 12, 256, 256);  // one pixel per texel
        drawAlphaAsGrey(20, 10, 22, 12, 256, 256);
        for (int i = 0; i < 4; ++i) {
            const Rgba w = c.want[i];
            EXPECT_TRUE(near565(backPixel(10 + i % 2, 10 + i / 2), {w.r, w.g, w.b})) << c.what << " texel " << i;
            EXPECT_TRUE(near565(backPixel(20 + i % 2, 10 + i / 2), {w.a, w.a, w.a})) << c.what << " alpha of texel " << i;
        }
    }
}

TEST_F(RavixTexture, AspectScalesTheShorterSide)
{
    // s and t run 0-256 along the longer side: a 4x2 texture has t 0-128, a 2x4 one s 0-128.
    const struct {
        const char *what;
        int32_t aspect;
        int w, h;
        float s1, t1;
    } cases[] = {{"4x2", RV_ASPECT_2x1, 4, 2, 256, 128}, {"2x4", RV_ASPECT_1x2, 2, 4, 128, 256},
                 {"8x1", RV_ASPECT_8x1, 8, 1, 256, 32}, {"1x8", RV_ASPECT_1x8, 1, 8, 32, 256}};
    for (const auto &c : cases) {
        uint8_t texels[8];
        for (int i = 0; i < 8; ++i)
            texels[i] = uint8_t(i * 32);
        rvBufferClear(0, 0, 0);
        load(0, c.w > c.h ? (c.w == 8 ? RV_LOD_8 : RV_LOD_4) : (c.h == 8 ? RV_LOD_8 : RV_LOD_4), c.aspect,
             RV_TEXFMT_LUMINANCE_8, texels);
        replaceByTexture();
        texturedQuad(0, 0, float(c.w), float(c.h), c.s1, c.t1);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const int l = (y * c.w + x) * 32;
                EXPECT_TRUE(near565(backPixel(x, y), {l, l, l})) << c.what << " texel " << x << ", " << y;
            }
    }
}

TEST_F(RavixTexture, MipMapLevelFollowsTexelsPerPixel)
{
    // 4x4, 2x2, 1x1 RGB565 levels of distinct solid colours, packed after one another.
    const uint16_t colour[3] = {0xF800, 0x07E0, 0x001F};
    std::vector<uint16_t> l0(16, colour[0]), l1(4, colour[1]), l2(1, colour[2]);
    const uint32_t start = 0x40;
    rvTexDownloadMipMapLevel(RV_TMU0, start, RV_LOD_4, RV_LOD_4, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, 3, l0.data());
    rvTexDownloadMipMapLevel(RV_TMU0, start, RV_LOD_2, RV_LOD_4, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, 3, l1.data());
    rvTexDownloadMipMapLevel(RV_TMU0, start, RV_LOD_1, RV_LOD_4, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, 3, l2.data());
    EXPECT_EQ(std::memcmp(rvSimTextureMemory() + start + 32, l1.data(), 8), 0) << "level 1 follows level 0";
    const RvTexInfo info = {RV_LOD_1, RV_LOD_4, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, l0.data()};
    rvTexSource(RV_TMU0, start, RV_TEXLEVELS_ALL, &info);
    rvTexMipMapMode(RV_TMU0, RV_MIPMAP_NEAREST, 0);
    replaceByTexture();
    texturedQuad(0, 0, 4, 4, 256, 256);     // 1 texel a pixel
    texturedQuad(10, 0, 12, 2, 256, 256);   // 2
    texturedQuad(20, 0, 21, 1, 256, 256);   // 4
    texturedQuad(30, 0, 31, 1, 2048, 2048); // far beyond the smallest level
    EXPECT_EQ(backPixel(1, 1), colour[0]);
    EXPECT_EQ(backPixel(10, 1), colour[1]);
    EXPECT_EQ(backPixel(20, 0), colour[2]);
    EXPECT_EQ(backPixel(30, 0), colour[2]);
    rvTexMipMapMode(RV_TMU0, RV_MIPMAP_DISABLE, 0);
    texturedQuad(40, 0, 41, 1, 256, 256);
    EXPECT_EQ(backPixel(40, 0), colour[0]) << "without mip-mapping the largest level";
}

TEST_F(RavixTexture, WrapClampAndBilinear)
{
    const uint8_t texels[4] = {0, 255, 0, 255}; // 2x2: black, white columns
    load(0, RV_LOD_2, RV_ASPECT_1x1, RV_TEXFMT_LUMINANCE_8, texels);
    replaceByTexture();
    texturedQuad(0, 0, 4, 2, 512, 256); // s twice across
    EXPECT_EQ(backPixel(2, 0), 0) << "wraps to column 0";
    EXPECT_EQ(backPixel(3, 0), 0xFFFF);
    rvTexClampMode(RV_TMU0, RV_TEXCLAMP_CLAMP, RV_TEXCLAMP_CLAMP);
    texturedQuad(0, 0, 4, 2, 512, 256);
    EXPECT_EQ(backPixel(2, 0), 0xFFFF) << "clamps to the last column";
    rvTexFilterMode(RV_TMU0, RV_TEXFILTER_BILINEAR, RV_TEXFILTER_BILINEAR);
    texturedQuad(10, 0, 14, 2, 256, 256); // 2 pixels a texel: centres between texels
    EXPECT_TRUE(near565(backPixel(11, 0), {64, 64, 64}));
    EXPECT_TRUE(near565(backPixel(12, 0), {191, 191, 191}));
}

TEST_F(RavixTexture, TextureCoordinatesArePerspectiveCorrect)
{
    uint8_t texels[8];
    for (int i = 0; i < 8; ++i)
        texels[i] = uint8_t(i * 32); // 8x1, column i has luminance 32i
    load(0, RV_LOD_8, RV_ASPECT_8x1, RV_TEXFMT_LUMINANCE_8, texels);
    replaceByTexture();
    // Left edge w = 1, right edge w = 4: s = 0..256 is not linear on screen.
    const RvVertex a = texVertex(0, 0, 0, 0, 1.0f), b = texVertex(64, 0, 256, 0, 0.25f),
                   c = texVertex(64, 4, 256, 16, 0.25f), d = texVertex(0, 4, 0, 16, 1.0f);
    rvDrawTriangle(&a, &b, &c);
    rvDrawTriangle(&a, &c, &d);
    for (int x : {4, 20, 40, 60}) {
        const double f = (x + 0.5) / 64.0;
        const double s = (f * 256 * 0.25) / (f * 0.25 + (1 - f) * 1.0);
        const int l = int(s * 8 / 256) * 32;
        EXPECT_TRUE(near565(backPixel(x, 1), {l, l, l})) << "column " << x;
    }
}

TEST_F(RavixTexture, CombineTableOfTheTextureEnvironments)
{
    // Iterated (100, 150, 200, 51); texel ARGB4444 (255, 85, 0, 85); constant white.
    const uint16_t texel = 0x5F50;
    load(0, RV_LOD_1, RV_ASPECT_1x1, RV_TEXFMT_ARGB_4444, &texel);
    const Rgb it = {100, 150, 200}, tex = {255, 85, 0};
    const struct {
        const char *what;
        int32_t colour[5], alpha[4];
        Rgb rgb;
        uint32_t a;
    } cases[] = {
        {"replace alpha", {1, 0, 0, 2, 0}, {3, 1, 1, 1}, it, 85},
        {"replace rgb", {3, 8, 1, 1, 0}, {1, 0, 0, 2}, tex, 51},
        {"replace rgba", {3, 8, 1, 1, 0}, {3, 8, 1, 1}, tex, 85},
        {"modulate alpha", {1, 0, 0, 2, 0}, {3, 1, 0, 1}, it, 17},
        {"modulate rgb", {3, 1, 0, 1, 0}, {1, 0, 0, 2}, {100, 50, 0}, 51},
        {"modulate rgba", {3, 1, 0, 1, 0}, {3, 1, 0, 1}, {100, 50, 0}, 17},
        {"decal rgba", {7, 4, 0, 1, 0}, {1, 0, 0, 2}, {152, 128, 133}, 51},
        {"inverted local", {1, 0, 0, 2, 1}, {1, 0, 0, 2}, {155, 105, 55}, 51},
        {"constant local", {1, 0, 1, 2, 0}, {1, 0, 1, 2}, {255, 255, 255}, 255},
    };
    rvAlphaTestFunction(RV_CMP_EQUAL);
    for (const auto &c : cases) {
        rvBufferClear(0, 0, 0);
        rvColorCombine(c.colour[0], c.colour[1], c.colour[2], c.colour[3], c.colour[4]);
        rvAlphaCombine(c.alpha[0], c.alpha[1], c.alpha[2], c.alpha[3], 0);
        rvAlphaTestReferenceValue(c.a); // drawn only with exactly this alpha
        const RvVertex p = [&] {
            RvVertex v = vertex(5.5f, 5.5f, it, 51);
            v.oow = 1;
            v.sow = v.tow = 128;
            return v;
        }();
        rvDrawPoint(&p);
        EXPECT_NE(backPixel(5, 5), 0) << c.what << ": alpha is not " << c.a;
        EXPECT_TRUE(near565(backPixel(5, 5), c.rgb)) << c.what;
    }
}

TEST_F(RavixTexture, SourceReadsBoardMemoryNotTheCallersTexels)
{
    uint8_t texels[1] = {200};
    load(0x80, RV_LOD_1, RV_ASPECT_1x1, RV_TEXFMT_LUMINANCE_8, texels);
    texels[0] = 0; // the caller's copy changes; the board keeps its own
    replaceByTexture();
    texturedQuad(0, 0, 1, 1, 256, 256);
    EXPECT_TRUE(near565(backPixel(0, 0), {200, 200, 200}));
    // Another texture downloaded over the same address evicts it.
    const uint8_t other[1] = {40};
    rvTexDownloadMipMapLevel(RV_TMU0, 0x80, RV_LOD_1, RV_LOD_1, RV_ASPECT_1x1, RV_TEXFMT_LUMINANCE_8, 3, other);
    texturedQuad(0, 0, 1, 1, 256, 256);
    EXPECT_TRUE(near565(backPixel(0, 0), {40, 40, 40}));
}

TEST_F(RavixTexture, PartialDownloadWritesOnlyItsRows)
{
    // Level 1 (2x2 of a 4x4 chain) rows 1..1, and level 0 rows 1..2; data starts at the first row.
    const uint32_t start = 0x200;
    const uint16_t rows[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    rvTexDownloadMipMapLevelPartial(RV_TMU0, start, RV_LOD_4, RV_LOD_4, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, 3, rows, 1, 2);
    const uint16_t row1[2] = {9, 10};
    rvTexDownloadMipMapLevelPartial(RV_TMU0, start, RV_LOD_2, RV_LOD_4, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, 3, row1, 1, 1);
    uint16_t memory[20];
    std::memcpy(memory, rvSimTextureMemory() + start, sizeof memory);
    const uint16_t want[20] = {0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 9, 10};
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(memory[i], want[i]) << "word " << i;
}

TEST_F(RavixTexture, TextureMemoryAndPaletteSurviveCloseAndOpen)
{
    const uint8_t texels[4] = {1, 2, 3, 4};
    static const uint32_t palette[256] = {0x123456};
    rvTexDownloadMipMapLevel(RV_TMU0, 0x1000, RV_LOD_2, RV_LOD_2, RV_ASPECT_1x1, RV_TEXFMT_PALETTE_8, 3, texels);
    rvTexDownloadTable(RV_TMU0, RV_TEXTABLE_PALETTE, palette);
    rvQrbWinClose();
    ASSERT_NE(rvQrbWinOpen(nullptr, RV_RESOLUTION_640x480, 0, 0, RV_ORIGIN_LOWER_LEFT, 1, 1), 0);
    EXPECT_EQ(std::memcmp(rvSimTextureMemory() + 0x1000, texels, 4), 0);
    EXPECT_EQ(rvSimPalette()[0], 0x123456u);
}

TEST_F(RavixTexture, SmallTextureMemoryBoundsDownloads)
{
    ASSERT_NE(rvSimSetTextureMemory(4096, 1024), 0);
    EXPECT_EQ(rvTexMinAddress(RV_TMU0), 1024u);
    EXPECT_EQ(rvTexMaxAddress(RV_TMU0), 4088u);
    RvBoardConfig config;
    rvQrbQueryHardware(&config);
    EXPECT_EQ(config.textureBytes, 4096u);
    const std::vector<uint8_t> level(256 * 256, 7);
    const struct {
        uint32_t start;
        int32_t lod;
        bool fits;
    } cases[] = {
        {1024, RV_LOD_32, true},   // 1024 bytes
        {3072, RV_LOD_32, true},   // ends at the top
        {3080, RV_LOD_32, false},  // 8 bytes over
        {1016, RV_LOD_1, false},   // below the lowest address
        {0xFFFFFFF8u, RV_LOD_16, false},
        {1024, RV_LOD_256, false}, // larger than the memory
    };
    for (const auto &c : cases) {
        const uint32_t before = rvSimErrorCount();
        rvTexDownloadMipMapLevel(RV_TMU0, c.start, c.lod, c.lod, RV_ASPECT_1x1, RV_TEXFMT_LUMINANCE_8, 3, level.data());
        EXPECT_EQ(rvSimErrorCount() - before, c.fits ? 0u : 1u) << "start " << c.start << " lod " << c.lod;
        expectedErrors += c.fits ? 0 : 1;
    }
    EXPECT_EQ(rvSimTextureMemory()[1023], 0) << "nothing written below the lowest address";
}

} // namespace
