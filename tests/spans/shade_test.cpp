// Colour stages: flat and smooth colours against float references, the
// texture functions against exact products, the alpha byte, the texel
// packing and the successor call.
#include "spanrig.h"

#include <math.h>

#include <algorithm>

namespace {

struct IndexBits {
    bool alpha, smooth, texAlpha;
    int code, texelBytes;
    explicit IndexBits(int i)
        : alpha(i & 1), smooth(i & 2), texAlpha(i & 32), code((i >> 2) & 7),
          texelBytes(code >= 6 ? 1 : (i & 32) ? 4 : 3) {}
};

const uint8_t kSentinel = 0x5A;

// A span's fragment colour: start and per-pixel change in field units (alpha
// 0 .. 255), chosen to stay in range over the whole span.
struct Ramp {
    double start[4], step[4];
};

Ramp makeRamp(const SpanFormat& f, int length, uint32_t seed, bool smooth) {
    Ramp r;
    for (int k = 0; k < 4; ++k) {
        const double top = k < 3 ? f.maxField(k) : 255.0;
        const double a = spanTestByte(seed + (uint32_t)k) / 255.0 * top;
        const double b = spanTestByte(seed + 17u + (uint32_t)k) / 255.0 * top;
        r.start[k] = a;
        r.step[k] = smooth ? (b - a) / length : 0.0;
    }
    return r;
}

void loadRamp(SpanRig& r, const Ramp& ramp) {
    for (int k = 0; k < 4; ++k) {
        r.start[k] = (GLuint)(ramp.start[k] * 65536.0);
        r.dstep[k] = (GLint)(ramp.step[k] * 65536.0);
    }
}

// The fragment byte of a channel at pixel i by the float reference.
double fragmentByte(const SpanFormat& f, const Ramp& ramp, int k, int i) {
    const double v = ramp.start[k] + ramp.step[k] * i;
    return k < 3 ? v * (1 << (8 - f.bits[k])) : v;
}

// Runs a colour stage; returns the entries written, per pixel along the span.
// Checks the successor masks, the texture calls and that dead entries keep
// the sentinel.
std::vector<std::array<uint8_t, 4>> runShade(SpanRig& r, GlSpanProc stage, bool textured,
                                             const SpanCoverage& cov) {
    std::vector<std::array<uint8_t, 4>> out((size_t)r.length);
    r.successorMasks.clear();
    r.texturedMasks.clear();
    std::vector<GLuint> masks;
    r.run(
        stage, cov.live, 0, 0, [&](int, GLuint mask) {
            memset(r.span.colors, kSentinel, sizeof r.span.colors);
            masks.push_back(mask);
        },
        [&](int g, GLuint mask, long advance) {
            EXPECT_EQ(0, advance);
            for (int i = 0; i < 32 && g * 32 + i < r.length; ++i) {
                if (mask & (0x80000000u >> i)) {
                    memcpy(out[(size_t)(g * 32 + i)].data(), r.span.colors[i], 4);
                } else {
                    for (int k = 0; k < 4; ++k) ASSERT_EQ(kSentinel, r.span.colors[i][k]) << "dead entry " << i;
                }
            }
        });
    EXPECT_EQ(masks, r.successorMasks);
    EXPECT_EQ(textured ? masks : std::vector<GLuint>(), r.texturedMasks);
    return out;
}

// The stage's byte against the exact value of a sum of p square-table
// products: within (x - 1.5p, x + 0.5p); exact when p is 0.
void expectProducts(int got, double exact, int p, const char* what) {
    if (p == 0) {
        ASSERT_EQ((int)exact, got) << what;
    } else {
        ASSERT_GT(got, exact - 1.5 * p - 1e-9) << what << " exact " << exact;
        ASSERT_LT(got, exact + 0.5 * p + 1e-9) << what << " exact " << exact;
    }
}

TEST(SpanShade, FlatAndSmoothColoursFollowTheFloatRamp) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int index = 0; index < 4; ++index) {
            const IndexBits x(index);
            for (int length : kSpanLengths) {
                for (const SpanCoverage& cov : spanCoverages()) {
                    SCOPED_TRACE(testing::Message() << f.name << " index " << index << " length " << length << " "
                                                    << cov.name);
                    r.buffer(length, 1, 0);
                    const Ramp ramp = makeRamp(f, length, (uint32_t)(length * 31 + index), x.smooth);
                    loadRamp(r, ramp);
                    auto out = runShade(r, __glShadeProcTables[f.code][index], false, cov);
                    for (int i = 0; i < length; ++i) {
                        if (!cov.live(i)) continue;
                        for (int k = 0; k < 4; ++k) {
                            if (k == 3 && !x.alpha) {
                                ASSERT_EQ(kSentinel, out[(size_t)i][3]) << "alpha kept, pixel " << i;
                                continue;
                            }
                            const double want = fragmentByte(f, ramp, k, i);
                            ASSERT_LE(fabs(out[(size_t)i][k] - floor(want)), 1.0)
                                << "pixel " << i << " channel " << k << " want " << want;
                        }
                    }
                }
            }
        }
    }
}

