// Code caches (lookup by two keys, most recently used first, recycling the least
// recently used), layouts, constant pools and their lifetime, and the MMX choice.
#include <cmath>
#include <stdlib.h>
#include <string.h>
#include "ogtest.h"
#include "standin/control.h"

using OgCache = OgTest;

namespace {
struct Lookup {
    GLint a;
    GLuint b;
    bool hit;
    int entry;  // which entry's code area (by order of first use), -1 = do not check
};
}  // namespace

// A four-entry cache: a script of lookups with the expected hit and entry.
TEST_F(OgCache, LookupHitsAndRecyclesTheLeastRecentlyUsed) {
    GlOgCache* cache = &gc->og.gen.caches[GL_OG_CACHE_TEXSPAN];
    ASSERT_EQ(cache->entryCount, 4u);
    const Lookup script[] = {
        {1, 0, false, 0}, {2, 0, false, 1}, {3, 0, false, 2}, {4, 0, false, 3},
        {2, 0, true, 1},   // found, moved to the front
        {2, 0, true, 1},   // at the head: a hit again
        {1, 7, false, 0},  // a new pair (key b differs): recycles the least recently used, (1, 0)
        {1, 0, false, 2},  // recycles (3, 0)
        {4, 0, true, 3},
        {2, 0, true, 1},
        {3, 0, false, 0},  // (1, 7) was used longest ago
        {-1, 0, false, -1}, {-1, 0, false, -1},  // key a -1 marks an empty entry: never a hit
    };
    uint8_t* areas[4] = {};
    int firstUse = 0;
    for (const Lookup& l : script) {
        GlOgLayout* layout = nullptr;
        uint8_t* area = nullptr;
        const GLboolean hit = __glOgCacheLookup(cache, l.a, l.b, &layout, &area);
        EXPECT_EQ(!!hit, l.hit) << "keys " << l.a << ", " << l.b;
        EXPECT_EQ(cache->head->code, area) << "the entry looked up is at the head";
        EXPECT_EQ(&cache->head->layout, layout);
        if (l.entry < 0) continue;
        if (firstUse < 4 && l.entry == firstUse) areas[firstUse++] = area;
        EXPECT_EQ(area, areas[l.entry]) << "keys " << l.a << ", " << l.b;
    }
    // The four areas are distinct slices of the cache's code block.
    for (int i = 0; i < 4; i++) {
        EXPECT_GE(areas[i], cache->code);
        EXPECT_LT(areas[i], cache->code + 4 * cache->codeBytes);
        for (int j = 0; j < i; j++) EXPECT_NE(areas[i], areas[j]);
    }
}

// "__GL_DISABLE_OG_CACHE" is read at every cache creation: 1 turns every lookup into a
// miss on the head entry, 0 keeps caching.
TEST_F(OgCache, DisableSwitch) {
    struct { const char* value; bool cached; } cases[] = {{"1", false}, {"0", true}};
    for (auto& c : cases) {
        setenv("__GL_DISABLE_OG_CACHE", c.value, 1);
        GlOgCache cache = {};
        ASSERT_TRUE(__glOgInitCache(gc, &cache, 4, 64));
        uint8_t *first, *again, *other;
        __glOgCacheLookup(&cache, 5, 5, nullptr, &first);
        __glOgCacheLookup(&cache, 6, 6, nullptr, &other);
        const GLboolean hit = __glOgCacheLookup(&cache, 5, 5, nullptr, &again);
        EXPECT_EQ(!!hit, c.cached) << c.value;
        EXPECT_EQ(first == other, !c.cached) << c.value;
        EXPECT_EQ(first, again);
        gc->imports.free(gc, cache.entries);
        VirtualFree(cache.code, 0, MEM_RELEASE);
    }
    unsetenv("__GL_DISABLE_OG_CACHE");
    __glOgCacheDisabled = 0;
}

