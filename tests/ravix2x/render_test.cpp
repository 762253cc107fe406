// Triangles, lines and points on the simulated board: coverage rules, culling,
// depth, blending, clipping and antialiasing.
#include "board_fixture.h"

#include <cmath>
#include <limits>

namespace {

using namespace rvtest;

const Rgb kUnit = {32, 32, 32}; // one additive hit

// Pixels of [x0, x1) x [y0, y1) that hold exactly one hit / more than one.
struct Hits {
    int once = 0, more = 0;
};
Hits countHits(int x0, int y0, int x1, int y1)
{
    Hits h;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint16_t p = backPixel(x, y);
            h.once += p == pack565(kUnit);
            h.more += p != 0 && p != pack565(kUnit);
        }
    return h;
}

using RavixRaster = Board;

TEST_F(RavixRaster, SquareSplitOnItsDiagonalCoversEachPixelOnce)
{
    rvAlphaBlendFunction(RV_BLEND_ONE, RV_BLEND_ONE, RV_BLEND_ONE, RV_BLEND_ONE);
    // Pixel centres lie on the diagonal; both windings.
    const RvVertex a = vertex(2, 2, kUnit), b = vertex(10, 2, kUnit), c = vertex(10, 10, kUnit), d = vertex(2, 10, kUnit);
    rvDrawTriangle(&a, &b, &c);
    rvDrawTriangle(&a, &d, &c);
    const Hits h = countHits(0, 0, 12, 12);
    EXPECT_EQ(h.once, 64);
    EXPECT_EQ(h.more, 0);
}

TEST_F(RavixRaster, FanAroundAPixelCentreHitsNoPixelTwice)
{
    rvAlphaBlendFunction(RV_BLEND_ONE, RV_BLEND_ONE, RV_BLEND_ONE, RV_BLEND_ONE);
    const float ring[][2] = {{2, 2}, {8.5f, 1}, {14, 2}, {15, 8.5f}, {14, 14}, {8.5f, 15}, {2, 14}, {1, 8.5f}};
    const RvVertex centre = vertex(8.5f, 8.5f, kUnit);
    for (int i = 0; i < 8; ++i) {
        const RvVertex p = vertex(ring[i][0], ring[i][1], kUnit), q = vertex(ring[(i + 1) % 8][0], ring[(i + 1) % 8][1], kUnit);
        if (i % 2)
            rvDrawTriangle(&centre, &p, &q);
        else
            rvDrawTriangle(&centre, &q, &p);
    }
    EXPECT_EQ(countHits(0, 0, 17, 17).more, 0);
    EXPECT_EQ(countHits(3, 3, 14, 14).once, 11 * 11) << "the inside is covered";
}

TEST_F(RavixRaster, LinesMeetingAtAVertexShareNoPixel)
{
    rvAlphaBlendFunction(RV_BLEND_ONE, RV_BLEND_ONE, RV_BLEND_ONE, RV_BLEND_ONE);
    const RvVertex a = vertex(2.5f, 2.5f, kUnit), b = vertex(12.5f, 4.5f, kUnit), c = vertex(14.5f, 14.5f, kUnit),
                   d = vertex(2.5f, 2.5f, kUnit);
    rvDrawLine(&a, &b); // x-major, 10 columns
    rvDrawLine(&b, &c); // y-major, 10 rows
    rvDrawLine(&c, &d); // back to the start, 12 columns
    const Hits h = countHits(0, 0, 20, 20);
    EXPECT_EQ(h.more, 0);
    EXPECT_EQ(h.once, 32);
}

TEST_F(RavixRaster, CullModeDropsTrianglesBySignOfArea)
{
    // Counter-clockwise with y up has positive area.
    const struct {
        int32_t mode;
        bool ccwDrawn, cwDrawn;
    } cases[] = {{RV_CULL_NONE, true, true}, {RV_CULL_NEGATIVE, true, false}, {RV_CULL_POSITIVE, false, true}};
    for (const auto &c : cases) {
        rvBufferClear(0, 0, 0);
        rvCullMode(c.mode);
        const RvVertex a = vertex(0, 0), b = vertex(8, 0), d = vertex(0, 8);
        const RvVertex e = vertex(20, 0), f = vertex(28, 0), g = vertex(20, 8);
        rvDrawTriangle(&a, &b, &d); // ccw
        rvDrawTriangle(&e, &g, &f); // cw
        EXPECT_EQ(backPixel(1, 1) != 0, c.ccwDrawn) << "mode " << c.mode;
        EXPECT_EQ(backPixel(21, 1) != 0, c.cwDrawn) << "mode " << c.mode;
    }
}

