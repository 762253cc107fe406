// Depth buffer kinds, the depth-test procedures the picker chooses, depth
// clears through glClear (generations, scissor, mask) and the index-test table.
#include <vector>
#include "depthstencil_fixture.h"

namespace {

using dstest::Bound;
using dstest::format;

// The three kinds: integer window z of 1.0, shift to the stored value, and
// the generation a fresh clear stamps.
struct Kind {
    const char* forced;
    GLuint bits, fullScale, shift, generation, elementSize;
};
const Kind kinds[] = {
    {"16", 16, 0xFFFF0000u, 16, 0, 2},
    {"24", 24, 0x7FC00000u, 7, 0xFF000000u, 4},
    {"32", 32, 0x7FC00000u, 0, 0, 4},
};

GLuint windowZ(const Kind& k, double d) { return (GLuint)(uint64_t)(d * (double)k.fullScale); }
GLuint stored(const Kind& k, double d, GLuint generation) { return (windowZ(k, d) >> k.shift) + generation; }

bool compare(GLenum func, GLuint v, GLuint w) {
    switch (func) {
    case GL_NEVER: return false;
    case GL_LESS: return v < w;
    case GL_EQUAL: return v == w;
    case GL_LEQUAL: return v <= w;
    case GL_GREATER: return v > w;
    case GL_NOTEQUAL: return v != w;
    case GL_GEQUAL: return v >= w;
    }
    return true;
}

const GLenum funcs[] = {GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};

TEST(Depth, KindFollowsTheFormatOrGLFORCEZBITS) {
    const struct {
        uint32_t formatBits;
        const char* forced;
        GLuint bits, elementSize, fullScale;
    } cases[] = {
        {16, nullptr, 16, 2, 0xFFFF0000u}, {24, nullptr, 24, 4, 0x7FC00000u}, {32, nullptr, 32, 4, 0x7FC00000u},
        {16, "24", 24, 4, 0x7FC00000u},    {32, "0", 16, 2, 0xFFFF0000u},     {16, "25", 32, 4, 0x7FC00000u},
    };
    for (const auto& c : cases) {
        Bound b(4, 4, format(c.formatBits, 0), c.forced);
        ASSERT_TRUE(b.gc);
        const std::string what = std::to_string(c.formatBits) + " forced " + (c.forced ? c.forced : "-");
        EXPECT_EQ(b.depth()->buf.bits, c.bits) << what;
        EXPECT_EQ(b.depth()->buf.elementSize, c.elementSize) << what;
        EXPECT_EQ(b.gc->depthFullScale, c.fullScale) << what;
        // The depth transform follows the buffer's full scale (range 0 .. 1).
        EXPECT_EQ(b.gc->viewportXform.zScale, (GLfloat)(c.fullScale * 0.5)) << what;
        EXPECT_EQ((uintptr_t)b.depth()->buf.stride % 16, 0u) << what;
    }
}

// Every function, with and without depth writes, on every kind: the pixel
// and span members the picker installs against the quantised reference.
TEST(Depth, TestsCompareQuantisedDepthsAndWriteOnlyWhenMasked) {
    const struct {
        double incoming, stored;
    } pairs[] = {{0.25, 0.5}, {0.5, 0.5}, {0.75, 0.5}, {0.0, 0.0}, {1.0, 1.0}, {0.5, 0.5000001}};
    for (const Kind& k : kinds) {
        Bound b(4, 4, format(16, 0), k.forced);
        ASSERT_TRUE(b.gc);
        glEnable(GL_DEPTH_TEST);
        glClear(GL_DEPTH_BUFFER_BIT);
        GlDepthBuffer* db = b.depth();
        ASSERT_EQ(db->generation, k.generation) << k.forced;
        for (GLenum func : funcs) {
            for (GLboolean write : {GL_TRUE, GL_FALSE}) {
                glDepthFunc(func);
                glDepthMask(write);
                b.validate();
                for (const auto& p : pairs) {
                    const GLuint v = stored(k, p.incoming, k.generation), w = stored(k, p.stored, k.generation);
                    const GLuint pass = compare(func, v, w);
                    const GLuint after = pass && write ? v : w;
                    const std::string what = std::string(k.forced) + " func " + std::to_string(func - GL_NEVER) +
                                             " write " + std::to_string(write) + " " + std::to_string(p.incoming) +
                                             " vs " + std::to_string(p.stored);
                    b.setDepthWord(1, 2, w);
                    EXPECT_EQ(db->testPixel(db, b.bx(1), b.by(2), windowZ(k, p.incoming)), pass) << what;
                    EXPECT_EQ(b.depthWord(1, 2), after) << what;

                    uint32_t word32 = w;
                    uint16_t word16 = (uint16_t)w;
                    void* word = k.elementSize == 2 ? (void*)&word16 : (void*)&word32;
                    EXPECT_EQ(b.gc->procs.depthTestSpan(v, word), pass) << what;
                    EXPECT_EQ(k.elementSize == 2 ? (GLuint)word16 : word32, after) << what;
                }
            }
        }
    }
}

TEST(Depth, SixteenBitTestsCompareTheTruncatedValue) {
    Bound b(4, 4, format(16, 0));
    ASSERT_TRUE(b.gc);
    glDepthFunc(GL_EQUAL);
    b.validate();
    GlDepthBuffer* db = b.depth();
    b.setDepthWord(0, 0, 0x1234);
    EXPECT_EQ(db->testPixel(db, b.bx(0), b.by(0), 0x1234FFFFu), 1u);
    EXPECT_EQ(db->testPixel(db, b.bx(0), b.by(0), 0x12350000u), 0u);
}

TEST(Depth, ClearWritesTheQuantisedClearValue) {
    for (const Kind& k : kinds) {
        for (double value : {1.0, 0.5, 0.0, 0.3}) {
            Bound b(5, 3, format(16, 0), k.forced);
            ASSERT_TRUE(b.gc);
            glClearDepth(value);
            glClear(GL_DEPTH_BUFFER_BIT);
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
            GlDepthBuffer* db = b.depth();
            const GLuint q = stored(k, value, k.generation);
            for (int y = 0; y < 3; y++) {
                for (int x = 0; x < 5; x++) {
                    ASSERT_EQ(b.depthWord(x, y), q) << k.forced << " " << value << " at " << x << "," << y;
                    ASSERT_EQ(db->fetch(db, b.bx(x), b.by(y)), (windowZ(k, value) >> k.shift) << k.shift);
                }
            }
        }
    }
}

// With GL_LESS and clear value 1.0, or GL_GREATER and 0.0, the 24-bit kind
// steps its generation instead of writing; over many clears (across both
// turns of the count, where the buffer starts or stops storing 1 - z) a
// depth written before a clear never shows through after it.
TEST(Depth, GenerationClearsAlwaysReadAsTheClearValue) {
    const Kind& k = kinds[1];
    const struct {
        GLenum func;
        double clear, passes, fails;
    } cases[] = {{GL_LESS, 1.0, 0.9, 0.95}, {GL_GREATER, 0.0, 0.1, 0.05}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.func);
        Bound b(6, 5, format(24, 0));
        ASSERT_TRUE(b.gc);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(c.func);
        glClearDepth(c.clear);
        GlDepthBuffer* db = b.depth();
        int fullWrites = 0;
        bool turnedUp = false, turnedDown = false;
        for (int i = 0; i < 400; i++) {
            // Untouched pixels in the first and last rows show full writes.
            b.setDepthWord(5, 4, 0x12345), b.setDepthWord(5, 0, 0x12345);
            glClear(GL_DEPTH_BUFFER_BIT);
            if (b.depthWord(5, 4) != 0x12345u && b.depthWord(5, 0) != 0x12345u) fullWrites++;
            turnedUp |= db->generationStep == 0x01000000u;
            turnedDown |= turnedUp && db->generationStep == 0xFF000000u;
            b.validate();
            for (int y = 0; y < 5; y++)
                for (int x = 0; x < 5; x++) ASSERT_EQ(db->fetch(db, b.bx(x), b.by(y)), windowZ(k, c.clear)) << i;
            // A fragment nearer than the clear value passes; then it is stored.
            ASSERT_EQ(db->testPixel(db, b.bx(2), b.by(3), windowZ(k, c.passes)), 1u) << "clear " << i;
            ASSERT_EQ(db->testPixel(db, b.bx(2), b.by(3), windowZ(k, c.fails)), 0u) << "clear " << i;
            ASSERT_EQ(db->fetch(db, b.bx(2), b.by(3)), windowZ(k, c.passes) >> 7 << 7);
            db->storePixel(db, b.bx(1), b.by(1), windowZ(k, 0.3));
        }
        // Only the first clear: the count turns round instead of running out.
        EXPECT_EQ(fullWrites, 1);
        EXPECT_TRUE(turnedUp && turnedDown);
    }
}