TEST_F(OgCache, LayoutSlots) {
    GlOgLayout layout;
    __glOgLayoutReset(&layout);
    EXPECT_EQ(layout.wasReset, 1);
    EXPECT_EQ(__glOgLayoutSlot(&layout, 5, 4), 0);
    EXPECT_EQ(layout.signature, 5u << 7);
    EXPECT_EQ(__glOgLayoutSlot(&layout, 3, 4), 4);
    EXPECT_EQ(__glOgLayoutSize(&layout), 8u);
    const GLuint signature = ((5u << 7) ^ 3u) << 7;
    EXPECT_EQ(layout.signature, signature);
    EXPECT_EQ(__glOgLayoutSlot(&layout, 5, 4), 0) << "a placed key keeps its offset";
    EXPECT_EQ(layout.signature, signature);
    EXPECT_EQ(__glOgLayoutSize(&layout), 8u);
    __glOgLayoutSlot(&layout, 9, 1);
    __glOgLayoutAlign(&layout, 8);
    EXPECT_EQ(__glOgLayoutSlot(&layout, 10, 8), 16);
    EXPECT_EQ(__glOgLayoutSlot(&layout, 1000, 4), -1) << "no slot past key 999";
    EXPECT_EQ(__glOgLayoutSize(&layout), 24u);
    layout.locked = 1;
    EXPECT_EQ(__glOgLayoutSlot(&layout, 5, 4), 5);
    EXPECT_EQ(__glOgLayoutSlot(&layout, 700, 4), 700);
}

// Equal constants share an entry; -0.0 is not 0.0; a full pool is replaced by one of
// twice the size while the old entries keep their addresses and values.
TEST_F(OgCache, ConstantPools) {
    auto address = [](GlOgNode* m) {
        EXPECT_TRUE(m->kind == GL_OG_MEM && !m->mem.base && !m->mem.index);
        return (uint8_t*)(uintptr_t)m->mem.disp->imm.value;
    };
    uint8_t* one = address(__glOgFloatConst(gc, 1.0f));
    EXPECT_EQ(address(__glOgFloatConst(gc, 1.0f)), one);
    uint8_t* zero = address(__glOgFloatConst(gc, 0.0f));
    uint8_t* negZero = address(__glOgFloatConst(gc, -0.0f));
    EXPECT_NE(zero, negZero);
    float v;
    memcpy(&v, negZero, 4);
    EXPECT_TRUE(v == 0.0f && std::signbit(v));

    uint8_t* lanes = address(__glOgMmxConst(gc, 1, 2, 3, 0xFFFF));
    const uint16_t expected[4] = {1, 2, 3, 0xFFFF};
    EXPECT_EQ(memcmp(lanes, expected, 8), 0);
    EXPECT_EQ(address(__glOgMmxConst(gc, 1, 2, 3, 0xFFFF)), lanes);
    EXPECT_NE(address(__glOgMmxConst(gc, 1, 2, 3, 0xFFFE)), lanes);

    GlOgGrowArray* pool = &gc->og.words;
    ASSERT_EQ(pool->capacity, 1000u);
    void* firstPool = pool->data;
    for (GLuint i = pool->count; i < 1000; i++) __glOgFloatConst(gc, 10.0f + (float)i);
    EXPECT_EQ(pool->capacity, 2000u);
    EXPECT_EQ(pool->count, 0u);
    uint8_t* next = address(__glOgFloatConst(gc, 12345.0f));
    EXPECT_EQ(next, (uint8_t*)pool->data) << "the 1001st constant at index 0 of the new pool";
    EXPECT_NE(pool->data, firstPool);
    memcpy(&v, one, 4);
    EXPECT_EQ(v, 1.0f) << "the old pool stays valid";
}

// Caches, data area, constant pools (grown ones too) and code memory all go at destruction.
TEST(OgLifetime, DestroyFreesEverything) {
    const int live = gltestLiveBlocks();
    const int heap = StandinHeapLiveBlocks();
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    EXPECT_GT(gltestLiveBlocks(), live);
    uint8_t* codeBlocks[GL_OG_CACHE_COUNT];
    for (int i = 0; i < GL_OG_CACHE_COUNT; i++) codeBlocks[i] = gc->og.gen.caches[i].code;
    ASSERT_NE(gc->og.gen.dataArea, nullptr);
    for (int i = 0; i < 2500; i++) __glOgFloatConst(gc, (float)i);
    for (int i = 0; i < 1200; i++) __glOgMmxConst(gc, (GLushort)i, 0, 0, 0);
    uint8_t* area;
    __glOgCacheLookup(&gc->og.gen.caches[GL_OG_CACHE_SETUP], 1, 2, nullptr, &area);
    __glOgEncode(gc, area, __glOgBeginBlock(gc));
    __glOgEncode(gc, area, __glOgNop(gc));
    __glOgEncode(gc, area, __glOgEndBlock(gc));
    gltestDestroyCurrent(gc);
    EXPECT_EQ(gltestLiveBlocks(), live);
    EXPECT_EQ(StandinHeapLiveBlocks(), heap);
    DWORD old;
    for (uint8_t* block : codeBlocks) EXPECT_FALSE(VirtualProtect(block, 16, PAGE_READWRITE, &old));
}

