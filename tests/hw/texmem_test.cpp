// Board texture memory: the block list against a 64 KiB board, eviction and
// download again, residency across contexts that share textures, and what a
// destroyed context leaves.

#include <map>
#include <random>
#include <vector>
#include "hw_env.h"
#include "hw/hwcontext.h"

namespace {

const uint32_t kBoard = 64 * 1024;

// The list covers [first start, end + 8) without gaps; every owner's block is
// its own and no texture has two.
void expectSoundList(const char* when) {
    SCOPED_TRACE(when);
    const GlHwTexMemory* m = &__glHwTexMemory;
    ASSERT_NE(m->head, nullptr);
    uint64_t at = m->head->start;
    bool roverSeen = false;
    std::map<const GlTextureParams*, int> owners;
    for (const GlHwTexBlock* b = m->head; b; b = b->next) {
        ASSERT_EQ(b->start, at) << "gap or overlap";
        ASSERT_GT(b->size, 0u);
        at += b->size;
        roverSeen = roverSeen || b == m->rover;
        if (!b->owner) continue;
        ASSERT_EQ(b->owner->hw.block, b) << "an owner that does not hold its block";
        ASSERT_EQ(++owners[b->owner], 1) << "a texture with two blocks";
    }
    EXPECT_EQ(at, (uint64_t)m->end + 8);
    EXPECT_TRUE(roverSeen) << "the rover names a block outside the list";
}

GlTextureParams* boundParams() {
    return &__glLookupTextureObject(__glThreadState()->context, GL_TEXTURE_2D)->params;
}

struct Live {
    int w, h;
    bool mip;
    GLenum format;
    uint8_t color[3];
};

// Textures of random sizes defined, drawn, deleted and re-prioritised in
// random order: the list stays sound, each draw shows its own texture (evicted
// ones after their download again) and the board counts no error.
TEST(HwTextureMemory, RandomUseAgainstA64KiBBoard) {
    HwContext hw(false, 64, kBoard);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    std::mt19937 rng(17);
    std::map<GLuint, Live> live;
    int redrawnAfterEviction = 0, untextured = 0;
    for (int op = 0; op < 400; op++) {
        rvLogClear();
        const GLuint name = 1 + rng() % 20;
        const int what = (int)(rng() % 10);
        if (what < 4 || !live.count(name)) {  // define
            Live t;
            const int a = (int)(rng() % 9), b = a - 3 + (int)(rng() % 7);
            t.w = 1 << a, t.h = 1 << (b < 0 ? 0 : b > 8 ? 8 : b);
            t.mip = rng() % 2;
            t.format = rng() % 3 == 0 ? GL_RGBA4 : GL_RGB;
            for (int k = 0, d = (int)name; k < 3; k++, d /= 3) t.color[k] = (uint8_t)(d % 3 * 0x7F);  // unique
            glBindTexture(GL_TEXTURE_2D, name);
            for (int level = 0, w = t.w, h = t.h;; level++, w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) {
                std::vector<uint8_t> img((size_t)w * h * 4);
                for (size_t i = 0; i < img.size(); i += 4) img[i] = t.color[0], img[i + 1] = t.color[1],
                                                            img[i + 2] = t.color[2], img[i + 3] = 255;
                glTexImage2D(GL_TEXTURE_2D, level, t.format, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, img.data());
                if (!t.mip || (w == 1 && h == 1)) break;
            }
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, t.mip ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST);
            live[name] = t;
        } else if (what < 8) {  // draw
            const Live& t = live[name];
            glBindTexture(GL_TEXTURE_2D, name);
            const bool wasResident = boundParams()->hw.block != nullptr;
            glColor3f(0, 0, 0);
            hwtestTexturedQuad(8, 8, 24, 24);
            const HwRgb c = hwtestPixel(RV_BUFFER_FRONT, 15, 15);
            uint64_t bytes = 0;
            for (int w = t.w, h = t.h;; w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) {
                bytes += (uint64_t)w * h * 2;
                if (!t.mip || (w == 1 && h == 1)) break;
            }
            if (bytes > kBoard) {  // more than the board holds: drawn untextured
                EXPECT_EQ(c.r + c.g + c.b, 0) << "op " << op;
                untextured++;
            } else {
                EXPECT_NEAR(c.r, t.color[0], 20) << "op " << op << " texture " << name;
                EXPECT_NEAR(c.g, t.color[1], 20) << "op " << op << " texture " << name;
                EXPECT_NEAR(c.b, t.color[2], 20) << "op " << op << " texture " << name;
                if (!wasResident) redrawnAfterEviction++;
            }
        } else if (what == 8) {
            glDeleteTextures(1, &name);
            live.erase(name);
        } else {
            const GLclampf p = (GLclampf)(rng() % 100) / 99.0f;
            glPrioritizeTextures(1, &name, &p);
        }
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << "op " << op;
        expectSoundList("after an operation");
        ASSERT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
    EXPECT_GT(redrawnAfterEviction, 10);
    EXPECT_GT(untextured, 0);
}

// A texture shared by two contexts stays correct when the other context's
// textures take its memory; a destroyed context leaves no block behind.
TEST(HwTextureMemory, SharedTexturesAcrossContexts) {
    HwContext a(false, 64, kBoard);
    const HGLRC b = wglCreateContext(a.dc);
    ASSERT_TRUE(wglShareLists(a.rc, b));
    const uint8_t red[4] = {255, 0, 0, 255};
    std::vector<uint8_t> image(128 * 128 * 4);
    for (size_t i = 0; i < image.size(); i += 4) memcpy(&image[i], red, 4);
    glBindTexture(GL_TEXTURE_2D, 7);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 128, 128, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    GLboolean resident = GL_FALSE;
    const GLuint seven = 7;
    EXPECT_TRUE(glAreTexturesResident(1, &seven, &resident));

    ASSERT_TRUE(wglMakeCurrent(a.dc, b));
    gltestPixelViewport(0, 0, 64, 64);
    for (GLuint name = 20; name < 23; name++) {  // 32 KiB each: the board is full twice over
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 128, 128, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }
    EXPECT_FALSE(glAreTexturesResident(1, &seven, &resident));
    EXPECT_EQ(resident, GL_FALSE);
    expectSoundList("after the other context's textures");

    ASSERT_TRUE(wglMakeCurrent(a.dc, a.rc));
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 7);
    glClear(GL_COLOR_BUFFER_BIT);
    hwtestTexturedQuad(0, 0, 16, 16);
    EXPECT_EQ(hwtestPixel(RV_BUFFER_FRONT, 8, 8).r, 255);
    EXPECT_EQ(hwtestPixel(RV_BUFFER_FRONT, 8, 8).g, 0);

