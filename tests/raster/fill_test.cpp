// The block fills of the clears: exact extent, every alignment and gap.
#include <gtest/gtest.h>
#include <string.h>
#include <vector>
#include "gltest.h"
#include "raster/fill.h"

namespace {

typedef void(GLPROC* FillProc)(GlContext*, void*, GLint, GLint, GLint, GLuint);

struct FillCase {
    FillProc fill;
    int size;
};

// Every start offset 0..15, widths around the 16-byte blocks, and a gap:
// pixels inside the rows hold the value, every other byte keeps its guard.
// Without a context the C++ fill runs; with one, on an MMX processor, the
// 32-bit fill runs the generated doubleword fill.
TEST(Fill, WritesExactlyTheRowsAtEveryAlignment) {
    const FillCase cases[] = {{__glFill8, 1}, {__glFill16, 2}, {__glFill32, 4}};
    GlContext* context = gltestCreateCurrent();
    ASSERT_NE(context, nullptr);
    for (GlContext* gc : {(GlContext*)nullptr, context})
        for (const FillCase& c : cases)
            for (int offset = 0; offset < 16; offset += c.size)
                for (int pixels : {0, 1, 3, 7, 8, 17, 40})
                    for (int gap : {0, 5 * c.size}) {
                        const int rows = 3;
                        const int rowBytes = pixels * c.size, stride = rowBytes + gap;
                        std::vector<uint8_t> mem(64 + rows * stride + 64, 0xA5);
                        uint8_t* base = mem.data() + 64 + offset;
                        const GLuint value = 0x11223344u;
                        c.fill(gc, base, pixels, rows, gap, value);
                        for (size_t i = 0; i < mem.size(); i++) {
                            const ptrdiff_t at = (ptrdiff_t)i - (64 + offset);
                            const bool inside = at >= 0 && at < rows * stride && at % stride < rowBytes;
                            const uint8_t want = inside ? (uint8_t)(value >> (8 * (at % stride % c.size))) : 0xA5;
                            ASSERT_EQ(mem[i], want) << "size " << c.size << " offset " << offset << " pixels " << pixels
                                                    << " gap " << gap << " byte " << at << (gc ? " with a context" : "");
                        }
                    }
    gltestDestroyCurrent(context);
}

// A pattern whose period does not divide 16 (three-byte pixels) continues
// across the vector stores and the tail.
TEST(Fill, PatternOfTwelveBytesContinuesAcrossBlocks) {
    uint8_t pattern[4][12];
    const uint8_t* rows[4];
    for (int r = 0; r < 4; r++) {
        for (int k = 0; k < 12; k++) pattern[r][k] = (uint8_t)(r * 16 + k);
        rows[r] = pattern[r];
    }
    for (int offset = 0; offset < 16; offset++) {
        const int rowBytes = 3 * 61, stride = rowBytes + 7, count = 6;
        std::vector<uint8_t> mem(32 + count * stride + 32, 0x5A);
        __glFillPattern(mem.data() + 16 + offset, rowBytes, count, stride, rows, 12);
        for (int r = 0; r < count; r++)
            for (int k = 0; k < rowBytes; k++)
                ASSERT_EQ(mem[16 + offset + r * stride + k], pattern[r & 3][k % 12]) << offset << " " << r << " " << k;
        EXPECT_EQ(mem[15 + offset], 0x5A);
        EXPECT_EQ(mem[16 + offset + rowBytes], 0x5A);
    }
}

}  // namespace