TEST_F(RavixRaster, DepthFunctionsCompareAgainstTheBuffer)
{
    // Buffer depth 1000; fragments at 999, 1000, 1001 in three columns.
    const struct {
        int32_t function;
        bool pass[3];
    } cases[] = {
        {RV_CMP_NEVER, {false, false, false}}, {RV_CMP_LESS, {true, false, false}},
        {RV_CMP_EQUAL, {false, true, false}},  {RV_CMP_LEQUAL, {true, true, false}},
        {RV_CMP_GREATER, {false, false, true}}, {RV_CMP_NOTEQUAL, {true, false, true}},
        {RV_CMP_GEQUAL, {false, true, true}},  {RV_CMP_ALWAYS, {true, true, true}},
    };
    for (const auto &c : cases) {
        rvDepthBufferMode(RV_DEPTHBUFFER_ZBUFFER);
        rvDepthMask(1);
        rvBufferClear(0, 0, 1000);
        rvDepthBufferFunction(c.function);
        for (int i = 0; i < 3; ++i) {
            const RvVertex p = vertex(i + 0.5f, 0.5f, {255, 255, 255}, 255, 999.0f + i);
            rvDrawPoint(&p);
            EXPECT_EQ(backPixel(i, 0) != 0, c.pass[i]) << "function " << c.function << " depth " << 999 + i;
            EXPECT_EQ(rvSimPixel(RV_BUFFER_DEPTH, i, 0), c.pass[i] ? 999 + i : 1000) << "function " << c.function;
        }
    }
}

TEST_F(RavixRaster, DepthIsWrittenOnlyWithTheMaskAndTestedOnlyInZBufferMode)
{
    rvDepthBufferMode(RV_DEPTHBUFFER_ZBUFFER);
    rvDepthMask(1);
    rvBufferClear(0, 0, 500);
    rvDepthMask(0);
    rvDepthBufferFunction(RV_CMP_LESS);
    const RvVertex near = vertex(0.5f, 0.5f, {255, 255, 255}, 255, 100), far = vertex(1.5f, 0.5f, {255, 255, 255}, 255, 900);
    rvDrawPoint(&near);
    rvDrawPoint(&far);
    EXPECT_NE(backPixel(0, 0), 0);
    EXPECT_EQ(backPixel(1, 0), 0);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_DEPTH, 0, 0), 500) << "mask off: tested, not written";

    rvDepthBufferMode(RV_DEPTHBUFFER_DISABLE);
    rvDepthMask(1);
    rvDrawPoint(&far);
    EXPECT_NE(backPixel(1, 0), 0) << "no test without the z-buffer mode";
    EXPECT_EQ(rvSimPixel(RV_BUFFER_DEPTH, 1, 0), 500) << "and no write";
}

TEST_F(RavixRaster, DepthAndColourAreLinearInScreenSpace)
{
    const RvVertex a = vertex(0, 0, {0, 0, 0}, 255, 0), b = vertex(64, 0, {255, 0, 0}, 255, 6400),
                   c = vertex(0, 64, {0, 0, 0}, 255, 0);
    rvDepthBufferMode(RV_DEPTHBUFFER_ZBUFFER);
    rvDepthMask(1);
    rvDepthBufferFunction(RV_CMP_ALWAYS);
    rvDrawTriangle(&a, &b, &c);
    EXPECT_NEAR(rvSimPixel(RV_BUFFER_DEPTH, 10, 5), 1050, 1);
    EXPECT_TRUE(near565(backPixel(32, 5), {int(32.5 * 255 / 64), 0, 0}));
}

