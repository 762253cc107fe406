// The generated depth-test stage against the C++ stage it stands for: every
// function with and without depth writes and stencil, on the 16-bit kind,
// the 32-bit kind and the 24-bit kind with its clear generation (plain and
// mirrored), over masks with and without holes, in both walking directions.
// Stored values lie on both sides of 0x8000 and 0x80000000, where a signed
// comparison would turn round.

#include <random>
#include "stagetest.h"
#include "raster/depthstencil.h"

namespace {

struct Kind {
    const char* name;
    GLuint bytes, shift, depthMax, generation;
    uint8_t mirror;
};
const Kind kKinds[] = {
    {"16-bit", 2, 16, 0xFFFF0000u, 0, 0},
    {"32-bit", 4, 0, 0x7FC00000u, 0, 0},
    {"24-bit", 4, 7, 0x7FC00000u, 0x3F000000u, 0},
    {"24-bit mirrored", 4, 7, 0x7FC00000u, 0x41000000u, 1},
};
const GLuint kMasks[] = {0xFFFFFFFFu, 0xF8000000u, 0x80000000u, 0x80000001u, 0x0F0F0F0Fu,
                         0xFFFF0000u, 0x0000FFFFu, 0x7FFFFFFEu, 0xA5A5A5A5u};

struct DepthStage : StageTest {
    // Runs both stages over copies of 70 stored words (word(i) gives word i;
    // the span starts at word 2 rightward, 66 leftward) and compares the
    // words and the calls.
    template <class Word>
    void compare(GlSpanProc generated, GlSpanProc cpp, GLuint bytes, GLuint mask, int dir, Word word,
                 const std::string& what) {
        uint8_t words[2][300];
        for (int i = 0; i < 70; i++) {
            const GLuint w = word(i);
            memcpy(words[0] + i * bytes, &w, bytes);
        }
        memcpy(words[1], words[0], sizeof words[0]);
        std::vector<StageCall> calls[2];
        s.pixelStep = dir;
        for (int k = 0; k < 2; k++) {
            s.depthAddress = words[k] + (dir > 0 ? 2 : 66) * bytes;
            calls[k] = run(k ? cpp : generated, mask);
        }
        EXPECT_TRUE(!memcmp(words[0], words[1], sizeof words[0]))
            << what << "depth words, mask " << std::hex << mask << " dir " << dir;
        EXPECT_TRUE(calls[0] == calls[1]) << what << "calls, mask " << std::hex << mask << " dir " << dir;
    }
};

TEST_F(DepthStage, GeneratedEqualsTheCppStage) {
    std::mt19937 rng(15);
    int checked = 0;
    for (const Kind& kind : kKinds) {
        GlDepthBuffer* db = &gc->fb.depth;
        db->buf.elementSize = kind.bytes;
        db->depthShift = kind.shift;
        db->depthMax = kind.depthMax;
        db->generation = kind.generation;
        db->mirror = kind.mirror;
        for (GLuint func = 0; func < 8; func++)
            for (int write = 0; write < 2; write++)
                for (int stencil = 0; stencil < 2; stencil++) {
                    SCOPED_TRACE(std::string(kind.name) + " func " + std::to_string(func) + " write " +
                                 std::to_string(write) + " stencil " + std::to_string(stencil));
                    db->compareFunc = GL_NEVER + func;
                    gc->depth.writeMask = (GLboolean)write;
                    gc->rasterFlags = stencil ? GL_RF_STENCIL : 0;
                    const GlSpanProc generated = __glGenDepthSpanCode(gc);
                    ASSERT_NE(generated, nullptr);
                    const GlSpanProc cpp = __glPickDepthSpanStage(gc);
                    for (GLuint mask : kMasks)
                        for (int dir = -1; dir <= 1; dir += 2) {
                            s.stencilPassMask = 0x12345678u;
                            // z crosses the middle of the stored range: 0x8000, 0x80000000.
                            s.z = kind.bytes == 2 ? 0x7FE00000u + (GLuint)(rng() % 0x400000u)
                                                  : kind.shift ? (GLuint)(rng() % 0x7FC00000u)
                                                               : 0x7FFF0000u + (GLuint)(rng() % 0x20000u);
                            s.zStep = (GLint)(rng() % 0x40000u) - 0x20000;
                            if (kind.bytes == 4) s.zStep *= 64;
                            // Stored words near the span's own values, so that every test goes both ways.
                            compare(generated, cpp, kind.bytes, mask, dir, [&](int i) {
                                const GLint pixel = dir > 0 ? i - 2 : 66 - i;
                                return __glDepthStored(db, s.z + (GLuint)pixel * (GLuint)s.zStep) +
                                       (GLuint)((GLint)(rng() % 9) - 4);
                            }, "");
                            checked++;
                        }
                }
    }
    EXPECT_EQ(checked, 4 * 8 * 2 * 2 * 9 * 2);
}

// A polygon offset in the span takes the C++ stage's saturation.
TEST_F(DepthStage, OffsetSpansSaturateAsTheCppStage) {
    GlDepthBuffer* db = &gc->fb.depth;
    db->buf.elementSize = 2, db->depthShift = 16, db->depthMax = 0xFFFF0000u;
    db->generation = 0, db->mirror = 0;
    db->compareFunc = GL_ALWAYS;
    gc->depth.writeMask = GL_TRUE;
    gc->rasterFlags = 0;
    const GlSpanProc stage = __glGenDepthSpanCode(gc);
    ASSERT_NE(stage, nullptr);
    uint16_t words[5] = {};
    s.depthAddress = (uint8_t*)words;
    s.z = 0xFFF00000u, s.zStep = 0x10000, s.zOffset = 0x00200000;
    const std::vector<StageCall> calls = run(stage, 0xF8000000u);
    EXPECT_EQ(words[0], 0xFFFF);
    EXPECT_EQ(words[4], 0xFFFF);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].mask, 0xF8000000u);
}