    // The other context goes: its textures (shared ones stay with this one) and its default objects.
    ASSERT_TRUE(wglDeleteContext(b));
    expectSoundList("after the other context went");
    const GLuint names[3] = {20, 21, 22};
    glDeleteTextures(3, names);
    for (const GlHwTexBlock* blk = __glHwTexMemory.head; blk; blk = blk->next)
        EXPECT_TRUE(!blk->owner || blk->owner == boundParams()) << "only texture 7 is left";
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

TEST(HwTextureMemory, LastContextFreesTheRecords) {
    {
        HwContext hw(false, 64, kBoard);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        EXPECT_NE(boundParams()->hw.block, nullptr);
        EXPECT_EQ(__glHwTexMemory.contexts, 1u);
    }
    EXPECT_EQ(__glHwTexMemory.contexts, 0u);
    EXPECT_EQ(__glHwTexMemory.head, nullptr);
}

// The allocator's own cases: the range capped at 2 MiB, a block of exactly n
// bytes kept, a restart at the head, a free between free blocks, the rover.
TEST(HwTextureMemory, AllocatorCases) {
    HwContext hw(false, 64, 4u << 20);
    GlHwTexMemory* m = &__glHwTexMemory;
    EXPECT_EQ(m->end, 0x1FFFF8u);
    ASSERT_NE(m->head, nullptr);
    EXPECT_EQ(m->head->size, 0x200000u);
    GlTextureObject objects[4] = {};
    GlTextureParams* p[4];
    for (int i = 0; i < 4; i++) p[i] = &objects[i].params;
    ASSERT_TRUE(__glHwTexMemAlloc(p[0], 87384));
    ASSERT_TRUE(__glHwTexMemAlloc(p[1], 21848));
    EXPECT_EQ(p[0]->hw.block->start, 0u);
    EXPECT_EQ(p[1]->hw.block->start, 87384u);
    GlHwTexBlock* rover = m->rover;
    ASSERT_TRUE(__glHwTexMemAlloc(p[0], 87384));  // same size: nothing moves, not even the rover
    EXPECT_EQ(p[0]->hw.block->start, 0u);
    EXPECT_EQ(m->rover, rover);
    EXPECT_EQ(objects[0].resident, 1);
    // Too large for the range, and nothing: refused, nothing evicted.
    EXPECT_FALSE(__glHwTexMemAlloc(p[2], 0x200008));
    EXPECT_FALSE(__glHwTexMemAlloc(p[2], 0));
    EXPECT_NE(p[1]->hw.block, nullptr);
    // Exactly what is left after the rover, up to the last 8-byte unit: taken there.
    ASSERT_TRUE(__glHwTexMemAlloc(p[2], 0x200000 - 87384 - 21848));
    EXPECT_NE(p[0]->hw.block, nullptr);
    EXPECT_NE(p[1]->hw.block, nullptr);
    // A request that does not fit after the rover starts at the head and evicts what lies there.
    ASSERT_TRUE(__glHwTexMemAlloc(p[3], 100000));
    EXPECT_EQ(p[3]->hw.block->start, 0u);
    EXPECT_EQ(p[0]->hw.block, nullptr);
    EXPECT_EQ(p[1]->hw.block, nullptr);  // taken by the merged block
    EXPECT_EQ(objects[0].resident, 0);
    expectSoundList("after the restart");
    // Freeing between two free blocks leaves one free block.
    __glHwTexRelease(p[3]);
    __glHwTexRelease(p[2]);
    EXPECT_EQ(m->head->next, nullptr);
    EXPECT_EQ(m->head->owner, nullptr);
    EXPECT_EQ(m->rover, m->head);
}

}  // namespace