TEST_F(RavixRaster, BlendFactorCodes)
{
    // Source (200, 100, 40) alpha 100 over destination (132, 130, 132);
    // destination alpha reads as 255.
    const Rgb src = {200, 100, 40}, dst = {132, 130, 132};
    const int sa = 100;
    const struct {
        int32_t srcCode, dstCode;
        Rgb sf, df; // expected factors, 0-255
    } cases[] = {
        {RV_BLEND_ONE, RV_BLEND_ZERO, {255, 255, 255}, {0, 0, 0}},
        {RV_BLEND_ZERO, RV_BLEND_ONE, {0, 0, 0}, {255, 255, 255}},
        {RV_BLEND_SRC_ALPHA, RV_BLEND_ONE_MINUS_SRC_ALPHA, {sa, sa, sa}, {255 - sa, 255 - sa, 255 - sa}},
        {RV_BLEND_OTHER_COLOR, RV_BLEND_ZERO, dst, {0, 0, 0}},
        {RV_BLEND_ZERO, RV_BLEND_OTHER_COLOR, {0, 0, 0}, src},
        {RV_BLEND_ONE_MINUS_OTHER_COLOR, RV_BLEND_ONE_MINUS_OTHER_COLOR, {123, 125, 123}, {55, 155, 215}},
        {RV_BLEND_DST_ALPHA, RV_BLEND_ONE_MINUS_DST_ALPHA, {255, 255, 255}, {0, 0, 0}},
        {RV_BLEND_ONE_MINUS_DST_ALPHA, RV_BLEND_DST_ALPHA, {0, 0, 0}, {255, 255, 255}},
        {RV_BLEND_ALPHA_SATURATE, RV_BLEND_ONE, {0, 0, 0}, {255, 255, 255}},
        {RV_BLEND_ONE, RV_BLEND_ONE, {255, 255, 255}, {255, 255, 255}},
    };
    for (const auto &c : cases) {
        rvAlphaBlendFunction(RV_BLEND_ONE, RV_BLEND_ZERO, RV_BLEND_ONE, RV_BLEND_ZERO);
        rvBufferClear(0x848284, 0, 0);
        rvAlphaBlendFunction(c.srcCode, c.dstCode, c.srcCode, c.dstCode);
        const RvVertex p = vertex(3.5f, 3.5f, src, sa);
        rvDrawPoint(&p);
        auto mix = [](int s, int sf, int d, int df) { return std::min(255, (s * sf + d * df) / 255); };
        const Rgb want = {mix(src.r, c.sf.r, dst.r, c.df.r), mix(src.g, c.sf.g, dst.g, c.df.g),
                          mix(src.b, c.sf.b, dst.b, c.df.b)};
        EXPECT_TRUE(near565(backPixel(3, 3), want)) << "codes " << c.srcCode << ", " << c.dstCode;
    }
}

TEST_F(RavixRaster, AlphaTestAgainstTheReference)
{
    const struct {
        int32_t function;
        uint32_t ref;
        bool drawn;
    } cases[] = {{RV_CMP_GREATER, 99, true}, {RV_CMP_GREATER, 100, false}, {RV_CMP_EQUAL, 100, true},
                 {RV_CMP_LESS, 100, false},  {RV_CMP_ALWAYS, 255, true},   {RV_CMP_NEVER, 0, false}};
    for (const auto &c : cases) {
        rvBufferClear(0, 0, 0);
        rvAlphaTestFunction(c.function);
        rvAlphaTestReferenceValue(c.ref);
        const RvVertex p = vertex(0.5f, 0.5f, {255, 255, 255}, 100);
        rvDrawPoint(&p);
        EXPECT_EQ(backPixel(0, 0) != 0, c.drawn) << "function " << c.function << " ref " << c.ref;
    }
}

TEST_F(RavixRaster, ColourMaskAndPackingByTruncation)
{
    const RvVertex p = vertex(0.5f, 0.5f, {0x12, 0x34, 0x56}), q = vertex(1.5f, 0.5f, {255, 255, 255});
    rvDrawPoint(&p);
    EXPECT_EQ(backPixel(0, 0), 0x11AA);
    rvColorMask(0, 0);
    rvDrawPoint(&q);
    EXPECT_EQ(backPixel(1, 0), 0) << "colour writes off";
}

TEST_F(RavixRaster, ClipWindowIsHalfOpenAndClamped)
{
    rvClipWindow(2, 3, 5, 7);
    quad(0, 0, 10, 10, {255, 255, 255});
    int inside = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool want = x >= 2 && x < 5 && y >= 3 && y < 7;
            inside += backPixel(x, y) != 0;
            EXPECT_EQ(backPixel(x, y) != 0, want) << x << ", " << y;
        }
    EXPECT_EQ(inside, 12);

    rvClipWindow(-50, -1, 7000, 481);
    RvSimState s;
    rvSimGetState(&s);
    EXPECT_EQ(s.clipLeft, 0);
    EXPECT_EQ(s.clipBottom, 0);
    EXPECT_EQ(s.clipRight, 640);
    EXPECT_EQ(s.clipTop, 480);
    rvBufferClear(0xFFFFFF, 0, 0);
    EXPECT_EQ(backPixel(639, 479), 0xFFFF);

    rvClipWindow(30, 30, 10, 10); // inverted: empty
    rvBufferClear(0, 0, 0);
    EXPECT_EQ(backPixel(20, 20), 0xFFFF);
}

