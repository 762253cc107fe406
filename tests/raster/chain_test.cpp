// Chain stages on their own (a span record and a recording successor) and
// the fast path's switches through the public calls.

#include <stdlib.h>
#include <string.h>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "raster/chain.h"
#include "wgl/drawable.h"

namespace {

std::vector<GLuint> gCalls;
void GLSPANCALL recordMask(GLuint mask, GlSpan*) { gCalls.push_back(mask); }

// A context record with the stage slots pointing at the recorder.
struct StageRig {
    GlContext* gc = (GlContext*)calloc(1, sizeof(GlContext));
    GlSpan s;
    GlColorBuffer cb = {};
    StageRig() {
        memset(&s, 0, sizeof s);
        s.context = gc;
        s.pixelStep = 1;
        gc->limits.windowBiasX = gc->limits.windowBiasY = 6144;
        for (GlSpanProc& p : gc->procs.spanChain) p = recordMask;
        gc->procs.afterStencilUpdate = recordMask;
        gc->drawBuffer = &cb;
        gCalls.clear();
    }
    ~StageRig() { free(gc); }
};

TEST(ChainStage, CoverageMasksAndBitReversal) {
    EXPECT_EQ(__glCoverageMasks[5], 0xF8000000u);
    EXPECT_EQ(__glCoverageMasks[32], 0xFFFFFFFFu);
    EXPECT_EQ(__glBitReverse[0x01], 0x80);
    EXPECT_EQ(__glBitReverse[0xC4], 0x23);
    EXPECT_EQ(__glReverseMask(0x80000001u), 0x80000001u);
    EXPECT_EQ(__glReverseMask(0xF0000000u), 0x0000000Fu);
}

// The clip box is x in [10, 20), y in [0, 100). Shift counts past 32 must
// not wrap (x86 takes them mod 32), and a right-to-left group keeps its first
// pixel, the rightmost, in bit 31.
TEST(ChainStage, WindowClipCutsTheGroupToTheClipBox) {
    const struct {
        const char* name;
        GLint x, y, step;
        GLuint expected;  // 0: the successor is not called
    } cases[] = {
        {"inside from 10", 10, 5, 1, 0xFFC00000u},
        {"straddling the left edge", 0, 5, 1, 0x003FF000u},
        {"far left", -100, 5, 1, 0},
        {"far right", 300, 5, 1, 0},
        {"left by exactly 32", -22, 5, 1, 0},
        {"row below the box", 10, -1, 1, 0},
        {"row on the box's end", 10, 100, 1, 0},
        {"right to left, first pixel 19", -19, 5, -1, 0xFFC00000u},
        {"right to left, first pixel 25", -25, 5, -1, 0x03FF0000u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StageRig r;
        r.gc->span.clipBox[0] = 6144 + 10, r.gc->span.clipBox[2] = 6144 + 20;
        r.gc->span.clipBox[1] = 6144, r.gc->span.clipBox[3] = 6144 + 100;
        r.s.x = c.x, r.s.y = c.y, r.s.pixelStep = c.step;
        __glSpanWindowClip(0xFFFFFFFFu, &r.s);
        if (c.expected) {
            ASSERT_EQ(gCalls.size(), 1u);
            EXPECT_EQ(gCalls[0], c.expected);
        } else {
            EXPECT_TRUE(gCalls.empty());
        }
    }
}

// With a clip-rectangle list the window-ownership bitmap (MSB first) cuts
// the group further; pixels past the end of its row (and of the clip box)
// are dead, however the next row's bits are set.
TEST(ChainStage, WindowClipTakesTheOwnershipBitmap) {
    static WglDrawable d;
    // Rows of 40 pixels (5 bytes): row 0 alternates, row 1 all owned.
    static const uint8_t bits[10] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    d.ownerBits = bits, d.ownerRowBytes = 5, d.ownerStep = 1;
    const struct {
        GLint x, step;
        GLuint expected;
    } cases[] = {
        {0, 1, 0xAAAAAAAAu},
        {16, 1, 0xAAAAAA00u},    // pixels 16 .. 39 as owned, 40 .. 47 past the row
        {-47, -1, 0x00555555u},  // the same pixels walked from 47 down to 16
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        StageRig r;
        r.gc->fb.drawable = &d;
        r.gc->rasterFlags = GL_RF_CLIP_LIST;
        r.cb.buf.context = r.gc;
        r.gc->span.clipBox[0] = 6144, r.gc->span.clipBox[2] = 6144 + 40;
        r.gc->span.clipBox[1] = 6144, r.gc->span.clipBox[3] = 6144 + 2;
        r.s.x = c.x, r.s.y = 0, r.s.pixelStep = c.step;
        __glSpanWindowClip(0xFFFFFFFFu, &r.s);
        ASSERT_EQ(gCalls.size(), 1u);
        EXPECT_EQ(gCalls[0], c.expected);
    }
}

// Stipple: column 0 of a row is bit 31 of its word; a group of either
// direction sees the pixel it visits first in bit 31; top-down drawables
// count rows from the top.
TEST(ChainStage, StippleFollowsTheWalkDirection) {
    StageRig r;
    for (int i = 0; i < 32; ++i) r.gc->polygonStipple[i] = 0x80000001u >> (i & 1);  // odd rows shifted
    r.s.y = 2;
    r.s.x = 0;
    __glSpanStipple(0xFFFFFFFFu, &r.s);
    r.s.x = 4;
    __glSpanStipple(0xFFFFFFFFu, &r.s);
    // Right to left from pixel 31: the group covers 0 .. 31, pixel 31 first.
    r.s.x = -31, r.s.pixelStep = -1;
    __glSpanStipple(0xFFFFFFFFu, &r.s);
    r.gc->yInverted = 1, r.gc->drawableHeight = 10;  // row 2 is row 7 from the top: odd
    r.s.x = 0, r.s.pixelStep = 1;
    __glSpanStipple(0xFFFFFFFFu, &r.s);
    ASSERT_EQ(gCalls.size(), 4u);
    EXPECT_EQ(gCalls[0], 0x80000001u);
    EXPECT_EQ(gCalls[1], 0x00000018u);  // columns 31 and 0 seen from column 4
    EXPECT_EQ(gCalls[2], 0x80000001u);
    EXPECT_EQ(gCalls[3], 0x40000000u);
}

// A scan line's span cut to the clip box and into groups of 32: the chain
// head gets the top n bits of the last group, and nothing at all for a span
// of 0 pixels or less, or one the clip box removes (no mask is formed).
std::vector<GLint> gGroupX;
void GLSPANCALL recordGroup(GLuint mask, GlSpan* s) {
    gCalls.push_back(mask);
    gGroupX.push_back(s->x);
}

TEST(ChainSetup, SpansCutIntoGroupsOf32) {
    const struct {
        GLint x, n;
        std::vector<GLuint> masks;
        std::vector<GLint> xs;  // unbiased group x
    } cases[] = {
        {10, 0, {}, {}},
        {10, -5, {}, {}},
        {10, (GLint)0x80000000, {}, {}},
        {-40, 30, {}, {}},  // wholly left of the clip box at 0
        {200, 8, {}, {}},   // right of it at 100
        {3, 5, {0xF8000000u}, {3}},
        {0, 32, {0xFFFFFFFFu}, {0}},
        {1, 37, {0xFFFFFFFFu, 0xF8000000u}, {1, 33}},
        {-10, 45, {0xFFFFFFFFu, 0xE0000000u}, {0, 32}},  // cut on the left to 35 pixels
        {90, 30, {0xFFC00000u}, {90}},                   // cut on the right to 10
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "x " << c.x << " n " << c.n);
        StageRig r;
        r.gc->span.clipBox[0] = 6144, r.gc->span.clipBox[2] = 6144 + 100;
        r.gc->span.clipBox[1] = 6144, r.gc->span.clipBox[3] = 6144 + 100;
        r.gc->procs.fillTriangle = recordGroup;
        gGroupX.clear();
        __glEmitSpanChunks(r.gc, 6144 + c.x, 6144 + 7, c.n);
        EXPECT_EQ(gCalls, c.masks);
        EXPECT_EQ(gGroupX, c.xs);
    }
}

// Stencil operations on 8 and 4 stencil bits with a write mask; GL_INCR at
// the top and GL_DECR at 0 leave the byte.
TEST(ChainStage, StencilOperationsSaturateAndMask) {
    const struct {
        GLenum op;
        int bits;
        GLuint writeMask;
        uint8_t in, out;
    } cases[] = {
        {GL_INCR, 8, 0xFF, 255, 255}, {GL_DECR, 8, 0xFF, 0, 0},      {GL_INCR, 8, 0xFF, 7, 8},
        {GL_INCR, 4, 0xFF, 15, 15},   {GL_INCR, 8, 0x0F, 0x1F, 0x10}, {GL_DECR, 8, 0xF0, 0x10, 0x00},
        {GL_REPLACE, 8, 0x3C, 0xFF, 0xC3 | (0x5A & 0x3C)},            {GL_INVERT, 8, 0x0F, 0x35, 0x3A},
        {GL_ZERO, 8, 0xF0, 0xFF, 0x0F}, {GL_KEEP, 8, 0xFF, 0x42, 0x42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.op << " on " << (int)c.in);
        StageRig r;
        r.gc->fb.stencil.entries = 1u << c.bits;
        r.gc->stencil.writeMask = c.writeMask;
        r.gc->stencil.ref = 0x5A;
        uint8_t bytes[3] = {c.in, 0x99, c.in};
        r.s.stencilAddress = bytes;
        __glPickStencilOp(c.op)(0xA0000000u, &r.s);
        EXPECT_EQ(bytes[0], c.out);
        EXPECT_EQ(bytes[1], 0x99);  // dead pixel
        EXPECT_EQ(bytes[2], c.out);
    }
    EXPECT_EQ(__glPickStencilOp(GL_ADD), nullptr);
}

// Index words past the index-test table are compared directly.
TEST(ChainStage, IndexTestBeyondTheTable) {
    StageRig r;
    uint8_t table[16];
    for (int i = 0; i < 16; ++i) table[i] = i > 4;
    r.gc->indexTestTable = table;
    r.gc->indexTestEntries = 16;
    r.gc->colorBuffer.indexTestFunc = GL_GREATER;
    r.gc->colorBuffer.indexTestRef = 4.0f;
    r.gc->chain.indexBias = 0x8000;
    const GLuint index[4] = {3, 9, 300, 70000};
    for (int i = 0; i < 4; ++i) *(GLuint*)r.s.colors[i] = (index[i] << 16) + 0x8000;
    __glSpanTest2(0xF0000000u, &r.s);
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0], 0x70000000u);
}