// A context whose cache creation fails part-way is destroyed without leaks.
TEST(OgLifetime, FailedCreationLeaksNothing) {
    const int live = gltestLiveBlocks();
    for (int n = 0; n < 40; n++) {
        gltestFailAllocationAfter(n);
        GlPixelFormatInfo f = gltestRgbaFormat(true);
        GlContext* gc = __glCreateContext(gltestImports(), &f);
        gltestFailAllocationAfter(-1);
        if (gc) gc->procs.destroyContext(gc);
        ASSERT_EQ(gltestLiveBlocks(), live) << "failure after " << n << " allocations";
    }
}

// What generated code may use, by "__GL_FORCE_MMX" and the processor's
// feature words: MMX by the variable when set, else by the MMX bit; the MMX
// extensions (the MMX fill's pshufw, pextrw, pmulhuw, pminub, pminsw) only
// with MMX and the processor's SSE bit or AMD's extended-MMX bit.
TEST(OgProcessor, ChoiceByFeatureWords) {
    const GLuint MMX = 1u << 23, SSE = 1u << 25, AMD_MMX_EXT = 1u << 22;
    const struct {
        const char* force;
        GLuint leaf1, extended;
        GLint mmx, ext;
    } cases[] = {
        {nullptr, MMX, 0, 1, 0},                    // MMX alone: no MMX fill
        {nullptr, MMX | SSE, 0, 1, 1},
        {nullptr, MMX, AMD_MMX_EXT, 1, 1},
        {nullptr, 0, 0, 0, 0},
        {nullptr, SSE, AMD_MMX_EXT, 0, 0},
        {"0", MMX | SSE, AMD_MMX_EXT, 0, 0},
        {"1", 0, 0, 1, 0},                          // forced MMX, still no extensions
        {"1", MMX, 0, 1, 0},
        {"1", SSE, 0, 1, 1},
        {"2", MMX | SSE, 0, 1, 1},
    };
    for (const auto& c : cases) {
        const GlOgCpuChoice got = __glOgCpuChoose(c.force, c.leaf1, c.extended);
        EXPECT_EQ(got.mmx, c.mmx) << (c.force ? c.force : "unset") << " " << c.leaf1 << " " << c.extended;
        EXPECT_EQ(got.mmxExt, c.ext) << (c.force ? c.force : "unset") << " " << c.leaf1 << " " << c.extended;
    }
    // MMX spans (the MMX fill) need the extensions.
    const GLint savedMmx = __glOgHasMmx, savedExt = __glOgHasMmxExt;
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    gc->pixelFormat.rgba = 1, gc->pixelFormat.colorIndex = 0, gc->pixelFormat.colorBits = 16;
    for (GLint mmx : {0, 1})
        for (GLint ext : {0, 1}) {
            __glOgHasMmx = mmx, __glOgHasMmxExt = ext;
            EXPECT_EQ(__glUseMmxSpans(gc), mmx && ext) << mmx << " " << ext;
            EXPECT_EQ(__glHasMMX(), mmx);
        }
    __glOgHasMmx = savedMmx, __glOgHasMmxExt = savedExt;
    gltestDestroyCurrent(gc);
}

// "__GL_FORCE_MMX" decides once per process; MMX spans need RGBA at 16 bits or fewer.
TEST(OgProcessor, ForcedMmxAndSpanChoice) {
    struct { const char* force; int mmx; } cases[] = {{"0", 0}, {"1", 1}, {"2", 1}};
    for (auto& c : cases) {
        const int status = gltestInChild([&] {
            __glOgHasMmx = __glOgHasMmxExt = -1;  // undecided, as in a new process
            setenv("__GL_FORCE_MMX", c.force, 1);
            const int first = __glHasMMX();
            setenv("__GL_FORCE_MMX", c.mmx ? "0" : "1", 1);
            if (__glHasMMX() != first) return 3;  // decided once
            GlContext* gc = gltestCreateCurrent();
            if (!gc) return 4;
            struct { uint8_t rgba; uint32_t bits; int spans; } formats[] = {
                {1, 16, c.mmx}, {1, 15, c.mmx}, {1, 8, c.mmx}, {1, 24, 0}, {1, 32, 0}, {0, 8, 0},
            };
            for (auto& f : formats) {
                gc->pixelFormat.rgba = f.rgba;
                gc->pixelFormat.colorIndex = !f.rgba;
                gc->pixelFormat.colorBits = f.bits;
                if (__glUseMmxSpans(gc) != f.spans) return 10 + (int)f.bits;
            }
            return first;
        });
        EXPECT_EQ(status, c.mmx) << "__GL_FORCE_MMX=" << c.force;
    }
}
