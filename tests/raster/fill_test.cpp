// The block fills of the clears: exact extent, every alignment and gap.
#include <gtest/gtest.h>
#include <algorithm>
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

// Four row patterns of a period that divides 16 (whole aligned rows take one
// vector a pattern) or not (three-byte pixels), at every offset from a
// 16-byte boundary, in rows of whole vectors and of odd lengths: each row
// holds its pattern from its first byte on, the bytes around stay.
TEST(Fill, RowPatternsAtEveryAlignment) {
    struct Layout {
        int period, rowBytes, stride;
    };
    const Layout layouts[] = {{12, 3 * 61, 3 * 61 + 7}, {8, 1280, 1280}, {8, 160, 176}, {2, 34, 40}, {16, 96, 96}};
    for (const Layout& l : layouts) {
        uint8_t pattern[4][16];
        const uint8_t* rows[4];
        for (int r = 0; r < 4; r++) {
            for (int k = 0; k < l.period; k++) pattern[r][k] = (uint8_t)(r * 16 + k + 1);
            rows[r] = pattern[r];
        }
        const int count = 6;
        std::vector<uint8_t> mem(64 + count * l.stride + 64, 0x5A);
        uint8_t* aligned = (uint8_t*)(((uintptr_t)mem.data() + 31) & ~(uintptr_t)15);
        for (int offset = 0; offset < 16; offset++) {
            std::fill(mem.begin(), mem.end(), 0x5A);
            uint8_t* base = aligned + offset;
            __glFillPattern(base, (size_t)l.rowBytes, count, l.stride, rows, l.period);
            for (int r = 0; r < count; r++) {
                for (int k = 0; k < l.rowBytes; k++)
                    ASSERT_EQ(base[r * l.stride + k], pattern[r & 3][k % l.period])
                        << "period " << l.period << " offset " << offset << " row " << r << " byte " << k;
                for (int k = l.rowBytes; k < l.stride; k++) ASSERT_EQ(base[r * l.stride + k], 0x5A);
            }
            EXPECT_EQ(base[-1], 0x5A);
            EXPECT_EQ(base[(count - 1) * l.stride + l.rowBytes], 0x5A);
        }
    }
}

}  // namespace
