// Store stages: every logic op and the five blend pairs in each format, with
// and without dither, over spans that cross group boundaries.
#include "spanrig.h"

#include <math.h>

#include <algorithm>
#include <array>

namespace {

uint8_t colourByte(int p, int k) { return spanTestByte(0x51u + (uint32_t)p * 4u + (uint32_t)k); }
uint32_t destWord(int p) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= (uint32_t)spanTestByte(0x7700u + (uint32_t)p * 4u + (uint32_t)k) << (8 * k);
    return v;
}

// Runs a store over the span with colours and destination pixels from the
// patterns above; checks that dead pixels and the guards stay, and the dither
// advance of every group; check(i, before, addend, after) judges live pixels.
typedef std::function<void(int, uint32_t, GLint, uint32_t)> LiveCheck;
void runStore(SpanRig& r, GlSpanProc stage, int length, int step, const SpanCoverage& cov, bool advancesDither,
              const LiveCheck& check) {
    r.buffer(length, step, 0);
    for (int i = 0; i < length; ++i) r.setPixel(i, destWord(i) & r.f.pixelMask());
    const int x0 = 3, y0 = 6;
    r.run(
        stage, cov.live, x0, y0,
        [&](int g, GLuint) {
            for (int i = 0; i < 32; ++i)
                for (int k = 0; k < 4; ++k) r.span.colors[i][k] = colourByte(g * 32 + i, k);
        },
        [&](int, GLuint mask, long advance) { EXPECT_EQ(advancesDither ? spanVisited(mask) : 0, advance); });
    for (int i = 0; i < length; ++i) {
        const uint32_t before = destWord(i) & r.f.pixelMask();
        if (cov.live(i))
            check(i, before, r.addend(i, x0, y0), r.pixel(i));
        else
            ASSERT_EQ(before, r.pixel(i)) << "dead pixel " << i;
    }
    EXPECT_TRUE(r.guardsIntact());
}

bool ditherReadsSource(int index) {
    const int op = index & 15;
    return (index & 16) && op != 0 && op != 5 && op != 10 && op != 15;
}

TEST(SpanStore, LogicOpsOnPackedPixels) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int op = 0; op < 16; ++op) {
            for (int dither = 0; dither < 2; ++dither) {
                const GlSpanProc stage = __glStoreProcTables[f.code][op + 16 * dither];
                const GLenum glop = GL_CLEAR + op;
                const bool readsSource = glop != GL_CLEAR && glop != GL_NOOP && glop != GL_INVERT && glop != GL_SET;
                auto expected = [&](int i, uint32_t d, GLint addend) -> uint32_t {
                    if (glop == GL_NOOP) return d;
                    int fields[3];
                    for (int k = 0; k < 3; ++k) {
                        const int n = f.bits[k], c = colourByte(i, k);
                        fields[k] = dither ? (c - (c >> n) + (addend >> (8 + n))) >> (8 - n) : c >> (8 - n);
                        EXPECT_LE(fields[k], f.maxField(k));
                    }
                    return __glLogicOp(glop, f.pack(fields), d);
                };
                for (int step : {1, -1}) {
                    for (int length : kSpanLengths) {
                        for (const SpanCoverage& cov : spanCoverages()) {
                            SCOPED_TRACE(testing::Message() << f.name << " op " << op << " dither " << dither << " step "
                                                            << step << " length " << length << " " << cov.name);
                            runStore(r, stage, length, step, cov, dither && readsSource,
                                     [&](int i, uint32_t d, GLint addend, uint32_t got) {
                                         ASSERT_EQ(expected(i, d, addend) & f.pixelMask(), got) << "pixel " << i;
                                     });
                            if (HasFatalFailure()) return;
                        }
                    }
                }
            }
        }
    }
}

// The entries for spans that need alpha store exactly what their twins do.
TEST(SpanStore, AlphaEntriesMatchTheirTwins) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int i = 0; i < 32; ++i) {
            std::vector<uint32_t> plain(33);
            runStore(r, __glStoreProcTables[f.code][i], 33, 1, spanCoverages()[4], ditherReadsSource(i),
                     [&](int p, uint32_t, GLint, uint32_t got) { plain[(size_t)p] = got; });
            runStore(r, __glStoreProcTables[f.code][i + 64], 33, 1, spanCoverages()[4], ditherReadsSource(i),
                     [&](int p, uint32_t, GLint, uint32_t got) { ASSERT_EQ(plain[(size_t)p], got) << f.name << " " << i; });
        }
    }
}

// The five blend pairs against a double reference: one LSB of the field,
// and for 8-bit fields the bound of the square-table products (each within
// 1.5 below and 0.5 above the exact a * b / 255).
TEST(SpanStore, BlendPairsAgainstDoubleReference) {
    const int codes[] = {0, 1, 3, 6, 9};
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int code : codes) {
            for (int dither = 0; dither < 2; ++dither) {
                const GlSpanProc stage = __glStoreProcTables[f.code][96 + code + 16 * dither];
                ASSERT_NE(stage, nullptr);
                auto check = [&](int i, uint32_t d, GLint addend, uint32_t got) {
                    const double a = colourByte(i, 3) / 255.0;
                    ASSERT_EQ(0u, got & ~f.colourBits())
                        << "spare bits";
                    for (int k = 0; k < 3; ++k) {
                        const int n = f.bits[k];
                        const double cs = colourByte(i, k), cd = f.field(d, k) << (8 - n);
                        double v = code == 0   ? cs * a
                                   : code == 1 ? cs * a + cd
                                   : code == 3 ? cs * a + cd * (1 - a)
                                   : code == 6 ? cs * (1 - a) + cd * a
                                               : cd;
                        if (dither) v += addend >> (8 + n);
                        const int want = std::min((int)floor(v) >> (8 - n), f.maxField(k));
                        const int diff = abs(f.field(got, k) - want);
                        const int products = code == 0 ? 1 : code == 9 ? 0 : code == 1 ? 1 : 2;
                        const int tolerance = n == 8 ? 2 * products : products ? 1 : 0;
                        ASSERT_LE(diff, tolerance) << "pixel " << i << " channel " << k << " want " << want;
                    }
                };
                for (int step : {1, -1}) {
                    for (int length : {5, 33}) {
                        for (const SpanCoverage& cov : spanCoverages()) {
                            SCOPED_TRACE(testing::Message() << f.name << " code " << code << " dither " << dither
                                                            << " step " << step << " length " << length << " "
                                                            << cov.name);
                            runStore(r, stage, length, step, cov, dither != 0, check);
                            if (HasFatalFailure()) return;
                        }
                    }
                }
            }
        }
    }
}