TEST(Depth, ClearsThatCannotUseGenerationsWriteEveryPixel) {
    const struct {
        const char* what;
        GLenum func;
        double value;
    } cases[] = {
        {"clear value 0.5", GL_LESS, 0.5},
        {"GL_GREATER", GL_GREATER, 1.0},
        {"GL_ALWAYS", GL_ALWAYS, 1.0},
    };
    for (const auto& c : cases) {
        Bound b(4, 3, format(24, 0));
        ASSERT_TRUE(b.gc);
        glDepthFunc(c.func);
        glClearDepth(c.value);
        GlDepthBuffer* db = b.depth();
        for (int i = 0; i < 3; i++) {
            b.setDepthWord(3, 2, 0x12345);
            glClear(GL_DEPTH_BUFFER_BIT);
            // GL_GREATER stores 1 - z while counting down: read back through fetch.
            EXPECT_EQ(b.depthWord(3, 2) >> 24, 0xFFu) << c.what << " clear " << i;
            EXPECT_EQ(db->fetch(db, b.bx(3), b.by(2)), windowZ(kinds[1], c.value) >> 7 << 7) << c.what;
        }
    }
}

TEST(Depth, ScissoredOrMaskedClearsKeepTheOtherDepths) {
    for (const Kind& k : kinds) {
        Bound b(6, 4, format(16, 0), k.forced);
        ASSERT_TRUE(b.gc);
        glClearDepth(0.25);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        glEnable(GL_SCISSOR_TEST);
        glScissor(1, 1, 3, 2);  // memory rows 1 and 2 of the top-down DIB
        glClear(GL_DEPTH_BUFFER_BIT);
        for (int y = 0; y < 4; y++) {
            for (int x = 0; x < 6; x++) {
                const bool inside = x >= 1 && x < 4 && y >= 1 && y < 3;
                EXPECT_EQ(b.depthWord(x, y), stored(k, inside ? 1.0 : 0.25, k.generation))
                    << k.forced << " at " << x << "," << y;
            }
        }
        glDisable(GL_SCISSOR_TEST);
        glDepthMask(GL_FALSE);
        glClear(GL_DEPTH_BUFFER_BIT);
        EXPECT_EQ(b.depthWord(0, 0), stored(k, 0.25, k.generation)) << k.forced;
    }
}

