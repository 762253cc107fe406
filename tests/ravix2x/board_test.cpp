// The simulated board's window, buffers, frame-buffer locks, bad calls and
// the controls for people: .bmp dumps and the call trace.
#include "board_fixture.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace rvtest;

using RavixBoard = Board;

uint16_t *lfbPixel(const RvLfbInfo &info, int x, int y)
{
    return reinterpret_cast<uint16_t *>(static_cast<uint8_t *>(info.lfbPtr) + y * info.strideInBytes + x * 2);
}

TEST_F(RavixBoard, SwapExchangesFrontAndBack)
{
    quad(0, 0, 2, 2, {255, 0, 0});
    EXPECT_EQ(rvSimPixel(RV_BUFFER_FRONT, 0, 0), 0);
    rvBufferSwap(1);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_FRONT, 0, 0), 0xF800) << "drawn frame shown";
    EXPECT_EQ(backPixel(0, 0), 0) << "old front is the new back";
    quad(0, 0, 2, 2, {0, 0, 255});
    EXPECT_EQ(rvSimPixel(RV_BUFFER_FRONT, 0, 0), 0xF800) << "drawing goes to the back buffer";
}

TEST_F(RavixBoard, OneBufferWindowHasOnlyTheFront)
{
    ASSERT_NE(rvQrbWinOpen(nullptr, RV_RESOLUTION_640x480, 0, 0, RV_ORIGIN_LOWER_LEFT, 1, 1), 0);
    RvSimState s;
    rvSimGetState(&s);
    EXPECT_EQ(s.renderBuffer, RV_BUFFER_FRONT);
    quad(0, 0, 2, 2, {255, 0, 0});
    rvBufferSwap(1);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_FRONT, 0, 0), 0xF800) << "swap only presents";
    rvRenderBuffer(RV_BUFFER_BACK);
    quad(0, 0, 2, 2, {0, 0, 255});
    EXPECT_EQ(rvSimPixel(RV_BUFFER_FRONT, 0, 0), 0x001F) << "still drawing to the front";
    RvLfbInfo info = {sizeof info, nullptr, 0, 0, 0};
    EXPECT_EQ(rvLfbLock(RV_LFB_READ_ONLY, RV_BUFFER_BACK, RV_LFB_WRITEMODE_ANY, RV_ORIGIN_ANY, 0, &info), 0);
    expectedErrors = 2;
}

TEST_F(RavixBoard, WindowOpenRestoresTheDefaults)
{
    rvClipWindow(1, 2, 3, 4);
    rvAlphaBlendFunction(RV_BLEND_ONE, RV_BLEND_ONE, RV_BLEND_ONE, RV_BLEND_ONE);
    rvCullMode(RV_CULL_POSITIVE);
    rvDepthBufferMode(RV_DEPTHBUFFER_ZBUFFER);
    rvColorCombine(3, 8, 1, 1, 0);
    rvQrbWinClose();
    ASSERT_NE(rvQrbWinOpen(nullptr, RV_RESOLUTION_640x480, 0, 0, RV_ORIGIN_LOWER_LEFT, 2, 1), 0);
    RvSimState s;
    rvSimGetState(&s);
    EXPECT_EQ(s.clipRight - s.clipLeft, 640);
    EXPECT_EQ(s.clipTop - s.clipBottom, 480);
    EXPECT_EQ(s.blendRgbDst, RV_BLEND_ZERO);
    EXPECT_EQ(s.cullMode, RV_CULL_NONE);
    EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_DISABLE);
    EXPECT_EQ(s.colorCombine[0], RV_COMBINE_FUNCTION_LOCAL);
    EXPECT_EQ(s.constantColor, 0xFFFFFFFFu);
    EXPECT_EQ(s.renderBuffer, RV_BUFFER_BACK);
}

TEST_F(RavixBoard, LfbWritesAndReadsUseTheWideStride)
{
    RvLfbInfo w = {sizeof w, nullptr, 0, 0, 0};
    ASSERT_NE(rvLfbLock(RV_LFB_WRITE_ONLY, RV_BUFFER_BACK, RV_LFB_WRITEMODE_565, RV_ORIGIN_ANY, 0, &w), 0);
    EXPECT_GT(w.strideInBytes, 640u * 2);
    *lfbPixel(w, 7, 3) = 0x1234;
    *lfbPixel(w, 639, 479) = 0xF800;
    EXPECT_NE(rvLfbUnlock(RV_LFB_WRITE_ONLY, RV_BUFFER_BACK), 0);
    EXPECT_EQ(backPixel(7, 3), 0x1234);
    EXPECT_EQ(backPixel(0, 4), 0) << "a packed row would put (7, 3) elsewhere";
    EXPECT_EQ(backPixel(639, 479), 0xF800);

    rvDepthBufferMode(RV_DEPTHBUFFER_ZBUFFER);
    rvDepthMask(1);
    rvDepthBufferFunction(RV_CMP_ALWAYS);
    const RvVertex p = vertex(100.5f, 200.5f, {0, 255, 0}, 255, 4321);
    rvDrawPoint(&p);
    RvLfbInfo r = {sizeof r, nullptr, 0, 0, 0}, d = {sizeof d, nullptr, 0, 0, 0};
    ASSERT_NE(rvLfbLock(RV_LFB_READ_ONLY, RV_BUFFER_BACK, RV_LFB_WRITEMODE_ANY, RV_ORIGIN_ANY, 0, &r), 0);
    ASSERT_NE(rvLfbLock(RV_LFB_READ_ONLY, RV_BUFFER_DEPTH, RV_LFB_WRITEMODE_DEPTH, RV_ORIGIN_ANY, 0, &d), 0);
    EXPECT_EQ(*lfbPixel(r, 100, 200), 0x07E0);
    EXPECT_EQ(*lfbPixel(d, 100, 200), 4321);
    EXPECT_NE(rvLfbUnlock(RV_LFB_READ_ONLY, RV_BUFFER_DEPTH), 0);
    EXPECT_NE(rvLfbUnlock(RV_LFB_READ_ONLY, RV_BUFFER_BACK), 0);
}

