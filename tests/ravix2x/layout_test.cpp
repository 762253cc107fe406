// Record layouts are fixed: the OpenGL library and the board share them.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "ravix2x.h"
#include "ravix2x_log.h"

namespace {

static_assert(sizeof(RvVertex) == 15 * 4);
static_assert(offsetof(RvVertex, x) == 0 && offsetof(RvVertex, y) == 4 && offsetof(RvVertex, z) == 8);
static_assert(offsetof(RvVertex, r) == 12 && offsetof(RvVertex, g) == 16 && offsetof(RvVertex, b) == 20);
static_assert(offsetof(RvVertex, ooz) == 24 && offsetof(RvVertex, a) == 28);
static_assert(offsetof(RvVertex, oow) == 32 && offsetof(RvVertex, sow) == 36 && offsetof(RvVertex, tow) == 40);
static_assert(offsetof(RvVertex, spare) == 44 && sizeof(RvVertex::spare) == 16);

static_assert(sizeof(RvLfbInfo) == 20);
static_assert(offsetof(RvLfbInfo, size) == 0 && offsetof(RvLfbInfo, lfbPtr) == 4);
static_assert(offsetof(RvLfbInfo, strideInBytes) == 8 && offsetof(RvLfbInfo, writeMode) == 12);
static_assert(offsetof(RvLfbInfo, origin) == 16);

static_assert(sizeof(RvTexInfo) == 20);
static_assert(offsetof(RvTexInfo, smallLod) == 0 && offsetof(RvTexInfo, largeLod) == 4);
static_assert(offsetof(RvTexInfo, aspect) == 8 && offsetof(RvTexInfo, format) == 12);
static_assert(offsetof(RvTexInfo, data) == 16);

static_assert(sizeof(RvBoardConfig) == 64);
static_assert(offsetof(RvBoardConfig, boardCount) == 0 && offsetof(RvBoardConfig, textureBytes) == 12);

static_assert(sizeof(RvLogEntry) == 256);
static_assert(offsetof(RvLogEntry, name) == 0 && offsetof(RvLogEntry, argCount) == 4);
static_assert(offsetof(RvLogEntry, args) == 8 && offsetof(RvLogEntry, vertexCount) == 48);
static_assert(offsetof(RvLogEntry, vertices) == 52 && offsetof(RvLogEntry, hasTexInfo) == 232);
static_assert(offsetof(RvLogEntry, texInfo) == 236);

// A caller filling words 0-14 of a vertex array sees them under these names.
TEST(RavixLayout, VertexWordsAreInBoardOrder)
{
    float words[15];
    for (int i = 0; i < 15; ++i)
        words[i] = float(i);
    RvVertex v;
    std::memcpy(&v, words, sizeof v);
    const float fields[] = {v.x, v.y, v.z, v.r, v.g, v.b, v.ooz, v.a, v.oow, v.sow, v.tow};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(fields[i], float(i)) << "word " << i;
}

} // namespace
