// Software context creation, constants, defaults and destruction.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include "core/histogram.h"
#include "gltest.h"

namespace {

uint32_t bitsOf(float f) {
    uint32_t u;
    memcpy(&u, &f, 4);
    return u;
}

TEST(Context, StringsAfterFirstMakeCurrent) {
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    EXPECT_STREQ((const char*)glGetString(GL_VENDOR), "Zorvex");
    EXPECT_STREQ((const char*)glGetString(GL_RENDERER), "Zorvex");
    EXPECT_STREQ((const char*)glGetString(GL_VERSION), "1.1.0 Zorvex beta");
    EXPECT_STREQ((const char*)glGetString(GL_EXTENSIONS),
                 "GL_EXT_abgr GL_EXT_bgra GL_EXT_paletted_texture GL_EXT_vertex_array "
                 "GL_QTA_compiled_vertex_array GL_QTA_cull_vertex GL_EXT_shared_texture_palette ");
    EXPECT_EQ(glGetString(GL_VENDOR + 4), nullptr);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    gltestDestroyCurrent(gc);
}

TEST(Context, SoftwareLimitsAndConstants) {
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    const GlLimits& l = gc->limits;
    const struct { const char* name; GLint value, expected; } ints[] = {
        {"lights", l.maxLights, 8},
        {"clip planes", l.maxClipPlanes, 6},
        {"viewport width", l.maxViewportWidth, 2048},
        {"viewport height", l.maxViewportHeight, 2048},
        {"bias x", l.windowBiasX, 6144},
        {"bias y", l.windowBiasY, 6144},
        {"texture levels", l.textureLevels, 11},
        {"subpixel bits", l.subpixelBits, 3},
        {"list nesting", l.maxListNesting, 64},
        {"eval order", l.maxEvalOrder, 30},
        {"pixel map", l.maxPixelMapTable, 65536},
        {"attrib stack", l.maxAttribStackDepth, 16},
        {"client attrib stack", l.maxClientAttribStackDepth, 16},
        {"name stack", l.maxNameStackDepth, 128},
        {"modelview stack", l.maxModelviewStackDepth, 32},
        {"projection stack", l.maxProjectionStackDepth, 2},
        {"texture stack", l.maxTextureStackDepth, 10},
        {"alpha table", gc->constants.alphaTableSize, 256},
    };
    for (const auto& c : ints) EXPECT_EQ(c.value, c.expected) << c.name;
    EXPECT_EQ(l.pointSizeGranularity, 0.125f);
    EXPECT_EQ(l.lineWidthMax, 10.0f);
    EXPECT_EQ(l.windowBiasXf, 6144.0f);

    const GlConstants& k = gc->constants;
    EXPECT_EQ(bitsOf(k.uintMax), 0x4F7FFFF7u);
    EXPECT_EQ(bitsOf(k.uintScale), 0x2F800005u);
    EXPECT_EQ(k.ubyteScale, 1.0f / 255.0f);
    EXPECT_EQ(k.ubyteToFloat[128], 128.0f * (1.0f / 255.0f));
    EXPECT_EQ(k.windowStep, 1.0f / 2048.0f);  // the ulp of 6144.0f
    EXPECT_EQ(k.snapOffset, 0.5f - 1.0f / 2048.0f);
    EXPECT_EQ(k.invColorScale[0], 1.0f / 255.0f);
    EXPECT_EQ(k.invColorScale[3], 1.0f);  // no alpha bits
    EXPECT_EQ(gc->renderMode, (GLenum)GL_RENDER);
    EXPECT_EQ(gc->og.workArea, gc->og.workAreaStorage);
    EXPECT_EQ(gc->og.words.capacity, 1000u);
    EXPECT_EQ(gc->og.cacheSizes[8], 16384u);
    gltestDestroyCurrent(gc);
}

TEST(Context, DestroyFreesEverythingMadeCurrentOrNot) {
    const int before = gltestLiveBlocks();
    GlPixelFormatInfo f = gltestRgbaFormat(true);
    GlContext* never = __glCreateContext(gltestImports(), &f);
    ASSERT_NE(never, nullptr);
    EXPECT_GT(gltestLiveBlocks(), before);
    EXPECT_TRUE(never->procs.destroyContext(never));
    EXPECT_EQ(gltestLiveBlocks(), before);

    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    gltestDestroyCurrent(gc);
    EXPECT_EQ(gltestLiveBlocks(), before);
}

TEST(Context, CreationFailsCleanlyAtEveryAllocation) {
    const int before = gltestLiveBlocks();
    GlPixelFormatInfo f = gltestRgbaFormat(false);
    int failures = 0;
    for (int n = 0; n < 64; n++) {
        gltestFailAllocationAfter(n);
        GlContext* gc = __glCreateContext(gltestImports(), &f);
        gltestFailAllocationAfter(-1);
        if (!gc) {
            failures++;
        } else {
            gc->procs.destroyContext(gc);
            break;
        }
        EXPECT_EQ(gltestLiveBlocks(), before) << "failing allocation " << n;
    }
    EXPECT_GT(failures, 5);
    EXPECT_EQ(gltestLiveBlocks(), before);
}

TEST(Context, DispatchHooks) {
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    GlThreadState* ts = __glThreadState();
    // The immediate table, with the vertex cache's hooks in its five slots.
    const int cacheSlots[5] = {GL_SLOT_Begin, GL_SLOT_End, GL_SLOT_Vertex2fv, GL_SLOT_Vertex3fv, GL_SLOT_Vertex4fv};
    GlDispatchTable want = __glImmediateDispatch;
    for (int slot : cacheSlots) {
        EXPECT_NE(ts->dispatch.entry[slot - 2], want.entry[slot - 2]) << slot;
        want.entry[slot - 2] = ts->dispatch.entry[slot - 2];
    }
    EXPECT_EQ(memcmp(&ts->dispatch, &want, sizeof(GlDispatchTable)), 0);
    EXPECT_EQ(gc->liveDispatch, &ts->dispatch);
    EXPECT_EQ(gc->procs.dispatchAddress(gc), &gc->immediateDispatch);
    ts->dispatch.entry[GL_SLOT_Flush - 2] = (GlEntryProc)__glNullProc0;
    EXPECT_EQ(gc->procs.saveDispatch(gc), 0u);
    EXPECT_EQ(gc->immediateDispatch.entry[GL_SLOT_Flush - 2], (GlEntryProc)__glNullProc0);
    EXPECT_EQ(gc->liveDispatch, &gc->immediateDispatch);
    EXPECT_EQ(gc->procs.savedDispatch(gc), &ts->dispatch);
    EXPECT_EQ(gc->liveDispatch, &ts->dispatch);
    gltestDestroyCurrent(gc);
}

TEST(Context, MakeCurrentAgainKeepsSavedBeginState) {
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    GlThreadState* ts = __glThreadState();
    EXPECT_EQ(ts->beginState, GL_BEGIN_NEEDS_VALIDATE);
    ts->beginState = GL_BEGIN_OUTSIDE;
    ASSERT_TRUE(gc->procs.loseCurrent(gc));
    EXPECT_EQ(ts->context, __wglNullContext);
    __glClearThreadDispatch();
    EXPECT_EQ(glGetString(GL_VENDOR), nullptr);
    ASSERT_TRUE(gc->procs.makeCurrent(gc));
    EXPECT_EQ(ts->context, gc);
    EXPECT_STREQ((const char*)glGetString(GL_VENDOR), "Zorvex");
    gltestDestroyCurrent(gc);
}

// Runs in a child in a fresh directory so "hist.out" lands there.
int inScratchDirectory(const std::function<int()>& fn) {
    return gltestInChild([&] {
        char dir[] = "/tmp/gltestXXXXXX";
        if (!mkdtemp(dir) || chdir(dir) != 0) return 90;
        return fn();
    });
}

TEST(Histogram, BinCountFromEnvironment) {
    const struct { const char* value; GLuint bins; } cases[] = {
        {"1", 500}, {"0", 500}, {"2", 2}, {"750", 750}, {"5000", 1000}, {"-3", 1000},
    };
    for (const auto& c : cases) {
        int status = inScratchDirectory([&] {
            setenv("GL_PERF_HISTOGRAM", c.value, 1);
            GlContext* gc = gltestCreateCurrent();
            if (!gc || !gc->histogram) return 3;
            if (gc->histogram->binCount != c.bins) return 4;
            if (gc->histogram->latency > 10000) return 5;
            gltestDestroyCurrent(gc);
            if (access("hist.out", F_OK) != 0) return 6;
            return gltestReadFile("hist.out").empty() ? 0 : 7;
        });
        EXPECT_EQ(status, 0) << c.value;
    }
}

TEST(Histogram, UnsetMeansNoHistogramAndNoFile) {
    int status = inScratchDirectory([] {
        unsetenv("GL_PERF_HISTOGRAM");
        GlContext* gc = gltestCreateCurrent();
        if (!gc || gc->histogram) return 3;
        gltestDestroyCurrent(gc);
        return access("hist.out", F_OK) == 0 ? 4 : 0;
    });
    EXPECT_EQ(status, 0);
}

std::string report(GlHistogram* h) {
    char buf[2048] = {};
    FILE* f = fmemopen(buf, sizeof buf - 1, "w");
    __glHistogramFinish(h);
    __glHistogramPrint(h, f, 0.01f);
    fclose(f);
    return buf;
}

TEST(Histogram, Report) {
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    GlHistogram* h = __glHistogramCreate(gc, 10, 0);
    ASSERT_NE(h, nullptr);
    for (GLuint s : {5u, 5u, 7u}) __glHistogramAddSample(h, s);
    __glHistogramAddSample(h, 10);  // latency + bins: counted, not binned
    EXPECT_EQ(report(h),
              "latency:          0\n"
              "total samples:    4\n"
              "accepted samples: 3\n"
              "min:              5\n"
              "max:              7\n"
              "max allowable:    10\n"
              "median:           6\n"
              "mode:             5\n"
              "mean:             5.67\n"
              "\nclocks            %\n"
              "5                 50.00\n"
              "7                 25.00\n");
    __glHistogramDestroy(gc, h);

    // Samples taken, none accepted: the header only, no rows.
    h = __glHistogramCreate(gc, 4, 100);
    __glHistogramAddSample(h, 3);
    std::string text = report(h);
    EXPECT_NE(text.find("accepted samples: 0\n"), std::string::npos);
    const std::string tail = "\nclocks            %\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    __glHistogramDestroy(gc, h);
    gltestDestroyCurrent(gc);
}

}  // namespace
