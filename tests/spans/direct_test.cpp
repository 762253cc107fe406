// Direct stages: undithered ones write what the colour stage and the GL_COPY
// store write together; dithered ones against the 4x4 matrix and their
// bounds; the empty entries; known pixels.
#include "spanrig.h"

namespace {

uint32_t destWord(int p) { return 0xC3A55A3Cu ^ (uint32_t)p * 0x01010101u; }

// Fills the span with the same destination pattern, runs `stage` and returns
// the pixels along the span; checks guards and the dither advance.
std::vector<uint32_t> runDirect(SpanRig& r, GlSpanProc stage, int length, int step, const SpanCoverage& cov,
                                bool dithered, int x0 = 0, int y0 = 0) {
    r.buffer(length, step, 0);
    for (int i = 0; i < length; ++i) r.setPixel(i, destWord(i) & r.f.pixelMask());
    r.run(stage, cov.live, x0, y0, nullptr, [&](int, GLuint mask, long advance) {
        EXPECT_EQ(dithered ? spanVisited(mask) : 0, advance);
    });
    EXPECT_TRUE(r.guardsIntact());
    std::vector<uint32_t> out;
    for (int i = 0; i < length; ++i) out.push_back(r.pixel(i));
    return out;
}

void setColour(SpanRig& r, int length, uint32_t seed, bool smooth) {
    for (int k = 0; k < 3; ++k) {
        const double top = r.f.maxField(k);
        const double a = spanTestByte(seed + (uint32_t)k) / 255.0 * top;
        const double b = spanTestByte(seed + 5u + (uint32_t)k) / 255.0 * top;
        r.start[k] = (GLuint)(a * 65536.0);
        r.dstep[k] = smooth ? (GLint)((b - a) / length * 65536.0) : 0;
    }
    // The flat pixel as the set-up packs it: the truncated fields.
    const int fields[3] = {(int)(r.start[0] >> 16), (int)(r.start[1] >> 16), (int)(r.start[2] >> 16)};
    r.span.flatPixel = r.f.pack(fields);
}

// The colour entry that computes what direct entry i computes (the colour
// table has no second untextured block).
int shadeTwin(int i) { return ((i >> 2) & 7) == 0 ? i & 3 : i; }

TEST(SpanDirect, UnditheredEqualsColourStageThenCopyStore) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        memcpy(r.gc->texEnvColorBytes, "\x90\xFF\x00\x40", 4);
        for (int index = 0; index < 56; index += 2) {
            const GlSpanProc direct = __glDirectProcTables[f.code][index];
            if (!direct) continue;
            const bool textured = ((index >> 2) & 7) != 0;
            r.texelBytes = (index & 32) ? 4 : 3;
            r.texelSalt = (uint32_t)index;
            for (int step : {1, -1}) {
                for (int length : kSpanLengths) {
                    for (const SpanCoverage& cov : spanCoverages()) {
                        SCOPED_TRACE(testing::Message() << f.name << " index " << index << " step " << step
                                                        << " length " << length << " " << cov.name);
                        setColour(r, length, (uint32_t)(index * 3 + length), (index & 2) != 0);
                        r.texturedMasks.clear();
                        const auto a = runDirect(r, direct, length, step, cov, false);
                        const size_t directTextureCalls = r.texturedMasks.size();
                        r.next = __glStoreProcTables[f.code][3];
                        const auto b = runDirect(r, __glShadeProcTables[f.code][shadeTwin(index)], length, step, cov,
                                                 false);
                        r.next = nullptr;
                        ASSERT_EQ(b, a);
                        EXPECT_EQ(textured ? r.texturedMasks.size() / 2 : 0u, directTextureCalls);
                    }
                }
            }
        }
    }
}