// Every textured entry: the texture stage runs once per group with the
// received mask, each live pixel takes the next packed texel, and the bytes
// follow the texture function within the square-table bounds.
TEST(SpanShade, TextureFunctionsCombineTheirTexels) {
    for (const SpanFormat& f : kSpanFormats) {
        SpanRig r(f);
        for (int index = 4; index < GL_SPAN_COLOR_STAGES; ++index) {
            const GlSpanProc stage = __glShadeProcTables[f.code][index];
            if (!stage) continue;
            const IndexBits x(index);
            r.texelBytes = x.texelBytes;
            r.texelSalt = (uint32_t)index;
            const uint8_t env[4] = {spanTestByte((uint32_t)index), 255, 0, spanTestByte((uint32_t)index + 9u)};
            memcpy(r.gc->texEnvColorBytes, env, 4);
            for (int length : {1, 31, 33}) {
                for (const SpanCoverage& cov : spanCoverages()) {
                    SCOPED_TRACE(testing::Message() << f.name << " index " << index << " length " << length << " "
                                                    << cov.name);
                    r.buffer(length, 1, 0);
                    const Ramp ramp = makeRamp(f, length, (uint32_t)(length * 7 + index), x.smooth);
                    loadRamp(r, ramp);
                    auto out = runShade(r, stage, true, cov);
                    for (int i = 0; i < length; ++i) {
                        if (!cov.live(i)) continue;
                        const double tA = x.texelBytes == 4 ? r.texel(i, 3) : x.texelBytes == 1 ? r.texel(i, 0) : 0;
                        double fc[4];
                        // The fragment bytes of the 16.16 walk (the ramp test holds
                        // them to the float reference).
                        for (int k = 0; k < 4; ++k)
                            fc[k] = ((r.start[k] + (GLuint)(i * r.dstep[k])) >> (k < 3 ? 8 + f.bits[k] : 16)) & 0xFF;
                        for (int k = 0; k < 3; ++k) {
                            const double ceiling = (double)(f.maxField(k) << (8 - f.bits[k]));
                            const double t = x.texelBytes == 1 ? 0 : r.texel(i, k);
                            double exact = fc[k];
                            int p = 0;
                            switch (x.code) {
                            case 1: exact = std::min(t, ceiling); break;
                            case 2: exact = std::min(tA * t / 255 + (255 - tA) * fc[k] / 255, ceiling), p = 2; break;
                            case 3: exact = t * fc[k] / 255, p = 1; break;
                            case 4:
                            case 5: exact = (255 - t) * fc[k] / 255 + t * env[k] / 255, p = 2; break;
                            default: break;
                            }
                            expectProducts(out[(size_t)i][k], exact, p, "colour");
                        }
                        if (!x.alpha) {
                            ASSERT_EQ(kSentinel, out[(size_t)i][3]) << "alpha kept, pixel " << i;
                            continue;
                        }
                        double exact = fc[3];
                        int p = 0;
                        if (x.texAlpha) {
                            switch (x.code) {
                            case 1:
                            case 6: exact = tA; break;
                            case 3:
                            case 4:
                            case 7: exact = tA * fc[3] / 255, p = 1; break;
                            case 5: exact = (255 - tA) * fc[3] / 255 + tA * env[3] / 255, p = 2; break;
                            default: break;
                            }
                        }
                        expectProducts(out[(size_t)i][3], exact, p, "alpha");
                    }
                }
            }
        }
    }
}