TEST(RavixBoardClosed, LfbLockNeedsAnOpenWindow)
{
    rvSimReset();
    RvLfbInfo info = {sizeof info, nullptr, 0, 0, 0};
    EXPECT_EQ(rvLfbLock(RV_LFB_READ_ONLY, RV_BUFFER_FRONT, RV_LFB_WRITEMODE_ANY, RV_ORIGIN_ANY, 0, &info), 0);
    EXPECT_EQ(info.lfbPtr, nullptr);
    EXPECT_EQ(rvSimErrorCount(), 1u);
}

TEST_F(RavixBoard, BadCallsAreCountedAndChangeNothing)
{
    static const uint8_t texels[64] = {};
    RvVertex v = vertex(1, 1);
    RvLfbInfo info = {sizeof info, nullptr, 0, 0, 0};
    const std::vector<std::pair<const char *, std::function<void()>>> cases = {
        {"depth function 8", [] { rvDepthBufferFunction(8); }},
        {"depth mode 2", [] { rvDepthBufferMode(2); }},
        {"alpha function -1", [] { rvAlphaTestFunction(-1); }},
        {"alpha reference 256", [] { rvAlphaTestReferenceValue(256); }},
        {"saturate as destination", [] { rvAlphaBlendFunction(4, 15, 4, 0); }},
        {"blend code 8", [] { rvAlphaBlendFunction(8, 0, 4, 0); }},
        {"cull mode 3", [] { rvCullMode(3); }},
        {"combine function 2", [] { rvColorCombine(2, 0, 0, 2, 0); }},
        {"combine other 0", [] { rvAlphaCombine(1, 0, 0, 0, 0); }},
        {"texture unit 1", [] { rvTexFilterMode(1, 0, 0); }},
        {"filter 2", [] { rvTexFilterMode(0, 2, 0); }},
        {"clamp mode 2", [] { rvTexClampMode(0, 0, 2); }},
        {"render buffer 2", [] { rvRenderBuffer(2); }},
        {"null vertex", [&] { rvDrawTriangle(&v, nullptr, &v); }},
        {"null line vertex", [&] { rvAADrawLine(nullptr, &v); }},
        {"null point", [] { rvDrawPoint(nullptr); }},
        {"unlock without lock", [] { rvLfbUnlock(RV_LFB_READ_ONLY, RV_BUFFER_FRONT); }},
        {"unlock of another type", [&] {
             rvLfbLock(RV_LFB_READ_ONLY, RV_BUFFER_FRONT, 255, 255, 0, &info);
             rvLfbUnlock(RV_LFB_WRITE_ONLY, RV_BUFFER_FRONT);
             rvLfbUnlock(RV_LFB_READ_ONLY, RV_BUFFER_FRONT);
         }},
        {"lock info size 16", [] {
             RvLfbInfo small = {16, nullptr, 0, 0, 0};
             rvLfbLock(RV_LFB_READ_ONLY, RV_BUFFER_FRONT, 255, 255, 0, &small);
         }},
        {"download above memory", [] { rvTexDownloadMipMapLevel(0, 0x3FFFF8, 5, 5, 3, 3, 3, texels); }},
        {"download null data", [] { rvTexDownloadMipMapLevel(0, 0, 5, 5, 3, 3, 3, nullptr); }},
        {"download format 16", [] { rvTexDownloadMipMapLevel(0, 0, 5, 5, 3, 16, 3, texels); }},
        {"level above largest", [] { rvTexDownloadMipMapLevel(0, 0, 1, 2, 3, 3, 3, texels); }},
        {"partial rows past the level", [] { rvTexDownloadMipMapLevelPartial(0, 0, 5, 5, 3, 3, 3, texels, 4, 8); }},
        {"partial rows reversed", [] { rvTexDownloadMipMapLevelPartial(0, 0, 5, 5, 3, 3, 3, texels, 3, 2); }},
        {"source beyond memory", [] {
             const RvTexInfo t = {8, 0, 3, 10, nullptr};
             rvTexSource(0, 0x3F0000, 3, &t);
         }},
        {"source of an unsampled format", [] {
             const RvTexInfo t = {8, 8, 3, 1, nullptr};
             rvTexSource(0, 0, 3, &t);
         }},
        {"table type 1", [] { rvTexDownloadTable(0, 1, texels); }},
        {"memory required of a bad description", [] {
             const RvTexInfo t = {0, 8, 3, 10, nullptr};
             rvTexTextureMemRequired(3, &t);
         }},
        {"resolution 6", [] { rvQrbWinOpen(nullptr, 6, 0, 0, 1, 2, 1); }},
        {"board 1", [] { rvQrbSelect(1); }},
    };
    RvSimState before, after;
    rvSimGetState(&before);
    for (const auto &c : cases) {
        const uint32_t n = rvSimErrorCount();
        c.second();
        EXPECT_EQ(rvSimErrorCount(), n + 1) << c.first;
    }
    rvSimGetState(&after);
    before.errorCount = after.errorCount;
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << "state unchanged";
    const uint8_t *memory = rvSimTextureMemory();
    EXPECT_EQ(memory[0x3FFFF8], 0);
    expectedErrors = static_cast<uint32_t>(cases.size());
}

