// Linear frame-buffer locks hand out the board's 640x480 16-bit buffers.
#include <gtest/gtest.h>

#include <cstring>

#include "ravix2x.h"
#include "ravix2x_log.h"
#include "ravix2x_sim.h"

namespace {

uint16_t *pixelAt(const RvLfbInfo &info, int x, int y)
{
    return reinterpret_cast<uint16_t *>(static_cast<uint8_t *>(info.lfbPtr) + y * info.strideInBytes + x * 2);
}

RvLfbInfo freshInfo()
{
    RvLfbInfo info;
    std::memset(&info, 0, sizeof info);
    info.size = sizeof info;
    return info;
}

class RavixLfb : public ::testing::Test {
protected:
    void SetUp() override
    {
        rvSimReset();
        ASSERT_NE(rvQrbWinOpen(nullptr, RV_RESOLUTION_640x480, 0, 0, RV_ORIGIN_LOWER_LEFT, 2, 1), 0);
    }
};

TEST_F(RavixLfb, LockSucceedsOnlyForTheBoardsBuffersAndModes)
{
    const struct {
        const char *what;
        int32_t type, buffer, writeMode, origin;
        uint32_t size;
        bool ok;
        int32_t mode;
    } cases[] = {
        {"read front, any mode", RV_LFB_READ_ONLY, RV_BUFFER_FRONT, 255, 255, 20, true, 0},
        {"write back, 5-6-5", RV_LFB_WRITE_ONLY, RV_BUFFER_BACK, 0, 255, 20, true, 0},
        {"read depth, depth mode", RV_LFB_READ_ONLY, RV_BUFFER_DEPTH, 15, 255, 20, true, 15},
        {"write front, lower-left origin", RV_LFB_WRITE_ONLY, RV_BUFFER_FRONT, 0, 1, 20, true, 0},
        {"depth with 5-6-5 mode", RV_LFB_READ_ONLY, RV_BUFFER_DEPTH, 0, 255, 20, false, 0},
        {"colour with depth mode", RV_LFB_WRITE_ONLY, RV_BUFFER_FRONT, 15, 255, 20, false, 0},
        {"no buffer 3", RV_LFB_READ_ONLY, 3, 255, 255, 20, false, 0},
        {"negative buffer", RV_LFB_READ_ONLY, -1, 255, 255, 20, false, 0},
        {"unknown lock type", 2, RV_BUFFER_FRONT, 255, 255, 20, false, 0},
        {"upper-left origin", RV_LFB_READ_ONLY, RV_BUFFER_FRONT, 255, 0, 20, false, 0},
        {"record size not set", RV_LFB_READ_ONLY, RV_BUFFER_FRONT, 255, 255, 0, false, 0},
        {"record size too large", RV_LFB_READ_ONLY, RV_BUFFER_FRONT, 255, 255, 24, false, 0},
    };
    for (const auto &c : cases) {
        RvLfbInfo info = freshInfo();
        info.size = c.size;
        const int32_t result = rvLfbLock(c.type, c.buffer, c.writeMode, c.origin, 0, &info);
        EXPECT_EQ(result != 0, c.ok) << c.what;
        if (c.ok) {
            EXPECT_NE(info.lfbPtr, nullptr) << c.what;
            EXPECT_EQ(info.strideInBytes, 2048u) << c.what << ": wider than a row of 640";
            EXPECT_EQ(info.writeMode, c.mode) << c.what;
            EXPECT_EQ(info.origin, RV_ORIGIN_LOWER_LEFT) << c.what;
            EXPECT_NE(rvLfbUnlock(c.type, c.buffer), 0) << c.what;
        } else {
            EXPECT_EQ(info.lfbPtr, nullptr) << c.what << ": failed lock fills nothing";
        }
    }
    EXPECT_EQ(rvLfbLock(RV_LFB_READ_ONLY, RV_BUFFER_FRONT, 255, 255, 0, nullptr), 0);
}

TEST_F(RavixLfb, PixelsWrittenThroughOneLockAreReadThroughTheNext)
{
    RvLfbInfo w = freshInfo();
    ASSERT_NE(rvLfbLock(RV_LFB_WRITE_ONLY, RV_BUFFER_BACK, RV_LFB_WRITEMODE_565, RV_ORIGIN_ANY, 0, &w), 0);
    *pixelAt(w, 3, 2) = 0x11AA;
    *pixelAt(w, 639, 479) = 0xF800; // last pixel of the buffer
    rvLfbUnlock(RV_LFB_WRITE_ONLY, RV_BUFFER_BACK);

    RvLfbInfo r = freshInfo();
    ASSERT_NE(rvLfbLock(RV_LFB_READ_ONLY, RV_BUFFER_BACK, RV_LFB_WRITEMODE_ANY, RV_ORIGIN_ANY, 0, &r), 0);
    EXPECT_EQ(*pixelAt(r, 3, 2), 0x11AA);
    EXPECT_EQ(*pixelAt(r, 639, 479), 0xF800);
    rvLfbUnlock(RV_LFB_READ_ONLY, RV_BUFFER_BACK);
}

TEST_F(RavixLfb, FrontBackAndDepthAreSeparateBuffers)
{
    void *ptr[3];
    for (int32_t b = 0; b < 3; ++b) {
        RvLfbInfo info = freshInfo();
        ASSERT_NE(rvLfbLock(RV_LFB_READ_ONLY, b, RV_LFB_WRITEMODE_ANY, RV_ORIGIN_ANY, 0, &info), 0);
        ptr[b] = info.lfbPtr;
        rvLfbUnlock(RV_LFB_READ_ONLY, b);
    }
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            const auto a = reinterpret_cast<uintptr_t>(ptr[i]), b = reinterpret_cast<uintptr_t>(ptr[j]);
            EXPECT_GE(a > b ? a - b : b - a, 640u * 480u * 2u) << "buffers " << i << " and " << j << " overlap";
        }
}

} // namespace
