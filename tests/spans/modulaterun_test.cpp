// Direct stages over unbroken runs: a group whose live pixels run unbroken
// (four or eight pixels a step) writes exactly what the same pixels write one
// by one (the even pixels, then the odd ones), dithered or not, at each
// column of the dither matrix, for colours about the middle of the fields and
// over their whole range. Textured GL_MODULATE (smooth or flat, three- and
// four-byte texels) and untextured smooth colour over every format. Colour
// stages (untextured smooth, GL_REPLACE, GL_MODULATE; alpha kept or not)
// likewise: the entries an unbroken run writes are the ones its pixels write
// one by one, and it writes no other. Blending stores likewise.
#include "spanrig.h"

namespace {

std::vector<uint32_t> draw(SpanRig& r, GlSpanProc stage, int length, int x0, const std::function<bool(int)>& live,
                           const std::function<bool(int)>& second) {
    r.buffer(length, 1, 0x5A);
    r.run(stage, live, x0, 2);
    if (second) r.run(stage, second, x0, 2);
    EXPECT_TRUE(r.guardsIntact());
    std::vector<uint32_t> out;
    for (int i = 0; i < length; ++i) out.push_back(r.pixel(i));
    return out;
}

void runsEqualPixelByPixel(const SpanFormat& f, SpanRig& r, int index) {
    const GlSpanProc stage = __glDirectProcTables[f.code][index];
    ASSERT_NE(stage, nullptr);
    for (int length : {7, 8, 13, 32, 45, 64})
        for (int ramp : {0, 1, -1})
            for (int x0 = 0; x0 < 4; ++x0) {
                SCOPED_TRACE(testing::Message() << f.name << " index " << index << " length " << length << " ramp "
                                                << ramp << " x " << x0);
                for (int k = 0; k < 3; ++k) {
                    const GLint full = f.maxField(k) << 16;
                    if (ramp == 0) {
                        // About the middle of each field, stepping less than half of it over 64 pixels.
                        r.start[k] = (GLuint)(full / 2 + (GLint)spanTestByte((uint32_t)(k + length)) * 37);
                        r.dstep[k] = (index & 2) ? ((GLint)spanTestByte((uint32_t)(k * 5 + index)) - 128) *
                                                       (full / 256 / 64)
                                                 : 0;
                    } else {
                        // The whole field, from 0 up or from its top down (flat: either end).
                        const GLint step = (index & 2) ? (full - 1) / length : 0;
                        r.start[k] = ramp > 0 ? 0u : (GLuint)(full - 1);
                        r.dstep[k] = ramp > 0 ? step : -step;
                    }
                }
                const auto run = draw(r, stage, length, x0, [](int) { return true; }, nullptr);
                const auto single = draw(r, stage, length, x0, [](int i) { return i % 2 == 0; },
                                         [](int i) { return i % 2 == 1; });
                EXPECT_EQ(run, single);
            }
}

}  // namespace

TEST(SpanModulateRun, UnbrokenRunsEqualPixelByPixel) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int index : {12, 13, 14, 15, 44, 45, 46, 47}) {  // modulate: dither, smooth, texel alpha
            r.texelBytes = (index & 32) ? 4 : 3;
            r.texelSalt = (uint32_t)index * 7u;
            runsEqualPixelByPixel(f, r, index);
        }
    }
}

TEST(SpanSmoothRun, UnbrokenRunsEqualPixelByPixel) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int index : {2, 3}) runsEqualPixelByPixel(f, r, index);  // untextured smooth, dither
    }
}

namespace {

// The colour entries of a span through a colour stage, group by group: the
// live pixels' entries, and whether every dead entry kept the sentinel.
std::vector<std::array<uint8_t, 4>> shadeEntries(SpanRig& r, GlSpanProc stage, const std::function<bool(int)>& live,
                                                 const std::function<bool(int)>& second, bool* deadKept) {
    std::vector<std::array<uint8_t, 4>> out((size_t)r.length);
    for (const auto* pass : {&live, &second}) {
        if (!*pass) continue;
        r.run(
            stage, *pass, 0, 0, [&](int, GLuint) { memset(r.span.colors, 0x5A, sizeof r.span.colors); },
            [&](int g, GLuint mask, long) {
                for (int i = 0; i < 32 && g * 32 + i < r.length; ++i) {
                    if (mask & (0x80000000u >> i)) {
                        memcpy(out[(size_t)(g * 32 + i)].data(), r.span.colors[i], 4);
                    } else {
                        for (int k = 0; k < 4; ++k) *deadKept &= r.span.colors[i][k] == 0x5A;
                    }
                }
            });
    }
    return out;
}

}  // namespace