// A flat colour whose fields are v + k/16 dithers up to v + 1 at exactly k
// of the 16 positions of a 4x4 block, in both walk directions.
TEST(SpanDirect, DitherFollowsTheMatrix) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int index : {1, 3}) {
            for (int step : {1, -1}) {
                for (int k = 0; k < 16; ++k) {
                    SCOPED_TRACE(testing::Message() << f.name << " index " << index << " step " << step << " k " << k);
                    int up[3] = {0, 0, 0};
                    for (int y = 0; y < 4; ++y) {
                        for (int c = 0; c < 3; ++c) r.start[c] = (GLuint)((f.maxField(c) / 2) << 16) + (GLuint)k * 4096;
                        for (int c = 0; c < 3; ++c) r.dstep[c] = 0;
                        const auto px = runDirect(r, __glDirectProcTables[f.code][index], 4, step, spanCoverages()[0],
                                                  true, 5, y);
                        for (uint32_t p : px) {
                            for (int c = 0; c < 3; ++c) {
                                const int base = f.maxField(c) / 2;
                                ASSERT_GE(f.field(p, c), base);
                                ASSERT_LE(f.field(p, c), base + 1);
                                up[c] += f.field(p, c) - base;
                            }
                        }
                    }
                    for (int c = 0; c < 3; ++c) EXPECT_EQ(k, up[c]) << "channel " << c;
                }
            }
        }
    }
}

// Dithered textured stages: each field is the undithered one or one more,
// never above the field's maximum; on 32-bit pixels exactly the undithered.
TEST(SpanDirect, DitheredTexturedStaysWithinOneOfUndithered) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int index = 5; index < 56; index += 2) {
            const GlSpanProc dithered = __glDirectProcTables[f.code][index];
            if (!dithered || ((index >> 2) & 7) == 0) continue;
            r.texelBytes = (index & 32) ? 4 : 3;
            // Environment bytes reduced as the picker does under dithering.
            uint8_t env[4] = {0xFF, 0x80, 0x00, 0xFF};
            for (int c = 0; c < 3; ++c) env[c] = (uint8_t)(env[c] - (env[c] >> f.bits[c]));
            memcpy(r.gc->texEnvColorBytes, env, 4);
            for (int length : {1, 33}) {
                for (const SpanCoverage& cov : spanCoverages()) {
                    SCOPED_TRACE(testing::Message() << f.name << " index " << index << " length " << length << " "
                                                    << cov.name);
                    setColour(r, length, (uint32_t)(index + length), (index & 2) != 0);
                    const auto plain = runDirect(r, __glDirectProcTables[f.code][index - 1], length, 1, cov, false, 2, 1);
                    const auto dith = runDirect(r, dithered, length, 1, cov, true, 2, 1);
                    for (int i = 0; i < length; ++i) {
                        if (!cov.live(i)) {
                            ASSERT_EQ(destWord(i) & f.pixelMask(), dith[(size_t)i]);
                            continue;
                        }
                        for (int c = 0; c < 3; ++c) {
                            const int a = f.field(plain[(size_t)i], c), b = f.field(dith[(size_t)i], c);
                            ASSERT_LE(a, b) << "pixel " << i << " channel " << c;
                            ASSERT_LE(b, f.bits[c] == 8 ? a : a + 1) << "pixel " << i << " channel " << c;
                        }
                        ASSERT_EQ(0u, dith[(size_t)i] & ~f.colourBits());
                    }
                }
            }
        }
    }
}

// An alpha texture under GL_REPLACE, GL_MODULATE or GL_BLEND while alpha is
// needed: the span shows the fragment colour, as entries 0-3 write it,
// without running the texture stage.
TEST(SpanDirect, AlphaTextureEntriesWriteTheFragmentColour) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int index = 60; index < 64; ++index) {
            for (int length : {5, 33}) {
                SCOPED_TRACE(testing::Message() << f.name << " index " << index << " length " << length);
                setColour(r, length, (uint32_t)index, (index & 2) != 0);
                r.texturedMasks.clear();
                const auto a = runDirect(r, __glDirectProcTables[f.code][index], length, -1, spanCoverages()[4],
                                         index & 1, 1, 2);
                EXPECT_TRUE(r.texturedMasks.empty());
                const auto b = runDirect(r, __glDirectProcTables[f.code][index & 3], length, -1, spanCoverages()[4],
                                         index & 1, 1, 2);
                EXPECT_EQ(b, a);
                EXPECT_NE(std::vector<uint32_t>(a.size(), 0), a);
            }
        }
    }
}

