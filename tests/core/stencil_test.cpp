// The stencil buffer: test and operation tables built at validation, the
// per-pixel procedures, and stencil clears through glClear.
#include "depthstencil_fixture.h"

namespace {

using dstest::Bound;
using dstest::format;

struct StencilFixture : ::testing::Test {
    Bound b{6, 4, format(16, 8)};
    GlStencilBuffer* sb = nullptr;
    void SetUp() override {
        ASSERT_TRUE(b.gc);
        sb = b.stencil();
        ASSERT_EQ(sb->entries, 256u);
    }
    GLuint test(uint8_t value) {
        b.stencilAt(2, 1) = value;
        return sb->testPixel(sb, b.bx(2), b.by(1));
    }
};

TEST_F(StencilFixture, FunctionsCompareReferenceAndValueUnderTheValueMask) {
    const struct {
        GLenum func;
        GLint ref;
        GLuint mask;
        uint8_t stored;
        GLuint pass;
    } cases[] = {
        {GL_NEVER, 0, 0xFF, 0, 0},        {GL_ALWAYS, 9, 0xFF, 3, 1},
        {GL_LESS, 3, 0xFF, 3, 0},         {GL_LESS, 3, 0xFF, 4, 1},       {GL_LESS, 3, 0xFF, 255, 1},
        {GL_EQUAL, 3, 0xFF, 3, 1},        {GL_EQUAL, 3, 0xFF, 4, 0},      {GL_EQUAL, 0x13, 0x0F, 0xA3, 1},
        {GL_LEQUAL, 3, 0xFF, 3, 1},       {GL_LEQUAL, 3, 0xFF, 2, 0},
        {GL_GREATER, 3, 0xFF, 2, 1},      {GL_GREATER, 3, 0xFF, 3, 0},    {GL_GREATER, 0xF3, 0x0F, 0x02, 1},
        {GL_NOTEQUAL, 3, 0xFF, 3, 0},     {GL_NOTEQUAL, 3, 0xFF, 0, 1},   {GL_NOTEQUAL, 3, 0xF0, 0x0C, 0},
        {GL_GEQUAL, 3, 0xFF, 3, 1},       {GL_GEQUAL, 3, 0xFF, 4, 0},     {GL_GEQUAL, 300, 0xFF, 255, 1},
    };
    for (const auto& c : cases) {
        glStencilFunc(c.func, c.ref, c.mask);
        b.validate();
        EXPECT_EQ(test(c.stored), c.pass) << c.func - GL_NEVER << " ref " << c.ref << " mask " << c.mask
                                          << " stored " << (int)c.stored;
    }
}

TEST_F(StencilFixture, LessWithReferenceThreePassesFourAndAbove) {
    glStencilFunc(GL_LESS, 3, 0xFF);
    b.validate();
    for (int v = 0; v < 256; v++) ASSERT_EQ(test((uint8_t)v), v >= 4 ? 1u : 0u) << v;
}

// The three operation tables: every operation under several write masks.
TEST_F(StencilFixture, OperationsSaturateAndHonourTheWriteMask) {
    const struct {
        GLenum op;
        GLuint writeMask;
        uint8_t before, after;
    } cases[] = {
        {GL_KEEP, 0xFF, 0x5A, 0x5A},     {GL_ZERO, 0xFF, 0x5A, 0x00},    {GL_ZERO, 0x0F, 0x5A, 0x50},
        {GL_REPLACE, 0xFF, 0x5A, 0x07},  {GL_REPLACE, 0xF0, 0x5A, 0x0A}, {GL_INCR, 0xFF, 0x5A, 0x5B},
        {GL_INCR, 0xFF, 0xFF, 0xFF},     {GL_INCR, 0x0F, 0x0F, 0x00},    {GL_DECR, 0xFF, 0x00, 0x00},
        {GL_DECR, 0xFF, 0x5A, 0x59},     {GL_INVERT, 0xFF, 0x5A, 0xA5},  {GL_INVERT, 0x0F, 0x5A, 0x55},
        {GL_KEEP, 0x00, 0x5A, 0x5A},     {GL_INVERT, 0x00, 0x5A, 0x5A},
    };
    using Apply = GLuint(GLPROC*)(GlStencilBuffer*, GLint, GLint);
    for (const auto& c : cases) {
        glStencilFunc(GL_ALWAYS, 7, 0xFF);
        glStencilMask(c.writeMask);
        for (int which = 0; which < 3; which++) {
            // The operation goes in one slot, GL_KEEP in the others.
            GLenum ops[3] = {GL_KEEP, GL_KEEP, GL_KEEP};
            ops[which] = c.op;
            glStencilOp(ops[0], ops[1], ops[2]);
            b.validate();
            const Apply apply[3] = {sb->applyFail, sb->applyZfail, sb->applyZpass};
            for (int slot = 0; slot < 3; slot++) {
                b.stencilAt(4, 3) = c.before;
                const uint8_t expected = slot == which ? c.after : c.before;
                EXPECT_EQ(apply[slot](sb, b.bx(4), b.by(3)), expected) << c.op << " mask " << c.writeMask;
                EXPECT_EQ(b.stencilAt(4, 3), expected) << c.op << " mask " << c.writeMask << " slot " << slot;
            }
        }
    }
}

TEST_F(StencilFixture, StoreAndFetchHonourTheWriteMask) {
    b.stencilAt(0, 0) = 0x5A;
    glStencilMask(0xF0);
    sb->storePixel(sb, b.bx(0), b.by(0), 0x3C);
    EXPECT_EQ(sb->fetchPixel(sb, b.bx(0), b.by(0)), 0x3Au);
}

TEST_F(StencilFixture, TablesAreRebuiltOnlyWhenTheStencilStateChanged) {
    b.validate();
    sb->depthPassOpTable[5] = 0xEE;  // marks the current tables
    b.validate();
    EXPECT_EQ(sb->depthPassOpTable[5], 0xEE);  // nothing changed
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    b.validate();
    EXPECT_EQ(sb->depthPassOpTable[5], 6);
}

TEST_F(StencilFixture, ClearsFollowTheWriteMaskAndTheScissor) {
    const struct {
        const char* what;
        GLuint writeMask;
        bool scissor;
    } cases[] = {{"full mask", 0xFF, false}, {"mask 0xF0", 0xF0, false}, {"scissored", 0xFF, true}};
    for (const auto& c : cases) {
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 6; x++) b.stencilAt(x, y) = 0x5A;
        glStencilMask(c.writeMask);
        glClearStencil(0xC3);
        if (c.scissor) glEnable(GL_SCISSOR_TEST);
        glScissor(2, 0, 3, 1);  // bottom row: memory row 3 of the top-down DIB
        glClear(GL_STENCIL_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        for (int y = 0; y < 4; y++) {
            for (int x = 0; x < 6; x++) {
                const bool inside = !c.scissor || (x >= 2 && x < 5 && y == 3);
                const uint8_t expected = inside ? (uint8_t)((0xC3 & c.writeMask) | (0x5A & ~c.writeMask)) : 0x5A;
                EXPECT_EQ(b.stencilAt(x, y), expected) << c.what << " at " << x << "," << y;
            }
        }
    }
}

// With fewer than 8 bits the tables have 2^bits entries and saturate there.
TEST(Stencil, FourBitBufferSaturatesAtFifteen) {
    Bound b(4, 4, format(16, 4));
    ASSERT_TRUE(b.gc);
    GlStencilBuffer* sb = b.stencil();
    EXPECT_EQ(sb->entries, 16u);
    glStencilOp(GL_INCR, GL_DECR, GL_INVERT);
    b.validate();
    b.stencilAt(1, 1) = 15;
    EXPECT_EQ(sb->applyFail(sb, b.bx(1), b.by(1)), 15u);
    b.stencilAt(1, 1) = 0;
    EXPECT_EQ(sb->applyZfail(sb, b.bx(1), b.by(1)), 0u);
    b.stencilAt(1, 1) = 0x5;
    EXPECT_EQ(sb->applyZpass(sb, b.bx(1), b.by(1)), 0xAu);
    glClearStencil(0xFF);
    glClear(GL_STENCIL_BUFFER_BIT);
    EXPECT_EQ(b.stencilAt(3, 3), 0x0F);
}

}  // namespace