// The generic stores expand narrow destination fields by bit replication:
// white times white stays white, and a saturated sum packs to the field's top.
TEST(ChainStage, GenericStoreBlendKeepsWhiteInNarrowFields) {
    // white: the packed pixel; source: the colour bytes of white as the set-up
    // gives them (field maximum + 1/2 in the top bits).
    const struct {
        int code, bytes;
        GLuint white;
        uint8_t source[3];
    } formats[] = {{2, 1, 0xFF, {240, 240, 224}},
                   {4, 2, 0x7FFF, {252, 252, 252}},
                   {5, 2, 0xFFFF, {252, 254, 252}},
                   {10, 4, 0xFFFFFF, {255, 255, 255}}};
    for (const auto& f : formats) {
        SCOPED_TRACE(f.code);
        StageRig r;
        r.gc->rasterFlags = GL_RF_RGBA | GL_RF_BLEND;
        r.gc->colorBuffer.blendSrc = GL_DST_COLOR;
        r.gc->colorBuffer.blendDst = GL_ZERO;
        uint8_t px[8] = {};
        memcpy(px, &f.white, (size_t)f.bytes);
        memcpy(px + f.bytes, &f.white, (size_t)f.bytes);
        r.s.dest = px;
        for (int k = 0; k < 4; ++k) r.s.colors[0][k] = k < 3 ? f.source[k] : 255, r.s.colors[1][k] = k ? 0 : 255;
        __glGenericStoreProcs[f.code](0x80000000u, &r.s);
        GLuint v = 0;
        memcpy(&v, px, (size_t)f.bytes);
        EXPECT_EQ(v, f.white);
        // GL_ONE, GL_ONE: red saturates at the field's maximum.
        r.gc->colorBuffer.blendSrc = r.gc->colorBuffer.blendDst = GL_ONE;
        __glGenericStoreProcs[f.code](0x40000000u, &r.s);
        memcpy(&v, px + f.bytes, (size_t)f.bytes);
        EXPECT_EQ(v, f.white);
    }
}