TEST_F(RavixRaster, ClearRespectsTheMasks)
{
    rvColorMask(0, 0);
    rvDepthMask(1);
    rvBufferClear(0xFFFFFF, 0, 1234);
    EXPECT_EQ(backPixel(5, 5), 0);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_DEPTH, 5, 5), 1234);
    rvColorMask(1, 0);
    rvDepthMask(0);
    rvBufferClear(0xFF0000, 0, 0);
    EXPECT_EQ(backPixel(5, 5), 0xF800);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_DEPTH, 5, 5), 1234);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_FRONT, 5, 5), 0) << "only the render buffer";
}

TEST_F(RavixRaster, AntialiasedEdgesFadeOverOnePixel)
{
    rvAlphaBlendFunction(RV_BLEND_SRC_ALPHA, RV_BLEND_ONE_MINUS_SRC_ALPHA, RV_BLEND_ONE, RV_BLEND_ZERO);
    // Edge c-a is vertical through the pixel centres of column 10.
    const RvVertex a = vertex(10.5f, 2), b = vertex(40, 2), c = vertex(10.5f, 40);
    const struct {
        int32_t caAA;
        int column9, column10, column11;
    } cases[] = {{1, 0, 128, 255}, {0, 0, 255, 255}};
    for (const auto &k : cases) {
        rvBufferClear(0, 0, 0);
        rvAADrawTriangle(&a, &b, &c, 0, 0, k.caAA);
        EXPECT_TRUE(near565(backPixel(9, 10), {k.column9, k.column9, k.column9})) << "aa " << k.caAA;
        EXPECT_TRUE(near565(backPixel(10, 10), {k.column10, k.column10, k.column10})) << "aa " << k.caAA;
        EXPECT_TRUE(near565(backPixel(11, 10), {k.column11, k.column11, k.column11})) << "aa " << k.caAA;
        EXPECT_EQ(backPixel(20, 1), 0) << "edge a-b is not antialiased";
    }
}

TEST_F(RavixRaster, AntialiasedPointsAndLinesShareCoverage)
{
    rvAlphaBlendFunction(RV_BLEND_SRC_ALPHA, RV_BLEND_ONE_MINUS_SRC_ALPHA, RV_BLEND_ONE, RV_BLEND_ZERO);
    const RvVertex corner = vertex(11, 11), centre = vertex(20.5f, 20.5f);
    rvAADrawPoint(&corner);
    rvAADrawPoint(&centre);
    for (int y = 10; y <= 11; ++y)
        for (int x = 10; x <= 11; ++x)
            EXPECT_TRUE(near565(backPixel(x, y), {64, 64, 64})) << x << ", " << y;
    EXPECT_EQ(backPixel(20, 20), 0xFFFF);
    EXPECT_EQ(backPixel(21, 20), 0);

    // A horizontal line on a row boundary: half on each row.
    const RvVertex l0 = vertex(30, 31), l1 = vertex(40, 31);
    rvAADrawLine(&l0, &l1);
    EXPECT_TRUE(near565(backPixel(35, 30), {128, 128, 128}));
    EXPECT_TRUE(near565(backPixel(35, 31), {128, 128, 128}));
    EXPECT_EQ(backPixel(35, 32), 0);
}

TEST_F(RavixRaster, NonFiniteAndFarVerticesDrawNothingAndDoNotCrash)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float bad[] = {nan, inf, -inf, 1e30f, -1e30f};
    for (float f : bad) {
        RvVertex a = vertex(0, 0), b = vertex(8, 0), c = vertex(0, 8);
        a.x = f;
        rvDrawTriangle(&a, &b, &c);
        rvAADrawTriangle(&b, &c, &a, 1, 1, 1);
        rvDrawLine(&a, &b);
        rvAADrawLine(&b, &a);
        rvDrawPoint(&a);
        rvAADrawPoint(&a);
        c.y = f;
        rvDrawTriangle(&b, &c, &c);
    }
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(backPixel(x, y), 0) << x << ", " << y;

    // Non-finite colours and depth are taken as 0.
    RvVertex p = vertex(3.5f, 3.5f, {255, 255, 255});
    p.r = nan;
    p.g = inf;
    p.ooz = nan;
    rvDepthBufferMode(RV_DEPTHBUFFER_ZBUFFER);
    rvDepthMask(1);
    rvDepthBufferFunction(RV_CMP_ALWAYS);
    rvDrawPoint(&p);
    EXPECT_EQ(backPixel(3, 3), pack565({0, 0, 255}));
}

} // namespace