TEST(SpanShadeRun, UnbrokenRunsEqualPixelByPixel) {
    // Colour indexes: alpha, smooth, code 0 / 1 / 3, texel alpha.
    const int indexes[] = {2, 3, 4, 5, 6, 7, 12, 13, 14, 15, 37, 39, 45, 47};
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int index : indexes) {
            const GlSpanProc stage = __glShadeProcTables[f.code][index];
            ASSERT_NE(stage, nullptr) << index;
            r.texelBytes = (index & 32) ? 4 : 3;
            r.texelSalt = (uint32_t)index * 5u + 1u;
            for (int length : {5, 8, 13, 32, 45, 64}) {
                SCOPED_TRACE(testing::Message() << f.name << " index " << index << " length " << length);
                for (int k = 0; k < 4; ++k) {
                    const GLint full = (k < 3 ? f.maxField(k) : 255) << 16;
                    r.start[k] = (GLuint)(full / 3 + (GLint)spanTestByte((uint32_t)(k + length)) * 41);
                    r.dstep[k] = (index & 2) ? (full / 4) / 64 * (k & 1 ? -1 : 1) : 0;
                }
                r.buffer(length, 1, 0);
                bool kept = true;
                const auto run = shadeEntries(r, stage, [](int) { return true; }, nullptr, &kept);
                const auto single = shadeEntries(r, stage, [](int i) { return i % 2 == 0; },
                                                 [](int i) { return i % 2 == 1; }, &kept);
                EXPECT_TRUE(kept) << "dead entries written";
                EXPECT_EQ(run, single);
            }
        }
    }
}

namespace {

// The colour buffer after a store stage over the span, over a background of
// its own bytes, each pixel's colour entry spanTestByte of its position.
std::vector<uint32_t> storePixels(SpanRig& r, GlSpanProc stage, int length, int x0,
                                  const std::function<bool(int)>& live, const std::function<bool(int)>& second) {
    r.buffer(length, 1, 0);
    for (int i = 0; i < length; ++i) r.setPixel(i, (uint32_t)spanTestByte((uint32_t)i * 3u) * 0x01030507u);
    const auto colors = [&](int g, GLuint) {
        for (int i = 0; i < 32; ++i)
            for (int k = 0; k < 4; ++k) r.span.colors[i][k] = spanTestByte((uint32_t)(g * 32 + i) * 4u + (uint32_t)k + 99u);
    };
    for (const auto* pass : {&live, &second})
        if (*pass) r.run(stage, *pass, x0, 1, colors);
    EXPECT_TRUE(r.guardsIntact());
    std::vector<uint32_t> out;
    for (int i = 0; i < length; ++i) out.push_back(r.pixel(i));
    return out;
}

}  // namespace

// Blending stores: an unbroken run writes what its pixels write one by one,
// for every factor pair with a store, dithered or not, at each dither column.
TEST(SpanBlendRun, UnbrokenRunsEqualPixelByPixel) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int code : {0, 1, 3, 6, 9})
            for (int dither : {0, 16}) {
                const GlSpanProc stage = __glStoreProcTables[f.code][64 + 32 + dither + code];
                ASSERT_NE(stage, nullptr);
                for (int length : {3, 8, 13, 32, 45, 64})
                    for (int x0 = 0; x0 < 4; ++x0) {
                        SCOPED_TRACE(testing::Message() << f.name << " code " << code << " dither " << dither
                                                        << " length " << length << " x " << x0);
                        const auto run = storePixels(r, stage, length, x0, [](int) { return true; }, nullptr);
                        const auto single = storePixels(r, stage, length, x0, [](int i) { return i % 2 == 0; },
                                                        [](int i) { return i % 2 == 1; });
                        EXPECT_EQ(run, single);
                    }
            }
    }
}
