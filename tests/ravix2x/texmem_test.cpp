// rvTexTextureMemRequired: bytes of the described levels, in 8-byte units.
#include <gtest/gtest.h>

#include "ravix2x.h"

namespace {

TEST(RavixTexMem, BytesOfTheDescribedLevels)
{
    const struct {
        const char *what;
        uint32_t levels;
        RvTexInfo info;
        uint32_t bytes;
    } cases[] = {
        // 256x256 + 128x128 + ... + 1x1 = 87381 texels.
        {"256x256 L8, all levels", 3, {RV_LOD_1, RV_LOD_256, RV_ASPECT_1x1, RV_TEXFMT_LUMINANCE_8, nullptr}, 87384},
        {"256x256 565, all levels", 3, {RV_LOD_1, RV_LOD_256, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, nullptr}, 174768},
        {"256x256 565, level 0 only", 3, {RV_LOD_256, RV_LOD_256, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, nullptr}, 131072},
        // 256x32 down to 1x1: 8192+2048+512+128+32+8+4+2+1 texels.
        {"256x32 565, all levels", 3, {RV_LOD_1, RV_LOD_256, RV_ASPECT_8x1, RV_TEXFMT_RGB_565, nullptr}, 21856},
        // 64x128 down to 1x1: 8192+2048+512+128+32+8+2+1 texels.
        {"64x128 A8, all levels", 3, {RV_LOD_1, RV_LOD_128, RV_ASPECT_1x2, RV_TEXFMT_ALPHA_8, nullptr}, 10928},
        {"32x4 4444, one level", 3, {RV_LOD_32, RV_LOD_32, RV_ASPECT_8x1, RV_TEXFMT_ARGB_4444, nullptr}, 256},
        {"1x8 AL88 level 0", 3, {RV_LOD_8, RV_LOD_8, RV_ASPECT_1x8, RV_TEXFMT_ALPHA_LUM_88, nullptr}, 16},
        {"1x1 P8 rounds up to 8", 3, {RV_LOD_1, RV_LOD_1, RV_ASPECT_1x1, RV_TEXFMT_PALETTE_8, nullptr}, 8},
        {"332 4x1 down to 1x1", 3, {RV_LOD_1, RV_LOD_4, RV_ASPECT_4x1, RV_TEXFMT_RGB_332, nullptr}, 8},
        {"even LODs of 256x256 L8", 1, {RV_LOD_1, RV_LOD_256, RV_ASPECT_1x1, RV_TEXFMT_LUMINANCE_8, nullptr}, 69912},
        {"odd LODs of 256x256 L8", 2, {RV_LOD_1, RV_LOD_256, RV_ASPECT_1x1, RV_TEXFMT_LUMINANCE_8, nullptr}, 17480},
        {"no levels selected", 0, {RV_LOD_1, RV_LOD_256, RV_ASPECT_1x1, RV_TEXFMT_LUMINANCE_8, nullptr}, 0},
        {"smallest above largest", 3, {RV_LOD_256, RV_LOD_1, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, nullptr}, 0},
        {"LOD beyond 1x1", 3, {9, RV_LOD_1, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, nullptr}, 0},
        {"aspect beyond 1x8", 3, {RV_LOD_1, RV_LOD_1, 7, RV_TEXFMT_RGB_565, nullptr}, 0},
        {"unknown format", 3, {RV_LOD_1, RV_LOD_1, RV_ASPECT_1x1, 16, nullptr}, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(rvTexTextureMemRequired(c.levels, &c.info), c.bytes) << c.what;
    EXPECT_EQ(rvTexTextureMemRequired(3, nullptr), 0u);
}

TEST(RavixTexMem, LargestTextureFitsTheTextureRange)
{
    const RvTexInfo largest = {RV_LOD_1, RV_LOD_256, RV_ASPECT_1x1, RV_TEXFMT_ARGB_4444, nullptr};
    EXPECT_LT(rvTexTextureMemRequired(RV_TEXLEVELS_ALL, &largest),
              rvTexMaxAddress(RV_TMU0) - rvTexMinAddress(RV_TMU0));
}

} // namespace
