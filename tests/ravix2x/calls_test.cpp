// Every rv* call is logged with its name and arguments, in call order.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ravix2x.h"
#include "ravix2x_log.h"
#include "ravix2x_sim.h"

namespace {

uint32_t ptrWord(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

std::vector<uint32_t> argsOf(const RvLogEntry *e)
{
    return std::vector<uint32_t>(e->args, e->args + e->argCount);
}

class RavixCalls : public ::testing::Test {
protected:
    void SetUp() override
    {
        rvSimReset();
        rvLogClear();
    }
};

struct CallCase {
    const char *name;
    std::function<void()> call;
    std::vector<uint32_t> args;
};

TEST_F(RavixCalls, EveryCallIsLoggedWithItsArgumentsInOrder)
{
    RvBoardConfig config;
    RvLfbInfo info = {sizeof(RvLfbInfo), nullptr, 0, 0, 0};
    RvVertex va{}, vb{}, vc{};
    RvTexInfo tex = {RV_LOD_1, RV_LOD_256, RV_ASPECT_1x1, RV_TEXFMT_RGB_565, nullptr};
    static const uint32_t table[1024] = {}; // covers the partial download below
    int window = 0;
    const uint32_t pa = ptrWord(&va), pb = ptrWord(&vb), pc = ptrWord(&vc);

    // Distinct values per position, so a swapped or lost argument shows.
    const std::vector<CallCase> cases = {
        {"rvRavixInit", [] { rvRavixInit(); }, {}},
        {"rvQrbQueryHardware", [&] { rvQrbQueryHardware(&config); }, {ptrWord(&config)}},
        {"rvQrbSelect", [] { rvQrbSelect(0); }, {0}},
        {"rvQrbWinOpen", [&] { rvQrbWinOpen(&window, 7, 11, 12, 1, 2, 13); },
         {ptrWord(&window), 7, 11, 12, 1, 2, 13}},
        {"rvQrbWinClose", [] { rvQrbWinClose(); }, {}},
        {"rvQrbIdle", [] { rvQrbIdle(); }, {}},
        {"rvBufferSwap", [] { rvBufferSwap(1); }, {1}},
        {"rvRenderBuffer", [] { rvRenderBuffer(1); }, {1}},
        {"rvBufferClear", [] { rvBufferClear(0x00123456u, 0x80, 0xFFFF); }, {0x00123456u, 0x80, 0xFFFF}},
        {"rvColorMask", [] { rvColorMask(1, 0); }, {1, 0}},
        {"rvDepthMask", [] { rvDepthMask(1); }, {1}},
        {"rvDepthBufferMode", [] { rvDepthBufferMode(1); }, {1}},
        {"rvDepthBufferFunction", [] { rvDepthBufferFunction(3); }, {3}},
        {"rvAlphaTestFunction", [] { rvAlphaTestFunction(6); }, {6}},
        {"rvAlphaTestReferenceValue", [] { rvAlphaTestReferenceValue(200); }, {200}},
        {"rvAlphaBlendFunction", [] { rvAlphaBlendFunction(1, 5, 15, 7); }, {1, 5, 15, 7}},
        {"rvCullMode", [] { rvCullMode(2); }, {2}},
        {"rvClipWindow", [] { rvClipWindow(-5, 10, 700, 500); },
         {static_cast<uint32_t>(-5), 10, 700, 500}},
        {"rvColorCombine", [] { rvColorCombine(7, 4, 0, 1, 0); }, {7, 4, 0, 1, 0}},
        {"rvAlphaCombine", [] { rvAlphaCombine(3, 1, 1, 2, 9); }, {3, 1, 1, 2, 9}},
        {"rvTexCombine", [] { rvTexCombine(0, 1, 2, 3, 4, 5, 6); }, {0, 1, 2, 3, 4, 5, 6}},
        {"rvTexFilterMode", [] { rvTexFilterMode(0, 1, 0); }, {0, 1, 0}},
        {"rvTexMipMapMode", [] { rvTexMipMapMode(0, 1, 2); }, {0, 1, 2}},
        {"rvTexClampMode", [] { rvTexClampMode(0, 0, 1); }, {0, 0, 1}},
        {"rvDrawTriangle", [&] { rvDrawTriangle(&va, &vb, &vc); }, {pa, pb, pc}},
        {"rvAADrawTriangle", [&] { rvAADrawTriangle(&va, &vb, &vc, 0, 1, 2); }, {pa, pb, pc, 0, 1, 2}},
        {"rvDrawLine", [&] { rvDrawLine(&vb, &va); }, {pb, pa}},
        {"rvAADrawLine", [&] { rvAADrawLine(&va, &vc); }, {pa, pc}},
        {"rvDrawPoint", [&] { rvDrawPoint(&vc); }, {pc}},
        {"rvAADrawPoint", [&] { rvAADrawPoint(&vb); }, {pb}},
        {"rvLfbLock", [&] { rvLfbLock(1, 0, 0, 255, 0, &info); }, {1, 0, 0, 255, 0, ptrWord(&info)}},
        {"rvLfbUnlock", [] { rvLfbUnlock(1, 0); }, {1, 0}},
        {"rvTexMinAddress", [] { rvTexMinAddress(0); }, {0}},
        {"rvTexMaxAddress", [] { rvTexMaxAddress(0); }, {0}},
        {"rvTexTextureMemRequired", [&] { rvTexTextureMemRequired(3, &tex); }, {3, ptrWord(&tex)}},
        {"rvTexSource", [&] { rvTexSource(0, 0x1000, 3, &tex); }, {0, 0x1000, 3, ptrWord(&tex)}},
        {"rvTexDownloadMipMapLevel", [&] { rvTexDownloadMipMapLevel(0, 0x2000, 4, 1, 5, 12, 3, table); },
         {0, 0x2000, 4, 1, 5, 12, 3, ptrWord(table)}},
        {"rvTexDownloadMipMapLevelPartial",
         [&] { rvTexDownloadMipMapLevelPartial(0, 0x3000, 2, 0, 2, 10, 3, table + 4, 7, 19); },
         {0, 0x3000, 2, 0, 2, 10, 3, ptrWord(table + 4), 7, 19}},
        {"rvTexDownloadTable", [&] { rvTexDownloadTable(0, 2, table); }, {0, 2, ptrWord(table)}},
    };
    ASSERT_EQ(cases.size(), 39u);

    for (const CallCase &c : cases)
        c.call();

    ASSERT_EQ(rvLogCount(), cases.size());
    for (uint32_t i = 0; i < cases.size(); ++i) {
        const RvLogEntry *e = rvLogEntry(i);
        ASSERT_NE(e, nullptr);
        EXPECT_STREQ(e->name, cases[i].name) << "entry " << i;
        EXPECT_EQ(argsOf(e), cases[i].args) << cases[i].name;
        for (uint32_t k = e->argCount; k < RV_LOG_MAX_ARGS; ++k)
            EXPECT_EQ(e->args[k], 0u) << cases[i].name << " unused word " << k;
    }
}

TEST_F(RavixCalls, StartUpAndMakeCurrentSequenceIsLoggedInOrder)
{
    RvBoardConfig config;
    int window = 0;
    rvRavixInit();
    rvQrbQueryHardware(&config);
    rvQrbSelect(0);
    rvQrbWinOpen(&window, RV_RESOLUTION_640x480, 0, 0, RV_ORIGIN_LOWER_LEFT, 2, 1);
    rvRenderBuffer(RV_BUFFER_BACK);
    rvColorMask(1, 0);
    rvDepthBufferFunction(RV_CMP_LESS);
    rvAlphaBlendFunction(RV_BLEND_ONE, RV_BLEND_ZERO, RV_BLEND_ONE, RV_BLEND_ZERO);

    const struct {
        const char *name;
        std::vector<uint32_t> args;
    } expected[] = {
        {"rvRavixInit", {}},
        {"rvQrbQueryHardware", {ptrWord(&config)}},
        {"rvQrbSelect", {0}},
        {"rvQrbWinOpen", {ptrWord(&window), 7, 0, 0, 1, 2, 1}},
        {"rvRenderBuffer", {1}},
        {"rvColorMask", {1, 0}},
        {"rvDepthBufferFunction", {1}},
        {"rvAlphaBlendFunction", {4, 0, 4, 0}},
    };
    ASSERT_EQ(rvLogCount(), std::size(expected));
    for (uint32_t i = 0; i < std::size(expected); ++i) {
        EXPECT_STREQ(rvLogEntry(i)->name, expected[i].name);
        EXPECT_EQ(argsOf(rvLogEntry(i)), expected[i].args) << expected[i].name;
    }
}

TEST_F(RavixCalls, StartUpReportsOneBoardWithFourMebibytesOfTextureMemory)
{
    RvBoardConfig config;
    std::memset(&config, 0xAB, sizeof config);
    EXPECT_NE(rvRavixInit(), 0);
    EXPECT_NE(rvQrbQueryHardware(&config), 0);
    EXPECT_EQ(config.boardCount, 1u);
    EXPECT_EQ(config.tmuCount, 1u);
    EXPECT_EQ(config.textureBytes, 4u << 20);
    EXPECT_EQ(config.maxWidth, 640u);
    EXPECT_EQ(config.maxHeight, 480u);
    EXPECT_GE(config.frameBufferBytes, 640u * 480u * 2u * 3u);
    for (uint32_t word : config.reserved)
        EXPECT_EQ(word, 0u);
    EXPECT_NE(rvQrbSelect(0), 0);
    EXPECT_EQ(rvQrbSelect(1), 0) << "there is only board 0";
    EXPECT_EQ(rvQrbQueryHardware(nullptr), 0);
}

TEST_F(RavixCalls, WindowOpensAt640x480WithOneOrTwoColourBuffers)
{
    const struct {
        int32_t resolution, buffers;
        bool ok;
    } cases[] = {
        {RV_RESOLUTION_640x480, 1, true},
        {RV_RESOLUTION_640x480, 2, true},
        {RV_RESOLUTION_640x480, 3, false},
        {RV_RESOLUTION_640x480, 0, false},
        {6, 2, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(rvQrbWinOpen(nullptr, c.resolution, 0, 0, 1, c.buffers, 1) != 0, c.ok)
            << "resolution " << c.resolution << ", buffers " << c.buffers;
}

TEST_F(RavixCalls, TextureAddressRangeIsFourMebibytesFromZero)
{
    // The highest address is the start of the last 8-byte unit.
    EXPECT_EQ(rvTexMinAddress(RV_TMU0), 0u);
    EXPECT_EQ(rvTexMaxAddress(RV_TMU0), 0x400000u - 8u);
}

TEST_F(RavixCalls, DrawingCallsCopyTheirVertices)
{
    RvVertex v[3];
    for (int i = 0; i < 3; ++i) {
        float *w = reinterpret_cast<float *>(&v[i]);
        for (int k = 0; k < 15; ++k)
            w[k] = 100.0f * i + k + 0.25f;
    }
    rvAADrawTriangle(&v[0], &v[1], &v[2], 1, 0, 1);
    rvDrawLine(&v[2], &v[0]);
    rvAADrawPoint(&v[1]);
    rvDrawPoint(nullptr);
    std::memset(v, 0, sizeof v); // the log must not depend on the caller's memory afterwards

    const struct {
        const char *name;
        std::vector<int> sources; // index into the original vertices, -1 = null
    } cases[] = {
        {"rvAADrawTriangle", {0, 1, 2}},
        {"rvDrawLine", {2, 0}},
        {"rvAADrawPoint", {1}},
        {"rvDrawPoint", {-1}},
    };
    ASSERT_EQ(rvLogCount(), std::size(cases));
    for (uint32_t i = 0; i < std::size(cases); ++i) {
        const RvLogEntry *e = rvLogEntry(i);
        EXPECT_STREQ(e->name, cases[i].name);
        ASSERT_EQ(e->vertexCount, cases[i].sources.size()) << cases[i].name;
        for (uint32_t n = 0; n < e->vertexCount; ++n) {
            const float *w = reinterpret_cast<const float *>(&e->vertices[n]);
            for (int k = 0; k < 15; ++k) {
                const int src = cases[i].sources[n];
                const float want = src < 0 ? 0.0f : 100.0f * src + k + 0.25f;
                EXPECT_EQ(w[k], want) << cases[i].name << " vertex " << n << " word " << k;
            }
        }
    }
}

TEST_F(RavixCalls, VertexFloatsKeepTheirBitPatterns)
{
    const uint32_t patterns[] = {
        0x80000000u, // -0.0
        0x7FC12345u, // quiet NaN with payload
        0x7F800001u, // signalling NaN
        0x00000001u, // smallest denormal
        0xFF800000u, // -infinity
        0x49400000u, // 786432.0, the window bias
    };
    RvVertex v;
    for (uint32_t bits : patterns) {
        rvLogClear();
        uint32_t *w = reinterpret_cast<uint32_t *>(&v);
        for (int k = 0; k < 15; ++k)
            w[k] = bits ^ static_cast<uint32_t>(k);
        rvDrawPoint(&v);
        const uint32_t *got = reinterpret_cast<const uint32_t *>(&rvLogEntry(0)->vertices[0]);
        for (int k = 0; k < 15; ++k)
            EXPECT_EQ(got[k], bits ^ static_cast<uint32_t>(k)) << std::hex << bits << " word " << k;
    }
}

TEST_F(RavixCalls, TextureDescriptionsAreCopiedIntoTheLog)
{
    static const uint8_t texels[64 * 32 * 2] = {};  // the downloaded level: 64 x 32, 16-bit texels
    RvTexInfo tex = {RV_LOD_1, RV_LOD_64, RV_ASPECT_2x1, RV_TEXFMT_ARGB_4444, texels};
    rvTexSource(RV_TMU0, 0x8000, RV_TEXLEVELS_ALL, &tex);
    rvTexTextureMemRequired(RV_TEXLEVELS_ALL, &tex);
    tex.largeLod = RV_LOD_8;
    rvTexDownloadMipMapLevel(RV_TMU0, 0x8000, 2, 2, 2, 12, 3, texels);

    ASSERT_EQ(rvLogCount(), 3u);
    for (uint32_t i = 0; i < 2; ++i) {
        const RvLogEntry *e = rvLogEntry(i);
        EXPECT_EQ(e->hasTexInfo, 1u) << e->name;
        EXPECT_EQ(e->texInfo.smallLod, RV_LOD_1);
        EXPECT_EQ(e->texInfo.largeLod, RV_LOD_64) << "copy taken at the call";
        EXPECT_EQ(e->texInfo.aspect, RV_ASPECT_2x1);
        EXPECT_EQ(e->texInfo.format, RV_TEXFMT_ARGB_4444);
        EXPECT_EQ(e->texInfo.data, texels);
    }
    EXPECT_EQ(rvLogEntry(2)->hasTexInfo, 0u);
    EXPECT_EQ(rvLogEntry(2)->vertexCount, 0u);
}

} // namespace