TEST(SpanDirect, EmptyEntriesWriteNothing) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int index = 56; index < 60; ++index) {
            r.texturedMasks.clear();
            const auto px = runDirect(r, __glDirectProcTables[f.code][index], 33, 1, spanCoverages()[0], false);
            for (int i = 0; i < 33; ++i) ASSERT_EQ(destWord(i) & f.pixelMask(), px[(size_t)i]) << index;
            EXPECT_TRUE(r.texturedMasks.empty());
        }
    }
}

struct DirectCase {
    int code, index;
    GLuint rgb[3];  // 16.16 fragment colour
    std::vector<uint8_t> texel, env;
    GLint addend;
    uint32_t want;
};

TEST(SpanDirect, KnownPixels) {
    const GLuint one = 65536;
    const GLint top = 15 * 4096;
    static const DirectCase cases[] = {
        // Flat untextured undithered entries write the flat pixel's low bits.
        {2, 0, {0, 0, 0}, {}, {}, 0, 0x78},
        {4, 0, {0, 0, 0}, {}, {}, 0, 0x5678},
        {5, 32, {0, 0, 0}, {}, {}, 0, 0x5678},
        {10, 0, {0, 0, 0}, {}, {}, 0, 0x12345678},
        // Replace, plain and dithered with the largest addend.
        {2, 4, {0, 0, 0}, {0xFF, 0x80, 0x40}, {}, 0, 0xF1},
        {2, 5, {0, 0, 0}, {255, 255, 255}, {}, top, 0xFF},
        // Modulate of white by (7, 7, 3), dithered or not.
        {2, 12, {7 * one, 7 * one, 3 * one}, {255, 255, 255}, {}, 0, 0xFF},
        {2, 13, {7 * one, 7 * one, 3 * one}, {255, 255, 255}, {}, top, 0xFF},
        // Decal: texel alpha 0 gives the fragment, 255 the texel's top bits.
        {5, 40, {20 * one, 40 * one, 10 * one}, {0x88, 0x44, 0x22, 0}, {}, 0, 0xA50A},
        {5, 40, {20 * one, 40 * one, 10 * one}, {0x88, 0x44, 0x22, 255}, {}, 0, 0x8A24},
        {5, 41, {20 * one, 40 * one, 10 * one}, {255, 255, 255, 255}, {}, top, 0xFFFF},
        // Blend: texel 0 gives the fragment, 255 the environment.
        {4, 16, {20 * one, 3 * one, 31 * one}, {0, 0, 0}, {0xF8, 0x00, 0x80, 0}, 0, 20 << 10 | 3 << 5 | 31},
        {4, 16, {20 * one, 3 * one, 31 * one}, {255, 255, 255}, {0xF8, 0x00, 0x80, 0}, 0, 0x7C10},
        // The addend carries green over: 16.5, 32.9375, 48.0 with 4096.
        {10, 3, {16 * one + one / 2, 32 * one + 15 * one / 16, 48 * one}, {}, {}, 4096, 0x102130},
    };
    for (const DirectCase& c : cases) {
        const SpanFormat* f = &spanFormatOf(c.code);
        SpanRig r(*f);
        r.buffer(1, 1, 0xEE);
        r.fixedTexel = c.texel;
        r.texelBytes = (c.index & 32) ? 4 : 3;
        if (!c.env.empty()) memcpy(r.gc->texEnvColorBytes, c.env.data(), 4);
        // A dither row repeats every four pixels; the runs read the addends of eight.
        const GLint addends[8] = {c.addend, 0, 0, 0, c.addend, 0, 0, 0};
        r.span.dest = r.at(0);
        r.span.pixelStep = 1;
        r.span.dither = addends;
        r.span.flatPixel = 0x12345678u & f->pixelMask();
        r.span.red = c.rgb[0];
        r.span.green = c.rgb[1];
        r.span.blue = c.rgb[2];
        __glDirectProcTables[c.code][c.index](0x80000000u, &r.span);
        EXPECT_EQ(c.want, r.pixel(0)) << f->name << " index " << c.index;
        EXPECT_EQ(addends + ((c.index & 1) ? 1 : 0), r.span.dither) << f->name << " index " << c.index;
        EXPECT_TRUE(r.guardsIntact());
    }
}

}  // namespace
