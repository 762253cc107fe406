// The call log: bounded, ordered, searchable.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ravix2x.h"
#include "ravix2x_log.h"

namespace {

class RavixLog : public ::testing::Test {
protected:
    void SetUp() override { rvLogClear(); }
    void TearDown() override { rvLogClear(); }
};

TEST_F(RavixLog, KeepsTheFirstCapacityCallsAndCountsTheRest)
{
    const uint32_t extra = 5;
    for (uint32_t i = 0; i < RV_LOG_CAPACITY + extra; ++i)
        rvAlphaTestReferenceValue(i);
    EXPECT_EQ(rvLogCount(), uint32_t(RV_LOG_CAPACITY));
    EXPECT_EQ(rvLogDropped(), extra);
    EXPECT_EQ(rvLogEntry(0)->args[0], 0u);
    EXPECT_EQ(rvLogEntry(RV_LOG_CAPACITY - 1)->args[0], uint32_t(RV_LOG_CAPACITY - 1));
    EXPECT_EQ(rvLogEntry(RV_LOG_CAPACITY), nullptr);

    rvLogClear();
    EXPECT_EQ(rvLogCount(), 0u);
    EXPECT_EQ(rvLogDropped(), 0u);
    rvQrbIdle();
    ASSERT_EQ(rvLogCount(), 1u) << "a cleared log records again";
    EXPECT_STREQ(rvLogEntry(0)->name, "rvQrbIdle");
}

TEST_F(RavixLog, EntryOutsideTheLogIsNull)
{
    EXPECT_EQ(rvLogEntry(0), nullptr);
    rvQrbIdle();
    EXPECT_NE(rvLogEntry(0), nullptr);
    EXPECT_EQ(rvLogEntry(1), nullptr);
    EXPECT_EQ(rvLogEntry(0xFFFFFFFFu), nullptr);
}

TEST_F(RavixLog, FindAndCountByName)
{
    rvRenderBuffer(0);      // 0
    rvBufferClear(1, 2, 3); // 1
    rvRenderBuffer(1);      // 2
    rvBufferClear(4, 5, 6); // 3
    rvRenderBuffer(0);      // 4

    const struct {
        const char *name;
        uint32_t from;
        int32_t found;
    } finds[] = {
        {"rvRenderBuffer", 0, 0}, {"rvRenderBuffer", 1, 2}, {"rvRenderBuffer", 4, 4},
        {"rvRenderBuffer", 5, -1}, {"rvBufferClear", 2, 3}, {"rvQrbIdle", 0, -1},
        {"rvRender", 0, -1}, // whole names only
    };
    for (const auto &f : finds)
        EXPECT_EQ(rvLogFind(f.name, f.from), f.found) << f.name << " from " << f.from;

    EXPECT_EQ(rvLogCountOf("rvRenderBuffer"), 3u);
    EXPECT_EQ(rvLogCountOf("rvBufferClear"), 2u);
    EXPECT_EQ(rvLogCountOf("rvBufferSwap"), 0u);
    EXPECT_EQ(rvLogFind(nullptr, 0), -1);
}

TEST_F(RavixLog, AppendedMarkersInterleaveWithCalls)
{
    rvQrbIdle();
    RvLogEntry marker;
    std::memset(&marker, 0, sizeof marker);
    marker.name = "marker";
    marker.argCount = 1;
    marker.args[0] = 42;
    rvLogAppend(&marker);
    rvQrbIdle();

    ASSERT_EQ(rvLogCount(), 3u);
    EXPECT_STREQ(rvLogEntry(1)->name, "marker");
    EXPECT_EQ(rvLogEntry(1)->args[0], 42u);
    EXPECT_EQ(rvLogFind("rvQrbIdle", 1), 2);
}

TEST(RavixLogHelpers, ArgumentWordsReadBackAsFloats)
{
    const struct {
        uint32_t word;
        float value;
    } cases[] = {{0x3F800000u, 1.0f}, {0xC2C80000u, -100.0f}, {0x49400000u, 786432.0f}, {0, 0.0f}};
    for (const auto &c : cases)
        EXPECT_EQ(rvLogArgFloat(c.word), c.value);
    EXPECT_TRUE(std::signbit(rvLogArgFloat(0x80000000u)));
}

} // namespace