struct ShadeCase {
    int code, index;
    GLuint rgba[4];  // 16.16 fragment colour
    std::vector<uint8_t> texel, env;
    uint8_t want[4];  // entry bytes; alpha kSentinel when the stage leaves it
};

TEST(SpanShade, KnownEntries) {
    const GLuint one = 65536;
    static const ShadeCase cases[] = {
        // Flat untextured R3G3B2: 7.0, 3.5, 2.0.
        {2, 0, {7 * one, 7 * one / 2, 2 * one, 0}, {}, {}, {0xE0, 0x70, 0x80, kSentinel}},
        // Replace of white caps at the channel ceilings.
        {2, 4, {0, 0, 0, 0}, {255, 255, 255}, {}, {0xE0, 0xE0, 0xC0, kSentinel}},
        {5, 4, {0, 0, 0, 0}, {255, 255, 255}, {}, {0xF8, 0xFC, 0xF8, kSentinel}},
        {10, 4, {0, 0, 0, 0}, {255, 255, 255}, {}, {0xFF, 0xFF, 0xFF, kSentinel}},
        // Blend: texel 255 gives the environment byte, uncapped.
        {2, 16, {7 * one, 0, 3 * one, 0}, {255, 0, 255}, {255, 0, 0, 0}, {0xFF, 0x00, 0x00, kSentinel}},
        // Intensity blend: 255 gives the environment colour and alpha, 0 the fragment's.
        {5, 53, {31 * one, 0, 10 * one, 200 * one}, {255, 255, 255, 255}, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {5, 53, {31 * one, 0, 10 * one, 200 * one}, {0, 0, 0, 0}, {1, 2, 3, 4}, {0xF8, 0x00, 0x50, 200}},
        // Alpha texture: colour from the fragment, alpha the product.
        {10, 61, {10 * one, 20 * one, 30 * one, 77 * one}, {255}, {}, {10, 20, 30, 77}},
        {10, 61, {10 * one, 20 * one, 30 * one, 77 * one}, {0}, {}, {10, 20, 30, 0}},
        // Decal: texel alpha 0 gives the fragment colour, 255 the capped texel.
        {2, 41, {5 * one, 2 * one, one, 99 * one}, {255, 255, 255, 0}, {}, {0xA0, 0x40, 0x40, 99}},
        {2, 41, {5 * one, 2 * one, one, 99 * one}, {255, 255, 255, 255}, {}, {0xE0, 0xE0, 0xC0, 99}},
        // Modulate by 255 returns the fragment byte exactly.
        {4, 13, {31 * one, one, 16 * one, 128 * one}, {255, 255, 255}, {}, {0xF8, 0x08, 0x80, 128}},
    };
    for (const ShadeCase& c : cases) {
        const SpanFormat* f = &spanFormatOf(c.code);
        SpanRig r(*f);
        r.buffer(4, 1, 0);
        r.fixedTexel = c.texel;
        r.texelBytes = IndexBits(c.index).texelBytes;
        if (!c.env.empty()) memcpy(r.gc->texEnvColorBytes, c.env.data(), 4);
        for (int k = 0; k < 4; ++k) r.start[k] = c.rgba[k];
        auto out = runShade(r, __glShadeProcTables[c.code][c.index], c.index >= 4, spanCoverages()[0]);
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(c.want[k], out[(size_t)i][k]) << f->name << " index " << c.index << " channel " << k;
    }
}

}  // namespace