TEST(Depth, FirstClearAfterAResizeWritesEveryPixel) {
    // The drawable narrower than its 9-pixel surface first, then as wide.
    Bound b(9, 4, format(24, 0));
    ASSERT_TRUE(b.gc);
    b.drawable->width = 4;
    __glUpdateDrawableSize(b.gc);
    EXPECT_EQ(b.depth()->buf.width, 4);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);  // a generation step
    const GLuint generation = b.depth()->generation;
    EXPECT_EQ(generation, 0xFE000000u);
    b.drawable->width = 9;
    __glUpdateDrawableSize(b.gc);
    EXPECT_EQ(b.depth()->buf.width, 12);  // rows of 48 bytes
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 9; x++) b.setDepthWord(x, y, 0);
    glClear(GL_DEPTH_BUFFER_BIT);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 9; x++) ASSERT_EQ(b.depthWord(x, y), 0xFFFF8000u) << x << "," << y;
}

// Two contexts on one drawable see the same generation.
TEST(Depth, ContextsOnOneDrawableShareTheGeneration) {
    Bound b(4, 4, format(24, 0));
    ASSERT_TRUE(b.gc);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    __glDetachBuffers(b.gc);
    const GlDepthShared* shared = (const GlDepthShared*)b.drawable->buffers[GL_DRAWABLE_DEPTH].depthState;
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->generation, 0xFE000000u);
    b.depth()->generation = 0;
    __glAttachDrawable(b.gc);
    EXPECT_EQ(b.depth()->generation, 0xFE000000u);
}