TEST_F(RavixBoard, CallsNeedingAWindowAreCountedWhenItIsClosed)
{
    rvQrbWinClose();
    const RvVertex v = vertex(1, 1);
    rvDrawTriangle(&v, &v, &v);
    rvDrawLine(&v, &v);
    rvDrawPoint(&v);
    rvBufferClear(0, 0, 0);
    rvBufferSwap(1);
    rvQrbWinClose();
    RvLfbInfo info = {sizeof info, nullptr, 0, 0, 0};
    rvLfbLock(RV_LFB_READ_ONLY, RV_BUFFER_DEPTH, 255, 255, 0, &info);
    expectedErrors = 7;
}

TEST_F(RavixBoard, ClosingWithALockHeldIsCounted)
{
    RvLfbInfo info = {sizeof info, nullptr, 0, 0, 0};
    ASSERT_NE(rvLfbLock(RV_LFB_WRITE_ONLY, RV_BUFFER_BACK, 0, 255, 0, &info), 0);
    rvQrbWinClose();
    RvSimState s;
    rvSimGetState(&s);
    EXPECT_EQ(s.locksHeld, 0u);
    expectedErrors = 1;
}

std::string tempDir()
{
    char pattern[] = "/tmp/ravix2x-test-XXXXXX";
    const char *dir = mkdtemp(pattern);
    return dir ? dir : "";
}

std::vector<uint8_t> readFile(const std::string &path)
{
    std::vector<uint8_t> bytes;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF)
            bytes.push_back(uint8_t(c));
        std::fclose(f);
    }
    return bytes;
}

TEST_F(RavixBoard, SwapDumpsTheShownBufferWhenAFolderIsNamed)
{
    const std::string dir = tempDir();
    ASSERT_FALSE(dir.empty());
    quad(0, 0, 1, 1, {255, 0, 0});   // bottom-left pixel red
    quad(639, 479, 640, 480, {0, 0, 255});
    setenv("RAVIX2X_DUMP_DIR", dir.c_str(), 1);
    rvBufferSwap(1);
    unsetenv("RAVIX2X_DUMP_DIR");
    rvBufferSwap(1);
    const std::string path = dir + "/ravix2x-00001.bmp";
    const std::vector<uint8_t> bmp = readFile(path);
    ASSERT_EQ(bmp.size(), 54u + 640 * 480 * 3);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(bmp[28], 24);
    // Rows bottom-up, pixels blue, green, red.
    EXPECT_EQ(bmp[54 + 0], 0);
    EXPECT_EQ(bmp[54 + 2], 255);
    const size_t last = 54 + 640 * 480 * 3 - 3;
    EXPECT_EQ(bmp[last], 255);
    EXPECT_EQ(bmp[last + 2], 0);
    EXPECT_TRUE(readFile(dir + "/ravix2x-00002.bmp").empty()) << "no dump without the variable";
    std::remove(path.c_str());
    rmdir(dir.c_str());
}

TEST_F(RavixBoard, TraceWritesOneLinePerCallWithItsArguments)
{
    const std::string dir = tempDir();
    const std::string path = dir + "/trace.txt";
    ASSERT_NE(rvSimTrace(path.c_str()), 0);
    rvClipWindow(-5, 0, 700, 480);
    rvBufferClear(0x123456, 255, 65535);
    rvQrbIdle();
    rvSimTrace(nullptr);
    rvQrbIdle();
    const std::vector<uint8_t> bytes = readFile(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "rvClipWindow(-5, 0, 700, 480)\nrvBufferClear(0x123456, 0xFF, 0xFFFF)\nrvQrbIdle()\n");
    std::remove(path.c_str());
    rmdir(dir.c_str());
}

} // namespace
