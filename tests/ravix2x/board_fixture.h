// Shared helpers of the simulated-board tests: a fresh board with an open
// two-buffer window, vertices in unbiased window coordinates, pixel reads.
#ifndef RAVIX2X_BOARD_FIXTURE_H
#define RAVIX2X_BOARD_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>

#include "ravix2x.h"
#include "ravix2x_log.h"
#include "ravix2x_sim.h"

namespace rvtest {

struct Rgb {
    int r, g, b;
};

inline RvVertex vertex(float x, float y, Rgb c = {255, 255, 255}, float a = 255.0f, float ooz = 0.0f)
{
    RvVertex v{};
    v.x = x + RV_VERTEX_BIAS;
    v.y = y + RV_VERTEX_BIAS;
    v.r = float(c.r);
    v.g = float(c.g);
    v.b = float(c.b);
    v.a = a;
    v.ooz = ooz;
    v.oow = 1.0f;
    return v;
}

inline RvVertex texVertex(float x, float y, float s, float t, float oow = 1.0f)
{
    RvVertex v = vertex(x, y);
    v.oow = oow;
    v.sow = s * oow;
    v.tow = t * oow;
    return v;
}

inline uint16_t pack565(Rgb c) { return uint16_t(((c.r >> 3) << 11) | ((c.g & 0xFC) << 3) | (c.b >> 3)); }

inline Rgb expand565(uint16_t d)
{
    return {((d >> 8) & 0xF8) | (d >> 13), ((d >> 3) & 0xFC) | ((d >> 9) & 3), ((d << 3) & 0xF8) | ((d >> 2) & 7)};
}

inline uint16_t backPixel(int x, int y) { return rvSimPixel(RV_BUFFER_BACK, x, y); }

// Colour within one 5-6-5 step of want.
inline ::testing::AssertionResult near565(uint16_t got, Rgb want)
{
    const Rgb g = expand565(got);
    if (std::abs(g.r - want.r) <= 8 && std::abs(g.g - want.g) <= 4 && std::abs(g.b - want.b) <= 8)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << g.r << ", " << g.g << ", " << g.b << "), want (" << want.r
                                         << ", " << want.g << ", " << want.b << ")";
}

// Axis-aligned quad [x0, x1) x [y0, y1) as two triangles, texture s, t across it.
inline void texturedQuad(float x0, float y0, float x1, float y1, float s1, float t1)
{
    const RvVertex a = texVertex(x0, y0, 0, 0), b = texVertex(x1, y0, s1, 0), c = texVertex(x1, y1, s1, t1),
                   d = texVertex(x0, y1, 0, t1);
    rvDrawTriangle(&a, &b, &c);
    rvDrawTriangle(&a, &c, &d);
}

inline void quad(float x0, float y0, float x1, float y1, Rgb c, float alpha = 255.0f)
{
    const RvVertex a = vertex(x0, y0, c, alpha), b = vertex(x1, y0, c, alpha), d = vertex(x1, y1, c, alpha),
                   e = vertex(x0, y1, c, alpha);
    rvDrawTriangle(&a, &b, &d);
    rvDrawTriangle(&a, &d, &e);
}

class Board : public ::testing::Test {
protected:
    void SetUp() override
    {
        rvSimReset();
        rvLogClear();
        ASSERT_NE(rvQrbWinOpen(nullptr, RV_RESOLUTION_640x480, 0, 0, RV_ORIGIN_LOWER_LEFT, 2, 1), 0);
        rvRenderBuffer(RV_BUFFER_BACK);
    }
    void TearDown() override { EXPECT_EQ(rvSimErrorCount(), expectedErrors) << rvSimLastError(); }
    uint32_t expectedErrors = 0;
};

} // namespace rvtest

#endif