TEST(IndexTest, TableFollowsTheTruncatedReference) {
    const struct {
        GLenum func;
        GLfloat ref;
        GLuint index;
        GLuint pass;
    } cases[] = {
        {GL_LESS, 3.7f, 2, 1},     {GL_LESS, 3.7f, 3, 0},     {GL_EQUAL, 3.7f, 3, 1},  {GL_LEQUAL, 3.0f, 3, 1},
        {GL_GREATER, 3.7f, 3, 0},  {GL_GREATER, 3.7f, 4, 1},  {GL_NOTEQUAL, 5, 5, 0},  {GL_GEQUAL, 5, 255, 1},
        {GL_NEVER, 0, 0, 0},       {GL_ALWAYS, 0, 255, 1},    {GL_GREATER, -2.5f, 0, 1},
    };
    for (uint32_t colorBits : {8u, 32u}) {
        Bound b(4, 4, format(0, 0, true, colorBits));
        ASSERT_TRUE(b.gc);
        for (const auto& c : cases) {
            b.gc->colorBuffer.indexTestFunc = c.func;
            b.gc->colorBuffer.indexTestRef = c.ref;
            __glBuildIndexTestTable(b.gc);
            ASSERT_TRUE(b.gc->indexTestTable);
            EXPECT_EQ(b.gc->indexTestTable[c.index], c.pass) << colorBits << " " << c.func << " " << c.ref;
            EXPECT_EQ(__glIndexTestPass(b.gc, (GLfloat)c.index + 0.5f), c.pass);
        }
        EXPECT_EQ(b.gc->indexTestEntries, colorBits == 8 ? 256u : 65536u);
    }
}

// A 32-bit index is not given 2^32 entries: indexes past the table compare directly.
TEST(IndexTest, IndexesPastTheCappedTableCompareDirectly) {
    Bound b(4, 4, format(0, 0, true, 32));
    ASSERT_TRUE(b.gc);
    b.gc->colorBuffer.indexTestFunc = GL_GREATER;
    b.gc->colorBuffer.indexTestRef = 70000.5f;
    __glBuildIndexTestTable(b.gc);
    EXPECT_EQ(__glIndexTestPass(b.gc, 70000.0f), 0u);
    EXPECT_EQ(__glIndexTestPass(b.gc, 70001.0f), 1u);
    EXPECT_EQ(__glIndexTestPass(b.gc, 65535.0f), 0u);
}

}  // namespace

namespace {

// Over 128 successive generation clears every row of the box is rewritten
// exactly once, whatever the box's shape (narrow boxes too).
TEST(Depth, GenerationClearsRewriteEveryRowOnceIn128) {
    for (const auto& size : {std::pair<int, int>{6, 5}, {3, 200}, {40, 129}}) {
        const int w = size.first, h = size.second;
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        Bound b(w, h, format(24, 0));
        ASSERT_TRUE(b.gc);
        glClear(GL_DEPTH_BUFFER_BIT);  // the full clear
        std::vector<int> rewrites(h);
        for (int i = 0; i < 128; i++) {
            for (int y = 0; y < h; y++) b.setDepthWord(w - 1, y, 0x12345);
            glClear(GL_DEPTH_BUFFER_BIT);
            for (int y = 0; y < h; y++) rewrites[y] += b.depthWord(w - 1, y) != 0x12345u;
        }
        for (int y = 0; y < h; y++) ASSERT_EQ(rewrites[y], 1) << "row " << y;
    }
}

}  // namespace
