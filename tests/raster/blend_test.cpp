// Blending: every source x destination factor pair of OpenGL 1.1 on each RGBA
// DIB depth, against a double-precision reference within one step of each
// component, with dither off and on. Size-1 points, one pixel per pair.
#include <math.h>
#include "fragtest.h"

using fragtest::point;

namespace {

const GLenum sources[9] = {GL_ZERO,          GL_ONE,       GL_DST_COLOR,           GL_ONE_MINUS_DST_COLOR,
                           GL_SRC_ALPHA,     GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA,
                           GL_SRC_ALPHA_SATURATE};
const GLenum destinations[8] = {GL_ZERO,      GL_ONE,       GL_SRC_COLOR,          GL_ONE_MINUS_SRC_COLOR,
                                GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA};

// Colours of pair (i, j): normalised source (with alpha) and destination.
void sourceColor(int i, int j, double s[4]) {
    s[0] = 0.95 - 0.07 * i;
    s[1] = 0.15 + 0.09 * j;
    s[2] = 0.5 + 0.03 * (i - j);
    s[3] = 0.1 + 0.1 * ((i + 2 * j) % 9);
}
void destinationColor(int i, int j, double d[3]) {
    d[0] = 0.2 + 0.08 * j;
    d[1] = 0.9 - 0.06 * i;
    d[2] = 0.3 + 0.05 * ((i * j) % 10);
}

double factor(GLenum f, int c, const double s[4], const double d[4]) {
    switch (f) {
    case GL_ZERO: return 0;
    case GL_ONE: return 1;
    case GL_SRC_COLOR: return s[c];
    case GL_ONE_MINUS_SRC_COLOR: return 1 - s[c];
    case GL_DST_COLOR: return d[c];
    case GL_ONE_MINUS_DST_COLOR: return 1 - d[c];
    case GL_SRC_ALPHA: return s[3];
    case GL_ONE_MINUS_SRC_ALPHA: return 1 - s[3];
    case GL_DST_ALPHA: return d[3];
    case GL_ONE_MINUS_DST_ALPHA: return 1 - d[3];
    case GL_SRC_ALPHA_SATURATE: return s[3] < 1 - d[3] ? s[3] : 1 - d[3];
    }
    return NAN;
}

// The packed pixel's components, normalised by the buffer's component maxima.
struct Layout {
    GLuint shift[3], maximum[3];
    void decode(uint32_t v, double out[3]) const {
        for (int c = 0; c < 3; c++) out[c] = (double)(v >> shift[c] & maximum[c]) / maximum[c];
    }
};

void allFactorPairs(const GltestDibContext& c, const char* name, bool dither) {
    const GlColorBuffer* cb = __glCurrentContext()->fb.frontBuffer;
    const Layout layout = {{cb->shift[0], cb->shift[1], cb->shift[2]}, {cb->maximum[0], cb->maximum[1], cb->maximum[2]}};
    if (dither) glEnable(GL_DITHER);
    else glDisable(GL_DITHER);
    // Destinations first, unblended; the reference reads them back.
    for (int i = 0; i < 9; i++)
        for (int j = 0; j < 8; j++) {
            double d[3];
            destinationColor(i, j, d);
            glColor3d(d[0], d[1], d[2]);
            point(i + 0.5f, j + 0.5f);
        }
    double dst[9][8][4];
    for (int i = 0; i < 9; i++)
        for (int j = 0; j < 8; j++) {
            layout.decode(c.pixel(i, j), dst[i][j]);
            dst[i][j][3] = 1.0;  // no alpha bits: destination alpha is 1
        }
    glEnable(GL_BLEND);
    for (int i = 0; i < 9; i++)
        for (int j = 0; j < 8; j++) {
            double s[4];
            sourceColor(i, j, s);
            glBlendFunc(sources[i], destinations[j]);
            glColor4d(s[0], s[1], s[2], s[3]);
            point(i + 0.5f, j + 0.5f);
        }
    for (int i = 0; i < 9; i++)
        for (int j = 0; j < 8; j++) {
            double s[4], got[3];
            sourceColor(i, j, s);
            const double* d = dst[i][j];
            layout.decode(c.pixel(i, j), got);
            for (int k = 0; k < 3; k++) {
                double want = s[k] * factor(sources[i], k, s, d) + d[k] * factor(destinations[j], k, s, d);
                want = want > 1 ? 1 : want;
                const double m = layout.maximum[k];
                EXPECT_NEAR(got[k] * m, want * m, 1.0) << name << (dither ? " dither" : "") << " src " << std::hex
                                                       << sources[i] << " dst " << destinations[j] << std::dec
                                                       << " component " << k;
            }
        }
    EXPECT_TRUE(c.guardsIntact()) << name;
}

}  // namespace

TEST(Blend, AllFactorPairs) {
    for (bool dither : {false, true}) {
        for (int bits : {32, 24, 8}) {
            GltestDibContext c(9, 8, bits);
            ASSERT_NE(c.rc, nullptr) << bits;
            allFactorPairs(c, bits == 8 ? "332" : bits == 24 ? "888" : "x888", dither);
        }
        static const DWORD masks565[3] = {0xF800, 0x07E0, 0x001F};
        for (const DWORD* masks : {masks565, (const DWORD*)nullptr}) {
            GltestDibContext c(9, 8, 16, false, 32, true, masks);
            ASSERT_NE(c.rc, nullptr);
            allFactorPairs(c, masks ? "565" : "555", dither);
        }
    }
}

// The four pairs with their own procedures and the clamp rules, on exact
// 8-bit values: (ONE, ONE) clamps at the maximum, (ONE, ZERO) copies, the
// saturate factor leaves alpha alone.
TEST(Blend, FastPairsAndClamp) {
    GltestDibContext c(8, 1, 32);
    ASSERT_NE(c.rc, nullptr);
    struct Case {
        GLenum src, dst;
        float s[4];
        uint32_t background, want;
    };
    const Case cases[] = {
        {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, {1, 0, 0, 0.25f}, 0x0000FF, 0x4000BF},
        {GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, {1, 0, 0, 0.25f}, 0x0000FF, 0xBF0040},
        {GL_SRC_ALPHA, GL_ZERO, {1, 1, 0, 0.5f}, 0x0000FF, 0x808000},
        {GL_SRC_ALPHA, GL_ONE, {1, 0.5f, 0, 0.5f}, 0xC0C0C0, 0xFFFFC0},
        {GL_ONE, GL_ONE, {0.5f, 0.5f, 0.5f, 1}, 0xA0A0A0, 0xFFFFFF},
        {GL_ONE, GL_ZERO, {0.5f, 0.25f, 1, 0}, 0xFFFFFF, 0x8040FF},
        {GL_SRC_ALPHA_SATURATE, GL_ONE, {1, 1, 1, 0.5f}, 0x101010, 0x101010},  // 1 - Ad = 0
    };
    glEnable(GL_BLEND);
    for (const Case& k : cases) {
        c.clear(k.background);
        glBlendFunc(k.src, k.dst);
        glColor4fv(k.s);
        point(3.5f, 0.5f);
        EXPECT_EQ(c.pixel(3, 0) & 0xFFFFFF, k.want) << std::hex << k.src << " " << k.dst;
    }
    // The logic op replaces blending.
    c.clear(0x00FF00);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(GL_COPY);
    glColor3f(1, 0, 0);
    point(3.5f, 0.5f);
    EXPECT_EQ(c.pixel(3, 0) & 0xFFFFFF, 0xFF0000u);
}