// Under a polygon offset the generated stage runs spans whose offset depths
// stay in range and hands the rest to the C++ stage: spans starting near
// either end of the range, offsets that keep them inside or push some or all
// of their pixels past an end, steps both ways, every function.
TEST_F(DepthStage, OffsetSpansEqualTheCppStage) {
    struct Span {
        const char* name;
        GLuint z;
        GLint step, offset;
    };
    const Span kSpans[] = {
        {"inside", 0x40000000u, 0x10000, 0x00123456},
        {"inside, offset down", 0x40000000u, -0x10000, -0x00123456},
        {"top end crossed", 0xFFE00000u, 0x10000, 0x001F0000},
        {"top end crossed by the last pixels", 0xFFC00000u, 0x40000, 0x00380000},
        {"below zero at the start", 0x00010000u, 0x10000, -0x00020000},
        {"below zero by the last pixels", 0x00200000u, -0x20000, 0x00010000},
        {"largest offset", 0x80000000u, 0x10000, 0x7FFFFFFF},
        {"smallest offset", 0x7FFFFFFFu, -0x10000, INT32_MIN},
        {"steep step", 0x10000000u, 0x7FFFFFFF, 0x100},
    };
    int checked = 0;
    for (const Kind& kind : kKinds) {
        GlDepthBuffer* db = &gc->fb.depth;
        db->buf.elementSize = kind.bytes;
        db->depthShift = kind.shift;
        db->depthMax = kind.bytes == 4 && !kind.shift ? 0xFFFFFFFFu : kind.depthMax;
        db->generation = kind.generation;
        db->mirror = kind.mirror;
        for (GLuint func = 1; func < 8; func++)
            for (int write = 0; write < 2; write++) {
                SCOPED_TRACE(std::string(kind.name) + " func " + std::to_string(func) + " write " +
                             std::to_string(write));
                db->compareFunc = GL_NEVER + func;
                gc->depth.writeMask = (GLboolean)write;
                gc->rasterFlags = GL_RF_POLYGON_OFFSET;
                const GlSpanProc generated = __glGenDepthSpanCode(gc);
                ASSERT_NE(generated, nullptr);
                const GlSpanProc cpp = __glPickDepthSpanStage(gc);
                for (const Span& span : kSpans)
                    for (GLuint mask : kMasks)
                        for (int dir = -1; dir <= 1; dir += 2) {
                            s.z = span.z, s.zStep = span.step, s.zOffset = span.offset;
                            // Stored words around the middle of the range and at both ends.
                            compare(generated, cpp, kind.bytes, mask, dir, [](int i) {
                                return i % 3 == 0 ? 0u : i % 3 == 1 ? 0xFFFFFFFFu : 0x80000000u + (GLuint)i;
                            }, std::string(span.name) + ": ");
                            checked++;
                        }
            }
    }
    EXPECT_EQ(checked, 4 * 7 * 2 * 9 * 9 * 2);
}

}  // namespace