// One live pixel with a chosen addend: exact words for known colours.
struct StoreCase {
    int code, index;
    uint8_t rgba[4];
    uint32_t dest;
    GLint addend;
    uint32_t want;
};

TEST(SpanStore, KnownPixels) {
    static const StoreCase cases[] = {
        // GL_COPY of (200, 100, 50) in each format.
        {2, 3, {200, 100, 50, 0}, 0, 0, 0xCC},
        {4, 3, {200, 100, 50, 0}, 0x8000, 0, 0x6586},
        {5, 3, {200, 100, 50, 0}, 0, 0, 0xCB26},
        {10, 3, {200, 100, 50, 0}, 0xFF000000u, 0, 0x00C86432},
        // Dithered GL_COPY: the addend carries, white and black stay.
        {2, 19, {200, 100, 50, 0}, 0, 0x8000, 0xAD},
        {5, 19, {200, 100, 50, 0}, 0, 0xF000, 0xCB27},
        {2, 19, {255, 255, 255, 0}, 0, 0xF000, 0xFF},
        {4, 19, {255, 255, 255, 0}, 0, 0xF000, 0x7FFF},
        {2, 19, {0, 0, 0, 0}, 0xFF, 0xF000, 0},
        {10, 19, {200, 100, 50, 0}, 0, 0xF000, 0x00C86432},
        // Spare bits take part in the logic ops.
        {4, 15, {1, 2, 3, 4}, 0, 0, 0xFFFF},
        {10, 15, {1, 2, 3, 4}, 0, 0, 0xFFFFFFFFu},
        {4, 10, {1, 2, 3, 4}, 0x7FFF, 0, 0x8000},
        {10, 7, {1, 2, 3, 4}, 0xAB000000u, 0, 0xAB010203u},
        {5, 5, {1, 2, 3, 4}, 0x1234, 0, 0x1234},
        {4, 0, {1, 2, 3, 4}, 0xFFFF, 0, 0},
        // GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA.
        {5, 99, {255, 0, 0, 128}, 0x001F, 0, 0x800F},
        {2, 99, {255, 0, 0, 128}, 0x03, 0, 0x81},
        {5, 99, {255, 0, 0, 0}, 0x1234, 0, 0x1234},
        {5, 99, {200, 100, 50, 255}, 0x1234, 0, 0xCB26},
        {2, 115, {255, 255, 255, 255}, 0x00, 0xF000, 0xFF},
        // GL_SRC_ALPHA, GL_ZERO clears the spare byte.
        {10, 96, {200, 100, 50, 128}, 0xFF000000u, 0, 0x00643219},
        // GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA.
        {10, 102, {200, 100, 50, 64}, 0x00102030, 0, 0x00995331},
        // GL_SRC_ALPHA, GL_ONE saturates.
        {4, 97, {255, 255, 255, 255}, 0x7FFF, 0, 0x7FFF},
        {2, 113, {255, 255, 255, 255}, 0xFF, 0xF000, 0xFF},
        // GL_SRC_ALPHA_SATURATE, GL_ONE rewrites the colour and clears the spare bit.
        {4, 105, {255, 255, 255, 255}, 0xFFFF, 0, 0x7FFF},
    };
    for (const StoreCase& c : cases) {
        const SpanFormat* f = &spanFormatOf(c.code);
        SpanRig r(*f);
        r.buffer(1, 1, 0);
        r.setPixel(0, c.dest);
        // A dither row repeats every four pixels; the runs read the addends of eight.
        const GLint addends[8] = {c.addend, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF,
                                  c.addend, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF};
        r.span.dest = r.at(0);
        r.span.pixelStep = 1;
        r.span.dither = addends;
        memcpy(r.span.colors[0], c.rgba, 4);
        __glStoreProcTables[c.code][c.index](0x80000000u, &r.span);
        EXPECT_EQ(c.want, r.pixel(0)) << f->name << " index " << c.index;
        EXPECT_TRUE(r.guardsIntact());
    }
}

// With an opaque white source, the dithered GL_SRC_ALPHA,
// GL_ONE_MINUS_SRC_ALPHA store keeps white for every addend.
TEST(SpanStore, DitheredOpaqueWhiteBlendStaysWhite) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        r.buffer(32, 1, 0);
        r.run(__glStoreProcTables[f.code][115], [](int) { return true; }, 0, 0, [&](int, GLuint) {
            for (int i = 0; i < 32; ++i) memset(r.span.colors[i], 255, 4);
        });
        for (int i = 0; i < 32; ++i) {
            ASSERT_EQ(f.colourBits(), r.pixel(i)) << f.name << " pixel " << i;
        }
    }
}

}  // namespace