TEST(ChainStage, IndexStoreLogicOpAndDither) {
    StageRig r;
    uint8_t px[2] = {0x0F, 0x0F};
    r.s.dest = px;
    *(GLuint*)r.s.colors[0] = 0x3C << 16;
    *(GLuint*)r.s.colors[1] = (0x3C << 16) + 0xF000;
    const GLint addend[2] = {0, 0x1000};
    r.s.dither = addend;
    __glIndexStoreProcs[GL_XOR - GL_CLEAR](0x80000000u, &r.s);
    EXPECT_EQ(px[0], 0x33);
    r.s.dither = addend;
    __glIndexStoreProcs[GL_COPY - GL_CLEAR + 16](0x40000000u, &r.s);
    EXPECT_EQ(px[1], 0x3D);  // the addend carries the word to the next index
    EXPECT_EQ(r.s.dither, addend + 2);
}

// The polygon offset of the span record is added once to the group's depth
// and saturated: near the ends of the range it neither wraps nor repeats.
TEST(ChainStage, DepthOffsetSaturates) {
    const struct {
        GLuint z;
        GLint step, offset;
        uint16_t first, last;
    } cases[] = {
        {0xFFF00000u, 0x10000, 0x00200000, 0xFFFF, 0xFFFF},  // past the top: held at the top, never wrapped
        {0x00100000u, -0x10000, -0x00300000, 0x0000, 0x0000},  // below 0: held at 0
        {0x80000000u, 0x10000, 0x00050000, 0x8005, 0x8009},
    };
    for (const auto& c : cases) {
        StageRig r;
        GlDepthBuffer* db = &r.gc->fb.depth;
        db->depthMax = 0xFFFF0000u, db->depthShift = 16, db->buf.elementSize = 2;
        db->compareFunc = GL_ALWAYS;
        r.gc->depth.writeMask = GL_TRUE;
        uint16_t words[5] = {};
        r.s.depthAddress = (uint8_t*)words;
        r.s.z = c.z, r.s.zStep = c.step, r.s.zOffset = c.offset;
        __glPickDepthSpanStage(r.gc)(0xF8000000u, &r.s);
        EXPECT_EQ(words[0], c.first) << std::hex << c.z;
        EXPECT_EQ(words[4], c.last) << std::hex << c.z;
        ASSERT_EQ(gCalls.size(), 1u);
    }
}

// A triangle through the public calls under each switch.
struct SwitchScope {
    GlFastPathSwitches saved = __glFastPathSwitches;
    SwitchScope(const char* name, const char* value) {
        __glFastPathSwitches = GlFastPathSwitches{};
        setenv(name, value, 1);
    }
    ~SwitchScope() { __glFastPathSwitches = saved; }
};

TEST(FastPathSwitches, ReadOnceFromTheEnvironment) {
    const struct {
        const char* name;
        const char* value;
        bool fast, drawn;
    } cases[] = {
        {"__GL_DISABLE_FASTPATH", "1", false, true},
        {"__GL_DISABLE_FASTPATH", "0", true, true},
        {"__GL_NULL_TRIANGLE_FILL", "1", true, false},
        {"__GL_NULL_TRIANGLE_RENDER", "1", false, false},
        {"__GL_GENERIC_STORE", "1", true, true},
        {"__GL_GENERIC_SETUP", "1", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        {
            SwitchScope scope(c.name, c.value);
            GltestDibContext ctx(8, 8, 16);
            glBegin(GL_TRIANGLES);
            glVertex2f(0, 0), glVertex2f(8, 0), glVertex2f(0, 8);
            glEnd();
            const GlContext* gc = __glCurrentContext();
            EXPECT_EQ(gltestFastTriangles(gc), c.fast);
            EXPECT_EQ(ctx.pixel(1, 1) != 0, c.drawn);
            EXPECT_EQ(__glFastPathSwitches.read, 1);
        }
        unsetenv(c.name);
    }
}

}  // namespace
